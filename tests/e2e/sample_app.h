// A sample application installed into the prefix as a vendor's installer would install it:
// files below the 32-bit Program Files folder, a Start-menu program group, a desktop
// shortcut and uninstall keys. Everything it makes it takes away again in Remove().
#pragma once
#include <windows.h>

#include <string>
#include <vector>

namespace e2e {

struct ConfLists {
    std::string executable, regFolderName, scFolderName, scDesktopName;
};

class SampleInstaller {
public:
    SampleInstaller();
    ~SampleInstaller() { Remove(); }

    // installDir with uninstall.exe, conf.xml (from lists) and a few hundred files in
    // nested folders, some read-only, hidden or system. Returns the number of files.
    int InstallFiles(const std::string& installDir, const ConfLists& lists);
    // A folder of .lnk shortcuts below the user's Start-menu Programs folder.
    void InstallGroup(const std::string& name, const std::vector<std::string>& shortcuts);
    // A .lnk file on the user's desktop.
    void InstallDesktopShortcut(const std::string& fileName);
    // An uninstall key with DisplayName and a quoted UninstallString. view: KEY_WOW64_32KEY
    // or KEY_WOW64_64KEY for HKLM, 0 for HKCU.
    void InstallKey(HKEY root, REGSAM view, const std::string& name,
                    const std::string& displayName, const std::string& uninstallString);
    // Any other file, folder or uninstall key to take away afterwards.
    void Track(const std::string& path) { paths_.push_back(path); }
    void TrackKey(HKEY root, REGSAM view, const std::string& name) {
        keys_.push_back({root, view, name});
    }

    void Remove();

    std::string ProgramsDir() const { return programs_; }
    std::string DesktopDir() const { return desktop_; }

private:
    struct Key {
        HKEY root;
        REGSAM view;
        std::string name;
    };
    std::string programs_, desktop_;
    std::vector<std::string> paths_;
    std::vector<Key> keys_;
};

std::string ConfXml(const ConfLists& lists);
// Where a 32-bit installer puts applications: %ProgramFiles% of this (32-bit) process.
std::string ProgramFilesDir();
// The bytes of a real shell link to target, as IShellLink writes them.
std::string ShortcutBytes(const std::string& target);

}  // namespace e2e
