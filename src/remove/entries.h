// Removal of the application's entries from the list of installed programs.
#pragma once
#include "report/outcome.h"

// The listed keys below the Uninstall key, of the machine or else of the user. On 64-bit
// Windows a name the machine lacks in this program's view is looked for in the 64-bit view,
// and removed there only when it belongs to the installation in installDir. What stays is
// logged and counted as failed in the outcome.
void RemoveUninstallEntries(const wchar_t* keyList, const wchar_t* installDir, bool dryRun,
                            Outcome& outcome);
