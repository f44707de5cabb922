// Phase two refuses to remove anything while a listed program runs: the real working copy,
// started from the temp directory, against stand-in programs running under chosen names.
#include <gtest/gtest.h>

#include "boxes.h"

namespace {

const char kKey[] = "RmRunningApp";

class RunningCheck : public ::testing::Test {
protected:
    void SetUp() override {
        app.Remove();
        app.Install();
    }
    // Phase two as phase one starts it, with exeOption standing for "-e ..." (or nothing).
    wt::RunResult RunPhaseTwo(const std::string& exeOption) {
        return wt::RunWorkingCopy(app.Options() + " " + exeOption);
    }

    wt::Installation app{"C:\\rmtest\\running", {{HKEY_CURRENT_USER, kKey}}};
    const std::string programDir = app.root + "\\bin";
};

TEST_F(RunningCheck, ListedProgramThatRunsStopsTheRunBeforeAnythingIsRemoved) {
    struct Case {
        const char* file;   // the running program's
        const char* list;   // the -e list
        const char* named;  // in the box
        std::string program;
    };
    // The last one is a 64-bit program, whose modules a 32-bit process cannot list.
    for (const Case& c : {Case{"APP.EXE", "app", "app", wt::SleeperExe()},
                          Case{"app.exe", "App.exe", "App.exe", wt::SleeperExe()},
                          Case{"Tool64.exe", "helper.exe,tool64", "tool64", wt::Sleeper64Exe()}}) {
        SCOPED_TRACE(c.file);
        wt::RunningProgram program(programDir, c.file, 60000, c.program);
        ASSERT_TRUE(program.IsRunning());
        wt::RunResult run = RunPhaseTwo(std::string("-e \"") + c.list + "\"");
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram(c.named)));
        EXPECT_TRUE(app.Intact());
        EXPECT_TRUE(program.IsRunning());
    }
}

TEST_F(RunningCheck, NamesThatOnlyResembleTheRunningProgramLetTheRunGoOn) {
    wt::RunningProgram program(programDir, "app.exe");
    ASSERT_TRUE(program.IsRunning());
    wt::RunResult run = RunPhaseTwo("-e \"app.ex,ap,pp.exe,bin\\app.exe, app\"");
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
    EXPECT_TRUE(app.Gone());
    EXPECT_TRUE(program.IsRunning());
}

TEST_F(RunningCheck, OnlyTheFirstRunningNameInListOrderIsNamed) {
    wt::RunningProgram a(programDir, "a.exe");
    wt::RunningProgram b(programDir, "b.exe");
    ASSERT_TRUE(a.IsRunning());
    ASSERT_TRUE(b.IsRunning());

    wt::RunResult run = RunPhaseTwo("-e \"c,b,a\"");
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("b")));
    EXPECT_TRUE(app.Intact());

    run = RunPhaseTwo("-e \"a,b\"");
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::CloseProgram("a")));
    EXPECT_TRUE(app.Intact());
    EXPECT_TRUE(a.IsRunning());
    EXPECT_TRUE(b.IsRunning());
}

TEST_F(RunningCheck, ListsWithoutNamesPassWithoutABox) {
    wt::RunningProgram program(programDir, "app.exe");
    ASSERT_TRUE(program.IsRunning());
    for (const char* option : {"-e \"\"", "-e \",,\"", ""}) {
        SCOPED_TRACE(option);
        app.Install();
        wt::RunResult run = RunPhaseTwo(option);
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
        EXPECT_TRUE(app.Gone());
    }
}

}  // namespace
