#pragma once

// The database's texts as the report shows them: UTF-8, one line.

#include <string>
#include <string_view>

#include "row_edit.h"

namespace kestrow::inspect {

// A lone surrogate becomes U+FFFD.
std::string Utf8(std::u16string_view text);

// Text as it stands, a number in decimal, null as "(null)".
std::string CellText(const installer_db::CellValue& value);

} // namespace kestrow::inspect
