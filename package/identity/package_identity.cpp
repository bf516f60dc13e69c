#include "package_identity.h"

#include "name_uuid.h"
#include "summary_information.h"

namespace kestrow {

using installer_db::CellValue;
using installer_db::RowEdit;

namespace {

// The template's own product, which an identity package is no longer part of.
constexpr char16_t kTemplateUpgradeCode[] = u"{61982155-5A6F-47A1-87F7-91AEA25F0EFA}";
constexpr char16_t kTemplateVersion[] = u"7.0.0.0";

constexpr char16_t kNewerFound[] = u"ISFOUNDNEWERPRODUCTVERSION";
constexpr char16_t kOlderFound[] = u"KESTROWOLDERVERSIONFOUND";
// Properties a managed installation may pass to its server side; the upgrade's too.
constexpr char16_t kSecureProperties[] =
    u"ISFOUNDNEWERPRODUCTVERSION;KESTROWOLDERVERSIONFOUND;USERNAME;COMPANYNAME;SUPPORTDIR;"
    u"INSTALLDIR";

constexpr std::int32_t kMigrateFeatures = 1;
constexpr std::int32_t kOnlyDetect = 2;
constexpr std::int16_t kExeFromBinary = 2;

// After the check for a newer version, which ends the run before any installer starts.
constexpr std::int32_t kInstallSequence = 455;
constexpr std::int32_t kRemovalSequence = 456;

// Length-prefixed, so that no two lists of texts run together into the same name.
std::u16string Joined(std::initializer_list<std::u16string_view> parts) {
    std::u16string joined;
    for (const std::u16string_view part : parts) {
        joined += std::u16string(1, static_cast<char16_t>(part.size() >> 16)) +
                  static_cast<char16_t>(part.size() & 0xFFFF);
        joined += part;
    }
    return joined;
}

// Command lines may be empty, which the table holds as null.
CellValue Arguments(const std::u16string& text) {
    return text.empty() ? CellValue{} : CellValue{text};
}

RowEdit Put(std::u16string table, std::vector<CellValue> cells) {
    return {RowEdit::Kind::Put, std::move(table), std::move(cells)};
}

RowEdit Property(std::u16string name, std::u16string value) {
    return Put(u"Property", {std::move(name), std::move(value)});
}

} // namespace

std::u16string DerivedUpgradeCode(std::u16string_view productName,
                                  std::u16string_view manufacturer) {
    return NameBasedGuid(Joined({u"upgrade code", productName, manufacturer}));
}

std::u16string ProductCodeOf(const PackageIdentity& identity) {
    return NameBasedGuid(Joined({u"product code", identity.upgradeCode, identity.productVersion}));
}

std::u16string PackageCodeOf(const PackageIdentity& identity, const InstallerDigest256& installer) {
    std::u16string digest;
    for (const std::byte value : installer) {
        digest += static_cast<char16_t>(value);
    }
    const std::u16string_view uninstall =
        identity.uninstallArguments ? std::u16string_view(*identity.uninstallArguments) : u"";
    return NameBasedGuid(
        Joined({u"package code", digest, identity.productName, identity.manufacturer,
                identity.productVersion, identity.upgradeCode, identity.installArguments,
                identity.uninstallArguments ? u"uninstall" : u"", uninstall}));
}

std::vector<RowEdit> IdentityRowEdits(const PackageIdentity& identity) {
    std::vector<RowEdit> edits{
        {RowEdit::Kind::Remove,
         u"Upgrade",
         {kTemplateUpgradeCode, kTemplateVersion, {}, {}, kOnlyDetect}},
        Property(u"ProductName", identity.productName),
        Property(u"Manufacturer", identity.manufacturer),
        Property(u"ProductVersion", identity.productVersion),
        Property(u"ProductCode", ProductCodeOf(identity)),
        Property(u"UpgradeCode", identity.upgradeCode),
        Property(u"SecureCustomProperties", kSecureProperties),
        Put(u"Upgrade",
            {identity.upgradeCode, identity.productVersion, {}, {}, kOnlyDetect, {}, kNewerFound}),
        Put(u"Upgrade", {identity.upgradeCode,
                         {},
                         identity.productVersion,
                         {},
                         kMigrateFeatures,
                         {},
                         kOlderFound}),
        Put(u"CustomAction",
            {kInstallAction, kExeFromBinary, u"Corvane", Arguments(identity.installArguments), {}}),
        Put(u"InstallExecuteSequence", {kInstallAction, u"NOT REMOVE~=\"ALL\"", kInstallSequence}),
    };
    if (identity.uninstallArguments) {
        edits.push_back(Put(u"CustomAction", {kRemovalAction,
                                              kExeFromBinary,
                                              u"Corvane",
                                              Arguments(*identity.uninstallArguments),
                                              {}}));
        edits.push_back(Put(
            u"InstallExecuteSequence",
            {kRemovalAction, u"REMOVE~=\"ALL\" AND NOT UPGRADINGPRODUCTCODE", kRemovalSequence}));
        // Programs and Features offers removal once removal does something.
        edits.push_back({RowEdit::Kind::Remove, u"Property", {u"ARPNOREMOVE"}});
    }
    return edits;
}

std::vector<SummaryText> IdentitySummaryTexts(const PackageIdentity& identity) {
    return {{installer_db::kSummaryTitle, identity.productName},
            {installer_db::kSummarySubject, identity.productName + u" " + identity.productVersion},
            {installer_db::kSummaryAuthor, identity.manufacturer}};
}

} // namespace kestrow
