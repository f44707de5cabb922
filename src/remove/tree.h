// The removal of a directory tree through opened handles: the installation directory and
// the program groups. The directory is opened once; each directory below it is opened
// relative to its parent's handle, by the name its listing showed, and entered only as what
// the listing showed, no link. What the walk deletes is what it opened and checked: no path
// is resolved again.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"
#include "remove/pending.h"

class OtherApplications;
class ProgressWindow;

// What a DeleteTree did, or with countOnly would do (it then removes nothing): the files
// (links among them) and directories removed, and the first path that could not be. With
// pendingIn, an entry that another program holds (in use, not merely refused) moves into a
// folder of the run's own made in pendingIn (pending), under a new name, and goes from there
// at the next restart, so that nothing a new installation puts at its old path is touched;
// the walk goes on. An entry that cannot move fails it, and so does one on a network volume,
// where nothing can wait for a restart. With aside, one of the last files in use moves there
// instead, and goes at the next restart unannounced: the program that waits for us.
// progress, when given, follows the walk.
struct TreeReport {
    bool countOnly = false;
    OtherApplications* others = nullptr;  // their folders stay, and every folder above them
    ProgressWindow* progress = nullptr;
    PendingMoves pending;
    unsigned long files = 0;
    unsigned long directories = 0;
    WideText failed;  // in the literal form
};

// The units of a whole removal, for the progress window.
const unsigned long kProgressUnits = 1000000;

// Removes dir and everything below it, depth first. Links (reparse points with a link's tag)
// are removed as links and never entered; a link that the system only opens as its target
// (Wine's links to directories) stays. Returns 0 when the tree is gone (or dir could not be
// listed at all), else the Windows code of the first failure; with recurse false,
// subdirectories are kept and so is dir. The files of dir named in lastFiles (a
// null-terminated list) are deleted only after all the rest. Any depth, and paths of any
// length the system allows, are handled.
DWORD DeleteTree(const wchar_t* dir, bool recurse, const wchar_t* const* lastFiles = nullptr,
                 TreeReport* report = nullptr);
// The same on a directory opened by OpenDirectory, whose literal path is path (for the log
// and, where another program holds it, for the next restart). The directory goes when the
// caller closes it.
DWORD DeleteTree(HANDLE dir, const wchar_t* path, bool recurse, const wchar_t* const* lastFiles,
                 TreeReport& report);
// Opens the directory dir for DeleteTree, as itself: a link that the system opens as its
// target gives ERROR_CANT_RESOLVE_FILENAME, a file ERROR_DIRECTORY. Without the rights to
// remove it, or while another program holds it without sharing its removal (its current
// directory), it is opened to be listed and looked at only. literal receives its literal
// path.
DWORD OpenDirectory(const wchar_t* dir, WideText& literal, ScopedFile& opened);

// Removes the folder dir when it holds nothing, and only then: the vendor's folder the last of
// its applications leaves. A link is no such folder. ERROR_SUCCESS when it went,
// ERROR_DIR_NOT_EMPTY when something is in it.
DWORD RemoveEmptyFolder(const wchar_t* dir);
