// Times the database work of one package build in-process: open, view, record, execute,
// assign, commit. Usage: database-work <template.msi> <installer> <package.msi>
// Prints the seconds taken and the peak resident memory of this process.

#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>

#include "installer_database.h"

namespace {

using namespace installer_db;

ErrorCode StoreInstaller(const std::filesystem::path& installer,
                         const std::filesystem::path& package) {
    std::unique_ptr<Database> database;
    if (ErrorCode error = Database::Open(package, OpenMode::Transact, database)) {
        return error;
    }
    std::unique_ptr<View> view;
    if (ErrorCode error = database->OpenView(L"SELECT * FROM Binary", view)) {
        return error;
    }
    Record record(2);
    ErrorCode error = record.SetString(1, L"Corvane");
    if (error == kSuccess) {
        error = record.SetStream(2, installer);
    }
    if (error == kSuccess) {
        error = view->Execute(&record);
    }
    if (error == kSuccess) {
        error = view->Modify(ModifyMode::Assign, record);
    }
    return error == kSuccess ? database->Commit() : error;
}

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
    ErrorCode error = StoreInstaller(argv[2], argv[3]);
    std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - start;
    if (error != kSuccess) {
        std::fprintf(stderr, "database work failed with %u\n", error);
        return 1;
    }
    std::printf("%.3f %ld\n", seconds.count(), PeakResidentKibibytes());
    return 0;
}
