#include "table_catalogue.h"

#include <algorithm>

#include "stream_name.h"

namespace installer_db {

namespace {

constexpr std::uint32_t kShortIntegerBias = 0x8000;
// _Columns: Table (string), Number (i2), Name (string), Type (i2).
enum ColumnsField { kColumnTable, kColumnNumber, kColumnName, kColumnType };

// Every string id that a cell holds, one for each cell: the catalogue's own and every table's.
ErrorCode CollectStringCells(const cfb::CompoundFileReader& database,
                             const TableCatalogue& catalogue, const StringPool& pool,
                             std::vector<std::uint32_t>& ids) {
    const unsigned reference = pool.ReferenceWidth();
    std::vector<TableRow> rows;
    const unsigned tableWidths[] = {reference};
    const unsigned columnWidths[] = {reference, 2, reference, 2};
    if (const ErrorCode error = ReadTableRows(database, u"_Tables", tableWidths, rows)) {
        return error;
    }
    for (const TableRow& row : rows) {
        ids.push_back(row[0]);
    }
    if (const ErrorCode error = ReadTableRows(database, u"_Columns", columnWidths, rows)) {
        return error;
    }
    for (const TableRow& row : rows) {
        ids.insert(ids.end(), {row[0], row[2]});
    }
    for (const TableDefinition& table : catalogue.Tables()) {
        std::u16string name(table.name.begin(), table.name.end());
        const std::vector<unsigned> widths = table.CellWidths(reference);
        if (const ErrorCode error = ReadTableRows(database, name, widths, rows)) {
            return error;
        }
        for (std::size_t column = 0; column < table.columns.size(); ++column) {
            if (table.columns[column].Kind() == ColumnKind::String) {
                for (const TableRow& row : rows) {
                    ids.push_back(row[column]);
                }
            }
        }
    }
    return kSuccess;
}

} // namespace

std::vector<unsigned> TableDefinition::CellWidths(unsigned referenceWidth) const {
    std::vector<unsigned> widths;
    for (const ColumnDefinition& column : columns) {
        widths.push_back(column.CellWidth(referenceWidth));
    }
    return widths;
}

ErrorCode ReadTableRows(const cfb::CompoundFileReader& reader, std::u16string_view tableName,
                        std::span<const unsigned> widths, std::vector<TableRow>& rows) {
    rows.clear();
    const auto index = reader.FindChild(0, EncodeStreamName(tableName, StreamKind::Table));
    if (!index) {
        return kSuccess;
    }
    std::vector<std::byte> bytes;
    if (Failed(reader.ReadStream(*index, bytes))) {
        return kInstallPackageInvalid;
    }
    return DecodeTableRows(bytes, widths, rows);
}

ErrorCode TableCatalogue::Load(const cfb::CompoundFileReader& reader, const StringPool& pool,
                               TableCatalogue& catalogue) {
    catalogue = TableCatalogue{};
    const unsigned reference = pool.ReferenceWidth();
    std::vector<TableRow> tableRows;
    const unsigned tableWidths[] = {reference};
    if (const ErrorCode error = ReadTableRows(reader, u"_Tables", tableWidths, tableRows)) {
        return error;
    }
    for (const TableRow& row : tableRows) {
        const auto name = pool.Lookup(row[0]);
        if (!name) {
            return kInstallPackageInvalid;
        }
        catalogue.tables_.push_back({std::string(*name), {}});
    }
    std::vector<TableRow> columnRows;
    const unsigned columnWidths[] = {reference, 2, reference, 2};
    if (const ErrorCode error = ReadTableRows(reader, u"_Columns", columnWidths, columnRows)) {
        return error;
    }
    return catalogue.AddColumns(columnRows, pool);
}

ErrorCode TableCatalogue::AddColumns(const std::vector<TableRow>& columnRows,
                                     const StringPool& pool) {
    std::vector<std::vector<std::pair<std::uint32_t, ColumnDefinition>>> numbered(tables_.size());
    for (const TableRow& row : columnRows) {
        const auto table = pool.Lookup(row[kColumnTable]);
        const auto name = pool.Lookup(row[kColumnName]);
        const TableDefinition* definition = table ? Find(*table) : nullptr;
        if (!definition || !name) {
            return kInstallPackageInvalid;
        }
        const auto type = static_cast<std::uint16_t>(row[kColumnType] ^ kShortIntegerBias);
        numbered[static_cast<std::size_t>(definition - tables_.data())].push_back(
            {row[kColumnNumber] ^ kShortIntegerBias, ColumnDefinition{std::string(*name), type}});
    }
    for (std::size_t table = 0; table < tables_.size(); ++table) {
        auto& columns = numbered[table];
        std::sort(columns.begin(), columns.end(),
                  [](const auto& a, const auto& b) { return a.first < b.first; });
        // Columns are numbered 1, 2, ... without gaps; a table without columns is broken.
        for (std::size_t i = 0; i < columns.size(); ++i) {
            if (columns[i].first != i + 1) {
                return kInstallPackageInvalid;
            }
            tables_[table].columns.push_back(std::move(columns[i].second));
        }
        if (columns.empty()) {
            return kInstallPackageInvalid;
        }
    }
    return kSuccess;
}

const TableDefinition* TableCatalogue::Find(std::string_view name) const {
    const auto found =
        std::find_if(tables_.begin(), tables_.end(),
                     [&](const TableDefinition& table) { return table.name == name; });
    return found == tables_.end() ? nullptr : &*found;
}

ErrorCode RecountStrings(const cfb::CompoundFileReader& reader, const TableCatalogue& catalogue,
                         StringPool& pool) {
    std::vector<std::uint32_t> ids;
    if (const ErrorCode error = CollectStringCells(reader, catalogue, pool, ids)) {
        return error;
    }
    return pool.Recount(ids);
}

ErrorCode LoadDatabaseCatalogue(const cfb::CompoundFileReader& reader, StringPool& pool,
                                TableCatalogue& catalogue) {
    std::vector<std::byte> poolBytes;
    std::vector<std::byte> dataBytes;
    const auto poolIndex = reader.FindChild(0, EncodeStreamName(u"_StringPool", StreamKind::Table));
    const auto dataIndex = reader.FindChild(0, EncodeStreamName(u"_StringData", StreamKind::Table));
    if ((poolIndex && Failed(reader.ReadStream(*poolIndex, poolBytes))) ||
        (dataIndex && Failed(reader.ReadStream(*dataIndex, dataBytes)))) {
        return kInstallPackageInvalid;
    }
    if (const ErrorCode error = StringPool::Parse(poolBytes, dataBytes, pool)) {
        return error;
    }
    return TableCatalogue::Load(reader, pool, catalogue);
}

} // namespace installer_db
