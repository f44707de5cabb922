#include "report/boxes.h"

#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "base/names.h"
#include "base/text.h"
#include "report/log.h"
#include "report/messages.h"
#include "sysloc/sysloc.h"

namespace {

char g_title[MAX_PATH];
bool g_quiet = false, g_dryRun = false;

void Show(const char* text, UINT buttons) {
    if (!g_quiet && !g_dryRun) MessageBoxA(nullptr, text, g_title, buttons | MB_ICONEXCLAMATION);
}

}  // namespace

void InitAppTitle() {
    TextBuffer path;
    if (!GetModulePath(path)) return;
    const char* name = LastComponent(path);
    size_t length = strlen(name);
    if (const char* dot = strrchr(name, '.')) length = dot - name;
    if (length >= sizeof(g_title)) length = sizeof(g_title) - 1;
    memcpy(g_title, name, length);
    g_title[length] = '\0';
}

const char* AppTitle() { return g_title; }

void SetBoxMode(bool quiet, bool dryRun) {
    g_quiet = quiet;
    g_dryRun = dryRun;
}

void ShowMessage(const char* text) {
    LogLine() << text;
    Show(text, MB_OK);
}

int ConfirmUninstall() {
    if (g_quiet || g_dryRun) {
        LogLine() << "confirmation: given by the " << (g_quiet ? "quiet" : "dry") << " run";
        return 1;
    }
    bool confirmed =
        MessageBoxA(nullptr, MSG_CONFIRM, g_title, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
    LogLine() << "confirmation: " << (confirmed ? "OK" : "cancelled");
    return confirmed;
}

void ShowFailure(const char* prefix, const char* detail) {
    TextBuffer message;
    message.Copy(prefix);
    message.Append(detail);
    LogLine(LogLevel::Error) << message;
    Show(message, MB_OK);
}

void ShowDryRunDone(const char* logPath) {
    TextBuffer message;
    message.Copy(MSG_DRY_RUN);
    message.Append("\n");
    message.Append(logPath);
    LogLine() << message;
    if (!g_quiet) MessageBoxA(nullptr, message, g_title, MB_OK | MB_ICONEXCLAMATION);
}
