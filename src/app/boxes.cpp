#include "app/boxes.h"

#include <string.h>
#include <windows.h>

#include "app/messages.h"
#include "base/names.h"
#include "base/text.h"
#include "sysloc/sysloc.h"

namespace {

char g_title[MAX_PATH];

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

void ShowMessage(const char* text) {
    MessageBoxA(nullptr, text, g_title, MB_OK | MB_ICONEXCLAMATION);
}

int ConfirmUninstall() {
    return MessageBoxA(nullptr, MSG_CONFIRM, g_title, MB_OKCANCEL | MB_ICONEXCLAMATION) == IDOK;
}

void ReportFailure(const char* prefix, const char* detail) {
    TextBuffer message;
    message.Copy(prefix);
    message.Append(detail);
    ShowMessage(message);
}
