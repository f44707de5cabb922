// Removal of directory trees: DeleteTree called in this process on real trees, and the
// installation directory step of the real working copy, with files held open by another
// process and directory links that lead out of the installation directory.
#include <gtest/gtest.h>

#include "remove/removal.h"
#include "boxes.h"

namespace {

// A file made through the literal form with the wide functions, its folders first: names
// the system would fold, names outside the code page, paths beyond MAX_PATH.
void WriteLiteral(const std::wstring& path) {
    for (size_t at = path.find(L'\\', 7); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    CloseHandle(file);
}

void WriteRawName(const std::string& path) {
    WriteLiteral(L"\\\\?\\" + std::wstring(path.begin(), path.end()));
}

// The entries of dir in the order the system hands them out, which is the order of a walk.
std::vector<std::string> SearchOrder(const std::string& dir) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA entry;
    HANDLE search = FindFirstFileA((dir + "\\*.*").c_str(), &entry);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::string name = entry.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &entry));
    FindClose(search);
    return names;
}

class DeleteTreeTest : public ::testing::Test {
protected:
    const std::string root = "C:\\rmtest\\tree";
    void SetUp() override { TearDown(); }
    void TearDown() override {
        wt::RemoveLink(root + "\\via");
        wt::RemoveAll(root);
        RemoveDirectoryA("C:\\rmtest");  // goes only when empty
    }
};

TEST_F(DeleteTreeTest, RemovesFilesAndFoldersWhateverTheirAttributes) {
    const std::string dir = root + "\\app";
    struct Entry {
        const char* path;
        DWORD attributes;
    };
    const Entry files[] = {
        {"\\readonly.txt", FILE_ATTRIBUTE_READONLY},
        {"\\hidden.txt", FILE_ATTRIBUTE_HIDDEN},
        {"\\system.dll", FILE_ATTRIBUTE_SYSTEM},
        {"\\all.dat", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM},
        {"\\locked\\inner.txt", FILE_ATTRIBUTE_READONLY},
        {"\\locked\\deeper\\deepest.txt", FILE_ATTRIBUTE_HIDDEN},
    };
    for (const Entry& file : files) {
        wt::WriteTextFile(dir + file.path, "x");
        ASSERT_TRUE(SetFileAttributesA((dir + file.path).c_str(), file.attributes)) << file.path;
    }
    const char* folders[] = {"\\locked\\deeper", "\\locked", "\\empty"};
    for (const char* folder : folders) {
        wt::MakeDirs(dir + folder);
        SetFileAttributesA((dir + folder).c_str(),
                           FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    }
    SetFileAttributesA(dir.c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_EQ(wt::ListTree(dir).size(), 9u);

    EXPECT_EQ(DeleteTree(dir.c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
    EXPECT_TRUE(wt::Exists(root));
}

TEST_F(DeleteTreeTest, RemovesEntriesWhoseNamesStartWithDots) {
    const std::string dir = root + "\\app";
    wt::WriteTextFile(dir + "\\.x", "x");
    wt::WriteTextFile(dir + "\\..x", "x");
    wt::WriteTextFile(dir + "\\.config\\..settings", "x");
    ASSERT_EQ(wt::ListTree(dir).size(), 4u);

    EXPECT_EQ(DeleteTree(dir.c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
}

// Such names are made through the \\?\ form (or from outside Windows); the plain form of
// their path names another entry or none.
TEST_F(DeleteTreeTest, RemovesEntriesWhoseNamesEndInDotsOrBlanks) {
    const std::string dir = root + "\\app";
    wt::MakeDirs(dir + "\\sub");
    WriteRawName(dir + "\\...");
    WriteRawName(dir + "\\sub\\...");
    WriteRawName(dir + "\\sub\\end.");
    WriteRawName(dir + "\\sub\\end ");
    ASSERT_EQ(wt::ListTree(dir).size(), 5u);

    EXPECT_EQ(DeleteTree(dir.c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
}

TEST_F(DeleteTreeTest, MissingDirectoryCountsAsRemoved) {
    EXPECT_EQ(DeleteTree((root + "\\missing").c_str(), true), 0u);
    EXPECT_EQ(DeleteTree((root + "\\missing").c_str(), false), 0u);
}

TEST_F(DeleteTreeTest, WithoutRecursionOnlyTheTopLevelFilesGo) {
    const std::string dir = root + "\\app";
    wt::WriteTextFile(dir + "\\a.txt", "a");
    wt::WriteTextFile(dir + "\\b.txt", "b");
    wt::WriteTextFile(dir + "\\sub\\c.txt", "c");
    wt::MakeDirs(dir + "\\empty");

    EXPECT_EQ(DeleteTree(dir.c_str(), false), 0u);
    EXPECT_EQ(wt::ListTree(dir), (std::vector<std::string>{"empty\\", "sub\\", "sub\\c.txt"}));
}

TEST_F(DeleteTreeTest, FileHeldOpenStopsTheWalkThere) {
    const std::string dir = root + "\\app";
    for (const char* name : {"f1.txt", "f2.txt", "f3.txt", "f4.txt", "f5.txt", "f6.txt", "f7.txt"})
        wt::WriteTextFile(dir + "\\" + name, name);
    std::vector<std::string> order = SearchOrder(dir);
    ASSERT_EQ(order.size(), 7u);
    const size_t heldAt = 3;  // entries before it are removed, the rest stays
    wt::HeldFile held(dir + "\\" + order[heldAt]);

    EXPECT_EQ(DeleteTree(dir.c_str(), true), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    for (size_t i = 0; i < order.size(); ++i)
        EXPECT_EQ(wt::Exists(dir + "\\" + order[i]), i >= heldAt) << order[i];
}

// Attributes belong to the file, not to one of its names: the tree's name of a file that
// also lies elsewhere goes, and the file keeps its attributes and bytes there.
TEST_F(DeleteTreeTest, AFileSharedWithAFolderElsewhereKeepsItsAttributesThere) {
    const std::string dir = root + "\\app", outside = root + "\\outside.txt";
    const DWORD readOnlyHidden = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN;
    wt::WriteTextFile(outside, "shared");
    wt::MakeDirs(dir);
    ASSERT_TRUE(CreateHardLinkA((dir + "\\shared.txt").c_str(), outside.c_str(), nullptr));
    ASSERT_TRUE(SetFileAttributesA(outside.c_str(), readOnlyHidden));

    EXPECT_EQ(DeleteTree(dir.c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
    EXPECT_EQ(GetFileAttributesA(outside.c_str()) & readOnlyHidden, readOnlyHidden);
    EXPECT_EQ(wt::ReadTextFile(outside), "shared");
}

// The installation directory step checks the directory itself right before it deletes,
// whatever was checked before it ran.
TEST_F(DeleteTreeTest, TheInstallDirStepRefusesAUsersFolderHoweverItIsReached) {
    const std::string documents = wt::ShellFolder("Personal");
    const std::string profile = documents.substr(0, documents.find_last_of('\\'));
    const std::string sentinel = documents + "\\rm-sentinel.txt";
    wt::WriteTextFile(sentinel, "keep");
    ASSERT_TRUE(wt::MakeLink(root + "\\via", profile));
    for (const std::string& dir : {documents + "\\", root + "\\via\\Documents\\", root + "\\via"}) {
        SCOPED_TRACE(dir);
        Outcome outcome;
        EXPECT_EQ(RemoveInstallDir(dir.c_str(), Switches(), outcome), 0);
        EXPECT_EQ(wt::ReadTextFile(sentinel), "keep");
    }
    DeleteFileA(sentinel.c_str());
}

class InstallDirStep : public ::testing::Test {
protected:
    const std::string root = "C:\\rmtest\\installdir";
    const std::string installDir = root + "\\app";
    const std::string options =
        "-p \"" + installDir + "\\\" -R \"RmTreeMachine,RmTreeUser\"";

    void SetUp() override {
        Clean();
        wt::WriteTextFile(installDir + "\\app.exe", "program");
        wt::WriteTextFile(installDir + "\\data\\db.dat", "data");
        wt::WriteTextFile(installDir + "\\data\\more\\notes.txt", "notes");
        wt::CreateUninstallKey(HKEY_LOCAL_MACHINE, "RmTreeMachine");
        wt::CreateUninstallKey(HKEY_CURRENT_USER, "RmTreeUser");
    }
    void TearDown() override {
        Clean();
        RemoveDirectoryA("C:\\rmtest");
    }

    void Clean() {
        wt::RemoveAll(root);
        wt::DeleteUninstallKeyTree(HKEY_LOCAL_MACHINE, "RmTreeMachine");
        wt::DeleteUninstallKeyTree(HKEY_CURRENT_USER, "RmTreeUser");
    }

    bool KeysStay() {
        return wt::UninstallKeyExists(HKEY_LOCAL_MACHINE, "RmTreeMachine") &&
               wt::UninstallKeyExists(HKEY_CURRENT_USER, "RmTreeUser");
    }
    bool KeysGone() {
        return !wt::UninstallKeyExists(HKEY_LOCAL_MACHINE, "RmTreeMachine") &&
               !wt::UninstallKeyExists(HKEY_CURRENT_USER, "RmTreeUser");
    }
};

// Where nothing can be scheduled for the next restart (no administrator rights), a file held
// for the whole run ends it with 2011 and the keys stay, so that it can be run again.
TEST_F(InstallDirStep, HeldFileFailsWith2011AndKeepsTheKeysUntilASecondRun) {
    {
        wt::SchedulingBlocked noRights;
        wt::HeldFile held(installDir + "\\data\\db.dat");
        wt::RunResult run = wt::RunWorkingCopy(options);
        EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载失败  错误码:2011")}));
        EXPECT_TRUE(wt::Exists(installDir + "\\data\\db.dat"));
        EXPECT_TRUE(KeysStay());
    }
    wt::RunResult run = wt::RunWorkingCopy(options);
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    EXPECT_FALSE(wt::Exists(installDir));
    EXPECT_TRUE(KeysGone());
}

// A scanner or the shell holds a file for a moment: the delete is tried again and goes.
TEST_F(InstallDirStep, FileHeldForAMomentIsRemoved) {
    wt::HeldFile held(installDir + "\\data\\db.dat", 700);
    wt::RunResult run = wt::RunWorkingCopy(options);
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    EXPECT_FALSE(wt::Exists(installDir));
    EXPECT_TRUE(KeysGone());
}

// A file held for the whole run goes at the next restart, with the folders above it; all
// else goes now, the keys too, and the user is told.
TEST_F(InstallDirStep, FileHeldForTheWholeRunGoesAtTheNextRestart) {
    const std::string held = installDir + "\\data\\db.dat";
    for (const char* quiet : {"", " /S"}) {
        SCOPED_TRACE(quiet);
        SetUp();
        {
            wt::HeldFile holder(held);
            wt::RunResult run;
            if (*quiet) {
                const std::string copy = wt::CopyUninstall(wt::TempDir(), "VORNAuninstall.exe");
                run = wt::RunAndAnswer("\"" + copy + "\" " + options + quiet, {}, wt::TempDir());
                EXPECT_EQ(run.boxes, std::vector<wt::Box>{});
                EXPECT_EQ(run.exitCode, 3010u);
            } else {
                run = wt::RunWorkingCopy(options);
                EXPECT_EQ(run.boxes, (std::vector<wt::Box>{
                                         wt::Confirm(),
                                         wt::Notice("卸载完成，部分文件将在重新启动计算机后删除")}));
            }
            EXPECT_EQ(wt::ListTree(installDir), (std::vector<std::string>{"data\\", "data\\db.dat"}));
            EXPECT_TRUE(KeysGone());
            std::vector<std::string> pending = wt::PendingDeletes();
            auto at = [&](const std::string& path) {
                for (size_t i = 0; i < pending.size(); ++i)
                    if (_stricmp(pending[i].c_str(), path.c_str()) == 0) return i;
                return pending.size();
            };
            // Deepest first: the file, then its folder, then the installation directory.
            EXPECT_LT(at(held), at(installDir + "\\data"));
            EXPECT_LT(at(installDir + "\\data"), at(installDir));
            EXPECT_LT(at(installDir), pending.size()) << ::testing::PrintToString(pending);
        }
        wt::RestartPrefix();
        EXPECT_FALSE(wt::Exists(installDir));
        EXPECT_EQ(wt::PendingDeletes(), std::vector<std::string>{});
    }
}

// A long removal shows how far it has come in a window of its own, which is gone before the
// last box; a short one, or a quiet one, shows none.
TEST_F(InstallDirStep, ProgressWindowOnlyWhenTheRemovalTakesLong) {
    const std::string copy = wt::CopyUninstall(wt::TempDir(), "VORNAuninstall.exe");
    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        SetUp();
        if (run > 0)
            for (int i = 0; i < 6000; ++i)
                wt::WriteTextFile(installDir + "\\cache\\d" + std::to_string(i / 100) + "\\f" +
                                      std::to_string(i) + ".tmp",
                                  "x");
        wt::WindowWatcher progress("UninstallProgress");
        bool showingAtLastBox = true;
        wt::RunResult result = wt::RunAndAnswer(
            "\"" + copy + "\" " + options + (run == 2 ? " /S" : ""), {}, wt::TempDir(), 60000,
            [&](HWND, const wt::Box&) { showingAtLastBox = progress.Showing(); });
        EXPECT_FALSE(wt::Exists(installDir));
        EXPECT_EQ(progress.Seen(), run == 1);
        if (run < 2) {
            EXPECT_EQ(result.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
            EXPECT_FALSE(showingAtLastBox);
        }
    }
    DeleteFileA(copy.c_str());
}

// Names the ANSI code page (936) cannot spell, which its functions report with "?", and a
// path deeper than 1,024 characters.
TEST_F(InstallDirStep, NamesOutsideTheCodePageAndDeepPathsAreRemovedWhole) {
    const std::wstring literal = L"\\\\?\\" + std::wstring(installDir.begin(), installDir.end());
    WriteLiteral(literal + L"\\smile \xD83D\xDE00.txt");
    WriteLiteral(literal + L"\\\x0627\x0644\x0639\x0631\x0628\x064A\x0629\\\x0E44\x0E17\x0E22.dat");
    WriteLiteral(literal + L"\\G\x0151z\\data\\x.bin");
    std::wstring deep = literal;
    for (int level = 0; level < 20; ++level) deep += L"\\level" + std::wstring(50, L'a' + level);
    WriteLiteral(deep + L"\\deep.txt");
    ASSERT_GT(deep.size(), 1024u);
    ASSERT_EQ(GetFileAttributesW((deep + L"\\deep.txt").c_str()), FILE_ATTRIBUTE_ARCHIVE);

    wt::RunResult run = wt::RunWorkingCopy(options);
    EXPECT_EQ(run.boxes, (std::vector<wt::Box>{wt::Confirm(), wt::Notice("卸载成功!")}));
    EXPECT_FALSE(wt::Exists(installDir));
    EXPECT_TRUE(KeysGone());
}

class DirectoryLink : public ::testing::Test {
protected:
    const std::string root = "C:\\rmtest\\links";
    const std::string installDir = root + "\\app";
    const std::string target = root + "\\elsewhere";
    const std::string link = installDir + "\\data";

    void SetUp() override {
        Clean();
        wt::CreateUninstallKey(HKEY_CURRENT_USER, "RmLinkApp");
    }
    void TearDown() override {
        Clean();
        wt::DeleteUninstallKeyTree(HKEY_CURRENT_USER, "RmLinkApp");
        RemoveDirectoryA("C:\\rmtest");
    }

    void Clean() {
        wt::RemoveLink(link);
        wt::RemoveAll(root);
    }
};

TEST_F(DirectoryLink, FilesReachedThroughALinkSurviveTheRun) {
    wt::WriteTextFile(installDir + "\\app.exe", "program");
    wt::WriteTextFile(target + "\\user.doc", "doc");
    wt::WriteTextFile(target + "\\photos\\a.jpg", "jpg");
    const std::vector<std::string> targetTree = wt::ListTree(target);
    ASSERT_EQ(targetTree.size(), 3u);
    ASSERT_TRUE(wt::MakeLink(link, target));
    ASSERT_TRUE(wt::Exists(link + "\\user.doc"));

    wt::RunResult run = wt::RunWorkingCopy("-p \"" + installDir + "\\\" -R \"RmLinkApp\"");
    EXPECT_EQ(wt::ListTree(target), targetTree);
    ASSERT_EQ(run.boxes.size(), 2u);
    EXPECT_EQ(run.boxes[0], wt::Confirm());
    // The link may stay (the system may refuse to remove it): then the user hears of it.
    if (wt::Exists(installDir)) {
        EXPECT_EQ(run.boxes[1], wt::Notice("卸载失败  错误码:2011"));
        EXPECT_TRUE(wt::UninstallKeyExists(HKEY_CURRENT_USER, "RmLinkApp"));
    } else {
        EXPECT_EQ(run.boxes[1], wt::Notice("卸载成功!"));
        EXPECT_FALSE(wt::UninstallKeyExists(HKEY_CURRENT_USER, "RmLinkApp"));
    }
}

}  // namespace
