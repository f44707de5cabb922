// Removal of the user's Start-menu program groups and desktop shortcuts.
#include "base/names.h"
#include "base/text.h"
#include "remove/folders.h"
#include "remove/guard.h"
#include "remove/shortcuts.h"
#include "remove/tree.h"
#include "remove/unlink.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

namespace {

// folder + "\" + name, read afresh for every name. False when the folder cannot be read, is
// empty (the path would fall back on a drive's root) or the path does not fit.
bool JoinShellPath(const wchar_t* folderName, const wchar_t* name, WideText& folder,
                  WideText& path) {
    return GetShellFolderPath(folderName, folder) == ERROR_SUCCESS && folder.Length() &&
           path.Assign(folder) &&
           JoinPath(path, name);
}

// The path the system acts on for entry, when that lies below folder and is none of the
// well-known folders (such as Startup below Programs).
bool ResolvesInside(const wchar_t* entry, const wchar_t* folder,
                    const WellKnownFolders& refused, WideText& canonical) {
    WideText resolvedFolder;
    return ResolvedPath(folder, resolvedFolder) == ERROR_SUCCESS &&
           CanonicalPath(entry, canonical) == ERROR_SUCCESS &&
           PathIsWithin(canonical, resolvedFolder) && !PathIsWithin(resolvedFolder, canonical) &&
           !refused.Refuses(canonical);
}

// The two lists: groups are folders removed with their contents, shortcuts are files.
struct ListKind {
    bool groups;
    const wchar_t* folderName;  // the shell folder the names lie in
    const char* item;        // for the log
    const char* unreadable;  // what the log says when the folder cannot be read
    const char* outside;     // why a name that resolves elsewhere is skipped
};

const ListKind kLists[] = {
    {true, L"Programs", "program group ",
     "the Programs folder cannot be read: no group or shortcut is removed",
     " skipped: it is not a group below the Programs folder"},
    {false, L"Desktop", "desktop shortcut ",
     "the Desktop folder cannot be read: no shortcut is removed",
     " skipped: it lies outside the Desktop folder"},
};

}  // namespace

void RemoveShortcuts(const wchar_t* groupList, const wchar_t* shortcutList,
                     const WellKnownFolders& refused, bool dryRun, Outcome& outcome) {
    bool isDirectory = false;
    const char* const would = dryRun ? "would remove " : "removed ";
    for (const ListKind& kind : kLists) {
        NameList names(kind.groups ? groupList : shortcutList);
        while (const wchar_t* listed = names.Next()) {
            // One final backslash is forgiven, as it is for the installation directory.
            WideText name;
            if (!name.Assign(listed)) return;
            if (name.Length() > 1 && EndsInSeparator(name)) name.Truncate(name.Length() - 1);
            if (const char* fault = ListNameFault(name)) {
                LogLine(LogLevel::Warn) << kind.item << "\"" << listed << "\" skipped: " << fault;
                continue;
            }
            WideText folder, path, canonical;
            if (!JoinShellPath(kind.folderName, name, folder, path)) {
                LogLine(LogLevel::Warn) << kind.unreadable;
                return;
            }
            if (!PathExists(path, &isDirectory) || isDirectory != kind.groups) {
                LogLine() << kind.item << path << ": not there";
                continue;
            }
            if (!ResolvesInside(path, folder, refused, canonical)) {
                LogLine(LogLevel::Warn) << kind.item << path << kind.outside;
                continue;
            }
            DWORD code = ERROR_SUCCESS;
            if (kind.groups) {
                TreeReport report;
                report.countOnly = dryRun;
                code = DeleteTree(canonical, true, nullptr, &report);
            } else if (!dryRun) {
                code = DeleteFileName(canonical, false);
            }
            if (code != ERROR_SUCCESS) {
                // It stays, and the run says so; the rest goes all the same.
                LogLine(LogLevel::Error) << kind.item << canonical << " not removed"
                                         << (kind.groups ? " whole: " : ": ")
                                         << SystemMessage(code);
                ++outcome.failed;
                continue;
            }
            LogLine() << would << kind.item << canonical;
            ++outcome.removed;
            if (kind.groups && !dryRun) RemoveEmptyParent(canonical, refused, folder);
        }
    }
}
