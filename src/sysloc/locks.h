// The machine-wide locks of the uninstall, one namespace for every session (a deployment as
// SYSTEM in session 0 and the user's own run): the shared working copy's name, and one per
// application.
#pragma once
#include "base/handles.h"

#define WORKING_COPY_LOCK L"Global\\VORNAuninstall"

// The lock one uninstall of the application in installDir holds, from phase one's look at it
// until phase two ends: named by a hash of the directory's canonical path (its full path where
// it is gone). The directory itself is never opened for it: a handle, however short, would
// keep a directory that another uninstall removes at that moment in place.
class ApplicationLock : public NamedLock {
public:
    explicit ApplicationLock(const wchar_t* installDir);
};
