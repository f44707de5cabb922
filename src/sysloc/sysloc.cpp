#include "sysloc/sysloc.h"

#include <string.h>
#include <windows.h>

#include "base/handles.h"
#include "base/names.h"

bool PathExists(const char* filePath, bool* isDirectory) {
    if (!filePath) return false;
    DWORD attributes = GetFileAttributesA(filePath);
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (isDirectory) *isDirectory = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        return true;
    }
    return GetLastError() == ERROR_SUCCESS;
}

int GetShellFolderPath(const char* valueName, TextBuffer& folderPath) {
    ScopedKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER,
                      "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", 0,
                      KEY_READ | KEY_WRITE, key.receive()) != ERROR_SUCCESS)
        return 0;

    char value[TextBuffer::kSize];
    DWORD type = REG_NONE;
    DWORD size = sizeof(value);
    LONG status = RegQueryValueExA(key.get(), valueName, nullptr, &type,
                                   reinterpret_cast<BYTE*>(value), &size);
    // A string value must end in its NUL inside the buffer; anything else is refused.
    if (size == 0) {
        value[0] = '\0';
    } else if (status == ERROR_SUCCESS) {
        bool terminated;
        if (size > sizeof(value))
            terminated = false;
        else if (type == REG_SZ || type == REG_EXPAND_SZ)
            terminated = value[size - 1] == '\0';
        else if (type == REG_MULTI_SZ)
            terminated = value[size - 1] == '\0' && (size < 2 || value[size - 2] == '\0');
        else
            terminated = false;
        if (!terminated) status = ERROR_INVALID_DATA;
    }
    if (status != ERROR_SUCCESS) return 0;
    return folderPath.Copy(value);
}

int GetModulePath(TextBuffer& modulePath) {
    char path[TextBuffer::kSize];
    memset(path, 0, sizeof(path));
    DWORD length = GetModuleFileNameA(GetModuleHandleA(nullptr), path, sizeof(path));
    // A path that fills the whole buffer was cut by the system: refuse it.
    if (length == 0 || length >= sizeof(path) || path[0] == '\0') return 0;
    return modulePath.Copy(path);
}

namespace {

int TooLong() {
    SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return 0;
}

// The path of an open file or directory as the system reports it, in the plain form.
int FinalPathOf(HANDLE file, TextBuffer& path) {
    char final[TextBuffer::kSize];
    DWORD n = GetFinalPathNameByHandleA(file, final, sizeof(final),
                                        FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return 0;
    if (n >= sizeof(final)) return TooLong();
    PathForm<char> plain = PlainForm(final);
    return path.Copy(plain.head) && path.Append(plain.rest);
}

}  // namespace

int ResolvedPath(const char* path, TextBuffer& resolved) {
    ScopedFile file(CreateFileA(path, FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    return file.valid() && FinalPathOf(file.get(), resolved);
}

int CanonicalPath(const char* path, TextBuffer& canonical) {
    TextBuffer full, longPath;
    DWORD n = GetFullPathNameA(path, TextBuffer::kSize, full.text, nullptr);
    if (n == 0) return 0;
    if (n >= TextBuffer::kSize) return TooLong();
    n = GetLongPathNameA(full, longPath.text, TextBuffer::kSize);
    if (n == 0) return 0;
    if (n >= TextBuffer::kSize) return TooLong();
    longPath.text[TrimmedLength(longPath)] = '\0';
    // The folder, with its separator, is resolved; the last name is kept as it stands.
    const char* name = LastComponent(longPath);
    if (name == longPath.text || !*name) return ResolvedPath(full, canonical);  // a root
    TextBuffer folder;
    if (!folder.Copy(longPath)) return TooLong();
    folder.text[name - longPath.text] = '\0';
    if (!ResolvedPath(folder, canonical)) return 0;
    return JoinPath(canonical, name) ? 1 : TooLong();
}
