// Removal of the application's entries from the list of installed programs.
#include <windows.h>

#include "app/uninstall.h"
#include "base/handles.h"
#include "base/text.h"

namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The registry's status: ERROR_FILE_NOT_FOUND when the root has no such key (nor an
// Uninstall key at all).
LONG DeleteUninstallKey(HKEY rootKey, const char* keyName) {
    ScopedKey uninstallKey;
    LONG status = RegOpenKeyExA(rootKey, kUninstallKey, 0, KEY_READ | KEY_WRITE,
                                uninstallKey.receive());
    return status == ERROR_SUCCESS ? RegDeleteKeyA(uninstallKey.get(), keyName) : status;
}

}  // namespace

int uninstall::RemoveUninstallEntries() {
    NameList names(m_regFolderName);
    while (const char* name = names.Next()) {
        if (DeleteUninstallKey(HKEY_LOCAL_MACHINE, name) == ERROR_SUCCESS) continue;
        LONG status = DeleteUninstallKey(HKEY_CURRENT_USER, name);
        // A key that an older version already took away does not hold up the others.
        if (status != ERROR_SUCCESS && status != ERROR_FILE_NOT_FOUND) break;
    }
    return 1;
}
