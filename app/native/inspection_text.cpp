#include "inspection_text.h"

#include <cstdio>

#include "hex.h"

namespace kestrow::native {

namespace {

using inspect::SignatureFacts;
using signature::SignatureState;

std::string Line(const char* label, const std::string& value) {
    std::string line = std::string("  ") + label;
    line.resize(std::max<std::size_t>(line.size() + 1, 22), ' ');
    return line + PrintableText(value) + "\n";
}

std::string SignatureText(const SignatureFacts& facts) {
    switch (facts.state) {
    case SignatureState::Signed:
        return "signed by " + facts.signer.subject + " (not verified)";
    case SignatureState::Unsigned:
    case SignatureState::NotAProgram:
        return "not signed";
    case SignatureState::Damaged:
        return "a damaged signature";
    case SignatureState::ReadFailed:
        break;
    }
    return "cannot be read";
}

std::string VersionText(const inspect::InstallerFacts& installer) {
    using identity::VersionResourceFault;
    switch (installer.versionFault) {
    case VersionResourceFault::None:
        return installer.version.productName + ", " + installer.version.companyName + ", " +
               installer.version.productVersion;
    case VersionResourceFault::NotAProgram:
        return "none: not a Windows program";
    case VersionResourceFault::NoVersionResource:
        return "none";
    case VersionResourceFault::Damaged:
        return "damaged";
    case VersionResourceFault::ReadFailed:
        break;
    }
    return "cannot be read";
}

std::string ProductText(const inspect::ProductFacts& product) {
    std::string text =
        Line("product:", product.name + " " + product.version + ", " + product.manufacturer +
                             (product.ownProduct ? "" : " (the default product)"));
    text += Line("product code:", product.productCode);
    text += Line("upgrade code:", product.upgradeCode);
    text += Line("package code:", product.packageCode);
    if (product.installArguments) {
        text += Line("installs with:", *product.installArguments);
    }
    text += Line("removal runs:",
                 product.uninstallArguments ? *product.uninstallArguments : std::string("nothing"));
    return text;
}

std::string InstallerText(const inspect::InstallerFacts& installer) {
    std::string text = Line("installer:", std::to_string(installer.size) + " bytes, SHA-256 " +
                                              digest::ToHex(installer.sha256));
    text += Line("its version:", VersionText(installer));
    text += Line("its signature:", SignatureText(installer.signature));
    return text;
}

std::string DifferencesText(const std::vector<std::string>& differences) {
    std::string text;
    for (std::size_t i = 0; i < differences.size() && i < kListedDifferences; ++i) {
        text += Line("differs:", differences[i]);
    }
    if (differences.size() > kListedDifferences) {
        text +=
            Line("", "and " + std::to_string(differences.size() - kListedDifferences) + " more");
    }
    return text;
}

} // namespace

std::string PrintableText(const std::string& text) {
    std::string printable;
    for (const char character : text) {
        const auto byte = static_cast<unsigned char>(character);
        if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
            printable += escaped;
        } else {
            printable += character;
        }
    }
    return printable;
}

std::string InspectionText(const std::string& path, const inspect::PackageReport& report) {
    using inspect::Verdict;
    switch (report.verdict) {
    case Verdict::Damaged:
        return PrintableText(path) + ": damaged: " + PrintableText(report.fault) + "\n";
    case Verdict::NotKestrowPackage:
    case Verdict::KestrowPackage:
        break;
    }
    std::string text = PrintableText(path) + (report.verdict == Verdict::KestrowPackage
                                                  ? ": a Kestrow package\n"
                                                  : ": not a Kestrow package\n");
    text += DifferencesText(report.differences);
    if (report.product) {
        text += ProductText(*report.product);
    }
    if (report.installer) {
        text += InstallerText(*report.installer);
    }
    text += Line("package signature:", SignatureText(report.packageSignature));
    return text;
}

} // namespace kestrow::native
