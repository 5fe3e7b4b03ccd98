#pragma once
// Hostile contents for the files and values the program reads, made from a valid example by a
// seeded generator, so that a failing case can be made again from its name and seed; and
// snapshots of everything stored, to prove that reading them changed nothing.

#include "support/temp_folder.h"

#include <windows.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <vector>

namespace test {

struct hostile_content {
    std::string name;   // what it is, with its seed
    std::string bytes;  // as it lies on disk
};

inline std::string random_bytes(std::mt19937& random, size_t count, char lowest = 0, char highest = 127)
{
    std::uniform_int_distribution<int> byte(lowest, highest);
    std::string bytes(count, '\0');
    for (char& c : bytes)
        c = static_cast<char>(byte(random));
    return bytes;
}

// Every key of the INI text `valid` ("key=value" lines) given a value of `length` characters.
inline std::string with_values_of_length(const std::string& valid, size_t length, char fill = 'x')
{
    std::string out;
    size_t start = 0;
    for (size_t end; (end = valid.find('\n', start)) != std::string::npos; start = end + 1) {
        const std::string line = valid.substr(start, end - start);
        const size_t equals = line.find('=');
        out += (equals == std::string::npos ? line : line.substr(0, equals + 1) + std::string(length, fill)) + "\n";
    }
    return out;
}

// The valid text truncated, as random bytes, 10 MB long, as UTF-16 without a byte-order mark,
// with every key repeated, with random lines, and with every value one character short of, at
// and past each of `buffer_sizes` (counted in wide characters, terminator included).
inline std::vector<hostile_content> hostile_ini_files(const std::string& valid, unsigned seed,
                                                      const std::vector<size_t>& buffer_sizes)
{
    std::mt19937 random(seed);
    const std::string tag = " (seed " + std::to_string(seed) + ")";
    std::vector<hostile_content> files{
        {"empty", ""},
        {"truncated" + tag, valid.substr(0, std::uniform_int_distribution<size_t>(1, valid.size() - 1)(random))},
        {"binary" + tag, random_bytes(random, 4096, -128, 127)},
        {"repeated keys", valid + with_values_of_length(valid, 3, 'r') + valid},
    };
    std::string huge = valid.substr(0, valid.find('\n') + 1);
    for (std::string line = "k=" + std::string(1000, 'h') + "\r\n"; huge.size() < 10'000'000;)
        huge += line;
    files.push_back({"10 MB", huge + valid});
    std::string utf16;
    for (const char c : valid)
        utf16 += std::string{c, '\0'};
    files.push_back({"UTF-16 without BOM", utf16});
    std::string lines = valid.substr(0, valid.find('\n') + 1);
    for (int i = 0; i < 200; ++i)
        lines += random_bytes(random, std::uniform_int_distribution<size_t>(0, 80)(random), 1, 126) + "\n";
    files.push_back({"random lines" + tag, lines});
    for (const size_t size : buffer_sizes)
        for (const size_t length : {size - 2, size - 1, size, size + 1})
            files.push_back({"values of " + std::to_string(length) + " characters", with_values_of_length(valid, length)});
    return files;
}

// Every value under the key, its subkeys included, with its type and bytes; "" when the key is
// missing. SOFTWARE\Microsoft is left out.
inline std::string registry_snapshot(HKEY root, const std::wstring& path = {})
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.empty() ? nullptr : path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
        return {};
    std::string out;
    std::vector<BYTE> data(1 << 20);
    wchar_t name[16384];
    for (DWORD i = 0;; ++i) {
        DWORD name_size = 16384, type = 0, size = static_cast<DWORD>(data.size());
        if (RegEnumValueW(key, i, name, &name_size, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
            break;
        out += std::string(reinterpret_cast<const char*>(name), name_size * 2) + "|" + std::to_string(type) + "|" +
               std::string(reinterpret_cast<const char*>(data.data()), size) + "\n";
    }
    for (DWORD i = 0;; ++i) {
        DWORD name_size = 256;
        if (RegEnumKeyExW(key, i, name, &name_size, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
            break;
        if (path == L"SOFTWARE" && _wcsicmp(name, L"Microsoft") == 0)
            continue;  // the platform's own, which Wine's shell fills in a new sandbox on first use
        const std::wstring sub = path.empty() ? name : path + L"\\" + name;
        out += "[" + std::string(reinterpret_cast<const char*>(sub.data()), sub.size() * 2) + "]\n" +
               registry_snapshot(root, sub);
    }
    RegCloseKey(key);
    return out;
}

// Every file under the folder with its bytes.
inline std::map<std::filesystem::path, std::string> files_snapshot(const std::filesystem::path& folder)
{
    std::map<std::filesystem::path, std::string> files;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(folder))
        if (entry.is_regular_file())
            files[entry.path()] = read_file(entry.path());
    return files;
}

// Both hives as this process sees them (in a test, its sandbox) and the folder's files.
struct stored_state {
    std::string user = registry_snapshot(HKEY_CURRENT_USER);
    std::string machine = registry_snapshot(HKEY_LOCAL_MACHINE);
    std::map<std::filesystem::path, std::string> files;
    explicit stored_state(const std::filesystem::path& folder) : files(files_snapshot(folder)) {}
    bool operator==(const stored_state&) const = default;
};

}  // namespace test
