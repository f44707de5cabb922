#include "wintest.h"

#include <algorithm>
#include <string.h>
#include <utility>

namespace wt {
namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const wchar_t kShellFolders[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const int kButtonIds[] = {IDOK, IDCANCEL, IDABORT, IDRETRY, IDIGNORE, IDYES, IDNO};
const char* const kButtonNames[] = {"OK", "Cancel", "Abort", "Retry", "Ignore", "Yes", "No"};

void Press(HWND window, Answer answer) {
    if (answer == Answer::Close)
        PostMessageA(window, WM_CLOSE, 0, 0);
    else
        PostMessageA(window, WM_COMMAND, answer == Answer::Ok ? IDOK : IDCANCEL, 0);
}

// Records and answers each new box of an accepted process once, and answers it again should
// it still be up two seconds later (a press the box missed).
class Answerer {
public:
    Answerer(std::vector<Answer> answers, std::function<bool(DWORD)> accepts,
             std::function<void(HWND, const Box&)> onBox = nullptr)
        : answers_(std::move(answers)), accepts_(std::move(accepts)), onBox_(std::move(onBox)) {}

    void Poll(std::vector<Box>& boxes) {
        DWORD now = GetTickCount();
        // A box gone is forgotten: should its handle come back for a new box, that one counts.
        seen_.erase(std::remove_if(seen_.begin(), seen_.end(),
                                   [](const Seen& s) { return !IsWindow(s.window); }),
                    seen_.end());
        for (HWND window : VisibleBoxes()) {
            auto seen = std::find_if(seen_.begin(), seen_.end(),
                                     [&](const Seen& s) { return s.window == window; });
            if (seen != seen_.end()) {
                if (seen->accepted && now - seen->pressed > 2000) {
                    Press(window, seen->answer);
                    seen->pressed = now;
                }
                continue;
            }
            DWORD pid = 0;
            GetWindowThreadProcessId(window, &pid);
            if (!accepts_(pid)) {
                seen_.push_back({window, false, Answer::Ok, now});
                continue;
            }
            Box box = ReadBox(window);
            if (onBox_) onBox_(window, box);
            Answer answer = boxes.size() < answers_.size() ? answers_[boxes.size()] : Answer::Ok;
            boxes.push_back(box);
            Press(window, answer);
            seen_.push_back({window, true, answer, GetTickCount()});
        }
    }

private:
    struct Seen {
        HWND window;
        bool accepted;
        Answer answer;
        DWORD pressed;
    };
    std::vector<Answer> answers_;
    std::function<bool(DWORD)> accepts_;
    std::function<void(HWND, const Box&)> onBox_;
    std::vector<Seen> seen_;
};

// Calls poll every intervalMs on a thread of its own, until destroyed.
class Poller {
public:
    Poller(std::function<void()> poll, DWORD intervalMs)
        : poll_(std::move(poll)), intervalMs_(intervalMs),
          stop_(CreateEventA(nullptr, TRUE, FALSE, nullptr)),
          thread_(CreateThread(nullptr, 0, Run, this, 0, nullptr)) {}
    ~Poller() {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
        CloseHandle(stop_);
    }

private:
    static DWORD WINAPI Run(void* parameter) {
        Poller* poller = static_cast<Poller*>(parameter);
        do poller->poll_();
        while (WaitForSingleObject(poller->stop_, poller->intervalMs_) == WAIT_TIMEOUT);
        return 0;
    }

    std::function<void()> poll_;
    DWORD intervalMs_;
    HANDLE stop_, thread_;
};

bool InJob(HANDLE job, DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION, FALSE, pid);
    BOOL inJob = FALSE;
    if (process) {
        IsProcessInJob(process, job, &inJob);
        CloseHandle(process);
    }
    return inJob;
}

std::string Convert(const std::string& text, UINT from, UINT to) {
    if (text.empty()) return text;
    int wide = MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring w(wide, L'\0');
    MultiByteToWideChar(from, 0, text.data(), static_cast<int>(text.size()), &w[0], wide);
    int n = WideCharToMultiByte(to, 0, w.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(n, '\0');
    WideCharToMultiByte(to, 0, w.data(), wide, &out[0], n, nullptr, nullptr);
    return out;
}

// Starts the sleeper and waits until it runs (and holds its file), or has ended.
PROCESS_INFORMATION StartSleeper(const std::string& exe, const std::string& arguments) {
    static LONG started = 0;
    std::string ready = "wt-ready-" + std::to_string(GetCurrentProcessId()) + "-" +
                        std::to_string(InterlockedIncrement(&started));
    HANDLE event = CreateEventA(nullptr, TRUE, FALSE, ready.c_str());
    std::wstring line = Utf16("\"" + exe + "\" --ready " + ready + " " + arguments);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(Utf16(exe).c_str(), &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                       &startup, &process)) {
        HANDLE waits[] = {event, process.hProcess};
        WaitForMultipleObjects(2, waits, FALSE, 30000);
    }
    CloseHandle(event);
    return process;
}

void StopProcess(PROCESS_INFORMATION& process) {
    if (!process.hProcess) return;
    if (WaitForSingleObject(process.hProcess, 0) == WAIT_TIMEOUT)
        TerminateProcess(process.hProcess, 0);
    WaitForSingleObject(process.hProcess, 10000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    process = PROCESS_INFORMATION{};
}

void ListInto(const std::string& root, const std::string& relative,
              std::vector<std::string>& out) {
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW(Utf16(root + "\\" + relative + "*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        std::string name = FromUtf16(found.cFileName);
        if (name == "." || name == "..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            out.push_back(relative + name + "\\");
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                ListInto(root, relative + name + "\\", out);
        } else {
            out.push_back(relative + name);
        }
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

// Wine starts a Unix program it is handed, but gives no handle to wait on: the caller
// waits for the program's effect. What it leaves in the handle fields is no handle of ours
// (closing it closed this process's standard output once), so it is left alone.
bool RunUnixCommand(const std::string& commandLine) {
    std::string line = commandLine;
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    return CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                          &startup, &process) != 0;
}


bool WaitUntil(bool present, const std::string& path) {
    for (int i = 0; i < 500; ++i) {
        if (Exists(path) == present) return true;
        Sleep(20);
    }
    return false;
}

HKEY OpenShellFolders() {
    HKEY key = nullptr;
    RegCreateKeyExW(HKEY_CURRENT_USER, kShellFolders, 0, nullptr, 0, KEY_READ | KEY_WRITE,
                    nullptr, &key, nullptr);
    return key;
}

// Removes what lies at path (a literal "\\?\" path), whatever its names, and never enters
// nor removes a link: that would act on its target under Wine.
void RemoveLiteral(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return;
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) {
        DeleteFileW(path.c_str());
        return;
    }
    std::vector<std::wstring> children;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((path + L"\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name != L"." && name != L"..") children.push_back(path + L"\\" + name);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    for (const std::wstring& child : children) RemoveLiteral(child);
    RemoveDirectoryW(path.c_str());
}

// Saves the value's raw bytes, then writes data as given; null data removes the value.
void Override(const std::string& name, const BYTE* data, DWORD size, DWORD type,
              std::vector<BYTE>& saved, DWORD& savedType, bool& existed) {
    HKEY key = OpenShellFolders();
    DWORD savedSize = 0;
    existed = RegQueryValueExW(key, Utf16(name).c_str(), nullptr, &savedType, nullptr,
                               &savedSize) == ERROR_SUCCESS;
    if (existed) {
        saved.resize(savedSize);
        RegQueryValueExW(key, Utf16(name).c_str(), nullptr, &savedType, saved.data(), &savedSize);
        saved.resize(savedSize);
    }
    // The system adds a NUL to a string that lacks one when a NUL follows it in memory; a
    // guard keeps the data exactly as given.
    std::vector<BYTE> copy(data, data + (data ? size : 0));
    copy.insert(copy.end(), {'X', 'X'});
    if (data)
        RegSetValueExW(key, Utf16(name).c_str(), 0, type, copy.data(), size);
    else
        RegDeleteValueW(key, Utf16(name).c_str());
    RegCloseKey(key);
}

BOOL CALLBACK CollectBox(HWND window, LPARAM found) {
    char className[16];
    if (IsWindowVisible(window) && GetClassNameA(window, className, sizeof(className)) &&
        strcmp(className, "#32770") == 0)
        reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
    return TRUE;
}

// WM_GETTEXT, bounded: a window whose thread hangs must not hang the reader. Not aborted for
// a thread the system calls hung: a box shown after more than five seconds without messages
// (the end of a long removal) is that until its loop starts, and its texts would read empty.
// Read wide and given in code page 936, whatever the code page of this process.
std::string TextOf(HWND window) {
    wchar_t text[4096] = L"";
    DWORD_PTR length = 0;
    if (window)
        SendMessageTimeoutW(window, WM_GETTEXT, 4096, reinterpret_cast<LPARAM>(text),
                            SMTO_NORMAL, 5000, &length);
    char gbk[8192] = "";
    WideCharToMultiByte(936, 0, text, -1, gbk, sizeof(gbk), nullptr, nullptr);
    return gbk;
}

}  // namespace

std::string UnixPath(const std::string& windowsPath) {
    typedef char*(CDECL * UnixName)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixName>(
        GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name"));
    if (!toUnix) return "";
    char* unixName = toUnix(Utf16(windowsPath).c_str());
    if (!unixName) return "";
    std::string result = unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    return result;
}

std::vector<HWND> VisibleBoxes() {
    std::vector<HWND> found;
    EnumWindows(CollectBox, reinterpret_cast<LPARAM>(&found));
    return found;
}

Box ReadBox(HWND window) {
    Box box;
    GetWindowThreadProcessId(window, &box.pid);
    box.caption = TextOf(window);
    box.text = TextOf(GetDlgItem(window, 0xFFFF));
    for (int id : kButtonIds) {
        HWND button = GetDlgItem(window, id);
        if (button && (GetWindowLongA(button, GWL_STYLE) & WS_VISIBLE)) box.buttons.push_back(id);
    }
    return box;
}

// ---- Paths -------------------------------------------------------------------------------
std::string WinPath(const std::string& unixPath) {
    std::string path = "Z:" + unixPath;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
}

std::string UninstallExe() { return WinPath(WT_UNINSTALL_EXE); }
std::string SleeperExe() { return WinPath(WT_SLEEPER_EXE); }
std::string Sleeper64Exe() { return WinPath(WT_SLEEPER64_EXE); }
std::string WorkingCopy() { return TempDir() + "\\VORNAuninstall.exe"; }

std::vector<std::string> WorkingCopyFolders() {
    std::vector<std::string> folders;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(Utf16(TempDir() + "\\VORNAuninstall.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return folders;
    do {
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            folders.push_back(TempDir() + "\\" + FromUtf16(entry.cFileName));
    } while (FindNextFileW(search, &entry));
    FindClose(search);
    return folders;
}

void RemoveWorkingCopyFolders() {
    for (const std::string& folder : WorkingCopyFolders()) RemoveAll(folder);
}

std::string TempDir() {
    std::string localAppData = ShellFolder("Local AppData");
    if (!localAppData.empty() && Exists(localAppData + "\\Temp")) return localAppData + "\\Temp";
    return "C:\\Windows\\Temp";
}

std::wstring Utf16(const std::string& utf8) {
    int n = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(n > 0 ? n : 1, L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], n);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string FromUtf16(const std::wstring& wide) {
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(n > 0 ? n : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), -1, &utf8[0], n, nullptr, nullptr);
    utf8.resize(utf8.size() - 1);
    return utf8;
}

std::string Utf16Bytes(const std::wstring& text) {
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

// ---- Message boxes -----------------------------------------------------------------------
RunResult RunAndAnswer(const std::string& commandLine, std::vector<Answer> answers,
                       const std::string& currentDirectory, DWORD timeoutMs) {
    return RunAndAnswer(commandLine, std::move(answers), currentDirectory, timeoutMs, nullptr);
}

RunResult RunAndAnswer(const std::string& commandLine, std::vector<Answer> answers,
                       const std::string& currentDirectory, DWORD timeoutMs,
                       const std::function<void(HWND, const Box&)>& onBox) {
    RunResult result;
    result.exitCode = 0xFFFFFFFF;
    // Every process the command starts joins its job: the run is over when the job is empty.
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    std::wstring line = Utf16(commandLine), directory = Utf16(currentDirectory);
    STARTUPINFOW startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    if (!job || !CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, CREATE_SUSPENDED,
                                nullptr, directory.empty() ? nullptr : directory.c_str(),
                                &startup, &process)) {
        if (job) CloseHandle(job);
        return result;
    }
    AssignProcessToJobObject(job, process.hProcess);
    ResumeThread(process.hThread);
    result.pid = process.dwProcessId;

    Answerer answerer(std::move(answers), [job](DWORD pid) { return InJob(job, pid); }, onBox);
    DWORD began = GetTickCount();
    bool startedEnded = false;
    for (;;) {
        // A process showing a box cannot end before the box is answered, so once none is
        // left every box of the run has been seen.
        answerer.Poll(result.boxes);
        // Whether the started process has ended is asked before the job is counted, so that
        // a count taken after its end tells whether others run on.
        bool ended = WaitForSingleObject(process.hProcess, 0) == WAIT_OBJECT_0;
        JOBOBJECT_BASIC_ACCOUNTING_INFORMATION accounting{};
        QueryInformationJobObject(job, JobObjectBasicAccountingInformation, &accounting,
                                  sizeof(accounting), nullptr);
        result.processes = accounting.TotalProcesses;
        if (ended && !startedEnded) {
            startedEnded = true;
            result.endedFirst = accounting.ActiveProcesses > 0;
        }
        if (accounting.ActiveProcesses == 0) break;
        // At the timeout the job is ended; ten seconds more for its processes to go.
        if (GetTickCount() - began > timeoutMs + (result.timedOut ? 10000 : 0)) {
            if (result.timedOut) break;
            result.timedOut = true;
            TerminateJobObject(job, 0xFFFFFFFF);
        }
        Sleep(10);
    }
    QueryPerformanceCounter(&end);
    result.seconds = double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart);
    WaitForSingleObject(process.hProcess, 10000);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    CloseHandle(job);
    return result;
}

struct BoxWatcher::State {
    explicit State(std::vector<Answer> answers)
        : answerer(std::move(answers), [](DWORD pid) { return pid == GetCurrentProcessId(); }) {}

    Answerer answerer;
    std::vector<Box> boxes;
    SRWLOCK lock = SRWLOCK_INIT;
    Poller poller{[this] { Locked([this] { answerer.Poll(boxes); }); }, 20};  // last: it uses all

    template <class F>
    void Locked(F f) {
        AcquireSRWLockExclusive(&lock);
        f();
        ReleaseSRWLockExclusive(&lock);
    }
};

BoxWatcher::BoxWatcher(std::vector<Answer> answers) : state_(new State(std::move(answers))) {}

BoxWatcher::~BoxWatcher() { delete state_; }

std::vector<Box> BoxWatcher::Boxes() {
    std::vector<Box> boxes;
    state_->Locked([&] { boxes = state_->boxes; });
    return boxes;
}

std::string Gbk(const std::string& utf8) { return Convert(utf8, CP_UTF8, 936); }
std::string Utf8(const std::string& gbk) { return Convert(gbk, 936, CP_UTF8); }

bool operator==(const Box& a, const Box& b) {
    return a.caption == b.caption && a.text == b.text && a.buttons == b.buttons;
}

std::string Describe(const Box& box) {
    std::string line = Utf8(box.caption) + " | " + Utf8(box.text) + " |";
    for (size_t i = 0; i < box.buttons.size(); ++i) {
        line += i ? "," : " ";
        int id = box.buttons[i];
        line += id >= IDOK && id <= IDNO ? kButtonNames[id - IDOK] : std::to_string(id);
    }
    return line;
}

void PrintTo(const Box& box, std::ostream* os) { *os << "{" << Describe(box) << "}"; }

// ---- Stand-in programs -------------------------------------------------------------------
RunningProgram::RunningProgram(const std::string& dir, const std::string& fileName,
                               DWORD lifetimeMs, const std::string& program) {
    MakeDirs(dir);
    std::string path = dir + "\\" + fileName;
    CopyFileW(Utf16(program).c_str(), Utf16(path).c_str(), FALSE);
    pi_ = StartSleeper(path, std::to_string(lifetimeMs));
}

RunningProgram::~RunningProgram() { StopProcess(pi_); }

bool RunningProgram::IsRunning() const {
    return pi_.hProcess && WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT;
}

DWORD RunningProgram::pid() const { return pi_.dwProcessId; }

HeldFile::HeldFile(const std::string& path, DWORD lifetimeMs, How how) {
    const char* const kSwitches[] = {"--hold", "--scan", "--in"};
    pi_ = StartSleeper(SleeperExe(), std::string(kSwitches[how]) + " \"" + path + "\" " +
                                         std::to_string(lifetimeMs));
}

static bool WindowShowing(const std::string& className) {
    HWND window = FindWindowA(className.c_str(), nullptr);
    return window && IsWindowVisible(window);
}

struct WindowWatcher::State {
    explicit State(const char* name) : className(name) {}

    const std::string className;
    volatile LONG seen = 0, width = 0;
    Poller poller{[this] {
                      RECT client;
                      if (!WindowShowing(className)) return;
                      InterlockedExchange(&seen, 1);
                      if (GetClientRect(FindWindowA(className.c_str(), nullptr), &client))
                          InterlockedExchange(&width, client.right - client.left);
                  },
                  10};
};

WindowWatcher::WindowWatcher(const char* className) : state_(new State(className)) {}

WindowWatcher::~WindowWatcher() { delete state_; }

bool WindowWatcher::Seen() const { return state_->seen != 0; }
bool WindowWatcher::Showing() const { return WindowShowing(state_->className); }
LONG WindowWatcher::Width() const { return state_->width; }

// ---- Restart ------------------------------------------------------------------------------
namespace {

const char kSessionManager[] = "System\\CurrentControlSet\\Control\\Session Manager";
const char kPending[] = "PendingFileRenameOperations";

}  // namespace

std::vector<std::string> PendingDeletes() {
    std::vector<std::string> paths;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return paths;
    std::vector<char> data(65536);
    DWORD size = static_cast<DWORD>(data.size()), type = 0;
    if (RegQueryValueExA(key, kPending, nullptr, &type, reinterpret_cast<BYTE*>(data.data()),
                         &size) == ERROR_SUCCESS &&
        type == REG_MULTI_SZ) {
        // Pairs of source and target; an empty target means: delete the source.
        for (size_t at = 0; at < size && data[at];) {
            std::string source = &data[at];
            at += source.size() + 1;
            std::string target = at < size ? &data[at] : "";
            at += target.size() + 1;
            if (target.empty()) paths.push_back(source.substr(source.find(':') - 1));
        }
    }
    RegCloseKey(key);
    return paths;
}

void RestartPrefix() {
    std::string line = "wineboot.exe -r";
    STARTUPINFOA startup{};
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process{};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return;
    WaitForSingleObject(process.hProcess, 60000);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
}

SchedulingBlocked::SchedulingBlocked() {
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                    &key, nullptr);
    DWORD blocked = 1;
    RegSetValueExA(key, kPending, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&blocked),
                   sizeof(blocked));
    RegCloseKey(key);
}

SchedulingBlocked::~SchedulingBlocked() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kSessionManager, 0, KEY_ALL_ACCESS, &key) !=
        ERROR_SUCCESS)
        return;
    RegDeleteValueA(key, kPending);
    RegCloseKey(key);
}

HeldFile::~HeldFile() { StopProcess(pi_); }

// ---- Files -------------------------------------------------------------------------------
std::string CopyUninstall(const std::string& path) {
    MakeDirs(path.substr(0, path.find_last_of('\\')));
    CopyFileW(Utf16(UninstallExe()).c_str(), Utf16(path).c_str(), FALSE);
    return path;
}

std::string InstallUninstaller(const std::string& dir, const std::string& confXml) {
    WriteTextFile(dir + "\\conf.xml", confXml);
    return CopyUninstall(dir + "\\uninstall.exe");
}

void WriteTextFile(const std::string& path, const std::string& content) {
    size_t slash = path.find_last_of('\\');
    if (slash != std::string::npos) MakeDirs(path.substr(0, slash));
    HANDLE file = CreateFileW(Utf16(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
    CloseHandle(file);
}

std::string ReadTextFile(const std::string& path) {
    std::string content;
    HANDLE file = CreateFileW(Utf16(path).c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING, 0,
                              nullptr);
    if (file == INVALID_HANDLE_VALUE) return content;
    char buffer[65536];
    DWORD read = 0;
    while (ReadFile(file, buffer, sizeof(buffer), &read, nullptr) && read)
        content.append(buffer, read);
    CloseHandle(file);
    return content;
}

void MakeDirs(const std::string& path) {
    for (size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        CreateDirectoryW(Utf16(path.substr(0, at)).c_str(), nullptr);
    CreateDirectoryW(Utf16(path).c_str(), nullptr);
}

bool WriteLiteral(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 7); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    return file != INVALID_HANDLE_VALUE && CloseHandle(file);
}

bool Exists(const std::string& path) {
    return GetFileAttributesW(Utf16(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

void RemoveAll(const std::string& path) { RemoveLiteral(L"\\\\?\\" + Utf16(path)); }

bool MakeLink(const std::string& link, const std::string& target) {
    MakeDirs(link.substr(0, link.find_last_of('\\')));
    std::string unixLink = UnixPath(link), unixTarget = UnixPath(target);
    return !unixLink.empty() && !unixTarget.empty() &&
           RunUnixCommand("Z:\\bin\\ln -s \"" + unixTarget + "\" \"" + unixLink + "\"") &&
           WaitUntil(true, link);
}

void RemoveLink(const std::string& link) {
    std::string unixLink = Exists(link) ? UnixPath(link) : "";
    if (!unixLink.empty() && RunUnixCommand("Z:\\bin\\rm -f \"" + unixLink + "\""))
        WaitUntil(false, link);
}

bool RunPerlIn(const std::string& dir, const std::string& program) {
    const std::string unixDir = UnixPath(dir), done = dir + "\\perl-done";
    DeleteFileW(Utf16(done).c_str());
    return !unixDir.empty() &&
           RunUnixCommand("Z:\\usr\\bin\\perl -e \"chdir '" + unixDir + "' or die; my $d = '" +
                          unixDir + "/perl-done'; " + program + "; open(D, '>', $d)\"") &&
           WaitUntil(true, done) && DeleteFileW(Utf16(done).c_str());
}

std::vector<std::string> ListTree(const std::string& root) {
    std::vector<std::string> paths;
    ListInto(root, "", paths);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// ---- Registry ----------------------------------------------------------------------------
AddedValue::AddedValue(HKEY root, const std::string& subkey, const std::string& name,
                       const std::string& value)
    : root_(root), subkey_(subkey), name_(name) {
    HKEY key = nullptr;
    DWORD made = 0;
    std::wstring text = Utf16(value);
    if (RegCreateKeyExW(root, Utf16(subkey).c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        &made) != ERROR_SUCCESS)
        return;
    madeKey_ = made == REG_CREATED_NEW_KEY;
    RegSetValueExW(key, Utf16(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

AddedValue::~AddedValue() {
    if (madeKey_)
        RegDeleteTreeW(root_, Utf16(subkey_).c_str());
    else
        RegDeleteKeyValueW(root_, Utf16(subkey_).c_str(), Utf16(name_).c_str());
}

void CreateUninstallKey(HKEY root, const std::string& name) {
    HKEY key = nullptr;
    std::wstring path = Utf16(std::string(kUninstallKey) + "\\" + name), display = Utf16(name);
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"DisplayName", 0, REG_SZ, reinterpret_cast<const BYTE*>(display.c_str()),
                   static_cast<DWORD>((display.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

bool UninstallKeyExists(HKEY root, const std::string& name) {
    HKEY key = nullptr;
    std::wstring path = Utf16(std::string(kUninstallKey) + "\\" + name);
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | KEY_WOW64_32KEY, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void DeleteUninstallKeyTree(HKEY root, const std::string& name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, kUninstallKey, 0, KEY_ALL_ACCESS | KEY_WOW64_32KEY, &key) !=
        ERROR_SUCCESS)
        return;
    RegDeleteTreeW(key, Utf16(name).c_str());
    RegCloseKey(key);
}

std::string ShellFolder(const std::string& valueName) {
    HKEY key = OpenShellFolders();
    wchar_t value[2048];
    DWORD size = sizeof(value) - sizeof(wchar_t), type = 0;
    std::string result;
    if (RegQueryValueExW(key, Utf16(valueName).c_str(), nullptr, &type,
                         reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        value[size / sizeof(wchar_t)] = L'\0';
        result = FromUtf16(value);
    }
    RegCloseKey(key);
    return result;
}

ShellFolderOverride::ShellFolderOverride(const std::string& valueName, const char* value,
                                         DWORD type)
    : name_(valueName) {
    std::string data = value ? Utf16Bytes(Utf16(value) + L'\0') : std::string();
    Override(name_, value ? reinterpret_cast<const BYTE*>(data.data()) : nullptr,
             static_cast<DWORD>(data.size()), type, saved_, savedType_, existed_);
}

ShellFolderOverride::ShellFolderOverride(const std::string& valueName,
                                         const std::string& rawData, DWORD type)
    : name_(valueName) {
    Override(name_, reinterpret_cast<const BYTE*>(rawData.data()),
             static_cast<DWORD>(rawData.size()), type, saved_, savedType_, existed_);
}

ShellFolderOverride::~ShellFolderOverride() {
    HKEY key = OpenShellFolders();
    if (existed_)
        RegSetValueExW(key, Utf16(name_).c_str(), 0, savedType_, saved_.data(),
                       static_cast<DWORD>(saved_.size()));
    else
        RegDeleteValueW(key, Utf16(name_).c_str());
    RegCloseKey(key);
}

// ---- A small installation ----------------------------------------------------------------
namespace {

const char* const kInstalledFiles[] = {"app.exe", "data\\settings.ini", "data\\more\\notes.txt"};

}  // namespace

Installation::Installation(const std::string& root, std::vector<Key> keys,
                           const std::string& folder)
    : root(root), dir(root + "\\" + folder), keys_(std::move(keys)) {}

Installation::~Installation() { Remove(); }

void Installation::Install() const {
    for (const char* file : kInstalledFiles) WriteTextFile(dir + "\\" + file, file);
    for (const Key& key : keys_) CreateUninstallKey(key.root, key.name);
}

void Installation::Remove() {
    for (const std::string& link : links_) RemoveLink(link);
    links_.clear();
    RemoveAll(root);
    for (const Key& key : keys_) DeleteUninstallKeyTree(key.root, key.name);
    size_t slash = root.find_last_of('\\');
    if (slash > 2) RemoveDirectoryW(Utf16(root.substr(0, slash)).c_str());  // only when empty
}

// A link an interrupted run left there would take the new one inside its target.
bool Installation::MakeLink(const std::string& link, const std::string& target) {
    links_.push_back(link);
    RemoveLink(link);
    return wt::MakeLink(link, target);
}

bool Installation::Intact() const {
    for (const char* file : kInstalledFiles)
        if (!Exists(dir + "\\" + file)) return false;
    return KeysThere();
}

bool Installation::KeysThere() const {
    for (const Key& key : keys_)
        if (!UninstallKeyExists(key.root, key.name)) return false;
    return true;
}

bool Installation::KeysGone() const {
    for (const Key& key : keys_)
        if (UninstallKeyExists(key.root, key.name)) return false;
    return true;
}

bool Installation::Gone() const { return !Exists(dir) && KeysGone(); }

std::string Installation::Options() const {
    std::string options = "-p \"" + dir + "\\\"";
    for (size_t i = 0; i < keys_.size(); ++i) options += (i ? "," : " -R \"") + keys_[i].name;
    return keys_.empty() ? options : options + "\"";
}

}  // namespace wt
