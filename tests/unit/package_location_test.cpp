#include <gtest/gtest.h>

#include "package_location.h"

namespace kestrow::native {
namespace {

std::filesystem::path Located(const std::string& installer,
                              const std::optional<std::string>& name = std::nullopt) {
    std::filesystem::path package;
    EXPECT_EQ(PackageLocation(installer, "/out", name, package), NameFault::None);
    return package;
}

TEST(PackageLocation, KeepsValidUtf8AsItIs) {
    EXPECT_EQ(Located("/in/Ünïcode 名前 \xF0\x9F\x93\xA6.exe"),
              "/out/Ünïcode 名前 \xF0\x9F\x93\xA6.msi");
}

TEST(PackageLocation, AnOverlongSlashStaysBytesInsideTheFolder) {
    EXPECT_EQ(Located("/in/..\xF0\x80\x80\xAF"
                      "evil.exe"),
              "/out/..\xF0\x80\x80\xAF"
              "evil.msi");
    EXPECT_EQ(Located("/in/..\xC0\xAF"
                      "evil.exe"),
              "/out/..\xC0\xAF"
              "evil.msi");
}

TEST(PackageLocation, AnOverlongNulDoesNotEndTheName) {
    EXPECT_EQ(Located("/in/a\xE0\x80\x80"
                      "b.exe"),
              "/out/a\xE0\x80\x80"
              "b.msi");
}

TEST(PackageLocation, SurrogatesAndPointsPastTheLastStayBytes) {
    EXPECT_EQ(Located("/in/\xED\xA0\x80.exe"), "/out/\xED\xA0\x80.msi");
    EXPECT_EQ(Located("/in/\xF4\x90\x80\x80.exe"), "/out/\xF4\x90\x80\x80.msi");
}

TEST(PackageLocation, ANameWithASeparatorIsRefused) {
    std::filesystem::path package;
    for (const char* name : {"../x", "/elsewhere/x", "sub/x", "sub\\x"}) {
        EXPECT_EQ(PackageLocation("/in/a.exe", "/out", std::string(name), package),
                  NameFault::HoldsFolder)
            << name;
    }
    EXPECT_EQ(Located("/in/a.exe", "..\xC0\xAFx"), "/out/..\xC0\xAFx.msi");
}

} // namespace
} // namespace kestrow::native
