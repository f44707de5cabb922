// The working copy in the temp directory: written as a file of its own, and started only as
// what was written.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"

// Writes the copy of the running executable (ownPath) under its shared name in
// tempDirectory when that is ours to take (sharedNameOurs); where another uninstall runs from
// it or is writing it, in a new folder of our own there. workingCopy receives its path.
DWORD WriteWorkingCopy(const wchar_t* tempDirectory, const wchar_t* ownPath, bool sharedNameOurs,
                       WideText& workingCopy);
// Starts the working copy while holding it open against writes, renames and deletes, after
// checking that what lies there is still a byte-for-byte copy of ourselves.
DWORD StartWorkingCopy(const wchar_t* ownPath, const wchar_t* workingCopy,
                       const WideText& commandLine, const wchar_t* currentDirectory,
                       StartedProcess& copy);
