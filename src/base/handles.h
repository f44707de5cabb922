// Owners for the Windows handles the uninstaller opens: each closes its handle once, when it
// goes, and knows the value its kind uses for "none".
#pragma once
#include <windows.h>
// ConvertStringSecurityDescriptorToSecurityDescriptorW
#include <sddl.h>

template <typename Kind>
class Owned {
public:
    using Handle = typename Kind::Handle;
    explicit Owned(Handle handle = Kind::None()) : handle_(handle) {}
    ~Owned() {
        if (valid()) Kind::Close(handle_);
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
    void reset(Handle handle = Kind::None()) {
        if (valid()) Kind::Close(handle_);
        handle_ = handle;
    }

private:
    Handle handle_;
};

struct KernelHandle {  // processes, threads: OpenProcess gives null for none
    using Handle = HANDLE;
    static HANDLE None() { return nullptr; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct FileHandle {  // CreateFile gives INVALID_HANDLE_VALUE for none
    using Handle = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { CloseHandle(handle); }
};
struct FindHandle {  // FindFirstFile likewise, and it closes with FindClose
    using Handle = HANDLE;
    static HANDLE None() { return INVALID_HANDLE_VALUE; }
    static void Close(HANDLE handle) { FindClose(handle); }
};
struct KeyHandle {
    using Handle = HKEY;
    static HKEY None() { return nullptr; }
    static void Close(HKEY key) { RegCloseKey(key); }
};

using ScopedHandle = Owned<KernelHandle>;
using ScopedFile = Owned<FileHandle>;
using ScopedFind = Owned<FindHandle>;
using ScopedKey = Owned<KeyHandle>;

// The process and thread handles of a started process.
class StartedProcess {
public:
    StartedProcess() = default;
    ~StartedProcess() {
        if (info_.hThread) CloseHandle(info_.hThread);
        if (info_.hProcess) CloseHandle(info_.hProcess);
    }
    StartedProcess(const StartedProcess&) = delete;
    StartedProcess& operator=(const StartedProcess&) = delete;
    PROCESS_INFORMATION* receive() { return &info_; }
    HANDLE process() const { return info_.hProcess; }

private:
    PROCESS_INFORMATION info_ = {};
};

// A mutex known by its name to every process of the machine: one holder at a time. Every
// account may wait for it and let go of it, whoever made it, so that a run as SYSTEM and a
// user's run see each other. An invalid or empty name gives a lock that is never taken.
class NamedLock {
public:
    explicit NamedLock(const wchar_t* name) {
        if (!*name) return;
        // SYSTEM and administrators all rights; every signed-in account to wait and release.
        PSECURITY_DESCRIPTOR descriptor = nullptr;
        ConvertStringSecurityDescriptorToSecurityDescriptorW(
            L"D:(A;;GA;;;SY)(A;;GA;;;BA)(A;;0x100001;;;AU)", SDDL_REVISION_1, &descriptor,
            nullptr);
        SECURITY_ATTRIBUTES attributes = {sizeof(attributes), descriptor, FALSE};
        handle_.reset(CreateMutexExW(descriptor ? &attributes : nullptr, name, 0,
                                     SYNCHRONIZE | MUTEX_MODIFY_STATE));
        LocalFree(descriptor);
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
