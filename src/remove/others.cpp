// The other applications an uninstall keeps: those the list of installed programs names,
// and those shipped with an uninstaller of ours inside the tree.
#include "remove/others.h"

#include <wchar.h>

#include "base/handles.h"
#include "base/names.h"
#include "remove/calls.h"
#include "remove/folders.h"
#include "sysloc/ownfiles.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

namespace {

const wchar_t kUninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

// The length of path's root: "C:" or "\\server\share"; 0 for neither.
size_t RootLength(const wchar_t* path) {
    if (!IsAbsolutePath(path)) return 0;
    if (!IsPathSeparator(path[0])) return 2;
    size_t n = 2;
    for (int separators = 0; path[n] && (separators += IsPathSeparator(path[n])) < 2;) ++n;
    return n;
}

bool OnSameRoot(const wchar_t* a, const wchar_t* b) {
    size_t n = RootLength(a);
    return n > 0 && n == RootLength(b) && EqualPrefixNoCase(a, b, n);
}

// A string value of an entry, its %references% expanded; empty when it has none.
void ReadExpanded(HKEY entry, const wchar_t* name, WideText& value) {
    WideText stored;
    if (ReadRegistryString(entry, name, stored) != ERROR_SUCCESS ||
        ExpandedText(stored, value) != ERROR_SUCCESS)
        value.Truncate(0);
}

bool IsOwnKey(const wchar_t* name, const wchar_t* ownKeys) {
    NameList own(ownKeys);
    while (const wchar_t* key = own.Next())
        if (CompareStringOrdinal(key, -1, name, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

}  // namespace

OtherApplications::OtherApplications(const wchar_t* ownKeys, const wchar_t* installDir,
                                     const WellKnownFolders& folders)
    : folders_(folders) {
    if (!*installDir || !installDir_.Assign(installDir)) return;
    if (ResolvedPath(installDir, resolved_) != ERROR_SUCCESS) resolved_.Assign(installDir);
    // Both views: a 64-bit installer writes the machine's entries where this 32-bit program
    // does not look by default.
    const REGSAM kViews[] = {0, KEY_WOW64_64KEY};
    for (REGSAM view : kViews) AddEntries(HKEY_LOCAL_MACHINE, view, ownKeys);
    AddEntries(HKEY_CURRENT_USER, 0, ownKeys);
}

OtherApplications::~OtherApplications() {
    while (Folder* folder = first_) {
        first_ = folder->next;
        delete folder;
    }
}

void OtherApplications::AddEntries(HKEY root, REGSAM view, const wchar_t* ownKeys) {
    ForEachSubkey(root, kUninstallKey, view, [&](HKEY uninstall, const wchar_t* name) {
        ScopedKey entry;
        if (IsOwnKey(name, ownKeys) ||
            RegOpenKeyExW(uninstall, name, 0, KEY_READ | view, entry.receive()) != ERROR_SUCCESS)
            return;
        WideText location, uninstaller, icon, displayName, folder;
        ReadExpanded(entry.get(), L"InstallLocation", location);
        ReadExpanded(entry.get(), L"UninstallString", uninstaller);
        ReadExpanded(entry.get(), L"DisplayIcon", icon);
        // An entry that starts this installation's uninstaller is ours, listed or not. One
        // that merely names its folder may be another application installed into the same
        // folder: that one is kept.
        if (EntryBelongsTo(nullptr, uninstaller, installDir_, UNINSTALLER_FILE) ||
            EntryBelongsTo(nullptr, uninstaller, resolved_, UNINSTALLER_FILE))
            return;
        if (ReadRegistryString(entry.get(), L"DisplayName", displayName) != ERROR_SUCCESS ||
            !displayName.Length())
            displayName.Assign(name);
        // InstallLocation may be quoted; the others name a file in the folder.
        if (location.Length() && (location.Text()[0] != L'"' || CommandProgram(location, folder)))
            AddFolder(folder.Length() ? folder.Text() : location.Text(), displayName);
        const WideText* const kCommands[] = {&uninstaller, &icon};
        for (const WideText* command : kCommands) {
            if (!CommandProgram(*command, folder)) continue;
            folder.Truncate(LastComponent(folder) - folder.Text());
            AddFolder(folder, displayName);
        }
    });
}

// Records an application's folder that is the installation directory, holds it, or lies in
// it, as the system names it (links followed) with its file ID. Other drives are never
// asked: an entry on a server that cannot be reached must not hold up the run.
void OtherApplications::AddFolder(const wchar_t* path, const wchar_t* name) {
    WideText full, final;
    if (!IsAbsolutePath(path) || FullPath(path, full) != ERROR_SUCCESS || IsRootPath(full) ||
        !(OnSameRoot(full, installDir_) || OnSameRoot(full, resolved_)))
        return;
    ScopedFile folder(OpenToLookAt(full));
    if (!folder.valid() || FinalPathOf(folder.get(), final) != ERROR_SUCCESS ||
        folders_.Refuses(final))
        return;
    bool related = PathIsWithin(final, installDir_) || PathIsWithin(final, resolved_) ||
                   PathIsWithin(installDir_, final) || PathIsWithin(resolved_, final);
    long long id = 0;
    for (Folder* known = first_; known; known = known->next)
        if (SamePath(known->path, final)) return;
    if (related && Calls().ListedId(folder.get(), id) == ERROR_SUCCESS && id != 0)
        Add(id, final, name);
}

OtherApplications::Folder* OtherApplications::Add(long long id, const wchar_t* path,
                                                  const wchar_t* name) {
    Folder* folder = new Folder;  // null when out of memory: see app/heap.cpp
    if (!folder) return nullptr;
    folder->id = id;
    folder->kept = false;
    if (!folder->path.Assign(path) || !folder->name.Assign(name)) {
        delete folder;
        return nullptr;
    }
    folder->next = first_;
    first_ = folder;
    return folder;
}

const wchar_t* OtherApplications::Holding() const {
    for (Folder* folder = first_; folder; folder = folder->next)
        if (PathIsWithin(installDir_, folder->path) || PathIsWithin(resolved_, folder->path))
            return folder->name;
    return nullptr;
}

bool OtherApplications::Keeps(long long fileId) {
    for (Folder* folder = first_; folder; folder = folder->next) {
        if (fileId == 0 || folder->id != fileId) continue;  // an ID of zero tells nothing
        folder->kept = true;
        return true;
    }
    return false;
}

void OtherApplications::KeepShipped(long long fileId, const wchar_t* path) {
    for (Folder* folder = first_; folder; folder = folder->next)
        if (SamePath(folder->path, path)) return;  // found already, by a count of the tree
    if (Folder* shipped = Add(fileId, path, L"")) shipped->kept = true;
}

unsigned long OtherApplications::LogKept(bool dryRun) const {
    unsigned long kept = 0;
    for (Folder* folder = first_; folder; folder = folder->next) {
        if (!folder->kept) continue;
        ++kept;
        LogLine line;
        line << (dryRun ? "would keep " : "kept ") << folder->path;
        if (folder->name.Length())
            line << ": the folder of " << folder->name.Text() << ", another application";
        else
            line << ": another application, with its own " UNINSTALLER_FILE " and " CONFIG_FILE;
    }
    return kept;
}
