// Where things are on this machine: existence tests, the current user's shell folders and
// the running executable's path. Every call asks the system afresh.
#pragma once
#include "app/text.h"

// True when the attributes of filePath can be read; *isDirectory (when given) then tells
// whether it is a directory.
bool PathExists(const char* filePath, bool* isDirectory);
// One of "Local AppData", "Programs", "Desktop" from the user's Shell Folders key, taken
// as stored (not expanded). 1 on success; on failure folderPath is left as it was.
int GetShellFolderPath(const char* valueName, TextBuffer& folderPath);
// The full path of the running executable. 1 on success.
int GetModulePath(TextBuffer& modulePath);
