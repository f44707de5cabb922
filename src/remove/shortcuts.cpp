// Removal of the user's Start-menu program groups and desktop shortcuts.
#include "app/log.h"
#include "app/uninstall.h"
#include "base/names.h"
#include "base/text.h"
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
    const char* const would = m_switches.dryRun ? "would remove " : "removed ";
    NameList groups(m_scFolderName);
    while (const char* name = groups.Next()) {
        if (!IsCleanListName(name)) {
            LogLine(LogLevel::Warn) << "program group \"" << name << "\" skipped: its name "
                                    << "reaches another folder than it spells";
            continue;
        }
        TextBuffer programs, groupPath, group;
        if (!JoinShellPath("Programs", name, programs, groupPath)) {
            LogLine(LogLevel::Warn) << "the Programs folder cannot be read: no group or "
                                    << "shortcut is removed";
            return 1;
        }
        if (!PathExists(groupPath, &isDirectory) || !isDirectory) {
            LogLine() << "program group " << groupPath << ": not there";
            continue;
        }
        if (!ResolvesInside(groupPath, programs, refused, group)) {
            LogLine(LogLevel::Warn) << "program group " << groupPath << " skipped: it is not a "
                                    << "group below the Programs folder";
            continue;
        }
        TreeReport report;
        report.countOnly = m_switches.dryRun;
        DWORD code = DeleteTree(group, true, nullptr, &report);
        if (code != ERROR_SUCCESS) {
            LogLine(LogLevel::Error) << "program group " << group << " not removed whole: "
                                     << SystemMessage(code) << "; later groups and the desktop "
                                     << "shortcuts are left";
            CountFailed();
            return 1;
        }
        LogLine() << would << "program group " << group;
        CountRemoved();
    }
    NameList shortcuts(m_scDesktopName);
    while (const char* name = shortcuts.Next()) {
        if (!IsCleanListName(name)) {
            LogLine(LogLevel::Warn) << "desktop shortcut \"" << name << "\" skipped: its name "
                                    << "reaches another file than it spells";
            continue;
        }
        TextBuffer desktop, shortcutPath, shortcut;
        if (!JoinShellPath("Desktop", name, desktop, shortcutPath)) {
            LogLine(LogLevel::Warn) << "the Desktop folder cannot be read: no shortcut is removed";
            return 1;
        }
        if (!PathExists(shortcutPath, &isDirectory) || isDirectory) {
            LogLine() << "desktop shortcut " << shortcutPath << ": not there";
            continue;
        }
        if (!ResolvesInside(shortcutPath, desktop, refused, shortcut)) {
            LogLine(LogLevel::Warn) << "desktop shortcut " << shortcutPath << " skipped: it lies "
                                    << "outside the Desktop folder";
            continue;
        }
        DWORD code = m_switches.dryRun ? ERROR_SUCCESS : DeleteFileName(shortcut, false);
        if (code != ERROR_SUCCESS) {
            LogLine(LogLevel::Error) << "desktop shortcut " << shortcut << " not removed: "
                                     << SystemMessage(code);
            CountFailed();
            continue;
        }
        LogLine() << would << "desktop shortcut " << shortcut;
        CountRemoved();
    }
    return 1;
}
