#pragma once

// Scratch folders, file contents and external commands for the unit tests.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include <sys/wait.h>

namespace test_support {

// A fresh folder under the system's temporary folder, removed with its contents.
class ScratchDirectory {
public:
    ScratchDirectory() {
        std::random_device random;
        path_ = std::filesystem::temp_directory_path() /
                ("kestrow-unit-" + std::to_string(random()) + std::to_string(random()));
        std::filesystem::create_directories(path_);
    }
    ~ScratchDirectory() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::filesystem::path& Path() const { return path_; }
    std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

private:
    std::filesystem::path path_;
};

// Bytes that differ between seeds and positions, so misplaced data shows.
inline std::vector<std::byte> PatternBytes(std::size_t size, unsigned seed) {
    std::vector<std::byte> bytes(size);
    std::uint32_t state = seed * 2654435761u + 1;
    for (std::byte& byte : bytes) {
        state = state * 1103515245u + 12345u;
        byte = static_cast<std::byte>(state >> 24);
    }
    return bytes;
}

inline void WriteFile(const std::filesystem::path& path, const std::vector<std::byte>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

inline std::vector<std::byte> ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> chars((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> bytes(chars.size());
    std::transform(chars.begin(), chars.end(), bytes.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return bytes;
}

struct CommandResult {
    int exitCode = -1;
    std::string output;
};

// Runs a shell command and collects its standard output.
inline CommandResult RunCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) {
        return result;
    }
    std::array<char, 4096> buffer{};
    std::size_t got = 0;
    while ((got = fread(buffer.data(), 1, buffer.size(), pipe)) > 0) {
        result.output.append(buffer.data(), got);
    }
    const int status = pclose(pipe);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

inline std::string Quoted(const std::filesystem::path& path) {
    std::string quoted(1, '\'');
    quoted.append(path.string());
    quoted.push_back('\'');
    return quoted;
}

} // namespace test_support
