#include "base/names.h"

#include <string.h>
#include <wchar.h>

namespace {

bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The width of the character at p: 2 for a GBK double-byte character, else 1.
size_t Width(const char* p) { return IsLeadByte(static_cast<unsigned char>(*p)) && p[1] ? 2 : 1; }

// Every component of path is non-empty and ends in neither a blank nor a dot; with
// finalSeparator, path may end in one separator.
bool ComponentsAreClean(const char* path, bool finalSeparator) {
    if (finalSeparator && *path == '\0') return true;  // a drive's root, "X:\"
    const char* start = path;
    char last = '\0';
    for (const char* p = path;; p += Width(p)) {
        if (*p == '\0' || IsPathSeparator(*p)) {
            bool empty = p == start;
            if (empty && !(*p == '\0' && finalSeparator && p > path)) return false;
            if (last == ' ' || last == '.') return false;
            if (*p == '\0') return true;
            start = p + 1;
            last = '\0';
        } else {
            last = p[Width(p) - 1];
        }
    }
}

template <typename Char>
bool StartsWith(const Char* text, const Char* prefix) {
    while (*prefix)
        if (*text++ != *prefix++) return false;
    return true;
}

template <typename Char>
PathForm<Char> PlainOf(const Char* path, const Char* literal, const Char* literalUnc,
                       const Char* unc, const Char* none) {
    if (StartsWith(path, literalUnc)) return {unc, path + 8};
    if (StartsWith(path, literal)) return {none, path + 4};
    return {none, path};
}

}  // namespace

size_t TrimmedLength(const char* path) {
    size_t trimmed = 0;
    for (size_t i = 0; path[i]; i += Width(path + i))
        if (!IsPathSeparator(path[i]) || Width(path + i) == 2) trimmed = i + Width(path + i);
    return trimmed;
}

size_t TrimmedLength(const wchar_t* path) {
    size_t n = wcslen(path);
    while (n > 0 && (path[n - 1] == L'\\' || path[n - 1] == L'/')) --n;
    return n;
}

bool EndsInSeparator(const char* path) { return TrimmedLength(path) != strlen(path); }

const char* LastComponent(const char* path) {
    const char* last = path;
    for (const char* p = path; *p; p += Width(p))
        if (IsPathSeparator(*p)) last = p + 1;
    return last;
}

int JoinPath(TextBuffer& path, const char* name) {
    size_t have = path.Length();
    bool separator = have == 0 || EndsInSeparator(path);
    if (have + !separator + strlen(name) >= TextBuffer::kSize) return 0;
    if (!separator) path.text[have++] = '\\';
    memcpy(path.text + have, name, strlen(name) + 1);
    return 1;
}

bool JoinPath(WidePath& path, const wchar_t* name) {
    size_t n = path.Length();
    const wchar_t* text = path.Text();
    bool separator = n == 0 || text[n - 1] == L'\\' || text[n - 1] == L'/';
    return (separator || path.Append(L"\\")) && path.Append(name);
}

PathForm<char> PlainForm(const char* path) {
    return PlainOf(path, "\\\\?\\", "\\\\?\\UNC\\", "\\\\", "");
}

PathForm<wchar_t> PlainForm(const wchar_t* path) {
    return PlainOf(path, L"\\\\?\\", L"\\\\?\\UNC\\", L"\\\\", L"");
}

PathForm<wchar_t> LiteralForm(const wchar_t* path) {
    if (StartsWith(path, L"\\\\?\\")) return {L"", path};
    if (StartsWith(path, L"\\\\")) return {L"\\\\?\\UNC\\", path + 2};
    return {L"\\\\?\\", path};
}

bool IsAbsolutePath(const char* path) {
    if (IsLetter(path[0]) && path[1] == ':' && IsPathSeparator(path[2])) return true;
    // \\server\share, but not the device forms \\?\ and \\.\ .
    return IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && path[2] &&
           !IsPathSeparator(path[2]) &&
           !((path[2] == '?' || path[2] == '.') && IsPathSeparator(path[3]));
}

bool IsRootPath(const char* path) {
    size_t n = TrimmedLength(path);
    if (IsLetter(path[0]) && path[1] == ':') return n <= 2;
    if (!(IsPathSeparator(path[0]) && IsPathSeparator(path[1]))) return false;
    int separators = 0;  // \\server\share holds one separator after the leading pair
    for (size_t i = 2; i < n; i += Width(path + i))
        if (IsPathSeparator(path[i])) ++separators;
    return separators <= 1;
}

bool PathIsWithin(const char* inner, const char* outer) {
    size_t n = TrimmedLength(outer);
    size_t innerLength = TrimmedLength(inner);
    if (n == 0 || innerLength < n) return false;
    // Compare component by component so that "/" and "\" count alike.
    size_t i = 0;
    while (i < n) {
        size_t run = 0;
        while (i + run < n && !IsPathSeparator(outer[i + run])) run += Width(outer + i + run);
        if (!EqualPrefixNoCase(inner + i, outer + i, run)) return false;
        i += run;
        if (i < n) {
            if (!IsPathSeparator(inner[i])) return false;
            ++i;
        }
    }
    return innerLength == n || IsPathSeparator(inner[n]);
}

bool LiesDirectlyIn(const char* path, const char* folder) {
    TextBuffer parent;
    if (!parent.Copy(path)) return false;
    char* name = parent.text + (LastComponent(parent) - parent.text);
    if (name == parent.text) return false;
    *name = '\0';
    return PathIsWithin(parent, folder) && PathIsWithin(folder, parent);
}

bool IsCleanAbsolutePath(const char* path) {
    if (!IsAbsolutePath(path)) return false;
    // The root's own separators: "X:\" or the leading pair of "\\server".
    return ComponentsAreClean(path + (IsPathSeparator(path[0]) ? 2 : 3), true);
}

bool IsCleanListName(const char* name) {
    return !IsPathSeparator(name[0]) && !strchr(name, ':') && ComponentsAreClean(name, false);
}

bool IsLinkReparseTag(unsigned long tag) {
    const unsigned long kNameSurrogate = 0x20000000;
    return tag == 0 || (tag & kNameSurrogate) != 0;
}

bool ProgramNameMatches(const char* listName, const char* baseName) {
    if (EqualNoCase(listName, baseName)) return true;
    size_t n = strlen(listName);
    return strlen(baseName) == n + 4 && EqualPrefixNoCase(listName, baseName, n) &&
           EqualNoCase(baseName + n, ".exe");
}
