#include "table_sources.h"

#include "glib_ownership.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace {

constexpr const char* kCodePageSource = "_ForceCodepage.idt";

bool ImportsBefore(const std::filesystem::path& left, const std::filesystem::path& right) {
    const bool leftIsCodePage = left.filename() == kCodePageSource;
    const bool rightIsCodePage = right.filename() == kCodePageSource;
    if (leftIsCodePage != rightIsCodePage) {
        return leftIsCodePage;
    }
    return left.filename().string() < right.filename().string();
}

installer_db::ErrorCode ImportEach(LibmsiDatabase* database,
                                   const std::vector<std::filesystem::path>& sources) {
    for (const auto& source : sources) {
        ErrorSlot error;
        if (!libmsi_database_import(database, source.c_str(), error.out())) {
            std::fprintf(stderr, "make-template: cannot import %s: %s\n", source.c_str(),
                         error.message());
            return installer_db::kFunctionFailed;
        }
    }
    return installer_db::kSuccess;
}

} // namespace

installer_db::ErrorCode ListTableSources(const std::filesystem::path& sourceDir,
                                         std::vector<std::filesystem::path>& sources) {
    std::error_code error;
    std::filesystem::directory_iterator entries(sourceDir, error);
    if (error) {
        std::fprintf(stderr, "make-template: cannot list %s: %s\n", sourceDir.c_str(),
                     error.message().c_str());
        return installer_db::kFileNotFound;
    }
    for (const auto& entry : entries) {
        if (entry.is_regular_file() && entry.path().extension() == ".idt") {
            sources.push_back(std::filesystem::absolute(entry.path()));
        }
    }
    if (sources.empty()) {
        std::fprintf(stderr, "make-template: no .idt files in %s\n", sourceDir.c_str());
        return installer_db::kFileNotFound;
    }
    std::sort(sources.begin(), sources.end(), ImportsBefore);
    return installer_db::kSuccess;
}

installer_db::ErrorCode ImportTableSources(LibmsiDatabase* database,
                                           const std::filesystem::path& sourceDir,
                                           const std::vector<std::filesystem::path>& sources) {
    // libmsi opens a stream cell's file as "<Table>/<cell>" relative to the working directory,
    // not to the .idt file, so the import runs from inside the source folder.
    std::error_code error;
    const std::filesystem::path previousDir = std::filesystem::current_path(error);
    if (!error) {
        std::filesystem::current_path(sourceDir, error);
    }
    if (error) {
        std::fprintf(stderr, "make-template: cannot enter %s: %s\n", sourceDir.c_str(),
                     error.message().c_str());
        return installer_db::kFileNotFound;
    }
    const installer_db::ErrorCode result = ImportEach(database, sources);
    std::filesystem::current_path(previousDir, error);
    return result;
}
