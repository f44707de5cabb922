// Removal of the installation directory: the tree, with the uninstaller's own files last and
// the program that a quiet run's phase one waits in moved aside.
#include <wchar.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/calls.h"
#include "remove/others.h"
#include "remove/pending.h"
#include "remove/guard.h"
#include "remove/installdir.h"
#include "remove/running.h"
#include "remove/tree.h"
#include "sysloc/ownfiles.h"
#include "report/log.h"
#include "report/progress.h"
#include "sysloc/sysloc.h"

namespace {

// A quiet run's phase one waits for us from the installation directory: its program file
// cannot be deleted while it runs, but it can move within its volume. When nothing but the
// uninstaller's files is left, it moves into folder, beside the working copy.
bool AsidePath(const wchar_t* folder, WideText& aside) {
    wchar_t name[64];
    swprintf(name, 64, WORKING_COPY_FILE L".%lu.old", GetCurrentProcessId());
    return folder && aside.Assign(folder) && JoinPath(aside, name);
}

}  // namespace

DWORD RemoveInstallDir(CheckedDir& dir, const WellKnownFolders& folders,
                       OtherApplications& others, const Switches& switches,
                       const wchar_t* asideFolder, Outcome& outcome) {
    const wchar_t* installDir = dir.path;
    ScopedFile& tree = dir.opened;
    // The uninstaller and its list go last: should anything else stay, the uninstall can be
    // run again from the installation directory.
    static const wchar_t* const kUninstallerFiles[] = {UNINSTALLER_FILE, CONFIG_FILE,
                                                       nullptr};
    if (switches.dryRun) {
        TreeReport count;
        count.countOnly = true;
        count.others = &others;
        DeleteTree(tree.get(), installDir, true, kUninstallerFiles, count);
        LogLine() << "would remove the installation directory " << installDir << ": "
                  << count.files << " files, " << count.directories << " directories";
        others.LogKept(true);
        ++outcome.removed;
        return ERROR_SUCCESS;
    }
    ProgressWindow progress(kProgressUnits, switches.quiet);
    TreeReport report;
    WideText aside;
    report.others = &others;
    report.progress = &progress;
    report.pending.aside = AsidePath(asideFolder, aside) ? aside.Text() : nullptr;
    DWORD code = DeleteTree(tree.get(), installDir, true, kUninstallerFiles, report);
    // What stays in use moves beside the directory, into a folder of the run's own that goes
    // at the next restart, where we may arrange that; the rest goes now.
    WideText parent;
    if (code != ERROR_SUCCESS && parent.Append(installDir)) {
        CutToFolder(parent);
        report.failed.Truncate(0);
        report.pending.in = parent;
        code = DeleteTree(tree.get(), installDir, true, kUninstallerFiles, report);
        // After what it holds: the restart takes the pending operations in order. A folder
        // that nothing could move into goes now.
        report.pending.handle.reset();
        if (report.pending.folder.Length() && report.pending.scheduled == 0)
            RemoveDirectoryW(report.pending.folder);
        else if (report.pending.folder.Length() &&
                 Calls().ScheduleDelete(report.pending.folder) != ERROR_SUCCESS)
            LogLine(LogLevel::Warn) << "the empty folder " << report.pending.folder << " stays";
    }
    long long rootId = 0;
    Calls().ListedId(tree.get(), rootId);
    tree.reset();  // the directory goes with its last handle
    const unsigned long kept = others.LogKept(false);
    // Wine takes the removal of a folder that still holds a deleted file's name (one a
    // scanner holds, sharing its deletion), and then keeps the folder without a word: the
    // walk runs again on the very folder, if it is still there, until that name has gone.
    if (Calls().IsWine() && code == ERROR_SUCCESS && report.pending.scheduled == 0 && kept == 0)
        code = RetryWhileHeld([&]() -> DWORD {
            WideText literal;
            long long id = 0;
            DWORD opened = OpenDirectory(installDir, literal, tree);
            if (IsGone(opened)) return ERROR_SUCCESS;
            if (opened != ERROR_SUCCESS || Calls().ListedId(tree.get(), id) != ERROR_SUCCESS ||
                id == 0 || id != rootId)
                return ERROR_SUCCESS;  // another folder now: the check below tells
            DWORD again = DeleteTree(tree.get(), installDir, true, kUninstallerFiles, report);
            tree.reset();
            return again == ERROR_SUCCESS ? ERROR_DIR_NOT_EMPTY : again;
        }, [](DWORD failed) { return failed == ERROR_DIR_NOT_EMPTY; });
    if (code == ERROR_DIR_NOT_EMPTY) code = ERROR_SUCCESS;  // the check below tells
    // A directory that could not even be searched is still there: that is no success.
    if (code == ERROR_SUCCESS && report.pending.scheduled == 0 && kept == 0 &&
        PathExists(installDir, nullptr)) {
        code = ERROR_DIR_NOT_EMPTY;
        report.failed.Truncate(0);
    }
    if (code != ERROR_SUCCESS) {
        PathForm failed = PlainForm(report.failed);
        LogLine(LogLevel::Error) << "installation directory " << installDir
                                 << " not removed whole: " << report.files << " files and "
                                 << report.directories << " directories removed; first failure: "
                                 << failed.head << failed.rest << ": " << SystemMessage(code);
        if (report.pending.network)
            LogLine(LogLevel::Warn) << "it lies on a network volume, where nothing can wait "
                                    << "for the next restart: what is in use stays";
        LogProgramsInside(installDir);
        ++outcome.failed;
        return code;
    }
    if (report.pending.scheduled > 0) {
        LogLine(LogLevel::Warn) << "the installation directory " << installDir << ": "
                                << report.files << " files and " << report.directories
                                << " directories removed, " << report.pending.scheduled
                                << " entries go at the next restart";
        LogProgramsInside(installDir);
        outcome.restartNeeded = true;
    } else if (kept > 0) {
        LogLine() << "removed the application from " << installDir << ": " << report.files
                  << " files, " << report.directories << " directories; the folder stays with "
                  << kept << " other application" << (kept > 1 ? "s" : "") << " in it";
    } else {
        LogLine() << "removed the installation directory " << installDir << ": "
                  << report.files << " files, " << report.directories << " directories";
        RemoveEmptyParent(installDir, folders, nullptr);
    }
    ++outcome.removed;
    return ERROR_SUCCESS;
}
