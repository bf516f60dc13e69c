#include "product_facts.h"

#include "inspect_text.h"
#include "text_encoding.h"

namespace kestrow::inspect {

using namespace installer_db;

namespace {

constexpr std::uint32_t kWesternEuropean = 1252;
constexpr std::size_t kPropertyValue = 1;
constexpr std::size_t kActionTarget = 3;

std::u16string Property(const DatabaseContents& contents, std::u16string_view name) {
    return contents.Text(u"Property", name, kPropertyValue);
}

// The command line of the action that runs the installer, when the package has the action.
std::optional<std::u16string> Arguments(const DatabaseContents& contents,
                                        std::u16string_view action) {
    if (!contents.FindRow(u"CustomAction", action)) {
        return std::nullopt;
    }
    return contents.Text(u"CustomAction", action, kActionTarget);
}

std::optional<std::string> OptionalUtf8(const std::optional<std::u16string>& text) {
    return text ? std::optional(Utf8(*text)) : std::nullopt;
}

} // namespace

ProductFacts ProductFactsOf(const DatabaseContents& package, const DatabaseContents& templ,
                            const std::optional<SummaryInformation>& summary) {
    ProductFacts facts;
    facts.ownProduct = Property(package, u"UpgradeCode") != Property(templ, u"UpgradeCode");
    facts.name = Utf8(Property(package, u"ProductName"));
    facts.version = Utf8(Property(package, u"ProductVersion"));
    facts.manufacturer = Utf8(Property(package, u"Manufacturer"));
    facts.productCode = Utf8(Property(package, u"ProductCode"));
    facts.upgradeCode = Utf8(Property(package, u"UpgradeCode"));
    if (const std::optional<std::string> code =
            summary ? summary->Text(kSummaryRevisionNumber) : std::nullopt) {
        facts.packageCode = Utf8(DecodeFromCodePage(kWesternEuropean, *code));
    }
    facts.installArguments = OptionalUtf8(Arguments(package, kInstallAction));
    facts.uninstallArguments = OptionalUtf8(Arguments(package, kRemovalAction));
    return facts;
}

PackageIdentity IdentityOf(const DatabaseContents& package) {
    return {Property(package, u"ProductName"),
            Property(package, u"Manufacturer"),
            Property(package, u"ProductVersion"),
            Property(package, u"UpgradeCode"),
            Arguments(package, kInstallAction).value_or(u""),
            Arguments(package, kRemovalAction)};
}

} // namespace kestrow::inspect
