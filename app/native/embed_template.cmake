# Writes the template database into a C++ source file as an array of bytes.
# Usage: cmake -DINPUT=<template.msi> -DOUTPUT=<file.cpp> -P embed_template.cmake
file(READ ${INPUT} bytes HEX)
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${bytes}")
# Sixteen bytes a line keep the file readable in a diff.
string(REGEX REPLACE "((0x..,){16})" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}.new "// Generated from the template database; do not edit.
#include \"embedded_template.h\"

namespace kestrow::native {

namespace {
const unsigned char kTemplate[] = {
${bytes}
};
} // namespace

std::span<const std::byte> EmbeddedTemplate() {
    return std::as_bytes(std::span(kTemplate));
}

} // namespace kestrow::native
")
file(RENAME ${OUTPUT}.new ${OUTPUT})
