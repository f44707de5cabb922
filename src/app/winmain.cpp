// Process start-up and shut-down around the one application object.
#include <windows.h>

#include "app/uninstall.h"

// The one application object, constructed before start-up.
static uninstall theApp;

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Load system DLLs from the system folder only: the working copy runs from the temp
    // directory, where anybody may have planted a DLL.
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    SetErrorMode(GetErrorMode() | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
    theApp.InitInstance();
    return theApp.ExitInstance();
}
