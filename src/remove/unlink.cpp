#include "remove/unlink.h"

#include <wchar.h>
#include <windows.h>
// RtlGenRandom, advapi32's SystemFunction036.
#include <ntsecapi.h>

#include "base/handles.h"
#include "base/names.h"
#include "remove/calls.h"
#include "sysloc/sysloc.h"

namespace {

// Codes of a system that does not know the POSIX delete, or of a volume that does not take it.
bool Unsupported(DWORD code) {
    return code == ERROR_INVALID_PARAMETER || code == ERROR_NOT_SUPPORTED ||
           code == ERROR_INVALID_FUNCTION || code == ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace

DWORD EntryDeleter::Delete(HANDLE entry, DWORD attributes) {
    RemovalCalls& calls = Calls();
    if (posix_) {
        DWORD code = calls.Dispose(entry, overStoppers_ ? RemovalCalls::kPosixOverReadOnly
                                                        : RemovalCalls::kPosix);
        if (!Unsupported(code)) return code;
        posix_ = false;
    }
    // The classic way: a read-only entry is refused, so the stoppers go first. Attributes
    // belong to the file, not to one of its names: the others keep theirs.
    DWORD code = calls.Dispose(entry, RemovalCalls::kClassic);
    if (code != ERROR_ACCESS_DENIED || !overStoppers_ || !(attributes & kDeleteStoppers))
        return code;
    FILE_STANDARD_INFO standard = {};
    if (!GetFileInformationByHandleEx(entry, FileStandardInfo, &standard, sizeof(standard)))
        return GetLastError();
    code = calls.SetAttributes(entry, FILE_ATTRIBUTE_NORMAL);
    if (code != ERROR_SUCCESS) return code;
    code = calls.Dispose(entry, RemovalCalls::kClassic);
    if (standard.NumberOfLinks > 1 || code != ERROR_SUCCESS) calls.SetAttributes(entry, attributes);
    return code;
}

bool RandomName(const wchar_t* prefix, wchar_t (&name)[64]) {
    unsigned long long random = 0;
    return RtlGenRandom(&random, sizeof(random)) &&
           swprintf(name, 64, L"%ls%016I64x", prefix, random) > 0;
}

DWORD RemoveLinkName(HANDLE dir, const wchar_t* name) {
    wchar_t spare[64];
    if (!RandomName(L"VORNAuninstall-link.", spare)) return ERROR_NOT_ENOUGH_MEMORY;
    RemovalCalls& calls = Calls();
    ScopedFile created;
    DWORD code = calls.Create(dir, spare, created);
    if (code != ERROR_SUCCESS) return code;
    code = calls.Rename(created.get(), dir, name, true);
    DWORD disposed = calls.Dispose(created.get(), RemovalCalls::kClassic);
    return code != ERROR_SUCCESS ? code : disposed;
}

DWORD DeleteFileName(const wchar_t* path, bool resetAttributes) {
    ScopedFile file;
    DWORD code = Calls().Open(nullptr, path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                              FILE_NON_DIRECTORY_FILE, file);
    if (code != ERROR_SUCCESS) return code;
    DWORD attributes, tag;
    code = Calls().Attributes(file.get(), attributes, tag);
    if (code != ERROR_SUCCESS) return code;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY) return ERROR_ACCESS_DENIED;
    // A link opened as itself is what we may delete; anything else must be the named file.
    bool link = attributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if (!link && !OpenedAsNamed(file.get(), path)) return ERROR_CANT_RESOLVE_FILENAME;
    EntryDeleter deleter(resetAttributes && !link);
    return deleter.Delete(file.get(), attributes);
}
