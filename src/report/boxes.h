// The message boxes: the only thing the user sees. A quiet run or a dry run shows none of
// them (the dry run's own last box aside): what they would have said goes to the log. The
// texts are stored in code page 936 and shown in UTF-16, whatever the system's code page.
#pragma once

// The caption of every box: the file name of the executable at ownPath without its extension.
void InitAppTitle(const wchar_t* ownPath);
const wchar_t* AppTitle();
// Whether a box this process shows can be seen and answered: not in session 0, where
// services run and no user sees a desktop, and not on a window station nobody sees.
bool BoxesCanShow();
// quiet: no box at all. dryRun: no box but the dry run's last one.
void SetBoxMode(bool quiet, bool dryRun);

// A notice with OK only and the exclamation icon.
void ShowMessage(const char* gbk);
// The confirm box, with OK and Cancel: 1 for OK. A quiet run or a dry run counts as
// confirmed.
int ConfirmUninstall();
// A failure's box: prefix (one of the failure texts) followed by detail (an error code, or
// the name of a program to close), logged as an error.
void ShowFailure(const char* prefix, const wchar_t* detail);
// The dry run's one box: it removed nothing, and where its log lies.
void ShowDryRunDone(const wchar_t* logPath);
