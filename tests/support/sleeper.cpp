// A stand-in for an application's program: lives for the given milliseconds, then ends.
// sleeper.exe [--hold PATH] MILLISECONDS; with --hold it keeps PATH open without
// FILE_SHARE_DELETE for its whole life.
#include <windows.h>

#include <stdlib.h>
#include <string.h>

int main(int argc, char** argv) {
    DWORD lifetime = 60000;
    HANDLE held = INVALID_HANDLE_VALUE;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--hold") == 0 && i + 1 < argc) {
            held = CreateFileA(argv[++i], GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_FLAG_BACKUP_SEMANTICS, nullptr);
            if (held == INVALID_HANDLE_VALUE) return 2;
        } else {
            lifetime = strtoul(argv[i], nullptr, 10);
        }
    }
    // Going idle once tells a starter waiting in WaitForInputIdle that we are ready.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);
    Sleep(lifetime);
    if (held != INVALID_HANDLE_VALUE) CloseHandle(held);
    return 0;
}
