// make-template: builds the installer database that Kestrow embeds as its template, from the
// reviewable text sources in template/sources. The output must be byte-identical from build
// to build, so everything libmsi would otherwise take from the clock is set from the sources.
#include "glib_ownership.h"
#include "summary_information.h"
#include "table_sources.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <system_error>

namespace {

constexpr const char* kSummarySource = "summary-information.txt";

installer_db::ErrorCode FillDatabase(LibmsiDatabase* database,
                                     const std::filesystem::path& sourceDir) {
    std::vector<std::filesystem::path> tableSources;
    std::vector<SummaryProperty> summary;
    installer_db::ErrorCode result = ListTableSources(sourceDir, tableSources);
    if (result == installer_db::kSuccess) {
        result = ReadSummaryProperties(sourceDir / kSummarySource, summary);
    }
    if (result == installer_db::kSuccess) {
        result = ImportTableSources(database, sourceDir, tableSources);
    }
    if (result == installer_db::kSuccess) {
        result = WriteSummaryProperties(database, summary);
    }
    return result;
}

// Writes the complete database to `path`; the database is closed when this returns.
installer_db::ErrorCode WriteDatabase(const std::filesystem::path& sourceDir,
                                      const std::filesystem::path& path) {
    ErrorSlot error;
    const GObjectPtr<LibmsiDatabase> database(
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, error.out()));
    if (!database) {
        std::fprintf(stderr, "make-template: cannot create %s: %s\n", path.c_str(),
                     error.message());
        return installer_db::kOpenFailed;
    }
    installer_db::ErrorCode result = FillDatabase(database.get(), sourceDir);
    if (result == installer_db::kSuccess && !libmsi_database_commit(database.get(), error.out())) {
        std::fprintf(stderr, "make-template: cannot write %s: %s\n", path.c_str(), error.message());
        result = installer_db::kFunctionFailed;
    }
    return result;
}

// Builds next to the output and moves the finished file into place, so that a failed run
// leaves no half-written database behind and never removes the previous one.
installer_db::ErrorCode MakeTemplate(const std::filesystem::path& sourceDir,
                                     const std::filesystem::path& output) {
    std::filesystem::path partial = output;
    partial += ".partial";
    std::error_code error;
    std::filesystem::remove(partial, error); // a leftover of an interrupted run
    installer_db::ErrorCode result = WriteDatabase(sourceDir, partial);
    if (result == installer_db::kSuccess) {
        std::filesystem::rename(partial, output, error);
        if (error) {
            std::fprintf(stderr, "make-template: cannot replace %s: %s\n", output.c_str(),
                         error.message().c_str());
            result = installer_db::kFunctionFailed;
        }
    }
    if (result != installer_db::kSuccess) {
        std::filesystem::remove(partial, error);
    }
    return result;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make-template <source-dir> <output.msi>\n");
        return EXIT_FAILURE;
    }
    std::error_code error;
    // The import changes the working directory, so both paths are made absolute first.
    const std::filesystem::path sourceDir = std::filesystem::absolute(argv[1], error);
    const std::filesystem::path output = std::filesystem::absolute(argv[2], error);
    const installer_db::ErrorCode result =
        error ? installer_db::kInvalidParameter : MakeTemplate(sourceDir, output);
    if (result != installer_db::kSuccess) {
        std::fprintf(stderr, "make-template: failed with error %u\n", result);
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
