#include "sample_app.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include <stdio.h>

#include "support/wintest.h"

namespace e2e {
namespace {

const char kUninstallKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall";

void WriteFileWithAttributes(const std::string& path, const std::string& content,
                             DWORD attributes) {
    wt::WriteTextFile(path, content);
    if (attributes) SetFileAttributesA(path.c_str(), attributes);
}

std::string Numbered(const char* format, int n) {
    char name[64];
    snprintf(name, sizeof(name), format, n);
    return name;
}

void SetString(HKEY key, const char* name, const std::string& value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>(value.size() + 1));
}

}  // namespace

SampleInstaller::SampleInstaller()
    : programs_(wt::ShellFolder("Programs")), desktop_(wt::ShellFolder("Desktop")) {}

int SampleInstaller::InstallFiles(const std::string& dir, const ConfLists& lists) {
    Track(dir);
    int files = 0;
    auto put = [&](const std::string& relative, DWORD attributes = 0) {
        WriteFileWithAttributes(dir + "\\" + relative, "sample application file " + relative,
                                attributes);
        ++files;
    };
    wt::InstallUninstaller(dir, ConfXml(lists));
    files += 2;
    put("SampleApp.exe");
    put("SampleHelper.exe");
    put("readme.txt");
    put("license.txt", FILE_ATTRIBUTE_READONLY);
    for (int i = 1; i <= 30; ++i)
        put("bin\\" + Numbered("module%02d.dll", i), i % 5 == 0 ? FILE_ATTRIBUTE_READONLY : 0);
    for (int p = 1; p <= 4; ++p) {
        std::string plugin = Numbered("plugins\\plugin%d\\", p);
        for (int i = 1; i <= 15; ++i) put(plugin + Numbered("part%02d.bin", i));
        for (int i = 1; i <= 10; ++i)
            put(plugin + Numbered("res\\image%02d.png", i), i == 3 ? FILE_ATTRIBUTE_HIDDEN : 0);
    }
    for (int m = 1; m <= 10; ++m)
        for (int i = 1; i <= 12; ++i)
            put(Numbered("data\\maps\\m%02d\\", m) + Numbered("tile%02d.dat", i),
                i == 12 ? FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN : 0);
    put("data\\cache.db", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    put("data\\index.db", FILE_ATTRIBUTE_SYSTEM);
    for (int i = 1; i <= 20; ++i) put("docs\\" + Numbered("topic%02d.html", i));
    for (int i = 1; i <= 20; ++i) put("docs\\images\\" + Numbered("figure%02d.png", i));
    put("数据\\说明.txt");
    put("a\\b\\c\\d\\e\\f\\deep.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_SYSTEM);
    wt::MakeDirs(dir + "\\logs");  // an empty folder
    return files;
}

void SampleInstaller::InstallGroup(const std::string& name,
                                   const std::vector<std::string>& shortcuts) {
    std::string group = programs_ + "\\" + name;
    Track(group);
    wt::MakeDirs(group);
    for (const std::string& shortcut : shortcuts)
        wt::WriteTextFile(group + "\\" + shortcut, ShortcutBytes("C:\\windows\\notepad.exe"));
}

void SampleInstaller::InstallDesktopShortcut(const std::string& fileName) {
    Track(desktop_ + "\\" + fileName);
    wt::WriteTextFile(desktop_ + "\\" + fileName, ShortcutBytes("C:\\windows\\notepad.exe"));
}

void SampleInstaller::InstallKey(HKEY root, REGSAM view, const std::string& name,
                                 const std::string& displayName,
                                 const std::string& uninstallString) {
    TrackKey(root, view, name);
    HKEY key = nullptr;
    std::string path = std::string(kUninstallKey) + "\\" + name;
    if (RegCreateKeyExA(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    SetString(key, "DisplayName", displayName);
    SetString(key, "UninstallString", uninstallString);
    SetString(key, "Publisher", "Sample Vendor");
    RegCloseKey(key);
}

void SampleInstaller::Remove() {
    for (auto it = paths_.rbegin(); it != paths_.rend(); ++it) wt::RemoveAll(*it);
    paths_.clear();
    for (const Key& k : keys_) {
        HKEY uninstall = nullptr;
        if (RegOpenKeyExA(k.root, kUninstallKey, 0, KEY_ALL_ACCESS | k.view, &uninstall) !=
            ERROR_SUCCESS)
            continue;
        RegDeleteTreeA(uninstall, k.name.c_str());
        RegCloseKey(uninstall);
    }
    keys_.clear();
}

std::string ConfXml(const ConfLists& lists) {
    auto element = [](const char* name, const std::string& value) {
        return std::string("    <") + name + ">" + value + "</" + name + ">\n";
    };
    return "<?xml version=\"1.0\" encoding=\"GB2312\"?>\n<config>\n  <global>\n" +
           element("executable", lists.executable) + "  </global>\n  <unist>\n" +
           element("regFolderName", lists.regFolderName) +
           element("scFolderName", lists.scFolderName) +
           element("scDesktopName", lists.scDesktopName) + "  </unist>\n</config>\n";
}

std::string ProgramFilesDir() {
    char path[MAX_PATH];
    DWORD n = GetEnvironmentVariableA("ProgramFiles", path, sizeof(path));
    return n > 0 && n < sizeof(path) ? path : "";
}

std::string ShortcutBytes(const std::string& target) {
    // Saved to a stream, not to the file: saving to a file under the Start menu or desktop
    // makes Wine start winemenubuilder, which writes menu entries into the Unix home.
    std::string bytes;
    CoInitialize(nullptr);
    IShellLinkA* link = nullptr;
    IPersistStream* persist = nullptr;
    IStream* stream = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IShellLinkA, reinterpret_cast<void**>(&link))) &&
        SUCCEEDED(link->SetPath(target.c_str())) &&
        SUCCEEDED(link->QueryInterface(IID_IPersistStream, reinterpret_cast<void**>(&persist))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(persist->Save(stream, TRUE))) {
        HGLOBAL memory = nullptr;
        STATSTG stat{};
        if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) &&
            SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
            const char* data = static_cast<const char*>(GlobalLock(memory));
            bytes.assign(data, stat.cbSize.LowPart);
            GlobalUnlock(memory);
        }
    }
    if (stream) stream->Release();
    if (persist) persist->Release();
    if (link) link->Release();
    CoUninitialize();
    return bytes;
}

}  // namespace e2e
