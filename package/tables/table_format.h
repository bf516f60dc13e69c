#pragma once

// Column definitions and the column-by-column layout of a table's stream.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "installer_error.h"

namespace installer_db {

enum class ColumnKind { String, Stream, Integer2, Integer4 };

struct ColumnDefinition {
    std::string name; // code-page bytes, as in the string pool
    std::uint16_t type = 0;

    ColumnKind Kind() const;
    bool IsKey() const { return (type & 0x2000) != 0; }
    bool IsNullable() const { return (type & 0x1000) != 0; }
    unsigned CellWidth(unsigned referenceWidth) const;
};

// One row's cells as stored: string ids, stream markers and integers in their stored
// (offset) form, each at most 4 bytes wide.
using TableRow = std::vector<std::uint32_t>;

// A stream whose size is not a whole number of rows gives kInstallPackageInvalid.
ErrorCode DecodeTableRows(std::span<const std::byte> stream, std::span<const unsigned> widths,
                          std::vector<TableRow>& rows);
std::vector<std::byte> EncodeTableRows(const std::vector<TableRow>& rows,
                                       std::span<const unsigned> widths);

} // namespace installer_db
