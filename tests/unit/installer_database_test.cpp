#include <gtest/gtest.h>

#include <unistd.h>

#include "binary_row.h"
#include "compound_file_reader.h"
#include "compound_file_writer.h"
#include "directory_ids.h"
#include "installer_database.h"
#include "test_support.h"

namespace {

using namespace installer_db;
using kestrow::AssignBinaryRow;
using test_support::PatternBytes;
using test_support::Quoted;
using test_support::RunCommand;
using test_support::ScratchDirectory;

// msiinfo writes the streams of an exported table into the working folder, so it runs
// in a scratch folder of its own.
std::string Msiinfo(const std::string& arguments) {
    const ScratchDirectory workFolder;
    std::string command = "cd ";
    command.append(Quoted(workFolder.Path()));
    command.append(" && " KESTROW_MSIINFO " ");
    command.append(arguments);
    command.append(" 2>/dev/null");
    const auto result = RunCommand(command);
    EXPECT_EQ(result.exitCode, 0) << "msiinfo " << arguments;
    return result.output;
}

std::vector<std::byte> ExtractStream(const std::filesystem::path& database,
                                     const std::string& name) {
    const std::string output = Msiinfo("extract " + Quoted(database) + " " + name);
    std::vector<std::byte> bytes(output.size());
    std::transform(output.begin(), output.end(), bytes.begin(),
                   [](char c) { return static_cast<std::byte>(c); });
    return bytes;
}

// The fixture's streams again, plus a storage with one stream that other writers may
// store after that stream in the directory, as this file does.
void WriteFixtureWithStorageAfterItsStream(const std::filesystem::path& path,
                                           const std::vector<std::byte>& inside) {
    std::unique_ptr<cfb::CompoundFileReader> fixture;
    ASSERT_EQ(cfb::CompoundFileReader::Open(KESTROW_FIXTURE_MSI, fixture), kSuccess);
    cfb::NewCompoundFile content;
    content.root = fixture->Entries()[0].attributes;
    for (std::size_t i = 1; i < fixture->Entries().size(); ++i) {
        ASSERT_EQ(fixture->Entries()[i].parent, 0u);
        cfb::NewEntry stream;
        stream.name = fixture->Entries()[i].name;
        stream.size = fixture->Entries()[i].size;
        ASSERT_EQ(fixture->OpenStream(i, stream.source), kSuccess);
        content.entries.push_back(std::move(stream));
    }
    cfb::NewEntry storage;
    storage.name = u"Embedded";
    storage.type = cfb::EntryType::Storage;
    content.entries.push_back(std::move(storage));
    cfb::NewEntry stream;
    stream.name = u"Inside";
    stream.parent = content.entries.size();
    stream.size = inside.size();
    stream.source = std::make_unique<MemoryByteSource>(inside);
    content.entries.push_back(std::move(stream));
    std::unique_ptr<TemporaryFile> output;
    ASSERT_EQ(TemporaryFile::CreateBeside(path, output), kSuccess);
    ASSERT_EQ(cfb::WriteCompoundFile(content, *output), kSuccess);
    ASSERT_EQ(output->ReplaceTarget(path), kSuccess);
    std::vector<std::byte> bytes = test_support::ReadFile(path);
    const auto last = static_cast<std::uint32_t>(content.entries.size());
    test_support::SwapDirectoryIds(bytes, last - 1, last);
    test_support::WriteFile(path, bytes);
}

class InstallerDatabaseTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::copy_file(KESTROW_FIXTURE_MSI, database);
        original = test_support::ReadFile(database);
    }

    std::vector<std::string> FolderContents() const {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(scratch.Path())) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path WriteInstaller(std::size_t size, unsigned seed) {
        const auto path = scratch / ("installer" + std::to_string(seed) + ".exe");
        test_support::WriteFile(path, PatternBytes(size, seed));
        return path;
    }

    // The database and an executed view on its Binary table, as the builder opens them.
    void OpenBinaryView() {
        ASSERT_EQ(Database::Open(database, OpenMode::Transact, opened), kSuccess);
        ASSERT_EQ(opened->OpenView(L"SELECT * FROM Binary", view), kSuccess);
        ASSERT_EQ(view->Execute(nullptr), kSuccess);
    }

    ScratchDirectory scratch;
    std::filesystem::path database = scratch / "package.msi";
    std::vector<std::byte> original;
    // Declared in this order so that the view closes before its database.
    std::unique_ptr<Database> opened;
    std::unique_ptr<View> view;
};

TEST_F(InstallerDatabaseTest, AssignReplacesTheStreamOfAnExistingRow) {
    const auto installer = WriteInstaller(300000, 1);
    const std::string tablesBefore = Msiinfo("tables " + Quoted(database));
    const std::string binaryBefore = Msiinfo("export " + Quoted(database) + " Binary");
    const std::string propertyBefore = Msiinfo("export " + Quoted(database) + " Property");
    const std::string streamsBefore = Msiinfo("streams " + Quoted(database));

    ASSERT_EQ(AssignBinaryRow(database, L"Corvane", installer), kSuccess);

    EXPECT_EQ(Msiinfo("tables " + Quoted(database)), tablesBefore);
    EXPECT_EQ(Msiinfo("export " + Quoted(database) + " Binary"), binaryBefore);
    EXPECT_EQ(Msiinfo("export " + Quoted(database) + " Property"), propertyBefore);
    EXPECT_EQ(Msiinfo("streams " + Quoted(database)), streamsBefore);
    EXPECT_TRUE(ExtractStream(database, "Binary.Corvane") == test_support::ReadFile(installer));
    EXPECT_TRUE(ExtractStream(database, "Binary.Support") ==
                test_support::ReadFile(std::string(KESTROW_FIXTURE_DATA) + "/Binary/Support.ibd"));
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer1.exe", "package.msi"}));
}

TEST_F(InstallerDatabaseTest, AssignInsertsARowThatIsAbsent) {
    const auto installer = WriteInstaller(5000, 2);
    ASSERT_EQ(AssignBinaryRow(database, L"Added", installer), kSuccess);

    const std::string binary = Msiinfo("export " + Quoted(database) + " Binary");
    EXPECT_NE(binary.find("Added\tBinary.Added"), std::string::npos) << binary;
    EXPECT_NE(binary.find("Corvane\tBinary.Corvane"), std::string::npos) << binary;
    EXPECT_NE(binary.find("Support\tBinary.Support"), std::string::npos) << binary;
    EXPECT_TRUE(ExtractStream(database, "Binary.Added") == test_support::ReadFile(installer));
    EXPECT_TRUE(ExtractStream(database, "Binary.Corvane").empty());
}

TEST_F(InstallerDatabaseTest, UnchangedStreamsAndRootClassAreCopiedExactly) {
    ASSERT_EQ(AssignBinaryRow(database, L"Corvane", WriteInstaller(70000, 3)), kSuccess);
    const auto before = scratch / "before.msi";
    test_support::WriteFile(before, original);
    std::unique_ptr<cfb::CompoundFileReader> oldReader;
    std::unique_ptr<cfb::CompoundFileReader> newReader;
    ASSERT_EQ(cfb::CompoundFileReader::Open(before, oldReader), kSuccess);
    ASSERT_EQ(cfb::CompoundFileReader::Open(database, newReader), kSuccess);
    EXPECT_EQ(oldReader->Entries()[0].attributes.classId,
              newReader->Entries()[0].attributes.classId);
    ASSERT_EQ(oldReader->Entries().size(), newReader->Entries().size());
    const std::u16string corvane =
        newReader
            ->Entries()[*newReader->FindChild(
                0, std::u16string{0x430B, 0x4131, 0x4735, 0x3B3E, 0x4572, 0x4139, 0x4231})]
            .name;
    for (std::size_t i = 1; i < oldReader->Entries().size(); ++i) {
        const auto& name = oldReader->Entries()[i].name;
        const auto match = newReader->FindChild(0, name);
        ASSERT_TRUE(match.has_value());
        if (name == corvane) {
            continue;
        }
        std::vector<std::byte> oldBytes;
        std::vector<std::byte> newBytes;
        ASSERT_EQ(oldReader->ReadStream(i, oldBytes), kSuccess);
        ASSERT_EQ(newReader->ReadStream(*match, newBytes), kSuccess);
        EXPECT_TRUE(oldBytes == newBytes);
    }
}

TEST_F(InstallerDatabaseTest, StoragesKeepTheirStreamsWhereverTheDirectoryHoldsThem) {
    const auto embedded = scratch / "embedded.msi";
    WriteFixtureWithStorageAfterItsStream(embedded, PatternBytes(100, 8));
    const auto installer = WriteInstaller(3000, 8);
    ASSERT_EQ(AssignBinaryRow(embedded, L"Corvane", installer), kSuccess);

    EXPECT_TRUE(ExtractStream(embedded, "Binary.Corvane") == test_support::ReadFile(installer));
    std::unique_ptr<cfb::CompoundFileReader> reader;
    ASSERT_EQ(cfb::CompoundFileReader::Open(embedded, reader), kSuccess);
    const auto storage = reader->FindChild(0, u"Embedded");
    ASSERT_TRUE(storage);
    const auto inside = reader->FindChild(*storage, u"Inside");
    ASSERT_TRUE(inside);
    std::vector<std::byte> insideBytes;
    ASSERT_EQ(reader->ReadStream(*inside, insideBytes), kSuccess);
    EXPECT_TRUE(insideBytes == PatternBytes(100, 8));
}

TEST_F(InstallerDatabaseTest, InstallerLargerThanTheHeaderTablesCanMapIsReadByMsitools) {
    const auto installer = WriteInstaller(9u << 20, 4);
    ASSERT_EQ(AssignBinaryRow(database, L"Corvane", installer), kSuccess);
    EXPECT_TRUE(ExtractStream(database, "Binary.Corvane") == test_support::ReadFile(installer));
}

TEST_F(InstallerDatabaseTest, DatabaseStaysUsableAfterCommit) {
    ASSERT_EQ(Database::Open(database, OpenMode::Transact, opened), kSuccess);
    ASSERT_EQ(opened->OpenView(L"select * from `Binary`", view), kSuccess);
    ASSERT_EQ(view->Execute(nullptr), kSuccess);
    for (unsigned round = 1; round <= 2; ++round) {
        Record record(2);
        ASSERT_EQ(record.SetString(1, L"Corvane"), kSuccess);
        ASSERT_EQ(record.SetStream(2, WriteInstaller(1000 * round, round)), kSuccess);
        ASSERT_EQ(view->Modify(ModifyMode::Assign, record), kSuccess);
        ASSERT_EQ(opened->Commit(), kSuccess);
    }
    EXPECT_TRUE(ExtractStream(database, "Binary.Corvane") == PatternBytes(2000, 2));
}

TEST_F(InstallerDatabaseTest, NothingReachesTheFileWithoutCommit) {
    {
        ASSERT_EQ(Database::Open(database, OpenMode::Transact, opened), kSuccess);
        ASSERT_EQ(opened->OpenView(L"SELECT * FROM Binary", view), kSuccess);
        Record record(2);
        ASSERT_EQ(record.SetString(1, L"Corvane"), kSuccess);
        ASSERT_EQ(record.SetStream(2, WriteInstaller(100, 5)), kSuccess);
        ASSERT_EQ(view->Execute(&record), kSuccess);
        ASSERT_EQ(view->Modify(ModifyMode::Assign, record), kSuccess);
    }
    view.reset();
    opened.reset();
    EXPECT_TRUE(test_support::ReadFile(database) == original);
}

TEST_F(InstallerDatabaseTest, InstallerBeyondTwoGigabytesIsRefusedAndTheFileKept) {
    const auto installer = scratch / "huge.exe";
    test_support::WriteFile(installer, {});
    std::filesystem::resize_file(installer, (std::uintmax_t{1} << 31) + 4096); // sparse
    EXPECT_EQ(AssignBinaryRow(database, L"Corvane", installer), kFunctionFailed);
    EXPECT_TRUE(test_support::ReadFile(database) == original);
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"huge.exe", "package.msi"}));
}

TEST_F(InstallerDatabaseTest, FailedCommitLeavesTheDatabaseUsable) {
    ASSERT_NO_FATAL_FAILURE(OpenBinaryView());
    const auto huge = scratch / "huge.exe";
    test_support::WriteFile(huge, {});
    std::filesystem::resize_file(huge, std::uintmax_t{3} << 30);
    Record tooBig(2);
    ASSERT_EQ(tooBig.SetString(1, L"Corvane"), kSuccess);
    ASSERT_EQ(tooBig.SetStream(2, huge), kSuccess);
    ASSERT_EQ(view->Modify(ModifyMode::Assign, tooBig), kSuccess);
    EXPECT_EQ(opened->Commit(), kFunctionFailed);
    EXPECT_TRUE(test_support::ReadFile(database) == original);

    Record fits(2);
    ASSERT_EQ(fits.SetString(1, L"Corvane"), kSuccess);
    ASSERT_EQ(fits.SetStream(2, WriteInstaller(777, 6)), kSuccess);
    ASSERT_EQ(view->Modify(ModifyMode::Assign, fits), kSuccess);
    ASSERT_EQ(opened->Commit(), kSuccess);
    EXPECT_TRUE(ExtractStream(database, "Binary.Corvane") == PatternBytes(777, 6));
}

// An immutable file cannot be renamed or replaced, as a file held open by another process
// on Windows; root can set the flag on most Linux file systems.
TEST_F(InstallerDatabaseTest, CommitThatCannotReplaceTheFileKeepsItsChangesForTheNext) {
    ASSERT_NO_FATAL_FAILURE(OpenBinaryView());
    Record record(2);
    ASSERT_EQ(record.SetString(1, L"Added"), kSuccess);
    ASSERT_EQ(record.SetStream(2, WriteInstaller(900, 10)), kSuccess);
    ASSERT_EQ(view->Modify(ModifyMode::Assign, record), kSuccess);
    if (RunCommand("chattr +i " + Quoted(database) + " 2>/dev/null").exitCode != 0) {
        GTEST_SKIP() << "the file system cannot make the database immutable";
    }
    const ErrorCode refused = opened->Commit();
    RunCommand("chattr -i " + Quoted(database));
    EXPECT_EQ(refused, kFunctionFailed);
    EXPECT_TRUE(test_support::ReadFile(database) == original);
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer10.exe", "package.msi"}));

    ASSERT_EQ(opened->Commit(), kSuccess);
    const std::string binary = Msiinfo("export " + Quoted(database) + " Binary");
    EXPECT_NE(binary.find("Added\tBinary.Added"), std::string::npos) << binary;
    EXPECT_TRUE(ExtractStream(database, "Binary.Added") == PatternBytes(900, 10));
}

TEST_F(InstallerDatabaseTest, MissingStreamFileIsFileNotFound) {
    Record record(2);
    EXPECT_EQ(record.SetStream(2, scratch / "absent.exe"), kFileNotFound);
    EXPECT_EQ(AssignBinaryRow(database, L"Corvane", scratch / "absent.exe"), kFileNotFound);
    EXPECT_TRUE(test_support::ReadFile(database) == original);
}

TEST_F(InstallerDatabaseTest, OpenReportsMissingAndDamagedFiles) {
    EXPECT_EQ(Database::Open(scratch / "absent.msi", OpenMode::Transact, opened), kOpenFailed);
    EXPECT_EQ(Database::Open(scratch.Path(), OpenMode::Transact, opened), kOpenFailed);
    const auto garbage = scratch / "garbage.msi";
    test_support::WriteFile(garbage, PatternBytes(4096, 9));
    EXPECT_EQ(Database::Open(garbage, OpenMode::Transact, opened), kInstallPackageInvalid);
    EXPECT_FALSE(opened);
}

TEST_F(InstallerDatabaseTest, OnlySelectAllQueriesOnKnownTablesOpen) {
    ASSERT_EQ(Database::Open(database, OpenMode::Transact, opened), kSuccess);
    EXPECT_EQ(opened->OpenView(L"  SeLeCt\t*  FROM   Property ", view), kSuccess);
    EXPECT_EQ(opened->OpenView(L"SELECT * FROM Missing", view), kBadQuerySyntax);
    EXPECT_EQ(opened->OpenView(L"SELECT Name FROM Binary", view), kBadQuerySyntax);
    EXPECT_EQ(opened->OpenView(L"SELECT * FROM Binary WHERE Name = 'x'", view), kBadQuerySyntax);
    EXPECT_EQ(opened->OpenView(L"SELECT * FROMBinary", view), kBadQuerySyntax);
    EXPECT_EQ(opened->OpenView(L"SELECT * FROM `Binary", view), kBadQuerySyntax);
    EXPECT_EQ(opened->OpenView(L"", view), kBadQuerySyntax);
}

TEST_F(InstallerDatabaseTest, RecordsThatDoNotFitTheTableAreRefused) {
    ASSERT_EQ(Database::Open(database, OpenMode::Transact, opened), kSuccess);
    ASSERT_EQ(opened->OpenView(L"SELECT * FROM Binary", view), kSuccess);
    Record record(2);
    ASSERT_EQ(record.SetString(1, L"Corvane"), kSuccess);
    ASSERT_EQ(record.SetStream(2, WriteInstaller(10, 7)), kSuccess);
    EXPECT_EQ(view->Modify(ModifyMode::Assign, record), kFunctionFailed) << "not executed";
    ASSERT_EQ(view->Execute(&record), kSuccess);

    Record threeFields(3);
    ASSERT_EQ(threeFields.SetString(1, L"Corvane"), kSuccess);
    EXPECT_EQ(view->Modify(ModifyMode::Assign, threeFields), kFunctionFailed);
    Record noKey(2);
    ASSERT_EQ(noKey.SetStream(2, WriteInstaller(10, 7)), kSuccess);
    EXPECT_EQ(view->Modify(ModifyMode::Assign, noKey), kFunctionFailed);
    Record swapped(2);
    ASSERT_EQ(swapped.SetString(2, L"Corvane"), kSuccess);
    ASSERT_EQ(swapped.SetStream(1, WriteInstaller(10, 7)), kSuccess);
    EXPECT_EQ(view->Modify(ModifyMode::Assign, swapped), kFunctionFailed);
    EXPECT_EQ(record.SetString(3, L"x"), kInvalidParameter);
    EXPECT_EQ(record.SetStream(3, WriteInstaller(10, 7)), kInvalidParameter);
    EXPECT_EQ(view->Modify(static_cast<ModifyMode>(4), record), kFunctionFailed);
}

} // namespace
