// Phase one: copy ourselves into the temp directory and start the copy with everything
// phase two needs on its command line.
#include <string.h>
#include <windows.h>

#include <new>

#include "app/boxes.h"
#include "app/log.h"
#include "app/messages.h"
#include "app/uninstall.h"
#include "base/handles.h"
#include "base/names.h"
#include "relocate/config.h"
#include "remove/removal.h"
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
    ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_NO_CONFIG);
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

int uninstall::LaunchWorkingCopy(const char* tempDirectory, const char* ownPath) {
    TextBuffer workingCopy;
    if (!workingCopy.Copy(tempDirectory) || !workingCopy.Join(WORKING_COPY_FILE) ||
        !WriteWorkingCopy(ownPath, workingCopy)) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_COPY_FAILED);
        return 0;
    }

    TextBuffer installDir;
    if (!GetModulePath(installDir) || !installDir.text[0]) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_NO_MODULE_PATH_AGAIN);
        return 0;
    }
    // Cut after the last separator, which it keeps.
    installDir.text[LastComponent(installDir) - installDir.text] = '\0';
    m_installDir = installDir;
    LogLine() << "phase one: relaunching from the temp directory as " << workingCopy;
    LogLine() << "installation directory: " << installDir;

    TextBuffer configPath;
    bool pathFits = configPath.Copy(installDir) && configPath.Join(CONFIG_FILE);
    std::set_new_handler(ConfigOutOfMemory);
    TiXmlDocument config(configPath.text);
    bool loaded = pathFits && PathExists(configPath, nullptr) && LoadConfig(config);
    std::set_new_handler(nullptr);
    if (!loaded) {
        LogLine(LogLevel::Error) << "cannot read " << configPath.text;
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_NO_CONFIG);
        return 0;
    }
    TiXmlHandle document(&config);
    m_executable = LookupConfigText(document, CONFIG_EXECUTABLE);
    m_regFolderName = LookupConfigText(document, CONFIG_REG_FOLDER_NAME);
    m_scFolderName = LookupConfigText(document, CONFIG_SC_FOLDER_NAME);
    m_scDesktopName = LookupConfigText(document, CONFIG_SC_DESKTOP_NAME);
    LogLine() << "lists read from " << configPath.text << ":";
    LogLists();

    // The copy's path is quoted: a temp path with a blank must neither split the line nor
    // let the system start another program in its place.
    TextBuffer commandLine;
    if (!commandLine.Copy("\"") || !commandLine.Append(workingCopy) ||
        !commandLine.Append("\"") || !AppendOption(commandLine, " -p ", m_installDir)) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_START_FAILED);
        return 0;
    }
    if (!AppendOption(commandLine, " -e ", m_executable) ||
        !AppendOption(commandLine, " -R ", m_regFolderName) ||
        !AppendOption(commandLine, " -S ", m_scFolderName) ||
        !AppendOption(commandLine, " -s ", m_scDesktopName)) {
        LogLine(LogLevel::Error) << "a list cannot be passed on whole (too long, or holding \")";
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_NO_CONFIG);
        return 0;
    }
    if (!AppendSwitches(commandLine, m_switches)) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_START_FAILED);
        return 0;
    }
    // The copy starts in the temp directory, and a waiting phase one moves there too, so that
    // neither holds the installation directory as its current directory.
    if (m_switches.quiet) SetCurrentDirectoryA(tempDirectory);
    StartedProcess copy;
    if (!StartHeldCopy(ownPath, workingCopy, commandLine, tempDirectory, copy)) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_START_FAILED);
        return 0;
    }
    LogLine() << "started phase two: " << commandLine.text;
    m_handedOff = true;
    // A deployment tool waits for the process it started: in a quiet run that one ends only
    // when phase two has, and with its exit code.
    if (m_switches.quiet) {
        WaitForSingleObject(copy.process(), INFINITE);
        GetExitCodeProcess(copy.process(), &m_copyExitCode);
    }
    return 1;
}
