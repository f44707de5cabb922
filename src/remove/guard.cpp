// Which directories phase two may remove. Phase two takes the installation directory from its
// command line and the group names from a file the vendor wrote, so it checks the path the
// system will act on against every folder that belongs to the system or to a user.
#include <string.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/removal.h"
#include "sysloc/sysloc.h"

namespace {

// Keys whose string values name folders of the system, of all users or of this user.
const char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";
const char* const kFolderKeys[] = {
    kCurrentVersion,
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
    "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders",
    kProfileList,
};

// Environment variables that name such folders.
const char* const kFolderVariables[] = {
    "ProgramFiles",  "ProgramFiles(x86)", "ProgramW6432", "CommonProgramFiles",
    "CommonProgramFiles(x86)", "CommonProgramW6432", "ProgramData", "ALLUSERSPROFILE",
    "PUBLIC", "USERPROFILE", "APPDATA", "LOCALAPPDATA", "TEMP", "TMP",
};

}  // namespace

WellKnownFolders::WellKnownFolders() {
    char folder[TextBuffer::kSize];
    UINT (WINAPI* const windowsFolders[])(LPSTR, UINT) = {GetWindowsDirectoryA,
                                                          GetSystemWindowsDirectoryA};
    for (auto query : windowsFolders) {
        UINT n = query(folder, sizeof(folder));
        if (n > 0 && n < sizeof(folder)) AddForms(folder, windows_);
    }
    UINT (WINAPI* const systemFolders[])(LPSTR, UINT) = {GetSystemDirectoryA,
                                                         GetSystemWow64DirectoryA};
    for (auto query : systemFolders) {
        UINT n = query(folder, sizeof(folder));
        if (n > 0 && n < sizeof(folder)) AddForms(folder, folders_);
    }
    for (const char* variable : kFolderVariables) {
        DWORD n = GetEnvironmentVariableA(variable, folder, sizeof(folder));
        if (n > 0 && n < sizeof(folder)) Add(folder);
    }
    // Both registry views: Program Files and Common Files differ between them.
    const REGSAM views[] = {0, KEY_WOW64_64KEY};
    for (REGSAM view : views) {
        for (const char* key : kFolderKeys) AddValues(HKEY_LOCAL_MACHINE, key, view);
        AddProfiles(view);
    }
    for (const char* key : kFolderKeys) AddValues(HKEY_CURRENT_USER, key, 0);
    // The temp directory of the working copy.
    TextBuffer temp;
    if (GetShellFolderPath("Local AppData", temp) && JoinPath(temp, "Temp")) Add(temp);
}

bool WellKnownFolders::Refuses(const char* dir) const {
    // A list that lost a folder cannot vouch for any directory.
    if (!IsAbsolutePath(dir) || IsRootPath(dir) || !windows_.Complete() || !folders_.Complete())
        return true;
    for (const char* windows = windows_.First(); windows; windows = windows_.Next(windows))
        if (PathIsWithin(dir, windows) || PathIsWithin(windows, dir)) return true;
    for (const char* folder = folders_.First(); folder; folder = folders_.Next(folder))
        if (PathIsWithin(folder, dir)) return true;
    return false;
}

// Every spelling under which the folder may meet a path: full, long where it holds a short
// name, and resolved through its links. Each folder is taken once, however often named.
void WellKnownFolders::AddForms(const char* folder, TextList& list) {
    TextBuffer full, form;
    DWORD n = GetFullPathNameA(folder, TextBuffer::kSize, full.text, nullptr);
    if (n == 0 || n >= TextBuffer::kSize) return;
    for (const char* seen = named_.First(); seen; seen = named_.Next(seen))
        if (EqualNoCase(seen, full)) return;
    named_.Add(full);
    list.Add(full);
    n = strchr(full, '~') ? GetLongPathNameA(full, form.text, TextBuffer::kSize) : 0;
    if (n > 0 && n < TextBuffer::kSize) list.Add(form);
    if (ResolvedPath(full, form)) list.Add(form);
}

// A folder named by a registry value or a variable, with its %references% expanded; texts
// that are no absolute path (names, flags) are not folders.
void WellKnownFolders::Add(const char* text) {
    TextBuffer expanded;
    DWORD n = ExpandEnvironmentStringsA(text, expanded.text, TextBuffer::kSize);
    if (n > 0 && n <= TextBuffer::kSize && IsAbsolutePath(expanded)) AddForms(expanded, folders_);
}

// Read access only: a user without administrator rights may still read what is refused.
void WellKnownFolders::AddValues(HKEY root, const char* subkey, REGSAM view) {
    ScopedKey key;
    if (RegOpenKeyExA(root, subkey, 0, KEY_READ | view, key.receive()) != ERROR_SUCCESS) return;
    for (DWORD i = 0;; ++i) {
        char name[256], data[TextBuffer::kSize];
        DWORD nameSize = sizeof(name), size = sizeof(data) - 1, type = REG_NONE;
        LONG status = RegEnumValueA(key.get(), i, name, &nameSize, nullptr, &type,
                                    reinterpret_cast<BYTE*>(data), &size);
        if (status == ERROR_NO_MORE_ITEMS) return;
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ)) continue;
        data[size] = '\0';
        Add(data);
    }
}

// The folder of every profile the system lists, the Default one among them.
void WellKnownFolders::AddProfiles(REGSAM view) {
    ScopedKey profiles;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kProfileList, 0, KEY_READ | view,
                      profiles.receive()) != ERROR_SUCCESS)
        return;
    for (DWORD i = 0;; ++i) {
        char name[256];
        DWORD nameSize = sizeof(name);
        LONG status =
            RegEnumKeyExA(profiles.get(), i, name, &nameSize, nullptr, nullptr, nullptr, nullptr);
        if (status == ERROR_NO_MORE_ITEMS) return;
        TextBuffer subkey;
        if (status == ERROR_SUCCESS && subkey.Copy(kProfileList) && JoinPath(subkey, name))
            AddValues(HKEY_LOCAL_MACHINE, subkey, view);
    }
}

InstallDirCheck CheckInstallDir(const char* dir, TextBuffer& canonical) {
    if (!IsCleanAbsolutePath(dir) || IsRootPath(dir)) return kInstallDirRefused;
    if (!CanonicalPath(dir, canonical)) {
        DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND
                   ? kInstallDirMissing
                   : kInstallDirRefused;
    }
    // Where a link is the directory itself, only the link goes; but whatever it leads to
    // must not be a folder of the system or a user either.
    TextBuffer resolved;
    if (!ResolvedPath(canonical, resolved)) return kInstallDirRefused;
    WellKnownFolders folders;
    return folders.Refuses(canonical) || folders.Refuses(resolved) ? kInstallDirRefused
                                                                   : kInstallDirRemovable;
}
