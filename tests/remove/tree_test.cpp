// Removal of directory trees: DeleteTree called in this process on real trees, with files
// held open by another process and names the system would fold.
#include <gtest/gtest.h>

#include "remove/removal.h"
#include "wintest.h"

namespace {

// A file made through the literal form: see wt::WriteLiteral.
bool WriteRawName(const std::string& path) {
    return wt::WriteLiteral(L"\\\\?\\" + std::wstring(path.begin(), path.end()));
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

    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
    EXPECT_TRUE(wt::Exists(root));
}

TEST_F(DeleteTreeTest, RemovesEntriesWhoseNamesStartWithDots) {
    const std::string dir = root + "\\app";
    wt::WriteTextFile(dir + "\\.x", "x");
    wt::WriteTextFile(dir + "\\..x", "x");
    wt::WriteTextFile(dir + "\\.config\\..settings", "x");
    ASSERT_EQ(wt::ListTree(dir).size(), 4u);

    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
}

// Such names are made through the \\?\ form (or from outside Windows); the plain form of
// their path names another entry or none.
TEST_F(DeleteTreeTest, RemovesEntriesWhoseNamesEndInDotsOrBlanks) {
    const std::string dir = root + "\\app";
    for (const char* name : {"\\...", "\\sub\\...", "\\sub\\end.", "\\sub\\end "})
        ASSERT_TRUE(WriteRawName(dir + name));
    ASSERT_EQ(wt::ListTree(dir).size(), 5u);

    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
}

TEST_F(DeleteTreeTest, MissingDirectoryCountsAsRemoved) {
    EXPECT_EQ(DeleteTree(wt::Utf16(root + "\\missing").c_str(), true), 0u);
    EXPECT_EQ(DeleteTree(wt::Utf16(root + "\\missing").c_str(), false), 0u);
}

TEST_F(DeleteTreeTest, WithoutRecursionOnlyTheTopLevelFilesGo) {
    const std::string dir = root + "\\app";
    wt::WriteTextFile(dir + "\\a.txt", "a");
    wt::WriteTextFile(dir + "\\b.txt", "b");
    wt::WriteTextFile(dir + "\\sub\\c.txt", "c");
    wt::MakeDirs(dir + "\\empty");

    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), false), 0u);
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

    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
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

    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), 0u);
    EXPECT_FALSE(wt::Exists(dir));
    EXPECT_EQ(GetFileAttributesA(outside.c_str()) & readOnlyHidden, readOnlyHidden);
    EXPECT_EQ(wt::ReadTextFile(outside), "shared");
}

// A directory swapped for a link elsewhere between its listing and its opening is not
// entered: what the link leads to stays whole, and the walk says it failed.
std::string g_linkTarget;
void SwapForLink(const wchar_t* path) {
    const std::string dir = wt::FromUtf16(path).substr(4);  // without "\\?\"
    if (dir.size() > 4 && dir.compare(dir.size() - 4, 4, "\\sub") == 0 &&
        MoveFileW(path, (std::wstring(path) + L"-old").c_str()))
        wt::MakeLink(dir, g_linkTarget);
}

TEST_F(DeleteTreeTest, ADirectorySwappedForALinkOnTheWayIsNotEntered) {
    const std::string dir = root + "\\app";
    g_linkTarget = root + "\\outside";
    wt::WriteTextFile(dir + "\\sub\\a.txt", "a");
    wt::WriteTextFile(g_linkTarget + "\\keep.txt", "keep");
    g_beforeEnteringDirectory = SwapForLink;
    DWORD code = DeleteTree(wt::Utf16(dir).c_str(), true);
    g_beforeEnteringDirectory = nullptr;
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME));
    EXPECT_EQ(wt::ListTree(g_linkTarget), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(wt::ReadTextFile(g_linkTarget + "\\keep.txt"), "keep");
    wt::RemoveLink(dir + "\\sub");
}

// The walk keeps its levels on the heap: its stack stays where it was however deep it goes.
// (Wine stops paths near 4,096 bytes and slows with depth, so the tree is 300 deep.)
uintptr_t g_stackLow = UINTPTR_MAX, g_stackHigh = 0;
void NoteStack(const wchar_t*) {
    char here;
    g_stackLow = std::min(g_stackLow, reinterpret_cast<uintptr_t>(&here));
    g_stackHigh = std::max(g_stackHigh, reinterpret_cast<uintptr_t>(&here));
}

TEST_F(DeleteTreeTest, TheWalkKeepsItsStackHoweverDeepItGoes) {
    const std::string dir = root + "\\deep";
    wt::MakeDirs(dir);
    ASSERT_TRUE(wt::RunPerlIn(dir, "for (1..300) { mkdir 'd' or die; chdir 'd' or die } "
                                   "open(F, '>', 'bottom.txt') or die"));
    ASSERT_TRUE(wt::Exists(dir + "\\d\\d\\d"));

    g_beforeEnteringDirectory = NoteStack;
    EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), 0u);
    g_beforeEnteringDirectory = nullptr;
    EXPECT_FALSE(wt::Exists(dir));
    EXPECT_LT(g_stackHigh - g_stackLow, 1024u);
}

}  // namespace
