// Removal of a directory tree, and of the installation directory with it.
#include <string.h>

#include "app/text.h"
#include "app/uninstall.h"
#include "remove/removal.h"
#include "sysloc/handles.h"
#include "sysloc/sysloc.h"

namespace {

DWORD RemoveLink(const char* path, DWORD attributes) {
    BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path)
                                                           : DeleteFileA(path);
    return removed ? ERROR_SUCCESS : GetLastError();
}

// Deletes a file with its attributes reset. A file that carries none of the attributes that
// stop a delete is deleted at once, which saves opening every file twice; should that delete
// fail, its attributes are reset all the same, so the file stays as if reset first.
DWORD DeleteFileReset(const char* path, DWORD attributes) {
    if (!(attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))) {
        if (DeleteFileA(path)) return ERROR_SUCCESS;
        DWORD deleteError = GetLastError();
        SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL);
        return deleteError;
    }
    if (!SetFileAttributesA(path, FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    if (!DeleteFileA(path)) return GetLastError();
    return ERROR_SUCCESS;
}

DWORD DeleteLevel(const char* dir, bool recurse, const char* const* lastFiles);

bool IsListed(const char* name, const char* const* names) {
    for (; names && *names; ++names)
        if (EqualNoCase(name, *names)) return true;
    return false;
}

// Deletes the entries of dir but the files named in lastFiles. Sets keepDir when dir must
// stay: its search could not start, or recurse is false and a subdirectory was kept.
DWORD DeleteEntries(const char* dir, bool recurse, const char* const* lastFiles, bool& keepDir) {
    TextBuffer pattern;
    if (!pattern.Copy(dir) || !pattern.Append("\\*.*")) return ERROR_FILENAME_EXCED_RANGE;
    WIN32_FIND_DATAA entry;
    ScopedFind search(FindFirstFileA(pattern, &entry));
    if (search.get() == INVALID_HANDLE_VALUE) {
        keepDir = true;
        return ERROR_SUCCESS;
    }
    do {
        if (strcmp(entry.cFileName, ".") == 0 || strcmp(entry.cFileName, "..") == 0) continue;
        TextBuffer path;
        if (!path.Copy(dir) || !path.Append("\\") || !path.Append(entry.cFileName))
            return ERROR_FILENAME_EXCED_RANGE;
        DWORD code;
        if (entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) {
            code = RemoveLink(path, entry.dwFileAttributes);
        } else if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (!recurse) {
                keepDir = true;
                continue;
            }
            code = DeleteLevel(path, true, nullptr);
        } else if (IsListed(entry.cFileName, lastFiles)) {
            continue;
        } else {
            code = DeleteFileReset(path, entry.dwFileAttributes);
        }
        if (code != ERROR_SUCCESS) return code;
    } while (FindNextFileA(search.get(), &entry));
    DWORD searchEnd = GetLastError();
    return searchEnd == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : searchEnd;
}

DWORD DeleteLevel(const char* dir, bool recurse, const char* const* lastFiles) {
    bool keepDir = false;
    DWORD code = DeleteEntries(dir, recurse, lastFiles, keepDir);
    if (code != ERROR_SUCCESS || keepDir) return code;
    for (; lastFiles && *lastFiles; ++lastFiles) {
        TextBuffer path;
        if (!path.Copy(dir) || !path.Append("\\") || !path.Append(*lastFiles))
            return ERROR_FILENAME_EXCED_RANGE;
        DWORD attributes = GetFileAttributesA(path);
        if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY))
            continue;
        code = DeleteFileReset(path, attributes);
        if (code != ERROR_SUCCESS) return code;
    }
    if (!SetFileAttributesA(dir, FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    if (!RemoveDirectoryA(dir)) return GetLastError();
    return ERROR_SUCCESS;
}

// Whether path ends in a backslash of its own, not in the trail byte of a double-byte
// character.
bool EndsInSeparator(const char* path) {
    bool separator = false;
    for (const char* p = path; *p;) {
        if (IsDBCSLeadByte(static_cast<BYTE>(*p)) && p[1]) {
            separator = false;
            p += 2;
        } else {
            separator = *p++ == '\\';
        }
    }
    return separator;
}

// The literal ("\\?\") form of dir's full path. Only through it do the system's path rules
// leave names alone that end in a dot or a blank or are all dots ("..."); without it
// "dir\..." would even name dir itself.
int LiteralPath(const char* dir, TextBuffer& literal) {
    TextBuffer full;
    DWORD n = GetFullPathNameA(dir, TextBuffer::kSize, full.text, nullptr);
    if (n == 0 || n >= TextBuffer::kSize) return 0;
    size_t length = full.Length();
    while (length > 3 && EndsInSeparator(full)) full.text[--length] = '\0';
    if (strncmp(full.text, "\\\\?\\", 4) == 0) return literal.Copy(full);
    if (strncmp(full.text, "\\\\", 2) == 0)
        return literal.Copy("\\\\?\\UNC\\") && literal.Append(full.text + 2);
    return literal.Copy("\\\\?\\") && literal.Append(full);
}

}  // namespace

DWORD DeleteTree(const char* dir, bool recurse, const char* const* lastFiles) {
    TextBuffer literal;
    if (!LiteralPath(dir, literal)) return ERROR_FILENAME_EXCED_RANGE;
    DWORD attributes = GetFileAttributesA(literal);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
        return RemoveLink(literal, attributes);
    return DeleteLevel(literal, recurse, lastFiles);
}

int uninstall::RemoveInstallDir() {
    if (!m_installDir || !*m_installDir) return 0;
    bool isDirectory = false;
    if (!PathExists(m_installDir, &isDirectory) || !isDirectory) return 1;
    // The uninstaller and its list go last: should anything else stay, the uninstall can be
    // run again from the installation directory.
    static const char* const kUninstallerFiles[] = {"uninstall.exe", "conf.xml", nullptr};
    if (DeleteTree(m_installDir, true, kUninstallerFiles) != ERROR_SUCCESS) return 0;
    // A directory that could not even be searched is still there: that is no success.
    return !PathExists(m_installDir, nullptr);
}
