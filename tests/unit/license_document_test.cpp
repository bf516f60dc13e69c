#include <gtest/gtest.h>

#include "license_document_rules.h"

#include <cstdint>
#include <numeric>
#include <vector>

namespace kestrow {
namespace {

std::vector<std::uint8_t> Document(std::size_t size) {
    std::vector<std::uint8_t> bytes(size);
    std::iota(bytes.begin(), bytes.end(), std::uint8_t{1});
    return bytes;
}

// Streams a document the way a rich edit control does: pieces of one capacity until a call
// hands over nothing. Returns the size of every call's piece, the final empty one included.
std::vector<std::int32_t> StreamAll(const std::vector<std::uint8_t>& document,
                                    std::int32_t& position, std::int32_t capacity,
                                    std::vector<std::uint8_t>& received) {
    std::vector<std::int32_t> pieces;
    std::vector<std::uint8_t> buffer(static_cast<std::size_t>(capacity));
    const auto size = static_cast<std::int32_t>(document.size());
    for (int call = 0; call < 1000; ++call) {
        const std::int32_t count =
            TakeLicensePiece(document.data(), size, position, buffer.data(), capacity);
        pieces.push_back(count);
        received.insert(received.end(), buffer.begin(), buffer.begin() + count);
        if (count == 0) {
            break;
        }
    }
    return pieces;
}

TEST(LicenseStream, ASmallDocumentComesInOnePieceThenAnEmptyOne) {
    const std::vector<std::uint8_t> document = Document(300);
    std::int32_t position = 0;
    std::vector<std::uint8_t> received;
    EXPECT_EQ(StreamAll(document, position, 4096, received), (std::vector<std::int32_t>{300, 0}));
    EXPECT_EQ(received, document);
    EXPECT_EQ(position, 300);
}

TEST(LicenseStream, AnExactMultipleOfTheCapacityEndsOnlyWithACallThatFindsNothing) {
    const std::vector<std::uint8_t> document = Document(3 * 1024);
    std::int32_t position = 0;
    std::vector<std::uint8_t> received;
    EXPECT_EQ(StreamAll(document, position, 1024, received),
              (std::vector<std::int32_t>{1024, 1024, 1024, 0}));
    EXPECT_EQ(received, document);
}

TEST(LicenseStream, ALargerDocumentEndsWithTheRemainder) {
    const std::vector<std::uint8_t> document = Document(7111);
    std::int32_t position = 0;
    std::vector<std::uint8_t> received;
    EXPECT_EQ(StreamAll(document, position, 4096, received),
              (std::vector<std::int32_t>{4096, 3015, 0}));
    EXPECT_EQ(received, document);
}

TEST(LicenseStream, ASecondOpeningStartsAgainFromTheStart) {
    const std::vector<std::uint8_t> document = Document(5000);
    std::int32_t position = 0;
    std::vector<std::uint8_t> first;
    StreamAll(document, position, 4096, first);
    position = 0; // what the window does before each stream-in
    std::vector<std::uint8_t> second;
    EXPECT_EQ(StreamAll(document, position, 4096, second),
              (std::vector<std::int32_t>{4096, 904, 0}));
    EXPECT_EQ(second, document);
}

TEST(LicenseStream, AMissingDocumentHandsOverNothingWhateverTheSizeSays) {
    std::vector<std::uint8_t> buffer(64, 0xAA);
    std::int32_t position = 0;
    EXPECT_EQ(TakeLicensePiece(nullptr, 7111, position, buffer.data(), 64), 0);
    EXPECT_EQ(position, 0);
    EXPECT_EQ(buffer, std::vector<std::uint8_t>(64, 0xAA));
}

TEST(LicenseStream, APositionOutsideTheDocumentHandsOverNothing) {
    const std::vector<std::uint8_t> document = Document(100);
    std::vector<std::uint8_t> buffer(64);
    std::int32_t beyond = 150;
    EXPECT_EQ(TakeLicensePiece(document.data(), 100, beyond, buffer.data(), 64), 0);
    EXPECT_EQ(beyond, 150);
    std::int32_t negative = -5;
    EXPECT_EQ(TakeLicensePiece(document.data(), 100, negative, buffer.data(), 64), 0);
}

TEST(LicenseSave, StopsBeforeTheFirstNul) {
    const std::vector<std::uint8_t> document{'{', '\\', 'r', 't', 'f', '1', '}', 0};
    const auto saved = LicenseTextToSave(document);
    EXPECT_EQ(std::vector<std::uint8_t>(saved.begin(), saved.end()),
              (std::vector<std::uint8_t>{'{', '\\', 'r', 't', 'f', '1', '}'}));
}

TEST(LicenseSave, AnInnerNulCutsTheTextShort) {
    const std::vector<std::uint8_t> document{'a', 'b', 0, 'c', 0};
    EXPECT_EQ(LicenseTextToSave(document).size(), 2U);
}

TEST(LicenseSave, ADocumentWithoutNulIsSavedWholeAndNoDocumentSavesNothing) {
    const std::vector<std::uint8_t> document{'a', 'b', 'c'};
    EXPECT_EQ(LicenseTextToSave(document).size(), 3U);
    EXPECT_TRUE(LicenseTextToSave({}).empty());
}

} // namespace
} // namespace kestrow
