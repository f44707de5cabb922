// Feeds arbitrary bytes to phase one's configuration reading: the bytes become conf.xml,
// TinyXML loads it by name as the product does, the values are split as NameLists and must
// reach phase two unchanged through the relaunch command line.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "base/text.h"
#include "cmdline/cmdline.h"
#include "relocate/config.h"

namespace {

volatile size_t g_sink;
char g_configPath[512];

const char* const kPaths[] = {
    CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME, CONFIG_SC_FOLDER_NAME, CONFIG_SC_DESKTOP_NAME,
    "", "/", "//config//unist//", "config", "config/", "/config/global/executable/",
    "config/unist/scDesktopName/x", "Config/unist/regFolderName", "a/b/c/d/e/f/g/h",
};

// Phase one passes each value as -x "value" and refuses a value holding a double quote or
// a line that does not fit; phase two must then read back exactly the values sent.
void CheckRelaunch(const char* const values[4]) {
    const char* const options[4] = {" -e ", " -R ", " -S ", " -s "};
    TextBuffer line;
    if (!line.Copy("\"C:\\Temp\\VORNAuninstall.exe\" -p \"C:\\App\\\"")) abort();
    for (int i = 0; i < 4; ++i) {
        if (!values[i] || !*values[i]) continue;
        if (strchr(values[i], '"')) return;
        if (!line.Append(options[i]) || !line.Append("\"") || !line.Append(values[i]) ||
            !line.Append("\""))
            return;
    }
    RestartOptionScan();
    OptionFields fields;
    if (!ParseOptions(SplitCommandLine(line), fields)) abort();
    const char* const received[4] = {fields.m_executable, fields.m_regFolderName,
                                     fields.m_scFolderName, fields.m_scDesktopName};
    if (!fields.m_installDir || strcmp(fields.m_installDir, "C:\\App\\") != 0) abort();
    for (int i = 0; i < 4; ++i) {
        bool sent = values[i] && *values[i];
        if (sent != (received[i] != nullptr)) abort();
        if (sent && strcmp(values[i], received[i]) != 0) abort();
    }
}

void RemoveConfigDir() {
    unlink(g_configPath);
    if (char* slash = strrchr(g_configPath, '/')) {
        *slash = '\0';
        rmdir(g_configPath);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    const char* tmp = getenv("TMPDIR");
    snprintf(g_configPath, sizeof g_configPath, "%s/config_fuzz.XXXXXX", tmp && *tmp ? tmp : "/tmp");
    if (!mkdtemp(g_configPath)) abort();
    strcat(g_configPath, "/conf.xml");
    atexit(RemoveConfigDir);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FILE* file = fopen(g_configPath, "wb");
    if (!file) abort();
    if (size && fwrite(data, 1, size, file) != size) abort();
    fclose(file);

    TiXmlDocument config(g_configPath);
    if (!LoadConfig(config)) return 0;
    TiXmlHandle document(&config);
    const char* values[4];
    for (int i = 0; i < 4; ++i) values[i] = LookupConfigText(document, kPaths[i]);
    CheckRelaunch(values);
    for (const char* path : kPaths) {
        const char* value = LookupConfigText(document, path);
        if (!value) continue;
        g_sink += strlen(value);
        NameList names(value);
        while (const char* name = names.Next()) {
            if (!*name || strchr(name, ',')) abort();  // a NameList never yields these
            g_sink += strlen(name);
        }
    }
    return 0;
}
