#include <gtest/gtest.h>

#include <vector>

#include "marked_publish.h"

namespace installer_db {
namespace {

constexpr std::uint32_t kSharingViolation = 32;

// A file system as the publish step sees it: a mark that a clear may or may not take, and a
// rename that answers in turn from a list of results, then succeeds.
struct FileSystemAnswers {
    bool clearTakes = true;
    std::vector<std::uint32_t> renameResults;
    bool marked = true;
    int renames = 0;
    std::chrono::milliseconds waited{0};

    MarkedFileCalls Calls() {
        return {
            [this](bool mark) {
                marked = mark || !clearTakes;
                return 0u;
            },
            [this](bool& pending) {
                pending = marked;
                return 0u;
            },
            [this] {
                const std::size_t turn = static_cast<std::size_t>(renames++);
                return turn < renameResults.size() ? renameResults[turn] : 0u;
            },
            [this](std::chrono::milliseconds pause) { waited += pause; },
        };
    }
};

TEST(MarkedPublish, AClearThatDoesNotTakeStopsBeforeTheRename) {
    FileSystemAnswers files;
    files.clearTakes = false;
    std::uint32_t systemError = 0;
    EXPECT_EQ(PublishMarkedFile(files.Calls(), systemError), ContainerError::WriteFailed);
    EXPECT_EQ(systemError, kDeletePending);
    EXPECT_EQ(files.renames, 0);
    EXPECT_TRUE(files.marked);
}

TEST(MarkedPublish, AFileHeldForAMomentIsRenamedOnceFree) {
    FileSystemAnswers files;
    files.renameResults = {kSharingViolation, 5};
    std::uint32_t systemError = 0;
    EXPECT_EQ(PublishMarkedFile(files.Calls(), systemError), ContainerError::None);
    EXPECT_EQ(files.renames, 3);
    EXPECT_FALSE(files.marked);
}

TEST(MarkedPublish, AFileHeldLongerIsGivenUpAfterTheRetryPeriod) {
    FileSystemAnswers files;
    files.renameResults.assign(1000, kSharingViolation);
    std::uint32_t systemError = 0;
    EXPECT_EQ(PublishMarkedFile(files.Calls(), systemError), ContainerError::AccessDenied);
    EXPECT_EQ(systemError, kSharingViolation);
    EXPECT_EQ(files.waited, kRenameRetryPeriod);
    EXPECT_TRUE(files.marked);
}

TEST(MarkedPublish, OtherRenameFailuresAreNotRetried) {
    FileSystemAnswers files;
    files.renameResults = {3}; // ERROR_PATH_NOT_FOUND
    std::uint32_t systemError = 0;
    EXPECT_EQ(PublishMarkedFile(files.Calls(), systemError), ContainerError::AccessDenied);
    EXPECT_EQ(files.renames, 1);
}

} // namespace
} // namespace installer_db
