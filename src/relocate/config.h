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
const unsigned kUtf16LeCodePage = 1200, kUtf16BeCodePage = 1201;

// conf.xml's encoding, and how it was decided.
enum ConfigEncodingSource { kByByteOrderMark, kByDeclaration, kByContent };
struct ConfigEncoding {
    unsigned codePage;  // the Windows code page of the file's bytes; 0 when not known
    ConfigEncodingSource source;
    // Declared GB2312, GBK or GB18030, but the bytes are UTF-8 (an editor re-saved it as UTF-8
    // and kept the declaration): read as UTF-8.
    bool declarationOverruled;
    const char* fault;  // why the bytes cannot be read, or null
};
// By the file's bytes: a byte-order mark (UTF-8, UTF-16 LE or BE); else a declaration, of
// UTF-8 or of no encoding (XML's default, UTF-8), or naming a code page (GB2312, GBK and
// GB18030 are code page 936; a name this table does not know gives 0); else the content:
// UTF-8 where its non-ASCII bytes are well-formed UTF-8, else code page 936, the one it was
// written for. Bytes that are no UTF-8 where UTF-8 is decided, or no GBK where 936 is, fail.
ConfigEncoding DetectConfigEncoding(const char* bytes, size_t size);
inline unsigned ConfigCodePage(const char* bytes, size_t size) {
    return DetectConfigEncoding(bytes, size).codePage;
}
// The code page of the texts a parsed document holds: UTF-16 files are parsed as UTF-8.
inline unsigned ConfigTextCodePage(unsigned codePage) {
    return codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage ? kUtf8CodePage
                                                                        : codePage;
}

// Parses the file's bytes as TinyXML's LoadFile does (line ends made "\n"), as UTF-8 (UTF-16
// made UTF-8 first) or byte by byte for any other code page. Elements nested deeper than
// TIXML_MAX_NESTING fail it; the document then tells why and where (ErrorDesc, ErrorRow).
bool ParseConfig(TiXmlDocument& document, const char* bytes, size_t size, unsigned codePage);

// Calls unknown for each element whose name this program does not know where it stands: a
// top-level element when none is config, and below config every element but global and
// unist, below those every element but the lists they hold, below the lists any element; and
// for a second element of a known name, which is never read. nearest is the known name most
// like the unknown one (or the known one itself, standing elsewhere), with its parent; null
// when none is near.
typedef void (*UnknownElement)(void* context, const char* name, int row, const char* nearest,
                               const char* nearestParent);
void CheckConfigElements(const TiXmlDocument& document, UnknownElement unknown, void* context);

// Follows the first element of each name in the "/"-separated path and returns the text
// of its first child node when that is text, else null. A path with no name yields null.
const char* LookupConfigText(TiXmlHandle document, const char* elementPath);
