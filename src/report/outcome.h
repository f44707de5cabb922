// What a run comes to, and the failures it can end with.
#pragma once
#include "report/messages.h"

// Exit codes of a quiet run beyond the failure codes: the run removed everything listed, or
// a restart finishes the job.
#define EXIT_SUCCEEDED 0
#define EXIT_RESTART_NEEDED 3010  // what installers report when a restart finishes the job

// The failures a run can end with.
enum class Failure {
    NoTempDir,          // 2001, one blank
    EmptyInstallDir,    // 2001: -p came with an empty argument
    CopyFailed,         // 2003: the working copy could not be written
    NoModulePath,       // 2005
    NoInstallDir,       // 2006
    StartFailed,        // 2008: the copy's command line could not be built, the copy was not
                        // ours any more, or it could not be started
    NoModulePathAgain,  // 2009
    NoConfig,           // 2010: conf.xml missing or unreadable, or a list in it that cannot be
                        // passed on whole (too long, or holding a double quote)
    RemovalIncomplete,  // 2011
    DirRefused,         // 2012
    ProgramRunning,     // a listed program runs: nothing was removed
    AlreadyRunning,     // 2014: an uninstall of this application runs: this one started nothing
};

// A failure's box is its prefix followed by its code (or, for a running program, the
// program's name); a quiet run ends with its exit code.
struct FailureMessage {
    const char* prefix;
    const wchar_t* code;
    unsigned long exitCode;
};

inline const FailureMessage& MessageOf(Failure failure) {
    static const FailureMessage kMessages[] = {
        {MSG_FAILED_ONE_BLANK, L"2001", 2001},  {MSG_FAILED_TWO_BLANKS, L"2001", 2001},
        {MSG_FAILED_TWO_BLANKS, L"2003", 2003}, {MSG_FAILED_ONE_BLANK, L"2005", 2005},
        {MSG_FAILED_TWO_BLANKS, L"2006", 2006}, {MSG_FAILED_TWO_BLANKS, L"2008", 2008},
        {MSG_FAILED_TWO_BLANKS, L"2009", 2009}, {MSG_FAILED_TWO_BLANKS, L"2010", 2010},
        {MSG_FAILED_TWO_BLANKS, L"2011", 2011}, {MSG_FAILED_TWO_BLANKS, L"2012", 2012},
        {MSG_CLOSE_PROGRAM, L"", 2013},         {MSG_FAILED_TWO_BLANKS, L"2014", 2014},
    };
    return kMessages[static_cast<int>(failure)];
}

// What a run came to: its exit code, the items (groups, shortcuts, the installation directory,
// keys) it removed and failed to remove, and whether the next restart finishes the job.
struct Outcome {
    unsigned long exitCode = EXIT_SUCCEEDED;
    unsigned long removed = 0;
    unsigned long failed = 0;
    bool restartNeeded = false;
};
