#include "app/uninstall.h"

#include <windows.h>

#include "base/handles.h"
#include "base/names.h"
#include "relocate/launch.h"
#include "remove/entries.h"
#include "remove/folders.h"
#include "remove/guard.h"
#include "remove/installdir.h"
#include "remove/others.h"
#include "remove/running.h"
#include "remove/shortcuts.h"
#include "report/boxes.h"
#include "report/log.h"
#include "sysloc/locks.h"
#include "sysloc/ownfiles.h"
#include "sysloc/sysloc.h"

namespace {

// The temporary directory: "Local AppData"\Temp when it exists, else C:\Windows\Temp.
DWORD ResolveTempDirectory(WideText& tempDirectory) {
    if (GetShellFolderPath(L"Local AppData", tempDirectory) == ERROR_SUCCESS &&
        JoinPath(tempDirectory, L"Temp") && PathExists(tempDirectory, nullptr))
        return ERROR_SUCCESS;
    bool isDirectory = false;
    const wchar_t* windowsTemp = L"C:\\Windows\\Temp";
    if (!PathExists(windowsTemp, &isDirectory) || !isDirectory) return ERROR_PATH_NOT_FOUND;
    return tempDirectory.Assign(windowsTemp) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
}

// Who runs the uninstall, and on what, for the log's head.
void LogMachine() {
    wchar_t user[257] = L"";
    DWORD size = 257;
    GetUserNameW(user, &size);
    TOKEN_ELEVATION elevation = {};
    ScopedHandle token;
    if (OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, token.receive()))
        GetTokenInformation(token.get(), TokenElevation, &elevation, sizeof(elevation), &size);
    LogLine() << "user: " << user << (elevation.TokenIsElevated ? ", elevated" : ", not elevated");
    // The registry tells the version as it is; GetVersionEx tells a program without a
    // compatibility manifest an older one.
    const wchar_t* const kValues[] = {L"ProductName", L"DisplayVersion", L"CurrentBuild"};
    WideText value[3];
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_READ, key.receive()) == ERROR_SUCCESS)
        for (int i = 0; i < 3; ++i) ReadRegistryString(key.get(), kValues[i], value[i]);
    LogLine() << "Windows: " << value[0].Text() << (value[1].Length() ? " " : "")
              << value[1].Text() << " (build " << value[2].Text() << ")";
}

}  // namespace

void uninstall::StartLog() {
    // A log inside the installation directory would go with it, and its open handle could
    // keep the directory: it is written in the temp directory instead. The directory is
    // phase two's -p, or phase one's own folder.
    WideText asked, installDir;
    if (phaseTwo_ ? !m_installDir || FullPath(m_installDir, installDir) != ERROR_SUCCESS
                  : !installDir.Assign(ownPath_))
        installDir.Truncate(0);
    if (!phaseTwo_) CutToFolder(installDir);
    bool inside = switches_.logPath && FullPath(switches_.logPath, asked) == ERROR_SUCCESS &&
                  installDir.Length() && PathIsWithin(asked, installDir);
    // Where the log asked for cannot be written, it goes to the temp directory and says why.
    DWORD refused = switches_.logPath && !inside ? OpenLog(switches_.logPath, false)
                                                 : ERROR_PATH_NOT_FOUND;
    // A log that cannot be written is no reason to leave the application installed.
    if (refused != ERROR_SUCCESS &&
        (tempFound_ != ERROR_SUCCESS || OpenNewLog(tempDirectory_) != ERROR_SUCCESS))
        return;
    LogLine() << "uninstall " UNINSTALL_VERSION << (switches_.dryRun ? ", dry run" : "")
              << (switches_.quiet ? ", quiet" : "");
    if (inside)
        LogLine(LogLevel::Warn) << "the log asked for, " << asked << ", lies inside the "
                                << "installation directory, which goes: it is written here";
    if (switches_.logPath && !inside && refused != ERROR_SUCCESS)
        LogLine(LogLevel::Warn) << "the log asked for, " << asked << ", cannot be written ("
                                << SystemMessage(refused) << "): it is written here";
    LogLine() << "command line: " << GetCommandLineW();
    LogMachine();
}

void uninstall::LogVerdict() const {
    unsigned long warnings, errors;
    CountRunProblems(warnings, errors);
    LogLine line;
    line << "verdict: lists found:";
    const wchar_t* const lists[] = {m_executable, m_regFolderName, m_scFolderName,
                                    m_scDesktopName};
    const char* const names[] = {" executable ", ", regFolderName ", ", scFolderName ",
                                 ", scDesktopName "};
    for (int i = 0; i < 4; ++i) {
        unsigned long long count = 0;
        NameList list(lists[i]);
        while (list.Next()) ++count;
        line << names[i] << count;
    }
    line << "; " << static_cast<unsigned long long>(warnings) << " warnings and "
         << static_cast<unsigned long long>(errors) << " errors above; ";
    if (outcome_.exitCode != EXIT_SUCCEEDED && outcome_.failed == 0)
        line << "the run would stop with " << static_cast<unsigned long long>(outcome_.exitCode);
    else if (outcome_.failed > 0)
        line << static_cast<unsigned long long>(outcome_.failed)
             << " listed items would stay (the ERROR lines above)";
    else
        line << "nothing listed would stay";
}

void uninstall::Report() {
    const FailureMessage& message = MessageOf(outcome_.failure);
    outcome_.exitCode = message.exitCode;
    ShowFailure(message.prefix, outcome_.detail.Length() ? outcome_.detail.Text() : message.code);
}

int uninstall::InitInstance() {
    int count = commandLine_.TakeSwitches(commandLine_.SplitCommandLine(GetCommandLineW()),
                                          switches_);
    // Started by a service, nobody would ever answer a box: the run is quiet, and its log
    // says why.
    const bool unseen = !switches_.quiet && !BoxesCanShow();
    if (unseen) switches_.quiet = switches_.log = true;
    SetBoxMode(switches_.quiet, switches_.dryRun);
    bool optionsRead = commandLine_.ParseOptions(count, *this);
    // The facts every step takes from here: where the run is, and which phase it is.
    tempFound_ = ResolveTempDirectory(tempDirectory_);
    ownFound_ = GetModulePath(ownPath_);
    InitAppTitle(ownPath_);
    // The working copy lies directly in the temp directory, or in a folder of its own there.
    // Windows paths ignore letter case, and the system may report our path in another case
    // than the temp path was written in.
    phaseTwo_ = tempFound_ == ERROR_SUCCESS && ownFound_ == ERROR_SUCCESS &&
                IsWorkingCopyPath(ownPath_, tempDirectory_, WORKING_COPY_FOLDER_PREFIX);
    if (switches_.log) StartLog();
    if (unseen)
        LogLine(LogLevel::Warn) << "no user can see this session's boxes (session 0, or a "
                                << "window station nobody sees): the run is quiet, as with /S";
    if (!optionsRead) Report(Failure::EmptyInstallDir);
    RunUninstall();
    // The phase that ends the run says how it ended: phase two, or phase one where it
    // started none.
    if (!handedOff_) {
        if (switches_.dryRun) LogVerdict();
        if (switches_.dryRun) ShowDryRunDone(LogPath());
        LogResult(ExitInstance(), outcome_);
    }
    return 1;
}

int uninstall::ExitInstance() {
    return switches_.quiet ? static_cast<int>(outcome_.exitCode) : 1;
}

int uninstall::RunUninstall() {
    if (tempFound_ != ERROR_SUCCESS) {
        Report(Failure::NoTempDir);
        return 0;
    }
    LogLine() << "temp directory: " << tempDirectory_;
    if (ownFound_ != ERROR_SUCCESS) {
        Report(Failure::NoModulePath);
        return 0;
    }
    if (phaseTwo_) return RemoveApplication();
    handedOff_ = LaunchWorkingCopy(ownPath_, tempDirectory_, switches_, outcome_) == ERROR_SUCCESS;
    if (!handedOff_) Report();
    return handedOff_;
}

// Phase two: the listed programs checked, then the groups and shortcuts, the installation
// directory and the keys removed.
int uninstall::RemoveApplication() {
    LogLine() << "phase two: removing what its command line lists";
    LogLists(*this);
    if (!m_installDir || !*m_installDir) {
        Report(Failure::NoInstallDir);
        return 0;
    }
    // One uninstall of an application at a time: a second one waits here until the first has
    // ended, and then finds gone what that one removed.
    ApplicationLock applicationLock(m_installDir);
    if (!applicationLock.Take(0)) {
        LogLine() << "another uninstall of this application runs: waiting until it ends";
        if (!applicationLock.Take(INFINITE)) {
            Report(Failure::AlreadyRunning);
            return 0;
        }
    }
    // Checked once, and opened: what is removed is the directory checked here.
    WellKnownFolders folders(tempDirectory_);
    CheckedDir installDir;
    DWORD check = CheckInstallDir(m_installDir, folders, installDir);
    LogLine() << "installation directory: " << m_installDir << " (resolved: "
              << (check == ERROR_SUCCESS ? installDir.path.Text()
                  : check == ERROR_FILE_NOT_FOUND ? L"not there" : L"refused") << ")";
    if (check != ERROR_SUCCESS) installDir.path.Truncate(0);
    // Another application's folder is not ours to remove, nor is one that holds it.
    OtherApplications others(m_regFolderName, installDir.path, folders);
    const wchar_t* holder = check == ERROR_SUCCESS ? others.Holding() : nullptr;
    if (holder)
        LogLine(LogLevel::Error) << "the installation directory is the folder of " << holder
                                 << ", another application, or holds it";
    if ((check != ERROR_SUCCESS && check != ERROR_FILE_NOT_FOUND) || holder) {
        Report(Failure::DirRefused);
        return 0;
    }
    if (!ConfirmUninstall()) return 0;
    if (CheckRunningPrograms(m_executable, outcome_) != ERROR_SUCCESS) {
        Report();
        return 0;
    }
    RemoveShortcuts(m_scFolderName, m_scDesktopName, folders, switches_.dryRun, outcome_);
    if (check == ERROR_SUCCESS) {
        // A quiet phase one's program moves aside into the working copy's folder.
        WideText aside;
        if (aside.Assign(ownPath_)) CutToFolder(aside);
        if (RemoveInstallDir(installDir, folders, others, switches_, aside, outcome_) !=
            ERROR_SUCCESS) {
            Report(Failure::RemovalIncomplete);
            return 0;
        }
    } else {
        LogLine() << "installation directory " << m_installDir << ": not there, or no directory";
    }
    RemoveUninstallEntries(m_regFolderName, installDir.path, switches_.dryRun, outcome_);
    // A listed item that stays is no success, whatever else went.
    if (outcome_.failed > 0) {
        Report(Failure::RemovalIncomplete);
        return 0;
    }
    if (outcome_.restartNeeded) {
        outcome_.exitCode = EXIT_RESTART_NEEDED;
        ShowMessage(MSG_RESTART);
    } else if (!switches_.dryRun) {
        ShowMessage(MSG_SUCCEEDED);
    }
    return 1;
}
