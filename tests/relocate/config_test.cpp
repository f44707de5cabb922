// Reading conf.xml: real files written to a temp folder, read whole and parsed in their code
// page the way the program does, then looked up by the four element paths.
#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>
#include <string>
#include <vector>

#ifdef _WIN32
#include <direct.h>
#include <process.h>
#define MakeDir(path) _mkdir(path)
#define RemoveDir(path) _rmdir(path)
#define ProcessId() _getpid()
#else
#include <sys/stat.h>
#include <unistd.h>
#define MakeDir(path) mkdir(path, 0700)
#define RemoveDir(path) rmdir(path)
#define ProcessId() getpid()
#endif

#include "relocate/config.h"

namespace {

#ifdef _WIN32
const char kSeparator[] = "\\";
#else
const char kSeparator[] = "/";
#endif

const char kExample[] =
    "<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
    "<config>\n"
    "  <global>\n"
    "    <executable>app.exe,apphelper.exe</executable>\n"
    "  </global>\n"
    "  <unist>\n"
    "    <regFolderName>AppKey</regFolderName>\n"
    "    <scFolderName>App Group</scFolderName>\n"
    "    <scDesktopName>App.lnk</scDesktopName>\n"
    "  </unist>\n"
    "</config>\n";

std::string TempRoot() {
#ifdef _WIN32
    const char* temp = getenv("TEMP");
#else
    const char* temp = getenv("TMPDIR");
#endif
    return temp && *temp ? temp : (kSeparator[0] == '/' ? "/tmp" : ".");
}

// A folder of its own in the temp folder, with conf.xml files written into it.
class Config : public ::testing::Test {
protected:
    void SetUp() override {
        // A folder left behind by an earlier run that crashed must not stop this one.
        std::string base = TempRoot() + kSeparator + "config_test." + std::to_string(ProcessId());
        for (int i = 0; i < 100 && dir_.empty(); ++i) {
            std::string dir = base + "." + std::to_string(i);
            if (MakeDir(dir.c_str()) == 0) dir_ = dir;
        }
        ASSERT_FALSE(dir_.empty()) << base;
        made_.push_back(dir_);
    }

    void TearDown() override {
        for (auto it = files_.rbegin(); it != files_.rend(); ++it) remove(it->c_str());
        for (auto it = made_.rbegin(); it != made_.rend(); ++it) RemoveDir(it->c_str());
    }

    std::string Folder(const std::string& name) {
        std::string path = dir_ + kSeparator + name;
        EXPECT_EQ(MakeDir(path.c_str()), 0) << path;
        made_.push_back(path);
        return path;
    }

    std::string Write(const std::string& content, const std::string& folder = "") {
        std::string path = (folder.empty() ? dir_ : folder) + kSeparator + "conf.xml";
        FILE* file = fopen(path.c_str(), "wb");
        EXPECT_NE(file, nullptr) << path;
        if (!file) return path;
        EXPECT_EQ(fwrite(content.data(), 1, content.size(), file), content.size());
        fclose(file);
        files_.push_back(path);
        return path;
    }

    // Writes the file, reads its bytes back and parses them as the program does.
    bool Load(const std::string& content, const std::string& folder = "") {
        std::string bytes;
        if (FILE* file = fopen(Write(content, folder).c_str(), "rb")) {
            char chunk[4096];
            while (size_t n = fread(chunk, 1, sizeof chunk, file)) bytes.append(chunk, n);
            fclose(file);
        }
        EXPECT_EQ(bytes, content);
        document_.reset(new TiXmlDocument());
        codePage_ = ConfigCodePage(bytes.data(), bytes.size());
        return ParseConfig(*document_, bytes.data(), bytes.size(), codePage_);
    }

    // The text at path in the document loaded last, or "<null>".
    std::string Text(const char* path) {
        const char* text = LookupConfigText(TiXmlHandle(document_.get()), path);
        return text ? text : "<null>";
    }

    void ExpectAllNull() {
        for (const char* path : {CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME, CONFIG_SC_FOLDER_NAME,
                                 CONFIG_SC_DESKTOP_NAME})
            EXPECT_EQ(Text(path), "<null>") << path;
    }

    std::string dir_;
    std::vector<std::string> made_, files_;
    std::unique_ptr<TiXmlDocument> document_;
    unsigned codePage_ = 0;
};

TEST_F(Config, ExampleDocument) {
    ASSERT_TRUE(Load(kExample));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "app.exe,apphelper.exe");
    EXPECT_EQ(Text(CONFIG_REG_FOLDER_NAME), "AppKey");
    EXPECT_EQ(Text(CONFIG_SC_FOLDER_NAME), "App Group");
    EXPECT_EQ(Text(CONFIG_SC_DESKTOP_NAME), "App.lnk");
}

// Each level of nesting is a level of recursion: deeper files are refused, never crashed on.
// The file is read whole, and one of the largest size read parses.
TEST_F(Config, NestingAndSizeHaveLimits) {
    auto nested = [](int levels) {
        std::string xml = "<config>";
        for (int i = 1; i < levels; ++i) xml += "<a>";
        for (int i = 1; i < levels; ++i) xml += "</a>";
        return xml + "</config>";
    };
    EXPECT_TRUE(Load(nested(TIXML_MAX_NESTING)));
    EXPECT_FALSE(Load(nested(TIXML_MAX_NESTING + 1)));
    EXPECT_FALSE(Load(nested(100000)));

    std::string padded = kExample;
    padded += "<!--" + std::string(kMaxConfigBytes - padded.size() - 7, 'x') + "-->";
    ASSERT_EQ(padded.size(), static_cast<size_t>(kMaxConfigBytes));
    ASSERT_TRUE(Load(padded));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "app.exe,apphelper.exe");
}

TEST_F(Config, InstallDirWithChineseName) {
    // 应用 工具 in code page 936.
    ASSERT_TRUE(Load(kExample, Folder("\xD3\xA6\xD3\xC3 \xB9\xA4\xBE\xDF")));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "app.exe,apphelper.exe");
}

TEST_F(Config, WhiteSpaceInValues) {
    ASSERT_TRUE(Load("<config>\n"
                     "  <global>\n"
                     "    <executable>app.exe,\n"
                     "    apphelper.exe</executable>\n"
                     "  </global>\n"
                     "  <unist>\n"
                     "    <regFolderName>\n      AppKey  \n    </regFolderName>\n"
                     "    <scFolderName>\tApp   Group\t</scFolderName>\n"
                     "    <scDesktopName><![CDATA[  App  .lnk ]]></scDesktopName>\n"
                     "  </unist>\n"
                     "</config>\n"));
    // A line break and the indentation after it become one blank.
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "app.exe, apphelper.exe");
    EXPECT_EQ(Text(CONFIG_REG_FOLDER_NAME), "AppKey");
    EXPECT_EQ(Text(CONFIG_SC_FOLDER_NAME), "App Group");
    EXPECT_EQ(Text(CONFIG_SC_DESKTOP_NAME), "  App  .lnk ");
}

TEST_F(Config, WindowsLineEnds) {
    ASSERT_TRUE(Load("<config>\r\n  <global>\r\n    <executable>app.exe,\r\n    apphelper.exe"
                     "</executable>\r\n  </global>\r\n</config>\r\n"));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "app.exe, apphelper.exe");
}

TEST_F(Config, EntitiesAndGbkText) {
    ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"GBK\"?>\n"
                     "<config><global><executable>a&amp;b.exe</executable></global>"
                     "<unist><regFolderName>&lt;Key&gt; &quot;1&quot; &apos;2&apos; &#65;"
                     "</regFolderName>"
                     "<scFolderName>\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2</scFolderName>"
                     "<scDesktopName>\x81\x5C\x81\x41.lnk</scDesktopName></unist></config>"));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "a&b.exe");
    EXPECT_EQ(Text(CONFIG_REG_FOLDER_NAME), "<Key> \"1\" '2' A");
    EXPECT_EQ(Text(CONFIG_SC_FOLDER_NAME), "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2");
    EXPECT_EQ(Text(CONFIG_SC_DESKTOP_NAME), "\x81\x5C\x81\x41.lnk");
}

TEST_F(Config, GbkTextWithoutDeclaration) {
    ASSERT_TRUE(Load("<config><unist><scFolderName>\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2"
                     "</scFolderName></unist></config>"));
    EXPECT_EQ(Text(CONFIG_SC_FOLDER_NAME), "\xD3\xA6\xD3\xC3\xB3\xCC\xD0\xF2");
}

// The lists come back as the file's bytes, in the code page it was read in: 工具 in GBK or
// in UTF-8.
TEST_F(Config, GbkAndUtf8Files) {
    const struct {
        const char* file;
        unsigned codePage;
        const char* executable;
    } rows[] = {
        {"<?xml version=\"1.0\" encoding=\"GB2312\"?>\n"
         "<config><global><executable>\xB9\xA4\xBE\xDF.exe</executable></global></config>",
         936, "\xB9\xA4\xBE\xDF.exe"},
        {"\xEF\xBB\xBF<config><global><executable>\xE5\xB7\xA5\xE5\x85\xB7.exe</executable>"
         "</global></config>",
         65001, "\xE5\xB7\xA5\xE5\x85\xB7.exe"},
        {"<config><global><executable>\xE5\xB7\xA5\xE5\x85\xB7.exe</executable></global>"
         "</config>",
         65001, "\xE5\xB7\xA5\xE5\x85\xB7.exe"},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(Load(row.file)) << row.file;
        EXPECT_EQ(codePage_, row.codePage) << row.file;
        EXPECT_EQ(Text(CONFIG_EXECUTABLE), row.executable) << row.file;
    }
}

TEST(ConfigCodePage, ByteOrderMarkDeclarationOrBytes) {
    const struct {
        const char* start;
        unsigned codePage;
    } rows[] = {
        {"\xEF\xBB\xBF<config/>", 65001},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><config/>", 65001},
        {"<?xml version=\"1.0\"?><config/>", 65001},
        {"<?xml version=\"1.0\" encoding=\"GB2312\"?><config/>", 936},
        {"<?xml version=\"1.0\" encoding=\"gbk\"?><config/>", 936},
        {"<?xml version='1.0' encoding='GB18030'?><config/>", 936},
        {"<?xml version=\"1.0\" encoding = \"windows-1252\"?><config/>", 1252},
        {"<?xml version=\"1.0\" encoding=\"ISO-8859-2\"?><config/>", 28592},
        {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><config/>", 932},
        {"<?xml version=\"1.0\" encoding=\"x-unknown\"?><config/>", 0},
        // No declaration: GBK unless the text is UTF-8 throughout (工具 either way).
        {"<config>\xB9\xA4\xBE\xDF</config>", 936},
        {"<config>\xE5\xB7\xA5\xE5\x85\xB7</config>", 65001},
        {"<config>app.exe</config>", 936},
        // Re-saved as UTF-8, the declaration of GB2312 kept: UTF-8. Bytes that fit neither.
        {"<?xml version=\"1.0\" encoding=\"GB2312\"?><config>\xE5\xB7\xA5</config>", 65001},
        {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><config>\xB9\xA4</config>", 0},
        {"<config>\x81\xFF</config>", 0},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ConfigCodePage(row.start, strlen(row.start)), row.codePage) << row.start;
    const char* resaved = rows[13].start;
    ConfigEncoding encoding = DetectConfigEncoding(resaved, strlen(resaved));
    EXPECT_TRUE(encoding.declarationOverruled);
    EXPECT_EQ(encoding.source, kByDeclaration);
    EXPECT_EQ(DetectConfigEncoding(rows[0].start, 12).source, kByByteOrderMark);
    EXPECT_EQ(DetectConfigEncoding(rows[11].start, 12).source, kByContent);
    EXPECT_NE(DetectConfigEncoding(rows[14].start, strlen(rows[14].start)).fault, nullptr);
}

// UTF-16 with its byte-order mark, either way round: 工 comes back in UTF-8.
TEST_F(Config, Utf16Files) {
    for (bool bigEndian : {false, true}) {
        std::string text = "<config><global><executable>\x01\x5E.exe</executable></global></config>";
        std::string file = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
        for (size_t i = 0; i < text.size(); ++i) {
            bool hanzi = text[i] == '\x01';  // U+5DE5, its two bytes in the text
            char high = hanzi ? '\x5D' : '\0', low = hanzi ? '\xE5' : text[i];
            if (hanzi) ++i;
            file += bigEndian ? std::string{high, low} : std::string{low, high};
        }
        ASSERT_TRUE(Load(file)) << bigEndian;
        EXPECT_EQ(codePage_, bigEndian ? 1201u : 1200u);
        EXPECT_EQ(Text(CONFIG_EXECUTABLE), "\xE5\xB7\xA5.exe");
    }
}

// What a vendor misspells or misplaces is named, with the name most like it; the rest is read.
TEST_F(Config, UnknownElementsAreNamed) {
    const struct {
        const char* file;
        std::vector<std::string> named;  // name@row>nearest/parent
    } rows[] = {
        {kExample, {}},
        {"<config>\n<unist>\n<scFoldername>G</scFoldername>\n</unist></config>",
         {"scFoldername@3>scFolderName/unist"}},
        {"<config><global><scFolderName>G</scFolderName><exe>a</exe></global></config>",
         {"scFolderName@1>scFolderName/unist", "exe@1>"}},
        {"<config><unist/><unist><regFolderName>K</regFolderName></unist></config>",
         {"unist@1>unist/config"}},
        {"<Config/>", {"Config@1>config/"}},
        {"<settings/><config/>", {}},
    };
    for (const auto& row : rows) {
        ASSERT_TRUE(Load(row.file)) << row.file;
        std::vector<std::string> named;
        CheckConfigElements(*document_, [](void* context, const char* name, int at, const char* nearest,
                                           const char* parent) {
            static_cast<std::vector<std::string>*>(context)->push_back(
                std::string(name) + "@" + std::to_string(at) + ">" +
                (nearest ? std::string(nearest) + "/" + parent : ""));
        }, &named);
        EXPECT_EQ(named, row.named) << row.file;
    }
    EXPECT_FALSE(Load("<config>\n  <global></config>"));
    EXPECT_EQ(document_->ErrorRow(), 2);
}

TEST_F(Config, UnicodeByteOrderMark) {
    ASSERT_TRUE(Load(std::string("\xEF\xBB\xBF") + kExample));
    EXPECT_EQ(Text(CONFIG_SC_FOLDER_NAME), "App Group");
}

TEST_F(Config, OnlyTextAsFirstChildCounts) {
    ASSERT_TRUE(Load("<config>\n"
                     "  <global><executable><!-- programs -->app.exe</executable></global>\n"
                     "  <unist>\n"
                     "    <regFolderName>   \n  </regFolderName>\n"
                     "    <scFolderName></scFolderName>\n"
                     "    <scDesktopName/>\n"
                     "  </unist>\n"
                     "</config>\n"));
    ExpectAllNull();

    ASSERT_TRUE(Load("<config><global><executable><name>app.exe</name></executable></global>"
                     "</config>"));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "<null>");
    EXPECT_EQ(Text("config/global/executable/name"), "app.exe");
}

TEST_F(Config, ElementNamesAreCaseSensitive) {
    ASSERT_TRUE(Load("<Config><global><executable>app.exe</executable></global>"
                     "<unist><regFolderName>AppKey</regFolderName></unist></Config>"));
    ExpectAllNull();

    ASSERT_TRUE(Load("<config><Global><executable>app.exe</executable></Global>"
                     "<unist><RegFolderName>AppKey</RegFolderName></unist></config>"));
    ExpectAllNull();
}

TEST_F(Config, FirstElementOfEachNameIsFollowed) {
    ASSERT_TRUE(Load("<config>\n"
                     "  <unist><scFolderName>First Group</scFolderName></unist>\n"
                     "  <unist><regFolderName>AppKey</regFolderName>"
                     "<scFolderName>Second Group</scFolderName></unist>\n"
                     "  <global><executable>a.exe</executable>"
                     "<executable>b.exe</executable></global>\n"
                     "</config>\n"));
    EXPECT_EQ(Text(CONFIG_REG_FOLDER_NAME), "<null>");
    EXPECT_EQ(Text(CONFIG_SC_FOLDER_NAME), "First Group");
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "a.exe");
}

TEST_F(Config, OtherTopLevelNodesAreSkipped) {
    ASSERT_TRUE(Load("<?xml version=\"1.0\"?>\n<!-- written by the installer -->\n"
                     "<settings><global><executable>other.exe</executable></global></settings>\n"
                     "<config version=\"2\"><global><executable>app.exe</executable></global>"
                     "</config>\n"));
    EXPECT_EQ(Text(CONFIG_EXECUTABLE), "app.exe");
}

TEST_F(Config, DeclarationOnlyLoadsWithNothingInIt) {
    ASSERT_TRUE(Load("<?xml version=\"1.0\" encoding=\"GBK\"?>\n"));
    ExpectAllNull();
}

TEST_F(Config, BrokenFilesDoNotLoad) {
    for (const char* content : {"", " \r\n\t\n", "<config><global></config>",
                                "<config><global><executable>a.exe</executable></global>",
                                "<config><unist><regFolderName>A</regFolderName></unist></Config>",
                                "just text"}) {
        EXPECT_FALSE(Load(content)) << "'" << content << "'";
    }
}

TEST_F(Config, PathsWithNoName) {
    ASSERT_TRUE(Load(kExample));
    EXPECT_EQ(Text(""), "<null>");
    EXPECT_EQ(Text("/"), "<null>");
    EXPECT_EQ(Text("///"), "<null>");
    EXPECT_EQ(Text("config/global/missing"), "<null>");
    EXPECT_EQ(Text("config/global/executable/more"), "<null>");
    // A path too long for the program's buffers finds nothing.
    std::string longPath = CONFIG_EXECUTABLE;
    longPath += std::string(1100, '/');
    EXPECT_EQ(Text(longPath.c_str()), "<null>");
}

}  // namespace
