// What a run comes to, and the failures it can end with.
#pragma once
#include <stddef.h>

#include "base/text.h"
#include "report/messages.h"

// Exit codes of a quiet run beyond the failure codes: the run removed everything listed, or
// a restart finishes the job.
#define EXIT_SUCCEEDED 0
#define EXIT_RESTART_NEEDED 3010  // what installers report when a restart finishes the job

// The failures a run can end with.
enum class Failure {
    None,
    NoTempDir,          // 2001, one blank
    EmptyInstallDir,    // 2001: -p came with an empty argument
    CopyFailed,         // 2003: the working copy could not be written
    NoModulePath,       // 2005
    NoInstallDir,       // 2006
    StartFailed,        // 2008: the copy's command line could not be built, the copy was not
                        // ours any more, or it could not be started
    NoConfig,           // 2010: conf.xml missing or unreadable, or a list in it that cannot be
                        // passed on whole (too long, or holding a double quote)
    RemovalIncomplete,  // 2011
    DirRefused,         // 2012
    ProgramRunning,     // a listed program runs: nothing was removed
    AlreadyRunning,     // 2014: an uninstall of this application runs: this one started nothing
    Count
};

// A failure's box is its prefix followed by its code (or, for a running program, the
// program's name); a quiet run ends with its exit code.
struct FailureMessage {
    Failure failure;
    const char* prefix;
    const wchar_t* code;
    unsigned long exitCode;
};

constexpr FailureMessage kFailureMessages[] = {
    {Failure::None, "", L"", 0},
    {Failure::NoTempDir, MSG_FAILED_ONE_BLANK, L"2001", 2001},
    {Failure::EmptyInstallDir, MSG_FAILED_TWO_BLANKS, L"2001", 2001},
    {Failure::CopyFailed, MSG_FAILED_TWO_BLANKS, L"2003", 2003},
    {Failure::NoModulePath, MSG_FAILED_ONE_BLANK, L"2005", 2005},
    {Failure::NoInstallDir, MSG_FAILED_TWO_BLANKS, L"2006", 2006},
    {Failure::StartFailed, MSG_FAILED_TWO_BLANKS, L"2008", 2008},
    {Failure::NoConfig, MSG_FAILED_TWO_BLANKS, L"2010", 2010},
    {Failure::RemovalIncomplete, MSG_FAILED_TWO_BLANKS, L"2011", 2011},
    {Failure::DirRefused, MSG_FAILED_TWO_BLANKS, L"2012", 2012},
    {Failure::ProgramRunning, MSG_CLOSE_PROGRAM, L"", 2013},
    {Failure::AlreadyRunning, MSG_FAILED_TWO_BLANKS, L"2014", 2014},
};

// The table holds every failure, each in its own place.
constexpr bool FailureTableInOrder() {
    for (int i = 0; i < static_cast<int>(Failure::Count); ++i)
        if (kFailureMessages[i].failure != static_cast<Failure>(i)) return false;
    return sizeof(kFailureMessages) / sizeof(kFailureMessages[0]) ==
           static_cast<size_t>(Failure::Count);
}
static_assert(FailureTableInOrder(), "kFailureMessages must list every Failure in its order");

inline const FailureMessage& MessageOf(Failure failure) {
    return kFailureMessages[static_cast<int>(failure)];
}

// What a run came to: its exit code, the items (groups, shortcuts, the installation directory,
// keys) it removed and failed to remove, whether the next restart finishes the job, and the
// failure that ends it, with what stands in its box in place of its code (a program's name).
struct Outcome {
    unsigned long exitCode = EXIT_SUCCEEDED;
    unsigned long removed = 0;
    unsigned long failed = 0;
    bool restartNeeded = false;
    Failure failure = Failure::None;
    WideText detail;
    // Records the failure that ends the step; the application reports it.
    void Fail(Failure what, const wchar_t* why = nullptr) {
        failure = what;
        detail.Truncate(0);
        if (why) detail.Append(why);
    }
};
