// Name and path rules of the removal steps. Portable: no windows.h.
#pragma once

// A program counts as running when its base name equals listName, or listName + ".exe",
// with A-Z equal to a-z and every other byte compared as is.
bool ProgramNameMatches(const char* listName, const char* baseName);

// "X:\..." or "\\server\share...", with either separator.
bool IsAbsolutePath(const char* path);
// A drive's root ("C:\") or a network share's root ("\\server\share").
bool IsRootPath(const char* path);
// Some component is made of dots and blanks only ("." , "..", "...", " .."): the system
// folds such a component into its parent or the parent's parent.
bool HasDotOnlyComponent(const char* path);
// inner is outer itself or lies below it; letter case and trailing separators ignored.
bool PathIsWithin(const char* inner, const char* outer);

// A group or shortcut name that stays below its folder: not absolute, no leading
// separator, no drive or stream colon, no dot-only component.
bool IsSafeListName(const char* name);
