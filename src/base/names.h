// Name and path rules: what a path spells and what the system makes of it. Portable: no
// windows.h. Paths are UTF-16 text, read by characters: no character of a name is ever
// taken for a separator.
#pragma once
#include <stddef.h>

#include "base/text.h"

inline bool IsPathSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }
// The length of path without the separators it ends in ("C:\" gives 2).
size_t TrimmedLength(const wchar_t* path);
bool EndsInSeparator(const wchar_t* path);
// The last component of path: what follows its last separator (all of path without one).
const wchar_t* LastComponent(const wchar_t* path);

// path cut after its last separator: the folder that holds what it names, with the
// separator ("C:\\Apps\\Tool\\uninstall.exe" gives "C:\\Apps\\Tool\\"); empty without one.
void CutToFolder(WideText& path);

// The path join: a separator unless path is empty or ends in one, then name. A join that
// finds no memory leaves path as it was and fails.
bool JoinPath(WideText& path, const wchar_t* name);

// A full path in its two spellings: plain ("C:\x", "\\srv\share\x") and literal ("\\?\C:\x",
// "\\?\UNC\srv\share\x"), through which the system's path rules leave every name alone. The
// form is head followed by rest, a tail of the path it was made from.
struct PathForm {
    const wchar_t* head;
    const wchar_t* rest;
};
PathForm PlainForm(const wchar_t* path);
PathForm LiteralForm(const wchar_t* path);

// "X:\..." or "\\server\share...", with either separator.
bool IsAbsolutePath(const wchar_t* path);
// A drive's root ("C:\") or a network share's root ("\\server\share").
bool IsRootPath(const wchar_t* path);
// inner is outer itself or lies below it; letter case and trailing separators ignored.
bool PathIsWithin(const wchar_t* inner, const wchar_t* outer);
// path lies directly in folder (not deeper, not merely beginning like it); letter case and
// trailing separators ignored.
bool LiesDirectlyIn(const wchar_t* path, const wchar_t* folder);
// Where a working copy runs from: directly in tempDirectory, or directly in a folder of its
// own there, one lying directly in tempDirectory whose name is folderPrefix followed by more
// (letter case ignored).
bool IsWorkingCopyPath(const wchar_t* path, const wchar_t* tempDirectory,
                       const wchar_t* folderPrefix);
// The name of the session-wide lock that one uninstall of the application in dir (its
// canonical path) holds: prefix and a hash of dir, letter case and trailing separators
// ignored, "/" taken as "\". The hash part holds no backslash, which lock names forbid.
bool UninstallLockName(const wchar_t* dir, const wchar_t* prefix, WideText& name);

// The system's path rules fold an empty component into its neighbour and drop the blanks
// and dots a component ends in ("." and ".." name the folder itself or its parent, "x. " is
// "x"): a path with such a component names another entry than it spells.
// An absolute path ("X:\" or "\\server\share") whose components are all spelled as they
// are, but for one final separator.
bool IsCleanAbsolutePath(const wchar_t* path);
// A group or shortcut name that stays below its folder: no leading separator, no drive or
// stream colon, every component spelled as it is (no final separator either).
bool IsCleanListName(const wchar_t* name);
// Why a listed name is no clean one, in plain words; null when it is.
const char* ListNameFault(const wchar_t* name);

// Whether a reparse point with this tag is a link, removed as a link and never entered: a
// name surrogate (symbolic link, junction, mount point), or one whose tag is not known
// (0). Other reparse points (cloud placeholders, deduplicated files) are ordinary entries.
bool IsLinkReparseTag(unsigned long tag);

// The program file a command starts, as an uninstall entry stores it (UninstallString,
// DisplayIcon): the quoted first item; else, unquoted, the text up to the first ".exe" that
// ends an item (such a path may hold blanks), or the whole text without a final ",index".
// False when nothing is left.
bool CommandProgram(const wchar_t* command, WideText& program);
// The same path, letter case (A-Z) and trailing separators ignored; no name is resolved, so
// a short name or a link does not match its long form.
bool SamePath(const wchar_t* a, const wchar_t* b);
// Whether an uninstall entry belongs to the installation in installDir: its InstallLocation
// (quoted or not) names installDir, or its UninstallString starts installDir's
// uninstallerFile. Either text may be null.
bool EntryBelongsTo(const wchar_t* installLocation, const wchar_t* uninstallString,
                    const wchar_t* installDir, const wchar_t* uninstallerFile);

// A program counts as running when its base name equals listName, or listName + ".exe",
// with A-Z equal to a-z and every other character compared as is.
bool ProgramNameMatches(const wchar_t* listName, const wchar_t* baseName);
