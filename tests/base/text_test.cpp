// TextBuffer, NameList and the ASCII-only case folding.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/text.h"

namespace {

std::vector<std::string> Names(const char* list) {
    std::vector<std::string> names;
    NameList nameList(list);
    while (const char* name = nameList.Next()) names.push_back(name);
    // Once over, the list stays over.
    EXPECT_EQ(nameList.Next(), nullptr);
    return names;
}

using V = std::vector<std::string>;

TEST(NameList, SkipsEmptyNames) {
    EXPECT_EQ(Names("Tool,,Tool Extras,"), (V{"Tool", "Tool Extras"}));
    EXPECT_EQ(Names(",,a.exe,,,b.exe"), (V{"a.exe", "b.exe"}));
    EXPECT_EQ(Names("app.exe"), (V{"app.exe"}));
    EXPECT_EQ(Names(",,"), V{});
    EXPECT_EQ(Names(","), V{});
    EXPECT_EQ(Names(""), V{});
    EXPECT_EQ(Names(nullptr), V{});
}

TEST(NameList, KeepsBlanksAndOtherBytes) {
    EXPECT_EQ(Names(" app, b.exe ,\t"), (V{" app", " b.exe ", "\t"}));
    EXPECT_EQ(Names("Vendor\\Tool,\xD3\xA6\xD3\xC3.lnk"), (V{"Vendor\\Tool", "\xD3\xA6\xD3\xC3.lnk"}));
}

TEST(NameList, TakesALongListWhole) {
    std::string list;
    V expected;
    for (int i = 0; i < 500; ++i) {
        expected.push_back("program" + std::to_string(i) + ".exe");
        list += expected.back() + ",";
    }
    EXPECT_EQ(Names(list.c_str()), expected);
}

TEST(NameList, LeavesTheCallersTextAlone) {
    char list[] = "a,b,c";
    EXPECT_EQ(Names(list), (V{"a", "b", "c"}));
    EXPECT_STREQ(list, "a,b,c");
}

TEST(TextBuffer, CopyFitsUpTo1023Characters) {
    TextBuffer buffer;
    EXPECT_STREQ(buffer, "");
    EXPECT_EQ(buffer.Length(), 0u);

    std::string fits(1023, 'a');
    ASSERT_EQ(buffer.Copy(fits.c_str()), 1);
    EXPECT_EQ(std::string(buffer.text), fits);
    EXPECT_EQ(buffer.Length(), 1023u);

    // One more never truncates: the buffer keeps what it had.
    EXPECT_EQ(buffer.Copy(std::string(1024, 'b').c_str()), 0);
    EXPECT_EQ(std::string(buffer.text), fits);
    EXPECT_EQ(buffer.Copy(std::string(5000, 'b').c_str()), 0);
    EXPECT_EQ(std::string(buffer.text), fits);

    EXPECT_EQ(buffer.Copy("C:\\Apps"), 1);
    EXPECT_STREQ(buffer, "C:\\Apps");
    EXPECT_EQ(buffer.Copy(""), 1);
    EXPECT_STREQ(buffer, "");
}

TEST(TextBuffer, AppendFitsUpTo1023Characters) {
    TextBuffer buffer;
    ASSERT_EQ(buffer.Copy(std::string(1000, 'a').c_str()), 1);
    std::string before = buffer.text;

    EXPECT_EQ(buffer.Append(std::string(24, 'b').c_str()), 0);
    EXPECT_EQ(std::string(buffer.text), before);

    ASSERT_EQ(buffer.Append(std::string(23, 'b').c_str()), 1);
    EXPECT_EQ(std::string(buffer.text), before + std::string(23, 'b'));
    EXPECT_EQ(buffer.Length(), 1023u);

    EXPECT_EQ(buffer.Append("x"), 0);
    EXPECT_EQ(buffer.Length(), 1023u);
    EXPECT_EQ(buffer.Append(""), 1);
    EXPECT_EQ(buffer.Length(), 1023u);

    TextBuffer path;
    ASSERT_EQ(path.Copy("C:\\Apps"), 1);
    ASSERT_EQ(path.Append("\\conf.xml"), 1);
    EXPECT_STREQ(path, "C:\\Apps\\conf.xml");
}

TEST(CaseFolding, AsciiLettersOnly) {
    EXPECT_TRUE(EqualNoCase("C:\\Windows\\Temp", "c:\\WINDOWS\\temp"));
    EXPECT_TRUE(EqualNoCase("", ""));
    EXPECT_FALSE(EqualNoCase("app", "app "));
    EXPECT_FALSE(EqualNoCase("app", "ap"));
    EXPECT_FALSE(EqualNoCase("a", ""));
    // Only A-Z fold: '@' and '`', '[' and '{' are neighbours of the letters.
    EXPECT_FALSE(EqualNoCase("@[", "`{"));
    // Latin-1 letters do not fold either.
    EXPECT_FALSE(EqualNoCase("\xC0", "\xE0"));

    EXPECT_TRUE(EqualPrefixNoCase("APP.EXE", "app.dll", 4));
    EXPECT_FALSE(EqualPrefixNoCase("APP.EXE", "app.dll", 5));
}

TEST(CaseFolding, GbkDoubleByteCharactersCompareExactly) {
    // 0x81 0x41 and 0x81 0x61 are two different characters.
    EXPECT_FALSE(EqualNoCase("\x81\x41", "\x81\x61"));
    EXPECT_FALSE(EqualNoCase("\x81\x61", "\x81\x41"));
    EXPECT_FALSE(EqualNoCase("C:\\\x81\x41pp", "c:\\\x81\x61PP"));
    EXPECT_TRUE(EqualNoCase("C:\\\x81\x41pp", "c:\\\x81\x41PP"));
    EXPECT_TRUE(EqualNoCase("\xD3\xA6\xD3\xC3", "\xD3\xA6\xD3\xC3"));
    EXPECT_FALSE(EqualNoCase("\xD3\xA6\xD3\xC3", "\xD3\xA6\xD3\xC4"));
    // The letter after a double-byte character folds again.
    EXPECT_TRUE(EqualNoCase("\x81\x41" "A", "\x81\x41" "a"));
}

}  // namespace
