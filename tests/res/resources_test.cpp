// Reads the built uninstall.exe's resources back as Windows sees them: which types, names
// and languages it has, the group icon and its images, and the application manifest.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "tinyxml.h"

namespace {

const WORD kChinesePrc = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052
const WORD kEnglishUs = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);           // 1033

// A resource type or name: its number, or -1 for a string name (which the exe must not use).
int Id(LPCSTR name) { return IS_INTRESOURCE(name) ? int(ULONG_PTR(name)) : -1; }

BOOL CALLBACK AddType(HMODULE, LPSTR type, LONG_PTR list) {
    reinterpret_cast<std::vector<int>*>(list)->push_back(Id(type));
    return TRUE;
}
BOOL CALLBACK AddName(HMODULE, LPCSTR, LPSTR name, LONG_PTR list) {
    reinterpret_cast<std::vector<int>*>(list)->push_back(Id(name));
    return TRUE;
}
BOOL CALLBACK AddLanguage(HMODULE, LPCSTR, LPCSTR, WORD lang, LONG_PTR list) {
    reinterpret_cast<std::vector<int>*>(list)->push_back(lang);
    return TRUE;
}

template <class T>
std::vector<T> Sorted(std::vector<T> v) {
    std::sort(v.begin(), v.end());
    return v;
}

unsigned U16(const std::string& d, size_t at) { return BYTE(d[at]) | BYTE(d[at + 1]) << 8; }
unsigned U32(const std::string& d, size_t at) { return U16(d, at) | U16(d, at + 2) << 16; }

class Resources : public testing::Test {
protected:
    static void SetUpTestSuite() {
        exe = LoadLibraryExA(UNINSTALL_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    }
    static void TearDownTestSuite() { FreeLibrary(exe); }
    void SetUp() override { ASSERT_NE(exe, nullptr) << UNINSTALL_EXE << ": " << GetLastError(); }

    static std::vector<int> Types() {
        std::vector<int> types;
        EnumResourceTypesA(exe, AddType, LONG_PTR(&types));
        return Sorted(types);
    }
    static std::vector<int> Names(int type) {
        std::vector<int> names;
        EnumResourceNamesA(exe, MAKEINTRESOURCEA(type), AddName, LONG_PTR(&names));
        return Sorted(names);
    }
    static std::vector<int> Languages(int type, int name) {
        std::vector<int> langs;
        EnumResourceLanguagesA(exe, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(name), AddLanguage,
                               LONG_PTR(&langs));
        return Sorted(langs);
    }
    // The resource's bytes; empty when there is no such resource.
    static std::string Data(int type, int name, WORD lang) {
        HRSRC found = FindResourceExA(exe, MAKEINTRESOURCEA(type), MAKEINTRESOURCEA(name), lang);
        HGLOBAL loaded = found ? LoadResource(exe, found) : nullptr;
        const void* p = loaded ? LockResource(loaded) : nullptr;
        return p ? std::string(static_cast<const char*>(p), SizeofResource(exe, found)) : "";
    }

    static HMODULE exe;
};
HMODULE Resources::exe = nullptr;

TEST_F(Resources, AreOneGroupIconItsImagesAndOneManifest) {
    EXPECT_EQ(Types(), (std::vector<int>{3, 14, 24}));  // RT_ICON, RT_GROUP_ICON, RT_MANIFEST
    EXPECT_EQ(Names(14), std::vector<int>{101});
    EXPECT_EQ(Languages(14, 101), std::vector<int>{kChinesePrc});
    EXPECT_EQ(Names(24), std::vector<int>{1});
    EXPECT_EQ(Languages(24, 1), std::vector<int>{kEnglishUs});
}

struct Image {
    unsigned size, bits;
    bool operator<(const Image& o) const { return std::tie(size, bits) < std::tie(o.size, o.bits); }
    bool operator==(const Image& o) const { return size == o.size && bits == o.bits; }
};

TEST_F(Resources, GroupIconListsElevenUncompressedBitmaps) {
    const std::string group = Data(14, 101, kChinesePrc);
    ASSERT_GE(group.size(), 6u);
    ASSERT_EQ(U16(group, 0), 0u);
    ASSERT_EQ(U16(group, 2), 1u);  // icons, not cursors
    const unsigned count = U16(group, 4);
    ASSERT_EQ(group.size(), 6 + 14 * count);

    std::vector<Image> listed;
    std::vector<int> ids;
    for (unsigned i = 0; i < count; ++i) {
        const size_t e = 6 + 14 * i;
        const unsigned width = BYTE(group[e]) ? BYTE(group[e]) : 256;
        const unsigned height = BYTE(group[e + 1]) ? BYTE(group[e + 1]) : 256;
        const unsigned colours = BYTE(group[e + 2]), planes = U16(group, e + 4);
        const unsigned bits = U16(group, e + 6), bytes = U32(group, e + 8), id = U16(group, e + 12);
        SCOPED_TRACE(testing::Message() << "image " << id << ": " << width << "x" << height
                                        << " " << bits << " bpp");
        listed.push_back({width, bits});
        ids.push_back(int(id));
        EXPECT_EQ(height, width);
        EXPECT_EQ(planes, 1u);
        EXPECT_EQ(colours, bits == 4 ? 16u : 0u);
        EXPECT_EQ(Languages(3, int(id)), std::vector<int>{kChinesePrc});

        const std::string dib = Data(3, int(id), kChinesePrc);
        ASSERT_EQ(dib.size(), bytes);
        ASSERT_GE(dib.size(), 40u);
        ASSERT_EQ(U32(dib, 0), 40u) << "not a BITMAPINFOHEADER (a PNG stream?)";
        EXPECT_EQ(U32(dib, 4), width);
        EXPECT_EQ(U32(dib, 8), 2 * height);  // colour bitmap and AND mask
        EXPECT_EQ(U16(dib, 12), 1u);
        EXPECT_EQ(U16(dib, 14), bits);
        EXPECT_EQ(U32(dib, 16), unsigned(BI_RGB));
        // Uncompressed: palette, colour rows and mask rows fill the image exactly.
        const unsigned used = U32(dib, 32);
        const size_t palette = bits <= 8 ? 4 * (used ? used : 1u << bits) : 0;
        const size_t xorRow = (width * bits + 31) / 32 * 4, andRow = (width + 31) / 32 * 4;
        ASSERT_EQ(dib.size(), 40 + palette + (xorRow + andRow) * height);

        // The picture does not fill its square: the mask marks a transparent part.
        const std::string mask = dib.substr(40 + palette + xorRow * height);
        EXPECT_NE(mask.find_first_not_of('\0'), std::string::npos) << "no transparent pixel";
        if (bits == 32) {
            std::set<int> alpha;
            for (size_t p = 40 + 3; p < 40 + xorRow * height; p += 4) alpha.insert(BYTE(dib[p]));
            EXPECT_TRUE(alpha.count(0) && alpha.count(255)) << "alpha channel unused";
        }
    }
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, (std::vector<Image>{{16, 4}, {16, 8}, {16, 32}, {32, 4}, {32, 8}, {32, 32},
                                          {48, 4}, {48, 8}, {48, 32}, {64, 32}, {256, 32}}));
    // The group's images are all the images there are.
    EXPECT_EQ(Names(3), Sorted(ids));
}

TEST_F(Resources, ManifestIsAnEmptyAssemblyElement) {
    const std::string text = Data(24, 1, kEnglishUs);
    ASSERT_FALSE(text.empty());
    TiXmlDocument doc;
    doc.Parse(text.c_str());
    ASSERT_FALSE(doc.Error()) << doc.ErrorDesc() << "\n" << text;
    const TiXmlElement* root = doc.RootElement();
    ASSERT_NE(root, nullptr);
    EXPECT_STREQ(root->Value(), "assembly");
    EXPECT_EQ(root->NextSiblingElement(), nullptr);
    std::vector<std::string> attributes;
    for (const TiXmlAttribute* a = root->FirstAttribute(); a; a = a->Next())
        attributes.push_back(std::string(a->Name()) + "=" + a->Value());
    EXPECT_EQ(Sorted(attributes), (std::vector<std::string>{
                                      "manifestVersion=1.0",
                                      "xmlns=urn:schemas-microsoft-com:asm.v1"}));
    EXPECT_EQ(root->FirstChild(), nullptr) << text;  // no dependency, no trustInfo, no text
}

}  // namespace
