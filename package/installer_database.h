#pragma once

// The installer database service: the few Windows Installer database operations the
// package builder needs, over our own compound-file reader and writer. It behaves the
// same on every platform and never holds a stored stream whole in memory.

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

#include "installer_error.h"

namespace installer_db {

enum class OpenMode : std::uint32_t {
    Transact = 1, // MSIDBOPEN_TRANSACT: changes reach the file only on Commit
};

enum class ModifyMode : std::int32_t {
    Assign = 3, // MSIMODIFY_ASSIGN: insert the row, or replace the one with the same key
};

class Database;
class RecordData;
class ViewState;

// A record of string and stream fields, numbered from 1.
class Record {
public:
    explicit Record(unsigned fieldCount);
    ~Record();
    Record(const Record&) = delete;
    Record& operator=(const Record&) = delete;

    unsigned FieldCount() const;
    ErrorCode SetString(unsigned field, std::wstring_view value);
    // Opens the file now (FileNotFound when it cannot); its bytes are read only when
    // the database is committed.
    ErrorCode SetStream(unsigned field, const std::filesystem::path& file);

    const RecordData& Data() const { return *data_; }

private:
    std::unique_ptr<RecordData> data_;
};

// A view over one table. Only "SELECT * FROM <table>" is understood.
class View {
public:
    View(Database& database, std::unique_ptr<ViewState> state);
    ~View();
    View(const View&) = delete;
    View& operator=(const View&) = delete;

    ErrorCode Execute(const Record* parameters);
    ErrorCode Modify(ModifyMode mode, const Record& record);

private:
    Database& database_;
    std::unique_ptr<ViewState> state_;
};

class DatabaseState;

// An open installer database. Views opened on it must be closed before it is.
class Database {
public:
    static ErrorCode Open(const std::filesystem::path& path, OpenMode mode,
                          std::unique_ptr<Database>& database);
    ~Database();
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;

    ErrorCode OpenView(std::wstring_view query, std::unique_ptr<View>& view);
    // Writes the complete new database beside the file, then puts it in place.
    ErrorCode Commit();

    DatabaseState& State() { return *state_; }

private:
    explicit Database(std::unique_ptr<DatabaseState> state);
    std::unique_ptr<DatabaseState> state_;
};

} // namespace installer_db
