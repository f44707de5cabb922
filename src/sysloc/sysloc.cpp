#include "sysloc/sysloc.h"

#include <string.h>
#include <windows.h>

#include "sysloc/handles.h"

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
