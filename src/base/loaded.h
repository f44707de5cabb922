// Functions that older Windows lacks, taken from a system DLL the process has already
// loaded, so that the executable imports nothing beyond what every supported system has.
#pragma once
#include <windows.h>

// name from dll as a Function; null where the system lacks it or dll is not loaded.
template <typename Function>
Function FromLoadedDll(const wchar_t* dll, const char* name) {
    HMODULE module = GetModuleHandleW(dll);
    // Through void(*)(): the one function pointer type any other converts to without a warning.
    return module ? reinterpret_cast<Function>(
                        reinterpret_cast<void (*)()>(GetProcAddress(module, name)))
                  : nullptr;
}
