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
#include "package_name.h"
#include "program_template.h"
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

// A path with wildcards stands for the first file it matches, as the search reports it;
// that file is the one packaged, and its name names the package.
bool FindInstaller(const std::wstring& pattern, std::wstring& foundName, std::wstring& foundPath) {
    WIN32_FIND_DATAW found{};
    FindHandle search(::FindFirstFileW(pattern.c_str(), &found));
    if (!search.IsValid()) {
        return false;
    }
    foundName = found.cFileName;
    foundPath = FoundFilePath(pattern, foundName);
    return true;
}

// The console shows narrow text; a path is shown in the console's code page, or the
// system's when no console is attached.
std::string ConsoleText(const std::wstring& text) {
    UINT codePage = ::GetConsoleOutputCP();
    if (codePage == 0) {
        codePage = CP_ACP;
    }
    const int size =
        ::WideCharToMultiByte(codePage, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string converted(size > 0 ? std::size_t(size) : 1, '\0');
    ::WideCharToMultiByte(codePage, 0, text.c_str(), -1, converted.data(), size, nullptr, nullptr);
    converted.resize(converted.size() - 1);
    return converted;
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
    std::wstring installerPath;
    std::uint32_t result = ERROR_FILE_NOT_FOUND;
    if (FindInstaller(arguments[1], installerName, installerPath)) {
        const std::wstring packagePath = PackagePathFor(arguments[3], FileTitle(installerName));
        const BuildOutcome outcome =
            BuildPackageFromTemplate(ProgramTemplate(), installerPath, packagePath);
        if (outcome.replaceError) {
            Print(ReplaceFailureText(ConsoleText(packagePath)));
        }
        result = outcome.result;
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
