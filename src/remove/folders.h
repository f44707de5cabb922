// The folders of the system and of every user, which no uninstall may remove.
#pragma once
#include <windows.h>

#include "base/text.h"

// The folders of the system, of all users and of every user with a profile on the machine,
// as the registry and the environment name them, each under every spelling: what no
// uninstall may remove, whichever account runs it.
class WellKnownFolders {
public:
    // tempDirectory: the run's, which the working copy lies in.
    explicit WellKnownFolders(const wchar_t* tempDirectory);
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
