// Command-line splitting and option scanning. Portable: no windows.h.
#pragma once

// The five option fields. They never own their texts.
struct OptionFields {
    const char* m_installDir = nullptr;     // -p
    const char* m_executable = nullptr;     // -e
    const char* m_regFolderName = nullptr;  // -R
    const char* m_scFolderName = nullptr;   // -S
    const char* m_scDesktopName = nullptr;  // -s
};

enum { kMaxCommandLineItems = 128 };

// Cuts a copy of the command line into items (blanks and tabs separate, double quotes
// group, no escapes). Returns the item count, program name included, or 0.
int SplitCommandLine(const char* commandLine);
// Item i of the last split, or null past the last item.
const char* CommandLineItem(int index);

// Returns the next option letter, '?' for an unknown option or a missing argument, -1
// when the options are over; the letter's argument is kept for ParseOptions.
int GetOpt(int count);
// Starts the next GetOpt scan afresh at item 1.
void RestartOptionScan();

// Scans the split items into the fields. Returns 0 when -p came with an empty argument
// (the scan ends there and the caller reports it), 1 otherwise.
int ParseOptions(int count, OptionFields& fields);
