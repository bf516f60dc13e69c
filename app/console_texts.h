#pragma once

// Every text the console mode prints, byte for byte before the runtime's text mode turns
// each "\n" into "\r\n". Scripts parse these, so they never change.

#include <cstdint>
#include <string>

namespace kestrow {

inline constexpr const char* kUsageLine = "/i <path to exe file> /o <path of output MSI file>";

// The banner, the supported arguments and the usage line.
std::string UsageBlock();
std::string IncorrectArgumentCountText();
std::string InvalidArgumentText();
std::string ResultText(std::uint32_t result);
// Printed before the result when a file or folder at the package path could not be replaced.
std::string ReplaceFailureText(const std::string& packagePath);
// Printed when the windows cannot be prepared, before the program ends with 1.
inline constexpr const char* kFrameworkFailureText = "Fatal Error: MFC initialization failed\n";
// Stands where the console's prompt would be, as the parent shell prints its own later.
inline constexpr const char* kClosingPromptText = "\r\nC:\\";

} // namespace kestrow
