#include <gtest/gtest.h>

#include <set>

#include "main_window_rules.h"
#include "resource_ids.h"

namespace kestrow {
namespace {

constexpr unsigned kErrorIcon = 0x10;       // MB_ICONHAND
constexpr unsigned kInformationIcon = 0x40; // MB_ICONINFORMATION

const InputFault kInvalidName{IDS_INVALID_PACKAGE_NAME, kInformationIcon, InputField::PackageName};
const InputFault kFolderMissing{IDS_PATH_NOT_FOUND, kErrorIcon, InputField::Folder};
const InputFault kInstallerMissing{IDS_PATH_NOT_FOUND, kErrorIcon, InputField::Installer};
const InputFault kNotAnInstaller{IDS_NOT_AN_INSTALLER, kErrorIcon, InputField::Installer};
const InputFault kInstallerNotFound{IDS_INSTALLER_NOT_FOUND, kErrorIcon, InputField::Installer};

// A file system that holds exactly the given paths.
PathExists Holding(std::set<std::wstring> paths) {
    return [paths = std::move(paths)](const std::wstring& path) { return paths.contains(path); };
}

const ConvertInputs kGoodInputs{L"C:\\in\\setup.exe", L"C:\\out", L"Setup"};
const PathExists kBothExist = Holding({L"C:\\in\\setup.exe", L"C:\\out"});

TEST(AcceptRule, ConvertNeedsTheBoxAndAnyFolderTextABlankIncluded) {
    EXPECT_TRUE(ConvertEnabled(true, L"C:\\out"));
    EXPECT_TRUE(ConvertEnabled(true, L" "));
    EXPECT_FALSE(ConvertEnabled(true, L""));
    EXPECT_FALSE(ConvertEnabled(false, L"C:\\out"));
}

TEST(AcceptRule, FolderControlsFollowAnyInstallerText) {
    EXPECT_TRUE(FolderControlsEnabled(L"x"));
    EXPECT_TRUE(FolderControlsEnabled(L" "));
    EXPECT_FALSE(FolderControlsEnabled(L""));
}

TEST(AcceptRule, AChoiceEnablesConvertOnlyWithTheBoxAndNonBlankOtherText) {
    EXPECT_TRUE(ChoiceEnablesConvert(true, L"C:\\out"));
    EXPECT_FALSE(ChoiceEnablesConvert(true, L" \t"));
    EXPECT_FALSE(ChoiceEnablesConvert(false, L"C:\\out"));
}

TEST(ConvertChecks, GoodInputsPass) {
    EXPECT_EQ(FirstConvertFault(kGoodInputs, kBothExist), std::nullopt);
}

TEST(ConvertChecks, BlankOrBareExtensionNamesAreRefusedFirst) {
    for (const wchar_t* name : {L"", L"   ", L".msi", L"  .msi\t"}) {
        ConvertInputs inputs{L"nothing", L"missing", name};
        EXPECT_EQ(FirstConvertFault(inputs, Holding({})), kInvalidName) << name;
    }
    for (const wchar_t* name : {L".MSI", L"a.msi", L".msi.old"}) {
        ConvertInputs inputs = kGoodInputs;
        inputs.packageNameText = name;
        EXPECT_EQ(FirstConvertFault(inputs, kBothExist), std::nullopt) << name;
    }
}

TEST(ConvertChecks, TheFolderComesBeforeTheInstaller) {
    ConvertInputs inputs = kGoodInputs;
    inputs.installerText = L"C:\\in\\gone.txt";
    EXPECT_EQ(FirstConvertFault(inputs, Holding({})), kFolderMissing);
    EXPECT_EQ(FirstConvertFault(inputs, Holding({L"C:\\out"})), kInstallerMissing);
}

TEST(ConvertChecks, AnyExistingPathIsAFolderForTheCheck) {
    ConvertInputs inputs = kGoodInputs;
    inputs.folderText = L"C:\\in\\setup.exe";
    EXPECT_EQ(FirstConvertFault(inputs, Holding({L"C:\\in\\setup.exe"})), std::nullopt);
}

TEST(ConvertChecks, AnExistingInstallerNeedsExeInLowerCaseAnywhere) {
    ConvertInputs inputs = kGoodInputs;
    inputs.installerText = L"C:\\in\\SETUP.EXE";
    EXPECT_EQ(FirstConvertFault(inputs, Holding({L"C:\\in\\SETUP.EXE", L"C:\\out"})),
              kNotAnInstaller);
    inputs.installerText = L"C:\\in\\setup.exe.txt";
    EXPECT_EQ(FirstConvertFault(inputs, Holding({L"C:\\in\\setup.exe.txt", L"C:\\out"})),
              std::nullopt);
}

TEST(ConvertChecks, PathsAreCheckedAsTypedWithoutTrimming) {
    const ConvertInputs inputs{L" C:\\in\\setup.exe", L"C:\\out ", L" Setup "};
    EXPECT_EQ(FirstConvertFault(inputs, kBothExist), kFolderMissing);
}

TEST(FolderEntryCheck, TheInstallerFieldMustNameAnExistingExe) {
    EXPECT_EQ(FolderEntryFault(L"C:\\in\\setup.exe", kBothExist), std::nullopt);
    EXPECT_EQ(FolderEntryFault(L"C:\\in\\gone.exe", kBothExist), kInstallerNotFound);
    EXPECT_EQ(FolderEntryFault(L"C:\\in\\setup.txt", Holding({L"C:\\in\\setup.txt"})),
              kNotAnInstaller);
    EXPECT_EQ(FolderEntryFault(L"", Holding({})), kNotAnInstaller);
}

TEST(PackagePath, JoinsWithOneBackslashAndChangesNothingElse) {
    EXPECT_EQ(PackagePath(L"C:\\out", L"Setup.msi"), L"C:\\out\\Setup.msi");
    EXPECT_EQ(PackagePath(L"C:\\", L"Setup.msi"), L"C:\\\\Setup.msi");
    EXPECT_EQ(PackagePath(L" C:\\out ", L"Setup.msi"), L" C:\\out \\Setup.msi");
}

TEST(DefaultPackageName, DropsOnlyTheLastExtension) {
    EXPECT_EQ(DefaultPackageName(L"agent.x64.exe"), L"agent.x64.msi");
    EXPECT_EQ(DefaultPackageName(L"Setup.EXE"), L"Setup.msi");
    EXPECT_EQ(DefaultPackageName(L"setup"), L"setup.msi");
}

} // namespace
} // namespace kestrow
