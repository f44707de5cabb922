// Where things are: existence checks, shell folders as stored in the registry, our own path.
#include <gtest/gtest.h>

#include "sysloc/sysloc.h"
#include "wintest.h"

namespace {

const char kValue[] = "Harness Test Folder";
const char kUntouched[] = "untouched";

std::string Terminated(const std::string& text) { return text + '\0'; }

struct StoredValue {
    const char* what;
    std::string data;
    DWORD type;
    int result;
    std::string path;  // the path read back when result is 1
};

TEST(GetShellFolderPath, TakesTerminatedStringsAsStored) {
    const std::string longest(1023, 'a');
    const StoredValue cases[] = {
        {"REG_SZ", Terminated("C:\\Apps\\Tool"), REG_SZ, 1, "C:\\Apps\\Tool"},
        {"GBK REG_SZ", Terminated(wt::Gbk("C:\\用户\\桌面")), REG_SZ, 1, wt::Gbk("C:\\用户\\桌面")},
        {"REG_EXPAND_SZ", Terminated("%USERPROFILE%\\Desktop"), REG_EXPAND_SZ, 1,
         "%USERPROFILE%\\Desktop"},
        {"REG_MULTI_SZ", std::string("C:\\First\0C:\\Second\0\0", 20), REG_MULTI_SZ, 1,
         "C:\\First"},
        {"empty", "", REG_SZ, 1, ""},
        {"1024 bytes", Terminated(longest), REG_SZ, 1, longest},
        {"1025 bytes", Terminated(longest + "a"), REG_SZ, 0, ""},
        {"no NUL", "C:\\Apps\\Tool", REG_SZ, 0, ""},
        {"REG_DWORD", std::string("\x01\x00\x00\x00", 4), REG_DWORD, 0, ""},
        {"REG_BINARY", Terminated("C:\\Apps\\Tool"), REG_BINARY, 0, ""},
    };
    for (const StoredValue& c : cases) {
        SCOPED_TRACE(c.what);
        wt::ShellFolderOverride value(kValue, c.data, c.type);
        TextBuffer path;
        path.Copy(kUntouched);
        EXPECT_EQ(GetShellFolderPath(kValue, path), c.result);
        EXPECT_EQ(std::string(path.text), c.result ? c.path : kUntouched);
    }
}

TEST(GetShellFolderPath, MissingValueFailsAndLeavesTheBuffer) {
    wt::ShellFolderOverride removed(kValue, nullptr);
    TextBuffer path;
    path.Copy(kUntouched);
    EXPECT_EQ(GetShellFolderPath(kValue, path), 0);
    EXPECT_STREQ(path.text, kUntouched);
}

TEST(PathExists, TellsFilesFromDirectories) {
    const std::string dir = wt::TempDir() + "\\harness-sysloc";
    const std::string file = dir + "\\file.txt";
    wt::RemoveAll(dir);
    wt::WriteTextFile(file, "x");

    bool isDirectory = true;
    EXPECT_TRUE(PathExists(file.c_str(), &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_TRUE(PathExists(dir.c_str(), &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_TRUE(PathExists(file.c_str(), nullptr));

    for (bool flag : {true, false}) {
        for (std::string missing : {dir + "\\missing.txt", dir + "\\no\\such\\file.txt",
                                    std::string()}) {
            SCOPED_TRACE(missing);
            isDirectory = flag;
            EXPECT_FALSE(PathExists(missing.c_str(), &isDirectory));
            EXPECT_EQ(isDirectory, flag);
        }
        isDirectory = flag;
        EXPECT_FALSE(PathExists(nullptr, &isDirectory));
        EXPECT_EQ(isDirectory, flag);
    }
    wt::RemoveAll(dir);
}

TEST(GetModulePath, IsThisExecutable) {
    TextBuffer path;
    EXPECT_EQ(GetModulePath(path), 1);
    EXPECT_EQ(std::string(path.text), wt::WinPath(SYSLOC_TEST_EXE));
    EXPECT_TRUE(wt::Exists(path.text));
}

}  // namespace
