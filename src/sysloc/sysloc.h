// Where things are on this machine: existence tests, the current user's shell folders and
// the running executable's path. Every call asks the system afresh; every path is UTF-16.
#pragma once
#include <windows.h>

#include "base/text.h"

// The uninstaller's own files: the program and its list in the installation directory, and
// the working copy in the temp directory, named after the program. Where that name is in
// use, the working copy lies in a new folder of its own there, named the prefix and a number.
#define UNINSTALLER_FILE L"uninstall.exe"
#define CONFIG_FILE L"conf.xml"
#define WORKING_COPY_FILE L"VORNA" UNINSTALLER_FILE
#define WORKING_COPY_FOLDER_PREFIX L"VORNAuninstall."
// The machine-wide locks, one namespace for every session (a deployment as SYSTEM in session
// 0 and the user's own run): the shared working copy's name, and one per application (the
// prefix and a hash of its installation directory).
#define WORKING_COPY_LOCK L"Global\\VORNAuninstall"
#define APPLICATION_LOCK_PREFIX L"Global\\VORNAuninstall-"

// True when the attributes of filePath can be read; *isDirectory (when given) then tells
// whether it is a directory.
bool PathExists(const wchar_t* filePath, bool* isDirectory);
// One of "Local AppData", "Programs", "Desktop" from the user's Shell Folders key, taken
// as stored (not expanded). 1 on success; on failure folderPath is left as it was.
int GetShellFolderPath(const wchar_t* valueName, WideText& folderPath);
// A string value (REG_SZ, or REG_EXPAND_SZ left unexpanded) of an open key, of any length.
// 1 on success; a value of another type, or none, fails.
int ReadRegistryString(HKEY key, const wchar_t* name, WideText& value);
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
// The full path of the running executable, of any length. 1 on success.
int GetModulePath(WideText& modulePath);

// The path the system itself holds for an existing file or directory: the full path with the
// long form of every component, links in every component followed, the last one included
// (a directory reached through a junction gives the junction's target). 1 on success.
int ResolvedPath(const wchar_t* path, WideText& resolved);
// The same for all components but the last, which keeps its own long name: the path of a
// link is the link's own, with its folder resolved. What the removal steps act on. 1 on
// success; 0 with the system's error code (ERROR_FILE_NOT_FOUND, ...) when it fails.
int CanonicalPath(const wchar_t* path, WideText& canonical);
// The path of an open file or directory as the system reports it (links followed), in the
// plain form. 1 on success.
int FinalPathOf(HANDLE file, WideText& path);
// An existing file or directory opened to be looked at only, links followed; the caller
// closes it. INVALID_HANDLE_VALUE on failure.
HANDLE OpenToLookAt(const wchar_t* path);
// The full path of path (GetFullPathName). 1 on success.
int FullPath(const wchar_t* path, WideText& full);
