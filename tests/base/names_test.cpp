// The name and path rules that decide what the removal steps may touch.
#include <gtest/gtest.h>
#include <string.h>
#include <wchar.h>

#include <string>

#include "base/names.h"

namespace {

TEST(ProgramNameMatches, NameWithOrWithoutExe) {
    EXPECT_TRUE(ProgramNameMatches(L"app", L"APP.EXE"));
    EXPECT_TRUE(ProgramNameMatches(L"app", L"app.exe"));
    EXPECT_TRUE(ProgramNameMatches(L"App.exe", L"app.exe"));
    EXPECT_TRUE(ProgramNameMatches(L"apphelper.exe", L"AppHelper.Exe"));
    EXPECT_TRUE(ProgramNameMatches(L"tool.com", L"TOOL.COM"));
    EXPECT_TRUE(ProgramNameMatches(L"应用", L"应用.exe"));
}

TEST(ProgramNameMatches, OtherNamesDoNotMatch) {
    EXPECT_FALSE(ProgramNameMatches(L"app.ex", L"app.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"ap", L"app.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"pp.exe", L"app.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"bin\\app.exe", L"app.exe"));
    EXPECT_FALSE(ProgramNameMatches(L" app", L"app.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"app ", L"app.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"app.exe", L"app"));
    EXPECT_FALSE(ProgramNameMatches(L"app", L"app.dll"));
    EXPECT_FALSE(ProgramNameMatches(L"app", L"app.exe.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"app", L"appx.exe"));
    EXPECT_FALSE(ProgramNameMatches(L"", L"app.exe"));
}

TEST(IsAbsolutePath, DriveOrShare) {
    for (const wchar_t* path : {L"C:\\x", L"C:/x", L"c:\\", L"z:/", L"\\\\srv\\share\\x",
                                L"//srv/share", L"\\\\srv"})
        EXPECT_TRUE(IsAbsolutePath(path)) << path;
    for (const wchar_t* path : {L"", L"x", L"\\x", L"/x", L"C:x", L"C:", L"1:\\x", L"\\\\?\\C:\\x",
                                L"\\\\.\\x", L"//?/C:/x", L"\\\\", L"\\\\\\srv\\share",
                                L"x\\C:\\y"})
        EXPECT_FALSE(IsAbsolutePath(path)) << path;
}

TEST(IsRootPath, DriveAndShareRoots) {
    for (const wchar_t* path : {L"C:\\", L"C:", L"c:/", L"C:\\\\", L"\\\\srv\\share",
                                L"\\\\srv\\share\\", L"//srv/share/", L"\\\\srv"})
        EXPECT_TRUE(IsRootPath(path)) << path;
    for (const wchar_t* path : {L"C:\\a", L"C:\\a\\", L"\\\\srv\\share\\x", L"\\\\srv\\share\\x\\",
                                L"a", L"\\a"})
        EXPECT_FALSE(IsRootPath(path)) << path;
}

// A component the system would fold (empty, or ending in a blank or a dot) makes a path name
// another entry than it spells.
TEST(IsCleanAbsolutePath, EveryComponentSpelledAsItIs) {
    // 表 and ソ end in 0x5C in Shift_JIS: read by characters, neither holds a separator.
    for (const wchar_t* path : {L"C:\\Apps\\Tool\\", L"C:\\Apps\\Tool", L"C:\\", L"c:/a/b/",
                                L"C:\\.git\\x", L"C:\\a b\\c", L"C:\\a.b\\", L"\\\\srv\\share\\x\\",
                                L"C:\\表\\x", L"C:\\ソ"})
        EXPECT_TRUE(IsCleanAbsolutePath(path)) << path;
    for (const wchar_t* path : {L"C:\\ ", L"C:\\Desktop ", L"C:\\Desktop \\", L"C:\\Desktop.",
                                L"C:\\Desktop.\\", L"C:\\Apps\\\\Tool", L"C:\\Apps\\Tool\\\\",
                                L"C:\\\\", L"C:\\a\\..\\b", L"C:\\Apps\\.\\", L"C:/Apps/../",
                                L"C:\\...", L"C:\\ ..\\x", L"\\\\srv\\share\\..\\x",
                                L"\\\\srv\\share \\x", L"\\\\srv\\\\share", L"C:x", L"\\x", L"x\\y",
                                L"\\\\?\\C:\\x", L""})
        EXPECT_FALSE(IsCleanAbsolutePath(path)) << path;
}

TEST(PathIsWithin, CaseAndSeparatorsIgnored) {
    EXPECT_TRUE(PathIsWithin(L"C:\\Apps\\Tool", L"C:\\Apps"));
    EXPECT_TRUE(PathIsWithin(L"C:\\Apps", L"C:\\Apps"));
    EXPECT_TRUE(PathIsWithin(L"C:\\Apps\\", L"C:\\Apps"));
    EXPECT_TRUE(PathIsWithin(L"C:\\Apps", L"C:\\Apps\\\\"));
    EXPECT_TRUE(PathIsWithin(L"c:/apps/tool/x.exe", L"C:\\APPS\\"));
    EXPECT_TRUE(PathIsWithin(L"C:\\Apps\\Tool", L"c:/apps"));
    EXPECT_TRUE(PathIsWithin(L"C:\\Windows\\Temp\\x", L"C:\\"));
    EXPECT_TRUE(PathIsWithin(L"\\\\srv\\share\\Apps", L"\\\\SRV\\Share"));
}

TEST(PathIsWithin, SiblingsAndParentsAreNot) {
    EXPECT_FALSE(PathIsWithin(L"C:\\Apps2", L"C:\\Apps"));
    EXPECT_FALSE(PathIsWithin(L"C:\\Apps2\\Tool", L"C:\\Apps"));
    EXPECT_FALSE(PathIsWithin(L"C:\\App", L"C:\\Apps"));
    EXPECT_FALSE(PathIsWithin(L"C:\\", L"C:\\Apps"));
    EXPECT_FALSE(PathIsWithin(L"D:\\Apps\\Tool", L"C:\\Apps"));
    EXPECT_FALSE(PathIsWithin(L"C:\\Apps\\Tool", L""));
    EXPECT_FALSE(PathIsWithin(L"C:\\Apps\\Tool", L"\\"));
    EXPECT_FALSE(PathIsWithin(L"", L"C:\\Apps"));
    // Other characters compare exactly, whatever their low bytes.
    EXPECT_FALSE(PathIsWithin(L"C:\\乁\\x", L"C:\\乡"));
    EXPECT_TRUE(PathIsWithin(L"c:\\乁\\x", L"C:\\乁"));
}

// The phase decision: the working copy lies directly in the temp directory.
TEST(LiesDirectlyIn, TheFolderItselfNotOneThatBeginsLikeIt) {
    const wchar_t* temp = L"C:\\users\\Me\\AppData\\Local\\Temp";
    EXPECT_TRUE(LiesDirectlyIn(L"C:\\users\\Me\\AppData\\Local\\Temp\\VORNAuninstall.exe", temp));
    EXPECT_TRUE(LiesDirectlyIn(L"c:\\USERS\\me\\appdata\\local\\temp\\x.exe", temp));
    EXPECT_TRUE(LiesDirectlyIn(L"C:\\users\\Me\\AppData\\Local\\Temp\\x.exe", L"C:/users/Me/AppData/Local/Temp/"));
    EXPECT_TRUE(LiesDirectlyIn(L"c:\\windows\\temp\\x.exe", L"C:\\Windows\\Temp"));
    EXPECT_FALSE(LiesDirectlyIn(L"C:\\users\\Me\\AppData\\Local\\TempTools\\App\\uninstall.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn(L"C:\\users\\Me\\AppData\\Local\\Temporary Tools\\x.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn(L"C:\\users\\Me\\AppData\\Local\\Temp\\sub\\x.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn(L"C:\\users\\Me\\AppData\\Local\\x.exe", temp));
    EXPECT_FALSE(LiesDirectlyIn(L"x.exe", L"C:\\users"));
    // Other characters compare exactly, whatever their low bytes.
    EXPECT_FALSE(LiesDirectlyIn(L"C:\\乁\\x.exe", L"C:\\乡"));
    EXPECT_TRUE(LiesDirectlyIn(L"C:\\乁\\x.exe", L"c:\\乁"));
}

// A working copy runs directly in the temp directory or in a folder of its own there.
TEST(IsWorkingCopyPath, TheTempDirectoryOrAFolderOfItsOwnThere) {
    for (const wchar_t* path : {L"C:\\Temp\\VORNAuninstall.exe",
                                L"C:\\Temp\\VORNAuninstall.1f\\x.exe",
                                L"c:\\temp\\vornauninstall.1f\\x.exe"})
        EXPECT_TRUE(IsWorkingCopyPath(path, L"C:\\Temp", L"VORNAuninstall.")) << path;
    for (const wchar_t* path :
         {L"C:\\Temp\\VORNAuninstall.\\x.exe", L"C:\\Temp\\VORNAuninstall\\x.exe",
          L"C:\\Temp\\Other.1f\\x.exe", L"C:\\Temp\\VORNAuninstall.1f\\a\\x.exe",
          L"C:\\Temp\\a\\VORNAuninstall.1f\\x.exe", L"C:\\VORNAuninstall.1f\\x.exe",
          L"C:\\Temp\\VORNAuninstall.1f\\", L"VORNAuninstall.1f\\x.exe"})
        EXPECT_FALSE(IsWorkingCopyPath(path, L"C:\\Temp", L"VORNAuninstall.")) << path;
}

// One lock per installation directory, however its letters and separators are written; no
// backslash after the prefix. The empty text gives FNV-1a 64's offset basis.
TEST(UninstallLockName, OneNamePerDirectory) {
    WideText a, b;
    ASSERT_TRUE(UninstallLockName(L"C:\\Apps\\Tool\\", L"Local\\L-", a));
    EXPECT_EQ(a.Length(), 24u);
    EXPECT_EQ(wcschr(a.Text() + 6, L'\\'), nullptr);
    for (const wchar_t* same : {L"c:\\apps\\TOOL", L"C:/Apps/Tool/"})
        EXPECT_TRUE(UninstallLockName(same, L"Local\\L-", b) && wcscmp(a, b) == 0) << same;
    for (const wchar_t* other : {L"C:\\Apps\\Tool2", L"C:\\乁\\Tool"})
        EXPECT_TRUE(UninstallLockName(other, L"Local\\L-", b) && wcscmp(a, b) != 0) << other;
    ASSERT_TRUE(UninstallLockName(L"", L"", b));
    EXPECT_STREQ(b.Text(), L"cbf29ce484222325");
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
    for (const wchar_t* name : {L"Vendor\\Tool", L"Tool", L".x", L"App Group", L"Tool.lnk",
                                L"Vendor/Tool", L"应用", L"a..b", L"表"})
        EXPECT_TRUE(IsCleanListName(name)) << name;
    for (const wchar_t* name : {L"..\\Startup", L"C:\\Windows", L"\\x", L"/x", L"a:b", L"...", L".",
                                L"..", L"Tool\\..", L"Vendor\\..\\..\\x", L" ..",
                                L"Tool.lnk:stream", L"\\\\srv\\share", L" ", L"  ", L"Tool ",
                                L"Tool.", L"Tool\\", L"Vendor\\\\Tool", L"Vendor\\ \\Tool", L""})
        EXPECT_FALSE(IsCleanListName(name)) << name;
    // Each in plain words, for the vendor.
    const std::pair<const wchar_t*, const char*> faults[] = {
        {L"Tool\\", "it ends with a backslash"}, {L"\\x", "it starts with a backslash"},
        {L"a:b", "it holds a colon"}, {L"Vendor\\\\Tool", "it holds two backslashes"},
        {L"Tool.", "a part of it ends in a blank or a dot"}, {L"Tool", ""}};
    for (const auto& fault : faults) {
        const char* said = ListNameFault(fault.first);
        EXPECT_EQ(std::string(said ? said : "").substr(0, strlen(fault.second)), fault.second);
    }
}

// The program an uninstall entry's command starts, and whether the entry is this
// installation's: what decides that a key in the other registry view may go.
TEST(CommandProgram, QuotedUnquotedAndIconIndex) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"\"C:\\Program Files\\A\\un.exe\" /S", L"C:\\Program Files\\A\\un.exe"},
        {L"C:\\Program Files\\A\\unins000.exe /SILENT", L"C:\\Program Files\\A\\unins000.exe"},
        {L"C:\\A.exe dir\\x.exe", L"C:\\A.exe"},  // as the system starts it
        {L"C:\\A\\app.EXE,0", L"C:\\A\\app.EXE"}, {L" C:\\A\\app.ico,-101 ", L"C:\\A\\app.ico"},
        {L"C:\\A,B\\x.dll", L"C:\\A,B\\x.dll"}, {L"\"\" /S", L""}, {L",0", L""},
    };
    for (const auto& c : cases) {
        WideText program;
        EXPECT_EQ(CommandProgram(c.first, program), *c.second != L'\0') << c.first;
        EXPECT_STREQ(program.Text(), c.second) << c.first;
    }
}

TEST(EntryBelongsTo, ItsFolderOrItsUninstallerSpelledAsTheDirectory) {
    const wchar_t* dir = L"C:\\Program Files (x86)\\Acme\\Tool\\";
    const struct {
        const wchar_t *location, *uninstaller;
        bool belongs;
    } cases[] = {
        {L"C:\\Program Files (x86)\\Acme\\Tool", nullptr, true},
        {L"c:/program files (x86)/acme/tool/", L"", true},
        {L"\"C:\\Program Files (x86)\\Acme\\Tool\\\"", nullptr, true},
        {nullptr, L"\"C:\\Program Files (x86)\\Acme\\Tool\\uninstall.exe\"", true},
        {L"", L"C:\\Program Files (x86)\\Acme\\Tool\\UNINSTALL.EXE /S", true},
        {L"C:\\Program Files\\Acme\\Tool", nullptr, false},
        {L"C:\\PROGRA~2\\Acme\\Tool", L"C:\\PROGRA~2\\Acme\\Tool\\uninstall.exe", false},
        {L"C:\\Program Files (x86)\\Acme", nullptr, false},
        {L"C:\\Program Files (x86)\\Acme\\Tool\\bin", nullptr, false},
        {L"C:\\Program Files (x86)\\Acme\\Tool ", nullptr, false},
        {nullptr, L"\"C:\\Program Files (x86)\\Acme\\Tool\\unins000.exe\"", false},
        {nullptr, L"MsiExec.exe /X{0D5C0D5C-0000-0000-0000-000000000000}", false},
        {L"", L"", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(EntryBelongsTo(c.location, c.uninstaller, dir, L"uninstall.exe"), c.belongs)
            << (c.location ? c.location : L"-") << " | " << (c.uninstaller ? c.uninstaller : L"-");
}

}  // namespace
