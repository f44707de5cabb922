// Removal of the installation directory: the tree, with the uninstaller's own files last,
// the program a quiet run's phase one waits in moved aside, and what is others' kept.
#pragma once
#include <windows.h>

#include "cmdline/cmdline.h"
#include "report/outcome.h"

class OtherApplications;
class WellKnownFolders;
struct CheckedDir;

// The checked installation directory with everything in it but what is others' (their
// folders inside it, and the folders above those). asideFolder: where the program a quiet
// phase one waits in moves (the working copy's folder). ERROR_SUCCESS, or the code of what
// stays for good; what goes at the next restart sets outcome.restartNeeded.
DWORD RemoveInstallDir(CheckedDir& dir, const WellKnownFolders& folders,
                       OtherApplications& others, const Switches& switches,
                       const wchar_t* asideFolder, Outcome& outcome);
