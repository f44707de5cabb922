#include "remove/names.h"

#include <string.h>

#include "app/text.h"

namespace {

bool IsSeparator(char c) { return c == '\\' || c == '/'; }
bool IsLetter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

size_t TrimmedLength(const char* path) {
    size_t n = strlen(path);
    while (n > 0 && IsSeparator(path[n - 1])) --n;
    return n;
}

// Every component of path is non-empty and ends in neither a blank nor a dot; with
// finalSeparator, path may end in one separator. A GBK trail byte 0x5C is no separator.
bool ComponentsAreClean(const char* path, bool finalSeparator) {
    if (finalSeparator && *path == '\0') return true;  // a drive's root, "X:\"
    const char* start = path;
    char last = '\0';
    for (const char* p = path;; ++p) {
        if (*p == '\0' || IsSeparator(*p)) {
            bool empty = p == start;
            if (empty && !(*p == '\0' && finalSeparator && p > path)) return false;
            if (last == ' ' || last == '.') return false;
            if (*p == '\0') return true;
            start = p + 1;
            last = '\0';
        } else if (IsLeadByte(static_cast<unsigned char>(*p)) && p[1]) {
            last = *++p;
        } else {
            last = *p;
        }
    }
}

}  // namespace

bool ProgramNameMatches(const char* listName, const char* baseName) {
    if (EqualNoCase(listName, baseName)) return true;
    size_t n = strlen(listName);
    return strlen(baseName) == n + 4 && EqualPrefixNoCase(listName, baseName, n) &&
           EqualNoCase(baseName + n, ".exe");
}

bool IsAbsolutePath(const char* path) {
    if (IsLetter(path[0]) && path[1] == ':' && IsSeparator(path[2])) return true;
    // \\server\share, but not the device forms \\?\ and \\.\ .
    return IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] && !IsSeparator(path[2]) &&
           !((path[2] == '?' || path[2] == '.') && IsSeparator(path[3]));
}

bool IsRootPath(const char* path) {
    size_t n = TrimmedLength(path);
    if (IsLetter(path[0]) && path[1] == ':') return n <= 2;
    if (!(IsSeparator(path[0]) && IsSeparator(path[1]))) return false;
    int separators = 0;  // \\server\share holds one separator after the leading pair
    for (size_t i = 2; i < n; ++i)
        if (IsSeparator(path[i])) ++separators;
    return separators <= 1;
}

bool PathIsWithin(const char* inner, const char* outer) {
    size_t n = TrimmedLength(outer);
    size_t innerLength = TrimmedLength(inner);
    if (n == 0 || innerLength < n) return false;
    // Compare component by component so that "/" and "\\" count alike.
    size_t i = 0;
    while (i < n) {
        size_t run = 0;
        while (i + run < n && !IsSeparator(outer[i + run])) ++run;
        if (!EqualPrefixNoCase(inner + i, outer + i, run)) return false;
        i += run;
        if (i < n) {
            if (!IsSeparator(inner[i])) return false;
            ++i;
        }
    }
    return innerLength == n || IsSeparator(inner[n]);
}

bool LiesDirectlyIn(const char* path, const char* folder) {
    TextBuffer parent;
    if (!parent.Copy(path)) return false;
    char* name = parent.text + (LastComponent(parent) - parent.text);
    if (name == parent.text) return false;
    *name = '\0';
    return PathIsWithin(parent, folder) && PathIsWithin(folder, parent);
}

bool IsCleanListName(const char* name) {
    return !IsSeparator(name[0]) && !strchr(name, ':') && ComponentsAreClean(name, false);
}

bool IsCleanAbsolutePath(const char* path) {
    if (!IsAbsolutePath(path)) return false;
    // The root's own separators: "X:\" or the leading pair of "\\server".
    return ComponentsAreClean(path + (IsSeparator(path[0]) ? 2 : 3), true);
}

bool IsLinkReparseTag(unsigned long tag) {
    const unsigned long kNameSurrogate = 0x20000000;
    return tag == 0 || (tag & kNameSurrogate) != 0;
}
