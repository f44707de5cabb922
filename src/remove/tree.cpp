// Removal of a directory tree through opened handles. The directory is opened once; each
// directory below it is opened relative to its parent's handle, by the name its listing
// showed, and entered only when it is that very directory and no link. What the walk deletes
// is what it opened and checked: no path is resolved again. The walk keeps its levels on the
// heap, so that no depth exhausts the stack.
#include <wchar.h>
#include <windows.h>
#include <winternl.h>
// RtlGenRandom, advapi32's SystemFunction036.
#include <ntsecapi.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/others.h"
#include "remove/removal.h"
#include "report/log.h"
#include "report/progress.h"
#include "sysloc/sysloc.h"

void (*g_beforeEnteringDirectory)(const wchar_t* path) = nullptr;

// ntdll's listing call, which the headers leave out, and the one listing with file IDs but
// no short names: making those costs Wine a great deal.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                               PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN,
                                               PUNICODE_STRING, BOOLEAN);
const auto kFileIdFullDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(38);
struct FileIdFullDirInformation {
    ULONG NextEntryOffset;
    ULONG FileIndex;
    LARGE_INTEGER CreationTime, LastAccessTime, LastWriteTime, ChangeTime;
    LARGE_INTEGER EndOfFile, AllocationSize;
    ULONG FileAttributes;
    ULONG FileNameLength;
    ULONG EaSize;  // a reparse point's tag stands here
    LARGE_INTEGER FileId;
    WCHAR FileName[1];
};

namespace {

const ULONG kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
const DWORD kDeleteStoppers =
    FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
const DWORD kDirectoryAccess = FILE_LIST_DIRECTORY | DELETE | FILE_READ_ATTRIBUTES |
                               FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
const DWORD kListingBytes = 4096;  // per open directory: a deep tree holds one per level
const size_t kNameRoom = 256;      // a name in a directory has at most 255 characters

DWORD CodeOf(NTSTATUS status) {
    return status >= 0 ? ERROR_SUCCESS : RtlNtStatusToDosError(status);
}

// Opens name in dir: the entry itself where the system can tell a link from its target.
// name in dir, as the system's calls take it; text holds the name.
OBJECT_ATTRIBUTES NameIn(HANDLE dir, const wchar_t* name, UNICODE_STRING& text) {
    USHORT bytes = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
    text = {bytes, bytes, const_cast<wchar_t*>(name)};
    return {sizeof(OBJECT_ATTRIBUTES), dir, &text, 0, nullptr, nullptr};
}

DWORD OpenBelow(HANDLE dir, const wchar_t* name, ACCESS_MASK access, ULONG options,
                ScopedFile& opened) {
    UNICODE_STRING text;
    OBJECT_ATTRIBUTES attributes = NameIn(dir, name, text);
    IO_STATUS_BLOCK io;
    HANDLE handle;
    NTSTATUS status = NtOpenFile(&handle, access | SYNCHRONIZE, &attributes, &io, kShareAll,
                                 options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT);
    opened.reset(status >= 0 ? handle : INVALID_HANDLE_VALUE);
    return CodeOf(status);
}

// What the system says of an opened entry. Not GetFileInformationByHandle: it asks for the
// volume too, which Wine answers slowly.
DWORD AttributesOf(HANDLE entry) {
    FILE_ATTRIBUTE_TAG_INFO tag;
    return GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &tag, sizeof(tag))
               ? tag.FileAttributes
               : INVALID_FILE_ATTRIBUTES;
}

DWORD Dispose(HANDLE entry) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return SetFileInformationByHandle(entry, FileDispositionInfo, &disposition,
                                      sizeof(disposition))
               ? ERROR_SUCCESS
               : GetLastError();
}

bool SetAttributes(HANDLE file, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // zero times stay as they are
    basic.FileAttributes = attributes;
    return SetFileInformationByHandle(file, FileBasicInfo, &basic, sizeof(basic));
}

// Gives entry the name `name` in dir (or, without dir, the full path `name` in the system's
// form), replacing what has that name there when asked: a directory entry changes, no file
// behind it. The system's call, which takes the name as it stands; the kernel32 one may make
// a relative name a full path.
DWORD Rename(HANDLE entry, HANDLE dir, const wchar_t* name, bool replace) {
    size_t bytes = wcslen(name) * sizeof(wchar_t), size = sizeof(FILE_RENAME_INFO) + bytes;
    // FILE_RENAME_INFO has the layout of the system's FILE_RENAME_INFORMATION.
    auto* rename = static_cast<FILE_RENAME_INFO*>(operator new(size));
    if (!rename) return ERROR_NOT_ENOUGH_MEMORY;
    memset(rename, 0, size);
    rename->ReplaceIfExists = replace;
    rename->RootDirectory = dir;
    rename->FileNameLength = static_cast<DWORD>(bytes);
    memcpy(rename->FileName, name, bytes);
    IO_STATUS_BLOCK io;
    DWORD code = CodeOf(NtSetInformationFile(entry, &io, rename, size, FileRenameInformation));
    operator delete(rename);
    return code;
}

// A name nobody can have guessed, with prefix.
bool RandomName(const wchar_t* prefix, wchar_t (&name)[64]) {
    unsigned long long random = 0;
    return RtlGenRandom(&random, sizeof(random)) &&
           swprintf(name, 64, L"%ls%016I64x", prefix, random) > 0;
}

// Where the system opens the target of a link in place of the link (Wine, for a link to a
// file), deleting through a handle deletes the target. Renaming a new empty file over the
// link's name replaces the link alone; that file then goes.
DWORD RemoveLinkName(HANDLE dir, const wchar_t* name) {
    wchar_t spare[64];
    if (!RandomName(L"VORNAuninstall-link.", spare)) return ERROR_NOT_ENOUGH_MEMORY;
    UNICODE_STRING text;
    OBJECT_ATTRIBUTES attributes = NameIn(dir, spare, text);
    IO_STATUS_BLOCK io;
    HANDLE handle;
    NTSTATUS status = NtCreateFile(&handle, DELETE | SYNCHRONIZE, &attributes, &io, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, kShareAll, FILE_CREATE,
                                   FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT,
                                   nullptr, 0);
    if (status < 0) return CodeOf(status);
    ScopedFile created(handle);
    DWORD code = Rename(created.get(), dir, name, true);
    DWORD disposed = Dispose(created.get());
    return code != ERROR_SUCCESS ? code : disposed;
}

// The system's name of an opened object ("\Device\...\dir\name"), into room.
bool ObjectName(HANDLE object, WideText& room, UNICODE_STRING& name) {
    const ULONG bytes = 65536 + sizeof(OBJECT_NAME_INFORMATION);
    wchar_t* buffer = room.Room(bytes / sizeof(wchar_t));
    ULONG returned;
    if (!buffer || NtQueryObject(object, ObjectNameInformation, buffer, bytes, &returned) < 0)
        return false;
    name = reinterpret_cast<OBJECT_NAME_INFORMATION*>(buffer)->Name;
    return true;
}

bool EqualPart(const wchar_t*& text, size_t& left, const wchar_t* part, size_t length) {
    if (length > left ||
        CompareStringOrdinal(text, static_cast<int>(length), part, static_cast<int>(length),
                             TRUE) != CSTR_EQUAL)
        return false;
    text += length;
    left -= length;
    return true;
}

bool IsListed(const wchar_t* name, const wchar_t* const* names) {
    for (; names && *names; ++names)
        if (CompareStringOrdinal(name, -1, *names, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
}

// Errors that say another program holds the entry, rather than that it may not go.
bool InUse(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == ERROR_USER_MAPPED_FILE;
}

// One open directory of the walk and where its listing stands.
struct Level {
    Level* up;
    HANDLE dir;
    size_t pathLength;  // of the walk's path up to this directory
    bool keep = false;  // something in it stays (or was left out on purpose)
    bool kept = false;  // it holds another application's folder: it stays with its parents
    bool restart = true;
    DWORD next = 0, filled = 0;
    alignas(8) unsigned char listing[kListingBytes];
};

// An entry of a listing, its name made a string.
struct Entry {
    wchar_t name[kNameRoom + 1];
    DWORD attributes;
    DWORD tag;
    LARGE_INTEGER id;
};

// Holds that outlast the two seconds of one delete draw on this, so that many held files do
// not stall the run.
DWORD g_retryBudgetMs = 10000;

class TreeWalk {
public:
    TreeWalk(bool recurse, const wchar_t* const* lastFiles, TreeReport& report)
        : recurse_(recurse), lastFiles_(lastFiles), report_(report) {}
    ~TreeWalk() {
        while (level_) Leave();
    }
    DWORD Run(HANDLE root, const wchar_t* path);

private:
    DWORD Visit(const Entry& entry);
    bool KeptForOthers(const Entry& entry, HANDLE dir);
    DWORD Finish();
    bool Enter(HANDLE dir, const wchar_t* name);
    void Leave();
    DWORD NextEntry(Entry& entry);
    DWORD RemoveFile(const wchar_t* name, DWORD attributes, ScopedFile& file);
    bool IsNamed(HANDLE file, const wchar_t* name);
    template <typename Step>
    DWORD Remove(const wchar_t* name, bool directory, Step step, HANDLE* entry);
    DWORD Counted(DWORD code, const wchar_t* name, bool directory, HANDLE entry);
    bool MoveToPending(HANDLE entry, const wchar_t* name);
    bool MoveAside(HANDLE entry, const wchar_t* name);
    bool MakePendingFolder();
    DWORD Failed(DWORD code, const wchar_t* name);

    const bool recurse_;
    const wchar_t* const* const lastFiles_;
    TreeReport& report_;
    Level* level_ = nullptr;
    WideText path_;  // of the current directory, literal; for the log and the progress only
    size_t rootLength_ = 0;
    WideText rootName_, nameRoom_;  // the system's name of the root; room for names
    UNICODE_STRING root_ = {};
};

bool TreeWalk::Enter(HANDLE dir, const wchar_t* name) {
    Level* level = new Level;  // null when out of memory: see app/heap.cpp
    size_t length = path_.Length();
    if (!level || (name && !JoinPath(path_, name))) {
        delete level;
        if (name) CloseHandle(dir);
        return false;
    }
    level->up = level_;
    level->dir = dir;
    level->pathLength = length;
    level_ = level;
    if (report_.progress) {
        PathForm plain = PlainForm(path_);
        report_.progress->SetFolder(plain.head, plain.rest);
    }
    return true;
}

void TreeWalk::Leave() {
    Level* level = level_;
    level_ = level->up;
    if (level_ && level->kept) level_->kept = true;
    if (level_) CloseHandle(level->dir);  // the root's handle is the caller's
    path_.Truncate(level->pathLength);
    delete level;
}

// The next entry of the current directory but "." and ".."; ERROR_NO_MORE_FILES at its end.
DWORD TreeWalk::NextEntry(Entry& entry) {
    Level& level = *level_;
    for (;;) {
        if (level.next >= level.filled) {
            IO_STATUS_BLOCK io;
            NTSTATUS status = NtQueryDirectoryFile(level.dir, nullptr, nullptr, nullptr, &io,
                                                   level.listing, kListingBytes,
                                                   kFileIdFullDirectoryInformation, FALSE,
                                                   nullptr, level.restart);
            if (status < 0) return CodeOf(status);  // at the end: ERROR_NO_MORE_FILES
            level.restart = false;
            level.next = 0;
            level.filled = kListingBytes;
        }
        const auto* info =
            reinterpret_cast<const FileIdFullDirInformation*>(level.listing + level.next);
        level.next = info->NextEntryOffset ? level.next + info->NextEntryOffset : kListingBytes;
        size_t length = info->FileNameLength / sizeof(wchar_t);
        if (length > kNameRoom) return ERROR_FILENAME_EXCED_RANGE;
        memcpy(entry.name, info->FileName, info->FileNameLength);
        entry.name[length] = L'\0';
        if (wcscmp(entry.name, L".") == 0 || wcscmp(entry.name, L"..") == 0) continue;
        entry.attributes = info->FileAttributes;
        entry.tag = info->EaSize;
        entry.id = info->FileId;
        return ERROR_SUCCESS;
    }
}

// Whether the handle holds the file the current directory lists as name, not the one a
// link led to: the system names it by the directory's name and its own.
bool TreeWalk::IsNamed(HANDLE file, const wchar_t* name) {
    UNICODE_STRING opened;
    if (!ObjectName(file, nameRoom_, opened)) return false;
    const wchar_t* text = opened.Buffer;
    size_t left = opened.Length / sizeof(wchar_t);
    const wchar_t* below = path_.Text() + rootLength_;
    return EqualPart(text, left, root_.Buffer, root_.Length / sizeof(wchar_t)) &&
           EqualPart(text, left, below, wcslen(below)) && EqualPart(text, left, L"\\", 1) &&
           EqualPart(text, left, name, wcslen(name)) && left == 0;
}

DWORD TreeWalk::RemoveFile(const wchar_t* name, DWORD attributes, ScopedFile& file) {
    const bool reset = attributes & kDeleteStoppers;
    DWORD code = OpenBelow(level_->dir, name,
                           DELETE | (reset ? FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES : 0),
                           FILE_NON_DIRECTORY_FILE, file);
    if (code != ERROR_SUCCESS) return code;
    if (!IsNamed(file.get(), name)) {
        file.reset();
        return RemoveLinkName(level_->dir, name);
    }
    FILE_STANDARD_INFO standard = {};
    if (reset && (!GetFileInformationByHandleEx(file.get(), FileStandardInfo, &standard,
                                                sizeof(standard)) ||
                  !SetAttributes(file.get(), FILE_ATTRIBUTE_NORMAL)))
        return GetLastError();
    code = Dispose(file.get());
    // Attributes belong to the file, not to one of its names: the others keep theirs.
    if (reset && (standard.NumberOfLinks > 1 || code != ERROR_SUCCESS))
        SetAttributes(file.get(), attributes);
    return code;
}

DWORD TreeWalk::Failed(DWORD code, const wchar_t* name) {
    if (report_.failed.Length() == 0 && report_.failed.Append(path_) && name)
        JoinPath(report_.failed, name);
    return code;
}

// The run's own folder for what stays in use, made on first need in report.pendingIn under
// a name nobody can guess, so that no one can have put anything there.
bool TreeWalk::MakePendingFolder() {
    for (int attempt = 0; attempt < 8; ++attempt) {
        wchar_t name[64];
        if (!RandomName(L"VORNAuninstall-pending.", name) ||
            !report_.pending.Assign(report_.pendingIn) || !JoinPath(report_.pending, name))
            break;
        if (CreateDirectoryW(report_.pending, nullptr)) {
            report_.pendingDir.reset(CreateFileW(report_.pending,
                                                 FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY,
                                                 kShareAll, nullptr, OPEN_EXISTING,
                                                 FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            if (report_.pendingDir.valid()) return true;
            RemoveDirectoryW(report_.pending);
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    report_.pending.Truncate(0);
    return false;
}

// Moves the opened entry in use into the run's own folder and has the next restart remove
// it there.
bool TreeWalk::MoveToPending(HANDLE entry, const wchar_t* name) {
    // The directory itself moves back into its parent; the root's is not ours.
    HANDLE parent = name ? level_->dir : level_->up ? level_->up->dir : nullptr;
    const wchar_t* own = name ? name : LastComponent(path_);
    if (!report_.pendingIn || entry == INVALID_HANDLE_VALUE || !parent ||
        (!report_.pendingDir.valid() && !MakePendingFolder()))
        return false;
    wchar_t number[16];
    swprintf(number, 16, L"%lu", report_.scheduled + 1);
    WideText moved;
    if (!moved.Append(report_.pending) || !JoinPath(moved, number) ||
        Rename(entry, report_.pendingDir.get(), number, false) != ERROR_SUCCESS)
        return false;
    if (MoveFileExW(moved, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        ++report_.scheduled;
        return true;
    }
    Rename(entry, parent, own, false);  // it stays where it was, and the run says so
    return false;
}

// Moves a last file in use to report.aside, from where it goes at the next restart.
bool TreeWalk::MoveAside(HANDLE entry, const wchar_t* name) {
    WideText target;
    if (!report_.aside || !target.Append(L"\\??\\") || !target.Append(report_.aside) ||
        Rename(entry, nullptr, target, true) != ERROR_SUCCESS)
        return false;
    bool scheduled = MoveFileExW(report_.aside, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    LogLine() << "moved the running " << path_ << "\\" << name << " to " << report_.aside
              << (scheduled ? ", which goes at the next restart" : "");
    return true;
}

// The code of one step on name in the current directory (null: the directory itself):
// counted when it succeeded; when another program holds the entry and the report asks so,
// the opened entry goes at the next restart instead.
DWORD TreeWalk::Counted(DWORD code, const wchar_t* name, bool directory, HANDLE entry) {
    if (code == ERROR_SUCCESS) {
        ++(directory ? report_.directories : report_.files);
        if (report_.progress) report_.progress->SetDone(report_.files + report_.directories);
        return code;
    }
    if (InUse(code) && MoveToPending(entry, name)) {
        WideText path;
        if (path.Append(path_) && name) JoinPath(path, name);
        PathForm plain = PlainForm(path);
        LogLine(LogLevel::Warn) << "goes at the next restart: " << plain.head << plain.rest
                                << " (" << SystemMessage(code) << "), moved to "
                                << report_.pending;
        return ERROR_SUCCESS;
    }
    return Failed(code, name);
}

// One removal step, run again while the system says someone holds the entry (a virus
// scanner or the shell, for a moment) for about two seconds. Counting only, nothing runs.
// entry: the handle the step leaves open, should the entry move aside.
template <typename Step>
DWORD TreeWalk::Remove(const wchar_t* name, bool directory, Step step, HANDLE* entry) {
    DWORD code = report_.countOnly ? ERROR_SUCCESS : step();
    for (DWORD wait = 100, waited = 0;
         (code == ERROR_SHARING_VIOLATION || code == ERROR_ACCESS_DENIED) && waited < 2000 &&
         g_retryBudgetMs >= wait;
         waited += wait, wait = wait < 400 ? wait * 2 : 500) {
        Sleep(wait);
        g_retryBudgetMs -= wait;
        code = step();
    }
    return Counted(code, name, directory, entry ? *entry : INVALID_HANDLE_VALUE);
}

// Removes a file or link, or opens a directory to enter (it then is the current one).
DWORD TreeWalk::Visit(const Entry& entry) {
    const wchar_t* name = entry.name;
    HANDLE dir = level_->dir;
    bool directory = entry.attributes & FILE_ATTRIBUTE_DIRECTORY;
    ScopedFile opened;
    if ((entry.attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkReparseTag(entry.tag)) {
        // Gone as a link only where the system opens the link itself; a link to a directory
        // whose target the system opens in its place stays.
        return Remove(name, false, [&]() -> DWORD {
            DWORD code = OpenBelow(dir, name, DELETE | FILE_READ_ATTRIBUTES, 0, opened);
            if (code != ERROR_SUCCESS) return code;
            if (AttributesOf(opened.get()) & FILE_ATTRIBUTE_REPARSE_POINT)
                return Dispose(opened.get());
            opened.reset();
            return directory ? ERROR_CANT_RESOLVE_FILENAME : RemoveLinkName(dir, name);
        }, nullptr);
    }
    if (directory) {
        if (!recurse_) {
            level_->keep = true;
            return ERROR_SUCCESS;
        }
        if (g_beforeEnteringDirectory) {
            WideText path;
            if (path.Append(path_) && JoinPath(path, name)) g_beforeEnteringDirectory(path);
        }
        DWORD code = OpenBelow(dir, name, kDirectoryAccess, FILE_DIRECTORY_FILE, opened);
        // Entered only as the directory the listing showed, and no link; counting, which
        // removes nothing, takes what it finds.
        if (code == ERROR_SUCCESS && !report_.countOnly &&
            (FileIdOf(opened.get()) != entry.id.QuadPart ||
             (AttributesOf(opened.get()) & FILE_ATTRIBUTE_REPARSE_POINT)))
            code = ERROR_CANT_RESOLVE_FILENAME;
        if (code != ERROR_SUCCESS) return Failed(code, name);
        if (report_.others && KeptForOthers(entry, opened.get())) return ERROR_SUCCESS;
        return Enter(opened.release(), name) ? ERROR_SUCCESS : ERROR_NOT_ENOUGH_MEMORY;
    }
    if (level_->up == nullptr && IsListed(name, lastFiles_)) return ERROR_SUCCESS;
    HANDLE held = INVALID_HANDLE_VALUE;
    return Remove(name, false, [&] {
        DWORD code = RemoveFile(name, entry.attributes, opened);
        held = opened.get();
        return code;
    }, &held);
}

// Whether the opened directory entry is another application's, which stays whole.
bool TreeWalk::KeptForOthers(const Entry& entry, HANDLE dir) {
    WideText path;
    PathForm plain = PlainForm(path_);
    if (!path.Append(plain.head) || !path.Append(plain.rest) || !JoinPath(path, entry.name) ||
        !report_.others->Keeps(entry.id.QuadPart, dir, path))
        return false;
    level_->kept = true;
    return true;
}

// The current directory is listed to its end: it goes, with the root's last files first. One
// that holds another application stays, and so does every folder above it.
DWORD TreeWalk::Finish() {
    Level& level = *level_;
    if (level.keep) return ERROR_SUCCESS;
    for (const wchar_t* const* last = level.up ? nullptr : lastFiles_; last && *last; ++last) {
        ScopedFile file;
        // Not tried again: the uninstaller that a quiet run started waits in here, and moves
        // out (or goes at the next restart) when nothing else is left.
        if (OpenBelow(level.dir, *last, FILE_READ_ATTRIBUTES, FILE_NON_DIRECTORY_FILE, file) !=
            ERROR_SUCCESS)
            continue;
        DWORD attributes = AttributesOf(file.get());
        file.reset();
        DWORD code = report_.countOnly ? ERROR_SUCCESS : RemoveFile(*last, attributes, file);
        if (InUse(code) && file.valid() && MoveAside(file.get(), *last)) code = ERROR_SUCCESS;
        code = Counted(code, *last, false, file.get());
        if (code != ERROR_SUCCESS) return code;
    }
    if (level.kept) return ERROR_SUCCESS;
    // As for files, the attributes are reset only where they may stop the removal.
    return Remove(nullptr, true, [&]() -> DWORD {
        DWORD code = Dispose(level.dir);
        if (code != ERROR_ACCESS_DENIED) return code;
        return SetAttributes(level.dir, FILE_ATTRIBUTE_NORMAL) ? Dispose(level.dir)
                                                               : GetLastError();
    }, &level.dir);
}

DWORD TreeWalk::Run(HANDLE root, const wchar_t* path) {
    if (!path_.Append(path)) return ERROR_NOT_ENOUGH_MEMORY;
    rootLength_ = path_.Length();
    FILE_ATTRIBUTE_TAG_INFO tag = {};
    if (!GetFileInformationByHandleEx(root, FileAttributeTagInfo, &tag, sizeof(tag)))
        return GetLastError();
    if ((tag.FileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkReparseTag(tag.ReparseTag)) {
        path_.Truncate(LastComponent(path_) - path_.Text());
        return Remove(LastComponent(path), false, [&] { return Dispose(root); }, nullptr);
    }
    if (!ObjectName(root, rootName_, root_)) return GetLastError();
    // The root's own name may end in a separator ("\Device\...\"); its entries add their own.
    while (root_.Length && root_.Buffer[root_.Length / sizeof(wchar_t) - 1] == L'\\')
        root_.Length -= sizeof(wchar_t);
    if (!Enter(root, nullptr)) return ERROR_NOT_ENOUGH_MEMORY;
    for (;;) {
        Entry entry;
        DWORD code = NextEntry(entry);
        if (code == ERROR_SUCCESS) {
            code = Visit(entry);
            if (code != ERROR_SUCCESS) return code;
            continue;
        }
        if (code == ERROR_NO_MORE_FILES) {
            code = Finish();
        } else if (level_->restart) {
            level_->keep = true;  // it cannot be listed: it stays, and the caller finds it there
            code = ERROR_SUCCESS;
        } else {
            code = Failed(code, nullptr);
        }
        Leave();
        if (code != ERROR_SUCCESS || !level_) return code;
    }
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

}  // namespace

DWORD DeleteFileName(const wchar_t* path, bool resetAttributes) {
    ScopedFile file(CreateFileW(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES,
                                kShareAll, nullptr, OPEN_EXISTING,
                                FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS,
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
    DWORD code = Dispose(opened);
    // Attributes belong to the file, not to one of its names: the others keep theirs.
    if (reset && standard.NumberOfLinks > 1) SetAttributes(opened, original);
    return code;
}

DWORD OpenDirectory(const wchar_t* dir, WideText& literal, ScopedFile& opened) {
    if (!LiteralPath(dir, literal)) return ERROR_NOT_ENOUGH_MEMORY;
    // A program that starts in the directory holds it for a moment (a second uninstall on
    // its way out, say): it is tried again for about two seconds, as files are.
    for (DWORD wait = 100, waited = 0;; waited += wait, wait = wait < 400 ? wait * 2 : 500) {
        opened.reset(CreateFileW(literal, kDirectoryAccess, kShareAll, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
        if (opened.valid() || GetLastError() != ERROR_SHARING_VIOLATION || waited >= 2000) break;
        Sleep(wait);
    }
    // Without the rights to remove it, still to tell what it is.
    if (!opened.valid() && GetLastError() == ERROR_ACCESS_DENIED)
        opened.reset(CreateFileW(literal, FILE_READ_ATTRIBUTES | SYNCHRONIZE, kShareAll, nullptr,
                                 OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                 nullptr));
    if (!opened.valid()) return GetLastError();
    DWORD attributes = AttributesOf(opened.get());
    if (attributes == INVALID_FILE_ATTRIBUTES) return GetLastError();
    // A link the system opened as itself is what the caller removes; one it followed is not.
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ERROR_SUCCESS;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    return OpenedAsNamed(opened.get(), literal) ? ERROR_SUCCESS : ERROR_CANT_RESOLVE_FILENAME;
}

DWORD DeleteTree(HANDLE dir, const wchar_t* path, bool recurse,
                 const wchar_t* const* lastFiles, TreeReport& report) {
    TreeWalk walk(recurse, lastFiles, report);
    return walk.Run(dir, path);
}

DWORD DeleteTree(const wchar_t* dir, bool recurse, const wchar_t* const* lastFiles,
                 TreeReport* report) {
    TreeReport unreported;
    WideText literal;
    ScopedFile opened;
    DWORD code = OpenDirectory(dir, literal, opened);
    if (code == ERROR_FILE_NOT_FOUND || code == ERROR_PATH_NOT_FOUND) return ERROR_SUCCESS;
    if (code != ERROR_SUCCESS) return code;
    return DeleteTree(opened.get(), literal, recurse, lastFiles, report ? *report : unreported);
}
