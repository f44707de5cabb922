// The built uninstall.exe, started from an installed application's directory as a double
// click would start it, against the whole prefix: the boxes it shows, its exit code, and
// a listing of drive C: and the registry before and after the run.
#include <gtest/gtest.h>

#include <string.h>

#include <memory>

#include "e2e/sample_app.h"
#include "e2e/snapshot.h"
#include "support/boxes.h"

namespace e2e {
namespace {

using wt::WorkingCopy;

const char kJohnSmith[] = "C:\\users\\John Smith";
const char kJohnExe[] = "C:\\users\\John.exe";

class UninstallRun : public ::testing::Test {
protected:
    void SetUp() override {
        std::string programFiles = ProgramFilesDir();
        ASSERT_NE(programFiles, "");
        vendorDir_ = programFiles + "\\Sample Vendor";
        installDir_ = vendorDir_ + "\\Sample App";
        // Whatever an earlier, interrupted run left; and each run must show the working
        // copy appearing.
        installer_.Track(vendorDir_);
        installer_.Track(kJohnSmith);
        installer_.Track(kJohnExe);
        for (const char* group : {"Sample App", "Other App", "Sample Tools", "Sample Extras"}) {
            installer_.Track(installer_.ProgramsDir() + "\\" + group);
            installer_.Track(installer_.DesktopDir() + "\\" + group + ".lnk");
        }
        for (const char* key : {"SampleApp", "SampleApp2", "SampleAppExtra"})
            installer_.TrackKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, key);
        installer_.TrackKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "SampleApp");
        installer_.TrackKey(HKEY_CURRENT_USER, 0, "SampleAppUser");
        installer_.Remove();
        wt::RemoveAll(WorkingCopy());
    }

    void TearDown() override {
        installer_.Remove();
        wt::RemoveAll(WorkingCopy());
    }

    static ConfLists DefaultLists() {
        return {"SampleApp.exe,SampleHelper.exe", "SampleApp,SampleAppUser", "Sample App",
                "Sample App.lnk"};
    }

    // The application and, beside each of its parts, a neighbour that must survive.
    void Install(const ConfLists& lists = DefaultLists()) {
        installer_.Track(vendorDir_);
        int files = installer_.InstallFiles(installDir_, lists);
        ASSERT_EQ(files, 300);
        ASSERT_EQ(wt::ListTree(installDir_).size(), 332u);  // with 32 folders
        const DWORD hiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
        ASSERT_EQ(GetFileAttributesA((installDir_ + "\\data\\cache.db").c_str()) & hiddenSystem,
                  hiddenSystem);
        ASSERT_TRUE(GetFileAttributesA((installDir_ + "\\license.txt").c_str()) &
                    FILE_ATTRIBUTE_READONLY);
        wt::WriteTextFile(vendorDir_ + "\\Other App\\other.exe", "another application");
        installer_.InstallGroup("Sample App",
                                {"Sample App.lnk", "Uninstall Sample App.lnk", "Readme.lnk"});
        installer_.InstallGroup("Other App", {"Other App.lnk"});
        installer_.InstallDesktopShortcut("Sample App.lnk");
        installer_.InstallDesktopShortcut("Other App.lnk");
        std::string uninstallString = "\"" + installDir_ + "\\uninstall.exe\"";
        installer_.InstallKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "SampleApp", "Sample App",
                              uninstallString);
        installer_.InstallKey(HKEY_CURRENT_USER, 0, "SampleAppUser", "Sample App (user)",
                              uninstallString);
        installer_.InstallKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "SampleApp2", "Sample App 2",
                              "\"" + vendorDir_ + "\\Sample App 2\\uninstall.exe\"");
        // A 64-bit edition's key of the same name: out of a 32-bit uninstaller's reach.
        installer_.InstallKey(HKEY_LOCAL_MACHINE, KEY_WOW64_64KEY, "SampleApp",
                              "Sample App (64-bit)", "\"C:\\Program Files\\Sample\\u.exe\"");
        ASSERT_FALSE(ShortcutBytes("C:\\windows\\notepad.exe").empty());
        ASSERT_TRUE(wt::Exists(installer_.DesktopDir() + "\\Sample App.lnk"));
        ASSERT_TRUE(wt::UninstallKeyExists(HKEY_LOCAL_MACHINE, "SampleApp"));
        ASSERT_TRUE(wt::UninstallKeyExists(HKEY_CURRENT_USER, "SampleAppUser"));
    }

    // What the typical run takes away: the application's own folder, group, shortcut, keys.
    std::vector<std::string> AppParts() const {
        return {installDir_ + "\\", installer_.ProgramsDir() + "\\Sample App\\",
                installer_.DesktopDir() + "\\Sample App.lnk",
                UninstallKeyLine("HKLM32", "SampleApp"),
                UninstallKeyLine("HKCU", "SampleAppUser")};
    }

    // Started as a double click starts it: its own quoted path, its folder as current one;
    // a deployment tool adds its switches.
    wt::RunResult Uninstall(std::vector<wt::Answer> answers = {}, const std::string& switches = "") {
        return wt::RunAndAnswer("\"" + installDir_ + "\\uninstall.exe\"" + switches,
                                std::move(answers), installDir_);
    }

    // A log beside the test program, off drive C: and out of the listings.
    static std::string LogFile(const std::string& name) {
        char self[MAX_PATH];
        GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string path = self;
        path = path.substr(0, path.find_last_of('\\') + 1) + name;
        DeleteFileA(path.c_str());
        return path;
    }

    // Exactly the entries of before under gone disappeared, and on the drive nothing but the
    // working copy appeared, and movedAside originals a quiet phase one ran from.
    static void ExpectOnlyChanges(const Snapshot& before, const Snapshot& after,
                                  const std::vector<std::string>& gone, size_t movedAside = 0) {
        ASSERT_GT(before.files.size(), 1000u);  // the listings cover the prefix
        ASSERT_GT(before.registry.size(), 10000u);
        EXPECT_EQ(Minus(before.files, after.files), Under(before.files, gone));
        EXPECT_EQ(Minus(before.registry, after.registry), Under(before.registry, gone));
        EXPECT_EQ(Minus(after.registry, before.registry), std::vector<std::string>{});
        std::vector<std::string> added = Minus(after.files, before.files);
        ASSERT_EQ(added.size(), 1u + movedAside) << ::testing::PrintToString(added);
        for (const std::string& path : added)
            EXPECT_EQ(Fold(path).find(Fold(WorkingCopy())), 0u) << path;
    }

    // Installed where the test put it, confirmed, it goes whole, and nothing else changes.
    void ExpectConfirmedUninstallRemovesTheApplication() {
        ASSERT_NO_FATAL_FAILURE(Install());
        Snapshot before = TakeSnapshot(false);

        wt::RunResult run = Uninstall();

        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
        ExpectOnlyChanges(before, TakeSnapshot(false), AppParts());
    }

    SampleInstaller installer_;
    std::string vendorDir_, installDir_;
};

TEST_F(UninstallRun, ConfirmedRunRemovesExactlyTheApplication) {
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot before = TakeSnapshot(true);
    ASSERT_EQ(Under(before.files, AppParts()).size(), 338u);  // the folder, group, shortcut
    ASSERT_EQ(Under(before.registry, AppParts()).size(), 8u);  // two keys of three values
    // The 64-bit edition's key really lies in the other view.
    ASSERT_EQ(Under(before.registry, {UninstallKeyLine("HKLM64", "SampleApp") +
                                      " \"DisplayName\" = type 1, 20 bytes: Sample App (64-bit)"})
                  .size(),
              1u);

    wt::RunResult run = Uninstall();

    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(run.endedFirst);  // phase one did not wait
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
    ExpectOnlyChanges(before, TakeSnapshot(true), AppParts());
    EXPECT_TRUE(wt::Exists(vendorDir_ + "\\Other App\\other.exe"));
}

TEST_F(UninstallRun, CancelAtTheConfirmationChangesNothing) {
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall({wt::Answer::Cancel});

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Confirm()});
    ExpectOnlyChanges(before, TakeSnapshot(false), {});
}

TEST_F(UninstallRun, ListedProgramRunningStopsBeforeAnythingIsRemoved) {
    ConfLists lists = DefaultLists();
    lists.executable = "SampleApp.exe,,SampleHelper.exe";
    ASSERT_NO_FATAL_FAILURE(Install(lists));
    wt::RunningProgram helper(installDir_, "SampleHelper.exe");
    ASSERT_TRUE(helper.IsRunning());
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall();

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("SampleHelper.exe")));
    ExpectOnlyChanges(before, TakeSnapshot(false), {});
    EXPECT_TRUE(helper.IsRunning());
}

// Without the rights to leave the held file to the next restart, the run ends with 2011.
TEST_F(UninstallRun, FileInUseKeepsTheKeysUntilASecondRunAfterItsRelease) {
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot installed = TakeSnapshot(false);
    std::string heldPath = installDir_ + "\\data\\maps\\m05\\tile03.dat";
    {
        wt::SchedulingBlocked noRights;
        wt::HeldFile held(heldPath);
        wt::RunResult run = Uninstall();

        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::Failure("2011")));
        Snapshot after = TakeSnapshot(false);
        EXPECT_TRUE(wt::Exists(heldPath));
        // The entries stay so that the uninstall can be run again: it needs both files.
        EXPECT_TRUE(wt::Exists(installDir_ + "\\uninstall.exe"));
        EXPECT_TRUE(wt::Exists(installDir_ + "\\conf.xml"));
        // Group and shortcut go first; the folder is partly gone; keys and all else stay.
        std::vector<std::string> removed = Minus(installed.files, after.files);
        std::vector<std::string> shortcuts = Under(
            installed.files, {installer_.ProgramsDir() + "\\Sample App\\",
                              installer_.DesktopDir() + "\\Sample App.lnk"});
        EXPECT_EQ(Under({removed.begin(), removed.end()}, {installDir_ + "\\"}).size() +
                      shortcuts.size(),
                  removed.size());
        for (const std::string& path : shortcuts) EXPECT_FALSE(wt::Exists(path)) << path;
        EXPECT_EQ(Minus(installed.registry, after.registry), std::vector<std::string>{});
        EXPECT_EQ(Minus(after.registry, installed.registry), std::vector<std::string>{});
        std::vector<std::string> added = Minus(after.files, installed.files);
        ASSERT_EQ(added.size(), 1u) << ::testing::PrintToString(added);
        EXPECT_EQ(Fold(added[0]), Fold(WorkingCopy()));
    }

    wt::RunResult again = Uninstall();

    EXPECT_EQ(again.exitCode, 1u);
    EXPECT_EQ(again.boxes, wt::Confirmed(wt::Success()));
    ExpectOnlyChanges(installed, TakeSnapshot(false), AppParts());
}

TEST_F(UninstallRun, MissingConfigurationStopsInTheFirstPhase) {
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_TRUE(DeleteFileA((installDir_ + "\\conf.xml").c_str()));
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall();

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Failure("2010", "uninstall")});
    // The copy into the temp directory comes before the configuration is read.
    ExpectOnlyChanges(before, TakeSnapshot(false), {});
}

TEST_F(UninstallRun, TempDirectoryWithABlankInItsPath) {
    const std::string localAppData = std::string(kJohnSmith) + "\\AppData\\Local";
    installer_.Track(kJohnSmith);
    wt::MakeDirs(localAppData + "\\Temp");
    // What an unquoted start of C:\users\John Smith\... would run instead of the copy.
    installer_.Track(kJohnExe);
    ASSERT_TRUE(CopyFileA(wt::SleeperExe().c_str(), kJohnExe, FALSE));
    wt::ShellFolderOverride override("Local AppData", localAppData.c_str());
    ASSERT_EQ(wt::TempDir(), localAppData + "\\Temp");
    ExpectConfirmedUninstallRemovesTheApplication();
}

// A folder beside the temp directory whose name only begins like it is no temp directory:
// the uninstaller there relocates and uninstalls as from anywhere else.
TEST_F(UninstallRun, ApplicationBesideTheTempDirectory) {
    const std::string localTemp = wt::ShellFolder("Local AppData") + "\\Temp";
    if (!wt::Exists(localTemp)) installer_.Track(localTemp);
    wt::MakeDirs(localTemp);
    ASSERT_EQ(wt::TempDir(), localTemp);
    vendorDir_ = localTemp + "Tools";
    installDir_ = vendorDir_ + "\\Sample App";
    ExpectConfirmedUninstallRemovesTheApplication();
}

TEST_F(UninstallRun, ListsOfSeveralNamesWithBlanksAndEmptyNames) {
    // A blank after a comma belongs to the name: " SampleHelper.exe", " Sample Extras",
    // " Sample Extras.lnk" and " SampleAppExtra" match nothing, so those parts stay.
    ConfLists lists{"Other.exe, SampleHelper.exe", "SampleApp, SampleAppExtra,,SampleAppUser",
                    ",Sample App,,Sample Tools, Sample Extras,",
                    "Sample App.lnk,,Sample Tools.lnk, Sample Extras.lnk"};
    ASSERT_NO_FATAL_FAILURE(Install(lists));
    installer_.InstallGroup("Sample Tools", {"Tool.lnk"});
    installer_.InstallGroup("Sample Extras", {"Extra.lnk"});
    installer_.InstallDesktopShortcut("Sample Tools.lnk");
    installer_.InstallDesktopShortcut("Sample Extras.lnk");
    installer_.InstallKey(HKEY_LOCAL_MACHINE, KEY_WOW64_32KEY, "SampleAppExtra", "Extra", "x");
    wt::RunningProgram helper(vendorDir_ + "\\Shared", "SampleHelper.exe");
    ASSERT_TRUE(helper.IsRunning());
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall();

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
    std::vector<std::string> gone = AppParts();
    gone.push_back(installer_.ProgramsDir() + "\\Sample Tools\\");
    gone.push_back(installer_.DesktopDir() + "\\Sample Tools.lnk");
    ExpectOnlyChanges(before, TakeSnapshot(false), gone);
}

std::vector<std::string> ReadLog(const std::string& path) {
    std::string text = wt::ReadTextFile(path), line;
    std::vector<std::string> lines;
    for (char c : text) {
        if (c == '\n') {
            lines.push_back(line);
            line.clear();
        } else if (c != '\r') {
            line += c;
        }
    }
    return lines;
}

// The line that holds text, or "".
std::string Find(const std::vector<std::string>& lines, const std::string& text) {
    for (const std::string& line : lines)
        if (line.find(text) != std::string::npos) return line;
    return "";
}

// Deployment tools start the uninstall string with a quiet switch and judge the outcome by
// the exit code of the process they started: no box, that process ends only with the whole
// uninstall, its code tells the truth.
TEST_F(UninstallRun, QuietRunsShowNoBoxAndEndWithTheirOutcome) {
    for (const char* quiet : {" /S", " /SILENT", " /VERYSILENT", " /quiet", " /qn"}) {
        SCOPED_TRACE(quiet);
        ASSERT_NO_FATAL_FAILURE(Install());
        Snapshot before = TakeSnapshot(false);
        wt::RunResult run = Uninstall({}, quiet);
        EXPECT_EQ(run.boxes, std::vector<wt::Box>{});
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_FALSE(run.endedFirst);
        // uninstall.exe too: the waiting original moved out beside the working copy.
        ExpectOnlyChanges(before, TakeSnapshot(false), AppParts(), 1);
        for (const std::string& name : wt::ListTree(wt::TempDir()))
            if ((wt::TempDir() + "\\" + name).find(WorkingCopy()) == 0)
                DeleteFileA((wt::TempDir() + "\\" + name).c_str());
    }

    struct Case {
        const char* what;
        DWORD exitCode;
    };
    for (const Case& c : {Case{"running", 2013}, Case{"held", 2011}, Case{"no conf.xml", 2010}}) {
        SCOPED_TRACE(c.what);
        installer_.Remove();
        ASSERT_NO_FATAL_FAILURE(Install());
        std::unique_ptr<wt::RunningProgram> helper;
        std::unique_ptr<wt::HeldFile> held;
        wt::SchedulingBlocked noRights;
        if (c.exitCode == 2013) helper.reset(new wt::RunningProgram(installDir_, "SampleHelper.exe"));
        if (c.exitCode == 2011) held.reset(new wt::HeldFile(installDir_ + "\\data\\cache.db"));
        if (c.exitCode == 2010) DeleteFileA((installDir_ + "\\conf.xml").c_str());
        wt::RunResult run = Uninstall({}, " /S");
        EXPECT_EQ(run.boxes, std::vector<wt::Box>{});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_FALSE(run.endedFirst);
        EXPECT_TRUE(wt::Exists(installDir_ + "\\uninstall.exe"));
        EXPECT_TRUE(wt::UninstallKeyExists(HKEY_LOCAL_MACHINE, "SampleApp"));
        EXPECT_TRUE(wt::Exists(installDir_ + "\\data\\cache.db"));
    }
}

// Started from a folder of the user's, phase two refuses it: 2012, and nothing goes.
TEST_F(UninstallRun, QuietRunInAUsersFolderEndsWith2012) {
    const std::string documents = wt::ShellFolder("Personal");
    installDir_ = documents;
    installer_.Track(wt::InstallUninstaller(documents, ConfXml(DefaultLists())));
    installer_.Track(documents + "\\conf.xml");
    wt::WriteTextFile(documents + "\\letter.doc", "the user's");
    installer_.Track(documents + "\\letter.doc");
    wt::RunResult run = Uninstall({}, " /S");
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{});
    EXPECT_EQ(run.exitCode, 2012u);
    EXPECT_EQ(wt::ReadTextFile(documents + "\\letter.doc"), "the user's");
}

// The log a help desk reads: its head, a line per item, and a last line that agrees with the
// exit code and the boxes.
TEST_F(UninstallRun, TheLogTellsWhatHappenedToEachItem) {
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string log = LogFile("quiet.log");
    wt::RunResult run = Uninstall({}, " /S \"/LOG=" + log + "\"");
    ASSERT_EQ(run.exitCode, 0u);
    std::vector<std::string> lines = ReadLog(log);
    ASSERT_GT(lines.size(), 10u);
    EXPECT_NE(lines[0].find("\tINFO\tuninstall 1.1.0, quiet"), std::string::npos) << lines[0];
    EXPECT_EQ(lines[0].size(), strlen("2026-12-07 12:00:00.000\tINFO\tuninstall 1.1.0, quiet"));
    for (const char* head : {"\tcommand line: ", "\tuser: ", "\tWindows: ", "\ttemp directory: ",
                             "\tinstallation directory: ", "\texecutable: SampleApp.exe,"})
        EXPECT_NE(Find(lines, head), "") << head;
    for (const std::string& item :
         {"removed program group " + installer_.ProgramsDir() + "\\Sample App",
          "removed desktop shortcut " + installer_.DesktopDir() + "\\Sample App.lnk",
          "removed the installation directory " + installDir_,
          std::string("removed the uninstall key HKLM\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                      "\\Uninstall\\SampleApp"),
          std::string("removed the uninstall key HKCU\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion"
                      "\\Uninstall\\SampleAppUser")})
        EXPECT_NE(Find(lines, "\tINFO\t" + item), "") << item;
    EXPECT_EQ(lines.back(), "RESULT\texit=0 removed=5 failed=0");

    // A program of the application that is not listed keeps its file, which goes at the next
    // restart; the log names it and its process. Without the rights for that, the run fails.
    for (bool rights : {true, false}) {
        SCOPED_TRACE(rights ? "restart" : "no rights");
        ASSERT_NO_FATAL_FAILURE(Install());
        std::unique_ptr<wt::SchedulingBlocked> noRights(rights ? nullptr : new wt::SchedulingBlocked);
        {
            wt::RunningProgram stray(installDir_ + "\\bin", "updater.exe");
            run = Uninstall({}, " /S \"/LOG=" + log + "\"");
        }
        wt::RestartPrefix();  // the scheduled deletes, before the next install lands on them
        lines = ReadLog(log);
        const std::string updater = installDir_ + "\\bin\\updater.exe";
        EXPECT_NE(Find(lines, "\tWARN\trunning from there: " + updater), "");
        if (rights) {
            EXPECT_EQ(run.exitCode, 3010u);
            EXPECT_NE(Find(lines, "\tWARN\tgoes at the next restart: " + updater), "");
            EXPECT_NE(Find(lines, "\tINFO\t" + wt::Utf8(wt::RestartNeeded().text)), "");
            EXPECT_EQ(lines.back(), "RESULT\texit=3010 removed=5 failed=0");
        } else {
            EXPECT_EQ(run.exitCode, 2011u);
            EXPECT_NE(Find(lines, "\tERROR\tinstallation directory " + installDir_ +
                                      " not removed whole"),
                      "");
            EXPECT_NE(Find(lines, "\tERROR\t" + wt::Utf8(wt::Failure("2011").text)), "");
            EXPECT_EQ(lines.back(), "RESULT\texit=2011 removed=2 failed=1");
        }
    }

    // A desktop shortcut held open stays: no success, the log names it, the rest goes.
    installer_.Remove();
    ASSERT_NO_FATAL_FAILURE(Install());
    const std::string shortcut = installer_.DesktopDir() + "\\Sample App.lnk";
    {
        wt::HeldFile held(shortcut);
        run = Uninstall({}, " /S \"/LOG=" + log + "\"");
    }
    lines = ReadLog(log);
    EXPECT_EQ(run.exitCode, 2011u);
    EXPECT_NE(Find(lines, "\tERROR\tdesktop shortcut " + shortcut + " not removed: "), "");
    EXPECT_EQ(lines.back(), "RESULT\texit=2011 removed=4 failed=1");
    EXPECT_FALSE(wt::Exists(installDir_));

    // A log asked for inside the installation directory, as a tool started there asks for it,
    // is written in the temp directory and keeps nothing.
    ASSERT_NO_FATAL_FAILURE(Install());
    EXPECT_EQ(Uninstall({}, " /S /LOG=uninstall.log").exitCode, 0u);
    EXPECT_FALSE(wt::Exists(installDir_));
    for (const std::string& name : wt::ListTree(wt::TempDir()))
        if (name.find("uninstall-") == 0) DeleteFileA((wt::TempDir() + "\\" + name).c_str());
}

// A dry run goes through every check and list, writes what a real run would remove, and
// removes nothing: interactive, it shows one box at the end and no confirmation.
TEST_F(UninstallRun, DryRunListsWhatARealRunWouldRemoveAndRemovesNothing) {
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot before = TakeSnapshot(false);
    const std::string log = LogFile("dry.log");
    wt::RunResult run = Uninstall({}, " /DRYRUN \"/LOG=" + log + "\"");
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Notice("模拟卸载完成，未删除任何文件\n" + log)});
    ExpectOnlyChanges(before, TakeSnapshot(false), {});
    std::vector<std::string> lines = ReadLog(log);
    for (const std::string& item :
         {"would remove program group " + installer_.ProgramsDir() + "\\Sample App",
          "would remove desktop shortcut " + installer_.DesktopDir() + "\\Sample App.lnk",
          "would remove the installation directory " + installDir_ + ": 300 files, 33 directories",
          std::string("would remove the uninstall key HKLM\\SOFTWARE")})
        EXPECT_NE(Find(lines, item), "") << item;
    EXPECT_NE(Find(lines, "verdict: lists found: executable 2, regFolderName 2, scFolderName 1, "
                          "scDesktopName 1; 0 warnings and 0 errors above; nothing listed would "
                          "stay"), "");
    EXPECT_EQ(lines.back(), "RESULT\texit=1 removed=5 failed=0");

    // Quiet, it ends with the code the real run would: here a listed program runs.
    wt::RunningProgram helper(installDir_, "SampleHelper.exe");
    run = Uninstall({}, " /S /DRYRUN \"/LOG=" + log + "\"");
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{});
    EXPECT_EQ(run.exitCode, 2013u);
    lines = ReadLog(log);
    EXPECT_NE(Find(lines, "errors above; the run would stop with 2013"), "");
    EXPECT_EQ(lines.back(), "RESULT\texit=2013 removed=0 failed=0");
}

}  // namespace
}  // namespace e2e
