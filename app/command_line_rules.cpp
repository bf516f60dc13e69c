#include "command_line_rules.h"

namespace kestrow {
namespace {

wchar_t LowerAsciiLetter(wchar_t c) {
    return (c >= L'A' && c <= L'Z') ? wchar_t(c - L'A' + L'a') : c;
}

// Only the letters A to Z fold, as a switch is plain ASCII whatever the user's locale.
bool IsSwitch(std::wstring_view argument, std::wstring_view lowerCaseSwitch) {
    if (argument.size() != lowerCaseSwitch.size()) {
        return false;
    }
    for (size_t i = 0; i < argument.size(); ++i) {
        if (LowerAsciiLetter(argument[i]) != lowerCaseSwitch[i]) {
            return false;
        }
    }
    return true;
}

} // namespace

bool AreConversionArguments(const std::vector<std::wstring>& arguments) {
    return arguments.size() == 4 && IsSwitch(arguments[0], L"/i") && !arguments[1].empty() &&
           IsSwitch(arguments[2], L"/o") && !arguments[3].empty();
}

std::wstring FoundFilePath(std::wstring_view pattern, std::wstring_view foundName) {
    const std::size_t lastSeparator = pattern.find_last_of(L"\\/");
    std::size_t folderLength = lastSeparator == std::wstring_view::npos ? 0 : lastSeparator + 1;
    if (folderLength == 0 && pattern.size() >= 2 && pattern[1] == L':') {
        folderLength = 2;
    }
    std::wstring path(pattern.substr(0, folderLength));
    path += foundName;
    return path;
}

std::wstring PackagePathFor(std::wstring_view outputFolder, std::wstring_view installerTitle) {
    std::wstring path(outputFolder);
    path += L'\\';
    path += installerTitle;
    path += L".msi";
    return path;
}

} // namespace kestrow
