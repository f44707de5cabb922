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

DWORD GetShellFolderPath(const wchar_t* valueName, WideText& folderPath) {
    ScopedKey key;
    LONG opened = RegOpenKeyExW(
        HKEY_CURRENT_USER, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
        0, KEY_READ | KEY_WRITE, key.receive());
    if (opened != ERROR_SUCCESS) return opened;

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
    if (status != ERROR_SUCCESS) return status;
    return folderPath.Assign(value) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

DWORD ReadRegistryString(HKEY key, const wchar_t* name, WideText& value) {
    const DWORD kTypes = RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND;
    LONG status = ERROR_MORE_DATA;
    for (int attempt = 0; attempt < 4 && status == ERROR_MORE_DATA; ++attempt) {
        DWORD bytes = 0;
        status = RegGetValueW(key, nullptr, name, kTypes, nullptr, nullptr, &bytes);
        if (status != ERROR_SUCCESS) return status;
        value.Truncate(0);
        wchar_t* room = value.Room(bytes / sizeof(wchar_t) + 1);
        if (!room) return ERROR_NOT_ENOUGH_MEMORY;
        // ERROR_MORE_DATA: it grew in between, and is asked again.
        status = RegGetValueW(key, nullptr, name, kTypes, nullptr, room, &bytes);
        if (status == ERROR_SUCCESS) value.Keep(wcslen(room));
    }
    return status;
}

DWORD ExpandedText(const wchar_t* text, WideText& expanded) {
    expanded.Truncate(0);
    DWORD n = ExpandEnvironmentStringsW(text, nullptr, 0);
    if (n == 0) return GetLastError();
    wchar_t* room = expanded.Room(n);
    if (!room) return ERROR_NOT_ENOUGH_MEMORY;
    DWORD written = ExpandEnvironmentStringsW(text, room, n);
    if (written == 0) return GetLastError();
    if (written > n) return ERROR_MORE_DATA;  // the environment grew in between
    expanded.Keep(wcslen(room));
    return ERROR_SUCCESS;
}

DWORD GetModulePath(WideText& modulePath) {
    // A path that fills the whole room was cut by the system: try a larger one.
    for (DWORD room = MAX_PATH;; room *= 2) {
        modulePath.Truncate(0);
        wchar_t* text = modulePath.Room(room);
        if (!text || room > 65536) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD length = GetModuleFileNameW(GetModuleHandleW(nullptr), text, room);
        if (length == 0) return GetLastError();
        if (length < room) {
            modulePath.Keep(length);
            return ERROR_SUCCESS;
        }
    }
}

namespace {

// Fills text by a call that reports the room it needs when the room given is too small.
template <typename Call>
DWORD Fill(WideText& text, Call call) {
    DWORD room = 0;
    for (DWORD needed = call(nullptr, 0); needed > room;) {
        room = needed;
        text.Truncate(0);
        wchar_t* buffer = text.Room(room);
        if (!buffer) return ERROR_NOT_ENOUGH_MEMORY;
        needed = call(buffer, room);
        if (needed == 0) break;
        if (needed < room) {
            text.Keep(needed);
            return ERROR_SUCCESS;
        }
    }
    DWORD code = GetLastError();
    return code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

}  // namespace

DWORD FinalPathOf(HANDLE file, WideText& path) {
    WideText final;
    DWORD code = Fill(final, [&](wchar_t* buffer, DWORD room) {
        return GetFinalPathNameByHandleW(file, buffer, room,
                                         FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    });
    if (code != ERROR_SUCCESS) return code;
    PathForm plain = PlainForm(final);
    path.Truncate(0);
    return path.Append(plain.head) && path.Append(plain.rest) ? ERROR_SUCCESS
                                                              : ERROR_NOT_ENOUGH_MEMORY;
}

bool OpenedAsNamed(HANDLE file, const wchar_t* path) {
    WideText opened, full, named;
    if (FinalPathOf(file, opened) != ERROR_SUCCESS || FullPath(path, full) != ERROR_SUCCESS)
        return false;
    PathForm form = PlainForm(full);
    return named.Append(form.head) && named.Append(form.rest) &&
           CompareStringOrdinal(opened, -1, named, -1, TRUE) == CSTR_EQUAL;
}

DWORD FullPath(const wchar_t* path, WideText& full) {
    return Fill(full, [&](wchar_t* buffer, DWORD room) {
        return GetFullPathNameW(path, room, buffer, nullptr);
    });
}

HANDLE OpenToLookAt(const wchar_t* path) {
    return CreateFileW(path, FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                       FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

DWORD ResolvedPath(const wchar_t* path, WideText& resolved) {
    ScopedFile file(OpenToLookAt(path));
    return file.valid() ? FinalPathOf(file.get(), resolved) : GetLastError();
}

DWORD CanonicalPath(const wchar_t* path, WideText& canonical) {
    WideText full, longPath;
    DWORD code = FullPath(path, full);
    if (code != ERROR_SUCCESS) return code;
    // Wine cannot expand every path it opens (those through its drive Z: into the prefix):
    // the folder is resolved below all the same, only a short last name would stay.
    code = Fill(longPath, [&](wchar_t* buffer, DWORD room) {
        return GetLongPathNameW(full, buffer, room);
    });
    if (code != ERROR_SUCCESS &&
        (GetFileAttributesW(full) == INVALID_FILE_ATTRIBUTES || !longPath.Assign(full)))
        return code;
    longPath.Truncate(TrimmedLength(longPath));
    // The folder, with its separator, is resolved; the last name is kept as it stands.
    const wchar_t* name = LastComponent(longPath);
    if (name == longPath.Text() || !*name) return ResolvedPath(full, canonical);  // a root
    WideText folder;
    if (!folder.Append(longPath)) return ERROR_NOT_ENOUGH_MEMORY;
    folder.Truncate(static_cast<size_t>(name - longPath.Text()));
    code = ResolvedPath(folder, canonical);
    if (code != ERROR_SUCCESS) return code;
    return JoinPath(canonical, name) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}
