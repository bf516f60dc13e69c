#include "console_texts.h"

namespace kestrow {

std::string UsageBlock() {
    return std::string("\r\n") + "Quillmere \r\n" + "------------------- \r\n" + "\r\n" +
           "Supported command arguments: \r\n" + "   " + kUsageLine + "  \r\n";
}

std::string IncorrectArgumentCountText() {
    return "\r\nIncorrect number of arguments \r\n" + UsageBlock();
}

std::string InvalidArgumentText() {
    return "Invalid argument \r\n" + UsageBlock();
}

std::string ResultText(std::uint32_t result) {
    const char* outcome = result == 0 ? "completed successfully" : "failed ";
    return std::string("Execution ") + outcome + " with return code " + std::to_string(result) +
           " \r\n";
}

std::string ReplaceFailureText(const std::string& packagePath) {
    return "Failed to delete file : " + packagePath + " with Error \r\n";
}

} // namespace kestrow
