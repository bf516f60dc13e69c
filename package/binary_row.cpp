#include "binary_row.h"

#include <memory>

#include "installer_database.h"

namespace kestrow {

using namespace installer_db;

// Declaration order makes the record, then the view, then the database close on every
// return, so a failed build leaves no database open on the file.
ErrorCode AssignBinaryRow(const std::filesystem::path& database, std::wstring_view key,
                          const std::filesystem::path& streamFile) {
    std::unique_ptr<Database> opened;
    if (ErrorCode error = Database::Open(database, OpenMode::Transact, opened)) {
        return error;
    }
    std::unique_ptr<View> view;
    if (ErrorCode error = opened->OpenView(L"SELECT * FROM Binary", view)) {
        return error;
    }
    Record record(2);
    if (ErrorCode error = record.SetString(1, key)) {
        return error;
    }
    if (ErrorCode error = record.SetStream(2, streamFile)) {
        return error;
    }
    if (ErrorCode error = view->Execute(&record)) {
        return error;
    }
    if (ErrorCode error = view->Modify(ModifyMode::Assign, record)) {
        return error;
    }
    return opened->Commit();
}

} // namespace kestrow
