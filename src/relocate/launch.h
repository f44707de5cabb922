// Phase one: the working copy in the temp directory, started with everything phase two needs
// on its command line.
#pragma once
#include <windows.h>

#include "cmdline/cmdline.h"
#include "report/outcome.h"

// Copies the running executable (ownPath) into tempDirectory, reads the lists from conf.xml
// beside it and starts the copy. ERROR_SUCCESS when the copy runs: phase two ends the run,
// and a quiet run's exit code, once phase two is over, is in outcome. Else the failure to
// report is in outcome.
DWORD LaunchWorkingCopy(const wchar_t* ownPath, const wchar_t* tempDirectory,
                        const Switches& switches, Outcome& outcome);
