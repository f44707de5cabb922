// Removal of Start-menu groups and desktop shortcuts by the product's own step, called in
// this process. The user's Programs and Desktop folders are moved into a folder of the test
// (the product reads them from the Shell Folders key), so nothing else is touched.
#include <gtest/gtest.h>

#include <memory>

#include "app/uninstall.h"
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
        uninstall app;
        app.m_scFolderName = groups;
        app.m_scDesktopName = desktopNames;
        EXPECT_EQ(app.RemoveShortcuts(), 1);
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
}

TEST_F(Shortcuts, GroupNamesLeadingOutOfTheProgramsFolderRemoveNothing) {
    wt::WriteTextFile(startMenu + "\\Startup\\Keep.lnk", "lnk");
    MakeGroup("Startup");
    Remove("..\\Startup,C:\\Windows,\\Startup,/Startup,Startup\\..,.", nullptr);
    EXPECT_TRUE(wt::Exists(startMenu + "\\Startup\\Keep.lnk"));
    EXPECT_TRUE(wt::Exists(programs + "\\Startup\\App.lnk"));
    char system[MAX_PATH] = "";
    ASSERT_GT(GetSystemDirectoryA(system, MAX_PATH), 0u);
    EXPECT_TRUE(wt::Exists(system));
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
