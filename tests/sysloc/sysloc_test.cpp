// Where things are: existence checks, shell folders as stored in the registry, our own path.
#include <gtest/gtest.h>

#include "sysloc/sysloc.h"
#include "wintest.h"

namespace {

const wchar_t kValue[] = L"Harness Test Folder";
const wchar_t kUntouched[] = L"untouched";

// A string value as stored: UTF-16 with its NUL.
std::string Terminated(const std::wstring& text) { return wt::Utf16Bytes(text + L'\0'); }

struct StoredValue {
    const char* what;
    std::string data;
    DWORD type;
    int result;
    std::string path;  // the path read back when result is 1
};

TEST(GetShellFolderPath, TakesTerminatedStringsAsStored) {
    const std::wstring longest(1023, L'a');
    const StoredValue cases[] = {
        {"REG_SZ", Terminated(L"C:\\Apps\\Tool"), REG_SZ, 1, "C:\\Apps\\Tool"},
        {"Chinese and Ø", Terminated(L"C:\\用户\\Øresund"), REG_SZ, 1, "C:\\用户\\Øresund"},
        {"REG_EXPAND_SZ", Terminated(L"%USERPROFILE%\\Desktop"), REG_EXPAND_SZ, 1,
         "%USERPROFILE%\\Desktop"},
        {"REG_MULTI_SZ", wt::Utf16Bytes(std::wstring(L"C:\\First\0C:\\Second\0\0", 20)),
         REG_MULTI_SZ, 1, "C:\\First"},
        {"empty", "", REG_SZ, 1, ""},
        {"1024 characters", Terminated(longest), REG_SZ, 1, wt::FromUtf16(longest)},
        {"1025 characters", Terminated(longest + L"a"), REG_SZ, 0, ""},
        {"no NUL", wt::Utf16Bytes(L"C:\\Apps\\Tool"), REG_SZ, 0, ""},
        {"odd size", Terminated(L"C:\\Apps\\Tool") + '\0', REG_SZ, 0, ""},
        {"REG_DWORD", std::string("\x01\x00\x00\x00", 4), REG_DWORD, 0, ""},
        {"REG_BINARY", Terminated(L"C:\\Apps\\Tool"), REG_BINARY, 0, ""},
    };
    for (const StoredValue& c : cases) {
        SCOPED_TRACE(c.what);
        wt::ShellFolderOverride value("Harness Test Folder", c.data, c.type);
        WideText path;
        path.Assign(kUntouched);
        EXPECT_EQ(GetShellFolderPath(kValue, path) == ERROR_SUCCESS, c.result == 1);
        EXPECT_EQ(wt::FromUtf16(path.Text()), c.result ? c.path : "untouched");
    }
}

TEST(GetShellFolderPath, MissingValueFailsAndLeavesTheBuffer) {
    wt::ShellFolderOverride removed("Harness Test Folder", nullptr);
    WideText path;
    path.Assign(kUntouched);
    EXPECT_EQ(GetShellFolderPath(kValue, path), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_STREQ(path.Text(), kUntouched);
}

TEST(PathExists, TellsFilesFromDirectories) {
    const std::string dir = wt::TempDir() + "\\harness-sysloc Øresund 工具";
    const std::string file = dir + "\\file.txt";
    wt::RemoveAll(dir);
    wt::WriteTextFile(file, "x");

    bool isDirectory = true;
    EXPECT_TRUE(PathExists(wt::Utf16(file).c_str(), &isDirectory));
    EXPECT_FALSE(isDirectory);
    EXPECT_TRUE(PathExists(wt::Utf16(dir).c_str(), &isDirectory));
    EXPECT_TRUE(isDirectory);
    EXPECT_TRUE(PathExists(wt::Utf16(file).c_str(), nullptr));

    for (bool flag : {true, false}) {
        for (std::string missing : {dir + "\\missing.txt", dir + "\\no\\such\\file.txt",
                                    std::string()}) {
            SCOPED_TRACE(missing);
            isDirectory = flag;
            EXPECT_FALSE(PathExists(wt::Utf16(missing).c_str(), &isDirectory));
            EXPECT_EQ(isDirectory, flag);
        }
        isDirectory = flag;
        EXPECT_FALSE(PathExists(nullptr, &isDirectory));
        EXPECT_EQ(isDirectory, flag);
    }
    wt::RemoveAll(dir);
}

TEST(GetModulePath, IsThisExecutable) {
    WideText path;
    EXPECT_EQ(GetModulePath(path), 0u);
    EXPECT_EQ(wt::FromUtf16(path.Text()), wt::WinPath(SYSLOC_TEST_EXE));
}

}  // namespace
