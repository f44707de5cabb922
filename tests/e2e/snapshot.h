// Listings of the whole prefix, to compare before and after a run: every path on drive C:
// and every key and value below HKLM\SOFTWARE (32- and 64-bit views) and HKCU\Software.
#pragma once
#include <set>
#include <string>
#include <vector>

namespace e2e {

struct Snapshot {
    std::set<std::string> files;  // "C:\dir\", "C:\dir\file"
    // "HKLM32\SOFTWARE\...\Key\" and "HKLM32\SOFTWARE\...\Key\ "Value" = data"
    std::set<std::string> registry;
};

// withClasses: also walk the two HKLM\SOFTWARE\Classes trees (COM registrations, about
// 30000 keys and 4 s under Wine); without it they are left out.
Snapshot TakeSnapshot(bool withClasses);

// Entries of before under any of the prefixes (ASCII letter case ignored): a directory's
// prefix is written with its trailing backslash, a file's or value's in full.
std::vector<std::string> Under(const std::set<std::string>& before,
                               const std::vector<std::string>& prefixes);

std::vector<std::string> Minus(const std::set<std::string>& a, const std::set<std::string>& b);

// ASCII-only lower case, for comparing paths the system may report in another case.
std::string Fold(std::string text);

// The registry line prefix of an uninstall key: root is "HKLM32", "HKLM64" or "HKCU".
std::string UninstallKeyLine(const std::string& root, const std::string& name);

}  // namespace e2e
