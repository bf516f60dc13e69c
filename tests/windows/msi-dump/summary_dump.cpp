#include "summary_dump.h"

#include "../common/utf8.h"
#include "msi_handle.h"
#include "record_fields.h"

#include <wtypes.h>

#include <cstdio>

namespace {

constexpr UINT kLastSummaryId = 19; // PID_SECURITY

std::string FileTimeText(const FILETIME& fileTime) {
    SYSTEMTIME utc{};
    FileTimeToSystemTime(&fileTime, &utc);
    const unsigned long long ticks =
        (static_cast<unsigned long long>(fileTime.dwHighDateTime) << 32) | fileTime.dwLowDateTime;
    char text[40];
    int length = std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", utc.wYear,
                               utc.wMonth, utc.wDay, utc.wHour, utc.wMinute, utc.wSecond);
    if (ticks % 10'000'000 != 0) {
        std::snprintf(text + length, sizeof text - length, ".%07llu", ticks % 10'000'000);
    }
    return text;
}

UINT ReadProperty(MSIHANDLE summary, UINT id, std::string& line) {
    UINT type = VT_EMPTY;
    INT number = 0;
    FILETIME fileTime{};
    std::wstring text(256, L'\0');
    DWORD length = static_cast<DWORD>(text.size());
    UINT result =
        MsiSummaryInfoGetPropertyW(summary, id, &type, &number, &fileTime, text.data(), &length);
    if (result == ERROR_MORE_DATA) {
        text.assign(length + 1, L'\0');
        length = static_cast<DWORD>(text.size());
        result = MsiSummaryInfoGetPropertyW(summary, id, &type, &number, &fileTime, text.data(),
                                            &length);
    }
    if (result != ERROR_SUCCESS) {
        return result;
    }
    const std::string prefix = "summary\t" + std::to_string(id) + "\t";
    switch (type) {
    case VT_I2:
        line = prefix + "i2\t" + std::to_string(number);
        break;
    case VT_I4:
        line = prefix + "i4\t" + std::to_string(number);
        break;
    case VT_LPSTR:
        text.resize(length);
        line = prefix + "string\t" + EscapeCell(ToUtf8(text));
        break;
    case VT_FILETIME:
        line = prefix + "filetime\t" + FileTimeText(fileTime);
        break;
    default:
        line.clear(); // absent property
    }
    return ERROR_SUCCESS;
}

} // namespace

UINT DumpSummary(MSIHANDLE database, std::string& dump) {
    MsiHandle summary;
    UINT result = MsiGetSummaryInformationW(database, nullptr, 0, summary.Receive());
    for (UINT id = 1; result == ERROR_SUCCESS && id <= kLastSummaryId; ++id) {
        std::string line;
        result = ReadProperty(summary.Get(), id, line);
        if (!line.empty()) {
            dump += line + "\n";
        }
    }
    return result;
}
