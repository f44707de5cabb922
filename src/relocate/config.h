// Reading conf.xml: the text of an element found by its path. Portable: no windows.h.
#pragma once
#include "tinyxml.h"

// The element paths of the four NameLists.
#define CONFIG_EXECUTABLE "config/global/executable"
#define CONFIG_REG_FOLDER_NAME "config/unist/regFolderName"
#define CONFIG_SC_FOLDER_NAME "config/unist/scFolderName"
#define CONFIG_SC_DESKTOP_NAME "config/unist/scDesktopName"

// conf.xml is read whole into memory: a larger file is no configuration of ours.
const long kMaxConfigBytes = 1024 * 1024;
// Loads the document from the file it is named after, as TiXmlDocument::LoadFile does, when
// that is no larger than kMaxConfigBytes; elements nested deeper than TIXML_MAX_NESTING
// fail it too.
bool LoadConfig(TiXmlDocument& document);

// Follows the first element of each name in the "/"-separated path and returns the text
// of its first child node when that is text, else null. A path with no name yields null.
const char* LookupConfigText(TiXmlHandle document, const char* elementPath);
