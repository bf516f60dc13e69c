#pragma once

// What a record holds: per field nothing, a string, or a file opened for its stream.

#include <memory>
#include <string>
#include <vector>

#include "file_io.h"

namespace installer_db {

struct RecordField {
    enum class Kind { Null, String, Stream };
    Kind kind = Kind::Null;
    std::u16string text;
    // Shared with pending database changes, which read it when the database commits.
    std::shared_ptr<const ReadOnlyFile> file;
};

class RecordData {
public:
    // Field 0 is the record's format field; data fields are 1..count.
    std::vector<RecordField> fields;
};

} // namespace installer_db
