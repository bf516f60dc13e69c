#include "identity_options.h"

#include <charconv>
#include <cstdint>
#include <type_traits>

#include "native_text.h"
#include "text_encoding.h"

namespace kestrow::native {

namespace {

// The template's code page, in which the package's tables hold their text.
constexpr std::uint32_t kCodePage = 1252;
// The Windows Installer shows no more of a product's name.
constexpr std::size_t kLongestProductName = 63;
// The widest text the package's command-line and publisher cells are given.
constexpr std::size_t kLongestText = 255;
constexpr char kDefaultManufacturer[] = "Tellwright Corporation";
constexpr char kDefaultVersion[] = "1.0.0";

struct TextRule {
    const char* option;
    std::size_t longest;
    bool takesEmpty;
};

bool IsControl(char32_t point) {
    return point < 0x20 || (point >= 0x7F && point <= 0x9F);
}

bool IsSurrogate(wchar_t unit) {
    return unit >= 0xD800 && unit <= 0xDFFF;
}

// Fails with the option and the reason, or gives the text as UTF-16.
std::optional<UsageError> CheckText(const std::string& text, const TextRule& rule,
                                    std::u16string& wide) {
    constexpr const char* kNotWindows1252 = "holds a character that Windows-1252 cannot hold";
    const std::wstring points = WideFromUtf8(text);
    wide.clear();
    for (std::size_t i = 0; i < points.size(); ++i) {
        const wchar_t unit = points[i];
        // Past U+FFFF: a unit of its own where wchar_t is 32 bits, a pair where it is 16.
        const auto point =
            static_cast<std::uint32_t>(static_cast<std::make_unsigned_t<wchar_t>>(unit));
        const bool pair = unit >= 0xD800 && unit <= 0xDBFF && i + 1 < points.size() &&
                          points[i + 1] >= 0xDC00 && points[i + 1] <= 0xDFFF;
        if (pair || point > 0xFFFF) {
            return UsageError{rule.option, kNotWindows1252};
        }
        // Stray bytes, and the lone surrogates of a Windows name, come through as surrogates.
        if (IsSurrogate(unit)) {
            return UsageError{rule.option, "not UTF-8 text"};
        }
        if (IsControl(static_cast<char32_t>(unit))) {
            return UsageError{rule.option, "holds a control character"};
        }
        wide += static_cast<char16_t>(unit);
    }
    std::string encoded;
    if (installer_db::EncodeForCodePage(kCodePage, wide, encoded) != installer_db::kSuccess) {
        return UsageError{rule.option, kNotWindows1252};
    }
    if (wide.empty() && !rule.takesEmpty) {
        return UsageError{rule.option, "the value is empty"};
    }
    if (wide.size() > rule.longest) {
        return UsageError{rule.option,
                          "longer than " + std::to_string(rule.longest) + " characters"};
    }
    return std::nullopt;
}

bool ReadField(std::string_view field, unsigned largest, unsigned& value) {
    const auto [end, error] = std::from_chars(field.data(), field.data() + field.size(), value);
    return !field.empty() && error == std::errc{} && end == field.data() + field.size() &&
           value <= largest;
}

// "A.B.C" with A and B at most 255 and C at most 65535, written without leading zeros; a
// fourth field is taken, with a warning.
std::optional<UsageError> CheckVersion(const char* option, const std::string& text,
                                       std::u16string& version, IdentityResult& result) {
    constexpr unsigned kLargest[] = {255, 255, 65535, 65535};
    std::string normal;
    std::size_t start = 0;
    std::size_t fields = 0;
    for (; start <= text.size() && fields < 4; ++fields) {
        const std::size_t dot = std::min(text.find('.', start), text.size());
        unsigned value = 0;
        if (!ReadField(std::string_view(text).substr(start, dot - start), kLargest[fields],
                       value)) {
            break;
        }
        if (fields != 0) {
            normal += '.';
        }
        normal += std::to_string(value);
        start = dot + 1;
    }
    if (start <= text.size() || fields < 3) {
        return UsageError{option, "not a version the Windows Installer takes: \"" + text +
                                      "\" (A.B.C, A and B at most 255, C at most 65535)"};
    }
    if (fields == 4) {
        result.warnings.push_back(std::string(option) +
                                  ": the Windows Installer ignores the "
                                  "fourth field of \"" +
                                  text + "\"");
    }
    version.assign(normal.begin(), normal.end());
    return std::nullopt;
}

bool IsHex(char c) {
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

// A GUID with or without braces, in either case, written as the Windows Installer wants it.
std::optional<UsageError> CheckGuid(const std::string& text, std::u16string& guid) {
    const bool braced = text.size() == 38 && text.front() == '{' && text.back() == '}';
    const std::string_view bare = braced ? std::string_view(text).substr(1, 36) : text;
    bool sound = bare.size() == 36;
    for (std::size_t i = 0; sound && i < bare.size(); ++i) {
        sound = (i == 8 || i == 13 || i == 18 || i == 23) ? bare[i] == '-' : IsHex(bare[i]);
    }
    if (!sound) {
        return UsageError{"--upgrade-code",
                          "not a GUID: \"" + text + "\" ({XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX})"};
    }
    guid = u"{";
    for (const char c : bare) {
        guid += static_cast<char16_t>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
    }
    guid += u"}";
    return std::nullopt;
}

// An option given wins over the installer's resource, which wins over the default.
std::string Chosen(const std::optional<std::string>& given, const std::string* fromInstaller,
                   const std::string& fallback) {
    if (given) {
        return *given;
    }
    return fromInstaller != nullptr && !fromInstaller->empty() ? *fromInstaller : fallback;
}

std::string InstallerVersionText(const identity::VersionStrings& version) {
    if (!version.fixedProductVersion) {
        return version.productVersion;
    }
    const auto& fields = *version.fixedProductVersion;
    std::string text = std::to_string(fields[0]) + "." + std::to_string(fields[1]) + "." +
                       std::to_string(fields[2]);
    return fields[3] == 0 ? text : text + "." + std::to_string(fields[3]);
}

} // namespace

IdentityResult ResolveIdentity(const Command& command,
                               const identity::VersionStrings* installerVersion,
                               const std::string& packageTitle, PackageIdentity& identity) {
    IdentityResult result;
    const auto check = [&result](std::optional<UsageError> fault) {
        if (fault && !result.fault) {
            result.fault = std::move(fault);
        }
    };
    const bool fromInstaller = installerVersion != nullptr;
    // A value from the installer is the installer's fault, not the option's.
    const auto source = [fromInstaller](const std::optional<std::string>& given,
                                        const char* option) {
        return given || !fromInstaller ? option : "--from-installer";
    };
    check(CheckText(Chosen(command.productName,
                           fromInstaller ? &installerVersion->productName : nullptr, packageTitle),
                    {source(command.productName, "--product-name"), kLongestProductName, false},
                    identity.productName));
    check(CheckText(Chosen(command.manufacturer,
                           fromInstaller ? &installerVersion->companyName : nullptr,
                           kDefaultManufacturer),
                    {source(command.manufacturer, "--manufacturer"), kLongestText, false},
                    identity.manufacturer));
    const std::string installerVersionText =
        fromInstaller ? InstallerVersionText(*installerVersion) : std::string();
    check(CheckVersion(source(command.productVersion, "--product-version"),
                       Chosen(command.productVersion, &installerVersionText, kDefaultVersion),
                       identity.productVersion, result));
    check(CheckText(command.installArguments.value_or("/install /silent"),
                    {"--install-arguments", kLongestText, true}, identity.installArguments));
    if (command.uninstallArguments) {
        identity.uninstallArguments.emplace();
        check(CheckText(*command.uninstallArguments, {"--uninstall-arguments", kLongestText, true},
                        *identity.uninstallArguments));
    }
    if (command.upgradeCode) {
        check(CheckGuid(*command.upgradeCode, identity.upgradeCode));
    } else {
        identity.upgradeCode = DerivedUpgradeCode(identity.productName, identity.manufacturer);
    }
    return result;
}

} // namespace kestrow::native
