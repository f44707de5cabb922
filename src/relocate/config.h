// Reading conf.xml: its encoding, and the text of an element found by its path. Portable: no
// windows.h.
#pragma once
#include <stddef.h>

#include "tinyxml.h"

// The element paths of the four NameLists.
#define CONFIG_EXECUTABLE "config/global/executable"
#define CONFIG_REG_FOLDER_NAME "config/unist/regFolderName"
#define CONFIG_SC_FOLDER_NAME "config/unist/scFolderName"
#define CONFIG_SC_DESKTOP_NAME "config/unist/scDesktopName"

// conf.xml is read whole into memory: a larger file is no configuration of ours.
const long kMaxConfigBytes = 1024 * 1024;

const unsigned kUtf8CodePage = 65001;
const unsigned kGbkCodePage = 936;
// The Windows code page conf.xml's texts are in, by its bytes: UTF-8 for a byte-order mark, a
// declaration of UTF-8 or a declaration that names no encoding; the named code page for a
// declaration that names one (GB2312, GBK and GB18030 are code page 936); 0 for a name this
// table does not know. A file without a declaration was written for a Chinese system: code
// page 936, unless its bytes hold non-ASCII text that is valid UTF-8 throughout.
unsigned ConfigCodePage(const char* bytes, size_t size);

// Parses the file's bytes as TinyXML's LoadFile does (line ends made "\n"), as UTF-8 or byte
// by byte for any other code page. Elements nested deeper than TIXML_MAX_NESTING fail it.
bool ParseConfig(TiXmlDocument& document, const char* bytes, size_t size, unsigned codePage);

// Follows the first element of each name in the "/"-separated path and returns the text
// of its first child node when that is text, else null. A path with no name yields null.
const char* LookupConfigText(TiXmlHandle document, const char* elementPath);
