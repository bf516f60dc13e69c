#include "main_window_rules.h"

#include "resource_ids.h"

namespace kestrow {

namespace {

constexpr wchar_t kInstallerMark[] = L".exe";
constexpr wchar_t kPackageExtension[] = L".msi";

// The platform's message box icon styles, which this portable file cannot include.
constexpr unsigned kErrorIcon = 0x10;
constexpr unsigned kInformationIcon = 0x40;

bool Contains(const std::wstring& text, const wchar_t* part) {
    return text.find(part) != std::wstring::npos;
}

} // namespace

bool ConvertEnabled(bool accepted, const std::wstring& folderText) {
    return accepted && !folderText.empty();
}

bool FolderControlsEnabled(const std::wstring& installerText) {
    return !installerText.empty();
}

bool ChoiceEnablesConvert(bool accepted, const std::wstring& otherFieldText) {
    return accepted && !TrimWhiteSpace(otherFieldText).empty();
}

std::optional<InputFault> FirstConvertFault(const ConvertInputs& inputs, const PathExists& exists) {
    if (!IsValidPackageName(inputs.packageNameText)) {
        return InputFault{IDS_INVALID_PACKAGE_NAME, kInformationIcon, InputField::PackageName};
    }
    if (!exists(inputs.folderText)) {
        return InputFault{IDS_PATH_NOT_FOUND, kErrorIcon, InputField::Folder};
    }
    if (!exists(inputs.installerText)) {
        return InputFault{IDS_PATH_NOT_FOUND, kErrorIcon, InputField::Installer};
    }
    if (!Contains(inputs.installerText, kInstallerMark)) {
        return InputFault{IDS_NOT_AN_INSTALLER, kErrorIcon, InputField::Installer};
    }
    return std::nullopt;
}

std::optional<InputFault> FolderEntryFault(const std::wstring& installerText,
                                           const PathExists& exists) {
    if (!Contains(installerText, kInstallerMark)) {
        return InputFault{IDS_NOT_AN_INSTALLER, kErrorIcon, InputField::Installer};
    }
    if (!exists(installerText)) {
        return InputFault{IDS_INSTALLER_NOT_FOUND, kErrorIcon, InputField::Installer};
    }
    return std::nullopt;
}

std::wstring PackagePath(const std::wstring& folderText, const std::wstring& packageFileName) {
    return folderText + L'\\' + packageFileName;
}

std::wstring DefaultPackageName(const std::wstring& installerFileName) {
    return FileTitle(installerFileName) + kPackageExtension;
}

} // namespace kestrow
