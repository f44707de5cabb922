#include <string.h>
#include <windows.h>

#include <new>

#include "relocate/launch.h"

#include "base/handles.h"
#include "base/names.h"
#include "relocate/config.h"
#include "remove/removal.h"
#include "report/boxes.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

namespace {

// Appends ` -x "value"` when value is non-empty. A value holding a double quote cannot be
// passed whole, so it is refused like one that does not fit.
int AppendOption(TextBuffer& commandLine, const char* option, const char* value) {
    if (!value || !*value) return 1;
    if (strchr(value, '"')) return 0;
    return commandLine.Append(option) && commandLine.Append("\"") &&
           commandLine.Append(value) && commandLine.Append("\"");
}

// TinyXML uses what new gives it without looking: running out of memory while conf.xml is
// read ends phase one as any other unreadable conf.xml does.
[[noreturn]] void ConfigOutOfMemory() {
    const FailureMessage& message = MessageOf(Failure::NoConfig);
    ShowFailure(message.prefix, message.code);
    ExitProcess(1);
}

bool SameContents(HANDLE a, HANDLE b) {
    char bufferA[4096], bufferB[4096];
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(a, bufferA, sizeof(bufferA), &readA, nullptr) ||
            !ReadFile(b, bufferB, sizeof(bufferB), &readB, nullptr) || readA != readB ||
            memcmp(bufferA, bufferB, readA) != 0)
            return false;
        if (readA == 0) return true;
    }
}

// Writes the copy as a new file of its own: whatever stood at its name goes as a name first,
// so nothing is written through a link or into a file that another name shares.
bool WriteWorkingCopy(const char* ownPath, const char* workingCopy) {
    TextBuffer standing;
    if (CanonicalPath(workingCopy, standing)) {
        if (DeleteFileName(standing, true) != ERROR_SUCCESS) return false;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return false;
    }
    return CopyFileA(ownPath, workingCopy, TRUE);
}

// Starts the working copy while holding it open against writes, renames and deletes, after
// checking that what lies there is still a byte-for-byte copy of ourselves.
int StartHeldCopy(const char* ownPath, const char* workingCopy, char* commandLine,
                  const char* currentDirectory, StartedProcess& copy) {
    ScopedFile held(CreateFileA(workingCopy, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    ScopedFile own(CreateFileA(ownPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!held.valid() || !own.valid() || !SameContents(held.get(), own.get())) return 0;

    STARTUPINFOA startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    return CreateProcessA(workingCopy, commandLine, nullptr, nullptr, FALSE, 0, nullptr,
                          currentDirectory, &startup, copy.receive());
}

// The switches phase two must see too; the log it goes on writing, by its full path.
int AppendSwitches(TextBuffer& commandLine, const Switches& switches) {
    return (!switches.quiet || commandLine.Append(" /S")) &&
           (!switches.dryRun || commandLine.Append(" /DRYRUN")) &&
           (!Logging() || (commandLine.Append(" \"/LOG=") && commandLine.Append(LogPath()) &&
                           commandLine.Append("\"")));
}

}  // namespace

void LogLists(const OptionFields& lists) {
    LogLine() << "executable: " << (lists.m_executable ? lists.m_executable : "");
    LogLine() << "regFolderName: " << (lists.m_regFolderName ? lists.m_regFolderName : "");
    LogLine() << "scFolderName: " << (lists.m_scFolderName ? lists.m_scFolderName : "");
    LogLine() << "scDesktopName: " << (lists.m_scDesktopName ? lists.m_scDesktopName : "");
}

int LaunchWorkingCopy(const char* tempDirectory, const char* ownPath, const Switches& switches,
                      Outcome& outcome, Failure& failure) {
    TextBuffer workingCopy;
    if (!workingCopy.Copy(tempDirectory) || !JoinPath(workingCopy, WORKING_COPY_FILE) ||
        !WriteWorkingCopy(ownPath, workingCopy)) {
        failure = Failure::CopyFailed;
        return 0;
    }

    TextBuffer installDir;
    if (!GetModulePath(installDir) || !installDir.text[0]) {
        failure = Failure::NoModulePathAgain;
        return 0;
    }
    // Cut after the last separator, which it keeps.
    installDir.text[LastComponent(installDir) - installDir.text] = '\0';
    LogLine() << "phase one: relaunching from the temp directory as " << workingCopy;
    LogLine() << "installation directory: " << installDir;

    TextBuffer configPath;
    bool pathFits = configPath.Copy(installDir) && JoinPath(configPath, CONFIG_FILE);
    std::set_new_handler(ConfigOutOfMemory);
    TiXmlDocument config(configPath.text);
    bool loaded = pathFits && PathExists(configPath, nullptr) && LoadConfig(config);
    std::set_new_handler(nullptr);
    if (!loaded) {
        LogLine(LogLevel::Error) << "cannot read " << configPath.text;
        failure = Failure::NoConfig;
        return 0;
    }
    // The lists point into the document, which lives as long as this call.
    TiXmlHandle document(&config);
    OptionFields lists;
    lists.m_installDir = installDir;
    lists.m_executable = LookupConfigText(document, CONFIG_EXECUTABLE);
    lists.m_regFolderName = LookupConfigText(document, CONFIG_REG_FOLDER_NAME);
    lists.m_scFolderName = LookupConfigText(document, CONFIG_SC_FOLDER_NAME);
    lists.m_scDesktopName = LookupConfigText(document, CONFIG_SC_DESKTOP_NAME);
    LogLine() << "lists read from " << configPath.text << ":";
    LogLists(lists);

    // The copy's path is quoted: a temp path with a blank must neither split the line nor
    // let the system start another program in its place.
    TextBuffer commandLine;
    if (!commandLine.Copy("\"") || !commandLine.Append(workingCopy) ||
        !commandLine.Append("\"") || !AppendOption(commandLine, " -p ", lists.m_installDir)) {
        failure = Failure::StartFailed;
        return 0;
    }
    if (!AppendOption(commandLine, " -e ", lists.m_executable) ||
        !AppendOption(commandLine, " -R ", lists.m_regFolderName) ||
        !AppendOption(commandLine, " -S ", lists.m_scFolderName) ||
        !AppendOption(commandLine, " -s ", lists.m_scDesktopName)) {
        LogLine(LogLevel::Error) << "a list cannot be passed on whole (too long, or holding \")";
        failure = Failure::NoConfig;
        return 0;
    }
    if (!AppendSwitches(commandLine, switches)) {
        failure = Failure::StartFailed;
        return 0;
    }
    // The copy starts in the temp directory, and a waiting phase one moves there too, so that
    // neither holds the installation directory as its current directory.
    if (switches.quiet) SetCurrentDirectoryA(tempDirectory);
    StartedProcess copy;
    if (!StartHeldCopy(ownPath, workingCopy, commandLine, tempDirectory, copy)) {
        failure = Failure::StartFailed;
        return 0;
    }
    LogLine() << "started phase two: " << commandLine.text;
    // A deployment tool waits for the process it started: in a quiet run that one ends only
    // when phase two has, and with its exit code.
    if (switches.quiet) {
        WaitForSingleObject(copy.process(), INFINITE);
        GetExitCodeProcess(copy.process(), &outcome.exitCode);
    }
    return 1;
}
