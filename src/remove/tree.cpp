// Removal of a directory tree, and of the installation directory with it.
#include <string.h>

#include "app/text.h"
#include "app/uninstall.h"
#include "remove/removal.h"
#include "sysloc/handles.h"
#include "sysloc/sysloc.h"

namespace {

DWORD RemoveLink(const char* path, DWORD attributes) {
    BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path)
                                                           : DeleteFileA(path);
    return removed ? ERROR_SUCCESS : GetLastError();
}

const DWORD kDeleteStoppers =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// A file that carries none of the attributes that stop a delete is deleted at once, which
// saves opening every file twice.
DWORD DeleteTreeFile(const char* path, DWORD attributes) {
    if (attributes & kDeleteStoppers) return DeleteFileName(path, true);
    return DeleteFileA(path) ? ERROR_SUCCESS : GetLastError();
}

DWORD DeleteLevel(const char* dir, bool recurse, const char* const* lastFiles);

bool IsListed(const char* name, const char* const* names) {
    for (; names && *names; ++names)
        if (EqualNoCase(name, *names)) return true;
    return false;
}

// Deletes the entries of dir but the files named in lastFiles. Sets keepDir when dir must
// stay: its search could not start, or recurse is false and a subdirectory was kept.
DWORD DeleteEntries(const char* dir, bool recurse, const char* const* lastFiles, bool& keepDir) {
    TextBuffer pattern;
    if (!pattern.Copy(dir) || !pattern.Append("\\*.*")) return ERROR_FILENAME_EXCED_RANGE;
    WIN32_FIND_DATAA entry;
    ScopedFind search(FindFirstFileA(pattern, &entry));
    if (search.get() == INVALID_HANDLE_VALUE) {
        keepDir = true;
        return ERROR_SUCCESS;
    }
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
        TextBuffer path;
        if (!path.Copy(dir) || !path.Append("\\") || !path.Append(entry.cFileName))
            return ERROR_FILENAME_EXCED_RANGE;
        DWORD code;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            code = RemoveLink(path, entry.dwFileAttributes);
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!recurse) {
                keepDir = true;
                continue;
            }
            code = DeleteLevel(path, true, nullptr);
        } else if (IsListed(entry.cFileName, lastFiles)) {
            continue;
        } else {
            code = DeleteTreeFile(path, entry.dwFileAttributes);
        }
        if (code != ERROR_SUCCESS) return code;
    } while (FindNextFileA(search.get(), &entry));
    DWORD searchEnd = GetLastError();
    return searchEnd == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : searchEnd;
}

DWORD DeleteLevel(const char* dir, bool recurse, const char* const* lastFiles) {
    bool keepDir = false;
    DWORD code = DeleteEntries(dir, recurse, lastFiles, keepDir);
    if (code != ERROR_SUCCESS || keepDir) return code;
    for (; lastFiles && *lastFiles; ++lastFiles) {
        TextBuffer path;
        if (!path.Copy(dir) || !path.Append("\\") || !path.Append(*lastFiles))
            return ERROR_FILENAME_EXCED_RANGE;
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        code = DeleteTreeFile(path, attributes);
        if (code != ERROR_SUCCESS) return code;
    }
    if (!SetFileAttributesA(dir, FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    if (!RemoveDirectoryA(dir)) return GetLastError();
    return ERROR_SUCCESS;
}

// The literal ("\\?\") form of dir's full path. Only through it do the system's path rules
// leave names alone that end in a dot or a blank or are all dots ("..."); without it
// "dir\..." would even name dir itself.
int LiteralPath(const char* dir, TextBuffer& literal) {
    TextBuffer full;
    DWORD n = GetFullPathNameA(dir, TextBuffer::kSize, full.text, nullptr);
    if (n == 0 || n >= TextBuffer::kSize) return 0;
    size_t length = full.Length();
    while (length > 3 && EndsInSeparator(full)) full.text[--length] = '\0';
    if (strncmp(full.text, "\\\\?\\", 4) == 0) return literal.Copy(full);
    if (strncmp(full.text, "\\\\", 2) == 0)
        return literal.Copy("\\\\?\\UNC\\") && literal.Append(full.text + 2);
    return literal.Copy("\\\\?\\") && literal.Append(full);
}

// Whether the handle holds the file that path names, and not one a link led to. The full
// path is what the system opened, folded by the same rules as the path it reports.
bool OpenedAsNamed(HANDLE file, const char* path) {
    TextBuffer opened, full, named;
    if (!FinalPathOf(file, opened)) return false;
    DWORD n = GetFullPathNameA(path, TextBuffer::kSize, full.text, nullptr);
    const char* plain = strncmp(full.text, "\\\\?\\", 4) == 0 ? full.text + 4 : full.text;
    if (n > 0 && n < TextBuffer::kSize && EqualNoCase(opened, plain)) return true;
    return CanonicalPath(path, named) && EqualNoCase(opened, named);
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // zero times stay as they are
    basic.FileAttributes = attributes;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic));
}

}  // namespace

DWORD DeleteFileName(const char* path, bool resetAttributes) {
    HANDLE opened = CreateFileA(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (opened == INVALID_HANDLE_VALUE) return GetLastError();
    ScopedHandle file(opened);
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(opened, FileBasicInfo, &basic, sizeof(basic)) ||
        !GetFileInformationByHandleEx(opened, FileStandardInfo, &standard, sizeof(standard)))
        return GetLastError();
    if (standard.Directory) return ERROR_ACCESS_DENIED;
    // A link opened as itself is what we may delete; anything else must be the named file.
    bool link = basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if (!link && !OpenedAsNamed(opened, path)) return ERROR_CANT_RESOLVE_FILENAME;
    DWORD original = basic.FileAttributes;
    bool reset = resetAttributes && !link && (original & kDeleteStoppers);
    if (reset && !SetAttributes(opened, FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    FILE_DISPOSITION_INFO disposition = {TRUE};
    DWORD code = SetFileInformationByHandle(opened, FileDispositionInfo, &disposition,
                                            sizeof(disposition))
                     ? ERROR_SUCCESS
                     : GetLastError();
    // Attributes belong to the file, not to one of its names: the others keep theirs.
    if (reset && standard.NumberOfLinks > 1) SetAttributes(opened, original);
    return code;
}

DWORD DeleteTree(const char* dir, bool recurse, const char* const* lastFiles) {
    TextBuffer literal;
    if (!LiteralPath(dir, literal)) return ERROR_FILENAME_EXCED_RANGE;
    DWORD attributes = GetFileAttributesA(literal);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return RemoveLink(literal, attributes);
    return DeleteLevel(literal, recurse, lastFiles);
}

int uninstall::RemoveInstallDir() {
    if (!m_installDir || !*m_installDir) return 0;
    // Checked again right before anything goes: the tree may have changed since phase two
    // began, and the directory may be reached through a link only now.
    TextBuffer installDir;
    InstallDirCheck check = CheckInstallDir(m_installDir, installDir);
    if (check == kInstallDirMissing) return 1;
    if (check == kInstallDirRefused) return 0;
    bool isDirectory = false;
    if (!PathExists(installDir, &isDirectory) || !isDirectory) return 1;
    // The uninstaller and its list go last: should anything else stay, the uninstall can be
    // run again from the installation directory.
    static const char* const kUninstallerFiles[] = {"uninstall.exe", "conf.xml", nullptr};
    if (DeleteTree(installDir, true, kUninstallerFiles) != ERROR_SUCCESS) return 0;
    // A directory that could not even be searched is still there: that is no success.
    return !PathExists(installDir, nullptr);
}
