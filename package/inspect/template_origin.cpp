#include "template_origin.h"

#include <algorithm>
#include <map>
#include <memory>

#include "inspect_text.h"
#include "stream_name.h"
#include "summary_stream.h"
#include "text_encoding.h"

namespace kestrow::inspect {

using namespace installer_db;

namespace {

constexpr std::uint32_t kWesternEuropean = 1252;

// Streams that a package has of its own, or whose content is checked elsewhere.
bool IsOwnStream(const std::u16string& name) {
    return name == kSummaryStreamName || name == u"\u0005DigitalSignature" ||
           name == u"\u0005MsiDigitalSignatureEx" || name == InstallerStreamName() ||
           DecodeStreamName(name).kind == StreamKind::Table;
}

std::string RowKey(const TableContents& table, const Row& row) {
    std::string key;
    for (std::size_t column = 0; column < table.keyColumns && column < row.size(); ++column) {
        if (column > 0) {
            key += '/';
        }
        key += CellText(row[column]);
    }
    return key;
}

bool SameColumns(const TableContents& a, const TableContents& b) {
    return std::equal(a.columns.begin(), a.columns.end(), b.columns.begin(), b.columns.end(),
                      [](const ColumnDefinition& x, const ColumnDefinition& y) {
                          return x.name == y.name && x.type == y.type;
                      });
}

std::map<std::string, const Row*> RowsByKey(const TableContents& table) {
    std::map<std::string, const Row*> rows;
    for (const Row& row : table.rows) {
        rows[RowKey(table, row)] = &row;
    }
    return rows;
}

void CompareRows(const std::string& where, const TableContents& expected,
                 const TableContents& package, std::vector<std::string>& differences) {
    const std::map<std::string, const Row*> expectedRows = RowsByKey(expected);
    const std::map<std::string, const Row*> packageRows = RowsByKey(package);
    for (const auto& [key, row] : expectedRows) {
        const auto found = packageRows.find(key);
        if (found == packageRows.end()) {
            differences.push_back(where + ", row " + key + ": missing");
            continue;
        }
        for (std::size_t column = 0; column < row->size(); ++column) {
            if ((*row)[column] != (*found->second)[column]) {
                differences.push_back(
                    where + ", row " + key + ", column " +
                    Utf8(DecodeFromCodePage(kWesternEuropean, expected.columns[column].name)) +
                    ": " + CellText((*found->second)[column]) + " where " +
                    CellText((*row)[column]) + " was expected");
            }
        }
    }
    for (const auto& [key, row] : packageRows) {
        if (!expectedRows.contains(key)) {
            differences.push_back(where + ", row " + key + ": added");
        }
    }
}

bool SameStreamBytes(const cfb::CompoundFileReader& a, std::size_t aIndex,
                     const cfb::CompoundFileReader& b, std::size_t bIndex) {
    std::unique_ptr<ByteSource> aBytes;
    std::unique_ptr<ByteSource> bBytes;
    if (a.Entries()[aIndex].size != b.Entries()[bIndex].size ||
        Failed(a.OpenStream(aIndex, aBytes)) || Failed(b.OpenStream(bIndex, bBytes))) {
        return false;
    }
    std::vector<std::byte> aPiece(64 * 1024);
    std::vector<std::byte> bPiece(aPiece.size());
    for (std::uint64_t left = a.Entries()[aIndex].size; left > 0;) {
        const auto piece = static_cast<std::size_t>(std::min<std::uint64_t>(left, aPiece.size()));
        if (Failed(aBytes->Read(std::span(aPiece).first(piece))) ||
            Failed(bBytes->Read(std::span(bPiece).first(piece))) ||
            !std::equal(aPiece.begin(), aPiece.begin() + static_cast<std::ptrdiff_t>(piece),
                        bPiece.begin())) {
            return false;
        }
        left -= piece;
    }
    return true;
}

// Root entries by name, without the package's own streams.
std::map<std::u16string, std::size_t> ComparedEntries(const cfb::CompoundFileReader& reader) {
    std::map<std::u16string, std::size_t> entries;
    for (std::size_t index = 1; index < reader.Entries().size(); ++index) {
        const cfb::DirectoryEntry& entry = reader.Entries()[index];
        if (entry.parent == 0 && !IsOwnStream(entry.name)) {
            entries[entry.name] = index;
        }
    }
    return entries;
}

} // namespace

std::u16string InstallerStreamName() {
    return EncodeStreamName(u"Binary.Corvane", StreamKind::Other);
}

std::string EntryName(std::u16string_view storedName) {
    return Utf8(DecodeStreamName(storedName).name);
}

std::vector<std::string> TableDifferences(const DatabaseContents& expected,
                                          const DatabaseContents& package) {
    std::vector<std::string> differences;
    for (const auto& [name, table] : expected.tables) {
        const std::string where = "table " + Utf8(name);
        const auto found = package.tables.find(name);
        if (found == package.tables.end()) {
            differences.push_back(where + ": missing");
        } else if (!SameColumns(table, found->second)) {
            differences.push_back(where + ": its columns differ");
        } else {
            CompareRows(where, table, found->second, differences);
        }
    }
    for (const auto& [name, table] : package.tables) {
        if (!expected.tables.contains(name)) {
            differences.push_back("table " + Utf8(name) + ": added");
        }
    }
    return differences;
}

std::vector<std::string> StreamDifferences(const cfb::CompoundFileReader& expected,
                                           const cfb::CompoundFileReader& package) {
    std::vector<std::string> differences;
    const std::map<std::u16string, std::size_t> expectedEntries = ComparedEntries(expected);
    const std::map<std::u16string, std::size_t> packageEntries = ComparedEntries(package);
    for (const auto& [name, index] : expectedEntries) {
        const std::string where = "stream " + EntryName(name);
        const auto found = packageEntries.find(name);
        if (found == packageEntries.end()) {
            differences.push_back(where + ": missing");
        } else if (expected.Entries()[index].type != package.Entries()[found->second].type ||
                   (expected.Entries()[index].type == cfb::EntryType::Stream &&
                    !SameStreamBytes(expected, index, package, found->second))) {
            differences.push_back(where + ": changed");
        }
    }
    for (const auto& [name, index] : packageEntries) {
        if (!expectedEntries.contains(name)) {
            differences.push_back("stream " + EntryName(name) + ": added");
        }
    }
    return differences;
}

} // namespace kestrow::inspect
