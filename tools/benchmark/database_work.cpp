// Times the database work of one package build in-process: open, view, record, execute,
// assign, commit. Usage: database-work <template.msi> <installer> <package.msi>
// Prints the seconds taken and the peak resident memory of this process.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>

#include "binary_row.h"

namespace {

long PeakResidentKibibytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s <template.msi> <installer> <package.msi>\n", argv[0]);
        return 2;
    }
    std::error_code copyError;
    std::filesystem::copy_file(argv[1], argv[3], std::filesystem::copy_options::overwrite_existing,
                               copyError);
    if (copyError) {
        std::fprintf(stderr, "cannot copy the template: %s\n", copyError.message().c_str());
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    installer_db::ErrorCode error = kestrow::AssignBinaryRow(argv[3], L"Corvane", argv[2]);
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (error != installer_db::kSuccess) {
        std::fprintf(stderr, "database work failed with %u\n", error);
        return 1;
    }
    std::printf("%.3f %ld\n", seconds.count(), PeakResidentKibibytes());
    return 0;
}
