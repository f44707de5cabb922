// Owners for the three kinds of Windows handle the uninstaller opens.
#pragma once
#include <windows.h>

class ScopedHandle {  // kernel object; null means none
public:
    explicit ScopedHandle(HANDLE h = nullptr) : h_(h) {}
    ~ScopedHandle() { if (h_) CloseHandle(h_); }
    ScopedHandle(const ScopedHandle&) = delete;
    ScopedHandle& operator=(const ScopedHandle&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

class ScopedFind {  // FindFirstFileA search; INVALID_HANDLE_VALUE means none
public:
    explicit ScopedFind(HANDLE h) : h_(h) {}
    ~ScopedFind() { if (h_ != INVALID_HANDLE_VALUE) FindClose(h_); }
    ScopedFind(const ScopedFind&) = delete;
    ScopedFind& operator=(const ScopedFind&) = delete;
    HANDLE get() const { return h_; }

private:
    HANDLE h_;
};

class ScopedKey {  // registry key; null means none
public:
    ScopedKey() = default;
    ~ScopedKey() { if (h_) RegCloseKey(h_); }
    ScopedKey(const ScopedKey&) = delete;
    ScopedKey& operator=(const ScopedKey&) = delete;
    HKEY get() const { return h_; }
    HKEY* receive() { return &h_; }

private:
    HKEY h_ = nullptr;
};
