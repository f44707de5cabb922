// Removal of a directory tree. The walk uses the wide-character functions on the literal
// ("\\?\") form: the ANSI ones report a name with characters the code page lacks with "?" in
// their place and stop at MAX_PATH.
#include <wchar.h>
#include <windows.h>
// RtlGenRandom, advapi32's SystemFunction036.
#include <ntsecapi.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/removal.h"
#include "report/log.h"
#include "report/progress.h"
#include "sysloc/sysloc.h"

namespace {

const DWORD kDeleteStoppers =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

DWORD RemoveLink(const wchar_t* path, DWORD attributes) {
    BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryW(path)
                                                           : DeleteFileW(path);
    return removed ? ERROR_SUCCESS : GetLastError();
}

// A file that carries none of the attributes that stop a delete is deleted at once, which
// saves opening every file twice.
DWORD DeleteTreeFile(const wchar_t* path, DWORD attributes) {
    if (attributes & kDeleteStoppers) return DeleteFileName(path, true);
    return DeleteFileW(path) ? ERROR_SUCCESS : GetLastError();
}

bool IsListed(const wchar_t* name, const wchar_t* const* names) {
    for (; names && *names; ++names)
        if (CompareStringOrdinal(name, -1, *names, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

// The first path that could not be removed.
DWORD Failed(DWORD code, const WideText& path, TreeReport& report) {
    if (report.failed.Length() == 0) report.failed.Append(path);
    return code;
}

// Errors that say another program holds the entry, rather than that it may not go.
bool InUse(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == ERROR_USER_MAPPED_FILE;
}

// The run's own folder for what stays in use, made on first need in report.pendingIn under
// a name nobody can guess, so that no one can have put anything there.
bool MakePendingFolder(TreeReport& report) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        unsigned long long random = 0;
        wchar_t name[48];
        if (!RtlGenRandom(&random, sizeof(random))) return false;
        swprintf(name, 48, L"VORNAuninstall-pending.%016I64x", random);
        report.pending.Truncate(0);
        if (!report.pending.Append(report.pendingIn) || !JoinPath(report.pending, name))
            return false;
        if (CreateDirectoryW(report.pending, nullptr)) return true;
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    report.pending.Truncate(0);
    return false;
}

// Moves an entry in use into the run's own folder and has the next restart remove it there.
bool MoveToPending(const WideText& path, TreeReport& report) {
    if (!report.pendingIn || (report.pending.Length() == 0 && !MakePendingFolder(report)))
        return false;
    wchar_t name[16];
    swprintf(name, 16, L"%lu", report.scheduled + 1);
    WideText moved;
    if (!moved.Append(report.pending) || !JoinPath(moved, name) ||
        !MoveFileExW(path, moved, 0))
        return false;
    if (MoveFileExW(moved, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        ++report.scheduled;
        return true;
    }
    MoveFileExW(moved, path, 0);  // it stays where it was, and the run says so
    return false;
}

// The code of one step on path: counted when it succeeded; when another program holds the
// entry and the report asks so, it goes at the next restart instead, but for a link (what
// the system would do with a link then is not ours to know).
DWORD Counted(DWORD code, const WideText& path, bool directory, bool link, TreeReport& report) {
    if (code == ERROR_SUCCESS) {
        ++(directory ? report.directories : report.files);
        if (report.progress) report.progress->SetDone(report.files + report.directories);
        return code;
    }
    if (!link && InUse(code) && MoveToPending(path, report)) {
        PathForm plain = PlainForm(path);
        LogLine(LogLevel::Warn) << "goes at the next restart: " << plain.head << plain.rest << " ("
                                << SystemMessage(code) << "), moved to " << report.pending;
        return ERROR_SUCCESS;
    }
    return Failed(code, path, report);
}

// Holds that outlast the two seconds of one delete draw on this, so that many held files do
// not stall the run.
DWORD g_retryBudgetMs = 10000;

// One removal step on path, run again while the system says someone holds the entry (a
// virus scanner or the shell, for a moment) for about two seconds. Counting only, nothing
// runs.
template <typename Step>
DWORD Remove(const WideText& path, bool directory, bool link, TreeReport& report, Step step) {
    DWORD code = report.countOnly ? ERROR_SUCCESS : step();
    for (DWORD wait = 100, waited = 0;
         (code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) && waited < 2000 &&
         g_retryBudgetMs >= wait;
         waited += wait, wait = wait < 400 ? wait * 2 : 500) {
        Sleep(wait);
        g_retryBudgetMs -= wait;
        code = step();
    }
    return Counted(code, path, directory, link, report);
}

DWORD DeleteDirectory(WideText& dir, bool recurse, const wchar_t* const* lastFiles,
                      TreeReport& report);

// Deletes the entries of dir but the files named in lastFiles. Sets keepDir when dir must
// stay: its search could not start, or recurse is false and a subdirectory was kept. dir
// comes back as it went in.
DWORD DeleteContents(WideText& dir, bool recurse, const wchar_t* const* lastFiles,
                     bool& keepDir, TreeReport& report) {
    const size_t length = dir.Length();
    if (!JoinPath(dir, L"*")) return ERROR_NOT_ENOUGH_MEMORY;
    WIN32_FIND_DATAW entry;
    ScopedFind search(FindFirstFileExW(dir, FindExInfoBasic, &entry, FindExSearchNameMatch,
                                       nullptr, FIND_FIRST_EX_LARGE_FETCH));
    dir.Truncate(length);
    if (!search.valid()) {
        keepDir = true;
        return ERROR_SUCCESS;
    }
    do {
        const wchar_t* name = entry.cFileName;
        if (wcscmp(name, L".") == 0 || wcscmp(name, L"..") == 0) continue;
        DWORD attributes = entry.dwFileAttributes;
        bool link = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
                    IsLinkReparseTag(entry.dwReserved0);
        if (!link && (attributes & FILE_ATTRIBUTE_DIRECTORY) && !recurse) {
            keepDir = true;
            continue;
        }
        if (!link && !(attributes & FILE_ATTRIBUTE_DIRECTORY) && IsListed(name, lastFiles))
            continue;
        if (!JoinPath(dir, name)) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD code;
        if (link)
            code = Remove(dir, false, true, report, [&] { return RemoveLink(dir, attributes); });
        else if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            code = DeleteDirectory(dir, true, nullptr, report);
        else
            code = Remove(dir, false, false, report,
                          [&] { return DeleteTreeFile(dir, attributes); });
        dir.Truncate(length);
        if (code != ERROR_SUCCESS) return code;
    } while (FindNextFileW(search.get(), &entry));
    DWORD searchEnd = GetLastError();
    return searchEnd == ERROR_NO_MORE_FILES ? ERROR_SUCCESS : Failed(searchEnd, dir, report);
}

DWORD DeleteDirectory(WideText& dir, bool recurse, const wchar_t* const* lastFiles,
                      TreeReport& report) {
    if (report.progress) {
        PathForm plain = PlainForm(dir);
        report.progress->SetFolder(plain.head, plain.rest);
    }
    bool keepDir = false;
    DWORD code = DeleteContents(dir, recurse, lastFiles, keepDir, report);
    if (code != ERROR_SUCCESS || keepDir) return code;
    const size_t length = dir.Length();
    for (; lastFiles && *lastFiles; ++lastFiles) {
        if (!JoinPath(dir, *lastFiles)) return ERROR_NOT_ENOUGH_MEMORY;
        DWORD attributes = GetFileAttributesW(dir);
        // Not tried again: the uninstaller that a quiet run started waits in here, and moves
        // out (or goes at the next restart) when nothing else is left.
        if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
            code = Counted(report.countOnly ? ERROR_SUCCESS : DeleteTreeFile(dir, attributes), dir,
                           false, false, report);
        dir.Truncate(length);
        if (code != ERROR_SUCCESS) return code;
    }
    // As for files, the attributes are reset only where they may stop the removal.
    return Remove(dir, true, false, report, [&]() -> DWORD {
        if (RemoveDirectoryW(dir)) return ERROR_SUCCESS;
        DWORD error = GetLastError();
        if (error != ERROR_ACCESS_DENIED) return error;
        return SetFileAttributesW(dir, FILE_ATTRIBUTE_NORMAL) && RemoveDirectoryW(dir)
                   ? ERROR_SUCCESS
                   : GetLastError();
    });
}

// The literal ("\\?\") form of dir's full path. Only through it do the system's path rules
// leave names alone that end in a dot or a blank or are all dots ("..."), and only through
// it may a path be longer than MAX_PATH.
bool LiteralPath(const wchar_t* dir, WideText& literal) {
    WideText full;
    if (!FullPath(dir, full)) return false;
    // Without its trailing separators, but for a drive's root ("C:\").
    size_t length = TrimmedLength(full);
    full.Truncate(length < 3 ? 3 : length);
    PathForm form = LiteralForm(full);
    return literal.Append(form.head) && literal.Append(form.rest);
}

// Whether the handle holds the file that path names, and not one a link led to: path is
// canonical, so the system reports it as it stands (folded by the same rules as the path
// it opened).
bool OpenedAsNamed(HANDLE file, const wchar_t* path) {
    WideText opened, full, named;
    if (!FinalPathOf(file, opened) || !FullPath(path, full)) return false;
    PathForm form = PlainForm(full);
    return named.Append(form.head) && named.Append(form.rest) &&
           CompareStringOrdinal(opened, -1, named, -1, TRUE) == CSTR_EQUAL;
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // zero times stay as they are
    basic.FileAttributes = attributes;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic));
}

}  // namespace

DWORD DeleteFileName(const wchar_t* path, bool resetAttributes) {
    ScopedFile file(CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
                                nullptr));
    if (!file.valid()) return GetLastError();
    HANDLE opened = file.get();
    FILE_BASIC_INFO basic;
    FILE_STANDARD_INFO standard;
    if (!GetFileInformationByHandleEx(opened, FileBasicInfo, &basic, sizeof(basic)) ||
        !GetFileInformationByHandleEx(opened, FileStandardInfo, &standard, sizeof(standard)))
        return GetLastError();
    if (standard.Directory) return ERROR_ACCESS_DENIED;
    // A link opened as itself is what we may delete; anything else must be the named file.
    bool link = basic.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT;
    if (!link && !OpenedAsNamed(opened, path)) return ERROR_CANT_RESOLVE_FILENAME;
    DWORD original = basic.FileAttributes;
    bool reset = resetAttributes && !link && (original & kDeleteStoppers);
    if (reset && !SetAttributes(opened, FILE_ATTRIBUTE_NORMAL)) return GetLastError();
    FILE_DISPOSITION_INFO disposition = {TRUE};
    DWORD code = SetFileInformationByHandle(opened, FileDispositionInfo, &disposition,
                                            sizeof(disposition))
                     ? ERROR_SUCCESS
                     : GetLastError();
    // Attributes belong to the file, not to one of its names: the others keep theirs.
    if (reset && standard.NumberOfLinks > 1) SetAttributes(opened, original);
    return code;
}

DWORD DeleteTree(const wchar_t* dir, bool recurse, const wchar_t* const* lastFiles,
                 TreeReport* report) {
    TreeReport unreported;
    TreeReport& counts = report ? *report : unreported;
    WideText literal;
    if (!LiteralPath(dir, literal)) return ERROR_NOT_ENOUGH_MEMORY;
    WIN32_FIND_DATAW self;
    ScopedFind search(FindFirstFileExW(literal, FindExInfoBasic, &self, FindExSearchNameMatch,
                                       nullptr, 0));
    if (search.valid() && (self.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        IsLinkReparseTag(self.dwReserved0))
        return Remove(literal, false, true, counts,
                      [&] { return RemoveLink(literal, self.dwFileAttributes); });
    return DeleteDirectory(literal, recurse, lastFiles, counts);
}
