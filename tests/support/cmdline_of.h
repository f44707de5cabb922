// What another 32-bit process of the prefix was started with, as the system keeps it in
// that process's parameters (its PEB), converted to the ANSI code page.
#pragma once
#include <windows.h>

#include <string>

namespace wt {

// The process handle needs PROCESS_QUERY_INFORMATION and PROCESS_VM_READ. False when the
// text cannot be read.
bool CommandLineOf(HANDLE process, std::string& commandLine);
bool CurrentDirectoryOf(HANDLE process, std::string& directory);

}  // namespace wt
