#include "relocate/config.h"

#include <string.h>

#include "app/text.h"

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
