// The start of phase two: what it needs on its command line, the directories it refuses to
// remove, and the user's last word in the confirm box. The real working copy is started from
// the temp directory as phase one starts it.
#include <gtest/gtest.h>

#include "boxes.h"

namespace {

const char kKey[] = "RmRefusalApp";

class PhaseTwoStart : public ::testing::Test {
protected:
    const std::string root = "C:\\rmtest\\refusal";
    const std::string installDir = root + "\\app";

    void SetUp() override {
        wt::RemoveAll(root);
        wt::WriteTextFile(installDir + "\\app.exe", "program");
        wt::WriteTextFile(installDir + "\\data\\settings.ini", "[app]");
        wt::CreateUninstallKey(HKEY_CURRENT_USER, kKey);
    }

    void TearDown() override {
        wt::RemoveAll(root);
        wt::DeleteUninstallKeyTree(HKEY_CURRENT_USER, kKey);
        RemoveDirectoryA("C:\\rmtest");  // goes only when empty
    }

    bool InstallationIntact() {
        return wt::Exists(installDir + "\\app.exe") &&
               wt::Exists(installDir + "\\data\\settings.ini") &&
               wt::UninstallKeyExists(HKEY_CURRENT_USER, kKey);
    }
};

TEST_F(PhaseTwoStart, WithoutAnInstallationDirectoryItReports2006) {
    wt::RunResult run = wt::RunWorkingCopy(std::string("-R \"") + kKey + "\"", {wt::Answer::Cancel});
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Notice("卸载失败  错误码:2006")});
    EXPECT_TRUE(InstallationIntact());
}

TEST_F(PhaseTwoStart, CancelOrCloseInTheConfirmBoxEndsSilently) {
    for (wt::Answer answer : {wt::Answer::Cancel, wt::Answer::Close}) {
        wt::RunResult run =
            wt::RunWorkingCopy("-p \"" + installDir + "\\\" -R \"" + kKey + "\"", {answer});
        EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Confirm()});
        EXPECT_TRUE(InstallationIntact());
    }
}

// Each directory holds a sentinel file of ours. Any confirm box is cancelled, so that a
// directory wrongly accepted is still not removed.
TEST_F(PhaseTwoStart, SystemAndUserFoldersAreRefusedWith2012) {
    char profile[MAX_PATH] = "";
    ASSERT_GT(GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH), 0u);
    char windows[MAX_PATH] = "";
    ASSERT_GT(GetWindowsDirectoryA(windows, MAX_PATH), 0u);

    struct Case {
        std::string option;  // the -p argument
        std::string sentinel;
    };
    const std::vector<Case> cases = {
        {"C:\\", "C:\\rm-sentinel.txt"},
        {std::string(profile) + "\\", std::string(profile) + "\\rm-sentinel.txt"},
        {std::string(profile), std::string(profile) + "\\rm-sentinel.txt"},
        {"C:\\windows\\", std::string(windows) + "\\rm-sentinel.txt"},
        {"C:\\Windows", std::string(windows) + "\\rm-sentinel.txt"},
        {wt::TempDir() + "\\", wt::TempDir() + "\\rm-sentinel.txt"},
        {wt::TempDir(), wt::TempDir() + "\\rm-sentinel.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        wt::WriteTextFile(c.sentinel, "keep");
        ASSERT_TRUE(wt::Exists(c.sentinel));
        wt::RunResult run = wt::RunWorkingCopy("-p \"" + c.option + "\" -R \"" + kKey + "\"",
                                        {wt::Answer::Cancel});
        EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Notice("卸载失败  错误码:2012")});
        EXPECT_TRUE(wt::Exists(c.sentinel));
        EXPECT_TRUE(InstallationIntact());
        DeleteFileA(c.sentinel.c_str());
    }
}

}  // namespace
