#include <gtest/gtest.h>

#include "command_line_rules.h"
#include "console_texts.h"

namespace kestrow {
namespace {

TEST(ConversionArguments, AcceptsTheFourArgumentsWithSwitchesInEitherCase) {
    EXPECT_TRUE(AreConversionArguments({L"/i", L"C:\\out\\Setup.exe", L"/o", L"D:\\pkg"}));
    EXPECT_TRUE(AreConversionArguments({L"/I", L"Setup.exe", L"/O", L"."}));
    EXPECT_TRUE(AreConversionArguments({L"/i", L"a", L"/O", L"b"}));
}

TEST(ConversionArguments, RefusesOtherCountsOrdersSwitchesAndEmptyPaths) {
    EXPECT_FALSE(AreConversionArguments({}));
    EXPECT_FALSE(AreConversionArguments({L"/i", L"Setup.exe", L"/o"}));
    EXPECT_FALSE(AreConversionArguments({L"/i", L"Setup.exe", L"/o", L"D:\\", L"more"}));
    EXPECT_FALSE(AreConversionArguments({L"-i", L"Setup.exe", L"/o", L"D:\\"}));
    EXPECT_FALSE(AreConversionArguments({L"/o", L"D:\\", L"/i", L"Setup.exe"}));
    EXPECT_FALSE(AreConversionArguments({L"/i ", L"Setup.exe", L"/o", L"D:\\"}));
    EXPECT_FALSE(AreConversionArguments({L"/i", L"", L"/o", L"D:\\"}));
    EXPECT_FALSE(AreConversionArguments({L"/i", L"Setup.exe", L"/o", L""}));
    // Only A to Z fold: the dotted capital I of Turkish is no "/i".
    EXPECT_FALSE(AreConversionArguments({L"/\u0130", L"Setup.exe", L"/o", L"D:\\"}));
}

TEST(PackagePath, JoinsTheFolderAsGivenWithOneBackslash) {
    EXPECT_EQ(PackagePathFor(L"D:\\pkg", L"Setup"), L"D:\\pkg\\Setup.msi");
    EXPECT_EQ(PackagePathFor(L"D:\\pkg\\", L"Setup"), L"D:\\pkg\\\\Setup.msi");
    EXPECT_EQ(PackagePathFor(L"\\\\server\\share dir", L"agent.x64"),
              L"\\\\server\\share dir\\agent.x64.msi");
}

TEST(ConsoleTexts, ResultLineNamesTheOutcomeAndTheCode) {
    EXPECT_EQ(ResultText(0), "Execution completed successfully with return code 0 \r\n");
    EXPECT_EQ(ResultText(110), "Execution failed  with return code 110 \r\n");
    EXPECT_EQ(ResultText(1), "Execution failed  with return code 1 \r\n");
}

TEST(CommandLineRules, FoundFileKeepsThePatternsFolder) {
    EXPECT_EQ(FoundFilePath(L"C:\\in\\*.exe", L"Setup.exe"), L"C:\\in\\Setup.exe");
    EXPECT_EQ(FoundFilePath(L"C:\\in/set?p.exe", L"setup.exe"), L"C:\\in/setup.exe");
    EXPECT_EQ(FoundFilePath(L"C:*.exe", L"Setup.exe"), L"C:Setup.exe");
    EXPECT_EQ(FoundFilePath(L"*.exe", L"Setup.exe"), L"Setup.exe");
    EXPECT_EQ(FoundFilePath(L"\\\\server\\share\\SETUP.EXE", L"setup.exe"),
              L"\\\\server\\share\\setup.exe");
}

TEST(ConsoleTexts, ReplaceFailureNamesThePackage) {
    EXPECT_EQ(ReplaceFailureText("D:\\pkg\\Setup.msi"),
              "Failed to delete file : D:\\pkg\\Setup.msi with Error \r\n");
}

TEST(ConsoleTexts, BlocksCarryTheUsageLine) {
    const std::string usage = "\r\nQuillmere \r\n------------------- \r\n\r\n"
                              "Supported command arguments: \r\n"
                              "   /i <path to exe file> /o <path of output MSI file>  \r\n";
    EXPECT_EQ(InvalidArgumentText(), "Invalid argument \r\n" + usage);
    EXPECT_EQ(IncorrectArgumentCountText(), "\r\nIncorrect number of arguments \r\n" + usage);
}

} // namespace
} // namespace kestrow
