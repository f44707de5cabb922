// The other applications on the machine: the folders their uninstall entries name, and the
// folders inside the tree that hold an uninstaller of ours with its list. Removing one
// application keeps every other one whole, with the folders that hold it.
#pragma once
#include <windows.h>

#include "base/text.h"

class WellKnownFolders;

class OtherApplications {
public:
    // Every uninstall entry of the machine (in both registry views) and of the user, but
    // those ownKeys names and those whose UninstallString starts the uninstaller in
    // installDir (its canonical path): its InstallLocation and the folders of its
    // UninstallString and DisplayIcon, where they exist on installDir's drive, are none of
    // folders, and are installDir, hold it or lie in it.
    OtherApplications(const wchar_t* ownKeys, const wchar_t* installDir,
                      const WellKnownFolders& folders);
    ~OtherApplications();
    OtherApplications(const OtherApplications&) = delete;
    OtherApplications& operator=(const OtherApplications&) = delete;

    // The name of the application whose folder is the installation directory or holds it;
    // null when there is none.
    const wchar_t* Holding() const;
    // Whether the walk keeps the directory it lists with this file ID: an application's
    // folder inside the installation directory.
    bool Keeps(long long fileId);
    // The walk keeps the directory at path, which holds its own uninstall.exe and conf.xml:
    // another product shipped with this uninstaller, registered or not.
    void KeepShipped(long long fileId, const wchar_t* path);
    // Logs each application kept, by name and folder; how many there were.
    unsigned long LogKept(bool dryRun) const;

private:
    struct Folder {
        Folder* next;
        long long id;
        bool kept;
        WideText path, name;
    };
    void AddEntries(HKEY root, REGSAM view, const wchar_t* ownKeys);
    void AddFolder(const wchar_t* path, const wchar_t* name);
    Folder* Add(long long id, const wchar_t* path, const wchar_t* name);

    const WellKnownFolders& folders_;
    WideText installDir_, resolved_;  // the installation directory and where it leads
    Folder* first_ = nullptr;
};
