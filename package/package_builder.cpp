#include "package_builder.h"

#include <memory>

#include "compound_file_reader.h"
#include "file_io.h"
#include "stream_row_writer.h"

namespace kestrow {

using namespace installer_db;

namespace {

constexpr std::uint32_t kNotWritten = 1;

BuildOutcome Failure(std::uint32_t result) {
    return {result, std::nullopt};
}

BuildOutcome NotReplaced(std::uint32_t systemError) {
    return {kNotWritten, systemError};
}

// Only a full disk keeps its own value; everything else that stops the write is the
// service's general failure, as a commit would report it.
BuildOutcome WriteFailure(ErrorCode error) {
    return Failure(error == kDiskFull ? kDiskFull : kFunctionFailed);
}

} // namespace

BuildOutcome BuildPackageFromTemplate(std::span<const std::byte> templateDatabase,
                                      const std::filesystem::path& installerPath,
                                      const std::filesystem::path& packagePath,
                                      const BuildProgress& progress) {
    // An installer named like its package (Setup.msi converted into its own folder) would
    // be replaced by the package that holds it.
    if (IsSameFile(installerPath, packagePath)) {
        return Failure(kNotWritten);
    }
    std::uint32_t systemError = 0;
    if (!CanReplace(packagePath, systemError)) {
        return NotReplaced(systemError);
    }
    std::unique_ptr<cfb::CompoundFileReader> database;
    if (cfb::CompoundFileReader::Open(std::make_unique<MemoryBytes>(templateDatabase), database) !=
        kSuccess) {
        return Failure(kNotWritten);
    }
    std::unique_ptr<ReadOnlyFile> installer;
    if (const ErrorCode error = ReadOnlyFile::Open(installerPath, installer)) {
        return Failure(error);
    }
    std::unique_ptr<PendingFile> package;
    if (PendingFile::CreateFor(packagePath, package) != kSuccess) {
        return Failure(kNotWritten);
    }
    package->ReportProgressTo(progress);
    const StreamRow row{u"Binary", u"Corvane", *installer};
    if (const ErrorCode error = WriteWithStreamRow(*database, row, *package)) {
        return WriteFailure(error);
    }
    if (const ErrorCode error = package->Publish(packagePath, systemError)) {
        return error == kAccessDenied ? NotReplaced(systemError) : WriteFailure(error);
    }
    return Failure(kSuccess);
}

} // namespace kestrow
