// make-template: builds the installer database that Kestrow embeds as its template, from the
// reviewable text sources in resources/template. The output must be byte-identical from build
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

GeneratorResult fillDatabase(LibmsiDatabase* database, const std::filesystem::path& sourceDir) {
    std::vector<std::filesystem::path> tableSources;
    std::vector<SummaryProperty> summary;
    GeneratorResult result = listTableSources(sourceDir, tableSources);
    if (result == kGeneratorSuccess) {
        result = readSummaryProperties(sourceDir / kSummarySource, summary);
    }
    if (result == kGeneratorSuccess) {
        result = importTableSources(database, sourceDir, tableSources);
    }
    if (result == kGeneratorSuccess) {
        result = writeSummaryProperties(database, summary);
    }
    return result;
}

// Writes the complete database to `path`; the database is closed when this returns.
GeneratorResult writeDatabase(const std::filesystem::path& sourceDir,
                              const std::filesystem::path& path) {
    ErrorSlot error;
    const GObjectPtr<LibmsiDatabase> database(
        libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_CREATE, nullptr, error.out()));
    if (!database) {
        std::fprintf(stderr, "make-template: cannot create %s: %s\n", path.c_str(),
                     error.message());
        return kGeneratorOpenFailed;
    }
    GeneratorResult result = fillDatabase(database.get(), sourceDir);
    if (result == kGeneratorSuccess && !libmsi_database_commit(database.get(), error.out())) {
        std::fprintf(stderr, "make-template: cannot write %s: %s\n", path.c_str(), error.message());
        result = kGeneratorFunctionFailed;
    }
    return result;
}

// Builds next to the output and moves the finished file into place, so that a failed run
// leaves no half-written database behind and never removes the previous one.
GeneratorResult makeTemplate(const std::filesystem::path& sourceDir,
                             const std::filesystem::path& output) {
    std::filesystem::path partial = output;
    partial += ".partial";
    std::error_code error;
    std::filesystem::remove(partial, error); // a leftover of an interrupted run
    GeneratorResult result = writeDatabase(sourceDir, partial);
    if (result == kGeneratorSuccess) {
        std::filesystem::rename(partial, output, error);
        if (error) {
            std::fprintf(stderr, "make-template: cannot replace %s: %s\n", output.c_str(),
                         error.message().c_str());
            result = kGeneratorFunctionFailed;
        }
    }
    if (result != kGeneratorSuccess) {
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
    const GeneratorResult result =
        error ? kGeneratorInvalidParameter : makeTemplate(sourceDir, output);
    if (result != kGeneratorSuccess) {
        std::fprintf(stderr, "make-template: failed with error %u\n", result);
        return EXIT_FAILURE;
    }
    return EXIT_SUCCESS;
}
