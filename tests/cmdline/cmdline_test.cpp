// How the working copy's command line becomes the five option fields.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "cmdline/cmdline.h"

namespace {

struct Parsed {
    int count = 0;
    int result = -1;
    OptionFields fields;
    Switches switches;
};

// The line parsed last; its items are where the fields point.
std::unique_ptr<CommandLine> g_line;

// Splits and scans one line the way the program does at start.
Parsed Parse(const wchar_t* line) {
    Parsed parsed;
    g_line.reset(new CommandLine);
    parsed.count = g_line->TakeSwitches(g_line->SplitCommandLine(line), parsed.switches);
    parsed.result = g_line->ParseOptions(parsed.count, parsed.fields);
    return parsed;
}

std::wstring Item(int index) {
    const wchar_t* item = g_line->Item(index);
    return item ? item : L"<null>";
}

#define EXPECT_FIELD_NULL(field) EXPECT_EQ(field, nullptr) << #field " = " << field
#define EXPECT_FIELD(field, text)                 \
    do {                                          \
        ASSERT_NE(field, nullptr) << #field;      \
        EXPECT_STREQ(field, text);                \
    } while (0)

TEST(CommandLine, RelaunchLineOfPhaseOne) {
    Parsed p = Parse(L"C:\\T\\VORNAuninstall.exe -p \"C:\\Apps\\Tool\\\" -e \"a.exe,b.exe\"");
    EXPECT_EQ(p.count, 5);
    EXPECT_EQ(p.result, 1);
    EXPECT_EQ(Item(0), L"C:\\T\\VORNAuninstall.exe");
    EXPECT_EQ(Item(1), L"-p");
    EXPECT_EQ(Item(4), L"a.exe,b.exe");
    EXPECT_EQ(Item(5), L"<null>");
    // The backslash before the closing quote is an ordinary character.
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps\\Tool\\");
    EXPECT_FIELD(p.fields.m_executable, L"a.exe,b.exe");
    EXPECT_FIELD_NULL(p.fields.m_regFolderName);
    EXPECT_FIELD_NULL(p.fields.m_scFolderName);
    EXPECT_FIELD_NULL(p.fields.m_scDesktopName);
}

TEST(CommandLine, AllFiveOptions) {
    Parsed p = Parse(L"x.exe -p \"C:\\Apps\\Tool\\\" -e \"a.exe\" -R \"AppKey,App Key 2\" "
                     L"-S \"App Group\" -s \"App.lnk,Other.lnk\"");
    EXPECT_EQ(p.count, 11);
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps\\Tool\\");
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");
    EXPECT_FIELD(p.fields.m_regFolderName, L"AppKey,App Key 2");
    EXPECT_FIELD(p.fields.m_scFolderName, L"App Group");
    EXPECT_FIELD(p.fields.m_scDesktopName, L"App.lnk,Other.lnk");
}

TEST(CommandLine, AttachedArguments) {
    Parsed p = Parse(L"x.exe -pC:\\Apps -ep");
    EXPECT_EQ(p.count, 3);
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps");
    EXPECT_FIELD(p.fields.m_executable, L"p");

    p = Parse(L"x.exe -RKey -SGroup -sA.lnk");
    EXPECT_FIELD(p.fields.m_regFolderName, L"Key");
    EXPECT_FIELD(p.fields.m_scFolderName, L"Group");
    EXPECT_FIELD(p.fields.m_scDesktopName, L"A.lnk");
}

TEST(CommandLine, OptionTakesNextItemEvenWhenItLooksLikeAnOption) {
    Parsed p = Parse(L"x.exe -p -e -R Key");
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD(p.fields.m_installDir, L"-e");
    EXPECT_FIELD_NULL(p.fields.m_executable);
    EXPECT_FIELD(p.fields.m_regFolderName, L"Key");
}

TEST(CommandLine, EmptyInstallDirEndsTheScanWithZero) {
    Parsed p = Parse(L"x.exe -e a.exe -p \"\" -R Key");
    EXPECT_EQ(p.count, 7);
    EXPECT_EQ(p.result, 0);
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");
    EXPECT_FIELD_NULL(p.fields.m_installDir);
    EXPECT_FIELD_NULL(p.fields.m_regFolderName);

    // A quote that opens at the very end is an empty item too.
    p = Parse(L"x.exe -p \"");
    EXPECT_EQ(p.count, 3);
    EXPECT_EQ(Item(2), L"");
    EXPECT_EQ(p.result, 0);
}

TEST(CommandLine, EmptyArgumentOfOtherOptionsIsSkipped) {
    Parsed p = Parse(L"x.exe -e \"\" -R \"\" -S \"\" -s \"\" -p C:\\Apps");
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD_NULL(p.fields.m_executable);
    EXPECT_FIELD_NULL(p.fields.m_regFolderName);
    EXPECT_FIELD_NULL(p.fields.m_scFolderName);
    EXPECT_FIELD_NULL(p.fields.m_scDesktopName);
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps");

    // An empty argument does not clear what an earlier one set.
    p = Parse(L"x.exe -e a.exe -e \"\"");
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");
}

TEST(CommandLine, OptionWithoutArgumentAtTheEnd) {
    Parsed p = Parse(L"x.exe -e a.exe -p");
    EXPECT_EQ(p.count, 4);
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");
    EXPECT_FIELD_NULL(p.fields.m_installDir);
}

TEST(CommandLine, UnknownOptionEndsTheScan) {
    Parsed p = Parse(L"x.exe -e a.exe -x -p C:\\Apps");
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");
    EXPECT_FIELD_NULL(p.fields.m_installDir);

    p = Parse(L"x.exe -: -p C:\\Apps");
    EXPECT_FIELD_NULL(p.fields.m_installDir);
    p = Parse(L"x.exe -P C:\\Apps");
    EXPECT_FIELD_NULL(p.fields.m_installDir);
}

TEST(CommandLine, NonOptionItemEndsTheScan) {
    for (const wchar_t* line : {L"x.exe C:\\Apps -p C:\\Apps", L"x.exe - -p C:\\Apps",
                                L"x.exe -- -p C:\\Apps", L"x.exe \"\" -p C:\\Apps"}) {
        Parsed p = Parse(line);
        EXPECT_EQ(p.result, 1) << line;
        EXPECT_FIELD_NULL(p.fields.m_installDir) << line;
    }
    // Options before the stop are kept, nothing after it is read.
    Parsed p = Parse(L"x.exe -e a.exe -- -p C:\\Apps");
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");
    EXPECT_FIELD_NULL(p.fields.m_installDir);
}

TEST(CommandLine, LastOfARepeatedOptionWins) {
    Parsed p = Parse(L"x.exe -p C:\\One -e a.exe -p C:\\Two -e b.exe");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Two");
    EXPECT_FIELD(p.fields.m_executable, L"b.exe");
}

TEST(CommandLine, ProgramName) {
    // A line that begins with a blank has an empty program name.
    Parsed p = Parse(L" -p C:\\Apps");
    EXPECT_EQ(p.count, 3);
    EXPECT_EQ(Item(0), L"");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps");

    p = Parse(L"\t-p C:\\Apps");
    EXPECT_EQ(Item(0), L"");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps");

    // Unquoted, a path with a blank is two items and the second ends the scan.
    p = Parse(L"C:\\Program Files\\x.exe -p C:\\Apps");
    EXPECT_EQ(p.count, 4);
    EXPECT_EQ(Item(0), L"C:\\Program");
    EXPECT_EQ(Item(1), L"Files\\x.exe");
    EXPECT_FIELD_NULL(p.fields.m_installDir);

    p = Parse(L"\"C:\\Program Files\\Temp Dir\\VORNAuninstall.exe\" -p \"C:\\My Apps\\\"");
    EXPECT_EQ(p.count, 3);
    EXPECT_EQ(Item(0), L"C:\\Program Files\\Temp Dir\\VORNAuninstall.exe");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\My Apps\\");

    // The closing quote of the program name ends it even with no blank after it.
    p = Parse(L"\"a b\"-pX");
    EXPECT_EQ(p.count, 2);
    EXPECT_EQ(Item(0), L"a b");
    EXPECT_EQ(Item(1), L"-pX");
    EXPECT_FIELD(p.fields.m_installDir, L"X");

    p = Parse(L"x.exe");
    EXPECT_EQ(p.count, 1);
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD_NULL(p.fields.m_installDir);
}

TEST(CommandLine, QuotedValuesAreTakenWhole) {
    Parsed p = Parse(L"x.exe -e \"a b.exe,\tc.exe\" -S \"Group\\Sub Group,,\" -s \"\\\\\"");
    EXPECT_EQ(p.count, 7);
    EXPECT_FIELD(p.fields.m_executable, L"a b.exe,\tc.exe");
    EXPECT_FIELD(p.fields.m_scFolderName, L"Group\\Sub Group,,");
    EXPECT_FIELD(p.fields.m_scDesktopName, L"\\\\");

    // Blanks and tabs between items are all separators.
    p = Parse(L"x.exe \t -p \t\t C:\\Apps   -e  a.exe  ");
    EXPECT_EQ(p.count, 5);
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps");
    EXPECT_FIELD(p.fields.m_executable, L"a.exe");

    // Other characters pass through unchanged, 乗 (0x81 0x5C in GBK) before the quote too.
    p = Parse(L"x.exe -S \"应用 乗\"");
    EXPECT_FIELD(p.fields.m_scFolderName, L"应用 乗");
}

TEST(CommandLine, UnterminatedQuoteTakesTheRest) {
    Parsed p = Parse(L"x.exe -e a.exe -p \"C:\\My Apps\\ -R Key");
    EXPECT_EQ(p.count, 5);
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\My Apps\\ -R Key");
    EXPECT_FIELD_NULL(p.fields.m_regFolderName);
}

TEST(CommandLine, TableHoldsAtMost128Items) {
    std::wstring line = L"x.exe";
    for (int i = 1; i < 130; ++i) line += L" i" + std::to_wstring(i);
    Parsed p = Parse(line.c_str());
    EXPECT_EQ(p.count, kMaxCommandLineItems);
    EXPECT_EQ(Item(127), L"i127");
    EXPECT_EQ(Item(128), L"<null>");

    // Options among the first 128 items are read; an option whose argument fell beyond
    // them has none.
    line = L"x.exe";
    for (int i = 1; i <= 62; ++i) line += L" -e e" + std::to_wstring(i);
    p = Parse((line + L" -p C:\\Apps").c_str());
    EXPECT_EQ(p.count, 127);
    EXPECT_FIELD(p.fields.m_executable, L"e62");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\Apps");

    p = Parse((line + L" -e e63 -p C:\\Apps").c_str());
    EXPECT_EQ(p.count, kMaxCommandLineItems);
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD(p.fields.m_executable, L"e63");
    EXPECT_FIELD_NULL(p.fields.m_installDir);
}

// Deployment tools put their switch anywhere: it never stops the options around it.
TEST(CommandLine, SwitchesAnywhereInAnyCase) {
    for (const wchar_t* line : {L"x.exe /S -p C:\\A", L"x.exe -p C:\\A /silent",
                                L"x.exe /VerySilent -p C:\\A", L"x.exe -p C:\\A /QUIET",
                                L"x.exe /qn -p C:\\A /qn"}) {
        Parsed p = Parse(line);
        EXPECT_TRUE(p.switches.quiet) << line;
        EXPECT_FALSE(p.switches.log || p.switches.dryRun) << line;
        EXPECT_FIELD(p.fields.m_installDir, L"C:\\A");
        EXPECT_EQ(p.count, 3) << line;
    }
    Parsed p = Parse(L"x.exe /DryRun -p C:\\A");
    EXPECT_TRUE(p.switches.dryRun && p.switches.log && !p.switches.quiet);
    EXPECT_EQ(p.switches.logPath, nullptr);
    for (const wchar_t* line : {L"x.exe /SX -p C:\\A", L"x.exe /LOGS -p C:\\A",
                                L"x.exe /-p C:\\A"}) {
        p = Parse(line);
        EXPECT_FALSE(p.switches.quiet || p.switches.log) << line;
        EXPECT_FIELD_NULL(p.fields.m_installDir);
    }
}

TEST(CommandLine, LogSwitchWithAPath) {
    Parsed p = Parse(L"x.exe /LOG -p C:\\A");
    EXPECT_TRUE(p.switches.log);
    EXPECT_EQ(p.switches.logPath, nullptr);
    p = Parse(L"x.exe -p C:\\A /log=C:\\logs\\u.log");
    EXPECT_FIELD(p.switches.logPath, L"C:\\logs\\u.log");
    p = Parse(L"x.exe \"/LOG=C:\\my logs\\u.log\" -p C:\\A");
    EXPECT_FIELD(p.switches.logPath, L"C:\\my logs\\u.log");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\A");
    p = Parse(L"x.exe /LOG=\"C:\\my  logs\\a b.log\" -p C:\\A");
    EXPECT_FIELD(p.switches.logPath, L"C:\\my  logs\\a b.log");
    EXPECT_FIELD(p.fields.m_installDir, L"C:\\A");
    EXPECT_EQ(p.count, 3);
    p = Parse(L"x.exe -p C:\\A /LOG=");
    EXPECT_TRUE(p.switches.log);
    EXPECT_EQ(p.switches.logPath, nullptr);
}

TEST(CommandLine, NoItems) {
    for (const wchar_t* line :
         {static_cast<const wchar_t*>(nullptr), L"", L"\"", L"\"C:\\unterminated name"}) {
        CommandLine fresh;
        EXPECT_EQ(fresh.SplitCommandLine(line), 0) << (line ? line : L"null");
    }
    Parsed p = Parse(L"");
    EXPECT_EQ(p.result, 1);
    EXPECT_FIELD_NULL(p.fields.m_installDir);
}

TEST(CommandLine, ScanStartsAfreshAfterRestart) {
    Parsed first = Parse(L"x.exe -p C:\\One");
    EXPECT_FIELD(first.fields.m_installDir, L"C:\\One");
    Parsed second = Parse(L"y.exe -e b.exe");
    EXPECT_FIELD(second.fields.m_executable, L"b.exe");
    EXPECT_FIELD_NULL(second.fields.m_installDir);
}

}  // namespace
