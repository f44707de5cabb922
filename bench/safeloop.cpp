// The floor of a link-safe removal under Wine, which shows a link to a file exactly as the
// file: each directory opened relative to its parent and listed, each file opened relative
// to its directory, its name asked of the system and checked, and deleted through its
// handle; each directory deleted through its handle once empty. Nothing else.
// Usage: safeloop.exe DIR
#include <windows.h>
#include <winternl.h>

#include <string>
#include <vector>

extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                               PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN,
                                               PUNICODE_STRING, BOOLEAN);

struct Listed {  // FILE_ID_FULL_DIR_INFORMATION
    ULONG next, index;
    LARGE_INTEGER times[4], size, allocation;
    ULONG attributes, nameBytes, ea;
    LARGE_INTEGER id;
    WCHAR name[1];
};

static HANDLE OpenIn(HANDLE dir, const std::wstring& name, ACCESS_MASK access, ULONG options) {
    UNICODE_STRING text = {USHORT(name.size() * 2), USHORT(name.size() * 2),
                           const_cast<wchar_t*>(name.c_str())};
    OBJECT_ATTRIBUTES attributes = {sizeof(attributes), dir, &text, 0, nullptr, nullptr};
    IO_STATUS_BLOCK io;
    HANDLE handle;
    return NtOpenFile(&handle, access | SYNCHRONIZE, &attributes, &io, 7,
                      options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT) >= 0
               ? handle
               : nullptr;
}

static bool EndsWithName(HANDLE file, const std::wstring& name) {
    static wchar_t buffer[32768];
    ULONG returned;
    if (NtQueryObject(file, ObjectNameInformation, buffer, sizeof(buffer), &returned) < 0)
        return false;
    const UNICODE_STRING& full = reinterpret_cast<OBJECT_NAME_INFORMATION*>(buffer)->Name;
    size_t n = full.Length / 2;
    return n > name.size() && full.Buffer[n - name.size() - 1] == L'\\' &&
           std::wstring(full.Buffer + n - name.size(), name.size()) == name;
}

static void Dispose(HANDLE handle) {
    FILE_DISPOSITION_INFO disposition = {TRUE};
    SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof(disposition));
}

static void RemoveTree(HANDLE dir) {
    std::vector<unsigned char> buffer(16384);  // one per level: the walk recurses
    unsigned char* listing = buffer.data();
    IO_STATUS_BLOCK io;
    for (BOOLEAN restart = TRUE;
         NtQueryDirectoryFile(dir, nullptr, nullptr, nullptr, &io, listing, buffer.size(),
                              static_cast<FILE_INFORMATION_CLASS>(38), FALSE, nullptr,
                              restart) >= 0;
         restart = FALSE) {
        for (ULONG at = 0;;) {
            const Listed* entry = reinterpret_cast<const Listed*>(listing + at);
            std::wstring name(entry->name, entry->nameBytes / 2);
            if (name != L"." && name != L"..") {
                bool directory = entry->attributes & FILE_ATTRIBUTE_DIRECTORY;
                HANDLE opened = OpenIn(dir, name, DELETE | (directory ? FILE_LIST_DIRECTORY : 0),
                                       directory ? FILE_DIRECTORY_FILE : FILE_NON_DIRECTORY_FILE);
                if (opened) {
                    if (directory)
                        RemoveTree(opened);
                    else if (EndsWithName(opened, name))
                        Dispose(opened);
                    CloseHandle(opened);
                }
            }
            if (!entry->next) break;
            at += entry->next;
        }
    }
    Dispose(dir);
}

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    HANDLE root = CreateFileW(argv[1], DELETE | FILE_LIST_DIRECTORY | SYNCHRONIZE, 7, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (root == INVALID_HANDLE_VALUE) return 1;
    RemoveTree(root);
    CloseHandle(root);
    return GetFileAttributesW(argv[1]) == INVALID_FILE_ATTRIBUTES ? 0 : 1;
}
