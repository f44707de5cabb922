// Removal of the uninstall entries: real keys below HKLM (the 32-bit view this program sees)
// and HKCU, removed by the product's own step called in this process.
#include <gtest/gtest.h>

#include "remove/entries.h"
#include "wintest.h"

namespace {

const HKEY kMachine = HKEY_LOCAL_MACHINE;
const HKEY kUser = HKEY_CURRENT_USER;

class UninstallEntries : public ::testing::Test {
protected:
    const std::vector<std::string> used = {"RmEntryA", "RmEntryB", "RmEntryC", "RmEntryMissing",
                                           "RmEntryParent", "RmVendor"};

    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }

    void Clean() {
        for (const std::string& name : used) {
            wt::DeleteUninstallKeyTree(kMachine, name);
            wt::DeleteUninstallKeyTree(kUser, name);
        }
    }

    static void Remove(const char* list) {
        Outcome outcome;
        RemoveUninstallEntries(list ? wt::Utf16(list).c_str() : nullptr, nullptr, false, outcome);
    }
};

TEST_F(UninstallEntries, KeyIsDeletedBelowMachineFirstAndBelowUserOnlyWhenMachineHasNone) {
    wt::CreateUninstallKey(kUser, "RmEntryA");
    wt::CreateUninstallKey(kMachine, "RmEntryB");
    wt::CreateUninstallKey(kUser, "RmEntryB");
    ASSERT_TRUE(wt::UninstallKeyExists(kUser, "RmEntryA"));
    ASSERT_TRUE(wt::UninstallKeyExists(kMachine, "RmEntryB"));

    Remove("RmEntryA,RmEntryB");
    EXPECT_FALSE(wt::UninstallKeyExists(kUser, "RmEntryA"));
    EXPECT_FALSE(wt::UninstallKeyExists(kMachine, "RmEntryB"));
    EXPECT_TRUE(wt::UninstallKeyExists(kUser, "RmEntryB"));
}

TEST_F(UninstallEntries, KeyWithASubkeyStays) {
    wt::CreateUninstallKey(kMachine, "RmEntryParent\\Child");
    wt::CreateUninstallKey(kUser, "RmEntryC");
    Remove("RmEntryParent,RmEntryC");
    EXPECT_TRUE(wt::UninstallKeyExists(kMachine, "RmEntryParent"));
    EXPECT_TRUE(wt::UninstallKeyExists(kMachine, "RmEntryParent\\Child"));
    EXPECT_FALSE(wt::UninstallKeyExists(kUser, "RmEntryC"));
}

TEST_F(UninstallEntries, NameAlreadyGoneDoesNotStopTheOthers) {
    wt::CreateUninstallKey(kMachine, "RmEntryA");
    wt::CreateUninstallKey(kUser, "RmEntryC");
    Remove("RmEntryA,RmEntryMissing,RmEntryC");
    EXPECT_FALSE(wt::UninstallKeyExists(kMachine, "RmEntryA"));
    EXPECT_FALSE(wt::UninstallKeyExists(kUser, "RmEntryC"));
    EXPECT_FALSE(wt::UninstallKeyExists(kMachine, "RmEntryMissing"));
    EXPECT_FALSE(wt::UninstallKeyExists(kUser, "RmEntryMissing"));
}

TEST_F(UninstallEntries, NestedNameDeletesOnlyItsLastKey) {
    wt::CreateUninstallKey(kMachine, "RmVendor\\Tool");
    wt::CreateUninstallKey(kUser, "RmVendor\\Tool");
    Remove("RmVendor\\Tool");
    EXPECT_FALSE(wt::UninstallKeyExists(kMachine, "RmVendor\\Tool"));
    EXPECT_TRUE(wt::UninstallKeyExists(kMachine, "RmVendor"));
    EXPECT_TRUE(wt::UninstallKeyExists(kUser, "RmVendor\\Tool"));
}

}  // namespace
