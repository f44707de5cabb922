#include "remove/pending.h"

#include <wchar.h>

#include "base/names.h"
#include "remove/calls.h"
#include "remove/unlink.h"

namespace {

// The run's own folder for what stays in use, made in moves.in under a name nobody
// can guess, so that no one can have put anything there.
bool MakePendingFolder(PendingMoves& moves) {
    for (int attempt = 0; attempt < 8; ++attempt) {
        wchar_t name[64];
        if (!RandomName(L"VORNAuninstall-pending.", name) ||
            !moves.folder.Assign(moves.in) || !JoinPath(moves.folder, name))
            break;
        if (CreateDirectoryW(moves.folder, nullptr)) {
            moves.handle.reset(CreateFileW(moves.folder, FILE_ADD_FILE | FILE_ADD_SUBDIRECTORY,
                                           kShareAll, nullptr, OPEN_EXISTING,
                                           FILE_FLAG_BACKUP_SEMANTICS, nullptr));
            if (moves.handle.valid()) return true;
            RemoveDirectoryW(moves.folder);
            break;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) break;
    }
    moves.folder.Truncate(0);
    return false;
}

}  // namespace

bool InUse(DWORD code) {
    return code == ERROR_SHARING_VIOLATION || code == ERROR_LOCK_VIOLATION ||
           code == ERROR_ACCESS_DENIED || code == ERROR_USER_MAPPED_FILE;
}

bool MoveToPending(PendingMoves& moves, HANDLE entry, HANDLE from, const wchar_t* name) {
    // A network volume keeps nothing for a restart: the system cannot act on it then.
    if (!moves.in || moves.network || entry == INVALID_HANDLE_VALUE || !from ||
        (!moves.handle.valid() && !MakePendingFolder(moves)))
        return false;
    RemovalCalls& calls = Calls();
    wchar_t number[16];
    swprintf(number, 16, L"%lu", moves.scheduled + 1);
    WideText moved;
    if (!moved.Append(moves.folder) || !JoinPath(moved, number) ||
        calls.Rename(entry, moves.handle.get(), number, false) != ERROR_SUCCESS)
        return false;
    if (calls.ScheduleDelete(moved) == ERROR_SUCCESS) {
        ++moves.scheduled;
        return true;
    }
    calls.Rename(entry, from, name, false);  // it stays where it was, and the run says so
    return false;
}

bool MoveAside(PendingMoves& moves, HANDLE entry, bool& scheduled) {
    WideText target;
    RemovalCalls& calls = Calls();
    if (!moves.aside || !target.Append(L"\\??\\") || !target.Append(moves.aside) ||
        calls.Rename(entry, nullptr, target, true) != ERROR_SUCCESS)
        return false;
    scheduled = calls.ScheduleDelete(moves.aside) == ERROR_SUCCESS;
    return true;
}
