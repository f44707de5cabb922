// The run as a user sees it: the real uninstall.exe started under Wine, its boxes read and
// answered, its exit code and what it left on disk checked.
#include <gtest/gtest.h>

#include <memory>

#include "boxes.h"

namespace {

using wt::Answer;
using wt::Box;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// The texts of the logs the runs left in the temp directory, which go.
std::vector<std::string> TakeLogs() {
    std::vector<std::string> logs;
    for (const std::string& name : wt::ListTree(wt::TempDir())) {
        if (name.find("uninstall-") != 0) continue;
        logs.push_back(wt::ReadTextFile(wt::TempDir() + "\\" + name));
        DeleteFileA((wt::TempDir() + "\\" + name).c_str());
    }
    return logs;
}

// An installed application, and the working copy started from the temp directory.
class WorkingCopyTest : public ::testing::Test {
protected:
    void SetUp() override {
        app.Remove();
        app.Install();
    }
    wt::Installation app{"C:\\harness-app"};
};

TEST_F(WorkingCopyTest, WithoutOptionsReportsTheMissingInstallDir) {
    EXPECT_EQ(wt::RunWorkingCopy("").boxes, std::vector<Box>{wt::Failure("2006")});
}

TEST_F(WorkingCopyTest, ConfirmedRemovesTheInstallDir) {
    EXPECT_EQ(wt::RunWorkingCopy(app.Options(), {Answer::Ok}).boxes, wt::Confirmed(wt::Success()));
    EXPECT_FALSE(wt::Exists(app.dir));
    EXPECT_FALSE(wt::Exists(app.root));  // the vendor's folder it left empty goes too
}

TEST_F(WorkingCopyTest, CancelOrCloseKeepsTheInstallDir) {
    const std::vector<std::string> before = wt::ListTree(app.dir);
    ASSERT_EQ(before.size(), 5u);
    for (Answer answer : {Answer::Cancel, Answer::Close}) {
        SCOPED_TRACE(answer == Answer::Cancel ? "Cancel" : "Close");
        EXPECT_EQ(wt::RunWorkingCopy(app.Options(), {answer}).boxes, std::vector<Box>{wt::Confirm()});
        EXPECT_EQ(wt::ListTree(app.dir), before);
    }
}

TEST_F(WorkingCopyTest, EmptyInstallDirIsReportedThenTheMissingOne) {
    wt::RunResult run = wt::RunWorkingCopy(" -p \"\"");
    EXPECT_EQ(run.boxes, (std::vector<Box>{wt::Failure("2001"), wt::Failure("2006")}));
    EXPECT_TRUE(wt::Exists(app.dir));
}

// Phase two started by hand with a quiet switch behaves as when phase one starts it: no box,
// the code of its failure as its exit code. /LOG alone writes a new log in the temp directory.
TEST_F(WorkingCopyTest, QuietPhaseTwoByHandEndsWithItsCode) {
    struct Case {
        const char* options;
        DWORD exitCode;
    };
    for (const Case& c : {Case{" /qn", 2006}, Case{" /S -p \"\"", 2006},
                          Case{" -p \"C:\\\" /Silent /LOG", 2012}}) {
        SCOPED_TRACE(c.options);
        EXPECT_EQ(wt::RunWorkingCopy(c.options, {}, c.exitCode).boxes, std::vector<Box>{});
    }
    std::vector<std::string> logs = TakeLogs();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_EQ(logs[0].substr(logs[0].rfind("RESULT")), "RESULT\texit=2012 removed=0 failed=0\r\n");
}

// A log whose folder is missing gets its folder; one that cannot be written where asked goes
// to the temp directory, and says why.
TEST_F(WorkingCopyTest, TheLogIsNeverLostSilently) {
    EXPECT_EQ(wt::RunWorkingCopy(" /S \"/LOG=C:\\rmlogs\\new folder\\x.log\"", {}, 2006).boxes,
              std::vector<Box>{});
    EXPECT_NE(wt::ReadTextFile("C:\\rmlogs\\new folder\\x.log").find("RESULT\texit=2006"),
              std::string::npos);
    wt::RunWorkingCopy(" /S /LOG=C:\\rmlogs\\a|b\\x.log", {}, 2006);
    std::vector<std::string> logs = TakeLogs();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(logs[0].find("cannot be written"), std::string::npos) << logs[0];
    wt::RemoveAll("C:\\rmlogs");
}

// Where nobody can see a box (a service's window station), an interactive run is quiet: it
// ends by itself with its true exit code, and a log in the temp directory says why.
TEST_F(WorkingCopyTest, WhereNobodySeesTheBoxesTheRunIsQuiet) {
    HWINSTA unseen = CreateWindowStationW(L"RmUnseen", 0, WINSTA_ALL_ACCESS, nullptr);
    ASSERT_TRUE(unseen);
    std::wstring line = wt::Utf16(Quoted(wt::CopyUninstall(wt::WorkingCopy())) + " " + app.Options());
    STARTUPINFOW startup = {sizeof(startup)};
    startup.lpDesktop = const_cast<wchar_t*>(L"RmUnseen\\Default");
    PROCESS_INFORMATION run = {};
    ASSERT_TRUE(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &run));
    DWORD exitCode = 1;
    EXPECT_EQ(WaitForSingleObject(run.hProcess, 60000), WAIT_OBJECT_0);
    TerminateProcess(run.hProcess, 1);
    GetExitCodeProcess(run.hProcess, &exitCode);
    EXPECT_EQ(exitCode, 0u);
    EXPECT_FALSE(wt::Exists(app.dir));
    std::vector<std::string> logs = TakeLogs();
    ASSERT_EQ(logs.size(), 1u);
    EXPECT_NE(logs[0].find("no user can see this session's boxes"), std::string::npos) << logs[0];
    for (HANDLE handle : {run.hProcess, run.hThread}) CloseHandle(handle);
    CloseWindowStation(unseen);
}

// Moves a path away for the scope and back in every case, under its name as on disk
// (c:\windows\temp is lower case there, and the tests rely on that).
class MovedAway {
public:
    explicit MovedAway(const std::string& path) : moved_(path + ".harness-moved") {
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA(path.c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return;
        FindClose(find);
        original_ = path.substr(0, path.find_last_of('\\') + 1) + found.cFileName;
        ok_ = MoveFileA(path.c_str(), moved_.c_str()) != 0;
    }
    ~MovedAway() {
        if (ok_) MoveFileA(moved_.c_str(), original_.c_str());
    }
    bool ok() const { return ok_; }

private:
    std::string moved_, original_;
    bool ok_ = false;
};

// Which temp directory the program resolves: "Local AppData"\Temp, else C:\Windows\Temp.
class TempDirTest : public ::testing::Test {
protected:
    void SetUp() override {
        TearDown();
        wt::MakeDirs(kLocalAppData);
    }
    void TearDown() override {
        wt::RemoveAll(kLocalAppData);
        for (const char* suffix : {".exe", ".v2.exe"})
            DeleteFileA(("C:\\Windows\\Temp\\" + kCopyName + suffix).c_str());
    }

    const std::string kLocalAppData = "C:\\harness-local";
    const std::string kCopyName = "harness-tool";
};

TEST_F(TempDirTest, NeitherTempDirectoryReportsOneBlank2001) {
    wt::ShellFolderOverride localAppData("Local AppData", kLocalAppData.c_str());
    MovedAway windowsTemp("C:\\Windows\\Temp");
    ASSERT_TRUE(windowsTemp.ok());
    ASSERT_FALSE(wt::Exists("C:\\Windows\\Temp"));

    wt::RunResult run = wt::RunAndAnswer(Quoted(wt::UninstallExe()));
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.boxes, std::vector<Box>{wt::FailureOneBlank("2001", "uninstall")});
    EXPECT_EQ(wt::ListTree(kLocalAppData), std::vector<std::string>{});
    EXPECT_EQ(run.exitCode, 1u);
}

// The system reports the module as c:\windows\temp\..., the program writes C:\Windows\Temp:
// a copy there still runs as the working copy.
TEST_F(TempDirTest, WindowsTempServesWhenLocalTempIsMissing) {
    wt::ShellFolderOverride localAppData("Local AppData", kLocalAppData.c_str());
    std::string copy = wt::CopyUninstall("C:\\Windows\\Temp\\" + kCopyName + ".v2.exe");
    ASSERT_TRUE(wt::Exists(copy));

    wt::RunResult run = wt::RunAndAnswer(Quoted(copy));
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.boxes, std::vector<Box>{wt::Failure("2006", kCopyName + ".v2")});
    EXPECT_EQ(run.exitCode, 1u);
}

// With "Local AppData"\Temp present, C:\Windows\Temp is no temp directory: a copy there
// relocates itself (and stops for want of conf.xml beside it). So does one in a folder of
// the temp directory, or in a folder beside it whose name begins like it.
TEST_F(TempDirTest, OnlyACopyRightInTheTempDirectoryIsTheWorkingCopy) {
    const std::string temp = kLocalAppData + "\\Temp";
    wt::MakeDirs(temp);
    wt::ShellFolderOverride localAppData("Local AppData", kLocalAppData.c_str());
    for (const std::string& dir : {std::string("C:\\Windows\\Temp"), temp + "\\sub",
                                   kLocalAppData + "\\TempTools", kLocalAppData + "\\Temporary"}) {
        SCOPED_TRACE(dir);
        std::string copy = wt::CopyUninstall(dir + "\\" + kCopyName + ".exe");
        wt::RunResult run = wt::RunAndAnswer(Quoted(copy));
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.boxes, std::vector<Box>{wt::Failure("2010", kCopyName)});
        EXPECT_TRUE(wt::Exists(wt::WorkingCopy()));
        EXPECT_EQ(run.exitCode, 1u);
        DeleteFileA(copy.c_str());
        wt::RemoveAll(temp + "\\sub");
        DeleteFileA(wt::WorkingCopy().c_str());
    }
}

}  // namespace

// The same uninstall on every code page and with any name: folders, lists and a temp
// directory with characters outside the running code page (Chinese on 1252, 这 on 932, Ø and
// ñ on 936), conf.xml in UTF-8 or GBK, declared or not. The product lies in a suite folder
// with a conf.xml of its own, and nothing of the suite goes.
TEST(AnyName, IsRemovedWhateverTheCodePage) {
    struct Case {
        const char* folder;  // of the product, in the suite
        const char* head;    // before <config>
        bool gbk;
        const char* name;  // of the group, the shortcut (.lnk) and the key
        const char* localAppData;
    };
    const Case cases[] = {
        {"Vorna 工具", "\xEF\xBB\xBF", false, "Øresund Tool", nullptr},
        {"Vorna 这软件", "<?xml version=\"1.0\" encoding=\"UTF-8\"?>", false, "工具 ñ",
         "C:\\harness-用户 Øle"},
        {"Qualité", "<?xml version=\"1.0\" encoding=\"GBK\"?>", true, "工具", nullptr},
        {"Vorna ソフト", "", true, "这软件", nullptr},
    };
    const std::string suite = "C:\\harness-Vorna Suite";
    for (const Case& c : cases) {
        SCOPED_TRACE(c.folder);
        std::string dir = suite + "\\" + c.folder, name = c.name;
        std::string group = wt::ShellFolder("Programs") + "\\" + name;
        std::string shortcut = wt::ShellFolder("Desktop") + "\\" + name + ".lnk";
        std::string conf = std::string("<config><global><executable>工具.exe</executable>") +
                           "</global><unist><regFolderName>" + name + "</regFolderName>" +
                           "<scFolderName>" + name + "</scFolderName><scDesktopName>" + name +
                           ".lnk</scDesktopName></unist></config>";
        wt::InstallUninstaller(dir, c.head + (c.gbk ? wt::Gbk(conf) : conf));
        wt::WriteTextFile(suite + "\\conf.xml", "<config/>");
        wt::WriteTextFile(group + "\\App.lnk", "lnk");
        wt::WriteTextFile(shortcut, "lnk");
        wt::CreateUninstallKey(HKEY_CURRENT_USER, name);
        std::unique_ptr<wt::ShellFolderOverride> local;
        if (c.localAppData) {
            wt::MakeDirs(std::string(c.localAppData) + "\\Temp");
            local.reset(new wt::ShellFolderOverride("Local AppData", c.localAppData));
        }
        const std::string uninstall = Quoted(dir + "\\uninstall.exe");
        {
            wt::RunningProgram running(dir, "工具.exe");
            EXPECT_EQ(wt::RunAndAnswer(uninstall, {Answer::Ok}).boxes,
                      wt::Confirmed(wt::CloseProgram("工具.exe")));
            EXPECT_TRUE(wt::Exists(group) && wt::Exists(shortcut) && wt::Exists(dir));
        }
        EXPECT_EQ(wt::RunAndAnswer(uninstall, {Answer::Ok}).boxes, wt::Confirmed(wt::Success()));
        EXPECT_FALSE(wt::Exists(dir) || wt::Exists(group) || wt::Exists(shortcut));
        EXPECT_FALSE(wt::UninstallKeyExists(HKEY_CURRENT_USER, name));
        EXPECT_EQ(wt::ReadTextFile(suite + "\\conf.xml"), "<config/>");
        local.reset();
        wt::RemoveAll(suite);
        if (c.localAppData) wt::RemoveAll(c.localAppData);
    }
}
