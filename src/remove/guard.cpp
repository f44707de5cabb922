// Which directories phase two may remove as an installation directory. Phase two takes the
// directory from its command line, so it must not trust it to be an application's.
#include "app/text.h"
#include "remove/names.h"
#include "remove/removal.h"
#include "sysloc/sysloc.h"

namespace {

// The long form of path when the system knows it, so that 8.3 names compare alike.
void LongForm(const char* path, TextBuffer& longPath) {
    DWORD n = GetLongPathNameA(path, longPath.text, TextBuffer::kSize);
    if (n == 0 || n >= TextBuffer::kSize) longPath.Copy(path);
}

bool HoldsFolder(const char* dir, const char* folder) {
    if (!folder[0]) return false;
    TextBuffer longFolder;
    LongForm(folder, longFolder);
    return PathIsWithin(longFolder, dir) || PathIsWithin(folder, dir);
}

bool HoldsEnvironmentFolder(const char* dir, const char* variable) {
    TextBuffer folder;
    DWORD n = GetEnvironmentVariableA(variable, folder.text, TextBuffer::kSize);
    return n > 0 && n < TextBuffer::kSize && HoldsFolder(dir, folder);
}

bool HoldsShellFolder(const char* dir, const char* valueName) {
    TextBuffer folder;
    return GetShellFolderPath(valueName, folder) && HoldsFolder(dir, folder);
}

bool HoldsSystemFolder(const char* dir, UINT (WINAPI* query)(LPSTR, UINT)) {
    TextBuffer folder;
    UINT n = query(folder.text, TextBuffer::kSize);
    return n > 0 && n < TextBuffer::kSize && HoldsFolder(dir, folder);
}

}  // namespace

int IsRemovableInstallDir(const char* dir, const char* tempDirectory) {
    if (!IsAbsolutePath(dir) || HasDotOnlyComponent(dir)) return 0;
    TextBuffer longDir;
    LongForm(dir, longDir);
    if (IsRootPath(dir) || IsRootPath(longDir)) return 0;
    const char* forms[] = {dir, longDir.text};
    for (const char* form : forms) {
        if (HoldsSystemFolder(form, GetWindowsDirectoryA) ||
            HoldsSystemFolder(form, GetSystemDirectoryA) ||
            HoldsSystemFolder(form, GetSystemWow64DirectoryA) ||
            HoldsEnvironmentFolder(form, "ProgramFiles") ||
            HoldsEnvironmentFolder(form, "ProgramFiles(x86)") ||
            HoldsEnvironmentFolder(form, "ProgramW6432") ||
            HoldsEnvironmentFolder(form, "USERPROFILE") ||
            HoldsShellFolder(form, "Desktop") || HoldsShellFolder(form, "Programs") ||
            HoldsShellFolder(form, "Local AppData") || HoldsFolder(form, tempDirectory))
            return 0;
    }
    return 1;
}
