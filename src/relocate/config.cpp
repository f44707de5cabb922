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

// Whether bytes hold some non-ASCII text and all of it is well-formed UTF-8 (no overlong
// form, no surrogate, nothing above U+10FFFF).
bool IsUtf8Text(const unsigned char* bytes, size_t size) {
    bool nonAscii = false;
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
    return nonAscii;
}

}  // namespace

unsigned ConfigCodePage(const char* bytes, size_t size) {
    if (size >= 3 && memcmp(bytes, "\xEF\xBB\xBF", 3) == 0) return kUtf8CodePage;
    size_t skip = 0;
    while (skip < size && (bytes[skip] == ' ' || bytes[skip] == '\t' || bytes[skip] == '\r' ||
                           bytes[skip] == '\n'))
        ++skip;
    const char* declaration = bytes + skip;
    size_t left = size - skip;
    size_t rest = 0;
    if (!StartsWithNoCase(declaration, left, "<?xml", rest) || rest == left ||
        !strchr(" \t\r\n", declaration[rest]))
        return IsUtf8Text(reinterpret_cast<const unsigned char*>(bytes), size) ? kUtf8CodePage
                                                                              : kGbkCodePage;
    const char* end = static_cast<const char*>(memchr(declaration, '>', left));
    size_t length = end ? static_cast<size_t>(end - declaration) : left;
    // encoding = "name" or 'name', blanks allowed around the equals sign.
    for (size_t i = rest; i + 8 <= length; ++i) {
        if (memcmp(declaration + i, "encoding", 8) != 0) continue;
        size_t p = i + 8;
        while (p < length && strchr(" \t\r\n", declaration[p])) ++p;
        if (p >= length || declaration[p] != '=') continue;
        ++p;
        while (p < length && strchr(" \t\r\n", declaration[p])) ++p;
        if (p >= length || (declaration[p] != '"' && declaration[p] != '\'')) continue;
        const char* name = declaration + p + 1;
        const char* close = static_cast<const char*>(memchr(name, declaration[p], length - p - 1));
        return close ? CodePageOf(name, static_cast<size_t>(close - name)) : 0;
    }
    return kUtf8CodePage;  // XML's own default
}

bool ParseConfig(TiXmlDocument& document, const char* bytes, size_t size, unsigned codePage) {
    if (size == 0) return false;
    char* text = static_cast<char*>(malloc(size + 1));
    if (!text) return false;
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
