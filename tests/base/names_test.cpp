// The name and path rules that decide what the removal steps may touch.
#include <gtest/gtest.h>

#include "base/names.h"

namespace {

TEST(ProgramNameMatches, NameWithOrWithoutExe) {
    EXPECT_TRUE(ProgramNameMatches("app", "APP.EXE"));
    EXPECT_TRUE(ProgramNameMatches("app", "app.exe"));
    EXPECT_TRUE(ProgramNameMatches("App.exe", "app.exe"));
    EXPECT_TRUE(ProgramNameMatches("apphelper.exe", "AppHelper.Exe"));
    EXPECT_TRUE(ProgramNameMatches("tool.com", "TOOL.COM"));
    EXPECT_TRUE(ProgramNameMatches("\xD3\xA6\xD3\xC3", "\xD3\xA6\xD3\xC3.exe"));
}

TEST(ProgramNameMatches, OtherNamesDoNotMatch) {
    EXPECT_FALSE(ProgramNameMatches("app.ex", "app.exe"));
    EXPECT_FALSE(ProgramNameMatches("ap", "app.exe"));
    EXPECT_FALSE(ProgramNameMatches("pp.exe", "app.exe"));
    EXPECT_FALSE(ProgramNameMatches("bin\\app.exe", "app.exe"));
    EXPECT_FALSE(ProgramNameMatches(" app", "app.exe"));
    EXPECT_FALSE(ProgramNameMatches("app ", "app.exe"));
    EXPECT_FALSE(ProgramNameMatches("app.exe", "app"));
    EXPECT_FALSE(ProgramNameMatches("app", "app.dll"));
    EXPECT_FALSE(ProgramNameMatches("app", "app.exe.exe"));
    EXPECT_FALSE(ProgramNameMatches("app", "appx.exe"));
    EXPECT_FALSE(ProgramNameMatches("", "app.exe"));
    // A GBK character is not folded: its trail byte 0x41 is no 'A'.
    EXPECT_FALSE(ProgramNameMatches("\x81\x61", "\x81\x41.exe"));
    EXPECT_FALSE(ProgramNameMatches("\x81\x61.exe", "\x81\x41.EXE"));
}

TEST(IsAbsolutePath, DriveOrShare) {
    for (const char* path : {"C:\\x", "C:/x", "c:\\", "z:/", "\\\\srv\\share\\x", "//srv/share",
                             "\\\\srv"})
        EXPECT_TRUE(IsAbsolutePath(path)) << path;
    for (const char* path : {"", "x", "\\x", "/x", "C:x", "C:", "1:\\x", "\\\\?\\C:\\x",
                             "\\\\.\\x", "//?/C:/x", "\\\\", "\\\\\\srv\\share", "x\\C:\\y"})
        EXPECT_FALSE(IsAbsolutePath(path)) << path;
}

TEST(IsRootPath, DriveAndShareRoots) {
    for (const char* path : {"C:\\", "C:", "c:/", "C:\\\\", "\\\\srv\\share", "\\\\srv\\share\\",
                             "//srv/share/", "\\\\srv"})
        EXPECT_TRUE(IsRootPath(path)) << path;
    for (const char* path : {"C:\\a", "C:\\a\\", "\\\\srv\\share\\x", "\\\\srv\\share\\x\\",
                             "a", "\\a"})
        EXPECT_FALSE(IsRootPath(path)) << path;
}

// A component the system would fold (empty, or ending in a blank or a dot) makes a path name
// another entry than it spells.
TEST(IsCleanAbsolutePath, EveryComponentSpelledAsItIs) {
    for (const char* path : {"C:\\Apps\\Tool\\", "C:\\Apps\\Tool", "C:\\", "c:/a/b/", "C:\\.git\\x",
                             "C:\\a b\\c", "C:\\a.b\\", "\\\\srv\\share\\x\\",
                             "C:\\\xD3\\\\x", "C:\\\x81\\"})
        EXPECT_TRUE(IsCleanAbsolutePath(path)) << path;
    for (const char* path : {"C:\\ ", "C:\\Desktop ", "C:\\Desktop \\", "C:\\Desktop.",
                             "C:\\Desktop.\\", "C:\\Apps\\\\Tool", "C:\\Apps\\Tool\\\\", "C:\\\\",
                             "C:\\a\\..\\b", "C:\\Apps\\.\\", "C:/Apps/../", "C:\\...", "C:\\ ..\\x",
                             "\\\\srv\\share\\..\\x", "\\\\srv\\share \\x", "\\\\srv\\\\share",
                             "C:x", "\\x", "x\\y", "\\\\?\\C:\\x", ""})
        EXPECT_FALSE(IsCleanAbsolutePath(path)) << path;
}

TEST(PathIsWithin, CaseAndSeparatorsIgnored) {
    EXPECT_TRUE(PathIsWithin("C:\\Apps\\Tool", "C:\\Apps"));
    EXPECT_TRUE(PathIsWithin("C:\\Apps", "C:\\Apps"));
    EXPECT_TRUE(PathIsWithin("C:\\Apps\\", "C:\\Apps"));
    EXPECT_TRUE(PathIsWithin("C:\\Apps", "C:\\Apps\\\\"));
    EXPECT_TRUE(PathIsWithin("c:/apps/tool/x.exe", "C:\\APPS\\"));
    EXPECT_TRUE(PathIsWithin("C:\\Apps\\Tool", "c:/apps"));
    EXPECT_TRUE(PathIsWithin("C:\\Windows\\Temp\\x", "C:\\"));
    EXPECT_TRUE(PathIsWithin("\\\\srv\\share\\Apps", "\\\\SRV\\Share"));
}

TEST(PathIsWithin, SiblingsAndParentsAreNot) {
    EXPECT_FALSE(PathIsWithin("C:\\Apps2", "C:\\Apps"));
    EXPECT_FALSE(PathIsWithin("C:\\Apps2\\Tool", "C:\\Apps"));
    EXPECT_FALSE(PathIsWithin("C:\\App", "C:\\Apps"));
    EXPECT_FALSE(PathIsWithin("C:\\", "C:\\Apps"));
    EXPECT_FALSE(PathIsWithin("D:\\Apps\\Tool", "C:\\Apps"));
    EXPECT_FALSE(PathIsWithin("C:\\Apps\\Tool", ""));
    EXPECT_FALSE(PathIsWithin("C:\\Apps\\Tool", "\\"));
    EXPECT_FALSE(PathIsWithin("", "C:\\Apps"));
    // GBK characters compare exactly, their ASCII-range trail bytes are not folded.
    EXPECT_FALSE(PathIsWithin("C:\\\x81\x41\\x", "C:\\\x81\x61"));
    EXPECT_TRUE(PathIsWithin("c:\\\x81\x41\\x", "C:\\\x81\x41"));
}

// The phase decision: the working copy lies directly in the temp directory.
TEST(LiesDirectlyIn, TheFolderItselfNotOneThatBeginsLikeIt) {
    const char* temp = "C:\\users\\Me\\AppData\\Local\\Temp";
    EXPECT_TRUE(LiesDirectlyIn("C:\\users\\Me\\AppData\\Local\\Temp\\VORNAuninstall.exe", temp));
    EXPECT_TRUE(LiesDirectlyIn("c:\\USERS\\me\\appdata\\local\\temp\\x.exe", temp));
    EXPECT_TRUE(LiesDirectlyIn("C:\\users\\Me\\AppData\\Local\\Temp\\x.exe", "C:/users/Me/AppData/Local/Temp/"));
    EXPECT_TRUE(LiesDirectlyIn("c:\\windows\\temp\\x.exe", "C:\\Windows\\Temp"));
    EXPECT_FALSE(LiesDirectlyIn("C:\\users\\Me\\AppData\\Local\\TempTools\\App\\uninstall.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn("C:\\users\\Me\\AppData\\Local\\Temporary Tools\\x.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn("C:\\users\\Me\\AppData\\Local\\Temp\\sub\\x.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn("C:\\users\\Me\\AppData\\Local\\x.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn("x.exe", "C:\\users"));
    // GBK characters compare exactly, their ASCII-range trail bytes are not folded.
    EXPECT_FALSE(LiesDirectlyIn("C:\\\x81\x41\\x.exe", "C:\\\x81\x61"));
    EXPECT_TRUE(LiesDirectlyIn("C:\\\x81\x41\\x.exe", "c:\\\x81\x41"));
}

// Links are never entered: a name surrogate or an unknown tag is a link; a cloud placeholder
// or a deduplicated file is walked and deleted like any other entry.
TEST(IsLinkReparseTag, NameSurrogatesAndUnknownTags) {
    for (unsigned long tag : {0xA000000CUL, 0xA0000003UL, 0xA000001DUL, 0x0UL, 0x20000000UL})
        EXPECT_TRUE(IsLinkReparseTag(tag)) << std::hex << tag;
    for (unsigned long tag : {0x9000001AUL, 0x9000101AUL, 0x80000013UL, 0x8000001BUL, 0x80000017UL})
        EXPECT_FALSE(IsLinkReparseTag(tag)) << std::hex << tag;
}

TEST(IsCleanListName, StaysBelowItsFolderUnderItsOwnName) {
    for (const char* name : {"Vendor\\Tool", "Tool", ".x", "App Group", "Tool.lnk",
                             "Vendor/Tool", "\xD3\xA6\xD3\xC3", "a..b", "\xD3\\"})
        EXPECT_TRUE(IsCleanListName(name)) << name;
    for (const char* name : {"..\\Startup", "C:\\Windows", "\\x", "/x", "a:b", "...", ".", "..",
                             "Tool\\..", "Vendor\\..\\..\\x", " ..", "Tool.lnk:stream",
                             "\\\\srv\\share", " ", "  ", "Tool ", "Tool.", "Tool\\", "Vendor\\\\Tool",
                             "Vendor\\ \\Tool", ""})
        EXPECT_FALSE(IsCleanListName(name)) << name;
}

}  // namespace
