// The walk keeps its levels on the heap, so that no depth exhausts the stack, and each
// level's listing whole, so that it knows how far it has come for the progress window
// without listing the tree twice.
#include "remove/tree.h"

#include <stdlib.h>
#include <string.h>
#include <wchar.h>
#include <winternl.h>

#include "base/names.h"
#include "remove/calls.h"
#include "remove/others.h"
#include "remove/pending.h"
#include "remove/unlink.h"
#include "report/log.h"
#include "report/progress.h"
#include "sysloc/ownfiles.h"
#include "sysloc/sysloc.h"

namespace {

// An entry of FileIdFullDirectoryInformation, the listing the calls ask for.
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

const DWORD kDirectoryAccess = FILE_LIST_DIRECTORY | DELETE | FILE_READ_ATTRIBUTES |
                               FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
// What a directory another program holds is opened with: everything but removing it.
const DWORD kListingAccess = FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | SYNCHRONIZE;
const ULONG kListingChunk = 16384;  // read at a time
const auto kFileAccessInformation = static_cast<FILE_INFORMATION_CLASS>(8);
const size_t kNameRoom = 256;       // a name in a directory has at most 255 characters

bool IsListed(const wchar_t* name, const wchar_t* const* names) {
    for (; names && *names; ++names)
        if (CompareStringOrdinal(name, -1, *names, -1, TRUE) == CSTR_EQUAL) return true;
    return false;
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

// One open directory of the walk, its whole listing, and where the walk stands in it.
struct Level {
    Level* up;
    HANDLE dir;
    DWORD attributes;   // as its parent listed it
    size_t pathLength;  // of the walk's path up to this directory
    bool keep = false;   // something in it stays (or was left out on purpose)
    bool kept = false;   // it holds another application's folder: it stays with its parents
    bool stays = false;  // a directory below it stays: it cannot become empty
    unsigned char* listing = nullptr;
    ULONG size = 0, next = 0;
    unsigned long count = 0, taken = 0;  // entries listed, and taken from the listing
    ~Level() { free(listing); }
};

// An entry of a listing, its name made a string.
struct Entry {
    wchar_t name[kNameRoom + 1];
    DWORD attributes;
    DWORD tag;
    long long id;
};

class TreeWalk {
public:
    TreeWalk(bool recurse, const wchar_t* const* lastFiles, TreeReport& report)
        : recurse_(recurse), lastFiles_(lastFiles), report_(report), calls_(Calls()),
          wine_(calls_.IsWine()) {}
    ~TreeWalk() {
        while (level_) Leave();
    }
    DWORD Run(HANDLE root, const wchar_t* path);

private:
    DWORD Visit(const Entry& entry);
    bool KeptAsShipped();
    DWORD OpenToEnter(const Entry& entry, ScopedFile& opened);
    DWORD Finish();
    bool Enter(HANDLE dir, const wchar_t* name, DWORD attributes);
    void Leave();
    DWORD ReadListing(Level& level);
    DWORD NextEntry(Entry& entry);
    DWORD RemoveFile(const wchar_t* name, DWORD attributes, ScopedFile& file);
    bool IsNamed(HANDLE file, const wchar_t* name);
    template <typename Step>
    DWORD Remove(const wchar_t* name, bool directory, Step step, HANDLE* entry);
    DWORD Counted(DWORD code, const wchar_t* name, bool directory, HANDLE entry);
    DWORD Failed(DWORD code, const wchar_t* name);
    void ShowProgress();

    const bool recurse_;
    const wchar_t* const* const lastFiles_;
    TreeReport& report_;
    RemovalCalls& calls_;
    const bool wine_;  // links to files look like files: each file's name is checked
    EntryDeleter deleter_{true};
    Level* level_ = nullptr;
    bool rootDeletable_ = true;
    WideText path_;  // of the current directory, literal; for the log and the progress only
    size_t rootLength_ = 0;
    WideText rootName_, nameRoom_;  // the system's name of the root; room for names
    const wchar_t* root_ = nullptr;
    size_t rootNameLength_ = 0;
};

bool TreeWalk::Enter(HANDLE dir, const wchar_t* name, DWORD attributes) {
    Level* level = new Level;  // null when out of memory: see app/heap.cpp
    size_t length = path_.Length();
    if (!level || (name && !JoinPath(path_, name))) {
        delete level;
        if (name) CloseHandle(dir);
        return false;
    }
    level->up = level_;
    level->dir = dir;
    level->attributes = attributes;
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
    if (level_ && level->keep) level_->stays = true;
    if (level_) CloseHandle(level->dir);  // the root's handle is the caller's
    path_.Truncate(level->pathLength);
    delete level;
}

// How far the removal has come: the share of each level's entries taken, the one being
// worked on in part.
void TreeWalk::ShowProgress() {
    if (!report_.progress) return;
    double done = 0;
    for (const Level* level = level_; level; level = level->up) {
        double taken = level->taken - (level == level_ ? 0 : 1) + done;
        done = level->count ? taken / level->count : 1;
    }
    report_.progress->SetDone(static_cast<unsigned long>(done * kProgressUnits));
}

// The whole listing of the level's directory, its chunks chained into one list; "." and
// ".." do not count.
DWORD TreeWalk::ReadListing(Level& level) {
    ULONG capacity = 0;
    for (bool restart = true;; restart = false) {
        if (capacity - level.size < kListingChunk) {
            capacity = capacity > kListingChunk ? capacity * 2 : level.size + kListingChunk;
            auto* grown = static_cast<unsigned char*>(realloc(level.listing, capacity));
            if (!grown) return ERROR_NOT_ENOUGH_MEMORY;
            level.listing = grown;
        }
        ULONG bytes = 0;
        DWORD code =
            calls_.List(level.dir, level.listing + level.size, kListingChunk, restart, bytes);
        if (code == ERROR_NO_MORE_FILES) {
            // A deep tree holds a listing per level: each keeps only what it listed.
            if (auto* fitted = static_cast<unsigned char*>(realloc(level.listing, level.size + 8)))
                level.listing = fitted;
            return ERROR_SUCCESS;
        }
        if (code != ERROR_SUCCESS) return code;
        ULONG at = level.size;
        for (;;) {
            auto* info = reinterpret_cast<FileIdFullDirInformation*>(level.listing + at);
            size_t length = info->FileNameLength / sizeof(wchar_t);
            bool dots = (length == 1 && info->FileName[0] == L'.') ||
                        (length == 2 && info->FileName[0] == L'.' && info->FileName[1] == L'.');
            if (!dots) ++level.count;
            if (!info->NextEntryOffset) {
                // The next chunk starts where this one ended, on an 8-byte boundary.
                ULONG end = (at + offsetof(FileIdFullDirInformation, FileName) +
                             info->FileNameLength + 7) & ~7UL;
                info->NextEntryOffset = end - at;
                level.size = end;
                break;
            }
            at += info->NextEntryOffset;
        }
    }
}

// The next entry of the current directory but "." and ".."; ERROR_NO_MORE_FILES at its end.
DWORD TreeWalk::NextEntry(Entry& entry) {
    Level& level = *level_;
    for (;;) {
        if (level.next >= level.size) return ERROR_NO_MORE_FILES;
        const auto* info =
            reinterpret_cast<const FileIdFullDirInformation*>(level.listing + level.next);
        level.next += info->NextEntryOffset;
        size_t length = info->FileNameLength / sizeof(wchar_t);
        if (length > kNameRoom) return ERROR_FILENAME_EXCED_RANGE;
        memcpy(entry.name, info->FileName, info->FileNameLength);
        entry.name[length] = L'\0';
        if (wcscmp(entry.name, L".") == 0 || wcscmp(entry.name, L"..") == 0) continue;
        entry.attributes = info->FileAttributes;
        entry.tag = info->EaSize;
        entry.id = info->FileId.QuadPart;
        ++level.taken;
        return ERROR_SUCCESS;
    }
}

// Whether the handle holds the file the current directory lists as name, not the one a
// link led to: the system names it by the directory's name and its own.
bool TreeWalk::IsNamed(HANDLE file, const wchar_t* name) {
    const wchar_t* text;
    size_t left;
    if (calls_.Name(file, nameRoom_, text, left) != ERROR_SUCCESS) return false;
    const wchar_t* below = path_.Text() + rootLength_;
    return EqualPart(text, left, root_, rootNameLength_) &&
           EqualPart(text, left, below, wcslen(below)) && EqualPart(text, left, L"\\", 1) &&
           EqualPart(text, left, name, wcslen(name)) && left == 0;
}

DWORD TreeWalk::RemoveFile(const wchar_t* name, DWORD attributes, ScopedFile& file) {
    // Where the system takes no POSIX delete and shows links as links, a file goes as
    // DeleteFile takes it: marked at its opening, gone with the handle. Read-only refuses that.
    if (!wine_ && deleter_.Classic() && !(attributes & FILE_ATTRIBUTE_READONLY)) {
        DWORD code = calls_.Open(level_->dir, name, DELETE,
                                 FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE, file);
        if (code != ERROR_ACCESS_DENIED) return code;
    }
    const bool stoppers = attributes & kDeleteStoppers;
    DWORD code = calls_.Open(level_->dir, name,
                             DELETE | (stoppers ? FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES : 0),
                             FILE_NON_DIRECTORY_FILE, file);
    if (code != ERROR_SUCCESS) return code;
    if (wine_ && !IsNamed(file.get(), name)) {
        file.reset();
        return RemoveLinkName(level_->dir, name);
    }
    return deleter_.Delete(file.get(), attributes);
}

DWORD TreeWalk::Failed(DWORD code, const wchar_t* name) {
    if (report_.failed.Length() == 0 && report_.failed.Append(path_) && name)
        JoinPath(report_.failed, name);
    return code;
}

// The code of one step on name in the current directory (null: the directory itself):
// counted when it succeeded; when another program holds the entry and the report asks so,
// the opened entry goes at the next restart instead. One that is gone already is no failure.
DWORD TreeWalk::Counted(DWORD code, const wchar_t* name, bool directory, HANDLE entry) {
    if (code == ERROR_SUCCESS) {
        ++(directory ? report_.directories : report_.files);
        return code;
    }
    if (IsGone(code)) return ERROR_SUCCESS;
    // The directory itself moves back into its parent, should it move back.
    HANDLE from = name ? level_->dir : level_->up ? level_->up->dir : nullptr;
    if (InUse(code) &&
        MoveToPending(report_.pending, entry, from, name ? name : LastComponent(path_))) {
        WideText path;
        if (path.Append(path_) && name) JoinPath(path, name);
        PathForm plain = PlainForm(path);
        LogLine(LogLevel::Warn) << "goes at the next restart: " << plain.head << plain.rest
                                << " (" << SystemMessage(code) << "), moved to "
                                << report_.pending.folder;
        return ERROR_SUCCESS;
    }
    return Failed(code, name);
}

// One removal step, run again while the system says someone holds the entry (a virus
// scanner or the shell, for a moment), or, for a directory, while names deleted but still
// held leave it not yet empty. Counting only, nothing runs. entry: the handle the step
// leaves open, should the entry move aside.
template <typename Step>
DWORD TreeWalk::Remove(const wchar_t* name, bool directory, Step step, HANDLE* entry) {
    const bool waitForEmpty = directory && !level_->stays;
    DWORD code = report_.countOnly ? ERROR_SUCCESS : RetryWhileHeld(step, [&](DWORD failed) {
        return failed == ERROR_SHARING_VIOLATION || failed == ERROR_ACCESS_DENIED ||
               (waitForEmpty && failed == ERROR_DIR_NOT_EMPTY);
    });
    return Counted(code, name, directory, entry ? *entry : INVALID_HANDLE_VALUE);
}

// Opens a listed directory to enter it: only as what the listing showed, and no link.
DWORD TreeWalk::OpenToEnter(const Entry& entry, ScopedFile& opened) {
    DWORD code = RetryWhileHeld(
        [&] { return calls_.Open(level_->dir, entry.name, kDirectoryAccess, FILE_DIRECTORY_FILE,
                                 opened); },
        [](DWORD failed) { return failed == ERROR_SHARING_VIOLATION; });
    // Counting, which removes nothing, takes what it finds.
    if (code != ERROR_SUCCESS || report_.countOnly) return code;
    DWORD attributes, tag;
    code = calls_.Attributes(opened.get(), attributes, tag);
    if (code == ERROR_SUCCESS && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) &&
        IsLinkReparseTag(tag))
        code = ERROR_CANT_RESOLVE_FILENAME;
    // Wine opens a link in its target's place, and only the file ID tells: an unknown ID
    // tells nothing.
    long long id = 0;
    if (code == ERROR_SUCCESS && wine_ &&
        (calls_.ListedId(opened.get(), id) != ERROR_SUCCESS || id == 0 || id != entry.id))
        code = ERROR_CANT_RESOLVE_FILENAME;
    return code;
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
            DWORD code = calls_.Open(dir, name, DELETE | FILE_READ_ATTRIBUTES, 0, opened);
            DWORD attributes = 0, tag;
            if (code == ERROR_SUCCESS) code = calls_.Attributes(opened.get(), attributes, tag);
            if (code != ERROR_SUCCESS) return code;
            if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
                return calls_.Dispose(opened.get(), RemovalCalls::kClassic);
            opened.reset();
            return directory ? ERROR_CANT_RESOLVE_FILENAME : RemoveLinkName(dir, name);
        }, nullptr);
    }
    if (directory) {
        if (!recurse_) {
            level_->keep = true;
            return ERROR_SUCCESS;
        }
        // Another application's folder stays whole, and so do the folders above it.
        if (report_.others && report_.others->Keeps(entry.id)) {
            level_->kept = true;
            return ERROR_SUCCESS;
        }
        DWORD code = OpenToEnter(entry, opened);
        if (IsGone(code)) return ERROR_SUCCESS;
        if (code != ERROR_SUCCESS) return Failed(code, name);
        return Enter(opened.release(), name, entry.attributes) ? ERROR_SUCCESS
                                                               : ERROR_NOT_ENOUGH_MEMORY;
    }
    if (level_->up == nullptr && IsListed(name, lastFiles_)) return ERROR_SUCCESS;
    HANDLE held = INVALID_HANDLE_VALUE;
    return Remove(name, false, [&] {
        DWORD code = RemoveFile(name, entry.attributes, opened);
        held = opened.get();
        return code;
    }, &held);
}

// Whether the level, listed, holds a file of this name.
bool Lists(const Level& level, const wchar_t* name) {
    const size_t length = wcslen(name);
    for (ULONG at = 0; at < level.size;) {
        const auto* info = reinterpret_cast<const FileIdFullDirInformation*>(level.listing + at);
        if (!(info->FileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
            info->FileNameLength == length * sizeof(wchar_t) &&
            CompareStringOrdinal(info->FileName, static_cast<int>(length), name,
                                 static_cast<int>(length), TRUE) == CSTR_EQUAL)
            return true;
        at += info->NextEntryOffset;
    }
    return false;
}

// Whether the directory just listed, below the root, is another product shipped with this
// uninstaller: it holds its own uninstall.exe and conf.xml. It then stays whole.
bool TreeWalk::KeptAsShipped() {
    Level& level = *level_;
    if (!report_.others || !level.up || !Lists(level, UNINSTALLER_FILE) ||
        !Lists(level, CONFIG_FILE))
        return false;
    long long id = 0;
    WideText path;
    PathForm plain = PlainForm(path_);
    calls_.ListedId(level.dir, id);
    if (path.Append(plain.head) && path.Append(plain.rest)) report_.others->KeepShipped(id, path);
    level.kept = true;
    level.next = level.size;  // nothing of it is taken
    return true;
}

// The current directory is listed to its end: it goes, with the root's last files first. One
// that holds another application stays, and so does every folder above it. A root that
// another program holds goes at the next restart, once empty.
DWORD TreeWalk::Finish() {
    Level& level = *level_;
    if (level.keep) return ERROR_SUCCESS;
    for (const wchar_t* const* last = level.up ? nullptr : lastFiles_; last && *last; ++last) {
        ScopedFile file;
        DWORD attributes, tag;
        // Not tried again: the uninstaller that a quiet run started waits in here, and moves
        // out (or goes at the next restart) when nothing else is left.
        if (calls_.Open(level.dir, *last, FILE_READ_ATTRIBUTES, FILE_NON_DIRECTORY_FILE, file) !=
                ERROR_SUCCESS ||
            calls_.Attributes(file.get(), attributes, tag) != ERROR_SUCCESS)
            continue;
        file.reset();
        DWORD code = report_.countOnly ? ERROR_SUCCESS : RemoveFile(*last, attributes, file);
        bool scheduled = false;
        if (InUse(code) && file.valid() && MoveAside(report_.pending, file.get(), scheduled)) {
            LogLine() << "moved the running " << path_ << "\\" << *last << " to "
                      << report_.pending.aside
                      << (scheduled ? ", which goes at the next restart" : "");
            code = ERROR_SUCCESS;
        }
        code = Counted(code, *last, false, file.get());
        if (code != ERROR_SUCCESS) return code;
    }
    if (level.kept) return ERROR_SUCCESS;
    if (!level.up && !rootDeletable_ && !report_.countOnly) {
        DWORD code =
            report_.pending.network ? ERROR_SHARING_VIOLATION : calls_.ScheduleDelete(path_);
        if (code == ERROR_SUCCESS) {
            ++report_.pending.scheduled;
            PathForm plain = PlainForm(path_);
            LogLine(LogLevel::Warn) << "another program holds " << plain.head << plain.rest
                                    << " open (as its current folder, say): it goes at the "
                                    << "next restart, empty";
        }
        return code == ERROR_SUCCESS ? code : Failed(code, nullptr);
    }
    return Remove(nullptr, true, [&] { return deleter_.Delete(level.dir, level.attributes); },
                  &level.dir);
}

DWORD TreeWalk::Run(HANDLE root, const wchar_t* path) {
    if (!path_.Append(path)) return ERROR_NOT_ENOUGH_MEMORY;
    rootLength_ = path_.Length();
    DWORD attributes, tag;
    DWORD code = calls_.Attributes(root, attributes, tag);
    if (code != ERROR_SUCCESS) return code;
    report_.pending.network = calls_.OnNetworkVolume(root);
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkReparseTag(tag)) {
        path_.Truncate(LastComponent(path_) - path_.Text());
        return Remove(LastComponent(path), false,
                      [&] { return calls_.Dispose(root, RemovalCalls::kClassic); }, nullptr);
    }
    // Opened without the right to remove it: another program holds it.
    ACCESS_MASK access = 0;  // FILE_ACCESS_INFORMATION: what the handle was opened with
    IO_STATUS_BLOCK io;
    rootDeletable_ = NtQueryInformationFile(root, &io, &access, sizeof(access),
                                            kFileAccessInformation) < 0 ||
                     (access & DELETE);
    if (wine_) {
        if (calls_.Name(root, rootName_, root_, rootNameLength_) != ERROR_SUCCESS)
            return ERROR_CANT_RESOLVE_FILENAME;
        // The root's own name may end in a separator ("\Device\...\"); its entries add their own.
        while (rootNameLength_ && root_[rootNameLength_ - 1] == L'\\') --rootNameLength_;
    }
    if (!Enter(root, nullptr, attributes)) return ERROR_NOT_ENOUGH_MEMORY;
    for (bool listed = false;;) {
        if (!listed) {
            code = ReadListing(*level_);
            listed = true;
            if (code != ERROR_SUCCESS) {
                // It cannot be listed: it stays, and its parent (or the caller) finds it there.
                level_->keep = true;
                code = ERROR_NO_MORE_FILES;
            } else if (KeptAsShipped()) {
                code = ERROR_NO_MORE_FILES;
            }
        }
        Entry entry;
        if (code != ERROR_NO_MORE_FILES) code = NextEntry(entry);
        if (code == ERROR_SUCCESS) {
            Level* before = level_;
            code = Visit(entry);
            if (code != ERROR_SUCCESS) return code;
            if (level_ != before) listed = false;  // entered: list the new level
            ShowProgress();
            continue;
        }
        code = code == ERROR_NO_MORE_FILES ? Finish() : Failed(code, nullptr);
        Leave();
        if (code != ERROR_SUCCESS || !level_) return code;
    }
}

// The literal ("\\?\") form of dir's full path. Only through it do the system's path rules
// leave names alone that end in a dot or a blank or are all dots ("..."), and only through
// it may a path be longer than MAX_PATH.
bool LiteralPath(const wchar_t* dir, WideText& literal) {
    WideText full;
    if (FullPath(dir, full) != ERROR_SUCCESS) return false;
    // Without its trailing separators, but for a drive's root ("C:\").
    size_t length = TrimmedLength(full);
    full.Truncate(length < 3 ? 3 : length);
    PathForm form = LiteralForm(full);
    return literal.Append(form.head) && literal.Append(form.rest);
}

}  // namespace

DWORD OpenDirectory(const wchar_t* dir, WideText& literal, ScopedFile& opened) {
    if (!LiteralPath(dir, literal)) return ERROR_NOT_ENOUGH_MEMORY;
    RemovalCalls& calls = Calls();
    // A program that starts in the directory holds it for a moment (a second uninstall on
    // its way out, say): it is tried again for about two seconds, as files are.
    DWORD code = RetryWhileHeld(
        [&] { return calls.Open(nullptr, literal, kDirectoryAccess, FILE_DIRECTORY_FILE, opened); },
        [](DWORD failed) { return failed == ERROR_SHARING_VIOLATION; });
    // Without the rights to remove it, still to tell what it is; held for longer, to empty it.
    if (code == ERROR_ACCESS_DENIED)
        code = calls.Open(nullptr, literal, FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_DIRECTORY_FILE,
                          opened);
    else if (code == ERROR_SHARING_VIOLATION)
        code = calls.Open(nullptr, literal, kListingAccess, FILE_DIRECTORY_FILE, opened);
    if (code != ERROR_SUCCESS) return code;
    DWORD attributes, tag;
    code = calls.Attributes(opened.get(), attributes, tag);
    if (code != ERROR_SUCCESS) return code;
    // A link the system opened as itself is what the caller removes; one it followed is not.
    if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && IsLinkReparseTag(tag)) return ERROR_SUCCESS;
    if (!(attributes & FILE_ATTRIBUTE_DIRECTORY)) return ERROR_DIRECTORY;
    return OpenedAsNamed(opened.get(), literal) ? ERROR_SUCCESS : ERROR_CANT_RESOLVE_FILENAME;
}

DWORD RemoveEmptyFolder(const wchar_t* dir) {
    WideText literal;
    ScopedFile opened;
    RemovalCalls& calls = Calls();
    DWORD attributes, tag, code = OpenDirectory(dir, literal, opened);
    if (code == ERROR_SUCCESS) code = calls.Attributes(opened.get(), attributes, tag);
    if (code != ERROR_SUCCESS) return code;
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT) return ERROR_CANT_RESOLVE_FILENAME;
    // Its listing is asked first: Wine takes the removal of a folder that is not empty.
    alignas(8) unsigned char listing[4096];
    for (bool restart = true;; restart = false) {
        ULONG bytes = 0;
        code = calls.List(opened.get(), listing, sizeof(listing), restart, bytes);
        if (code == ERROR_NO_MORE_FILES) break;
        if (code != ERROR_SUCCESS) return code;
        for (ULONG at = 0;;) {
            const auto* info = reinterpret_cast<const FileIdFullDirInformation*>(listing + at);
            size_t length = info->FileNameLength / sizeof(wchar_t);
            if (length > 2 || info->FileName[0] != L'.' ||
                (length == 2 && info->FileName[1] != L'.'))
                return ERROR_DIR_NOT_EMPTY;
            if (!info->NextEntryOffset) break;
            at += info->NextEntryOffset;
        }
    }
    code = calls.Dispose(opened.get(), RemovalCalls::kClassic);
    opened.reset();
    return code;
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
    if (IsGone(code)) return ERROR_SUCCESS;
    if (code != ERROR_SUCCESS) return code;
    return DeleteTree(opened.get(), literal, recurse, lastFiles, report ? *report : unreported);
}
