// The benchmark's launcher: starts one command line, presses OK on every message box that it
// or a process it started shows, and waits until all of them have ended. It prints the time
// from just before the start to the end of the last process, so that its own start-up, which
// is the same for every tool, is not counted.
//
//   launch.exe [--timeout SECONDS] "COMMAND LINE"   run, answer, wait, print a report
//   launch.exe --list                               print the running programs' base names
//   launch.exe --desktop SECONDS                    keep Wine's desktop open for so long
//
// Report lines: "elapsed SECONDS", "exit CODE" (of the started process), "processes N" (it
// and its descendants), "child PID NAME" per descendant, "box PID CAPTION-HEX TEXT-HEX" per
// box pressed. Exit code 0, or 2 on bad use, 3 when the start failed, 124 on timeout (the
// processes are ended then, and listed as "still running: PID NAME").
#include <windows.h>
#include <psapi.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <tlhelp32.h>

#include <string>
#include <vector>

namespace {

struct Tracked {
    DWORD pid;
    HANDLE handle;  // nullptr once ended
    ULONGLONG created;
    std::string name;
};

struct Answered {
    HWND box;
    DWORD when;
};

std::vector<Tracked> g_tracked;
std::vector<Answered> g_answered;
std::vector<std::string> g_report;

// Whether a tracked process with this id is still running.
bool IsLive(DWORD pid) {
    for (const Tracked& t : g_tracked)
        if (t.pid == pid && t.handle) return true;
    return false;
}

ULONGLONG CreationTime(HANDLE process) {
    FILETIME created, exited, kernel, user;
    if (!GetProcessTimes(process, &created, &exited, &kernel, &user)) return 0;
    return (ULONGLONG(created.dwHighDateTime) << 32) | created.dwLowDateTime;
}

// A process of ours started the process with this parent id, and not one that had the same
// id before: Wine hands out the ids of ended processes again at once.
bool StartedByTracked(DWORD parentPid, ULONGLONG created) {
    for (const Tracked& t : g_tracked)
        if (t.pid == parentPid && created >= t.created) return true;
    return false;
}

bool IsKnown(DWORD pid, ULONGLONG created) {
    for (const Tracked& t : g_tracked)
        if (t.pid == pid && t.created == created) return true;
    return false;
}

// Wine starts its desktop (explorer.exe) or a console host from whichever process needs one
// first; they belong to the system, not to the tool, and outlive it.
bool IsSystemProgram(HANDLE process) {
    char path[MAX_PATH], dir[MAX_PATH];
    DWORD size = sizeof(path);
    if (!QueryFullProcessImageNameA(process, 0, path, &size)) return false;
    char* slash = strrchr(path, '\\');
    if (!slash) return false;
    *slash = '\0';
    UINT (WINAPI* folders[])(LPSTR, UINT) = {GetWindowsDirectoryA, GetSystemDirectoryA,
                                             GetSystemWow64DirectoryA};
    for (auto folder : folders) {
        UINT n = folder(dir, sizeof(dir));
        if (n > 0 && n < sizeof(dir) && lstrcmpiA(dir, path) == 0) return true;
    }
    return false;
}

// Adds every process whose parent is tracked: a parent that has ended still names its
// children, so one look after each end finds a relaunched copy.
void AdoptChildren() {
    for (bool added = true; added;) {
        added = false;
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        if (snapshot == INVALID_HANDLE_VALUE) return;
        PROCESSENTRY32 entry;
        entry.dwSize = sizeof(entry);
        for (BOOL ok = Process32First(snapshot, &entry); ok; ok = Process32Next(snapshot, &entry)) {
            if (!StartedByTracked(entry.th32ParentProcessID, ~0ULL)) continue;
            HANDLE h = OpenProcess(SYNCHRONIZE | PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION,
                                   FALSE, entry.th32ProcessID);
            if (!h) continue;  // already gone
            ULONGLONG created = CreationTime(h);
            if (!StartedByTracked(entry.th32ParentProcessID, created) ||
                IsKnown(entry.th32ProcessID, created) || IsSystemProgram(h)) {
                CloseHandle(h);
                continue;
            }
            g_tracked.push_back({entry.th32ProcessID, h, created, entry.szExeFile});
            added = true;
        }
        CloseHandle(snapshot);
    }
}

std::string Hex(const char* bytes) {
    std::string out;
    char two[3];
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes); *p; ++p) {
        snprintf(two, sizeof(two), "%02x", *p);
        out += two;
    }
    return out.empty() ? "-" : out;
}

BOOL CALLBACK AnswerBox(HWND window, LPARAM) {
    char className[32];
    if (!IsWindowVisible(window) || !GetClassNameA(window, className, sizeof(className)) ||
        strcmp(className, "#32770") != 0)
        return TRUE;
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    if (!IsLive(pid)) AdoptChildren();
    if (!IsLive(pid)) return TRUE;
    DWORD now = GetTickCount();
    for (Answered& a : g_answered) {
        if (a.box != window) continue;
        // Pressed already: press again only if the box seems to have missed it.
        if (now - a.when < 2000) return TRUE;
        a.when = now;
        PostMessageA(window, WM_COMMAND, IDOK, 0);
        return TRUE;
    }
    char caption[512] = "", text[2048] = "";
    GetWindowTextA(window, caption, sizeof(caption));
    GetDlgItemTextA(window, 0xFFFF, text, sizeof(text));
    g_report.push_back("box " + std::to_string(pid) + " " + Hex(caption) + " " + Hex(text));
    g_answered.push_back({window, now});
    PostMessageA(window, WM_COMMAND, IDOK, 0);
    return TRUE;
}

int ListPrograms() {
    DWORD ids[4096], bytes = 0;
    if (!K32EnumProcesses(ids, sizeof(ids), &bytes)) return 3;
    for (DWORD i = 0; i < bytes / sizeof(DWORD); ++i) {
        HANDLE h = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, ids[i]);
        if (!h) continue;
        HMODULE module;
        DWORD needed = 0;
        char name[MAX_PATH];
        if (K32EnumProcessModules(h, &module, sizeof(module), &needed) && needed &&
            K32GetModuleBaseNameA(h, module, name, sizeof(name)))
            printf("%s\n", name);
        CloseHandle(h);
    }
    return 0;
}

// Wine closes its desktop process a moment after the last window is gone and starts it again
// for the next program that needs one: a hidden window spares every timed tool that start.
int HoldDesktop(DWORD seconds) {
    HWND window = CreateWindowA("STATIC", "bench desktop", WS_OVERLAPPED, 0, 0, 1, 1, nullptr,
                                nullptr, nullptr, nullptr);
    if (!window) return 3;
    SetTimer(window, 1, seconds * 1000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER)
        DispatchMessageA(&message);
    DestroyWindow(window);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc == 2 && strcmp(argv[1], "--list") == 0) return ListPrograms();
    if (argc == 3 && strcmp(argv[1], "--desktop") == 0) return HoldDesktop(atoi(argv[2]));
    DWORD timeoutMs = 300000;
    int at = 1;
    if (argc == 4 && strcmp(argv[1], "--timeout") == 0) {
        timeoutMs = static_cast<DWORD>(atoi(argv[2])) * 1000;
        at = 3;
    }
    if (at != argc - 1) {
        fprintf(stderr, "usage: launch.exe [--timeout SECONDS] \"COMMAND LINE\" | --list\n");
        return 2;
    }
    std::string commandLine = argv[at];

    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    STARTUPINFOA startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION process;
    DWORD began = GetTickCount();
    QueryPerformanceCounter(&start);
    if (!CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, "C:\\",
                        &startup, &process)) {
        fprintf(stderr, "launch.exe: cannot start %s (error %lu)\n", commandLine.c_str(),
                GetLastError());
        return 3;
    }
    CloseHandle(process.hThread);
    g_tracked.push_back({process.dwProcessId, process.hProcess, CreationTime(process.hProcess),
                         "(started)"});
    end = start;

    for (;;) {
        std::vector<HANDLE> live;
        for (const Tracked& t : g_tracked)
            if (t.handle) live.push_back(t.handle);
        if (live.empty()) break;
        DWORD woke = WaitForMultipleObjects(static_cast<DWORD>(live.size()), live.data(), FALSE, 10);
        if (woke < WAIT_OBJECT_0 + live.size()) {
            QueryPerformanceCounter(&end);
            for (Tracked& t : g_tracked) {
                if (!t.handle || WaitForSingleObject(t.handle, 0) != WAIT_OBJECT_0) continue;
                if (t.pid == process.dwProcessId) {
                    DWORD code = 0;
                    GetExitCodeProcess(t.handle, &code);
                    g_report.push_back("exit " + std::to_string(code));
                }
                if (t.handle != process.hProcess) CloseHandle(t.handle);
                t.handle = nullptr;
            }
            AdoptChildren();
            continue;
        }
        EnumWindows(AnswerBox, 0);
        if (GetTickCount() - began > timeoutMs) {
            for (const std::string& line : g_report) printf("%s\n", line.c_str());
            printf("timeout %s\n", commandLine.c_str());
            for (const Tracked& t : g_tracked) {
                if (!t.handle) continue;
                printf("still running: %lu %s\n", t.pid, t.name.c_str());
                TerminateProcess(t.handle, 124);
            }
            return 124;
        }
    }
    printf("elapsed %.6f\n", double(end.QuadPart - start.QuadPart) / double(frequency.QuadPart));
    printf("processes %u\n", static_cast<unsigned>(g_tracked.size()));
    for (size_t i = 1; i < g_tracked.size(); ++i)
        printf("child %lu %s\n", g_tracked[i].pid, g_tracked[i].name.c_str());
    for (const std::string& line : g_report) printf("%s\n", line.c_str());
    return 0;
}
