// Removal of the user's Start-menu program groups and desktop shortcuts.
#include "app/text.h"
#include "app/uninstall.h"
#include "remove/names.h"
#include "remove/removal.h"
#include "sysloc/sysloc.h"

namespace {

// folder + "\" + name, read afresh for every name. 0 when the folder cannot be read, is
// empty (the path would fall back on a drive's root) or the path does not fit.
int JoinShellPath(const char* folderName, const char* name, TextBuffer& path) {
    return GetShellFolderPath(folderName, path) && path.text[0] && path.Append("\\") &&
           path.Append(name);
}

}  // namespace

int uninstall::RemoveShortcuts() {
    bool isDirectory = false;
    NameList groups(m_scFolderName);
    while (const char* name = groups.Next()) {
        if (!IsSafeListName(name)) continue;
        TextBuffer groupPath;
        if (!JoinShellPath("Programs", name, groupPath)) return 1;
        if (!PathExists(groupPath, &isDirectory) || !isDirectory) continue;
        if (DeleteTree(groupPath, true) != ERROR_SUCCESS) return 1;
    }
    NameList shortcuts(m_scDesktopName);
    while (const char* name = shortcuts.Next()) {
        if (!IsSafeListName(name)) continue;
        TextBuffer shortcutPath;
        if (!JoinShellPath("Desktop", name, shortcutPath)) return 1;
        if (PathExists(shortcutPath, &isDirectory) && !isDirectory) DeleteFileA(shortcutPath);
    }
    return 1;
}
