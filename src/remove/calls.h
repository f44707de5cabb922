// The system calls the removal makes, in one room: opening relative to a folder's handle,
// listing, asking what an opened entry is, deleting, renaming, scheduling for the next
// restart and the facts of a volume. Every result is a Windows error code. The removal asks
// them through RemovalCalls(); a test may stand another set in their place, to replay what
// Windows does and Wine never shows.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"
#include "sysloc/sysloc.h"  // ERROR_DELETE_PENDING, IsGone

// What identifies a file or directory: its volume and its ID there. Zero is unknown.
struct FileIdentity {
    unsigned long long volume;
    unsigned long long high, low;  // a 128-bit ID, or a 64-bit one in low
};

class RemovalCalls {
public:
    virtual ~RemovalCalls() = default;

    // name in dir (or, without dir, the full path name), opened as itself: a link the system
    // can tell from its target is not followed. Shared for reading, writing and deleting.
    virtual DWORD Open(HANDLE dir, const wchar_t* name, ACCESS_MASK access, ULONG options,
                       ScopedFile& opened);
    // Makes a new empty file name in dir, opened for deleting.
    virtual DWORD Create(HANDLE dir, const wchar_t* name, ScopedFile& created);
    // Fills buffer with the next entries of dir (with restart, its first); bytes tells how
    // much was written. ERROR_NO_MORE_FILES at its end.
    virtual DWORD List(HANDLE dir, void* buffer, ULONG size, bool restart, ULONG& bytes);
    // The opened entry's attributes and reparse tag.
    virtual DWORD Attributes(HANDLE entry, DWORD& attributes, DWORD& tag);
    // Its identity: the 128-bit ID and 64-bit volume serial where the system gives them, else
    // the 64-bit ID and the 32-bit serial.
    virtual DWORD Identity(HANDLE entry, FileIdentity& identity);
    // The 64-bit ID listings give.
    virtual DWORD ListedId(HANDLE entry, long long& id);
    // The system's name of the opened object ("\Device\...\dir\name"), in room.
    virtual DWORD Name(HANDLE entry, WideText& room, const wchar_t*& name, size_t& length);
    // Marks the opened entry for deletion: the classic way, its name going when the last
    // handle closes; or the POSIX way (Windows 10 1809 and later, on NTFS), its name going at
    // once, and with overReadOnly a read-only entry as well.
    enum Disposal { kClassic, kPosix, kPosixOverReadOnly };
    virtual DWORD Dispose(HANDLE entry, Disposal how);
    virtual DWORD SetAttributes(HANDLE entry, DWORD attributes);
    // Gives the entry the name `name` in dir (or, without dir, the full path name in the
    // system's form), replacing what has that name there when asked.
    virtual DWORD Rename(HANDLE entry, HANDLE dir, const wchar_t* name, bool replace);
    // Has the next restart delete path, when it is still there (a folder: when empty).
    virtual DWORD ScheduleDelete(const wchar_t* path);
    // Waits ms for a holder to let go, drawing on the run's time for that: holds that
    // outlast one entry's two seconds draw on it, so that many held files do not stall the
    // run. False, without waiting, when it is spent.
    virtual bool Wait(DWORD ms);
    // Whether the entry lies on a network volume, where nothing can be done at a restart.
    virtual bool OnNetworkVolume(HANDLE entry);
    // Whether this is Wine, which Windows never needs paid for: it shows a link to a file
    // exactly as the file (only the name an opened file reports tells the two apart), and
    // keeps a folder whose removal it took while a deleted name in it was still held.
    virtual bool IsWine();
};

// The calls the removal makes now.
RemovalCalls& Calls();

// For a test's scope, calls stands in for the system's.
class CallsForTesting {
public:
    explicit CallsForTesting(RemovalCalls& calls);
    ~CallsForTesting();
    CallsForTesting(const CallsForTesting&) = delete;
    CallsForTesting& operator=(const CallsForTesting&) = delete;

private:
    RemovalCalls* saved_;
};
