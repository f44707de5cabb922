// The four lists of conf.xml, read as the vendor wrote them, and what is wrong with it named.
#pragma once
#include <windows.h>

#include "base/text.h"

// The lists of conf.xml at configPath, in UTF-16, in the order executable, regFolderName,
// scFolderName, scDesktopName. ERROR_FILE_NOT_FOUND when it is missing; ERROR_INVALID_DATA
// when it cannot be read (an encoding the system does not know, bytes that fit none, no
// XML); the log says which, and where.
DWORD ReadLists(const wchar_t* configPath, WideText (&lists)[4]);
