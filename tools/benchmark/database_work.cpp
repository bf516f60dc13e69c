// Times the package build in-process, natively: the template read from a file into
// memory beforehand, then everything the program does from there to the package in place.
// Usage: database-work <template.msi> <installer> <package.msi> [identity]
// With "identity", the package is a product of its own, as kestrow's identity options make it.
// Prints the seconds taken and the peak resident memory of this process.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string_view>
#include <vector>

#include "package_builder.h"

namespace {

long PeakResidentKibibytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

std::vector<std::byte> ReadWhole(const char* path) {
    std::ifstream in(path, std::ios::binary);
    const std::vector<char> chars((std::istreambuf_iterator<char>(in)),
                                  std::istreambuf_iterator<char>());
    const auto* first = reinterpret_cast<const std::byte*>(chars.data());
    return std::vector<std::byte>(first, first + chars.size());
}

} // namespace

int main(int argc, char** argv) {
    const bool withIdentity = argc == 5 && std::string_view(argv[4]) == "identity";
    if (argc != 4 && !withIdentity) {
        std::fprintf(stderr, "usage: %s <template.msi> <installer> <package.msi> [identity]\n",
                     argv[0]);
        return 2;
    }
    const kestrow::PackageIdentity identity{
        u"Benchmark", u"Fabrikam",
        u"2.0.0",     kestrow::DerivedUpgradeCode(u"Benchmark", u"Fabrikam"),
        u"/S",        u"/uninstall"};
    const std::vector<std::byte> templateDatabase = ReadWhole(argv[1]);
    const auto start = std::chrono::steady_clock::now();
    const kestrow::BuildOutcome outcome = kestrow::BuildPackageFromTemplate(
        templateDatabase, argv[2], argv[3], {}, withIdentity ? &identity : nullptr);
    const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (outcome.result != 0) {
        std::fprintf(stderr, "the build failed with %u\n", outcome.result);
        return 1;
    }
    std::printf("%.3f %ld\n", seconds.count(), PeakResidentKibibytes());
    return 0;
}
