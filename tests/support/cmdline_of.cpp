#include "cmdline_of.h"

#include <winternl.h>

namespace wt {
namespace {

// Offsets in a 32-bit process: PEB.ProcessParameters, and in RTL_USER_PROCESS_PARAMETERS
// CurrentDirectory.DosPath and CommandLine.
const DWORD kProcessParameters = 0x10;
const DWORD kCurrentDirectory = 0x24;
const DWORD kCommandLine = 0x40;

struct UnicodeString32 {
    USHORT length;
    USHORT maximumLength;
    DWORD buffer;
};

typedef NTSTATUS(NTAPI* QueryInformationProcess)(HANDLE, PROCESSINFOCLASS, PVOID, ULONG, PULONG);

bool ReadRemote(HANDLE process, DWORD address, void* out, SIZE_T size) {
    SIZE_T read = 0;
    return ReadProcessMemory(process, reinterpret_cast<LPCVOID>(static_cast<UINT_PTR>(address)),
                             out, size, &read) &&
           read == size;
}

bool ReadParametersText(HANDLE process, DWORD offset, std::string& text) {
    FARPROC query = GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQueryInformationProcess");
    if (!query) return false;
    PROCESS_BASIC_INFORMATION basic;
    ULONG size = 0;
    if (reinterpret_cast<QueryInformationProcess>(reinterpret_cast<void*>(query))(
            process, ProcessBasicInformation, &basic, sizeof(basic), &size) != 0)
        return false;
    DWORD parameters = 0;
    UnicodeString32 value;
    if (!ReadRemote(process,
                    static_cast<DWORD>(reinterpret_cast<UINT_PTR>(basic.PebBaseAddress)) +
                        kProcessParameters,
                    &parameters, sizeof(parameters)) ||
        !parameters || !ReadRemote(process, parameters + offset, &value, sizeof(value)))
        return false;
    std::wstring wide(value.length / sizeof(wchar_t), L'\0');
    if (!wide.empty() && !ReadRemote(process, value.buffer, &wide[0], value.length)) return false;
    text.clear();
    if (wide.empty()) return true;
    int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr,
                                0, nullptr, nullptr);
    text.resize(n);
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n,
                        nullptr, nullptr);
    return true;
}

}  // namespace

bool CommandLineOf(HANDLE process, std::string& commandLine) {
    return ReadParametersText(process, kCommandLine, commandLine);
}

bool CurrentDirectoryOf(HANDLE process, std::string& directory) {
    return ReadParametersText(process, kCurrentDirectory, directory);
}

}  // namespace wt
