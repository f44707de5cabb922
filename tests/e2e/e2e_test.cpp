// The built uninstall.exe, started from an installed application's directory as a double
// click would start it, against the whole prefix: the boxes it shows, its exit code, and
// a listing of drive C: and the registry before and after the run.
#include <gtest/gtest.h>

#include "e2e/sample_app.h"
#include "e2e/snapshot.h"
#include "support/boxes.h"

namespace e2e {
namespace {

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

    // Started as a double click starts it: its own quoted path, its folder as current one.
    wt::RunResult Uninstall(std::vector<wt::Answer> answers = {}) {
        return wt::RunAndAnswer("\"" + installDir_ + "\\uninstall.exe\"", std::move(answers),
                                installDir_);
    }

    static std::string WorkingCopy() { return wt::TempDir() + "\\VORNAuninstall.exe"; }

    // Exactly the entries of before under gone disappeared, and on the drive nothing but the
    // working copy appeared.
    static void ExpectOnlyChanges(const Snapshot& before, const Snapshot& after,
                                  const std::vector<std::string>& gone) {
        ASSERT_GT(before.files.size(), 1000u);  // the listings cover the prefix
        ASSERT_GT(before.registry.size(), 10000u);
        EXPECT_EQ(Minus(before.files, after.files), Under(before.files, gone));
        EXPECT_EQ(Minus(before.registry, after.registry), Under(before.registry, gone));
        EXPECT_EQ(Minus(after.registry, before.registry), std::vector<std::string>{});
        std::vector<std::string> added = Minus(after.files, before.files);
        ASSERT_EQ(added.size(), 1u) << ::testing::PrintToString(added);
        EXPECT_EQ(Fold(added[0]), Fold(WorkingCopy()));
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
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
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
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{
                             wt::Confirm(), wt::Notice("卸载失败  请先关闭程序: SampleHelper.exe", "VORNAuninstall")}));
    ExpectOnlyChanges(before, TakeSnapshot(false), {});
    EXPECT_TRUE(helper.IsRunning());
}

TEST_F(UninstallRun, FileInUseKeepsTheKeysUntilASecondRunAfterItsRelease) {
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot installed = TakeSnapshot(false);
    std::string heldPath = installDir_ + "\\data\\maps\\m05\\tile03.dat";
    {
        wt::HeldFile held(heldPath);
        wt::RunResult run = Uninstall();

        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.boxes, (std::vector<wt::Box>{
                                 wt::Confirm(), wt::Notice("卸载失败  错误码:2011", "VORNAuninstall")}));
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
    EXPECT_EQ(again.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    ExpectOnlyChanges(installed, TakeSnapshot(false), AppParts());
}

TEST_F(UninstallRun, MissingConfigurationStopsInTheFirstPhase) {
    ASSERT_NO_FATAL_FAILURE(Install());
    ASSERT_TRUE(DeleteFileA((installDir_ + "\\conf.xml").c_str()));
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall();

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Notice("卸载失败  错误码:2010", "uninstall")});
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
    ASSERT_EQ(WorkingCopy(), localAppData + "\\Temp\\VORNAuninstall.exe");
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall();

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    ExpectOnlyChanges(before, TakeSnapshot(false), AppParts());
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
    ASSERT_NO_FATAL_FAILURE(Install());
    Snapshot before = TakeSnapshot(false);

    wt::RunResult run = Uninstall();

    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    ExpectOnlyChanges(before, TakeSnapshot(false), AppParts());
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
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    std::vector<std::string> gone = AppParts();
    gone.push_back(installer_.ProgramsDir() + "\\Sample Tools\\");
    gone.push_back(installer_.DesktopDir() + "\\Sample Tools.lnk");
    ExpectOnlyChanges(before, TakeSnapshot(false), gone);
}

}  // namespace
}  // namespace e2e
