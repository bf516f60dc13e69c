#include "database_state.h"

#include "compound_file_writer.h"
#include "stream_name.h"

namespace installer_db {

namespace {

struct ReplacementStream {
    std::unique_ptr<ByteSource> source;
    std::uint64_t size = 0;
};

// Every stream whose content differs from the old file's, by encoded name; an entry
// without a source stands for a stream that is to disappear.
class Replacements {
public:
    void Add(std::u16string name, std::vector<std::byte> bytes) {
        const std::uint64_t size = bytes.size();
        streams_[std::move(name)] = {std::make_unique<MemoryByteSource>(std::move(bytes)), size};
    }

    ErrorCode AddFile(std::u16string name, std::shared_ptr<const ReadOnlyFile> file) {
        std::uint64_t size = 0;
        if (const ErrorCode error = file->QuerySize(size)) {
            return error;
        }
        streams_[std::move(name)] = {std::make_unique<FileByteSource>(std::move(file)), size};
        return kSuccess;
    }

    void Remove(std::u16string name) { streams_[std::move(name)] = {}; }

    ReplacementStream* Find(const std::u16string& name) {
        const auto found = streams_.find(name);
        return found == streams_.end() ? nullptr : &found->second;
    }

    // Moves the streams not yet taken into the new file, at its root.
    void AppendRemaining(cfb::NewCompoundFile& content) {
        for (auto& [name, stream] : streams_) {
            if (stream.source) {
                AppendStream(content, name, 0, std::move(stream));
            }
        }
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
            ReplacementStream* replacement = newParent == 0 ? replacements.Find(old.name) : nullptr;
            if (old.type == cfb::EntryType::Storage) {
                content.entries.push_back(
                    {old.name, old.type, newParent, 0, nullptr, old.attributes});
                storages.emplace_back(index, content.entries.size());
            } else if (replacement) {
                if (replacement->source) {
                    Replacements::AppendStream(content, old.name, newParent,
                                               std::move(*replacement), old.attributes);
                }
                *replacement = {};
            } else {
                ReplacementStream copy{nullptr, old.size};
                if (const ErrorCode error = reader.OpenStream(index, copy.source)) {
                    return error;
                }
                Replacements::AppendStream(content, old.name, newParent, std::move(copy),
                                           old.attributes);
            }
        }
    }
    return kSuccess;
}

} // namespace

ErrorCode DatabaseState::WriteNewFile(TemporaryFile& output) {
    Replacements replacements;
    const unsigned referenceWidth = contents_.pool.ReferenceWidth();
    for (const auto& [tableName, rows] : changes_.tables) {
        const TableDefinition* table = nullptr;
        if (const ErrorCode error = FindTable(tableName, table)) {
            return error;
        }
        std::u16string name = EncodeStreamName(tableName, StreamKind::Table);
        if (rows.empty()) {
            replacements.Remove(std::move(name)); // a table without rows has no stream
        } else {
            replacements.Add(std::move(name),
                             EncodeTableRows(rows, table->CellWidths(referenceWidth)));
        }
    }
    if (changes_.poolChanged) {
        std::vector<std::byte> pool;
        std::vector<std::byte> data;
        contents_.pool.Serialize(pool, data);
        replacements.Add(EncodeStreamName(u"_StringPool", StreamKind::Table), std::move(pool));
        replacements.Add(EncodeStreamName(u"_StringData", StreamKind::Table), std::move(data));
    }
    for (const std::u16string& name : changes_.removedStreams) {
        replacements.Remove(name);
    }
    for (const auto& [name, file] : changes_.streams) {
        if (const ErrorCode error = replacements.AddFile(name, file)) {
            return error;
        }
    }
    cfb::NewCompoundFile content;
    content.root = contents_.reader->Entries()[0].attributes;
    if (const ErrorCode error = CopyTree(*contents_.reader, replacements, content)) {
        return error;
    }
    replacements.AppendRemaining(content);
    return cfb::WriteCompoundFile(content, output);
}

ErrorCode DatabaseState::Commit() {
    if (!contents_.reader) {
        return kFunctionFailed;
    }
    std::unique_ptr<TemporaryFile> output;
    if (TemporaryFile::CreateBeside(path_, output) != kSuccess) {
        return kFunctionFailed;
    }
    if (const ErrorCode error = WriteNewFile(*output)) {
        return error == kDiskFull ? error : kFunctionFailed;
    }
    // The old file must be closed before it can be replaced; whatever happens, the
    // database is then read again from the path, new or old. The pending rows refer to
    // strings of the edited pool, so when the old file stays, that pool stays with them.
    StringPool editedPool = std::move(contents_.pool);
    contents_ = Contents{};
    const ErrorCode replaceError = output->ReplaceTarget(path_);
    const ErrorCode reloadError = LoadContents(path_, contents_);
    if (replaceError != kSuccess) {
        contents_.pool = std::move(editedPool);
        return kFunctionFailed;
    }
    changes_ = Changes{};
    return reloadError == kSuccess ? kSuccess : kFunctionFailed;
}

} // namespace installer_db
