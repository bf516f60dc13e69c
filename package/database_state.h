#pragma once

// An open database: the old file's container, string pool and catalogue, and the changes
// made since the last commit, which stay in memory (stream data stays in its files).

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "compound_file_reader.h"
#include "file_io.h"
#include "installer_error.h"
#include "record_data.h"
#include "string_pool.h"
#include "table_catalogue.h"

namespace installer_db {

class DatabaseState {
public:
    // A missing or unreadable file gives kOpenFailed; a damaged one kInstallPackageInvalid.
    static ErrorCode Load(const std::filesystem::path& path, std::unique_ptr<DatabaseState>& state);

    // kBadQuerySyntax when the table is not in the catalogue.
    ErrorCode FindTable(std::u16string_view name, const TableDefinition*& table) const;
    // Inserts the record as a row, or replaces the row with the same key.
    ErrorCode Assign(std::u16string_view tableName, const RecordData& record);
    // Writes everything to a new file beside the database and puts it in place; the
    // database file is untouched on failure.
    ErrorCode Commit();

private:
    struct Contents {
        std::unique_ptr<cfb::CompoundFileReader> reader;
        StringPool pool;
        TableCatalogue catalogue;
    };
    struct Changes {
        bool poolChanged = false;
        std::map<std::u16string, std::vector<TableRow>> tables;                // by table name
        std::map<std::u16string, std::shared_ptr<const ReadOnlyFile>> streams; // encoded names
        std::set<std::u16string> removedStreams;
    };
    struct NewRow;

    explicit DatabaseState(std::filesystem::path path) : path_(std::move(path)) {}
    static ErrorCode LoadContents(const std::filesystem::path& path, Contents& contents);
    ErrorCode TableRows(std::u16string_view tableName, const TableDefinition& table,
                        std::vector<TableRow>& rows) const;
    ErrorCode BuildRow(std::u16string_view tableName, const TableDefinition& table,
                       const RecordData& record, NewRow& row) const;
    ErrorCode StoreRow(const TableDefinition& table, NewRow& row, std::vector<TableRow>& rows);
    ErrorCode WriteNewFile(TemporaryFile& output);

    std::filesystem::path path_;
    Contents contents_;
    Changes changes_;
};

} // namespace installer_db
