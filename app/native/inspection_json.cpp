#include "inspection_json.h"

#include <cstdio>

#include "hex.h"
#include "native_text.h"

namespace kestrow::native {

namespace {

using inspect::SignatureFacts;
using signature::SignatureState;

// Members in the order given, each already JSON.
class JsonObject {
public:
    JsonObject& Add(const char* name, const std::string& json) {
        text_ += text_.empty() ? '{' : ',';
        text_ += JsonString(name);
        text_ += ':';
        text_ += json;
        return *this;
    }
    std::string Text() const { return text_.empty() ? "{}" : text_ + "}"; }

private:
    std::string text_;
};

std::string Optional(const std::optional<std::string>& text) {
    return text ? JsonString(*text) : "null";
}

const char* SignatureState(SignatureState state) {
    switch (state) {
    case SignatureState::Signed:
        return "signed";
    case SignatureState::Unsigned:
    case SignatureState::NotAProgram:
        return "unsigned";
    case SignatureState::Damaged:
        return "damaged";
    case SignatureState::ReadFailed:
        break;
    }
    return "unreadable";
}

std::string SignatureJson(const SignatureFacts& facts) {
    return JsonObject()
        .Add("state", JsonString(SignatureState(facts.state)))
        .Add("signer",
             facts.state == SignatureState::Signed ? JsonString(facts.signer.subject) : "null")
        .Text();
}

std::string VersionJson(const inspect::InstallerFacts& installer) {
    if (installer.versionFault != identity::VersionResourceFault::None) {
        return "null";
    }
    return JsonObject()
        .Add("product_name", JsonString(installer.version.productName))
        .Add("company_name", JsonString(installer.version.companyName))
        .Add("product_version", JsonString(installer.version.productVersion))
        .Text();
}

std::string InstallerJson(const inspect::InstallerFacts& installer) {
    return JsonObject()
        .Add("size", std::to_string(installer.size))
        .Add("sha256", JsonString(digest::ToHex(installer.sha256)))
        .Add("version_resource", VersionJson(installer))
        .Add("signature", SignatureJson(installer.signature))
        .Text();
}

std::string ProductJson(const inspect::ProductFacts& product) {
    return JsonObject()
        .Add("own_product", product.ownProduct ? "true" : "false")
        .Add("name", JsonString(product.name))
        .Add("version", JsonString(product.version))
        .Add("manufacturer", JsonString(product.manufacturer))
        .Add("product_code", JsonString(product.productCode))
        .Add("upgrade_code", JsonString(product.upgradeCode))
        .Add("package_code", JsonString(product.packageCode))
        .Add("install_arguments", Optional(product.installArguments))
        .Add("uninstall_arguments", Optional(product.uninstallArguments))
        .Text();
}

const char* VerdictName(inspect::Verdict verdict) {
    switch (verdict) {
    case inspect::Verdict::KestrowPackage:
        return "kestrow-package";
    case inspect::Verdict::NotKestrowPackage:
        return "not-a-kestrow-package";
    case inspect::Verdict::Damaged:
        break;
    }
    return "damaged";
}

std::string Differences(const std::vector<std::string>& differences) {
    std::string json = "[";
    for (const std::string& difference : differences) {
        if (json.size() > 1) {
            json += ',';
        }
        json += JsonString(difference);
    }
    return json + "]";
}

} // namespace

std::string JsonString(const std::string& text) {
    std::string json = "\"";
    for (const char character : ValidUtf8(text)) {
        const auto byte = static_cast<unsigned char>(character);
        if (character == '"' || character == '\\') {
            json += '\\';
            json += character;
        } else if (byte < 0x20 || byte == 0x7F) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04X", byte);
            json += escaped;
        } else {
            json += character;
        }
    }
    return json + "\"";
}

std::string InspectionJson(const std::string& path, const inspect::PackageReport& report) {
    return JsonObject()
               .Add("path", JsonString(path))
               .Add("verdict", JsonString(VerdictName(report.verdict)))
               .Add("fault",
                    report.verdict == inspect::Verdict::Damaged ? JsonString(report.fault) : "null")
               .Add("differences", Differences(report.differences))
               .Add("product", report.product ? ProductJson(*report.product) : "null")
               .Add("installer", report.installer ? InstallerJson(*report.installer) : "null")
               .Add("package_signature", SignatureJson(report.packageSignature))
               .Text() +
           "\n";
}

} // namespace kestrow::native
