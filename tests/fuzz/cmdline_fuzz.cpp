// Feeds arbitrary bytes through the phase-two command-line path: split, option scan,
// NameList splitting and the name and path rules the removal steps apply to the values.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "base/text.h"
#include "cmdline/cmdline.h"
#include "base/names.h"

namespace {

volatile size_t g_sink;

void CheckPath(const char* path, const char* installDir) {
    g_sink += IsAbsolutePath(path) + IsRootPath(path) + IsCleanAbsolutePath(path) +
              IsCleanListName(path);
    if (installDir) g_sink += PathIsWithin(path, installDir) + PathIsWithin(installDir, path);
    TextBuffer joined;
    if (installDir && joined.Copy(installDir) && joined.Append("\\") && joined.Append(path))
        g_sink += joined.Length() + PathIsWithin(joined, installDir);
    if (installDir) g_sink += LiesDirectlyIn(path, installDir);
}

void WalkList(const char* list, const char* installDir) {
    NameList names(list);
    const char* previous = nullptr;
    while (const char* name = names.Next()) {
        if (!*name || strchr(name, ',')) abort();  // a NameList never yields these
        CheckPath(name, installDir);
        g_sink += ProgramNameMatches(name, name);
        if (previous) g_sink += ProgramNameMatches(previous, name) + ProgramNameMatches(name, previous);
        g_sink += ProgramNameMatches(name, "app.exe") + ProgramNameMatches("app", name);
        previous = name;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    char* line = static_cast<char*>(malloc(size + 1));
    if (!line) return 0;
    memcpy(line, data, size);
    line[size] = '\0';

    RestartOptionScan();
    OptionFields fields;
    int count = SplitCommandLine(line);
    if (count < 0 || count > kMaxCommandLineItems) abort();
    for (int i = 0; i < count; ++i)
        if (const char* item = CommandLineItem(i)) g_sink += strlen(item);
    g_sink += ParseOptions(count, fields);

    const char* installDir = fields.m_installDir;
    if (installDir) CheckPath(installDir, nullptr);
    const char* lists[] = {fields.m_executable, fields.m_regFolderName, fields.m_scFolderName,
                           fields.m_scDesktopName};
    for (const char* list : lists)
        if (list) {
            g_sink += strlen(list);
            WalkList(list, installDir);
        }
    free(line);
    return 0;
}
