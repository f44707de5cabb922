// The uninstaller's own files: the program and its list in the installation directory, and
// the working copy in the temp directory, named after the program. Where that name is in
// use, the working copy lies in a new folder of its own there, named the prefix and a number.
#pragma once

#define UNINSTALLER_FILE L"uninstall.exe"
#define CONFIG_FILE L"conf.xml"
#define WORKING_COPY_FILE L"VORNA" UNINSTALLER_FILE
#define WORKING_COPY_FOLDER_PREFIX L"VORNAuninstall."
