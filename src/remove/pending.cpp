#include "remove/pending.h"

#include <wchar.h>

#include "base/names.h"
#include "remove/calls.h"
#include "remove/tree.h"
#include "remove/unlink.h"

namespace {

// The run's own folder for what stays in use, made in report.pendingIn under a name nobody
// can guess, so that no one can have put anything there.
bool MakePendingFolder(TreeReport& report) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        wchar_t name[64];
        if (!RandomName(L"VORNAuninstall-pending.", name) ||
            !report.pending.Assign(report.pendingIn) || !JoinPath(report.pending, name))
            break;
        if (CreateDirectoryW(report.pending, nullptr)) {
            report.pendingDir.reset(CreateFileW(report.pending,
                                                FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY,
                                                FILE_SHARE_READ | FILE_SHARE_WRITE |
                                                    FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING,
                                                FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            if (report.pendingDir.valid()) return true;
            RemoveDirectoryW(report.pending);
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    report.pending.Truncate(0);
    return false;
}

}  // namespace

bool InUse(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == ERROR_USER_MAPPED_FILE;
}

bool MoveToPending(TreeReport& report, HANDLE entry, HANDLE from, const wchar_t* name) {
    // A network volume keeps nothing for a restart: the system cannot act on it then.
    if (!report.pendingIn || report.network || entry == INVALID_HANDLE_VALUE || !from ||
        (!report.pendingDir.valid() && !MakePendingFolder(report)))
        return false;
    RemovalCalls& calls = Calls();
    wchar_t number[16];
    swprintf(number, 16, L"%lu", report.scheduled + 1);
    WideText moved;
    if (!moved.Append(report.pending) || !JoinPath(moved, number) ||
        calls.Rename(entry, report.pendingDir.get(), number, false) != ERROR_SUCCESS)
        return false;
    if (calls.ScheduleDelete(moved) == ERROR_SUCCESS) {
        ++report.scheduled;
        return true;
    }
    calls.Rename(entry, from, name, false);  // it stays where it was, and the run says so
    return false;
}

bool MoveAside(TreeReport& report, HANDLE entry, bool& scheduled) {
    WideText target;
    RemovalCalls& calls = Calls();
    if (!report.aside || !target.Append(L"\\??\\") || !target.Append(report.aside) ||
        calls.Rename(entry, nullptr, target, true) != ERROR_SUCCESS)
        return false;
    scheduled = calls.ScheduleDelete(report.aside) == ERROR_SUCCESS;
    return true;
}
