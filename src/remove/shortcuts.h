// Removal of the user's Start-menu program groups and desktop shortcuts.
#pragma once
#include "report/outcome.h"

class WellKnownFolders;

// The listed program groups (folders below the user's Start-menu Programs folder) and
// desktop shortcuts; what stays is logged and counted as failed in the outcome.
void RemoveShortcuts(const wchar_t* groupList, const wchar_t* shortcutList,
                     const WellKnownFolders& refused, bool dryRun, Outcome& outcome);
