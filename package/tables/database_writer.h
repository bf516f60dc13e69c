#pragma once

// Writes an installer database anew with the changes a package makes to its template: one
// row of a table of two columns, a string key and a stream, holding the bytes of a file
// (the row inserted, or its stream replaced); rows put or taken out; and root streams
// given whole. Every other table, row, stream and storage is copied as it stands.

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "byte_source.h"
#include "compound_file_reader.h"
#include "file_io.h"
#include "installer_error.h"
#include "row_edit.h"

namespace installer_db {

struct StreamRow {
    std::u16string_view table;
    std::u16string_view key;
    const ReadOnlyFile& file;
};

// A stream at the root, by its stored name, in place of the one of that name or beside the
// others. Its size is known before its bytes are.
struct RootStream {
    std::u16string name;
    std::uint64_t size = 0;
    std::unique_ptr<ByteSource> source;
};

struct DatabaseChanges {
    StreamRow row;
    std::vector<RowEdit> rowEdits;
    std::vector<RootStream> streams;
};

// A damaged database gives kInstallPackageInvalid, a table it does not have
// kBadQuerySyntax, a table of another shape or a key it cannot store kFunctionFailed, a
// row edit its table refuses kInvalidData, a full disk kDiskFull. Nothing is checked after the
// first byte is written but the data.
ErrorCode WriteChangedDatabase(const cfb::CompoundFileReader& database, DatabaseChanges& changes,
                               PendingFile& output);

} // namespace installer_db
