#include "package_builder.h"

#include <memory>

#include "compound_file_reader.h"
#include "database_writer.h"
#include "file_io.h"
#include "installer_digest.h"
#include "installer_error.h"
#include "summary_stream.h"

namespace kestrow {

using namespace installer_db;

namespace {

constexpr std::uint32_t kNotWritten = 1;

BuildOutcome Failure(std::uint32_t result, BuildFault fault, std::uint32_t systemError = 0) {
    return {result, fault, systemError, std::nullopt};
}

BuildOutcome NotReplaced(std::uint32_t systemError) {
    return {kNotWritten, BuildFault::PackageNotReplaced, systemError, systemError};
}

BuildOutcome DiskFull(std::uint32_t systemError) {
    return Failure(kDiskFull, BuildFault::DiskFull, systemError);
}

BuildOutcome OpenFailure(ContainerError error, std::uint32_t systemError) {
    if (error == ContainerError::NotFound) {
        return Failure(kFileNotFound, BuildFault::InstallerMissing, systemError);
    }
    return Failure(kOpenFailed, BuildFault::InstallerNotOpened, systemError);
}

// A failed write of the package names its cause by the file that met it: the installer's
// read, the installer changing under it, the package's own write, or the layout's limit.
BuildOutcome WriteFailure(ErrorCode error, const ReadOnlyFile& installer, const FileStamp& before,
                          const PendingFile& package) {
    FileStamp after;
    if (Failed(installer.QueryStamp(after)) || !(after == before)) {
        return Failure(kFunctionFailed, BuildFault::InstallerChanged);
    }
    if (installer.ReadError() != 0) {
        return Failure(kFunctionFailed, BuildFault::InstallerUnreadable, installer.ReadError());
    }
    if (error == kDiskFull) {
        return DiskFull(package.WriteError());
    }
    if (error == kInvalidData) {
        return Failure(kFunctionFailed, BuildFault::IdentityRefused);
    }
    if (error == kFileTooLarge) {
        return Failure(kFunctionFailed, BuildFault::InstallerTooLarge);
    }
    return Failure(kFunctionFailed, BuildFault::PackageNotWritten, package.WriteError());
}

BuildOutcome PublishFailure(ContainerError error, std::uint32_t systemError) {
    if (error == ContainerError::DiskFull) {
        return DiskFull(systemError);
    }
    if (error == ContainerError::AccessDenied) {
        return NotReplaced(systemError);
    }
    return Failure(kFunctionFailed, BuildFault::PackageNotWritten, systemError);
}

} // namespace

BuildOutcome BuildPackageFromTemplate(std::span<const std::byte> templateDatabase,
                                      const std::filesystem::path& installerPath,
                                      const std::filesystem::path& packagePath,
                                      const BuildProgress& progress,
                                      const PackageIdentity* identity) {
    // An installer named like its package (Setup.msi converted into its own folder) would
    // be replaced by the package that holds it.
    if (IsSameFile(installerPath, packagePath)) {
        return Failure(kNotWritten, BuildFault::SameFile);
    }
    std::uint32_t systemError = 0;
    if (!CanReplace(packagePath, systemError)) {
        return NotReplaced(systemError);
    }
    std::unique_ptr<cfb::CompoundFileReader> database;
    if (Failed(cfb::CompoundFileReader::Open(std::make_unique<MemoryBytes>(templateDatabase),
                                             database))) {
        return Failure(kNotWritten, BuildFault::TemplateDamaged);
    }
    std::unique_ptr<ReadOnlyFile> installer;
    if (const ContainerError error = ReadOnlyFile::Open(installerPath, installer, systemError);
        Failed(error)) {
        return OpenFailure(error, systemError);
    }
    FileStamp before;
    if (Failed(installer->QueryStamp(before))) {
        return Failure(kOpenFailed, BuildFault::InstallerNotOpened);
    }
    if (!before.regular) {
        return Failure(kOpenFailed, BuildFault::InstallerNotRegular);
    }
    std::unique_ptr<PendingFile> package;
    if (const ContainerError error = PendingFile::CreateFor(packagePath, package, systemError);
        Failed(error)) {
        return error == ContainerError::DiskFull
                   ? DiskFull(systemError)
                   : Failure(kNotWritten, BuildFault::PackageNotWritten, systemError);
    }
    package->ReportProgressTo(progress);
    DatabaseChanges changes{{u"Binary", u"Corvane", *installer}, {}, {}};
    std::optional<InstallerDigest> digest;
    if (identity != nullptr) {
        digest.emplace(*installer, before.size);
        changes.rowEdits = IdentityRowEdits(*identity);
        changes.streams.emplace_back();
        if (IdentitySummaryStream(*database, *identity, *digest, changes.streams.back())) {
            return Failure(kFunctionFailed, BuildFault::IdentityRefused);
        }
    }
    if (const ErrorCode error = WriteChangedDatabase(*database, changes, *package)) {
        return WriteFailure(error, *installer, before, *package);
    }
    FileStamp after;
    if (Failed(installer->QueryStamp(after)) || !(after == before)) {
        return Failure(kFunctionFailed, BuildFault::InstallerChanged);
    }
    if (const ContainerError error = package->Publish(packagePath, systemError); Failed(error)) {
        return PublishFailure(error, systemError);
    }
    return {};
}

} // namespace kestrow
