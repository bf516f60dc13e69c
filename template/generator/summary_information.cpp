#include "summary_information.h"

#include "glib_ownership.h"

#include <charconv>
#include <cstdio>
#include <fstream>

namespace {

enum class SummaryKind { Integer, FileTime, Text };

SummaryKind KindOf(int id) {
    switch (id) {
    case LIBMSI_PROPERTY_CODEPAGE:
    case LIBMSI_PROPERTY_VERSION:
    case LIBMSI_PROPERTY_SOURCE:
    case LIBMSI_PROPERTY_RESTRICT:
    case LIBMSI_PROPERTY_SECURITY:
        return SummaryKind::Integer;
    case LIBMSI_PROPERTY_EDITTIME:
    case LIBMSI_PROPERTY_LASTPRINTED:
    case LIBMSI_PROPERTY_CREATED_TM:
    case LIBMSI_PROPERTY_LASTSAVED_TM:
        return SummaryKind::FileTime;
    default:
        return SummaryKind::Text;
    }
}

bool IsStorableId(int id) {
    return id >= LIBMSI_PROPERTY_CODEPAGE && id <= LIBMSI_PROPERTY_SECURITY &&
           id != LIBMSI_PROPERTY_THUMBNAIL;
}

std::string Trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

template <typename Number> bool ParseNumber(const std::string& text, Number& number) {
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, number);
    return error == std::errc() && stop == end;
}

// Days from 1601-01-01 to the given civil date (proleptic Gregorian calendar).
std::int64_t daysSince1601(int year, unsigned month, unsigned day) {
    const int shiftedYear = year - (month <= 2 ? 1 : 0);
    const int era = (shiftedYear >= 0 ? shiftedYear : shiftedYear - 399) / 400;
    const unsigned yearOfEra = static_cast<unsigned>(shiftedYear - era * 400);
    const unsigned dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const unsigned dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    const std::int64_t daysSince1970 = std::int64_t{era} * 146097 + dayOfEra - 719468;
    return daysSince1970 + 134774; // 1601-01-01 lies 134,774 days before 1970-01-01
}

bool ParseFileTime(const std::string& text, std::uint64_t& fileTime) {
    int year = 0;
    unsigned month = 0, day = 0, hour = 0, minute = 0, second = 0;
    char tail = 0;
    if (std::sscanf(text.c_str(), "%4d-%2u-%2u %2u:%2u:%2u%c", &year, &month, &day, &hour, &minute,
                    &second, &tail) != 6 ||
        year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour > 23 || minute > 59 ||
        second > 59) {
        return false;
    }
    const std::int64_t seconds =
        daysSince1601(year, month, day) * 86400 + hour * 3600 + minute * 60 + second;
    fileTime = static_cast<std::uint64_t>(seconds) * 10'000'000; // 100-nanosecond ticks
    return true;
}

bool ParseValue(int id, const std::string& text, SummaryProperty& property) {
    property.id = static_cast<LibmsiProperty>(id);
    switch (KindOf(id)) {
    case SummaryKind::Integer: {
        std::int32_t number = 0;
        const bool valid = ParseNumber(text, number);
        property.value = number;
        return valid;
    }
    case SummaryKind::FileTime: {
        std::uint64_t fileTime = 0;
        const bool valid = ParseFileTime(text, fileTime);
        property.value = fileTime;
        return valid;
    }
    case SummaryKind::Text:
        property.value = text;
        return true;
    }
    return false;
}

bool ParseLine(const std::string& line, SummaryProperty& property) {
    const auto equals = line.find('=');
    int id = 0;
    return equals != std::string::npos && ParseNumber(Trimmed(line.substr(0, equals)), id) &&
           IsStorableId(id) && ParseValue(id, Trimmed(line.substr(equals + 1)), property);
}

bool StoreProperty(LibmsiSummaryInfo* summary, const SummaryProperty& property, GError** error) {
    if (const auto* number = std::get_if<std::int32_t>(&property.value)) {
        return libmsi_summary_info_set_int(summary, property.id, *number, error);
    }
    if (const auto* fileTime = std::get_if<std::uint64_t>(&property.value)) {
        return libmsi_summary_info_set_filetime(summary, property.id, *fileTime, error);
    }
    return libmsi_summary_info_set_string(summary, property.id,
                                          std::get<std::string>(property.value).c_str(), error);
}

} // namespace

installer_db::ErrorCode ReadSummaryProperties(const std::filesystem::path& source,
                                              std::vector<SummaryProperty>& properties) {
    std::ifstream input(source);
    if (!input) {
        std::fprintf(stderr, "make-template: cannot read %s\n", source.c_str());
        return installer_db::kFileNotFound;
    }
    std::string line;
    for (int lineNumber = 1; std::getline(input, line); ++lineNumber) {
        const std::string content = Trimmed(line);
        if (content.empty() || content.front() == '#') {
            continue;
        }
        SummaryProperty property{};
        if (!ParseLine(content, property)) {
            std::fprintf(stderr, "make-template: %s:%d: not a valid \"id = value\" line\n",
                         source.c_str(), lineNumber);
            return installer_db::kInvalidData;
        }
        properties.push_back(std::move(property));
    }
    return installer_db::kSuccess;
}

installer_db::ErrorCode WriteSummaryProperties(LibmsiDatabase* database,
                                               const std::vector<SummaryProperty>& properties) {
    ErrorSlot error;
    const GObjectPtr<LibmsiSummaryInfo> summary(
        libmsi_summary_info_new(database, static_cast<unsigned>(properties.size()), error.out()));
    if (!summary) {
        std::fprintf(stderr, "make-template: cannot open summary information: %s\n",
                     error.message());
        return installer_db::kFunctionFailed;
    }
    for (const SummaryProperty& property : properties) {
        if (!StoreProperty(summary.get(), property, error.out())) {
            std::fprintf(stderr, "make-template: cannot set summary property %d: %s\n",
                         static_cast<int>(property.id), error.message());
            return installer_db::kFunctionFailed;
        }
    }
    if (!libmsi_summary_info_persist(summary.get(), error.out())) {
        std::fprintf(stderr, "make-template: cannot store summary information: %s\n",
                     error.message());
        return installer_db::kFunctionFailed;
    }
    return installer_db::kSuccess;
}
