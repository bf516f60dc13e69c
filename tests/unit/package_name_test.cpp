#include <gtest/gtest.h>

#include "package_name.h"

namespace kestrow {
namespace {

TEST(FileTitle, TakesTheTitleBeforeTheLastDot) {
    EXPECT_EQ(FileTitle(L"Setup.exe"), L"Setup");
    EXPECT_EQ(FileTitle(L"agent.x64.exe"), L"agent.x64");
    EXPECT_EQ(FileTitle(L"Tool.bin"), L"Tool");
    EXPECT_EQ(FileTitle(L"README"), L"README");
    EXPECT_EQ(FileTitle(L"日本語 セットアップ.exe"), L"日本語 セットアップ");
}

TEST(TrimWhiteSpace, RemovesWideWhiteSpaceAtBothEndsOnly) {
    EXPECT_EQ(TrimWhiteSpace(L" \t\r\n\v\fSet up \t"), L"Set up");
    EXPECT_EQ(TrimWhiteSpace(L"   "), L"");
    EXPECT_EQ(TrimWhiteSpace(L""), L"");
    EXPECT_EQ(TrimWhiteSpace(L"Setup"), L"Setup");
}

TEST(PackageFileName, AddsTheExtensionOnlyWhenMissingThenTrims) {
    EXPECT_EQ(PackageFileName(L"Setup"), L"Setup.msi");
    EXPECT_EQ(PackageFileName(L"Setup.msi"), L"Setup.msi");
    EXPECT_EQ(PackageFileName(L"Setup "), L"Setup .msi");
    EXPECT_EQ(PackageFileName(L"   Setup"), L"Setup.msi");
    EXPECT_EQ(PackageFileName(L"Setup.MSI"), L"Setup.MSI.msi");
    EXPECT_EQ(PackageFileName(L"Setup.msi.old"), L"Setup.msi.old");
    EXPECT_EQ(PackageFileName(L" Setup.msi "), L"Setup.msi");
}

TEST(HoldsPathSeparator, FindsEitherPlatformsSeparator) {
    EXPECT_TRUE(HoldsPathSeparator(L"../x"));
    EXPECT_TRUE(HoldsPathSeparator(L"sub\\x"));
    EXPECT_TRUE(HoldsPathSeparator(L"C:x"));
    EXPECT_FALSE(HoldsPathSeparator(L"..x.msi"));
}

} // namespace
} // namespace kestrow
