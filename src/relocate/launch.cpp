#include "relocate/launch.h"

#include <wchar.h>
#include <windows.h>

#include "base/handles.h"
#include "base/names.h"
#include "relocate/copy.h"
#include "relocate/lists.h"
#include "report/log.h"
#include "sysloc/locks.h"
#include "sysloc/ownfiles.h"

namespace {

// The longest command line the system starts a program with, its NUL included.
const size_t kMaxCommandLine = 32767;

// Appends ` -x "value"` when value is non-empty. A value holding a double quote cannot be
// passed whole, so it is refused like one that does not fit.
bool AppendOption(WideText& commandLine, const wchar_t* option, const wchar_t* value) {
    if (!value || !*value) return true;
    if (wcschr(value, L'"')) return false;
    return commandLine.Append(option) && commandLine.Append(L"\"") &&
           commandLine.Append(value) && commandLine.Append(L"\"") &&
           commandLine.Length() < kMaxCommandLine;
}

// The switches phase two must see too; the log it goes on writing, by its full path.
bool AppendSwitches(WideText& commandLine, const Switches& switches) {
    return (!switches.quiet || commandLine.Append(L" /S")) &&
           (!switches.dryRun || commandLine.Append(L" /DRYRUN")) &&
           (!Logging() || (commandLine.Append(L" \"/LOG=") && commandLine.Append(LogPath()) &&
                           commandLine.Append(L"\""))) &&
           commandLine.Length() < kMaxCommandLine;
}

// The copy's command line: its path, quoted, so that a temp path with a blank neither splits
// the line nor lets the system start another program in its place; the installation
// directory and the lists, each quoted; the switches. ERROR_INVALID_DATA when a list cannot
// be passed whole (too long, or holding a double quote).
DWORD BuildCommandLine(const wchar_t* workingCopy, const OptionFields& lists,
                       const Switches& switches, WideText& commandLine) {
    if (!commandLine.Append(L"\"") || !commandLine.Append(workingCopy) ||
        !commandLine.Append(L"\"") || !AppendOption(commandLine, L" -p ", lists.m_installDir))
        return ERROR_FILENAME_EXCED_RANGE;
    if (!AppendOption(commandLine, L" -e ", lists.m_executable) ||
        !AppendOption(commandLine, L" -R ", lists.m_regFolderName) ||
        !AppendOption(commandLine, L" -S ", lists.m_scFolderName) ||
        !AppendOption(commandLine, L" -s ", lists.m_scDesktopName))
        return ERROR_INVALID_DATA;
    return AppendSwitches(commandLine, switches) ? ERROR_SUCCESS : ERROR_FILENAME_EXCED_RANGE;
}

}  // namespace

DWORD LaunchWorkingCopy(const wchar_t* ownPath, const wchar_t* tempDirectory,
                        const Switches& switches, Outcome& outcome) {
    // Cut after the last separator, which it keeps.
    WideText installDir;
    if (!installDir.Assign(ownPath)) return ERROR_NOT_ENOUGH_MEMORY;
    CutToFolder(installDir);

    // While an uninstall of this application runs (its phase two, or a phase one starting
    // one), a second would only race it over the same folder. Held until phase two runs.
    ApplicationLock applicationLock(installDir);
    if (!applicationLock.Take(0)) {
        LogLine(LogLevel::Error) << "an uninstall of " << installDir << " is already running";
        outcome.Fail(Failure::AlreadyRunning);
        return ERROR_BUSY;
    }
    // One phase one at a time writes and starts the shared working copy; another one, at the
    // same moment, takes a folder of its own.
    NamedLock sharedCopyLock(WORKING_COPY_LOCK);
    WideText workingCopy;
    DWORD code = WriteWorkingCopy(tempDirectory, ownPath, sharedCopyLock.Take(0), workingCopy);
    if (code != ERROR_SUCCESS) {
        outcome.Fail(Failure::CopyFailed);
        return code;
    }
    LogLine() << "phase one: relaunching from the temp directory as " << workingCopy;
    LogLine() << "installation directory: " << installDir;

    WideText configPath;
    WideText texts[4];
    code = configPath.Append(installDir) && JoinPath(configPath, CONFIG_FILE)
               ? ReadLists(configPath, texts)
               : ERROR_NOT_ENOUGH_MEMORY;
    if (code != ERROR_SUCCESS) {
        LogLine(LogLevel::Error) << "cannot read " << configPath << ": " << SystemMessage(code);
        outcome.Fail(Failure::NoConfig);
        return code;
    }
    OptionFields lists;
    lists.m_installDir = installDir;
    const wchar_t** const fields[] = {&lists.m_executable, &lists.m_regFolderName,
                                      &lists.m_scFolderName, &lists.m_scDesktopName};
    for (int i = 0; i < 4; ++i) *fields[i] = texts[i].Length() ? texts[i].Text() : nullptr;
    LogLine() << "lists read from " << configPath << ":";
    LogLists(lists);

    WideText commandLine;
    code = BuildCommandLine(workingCopy, lists, switches, commandLine);
    if (code == ERROR_INVALID_DATA)
        LogLine(LogLevel::Error) << "a list cannot be passed on whole (too long, or holding \")";
    if (code != ERROR_SUCCESS) {
        outcome.Fail(code == ERROR_INVALID_DATA ? Failure::NoConfig : Failure::StartFailed);
        return code;
    }
    // The copy starts in the temp directory, and a waiting phase one moves there too, so that
    // neither holds the installation directory as its current directory.
    if (switches.quiet) SetCurrentDirectoryW(tempDirectory);
    StartedProcess copy;
    code = StartWorkingCopy(ownPath, workingCopy, commandLine, tempDirectory, copy);
    if (code != ERROR_SUCCESS) {
        outcome.Fail(Failure::StartFailed);
        return code;
    }
    LogLine() << "started phase two: " << commandLine;
    // Phase two takes the application's lock for itself; the quiet wait holds neither.
    applicationLock.Release();
    sharedCopyLock.Release();
    // A deployment tool waits for the process it started: in a quiet run that one ends only
    // when phase two has, and with its exit code.
    if (switches.quiet) {
        WaitForSingleObject(copy.process.get(), INFINITE);
        GetExitCodeProcess(copy.process.get(), &outcome.exitCode);
    }
    return ERROR_SUCCESS;
}
