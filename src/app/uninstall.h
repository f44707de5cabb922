// The application object: one per process, it runs the whole uninstall from InitInstance and
// is the one place that turns what the run came to into its box, log line and exit code.
#pragma once
#include <windows.h>

#include "base/text.h"
#include "cmdline/cmdline.h"
#include "report/outcome.h"

class uninstall : public OptionFields {
public:
    int InitInstance();
    // An interactive run always ends with 1; a quiet one with what it came to (EXIT_...,
    // the code of its failure, or phase two's exit code where phase one waited for it).
    int ExitInstance();

    // Phase one (relocate and relaunch) or phase two (remove), by where this copy runs.
    int RunUninstall();

private:
    int RemoveApplication();
    void StartLog();
    // A dry run's last word, read at a glance: the lists, the warnings, what would stay.
    void LogVerdict() const;
    // The failure the outcome holds: its box and log line; its exit code becomes the run's.
    void Report();
    void Report(Failure failure) {
        outcome_.Fail(failure);
        Report();
    }

    // The facts of the run, worked out once at its start.
    CommandLine commandLine_;
    Switches switches_;
    WideText tempDirectory_, ownPath_;
    DWORD tempFound_ = ERROR_PATH_NOT_FOUND, ownFound_ = ERROR_FILE_NOT_FOUND;
    bool phaseTwo_ = false;  // this copy runs from the temp directory
    Outcome outcome_;
    bool handedOff_ = false;  // phase one started phase two, which ends the run
};
