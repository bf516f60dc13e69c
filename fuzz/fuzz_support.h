#pragma once

// What the fuzz targets share: turning the fuzzer's bytes into text or a file to read, and
// reporting a broken rule as a finding.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <string>
#include <vector>

namespace kestrow::fuzz {

// A rule that fails on some input is a finding as much as a crash: abort, so that libFuzzer
// keeps the input.
inline void Expect(bool holds) {
    if (!holds) {
        std::abort();
    }
}

// One byte a character.
inline std::string NarrowText(const std::uint8_t* data, std::size_t size) {
    return std::string(reinterpret_cast<const char*>(data), size);
}

// Two bytes a character, little-endian, as Windows hands its programs UTF-16; an odd last
// byte is left out.
inline std::wstring WideText(const std::uint8_t* data, std::size_t size) {
    std::wstring text;
    for (std::size_t i = 0; i + 1 < size; i += 2) {
        text.push_back(static_cast<wchar_t>(data[i] | (data[i + 1] << 8)));
    }
    return text;
}

// The fuzzer's bytes as a file that a reader reads a part at a time: each read must stay
// inside the file and ask for at most largestRead bytes.
inline auto CheckedFileReader(const std::uint8_t* data, std::size_t size,
                              std::uint64_t largestRead) {
    return [=](std::uint64_t offset, std::span<std::byte> buffer) {
        Expect(offset <= size && buffer.size() <= size - offset);
        Expect(buffer.size() <= largestRead);
        std::copy_n(reinterpret_cast<const std::byte*>(data) + offset, buffer.size(),
                    buffer.begin());
        return true;
    };
}

// A command line's arguments: each ends at a NUL, as the system passes them to main; the
// text after the last NUL is one more argument when there is any.
template <typename Text> std::vector<Text> ArgumentsOf(const Text& text) {
    std::vector<Text> arguments;
    std::size_t start = 0;
    for (std::size_t end = text.find(typename Text::value_type{}); end != Text::npos;
         end = text.find(typename Text::value_type{}, start)) {
        arguments.push_back(text.substr(start, end - start));
        start = end + 1;
    }
    if (start < text.size()) {
        arguments.push_back(text.substr(start));
    }
    return arguments;
}

} // namespace kestrow::fuzz
