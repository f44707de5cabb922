// A vendor's package installed as its installer would, for `scripts/demo.sh --app`: the
// package's files into the installation directory, and the program groups, desktop
// shortcuts and uninstall keys (the machine's, as a 32-bit installer writes them) its
// conf.xml lists, read the way the uninstaller reads it. With --left it tells instead what
// of them is left, and exits with how many.
// Usage: install.exe [--left] PACKAGE DIR
#include <windows.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "relocate/config.h"

namespace {

std::string Utf8(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? n - 1 : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, &out[0], n, nullptr, nullptr);
    return out;
}

std::wstring Wide(const char* text, unsigned codePage) {
    int n = MultiByteToWideChar(codePage, 0, text, -1, nullptr, 0);
    std::wstring out(n > 0 ? n - 1 : 0, L'\0');
    if (n > 1) MultiByteToWideChar(codePage, 0, text, -1, &out[0], n);
    return out;
}

// The names of one list of conf.xml, as the uninstaller splits them.
std::vector<std::wstring> Names(const std::wstring& list) {
    std::vector<std::wstring> names;
    size_t start = 0;
    for (size_t comma; (comma = list.find(L',', start)) != std::wstring::npos; start = comma + 1)
        if (comma > start) names.push_back(list.substr(start, comma - start));
    if (start < list.size()) names.push_back(list.substr(start));
    for (std::wstring& name : names)
        if (name.size() > 1 && name.back() == L'\\') name.pop_back();
    return names;
}

std::wstring ShellFolder(const wchar_t* name) {
    wchar_t value[MAX_PATH] = L"";
    DWORD size = sizeof(value);
    RegGetValueW(HKEY_CURRENT_USER,
                 L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders", name,
                 RRF_RT_REG_SZ, nullptr, value, &size);
    return value;
}

void MakeDirs(const std::wstring& path) {
    for (size_t at = 3; at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    CreateDirectoryW(path.c_str(), nullptr);
}

void CopyTree(const std::wstring& from, const std::wstring& to) {
    MakeDirs(to);
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((from + L"\\*").c_str(), &found);
    for (BOOL more = find != INVALID_HANDLE_VALUE; more; more = FindNextFileW(find, &found)) {
        std::wstring name = found.cFileName;
        if (name == L"." || name == L"..") continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            CopyTree(from + L"\\" + name, to + L"\\" + name);
        else
            CopyFileW((from + L"\\" + name).c_str(), (to + L"\\" + name).c_str(), FALSE);
    }
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
}

void WriteFile(const std::wstring& path, const char* text) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written;
    ::WriteFile(file, text, static_cast<DWORD>(strlen(text)), &written, nullptr);
    CloseHandle(file);
}

const wchar_t kUninstall[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

void SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
    RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    bool left = argc == 4 && std::wstring(argv[1]) == L"--left";
    if (argc != 3 + left) return 2;
    const std::wstring package = argv[1 + left], dir = argv[2 + left];
    HANDLE conf = CreateFileW((package + L"\\conf.xml").c_str(), GENERIC_READ, FILE_SHARE_READ,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    std::string bytes(conf != INVALID_HANDLE_VALUE ? GetFileSize(conf, nullptr) : 0, '\0');
    DWORD read = 0;
    if (conf == INVALID_HANDLE_VALUE || !ReadFile(conf, &bytes[0], bytes.size(), &read, nullptr)) {
        printf("no conf.xml in the package\n");
        return 2;
    }
    CloseHandle(conf);
    unsigned codePage = ConfigCodePage(bytes.data(), bytes.size());
    TiXmlDocument document;
    if (!codePage || !ParseConfig(document, bytes.data(), bytes.size(), codePage)) {
        printf("conf.xml cannot be read: the uninstaller will say why\n");
        return 2;
    }
    std::wstring lists[4];
    const char* const paths[] = {CONFIG_EXECUTABLE, CONFIG_REG_FOLDER_NAME, CONFIG_SC_FOLDER_NAME,
                                 CONFIG_SC_DESKTOP_NAME};
    for (int i = 0; i < 4; ++i)
        if (const char* text = LookupConfigText(TiXmlHandle(&document), paths[i]))
            lists[i] = Wide(text, ConfigTextCodePage(codePage));
    const std::wstring programs = ShellFolder(L"Programs"), desktop = ShellFolder(L"Desktop");
    std::vector<std::wstring> items;  // what the package installs, as it is shown
    int found = 0;
    auto item = [&](const std::wstring& shown, const std::wstring& path, bool key) {
        HKEY opened;
        bool there = key ? RegOpenKeyExW(HKEY_LOCAL_MACHINE, path.c_str(), 0, KEY_READ, &opened) == 0
                         : GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
        if (key && there) RegCloseKey(opened);
        found += there;
        if (!left || there) printf("  %s %s\n", left ? "left:" : "installed:", Utf8(shown).c_str());
    };
    if (!left) CopyTree(package, dir);
    item(dir, dir, false);
    for (const std::wstring& group : Names(lists[2])) {
        if (!left) {
            MakeDirs(programs + L"\\" + group);
            WriteFile(programs + L"\\" + group + L"\\" + group.substr(group.rfind(L'\\') + 1) + L".lnk",
                      "[shortcut]");
        }
        item(L"program group " + programs + L"\\" + group, programs + L"\\" + group, false);
        // Vendor\Tool: the vendor's folder goes with its last group.
        if (left && group.find(L'\\') != std::wstring::npos)
            item(L"folder " + programs + L"\\" + group.substr(0, group.rfind(L'\\')),
                 programs + L"\\" + group.substr(0, group.rfind(L'\\')), false);
    }
    for (const std::wstring& shortcut : Names(lists[3])) {
        if (!left) WriteFile(desktop + L"\\" + shortcut, "[shortcut]");
        item(L"desktop shortcut " + desktop + L"\\" + shortcut, desktop + L"\\" + shortcut, false);
    }
    for (const std::wstring& name : Names(lists[1])) {
        HKEY key;
        if (!left && RegCreateKeyExW(HKEY_LOCAL_MACHINE, (kUninstall + name).c_str(), 0, nullptr, 0,
                                     KEY_ALL_ACCESS, nullptr, &key, nullptr) == 0) {
            SetString(key, L"DisplayName", name);
            SetString(key, L"UninstallString", L"\"" + dir + L"\\uninstall.exe\"");
            SetString(key, L"InstallLocation", dir);
            RegCloseKey(key);
        }
        item(L"uninstall key HKLM\\" + (kUninstall + name), kUninstall + name, true);
    }
    if (left && found == 0) printf("  nothing: files, groups, shortcuts and keys are gone\n");
    return left ? found : 0;
}
