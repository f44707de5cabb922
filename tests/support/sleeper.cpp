// A stand-in for an application's program: lives for the given milliseconds, then ends.
// sleeper.exe [--hold PATH | --scan PATH | --in DIR] [--ready EVENT] [--window] MILLISECONDS;
// with --hold it keeps PATH open without FILE_SHARE_DELETE for its whole life, with --scan
// sharing everything (as a virus scanner does), with --in it works in DIR; with --ready it sets the named
// event once it is running (and holding); with --window it holds a hidden window, which
// keeps Wine's desktop process alive for that long (Wine ends it a moment after the last
// window goes, and the next program to show one pays for starting it again).
#include <windows.h>

#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    DWORD lifetime = 60000;
    HANDLE held = INVALID_HANDLE_VALUE;
    const char* ready = nullptr;
    bool window = false;
    for (int i = 1; i < argc; ++i) {
        if ((strcmp(argv[i], "--hold") == 0 || strcmp(argv[i], "--scan") == 0) && i + 1 < argc) {
            DWORD share = argv[i][2] == 's' ? FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE
                                            : FILE_SHARE_READ;
            held = CreateFileA(argv[++i], GENERIC_READ, share, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            if (held == INVALID_HANDLE_VALUE) return 2;
        } else if (strcmp(argv[i], "--in") == 0 && i + 1 < argc) {
            if (!SetCurrentDirectoryA(argv[++i])) return 2;
        } else if (strcmp(argv[i], "--ready") == 0 && i + 1 < argc) {
            ready = argv[++i];
        } else if (strcmp(argv[i], "--window") == 0) {
            window = true;
        } else {
            lifetime = strtoul(argv[i], nullptr, 10);
        }
    }
    if (ready) {
        HANDLE event = OpenEventA(EVENT_MODIFY_STATE, FALSE, ready);
        if (event) SetEvent(event);
        if (event) CloseHandle(event);
    }
    if (window && CreateWindowA("STATIC", "sleeper", WS_OVERLAPPED, 0, 0, 1, 1, nullptr,
                                nullptr, nullptr, nullptr)) {
        SetTimer(nullptr, 0, lifetime, nullptr);
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0 && message.message != WM_TIMER)
            DispatchMessageA(&message);
    } else {
        Sleep(lifetime);
    }
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    return 0;
}
