// Process start-up and shut-down around the one application object.
#include <windows.h>

#include "app/uninstall.h"
#include "base/loaded.h"

// The one application object, constructed before start-up.
static uninstall theApp;

// Sharp at any scale: aware of each monitor's DPI where the system offers that (Windows 10:
// version 2 from 1703, the first from 1607), else of the system's (Windows 7 and 8), so that
// Windows does not stretch the boxes and the progress window as bitmaps. The application
// manifest stays as it is.
static void DeclareDpiAwareness() {
    auto setContext = FromLoadedDll<BOOL(WINAPI*)(HANDLE)>(L"user32.dll",
                                                          "SetProcessDpiAwarenessContext");
    const HANDLE kPerMonitorV2 = reinterpret_cast<HANDLE>(-4);
    const HANDLE kPerMonitor = reinterpret_cast<HANDLE>(-3);
    if (setContext && (setContext(kPerMonitorV2) || setContext(kPerMonitor))) return;
    SetProcessDPIAware();
}

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Load system DLLs from the system folder only: the working copy runs from the temp
    // directory, where anybody may have planted a DLL.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    DeclareDpiAwareness();
    theApp.InitInstance();
    return theApp.ExitInstance();
}
