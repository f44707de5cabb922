#include "relocate/copy.h"

#include <string.h>
#include <wchar.h>

#include "base/names.h"
#include "remove/unlink.h"
#include "report/log.h"
#include "sysloc/ownfiles.h"
#include "sysloc/sysloc.h"

namespace {

bool SameContents(HANDLE a, HANDLE b) {
    char bufferA[4096], bufferB[4096];
    for (;;) {
        DWORD readA = 0, readB = 0;
        if (!ReadFile(a, bufferA, sizeof(bufferA), &readA, nullptr) ||
            !ReadFile(b, bufferB, sizeof(bufferB), &readB, nullptr) || readA != readB ||
            memcmp(bufferA, bufferB, readA) != 0)
            return false;
        if (readA == 0) return true;
    }
}

// Writes the copy as a new file of its own: whatever stood at its name goes as a name first,
// so nothing is written through a link or into a file that another name shares.
DWORD ReplaceWorkingCopy(const wchar_t* ownPath, const wchar_t* workingCopy) {
    WideText standing;
    DWORD code = CanonicalPath(workingCopy, standing);
    if (code == ERROR_SUCCESS) code = DeleteFileName(standing, true);
    if (code != ERROR_SUCCESS && code != ERROR_FILE_NOT_FOUND) return code;
    return CopyFileW(ownPath, workingCopy, TRUE) ? ERROR_SUCCESS : GetLastError();
}

// A new folder in the temp directory, made by us: a name that exists already is passed over,
// so the copy never goes into a folder someone else made.
DWORD MakeOwnFolder(const wchar_t* tempDirectory, WideText& folder) {
    DWORD number = (GetCurrentProcessId() << 16) ^ GetTickCount();
    for (int attempt = 0; attempt < 100; ++attempt, ++number) {
        wchar_t name[32];
        swprintf(name, 32, WORKING_COPY_FOLDER_PREFIX L"%08lx", number);
        if (!folder.Assign(tempDirectory) || !JoinPath(folder, name))
            return ERROR_NOT_ENOUGH_MEMORY;
        if (CreateDirectoryW(folder, nullptr)) return ERROR_SUCCESS;
        if (GetLastError() != ERROR_ALREADY_EXISTS) return GetLastError();
    }
    return ERROR_ALREADY_EXISTS;
}

}  // namespace

DWORD WriteWorkingCopy(const wchar_t* tempDirectory, const wchar_t* ownPath, bool sharedNameOurs,
                       WideText& workingCopy) {
    if (!workingCopy.Assign(tempDirectory) || !JoinPath(workingCopy, WORKING_COPY_FILE))
        return ERROR_NOT_ENOUGH_MEMORY;
    if (sharedNameOurs) {
        DWORD code = ReplaceWorkingCopy(ownPath, workingCopy);
        if (code == ERROR_SUCCESS) return code;
        LogLine() << "cannot replace " << workingCopy << ": " << SystemMessage(code);
        if (code != ERROR_SHARING_VIOLATION && code != ERROR_ACCESS_DENIED &&
            code != ERROR_FILE_EXISTS)
            return code;
    }
    WideText folder;
    DWORD code = MakeOwnFolder(tempDirectory, folder);
    if (code != ERROR_SUCCESS) return code;
    if (!workingCopy.Assign(folder) || !JoinPath(workingCopy, WORKING_COPY_FILE))
        return ERROR_NOT_ENOUGH_MEMORY;
    return CopyFileW(ownPath, workingCopy, TRUE) ? ERROR_SUCCESS : GetLastError();
}

DWORD StartWorkingCopy(const wchar_t* ownPath, const wchar_t* workingCopy,
                       const WideText& commandLine, const wchar_t* currentDirectory,
                       StartedProcess& copy) {
    ScopedFile held(CreateFileW(workingCopy, GENERIC_READ, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!held.valid()) return GetLastError();
    ScopedFile own(CreateFileW(ownPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE,
                               nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!own.valid()) return GetLastError();
    if (!SameContents(held.get(), own.get())) return ERROR_INVALID_DATA;  // no copy of ours
    STARTUPINFOW startup;
    memset(&startup, 0, sizeof(startup));
    startup.cb = sizeof(startup);
    PROCESS_INFORMATION started;
    // CreateProcessW may write into the line, which is a heap text of ours.
    if (!CreateProcessW(workingCopy, const_cast<wchar_t*>(commandLine.Text()), nullptr, nullptr,
                        FALSE, 0, nullptr, currentDirectory, &startup, &started))
        return GetLastError();
    copy.Take(started);
    return ERROR_SUCCESS;
}
