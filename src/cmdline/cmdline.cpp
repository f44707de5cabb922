#include "cmdline/cmdline.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "base/text.h"

namespace {

wchar_t* g_lineCopy = nullptr;
const wchar_t* g_items[kMaxCommandLineItems + 1];

int g_scanIndex = 0;
const wchar_t* g_scanPosition = nullptr;
const wchar_t* g_optionArgument = nullptr;

const wchar_t kOptionLetters[] = L"p:e:R:S:s:";

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }

}  // namespace

int SplitCommandLine(const wchar_t* commandLine) {
    if (!commandLine || !*commandLine) return 0;
    g_items[0] = g_items[1] = nullptr;
    free(g_lineCopy);
    size_t length = wcslen(commandLine);
    g_lineCopy = static_cast<wchar_t*>(malloc((length + 16) * sizeof(wchar_t)));
    if (!g_lineCopy) return 0;
    memcpy(g_lineCopy, commandLine, (length + 1) * sizeof(wchar_t));

    wchar_t* p = g_lineCopy;
    if (*p == L'"') {
        ++p;
        if (!*p) return 0;
        g_items[0] = p;
        while (*p && *p != L'"') ++p;
        if (!*p) {
            g_items[0] = nullptr;
            return 0;
        }
        *p++ = L'\0';
    } else {
        g_items[0] = p;
        while (*p && !IsBlank(*p)) ++p;
        if (*p) *p++ = L'\0';
    }
    g_items[1] = nullptr;

    int count = 1;
    for (;;) {
        while (IsBlank(*p)) ++p;
        if (!*p) return count;
        bool quoted = *p == L'"';
        if (quoted) ++p;
        g_items[count++] = p;
        g_items[count] = nullptr;
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

int TakeSwitches(int count, Switches& switches) {
    static const wchar_t* const kQuiet[] = {L"/S", L"/SILENT", L"/VERYSILENT", L"/QUIET", L"/QN"};
    int kept = count > 0 ? 1 : 0;
    for (int i = 1; i < count && g_items[i]; ++i) {
        wchar_t* item = g_lineCopy + (g_items[i] - g_lineCopy);
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
                while (!wcschr(path, L'"') && i + 1 < count && g_items[i + 1]) {
                    path[wcslen(path)] = L' ';
                    ++i;
                }
                if (wchar_t* quote = wcschr(path, L'"')) *quote = L'\0';
            }
            switches.logPath = *path ? path : nullptr;
        } else {
            g_items[kept++] = item;
        }
    }
    for (int i = kept; i <= count && i <= kMaxCommandLineItems; ++i) g_items[i] = nullptr;
    return kept;
}

const wchar_t* CommandLineItem(int index) {
    return (index >= 0 && index <= kMaxCommandLineItems) ? g_items[index] : nullptr;
}

int GetOpt(int count) {
    if (g_scanIndex == 0) g_scanPosition = nullptr;
    g_optionArgument = nullptr;
    if (!g_scanPosition || !*g_scanPosition) {
        if (g_scanIndex == 0) g_scanIndex = 1;
        const wchar_t* item = g_scanIndex < count ? g_items[g_scanIndex] : nullptr;
        if (!item || item[0] != L'-' || item[1] == L'\0') return -1;
        if (wcscmp(item, L"--") == 0) {
            ++g_scanIndex;
            return -1;
        }
        g_scanPosition = item + 1;
        ++g_scanIndex;
    }
    wchar_t letter = *g_scanPosition++;
    const wchar_t* known = letter == L':' ? nullptr : wcschr(kOptionLetters, letter);
    if (!known) return '?';
    // Every option takes an argument: the rest of the item, or else the next item.
    if (*g_scanPosition) {
        g_optionArgument = g_scanPosition;
        g_scanPosition = nullptr;
        return letter;
    }
    if (g_scanIndex >= count) return '?';
    g_optionArgument = g_items[g_scanIndex++];
    return letter;
}

void RestartOptionScan() {
    g_scanIndex = 0;
    g_scanPosition = nullptr;
    g_optionArgument = nullptr;
}

int ParseOptions(int count, OptionFields& fields) {
    for (;;) {
        int letter = GetOpt(count);
        const wchar_t* argument = g_optionArgument;
        bool given = argument && *argument;
        switch (letter) {
            case 'p':
                if (!given) return 0;
                fields.m_installDir = argument;
                break;
            case 'e': if (given) fields.m_executable = argument; break;
            case 'R': if (given) fields.m_regFolderName = argument; break;
            case 'S': if (given) fields.m_scFolderName = argument; break;
            case 's': if (given) fields.m_scDesktopName = argument; break;
            default: return 1;
        }
    }
}
