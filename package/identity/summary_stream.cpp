#include "summary_stream.h"

#include "database_writer.h"
#include "stream_name.h"
#include "summary_information.h"
#include "text_encoding.h"

namespace kestrow {

using namespace installer_db;

namespace {

// The template's code page, in which its summary information is written.
constexpr std::uint32_t kCodePage = 1252;
constexpr char16_t kUnknownCode[] = u"{00000000-0000-0000-0000-000000000000}";

ErrorCode SetText(SummaryInformation& summary, std::uint32_t id, std::u16string_view text) {
    std::string bytes;
    if (EncodeForCodePage(kCodePage, text, bytes) != kSuccess) {
        return kFunctionFailed;
    }
    return summary.SetText(id, std::move(bytes));
}

class PackageCodeSource final : public ByteSource {
public:
    PackageCodeSource(SummaryInformation summary, const PackageIdentity& identity,
                      InstallerDigest& digest)
        : summary_(std::move(summary)), identity_(identity), digest_(digest) {}

    ContainerError Read(std::span<std::byte> buffer) override {
        if (!bytes_) {
            const std::optional<InstallerDigest256> installer = digest_.Wait();
            if (!installer ||
                SetIdentitySummary(summary_, identity_, PackageCodeOf(identity_, *installer))) {
                return ContainerError::ReadFailed;
            }
            bytes_ = std::make_unique<MemoryByteSource>(summary_.Serialize());
        }
        return bytes_->Read(buffer);
    }

private:
    SummaryInformation summary_;
    const PackageIdentity& identity_;
    InstallerDigest& digest_;
    std::unique_ptr<MemoryByteSource> bytes_;
};

} // namespace

ErrorCode SetIdentitySummary(SummaryInformation& summary, const PackageIdentity& identity,
                             std::u16string_view packageCode) {
    for (const SummaryText& text : IdentitySummaryTexts(identity)) {
        if (const ErrorCode error = SetText(summary, text.id, text.text)) {
            return error;
        }
    }
    return SetText(summary, kSummaryRevisionNumber, packageCode);
}

ErrorCode IdentitySummaryStream(const cfb::CompoundFileReader& database,
                                const PackageIdentity& identity, InstallerDigest& digest,
                                RootStream& stream) {
    const std::u16string name = kSummaryStreamName;
    const std::optional<std::size_t> index = database.FindChild(0, name);
    std::vector<std::byte> bytes;
    SummaryInformation summary;
    if (!index || Failed(database.ReadStream(*index, bytes)) ||
        SummaryInformation::Parse(bytes, summary) != kSuccess) {
        return kInstallPackageInvalid;
    }
    // Every package code is as long as this one, so the stream's size is known now.
    if (const ErrorCode error = SetIdentitySummary(summary, identity, kUnknownCode)) {
        return error;
    }
    const std::size_t size = summary.Serialize().size();
    stream = {name, size,
              std::make_unique<PackageCodeSource>(std::move(summary), identity, digest)};
    return kSuccess;
}

} // namespace kestrow
