#pragma once

// A package's own product: its name, maker, version and codes, and the command lines its
// installer runs with. A package without one is the template's product, byte for byte.

#include <array>
#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "row_edit.h"

namespace kestrow {

using InstallerDigest256 = std::array<std::byte, 32>;

// The custom actions that run the stored installer: on installation, and on removal when the
// package has uninstall arguments.
inline constexpr char16_t kInstallAction[] = u"LaunchCorvane";
inline constexpr char16_t kRemovalAction[] = u"LaunchCorvaneRemoval";

struct PackageIdentity {
    std::u16string productName;
    std::u16string manufacturer;
    std::u16string productVersion;   // "A.B.C", as the Windows Installer compares versions
    std::u16string upgradeCode;      // braced, upper case
    std::u16string installArguments; // what the installer runs with when the package installs
    // What the installer runs with when the package is removed; nothing runs without it.
    std::optional<std::u16string> uninstallArguments;
};

// The upgrade code that versions of one product share when none is given.
std::u16string DerivedUpgradeCode(std::u16string_view productName,
                                  std::u16string_view manufacturer);

// The same upgrade code and version give the same product code; a new version a new one.
std::u16string ProductCodeOf(const PackageIdentity& identity);

// Every input of the package: the same inputs give the same code, others another.
std::u16string PackageCodeOf(const PackageIdentity& identity, const InstallerDigest256& installer);

// The template's rows that the identity changes: properties, the upgrade rows that find
// older and newer versions, and the actions that run the installer.
std::vector<installer_db::RowEdit> IdentityRowEdits(const PackageIdentity& identity);

// The summary information's texts by property id: title, subject and author.
struct SummaryText {
    std::uint32_t id;
    std::u16string text;
};
std::vector<SummaryText> IdentitySummaryTexts(const PackageIdentity& identity);

} // namespace kestrow
