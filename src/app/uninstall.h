// The application object: one per process, it runs the whole uninstall from InitInstance.
#pragma once
#include "cmdline/cmdline.h"

// The uninstaller's own files: the program and its list in the installation directory, and
// the working copy in the temp directory, named after the program. Wide where L"" precedes.
#define UNINSTALLER_FILE "uninstall.exe"
#define CONFIG_FILE "conf.xml"
#define WORKING_COPY_FILE "VORNA" UNINSTALLER_FILE

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
