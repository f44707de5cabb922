// The application object: one per process, it runs the whole uninstall from InitInstance.
#pragma once
#include "app/text.h"
#include "cmdline/cmdline.h"

class uninstall : public OptionFields {
public:
    int InitInstance();
    int ExitInstance() { return 1; }

    // Phase one (relocate and relaunch) or phase two (remove), by where this copy runs.
    int RunUninstall();

    // Phase one.
    int LaunchWorkingCopy(const char* tempDirectory, const char* ownPath);

    // Phase two, in this order.
    int CheckRunningPrograms();
    int RemoveShortcuts();
    int RemoveInstallDir();
    int RemoveUninstallEntries();
};

// The caption of every box: the executable's file name without its extension.
void InitAppTitle();

// Boxes: OK only with the exclamation icon; the confirm box offers OK and Cancel and
// returns 1 for OK.
void ShowMessage(const char* text);
int ConfirmUninstall();
void ReportFailure(const char* prefix, const char* code);
