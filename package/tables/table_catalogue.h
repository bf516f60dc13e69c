#pragma once

// The database's catalogue: the tables listed in _Tables and their columns from _Columns.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "compound_file_reader.h"
#include "installer_error.h"
#include "string_pool.h"
#include "table_format.h"

namespace installer_db {

struct TableDefinition {
    std::string name; // code-page bytes
    std::vector<ColumnDefinition> columns;

    std::vector<unsigned> CellWidths(unsigned referenceWidth) const;
};

// Reads the rows of the named table's stream (none when the table has no stream).
ErrorCode ReadTableRows(const cfb::CompoundFileReader& reader, std::u16string_view tableName,
                        std::span<const unsigned> widths, std::vector<TableRow>& rows);

class TableCatalogue {
public:
    // A catalogue that contradicts itself gives kInstallPackageInvalid.
    static ErrorCode Load(const cfb::CompoundFileReader& reader, const StringPool& pool,
                          TableCatalogue& catalogue);
    const TableDefinition* Find(std::string_view name) const;
    const std::vector<TableDefinition>& Tables() const { return tables_; }

private:
    ErrorCode AddColumns(const std::vector<TableRow>& columnRows, const StringPool& pool);
    std::vector<TableDefinition> tables_;
};

// The string pool and the catalogue of a database; a damaged one gives
// kInstallPackageInvalid.
ErrorCode LoadDatabaseCatalogue(const cfb::CompoundFileReader& reader, StringPool& pool,
                                TableCatalogue& catalogue);

// Counts every string as often as the catalogue and the tables refer to it, in place of the
// counts as stored, which not every writer keeps (msitools stores 1 for every string).
ErrorCode RecountStrings(const cfb::CompoundFileReader& reader, const TableCatalogue& catalogue,
                         StringPool& pool);

} // namespace installer_db
