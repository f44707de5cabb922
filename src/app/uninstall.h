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
    // An interactive run always ends with 1; a quiet one with what it came to (EXIT_...,
    // the code of its failure, or phase two's exit code where phase one waited for it).
    int ExitInstance();

    // Phase one (relocate and relaunch) or phase two (remove), by where this copy runs.
    int RunUninstall();

    // Phase one.
    int LaunchWorkingCopy(const char* tempDirectory, const char* ownPath);

    // Phase two, in this order.
    int CheckRunningPrograms();
    int RemoveShortcuts();
    int RemoveInstallDir();
    int RemoveUninstallEntries();

    Switches m_switches;
    bool m_handedOff = false;  // phase one started phase two, which ends the run
    bool m_restartNeeded = false;  // some of the installation directory goes at restart
    unsigned long m_copyExitCode = 0;  // phase two's, where a quiet phase one waited for it

    void LogLists() const;

private:
    void StartLog();
};
