#include "app/uninstall.h"

#include <windows.h>

#include "app/boxes.h"
#include "app/messages.h"
#include "base/names.h"
#include "remove/removal.h"
#include "sysloc/sysloc.h"

namespace {

// The temporary directory: "Local AppData"\Temp when it exists, else C:\Windows\Temp.
int ResolveTempDirectory(TextBuffer& tempDirectory) {
    if (GetShellFolderPath("Local AppData", tempDirectory) && tempDirectory.Join("Temp") &&
        PathExists(tempDirectory, nullptr))
        return 1;
    bool isDirectory = false;
    const char* windowsTemp = "C:\\Windows\\Temp";
    if (!PathExists(windowsTemp, &isDirectory) || !isDirectory) return 0;
    return tempDirectory.Copy(windowsTemp);
}

}  // namespace

int uninstall::InitInstance() {
    if (!ParseOptions(SplitCommandLine(GetCommandLineA()), *this))
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_EMPTY_INSTALL_DIR);
    RunUninstall();
    return 1;
}

int uninstall::RunUninstall() {
    TextBuffer tempDirectory;
    if (!ResolveTempDirectory(tempDirectory)) {
        ReportFailure(MSG_FAILED_ONE_BLANK, CODE_NO_TEMP_DIR);
        return 0;
    }
    TextBuffer ownPath;
    if (!GetModulePath(ownPath)) {
        ReportFailure(MSG_FAILED_ONE_BLANK, CODE_NO_MODULE_PATH);
        return 0;
    }
    // The working copy lies directly in the temp directory. Windows paths ignore letter
    // case, and the system may report our path in another case than the temp path was
    // written in.
    if (!LiesDirectlyIn(ownPath, tempDirectory)) return LaunchWorkingCopy(tempDirectory, ownPath);

    if (!m_installDir || !*m_installDir) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_NO_INSTALL_DIR);
        return 0;
    }
    TextBuffer installDir;
    if (CheckInstallDir(m_installDir, installDir) == kInstallDirRefused) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_DIR_REFUSED);
        return 0;
    }
    if (!ConfirmUninstall()) return 0;
    if (!CheckRunningPrograms()) return 0;
    if (!RemoveShortcuts()) return 0;
    if (!RemoveInstallDir()) {
        ReportFailure(MSG_FAILED_TWO_BLANKS, CODE_REMOVAL_INCOMPLETE);
        return 0;
    }
    RemoveUninstallEntries();
    ShowMessage(MSG_SUCCEEDED);
    return 1;
}
