// Feeds arbitrary bytes to phase one's configuration reading: the bytes become conf.xml,
// TinyXML loads it by name as the product does, and the values are split as NameLists.
#include <stddef.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "app/text.h"
#include "relocate/config.h"

namespace {

volatile size_t g_sink;
char g_configPath[512];

const char* const kPaths[] = {
    CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME, CONFIG_SC_FOLDER_NAME, CONFIG_SC_DESKTOP_NAME,
    "", "/", "//config//unist//", "config", "config/", "/config/global/executable/",
    "config/unist/scDesktopName/x", "Config/unist/regFolderName", "a/b/c/d/e/f/g/h",
};

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
    if (!config.LoadFile()) return 0;
    TiXmlHandle document(&config);
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
