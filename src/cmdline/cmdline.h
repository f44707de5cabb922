// Command-line splitting and option scanning. Portable: no windows.h.
#pragma once

// The five option fields. They never own their texts.
struct OptionFields {
    const wchar_t* m_installDir = nullptr;     // -p
    const wchar_t* m_executable = nullptr;     // -e
    const wchar_t* m_regFolderName = nullptr;  // -R
    const wchar_t* m_scFolderName = nullptr;   // -S
    const wchar_t* m_scDesktopName = nullptr;  // -s
};

// The switches of deployment tools, anywhere on the line and in any letter case: /S,
// /SILENT, /VERYSILENT, /quiet or /qn for a quiet run, /DRYRUN, /LOG or /LOG=path.
struct Switches {
    bool quiet = false;
    bool dryRun = false;  // implies log
    bool log = false;
    const wchar_t* logPath = nullptr;  // null for /LOG alone
};

enum { kMaxCommandLineItems = 128 };

// One process's command line: a copy of it cut into items, and the scan of its options.
class CommandLine {
public:
    CommandLine() = default;
    ~CommandLine();
    CommandLine(const CommandLine&) = delete;
    CommandLine& operator=(const CommandLine&) = delete;

    // Cuts a copy of the command line into items (blanks and tabs separate, double quotes
    // group, no escapes). Returns the item count, program name included, or 0.
    int SplitCommandLine(const wchar_t* commandLine);
    // Item i of the last split, or null past the last item.
    const wchar_t* Item(int index) const;
    // Takes the switches out of the first count items, so that the options around them scan
    // as if they were not there, and returns how many items are left. A log path may be
    // quoted as a whole item ("/LOG=C:\a b.log") or after the equals sign
    // (/LOG="C:\a b.log"), where the split has cut it at its blanks: its pieces are joined
    // again with one blank each.
    int TakeSwitches(int count, Switches& switches);
    // Returns the next option letter, '?' for an unknown option or a missing argument, -1
    // when the options are over; the letter's argument is kept for ParseOptions.
    int GetOpt(int count);
    // Scans the split items into the fields. False when -p came with an empty argument (the
    // scan ends there and the caller reports it).
    bool ParseOptions(int count, OptionFields& fields);

private:
    wchar_t* lineCopy_ = nullptr;
    const wchar_t* items_[kMaxCommandLineItems + 1] = {};
    int scanIndex_ = 0;
    const wchar_t* scanPosition_ = nullptr;
    const wchar_t* optionArgument_ = nullptr;
};
