#include "app/uninstall.h"

#include <windows.h>

#include "base/handles.h"
#include "base/names.h"
#include "relocate/launch.h"
#include "remove/others.h"
#include "remove/removal.h"
#include "report/boxes.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

namespace {

// The temporary directory: "Local AppData"\Temp when it exists, else C:\Windows\Temp.
int ResolveTempDirectory(WideText& tempDirectory) {
    if (GetShellFolderPath(L"Local AppData", tempDirectory) &&
        JoinPath(tempDirectory, L"Temp") && PathExists(tempDirectory, nullptr))
        return 1;
    bool isDirectory = false;
    const wchar_t* windowsTemp = L"C:\\Windows\\Temp";
    if (!PathExists(windowsTemp, &isDirectory) || !isDirectory) return 0;
    return tempDirectory.Assign(windowsTemp);
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
    wchar_t value[3][256] = {};
    ScopedKey key;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_READ, key.receive()) == ERROR_SUCCESS) {
        for (int i = 0; i < 3; ++i) {
            DWORD bytes = sizeof(value[i]) - sizeof(wchar_t), type = REG_NONE;
            if (RegQueryValueExW(key.get(), kValues[i], nullptr, &type,
                                 reinterpret_cast<BYTE*>(value[i]), &bytes) != ERROR_SUCCESS ||
                type != REG_SZ)
                bytes = 0;
            value[i][bytes / sizeof(wchar_t)] = L'\0';
        }
    }
    LogLine() << "Windows: " << value[0] << (value[1][0] ? " " : "") << value[1] << " (build "
              << value[2] << ")";
}

// The installation directory this run removes: phase two's -p, or phase one's own folder.
bool InstallDirOfRun(const wchar_t* option, WideText& dir) {
    WideText temp, own;
    if (!ResolveTempDirectory(temp) || !GetModulePath(own)) return false;
    if (IsWorkingCopyPath(own, temp, WORKING_COPY_FOLDER_PREFIX))
        return option && FullPath(option, dir);
    own.Truncate(LastComponent(own) - own.Text());
    return dir.Assign(own);
}

}  // namespace

void uninstall::StartLog() {
    // A log inside the installation directory would go with it, and its open handle could
    // keep the directory: it is written in the temp directory instead.
    WideText temp, asked, installDir;
    bool inside = m_switches.logPath && FullPath(m_switches.logPath, asked) &&
                  InstallDirOfRun(m_installDir, installDir) && PathIsWithin(asked, installDir);
    // Where the log asked for cannot be written, it goes to the temp directory and says why.
    DWORD refused = ERROR_SUCCESS;
    bool opened = m_switches.logPath && !inside && OpenLog(m_switches.logPath, false);
    if (m_switches.logPath && !inside && !opened) refused = GetLastError();
    if (!opened) opened = ResolveTempDirectory(temp) && OpenNewLog(temp);
    // A log that cannot be written is no reason to leave the application installed.
    if (!opened) return;
    LogLine() << "uninstall " UNINSTALL_VERSION << (m_switches.dryRun ? ", dry run" : "")
              << (m_switches.quiet ? ", quiet" : "");
    if (inside)
        LogLine(LogLevel::Warn) << "the log asked for, " << asked << ", lies inside the "
                                << "installation directory, which goes: it is written here";
    if (refused != ERROR_SUCCESS)
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
    if (m_outcome.exitCode != EXIT_SUCCEEDED && m_outcome.failed == 0)
        line << "the run would stop with " << static_cast<unsigned long long>(m_outcome.exitCode);
    else if (m_outcome.failed > 0)
        line << static_cast<unsigned long long>(m_outcome.failed)
             << " listed items would stay (the ERROR lines above)";
    else
        line << "nothing listed would stay";
}

void uninstall::Report(Failure failure, const wchar_t* detail) {
    const FailureMessage& message = MessageOf(failure);
    m_outcome.exitCode = message.exitCode;
    ShowFailure(message.prefix, detail ? detail : message.code);
}

int uninstall::InitInstance() {
    int count = TakeSwitches(SplitCommandLine(GetCommandLineW()), m_switches);
    // Started by a service, nobody would ever answer a box: the run is quiet, and its log
    // says why.
    const bool unseen = !m_switches.quiet && !BoxesCanShow();
    if (unseen) m_switches.quiet = m_switches.log = true;
    SetBoxMode(m_switches.quiet, m_switches.dryRun);
    bool optionsRead = ParseOptions(count, *this);
    if (m_switches.log) StartLog();
    if (unseen)
        LogLine(LogLevel::Warn) << "no user can see this session's boxes (session 0, or a "
                                << "window station nobody sees): the run is quiet, as with /S";
    if (!optionsRead) Report(Failure::EmptyInstallDir);
    RunUninstall();
    // The phase that ends the run says how it ended: phase two, or phase one where it
    // started none.
    if (!m_handedOff) {
        if (m_switches.dryRun) LogVerdict();
        if (m_switches.dryRun) ShowDryRunDone(LogPath());
        LogResult(ExitInstance(), m_outcome);
    }
    return 1;
}

int uninstall::ExitInstance() {
    return m_switches.quiet ? static_cast<int>(m_outcome.exitCode) : 1;
}

int uninstall::RunUninstall() {
    WideText tempDirectory;
    if (!ResolveTempDirectory(tempDirectory)) {
        Report(Failure::NoTempDir);
        return 0;
    }
    LogLine() << "temp directory: " << tempDirectory;
    WideText ownPath;
    if (!GetModulePath(ownPath)) {
        Report(Failure::NoModulePath);
        return 0;
    }
    // The working copy lies directly in the temp directory, or in a folder of its own there.
    // Windows paths ignore letter case, and the system may report our path in another case
    // than the temp path was written in.
    if (!IsWorkingCopyPath(ownPath, tempDirectory, WORKING_COPY_FOLDER_PREFIX)) {
        Failure failure;
        m_handedOff = LaunchWorkingCopy(tempDirectory, ownPath, m_switches, m_outcome, failure);
        if (!m_handedOff) Report(failure);
        return m_handedOff;
    }

    LogLine() << "phase two: removing what its command line lists";
    LogLists(*this);
    if (!m_installDir || !*m_installDir) {
        Report(Failure::NoInstallDir);
        return 0;
    }
    // One uninstall of an application at a time: a second one waits here until the first has
    // ended, and then finds gone what that one removed.
    WideText lockName;
    ApplicationLockName(m_installDir, lockName);
    NamedLock applicationLock(lockName);
    if (!applicationLock.Take(0)) {
        LogLine() << "another uninstall of this application runs: waiting until it ends";
        if (!applicationLock.Take(INFINITE)) {
            Report(Failure::AlreadyRunning);
            return 0;
        }
    }
    WideText installDir;
    WellKnownFolders folders;
    InstallDirCheck check = CheckInstallDir(m_installDir, folders, installDir);
    LogLine() << "installation directory: " << m_installDir << " (resolved: "
              << (check == kInstallDirRemovable ? installDir.Text()
                  : check == kInstallDirMissing ? L"not there" : L"refused") << ")";
    // Another application's folder is not ours to remove, nor is one that holds it.
    OtherApplications others(m_regFolderName, installDir, folders);
    const wchar_t* holder = check == kInstallDirRemovable ? others.Holding() : nullptr;
    if (holder)
        LogLine(LogLevel::Error) << "the installation directory is the folder of " << holder
                                 << ", another application, or holds it";
    if (check == kInstallDirRefused || holder) {
        Report(Failure::DirRefused);
        return 0;
    }
    if (!ConfirmUninstall()) return 0;
    WideText running;
    if (!CheckRunningPrograms(m_executable, running)) {
        Report(Failure::ProgramRunning, running);
        return 0;
    }
    if (!RemoveShortcuts(m_scFolderName, m_scDesktopName, folders, m_switches.dryRun, m_outcome))
        return 0;
    if (!RemoveInstallDir(m_installDir, folders, others, m_switches, m_outcome)) {
        Report(Failure::RemovalIncomplete);
        return 0;
    }
    RemoveUninstallEntries(m_regFolderName, installDir, m_switches.dryRun, m_outcome);
    // A listed item that stays is no success, whatever else went.
    if (m_outcome.failed > 0) {
        Report(Failure::RemovalIncomplete);
        return 0;
    }
    if (m_outcome.restartNeeded) {
        m_outcome.exitCode = EXIT_RESTART_NEEDED;
        ShowMessage(MSG_RESTART);
    } else if (!m_switches.dryRun) {
        ShowMessage(MSG_SUCCEEDED);
    }
    return 1;
}
