// Times the SHA-256 of a file, read in pieces as a package build reads its installer.
// Usage: hash-file <file>
// Prints the digest as sha256sum does, then the seconds taken and the throughput in MB/s.

#include <chrono>
#include <cstdio>
#include <fstream>
#include <vector>

#include "hex.h"
#include "sha256.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <file>\n", argv[0]);
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    std::ifstream in(argv[1], std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "cannot open %s\n", argv[1]);
        return 1;
    }
    std::vector<char> buffer(1 << 20);
    kestrow::digest::Sha256 hash;
    double total = 0;
    while (in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())) || in.gcount() > 0) {
        const auto got = static_cast<std::size_t>(in.gcount());
        hash.Update(std::as_bytes(std::span(buffer.data(), got)));
        total += static_cast<double>(got);
    }
    if (in.bad()) {
        std::fprintf(stderr, "cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string digest = kestrow::digest::ToHex(hash.Finish());
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    std::printf("%s  %s\n%.3f s  %.0f MB/s\n", digest.c_str(), argv[1], seconds.count(),
                total / seconds.count() / 1e6);
    return 0;
}
