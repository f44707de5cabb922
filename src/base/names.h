// Name and path rules: what a path spells and what the system makes of it. Portable: no
// windows.h. Paths are ANSI text read by characters (a GBK trail byte 0x5C is no separator);
// where the wide-character form is needed an overload takes it.
#pragma once
#include <stddef.h>

#include "base/text.h"

inline bool IsPathSeparator(char c) { return c == '\\' || c == '/'; }
// The length of path without the separators it ends in ("C:\" gives 2).
size_t TrimmedLength(const char* path);
size_t TrimmedLength(const wchar_t* path);
bool EndsInSeparator(const char* path);
// The last component of path: what follows its last separator (all of path without one).
const char* LastComponent(const char* path);

// The path join: a separator unless path is empty or ends in one, then name. A join that
// does not fit leaves path as it was and fails.
int JoinPath(TextBuffer& path, const char* name);
bool JoinPath(WidePath& path, const wchar_t* name);

// A full path in its two spellings: plain ("C:\x", "\\srv\share\x") and literal ("\\?\C:\x",
// "\\?\UNC\srv\share\x"), through which the system's path rules leave every name alone. The
// form is head followed by rest, a tail of the path it was made from.
template <typename Char>
struct PathForm {
    const Char* head;
    const Char* rest;
};
PathForm<char> PlainForm(const char* path);
PathForm<wchar_t> PlainForm(const wchar_t* path);
PathForm<wchar_t> LiteralForm(const wchar_t* path);

// "X:\..." or "\\server\share...", with either separator.
bool IsAbsolutePath(const char* path);
// A drive's root ("C:\") or a network share's root ("\\server\share").
bool IsRootPath(const char* path);
// inner is outer itself or lies below it; letter case and trailing separators ignored.
bool PathIsWithin(const char* inner, const char* outer);
// path lies directly in folder (not deeper, not merely beginning like it); letter case and
// trailing separators ignored.
bool LiesDirectlyIn(const char* path, const char* folder);

// The system's path rules fold an empty component into its neighbour and drop the blanks
// and dots a component ends in ("." and ".." name the folder itself or its parent, "x. " is
// "x"): a path with such a component names another entry than it spells.
// An absolute path ("X:\" or "\\server\share") whose components are all spelled as they
// are, but for one final separator.
bool IsCleanAbsolutePath(const char* path);
// A group or shortcut name that stays below its folder: no leading separator, no drive or
// stream colon, every component spelled as it is (no final separator either).
bool IsCleanListName(const char* name);

// Whether a reparse point with this tag is a link, removed as a link and never entered: a
// name surrogate (symbolic link, junction, mount point), or one whose tag is not known
// (0). Other reparse points (cloud placeholders, deduplicated files) are ordinary entries.
bool IsLinkReparseTag(unsigned long tag);

// A program counts as running when its base name equals listName, or listName + ".exe",
// with A-Z equal to a-z and every other byte compared as is.
bool ProgramNameMatches(const char* listName, const char* baseName);
