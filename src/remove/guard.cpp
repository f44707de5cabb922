// Which installation directory phase two may remove. Phase two takes it from its command
// line, so it checks the path the system will act on against every folder that belongs to
// the system or to a user, and opens it: that opened directory is what goes.
#include "remove/guard.h"

#include "base/names.h"
#include "remove/folders.h"
#include "remove/tree.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

DWORD CheckInstallDir(const wchar_t* dir, const WellKnownFolders& folders, CheckedDir& checked) {
    if (!IsCleanAbsolutePath(dir) || IsRootPath(dir)) return ERROR_ACCESS_DENIED;
    DWORD code = CanonicalPath(dir, checked.path);
    if (code != ERROR_SUCCESS) return IsGone(code) ? ERROR_FILE_NOT_FOUND : ERROR_ACCESS_DENIED;
    // Where a link is the directory itself, only the link goes; but whatever it leads to
    // must not be a folder of the system or a user either.
    WideText resolved, literal;
    if (ResolvedPath(checked.path, resolved) != ERROR_SUCCESS ||
        folders.Refuses(checked.path) || folders.Refuses(resolved))
        return ERROR_ACCESS_DENIED;
    code = OpenDirectory(checked.path, literal, checked.opened);
    // A file is no directory to remove: it is left alone, as when nothing is there.
    if (IsGone(code) || code == ERROR_DIRECTORY) return ERROR_FILE_NOT_FOUND;
    return code != ERROR_SUCCESS || folders.RefusesOpened(checked.opened.get())
               ? ERROR_ACCESS_DENIED
               : ERROR_SUCCESS;
}

void RemoveEmptyParent(const wchar_t* path, const WellKnownFolders& folders,
                       const wchar_t* notThis) {
    WideText parent;
    if (!parent.Assign(path)) return;
    parent.Truncate(TrimmedLength(parent));
    CutToFolder(parent);
    parent.Truncate(TrimmedLength(parent));
    if (!IsAbsolutePath(parent) || folders.Refuses(parent) ||
        (notThis && SamePath(parent, notThis)))
        return;
    if (RemoveEmptyFolder(parent) == ERROR_SUCCESS && !PathExists(parent, nullptr))
        LogLine() << "removed the empty folder " << parent.Text() << ", which held nothing else";
}
