#pragma once

// A database's tables as values, so that two databases compare whatever their string pools
// and row orders: each table's columns and its rows, ordered by their key cells.

#include <map>
#include <span>
#include <string>
#include <vector>

#include "compound_file_reader.h"
#include "installer_error.h"
#include "row_edit.h"
#include "table_catalogue.h"

namespace kestrow::inspect {

using Row = std::vector<installer_db::CellValue>;

struct TableContents {
    std::vector<installer_db::ColumnDefinition> columns;
    std::vector<Row> rows;
    std::size_t keyColumns = 0;
};

struct DatabaseContents {
    std::map<std::u16string, TableContents> tables;

    // The row of a table whose first key cell is the given text, if there is one.
    const Row* FindRow(std::u16string_view table, std::u16string_view key) const;
    // A string cell of that row; empty when the row, or its text, is not there.
    std::u16string Text(std::u16string_view table, std::u16string_view key,
                        std::size_t column) const;
};

// Reads every table, with the edits applied first, as the builder applies them. A database
// whose pool, catalogue or tables do not add up gives kInstallPackageInvalid; an edit its
// table refuses kInvalidData.
installer_db::ErrorCode ReadDatabaseContents(const installer_db::cfb::CompoundFileReader& reader,
                                             std::span<const installer_db::RowEdit> edits,
                                             DatabaseContents& contents);

} // namespace kestrow::inspect
