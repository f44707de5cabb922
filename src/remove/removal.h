// Phase two's removal steps, in the order they run, and the pieces they share. Each step
// logs what it does item by item and adds what it removed and failed to remove to the
// outcome; the caller turns what it returns into the run's box.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"
#include "cmdline/cmdline.h"
#include "report/outcome.h"

class WellKnownFolders;
class OtherApplications;

// 0 when a program of executableList runs; its name (as listed) is then in runningName.
// Nothing is removed before this check has passed.
int CheckRunningPrograms(const wchar_t* executableList, WideText& runningName);
// The listed program groups (folders below the user's Start-menu Programs folder) and
// desktop shortcuts. Always 1: what stays is logged and counted as failed.
int RemoveShortcuts(const wchar_t* groupList, const wchar_t* shortcutList,
                    const WellKnownFolders& refused, bool dryRun, Outcome& outcome);
// The installation directory with everything in it but what is others' (their folders
// inside it, and the folders above those). 0 when some of it stays for good (or the
// directory is refused); what goes at the next restart sets outcome.restartNeeded.
int RemoveInstallDir(const wchar_t* installDir, const WellKnownFolders& folders,
                     OtherApplications& others, const Switches& switches, Outcome& outcome);
// The listed keys below the Uninstall key, of the machine or else of the user. On 64-bit
// Windows a name the machine lacks in this program's view is looked for in the 64-bit view,
// and removed there only when it belongs to the installation in installDir. Always 1.
int RemoveUninstallEntries(const wchar_t* keyList, const wchar_t* installDir, bool dryRun,
                           Outcome& outcome);

// Removes dir and everything below it, depth first, resetting each file's attributes before
// deleting it. Links (reparse points) are removed as links and never entered; a link that
// the system only opens as its target (Wine's links to directories) stays. Returns 0 when
// the tree is gone (or dir could not be listed at all), else the Windows code of the first
// failure; with recurse false, subdirectories are kept and so is dir. The files of dir named
// in lastFiles (a null-terminated list) are deleted only after all the rest. Any depth, and
// paths of any length the system allows, are handled.
struct TreeReport;
DWORD DeleteTree(const wchar_t* dir, bool recurse, const wchar_t* const* lastFiles = nullptr,
                 TreeReport* report = nullptr);
// The same on a directory opened by OpenDirectory, whose literal path is path (for the log).
// The directory goes when the caller closes it.
DWORD DeleteTree(HANDLE dir, const wchar_t* path, bool recurse, const wchar_t* const* lastFiles,
                 TreeReport& report);
// Opens the directory dir for DeleteTree, as itself: a link that the system opens as its
// target gives ERROR_CANT_RESOLVE_FILENAME, a file ERROR_DIRECTORY. Without the rights to
// remove it, it is opened to be looked at only. literal receives its literal path.
DWORD OpenDirectory(const wchar_t* dir, WideText& literal, ScopedFile& opened);
// Called, when set, with each directory's path between its listing and its opening: a test
// changes the tree there.
extern void (*g_beforeEnteringDirectory)(const wchar_t* path);

// What a DeleteTree did, or with countOnly would do (it then removes nothing): the files
// (links among them) and directories removed, and the first path that could not be. With
// pendingIn, an entry that another program holds (in use, not merely refused) moves into a
// folder of the run's own made in pendingIn (pending), under a new name, and goes from there
// at the next restart, so that nothing a new installation puts at its old path is touched;
// the walk goes on. An entry that cannot move fails it. With aside, one of the last files
// in use moves there instead, and goes at the next restart unannounced: the program that
// waits for us. progress, when given, follows the walk.
class ProgressWindow;
struct TreeReport {
    bool countOnly = false;
    OtherApplications* others = nullptr;  // their folders stay, and every folder above them
    const wchar_t* pendingIn = nullptr;
    const wchar_t* aside = nullptr;
    ProgressWindow* progress = nullptr;
    unsigned long files = 0;
    unsigned long directories = 0;
    unsigned long scheduled = 0;
    WideText pending;  // the run's own folder, once something went there
    ScopedFile pendingDir;
    WideText failed;  // in the literal form
};

// Deletes one file name and nothing through it: a link goes as a link, and a name that
// would reach another file than it names (a link the system follows) is left alone with
// ERROR_CANT_RESOLVE_FILENAME. path must be canonical (CanonicalPath). With resetAttributes,
// read-only, hidden and system are cleared first; a file with further names gets its
// attributes back for them. Returns the Windows code.
DWORD DeleteFileName(const wchar_t* path, bool resetAttributes);

// The folders of the system, of all users and of every user with a profile on the machine,
// as the registry and the environment name them, each under every spelling: what no
// uninstall may remove, whichever account runs it.
class WellKnownFolders {
public:
    WellKnownFolders();
    // dir (a full path) is a drive's or share's root, lies in the Windows folder or holds it,
    // or is, or holds, any other of the folders.
    bool Refuses(const wchar_t* dir) const;
    // The same for an opened directory by what it is, whatever name reached it: it is, or
    // holds, one of the folders, or lies in the Windows folder.
    bool RefusesOpened(HANDLE dir) const;

private:
    void AddForms(const wchar_t* folder, TextList& list);
    void Add(const wchar_t* text, const wchar_t* profile = nullptr);
    void AddValues(HKEY root, const wchar_t* subkey, REGSAM view,
                   const wchar_t* profile = nullptr, const wchar_t* const* names = nullptr);
    void AddProfiles(REGSAM view);
    void AddLoadedUsers();
    static bool ProfileOf(const wchar_t* sid, REGSAM view, WideText& profile);

    TextList named_;    // every folder once, as named
    TextList windows_;  // refused with everything below
    TextList folders_;  // refused with everything above
    TextList holders_;     // the folders and all above them, each its file ID and path
    TextList windowsIds_;  // the Windows folders, the same way
};

// Writes to the log every running process whose program file lies inside dir.
void LogProgramsInside(const wchar_t* dir);

enum InstallDirCheck { kInstallDirRemovable, kInstallDirMissing, kInstallDirRefused };
// Whether dir may go as an installation directory. Removable: canonical holds the one path
// to test and delete. Missing: there is nothing to remove. Refused: dir is spelled so that
// the system would fold it into another path, cannot be resolved, or it (or what its link
// leads to) is refused by WellKnownFolders, by name or by what it is. With opened, a
// removable directory comes back opened by OpenDirectory.
InstallDirCheck CheckInstallDir(const wchar_t* dir, const WellKnownFolders& folders,
                                WideText& canonical, ScopedFile* opened = nullptr);
