// Removal of the application's entries from the list of installed programs.
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"
#include "remove/removal.h"
#include "report/log.h"

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The registry's status: ERROR_FILE_NOT_FOUND when the root has no such key (nor an
// Uninstall key at all).
LONG DeleteUninstallKey(HKEY rootKey, const wchar_t* keyName) {
    ScopedKey uninstallKey;
    LONG status = RegOpenKeyExW(rootKey, kUninstallKey, 0, KEY_READ | KEY_WRITE,
                                uninstallKey.receive());
    return status == ERROR_SUCCESS ? RegDeleteKeyW(uninstallKey.get(), keyName) : status;
}

// Whether the key exists below the root's Uninstall key, for a dry run.
bool UninstallKeyExists(HKEY rootKey, const wchar_t* keyName) {
    ScopedKey uninstallKey, key;
    return RegOpenKeyExW(rootKey, kUninstallKey, 0, KEY_READ, uninstallKey.receive()) ==
               ERROR_SUCCESS &&
           RegOpenKeyExW(uninstallKey.get(), keyName, 0, KEY_READ, key.receive()) == ERROR_SUCCESS;
}

}  // namespace

int RemoveUninstallEntries(const wchar_t* keyList, bool dryRun, Outcome& outcome) {
    NameList names(keyList);
    while (const wchar_t* name = names.Next()) {
        if (dryRun) {
            bool machine = UninstallKeyExists(HKEY_LOCAL_MACHINE, name);
            if (machine || UninstallKeyExists(HKEY_CURRENT_USER, name)) {
                LogLine() << "would remove the uninstall key " << (machine ? "HKLM" : "HKCU")
                          << "\\" << kUninstallKey << "\\" << name;
                ++outcome.removed;
            } else {
                LogLine() << "uninstall key " << name << ": not there";
            }
            continue;
        }
        LONG machine = DeleteUninstallKey(HKEY_LOCAL_MACHINE, name);
        if (machine == ERROR_SUCCESS) {
            LogLine() << "removed the uninstall key HKLM\\" << kUninstallKey << "\\" << name;
            ++outcome.removed;
            continue;
        }
        if (machine != ERROR_FILE_NOT_FOUND && UninstallKeyExists(HKEY_LOCAL_MACHINE, name)) {
            // Without administrator rights the machine's key stays; the user's is tried.
            LogLine(LogLevel::Warn) << "the uninstall key HKLM\\" << kUninstallKey << "\\"
                                    << name << " stays: " << SystemMessage(machine);
            ++outcome.failed;
        }
        LONG status = DeleteUninstallKey(HKEY_CURRENT_USER, name);
        if (status == ERROR_SUCCESS) {
            LogLine() << "removed the uninstall key HKCU\\" << kUninstallKey << "\\" << name;
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
    return 1;
}
