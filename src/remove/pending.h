// What another program holds: tried again for a moment (a virus scanner, the shell), then
// moved out of the tree into a folder of the run's own and left for the next restart, where
// the system allows that.
#pragma once
#include <windows.h>

#include "base/handles.h"
#include "base/text.h"
#include "remove/calls.h"

// Where what another program holds goes, and what has gone there: the run's own folder made in
// `in` on first need, under a name nobody can guess, where each entry moves under a number and
// is scheduled for the next restart; and aside, where one of the uninstaller's own files in
// use moves instead. Nothing moves on a network volume.
struct PendingMoves {
    const wchar_t* in = nullptr;
    const wchar_t* aside = nullptr;
    bool network = false;  // the tree lies on a network volume
    unsigned long scheduled = 0;
    WideText folder;    // the run's own folder, once something went there
    ScopedFile handle;  // that folder, open to take entries
};

// Errors that say another program holds the entry, rather than that it may not go.
bool InUse(DWORD code);

// Runs step again while worth(code) says its failure may pass, for about two seconds.
template <typename Step, typename Worth>
DWORD RetryWhileHeld(Step step, Worth worth) {
    DWORD code = step();
    for (DWORD wait = 100, waited = 0; worth(code) && waited < 2000 && Calls().Wait(wait);
         waited += wait, wait = wait < 400 ? wait * 2 : 500)
        code = step();
    return code;
}

// Moves the opened entry into the run's own folder under a number, and has the next restart
// remove it there. Where that cannot be arranged it goes back to its name in from. False
// when it stays where it was.
bool MoveToPending(PendingMoves& moves, HANDLE entry, HANDLE from, const wchar_t* name);
// Moves the opened entry aside, from where it goes at the next restart where that can be
// arranged (scheduled).
bool MoveAside(PendingMoves& moves, HANDLE entry, bool& scheduled);
