// Removal of the application's entries from the list of installed programs.
#include <windows.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/entries.h"
#include "report/log.h"
#include "sysloc/ownfiles.h"
#include "sysloc/sysloc.h"

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The Uninstall key of root in a registry view: 0 is the process's own, KEY_WOW64_64KEY the
// 64-bit one that a 64-bit installer writes to.
LONG OpenUninstallKey(HKEY root, REGSAM view, REGSAM access, ScopedKey& key) {
    return RegOpenKeyExW(root, kUninstallKey, 0, access | view, key.receive());
}

// The registry's status: ERROR_FILE_NOT_FOUND when the root has no such key (nor an
// Uninstall key at all).
LONG DeleteUninstallKey(HKEY rootKey, const wchar_t* keyName) {
    ScopedKey uninstallKey;
    LONG status = OpenUninstallKey(rootKey, 0, KEY_READ | KEY_WRITE, uninstallKey);
    return status == ERROR_SUCCESS ? RegDeleteKeyW(uninstallKey.get(), keyName) : status;
}

// Whether the key exists below the root's Uninstall key, for a dry run.
bool UninstallKeyExists(HKEY rootKey, const wchar_t* keyName) {
    ScopedKey uninstallKey, key;
    return OpenUninstallKey(rootKey, 0, KEY_READ, uninstallKey) == ERROR_SUCCESS &&
           RegOpenKeyExW(uninstallKey.get(), keyName, 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

bool RunsOn64BitWindows() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

// The machine's key of this name in the 64-bit view, where it belongs to this installation:
// its InstallLocation or UninstallString names installDir. One of the same name that belongs
// to something else (the 64-bit edition, installed elsewhere) stays, and that is no failure.
// ERROR_FILE_NOT_FOUND when there is none to remove.
LONG DeleteOwn64BitKey(const wchar_t* name, const wchar_t* installDir, bool dryRun) {
    ScopedKey uninstallKey, key;
    LONG status = OpenUninstallKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, KEY_READ, uninstallKey);
    if (status == ERROR_SUCCESS)
        status = RegOpenKeyExW(uninstallKey.get(), name, 0, KEY_READ | KEY_WOW64_64KEY,
                               key.receive());
    if (status != ERROR_SUCCESS) return ERROR_FILE_NOT_FOUND;
    WideText location, uninstaller;
    ReadRegistryString(key.get(), L"InstallLocation", location);
    ReadRegistryString(key.get(), L"UninstallString", uninstaller);
    key.reset();
    if (!EntryBelongsTo(location, uninstaller, installDir, UNINSTALLER_FILE)) {
        LogLine() << "the uninstall key HKLM\\" << kUninstallKey << "\\" << name
                  << " of the 64-bit view stays: it belongs to another installation "
                  << "(InstallLocation \"" << location << "\", UninstallString \"" << uninstaller
                  << "\")";
        return ERROR_FILE_NOT_FOUND;
    }
    return dryRun ? ERROR_SUCCESS
                  : RegDeleteKeyExW(uninstallKey.get(), name, KEY_WOW64_64KEY, 0);
}

}  // namespace

void RemoveUninstallEntries(const wchar_t* keyList, const wchar_t* installDir, bool dryRun,
                            Outcome& outcome) {
    const bool otherView = RunsOn64BitWindows() && installDir && *installDir;
    NameList names(keyList);
    while (const wchar_t* name = names.Next()) {
        const char* const would = dryRun ? "would remove " : "removed ";
        bool machine = dryRun && UninstallKeyExists(HKEY_LOCAL_MACHINE, name);
        LONG status = dryRun ? (machine ? ERROR_SUCCESS : ERROR_FILE_NOT_FOUND)
                             : DeleteUninstallKey(HKEY_LOCAL_MACHINE, name);
        if (status == ERROR_SUCCESS) {
            LogLine() << would << "the uninstall key HKLM\\" << kUninstallKey << "\\" << name;
            ++outcome.removed;
            continue;
        }
        if (status != ERROR_SUCCESS && otherView && !UninstallKeyExists(HKEY_LOCAL_MACHINE, name)) {
            status = DeleteOwn64BitKey(name, installDir, dryRun);
            if (status == ERROR_SUCCESS) {
                LogLine() << would << "the uninstall key HKLM\\" << kUninstallKey << "\\" << name
                          << " of the 64-bit view";
                ++outcome.removed;
                continue;
            }
            if (status != ERROR_FILE_NOT_FOUND) {
                LogLine(LogLevel::Warn) << "the uninstall key HKLM\\" << kUninstallKey << "\\"
                                        << name << " of the 64-bit view stays: "
                                        << SystemMessage(status);
                ++outcome.failed;
            }
        } else if (status != ERROR_FILE_NOT_FOUND && UninstallKeyExists(HKEY_LOCAL_MACHINE, name)) {
            // Without administrator rights the machine's key stays; the user's is tried.
            LogLine(LogLevel::Warn) << "the uninstall key HKLM\\" << kUninstallKey << "\\"
                                    << name << " stays: " << SystemMessage(status);
            ++outcome.failed;
        }
        status = dryRun ? (UninstallKeyExists(HKEY_CURRENT_USER, name) ? ERROR_SUCCESS
                                                                       : ERROR_FILE_NOT_FOUND)
                        : DeleteUninstallKey(HKEY_CURRENT_USER, name);
        if (status == ERROR_SUCCESS) {
            LogLine() << would << "the uninstall key HKCU\\" << kUninstallKey << "\\" << name;
            ++outcome.removed;
        } else if (status == ERROR_FILE_NOT_FOUND) {
            // A key that an older version already took away does not hold up the others.
            LogLine() << "uninstall key " << name << ": not there";
        } else {
            LogLine(LogLevel::Error) << "uninstall key " << name << " not removed: "
                                     << SystemMessage(status);
            ++outcome.failed;
        }
    }
}
