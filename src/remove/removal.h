// Shared pieces of phase two's removal steps.
#pragma once
#include <windows.h>

// Removes dir and everything below it, depth first, resetting each file's attributes before
// deleting it. Links (reparse points) are removed as links and never entered. Returns 0 when
// the tree is gone (or dir could not be searched at all), else the Windows code of the
// first failure; with recurse false, subdirectories are kept and so is dir. The files of dir
// named in lastFiles (a null-terminated list) are deleted only after all the rest.
DWORD DeleteTree(const char* dir, bool recurse, const char* const* lastFiles = nullptr);

// Whether dir may be removed as an installation directory: an absolute path that is no
// drive or share root and neither is nor holds a folder of the system or of the user.
int IsRemovableInstallDir(const char* dir, const char* tempDirectory);
