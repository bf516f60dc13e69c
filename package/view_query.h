#pragma once

// The one query form a view understands: SELECT * FROM <table>.

#include <string>
#include <string_view>

#include "installer_error.h"

namespace installer_db {

// Keywords in any case; the table name bare or in backquotes. Anything else gives
// kBadQuerySyntax.
ErrorCode ParseSelectAllQuery(std::u16string_view query, std::u16string& table);

} // namespace installer_db
