#include "package_inspection.h"

#include "compound_file_check.h"
#include "compound_file_reader.h"
#include "database_contents.h"
#include "inspect_text.h"
#include "installer_facts.h"
#include "product_facts.h"
#include "stream_name.h"
#include "summary_stream.h"
#include "template_origin.h"
#include "text_encoding.h"

namespace kestrow::inspect {

using namespace installer_db;

namespace {

constexpr std::uint32_t kWesternEuropean = 1252;
constexpr char16_t kPackageSignature[] = u"\u0005DigitalSignature";

std::optional<std::vector<std::byte>> RootStream(const cfb::CompoundFileReader& reader,
                                                 std::u16string_view name) {
    std::vector<std::byte> bytes;
    const std::optional<std::size_t> index = reader.FindChild(0, name);
    if (!index || Failed(reader.ReadStream(*index, bytes))) {
        return std::nullopt;
    }
    return bytes;
}

std::optional<SummaryInformation> SummaryOf(const cfb::CompoundFileReader& reader) {
    SummaryInformation summary;
    const std::optional<std::vector<std::byte>> bytes = RootStream(reader, kSummaryStreamName);
    if (!bytes || SummaryInformation::Parse(*bytes, summary) != kSuccess) {
        return std::nullopt;
    }
    return summary;
}

SignatureFacts PackageSignatureOf(const cfb::CompoundFileReader& reader) {
    SignatureFacts facts;
    if (const std::optional<std::vector<std::byte>> bytes = RootStream(reader, kPackageSignature)) {
        facts.state = signature::SignerOfSignedData(*bytes, facts.signer);
    }
    return facts;
}

// The template's summary with the identity's texts and the package code its content gives.
std::optional<std::string> SummaryDifference(const cfb::CompoundFileReader& templ,
                                             const cfb::CompoundFileReader& package,
                                             const std::optional<PackageIdentity>& identity,
                                             const InstallerFacts& installer) {
    std::optional<SummaryInformation> expected = SummaryOf(templ);
    if (expected && identity &&
        SetIdentitySummary(*expected, *identity, PackageCodeOf(*identity, installer.sha256))) {
        expected.reset();
    }
    const std::optional<SummaryInformation> actual = SummaryOf(package);
    if (!expected || !actual) {
        return "summary information: missing or unreadable";
    }
    const std::optional<std::string> code = expected->Text(kSummaryRevisionNumber);
    if (code != actual->Text(kSummaryRevisionNumber)) {
        return "summary information, package code: not " +
               Utf8(DecodeFromCodePage(kWesternEuropean, code.value_or(""))) +
               ", as the package's content gives";
    }
    if (expected->Serialize() != actual->Serialize()) {
        return "summary information: changed";
    }
    return std::nullopt;
}

class Inspection {
public:
    explicit Inspection(std::span<const std::byte> templateDatabase)
        : templateDatabase_(templateDatabase) {}

    PackageReport Run(std::unique_ptr<const ReadableBytes> file) {
        if (const cfb::StructureFault fault = cfb::CheckCompoundFile(*file, EntryName);
            fault.kind != cfb::StructureFaultKind::None) {
            return Damaged(fault.Describe());
        }
        if (Failed(cfb::CompoundFileReader::Open(std::move(file), package_)) ||
            Failed(cfb::CompoundFileReader::Open(std::make_unique<MemoryBytes>(templateDatabase_),
                                                 template_))) {
            return Damaged("the compound file cannot be read");
        }
        if (ReadDatabaseContents(*package_, {}, packageContents_) != kSuccess ||
            ReadDatabaseContents(*template_, {}, templateContents_) != kSuccess) {
            return Damaged("its tables do not add up");
        }
        report_.product = ProductFactsOf(packageContents_, templateContents_, SummaryOf(*package_));
        report_.packageSignature = PackageSignatureOf(*package_);
        if (!ReadInstaller()) {
            return Damaged("the installer's stream cannot be read");
        }
        report_.differences = Differences();
        report_.verdict =
            report_.differences.empty() ? Verdict::KestrowPackage : Verdict::NotKestrowPackage;
        return std::move(report_);
    }

private:
    PackageReport Damaged(std::string fault) {
        report_.verdict = Verdict::Damaged;
        report_.fault = std::move(fault);
        return std::move(report_);
    }

    bool ReadInstaller() {
        const std::optional<std::size_t> stream = package_->FindChild(0, InstallerStreamName());
        if (!stream) {
            return true;
        }
        InstallerFacts facts;
        if (Failed(ReadInstallerFacts(*package_, *stream, facts))) {
            return false;
        }
        report_.installer = std::move(facts);
        return true;
    }

    std::vector<std::string> Differences() {
        if (!report_.installer) {
            return {"stream Binary.Corvane: missing"};
        }
        std::optional<PackageIdentity> identity;
        std::vector<RowEdit> edits;
        if (report_.product->ownProduct) {
            identity = IdentityOf(packageContents_);
            edits = IdentityRowEdits(*identity);
        }
        DatabaseContents expected;
        if (ReadDatabaseContents(*template_, edits, expected) != kSuccess) {
            return {"its product could not come from Kestrow"};
        }
        std::vector<std::string> differences = TableDifferences(expected, packageContents_);
        for (std::string& difference : StreamDifferences(*template_, *package_)) {
            differences.push_back(std::move(difference));
        }
        if (std::optional<std::string> summary =
                SummaryDifference(*template_, *package_, identity, *report_.installer)) {
            differences.push_back(std::move(*summary));
        }
        return differences;
    }

    std::span<const std::byte> templateDatabase_;
    std::unique_ptr<cfb::CompoundFileReader> package_;
    std::unique_ptr<cfb::CompoundFileReader> template_;
    DatabaseContents packageContents_;
    DatabaseContents templateContents_;
    PackageReport report_;
};

} // namespace

PackageReport InspectPackage(std::unique_ptr<const ReadableBytes> package,
                             std::span<const std::byte> templateDatabase) {
    return Inspection(templateDatabase).Run(std::move(package));
}

} // namespace kestrow::inspect
