#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "string_pool.h"
#include "text_encoding.h"

namespace {

using namespace installer_db;

class PoolBuilder {
public:
    explicit PoolBuilder(std::uint32_t header) { Word(header & 0xFFFF).Word(header >> 16); }

    PoolBuilder& Add(const std::string& text, std::uint16_t references) {
        if (text.size() >= 0x10000) {
            Word(0).Word(static_cast<std::uint32_t>(text.size() >> 16));
        }
        Word(text.size() & 0xFFFF).Word(references);
        for (const char c : text) {
            data.push_back(static_cast<std::byte>(c));
        }
        return *this;
    }
    PoolBuilder& Empty() { return Word(0).Word(0); }

    std::vector<std::byte> pool;
    std::vector<std::byte> data;

private:
    PoolBuilder& Word(std::uint32_t value) {
        pool.push_back(static_cast<std::byte>(value & 0xFF));
        pool.push_back(static_cast<std::byte>((value >> 8) & 0xFF));
        return *this;
    }
};

TEST(StringPool, ParsesIdsCodePageAndReferenceWidth) {
    PoolBuilder builder(1252);
    builder.Add("Binary", 2).Empty().Add("Corvane", 1);
    StringPool pool;
    ASSERT_EQ(StringPool::Parse(builder.pool, builder.data, pool), kSuccess);
    EXPECT_EQ(pool.CodePage(), 1252u);
    EXPECT_EQ(pool.ReferenceWidth(), 2u);
    EXPECT_EQ(pool.Find("Binary"), 1u);
    EXPECT_EQ(pool.Find("Corvane"), 3u);
    EXPECT_FALSE(pool.Lookup(2).has_value());
    EXPECT_FALSE(pool.Lookup(0).has_value());

    PoolBuilder wide(1252 | 0x80000000u);
    StringPool widePool;
    ASSERT_EQ(StringPool::Parse(wide.pool, wide.data, widePool), kSuccess);
    EXPECT_EQ(widePool.ReferenceWidth(), 3u);
    EXPECT_EQ(widePool.CodePage(), 1252u);
}

TEST(StringPool, LongStringsTakeTwoSlotsButOneId) {
    const std::string longText(70000, 'L');
    PoolBuilder builder(1252);
    builder.Add("first", 1).Add(longText, 3).Add("after", 1);
    StringPool pool;
    ASSERT_EQ(StringPool::Parse(builder.pool, builder.data, pool), kSuccess);
    EXPECT_EQ(pool.Lookup(2), std::string_view(longText));
    EXPECT_EQ(pool.Find("after"), 3u);

    std::vector<std::byte> poolBytes;
    std::vector<std::byte> dataBytes;
    pool.Serialize(poolBytes, dataBytes);
    EXPECT_EQ(poolBytes, builder.pool);
    EXPECT_EQ(dataBytes, builder.data);
}

TEST(StringPool, UnchangedPoolSerializesToTheSameBytes) {
    PoolBuilder builder(1252);
    builder.Add("a", 1).Empty().Empty().Add("bcd", 4).Empty();
    StringPool pool;
    ASSERT_EQ(StringPool::Parse(builder.pool, builder.data, pool), kSuccess);
    std::vector<std::byte> poolBytes;
    std::vector<std::byte> dataBytes;
    pool.Serialize(poolBytes, dataBytes);
    EXPECT_EQ(poolBytes, builder.pool);
    EXPECT_EQ(dataBytes, builder.data);
}

TEST(StringPool, ReferencesAreCountedAndFreedSlotsReused) {
    PoolBuilder builder(1252);
    builder.Add("keep", 1).Empty();
    StringPool pool;
    ASSERT_EQ(StringPool::Parse(builder.pool, builder.data, pool), kSuccess);

    std::uint32_t id = 0;
    ASSERT_EQ(pool.AddReference("keep", id), kSuccess);
    EXPECT_EQ(id, 1u);
    ASSERT_EQ(pool.AddReference("new", id), kSuccess);
    EXPECT_EQ(id, 2u) << "the empty slot is reused";
    ASSERT_EQ(pool.AddReference("third", id), kSuccess);
    EXPECT_EQ(id, 3u);
    ASSERT_EQ(pool.ReleaseReference(2), kSuccess);
    EXPECT_FALSE(pool.Find("new").has_value());

    PoolBuilder expected(1252);
    expected.Add("keep", 2).Empty().Add("third", 1);
    std::vector<std::byte> poolBytes;
    std::vector<std::byte> dataBytes;
    pool.Serialize(poolBytes, dataBytes);
    EXPECT_EQ(poolBytes, expected.pool);
    EXPECT_EQ(dataBytes, expected.data);
    EXPECT_EQ(pool.ReleaseReference(2), kFunctionFailed);
}

TEST(StringPool, ReferenceCountOverflowIsRefused) {
    PoolBuilder builder(1252);
    builder.Add("busy", 0xFFFF);
    StringPool pool;
    ASSERT_EQ(StringPool::Parse(builder.pool, builder.data, pool), kSuccess);
    std::uint32_t id = 0;
    EXPECT_EQ(pool.AddReference("busy", id), kFunctionFailed);
}

TEST(StringPool, InconsistentStreamsAreRefused) {
    PoolBuilder builder(1252);
    builder.Add("abc", 1);
    StringPool pool;
    std::vector<std::byte> shortData(builder.data.begin(), builder.data.end() - 1);
    EXPECT_EQ(StringPool::Parse(builder.pool, shortData, pool), kInstallPackageInvalid);
    std::vector<std::byte> longData = builder.data;
    longData.push_back(std::byte{'x'});
    EXPECT_EQ(StringPool::Parse(builder.pool, longData, pool), kInstallPackageInvalid);
    std::vector<std::byte> ragged = builder.pool;
    ragged.push_back(std::byte{0});
    EXPECT_EQ(StringPool::Parse(ragged, builder.data, pool), kInstallPackageInvalid);
    PoolBuilder truncatedLong(1252);
    truncatedLong.Empty();
    truncatedLong.pool[6] = std::byte{1}; // a long-string marker with no second slot
    EXPECT_EQ(StringPool::Parse(truncatedLong.pool, {}, pool), kInstallPackageInvalid);
}

TEST(TextEncoding, Windows1252CoversItsWholeRange) {
    std::string bytes;
    ASSERT_EQ(EncodeForCodePage(1252, u"Caf\u00e9 \u20ac\u2122\u0178", bytes), kSuccess);
    EXPECT_EQ(bytes, "Caf\xe9 \x80\x99\x9f");
    EXPECT_EQ(EncodeForCodePage(1252, u"\u0100", bytes), kFunctionFailed);
    EXPECT_EQ(EncodeForCodePage(1252, u"\u4e2d", bytes), kFunctionFailed);
}

TEST(TextEncoding, NeutralCodePageTakesAsciiOnly) {
    std::string bytes;
    ASSERT_EQ(EncodeForCodePage(0, u"Corvane", bytes), kSuccess);
    EXPECT_EQ(bytes, "Corvane");
    EXPECT_EQ(EncodeForCodePage(0, u"\u00e9", bytes), kFunctionFailed);
}

TEST(TextEncoding, Utf8CodePage) {
    std::string bytes;
    ASSERT_EQ(EncodeForCodePage(65001, u"\u00e9\U0001F600", bytes), kSuccess);
    EXPECT_EQ(bytes, "\xc3\xa9\xf0\x9f\x98\x80");
    EXPECT_EQ(EncodeForCodePage(65001, u"\xd800", bytes), kFunctionFailed);
}

} // namespace
