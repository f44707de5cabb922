#include "sysloc/locks.h"

#include "base/names.h"
#include "base/text.h"
#include "sysloc/sysloc.h"

ApplicationLock::ApplicationLock(const wchar_t* installDir) {
    WideText path, name;
    if ((CanonicalPath(installDir, path) == ERROR_SUCCESS ||
         FullPath(installDir, path) == ERROR_SUCCESS) &&
        UninstallLockName(path, L"Global\\VORNAuninstall-", name))
        Open(name);
}
