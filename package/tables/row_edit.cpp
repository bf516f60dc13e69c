#include "row_edit.h"

#include <algorithm>
#include <optional>

#include "text_encoding.h"

namespace installer_db {

namespace {

constexpr std::uint16_t kLengthMask = 0x00FF;
constexpr std::int64_t kInteger2Offset = 0x8000;
constexpr std::int64_t kInteger4Offset = 0x80000000;

std::size_t KeyColumnCount(const TableDefinition& table) {
    const auto firstNonKey = std::find_if(table.columns.begin(), table.columns.end(),
                                          [](const ColumnDefinition& c) { return !c.IsKey(); });
    return static_cast<std::size_t>(firstNonKey - table.columns.begin());
}

// The stored form of an integer: offset so that null is 0. The lowest value of each width
// is reserved for null.
std::optional<std::uint32_t> StoredInteger(ColumnKind kind, std::int32_t value) {
    const std::int64_t offset = kind == ColumnKind::Integer2 ? kInteger2Offset : kInteger4Offset;
    if (value <= -offset || value >= offset) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(value + offset);
}

std::optional<std::string> ColumnText(const ColumnDefinition& column, std::uint32_t codePage,
                                      const std::u16string& text) {
    std::string bytes;
    const std::size_t longest = column.type & kLengthMask;
    if (column.Kind() != ColumnKind::String || text.empty() ||
        EncodeForCodePage(codePage, text, bytes) != kSuccess ||
        (longest != 0 && text.size() > longest)) {
        return std::nullopt;
    }
    return bytes;
}

// The stored form of a key cell, without counting a reference: nothing when no row can
// hold it.
std::optional<std::uint32_t> StoredKey(const ColumnDefinition& column, const StringPool& pool,
                                       const CellValue& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return 0u;
    }
    if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        return column.Kind() == ColumnKind::String ? std::nullopt
                                                   : StoredInteger(column.Kind(), *integer);
    }
    const std::optional<std::string> text =
        ColumnText(column, pool.CodePage(), std::get<std::u16string>(value));
    return text ? pool.Find(*text) : std::nullopt;
}

// Releases the row's references to its strings, as it leaves the table.
ErrorCode ReleaseStrings(const TableDefinition& table, const TableRow& row, StringPool& pool) {
    for (std::size_t column = 0; column < row.size(); ++column) {
        if (table.columns[column].Kind() == ColumnKind::String &&
            pool.ReleaseReference(row[column]) != kSuccess) {
            return kFunctionFailed;
        }
    }
    return kSuccess;
}

ErrorCode StoreCell(const ColumnDefinition& column, StringPool& pool, const CellValue& value,
                    std::uint32_t& stored) {
    if (std::holds_alternative<std::monostate>(value)) {
        stored = 0;
        return column.IsNullable() && column.Kind() != ColumnKind::Stream ? kSuccess : kInvalidData;
    }
    if (const auto* integer = std::get_if<std::int32_t>(&value)) {
        const std::optional<std::uint32_t> offset =
            column.Kind() == ColumnKind::Integer2 || column.Kind() == ColumnKind::Integer4
                ? StoredInteger(column.Kind(), *integer)
                : std::nullopt;
        stored = offset.value_or(0);
        return offset ? kSuccess : kInvalidData;
    }
    const std::optional<std::string> text =
        ColumnText(column, pool.CodePage(), std::get<std::u16string>(value));
    return text ? pool.AddReference(*text, stored) : kInvalidData;
}

class TableRows {
public:
    TableRows(const TableDefinition& table, StringPool& pool, std::vector<TableRow>& rows)
        : table_(table), pool_(pool), rows_(rows), keyColumns_(KeyColumnCount(table)) {}

    ErrorCode Apply(const RowEdit& edit) {
        const std::size_t keyCells =
            edit.kind == RowEdit::Kind::Put ? keyColumns_ : edit.cells.size();
        if (keyColumns_ == 0 || keyCells != keyColumns_ ||
            (edit.kind == RowEdit::Kind::Put && edit.cells.size() != table_.columns.size())) {
            return kInvalidData;
        }
        const auto existing = Find(edit.cells);
        if (existing != rows_.end()) {
            if (const ErrorCode error = ReleaseStrings(table_, *existing, pool_)) {
                return error;
            }
            rows_.erase(existing);
        } else if (edit.kind == RowEdit::Kind::Remove) {
            return kInvalidData;
        }
        return edit.kind == RowEdit::Kind::Put ? Insert(edit.cells) : kSuccess;
    }

private:
    std::vector<TableRow>::iterator Find(const std::vector<CellValue>& cells) {
        TableRow key(keyColumns_);
        for (std::size_t column = 0; column < keyColumns_; ++column) {
            const std::optional<std::uint32_t> stored =
                StoredKey(table_.columns[column], pool_, cells[column]);
            if (!stored) {
                return rows_.end();
            }
            key[column] = *stored;
        }
        return std::find_if(rows_.begin(), rows_.end(), [&](const TableRow& row) {
            return std::equal(key.begin(), key.end(), row.begin());
        });
    }

    ErrorCode Insert(const std::vector<CellValue>& cells) {
        TableRow row(cells.size());
        for (std::size_t column = 0; column < cells.size(); ++column) {
            if (const ErrorCode error =
                    StoreCell(table_.columns[column], pool_, cells[column], row[column])) {
                return error;
            }
        }
        const auto keyLess = [this](const TableRow& a, const TableRow& b) {
            return std::lexicographical_compare(a.begin(), a.begin() + keyColumns_, b.begin(),
                                                b.begin() + keyColumns_);
        };
        rows_.insert(std::upper_bound(rows_.begin(), rows_.end(), row, keyLess), std::move(row));
        return kSuccess;
    }

    const TableDefinition& table_;
    StringPool& pool_;
    std::vector<TableRow>& rows_;
    std::size_t keyColumns_;
};

} // namespace

CellValue StoredCellValue(const ColumnDefinition& column, const StringPool& pool,
                          std::uint32_t stored) {
    switch (column.Kind()) {
    case ColumnKind::String:
        if (const std::optional<std::string_view> text = pool.Lookup(stored)) {
            return DecodeFromCodePage(pool.CodePage(), *text);
        }
        return {};
    case ColumnKind::Integer2:
    case ColumnKind::Integer4: {
        const std::int64_t offset =
            column.Kind() == ColumnKind::Integer2 ? kInteger2Offset : kInteger4Offset;
        return stored == 0 ? CellValue{}
                           : CellValue{static_cast<std::int32_t>(std::int64_t{stored} - offset)};
    }
    case ColumnKind::Stream:
        break;
    }
    return {};
}

ErrorCode ApplyRowEdits(const TableDefinition& table, std::span<const RowEdit> edits,
                        StringPool& pool, std::vector<TableRow>& rows) {
    TableRows tableRows(table, pool, rows);
    for (const RowEdit& edit : edits) {
        if (const ErrorCode error = tableRows.Apply(edit)) {
            return error;
        }
    }
    return kSuccess;
}

} // namespace installer_db
