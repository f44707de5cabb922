// Test support for the Windows tests: runs the real uninstaller, reads and presses the boxes
// it shows, starts stand-in programs under chosen names, and makes real files and keys in
// the private prefix. Everything here talks to the real system through Win32.
#pragma once
#include <windows.h>

#include <functional>
#include <ostream>
#include <string>
#include <vector>

namespace wt {

// ---- Paths -------------------------------------------------------------------------------
// Paths and names are UTF-8 throughout; the harness asks the system in UTF-16, so they work
// whatever the code page of the test process.
std::wstring Utf16(const std::string& utf8);
std::string FromUtf16(const std::wstring& wide);
std::string WinPath(const std::string& unixPath);  // "/a/b" -> "Z:\a\b"
std::string UninstallExe();  // Windows path of the built uninstall.exe
std::string SleeperExe();    // Windows path of the stand-in program (see RunningProgram)
std::string Sleeper64Exe();  // the same program built for 64-bit Windows
std::string TempDir();       // the temp directory the uninstaller resolves in this prefix
std::string WorkingCopy();   // TempDir()\VORNAuninstall.exe, where phase one puts its copy
// The folders TempDir()\VORNAuninstall.<n> where phase one puts its copy when the shared name
// is in use, and their removal.
std::vector<std::string> WorkingCopyFolders();
void RemoveWorkingCopyFolders();

// ---- Message boxes -----------------------------------------------------------------------
enum class Answer { Ok, Cancel, Close };  // Close: the box's close button (WM_CLOSE)

struct Box {
    DWORD pid = 0;
    std::string caption;        // in code page 936 bytes, as the text
    std::string text;           // the static text of the box, exact GBK bytes
    std::vector<int> buttons;   // the button ids the box has, in order IDOK, IDCANCEL, ...
};

struct RunResult {
    std::vector<Box> boxes;     // in the order they appeared
    DWORD exitCode = 0;         // of the process started
    DWORD pid = 0;              // of the process started
    DWORD processes = 0;        // it and every process it started
    double seconds = 0;         // from just before the start until the last of them ended
    bool endedFirst = false;    // the process started ended while others it started ran on
    bool timedOut = false;
};

// Starts commandLine, answers box i with answers[i] (OK when the list is exhausted) and waits
// until the started process and every process it started (its job) have ended. Only their
// boxes count. On timeout every process of the job is terminated. A command that cannot
// start gives exit code 0xFFFFFFFF and no boxes.
RunResult RunAndAnswer(const std::string& commandLine, std::vector<Answer> answers = {},
                       const std::string& currentDirectory = "", DWORD timeoutMs = 60000);
// The same; onBox sees each box and its window before the box is answered.
RunResult RunAndAnswer(const std::string& commandLine, std::vector<Answer> answers,
                       const std::string& currentDirectory, DWORD timeoutMs,
                       const std::function<void(HWND, const Box&)>& onBox);

// Watches boxes shown by this test process itself (for in-process calls of the product's
// code), answering them like RunAndAnswer, on a thread of its own until destroyed.
class BoxWatcher {
public:
    explicit BoxWatcher(std::vector<Answer> answers = {});
    ~BoxWatcher();
    std::vector<Box> Boxes();  // the boxes seen so far

private:
    struct State;
    State* state_;
};

// The message boxes on the screen now, and what one of them shows.
std::vector<HWND> VisibleBoxes();
Box ReadBox(HWND box);

// GBK bytes of a UTF-8 text (code page 936), for comparing box texts, and back.
std::string Gbk(const std::string& utf8);
std::string Utf8(const std::string& gbk);

// Boxes compare by caption, text and buttons (not pid); they print as
// "caption | text | OK,Cancel" in UTF-8.
bool operator==(const Box& a, const Box& b);
std::string Describe(const Box& box);
void PrintTo(const Box& box, std::ostream* os);

// ---- Stand-in programs -------------------------------------------------------------------
// A copy of the sleeper program (or of program, another build of it) under dir\fileName,
// started; it ends by itself after lifetimeMs, or when the object is destroyed (terminated
// then).
class RunningProgram {
public:
    RunningProgram(const std::string& dir, const std::string& fileName, DWORD lifetimeMs = 60000,
                   const std::string& program = SleeperExe());
    ~RunningProgram();
    bool IsRunning() const;
    DWORD pid() const;

private:
    PROCESS_INFORMATION pi_{};
};

// Holds a file open in another process without FILE_SHARE_DELETE until destroyed
// (or until lifetimeMs have passed); as a virus scanner does, sharing everything; or a
// directory as that process's current one.
class HeldFile {
public:
    enum How { kOpen, kScanning, kAsCurrentDirectory };
    explicit HeldFile(const std::string& path, DWORD lifetimeMs = 600000, How how = kOpen);
    ~HeldFile();

private:
    PROCESS_INFORMATION pi_{};
};

// Watches, on a thread of its own until destroyed, for a visible window of a class.
class WindowWatcher {
public:
    explicit WindowWatcher(const char* className);
    ~WindowWatcher();
    bool Seen() const;    // since the watch began
    bool Showing() const; // now
    LONG Width() const;   // of its client area, when last seen

private:
    struct State;
    State* state_;
};

// ---- Restart ------------------------------------------------------------------------------
// The paths the system will delete at the next restart (PendingFileRenameOperations).
std::vector<std::string> PendingDeletes();
// Restarts the prefix as a reboot would (wineboot -r): pending deletes are carried out.
void RestartPrefix();
// For the scope, no removal can be scheduled for the next restart, as for a user without
// administrator rights: the value that lists them holds a type the system cannot append to.
class SchedulingBlocked {
public:
    SchedulingBlocked();
    ~SchedulingBlocked();
};

// ---- Files -------------------------------------------------------------------------------
// A copy of the built uninstall.exe at path (its folder made first); returns path.
std::string CopyUninstall(const std::string& path);
// uninstall.exe in dir as a vendor ships it, with conf.xml holding confXml beside it;
// returns uninstall.exe's path.
std::string InstallUninstaller(const std::string& dir, const std::string& confXml);
void WriteTextFile(const std::string& path, const std::string& content);  // makes parents
std::string ReadTextFile(const std::string& path);  // empty when it cannot be read
void MakeDirs(const std::string& path);
// An empty file at a literal ("\\?\") path, its folders first, through the wide functions:
// names the system would fold, names outside the code page, paths beyond MAX_PATH.
bool WriteLiteral(const std::wstring& path);
bool Exists(const std::string& path);
// Cleanup after a test: clears attributes first, reaches every name (those the system would
// fold, those outside the code page, paths beyond MAX_PATH), and leaves links alone: a
// test removes its links (RemoveLink) before their folder.
void RemoveAll(const std::string& path);
// Symbolic links, made and removed from the Unix side where Wine keeps them: Wine shows a
// link to a directory as a directory reparse point, and a link to a file as that file.
// MakeLink makes the link's folder first and waits until the link shows.
bool MakeLink(const std::string& link, const std::string& target);
// The link alone, never its target; a link whose target is gone no longer shows, so links
// go before their targets.
void RemoveLink(const std::string& link);
// The Unix path Wine keeps path at; empty when Wine cannot tell.
std::string UnixPath(const std::string& windowsPath);
// Runs a Perl program from the Unix side in the folder dir, and waits until it has ended:
// trees no Windows call could make.
bool RunPerlIn(const std::string& dir, const std::string& program);
// Every path below root (relative, sorted), directories with a trailing backslash.
std::vector<std::string> ListTree(const std::string& root);

// ---- Registry ----------------------------------------------------------------------------
// Root HKLM or HKCU, 32-bit view (what the product sees). Subkey below the Uninstall key.
void CreateUninstallKey(HKEY root, const std::string& name);
bool UninstallKeyExists(HKEY root, const std::string& name);
void DeleteUninstallKeyTree(HKEY root, const std::string& name);  // cleanup

// A string value set for the scope; afterwards the key goes with all below it when the
// value made it, else the value alone goes.
class AddedValue {
public:
    AddedValue(HKEY root, const std::string& subkey, const std::string& name,
               const std::string& value);
    ~AddedValue();

private:
    HKEY root_;
    std::string subkey_, name_;
    bool madeKey_ = false;
};

std::string ShellFolder(const std::string& valueName);  // the current value, REG_SZ
// The bytes of a UTF-16 text, for a value stored as the product reads it.
std::string Utf16Bytes(const std::wstring& text);
// Replaces (or with a null value, removes) one value of the user's Shell Folders key and
// restores the original when destroyed.
class ShellFolderOverride {
public:
    ShellFolderOverride(const std::string& valueName, const char* value,
                        DWORD type = REG_SZ);
    ShellFolderOverride(const std::string& valueName, const std::string& rawData, DWORD type);
    ~ShellFolderOverride();

private:
    std::string name_;
    std::vector<BYTE> saved_;
    DWORD savedType_ = 0;
    bool existed_ = false;
};

// ---- A small installation ----------------------------------------------------------------
// An application as the tests install it: the folder dir below root with a program and two
// data files, and uninstall keys. Remove(), also run when it is destroyed, takes all of it
// away: the links made through MakeLink first, then root, the keys, and root's own folder
// when root was all it held.
class Installation {
public:
    struct Key {
        HKEY root;  // HKEY_LOCAL_MACHINE (its 32-bit view) or HKEY_CURRENT_USER
        std::string name;
    };
    explicit Installation(const std::string& root, std::vector<Key> keys = {},
                          const std::string& folder = "app");
    ~Installation();

    void Install() const;  // the files and the keys, over whatever is there
    void Remove();
    bool MakeLink(const std::string& link, const std::string& target);
    bool Intact() const;     // every file and every key is there
    bool KeysThere() const;  // every key is there
    bool KeysGone() const;   // no key is there
    bool Gone() const;       // neither dir nor any key is there
    // What phase one passes for it: -p "dir\" and, with keys, -R "name,...".
    std::string Options() const;

    const std::string root, dir;

private:
    std::vector<Key> keys_;
    std::vector<std::string> links_;
};

}  // namespace wt
