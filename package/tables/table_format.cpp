#include "table_format.h"

#include <numeric>

#include "byte_order.h"

namespace installer_db {

namespace {

constexpr std::uint16_t kKindMask = 0x0C00;

} // namespace

ColumnKind ColumnDefinition::Kind() const {
    switch (type & kKindMask) {
    case 0x0C00:
        return ColumnKind::String;
    case 0x0800:
        return ColumnKind::Stream;
    case 0x0400:
        return ColumnKind::Integer2;
    default:
        return ColumnKind::Integer4;
    }
}

unsigned ColumnDefinition::CellWidth(unsigned referenceWidth) const {
    switch (Kind()) {
    case ColumnKind::String:
        return referenceWidth;
    case ColumnKind::Integer4:
        return 4;
    default:
        return 2;
    }
}

ErrorCode DecodeTableRows(std::span<const std::byte> stream, std::span<const unsigned> widths,
                          std::vector<TableRow>& rows) {
    rows.clear();
    const std::size_t rowWidth = std::accumulate(widths.begin(), widths.end(), std::size_t{0});
    if (rowWidth == 0 || stream.size() % rowWidth != 0) {
        return kInstallPackageInvalid;
    }
    const std::size_t rowCount = stream.size() / rowWidth;
    rows.assign(rowCount, TableRow(widths.size()));
    std::size_t offset = 0;
    for (std::size_t column = 0; column < widths.size(); ++column) {
        for (TableRow& row : rows) {
            row[column] = LoadLittleEndian(stream, offset, widths[column]);
            offset += widths[column];
        }
    }
    return kSuccess;
}

std::vector<std::byte> EncodeTableRows(const std::vector<TableRow>& rows,
                                       std::span<const unsigned> widths) {
    const std::size_t rowWidth = std::accumulate(widths.begin(), widths.end(), std::size_t{0});
    std::vector<std::byte> stream(rows.size() * rowWidth);
    std::size_t offset = 0;
    for (std::size_t column = 0; column < widths.size(); ++column) {
        for (const TableRow& row : rows) {
            StoreLittleEndian(stream, offset, row[column], widths[column]);
            offset += widths[column];
        }
    }
    return stream;
}

} // namespace installer_db
