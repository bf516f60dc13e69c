#include "installer_database.h"

#include <algorithm>

#include "database_state.h"
#include "record_data.h"
#include "text_encoding.h"
#include "view_query.h"

namespace installer_db {

namespace {

// The most fields a record may have, as for the platform service's records.
constexpr unsigned kMaxFieldCount = 0xFFFF;

} // namespace

class ViewState {
public:
    // Held by name: a commit reloads the catalogue.
    std::u16string tableName;
    bool executed = false;
};

Record::Record(unsigned fieldCount) : data_(std::make_unique<RecordData>()) {
    data_->fields.resize(std::size_t{std::min(fieldCount, kMaxFieldCount)} + 1);
}

Record::~Record() = default;

unsigned Record::FieldCount() const {
    return static_cast<unsigned>(data_->fields.size() - 1);
}

ErrorCode Record::SetString(unsigned field, std::wstring_view value) {
    if (field > FieldCount()) {
        return kInvalidParameter;
    }
    data_->fields[field] = {RecordField::Kind::String, ToUtf16(value), nullptr};
    return kSuccess;
}

ErrorCode Record::SetStream(unsigned field, const std::filesystem::path& file) {
    if (field > FieldCount()) {
        return kInvalidParameter;
    }
    std::unique_ptr<ReadOnlyFile> opened;
    if (const ErrorCode error = ReadOnlyFile::Open(file, opened)) {
        return error;
    }
    data_->fields[field] = {RecordField::Kind::Stream, {}, std::move(opened)};
    return kSuccess;
}

View::View(Database& database, std::unique_ptr<ViewState> state)
    : database_(database), state_(std::move(state)) {}

View::~View() = default;

ErrorCode View::Execute(const Record* /*parameters: the query has no markers to fill*/) {
    state_->executed = true;
    return kSuccess;
}

ErrorCode View::Modify(ModifyMode mode, const Record& record) {
    if (mode != ModifyMode::Assign || !state_->executed) {
        return kFunctionFailed;
    }
    return database_.State().Assign(state_->tableName, record.Data());
}

Database::Database(std::unique_ptr<DatabaseState> state) : state_(std::move(state)) {}

Database::~Database() = default;

ErrorCode Database::Open(const std::filesystem::path& path, OpenMode mode,
                         std::unique_ptr<Database>& database) {
    if (mode != OpenMode::Transact) {
        return kInvalidParameter;
    }
    std::unique_ptr<DatabaseState> state;
    if (const ErrorCode error = DatabaseState::Load(path, state)) {
        return error;
    }
    database.reset(new Database(std::move(state)));
    return kSuccess;
}

ErrorCode Database::OpenView(std::wstring_view query, std::unique_ptr<View>& view) {
    std::u16string tableName;
    if (const ErrorCode error = ParseSelectAllQuery(ToUtf16(query), tableName)) {
        return error;
    }
    const TableDefinition* table = nullptr;
    if (const ErrorCode error = state_->FindTable(tableName, table)) {
        return error;
    }
    view = std::make_unique<View>(*this, std::make_unique<ViewState>(ViewState{tableName}));
    return kSuccess;
}

ErrorCode Database::Commit() {
    return state_->Commit();
}

} // namespace installer_db
