#include "snapshot.h"

#include <windows.h>

#include <algorithm>
#include <stdio.h>

#include "support/wintest.h"

namespace e2e {
namespace {

const char kUninstall[] = "\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\";

bool EqualFolded(const std::string& a, const std::string& b) { return Fold(a) == Fold(b); }

std::string Describe(DWORD type, const BYTE* data, DWORD size) {
    char head[64];
    snprintf(head, sizeof(head), "type %lu, %lu bytes", static_cast<unsigned long>(type),
             static_cast<unsigned long>(size));
    if ((type == REG_SZ || type == REG_EXPAND_SZ) && size > 0 && size <= 200)
        return std::string(head) + ": " +
               std::string(reinterpret_cast<const char*>(data), size - 1).c_str();
    unsigned long long hash = 14695981039346656037ull;  // FNV-1a: any change of the data shows
    for (DWORD i = 0; i < size; ++i) hash = (hash ^ data[i]) * 1099511628211ull;
    char tail[32];
    snprintf(tail, sizeof(tail), ", fnv %016llx", hash);
    return head + std::string(tail);
}

void Walk(HKEY key, const std::string& line, REGSAM view, const std::vector<std::string>& skip,
          std::set<std::string>& out) {
    out.insert(line);
    static std::vector<BYTE> data(1 << 20);
    char name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof(name), type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueA(key, i, name, &nameSize, nullptr, &type, data.data(), &size) !=
            ERROR_SUCCESS)
            break;
        out.insert(line + " \"" + name + "\" = " + Describe(type, data.data(), size));
    }
    std::vector<std::string> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = sizeof(name);
        if (RegEnumKeyExA(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) !=
            ERROR_SUCCESS)
            break;
        subkeys.push_back(name);
    }
    for (const std::string& subkey : subkeys) {
        bool skipped = false;
        for (const std::string& s : skip) skipped = skipped || EqualFolded(subkey, s);
        HKEY child = nullptr;
        if (skipped ||
            RegOpenKeyExA(key, subkey.c_str(), 0, KEY_READ | view, &child) != ERROR_SUCCESS)
            continue;
        Walk(child, line + subkey + "\\", view, {}, out);
        RegCloseKey(child);
    }
}

void WalkRoot(HKEY root, const char* path, REGSAM view, const std::string& label,
              const std::vector<std::string>& skip, std::set<std::string>& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, path, 0, KEY_READ | view, &key) != ERROR_SUCCESS) return;
    Walk(key, label + "\\" + path + "\\", view, skip, out);
    RegCloseKey(key);
}

}  // namespace

Snapshot TakeSnapshot(bool withClasses) {
    Snapshot snapshot;
    for (const std::string& path : wt::ListTree("C:")) snapshot.files.insert("C:\\" + path);
    std::vector<std::string> skip32, skip64 = {"Wow6432Node"};  // the 32-bit view, walked apart
    if (!withClasses) {
        skip32.push_back("Classes");
        skip64.push_back("Classes");
    }
    WalkRoot(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_WOW64_32KEY, "HKLM32", skip32,
             snapshot.registry);
    WalkRoot(HKEY_LOCAL_MACHINE, "SOFTWARE", KEY_WOW64_64KEY, "HKLM64", skip64,
             snapshot.registry);
    WalkRoot(HKEY_CURRENT_USER, "Software", 0, "HKCU", {}, snapshot.registry);
    return snapshot;
}

std::vector<std::string> Under(const std::set<std::string>& before,
                               const std::vector<std::string>& prefixes) {
    std::vector<std::string> found;
    for (const std::string& entry : before) {
        std::string folded = Fold(entry);
        for (const std::string& prefix : prefixes)
            if (folded.compare(0, prefix.size(), Fold(prefix)) == 0) {
                found.push_back(entry);
                break;
            }
    }
    return found;
}

std::vector<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b) {
    std::vector<std::string> out;
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out;
}

std::string Fold(std::string text) {
    for (char& c : text)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return text;
}

std::string UninstallKeyLine(const std::string& root, const std::string& name) {
    return root + (root == "HKCU" ? "\\Software" : "\\SOFTWARE") + kUninstall + name + "\\";
}

}  // namespace e2e
