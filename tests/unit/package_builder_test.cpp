#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <sstream>

#include "compound_file_reader.h"
#include "compound_file_support.h"
#include "database_writer.h"
#include "directory_ids.h"
#include "installer_error_of.h"
#include "package_builder.h"
#include "test_support.h"

namespace {

using namespace installer_db;
using kestrow::BuildOutcome;
using kestrow::BuildPackageFromTemplate;
using test_support::PatternBytes;
using test_support::Quoted;
using test_support::ReadFile;
using test_support::RunCommand;
using test_support::ScratchDirectory;

// msiinfo writes the streams of an exported table into the working folder, so it runs
// in a scratch folder of its own.
std::string Msiinfo(const std::string& arguments) {
    const ScratchDirectory workFolder;
    const auto result = RunCommand("cd " + Quoted(workFolder.Path()) + " && " KESTROW_MSIINFO " " +
                                   arguments + " 2>/dev/null");
    EXPECT_EQ(result.exitCode, 0) << "msiinfo " << arguments;
    return result.output;
}

std::vector<std::byte> ExtractStream(const std::filesystem::path& database,
                                     const std::string& name) {
    const std::string output = Msiinfo("extract " + Quoted(database) + " " + name);
    const auto* first = reinterpret_cast<const std::byte*>(output.data());
    return std::vector<std::byte>(first, first + output.size());
}

// The fixture's streams again, plus a storage with one stream that other writers may
// store after that stream in the directory, as this database does.
std::vector<std::byte> FixtureWithStorageAfterItsStream(const std::filesystem::path& path,
                                                        const std::vector<std::byte>& inside) {
    std::unique_ptr<cfb::CompoundFileReader> fixture;
    EXPECT_EQ(test_support::OpenCompoundFile(KESTROW_FIXTURE_MSI, fixture), ContainerError::None);
    cfb::NewCompoundFile content;
    EXPECT_EQ(test_support::CopyStreams(*fixture, content), ContainerError::None);
    content.entries.push_back({u"Embedded", cfb::EntryType::Storage, 0, 0, nullptr, {}});
    content.entries.push_back({u"Inside",
                               cfb::EntryType::Stream,
                               content.entries.size(),
                               inside.size(),
                               std::make_unique<MemoryByteSource>(inside),
                               {}});
    EXPECT_EQ(test_support::WriteCompoundFileAt(content, path), ContainerError::None);
    std::vector<std::byte> bytes = ReadFile(path);
    const auto last = static_cast<std::uint32_t>(content.entries.size());
    test_support::SwapDirectoryIds(bytes, last - 1, last);
    return bytes;
}

class PackageBuilderTest : public ::testing::Test {
protected:
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

    BuildOutcome Build(const std::filesystem::path& installer) {
        return BuildPackageFromTemplate(templateBytes, installer, package);
    }

    // A failed build leaves everything in the folder as it was.
    void ExpectFailureKeepsTheFolder(const std::filesystem::path& installer, std::uint32_t result) {
        const auto before = FolderContents();
        const auto packageBefore = ReadFile(package);
        EXPECT_EQ(Build(installer).result, result) << installer;
        EXPECT_EQ(FolderContents(), before);
        EXPECT_TRUE(ReadFile(package) == packageBefore);
    }

    ScratchDirectory scratch;
    std::filesystem::path package = scratch / "package.msi";
    std::vector<std::byte> templateBytes = ReadFile(KESTROW_FIXTURE_MSI);
};

TEST_F(PackageBuilderTest, PackageIsTheTemplateWithTheInstallerInItsRow) {
    const auto installer = WriteInstaller(300000, 1);
    const auto build = Build(installer);
    ASSERT_EQ(build.result, 0u);
    EXPECT_FALSE(build.replaceError);
    for (const std::string listing : {"tables ", "streams "}) {
        EXPECT_EQ(Msiinfo(listing + Quoted(package)), Msiinfo(listing + KESTROW_FIXTURE_MSI));
    }
    for (const std::string table : {"Binary", "Property"}) {
        EXPECT_EQ(Msiinfo("export " + Quoted(package) + " " + table),
                  Msiinfo(std::string("export ") + KESTROW_FIXTURE_MSI + " " + table));
    }
    EXPECT_TRUE(ExtractStream(package, "Binary.Corvane") == ReadFile(installer));
    EXPECT_TRUE(ExtractStream(package, "Binary.Support") ==
                ReadFile(std::string(KESTROW_FIXTURE_DATA) + "/Binary/Support.ibd"));
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer1.exe", "package.msi"}));
}

TEST_F(PackageBuilderTest, UnchangedStreamsAndRootClassAreCopiedExactly) {
    ASSERT_EQ(Build(WriteInstaller(70000, 3)).result, 0u);
    std::unique_ptr<cfb::CompoundFileReader> oldReader;
    std::unique_ptr<cfb::CompoundFileReader> newReader;
    ASSERT_EQ(test_support::OpenCompoundFile(KESTROW_FIXTURE_MSI, oldReader), ContainerError::None);
    ASSERT_EQ(test_support::OpenCompoundFile(package, newReader), ContainerError::None);
    EXPECT_EQ(oldReader->Entries()[0].attributes.classId,
              newReader->Entries()[0].attributes.classId);
    ASSERT_EQ(oldReader->Entries().size(), newReader->Entries().size());
    const std::u16string corvane{0x430B, 0x4131, 0x4735, 0x3B3E, 0x4572, 0x4139, 0x4231};
    for (std::size_t i = 1; i < oldReader->Entries().size(); ++i) {
        const auto& name = oldReader->Entries()[i].name;
        const auto match = newReader->FindChild(0, name);
        ASSERT_TRUE(match.has_value());
        std::vector<std::byte> oldBytes;
        std::vector<std::byte> newBytes;
        ASSERT_EQ(oldReader->ReadStream(i, oldBytes), ContainerError::None);
        ASSERT_EQ(newReader->ReadStream(*match, newBytes), ContainerError::None);
        EXPECT_EQ(oldBytes == newBytes, name != corvane);
    }
}

TEST_F(PackageBuilderTest, StoragesKeepTheirStreamsWhereverTheDirectoryHoldsThem) {
    templateBytes =
        FixtureWithStorageAfterItsStream(scratch / "embedded.msi", PatternBytes(100, 8));
    const auto installer = WriteInstaller(3000, 8);
    ASSERT_EQ(Build(installer).result, 0u);

    EXPECT_TRUE(ExtractStream(package, "Binary.Corvane") == ReadFile(installer));
    std::unique_ptr<cfb::CompoundFileReader> reader;
    ASSERT_EQ(test_support::OpenCompoundFile(package, reader), ContainerError::None);
    const auto storage = reader->FindChild(0, u"Embedded");
    ASSERT_TRUE(storage);
    const auto inside = reader->FindChild(*storage, u"Inside");
    ASSERT_TRUE(inside);
    std::vector<std::byte> insideBytes;
    ASSERT_EQ(reader->ReadStream(*inside, insideBytes), ContainerError::None);
    EXPECT_TRUE(insideBytes == PatternBytes(100, 8));
}

TEST_F(PackageBuilderTest, InstallerLargerThanTheHeaderTablesCanMapIsReadByMsitools) {
    const auto installer = WriteInstaller(9u << 20, 4);
    ASSERT_EQ(Build(installer).result, 0u);
    EXPECT_TRUE(ExtractStream(package, "Binary.Corvane") == ReadFile(installer));
}

// Large enough that the installer is copied in several pieces, each reported.
TEST_F(PackageBuilderTest, ProgressGrowsToThePackageSize) {
    const auto installer = WriteInstaller((150u << 20) + 7, 5);
    std::vector<std::pair<std::uint64_t, std::uint64_t>> reports;
    const auto build = BuildPackageFromTemplate(
        templateBytes, installer, package,
        [&](std::uint64_t written, std::uint64_t total) { reports.emplace_back(written, total); });
    ASSERT_EQ(build.result, 0u);
    ASSERT_GE(reports.size(), 3u);
    for (std::size_t i = 1; i < reports.size(); ++i) {
        EXPECT_GT(reports[i].first, reports[i - 1].first);
        EXPECT_EQ(reports[i].second, reports[0].second);
    }
    EXPECT_EQ(reports.back().first, std::filesystem::file_size(package));
    EXPECT_EQ(reports.back().second, std::filesystem::file_size(package));
}

TEST_F(PackageBuilderTest, ExistingPackageIsReplacedWhole) {
    test_support::WriteFile(package, PatternBytes(5'000'000, 11));
    const auto installer = WriteInstaller(2000, 12);
    ASSERT_EQ(Build(installer).result, 0u);
    EXPECT_TRUE(ExtractStream(package, "Binary.Corvane") == ReadFile(installer));
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer12.exe", "package.msi"}));
}

TEST_F(PackageBuilderTest, FailuresLeaveTheOldPackageAndNoOtherFile) {
    test_support::WriteFile(package, PatternBytes(1000, 13));
    ExpectFailureKeepsTheFolder(scratch / "absent.exe", kFileNotFound);
    ExpectFailureKeepsTheFolder(scratch.Path(), kOpenFailed);
    const auto huge = scratch / "huge.exe";
    test_support::WriteFile(huge, {});
    std::filesystem::resize_file(huge, (std::uintmax_t{1} << 31) + 4096); // sparse
    ExpectFailureKeepsTheFolder(huge, kFunctionFailed);
    EXPECT_EQ(Build(huge).fault, kestrow::BuildFault::InstallerTooLarge);
    const auto pipe = scratch / "pipe.exe";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    ExpectFailureKeepsTheFolder(pipe, kOpenFailed); // at once: no writer is waited for
    EXPECT_EQ(Build(pipe).fault, kestrow::BuildFault::InstallerNotRegular);
    templateBytes = PatternBytes(4096, 14);
    ExpectFailureKeepsTheFolder(WriteInstaller(100, 14), 1);
}

TEST_F(PackageBuilderTest, AnInstallerWrittenToWhileReadFailsTheBuild) {
    test_support::WriteFile(package, PatternBytes(1000, 20));
    const auto before = ReadFile(package);
    const auto installer = WriteInstaller(3 << 20, 21);
    bool appended = false;
    const BuildOutcome outcome = BuildPackageFromTemplate(
        templateBytes, installer, package, [&](std::uint64_t, std::uint64_t) {
            if (!appended) {
                appended = true;
                std::ofstream(installer, std::ios::app) << "more";
            }
        });
    EXPECT_EQ(outcome.fault, kestrow::BuildFault::InstallerChanged);
    EXPECT_TRUE(ReadFile(package) == before);
}

TEST_F(PackageBuilderTest, TheNewPackageKeepsTheOldOnesPermissions) {
    test_support::WriteFile(package, PatternBytes(1000, 22));
    std::filesystem::permissions(package, std::filesystem::perms(0640));
    ASSERT_EQ(Build(WriteInstaller(100, 22)).result, 0u);
    EXPECT_EQ(std::filesystem::status(package).permissions(), std::filesystem::perms(0640));
}

TEST_F(PackageBuilderTest, AReadOnlyPackageIsNotReplaced) {
    test_support::WriteFile(package, PatternBytes(1000, 23));
    std::filesystem::permissions(package, std::filesystem::perms(0444));
    const auto installer = WriteInstaller(100, 23);
    ExpectFailureKeepsTheFolder(installer, 1);
    EXPECT_EQ(Build(installer).replaceError, std::optional<std::uint32_t>(EACCES));
}

TEST_F(PackageBuilderTest, AbandonedPendingFilesGoAndHeldOnesStay) {
    const auto abandoned = scratch / "~kestrow-0123456789ab.tmp";
    const auto held = scratch / "~kestrow-ba9876543210.tmp";
    const auto similar = scratch / "~kestrow-notpending.tmp";
    for (const auto& file : {abandoned, held, similar}) {
        test_support::WriteFile(file, PatternBytes(100, 24));
    }
    const int holder = open(held.c_str(), O_RDONLY);
    ASSERT_EQ(flock(holder, LOCK_EX), 0);
    ASSERT_EQ(Build(WriteInstaller(100, 24)).result, 0u);
    close(holder);
    EXPECT_EQ(FolderContents(),
              (std::vector<std::string>{"installer24.exe", "package.msi", held.filename().string(),
                                        similar.filename().string()}));
}

TEST_F(PackageBuilderTest, PathsThatCannotTakeThePackageGiveOne) {
    const auto installer = WriteInstaller(100, 15);
    std::filesystem::create_directory(package);
    const BuildOutcome blocked = Build(installer);
    EXPECT_EQ(blocked.result, 1u);
    EXPECT_EQ(blocked.replaceError, std::optional<std::uint32_t>(EISDIR));
    EXPECT_TRUE(std::filesystem::is_empty(package));

    const BuildOutcome noFolder =
        BuildPackageFromTemplate(templateBytes, installer, scratch / "absent" / "package.msi");
    EXPECT_EQ(noFolder.result, 1u);
    EXPECT_FALSE(noFolder.replaceError);

    const auto original = ReadFile(installer);
    EXPECT_EQ(BuildPackageFromTemplate(templateBytes, installer, installer).result, 1u);
    EXPECT_TRUE(ReadFile(installer) == original);
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer15.exe", "package.msi"}));
}

// A process killed while it writes leaves nothing behind: the file has no name until it is
// published.
TEST_F(PackageBuilderTest, PendingFileOfAKilledProcessVanishes) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::unique_ptr<PendingFile> file;
        std::uint32_t systemError = 0;
        if (!Failed(PendingFile::CreateFor(package, file, systemError)) &&
            !Failed(file->Write(PatternBytes(3 << 20, 16)))) {
            raise(SIGKILL);
        }
        _exit(1);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL);
    EXPECT_TRUE(FolderContents().empty());
}

// The builder's results and the console's exit codes are these values.
TEST(InstallerErrorOf, GivesEachContainerFailureItsInstallerDatabaseValue) {
    EXPECT_EQ(InstallerErrorOf(ContainerError::None), kSuccess);
    EXPECT_EQ(InstallerErrorOf(ContainerError::NotFound), kFileNotFound);
    EXPECT_EQ(InstallerErrorOf(ContainerError::AccessDenied), kAccessDenied);
    EXPECT_EQ(InstallerErrorOf(ContainerError::OpenFailed), kOpenFailed);
    EXPECT_EQ(InstallerErrorOf(ContainerError::DiskFull), kDiskFull);
    EXPECT_EQ(InstallerErrorOf(ContainerError::Damaged), kInstallPackageInvalid);
    EXPECT_EQ(InstallerErrorOf(ContainerError::TooLarge), kFileTooLarge);
    for (const ContainerError error :
         {ContainerError::ReadFailed, ContainerError::WriteFailed, ContainerError::Refused}) {
        EXPECT_EQ(InstallerErrorOf(error), kFunctionFailed);
    }
}

class StreamRowTest : public PackageBuilderTest {
protected:
    ErrorCode WriteRow(std::u16string_view table, std::u16string_view key,
                       const std::filesystem::path& file, std::vector<RowEdit> edits = {}) {
        std::unique_ptr<cfb::CompoundFileReader> database;
        std::unique_ptr<ReadOnlyFile> stream;
        std::unique_ptr<PendingFile> output;
        std::uint32_t systemError = 0;
        EXPECT_EQ(test_support::OpenCompoundFile(KESTROW_FIXTURE_MSI, database),
                  ContainerError::None);
        EXPECT_EQ(ReadOnlyFile::Open(file, stream, systemError), ContainerError::None);
        EXPECT_EQ(PendingFile::CreateFor(package, output, systemError), ContainerError::None);
        DatabaseChanges changes{{table, key, *stream}, std::move(edits), {}};
        if (const ErrorCode error = WriteChangedDatabase(*database, changes, *output)) {
            return error;
        }
        return InstallerErrorOf(output->Publish(package, systemError));
    }
};

TEST_F(StreamRowTest, AbsentRowIsInsertedBesideTheOthers) {
    const auto installer = WriteInstaller(5000, 2);
    ASSERT_EQ(WriteRow(u"Binary", u"Added", installer), kSuccess);
    const std::string binary = Msiinfo("export " + Quoted(package) + " Binary");
    EXPECT_NE(binary.find("Added\tBinary.Added"), std::string::npos) << binary;
    EXPECT_NE(binary.find("Corvane\tBinary.Corvane"), std::string::npos) << binary;
    EXPECT_NE(binary.find("Support\tBinary.Support"), std::string::npos) << binary;
    EXPECT_TRUE(ExtractStream(package, "Binary.Added") == ReadFile(installer));
    EXPECT_TRUE(ExtractStream(package, "Binary.Corvane").empty());
}

TEST_F(StreamRowTest, RowsThatTheTableCannotHoldAreRefused) {
    const auto file = WriteInstaller(10, 7);
    EXPECT_EQ(WriteRow(u"Missing", u"Corvane", file), kBadQuerySyntax);
    EXPECT_EQ(WriteRow(u"Property", u"Corvane", file), kFunctionFailed);
    EXPECT_EQ(WriteRow(u"Binary", u"", file), kFunctionFailed);
    EXPECT_EQ(WriteRow(u"Binary", u"\u4E2D", file), kFunctionFailed); // not in code page 1252
    EXPECT_EQ(WriteRow(u"Binary", std::u16string(60, u'k'), file), kFunctionFailed);
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer7.exe"}));
}

TEST_F(StreamRowTest, RowEditsPutAndRemoveRowsAsTheReadersSeeThem) {
    const auto installer = WriteInstaller(100, 3);
    const std::vector<RowEdit> edits{
        {RowEdit::Kind::Put, u"Property", {u"ProductName", u"Fabrikam Agent"}},
        {RowEdit::Kind::Put, u"Property", {u"ARPCOMMENTS", u"Fabrikam Agent"}},
        {RowEdit::Kind::Remove, u"Property", {u"ProductVersion"}},
    };
    ASSERT_EQ(WriteRow(u"Binary", u"Corvane", installer, edits), kSuccess);
    std::istringstream exported(Msiinfo("export " + Quoted(package) + " Property"));
    std::vector<std::string> rows;
    for (std::string line; std::getline(exported, line);) {
        rows.push_back(line);
    }
    std::sort(rows.begin() + 3, rows.end());
    EXPECT_EQ(rows, (std::vector<std::string>{
                        "Property\tValue\r", "s72\tl0\r", "Property\tProperty\r",
                        "ARPCOMMENTS\tFabrikam Agent\r", "Manufacturer\tTellwright Corporation\r",
                        "ProductName\tFabrikam Agent\r"}));
    // A string that no cell holds any more leaves the pool.
    const std::vector<std::byte> bytes = ReadFile(package);
    const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
    EXPECT_EQ(text.find("7.0.0.0"), std::string_view::npos);
}

TEST_F(StreamRowTest, RowEditsThatTheTableRefusesWriteNothing) {
    const auto installer = WriteInstaller(10, 4);
    const std::vector<std::vector<RowEdit>> refused{
        {{RowEdit::Kind::Put, u"Property", {u"ProductName", {}}}},
        {{RowEdit::Kind::Put, u"Property", {std::u16string(73, u'P'), u"value"}}},
        {{RowEdit::Kind::Put, u"Property", {u"ProductName", 7}}},
        {{RowEdit::Kind::Put, u"Property", {u"ProductName"}}},
        {{RowEdit::Kind::Remove, u"Property", {u"Absent"}}},
    };
    for (const auto& edits : refused) {
        EXPECT_EQ(WriteRow(u"Binary", u"Corvane", installer, edits), kInvalidData);
    }
    EXPECT_EQ(FolderContents(), (std::vector<std::string>{"installer4.exe"}));
}

} // namespace
