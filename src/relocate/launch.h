// Phase one: the working copy in the temp directory, started with everything phase two needs
// on its command line.
#pragma once
#include "base/text.h"
#include "cmdline/cmdline.h"
#include "report/outcome.h"

// Copies the running executable (ownPath) into tempDirectory, reads the lists from conf.xml
// beside it and starts the copy. 1 when the copy runs: phase two ends the run, and a quiet
// run's exit code, once phase two is over, is in outcome. 0 with the failure to report.
int LaunchWorkingCopy(const wchar_t* tempDirectory, const wchar_t* ownPath,
                      const Switches& switches,
                      Outcome& outcome, Failure& failure);

// The name of the lock one uninstall of the application in installDir holds, from the
// directory's canonical path (CanonicalPath), or its full path where it is gone; empty when
// neither can be had.
void ApplicationLockName(const wchar_t* installDir, WideText& name);

// The four lists, a log line each.
void LogLists(const OptionFields& lists);
