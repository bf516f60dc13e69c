#pragma once

// Where a package departs from the template it claims to come from. A package is the
// template with one stream of its own, the installer's, and, for a package of its own
// product, the rows and summary texts of that identity; a signature may be added.

#include <string>
#include <vector>

#include "compound_file_reader.h"
#include "database_contents.h"

namespace kestrow::inspect {

// The stored name of the stream that holds the installer: the Binary row "Corvane".
std::u16string InstallerStreamName();

// A directory entry's name as the report shows it: a stream's name decoded, in UTF-8.
std::string EntryName(std::u16string_view storedName);

// One line for each table, row or cell that is not as expected: "table Property, row
// ProductName, column Value".
std::vector<std::string> TableDifferences(const DatabaseContents& expected,
                                          const DatabaseContents& package);

// One line for each stream or storage at the root that is missing, added or changed, besides
// the tables, the summary information, the signatures and the installer's stream. A stream
// that cannot be read counts as changed.
std::vector<std::string> StreamDifferences(const installer_db::cfb::CompoundFileReader& expected,
                                           const installer_db::cfb::CompoundFileReader& package);

} // namespace kestrow::inspect
