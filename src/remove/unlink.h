// Deleting one opened entry, the way the system at hand allows: Windows 10 and 11 take a
// POSIX delete, which frees the name at once and ignores read-only; elsewhere (FAT, older
// servers, Windows before 10, Wine) the classic delete, read-only cleared first.
#pragma once
#include <windows.h>

#include "base/text.h"

// The attributes that stop a classic delete, cleared first where it is used.
const DWORD kDeleteStoppers =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

// Deletes entries of one volume: tries the POSIX delete until the system refuses it once.
class EntryDeleter {
public:
    // overStoppers: read-only, hidden and system stop nothing.
    explicit EntryDeleter(bool overStoppers) : overStoppers_(overStoppers) {}
    // entry, opened with DELETE (and FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES where
    // attributes, as listed, hold a stopper), is marked for deletion. A file with further
    // names keeps its attributes under them. The Windows code.
    DWORD Delete(HANDLE entry, DWORD attributes);
    // Whether the system has refused the POSIX delete here.
    bool Classic() const { return !posix_; }

private:
    const bool overStoppers_;
    bool posix_ = true;
};

// Where the system opens the target of a link in place of the link (Wine, for a link to a
// file), deleting through a handle deletes the target. Renaming a new empty file over the
// link's name in dir replaces the link alone; that file then goes.
DWORD RemoveLinkName(HANDLE dir, const wchar_t* name);

// A name nobody can have guessed, with prefix.
bool RandomName(const wchar_t* prefix, wchar_t (&name)[64]);

// Deletes one file name and nothing through it: a link goes as a link, and a name that
// would reach another file than it names (a link the system follows) is left alone with
// ERROR_CANT_RESOLVE_FILENAME. path must be canonical (CanonicalPath). With resetAttributes,
// read-only, hidden and system are no obstacle. Returns the Windows code.
DWORD DeleteFileName(const wchar_t* path, bool resetAttributes);
