#include "remove/calls.h"

#include <string.h>
#include <wchar.h>
#include <winternl.h>

// ntdll's listing call, which the headers leave out.
extern "C" NTSTATUS NTAPI NtQueryDirectoryFile(HANDLE, HANDLE, PIO_APC_ROUTINE, PVOID,
                                               PIO_STATUS_BLOCK, PVOID, ULONG,
                                               FILE_INFORMATION_CLASS, BOOLEAN,
                                               PUNICODE_STRING, BOOLEAN);

namespace {

// The one listing with file IDs but no short names: making those costs Wine a great deal.
const auto kFileIdFullDirectoryInformation = static_cast<FILE_INFORMATION_CLASS>(38);
const auto kFileDispositionInformationEx = static_cast<FILE_INFORMATION_CLASS>(64);
const ULONG kDispositionDelete = 0x1, kDispositionPosix = 0x2, kDispositionIgnoreReadOnly = 0x10;
const auto kFileFsDeviceInformation = static_cast<FS_INFORMATION_CLASS>(4);
// FileIdInfo and its FILE_ID_INFO, which Windows 8 brought (the headers show them from there).
const auto kFileIdInfo = static_cast<FILE_INFO_BY_HANDLE_CLASS>(18);
struct FileIdInformation {
    ULONGLONG VolumeSerialNumber;
    BYTE Identifier[16];
};
const ULONG kRemoteDevice = 0x10;
const NTSTATUS kStatusDeletePending = static_cast<NTSTATUS>(0xC0000056);

DWORD CodeOf(NTSTATUS status) {
    if (status == kStatusDeletePending) return ERROR_DELETE_PENDING;
    return status >= 0 ? ERROR_SUCCESS : RtlNtStatusToDosError(status);
}

// A call's code: a failure that leaves no code (as Wine's MoveFileEx may) is still one.
DWORD LastError(BOOL ok) {
    DWORD code = ok ? ERROR_SUCCESS : GetLastError();
    return ok || code != ERROR_SUCCESS ? code : ERROR_GEN_FAILURE;
}

// name in dir, as the system's calls take it; text holds the name.
OBJECT_ATTRIBUTES NameIn(HANDLE dir, const wchar_t* name, UNICODE_STRING& text) {
    USHORT bytes = static_cast<USHORT>(wcslen(name) * sizeof(wchar_t));
    text = {bytes, bytes, const_cast<wchar_t*>(name)};
    return {sizeof(OBJECT_ATTRIBUTES), dir, &text, 0, nullptr, nullptr};
}

RemovalCalls g_system;
RemovalCalls* g_calls = &g_system;

}  // namespace

DWORD RemovalCalls::Open(HANDLE dir, const wchar_t* name, ACCESS_MASK access, ULONG options,
                         ScopedFile& opened) {
    if (!dir) {
        DWORD flags = FILE_FLAG_OPEN_REPARSE_POINT |
                      (options & FILE_DIRECTORY_FILE ? FILE_FLAG_BACKUP_SEMANTICS : 0);
        opened.reset(CreateFileW(name, access, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
        return LastError(opened.valid());
    }
    UNICODE_STRING text;
    OBJECT_ATTRIBUTES attributes = NameIn(dir, name, text);
    IO_STATUS_BLOCK io;
    HANDLE handle;
    NTSTATUS status = NtOpenFile(&handle, access | SYNCHRONIZE, &attributes, &io, kShareAll,
                                 options | FILE_OPEN_REPARSE_POINT | FILE_SYNCHRONOUS_IO_NONALERT);
    opened.reset(status >= 0 ? handle : INVALID_HANDLE_VALUE);
    return CodeOf(status);
}

DWORD RemovalCalls::Create(HANDLE dir, const wchar_t* name, ScopedFile& created) {
    UNICODE_STRING text;
    OBJECT_ATTRIBUTES attributes = NameIn(dir, name, text);
    IO_STATUS_BLOCK io;
    HANDLE handle;
    NTSTATUS status = NtCreateFile(&handle, DELETE | SYNCHRONIZE, &attributes, &io, nullptr,
                                   FILE_ATTRIBUTE_NORMAL, kShareAll, FILE_CREATE,
                                   FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT,
                                   nullptr, 0);
    created.reset(status >= 0 ? handle : INVALID_HANDLE_VALUE);
    return CodeOf(status);
}

DWORD RemovalCalls::List(HANDLE dir, void* buffer, ULONG size, bool restart, ULONG& bytes) {
    IO_STATUS_BLOCK io;
    NTSTATUS status = NtQueryDirectoryFile(dir, nullptr, nullptr, nullptr, &io, buffer, size,
                                           kFileIdFullDirectoryInformation, FALSE, nullptr,
                                           restart);
    bytes = status >= 0 ? static_cast<ULONG>(io.Information) : 0;
    return CodeOf(status);
}

// Not GetFileInformationByHandle: it asks for the volume too, which Wine answers slowly.
DWORD RemovalCalls::Attributes(HANDLE entry, DWORD& attributes, DWORD& tag) {
    FILE_ATTRIBUTE_TAG_INFO info;
    BOOL ok = GetFileInformationByHandleEx(entry, FileAttributeTagInfo, &info, sizeof(info));
    attributes = ok ? info.FileAttributes : INVALID_FILE_ATTRIBUTES;
    tag = ok ? info.ReparseTag : 0;
    return LastError(ok);
}

DWORD RemovalCalls::Identity(HANDLE entry, FileIdentity& identity) {
    identity = {};
    FileIdInformation info;
    if (GetFileInformationByHandleEx(entry, kFileIdInfo, &info, sizeof(info))) {
        identity.volume = info.VolumeSerialNumber;
        memcpy(&identity.low, info.Identifier, 8);
        memcpy(&identity.high, info.Identifier + 8, 8);
        return ERROR_SUCCESS;
    }
    BY_HANDLE_FILE_INFORMATION file;  // before Windows 8, and on file systems without it
    if (!GetFileInformationByHandle(entry, &file)) return GetLastError();
    identity.volume = file.dwVolumeSerialNumber;
    identity.low =
        (static_cast<unsigned long long>(file.nFileIndexHigh) << 32) | file.nFileIndexLow;
    return ERROR_SUCCESS;
}

DWORD RemovalCalls::ListedId(HANDLE entry, long long& id) {
    LARGE_INTEGER internal;  // FILE_INTERNAL_INFORMATION
    IO_STATUS_BLOCK io;
    NTSTATUS status =
        NtQueryInformationFile(entry, &io, &internal, sizeof(internal), FileInternalInformation);
    id = status >= 0 ? internal.QuadPart : 0;
    return CodeOf(status);
}

DWORD RemovalCalls::Name(HANDLE entry, WideText& room, const wchar_t*& name, size_t& length) {
    const ULONG bytes = 65536 + sizeof(OBJECT_NAME_INFORMATION);
    room.Truncate(0);
    wchar_t* buffer = room.Room(bytes / sizeof(wchar_t));
    if (!buffer) return ERROR_NOT_ENOUGH_MEMORY;
    ULONG returned;
    NTSTATUS status = NtQueryObject(entry, ObjectNameInformation, buffer, bytes, &returned);
    if (status < 0) return CodeOf(status);
    const UNICODE_STRING& text = reinterpret_cast<OBJECT_NAME_INFORMATION*>(buffer)->Name;
    name = text.Buffer;
    length = text.Length / sizeof(wchar_t);
    return ERROR_SUCCESS;
}

DWORD RemovalCalls::Dispose(HANDLE entry, Disposal how) {
    IO_STATUS_BLOCK io;
    if (how != kClassic) {
        ULONG flags = kDispositionDelete | kDispositionPosix |
                      (how == kPosixOverReadOnly ? kDispositionIgnoreReadOnly : 0);
        return CodeOf(NtSetInformationFile(entry, &io, &flags, sizeof(flags),
                                           kFileDispositionInformationEx));
    }
    FILE_DISPOSITION_INFO disposition = {TRUE};
    return LastError(SetFileInformationByHandle(entry, FileDispositionInfo, &disposition,
                                                sizeof(disposition)));
}

DWORD RemovalCalls::SetAttributes(HANDLE entry, DWORD attributes) {
    FILE_BASIC_INFO basic = {};  // zero times stay as they are
    basic.FileAttributes = attributes;
    return LastError(SetFileInformationByHandle(entry, FileBasicInfo, &basic, sizeof(basic)));
}

// The system's call, which takes the name as it stands; the kernel32 one may make a relative
// name a full path. FILE_RENAME_INFO has the layout of the system's FILE_RENAME_INFORMATION.
DWORD RemovalCalls::Rename(HANDLE entry, HANDLE dir, const wchar_t* name, bool replace) {
    size_t bytes = wcslen(name) * sizeof(wchar_t), size = sizeof(FILE_RENAME_INFO) + bytes;
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

DWORD RemovalCalls::ScheduleDelete(const wchar_t* path) {
    return LastError(MoveFileExW(path, nullptr, MOVEFILE_DELAY_UNTIL_REBOOT));
}

bool RemovalCalls::Wait(DWORD ms) {
    static DWORD budgetMs = 10000;
    if (budgetMs < ms) return false;
    budgetMs -= ms;
    Sleep(ms);
    return true;
}

bool RemovalCalls::OnNetworkVolume(HANDLE entry) {
    struct {
        ULONG deviceType, characteristics;  // FILE_FS_DEVICE_INFORMATION
    } device = {};
    IO_STATUS_BLOCK io;
    return NtQueryVolumeInformationFile(entry, &io, &device, sizeof(device),
                                        kFileFsDeviceInformation) >= 0 &&
           (device.characteristics & kRemoteDevice);
}

bool RemovalCalls::IsWine() {
    // Wine's ntdll says so by the function only it has.
    return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr;
}

RemovalCalls& Calls() { return *g_calls; }

CallsForTesting::CallsForTesting(RemovalCalls& calls) : saved_(g_calls) { g_calls = &calls; }

CallsForTesting::~CallsForTesting() { g_calls = saved_; }
