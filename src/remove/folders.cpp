// The folders no uninstall may remove: read from the registry and the environment, each
// under every spelling and by what it is.
#include <wchar.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/calls.h"
#include "remove/folders.h"
#include "report/log.h"
#include "sysloc/sysloc.h"

namespace {

// Keys whose string values name folders of the system, of all users or of this user.
const wchar_t kCurrentVersion[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const wchar_t kProfileList[] = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const wchar_t kShellFolders[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders";
const wchar_t kUserShellFolders[] =
    L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";
const wchar_t* const kFolderKeys[] = {kCurrentVersion, kShellFolders, kUserShellFolders,
                                      kProfileList};

// Environment variables that name such folders.
const wchar_t* const kFolderVariables[] = {
    L"ProgramFiles",  L"ProgramFiles(x86)", L"ProgramW6432", L"CommonProgramFiles",
    L"CommonProgramFiles(x86)", L"CommonProgramW6432", L"ProgramData", L"ALLUSERSPROFILE",
    L"PUBLIC", L"USERPROFILE", L"APPDATA", L"LOCALAPPDATA", L"TEMP", L"TMP",
    L"OneDrive", L"OneDriveConsumer", L"OneDriveCommercial",
};

// The OneDrive roots, as a user's Environment key names them too: deleting in one deletes
// in the cloud.
const wchar_t* const kOneDriveValues[] = {L"OneDrive", L"OneDriveConsumer",
                                          L"OneDriveCommercial", nullptr};

// The folders every profile holds under their default names, whoever runs the uninstall: a
// deployment tool runs as SYSTEM, an elevated run as the administrator, and a user's folders
// are theirs all the same.
const wchar_t* const kProfileFolders[] = {
    L"Desktop", L"Documents", L"Downloads", L"Music", L"Pictures", L"Videos", L"Favorites",
    L"Links", L"Contacts", L"Searches", L"Saved Games", L"OneDrive", L"AppData",
    L"AppData\\Local", L"AppData\\LocalLow", L"AppData\\Roaming", L"AppData\\Local\\Programs",
    L"AppData\\Local\\Temp", L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu",
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
    L"AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Startup",
};
const wchar_t kUserProfileReference[] = L"%USERPROFILE%";

const DWORD kFolderRoom = 32768;  // the longest path the system allows

// A folder's file ID as 16 hexadecimal digits; "" when the system does not tell, or tells
// zero, as some file systems and servers do for every file.
void FileIdText(HANDLE folder, wchar_t (&id)[17]) {
    long long fileId = 0;
    id[0] = L'\0';
    if (Calls().ListedId(folder, fileId) == ERROR_SUCCESS && fileId != 0)
        swprintf(id, 17, L"%016I64x", fileId);
}

// Whether two opened folders are one: the same volume and the same ID there, at the widest
// the system tells (128 bits where a 64-bit ID need not be unique, as on ReFS). Asks the
// volume, which Wine answers slowly: only where the 64-bit IDs agree.
bool SameFolder(HANDLE a, HANDLE b) {
    FileIdentity first, second;
    RemovalCalls& calls = Calls();
    return calls.Identity(a, first) == ERROR_SUCCESS &&
           calls.Identity(b, second) == ERROR_SUCCESS && (first.high || first.low) &&
           first.volume == second.volume && first.high == second.high && first.low == second.low;
}

// Whether folder is one of list's folders (each its file ID, then its path) by what it is.
bool IsAmong(HANDLE folder, const TextList& list) {
    wchar_t id[17];
    FileIdText(folder, id);
    for (const wchar_t* item = list.First(); item; item = list.Next(item)) {
        if (!*id || wcsncmp(item, id, 16) != 0) continue;
        ScopedFile known(OpenToLookAt(item + 16));
        if (known.valid() && SameFolder(known.get(), folder)) return true;
    }
    return false;
}

// Adds path to list as its file ID and path, once.
void AddIdentity(const wchar_t* path, TextList& list) {
    for (const wchar_t* item = list.First(); item; item = list.Next(item))
        if (EqualNoCase(item + 16, path)) return;
    ScopedFile folder(OpenToLookAt(path));
    wchar_t id[17];
    WideText item;
    if (!folder.valid()) return;
    FileIdText(folder.get(), id);
    if (*id && item.Append(id) && item.Append(path)) list.Add(item);
}

// Calls visit with path and each folder above it, its root last.
template <typename Visit>
void ForEachFolderUp(const wchar_t* path, Visit visit) {
    WideText up;
    if (!up.Assign(path)) return;
    up.Truncate(TrimmedLength(up));
    for (;;) {
        if (IsRootPath(up)) {
            if (JoinPath(up, L"")) visit(up.Text());
            return;
        }
        visit(up.Text());
        const wchar_t* last = LastComponent(up);
        if (last == up.Text()) return;
        up.Truncate(last - up.Text());
        if (!IsRootPath(up)) up.Truncate(TrimmedLength(up));
    }
}

}  // namespace

WellKnownFolders::WellKnownFolders(const wchar_t* tempDirectory) {
    WideText folder;
    wchar_t* room = folder.Room(kFolderRoom);
    if (!room) return;
    UINT (WINAPI* const windowsFolders[])(LPWSTR, UINT) = {GetWindowsDirectoryW,
                                                           GetSystemWindowsDirectoryW};
    for (auto query : windowsFolders) {
        UINT n = query(room, kFolderRoom);
        if (n > 0 && n < kFolderRoom) AddForms(room, windows_);
    }
    UINT (WINAPI* const systemFolders[])(LPWSTR, UINT) = {GetSystemDirectoryW,
                                                          GetSystemWow64DirectoryW};
    for (auto query : systemFolders) {
        UINT n = query(room, kFolderRoom);
        if (n > 0 && n < kFolderRoom) AddForms(room, folders_);
    }
    for (const wchar_t* variable : kFolderVariables) {
        DWORD n = GetEnvironmentVariableW(variable, room, kFolderRoom);
        if (n > 0 && n < kFolderRoom) Add(room);
    }
    // Both registry views: Program Files and Common Files differ between them.
    const REGSAM views[] = {0, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        for (const wchar_t* key : kFolderKeys) AddValues(HKEY_LOCAL_MACHINE, key, view);
        AddProfiles(view);
    }
    for (const wchar_t* key : kFolderKeys) AddValues(HKEY_CURRENT_USER, key, 0);
    AddValues(HKEY_CURRENT_USER, L"Environment", 0, nullptr, kOneDriveValues);
    AddLoadedUsers();
    // The temp directory of the working copy, and the folder of every per-user installation.
    Add(tempDirectory);
    WideText local;
    if (GetShellFolderPath(L"Local AppData", local) == ERROR_SUCCESS &&
        JoinPath(local, L"Programs"))
        Add(local);
    DWORD n = GetEnvironmentVariableW(L"LOCALAPPDATA", room, kFolderRoom);
    if (n > 0 && n < kFolderRoom && local.Assign(room) && JoinPath(local, L"Programs")) Add(local);
    unsigned long long count = 0;
    for (const wchar_t* named = named_.First(); named; named = named_.Next(named)) ++count;
    LogLine() << "well-known folders read: " << count << ", which no uninstall removes";
}

bool WellKnownFolders::Refuses(const wchar_t* dir) const {
    // A list that lost a folder cannot vouch for any directory.
    if (!IsAbsolutePath(dir) || IsRootPath(dir) || !windows_.Complete() || !folders_.Complete())
        return true;
    for (const wchar_t* windows = windows_.First(); windows; windows = windows_.Next(windows))
        if (PathIsWithin(dir, windows) || PathIsWithin(windows, dir)) return true;
    for (const wchar_t* folder = folders_.First(); folder; folder = folders_.Next(folder))
        if (PathIsWithin(folder, dir)) return true;
    return false;
}

// Every spelling under which the folder may meet a path: full, long where it holds a short
// name, and resolved through its links. Each folder is taken once, however often named.
void WellKnownFolders::AddForms(const wchar_t* folder, TextList& list) {
    WideText full, form;
    if (FullPath(folder, full) != ERROR_SUCCESS) return;
    for (const wchar_t* seen = named_.First(); seen; seen = named_.Next(seen))
        if (EqualNoCase(seen, full)) return;
    named_.Add(full);
    list.Add(full);
    wchar_t* room = wcschr(full, L'~') ? form.Room(kFolderRoom) : nullptr;
    DWORD n = room ? GetLongPathNameW(full, room, kFolderRoom) : 0;
    if (n > 0 && n < kFolderRoom) {
        form.Keep(n);
        list.Add(form);
    }
    if (ResolvedPath(full, form) == ERROR_SUCCESS) list.Add(form);
    // By identity too: the folder and all above it hold it; the Windows folder is refused
    // with all below it, found by going up from the directory.
    ForEachFolderUp(full, [&](const wchar_t* up) { AddIdentity(up, holders_); });
    if (&list == &windows_) AddIdentity(full, windowsIds_);
}

bool WellKnownFolders::RefusesOpened(HANDLE dir) const {
    WideText path;
    if (!holders_.Complete() || !windowsIds_.Complete() || IsAmong(dir, holders_) ||
        FinalPathOf(dir, path) != ERROR_SUCCESS)
        return true;
    bool refused = false;
    ForEachFolderUp(path, [&](const wchar_t* up) {
        ScopedFile above(OpenToLookAt(up));
        refused = refused || (above.valid() && IsAmong(above.get(), windowsIds_));
    });
    return refused;
}

// A folder named by a registry value or a variable, with its %references% expanded; texts
// that are no absolute path (names, flags) are not folders. Another user's %USERPROFILE% is
// their profile, not ours.
void WellKnownFolders::Add(const wchar_t* text, const wchar_t* profile) {
    WideText own, expanded;
    const size_t n = wcslen(kUserProfileReference);
    if (profile && *profile && wcslen(text) >= n &&
        EqualPrefixNoCase(text, kUserProfileReference, n)) {
        if (!own.Assign(profile) || !own.Append(text + n)) return;
        text = own;
    }
    if (ExpandedText(text, expanded) == ERROR_SUCCESS && IsAbsolutePath(expanded))
        AddForms(expanded, folders_);
}

// Read access only: a user without administrator rights may still read what is refused.
// Every string value, or those of names (a null-terminated list).
void WellKnownFolders::AddValues(HKEY root, const wchar_t* subkey, REGSAM view,
                                 const wchar_t* profile, const wchar_t* const* names) {
    ScopedKey key;
    if (RegOpenKeyExW(root, subkey, 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS) return;
    if (names) {
        for (; *names; ++names) {
            WideText value;
            if (ReadRegistryString(key.get(), *names, value) == ERROR_SUCCESS) Add(value, profile);
        }
        return;
    }
    // Names at their longest, and values of any length: a folder too long to read is no
    // folder less.
    for (DWORD i = 0;; ++i) {
        wchar_t name[16384];
        DWORD nameSize = 16384;
        LONG status = RegEnumValueW(key.get(), i, name, &nameSize, nullptr, nullptr, nullptr,
                                    nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return;
        WideText value;
        if (status == ERROR_SUCCESS && ReadRegistryString(key.get(), name, value) == ERROR_SUCCESS)
            Add(value, profile);
    }
}

// The folder of every profile the system lists, the Default one among them, with the folders
// each holds under their default names.
void WellKnownFolders::AddProfiles(REGSAM view) {
    ForEachSubkey(HKEY_LOCAL_MACHINE, kProfileList, view, [&](HKEY, const wchar_t* name) {
        WideText subkey, profile;
        if (!subkey.Append(kProfileList) || !JoinPath(subkey, name)) return;
        AddValues(HKEY_LOCAL_MACHINE, subkey, view);
        if (!ProfileOf(name, view, profile)) return;
        for (const wchar_t* folder : kProfileFolders) {
            WideText path;
            if (path.Assign(profile) && JoinPath(path, folder)) Add(path);
        }
    });
}

// The folders each loaded user hive names: another user's redirected Documents, their
// OneDrive. A hive of "<SID>_Classes" names none.
void WellKnownFolders::AddLoadedUsers() {
    ForEachSubkey(HKEY_USERS, nullptr, 0, [&](HKEY, const wchar_t* sid) {
        const size_t n = wcslen(sid), suffix = wcslen(L"_Classes");
        if (n > suffix && EqualNoCase(sid + n - suffix, L"_Classes")) return;
        WideText profile, subkey;
        ProfileOf(sid, 0, profile);
        const wchar_t* const kKeys[] = {kShellFolders, kUserShellFolders};
        for (const wchar_t* key : kKeys)
            if (subkey.Assign(sid) && JoinPath(subkey, key))
                AddValues(HKEY_USERS, subkey, 0, profile);
        if (subkey.Assign(sid) && JoinPath(subkey, L"Environment"))
            AddValues(HKEY_USERS, subkey, 0, profile, kOneDriveValues);
    });
}

// The profile folder the system lists for sid, expanded. False when it lists none.
bool WellKnownFolders::ProfileOf(const wchar_t* sid, REGSAM view, WideText& profile) {
    WideText subkey, stored;
    ScopedKey key;
    if (!subkey.Assign(kProfileList) || !JoinPath(subkey, sid) ||
        RegOpenKeyExW(HKEY_LOCAL_MACHINE, subkey, 0, KEY_READ | view, key.receive()) !=
            ERROR_SUCCESS ||
        ReadRegistryString(key.get(), L"ProfileImagePath", stored) != ERROR_SUCCESS)
        return false;
    return ExpandedText(stored, profile) == ERROR_SUCCESS && IsAbsolutePath(profile);
}
