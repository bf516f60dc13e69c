#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "byte_order.h"
#include "compound_file_support.h"
#include "summary_information.h"
#include "test_support.h"

namespace {

using namespace installer_db;
using test_support::Quoted;
using test_support::RunCommand;
using test_support::ScratchDirectory;

// Stored under its own name: the installer packs only the names of tables and their streams.
const std::u16string kStreamName = u"\x0005SummaryInformation";

std::vector<std::byte> FixtureStream() {
    std::unique_ptr<cfb::CompoundFileReader> reader;
    EXPECT_EQ(test_support::OpenCompoundFile(KESTROW_FIXTURE_MSI, reader), ContainerError::None);
    std::vector<std::byte> bytes;
    EXPECT_EQ(reader->ReadStream(reader->FindChild(0, kStreamName).value(), bytes),
              ContainerError::None);
    return bytes;
}

SummaryInformation FixtureSummary() {
    SummaryInformation summary;
    EXPECT_EQ(SummaryInformation::Parse(FixtureStream(), summary), kSuccess);
    return summary;
}

// The fixture's streams, its summary information replaced.
void WriteFixtureWith(const std::vector<std::byte>& summary, const std::filesystem::path& path) {
    std::unique_ptr<cfb::CompoundFileReader> fixture;
    ASSERT_EQ(test_support::OpenCompoundFile(KESTROW_FIXTURE_MSI, fixture), ContainerError::None);
    cfb::NewCompoundFile content;
    ASSERT_EQ(test_support::CopyStreams(*fixture, content), ContainerError::None);
    for (cfb::NewEntry& stream : content.entries) {
        if (stream.name == kStreamName) {
            stream.size = summary.size();
            stream.source = std::make_unique<MemoryByteSource>(summary);
        }
    }
    ASSERT_EQ(test_support::WriteCompoundFileAt(content, path), ContainerError::None);
}

std::string Suminfo(const std::filesystem::path& database) {
    const auto result = RunCommand(KESTROW_MSIINFO " suminfo " + Quoted(database) + " 2>/dev/null");
    EXPECT_EQ(result.exitCode, 0);
    return result.output;
}

void ReplaceLine(std::string& text, const std::string& line, const std::string& replacement) {
    const auto start = text.find(line + "\n");
    ASSERT_NE(start, std::string::npos) << line;
    text.replace(start, line.size(), replacement);
}

TEST(SummaryInformation, WritesAnUnchangedStreamAsItWas) {
    const std::vector<std::byte> stream = FixtureStream();
    SummaryInformation summary;
    ASSERT_EQ(SummaryInformation::Parse(stream, summary), kSuccess);
    EXPECT_EQ(summary.Serialize(), stream);
}

TEST(SummaryInformation, ChangedStringsReadBackWithMsiinfo) {
    SummaryInformation summary = FixtureSummary();
    const std::string oldTitle = summary.Text(kSummaryTitle).value();
    const std::string oldPackageCode = summary.Text(kSummaryRevisionNumber).value();
    const std::string title = "Corvane Setup, packaged for silent installation";
    const std::string packageCode = "{8C3E1F2A-5B7D-4E90-A1C6-3D2B4F6E8A01}";
    ASSERT_EQ(summary.SetText(kSummaryTitle, title), kSuccess);
    ASSERT_EQ(summary.SetText(kSummaryRevisionNumber, packageCode), kSuccess);
    const ScratchDirectory scratch;
    WriteFixtureWith(summary.Serialize(), scratch / "changed.msi");

    std::string expected = Suminfo(KESTROW_FIXTURE_MSI);
    ReplaceLine(expected, "Title: " + oldTitle, "Title: " + title);
    ReplaceLine(expected, "Revision number (UUID): " + oldPackageCode,
                "Revision number (UUID): " + packageCode);
    EXPECT_EQ(Suminfo(scratch / "changed.msi"), expected);
}

TEST(SummaryInformation, AddedStringsReadBackBesideTheOthers) {
    SummaryInformation summary = FixtureSummary();
    const std::uint32_t comments = 6;
    ASSERT_FALSE(summary.Text(comments).has_value());
    ASSERT_EQ(summary.SetText(comments, "Runs Setup.exe silently"), kSuccess);
    SummaryInformation reread;
    ASSERT_EQ(SummaryInformation::Parse(summary.Serialize(), reread), kSuccess);
    EXPECT_EQ(reread.Text(comments), "Runs Setup.exe silently");
    EXPECT_EQ(reread.Text(kSummaryAuthor), summary.Text(kSummaryAuthor));
    EXPECT_EQ(reread.Serialize(), summary.Serialize());
}

TEST(SummaryInformation, RefusesStringsWhereAnotherTypeBelongs) {
    SummaryInformation summary = FixtureSummary();
    const std::uint32_t pageCount = 14; // an integer in every database
    EXPECT_EQ(summary.SetText(pageCount, "200"), kFunctionFailed);
    EXPECT_EQ(summary.SetText(kSummaryCodePage, "1252"), kFunctionFailed);
    EXPECT_EQ(summary.SetText(kSummaryTitle, std::string("a\0b", 3)), kInvalidParameter);
    EXPECT_FALSE(summary.Text(pageCount).has_value());
}

TEST(SummaryInformation, StreamsThatDoNotAddUpAreInvalid) {
    const std::vector<std::byte> stream = FixtureStream();
    SummaryInformation summary;
    for (std::size_t size = 0; size < stream.size(); ++size) {
        EXPECT_EQ(SummaryInformation::Parse(std::span(stream).first(size), summary),
                  kInstallPackageInvalid)
            << size << " bytes";
    }
    const std::size_t section = LoadU32(stream, 44);
    const std::size_t firstValue = section + LoadU32(stream, section + 12);
    const std::size_t firstString = firstValue + 4;
    // (offset, new 32-bit value): the section in the header, a count beyond the section, a
    // value inside the offset table, an unknown type, a string past the end, one without its NUL.
    const std::vector<std::pair<std::size_t, std::uint32_t>> damages = {
        {44, 8},          {section + 4, 1000}, {section + 12, 8},
        {firstValue, 31}, {firstString, 5000}, {firstString, LoadU32(stream, firstString) - 1}};
    for (const auto& [offset, value] : damages) {
        std::vector<std::byte> damaged = stream;
        StoreU32(damaged, offset, value);
        EXPECT_EQ(SummaryInformation::Parse(damaged, summary), kInstallPackageInvalid)
            << offset << " set to " << value;
    }
}

} // namespace
