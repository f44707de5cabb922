// Removal of the user's Start-menu program groups and desktop shortcuts.
#include "base/text.h"
#include "app/uninstall.h"
#include "base/names.h"
#include "remove/removal.h"
#include "sysloc/sysloc.h"

namespace {

// folder + "\" + name, read afresh for every name. 0 when the folder cannot be read, is
// empty (the path would fall back on a drive's root) or the path does not fit.
int JoinShellPath(const char* folderName, const char* name, TextBuffer& folder,
                  TextBuffer& path) {
    return GetShellFolderPath(folderName, folder) && folder.text[0] && path.Copy(folder) &&
           path.Join(name);
}

// The path the system acts on for entry, when that lies below folder and is none of the
// well-known folders (such as Startup below Programs).
bool ResolvesInside(const char* entry, const char* folder, const WellKnownFolders& refused,
                    TextBuffer& canonical) {
    TextBuffer resolvedFolder;
    return ResolvedPath(folder, resolvedFolder) && CanonicalPath(entry, canonical) &&
           PathIsWithin(canonical, resolvedFolder) && !PathIsWithin(resolvedFolder, canonical) &&
           !refused.Refuses(canonical);
}

}  // namespace

int uninstall::RemoveShortcuts() {
    WellKnownFolders refused;
    bool isDirectory = false;
    NameList groups(m_scFolderName);
    while (const char* name = groups.Next()) {
        if (!IsCleanListName(name)) continue;
        TextBuffer programs, groupPath, group;
        if (!JoinShellPath("Programs", name, programs, groupPath)) return 1;
        if (!PathExists(groupPath, &isDirectory) || !isDirectory) continue;
        if (!ResolvesInside(groupPath, programs, refused, group)) continue;
        if (DeleteTree(group, true) != ERROR_SUCCESS) return 1;
    }
    NameList shortcuts(m_scDesktopName);
    while (const char* name = shortcuts.Next()) {
        if (!IsCleanListName(name)) continue;
        TextBuffer desktop, shortcutPath, shortcut;
        if (!JoinShellPath("Desktop", name, desktop, shortcutPath)) return 1;
        if (!PathExists(shortcutPath, &isDirectory) || isDirectory) continue;
        if (ResolvesInside(shortcutPath, desktop, refused, shortcut))
            DeleteFileName(shortcut, false);
    }
    return 1;
}
