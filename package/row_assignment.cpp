#include "database_state.h"

#include <algorithm>

#include "stream_name.h"
#include "text_encoding.h"

namespace installer_db {

// A record turned into a row, before its strings are counted in the pool.
struct DatabaseState::NewRow {
    TableRow cells;
    std::vector<std::string> strings; // per column; empty for null and non-string columns
    std::u16string streamName;        // the row's stream, named after the table and key
    std::shared_ptr<const ReadOnlyFile> streamFile;
};

namespace {

bool FieldFitsColumn(const RecordField& field, const ColumnDefinition& column) {
    const bool isNull = field.kind == RecordField::Kind::Null ||
                        (field.kind == RecordField::Kind::String && field.text.empty());
    if (isNull) {
        return column.IsNullable() && !column.IsKey();
    }
    const ColumnKind kind = column.Kind();
    return (kind == ColumnKind::String && field.kind == RecordField::Kind::String) ||
           (kind == ColumnKind::Stream && field.kind == RecordField::Kind::Stream);
}

bool KeysMatch(const TableDefinition& table, const TableRow& row,
               const std::vector<std::string>& strings, const StringPool& pool) {
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
        if (table.columns[column].IsKey() && pool.Lookup(row[column]) != strings[column]) {
            return false;
        }
    }
    return true;
}

// Rows are kept ordered by their key cells, as the installer service stores them.
bool KeyCellsBefore(const TableDefinition& table, const TableRow& a, const TableRow& b) {
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
        if (table.columns[column].IsKey() && a[column] != b[column]) {
            return a[column] < b[column];
        }
    }
    return false;
}

} // namespace

ErrorCode DatabaseState::Assign(std::u16string_view tableName, const RecordData& record) {
    const TableDefinition* found = nullptr;
    if (FindTable(tableName, found) != kSuccess) {
        return kFunctionFailed;
    }
    const TableDefinition& table = *found;
    NewRow row;
    if (const ErrorCode error = BuildRow(tableName, table, record, row)) {
        return error;
    }
    std::vector<TableRow> rows;
    if (const ErrorCode error = TableRows(tableName, table, rows)) {
        return error;
    }
    if (const ErrorCode error = StoreRow(table, row, rows)) {
        return error;
    }
    changes_.tables[std::u16string(tableName)] = std::move(rows);
    if (row.streamFile) {
        changes_.streams[row.streamName] = row.streamFile;
        changes_.removedStreams.erase(row.streamName);
    }
    return kSuccess;
}

ErrorCode DatabaseState::BuildRow(std::u16string_view tableName, const TableDefinition& table,
                                  const RecordData& record, NewRow& row) const {
    const std::size_t columnCount = table.columns.size();
    const auto streamColumns =
        std::count_if(table.columns.begin(), table.columns.end(),
                      [](const ColumnDefinition& c) { return c.Kind() == ColumnKind::Stream; });
    if (record.fields.size() != columnCount + 1 || streamColumns > 1) {
        return kFunctionFailed;
    }
    row.cells.assign(columnCount, 0);
    row.strings.assign(columnCount, std::string());
    std::u16string streamKey(tableName);
    for (std::size_t column = 0; column < columnCount; ++column) {
        const RecordField& field = record.fields[column + 1];
        const ColumnDefinition& definition = table.columns[column];
        if (!FieldFitsColumn(field, definition)) {
            return kFunctionFailed;
        }
        if (field.kind == RecordField::Kind::Stream) {
            row.cells[column] = 1; // the marker every stored row with data carries
            row.streamFile = field.file;
        } else if (field.kind == RecordField::Kind::String &&
                   EncodeForCodePage(contents_.pool.CodePage(), field.text, row.strings[column]) !=
                       kSuccess) {
            return kFunctionFailed;
        }
        if (definition.IsKey()) {
            streamKey += u'.';
            streamKey += field.text;
        }
    }
    row.streamName = EncodeStreamName(streamKey, StreamKind::Other);
    const bool nameFits = row.streamName.size() <= cfb::kMaxNameUnits;
    return !row.streamFile || nameFits ? kSuccess : kFunctionFailed;
}

ErrorCode DatabaseState::StoreRow(const TableDefinition& table, NewRow& row,
                                  std::vector<TableRow>& rows) {
    StringPool pool = contents_.pool;
    for (std::size_t column = 0; column < table.columns.size(); ++column) {
        if (!row.strings[column].empty() &&
            pool.AddReference(row.strings[column], row.cells[column]) != kSuccess) {
            return kFunctionFailed;
        }
    }
    const auto existing = std::find_if(rows.begin(), rows.end(), [&](const TableRow& old) {
        return KeysMatch(table, old, row.strings, pool);
    });
    if (existing != rows.end()) {
        for (std::size_t column = 0; column < table.columns.size(); ++column) {
            const bool hadStream =
                table.columns[column].Kind() == ColumnKind::Stream && (*existing)[column] != 0;
            if (hadStream && !row.streamFile) {
                changes_.removedStreams.insert(row.streamName);
                changes_.streams.erase(row.streamName);
            }
            if (table.columns[column].Kind() == ColumnKind::String &&
                pool.ReleaseReference((*existing)[column]) != kSuccess) {
                return kInstallPackageInvalid;
            }
        }
        *existing = row.cells;
    } else {
        rows.insert(std::upper_bound(rows.begin(), rows.end(), row.cells,
                                     [&](const TableRow& a, const TableRow& b) {
                                         return KeyCellsBefore(table, a, b);
                                     }),
                    row.cells);
    }
    contents_.pool = std::move(pool);
    changes_.poolChanged = true;
    return kSuccess;
}

} // namespace installer_db
