#include "relocate/launch.h"

#include <string.h>
#include <wchar.h>
#include <windows.h>

#include <new>

#include "base/handles.h"
#include "base/names.h"
#include "relocate/config.h"
#include "remove/removal.h"
#include "report/boxes.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

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
// so nothing is written through a link or into a file that another name shares. Returns the
// Windows code.
DWORD ReplaceWorkingCopy(const wchar_t* ownPath, const wchar_t* workingCopy) {
    WideText standing;
    if (CanonicalPath(workingCopy, standing)) {
        DWORD code = DeleteFileName(standing, true);
        if (code != ERROR_SUCCESS) return code;
    } else if (GetLastError() != ERROR_FILE_NOT_FOUND) {
        return GetLastError();
    }
    return CopyFileW(ownPath, workingCopy, TRUE) ? ERROR_SUCCESS : GetLastError();
}

// A new folder in the temp directory, made by us: a name that exists already is passed over,
// so the copy never goes into a folder someone else made.
bool MakeOwnFolder(const wchar_t* tempDirectory, WideText& folder) {
    DWORD number = (GetCurrentProcessId() << 16) ^ GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt, ++number) {
        wchar_t name[32];
        swprintf(name, 32, WORKING_COPY_FOLDER_PREFIX L"%08lx", number);
        if (!folder.Assign(tempDirectory) || !JoinPath(folder, name)) return false;
        if (CreateDirectoryW(folder, nullptr)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return false;
    }
    return false;
}

// The working copy under its shared name in the temp directory when that is ours to take;
// where another uninstall runs from it or is writing it, in a folder of our own there.
bool WriteWorkingCopy(const wchar_t* tempDirectory, const wchar_t* ownPath, bool sharedNameOurs,
                      WideText& workingCopy) {
    if (!workingCopy.Assign(tempDirectory) || !JoinPath(workingCopy, WORKING_COPY_FILE))
        return false;
    if (sharedNameOurs) {
        DWORD code = ReplaceWorkingCopy(ownPath, workingCopy);
        if (code == ERROR_SUCCESS) return true;
        LogLine() << "cannot replace " << workingCopy << ": " << SystemMessage(code);
        if (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED &&
            code != ERROR_FILE_EXISTS)
            return false;
    }
    WideText folder;
    return MakeOwnFolder(tempDirectory, folder) && workingCopy.Assign(folder) &&
           JoinPath(workingCopy, WORKING_COPY_FILE) && CopyFileW(ownPath, workingCopy, TRUE);
}

// Starts the working copy while holding it open against writes, renames and deletes, after
// checking that what lies there is still a byte-for-byte copy of ourselves.
int StartHeldCopy(const wchar_t* ownPath, const wchar_t* workingCopy, const WideText& commandLine,
                  const wchar_t* currentDirectory, StartedProcess& copy) {
    ScopedFile held(CreateFileW(workingCopy, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    ScopedFile own(CreateFileW(ownPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!held.valid() || !own.valid() || !SameContents(held.get(), own.get())) return 0;

    STARTUPINFOW startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    // CreateProcessW may write into the line, which is a heap text of ours.
    return CreateProcessW(workingCopy, const_cast<wchar_t*>(commandLine.Text()), nullptr,
                          nullptr, FALSE, 0, nullptr, currentDirectory, &startup, copy.receive());
}

// The switches phase two must see too; the log it goes on writing, by its full path.
bool AppendSwitches(WideText& commandLine, const Switches& switches) {
    return (!switches.quiet || commandLine.Append(L" /S")) &&
           (!switches.dryRun || commandLine.Append(L" /DRYRUN")) &&
           (!Logging() || (commandLine.Append(L" \"/LOG=") && commandLine.Append(LogPath()) &&
                           commandLine.Append(L"\""))) &&
           commandLine.Length() < kMaxCommandLine;
}

// The file's bytes, whole, when it is no larger than kMaxConfigBytes.
char* ReadWholeFile(const wchar_t* path, DWORD& size) {
    ScopedFile file(CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    LARGE_INTEGER length;
    if (!file.valid() || !GetFileSizeEx(file.get(), &length) || length.QuadPart > kMaxConfigBytes)
        return nullptr;
    size = static_cast<DWORD>(length.QuadPart);
    char* bytes = static_cast<char*>(malloc(size + 1));
    DWORD read = 0;
    if (bytes && ReadFile(file.get(), bytes, size, &read, nullptr) && read == size) return bytes;
    free(bytes);
    return nullptr;
}

// A WARN line for an element of conf.xml this program does not read; context points to the
// code page of the document's texts.
void WarnUnknownElement(void* context, const char* name, int row, const char* nearest,
                        const char* nearestParent) {
    WideText element;
    AppendFromCodePage(element, name, *static_cast<unsigned*>(context));
    LogLine line(LogLevel::Warn);
    line << "conf.xml, line " << static_cast<unsigned long long>(row) << ": the element <"
         << element.Text() << "> is not read";
    if (nearest && strcmp(nearest, name) == 0)
        line << ": only the first <" << nearest << "> below <" << nearestParent << "> is";
    else if (nearest)
        line << ": did you mean <" << nearest << ">" << (*nearestParent ? " below <" : "")
             << nearestParent << (*nearestParent ? ">" : "") << "?";
}

const char* const kSources[] = {"its byte-order mark", "its declaration",
                                "its content (it has no declaration)"};

// The four lists of conf.xml at configPath, in UTF-16. 0 when it is missing, not loadable, or
// in an encoding the system does not know; the log says which, and where.
int ReadLists(const wchar_t* configPath, WideText (&lists)[4]) {
    DWORD size = 0;
    char* bytes = PathExists(configPath, nullptr) ? ReadWholeFile(configPath, size) : nullptr;
    if (!bytes) return 0;
    ConfigEncoding encoding = DetectConfigEncoding(bytes, size);
    if (encoding.codePage)
        LogLine() << "conf.xml is in code page " << static_cast<unsigned long long>(encoding.codePage)
                  << ", by " << kSources[encoding.source];
    if (encoding.declarationOverruled)
        LogLine(LogLevel::Warn) << "conf.xml declares a Chinese code page (GB2312, GBK or "
                                << "GB18030), but its bytes are UTF-8: it is read as UTF-8; "
                                << "declare encoding=\"UTF-8\"";
    if (encoding.fault)
        LogLine(LogLevel::Error) << "conf.xml cannot be read: " << encoding.fault;
    else if (!encoding.codePage || !IsValidCodePage(encoding.codePage))
        LogLine(LogLevel::Error) << "conf.xml cannot be read: its declaration names an encoding "
                                 << "this system does not know";
    std::set_new_handler(ConfigOutOfMemory);
    TiXmlDocument config;
    bool loaded = encoding.codePage != 0 && IsValidCodePage(encoding.codePage) &&
                  ParseConfig(config, bytes, size, encoding.codePage);
    std::set_new_handler(nullptr);
    free(bytes);
    if (!loaded && config.Error())
        LogLine(LogLevel::Error) << "conf.xml cannot be read: " << config.ErrorDesc() << ", line "
                                 << static_cast<unsigned long long>(config.ErrorRow())
                                 << ", column " << static_cast<unsigned long long>(config.ErrorCol());
    if (!loaded) return 0;
    unsigned textPage = ConfigTextCodePage(encoding.codePage);
    CheckConfigElements(config, WarnUnknownElement, &textPage);
    static const char* const kPaths[] = {CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME,
                                         CONFIG_SC_FOLDER_NAME, CONFIG_SC_DESKTOP_NAME};
    TiXmlHandle document(&config);
    for (int i = 0; i < 4; ++i) {
        const char* text = LookupConfigText(document, kPaths[i]);
        if (text && !AppendFromCodePage(lists[i], text, textPage)) return 0;
    }
    return 1;
}

}  // namespace

void LogLists(const OptionFields& lists) {
    LogLine() << "executable: " << (lists.m_executable ? lists.m_executable : L"");
    LogLine() << "regFolderName: " << (lists.m_regFolderName ? lists.m_regFolderName : L"");
    LogLine() << "scFolderName: " << (lists.m_scFolderName ? lists.m_scFolderName : L"");
    LogLine() << "scDesktopName: " << (lists.m_scDesktopName ? lists.m_scDesktopName : L"");
}

void ApplicationLockName(const wchar_t* installDir, WideText& name) {
    // The directory itself is never opened: a handle on it, however short, keeps a directory
    // that another uninstall removes at that moment in place.
    WideText path;
    if (!(CanonicalPath(installDir, path) || FullPath(installDir, path)) ||
        !UninstallLockName(path, APPLICATION_LOCK_PREFIX, name))
        name.Truncate(0);
}

int LaunchWorkingCopy(const wchar_t* tempDirectory, const wchar_t* ownPath,
                      const Switches& switches, Outcome& outcome, Failure& failure) {
    WideText installDir;
    if (!GetModulePath(installDir) || !installDir.Length()) {
        failure = Failure::NoModulePathAgain;
        return 0;
    }
    // Cut after the last separator, which it keeps.
    installDir.Truncate(LastComponent(installDir) - installDir.Text());

    // While an uninstall of this application runs (its phase two, or a phase one starting
    // one), a second would only race it over the same folder. Held until phase two runs.
    WideText lockName;
    ApplicationLockName(installDir, lockName);
    NamedLock applicationLock(lockName);
    if (!applicationLock.Take(0)) {
        LogLine(LogLevel::Error) << "an uninstall of " << installDir << " is already running";
        failure = Failure::AlreadyRunning;
        return 0;
    }
    // One phase one at a time writes and starts the shared working copy; another one, at the
    // same moment, takes a folder of its own.
    NamedLock sharedCopyLock(WORKING_COPY_LOCK);
    WideText workingCopy;
    if (!WriteWorkingCopy(tempDirectory, ownPath, sharedCopyLock.Take(0), workingCopy)) {
        failure = Failure::CopyFailed;
        return 0;
    }
    LogLine() << "phase one: relaunching from the temp directory as " << workingCopy;
    LogLine() << "installation directory: " << installDir;

    WideText configPath;
    WideText texts[4];
    if (!configPath.Append(installDir) || !JoinPath(configPath, CONFIG_FILE) ||
        !ReadLists(configPath, texts)) {
        LogLine(LogLevel::Error) << "cannot read " << configPath;
        failure = Failure::NoConfig;
        return 0;
    }
    OptionFields lists;
    lists.m_installDir = installDir;
    const wchar_t** const fields[] = {&lists.m_executable, &lists.m_regFolderName,
                                      &lists.m_scFolderName, &lists.m_scDesktopName};
    for (int i = 0; i < 4; ++i) *fields[i] = texts[i].Length() ? texts[i].Text() : nullptr;
    LogLine() << "lists read from " << configPath << ":";
    LogLists(lists);

    // The copy's path is quoted: a temp path with a blank must neither split the line nor
    // let the system start another program in its place.
    WideText commandLine;
    if (!commandLine.Append(L"\"") || !commandLine.Append(workingCopy) ||
        !commandLine.Append(L"\"") || !AppendOption(commandLine, L" -p ", lists.m_installDir)) {
        failure = Failure::StartFailed;
        return 0;
    }
    if (!AppendOption(commandLine, L" -e ", lists.m_executable) ||
        !AppendOption(commandLine, L" -R ", lists.m_regFolderName) ||
        !AppendOption(commandLine, L" -S ", lists.m_scFolderName) ||
        !AppendOption(commandLine, L" -s ", lists.m_scDesktopName)) {
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
    if (switches.quiet) SetCurrentDirectoryW(tempDirectory);
    StartedProcess copy;
    if (!StartHeldCopy(ownPath, workingCopy, commandLine, tempDirectory, copy)) {
        failure = Failure::StartFailed;
        return 0;
    }
    LogLine() << "started phase two: " << commandLine;
    // Phase two takes the application's lock for itself; the quiet wait holds neither.
    applicationLock.Release();
    sharedCopyLock.Release();
    // A deployment tool waits for the process it started: in a quiet run that one ends only
    // when phase two has, and with its exit code.
    if (switches.quiet) {
        WaitForSingleObject(copy.process(), INFINITE);
        GetExitCodeProcess(copy.process(), &outcome.exitCode);
    }
    return 1;
}
