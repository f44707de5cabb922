// Removal of the application's entries from the list of installed programs.
#include <windows.h>

#include "app/text.h"
#include "app/uninstall.h"
#include "sysloc/handles.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

int DeleteUninstallKey(HKEY rootKey, const char* keyName) {
    ScopedKey uninstallKey;
    if (RegOpenKeyExA(rootKey, kUninstallKey, 0, KEY_READ | KEY_WRITE,
                      uninstallKey.receive()) != ERROR_SUCCESS)
        return 0;
    return RegDeleteKeyA(uninstallKey.get(), keyName) == ERROR_SUCCESS;
}

// True when the user's root has no key of that name (nor an Uninstall key at all).
bool UserKeyIsGone(const char* keyName) {
    ScopedKey uninstallKey, key;
    LONG status = RegOpenKeyExA(HKEY_CURRENT_USER, kUninstallKey, 0, KEY_READ,
                                uninstallKey.receive());
    if (status == ERROR_SUCCESS)
        status = RegOpenKeyExA(uninstallKey.get(), keyName, 0, KEY_READ, key.receive());
    return status == ERROR_FILE_NOT_FOUND;
}

}  // namespace

int uninstall::RemoveUninstallEntries() {
    NameList names(m_regFolderName);
    while (const char* name = names.Next()) {
        if (DeleteUninstallKey(HKEY_LOCAL_MACHINE, name)) continue;
        if (DeleteUninstallKey(HKEY_CURRENT_USER, name)) continue;
        // A key that an older version already took away does not hold up the others.
        if (!UserKeyIsGone(name)) break;
    }
    return 1;
}
