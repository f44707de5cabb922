// The running-program check: no listed program may run while phase two removes things.
#pragma once
#include <windows.h>

#include "report/outcome.h"

// ERROR_BUSY when a program of executableList runs (the outcome then holds ProgramRunning
// and its name as listed), else ERROR_SUCCESS. Nothing is removed before this check passes.
DWORD CheckRunningPrograms(const wchar_t* executableList, Outcome& outcome);
// Writes to the log every running process whose program file lies inside dir.
void LogProgramsInside(const wchar_t* dir);
