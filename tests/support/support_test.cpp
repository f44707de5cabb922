// The test support against the real system: what the other tests rely on it for.
#include <gtest/gtest.h>

#include "boxes.h"
// After windows.h, which wintest.h brings.
#include <psapi.h>

namespace {

using wt::Answer;

const char kRoot[] = "C:\\harness-support";

class SupportTest : public ::testing::Test {
protected:
    void SetUp() override { wt::RemoveAll(kRoot); }
    void TearDown() override {
        wt::RemoveAll(kRoot);
        wt::RemoveAll(wt::WorkingCopy());
    }
};

TEST_F(SupportTest, HeldFileCannotBeDeletedUntilReleased) {
    const std::string file = std::string(kRoot) + "\\held.txt";
    wt::WriteTextFile(file, "x");
    {
        wt::HeldFile held(file);
        EXPECT_FALSE(DeleteFileA(file.c_str()));
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_TRUE(DeleteFileA(file.c_str()));
}

// The product finds programs by the base name of their first module.
TEST_F(SupportTest, RunningProgramRunsUnderItsNameUntilDestroyed) {
    HANDLE process;
    {
        wt::RunningProgram program(kRoot, "Some App.exe");
        ASSERT_TRUE(program.IsRunning());
        process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | SYNCHRONIZE, FALSE,
                              program.pid());
        ASSERT_TRUE(process);
        HMODULE modules[64];
        DWORD bytes = 0;
        char name[MAX_PATH] = "";
        ASSERT_TRUE(K32EnumProcessModules(process, modules, sizeof(modules), &bytes));
        K32GetModuleBaseNameA(process, modules[0], name, sizeof(name));
        EXPECT_STREQ(name, "Some App.exe");
    }
    EXPECT_EQ(WaitForSingleObject(process, 0), WAIT_OBJECT_0);
    CloseHandle(process);
}

TEST_F(SupportTest, BoxWatcherAnswersThisProcessesBoxes) {
    wt::BoxWatcher watcher({Answer::Cancel});
    EXPECT_EQ(MessageBoxA(nullptr, "first", "caption", MB_OKCANCEL), IDCANCEL);
    EXPECT_EQ(MessageBoxA(nullptr, "second", "caption", MB_OK), IDOK);
    std::vector<wt::Box> boxes = watcher.Boxes();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(wt::Describe(boxes[0]), "caption | first | OK,Cancel");
    EXPECT_EQ(wt::Describe(boxes[1]), "caption | second | OK");
    EXPECT_EQ(boxes[0].pid, GetCurrentProcessId());
}

// Phase one ends as soon as it has started the working copy; the copy's boxes still count.
TEST_F(SupportTest, RunAndAnswerWaitsForTheWorkingCopy) {
    const std::string app = std::string(kRoot) + "\\App";
    std::string exe = wt::InstallUninstaller(app, "<config><global/><unist/></config>");

    wt::RunResult run = wt::RunAndAnswer("\"" + exe + "\"", {Answer::Cancel});
    EXPECT_FALSE(run.timedOut);
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Confirm()});
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_TRUE(wt::Exists(app + "\\conf.xml"));
}

}  // namespace
