// Phase two's removal steps, in the order they run, and the pieces they share. Each step
// logs what it does item by item and adds what it removed and failed to remove to the
// outcome; the caller turns what it returns into the run's box.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"
#include "cmdline/cmdline.h"
#include "remove/tree.h"
#include "remove/unlink.h"
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

// The folder that holds path, when the removal of path left it empty: the vendor's folder
// the last of its applications leaves. Never a refused folder, nor notThis (the Start menu's
// Programs folder); one level up only.
void RemoveEmptyParent(const wchar_t* path, const WellKnownFolders& folders,
                       const wchar_t* notThis);

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
