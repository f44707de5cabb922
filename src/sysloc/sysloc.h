// Where things are on this machine: existence tests, the current user's shell folders, the
// running executable's path and the paths the system holds. Every call asks the system
// afresh; every path is UTF-16; each returns ERROR_SUCCESS or the system's code.
#pragma once
#include <windows.h>

#include "base/text.h"

// True when the attributes of filePath can be read; *isDirectory (when given) then tells
// whether it is a directory.
bool PathExists(const wchar_t* filePath, bool* isDirectory);
// Whether code says that what was asked for is not there (a vanished name, a missing folder
// on the way, or a name deleted but still held by someone sharing its deletion).
#ifndef ERROR_DELETE_PENDING
#define ERROR_DELETE_PENDING 303L  // the name of a file deleted but still held open
#endif
inline bool IsGone(DWORD code) {
    return code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND ||
           code == ERROR_DELETE_PENDING;
}

// One of "Local AppData", "Programs", "Desktop" from the user's Shell Folders key, taken
// as stored (not expanded). On failure folderPath is left as it was.
DWORD GetShellFolderPath(const wchar_t* valueName, WideText& folderPath);
// A string value (REG_SZ, or REG_EXPAND_SZ left unexpanded) of an open key, of any length;
// a value of another type, or none, fails.
DWORD ReadRegistryString(HKEY key, const wchar_t* name, WideText& value);
// text with its %references% expanded, of any length.
DWORD ExpandedText(const wchar_t* text, WideText& expanded);
// Calls visit(key, name) for each subkey of root\subkey (root itself without subkey), read
// in the view given (0 or KEY_WOW64_64KEY), key being that key opened for reading.
template <typename Visit>
void ForEachSubkey(HKEY root, const wchar_t* subkey, REGSAM view, Visit visit) {
    HKEY key = root;
    if (subkey && RegOpenKeyExW(root, subkey, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD size = 256;
        LONG status = RegEnumKeyExW(key, i, name, &size, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) break;
        if (status == ERROR_SUCCESS) visit(key, name);
    }
    if (subkey) RegCloseKey(key);
}
// Whether the opened file or directory is the one path names, not one a link led to: path
// is canonical, so the system reports it as it stands (folded by the same rules as the path
// it opened).
bool OpenedAsNamed(HANDLE file, const wchar_t* path);
// The full path of the running executable, of any length.
DWORD GetModulePath(WideText& modulePath);

// The path the system itself holds for an existing file or directory: the full path with the
// long form of every component, links in every component followed, the last one included
// (a directory reached through a junction gives the junction's target).
DWORD ResolvedPath(const wchar_t* path, WideText& resolved);
// The same for all components but the last, which keeps its own long name: the path of a
// link is the link's own, with its folder resolved. What the removal steps act on.
DWORD CanonicalPath(const wchar_t* path, WideText& canonical);
// The path of an open file or directory as the system reports it (links followed), in the
// plain form.
DWORD FinalPathOf(HANDLE file, WideText& path);
// An existing file or directory opened to be looked at only, links followed; the caller
// closes it. INVALID_HANDLE_VALUE on failure.
HANDLE OpenToLookAt(const wchar_t* path);
// The full path of path (GetFullPathName).
DWORD FullPath(const wchar_t* path, WideText& full);
