#pragma once

// What inspecting a package finds: whether its compound file is sound, whether it is a
// Kestrow package, its product, the installer it carries and who signed what.

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "package_identity.h"
#include "signed_data.h"
#include "version_resource.h"

namespace kestrow::inspect {

enum class Verdict : std::uint8_t {
    KestrowPackage,    // the template, the installer's stream and, maybe, an identity
    NotKestrowPackage, // a sound database that departs from the template
    Damaged,           // no sound compound file, or tables that do not add up
};

struct SignatureFacts {
    signature::SignatureState state = signature::SignatureState::Unsigned;
    signature::Signer signer; // when signed
};

struct InstallerFacts {
    std::uint64_t size = 0;
    InstallerDigest256 sha256{};
    identity::VersionResourceFault versionFault = identity::VersionResourceFault::None;
    identity::VersionStrings version; // when versionFault is None
    SignatureFacts signature;
};

// As the package's Property table, custom actions and summary information give them.
struct ProductFacts {
    bool ownProduct = false; // an upgrade code other than the template's
    std::string name;
    std::string version;
    std::string manufacturer;
    std::string productCode;
    std::string upgradeCode;
    std::string packageCode;
    std::optional<std::string> installArguments;   // when the package runs an installer
    std::optional<std::string> uninstallArguments; // when its removal runs one
};

struct PackageReport {
    Verdict verdict = Verdict::Damaged;
    std::string fault;                    // Damaged: the first fault found
    std::vector<std::string> differences; // NotKestrowPackage: where it departs
    std::optional<ProductFacts> product;
    std::optional<InstallerFacts> installer;
    SignatureFacts packageSignature;
};

} // namespace kestrow::inspect
