// WideText and the path join, NameList and the ASCII-only case folding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/names.h"
#include "base/text.h"

namespace {

std::vector<std::wstring> Names(const wchar_t* list) {
    std::vector<std::wstring> names;
    NameList nameList(list);
    while (const wchar_t* name = nameList.Next()) names.push_back(name);
    // Once over, the list stays over.
    EXPECT_EQ(nameList.Next(), nullptr);
    return names;
}

using V = std::vector<std::wstring>;

TEST(NameList, SkipsEmptyNames) {
    EXPECT_EQ(Names(L"Tool,,Tool Extras,"), (V{L"Tool", L"Tool Extras"}));
    EXPECT_EQ(Names(L",,a.exe,,,b.exe"), (V{L"a.exe", L"b.exe"}));
    EXPECT_EQ(Names(L"app.exe"), (V{L"app.exe"}));
    EXPECT_EQ(Names(L",,"), V{});
    EXPECT_EQ(Names(L","), V{});
    EXPECT_EQ(Names(L""), V{});
    EXPECT_EQ(Names(nullptr), V{});
}

TEST(NameList, KeepsBlanksAndOtherCharacters) {
    EXPECT_EQ(Names(L" app, b.exe ,\t"), (V{L" app", L" b.exe ", L"\t"}));
    EXPECT_EQ(Names(L"Vendor\\Tool,应用.lnk"), (V{L"Vendor\\Tool", L"应用.lnk"}));
}

TEST(NameList, TakesALongListWhole) {
    std::wstring list;
    V expected;
    for (int i = 0; i < 500; ++i) {
        expected.push_back(L"program" + std::to_wstring(i) + L".exe");
        list += expected.back() + L",";
    }
    EXPECT_EQ(Names(list.c_str()), expected);
}

TEST(NameList, LeavesTheCallersTextAlone) {
    wchar_t list[] = L"a,b,c";
    EXPECT_EQ(Names(list), (V{L"a", L"b", L"c"}));
    EXPECT_STREQ(list, L"a,b,c");
}

TEST(WideText, GrowsAndCutsBack) {
    WideText text;
    EXPECT_STREQ(text, L"");
    EXPECT_EQ(text.Length(), 0u);
    std::wstring longText(40000, L'a');
    ASSERT_TRUE(text.Append(longText.c_str()));
    ASSERT_TRUE(text.Append(L"表"));
    EXPECT_EQ(std::wstring(text), longText + L"表");
    text.Truncate(3);
    EXPECT_STREQ(text, L"aaa");
    text.Truncate(10);  // never longer
    EXPECT_EQ(text.Length(), 3u);
    wchar_t* room = text.Room(4);
    ASSERT_NE(room, nullptr);
    room[0] = L'x';
    room[1] = L'y';
    text.Keep(2);
    EXPECT_STREQ(text, L"aaaxy");
    ASSERT_TRUE(text.Assign(L"C:\\Apps"));
    EXPECT_STREQ(text, L"C:\\Apps");
    EXPECT_EQ(text.Length(), 7u);
}

// A separator goes between unless the path is empty or ends in one; a name of any length
// is joined whole.
TEST(JoinPath, OneSeparatorBetweenAndNothingCut) {
    const std::wstring longName(40000, L'b');
    const struct {
        const wchar_t* path;
        const wchar_t* name;
        std::wstring joined;
    } rows[] = {
        {L"C:\\Apps", L"conf.xml", L"C:\\Apps\\conf.xml"},
        {L"C:\\Apps\\", L"conf.xml", L"C:\\Apps\\conf.xml"},
        {L"C:/Apps/", L"conf.xml", L"C:/Apps/conf.xml"},
        {L"", L"conf.xml", L"conf.xml"},
        {L"C:\\Apps", L"", L"C:\\Apps\\"},
        // 表 and ソ end in 0x5C in Shift_JIS: neither is taken for a separator.
        {L"C:\\表", L"x", L"C:\\表\\x"},
        {L"C:\\ソ", L"x", L"C:\\ソ\\x"},
        {L"C:\\Apps", longName.c_str(), L"C:\\Apps\\" + longName},
    };
    for (const auto& row : rows) {
        WideText path;
        ASSERT_TRUE(path.Assign(row.path));
        ASSERT_TRUE(JoinPath(path, row.name)) << row.path;
        EXPECT_EQ(std::wstring(path), row.joined) << row.path;
        EXPECT_EQ(path.Length(), row.joined.size()) << row.path;
    }
}

TEST(CaseFolding, AsciiLettersOnly) {
    EXPECT_TRUE(EqualNoCase(L"C:\\Windows\\Temp", L"c:\\WINDOWS\\temp"));
    EXPECT_TRUE(EqualNoCase(L"", L""));
    EXPECT_FALSE(EqualNoCase(L"app", L"app "));
    EXPECT_FALSE(EqualNoCase(L"app", L"ap"));
    EXPECT_FALSE(EqualNoCase(L"a", L""));
    // Only A-Z fold: '@' and '`', '[' and '{' are neighbours of the letters.
    EXPECT_FALSE(EqualNoCase(L"@[", L"`{"));
    // Latin-1 letters do not fold either.
    EXPECT_FALSE(EqualNoCase(L"À", L"à"));

    EXPECT_TRUE(EqualPrefixNoCase(L"APP.EXE", L"app.dll", 4));
    EXPECT_FALSE(EqualPrefixNoCase(L"APP.EXE", L"app.dll", 5));
}

TEST(CaseFolding, OtherCharactersCompareExactly) {
    // 乁 (U+4E41) and 乡 (U+4E61): their low bytes are 'A' and 'a', yet they differ.
    EXPECT_FALSE(EqualNoCase(L"乁", L"乡"));
    EXPECT_FALSE(EqualNoCase(L"乡", L"乁"));
    EXPECT_FALSE(EqualNoCase(L"C:\\乁pp", L"c:\\乡PP"));
    EXPECT_TRUE(EqualNoCase(L"C:\\乁pp", L"c:\\乁PP"));
    EXPECT_TRUE(EqualNoCase(L"应用", L"应用"));
    EXPECT_FALSE(EqualNoCase(L"应用", L"应幽"));
    // The letter after such a character folds again.
    EXPECT_TRUE(EqualNoCase(L"乁A", L"乁a"));
}

}  // namespace
