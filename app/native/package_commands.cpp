#include "package_commands.h"

#include <memory>
#include <optional>

#include "command_line_system.h"
#include "compound_file_check.h"
#include "compound_file_reader.h"
#include "embedded_template.h"
#include "failure_message.h"
#include "file_io.h"
#include "inspection_json.h"
#include "inspection_text.h"
#include "native_text.h"
#include "package_inspection.h"
#include "system_reason.h"
#include "template_origin.h"

namespace kestrow::native {

namespace {

using namespace installer_db;

constexpr int kFailed = 1;
constexpr std::size_t kCopyPiece = 1 << 20;

void Report(const std::string& what, const std::string& reason) {
    WriteError("kestrow: " + what + ": " + reason + "\n");
}

std::string Because(const char* reason, std::uint32_t systemError) {
    return systemError == 0 ? reason : std::string(reason) + ": " + SystemReason(systemError);
}

// The package, open for reading, or why it cannot be.
std::optional<std::string> OpenPackage(const std::string& path,
                                       std::unique_ptr<ReadOnlyFile>& file) {
    std::uint32_t systemError = 0;
    const ContainerError error = ReadOnlyFile::Open(SystemPath(path), file, systemError);
    if (error == ContainerError::NotFound) {
        return "no such file";
    }
    FileStamp stamp;
    if (Failed(error) || Failed(file->QueryStamp(stamp))) {
        return Because("cannot be opened for reading", systemError);
    }
    if (!stamp.regular) {
        return "not a regular file";
    }
    return std::nullopt;
}

// The installer's stream of a sound package, or why there is none to take.
std::optional<std::string> FindInstaller(std::unique_ptr<ReadOnlyFile> file,
                                         std::unique_ptr<cfb::CompoundFileReader>& reader,
                                         std::size_t& stream) {
    if (const cfb::StructureFault fault = cfb::CheckCompoundFile(*file, inspect::EntryName);
        fault.kind != cfb::StructureFaultKind::None) {
        return "damaged: " + fault.Describe();
    }
    if (Failed(cfb::CompoundFileReader::Open(std::move(file), reader))) {
        return "damaged: the compound file cannot be read";
    }
    const std::optional<std::size_t> found = reader->FindChild(0, inspect::InstallerStreamName());
    if (!found) {
        return "not a Kestrow package: it holds no installer";
    }
    stream = *found;
    return std::nullopt;
}

// Copies the stream to a new file at output, published only when whole.
std::optional<FailureMessage> WriteInstaller(const cfb::CompoundFileReader& reader,
                                             std::size_t stream, const std::string& package,
                                             const std::string& output) {
    std::uint32_t systemError = 0;
    std::unique_ptr<PendingFile> pending;
    std::unique_ptr<ByteSource> source;
    const std::filesystem::path target = SystemPath(output);
    if (!CanReplace(target, systemError) ||
        Failed(PendingFile::CreateFor(target, pending, systemError))) {
        return FailureMessage{output, Because("cannot be written", systemError)};
    }
    std::vector<std::byte> buffer(kCopyPiece);
    const ContainerError copied =
        Failed(reader.OpenStream(stream, source))
            ? ContainerError::ReadFailed
            : source->CopyTo(*pending, reader.Entries()[stream].size, buffer);
    if (copied == ContainerError::ReadFailed) {
        return FailureMessage{package, "the installer's stream cannot be read"};
    }
    if (Failed(copied)) {
        return FailureMessage{output, Because("cannot be written", pending->WriteError())};
    }
    if (Failed(pending->Publish(target, systemError))) {
        return FailureMessage{output, Because("cannot be written", systemError)};
    }
    return std::nullopt;
}

} // namespace

int InspectPackages(std::span<const std::string> packages, bool json) {
    int status = 0;
    for (const std::string& path : packages) {
        std::unique_ptr<ReadOnlyFile> file;
        if (const std::optional<std::string> fault = OpenPackage(path, file)) {
            Report(path, *fault);
            status = kFailed;
            continue;
        }
        const inspect::PackageReport report =
            inspect::InspectPackage(std::move(file), EmbeddedTemplate());
        if (const std::optional<std::string> fault =
                WriteOutput(json ? InspectionJson(path, report) : InspectionText(path, report))) {
            Report("standard output", *fault);
            return kFailed;
        }
        if (report.verdict != inspect::Verdict::KestrowPackage) {
            status = kFailed;
        }
    }
    return status;
}

int ExtractInstaller(const std::string& package, const std::string& output) {
    std::unique_ptr<ReadOnlyFile> file;
    std::unique_ptr<cfb::CompoundFileReader> reader;
    std::size_t stream = 0;
    std::optional<std::string> fault = OpenPackage(package, file);
    if (!fault && IsSameFile(SystemPath(package), SystemPath(output))) {
        fault = "is the file to write the installer to";
    }
    if (!fault) {
        fault = FindInstaller(std::move(file), reader, stream);
    }
    if (fault) {
        Report(package, *fault);
        return kFailed;
    }
    if (const std::optional<FailureMessage> failure =
            WriteInstaller(*reader, stream, package, output)) {
        Report(failure->what, failure->reason);
        return kFailed;
    }
    if (const std::optional<std::string> outputFault = WriteOutput(output + "\n")) {
        Report("standard output", *outputFault);
        return kFailed;
    }
    return 0;
}

} // namespace kestrow::native
