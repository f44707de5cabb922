#include "relocate/config.h"

#include <stdlib.h>
#include <string.h>

namespace {

char FoldAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool EqualNoCase(const char* a, size_t n, const char* b) {
    if (strlen(b) != n) return false;
    for (size_t i = 0; i < n; ++i)
        if (FoldAscii(a[i]) != FoldAscii(b[i])) return false;
    return true;
}

bool StartsWithNoCase(const char* a, size_t n, const char* prefix, size_t& rest) {
    size_t length = strlen(prefix);
    if (n < length || !EqualNoCase(a, length, prefix)) return false;
    rest = length;
    return true;
}

// The code page of an encoding name, 0 when not known here.
unsigned CodePageOf(const char* name, size_t n) {
    static const struct {
        const char* name;
        unsigned codePage;
    } kNames[] = {
        {"utf-8", kUtf8CodePage}, {"utf8", kUtf8CodePage},  {"gb2312", kGbkCodePage},
        {"gbk", kGbkCodePage},    {"gb18030", kGbkCodePage}, {"x-gbk", kGbkCodePage},
        {"shift_jis", 932},       {"shift-jis", 932},       {"sjis", 932},
        {"windows-31j", 932},     {"euc-jp", 20932},        {"big5", 950},
        {"euc-kr", 949},          {"ks_c_5601-1987", 949},  {"koi8-r", 20866},
        {"koi8-u", 21866},        {"us-ascii", 20127},      {"ascii", 20127},
        {"latin1", 28591},
    };
    for (const auto& known : kNames)
        if (EqualNoCase(name, n, known.name)) return known.codePage;
    // Names with a number: windows-1252, cp1252, ibm437, iso-8859-2.
    static const struct {
        const char* prefix;
        unsigned base;
    } kNumbered[] = {{"windows-", 0}, {"cp", 0}, {"ibm", 0}, {"iso-8859-", 28590},
                     {"iso8859-", 28590}};
    for (const auto& numbered : kNumbered) {
        size_t rest = 0;
        if (!StartsWithNoCase(name, n, numbered.prefix, rest) || rest == n || n - rest > 5)
            continue;
        unsigned number = 0;
        for (size_t i = rest; i < n; ++i) {
            if (name[i] < '0' || name[i] > '9') return 0;
            number = number * 10 + static_cast<unsigned>(name[i] - '0');
        }
        return numbered.base + number;
    }
    return 0;
}

// Whether all of bytes is well-formed UTF-8 (no overlong form, no surrogate, nothing above
// U+10FFFF); nonAscii tells whether any of it is more than ASCII.
bool IsWellFormedUtf8(const unsigned char* bytes, size_t size, bool& nonAscii) {
    nonAscii = false;
    for (size_t i = 0; i < size;) {
        unsigned char c = bytes[i];
        size_t length = c < 0x80 ? 1 : c >= 0xC2 && c <= 0xDF ? 2 : c >= 0xE0 && c <= 0xEF ? 3
                      : c >= 0xF0 && c <= 0xF4 ? 4 : 0;
        if (length == 0 || i + length > size) return false;
        for (size_t k = 1; k < length; ++k)
            if ((bytes[i + k] & 0xC0) != 0x80) return false;
        unsigned char second = length > 1 ? bytes[i + 1] : 0x80;
        if ((c == 0xE0 && second < 0xA0) || (c == 0xED && second > 0x9F) ||
            (c == 0xF0 && second < 0x90) || (c == 0xF4 && second > 0x8F))
            return false;
        nonAscii = nonAscii || length > 1;
        i += length;
    }
    return true;
}

// Whether bytes hold some non-ASCII text and all of it is well-formed UTF-8.
bool IsUtf8Text(const char* bytes, size_t size) {
    bool nonAscii;
    return IsWellFormedUtf8(reinterpret_cast<const unsigned char*>(bytes), size, nonAscii) &&
           nonAscii;
}

// Whether bytes are text of code page 936: ASCII, and pairs of a lead byte 0x81-0xFE and a
// trail byte 0x40-0xFE but 0x7F (0x80 is the euro sign).
bool FitsGbk(const char* text, size_t size) {
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(text);
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] < 0x81) continue;
        if (bytes[i] == 0xFF || i + 1 == size || bytes[i + 1] < 0x40 || bytes[i + 1] == 0x7F ||
            bytes[i + 1] == 0xFF)
            return false;
        ++i;
    }
    return true;
}

// UTF-16 (without its byte-order mark) as UTF-8, appended to out; false for an odd length or
// a lone surrogate.
bool Utf16ToUtf8(const unsigned char* bytes, size_t size, bool bigEndian, char* out,
                 size_t& written) {
    if (size % 2) return false;
    written = 0;
    for (size_t i = 0; i < size; i += 2) {
        unsigned unit = bigEndian ? (bytes[i] << 8 | bytes[i + 1]) : (bytes[i + 1] << 8 | bytes[i]);
        unsigned c = unit;
        if (unit >= 0xD800 && unit <= 0xDBFF) {
            if (i + 3 >= size) return false;
            unsigned low = bigEndian ? (bytes[i + 2] << 8 | bytes[i + 3])
                                     : (bytes[i + 3] << 8 | bytes[i + 2]);
            if (low < 0xDC00 || low > 0xDFFF) return false;
            c = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
            i += 2;
        } else if (unit >= 0xDC00 && unit <= 0xDFFF) {
            return false;
        }
        if (c < 0x80) {
            out[written++] = static_cast<char>(c);
        } else if (c < 0x800) {
            out[written++] = static_cast<char>(0xC0 | c >> 6);
            out[written++] = static_cast<char>(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out[written++] = static_cast<char>(0xE0 | c >> 12);
            out[written++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out[written++] = static_cast<char>(0x80 | (c & 0x3F));
        } else {
            out[written++] = static_cast<char>(0xF0 | c >> 18);
            out[written++] = static_cast<char>(0x80 | (c >> 12 & 0x3F));
            out[written++] = static_cast<char>(0x80 | (c >> 6 & 0x3F));
            out[written++] = static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return true;
}

// The edit distance of a and b, A-Z equal to a-z; names longer than 63 are never near.
size_t Distance(const char* a, const char* b) {
    size_t n = strlen(a), m = strlen(b);
    if (n > 63 || m > 63) return 64;
    size_t row[64];
    for (size_t j = 0; j <= m; ++j) row[j] = j;
    for (size_t i = 1; i <= n; ++i) {
        size_t diagonal = row[0];
        row[0] = i;
        for (size_t j = 1; j <= m; ++j) {
            size_t above = row[j];
            size_t change = diagonal + (FoldAscii(a[i - 1]) != FoldAscii(b[j - 1]));
            row[j] = change < above + 1 ? change : above + 1;
            if (row[j - 1] + 1 < row[j]) row[j] = row[j - 1] + 1;
            diagonal = above;
        }
    }
    return row[m];
}

// The elements this program reads, each with its parent ("" for the top).
const struct {
    const char* name;
    const char* parent;
} kKnownElements[] = {
    {"config", ""},          {"global", "config"},        {"unist", "config"},
    {"executable", "global"}, {"regFolderName", "unist"}, {"scFolderName", "unist"},
    {"scDesktopName", "unist"},
};

// Reports the unknown and repeated children of element (null: the document's top).
void CheckChildren(const TiXmlNode* parent, const char* parentName, UnknownElement unknown,
                   void* context) {
    bool topHasConfig = false;
    for (const TiXmlElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement())
        topHasConfig = topHasConfig || strcmp(e->Value(), "config") == 0;
    for (const TiXmlElement* e = parent->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const char* name = e->Value();
        bool known = false;
        for (const auto& k : kKnownElements)
            known = known || (strcmp(k.name, name) == 0 && strcmp(k.parent, parentName) == 0);
        bool first = true;  // only the first of a name is read
        for (const TiXmlElement* before = parent->FirstChildElement(); before != e;
             before = before->NextSiblingElement())
            first = first && strcmp(before->Value(), name) != 0;
        if (known && first) {
            CheckChildren(e, name, unknown, context);
            continue;
        }
        if (!*parentName && topHasConfig && !known)
            continue;  // others beside config are passed over
        const char* nearest = nullptr;
        const char* nearestParent = nullptr;
        size_t best = strlen(name) / 3 > 2 ? strlen(name) / 3 : 2;
        for (const auto& k : kKnownElements) {
            size_t distance = Distance(name, k.name);
            if (distance <= best && !(known && strcmp(k.name, name) == 0 && !first)) {
                best = distance;
                nearest = k.name;
                nearestParent = k.parent;
            }
        }
        unknown(context, name, e->Row(), known ? name : nearest,
                known ? parentName : nearestParent);
    }
}

}  // namespace

ConfigEncoding DetectConfigEncoding(const char* bytes, size_t size) {
    ConfigEncoding encoding = {kUtf8CodePage, kByByteOrderMark, false, nullptr};
    if (size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) return encoding;
    if (size >= 2 && memcmp(bytes, "\xFF\xFE", 2) == 0)
        return encoding.codePage = kUtf16LeCodePage, encoding;
    if (size >= 2 && memcmp(bytes, "\xFE\xFF", 2) == 0)
        return encoding.codePage = kUtf16BeCodePage, encoding;
    size_t skip = 0;
    while (skip < size && (bytes[skip] == ' ' || bytes[skip] == '\t' || bytes[skip] == '\r' ||
                           bytes[skip] == '\n'))
        ++skip;
    const char* declaration = bytes + skip;
    size_t left = size - skip;
    size_t rest = 0;
    encoding.source = kByContent;
    if (!StartsWithNoCase(declaration, left, "<?xml", rest) || rest == left ||
        !strchr(" \t\r\n", declaration[rest])) {
        encoding.codePage = IsUtf8Text(bytes, size) ? kUtf8CodePage : kGbkCodePage;
    } else {
        encoding.source = kByDeclaration;
        const char* end = static_cast<const char*>(memchr(declaration, '>', left));
        size_t length = end ? static_cast<size_t>(end - declaration) : left;
        // encoding = "name" or 'name', blanks allowed around the equals sign; none: UTF-8.
        for (size_t i = rest; i + 8 <= length; ++i) {
            if (memcmp(declaration + i, "encoding", 8) != 0) continue;
            size_t p = i + 8;
            while (p < length && strchr(" \t\r\n", declaration[p])) ++p;
            if (p >= length || declaration[p] != '=') continue;
            ++p;
            while (p < length && strchr(" \t\r\n", declaration[p])) ++p;
            if (p >= length || (declaration[p] != '"' && declaration[p] != '\'')) continue;
            const char* name = declaration + p + 1;
            const char* close =
                static_cast<const char*>(memchr(name, declaration[p], length - p - 1));
            encoding.codePage = close ? CodePageOf(name, static_cast<size_t>(close - name)) : 0;
            break;
        }
        // GBK text is practically never well-formed UTF-8: such bytes were saved as UTF-8.
        if (encoding.codePage == kGbkCodePage && IsUtf8Text(bytes, size)) {
            encoding.codePage = kUtf8CodePage;
            encoding.declarationOverruled = true;
        }
    }
    bool nonAscii;
    if (encoding.codePage == kUtf8CodePage &&
        !IsWellFormedUtf8(reinterpret_cast<const unsigned char*>(bytes), size, nonAscii))
        encoding.fault = FitsGbk(bytes, size)
                             ? "its bytes are not UTF-8, as it declares (GBK text, "
                               "saved without its declaration of GBK?)"
                             : "its bytes are neither UTF-8 nor GBK";
    else if (encoding.codePage == kGbkCodePage && !FitsGbk(bytes, size))
        encoding.fault = "its bytes are neither GBK nor UTF-8";
    if (encoding.fault) encoding.codePage = 0;
    return encoding;
}

void CheckConfigElements(const TiXmlDocument& document, UnknownElement unknown, void* context) {
    CheckChildren(&document, "", unknown, context);
}

bool ParseConfig(TiXmlDocument& document, const char* bytes, size_t size, unsigned codePage) {
    if (size == 0) return false;
    char* utf8 = nullptr;
    if (codePage == kUtf16LeCodePage || codePage == kUtf16BeCodePage) {
        // Each UTF-16 unit gives at most three bytes of UTF-8.
        size_t written = 0;
        utf8 = static_cast<char*>(malloc(size / 2 * 3 + 1));
        if (!utf8 || !Utf16ToUtf8(reinterpret_cast<const unsigned char*>(bytes) + 2, size - 2,
                                  codePage == kUtf16BeCodePage, utf8, written)) {
            free(utf8);
            return false;
        }
        bytes = utf8;
        size = written;
        codePage = kUtf8CodePage;
    }
    char* text = static_cast<char*>(malloc(size + 1));
    if (!text) {
        free(utf8);
        return false;
    }
    size_t n = 0;
    for (size_t i = 0; i < size; ++i) {
        if (bytes[i] == '\r') {
            text[n++] = '\n';
            if (i + 1 < size && bytes[i + 1] == '\n') ++i;
        } else {
            text[n++] = bytes[i];
        }
    }
    text[n] = '\0';
    document.Parse(text, nullptr,
                   codePage == kUtf8CodePage ? TIXML_ENCODING_UTF8 : TIXML_ENCODING_LEGACY);
    free(text);
    free(utf8);
    return !document.Error();
}

const char* LookupConfigText(TiXmlHandle document, const char* elementPath) {
    char path[256];
    size_t length = strlen(elementPath);
    if (length >= sizeof(path)) return nullptr;
    memcpy(path, elementPath, length + 1);
    TiXmlElement* current = nullptr;
    for (char* step = path; *step;) {
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
