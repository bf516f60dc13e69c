#include "database_writer.h"

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "compound_file_writer.h"
#include "installer_error_of.h"
#include "stream_name.h"
#include "string_pool.h"
#include "table_catalogue.h"
#include "text_encoding.h"

namespace installer_db {

namespace {

struct ReplacementStream {
    std::unique_ptr<ByteSource> source;
    std::uint64_t size = 0;
};

// Every root-level stream whose content differs from the old database's, by encoded name.
class Replacements {
public:
    void Add(std::u16string name, std::vector<std::byte> bytes) {
        const std::uint64_t size = bytes.size();
        streams_[std::move(name)] = {std::make_unique<MemoryByteSource>(std::move(bytes)), size};
    }

    void Add(RootStream stream) {
        streams_[std::move(stream.name)] = {std::move(stream.source), stream.size};
    }

    ErrorCode AddFile(std::u16string name, const ReadOnlyFile& file) {
        std::uint64_t size = 0;
        if (const ContainerError error = file.QuerySize(size); Failed(error)) {
            return InstallerErrorOf(error);
        }
        streams_[std::move(name)] = {std::make_unique<FileByteSource>(file), size};
        return kSuccess;
    }

    // Hands out the replacement for an old stream once; later calls find nothing.
    std::unique_ptr<ReplacementStream> Take(const std::u16string& name) {
        const auto found = streams_.find(name);
        if (found == streams_.end()) {
            return nullptr;
        }
        auto taken = std::make_unique<ReplacementStream>(std::move(found->second));
        streams_.erase(found);
        return taken;
    }

    // Moves the streams that replaced nothing into the new file, at its root.
    void AppendRemaining(cfb::NewCompoundFile& content) {
        for (auto& [name, stream] : streams_) {
            AppendStream(content, name, 0, std::move(stream));
        }
        streams_.clear();
    }

    static void AppendStream(cfb::NewCompoundFile& content, const std::u16string& name,
                             std::size_t parent, ReplacementStream stream,
                             const cfb::EntryAttributes& attributes = {}) {
        cfb::NewEntry entry;
        entry.name = name;
        entry.type = cfb::EntryType::Stream;
        entry.parent = parent;
        entry.size = stream.size;
        entry.source = std::move(stream.source);
        entry.attributes = attributes;
        content.entries.push_back(std::move(entry));
    }

private:
    std::map<std::u16string, ReplacementStream> streams_;
};

// Copies the old file's tree, storages before their contents, with the root-level
// streams in replacements taking the place of the old ones.
ErrorCode CopyTree(const cfb::CompoundFileReader& reader, Replacements& replacements,
                   cfb::NewCompoundFile& content) {
    const auto& entries = reader.Entries();
    std::vector<std::vector<std::size_t>> children(entries.size());
    for (std::size_t i = 1; i < entries.size(); ++i) {
        children[entries[i].parent].push_back(i);
    }
    std::vector<std::pair<std::size_t, std::size_t>> storages{{0, 0}}; // (old index, new parent)
    for (std::size_t next = 0; next < storages.size(); ++next) {
        const auto [storage, newParent] = storages[next];
        for (const std::size_t index : children[storage]) {
            const cfb::DirectoryEntry& old = entries[index];
            if (old.type == cfb::EntryType::Storage) {
                content.entries.push_back(
                    {old.name, old.type, newParent, 0, nullptr, old.attributes});
                storages.emplace_back(index, content.entries.size());
                continue;
            }
            std::unique_ptr<ReplacementStream> replacement =
                newParent == 0 ? replacements.Take(old.name) : nullptr;
            ReplacementStream copy{nullptr, old.size};
            if (!replacement) {
                if (const ContainerError error = reader.OpenStream(index, copy.source);
                    Failed(error)) {
                    return InstallerErrorOf(error);
                }
            }
            Replacements::AppendStream(content, old.name, newParent,
                                       replacement ? std::move(*replacement) : std::move(copy),
                                       old.attributes);
        }
    }
    return kSuccess;
}

bool IsKeyAndStreamTable(const TableDefinition& table) {
    return table.columns.size() == 2 && table.columns[0].Kind() == ColumnKind::String &&
           table.columns[0].IsKey() && table.columns[1].Kind() == ColumnKind::Stream;
}

// Gives the keyed row a stream, adding the row, and its key to the pool, when it is new.
// Rows stay ordered by their key cells, as the installer service keeps them.
ErrorCode AssignRow(const std::string& key, StringPool& pool, std::vector<TableRow>& rows,
                    bool& tableChanged, bool& poolChanged) {
    constexpr std::uint32_t kStreamPresent = 1;
    const std::optional<std::uint32_t> keyId = pool.Find(key);
    const auto existing = std::find_if(
        rows.begin(), rows.end(), [&](const TableRow& row) { return keyId && row[0] == *keyId; });
    if (existing != rows.end()) {
        tableChanged = tableChanged || (*existing)[1] != kStreamPresent;
        (*existing)[1] = kStreamPresent;
        return kSuccess;
    }
    std::uint32_t id = 0;
    if (pool.AddReference(key, id) != kSuccess) {
        return kFunctionFailed;
    }
    const TableRow row{id, kStreamPresent};
    rows.insert(std::upper_bound(rows.begin(), rows.end(), row,
                                 [](const TableRow& a, const TableRow& b) { return a[0] < b[0]; }),
                row);
    tableChanged = poolChanged = true;
    return kSuccess;
}

std::u16string RowStreamName(const StreamRow& row) {
    return EncodeStreamName(std::u16string(row.table) + u"." + std::u16string(row.key),
                            StreamKind::Other);
}

// The tables the changes touch, each read once and written once, after every change.
class ChangedTables {
public:
    ChangedTables(const cfb::CompoundFileReader& database, const TableCatalogue& catalogue,
                  StringPool& pool)
        : database_(database), catalogue_(catalogue), pool_(pool) {}

    ErrorCode AssignStreamRow(const StreamRow& row) {
        std::string key;
        ChangedTable* table = nullptr;
        if (const ErrorCode error = Load(row.table, table)) {
            return error;
        }
        if (!IsKeyAndStreamTable(*table->definition) || row.key.empty() ||
            EncodeForCodePage(pool_.CodePage(), row.key, key) != kSuccess ||
            RowStreamName(row).size() > cfb::kMaxNameUnits) {
            return kFunctionFailed;
        }
        return AssignRow(key, pool_, table->rows, table->changed, poolChanged_);
    }

    ErrorCode Apply(const RowEdit& edit) {
        ChangedTable* table = nullptr;
        if (const ErrorCode error = Load(edit.table, table)) {
            return error;
        }
        table->changed = poolChanged_ = true;
        return ApplyRowEdits(*table->definition, {&edit, 1}, pool_, table->rows);
    }

    void AddStreamsTo(Replacements& replacements) const {
        for (const auto& [name, table] : tables_) {
            if (table.changed) {
                replacements.Add(EncodeStreamName(name, StreamKind::Table),
                                 EncodeTableRows(table.rows, table.widths));
            }
        }
        if (poolChanged_) {
            std::vector<std::byte> poolBytes;
            std::vector<std::byte> dataBytes;
            pool_.Serialize(poolBytes, dataBytes);
            replacements.Add(EncodeStreamName(u"_StringPool", StreamKind::Table),
                             std::move(poolBytes));
            replacements.Add(EncodeStreamName(u"_StringData", StreamKind::Table),
                             std::move(dataBytes));
        }
    }

private:
    struct ChangedTable {
        const TableDefinition* definition = nullptr;
        std::vector<unsigned> widths;
        std::vector<TableRow> rows;
        bool changed = false;
    };

    ErrorCode Load(std::u16string_view name, ChangedTable*& table) {
        const auto known = tables_.find(std::u16string(name));
        if (known != tables_.end()) {
            table = &known->second;
            return kSuccess;
        }
        std::string bytes;
        ChangedTable loaded;
        if (EncodeForCodePage(pool_.CodePage(), name, bytes) != kSuccess ||
            (loaded.definition = catalogue_.Find(bytes)) == nullptr) {
            return kBadQuerySyntax;
        }
        loaded.widths = loaded.definition->CellWidths(pool_.ReferenceWidth());
        if (const ErrorCode error = ReadTableRows(database_, name, loaded.widths, loaded.rows)) {
            return error;
        }
        table = &(tables_[std::u16string(name)] = std::move(loaded));
        return kSuccess;
    }

    const cfb::CompoundFileReader& database_;
    const TableCatalogue& catalogue_;
    StringPool& pool_;
    std::map<std::u16string, ChangedTable> tables_;
    bool poolChanged_ = false;
};

} // namespace

ErrorCode WriteChangedDatabase(const cfb::CompoundFileReader& database, DatabaseChanges& changes,
                               PendingFile& output) {
    StringPool pool;
    TableCatalogue catalogue;
    if (const ErrorCode error = LoadDatabaseCatalogue(database, pool, catalogue)) {
        return error;
    }
    // Cells come and go only where rows change; their strings' counts must then be right,
    // which not every writer's are (msitools stores 1 for every string).
    if (!changes.rowEdits.empty()) {
        if (const ErrorCode error = RecountStrings(database, catalogue, pool)) {
            return error;
        }
    }
    ChangedTables tables(database, catalogue, pool);
    if (const ErrorCode error = tables.AssignStreamRow(changes.row)) {
        return error;
    }
    for (const RowEdit& edit : changes.rowEdits) {
        if (const ErrorCode error = tables.Apply(edit)) {
            return error;
        }
    }
    Replacements replacements;
    tables.AddStreamsTo(replacements);
    if (const ErrorCode error =
            replacements.AddFile(RowStreamName(changes.row), changes.row.file)) {
        return error;
    }
    for (RootStream& stream : changes.streams) {
        replacements.Add(std::move(stream));
    }
    cfb::NewCompoundFile content;
    content.root = database.Entries()[0].attributes;
    if (const ErrorCode error = CopyTree(database, replacements, content)) {
        return error;
    }
    replacements.AppendRemaining(content);
    return InstallerErrorOf(cfb::WriteCompoundFile(content, output));
}

} // namespace installer_db
