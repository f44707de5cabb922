// Removal of directory trees: DeleteTree called in this process on real trees, with files
// held open by another process and names the system would fold.
#include <gtest/gtest.h>

#include <functional>

#include "remove/calls.h"
#include "remove/tree.h"
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

// The system's calls, with a test's own in their place where it says so: what Windows does
// and Wine never shows, replayed on real trees.
struct Replay : RemovalCalls {
    std::function<DWORD(HANDLE, const wchar_t*, ACCESS_MASK, ScopedFile&)> open;
    std::function<DWORD(HANDLE, DWORD&, DWORD&)> attributes;
    std::function<DWORD(HANDLE, Disposal)> dispose;
    std::function<DWORD(HANDLE, WideText&, const wchar_t*&, size_t&)> name;
    bool windows = false, network = false;
    std::vector<std::string> scheduled;
    DWORD Open(HANDLE dir, const wchar_t* n, ACCESS_MASK access, ULONG options,
               ScopedFile& opened) override {
        DWORD code = open ? open(dir, n, access, opened) : ERROR_SUCCESS;
        return code != ERROR_SUCCESS ? code : RemovalCalls::Open(dir, n, access, options, opened);
    }
    DWORD Attributes(HANDLE entry, DWORD& a, DWORD& tag) override {
        DWORD code = RemovalCalls::Attributes(entry, a, tag);
        return attributes && code == ERROR_SUCCESS ? attributes(entry, a, tag) : code;
    }
    DWORD Dispose(HANDLE entry, Disposal how) override {
        return dispose ? dispose(entry, how) : RemovalCalls::Dispose(entry, how);
    }
    DWORD Name(HANDLE entry, WideText& room, const wchar_t*& n, size_t& length) override {
        return name ? name(entry, room, n, length) : RemovalCalls::Name(entry, room, n, length);
    }
    DWORD ScheduleDelete(const wchar_t* path) override {
        scheduled.push_back(wt::FromUtf16(path));
        return ERROR_SUCCESS;
    }
    bool Wait(DWORD) override { return true; }  // held entries let go when a test says
    bool OnNetworkVolume(HANDLE) override { return network; }
    bool IsWine() override { return !windows && RemovalCalls::IsWine(); }
    DWORD Real(HANDLE entry, Disposal how) { return RemovalCalls::Dispose(entry, how); }
    DWORD RealName(HANDLE entry, WideText& room, const wchar_t*& n, size_t& length) {
        return RemovalCalls::Name(entry, room, n, length);
    }
};

std::string NameOf(HANDLE entry) {
    wchar_t path[MAX_PATH] = L"";
    GetFinalPathNameByHandleW(entry, path, MAX_PATH, 0);
    return wt::FromUtf16(path);
}
bool Ends(const std::string& text, const std::string& end) {
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One row per thing Windows 10 and 11 do: the tree goes whole, or the walk stops with the
// code, and a sentinel outside (or a folder that is no link's) stays as it was.
TEST_F(DeleteTreeTest, WhatWindowsDoesAndWineNeverShows) {
    const std::string dir = root + "\\app", outside = root + "\\outside.txt";
    struct Row {
        const char* what;
        std::function<void(Replay&, int&)> replay;
        DWORD code;
        bool subStays;  // else the tree is gone, or left empty for the restart
        size_t scheduled;
    };
    const std::vector<Row> rows = {
        {"a name deleted but held by a scanner, its folder not yet empty",
         [&](Replay& r, int& n) {
             r.open = [&](HANDLE, const wchar_t* name, ACCESS_MASK, ScopedFile&) -> DWORD {
                 if (wcscmp(name, L"held.txt") || n++) return ERROR_SUCCESS;
                 DeleteFileA((dir + "\\sub\\held.txt").c_str());  // the scanner lets go later
                 return ERROR_DELETE_PENDING;
             };
             r.dispose = [&](HANDLE entry, RemovalCalls::Disposal how) {
                 return Ends(NameOf(entry), "\\sub") && n++ < 3 ? DWORD(ERROR_DIR_NOT_EMPTY)
                                                                  : r.Real(entry, how);
             };
         }, 0, false, 0},
        {"POSIX delete refused: asked once, then the classic way with read-only cleared",
         [&](Replay& r, int& n) {
             r.dispose = [&](HANDLE entry, RemovalCalls::Disposal how) {
                 if (how == RemovalCalls::kClassic) return r.Real(entry, how);
                 return n++ ? DWORD(ERROR_GEN_FAILURE) : DWORD(ERROR_NOT_SUPPORTED);
             };
         }, 0, false, 0},
        {"a cloud placeholder folder is entered and removed",
         [&](Replay& r, int&) {
             r.windows = true;
             r.attributes = [&](HANDLE entry, DWORD& a, DWORD& tag) {
                 if (Ends(NameOf(entry), "\\sub")) a |= FILE_ATTRIBUTE_REPARSE_POINT, tag = 0x9000601A;
                 return DWORD(ERROR_SUCCESS);
             };
         }, 0, false, 0},
        {"a junction in the folder's place is not entered",
         [&](Replay& r, int&) {
             r.windows = true;
             r.attributes = [&](HANDLE entry, DWORD& a, DWORD& tag) {
                 if (Ends(NameOf(entry), "\\sub")) a |= FILE_ATTRIBUTE_REPARSE_POINT, tag = 0xA0000003;
                 return DWORD(ERROR_SUCCESS);
             };
         }, ERROR_CANT_RESOLVE_FILENAME, true, 0},
        {"the folder held by another program (its current folder) goes at the next restart",
         [&](Replay& r, int&) {
             r.open = [&](HANDLE parent, const wchar_t*, ACCESS_MASK access, ScopedFile&) {
                 return !parent && (access & DELETE) ? DWORD(ERROR_SHARING_VIOLATION) : DWORD(0);
             };
         }, 0, false, 1},
        {"on a network volume a held file stays: nothing waits for a restart there",
         [&](Replay& r, int&) {
             r.network = true;
             r.open = [&](HANDLE, const wchar_t* name, ACCESS_MASK, ScopedFile&) {
                 return wcscmp(name, L"held.txt") ? DWORD(0) : DWORD(ERROR_SHARING_VIOLATION);
             };
         }, ERROR_SHARING_VIOLATION, true, 0},
        {"a file whose name the system will not tell goes by its name alone",
         [&](Replay& r, int&) {
             r.name = [&](HANDLE entry, WideText& room, const wchar_t*& n, size_t& length) {
                 return Ends(NameOf(entry), "held.txt") ? DWORD(ERROR_ACCESS_DENIED)
                                                        : r.RealName(entry, room, n, length);
             };
         }, 0, false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        wt::RemoveAll(root);
        wt::WriteTextFile(outside, "outside");
        wt::WriteTextFile(dir + "\\a.txt", "a");
        wt::WriteTextFile(dir + "\\sub\\held.txt", "held");
        ASSERT_TRUE(CreateHardLinkA((dir + "\\sub\\shared.txt").c_str(), outside.c_str(), nullptr));
        ASSERT_TRUE(SetFileAttributesA((dir + "\\a.txt").c_str(), FILE_ATTRIBUTE_READONLY));
        Replay replay;
        int n = 0;
        row.replay(replay, n);
        TreeReport report;
        report.pending.in = L"C:\\rmtest\\tree";
        DWORD code;
        {
            CallsForTesting calls(replay);
            code = DeleteTree(wt::Utf16(dir).c_str(), true, nullptr, &report);
        }
        EXPECT_EQ(code, row.code);
        EXPECT_EQ(wt::Exists(dir + "\\sub\\held.txt"), row.subStays);
        if (!row.subStays) EXPECT_EQ(wt::ListTree(dir), std::vector<std::string>{});
        EXPECT_EQ(report.pending.scheduled, row.scheduled);
        EXPECT_EQ(replay.scheduled.size(), row.scheduled);
        EXPECT_EQ(wt::ReadTextFile(outside), "outside");
    }
}

// A directory swapped for a link elsewhere between its listing and its opening is not
// entered: what the link leads to stays whole, and the walk says it failed.
TEST_F(DeleteTreeTest, ADirectorySwappedForALinkOnTheWayIsNotEntered) {
    const std::string dir = root + "\\app", target = root + "\\outside";
    wt::WriteTextFile(dir + "\\sub\\a.txt", "a");
    wt::WriteTextFile(target + "\\keep.txt", "keep");
    Replay swap;
    swap.open = [&](HANDLE parent, const wchar_t* name, ACCESS_MASK, ScopedFile&) {
        if (parent && wcscmp(name, L"sub") == 0 && MoveFileA((dir + "\\sub").c_str(), (dir + "\\sub-old").c_str()))
            wt::MakeLink(dir + "\\sub", target);
        return DWORD(ERROR_SUCCESS);
    };
    DWORD code;
    {
        CallsForTesting calls(swap);
        code = DeleteTree(wt::Utf16(dir).c_str(), true);
    }
    EXPECT_EQ(code, static_cast<DWORD>(ERROR_CANT_RESOLVE_FILENAME));
    EXPECT_EQ(wt::ListTree(target), std::vector<std::string>{"keep.txt"});
    EXPECT_EQ(wt::ReadTextFile(target + "\\keep.txt"), "keep");
    wt::RemoveLink(dir + "\\sub");
}

// The walk keeps its levels on the heap: its stack stays where it was however deep it goes.
// (Wine stops paths near 4,096 bytes and slows with depth, so the tree is 300 deep.)
TEST_F(DeleteTreeTest, TheWalkKeepsItsStackHoweverDeepItGoes) {
    const std::string dir = root + "\\deep";
    wt::MakeDirs(dir);
    ASSERT_TRUE(wt::RunPerlIn(dir, "for (1..300) { mkdir 'd' or die; chdir 'd' or die } "
                                   "open(F, '>', 'bottom.txt') or die"));
    ASSERT_TRUE(wt::Exists(dir + "\\d\\d\\d"));
    uintptr_t low = UINTPTR_MAX, high = 0;
    Replay note;
    note.open = [&](HANDLE, const wchar_t*, ACCESS_MASK, ScopedFile&) {
        char here;
        low = std::min(low, reinterpret_cast<uintptr_t>(&here));
        high = std::max(high, reinterpret_cast<uintptr_t>(&here));
        return DWORD(ERROR_SUCCESS);
    };
    {
        CallsForTesting calls(note);
        EXPECT_EQ(DeleteTree(wt::Utf16(dir).c_str(), true), 0u);
    }
    EXPECT_FALSE(wt::Exists(dir));
    EXPECT_LT(high - low, 1024u);
}

}  // namespace
