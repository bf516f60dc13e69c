#pragma once

#include "installer_error.h"

#include <libmsi.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

// One summary property as the source file states it; the id decides the stored type.
struct SummaryProperty {
    LibmsiProperty id;
    std::variant<std::int32_t, std::uint64_t, std::string> value; // integer, file time, text
};

// Reads "id = value" lines ('#' starts a comment line). Ids 1, 14, 15, 16 and 19 are integers,
// 10 to 13 are UTC times written "YYYY-MM-DD HH:MM:SS", every other id from 2 to 19 is text.
installer_db::ErrorCode ReadSummaryProperties(const std::filesystem::path& source,
                                              std::vector<SummaryProperty>& properties);

// Stores the properties in the database's summary information stream.
installer_db::ErrorCode WriteSummaryProperties(LibmsiDatabase* database,
                                               const std::vector<SummaryProperty>& properties);
