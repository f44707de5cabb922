#include "sysloc/sysloc.h"

#include <winternl.h>

#include <string.h>
#include <wchar.h>
#include <windows.h>

#include "base/handles.h"
#include "base/names.h"

bool PathExists(const wchar_t* filePath, bool* isDirectory) {
    if (!filePath) return false;
    DWORD attributes = GetFileAttributesW(filePath);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (isDirectory) *isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return true;
    }
    return GetLastError() == ERROR_SUCCESS;
}

int GetShellFolderPath(const wchar_t* valueName, WideText& folderPath) {
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_CURRENT_USER,
                      L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                      0, KEY_READ | KEY_WRITE, key.receive()) != ERROR_SUCCESS)
        return 0;

    wchar_t value[1024];
    DWORD type = REG_NONE;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExW(key.get(), valueName, nullptr, &type,
                                   reinterpret_cast<BYTE*>(value), &size);
    // A string value must end in its NUL inside the buffer; anything else is refused.
    const DWORD n = size / sizeof(wchar_t);
    if (size == 0) {
        value[0] = L'\0';
    } else if (status == ERROR_SUCCESS) {
        bool terminated;
        if (size > sizeof(value) || size % sizeof(wchar_t) != 0)
            terminated = false;
        else if (type == REG_SZ || type == REG_EXPAND_SZ)
            terminated = value[n - 1] == L'\0';
        else if (type == REG_MULTI_SZ)
            terminated = value[n - 1] == L'\0' && (n < 2 || value[n - 2] == L'\0');
        else
            terminated = false;
        if (!terminated) status = ERROR_INVALID_DATA;
    }
    if (status != ERROR_SUCCESS) return 0;
    return folderPath.Assign(value);
}

int ReadRegistryString(HKEY key, const wchar_t* name, WideText& value) {
    const DWORD kTypes = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    for (int attempt = 0; attempt < 4; ++attempt) {
        DWORD bytes = 0;
        if (RegGetValueW(key, nullptr, name, kTypes, nullptr, nullptr, &bytes) != ERROR_SUCCESS)
            return 0;
        value.Truncate(0);
        wchar_t* room = value.Room(bytes / sizeof(wchar_t) + 1);
        if (!room) return 0;
        LONG status = RegGetValueW(key, nullptr, name, kTypes, nullptr, room, &bytes);
        if (status == ERROR_SUCCESS) {
            value.Keep(wcslen(room));
            return 1;
        }
        if (status != ERROR_MORE_DATA) return 0;  // it grew in between: ask again
    }
    return 0;
}

int GetModulePath(WideText& modulePath) {
    // A path that fills the whole room was cut by the system: try a larger one.
    for (DWORD room = MAX_PATH;; room *= 2) {
        modulePath.Truncate(0);
        wchar_t* text = modulePath.Room(room);
        if (!text || room > 65536) return 0;
        DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), text, room);
        if (length == 0) return 0;
        if (length < room) {
            modulePath.Keep(length);
            return 1;
        }
    }
}

namespace {

// Fills text by a call that reports the room it needs when the room given is too small.
template <typename Call>
int Fill(WideText& text, Call call) {
    DWORD room = 0;
    for (DWORD needed = call(nullptr, 0); needed > room;) {
        room = needed;
        text.Truncate(0);
        wchar_t* buffer = text.Room(room);
        if (!buffer) return 0;
        needed = call(buffer, room);
        if (needed == 0) return 0;
        if (needed < room) {
            text.Keep(needed);
            return 1;
        }
    }
    return 0;
}

}  // namespace

int FinalPathOf(HANDLE file, WideText& path) {
    WideText final;
    if (!Fill(final, [&](wchar_t* buffer, DWORD room) {
            return GetFinalPathNameByHandleW(file, buffer, room,
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
        }))
        return 0;
    PathForm plain = PlainForm(final);
    path.Truncate(0);
    return path.Append(plain.head) && path.Append(plain.rest);
}

bool OpenedAsNamed(HANDLE file, const wchar_t* path) {
    WideText opened, full, named;
    if (!FinalPathOf(file, opened) || !FullPath(path, full)) return false;
    PathForm form = PlainForm(full);
    return named.Append(form.head) && named.Append(form.rest) &&
           CompareStringOrdinal(opened, -1, named, -1, TRUE) == CSTR_EQUAL;
}

int FullPath(const wchar_t* path, WideText& full) {
    return Fill(full, [&](wchar_t* buffer, DWORD room) {
        return GetFullPathNameW(path, room, buffer, nullptr);
    });
}

HANDLE OpenToLookAt(const wchar_t* path) {
    return CreateFileW(path, FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

int ResolvedPath(const wchar_t* path, WideText& resolved) {
    ScopedFile file(OpenToLookAt(path));
    return file.valid() && FinalPathOf(file.get(), resolved);
}

int CanonicalPath(const wchar_t* path, WideText& canonical) {
    WideText full, longPath;
    if (!FullPath(path, full)) return 0;
    // Wine cannot expand every path it opens (those through its drive Z: into the prefix):
    // the folder is resolved below all the same, only a short last name would stay.
    if (!Fill(longPath, [&](wchar_t* buffer, DWORD room) {
            return GetLongPathNameW(full, buffer, room);
        })) {
        DWORD error = GetLastError();
        if (GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES || !longPath.Assign(full)) {
            SetLastError(error);
            return 0;
        }
    }
    longPath.Truncate(TrimmedLength(longPath));
    // The folder, with its separator, is resolved; the last name is kept as it stands.
    const wchar_t* name = LastComponent(longPath);
    if (name == longPath.Text() || !*name) return ResolvedPath(full, canonical);  // a root
    WideText folder;
    if (!folder.Append(longPath)) return 0;
    folder.Truncate(static_cast<size_t>(name - longPath.Text()));
    return ResolvedPath(folder, canonical) && JoinPath(canonical, name);
}
