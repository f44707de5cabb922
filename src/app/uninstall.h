// The application object: one per process, it runs the whole uninstall from InitInstance and
// is the one place that turns what the run came to into its box, log line and exit code.
#pragma once
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
    void StartLog();
    // A dry run's last word, read at a glance: the lists, the warnings, what would stay.
    void LogVerdict() const;
    // The failure's box and log line; its exit code becomes the run's. detail, when given,
    // stands in the place of the failure's code.
    void Report(Failure failure, const wchar_t* detail = nullptr);

    Switches m_switches;
    Outcome m_outcome;
    bool m_handedOff = false;  // phase one started phase two, which ends the run
};
