#pragma once

// kestrow's whole work once its arguments are read as UTF-8: shared by the POSIX entry point
// and Windows' (kestrow-cli.exe).

#include <span>
#include <string_view>

namespace kestrow::native {

// The exit status: 0 done, 1 the conversion failed, 2 the command line is wrong.
int RunKestrow(std::span<const std::string_view> arguments);

} // namespace kestrow::native
