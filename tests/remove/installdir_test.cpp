// The installation directory step: the real working copy removing an installation with
// files held open by another process, for a moment or for the whole run, names outside the
// code page, and directory links that lead out of the installation directory; and the step
// called in this process on folders it must refuse.
#include <gtest/gtest.h>

#include <memory>

#include "boxes.h"
#include "remove/folders.h"
#include "remove/guard.h"

namespace {

class InstallDirStep : public ::testing::Test {
protected:
    void SetUp() override {
        app.Remove();
        app.Install();
    }

    wt::Installation app{"C:\\rmtest\\installdir",
                         {{HKEY_LOCAL_MACHINE, "RmTreeMachine"}, {HKEY_CURRENT_USER, "RmTreeUser"}}};
    const std::string held = app.dir + "\\data\\settings.ini";  // where a file is held open
};

// The installation directory is checked as the system will act on it, however it is reached;
// what the check opened is what the removal acts on.
TEST_F(InstallDirStep, RefusesAUsersFolderHoweverItIsReached) {
    const std::string documents = wt::ShellFolder("Personal");
    const std::string profile = documents.substr(0, documents.find_last_of('\\'));
    const std::string sentinel = documents + "\\rm-sentinel.txt";
    wt::WriteTextFile(sentinel, "keep");
    ASSERT_TRUE(app.MakeLink(app.root + "\\via", profile));
    for (const std::string& dir :
         {documents + "\\", app.root + "\\via\\Documents\\", app.root + "\\via"}) {
        SCOPED_TRACE(dir);
        WellKnownFolders folders(wt::Utf16(wt::TempDir()).c_str());
        CheckedDir checked;
        EXPECT_EQ(CheckInstallDir(wt::Utf16(dir).c_str(), folders, checked),
                  static_cast<DWORD>(ERROR_ACCESS_DENIED));
        EXPECT_EQ(wt::ReadTextFile(sentinel), "keep");
    }
    DeleteFileA(sentinel.c_str());
}

// A file held for the whole run that cannot even move (its holder shares no delete), or a
// program whose move cannot be scheduled for the next restart (no administrator rights),
// ends the run with 2011 and the keys stay, so that it can be run again.
TEST_F(InstallDirStep, WhatCannotGoNorMoveFailsWith2011AndKeepsTheKeysUntilASecondRun) {
    for (bool rights : {true, false}) {
        SCOPED_TRACE(rights ? "held" : "no rights");
        SetUp();
        {
            std::unique_ptr<wt::SchedulingBlocked> noRights(rights ? nullptr : new wt::SchedulingBlocked);
            std::unique_ptr<wt::HeldFile> holder(rights ? new wt::HeldFile(held) : nullptr);
            std::unique_ptr<wt::RunningProgram> program(
                rights ? nullptr : new wt::RunningProgram(app.dir, "helper.exe"));
            EXPECT_EQ(wt::RunWorkingCopy(app.Options()).boxes, wt::Confirmed(wt::Failure("2011")));
            EXPECT_TRUE(wt::Exists(rights ? held : app.dir + "\\helper.exe"));
            EXPECT_TRUE(app.KeysThere());
        }
        EXPECT_EQ(wt::RunWorkingCopy(app.Options()).boxes, wt::Confirmed(wt::Success()));
        EXPECT_TRUE(app.Gone());
    }
}

// The shell holds a file for a moment, or a scanner for two seconds sharing its deletion
// (its name stays till it lets go): the delete, and the folder's, are tried again and go.
TEST_F(InstallDirStep, FileHeldForAMomentIsRemoved) {
    for (wt::HeldFile::How how : {wt::HeldFile::kOpen, wt::HeldFile::kScanning}) {
        SetUp();
        wt::HeldFile holder(held, how == wt::HeldFile::kOpen ? 700 : 2000, how);
        EXPECT_EQ(wt::RunWorkingCopy(app.Options()).boxes, wt::Confirmed(wt::Success()));
        EXPECT_TRUE(app.Gone());
    }
}

// A console whose current folder is the installation directory: all in it goes now, the
// keys too, and the empty folder at the next restart; never "not the application's" (2012).
TEST_F(InstallDirStep, AnInstallationDirectoryHeldAsACurrentFolderGoesAtTheNextRestart) {
    {
        wt::HeldFile console(app.dir, 60000, wt::HeldFile::kAsCurrentDirectory);
        Sleep(500);
        EXPECT_EQ(wt::RunWorkingCopy(app.Options()).boxes, wt::Confirmed(wt::RestartNeeded()));
        EXPECT_EQ(wt::ListTree(app.dir), std::vector<std::string>{});
        EXPECT_TRUE(app.KeysGone());
    }
    wt::RestartPrefix();
    EXPECT_FALSE(wt::Exists(app.dir));
}

// A program of the application that runs for the whole run moves into a folder of the run's
// own beside the installation directory and goes from there at the next restart; all else
// goes now, the keys too, and the user is told. An installation made again before the
// restart is whole after it.
TEST_F(InstallDirStep, ProgramRunningForTheWholeRunGoesAtTheNextRestartAndNothingNewWithIt) {
    for (const char* quiet : {"", " /S"}) {
        SCOPED_TRACE(quiet);
        SetUp();
        {
            wt::RunningProgram program(app.dir + "\\bin", "helper.exe");
            wt::RunResult run = wt::RunWorkingCopy(app.Options() + quiet, {}, *quiet ? 3010 : 1);
            EXPECT_EQ(run.boxes, *quiet ? std::vector<wt::Box>{} : wt::Confirmed(wt::RestartNeeded()));
            EXPECT_FALSE(wt::Exists(app.dir));
            EXPECT_TRUE(app.KeysGone());
            std::vector<std::string> pending = wt::PendingDeletes();
            ASSERT_EQ(pending.size(), 2u);
            EXPECT_EQ(pending[1].find(app.root + "\\VORNAuninstall-pending."), 0u) << pending[1];
            EXPECT_EQ(pending[0].find(pending[1] + "\\"), 0u) << pending[0];
        }
        app.Install();
        const std::vector<std::string> installed = wt::ListTree(app.dir);
        wt::RestartPrefix();
        EXPECT_TRUE(app.Intact());
        EXPECT_EQ(wt::ListTree(app.dir), installed);
        EXPECT_EQ(wt::ListTree(app.root).size(), installed.size() + 1);  // the own folder went
        EXPECT_EQ(wt::PendingDeletes(), std::vector<std::string>{});
    }
}

// A long removal shows how far it has come in a window of its own, which is gone before the
// last box; a short one, or a quiet one, shows none. At 192 DPI the window is laid out at
// twice its size at 96.
TEST_F(InstallDirStep, ProgressWindowOnlyWhenTheRemovalTakesLong) {
    LONG widths[2] = {};
    for (int run = 0; run < 4; ++run) {
        SCOPED_TRACE(run);
        SetUp();
        const wchar_t kDesktop[] = L"Control Panel\\Desktop";
        DWORD dpi = run == 3 ? 192 : 96;
        RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels", REG_DWORD, &dpi, sizeof(dpi));
        if (run > 0)
            for (int i = 0; i < 6000; ++i)
                wt::WriteTextFile(app.dir + "\\cache\\d" + std::to_string(i / 100) + "\\f" +
                                      std::to_string(i) + ".tmp",
                                  "x");
        wt::WindowWatcher progress("UninstallProgress");
        bool showingAtLastBox = true;
        wt::RunResult result = wt::RunWorkingCopy(
            app.Options() + (run == 2 ? " /S" : ""), {}, run == 2 ? 0 : 1,
            [&](HWND, const wt::Box&) { showingAtLastBox = progress.Showing(); });
        RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, L"LogPixels");
        EXPECT_FALSE(wt::Exists(app.dir));
        EXPECT_EQ(progress.Seen(), run == 1 || run == 3);
        if (run != 2) {
            EXPECT_EQ(result.boxes, wt::Confirmed(wt::Success()));
            EXPECT_FALSE(showingAtLastBox);
        }
        if (run % 2) widths[run / 2] = progress.Width();
    }
    EXPECT_GT(widths[0], 400);
    EXPECT_NEAR(widths[1], 2 * widths[0], widths[0] / 10);
}

// Names the ANSI code page (936) cannot spell, which its functions report with "?", and a
// read-only file deeper than 1,024 characters.
TEST_F(InstallDirStep, NamesOutsideTheCodePageAndDeepPathsAreRemovedWhole) {
    const std::wstring literal = L"\\\\?\\" + std::wstring(app.dir.begin(), app.dir.end());
    for (const wchar_t* name : {L"\\smile \xD83D\xDE00.txt",
                                L"\\\x0627\x0644\x0639\x0631\x0628\x064A\x0629\\\x0E44\x0E17\x0E22.dat",
                                L"\\G\x0151z\\data\\x.bin"})
        ASSERT_TRUE(wt::WriteLiteral(literal + name));
    std::wstring deep = literal;
    for (int level = 0; level < 20; ++level) deep += L"\\level" + std::wstring(50, L'a' + level);
    ASSERT_TRUE(wt::WriteLiteral(deep + L"\\deep.txt"));
    ASSERT_GT(deep.size(), 1024u);
    ASSERT_TRUE(SetFileAttributesW((deep + L"\\deep.txt").c_str(), FILE_ATTRIBUTE_READONLY));

    EXPECT_EQ(wt::RunWorkingCopy(app.Options()).boxes, wt::Confirmed(wt::Success()));
    EXPECT_TRUE(app.Gone());
}

// Other applications inside the installation directory stay whole, with the folders that
// hold them: one the list of installed programs names (not as this one's), one shipped with
// its own uninstaller. All else goes. One whose folder is the installation directory, or
// holds it, refuses the run.
TEST_F(InstallDirStep, OtherApplicationsInsideStayWhole) {
    const std::string game = app.dir + "\\games\\Other", key = "SOFTWARE\\Microsoft\\Windows\\"
                                                            "CurrentVersion\\Uninstall\\RmOtherGame";
    std::unique_ptr<wt::AddedValue> other(
        new wt::AddedValue(HKEY_CURRENT_USER, key, "InstallLocation", game + "\\"));
    wt::WriteTextFile(game + "\\save.dat", "save");
    wt::WriteTextFile(app.dir + "\\games\\ours.dat", "ours");
    wt::InstallUninstaller(app.dir + "\\Suite\\Product2", "<config/>");
    EXPECT_EQ(wt::RunWorkingCopy(app.Options()).boxes, wt::Confirmed(wt::Success()));
    EXPECT_EQ(wt::ListTree(app.dir),
              (std::vector<std::string>{"Suite\\", "Suite\\Product2\\", "Suite\\Product2\\conf.xml",
                                        "Suite\\Product2\\uninstall.exe", "games\\",
                                        "games\\Other\\", "games\\Other\\save.dat"}));
    EXPECT_EQ(wt::ReadTextFile(game + "\\save.dat"), "save");
    EXPECT_TRUE(app.KeysGone());
    for (const std::string& folder : {app.dir, app.root}) {
        SCOPED_TRACE(folder);
        SetUp();
        other.reset();
        other.reset(new wt::AddedValue(HKEY_CURRENT_USER, key, "InstallLocation", folder));
        EXPECT_EQ(wt::RunWorkingCopy(app.Options(), {wt::Answer::Cancel}).boxes,
                  std::vector<wt::Box>{wt::Failure("2012")});
        EXPECT_TRUE(app.Intact());
    }
}

// A run killed half-way leaves an application that its uninstall.exe, run again, removes.
TEST_F(InstallDirStep, ARunKilledHalfWayIsFinishedByTheNextOne) {
    wt::InstallUninstaller(app.dir, "<config><unist><regFolderName>RmTreeMachine,RmTreeUser"
                                    "</regFolderName></unist></config>");
    for (int i = 0; i < 4000; ++i)
        wt::WriteTextFile(app.dir + "\\cache\\d" + std::to_string(i / 100) + "\\f" +
                              std::to_string(i),
                          "x");
    const std::string uninstaller = "\"" + app.dir + "\\uninstall.exe\" /S";
    HANDLE job = CreateJobObjectA(nullptr, nullptr);
    STARTUPINFOA startup = {sizeof(startup)};
    PROCESS_INFORMATION started = {};
    ASSERT_TRUE(CreateProcessA(nullptr, const_cast<char*>(uninstaller.c_str()), nullptr, nullptr,
                               FALSE, CREATE_SUSPENDED, nullptr, app.dir.c_str(), &startup, &started));
    AssignProcessToJobObject(job, started.hProcess);
    ResumeThread(started.hThread);
    size_t left = 4040;  // entries of the cache, its folders among them
    for (int tick = 0; tick < 600 && left > 2020; ++tick, Sleep(20)) left = wt::ListTree(app.dir + "\\cache").size();
    TerminateJobObject(job, 1);
    WaitForSingleObject(started.hProcess, 10000);
    for (HANDLE handle : {started.hProcess, started.hThread, job}) CloseHandle(handle);
    EXPECT_LT(left, 4040u);
    EXPECT_TRUE(wt::Exists(app.dir + "\\uninstall.exe") && wt::Exists(app.dir + "\\conf.xml"));
    EXPECT_TRUE(app.KeysThere());
    wt::RunResult again = wt::RunAndAnswer(uninstaller, {}, app.dir);
    EXPECT_EQ(again.exitCode, 0u);
    EXPECT_TRUE(app.Gone());
}

// A link to a file goes as a link; a link to a directory goes where the system removes it
// as a link, and else stays with the run saying so. What they lead to stays whole.
TEST_F(InstallDirStep, FilesReachedThroughALinkSurviveTheRun) {
    const std::string target = app.root + "\\elsewhere";
    wt::WriteTextFile(target + "\\user.doc", "doc");
    wt::WriteTextFile(target + "\\photos\\a.jpg", "jpg");
    const std::vector<std::string> targetTree = wt::ListTree(target);
    ASSERT_EQ(targetTree.size(), 3u);
    for (const std::string& link : {app.dir + "\\data\\settings.ini", app.dir + "\\linked"}) {
        SCOPED_TRACE(link);
        app.Install();
        const bool toFile = link.back() == 'i';
        ASSERT_TRUE(app.MakeLink(link, toFile ? target + "\\user.doc" : target));
        ASSERT_TRUE(wt::Exists(link + (toFile ? "" : "\\user.doc")));

        wt::RunResult run = wt::RunWorkingCopy(app.Options());
        EXPECT_EQ(wt::ListTree(target), targetTree);
        EXPECT_EQ(wt::ReadTextFile(target + "\\user.doc"), "doc");
        ASSERT_EQ(run.boxes.size(), 2u);
        EXPECT_EQ(run.boxes[0], wt::Confirm());
        if (toFile || !wt::Exists(app.dir)) {
            EXPECT_EQ(run.boxes[1], wt::Success());
            EXPECT_TRUE(app.Gone());
        } else {
            EXPECT_EQ(run.boxes[1], wt::Failure("2011"));
            EXPECT_TRUE(app.KeysThere());
        }
    }
}

}  // namespace
