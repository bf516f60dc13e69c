#include <gtest/gtest.h>

#include "compound_file_reader.h"
#include "compound_file_support.h"
#include "stream_name.h"

namespace {

using namespace installer_db;

TEST(StreamName, EncodesTableNamesWithThePrefixAndPairs) {
    EXPECT_EQ(EncodeStreamName(u"Binary", StreamKind::Table),
              (std::u16string{0x4840, 0x430B, 0x4131, 0x4735}));
}

TEST(StreamName, EncodesRowStreamNames) {
    EXPECT_EQ(EncodeStreamName(u"Binary.Corvane", StreamKind::Other),
              (std::u16string{0x430B, 0x4131, 0x4735, 0x3B3E, 0x4572, 0x4139, 0x4231}));
}

TEST(StreamName, OddLengthEndsWithASingleCharacterUnit) {
    // '_' is 63 and 's' is 54: "_Tables" ends on a lone 's'.
    const std::u16string encoded = EncodeStreamName(u"_Tables", StreamKind::Table);
    ASSERT_EQ(encoded.size(), 5u);
    EXPECT_EQ(encoded.back(), 0x4800 + 54);
}

TEST(StreamName, CharactersOutsideTheSetStayAsTheyAre) {
    EXPECT_EQ(EncodeStreamName(u"\x0005SummaryInformation", StreamKind::Other).front(), 0x0005);
    const std::u16string encoded = EncodeStreamName(u"a-b", StreamKind::Other);
    EXPECT_EQ(encoded, (std::u16string{0x4800 + 36, u'-', 0x4800 + 37}));
}

TEST(StreamName, DecodeReversesEncode) {
    for (const std::u16string name :
         {u"Binary.Corvane", u"Icon.ARPPRODUCTICON.exe", u"_StringPool", u"a-b c",
          u"\x0005SummaryInformation", u"x", u"Name.With.Dots_and_underscores09"}) {
        for (const StreamKind kind : {StreamKind::Table, StreamKind::Other}) {
            const DecodedStreamName decoded = DecodeStreamName(EncodeStreamName(name, kind));
            EXPECT_EQ(decoded.name, name);
            EXPECT_EQ(decoded.kind, kind);
        }
    }
}

TEST(StreamName, MatchesTheNamesMsitoolsWrites) {
    std::unique_ptr<cfb::CompoundFileReader> reader;
    ASSERT_EQ(test_support::OpenCompoundFile(KESTROW_FIXTURE_MSI, reader), ContainerError::None);
    for (const auto& [name, kind] : {std::pair{u"Binary", StreamKind::Table},
                                     {u"_StringPool", StreamKind::Table},
                                     {u"_Columns", StreamKind::Table},
                                     {u"Binary.Corvane", StreamKind::Other},
                                     {u"Binary.Support", StreamKind::Other}}) {
        EXPECT_TRUE(reader->FindChild(0, EncodeStreamName(name, kind)).has_value());
    }
}

} // namespace
