#pragma once

// Writes an installer database anew with one row of a table of two columns, a string key
// and a stream, holding the bytes of a file: the row is inserted, or its stream replaced.
// Every other table, row, stream and storage is copied as it stands. This is the whole of
// what a package needs from the database: its template with one stream of its own.

#include <string_view>

#include "compound_file_reader.h"
#include "file_io.h"
#include "installer_error.h"

namespace installer_db {

struct StreamRow {
    std::u16string_view table;
    std::u16string_view key;
    const ReadOnlyFile& file;
};

// A damaged database gives kInstallPackageInvalid, a table it does not have
// kBadQuerySyntax, a table of another shape or a key it cannot store kFunctionFailed, a
// full disk kDiskFull. Nothing is checked after the first byte is written but the data.
ErrorCode WriteWithStreamRow(const cfb::CompoundFileReader& database, const StreamRow& row,
                             PendingFile& output);

} // namespace installer_db
