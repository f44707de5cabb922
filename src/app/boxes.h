// The message boxes: the only thing the user sees. Every failure goes through one gate.
#pragma once

// The caption of every box: the executable's file name without its extension.
void InitAppTitle();

// A notice with OK only and the exclamation icon.
void ShowMessage(const char* text);
// The confirm box, with OK and Cancel: 1 for OK.
int ConfirmUninstall();
// The failure gate: prefix (one of the failure texts) followed by detail (an error code,
// or the name of a program to close).
void ReportFailure(const char* prefix, const char* detail);
