// The floor of a removal on this system: the bare Win32 delete loop (find, delete, remove
// directory, nothing else) on the same tree the uninstallers remove.
// Usage: bareloop.exe DIR
#include <windows.h>

#include <string>

static void RemoveTree(const std::wstring& dir) {
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &entry);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = entry.cFileName;
            if (name == L"." || name == L"..") continue;
            if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(dir + L"\\" + name);
            else
                DeleteFileW((dir + L"\\" + name).c_str());
        } while (FindNextFileW(search, &entry));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    RemoveTree(argv[1]);
    return GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES ? 0 : 1;
}
