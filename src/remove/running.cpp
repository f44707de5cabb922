// The running-program check: no listed program may run while phase two removes things.
#include <stdlib.h>
#include <string.h>
#include <windows.h>
// Declares the kernel32 forms K32EnumProcesses and friends; psapi.dll is never loaded.
#include <psapi.h>

#include "base/handles.h"
#include "base/names.h"
#include "base/text.h"
#include "remove/running.h"
#include "report/log.h"

namespace {

// One snapshot of the running processes' identifiers; every identifier is handed out but 0.
class ProcessIdList {
public:
    ~ProcessIdList() { free(ids_); }

    DWORD First() {
        count_ = 0;
        cursor_ = 0;
        // A full array may mean a cut list: grow it until the list fits.
        for (DWORD capacity = 1024;; capacity *= 2) {
            free(ids_);
            ids_ = static_cast<DWORD*>(malloc(capacity * sizeof(DWORD)));
            DWORD bytes = 0;
            if (!ids_ || !K32EnumProcesses(ids_, capacity * sizeof(DWORD), &bytes)) return 0;
            count_ = bytes / sizeof(DWORD);
            if (count_ < capacity) break;
        }
        return Next();
    }

    DWORD Next() {
        while (ids_ && cursor_ < count_) {
            DWORD id = ids_[cursor_++];
            if (id != 0) return id;
        }
        return 0;
    }

private:
    DWORD* ids_ = nullptr;
    DWORD count_ = 0;
    DWORD cursor_ = 0;
};

// The modules of one opened process; the first is its executable.
class ProcessModuleList {
public:
    explicit ProcessModuleList(HANDLE process) : process_(process) {}

    HMODULE First() {
        DWORD bytes = 0;
        if (!process_.valid() ||
            !K32EnumProcessModules(process_.get(), modules_, sizeof(modules_), &bytes) ||
            bytes < sizeof(HMODULE))
            return nullptr;
        return modules_[0];
    }

    HANDLE process() const { return process_.get(); }

private:
    ScopedHandle process_;
    HMODULE modules_[1024];
};

// The base name of the process's first module, its executable.
bool ModuleBaseName(DWORD id, wchar_t (&baseName)[MAX_PATH]) {
    ProcessModuleList modules(
        OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
    HMODULE executable = modules.First();
    return executable &&
           K32GetModuleBaseNameW(modules.process(), executable, baseName, MAX_PATH) != 0;
}

// The full path of the process's program file, of any length.
bool ImagePath(DWORD id, WideText& image) {
    ScopedHandle process(OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
    const DWORD kRoom = 32768;
    wchar_t* room = process.valid() ? image.Room(kRoom) : nullptr;
    DWORD size = kRoom;
    if (!room || !QueryFullProcessImageNameW(process.get(), 0, room, &size)) return false;
    image.Keep(size);
    return true;
}

// The executable base names of every process we may name, taken once for the whole list.
class RunningPrograms {
public:
    void Take() {
        ProcessIdList ids;
        for (DWORD id = ids.First(); id != 0; id = ids.Next()) {
            wchar_t baseName[MAX_PATH];
            if (ModuleBaseName(id, baseName)) {
                names_.Add(baseName);
                continue;
            }
            // A 32-bit process cannot list a 64-bit one's modules, and an elevated process
            // or another user's may refuse the rights to: the image's name is still there
            // for the asking.
            WideText image;
            if (ImagePath(id, image)) names_.Add(LastComponent(image));
        }
    }

    bool Contains(const wchar_t* listName) const {
        for (const wchar_t* name = names_.First(); name; name = names_.Next(name))
            if (ProgramNameMatches(listName, name)) return true;
        return false;
    }

private:
    TextList names_;
};

}  // namespace

void LogProgramsInside(const wchar_t* dir) {
    ProcessIdList ids;
    for (DWORD id = ids.First(); id != 0; id = ids.Next()) {
        WideText image;
        if (ImagePath(id, image) && PathIsWithin(image, dir))
            LogLine(LogLevel::Warn) << "running from there: " << image << " (process " << id
                                    << ")";
    }
}

DWORD CheckRunningPrograms(const wchar_t* executableList, Outcome& outcome) {
    NameList names(executableList);
    const wchar_t* name = names.Next();
    if (!name) return ERROR_SUCCESS;

    RunningPrograms running;
    running.Take();
    for (; name; name = names.Next()) {
        if (!running.Contains(name)) continue;
        LogLine(LogLevel::Error) << "program running: " << name << "; nothing is removed";
        outcome.Fail(Failure::ProgramRunning, name);
        return ERROR_BUSY;
    }
    LogLine() << "none of the listed programs runs";
    return ERROR_SUCCESS;
}
