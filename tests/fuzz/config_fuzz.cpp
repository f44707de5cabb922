// Feeds arbitrary bytes to phase one's configuration reading: the bytes are conf.xml, parsed
// in the code page they name or hold as the product parses them, the values are split as
// NameLists and must reach phase two unchanged through the relaunch command line.
#include <stddef.h>
#include <stdint.h>
#include <stdlib.h>
#include <string.h>
#include <wchar.h>

#include "base/text.h"
#include "cmdline/cmdline.h"
#include "relocate/config.h"

namespace {

volatile size_t g_sink;

const char* const kPaths[] = {
    CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME, CONFIG_SC_FOLDER_NAME, CONFIG_SC_DESKTOP_NAME,
    "", "/", "//config//unist//", "config", "config/", "/config/global/executable/",
    "config/unist/scDesktopName/x", "Config/unist/regFolderName", "a/b/c/d/e/f/g/h",
};

// The text widened byte for byte, each byte one character.
bool Widen(WideText& wide, const char* text) {
    size_t n = strlen(text);
    wchar_t* room = wide.Room(n);
    if (!room) return false;
    for (size_t i = 0; i < n; ++i) room[i] = static_cast<unsigned char>(text[i]);
    wide.Keep(n);
    return true;
}

// Phase one passes each value as -x "value" and refuses a value holding a double quote;
// phase two must then read back exactly the values sent.
void CheckRelaunch(const char* const values[4]) {
    const wchar_t* const options[4] = {L" -e ", L" -R ", L" -S ", L" -s "};
    WideText sent[4];
    WideText line;
    if (!line.Assign(L"\"C:\\Temp\\VORNAuninstall.exe\" -p \"C:\\App\\\"")) abort();
    for (int i = 0; i < 4; ++i) {
        if (!values[i] || !*values[i]) continue;
        if (strchr(values[i], '"')) return;
        if (!Widen(sent[i], values[i]) || !line.Append(options[i]) || !line.Append(L"\"") ||
            !line.Append(sent[i]) || !line.Append(L"\""))
            return;
    }
    CommandLine scanner;
    OptionFields fields;
    if (!scanner.ParseOptions(scanner.SplitCommandLine(line), fields)) abort();
    const wchar_t* const received[4] = {fields.m_executable, fields.m_regFolderName,
                                        fields.m_scFolderName, fields.m_scDesktopName};
    if (!fields.m_installDir || wcscmp(fields.m_installDir, L"C:\\App\\") != 0) abort();
    for (int i = 0; i < 4; ++i) {
        bool wasSent = sent[i].Length() != 0;
        if (wasSent != (received[i] != nullptr)) abort();
        if (wasSent && wcscmp(sent[i], received[i]) != 0) abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    TiXmlDocument config;
    if (!ParseConfig(config, bytes, size, ConfigCodePage(bytes, size))) return 0;
    TiXmlHandle document(&config);
    const char* values[4];
    for (int i = 0; i < 4; ++i) values[i] = LookupConfigText(document, kPaths[i]);
    CheckRelaunch(values);
    for (const char* path : kPaths) {
        const char* value = LookupConfigText(document, path);
        if (!value) continue;
        g_sink += strlen(value);
        WideText list;
        if (!Widen(list, value)) continue;
        NameList names(list);
        while (const wchar_t* name = names.Next()) {
            if (!*name || wcschr(name, L',')) abort();  // a NameList never yields these
            g_sink += wcslen(name);
        }
    }
    return 0;
}
