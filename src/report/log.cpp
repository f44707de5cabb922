#include "report/log.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <windows.h>

#include "base/handles.h"
#include "base/names.h"
#include "sysloc/sysloc.h"

namespace {

HANDLE g_log = INVALID_HANDLE_VALUE;  // open until the process ends
WideText g_path;

const wchar_t* const kLevels[] = {L"INFO", L"WARN", L"ERROR"};

}  // namespace

namespace {

// Makes the folders of path that are missing, from the first that exists down.
void MakeFoldersOf(const wchar_t* path) {
    WideText folder;
    if (!folder.Assign(path)) return;
    folder.Truncate(LastComponent(folder) - folder.Text());
    const size_t whole = folder.Length();
    for (size_t at = 3; at < whole; ++at) {  // past "X:\" (a share's root fails harmlessly)
        if (!IsPathSeparator(folder.Text()[at])) continue;
        WideText part;
        if (!part.Append(folder)) return;
        part.Truncate(at);
        CreateDirectoryW(part, nullptr);
    }
}

}  // namespace

DWORD OpenLog(const wchar_t* path, bool createNew) {
    DWORD code = FullPath(path, g_path);
    if (code != ERROR_SUCCESS) return code;
    if (!createNew && GetFileAttributesW(g_path) == INVALID_FILE_ATTRIBUTES &&
        GetLastError() == ERROR_PATH_NOT_FOUND)
        MakeFoldersOf(g_path);
    // Shared for deleting too: the log must never keep what the run removes.
    g_log = CreateFileW(g_path, FILE_APPEND_DATA, kShareAll, nullptr,
                        createNew ? CREATE_NEW : OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (g_log != INVALID_HANDLE_VALUE) return ERROR_SUCCESS;
    code = GetLastError();
    g_path.Truncate(0);
    return code;
}

DWORD OpenNewLog(const wchar_t* folder) {
    SYSTEMTIME now;
    GetLocalTime(&now);
    wchar_t stamp[32];
    swprintf(stamp, 32, L"uninstall-%04u%02u%02u-%02u%02u%02u", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond);
    for (int attempt = 1; attempt <= 100; ++attempt) {
        wchar_t name[48];
        if (attempt == 1)
            swprintf(name, 48, L"%ls.log", stamp);
        else
            swprintf(name, 48, L"%ls-%d.log", stamp, attempt);
        WideText path;
        if (!path.Append(folder) || !JoinPath(path, name)) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD code = OpenLog(path, true);
        if (code != ERROR_FILE_EXISTS) return code;
    }
    return ERROR_FILE_EXISTS;
}

bool AppendFromCodePage(WideText& text, const char* bytes, unsigned codePage) {
    DWORD flags = codePage == CP_UTF8 ? MB_ERR_INVALID_CHARS : 0;
    int n = MultiByteToWideChar(codePage, flags, bytes, -1, nullptr, 0);
    wchar_t* room = n > 0 ? text.Room(n) : nullptr;
    if (!room || MultiByteToWideChar(codePage, flags, bytes, -1, room, n) != n) return false;
    text.Keep(n - 1);
    return true;
}

bool Logging() { return g_log != INVALID_HANDLE_VALUE; }

const wchar_t* LogPath() { return g_path; }

LogLine::LogLine(LogLevel level) : level_(level), active_(Logging()) {}

namespace {

// Writes text, a whole line, in UTF-8.
void WriteLine(const wchar_t* text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    ScopedBlock utf8(n > 0 ? HeapAlloc(GetProcessHeap(), 0, n) : nullptr);
    if (!utf8.valid()) return;
    WideCharToMultiByte(CP_UTF8, 0, text, -1, static_cast<char*>(utf8.get()), n, nullptr, nullptr);
    DWORD written = 0;
    WriteFile(g_log, utf8.get(), n - 1, &written, nullptr);
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
    WideText line;
    if (line.Append(head) && line.Append(text_) && line.Append(L"\r\n")) WriteLine(line);
}

LogLine& LogLine::operator<<(const char* gbk) {
    if (active_ && gbk) AppendGbk(text_, gbk);
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

void LogLists(const OptionFields& lists) {
    LogLine() << "executable: " << (lists.m_executable ? lists.m_executable : L"");
    LogLine() << "regFolderName: " << (lists.m_regFolderName ? lists.m_regFolderName : L"");
    LogLine() << "scFolderName: " << (lists.m_scFolderName ? lists.m_scFolderName : L"");
    LogLine() << "scDesktopName: " << (lists.m_scDesktopName ? lists.m_scDesktopName : L"");
}

const wchar_t* SystemMessage(unsigned long code) {
    static wchar_t message[1024];
    int n = swprintf(message, 1024, L"error %lu: ", code);
    DWORD length = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                                  nullptr, code, 0, message + n, 1024 - n, nullptr);
    while (length > 0 && (message[n + length - 1] == L'\r' || message[n + length - 1] == L'\n' ||
                          message[n + length - 1] == L' '))
        --length;
    message[n + length] = L'\0';
    return message;
}

void LogResult(unsigned long exitCode, const Outcome& outcome) {
    if (!Logging()) return;
    wchar_t line[96];
    swprintf(line, 96, L"RESULT\texit=%lu removed=%lu failed=%lu\r\n", exitCode, outcome.removed,
             outcome.failed);
    WriteLine(line);
}

void CountRunProblems(unsigned long& warnings, unsigned long& errors) {
    warnings = errors = 0;
    ScopedFile file(CreateFileW(g_path, GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER size;
    if (!file.valid() || !GetFileSizeEx(file.get(), &size) || size.QuadPart > 64 * 1024 * 1024)
        return;
    ScopedBlock block(HeapAlloc(GetProcessHeap(), 0, static_cast<size_t>(size.QuadPart) + 1));
    char* text = static_cast<char*>(block.get());
    DWORD read = 0;
    if (!text || !ReadFile(file.get(), text, static_cast<DWORD>(size.QuadPart), &read, nullptr))
        return;
    text[read] = '\0';
    // The run begins at its phase one, or, where phase two was started by hand, at its phase
    // two; an earlier run's lines in the same log do not count.
    auto last = [&](const char* marker, const char* before) {
        const char* found = nullptr;
        for (const char* at = strstr(text, marker); at && at < before; at = strstr(at + 1, marker))
            found = at;
        return found;
    };
    const char* end = text + read;
    const char* two = last("\tphase two: ", end);
    const char* one = last("\tphase one: ", two ? two : end);
    const char* twoBefore = two ? last("\tphase two: ", two) : nullptr;
    const char* begin = one && (!twoBefore || one > twoBefore) ? one : two ? two : text;
    for (const char* at = strstr(begin, "\tWARN\t"); at; at = strstr(at + 1, "\tWARN\t"))
        ++warnings;
    for (const char* at = strstr(begin, "\tERROR\t"); at; at = strstr(at + 1, "\tERROR\t"))
        ++errors;
}
