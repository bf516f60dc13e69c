#include "record_fields.h"

#include "../common/utf8.h"
#include "hex.h"
#include "sha256.h"

#include <span>
#include <vector>

UINT ReadStringField(MSIHANDLE record, UINT field, std::string& text) {
    DWORD length = 0;
    wchar_t probe[1] = {};
    UINT result = MsiRecordGetStringW(record, field, probe, &length);
    if (result != ERROR_MORE_DATA && result != ERROR_SUCCESS) {
        return result;
    }
    std::wstring wide(length + 1, L'\0');
    length = static_cast<DWORD>(wide.size());
    result = MsiRecordGetStringW(record, field, wide.data(), &length);
    if (result != ERROR_SUCCESS) {
        return result;
    }
    wide.resize(length);
    text = ToUtf8(wide);
    return ERROR_SUCCESS;
}

UINT ReadStreamField(MSIHANDLE record, UINT field, std::string& text) {
    text.clear();
    if (MsiRecordIsNull(record, field)) {
        return ERROR_SUCCESS;
    }
    kestrow::digest::Sha256 hash;
    std::vector<char> chunk(64 * 1024);
    unsigned long long total = 0;
    for (;;) {
        DWORD size = static_cast<DWORD>(chunk.size());
        const UINT result = MsiRecordReadStream(record, field, chunk.data(), &size);
        if (result != ERROR_SUCCESS) {
            return result;
        }
        if (size == 0) {
            break;
        }
        hash.Update(std::as_bytes(std::span(chunk.data(), size)));
        total += size;
    }
    text = "stream:" + std::to_string(total) + ":" + kestrow::digest::ToHex(hash.Finish());
    return ERROR_SUCCESS;
}

std::string EscapeCell(const std::string& text) {
    std::string escaped;
    for (const char c : text) {
        switch (c) {
        case '\\':
            escaped += "\\\\";
            break;
        case '\t':
            escaped += "\\t";
            break;
        case '\r':
            escaped += "\\r";
            break;
        case '\n':
            escaped += "\\n";
            break;
        default:
            escaped += c;
        }
    }
    return escaped;
}
