#include <gtest/gtest.h>

#include "identity_options.h"

namespace kestrow::native {
namespace {

struct Resolved {
    PackageIdentity identity;
    IdentityResult result;
};

Resolved Resolve(const Command& command, const identity::VersionStrings* installer = nullptr) {
    Resolved resolved;
    resolved.result = ResolveIdentity(command, installer, "Setup", resolved.identity);
    return resolved;
}

std::string FaultOf(const Command& command) {
    const Resolved resolved = Resolve(command);
    return resolved.result.fault
               ? resolved.result.fault->what + ": " + resolved.result.fault->reason
               : "";
}

Command Versioned(const std::string& version) {
    Command command;
    command.productVersion = version;
    return command;
}

TEST(ResolveIdentity, DefaultsNameThePackageAndRunTheInstallerAsBefore) {
    Command command;
    command.installArguments = "";
    const Resolved resolved = Resolve(command);
    EXPECT_FALSE(resolved.result.fault);
    EXPECT_EQ(resolved.identity.productName, u"Setup");
    EXPECT_EQ(resolved.identity.productVersion, u"1.0.0");
    EXPECT_EQ(resolved.identity.installArguments, u"");
    EXPECT_FALSE(resolved.identity.uninstallArguments);
    EXPECT_EQ(Resolve(Command{}).identity.installArguments, u"/install /silent");
}

TEST(ResolveIdentity, VersionsAreTheWindowsInstallersThreeFields) {
    EXPECT_EQ(Resolve(Versioned("255.0.65535")).identity.productVersion, u"255.0.65535");
    EXPECT_EQ(Resolve(Versioned("01.2.3")).identity.productVersion, u"1.2.3");
    for (const char* refused : {"256.0.0", "1.256.0", "1.0.65536", "1.2", "1.2.3.4.5", "1..3",
                                "1.2.3.", "v1.2.3", "1.2.-3", ""}) {
        EXPECT_NE(FaultOf(Versioned(refused)).find("--product-version: not a version"),
                  std::string::npos)
            << refused;
    }
    const Resolved fourth = Resolve(Versioned("1.2.3.4"));
    EXPECT_FALSE(fourth.result.fault);
    ASSERT_EQ(fourth.result.warnings.size(), 1u);
    EXPECT_NE(fourth.result.warnings[0].find("ignores the fourth field"), std::string::npos);
}

TEST(ResolveIdentity, TextsThatWouldBreakTheTablesAreRefused) {
    Command command;
    command.productName = "Tab\there";
    EXPECT_EQ(FaultOf(command), "--product-name: holds a control character");
    command.productName = std::string(64, 'n');
    EXPECT_EQ(FaultOf(command), "--product-name: longer than 63 characters");
    command.productName = "\xE5\x90\x8D"; // not in Windows-1252
    EXPECT_EQ(FaultOf(command), "--product-name: holds a character that Windows-1252 cannot hold");
    command.productName = "\xC0\xAF";
    EXPECT_EQ(FaultOf(command), "--product-name: not UTF-8 text");
    command.productName = "Caf\xC3\xA9 \xE2\x82\xAC"; // é and the euro sign fit
    EXPECT_EQ(FaultOf(command), "");
    Command arguments;
    arguments.uninstallArguments = std::string(256, 'a');
    EXPECT_EQ(FaultOf(arguments), "--uninstall-arguments: longer than 255 characters");
}

TEST(ResolveIdentity, UpgradeCodesAreGivenInAnyCaseOrDerivedFromTheProduct) {
    Command given;
    given.upgradeCode = "6c3b1a2e-0d4f-4e5a-9b8c-7d6e5f4a3b2c";
    EXPECT_EQ(Resolve(given).identity.upgradeCode, u"{6C3B1A2E-0D4F-4E5A-9B8C-7D6E5F4A3B2C}");
    given.upgradeCode = "{6C3B1A2E-0D4F-4E5A-9B8C-7D6E5F4A3B2}";
    EXPECT_NE(FaultOf(given).find("--upgrade-code: not a GUID"), std::string::npos);

    Command one = Versioned("1.0.0");
    Command two = Versioned("2.0.0");
    Command other = Versioned("1.0.0");
    other.manufacturer = "Another";
    EXPECT_EQ(Resolve(one).identity.upgradeCode, Resolve(two).identity.upgradeCode);
    EXPECT_NE(Resolve(one).identity.upgradeCode, Resolve(other).identity.upgradeCode);
}

TEST(ResolveIdentity, TheInstallersResourceFillsWhatTheOptionsLeave) {
    identity::VersionStrings installer;
    installer.productName = "Fabrikam Agent";
    installer.companyName = "Fabrikam";
    installer.productVersion = "2, 1, 0, 7";
    installer.fixedProductVersion = {{2, 1, 0, 0}};
    Command command;
    command.fromInstaller = true;
    command.manufacturer = "Fabrikam Ltd";
    const Resolved resolved = Resolve(command, &installer);
    EXPECT_FALSE(resolved.result.fault);
    EXPECT_EQ(resolved.identity.productName, u"Fabrikam Agent");
    EXPECT_EQ(resolved.identity.manufacturer, u"Fabrikam Ltd");
    EXPECT_EQ(resolved.identity.productVersion, u"2.1.0");

    installer.fixedProductVersion = {{2024, 1, 0, 0}};
    const Resolved tooNew = Resolve(command, &installer);
    ASSERT_TRUE(tooNew.result.fault);
    EXPECT_EQ(tooNew.result.fault->what, "--from-installer");
}

} // namespace
} // namespace kestrow::native
