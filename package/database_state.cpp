#include "database_state.h"

#include "stream_name.h"
#include "text_encoding.h"

namespace installer_db {

ErrorCode DatabaseState::Load(const std::filesystem::path& path,
                              std::unique_ptr<DatabaseState>& state) {
    std::unique_ptr<DatabaseState> loaded(new DatabaseState(path));
    if (const ErrorCode error = LoadContents(path, loaded->contents_)) {
        return error;
    }
    state = std::move(loaded);
    return kSuccess;
}

ErrorCode DatabaseState::LoadContents(const std::filesystem::path& path, Contents& contents) {
    contents = Contents{};
    const ErrorCode openError = cfb::CompoundFileReader::Open(path, contents.reader);
    if (openError != kSuccess) {
        return openError == kInstallPackageInvalid ? openError : kOpenFailed;
    }
    const cfb::CompoundFileReader& reader = *contents.reader;
    std::vector<std::byte> pool;
    std::vector<std::byte> data;
    const auto poolIndex = reader.FindChild(0, EncodeStreamName(u"_StringPool", StreamKind::Table));
    const auto dataIndex = reader.FindChild(0, EncodeStreamName(u"_StringData", StreamKind::Table));
    if ((poolIndex && reader.ReadStream(*poolIndex, pool) != kSuccess) ||
        (dataIndex && reader.ReadStream(*dataIndex, data) != kSuccess)) {
        return kInstallPackageInvalid;
    }
    if (const ErrorCode error = StringPool::Parse(pool, data, contents.pool)) {
        return error;
    }
    return TableCatalogue::Load(reader, contents.pool, contents.catalogue);
}

ErrorCode DatabaseState::FindTable(std::u16string_view name, const TableDefinition*& table) const {
    if (!contents_.reader) {
        return kFunctionFailed;
    }
    std::string bytes;
    if (EncodeForCodePage(contents_.pool.CodePage(), name, bytes) != kSuccess) {
        return kBadQuerySyntax;
    }
    table = contents_.catalogue.Find(bytes);
    return table ? kSuccess : kBadQuerySyntax;
}

ErrorCode DatabaseState::TableRows(std::u16string_view tableName, const TableDefinition& table,
                                   std::vector<TableRow>& rows) const {
    const auto edited = changes_.tables.find(std::u16string(tableName));
    if (edited != changes_.tables.end()) {
        rows = edited->second;
        return kSuccess;
    }
    const std::vector<unsigned> widths = table.CellWidths(contents_.pool.ReferenceWidth());
    return ReadTableRows(*contents_.reader, tableName, widths, rows);
}

} // namespace installer_db
