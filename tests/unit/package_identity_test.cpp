#include <gtest/gtest.h>

#include "name_uuid.h"
#include "package_identity.h"

namespace kestrow {
namespace {

PackageIdentity Agent(std::u16string version) {
    return {u"Fabrikam Agent",
            u"Fabrikam",
            std::move(version),
            u"{6C3B1A2E-0D4F-4E5A-9B8C-7D6E5F4A3B2C}",
            u"/S",
            std::nullopt};
}

// Computed apart, with Python's hashlib over the namespace and the name's UTF-16LE bytes.
TEST(NameBasedGuid, IsAVersion5UuidOfTheNameInKestrowsNamespace) {
    EXPECT_EQ(NameBasedGuid(u"Fabrikam"), u"{68D8009A-A42A-5FCF-9BE1-E8414446E900}");
    EXPECT_NE(NameBasedGuid(u"Fabrikam"), NameBasedGuid(u"fabrikam"));
}

TEST(PackageIdentityCodes, ProductCodesFollowTheVersionAndPackageCodesEveryInput) {
    EXPECT_EQ(ProductCodeOf(Agent(u"1.0.0")), ProductCodeOf(Agent(u"1.0.0")));
    EXPECT_NE(ProductCodeOf(Agent(u"1.0.0")), ProductCodeOf(Agent(u"1.0.1")));

    const InstallerDigest256 digest{};
    InstallerDigest256 otherDigest{};
    otherDigest[31] = std::byte{1};
    PackageIdentity emptyRemoval = Agent(u"1.0.0");
    emptyRemoval.uninstallArguments = u"";
    PackageIdentity otherArguments = Agent(u"1.0.0");
    otherArguments.installArguments = u"/S /quiet";
    const std::u16string code = PackageCodeOf(Agent(u"1.0.0"), digest);
    EXPECT_EQ(code, PackageCodeOf(Agent(u"1.0.0"), digest));
    for (const std::u16string& other :
         {PackageCodeOf(Agent(u"1.0.0"), otherDigest), PackageCodeOf(emptyRemoval, digest),
          PackageCodeOf(otherArguments, digest), PackageCodeOf(Agent(u"1.0.1"), digest)}) {
        EXPECT_NE(code, other);
    }
}

} // namespace
} // namespace kestrow
