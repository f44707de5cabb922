#include "base/names.h"

#include <wchar.h>

namespace {

bool IsLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Every component of path is non-empty and ends in neither a blank nor a dot; with
// finalSeparator, path may end in one separator.
bool ComponentsAreClean(const wchar_t* path, bool finalSeparator) {
    if (finalSeparator && *path == L'\0') return true;  // a drive's root, "X:\"
    const wchar_t* start = path;
    wchar_t last = L'\0';
    for (const wchar_t* p = path;; ++p) {
        if (*p == L'\0' || IsPathSeparator(*p)) {
            bool empty = p == start;
            if (empty && !(*p == L'\0' && finalSeparator && p > path)) return false;
            if (last == L' ' || last == L'.') return false;
            if (*p == L'\0') return true;
            start = p + 1;
            last = L'\0';
        } else {
            last = *p;
        }
    }
}

bool StartsWith(const wchar_t* text, const wchar_t* prefix) {
    while (*prefix)
        if (*text++ != *prefix++) return false;
    return true;
}

}  // namespace

size_t TrimmedLength(const wchar_t* path) {
    size_t n = wcslen(path);
    while (n > 0 && IsPathSeparator(path[n - 1])) --n;
    return n;
}

bool EndsInSeparator(const wchar_t* path) { return TrimmedLength(path) != wcslen(path); }

const wchar_t* LastComponent(const wchar_t* path) {
    const wchar_t* last = path;
    for (const wchar_t* p = path; *p; ++p)
        if (IsPathSeparator(*p)) last = p + 1;
    return last;
}

void CutToFolder(WideText& path) { path.Truncate(LastComponent(path) - path.Text()); }

bool JoinPath(WideText& path, const wchar_t* name) {
    size_t n = path.Length();
    bool separator = n == 0 || IsPathSeparator(path.Text()[n - 1]);
    if (separator) return path.Append(name);
    if (!path.Append(L"\\")) return false;
    if (path.Append(name)) return true;
    path.Truncate(n);
    return false;
}

PathForm PlainForm(const wchar_t* path) {
    if (StartsWith(path, L"\\\\?\\UNC\\")) return {L"\\\\", path + 8};
    if (StartsWith(path, L"\\\\?\\")) return {L"", path + 4};
    return {L"", path};
}

PathForm LiteralForm(const wchar_t* path) {
    if (StartsWith(path, L"\\\\?\\")) return {L"", path};
    if (StartsWith(path, L"\\\\")) return {L"\\\\?\\UNC\\", path + 2};
    return {L"\\\\?\\", path};
}

bool IsAbsolutePath(const wchar_t* path) {
    if (IsLetter(path[0]) && path[1] == L':' && IsPathSeparator(path[2])) return true;
    // \\server\share, but not the device forms \\?\ and \\.\ .
    return IsPathSeparator(path[0]) && IsPathSeparator(path[1]) && path[2] &&
           !IsPathSeparator(path[2]) &&
           !((path[2] == L'?' || path[2] == L'.') && IsPathSeparator(path[3]));
}

bool IsRootPath(const wchar_t* path) {
    size_t n = TrimmedLength(path);
    if (IsLetter(path[0]) && path[1] == L':') return n <= 2;
    if (!(IsPathSeparator(path[0]) && IsPathSeparator(path[1]))) return false;
    int separators = 0;  // \\server\share holds one separator after the leading pair
    for (size_t i = 2; i < n; ++i)
        if (IsPathSeparator(path[i])) ++separators;
    return separators <= 1;
}

bool PathIsWithin(const wchar_t* inner, const wchar_t* outer) {
    size_t n = TrimmedLength(outer);
    size_t innerLength = TrimmedLength(inner);
    if (n == 0 || innerLength < n) return false;
    // "/" and "\" count alike.
    for (size_t i = 0; i < n; ++i) {
        bool separators = IsPathSeparator(inner[i]) && IsPathSeparator(outer[i]);
        if (!separators && !EqualPrefixNoCase(inner + i, outer + i, 1)) return false;
    }
    return innerLength == n || IsPathSeparator(inner[n]);
}

bool LiesDirectlyIn(const wchar_t* path, const wchar_t* folder) {
    WideText parent;
    const wchar_t* name = LastComponent(path);
    if (name == path || !parent.Append(path)) return false;
    parent.Truncate(static_cast<size_t>(name - path));
    return PathIsWithin(parent, folder) && PathIsWithin(folder, parent);
}

bool IsWorkingCopyPath(const wchar_t* path, const wchar_t* tempDirectory,
                       const wchar_t* folderPrefix) {
    if (LiesDirectlyIn(path, tempDirectory)) return true;
    const wchar_t* name = LastComponent(path);
    WideText folder;
    if (name == path || !*name || !folder.Append(path)) return false;
    folder.Truncate(static_cast<size_t>(name - path));
    folder.Truncate(TrimmedLength(folder));
    const wchar_t* folderName = LastComponent(folder);
    size_t n = wcslen(folderPrefix);
    return wcslen(folderName) > n && EqualPrefixNoCase(folderName, folderPrefix, n) &&
           LiesDirectlyIn(folder, tempDirectory);
}

bool UninstallLockName(const wchar_t* dir, const wchar_t* prefix, WideText& name) {
    // FNV-1a, 64 bits, over the characters, each as two bytes.
    unsigned long long hash = 14695981039346656037ULL;
    for (size_t i = 0, n = TrimmedLength(dir); i < n; ++i) {
        unsigned c = static_cast<unsigned>(dir[i]) & 0xFFFF;
        if (c >= L'A' && c <= L'Z') c += L'a' - L'A';
        if (c == L'/') c = L'\\';
        for (int shift = 0; shift < 16; shift += 8) {
            hash ^= (c >> shift) & 0xFF;
            hash *= 1099511628211ULL;
        }
    }
    wchar_t hex[17];
    for (int i = 15; i >= 0; --i, hash >>= 4) hex[i] = L"0123456789abcdef"[hash & 0xF];
    hex[16] = L'\0';
    return name.Assign(prefix) && name.Append(hex);
}

bool IsCleanAbsolutePath(const wchar_t* path) {
    if (!IsAbsolutePath(path)) return false;
    // The root's own separators: "X:\" or the leading pair of "\\server".
    return ComponentsAreClean(path + (IsPathSeparator(path[0]) ? 2 : 3), true);
}

bool IsCleanListName(const wchar_t* name) { return ListNameFault(name) == nullptr; }

const char* ListNameFault(const wchar_t* name) {
    if (!*name) return "it is empty";
    if (IsPathSeparator(name[0]))
        return "it starts with a backslash, which leads to the drive's root";
    if (wcschr(name, L':')) return "it holds a colon (a drive, or a stream of a file)";
    if (ComponentsAreClean(name, false)) return nullptr;
    if (EndsInSeparator(name)) return "it ends with a backslash";
    for (const wchar_t* p = name; *p; ++p)
        if (IsPathSeparator(p[0]) && IsPathSeparator(p[1]))
            return "it holds two backslashes in a row";
    return "a part of it ends in a blank or a dot, or is \".\" or \"..\", which Windows folds "
           "into another folder";
}

bool IsLinkReparseTag(unsigned long tag) {
    const unsigned long kNameSurrogate = 0x20000000;
    return tag == 0 || (tag & kNameSurrogate) != 0;
}

bool ProgramNameMatches(const wchar_t* listName, const wchar_t* baseName) {
    if (EqualNoCase(listName, baseName)) return true;
    size_t n = wcslen(listName);
    return wcslen(baseName) == n + 4 && EqualPrefixNoCase(listName, baseName, n) &&
           EqualNoCase(baseName + n, L".exe");
}

bool CommandProgram(const wchar_t* command, WideText& path) {
    path.Truncate(0);
    if (!command) return false;
    while (*command == L' ' || *command == L'\t') ++command;
    size_t n;
    if (*command == L'"') {
        ++command;
        const wchar_t* close = wcschr(command, L'"');
        n = close ? static_cast<size_t>(close - command) : wcslen(command);
    } else {
        n = wcslen(command);
        while (n > 0 && (command[n - 1] == L' ' || command[n - 1] == L'\t')) --n;
        bool program = false;
        for (size_t i = 0; i + 4 <= n && !program; ++i) {
            wchar_t after = command[i + 4];
            program = EqualPrefixNoCase(command + i, L".exe", 4) &&
                      (i + 4 == n || after == L' ' || after == L'\t' || after == L',');
            if (program) n = i + 4;
        }
        if (!program) {  // a file, and perhaps an icon's index
            size_t comma = n;
            while (comma > 0 && command[comma - 1] != L',') --comma;
            size_t digits = comma;
            if (digits < n && command[digits] == L'-') ++digits;
            bool index = comma > 0 && digits < n;
            for (size_t i = digits; i < n; ++i)
                index = index && command[i] >= L'0' && command[i] <= L'9';
            if (index) n = comma - 1;
        }
        while (n > 0 && (command[n - 1] == L' ' || command[n - 1] == L'\t')) --n;
    }
    wchar_t* room = n > 0 ? path.Room(n) : nullptr;
    if (!room) return false;
    for (size_t i = 0; i < n; ++i) room[i] = command[i];
    path.Keep(n);
    return true;
}

bool SamePath(const wchar_t* a, const wchar_t* b) {
    return *a && *b && PathIsWithin(a, b) && PathIsWithin(b, a);
}

bool EntryBelongsTo(const wchar_t* installLocation, const wchar_t* uninstallString,
                    const wchar_t* installDir, const wchar_t* uninstallerFile) {
    WideText location, program, uninstaller;
    // A folder is taken as it stands, or from between its quotes.
    bool quoted = installLocation && installLocation[wcsspn(installLocation, L" \t")] == L'"';
    if (installLocation && (quoted ? CommandProgram(installLocation, location)
                                   : location.Assign(installLocation)) &&
        SamePath(location, installDir))
        return true;
    return uninstallString && CommandProgram(uninstallString, program) &&
           uninstaller.Assign(installDir) && JoinPath(uninstaller, uninstallerFile) &&
           SamePath(program, uninstaller);
}
