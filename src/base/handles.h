// Owners for the Windows handles and blocks the uninstaller opens: each closes what it owns
// once, when it goes, knows the value its kind uses for "none", and can be moved.
#pragma once
#include <windows.h>
// ConvertStringSecurityDescriptorToSecurityDescriptorW
#include <sddl.h>

// Every share mode: what the uninstaller opens never stands in anyone's way.
const DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

template <typename Kind>
class Owned {
public:
    using Handle = typename Kind::Handle;
    explicit Owned(Handle handle = Kind::None()) : handle_(handle) {}
    ~Owned() { reset(); }
    Owned(Owned&& other) : handle_(other.release()) {}
    Owned& operator=(Owned&& other) {
        if (this != &other) reset(other.release());
        return *this;
    }
    Owned(const Owned&) = delete;
    Owned& operator=(const Owned&) = delete;
    Handle get() const { return handle_; }
    bool valid() const { return handle_ != Kind::None(); }
    Handle* receive() { return &handle_; }  // for calls that return the handle through a pointer
    Handle release() {
        Handle handle = handle_;
        handle_ = Kind::None();
        return handle;
    }
    // Closes what it owns and takes handle; the last error stays what the caller's last
    // call left, so that a failed open's code survives closing what stood before.
    void reset(Handle handle = Kind::None()) {
        if (valid()) {
            DWORD error = GetLastError();
            Kind::Close(handle_);
            SetLastError(error);
        }
        handle_ = handle;
    }

private:
    Handle handle_;
};

struct KernelHandle {  // processes, threads, events, mutexes: null for none
    using Handle = HANDLE;
    static HANDLE None() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct FileHandle {  // CreateFile gives INVALID_HANDLE_VALUE for none
    using Handle = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct KeyHandle {
    using Handle = HKEY;
    static HKEY None() { return nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};
struct GdiObject {  // fonts, brushes
    using Handle = HGDIOBJ;
    static HGDIOBJ None() { return nullptr; }
    static void Close(HGDIOBJ object) { DeleteObject(object); }
};
struct HeapBlock {  // from the process heap (HeapAlloc): no C library header, whose C++
    using Handle = void*;  // wrappers would switch on mingw's own printf
    static void* None() { return nullptr; }
    static void Close(void* block) { HeapFree(GetProcessHeap(), 0, block); }
};
struct LocalBlock {  // what the system gave through LocalAlloc
    using Handle = HLOCAL;
    static HLOCAL None() { return nullptr; }
    static void Close(HLOCAL block) { LocalFree(block); }
};

using ScopedHandle = Owned<KernelHandle>;
using ScopedFile = Owned<FileHandle>;
using ScopedKey = Owned<KeyHandle>;
using ScopedGdiObject = Owned<GdiObject>;
using ScopedBlock = Owned<HeapBlock>;

// The process and thread handles of a started process.
struct StartedProcess {
    ScopedHandle process, thread;
    // Takes over what CreateProcess filled in.
    void Take(const PROCESS_INFORMATION& info) {
        process.reset(info.hProcess);
        thread.reset(info.hThread);
    }
};

// A mutex known by its name to every process of the machine: one holder at a time. Every
// account may wait for it and let go of it, whoever made it, so that a run as SYSTEM and a
// user's run see each other. An invalid or empty name gives a lock that is never taken.
class NamedLock {
public:
    NamedLock() = default;
    explicit NamedLock(const wchar_t* name) { Open(name); }
    void Open(const wchar_t* name) {
        if (!*name) return;
        // SYSTEM and administrators all rights; every signed-in account to wait and release.
        Owned<LocalBlock> descriptor;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x100001;;;AU)", SDDL_REVISION_1, descriptor.receive(),
            nullptr);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor.get(), FALSE};
        handle_.reset(CreateMutexExW(descriptor.valid() ? &attributes : nullptr, name, 0,
                                     SYNCHRONIZE | MUTEX_MODIFY_STATE));
    }
    ~NamedLock() { Release(); }
    NamedLock(const NamedLock&) = delete;
    NamedLock& operator=(const NamedLock&) = delete;
    // Takes the lock, waiting up to waitMs for its holder (0: only when nobody holds it now).
    // A holder that ended without letting go has let go.
    bool Take(DWORD waitMs) {
        DWORD taken = handle_.valid() ? WaitForSingleObject(handle_.get(), waitMs) : WAIT_FAILED;
        held_ = taken == WAIT_OBJECT_0 || taken == WAIT_ABANDONED;
        return held_;
    }
    void Release() {
        if (held_) ReleaseMutex(handle_.get());
        held_ = false;
    }

private:
    ScopedHandle handle_;
    bool held_ = false;
};
