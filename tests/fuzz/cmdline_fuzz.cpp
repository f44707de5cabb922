// Feeds arbitrary bytes through the phase-two command-line path: split, option scan,
// NameList splitting and the name and path rules the removal steps apply to the values.
// Each byte of the input is one character of the line.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <wchar.h>

#include "base/text.h"
#include "cmdline/cmdline.h"
#include "base/names.h"

namespace {

volatile size_t g_sink;

void CheckPath(const wchar_t* path, const wchar_t* installDir) {
    g_sink += IsAbsolutePath(path) + IsRootPath(path) + IsCleanAbsolutePath(path) +
              IsCleanListName(path);
    if (installDir) g_sink += PathIsWithin(path, installDir) + PathIsWithin(installDir, path);
    WideText joined;
    if (installDir && joined.Assign(installDir) && JoinPath(joined, path))
        g_sink += joined.Length() + PathIsWithin(joined, installDir);
    if (installDir) g_sink += LiesDirectlyIn(path, installDir);
}

void WalkList(const wchar_t* list, const wchar_t* installDir) {
    NameList names(list);
    const wchar_t* previous = nullptr;
    while (const wchar_t* name = names.Next()) {
        if (!*name || wcschr(name, L',')) abort();  // a NameList never yields these
        CheckPath(name, installDir);
        g_sink += ProgramNameMatches(name, name);
        if (previous) g_sink += ProgramNameMatches(previous, name) + ProgramNameMatches(name, previous);
        g_sink += ProgramNameMatches(name, L"app.exe") + ProgramNameMatches(L"app", name);
        previous = name;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    wchar_t* line = static_cast<wchar_t*>(malloc((size + 1) * sizeof(wchar_t)));
    if (!line) return 0;
    for (size_t i = 0; i < size; ++i) line[i] = data[i];
    line[size] = L'\0';

    CommandLine scanner;
    OptionFields fields;
    int count = scanner.SplitCommandLine(line);
    if (count < 0 || count > kMaxCommandLineItems) abort();
    for (int i = 0; i < count; ++i)
        if (const wchar_t* item = scanner.Item(i)) g_sink += wcslen(item);
    g_sink += scanner.ParseOptions(count, fields);

    const wchar_t* installDir = fields.m_installDir;
    if (installDir) CheckPath(installDir, nullptr);
    const wchar_t* lists[] = {fields.m_executable, fields.m_regFolderName, fields.m_scFolderName,
                              fields.m_scDesktopName};
    for (const wchar_t* list : lists)
        if (list) {
            g_sink += wcslen(list);
            WalkList(list, installDir);
        }
    free(line);
    return 0;
}
