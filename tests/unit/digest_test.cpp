#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "hex.h"
#include "sha1.h"
#include "sha256.h"
#include "sha256_blocks.h"
#include "test_support.h"

namespace {

using namespace kestrow::digest;

std::span<const std::byte> BytesOf(const std::string& text) {
    return std::as_bytes(std::span(text.data(), text.size()));
}

template <typename Hash> std::string HexDigest(Hash hash, std::span<const std::byte> message) {
    hash.Update(message);
    return ToHex(hash.Finish());
}

// FIPS 180-4's examples; the 448-bit one fills a block so that the length needs another.
struct KnownAnswer {
    std::string message;
    std::string sha256;
    std::string sha1;
};
const std::vector<KnownAnswer>& KnownAnswers() {
    static const std::vector<KnownAnswer> answers = {
        {"", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855",
         "da39a3ee5e6b4b0d3255bfef95601890afd80709"},
        {"abc", "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad",
         "a9993e364706816aba3e25717850c26c9cd0d89d"},
        {"abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq",
         "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1",
         "84983e441c3bd26ebaae4aa1f95129e5e54670f1"},
        {std::string(1000000, 'a'),
         "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0",
         "34aa973cd4c4daa4f61eeb2bdbad27316534016f"},
    };
    return answers;
}

TEST(Digest, Sha256GivesTheKnownAnswers) {
    for (const KnownAnswer& answer : KnownAnswers()) {
        EXPECT_EQ(HexDigest(Sha256(), BytesOf(answer.message)), answer.sha256)
            << answer.message.size() << " bytes";
    }
}

TEST(Digest, Sha1GivesTheKnownAnswers) {
    for (const KnownAnswer& answer : KnownAnswers()) {
        EXPECT_EQ(HexDigest(Sha1(), BytesOf(answer.message)), answer.sha1)
            << answer.message.size() << " bytes";
    }
}

// Pieces that end inside a block, on its edge and beyond it.
template <typename Hash> std::string HexDigestInPieces(std::span<const std::byte> message) {
    Hash hash;
    for (std::size_t start = 0, piece = 1; start < message.size(); start += piece, piece += 7) {
        hash.Update(message.subspan(start, std::min(piece, message.size() - start)));
    }
    return ToHex(hash.Finish());
}

TEST(Digest, PiecesGiveTheDigestOfTheWhole) {
    const std::vector<std::byte> message = test_support::PatternBytes(5000, 3);
    EXPECT_EQ(HexDigestInPieces<Sha256>(message), HexDigest(Sha256(), message));
    EXPECT_EQ(HexDigestInPieces<Sha1>(message), HexDigest(Sha1(), message));
}

TEST(Digest, ShaExtensionsAgreeWithThePortableCode) {
    const Sha256BlockFunction extensions = detail::ShaExtensionsBlockFunction();
    if (extensions == nullptr) {
        GTEST_SKIP() << "this processor has no SHA extensions";
    }
    std::mt19937 random(20261210);
    for (int run = 0; run < 200; ++run) {
        const std::size_t length = std::uniform_int_distribution<std::size_t>(0, 300)(random);
        const std::vector<std::byte> message = test_support::PatternBytes(length, random());
        EXPECT_EQ(HexDigest(Sha256(extensions), message),
                  HexDigest(Sha256(detail::CompressSha256Portably), message))
            << length << " bytes";
    }
}

} // namespace
