// The run's log, asked for with /LOG: one UTF-8 line per event,
// "YYYY-MM-DD hh:mm:ss.mmm<TAB>LEVEL<TAB>text". Without /LOG nothing is written anywhere.
#pragma once
#include <windows.h>

#include "base/text.h"
#include "cmdline/cmdline.h"
#include "report/outcome.h"

enum class LogLevel { Info, Warn, Error };

// Opens the log at path for appending (its missing folders made), or with createNew only as a
// file that did not exist (a name of our own choosing in the temp directory, where a planted
// link must not be written through).
DWORD OpenLog(const wchar_t* path, bool createNew);
// Opens a new log in folder, named after the date and time.
DWORD OpenNewLog(const wchar_t* folder);
bool Logging();
const wchar_t* LogPath();  // the log's full path, "" when there is none

// bytes, text in codePage, appended in UTF-16. Bytes that are no UTF-8 fail a UTF-8 text: a
// name changed on the way would match nothing.
bool AppendFromCodePage(WideText& text, const char* bytes, unsigned codePage);
// text, stored in code page 936 (ASCII among it), appended in UTF-16.
inline bool AppendGbk(WideText& text, const char* gbk) {
    return AppendFromCodePage(text, gbk, 936);
}

// One line of the log, written when it goes. Narrow text is ASCII or the user's texts,
// stored in code page 936; names and paths are wide.
class LogLine {
public:
    explicit LogLine(LogLevel level = LogLevel::Info);
    ~LogLine();
    LogLine(const LogLine&) = delete;
    LogLine& operator=(const LogLine&) = delete;
    LogLine& operator<<(const char* gbk);
    LogLine& operator<<(const wchar_t* text);
    LogLine& operator<<(unsigned long long number);

private:
    LogLevel level_;
    bool active_;
    WideText text_;
};

// The four lists, a log line each.
void LogLists(const OptionFields& lists);

// "error N: the system's text for it", for a line of the log.
const wchar_t* SystemMessage(unsigned long code);

// The WARN and ERROR lines this run has written to its log so far, both phases'.
void CountRunProblems(unsigned long& warnings, unsigned long& errors);

// The log's last line, which has no time or level: "RESULT<TAB>exit=N removed=K failed=F",
// with the items (groups, shortcuts, the installation directory, keys) the run removed and
// failed to remove.
void LogResult(unsigned long exitCode, const Outcome& outcome);
