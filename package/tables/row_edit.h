#pragma once

// The cells a package sets in its tables, beside its stream row: a whole row put in the
// place of the row with the same key (or added), or the row with a key taken out. Each
// table's rows stay ordered by their key cells, and the string pool counts every
// reference that comes or goes.

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "installer_error.h"
#include "string_pool.h"
#include "table_catalogue.h"

namespace installer_db {

// A cell's value: null, text, or an integer.
using CellValue = std::variant<std::monostate, std::u16string, std::int32_t>;

struct RowEdit {
    enum class Kind { Put, Remove };
    Kind kind = Kind::Put;
    std::u16string table;
    // Put: every column's value, in column order. Remove: the key columns' values.
    std::vector<CellValue> cells;
};

// The value a stored cell holds: a string cell's text, an integer, or null. A stream cell
// gives null, since its bytes are in a stream of their own.
CellValue StoredCellValue(const ColumnDefinition& column, const StringPool& pool,
                          std::uint32_t stored);

// Applies the edits of one table to its rows. A value that its column cannot hold (text too
// long, the wrong kind, null where the column takes none, an integer out of range, a
// stream), or a removed row that is not there gives kInvalidData; a string pool that
// would overflow gives kFunctionFailed.
ErrorCode ApplyRowEdits(const TableDefinition& table, std::span<const RowEdit> edits,
                        StringPool& pool, std::vector<TableRow>& rows);

} // namespace installer_db
