#include "database_contents.h"

#include <algorithm>

#include "string_pool.h"
#include "text_encoding.h"

namespace kestrow::inspect {

using namespace installer_db;

namespace {

std::vector<RowEdit> EditsOf(std::span<const RowEdit> edits, std::u16string_view table) {
    std::vector<RowEdit> found;
    std::copy_if(edits.begin(), edits.end(), std::back_inserter(found),
                 [table](const RowEdit& edit) { return edit.table == table; });
    return found;
}

std::size_t KeyColumnCount(const std::vector<ColumnDefinition>& columns) {
    return static_cast<std::size_t>(
        std::find_if(columns.begin(), columns.end(),
                     [](const ColumnDefinition& column) { return !column.IsKey(); }) -
        columns.begin());
}

ErrorCode ReadTable(const cfb::CompoundFileReader& reader, const TableDefinition& definition,
                    std::span<const RowEdit> edits, StringPool& pool, TableContents& table) {
    const std::u16string name = DecodeFromCodePage(pool.CodePage(), definition.name);
    std::vector<TableRow> stored;
    if (const ErrorCode error =
            ReadTableRows(reader, name, definition.CellWidths(pool.ReferenceWidth()), stored)) {
        return error;
    }
    if (const ErrorCode error = ApplyRowEdits(definition, EditsOf(edits, name), pool, stored)) {
        return error;
    }
    table.columns = definition.columns;
    table.keyColumns = KeyColumnCount(definition.columns);
    for (const TableRow& row : stored) {
        Row values;
        for (std::size_t column = 0; column < row.size(); ++column) {
            values.push_back(StoredCellValue(definition.columns[column], pool, row[column]));
        }
        table.rows.push_back(std::move(values));
    }
    std::sort(table.rows.begin(), table.rows.end());
    return kSuccess;
}

} // namespace

const Row* DatabaseContents::FindRow(std::u16string_view table, std::u16string_view key) const {
    const auto found = tables.find(std::u16string(table));
    if (found == tables.end()) {
        return nullptr;
    }
    for (const Row& row : found->second.rows) {
        const auto* text = row.empty() ? nullptr : std::get_if<std::u16string>(&row[0]);
        if (text && *text == key) {
            return &row;
        }
    }
    return nullptr;
}

std::u16string DatabaseContents::Text(std::u16string_view table, std::u16string_view key,
                                      std::size_t column) const {
    const Row* row = FindRow(table, key);
    const auto* text =
        row && column < row->size() ? std::get_if<std::u16string>(&(*row)[column]) : nullptr;
    return text ? *text : std::u16string();
}

ErrorCode ReadDatabaseContents(const cfb::CompoundFileReader& reader,
                               std::span<const RowEdit> edits, DatabaseContents& contents) {
    StringPool pool;
    TableCatalogue catalogue;
    if (const ErrorCode error = LoadDatabaseCatalogue(reader, pool, catalogue)) {
        return error;
    }
    // Edits count references as they go, so the counts must be right before them.
    if (!edits.empty()) {
        if (const ErrorCode error = RecountStrings(reader, catalogue, pool)) {
            return error;
        }
    }
    for (const TableDefinition& definition : catalogue.Tables()) {
        TableContents table;
        if (const ErrorCode error = ReadTable(reader, definition, edits, pool, table)) {
            return error;
        }
        contents.tables[DecodeFromCodePage(pool.CodePage(), definition.name)] = std::move(table);
    }
    return kSuccess;
}

} // namespace kestrow::inspect
