#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "byte_order.h"
#include "der_reader.h"
#include "distinguished_name.h"
#include "program_signature.h"
#include "signed_data.h"
#include "test_support.h"

namespace {

using namespace kestrow::signature;
using Bytes = std::vector<std::byte>;

constexpr const char* kSignerA = "CN=Kestrow Test Signer, O=Tellwright Müller GmbH, C=DE";

Bytes Fixture(const std::string& name) {
    return test_support::ReadFile(std::string(KESTROW_FIXTURE_DATA) + "/signature/" + name);
}

SignatureState OfProgram(const Bytes& file, Signer& signer) {
    const auto read = [&](std::uint64_t offset, std::span<std::byte> buffer) {
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                    buffer.begin());
        return true;
    };
    return SignerOfProgram(read, file.size(), signer);
}

// One element, its contents short enough for a one-byte length.
Bytes Der(std::uint8_t tag, const Bytes& contents) {
    Bytes element(2 + contents.size());
    element[0] = std::byte{tag};
    element[1] = static_cast<std::byte>(contents.size());
    std::copy(contents.begin(), contents.end(), element.begin() + 2);
    return element;
}

Bytes Text(std::string_view text) {
    Bytes bytes;
    for (const char c : text) {
        bytes.push_back(static_cast<std::byte>(c));
    }
    return bytes;
}

// A name of one attribute: a UTF8String under the identifier.
Bytes NameOfOne(const Bytes& identifier, std::string_view value) {
    Bytes attribute = Der(0x06, identifier);
    const Bytes text = Der(0x0C, Text(value));
    attribute.resize(attribute.size() + text.size());
    std::copy(text.begin(), text.end(), attribute.end() - static_cast<std::ptrdiff_t>(text.size()));
    return Der(0x30, Der(0x31, Der(0x30, attribute)));
}

TEST(ProgramSignature, NamesTheSignerOfPe32AndPe32Plus) {
    for (const char* name : {"signed-pe32.exe", "signed-pe32plus.exe"}) {
        Signer signer;
        EXPECT_EQ(OfProgram(Fixture(name), signer), SignatureState::Signed) << name;
        EXPECT_EQ(signer.subject, kSignerA) << name;
    }
}

TEST(ProgramSignature, ProgramWithoutCertificateTableIsUnsigned) {
    Signer signer;
    EXPECT_EQ(OfProgram(Fixture("unsigned-pe32plus.exe"), signer), SignatureState::Unsigned);
}

TEST(ProgramSignature, FileWithoutProgramHeadersIsNotAProgram) {
    Signer signer;
    EXPECT_EQ(OfProgram(Fixture("package-signature.p7s"), signer), SignatureState::NotAProgram);
}

TEST(ProgramSignature, TableCutShortByTheFileIsDamaged) {
    Bytes file = Fixture("signed-pe32plus.exe");
    file.resize(file.size() - 16);
    Signer signer;
    EXPECT_EQ(OfProgram(file, signer), SignatureState::Damaged);
    EXPECT_TRUE(signer.subject.empty());
}

TEST(ProgramSignature, TableBeyondTheLimitIsDamagedUnread) {
    Bytes file = Fixture("signed-pe32plus.exe");
    file.resize(kCertificateTableLimit + 4096);
    // The certificate table's size, in the fifth directory entry of the PE32+ optional header.
    const std::uint32_t sizeAt = installer_db::LoadU32(file, 0x3C) + 24 + 112 + 4 * 8 + 4;
    installer_db::StoreU32(file, sizeAt, kCertificateTableLimit + 8);
    Signer signer;
    EXPECT_EQ(OfProgram(file, signer), SignatureState::Damaged);
}

TEST(ProgramSignature, RefusedReadIsReported) {
    const auto refuse = [](std::uint64_t, std::span<std::byte>) { return false; };
    Signer signer;
    EXPECT_EQ(SignerOfProgram(refuse, 4096, signer), SignatureState::ReadFailed);
}

TEST(SignedData, NamesThePackageSignerFromBmpStrings) {
    Signer signer;
    EXPECT_EQ(SignerOfSignedData(Fixture("package-signature.p7s"), signer), SignatureState::Signed);
    EXPECT_EQ(signer.subject, "CN=Kestrow Paquet Signé, O=Société d’Essai Générale, C=FR");
}

TEST(SignedData, FindsTheSignerAmongOtherCertificatesByIssuerAndSerialNumber) {
    Signer signer;
    EXPECT_EQ(SignerOfSignedData(Fixture("signer-by-issuer.p7s"), signer), SignatureState::Signed);
    EXPECT_EQ(signer.subject, kSignerA);
}

TEST(SignedData, FindsTheSignerAmongOtherCertificatesByKeyIdentifier) {
    Signer signer;
    EXPECT_EQ(SignerOfSignedData(Fixture("signer-by-key-identifier.p7s"), signer),
              SignatureState::Signed);
    EXPECT_EQ(signer.subject, kSignerA);
}

TEST(SignedData, MissingSignerCertificateIsDamaged) {
    Signer signer;
    EXPECT_EQ(SignerOfSignedData(Fixture("signer-certificate-missing.p7s"), signer),
              SignatureState::Damaged);
}

TEST(SignedData, TruncatedSignatureIsDamaged) {
    const Bytes whole = Fixture("package-signature.p7s");
    Signer signer;
    EXPECT_EQ(SignerOfSignedData(std::span(whole).first(whole.size() - 1), signer),
              SignatureState::Damaged);
    EXPECT_TRUE(signer.subject.empty());
}

TEST(DistinguishedName, EscapesSeparatorsAndControlCharacters) {
    std::string text;
    ASSERT_TRUE(DistinguishedNameText(NameOfOne(Text("\x55\x04\x03"), "a,b\n\xE2\x80\xAE"), text));
    EXPECT_EQ(text, "CN=a\\,b\\0A\\E2\\80\\AE");
}

TEST(DistinguishedName, MalformedUtf8BecomesReplacementCharacters) {
    std::string text;
    ASSERT_TRUE(
        DistinguishedNameText(NameOfOne(Text("\x55\x04\x03"), "a\xC0\xAF\xED\xA0\x80"), text));
    EXPECT_EQ(text, "CN=a\xEF\xBF\xBD\xEF\xBF\xBD"); // two U+FFFD
}

TEST(DistinguishedName, UnknownAttributeGoesByDottedIdentifier) {
    std::string text;
    ASSERT_TRUE(DistinguishedNameText(NameOfOne(Text("\x2B\x06\x01\x04\x01\x82\x37"), "x"), text));
    EXPECT_EQ(text, "1.3.6.1.4.1.311=x");
}

TEST(DerReader, RefusesNestingBeyondItsLimit) {
    Bytes nested;
    for (unsigned level = 0; level <= DerReader::kDepthLimit; ++level) {
        nested = Der(0x30, nested);
    }
    DerReader reader(nested);
    DerElement element;
    unsigned depth = 0;
    while (reader.Next(element) && reader.Enter(element, reader)) {
        ++depth;
    }
    EXPECT_EQ(depth, DerReader::kDepthLimit);
}

TEST(DerReader, RefusesIndefiniteLength) {
    const Bytes indefinite{std::byte{0x30}, std::byte{0x80}, std::byte{0}, std::byte{0}};
    DerReader reader(indefinite);
    DerElement element;
    EXPECT_FALSE(reader.Next(element));
}

} // namespace
