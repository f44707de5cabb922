// Reading conf.xml: the text of an element found by its path. Portable: no windows.h.
#pragma once
#include "tinyxml.h"

// The element paths of the four NameLists.
#define CONFIG_EXECUTABLE "config/global/executable"
#define CONFIG_REG_FOLDER_NAME "config/unist/regFolderName"
#define CONFIG_SC_FOLDER_NAME "config/unist/scFolderName"
#define CONFIG_SC_DESKTOP_NAME "config/unist/scDesktopName"

// Follows the first element of each name in the "/"-separated path and returns the text
// of its first child node when that is text, else null. A path with no name yields null.
const char* LookupConfigText(TiXmlHandle document, const char* elementPath);
