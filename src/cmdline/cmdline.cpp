#include "cmdline/cmdline.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "base/text.h"

namespace {

const wchar_t kOptionLetters[] = L"p:e:R:S:s:";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

CommandLine::~CommandLine() { free(lineCopy_); }

int CommandLine::SplitCommandLine(const wchar_t* commandLine) {
    if (!commandLine || !*commandLine) return 0;
    items_[0] = items_[1] = nullptr;
    free(lineCopy_);
    size_t length = wcslen(commandLine);
    lineCopy_ = static_cast<wchar_t*>(malloc((length + 16) * sizeof(wchar_t)));
    if (!lineCopy_) return 0;
    memcpy(lineCopy_, commandLine, (length + 1) * sizeof(wchar_t));

    wchar_t* p = lineCopy_;
    if (*p == L'"') {
        ++p;
        if (!*p) return 0;
        items_[0] = p;
        while (*p && *p != L'"') ++p;
        if (!*p) {
            items_[0] = nullptr;
            return 0;
        }
        *p++ = L'\0';
    } else {
        items_[0] = p;
        while (*p && !IsBlank(*p)) ++p;
        if (*p) *p++ = L'\0';
    }
    items_[1] = nullptr;

    int count = 1;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) return count;
        bool quoted = *p == L'"';
        if (quoted) ++p;
        items_[count++] = p;
        items_[count] = nullptr;
        if (quoted) {
            if (!*p) return count;
            while (*p && *p != L'"') ++p;
        } else {
            while (*p && !IsBlank(*p)) ++p;
        }
        if (!*p) return count;
        *p++ = L'\0';
        if (count == kMaxCommandLineItems) return count;
    }
}

int CommandLine::TakeSwitches(int count, Switches& switches) {
    static const wchar_t* const kQuiet[] = {L"/S", L"/SILENT", L"/VERYSILENT", L"/QUIET", L"/QN"};
    int kept = count > 0 ? 1 : 0;
    for (int i = 1; i < count && items_[i]; ++i) {
        wchar_t* item = lineCopy_ + (items_[i] - lineCopy_);
        bool quiet = false;
        for (const wchar_t* name : kQuiet) quiet = quiet || EqualNoCase(item, name);
        if (quiet) {
            switches.quiet = true;
        } else if (EqualNoCase(item, L"/DRYRUN")) {
            switches.dryRun = switches.log = true;
        } else if (EqualNoCase(item, L"/LOG")) {
            switches.log = true;
        } else if (wcslen(item) >= 5 && EqualPrefixNoCase(item, L"/LOG=", 5)) {
            switches.log = true;
            wchar_t* path = item + 5;
            if (*path == L'"') {
                // The split ended the item at a blank inside the quotes: the pieces lie one
                // after the other in the line copy, each cut off by a NUL where a blank was.
                ++path;
                while (!wcschr(path, L'"') && i + 1 < count && items_[i + 1]) {
                    path[wcslen(path)] = L' ';
                    ++i;
                }
                if (wchar_t* quote = wcschr(path, L'"')) *quote = L'\0';
            }
            switches.logPath = *path ? path : nullptr;
        } else {
            items_[kept++] = item;
        }
    }
    for (int i = kept; i <= count && i <= kMaxCommandLineItems; ++i) items_[i] = nullptr;
    return kept;
}

const wchar_t* CommandLine::Item(int index) const {
    return (index >= 0 && index <= kMaxCommandLineItems) ? items_[index] : nullptr;
}

int CommandLine::GetOpt(int count) {
    if (scanIndex_ == 0) scanPosition_ = nullptr;
    optionArgument_ = nullptr;
    if (!scanPosition_ || !*scanPosition_) {
        if (scanIndex_ == 0) scanIndex_ = 1;
        const wchar_t* item = scanIndex_ < count ? items_[scanIndex_] : nullptr;
        if (!item || item[0] != L'-' || item[1] == L'\0') return -1;
        if (wcscmp(item, L"--") == 0) {
            ++scanIndex_;
            return -1;
        }
        scanPosition_ = item + 1;
        ++scanIndex_;
    }
    wchar_t letter = *scanPosition_++;
    const wchar_t* known = letter == L':' ? nullptr : wcschr(kOptionLetters, letter);
    if (!known) return '?';
    // Every option takes an argument: the rest of the item, or else the next item.
    if (*scanPosition_) {
        optionArgument_ = scanPosition_;
        scanPosition_ = nullptr;
        return letter;
    }
    if (scanIndex_ >= count) return '?';
    optionArgument_ = items_[scanIndex_++];
    return letter;
}

bool CommandLine::ParseOptions(int count, OptionFields& fields) {
    for (;;) {
        int letter = GetOpt(count);
        const wchar_t* argument = optionArgument_;
        bool given = argument && *argument;
        switch (letter) {
            case 'p':
                if (!given) return false;
                fields.m_installDir = argument;
                break;
            case 'e': if (given) fields.m_executable = argument; break;
            case 'R': if (given) fields.m_regFolderName = argument; break;
            case 'S': if (given) fields.m_scFolderName = argument; break;
            case 's': if (given) fields.m_scDesktopName = argument; break;
            default: return true;
        }
    }
}
