#include "command_line_conversion.h"

#include <windows.h>

#include <cstdio>
#include <shellapi.h>
#include <string>
#include <vector>

#include "command_line_rules.h"
#include "console_binding.h"
#include "console_texts.h"
#include "package_builder.h"
#include "win32_handle.h"

namespace kestrow {
namespace {

std::vector<std::wstring> SplitArguments(const wchar_t* commandLineTail) {
    int count = 0;
    LocalMemory argv(::CommandLineToArgvW(commandLineTail, &count));
    std::vector<std::wstring> arguments;
    if (argv.IsValid()) {
        auto* items = static_cast<wchar_t**>(argv.Get());
        arguments.assign(items, items + count);
    }
    return arguments;
}

// A path with wildcards stands for the first file it matches, as the search reports it.
bool FindInstaller(const std::wstring& installerPath, std::wstring& foundName) {
    WIN32_FIND_DATAW found{};
    FindHandle search(::FindFirstFileW(installerPath.c_str(), &found));
    if (!search.IsValid()) {
        return false;
    }
    foundName = found.cFileName;
    return true;
}

void Print(const std::string& text) {
    std::fputs(text.c_str(), stdout);
}

// Returns the exit code; a refusal of the arguments is ERROR_INVALID_PARAMETER, so that a
// script never mistakes it for success.
std::uint32_t Convert(const std::vector<std::wstring>& arguments) {
    if (arguments.size() != 4) {
        Print(IncorrectArgumentCountText());
    }
    if (!AreConversionArguments(arguments)) {
        Print("\r\n" + InvalidArgumentText());
        return ERROR_INVALID_PARAMETER;
    }
    std::wstring installerName;
    std::uint32_t result = ERROR_FILE_NOT_FOUND;
    if (FindInstaller(arguments[1], installerName)) {
        std::wstring packagePath = PackagePathFor(arguments[3], FileTitle(installerName));
        result = BuildPackage(arguments[1].c_str(), packagePath.c_str());
    }
    Print("\r\n" + ResultText(result));
    return result;
}

} // namespace

std::uint32_t RunCommandLine(const wchar_t* commandLineTail) {
    std::uint32_t result = Convert(SplitArguments(commandLineTail));
    Print(kClosingPromptText);
    ReleaseParentConsole();
    return result;
}

} // namespace kestrow
