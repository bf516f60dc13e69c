// kestrow's entry point on POSIX systems, whose arguments are already the bytes it reads.

#include <string_view>
#include <vector>

#include "run_kestrow.h"

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return kestrow::native::RunKestrow(arguments);
}
