// Removal of Start-menu groups and desktop shortcuts by the product's own step, called in
// this process. The user's Programs and Desktop folders are moved into a folder of the test
// (the product reads them from the Shell Folders key), so nothing else is touched.
#include <gtest/gtest.h>

#include <memory>

#include "remove/folders.h"
#include "remove/shortcuts.h"
#include "wintest.h"

namespace {

class Shortcuts : public ::testing::Test {
protected:
    const std::string root = "C:\\rmtest\\shortcuts";
    const std::string startMenu = root + "\\Start Menu";
    const std::string programs = startMenu + "\\Programs";
    const std::string desktop = root + "\\Desktop";
    std::unique_ptr<wt::ShellFolderOverride> programsValue, desktopValue;

    void SetUp() override {
        wt::RemoveAll(root);
        wt::MakeDirs(programs);
        wt::MakeDirs(desktop);
        programsValue.reset(new wt::ShellFolderOverride("Programs", programs.c_str()));
        desktopValue.reset(new wt::ShellFolderOverride("Desktop", desktop.c_str()));
    }

    void TearDown() override {
        wt::RemoveLink(programs + "\\Vendor");
        wt::RemoveLink(desktop + "\\Linked.lnk");
        programsValue.reset();
        desktopValue.reset();
        wt::RemoveAll(root);
        RemoveDirectoryA("C:\\rmtest");  // goes only when empty
    }

    // A group as an installer leaves it: a shortcut and a folder of further shortcuts.
    void MakeGroup(const std::string& name) {
        wt::WriteTextFile(programs + "\\" + name + "\\App.lnk", "lnk");
        wt::WriteTextFile(programs + "\\" + name + "\\Help\\Manual.lnk", "lnk");
    }

    static void Remove(const char* groups, const char* desktopNames) {
        Outcome outcome;
        std::wstring groupList = groups ? wt::Utf16(groups) : L"";
        std::wstring shortcutList = desktopNames ? wt::Utf16(desktopNames) : L"";
        RemoveShortcuts(groups ? groupList.c_str() : nullptr,
                        desktopNames ? shortcutList.c_str() : nullptr,
                        WellKnownFolders(wt::Utf16(wt::TempDir()).c_str()), false, outcome);
    }
};

TEST_F(Shortcuts, ListedGroupsGoAndTheirNeighboursStay) {
    for (const char* name : {"Tool", "Tool Extras", "Tools", "Other"}) MakeGroup(name);
    Remove("Tool,,Tool Extras,", nullptr);
    EXPECT_EQ(wt::ListTree(programs),
              (std::vector<std::string>{"Other\\", "Other\\App.lnk", "Other\\Help\\",
                                        "Other\\Help\\Manual.lnk", "Tools\\", "Tools\\App.lnk",
                                        "Tools\\Help\\", "Tools\\Help\\Manual.lnk"}));
}

TEST_F(Shortcuts, GroupNamesMatchOnlyTheFolderOfThatExactName) {
    MakeGroup("Tool");
    Remove(" Tool", nullptr);
    EXPECT_TRUE(wt::Exists(programs + "\\Tool\\App.lnk"));

    MakeGroup("Vendor\\Tool");
    wt::WriteTextFile(programs + "\\Vendor\\Other.lnk", "lnk");
    Remove("Vendor\\Tool", nullptr);
    EXPECT_FALSE(wt::Exists(programs + "\\Vendor\\Tool"));
    EXPECT_TRUE(wt::Exists(programs + "\\Vendor\\Other.lnk"));
    EXPECT_TRUE(wt::Exists(programs + "\\Tool\\App.lnk"));

    // One final backslash is forgiven; the vendor's folder it leaves empty goes with it.
    MakeGroup("Acme\\Tool");
    Remove("Acme\\Tool\\", nullptr);
    EXPECT_FALSE(wt::Exists(programs + "\\Acme"));
    EXPECT_TRUE(wt::Exists(programs + "\\Vendor\\Other.lnk"));
}

TEST_F(Shortcuts, GroupNamesLeadingOutOfTheProgramsFolderRemoveNothing) {
    wt::WriteTextFile(startMenu + "\\Startup\\Keep.lnk", "lnk");
    wt::WriteTextFile(programs + "\\Keep.lnk", "lnk");
    MakeGroup("Startup");
    MakeGroup("Tool");
    MakeGroup("Tool Extras");
    // The user's own Startup folder below Programs is a shell folder, no vendor's group.
    MakeGroup("StartUp Items");
    wt::ShellFolderOverride startUp("StartUp", (programs + "\\StartUp Items").c_str());
    // A folder below Programs that leads elsewhere.
    wt::WriteTextFile(root + "\\elsewhere\\Tool\\Keep.lnk", "lnk");
    ASSERT_TRUE(wt::MakeLink(programs + "\\Vendor", root + "\\elsewhere"));
    const std::vector<std::string> elsewhere = wt::ListTree(root + "\\elsewhere");

    // A name of blanks (from a list broken over lines) or dots is the folder itself; a
    // trailing dot or blank names another group.
    Remove("..\\Startup,C:\\Windows,\\Startup,/Startup,Startup\\..,., , \\Startup,Tool.,"
           "Tool ,Tool\\\\,StartUp Items,Vendor\\Tool",
           nullptr);
    EXPECT_TRUE(wt::Exists(startMenu + "\\Startup\\Keep.lnk"));
    EXPECT_TRUE(wt::Exists(programs + "\\Startup\\App.lnk"));
    EXPECT_TRUE(wt::Exists(programs + "\\Keep.lnk"));
    EXPECT_TRUE(wt::Exists(programs + "\\Tool\\App.lnk"));
    EXPECT_TRUE(wt::Exists(programs + "\\StartUp Items\\App.lnk"));
    EXPECT_EQ(wt::ListTree(root + "\\elsewhere"), elsewhere);
    char system[MAX_PATH] = "";
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_TRUE(wt::Exists(system));

    Remove("Tool, ,Tool Extras", nullptr);
    EXPECT_FALSE(wt::Exists(programs + "\\Tool"));
    EXPECT_FALSE(wt::Exists(programs + "\\Tool Extras"));
    EXPECT_TRUE(wt::Exists(programs + "\\Keep.lnk"));
    wt::RemoveLink(programs + "\\Vendor");
}

// A shortcut that is a link to a file elsewhere goes as a link or stays; its target stays.
TEST_F(Shortcuts, DesktopNamesTouchNothingOutsideTheDesktop) {
    wt::WriteTextFile(root + "\\elsewhere\\Keep.txt", "keep");
    ASSERT_TRUE(wt::MakeLink(desktop + "\\Linked.lnk", root + "\\elsewhere\\Keep.txt"));
    wt::WriteTextFile(desktop + "\\Tool.lnk", "lnk");
    Remove(nullptr, "Linked.lnk, ,..\\elsewhere\\Keep.txt,Tool.lnk.,Tool.lnk ");
    EXPECT_TRUE(wt::Exists(root + "\\elsewhere\\Keep.txt"));
    EXPECT_TRUE(wt::Exists(desktop + "\\Tool.lnk"));
    wt::RemoveLink(desktop + "\\Linked.lnk");
}

TEST_F(Shortcuts, GroupAlreadyGoneIsSkippedAndTheNextRemoved) {
    MakeGroup("Tool");
    Remove("Gone,Tool", nullptr);
    EXPECT_FALSE(wt::Exists(programs + "\\Tool"));
    EXPECT_TRUE(wt::Exists(programs));
}

TEST_F(Shortcuts, OnlyFilesOfTheExactNameGoFromTheDesktop) {
    wt::WriteTextFile(desktop + "\\Tool", "file");
    wt::WriteTextFile(desktop + "\\Tool.lnk", "lnk");
    wt::WriteTextFile(desktop + "\\Folder\\Inside.lnk", "lnk");
    Remove(nullptr, "Tool,Folder");
    EXPECT_EQ(wt::ListTree(desktop),
              (std::vector<std::string>{"Folder\\", "Folder\\Inside.lnk", "Tool.lnk"}));
}

TEST_F(Shortcuts, GroupNameOfAFileLeavesTheFile) {
    wt::WriteTextFile(programs + "\\Tool", "file");
    Remove("Tool", nullptr);
    EXPECT_TRUE(wt::Exists(programs + "\\Tool"));
}

TEST_F(Shortcuts, WithoutAProgramsFolderValueGroupNamesStopTheStep) {
    MakeGroup("Tool");
    wt::WriteTextFile(desktop + "\\Tool.lnk", "lnk");
    wt::ShellFolderOverride noPrograms("Programs", nullptr);
    ASSERT_EQ(wt::ShellFolder("Programs"), "");

    Remove("Tool", "Tool.lnk");
    EXPECT_TRUE(wt::Exists(programs + "\\Tool\\App.lnk"));
    EXPECT_TRUE(wt::Exists(desktop + "\\Tool.lnk"));

    for (const char* noGroups : {static_cast<const char*>(nullptr), ",,"}) {
        wt::WriteTextFile(desktop + "\\Tool.lnk", "lnk");
        Remove(noGroups, "Tool.lnk");
        EXPECT_FALSE(wt::Exists(desktop + "\\Tool.lnk"));
        EXPECT_TRUE(wt::Exists(programs + "\\Tool\\App.lnk"));
    }
}

}  // namespace
