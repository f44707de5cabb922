// Name and path rules of the removal steps. Portable: no windows.h.
#pragma once

// A program counts as running when its base name equals listName, or listName + ".exe",
// with A-Z equal to a-z and every other byte compared as is.
bool ProgramNameMatches(const char* listName, const char* baseName);

// "X:\..." or "\\server\share...", with either separator.
bool IsAbsolutePath(const char* path);
// A drive's root ("C:\") or a network share's root ("\\server\share").
bool IsRootPath(const char* path);
// inner is outer itself or lies below it; letter case and trailing separators ignored.
bool PathIsWithin(const char* inner, const char* outer);

// The system's path rules fold an empty component into its neighbour and drop the blanks
// and dots a component ends in ("." and ".." name the folder itself or its parent, "x. " is
// "x"): a path with such a component names another entry than it spells.
// An absolute path ("X:\" or "\\server\share") whose components are all spelled as they
// are, but for one final separator.
bool IsCleanAbsolutePath(const char* path);
// path lies directly in folder (not deeper, not merely beginning like it); letter case and
// trailing separators ignored.
bool LiesDirectlyIn(const char* path, const char* folder);

// Whether a reparse point with this tag is a link, removed as a link and never entered: a
// name surrogate (symbolic link, junction, mount point), or one whose tag is not known
// (0). Other reparse points (cloud placeholders, deduplicated files) are ordinary entries.
bool IsLinkReparseTag(unsigned long tag);

// A group or shortcut name that stays below its folder: no leading separator, no drive or
// stream colon, every component spelled as it is (no final separator either).
bool IsCleanListName(const char* name);
