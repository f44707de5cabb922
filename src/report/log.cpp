#include "report/log.h"

#include <stdio.h>
#include <stdlib.h>
#include <windows.h>

#include "base/handles.h"
#include "base/names.h"

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;  // open until the process ends
char g_path[TextBuffer::kSize];

const wchar_t* const kLevels[] = {L"INFO", L"WARN", L"ERROR"};

}  // namespace

int OpenLog(const char* path, bool createNew) {
    DWORD n = GetFullPathNameA(path, sizeof(g_path), g_path, nullptr);
    if (n == 0 || n >= sizeof(g_path)) return 0;
    g_log = CreateFileA(g_path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                        createNew ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_log == INVALID_HANDLE_VALUE) g_path[0] = '\0';
    return Logging();
}

int OpenNewLog(const char* folder) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char stamp[32];
    snprintf(stamp, sizeof(stamp), "uninstall-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        char name[48];
        if (attempt == 1)
            snprintf(name, sizeof(name), "%s.log", stamp);
        else
            snprintf(name, sizeof(name), "%s-%d.log", stamp, attempt);
        TextBuffer path;
        if (!path.Copy(folder) || !JoinPath(path, name)) return 0;
        if (OpenLog(path, true)) return 1;
        if (GetLastError() != ERROR_FILE_EXISTS) return 0;
    }
    return 0;
}

bool Logging() { return g_log != INVALID_HANDLE_VALUE; }

const char* LogPath() { return g_path; }

LogLine::LogLine(LogLevel level) : level_(level), active_(Logging()) {}

namespace {

// Writes text, a whole line, in UTF-8.
void WriteLine(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    char* utf8 = n > 0 ? static_cast<char*>(malloc(n)) : nullptr;
    if (!utf8) return;
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, n, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(g_log, utf8, n - 1, &written, nullptr);
    free(utf8);
}

}  // namespace

LogLine::~LogLine() {
    if (!active_) return;
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t head[64];
    swprintf(head, 64, L"%04u-%02u-%02u %02u:%02u:%02u.%03u\t%ls\t", now.wYear, now.wMonth,
             now.wDay, now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
             kLevels[static_cast<int>(level_)]);
    WidePath line;
    if (line.Append(head) && line.Append(text_) && line.Append(L"\r\n")) WriteLine(line);
}

LogLine& LogLine::operator<<(const char* ansi) {
    if (!active_ || !ansi) return *this;
    int n = MultiByteToWideChar(CP_ACP, 0, ansi, -1, nullptr, 0);
    wchar_t* room = n > 0 ? text_.Room(n) : nullptr;
    if (room && MultiByteToWideChar(CP_ACP, 0, ansi, -1, room, n) == n) text_.Keep(n - 1);
    return *this;
}

LogLine& LogLine::operator<<(const wchar_t* text) {
    if (active_ && text) text_.Append(text);
    return *this;
}

LogLine& LogLine::operator<<(unsigned long long number) {
    wchar_t digits[24];
    swprintf(digits, 24, L"%I64u", number);
    return *this << digits;
}

const char* SystemMessage(unsigned long code) {
    static char message[TextBuffer::kSize];
    int n = snprintf(message, sizeof(message), "error %lu: ", code);
    DWORD length = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, message + n, sizeof(message) - n, nullptr);
    while (length > 0 && (message[n + length - 1] == '\r' || message[n + length - 1] == '\n' ||
                          message[n + length - 1] == ' '))
        --length;
    message[n + length] = '\0';
    return message;
}

void LogResult(unsigned long exitCode, const Outcome& outcome) {
    if (!Logging()) return;
    wchar_t line[96];
    swprintf(line, 96, L"RESULT\texit=%lu removed=%lu failed=%lu\r\n", exitCode, outcome.removed,
             outcome.failed);
    WriteLine(line);
}
