#include "relocate/config.h"

#include <stdio.h>
#include <string.h>

#include "base/text.h"

bool LoadConfig(TiXmlDocument& document) {
    FILE* file = fopen(document.Value(), "rb");
    if (!file) return false;
    long size = fseek(file, 0, SEEK_END) == 0 ? ftell(file) : -1;
    fclose(file);
    return size >= 0 && size <= kMaxConfigBytes && document.LoadFile();
}

const char* LookupConfigText(TiXmlHandle document, const char* elementPath) {
    TextBuffer path;
    if (!path.Copy(elementPath)) return nullptr;
    TiXmlElement* current = nullptr;
    for (char* step = path.text; *step;) {
        char* end = step;
        while (*end && *end != '/') ++end;
        bool last = *end == '\0';
        *end = '\0';
        if (*step) {
            TiXmlElement* candidate = current ? current->FirstChildElement()
                                              : document.FirstChildElement().ToElement();
            while (candidate && strcmp(candidate->Value(), step) != 0)
                candidate = candidate->NextSiblingElement();
            if (!candidate) return nullptr;
            current = candidate;
        }
        if (last) break;
        step = end + 1;
    }
    return current ? current->GetText() : nullptr;
}
