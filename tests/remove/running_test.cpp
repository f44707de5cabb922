// Phase two refuses to remove anything while a listed program runs: the real working copy,
// started from the temp directory, against stand-in programs running under chosen names.
#include <gtest/gtest.h>

#include "boxes.h"

namespace {

const char kKey[] = "RmRunningApp";

class RunningCheck : public ::testing::Test {
protected:
    const std::string root = "C:\\rmtest\\running";
    const std::string installDir = root + "\\app";
    const std::string programDir = root + "\\bin";

    void SetUp() override {
        wt::RemoveAll(root);
        MakeInstallation();
    }

    void TearDown() override {
        wt::RemoveAll(root);
        wt::DeleteUninstallKeyTree(HKEY_CURRENT_USER, kKey);
        RemoveDirectoryA("C:\\rmtest");  // goes only when empty
    }

    void MakeInstallation() {
        wt::WriteTextFile(installDir + "\\app.exe", "program");
        wt::WriteTextFile(installDir + "\\data\\settings.ini", "[app]");
        wt::CreateUninstallKey(HKEY_CURRENT_USER, kKey);
    }

    bool InstallationIntact() {
        return wt::Exists(installDir + "\\app.exe") &&
               wt::Exists(installDir + "\\data\\settings.ini") &&
               wt::UninstallKeyExists(HKEY_CURRENT_USER, kKey);
    }

    bool InstallationGone() {
        return !wt::Exists(installDir) && !wt::UninstallKeyExists(HKEY_CURRENT_USER, kKey);
    }

    // Phase two as phase one starts it, with exeOption standing for "-e ..." (or nothing).
    wt::RunResult RunPhaseTwo(const std::string& exeOption) {
        return wt::RunWorkingCopy("-p \"" + installDir + "\\\" " + exeOption + " -R \"" + kKey + "\"");
    }
};

TEST_F(RunningCheck, ListedProgramThatRunsStopsTheRunBeforeAnythingIsRemoved) {
    {
        wt::RunningProgram program(programDir, "APP.EXE");
        ASSERT_TRUE(program.IsRunning());
        wt::RunResult run = RunPhaseTwo("-e \"app\"");
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("app")));
        EXPECT_TRUE(InstallationIntact());
        EXPECT_TRUE(program.IsRunning());
    }
    {
        wt::RunningProgram program(programDir, "app.exe");
        ASSERT_TRUE(program.IsRunning());
        wt::RunResult run = RunPhaseTwo("-e \"App.exe\"");
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("App.exe")));
        EXPECT_TRUE(InstallationIntact());
        EXPECT_TRUE(program.IsRunning());
    }
    {
        // A 64-bit program, whose modules a 32-bit process cannot list.
        wt::RunningProgram program(programDir, "Tool64.exe", 60000, wt::Sleeper64Exe());
        ASSERT_TRUE(program.IsRunning());
        wt::RunResult run = RunPhaseTwo("-e \"helper.exe,tool64\"");
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("tool64")));
        EXPECT_TRUE(InstallationIntact());
        EXPECT_TRUE(program.IsRunning());
    }
}

TEST_F(RunningCheck, NamesThatOnlyResembleTheRunningProgramLetTheRunGoOn) {
    wt::RunningProgram program(programDir, "app.exe");
    ASSERT_TRUE(program.IsRunning());
    wt::RunResult run = RunPhaseTwo("-e \"app.ex,ap,pp.exe,bin\\app.exe, app\"");
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
    EXPECT_TRUE(InstallationGone());
    EXPECT_TRUE(program.IsRunning());
}

TEST_F(RunningCheck, OnlyTheFirstRunningNameInListOrderIsNamed) {
    wt::RunningProgram a(programDir, "a.exe");
    wt::RunningProgram b(programDir, "b.exe");
    ASSERT_TRUE(a.IsRunning());
    ASSERT_TRUE(b.IsRunning());

    wt::RunResult run = RunPhaseTwo("-e \"c,b,a\"");
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("b")));
    EXPECT_TRUE(InstallationIntact());

    run = RunPhaseTwo("-e \"a,b\"");
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("a")));
    EXPECT_TRUE(InstallationIntact());
    EXPECT_TRUE(a.IsRunning());
    EXPECT_TRUE(b.IsRunning());
}

TEST_F(RunningCheck, ListsWithoutNamesPassWithoutABox) {
    wt::RunningProgram program(programDir, "app.exe");
    ASSERT_TRUE(program.IsRunning());
    for (const char* option : {"-e \"\"", "-e \",,\"", ""}) {
        SCOPED_TRACE(option);
        MakeInstallation();
        wt::RunResult run = RunPhaseTwo(option);
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
        EXPECT_TRUE(InstallationGone());
    }
}

}  // namespace
