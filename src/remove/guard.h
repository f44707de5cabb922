// Which installation directory phase two may remove, checked once and opened: that opened
// directory is what the removal acts on, whatever happens to its name meanwhile.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"

class WellKnownFolders;

// The installation directory as checked: its canonical path (the one the system acts on),
// and the directory itself, opened.
struct CheckedDir {
    WideText path;
    ScopedFile opened;
};

// Checks dir as the installation directory. ERROR_SUCCESS: it may go, and checked holds it.
// ERROR_FILE_NOT_FOUND: nothing (or a file) is there to remove. ERROR_ACCESS_DENIED: it is
// refused, for it is spelled so that the system would fold it into another path, cannot be
// resolved, or it (or what its link leads to) is, or holds, one of folders, by name or by
// what it is.
DWORD CheckInstallDir(const wchar_t* dir, const WellKnownFolders& folders, CheckedDir& checked);

// The folder that holds path, when the removal of path left it empty: the vendor's folder
// the last of its applications leaves. Never a refused folder, nor notThis (the Start menu's
// Programs folder); one level up only.
void RemoveEmptyParent(const wchar_t* path, const WellKnownFolders& folders,
                       const wchar_t* notThis);
