// Phase one for real: uninstall.exe copied into an installation directory of the prefix,
// started from there, and what the working copy it starts in the temp directory receives,
// read back from the started process itself while its confirm box is up.
#include <gtest/gtest.h>
#include <windows.h>

#include <stdio.h>
#include <string.h>

#include <algorithm>
#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "boxes.h"
#include "cmdline_of.h"

namespace {

using wt::WorkingCopy;

// A temp directory whose path holds a blank, and what the system would start in place of
// an unquoted path into it.
const char kBlankLocalAppData[] = "C:\\users\\John Smith\\AppData\\Local";
const char kPlanted[] = "C:\\users\\John.exe";

const char kFullConfig[] =
    "<?xml version=\"1.0\" encoding=\"gb2312\"?>\n"
    "<config>\n"
    "  <global><executable>tool.exe,helper.exe</executable></global>\n"
    "  <unist>\n"
    "    <regFolderName>ToolKey</regFolderName>\n"
    "    <scFolderName>Tool Group</scFolderName>\n"
    "    <scDesktopName>Tool.lnk,Tool Help.lnk</scDesktopName>\n"
    "  </unist>\n"
    "</config>\n";
// The options the working copy gets for it.
const char kFullLists[] =
    " -e \"tool.exe,helper.exe\" -R \"ToolKey\" -S \"Tool Group\" -s \"Tool.lnk,Tool Help.lnk\"";

std::string Lower(std::string text) {
    CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
    return text;
}

// One box of a run and what the process that showed it was started with.
struct Seen {
    wt::Box box;
    std::string image;             // the process's executable
    std::string imageContent;      // that file's bytes, read while the process runs
    std::string commandLine;       // as the system keeps it for the process
    std::string currentDirectory;  // likewise, with its trailing backslash
};

Seen ReadSeen(HWND window, const wt::Box& box) {
    Seen seen;
    seen.box = box;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, box.pid);
    if (!process) return seen;
    char image[MAX_PATH] = "";
    DWORD size = sizeof(image);
    if (QueryFullProcessImageNameA(process, 0, image, &size)) seen.image = image;
    seen.imageContent = wt::ReadTextFile(seen.image);
    EXPECT_TRUE(wt::CommandLineOf(process, seen.commandLine));
    EXPECT_TRUE(wt::CurrentDirectoryOf(process, seen.currentDirectory));
    CloseHandle(process);
    return seen;
}

// A run of phase one, each box read with its process while it is up; every box is
// cancelled (a notice has only OK, which Cancel presses too), so nothing gets removed.
struct Outcome : wt::RunResult {
    std::vector<Seen> seen;  // one per box
};

Outcome RunPhaseOne(const std::string& commandLine, const std::string& currentDirectory) {
    Outcome outcome;
    std::vector<Seen> seen;
    static_cast<wt::RunResult&>(outcome) = wt::RunAndAnswer(
        commandLine, std::vector<wt::Answer>(4, wt::Answer::Cancel), currentDirectory, 60000,
        [&](HWND window, const wt::Box& box) { seen.push_back(ReadSeen(window, box)); });
    outcome.seen = seen;
    return outcome;
}

class PhaseOne : public ::testing::Test {
protected:
    void SetUp() override {
        app.Remove();
        app.Install();
        ASSERT_TRUE(wt::Exists(wt::CopyUninstall(uninstallExe)));
        DeleteFileA(WorkingCopy().c_str());
        wt::RemoveWorkingCopyFolders();
        ours_ = wt::ReadTextFile(wt::UninstallExe());
        ASSERT_FALSE(ours_.empty());
    }
    void TearDown() override {
        wt::RemoveLink(WorkingCopy());
        DeleteFileA(WorkingCopy().c_str());
        wt::RemoveWorkingCopyFolders();
        DeleteFileA(StagePath().c_str());
        wt::RemoveAll("C:\\users\\John Smith");
        DeleteFileA(kPlanted);
    }

    static std::string StagePath() { return wt::TempDir() + "\\impostor-stage.exe"; }
    void WriteConfig(const std::string& xml) { wt::WriteTextFile(app.dir + "\\conf.xml", xml); }
    // uninstall.exe started from its own directory, as a user starts it.
    Outcome Start(const std::string& arguments = "") {
        return RunPhaseOne("\"" + uninstallExe + "\"" + arguments, app.dir);
    }
    // The line the working copy must receive: its own quoted path, then the options.
    std::string LineWith(const std::string& options, const std::string& copy = WorkingCopy()) {
        return "\"" + copy + "\" -p \"" + app.dir + "\\\"" + options;
    }

    // Exactly one box, the confirm box of the working copy started as copy with commandLine,
    // in the temp directory.
    void ExpectWorkingCopyStarted(const Outcome& run, const std::string& commandLine,
                                  const std::string& copy = WorkingCopy()) {
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.processes, 2u);
        ASSERT_EQ(run.seen.size(), 1u);
        const Seen& seen = run.seen[0];
        EXPECT_EQ(seen.box, wt::Confirm());
        EXPECT_NE(seen.box.pid, run.pid);
        EXPECT_EQ(Lower(seen.image), Lower(copy));
        EXPECT_TRUE(seen.imageContent == ours_) << "the working copy is not uninstall.exe";
        EXPECT_EQ(seen.commandLine, commandLine);
        EXPECT_EQ(Lower(seen.currentDirectory), Lower(wt::TempDir() + "\\"));
    }
    // Exactly one box, phase one's failure box (caption "uninstall") with code; nothing started.
    void ExpectFailure(const Outcome& run, const char* code) {
        EXPECT_FALSE(run.timedOut);
        EXPECT_EQ(run.exitCode, 1u);
        EXPECT_EQ(run.processes, 1u) << "a working copy was started";
        ASSERT_EQ(run.seen.size(), 1u);
        EXPECT_EQ(run.seen[0].box, wt::Failure(code, "uninstall"));
        EXPECT_EQ(run.seen[0].box.pid, run.pid);
    }

    wt::Installation app{"C:\\Apps", {{HKEY_CURRENT_USER, "ToolKey"}}, "Tool"};
    const std::string uninstallExe = app.dir + "\\uninstall.exe";
    std::string ours_;  // the bytes of the built uninstall.exe
};

TEST_F(PhaseOne, StartsTheWorkingCopyWithTheInstallDirAndTheFourLists) {
    WriteConfig(kFullConfig);
    std::vector<std::string> before = wt::ListTree(app.root);

    Outcome run = Start();
    ExpectWorkingCopyStarted(run, LineWith(kFullLists));
    EXPECT_TRUE(wt::ReadTextFile(WorkingCopy()) == ours_);
    // Cancelled at the confirm box: nothing removed.
    EXPECT_EQ(wt::ListTree(app.root), before);
    EXPECT_TRUE(app.KeysThere());
}

TEST_F(PhaseOne, OptionsGivenToPhaseOneGiveWayToTheFile) {
    WriteConfig(kFullConfig);
    ExpectWorkingCopyStarted(Start(" -e \"x.exe\" -p \"C:\\elsewhere\\\""), LineWith(kFullLists));

    // A list the file lacks is not passed on, even when phase one was given it.
    WriteConfig("<config><unist><regFolderName>ToolKey</regFolderName></unist></config>");
    ExpectWorkingCopyStarted(Start(" -e \"x.exe\" -s \"y.lnk\" -p \"C:\\elsewhere\\\""),
                             LineWith(" -R \"ToolKey\""));
}

TEST_F(PhaseOne, ListsAbsentOrEmptyInTheFileAreLeftOut) {
    WriteConfig("<config></config>");
    ExpectWorkingCopyStarted(Start(), LineWith(""));

    WriteConfig(
        "<config><global><executable></executable></global>"
        "<unist><regFolderName/><scFolderName>Tool Group</scFolderName></unist></config>");
    ExpectWorkingCopyStarted(Start(), LineWith(" -S \"Tool Group\""));
}

TEST_F(PhaseOne, MissingOrBrokenConfigShowsError2010AndStartsNothing) {
    ExpectFailure(Start(), "2010");

    WriteConfig("<config><global><executable>tool.exe</global></config>");
    ExpectFailure(Start(), "2010");

    WriteConfig("");
    ExpectFailure(Start(), "2010");

    // Damaged or hostile: nested 100,000 deep, or larger than any configuration.
    std::string deep = "<config>";
    for (int i = 0; i < 100000; ++i) deep += "<a>";
    WriteConfig(deep);
    ExpectFailure(Start(), "2010");
    WriteConfig(kFullConfig + std::string("<!--") + std::string(1 << 20, 'x') + "-->");
    ExpectFailure(Start(), "2010");
}

TEST_F(PhaseOne, ListThatCannotBePassedWholeShowsError2010AndStartsNothing) {
    WriteConfig("<config><unist><scDesktopName>" + std::string(33000, 'x') +
                "</scDesktopName></unist></config>");
    ExpectFailure(Start(), "2010");

    WriteConfig("<config><global><executable>tool.exe,a&quot; -p &quot;C:\\</executable>"
                "</global></config>");
    ExpectFailure(Start(), "2010");

    // The longest line the system starts a program with, 32,767 characters with its
    // terminator, passes whole; one character more is refused.
    std::string head = LineWith(" -s \"");
    std::string longest(32766 - head.size() - 1, 'x');
    ASSERT_EQ((head + longest + "\"").size(), 32766u);
    WriteConfig("<config><unist><scDesktopName>" + longest + "</scDesktopName></unist></config>");
    ExpectWorkingCopyStarted(Start(), head + longest + "\"");

    WriteConfig("<config><unist><scDesktopName>" + longest + "x</scDesktopName></unist></config>");
    ExpectFailure(Start(), "2010");
}

TEST_F(PhaseOne, ReplacesAWorkingCopyLeftByAnEarlierRun) {
    WriteConfig(kFullConfig);
    CopyFileA(wt::SleeperExe().c_str(), WorkingCopy().c_str(), FALSE);
    ExpectWorkingCopyStarted(Start(), LineWith(kFullLists));
    EXPECT_TRUE(wt::ReadTextFile(WorkingCopy()) == ours_);

    // One that another program holds open stays as it is: the copy goes into a new folder.
    wt::WriteTextFile(WorkingCopy(), "earlier copy");
    {
        wt::HeldFile held(WorkingCopy());
        Outcome run = Start();
        ASSERT_EQ(wt::WorkingCopyFolders().size(), 1u);
        std::string own = wt::WorkingCopyFolders()[0] + "\\VORNAuninstall.exe";
        ExpectWorkingCopyStarted(run, LineWith(kFullLists, own), own);
    }
    EXPECT_EQ(wt::ReadTextFile(WorkingCopy()), "earlier copy");

    // A link there goes as a link, or the run stops with 2003: what it leads to is never
    // written (Wine follows file links, so here it stops).
    const std::string outside = app.root + "\\outside.dat";
    wt::WriteTextFile(outside, "outside");
    DeleteFileA(WorkingCopy().c_str());
    ASSERT_TRUE(wt::MakeLink(WorkingCopy(), outside));
    Outcome linked = Start();
    if (!linked.seen.empty() && linked.seen[0].box.pid == linked.pid)
        ExpectFailure(linked, "2003");
    else
        ExpectWorkingCopyStarted(linked, LineWith(kFullLists));
    EXPECT_EQ(wt::ReadTextFile(outside), "outside");
    wt::RemoveLink(WorkingCopy());

    // A name shared with a read-only file elsewhere: the name goes, the file keeps its bytes
    // and its attributes, and the copy is a file of its own.
    ASSERT_TRUE(SetFileAttributesA(outside.c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(CreateHardLinkA(WorkingCopy().c_str(), outside.c_str(), nullptr));
    ExpectWorkingCopyStarted(Start(), LineWith(kFullLists));
    EXPECT_EQ(wt::ReadTextFile(outside), "outside");
    EXPECT_EQ(GetFileAttributesA(outside.c_str()) & FILE_ATTRIBUTE_READONLY,
              static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    EXPECT_TRUE(wt::ReadTextFile(WorkingCopy()) == ours_);
}

TEST_F(PhaseOne, TempPathWithABlankStartsTheCopyAndNothingElse) {
    const std::string temp = std::string(kBlankLocalAppData) + "\\Temp";
    wt::MakeDirs(temp);
    ASSERT_TRUE(CopyFileA(wt::SleeperExe().c_str(), kPlanted, FALSE));
    WriteConfig(kFullConfig);
    wt::ShellFolderOverride localAppDataMoved("Local AppData", kBlankLocalAppData);
    ASSERT_EQ(wt::TempDir(), temp);

    // Two processes only, the second one the copy with its confirm box: nothing else ran.
    ExpectWorkingCopyStarted(Start(), LineWith(kFullLists));
}

// While phase one runs, another thread keeps putting a different program in the working
// copy's place (a copy of uninstall.exe whose confirm text says otherwise). Whatever the
// interleaving, the copy that starts must be ours (under the shared name, or in a folder of
// its own while the other holds that name), or phase one must refuse with 2003 (it could not
// write the copy) or 2008 (what lies there is not a copy of itself).
TEST_F(PhaseOne, TheCopyThatStartsIsAlwaysOurs) {
    WriteConfig(kFullConfig);
    const std::string confirm = wt::Gbk("确认卸载？");
    const std::string other = wt::Gbk("别的程序！");
    ASSERT_EQ(other.size(), confirm.size());
    std::string impostor = ours_;
    size_t at = impostor.find(confirm);
    ASSERT_NE(at, std::string::npos);
    ASSERT_EQ(impostor.find(confirm, at + 1), std::string::npos);
    impostor.replace(at, confirm.size(), other);
    const std::string impostorPath = app.root + "\\impostor.exe";
    const std::string stagePath = StagePath();
    wt::WriteTextFile(impostorPath, impostor);

    const std::string target = WorkingCopy();
    int started = 0, copyFailed = 0, notOurs = 0;
    for (int round = 0; round < 10; ++round) {
        std::atomic<bool> stop(false);
        std::thread hammer([&] {
            while (!stop) {
                CopyFileA(impostorPath.c_str(), target.c_str(), FALSE);
                if (CopyFileA(impostorPath.c_str(), stagePath.c_str(), FALSE))
                    MoveFileExA(stagePath.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING);
            }
        });
        Outcome run = Start();
        stop = true;
        hammer.join();

        EXPECT_FALSE(run.timedOut);
        ASSERT_EQ(run.seen.size(), 1u) << "round " << round;
        const Seen& seen = run.seen[0];
        if (seen.box.pid == run.pid) {
            copyFailed += seen.box == wt::Failure("2003", "uninstall");
            notOurs += seen.box == wt::Failure("2008", "uninstall");
            EXPECT_TRUE(seen.box == wt::Failure("2003", "uninstall") ||
                        seen.box == wt::Failure("2008", "uninstall"))
                << "round " << round << ": " << wt::Describe(seen.box);
            EXPECT_EQ(run.processes, 1u);
        } else {
            ++started;
            // A running image cannot be overwritten, so the file is what runs: the target, or
            // the copy in a folder of its own.
            std::string copy = seen.commandLine.substr(1, seen.commandLine.find('"', 1) - 1);
            EXPECT_EQ(Lower(copy).find(Lower(wt::TempDir() + "\\VORNAuninstall.")), 0u);
            EXPECT_EQ(seen.box, wt::Confirm()) << "round " << round;
            EXPECT_EQ(Lower(seen.image), Lower(copy));
            EXPECT_TRUE(seen.imageContent == ours_) << "round " << round << ": not ours";
            EXPECT_EQ(seen.commandLine, LineWith(kFullLists, copy));
            EXPECT_EQ(run.processes, 2u);
        }
    }
    printf("copy started %d times; refused: 2003 %d times, 2008 %d times\n", started,
           copyFailed, notOurs);
}

// Two uninstalls at the same moment: of two applications, or of one started twice. A
// sentinel beside the applications must stay as it is.
class TwoAtOnce : public ::testing::Test {
protected:
    void SetUp() override {
        Install(first, "OneKey");
        Install(second, "TwoKey");
        wt::WriteTextFile(kSentinel, "sentinel");
        wt::RemoveWorkingCopyFolders();
    }
    void TearDown() override {
        EXPECT_EQ(wt::ReadTextFile(kSentinel), "sentinel");
        DeleteFileA(kSentinel);
        wt::RemoveWorkingCopyFolders();
    }
    static void Install(wt::Installation& app, const std::string& key) {
        app.Remove();
        app.Install();
        wt::InstallUninstaller(app.dir, "<config><unist><regFolderName>" + key +
                                            "</regFolderName></unist></config>");
    }
    static std::string Command(const wt::Installation& app, const std::string& switches = "") {
        return "\"" + app.dir + "\\uninstall.exe\"" + switches;
    }
    // Quiet runs of both started at once, each followed on a thread of its own.
    static std::vector<wt::RunResult> QuietTogether(const wt::Installation& a,
                                                    const wt::Installation& b) {
        std::vector<wt::RunResult> runs(2);
        std::thread other([&] { runs[1] = wt::RunAndAnswer(Command(b, " /S"), {}, b.dir); });
        runs[0] = wt::RunAndAnswer(Command(a, " /S"), {}, a.dir);
        other.join();
        return runs;
    }

    const char* const kSentinel = "C:\\Together\\sentinel.txt";
    wt::Installation first{"C:\\Together\\One", {{HKEY_CURRENT_USER, "OneKey"}}};
    wt::Installation second{"C:\\Together\\Two", {{HKEY_CURRENT_USER, "TwoKey"}}};
};

TEST_F(TwoAtOnce, TwoApplicationsRemovedQuietlyTogetherBothSucceed) {
    for (const wt::RunResult& run : QuietTogether(first, second)) {
        EXPECT_EQ(run.exitCode, 0u);
        EXPECT_EQ(run.boxes, std::vector<wt::Box>{});
    }
    EXPECT_TRUE(first.Gone());
    EXPECT_TRUE(second.Gone());
}

// The second one starts while the first one's copy runs from the shared name: its own copy
// lies in a folder of its own, and its boxes read as the working copy's.
TEST_F(TwoAtOnce, SecondApplicationStartedWhileTheFirstAsksBothSucceed) {
    wt::RunResult secondRun;
    std::string secondImage;
    auto startSecond = [&](HWND, const wt::Box&) {
        if (secondRun.pid != 0) return;
        secondRun = wt::RunAndAnswer(Command(second), {}, second.dir, 60000,
                                     [&](HWND, const wt::Box& box) {
                                         secondImage = ReadSeen(nullptr, box).image;
                                     });
    };
    wt::RunResult firstRun = wt::RunAndAnswer(Command(first), {}, first.dir, 60000, startSecond);
    EXPECT_EQ(firstRun.boxes, wt::Confirmed(wt::Success()));
    EXPECT_EQ(secondRun.boxes, wt::Confirmed(wt::Success()));
    ASSERT_EQ(wt::WorkingCopyFolders().size(), 1u);
    EXPECT_EQ(Lower(secondImage), Lower(wt::WorkingCopyFolders()[0] + "\\VORNAuninstall.exe"));
    EXPECT_TRUE(first.Gone());
    EXPECT_TRUE(second.Gone());
}

// Started twice: the second run does not race the first; it ends with 2014 having started
// nothing, or finds nothing left once the first is over.
TEST_F(TwoAtOnce, OneApplicationStartedTwiceGoesOnce) {
    std::vector<wt::RunResult> runs = QuietTogether(first, first);
    DWORD low = std::min(runs[0].exitCode, runs[1].exitCode);
    DWORD high = std::max(runs[0].exitCode, runs[1].exitCode);
    EXPECT_EQ(low, 0u);
    EXPECT_TRUE(high == 0u || high == 2014u) << high;
    EXPECT_TRUE(first.Gone());
    EXPECT_TRUE(second.Intact());

    // A double click while the first one asks: the second says so and starts nothing.
    Install(first, "OneKey");
    wt::RunResult again;
    auto startAgain = [&](HWND, const wt::Box&) {
        if (again.pid == 0) again = wt::RunAndAnswer(Command(first), {}, first.dir);
    };
    wt::RunResult run = wt::RunAndAnswer(Command(first), {}, first.dir, 60000, startAgain);
    EXPECT_EQ(again.boxes, std::vector<wt::Box>{wt::Failure("2014", "uninstall")});
    EXPECT_EQ(again.processes, 1u);
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
    EXPECT_TRUE(first.Gone());
    EXPECT_TRUE(second.Intact());
}

}  // namespace
