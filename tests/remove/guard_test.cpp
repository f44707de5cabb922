// The start of phase two: what it needs on its command line, the directories it refuses to
// remove, and the user's last word in the confirm box. The real working copy is started from
// the temp directory as phase one starts it.
#include <algorithm>

#include <gtest/gtest.h>

#include "boxes.h"
#include "base/handles.h"
#include "remove/folders.h"

namespace {

const char kKey[] = "RmRefusalApp";

class PhaseTwoStart : public ::testing::Test {
protected:
    void SetUp() override {
        app.Remove();
        app.Install();
    }
    wt::Installation app{"C:\\rmtest\\refusal", {{HKEY_CURRENT_USER, kKey}}};
};

TEST_F(PhaseTwoStart, WithoutAnInstallationDirectoryItReports2006) {
    wt::RunResult run = wt::RunWorkingCopy(std::string("-R \"") + kKey + "\"", {wt::Answer::Cancel});
    EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Failure("2006")});
    EXPECT_TRUE(app.Intact());
}

TEST_F(PhaseTwoStart, CancelOrCloseInTheConfirmBoxEndsSilently) {
    for (wt::Answer answer : {wt::Answer::Cancel, wt::Answer::Close}) {
        EXPECT_EQ(wt::RunWorkingCopy(app.Options(), {answer}).boxes, std::vector<wt::Box>{wt::Confirm()});
        EXPECT_TRUE(app.Intact());
    }
}

std::string Variable(const char* name) {
    char value[MAX_PATH] = "";
    DWORD n = GetEnvironmentVariableA(name, value, MAX_PATH);
    return n > 0 && n < MAX_PATH ? value : "";
}

// The folder's name on Wine's drive Z:, which reaches the whole Unix file system.
std::string OnDriveZ(const std::string& folder) {
    std::string path = wt::UnixPath(folder);
    size_t drive = path.find("/dosdevices/c:/");
    if (drive != std::string::npos) path.replace(drive, 15, "/drive_c/");
    std::replace(path.begin(), path.end(), '/', '\\');
    return "Z:" + path;
}

std::string ShortForm(const std::string& path) {
    char shortPath[MAX_PATH] = "";
    DWORD n = GetShortPathNameA(path.c_str(), shortPath, MAX_PATH);
    return n > 0 && n < MAX_PATH ? shortPath : "";
}

const char kProfileList[] = "SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion\\ProfileList";

// A Default profile as Windows lists it (Wine lists none), for the scope.
class DefaultProfile {
public:
    explicit DefaultProfile(const std::string& path) : path_(path) {
        wt::MakeDirs(path_);
        RegCreateKeyExA(HKEY_LOCAL_MACHINE, kProfileList, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                        &key_, nullptr);
        RegSetValueExA(key_, "Default", 0, REG_EXPAND_SZ,
                       reinterpret_cast<const BYTE*>(path_.c_str()),
                       static_cast<DWORD>(path_.size() + 1));
    }
    ~DefaultProfile() {
        RegDeleteValueA(key_, "Default");
        RegCloseKey(key_);
        wt::RemoveAll(path_);
    }

private:
    std::string path_;
    HKEY key_ = nullptr;
};

// Each directory holds a sentinel file of ours. Any confirm box is cancelled, so that a
// directory wrongly accepted is still not removed.
TEST_F(PhaseTwoStart, SystemAndUserFoldersAreRefusedWith2012) {
    const std::string profile = Variable("USERPROFILE"), windows = Variable("SystemRoot");
    const std::string desktop = wt::ShellFolder("Desktop"), documents = wt::ShellFolder("Personal");
    ASSERT_NE(profile, "");
    ASSERT_NE(windows, "");
    ASSERT_EQ(desktop, profile + "\\Desktop");
    ASSERT_EQ(documents, profile + "\\Documents");
    const std::string shortDocuments = ShortForm(documents);
    ASSERT_NE(shortDocuments, "");
    ASSERT_NE(shortDocuments, documents);
    // A link in a middle component leads into the profile; another is the directory itself.
    ASSERT_TRUE(app.MakeLink(app.root + "\\via", profile));
    ASSERT_TRUE(app.MakeLink(app.root + "\\documents-link", documents));
    DefaultProfile defaultProfile("C:\\users\\Default");
    // Another account with a profile and a loaded hive, whose Music lies in its profile under
    // another name; OneDrive roots named by the environment and by the user's key.
    const std::string other = app.root + "\\rmother", sid = "S-1-5-21-0-0-0-1001";
    const std::string folders = sid + "\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer";
    wt::AddedValue otherProfile(HKEY_LOCAL_MACHINE, std::string(kProfileList) + "\\" + sid,
                                "ProfileImagePath", other);
    wt::AddedValue otherDocuments(HKEY_USERS, folders + "\\Shell Folders", "Personal", app.root + "\\Docs");
    wt::AddedValue otherMusic(HKEY_USERS, folders + "\\User Shell Folders", "My Music",
                              "%USERPROFILE%\\Tunes");
    // A redirected folder whose path is longer than a thousand characters, refused in the
    // folder that holds it (Wine's GetLongPathNameW overruns its stack beyond 1,024).
    std::string deep = app.root;
    for (int i = 0; i < 5; ++i) deep += "\\" + std::string(230, 'p');
    wt::AddedValue otherPictures(HKEY_USERS, folders + "\\Shell Folders", "My Pictures", deep);
    wt::AddedValue workDrive(HKEY_CURRENT_USER, "Environment", "OneDriveCommercial",
                             app.root + "\\OneDrive - Work");
    SetEnvironmentVariableA("OneDrive", (app.root + "\\OneDrive").c_str());
    const std::string local = wt::ShellFolder("Local AppData");

    struct Case {
        std::string option;  // the -p argument
        std::string folder;  // where the sentinel lies
    };
    const std::vector<Case> cases = {
        {"C:\\", "C:"},
        {profile + "\\", profile},
        {profile, profile},
        {"C:\\windows\\", windows},
        {"C:\\Windows", windows},
        {windows + "\\Fonts", windows + "\\Fonts"},
        {wt::TempDir() + "\\", wt::TempDir()},
        {wt::TempDir(), wt::TempDir()},
        // Spellings the system folds into the folder itself.
        {"C:\\ ", "C:"},
        {desktop + " ", desktop},
        {desktop + ".", desktop},
        {desktop + ". \\", desktop},
        {desktop + "\\\\", desktop},
        {profile + "\\\\Desktop\\", desktop},
        {profile + "\\.\\Desktop", desktop},
        {shortDocuments + "\\", documents},
        // Every shell folder of the user, of all users, and the profiles.
        {documents, documents},
        {wt::ShellFolder("{374DE290-123F-4565-9164-39C4925E467B}"), profile + "\\Downloads"},
        {wt::ShellFolder("My Music"), profile + "\\Music"},
        {wt::ShellFolder("Favorites"), profile + "\\Favorites"},
        {wt::ShellFolder("StartUp"), wt::ShellFolder("StartUp")},
        {wt::ShellFolder("AppData"), wt::ShellFolder("AppData")},
        {Variable("PUBLIC") + "\\Documents", Variable("PUBLIC") + "\\Documents"},
        {Variable("PUBLIC"), Variable("PUBLIC")},
        {Variable("ProgramData"), Variable("ProgramData")},
        {Variable("CommonProgramFiles"), Variable("CommonProgramFiles")},
        {"C:\\users\\", "C:\\users"},
        {"C:\\users\\Default", "C:\\users\\Default"},
        // Links: in a middle component, and the directory itself.
        {app.root + "\\via\\Documents\\", documents},
        {app.root + "\\documents-link\\", documents},
        // A second name no text rule knows: Wine's drive Z: reaches every folder.
        {OnDriveZ(profile), profile},
        // Every account's folders, whoever runs the uninstall; per-user installations' folder.
        {other, other},
        {other + "\\Documents", other + "\\Documents"},
        {other + "\\AppData\\Roaming", other + "\\AppData\\Roaming"},
        {other + "\\AppData\\Local\\Programs", other + "\\AppData\\Local\\Programs"},
        {other + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs",
         other + "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs"},
        {other + "\\Saved Games\\", other + "\\Saved Games"},
        {other + "\\Tunes", other + "\\Tunes"},
        {app.root + "\\Docs", app.root + "\\Docs"},
        {deep.substr(0, app.root.size() + 231), deep},
        {local + "\\Programs", local + "\\Programs"},
        {app.root + "\\OneDrive", app.root + "\\OneDrive"},
        {app.root + "\\OneDrive - Work\\", app.root + "\\OneDrive - Work"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.option);
        const std::string sentinel = c.folder + "\\rm-sentinel.txt";
        wt::WriteTextFile(sentinel, "keep");
        ASSERT_TRUE(wt::Exists(sentinel));
        wt::RunResult run = wt::RunWorkingCopy("-p \"" + c.option + "\" -R \"" + kKey + "\"",
                                               {wt::Answer::Cancel});
        EXPECT_EQ(run.boxes, std::vector<wt::Box>{wt::Failure("2012")});
        EXPECT_TRUE(wt::Exists(sentinel));
        EXPECT_TRUE(app.Intact());
        DeleteFileA(sentinel.c_str());
    }
    SetEnvironmentVariableA("OneDrive", nullptr);
    RegDeleteTreeA(HKEY_USERS, sid.c_str());
}

// Per-user installations, in the user's Local AppData or its Programs folder, go whole by
// their own uninstall.exe; the folders around them stay.
TEST(PerUserInstallation, RemovedWholeWhereverItLies) {
    const std::string local = wt::ShellFolder("Local AppData");
    for (const std::string& dir : {local + "\\Programs\\RmChat", local + "\\RmChat"}) {
        SCOPED_TRACE(dir);
        wt::WriteTextFile(dir + "\\bin\\chat.exe", "chat");
        wt::InstallUninstaller(dir, "<config><unist><regFolderName>RmChat</regFolderName>"
                                    "</unist></config>");
        wt::CreateUninstallKey(HKEY_CURRENT_USER, "RmChat");
        wt::RunResult run = wt::RunAndAnswer("\"" + dir + "\\uninstall.exe\"", {}, dir);
        EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
        EXPECT_FALSE(wt::Exists(dir));
        EXPECT_TRUE(wt::Exists(dir.substr(0, dir.rfind('\\'))));
        EXPECT_FALSE(wt::UninstallKeyExists(HKEY_CURRENT_USER, "RmChat"));
        wt::RemoveAll(dir);
    }
    RemoveDirectoryA((local + "\\Programs").c_str());
}

// By what a folder is: the profile, a folder in Windows reached by a name no text rule
// knows (Wine's drive Z:; an administrative share on Windows), and not an application's.
TEST(WellKnownFoldersTest, FoldersAreKnownByWhatTheyAreWhateverTheirName) {
    const std::string app = "C:\\GuardIdentity\\app";
    wt::MakeDirs(app);
    WellKnownFolders folders(wt::Utf16(wt::TempDir()).c_str());
    const std::pair<std::string, bool> cases[] = {
        {Variable("USERPROFILE"), true},
        {OnDriveZ(Variable("SystemRoot") + "\\Fonts"), true},
        {OnDriveZ(app), false},
        {app, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.first);
        const std::wstring path = wt::Utf16(c.first);
        ScopedFile dir(CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, 7, nullptr, OPEN_EXISTING,
                                   FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        ASSERT_TRUE(dir.valid());
        if (c.first[0] == 'Z') EXPECT_FALSE(folders.Refuses(path.c_str()));
        EXPECT_EQ(folders.RefusesOpened(dir.get()), c.second);
    }
    wt::RemoveAll("C:\\GuardIdentity");
}

// The directory is removed where it lies, not through the link that leads to it; the link
// and what lies beside the directory stay.
TEST_F(PhaseTwoStart, AnInstallationReachedThroughALinkIsRemovedWhereItLies) {
    const std::string via = app.root + "\\via";
    ASSERT_TRUE(app.MakeLink(via, app.root));
    wt::WriteTextFile(app.root + "\\rm-sentinel.txt", "keep");
    wt::RunResult run =
        wt::RunWorkingCopy("-p \"" + via + "\\app\\\" -R \"" + kKey + "\"", {wt::Answer::Ok});
    EXPECT_EQ(run.boxes, wt::Confirmed(wt::Success()));
    EXPECT_TRUE(app.Gone());
    EXPECT_TRUE(wt::Exists(app.root + "\\rm-sentinel.txt"));
}

}  // namespace
