#include "report/boxes.h"

#include <windows.h>

#include "base/names.h"
#include "base/text.h"
#include "report/log.h"
#include "report/messages.h"
#include "sysloc/sysloc.h"

namespace {

WideText g_title;
bool g_quiet = false, g_dryRun = false;

// A box that could not be shown (the desktop busy for a moment) is tried once more, and the
// log says so: a box nobody saw must not pass for an answer.
int Box(const WideText& text, UINT buttons) {
    for (int attempt = 0;; ++attempt) {
        int answer = MessageBoxW(nullptr, text, g_title, buttons | MB_ICONEXCLAMATION);
        if (answer != 0 || attempt == 1) return answer;
        DWORD error = GetLastError();
        LogLine(LogLevel::Warn) << "the box could not be shown (" << SystemMessage(error)
                                << "): tried once more";
        Sleep(200);
    }
}

void Show(const WideText& text) {
    if (!g_quiet && !g_dryRun) Box(text, MB_OK);
}

}  // namespace

void InitAppTitle(const wchar_t* ownPath) {
    const wchar_t* name = LastComponent(ownPath);
    g_title.Assign(name);
    if (const wchar_t* dot = wcsrchr(name, L'.')) g_title.Truncate(dot - name);
}

const wchar_t* AppTitle() { return g_title; }

bool BoxesCanShow() {
    DWORD session = 0;
    if (ProcessIdToSessionId(GetCurrentProcessId(), &session) && session == 0) return false;
    USEROBJECTFLAGS flags = {};
    HWINSTA station = GetProcessWindowStation();
    return !station ||
           !GetUserObjectInformationW(station, UOI_FLAGS, &flags, sizeof(flags), nullptr) ||
           (flags.dwFlags & WSF_VISIBLE);
}

void SetBoxMode(bool quiet, bool dryRun) {
    g_quiet = quiet;
    g_dryRun = dryRun;
}

void ShowMessage(const char* gbk) {
    LogLine() << gbk;
    WideText text;
    if (AppendGbk(text, gbk)) Show(text);
}

int ConfirmUninstall() {
    if (g_quiet || g_dryRun) {
        LogLine() << "confirmation: given by the " << (g_quiet ? "quiet" : "dry") << " run";
        return 1;
    }
    WideText text;
    bool confirmed = AppendGbk(text, MSG_CONFIRM) && Box(text, MB_OKCANCEL) == IDOK;
    LogLine() << "confirmation: " << (confirmed ? "OK" : "cancelled");
    return confirmed;
}

void ShowFailure(const char* prefix, const wchar_t* detail) {
    WideText message;
    AppendGbk(message, prefix);
    message.Append(detail);
    LogLine(LogLevel::Error) << message;
    Show(message);
}

void ShowDryRunDone(const wchar_t* logPath) {
    WideText message;
    AppendGbk(message, MSG_DRY_RUN);
    message.Append(L"\n");
    message.Append(logPath);
    LogLine() << message;
    if (!g_quiet) Box(message, MB_OK);
}
