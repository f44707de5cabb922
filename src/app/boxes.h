// The message boxes: the only thing the user sees. Every failure goes through one gate. A
// quiet run or a dry run shows none of them (the dry run's own last box aside): what they
// would have said goes to the log, and a failure's code becomes a quiet run's exit code.
#pragma once

// The caption of every box: the executable's file name without its extension.
void InitAppTitle();
const char* AppTitle();
// quiet: no box at all. dryRun: no box but the dry run's last one.
void SetBoxMode(bool quiet, bool dryRun);

// A notice with OK only and the exclamation icon.
void ShowMessage(const char* text);
// The confirm box, with OK and Cancel: 1 for OK. A quiet run or a dry run counts as
// confirmed.
int ConfirmUninstall();
// The failure gate: prefix (one of the failure texts) followed by detail (an error code,
// or the name of a program to close); exitCode is what a quiet run ends with.
void ReportFailure(const char* prefix, const char* detail, unsigned long exitCode);
// The same for a failure that a code names: its number is the exit code.
void ReportFailure(const char* prefix, const char* code);
// The last box of a run that removed all it could and left the rest to the next restart;
// a quiet run ends with EXIT_RESTART_NEEDED.
void ShowRestartNeeded();
// EXIT_SUCCEEDED, the exit code of the last failure reported, or EXIT_RESTART_NEEDED.
unsigned long FailureExitCode();
// The dry run's one box: it removed nothing, and where its log lies.
void ShowDryRunDone(const char* logPath);
