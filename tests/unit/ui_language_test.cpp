#include <gtest/gtest.h>

#include "ui_language_rules.h"

namespace kestrow {
namespace {

constexpr std::uint16_t English = 0x0409;

TEST(UiLanguage, EachLanguageWithItsOwnTextsGetsItsOneVariant) {
    EXPECT_EQ(UiLanguageFor(0x0804), 0x0804); // Chinese, People's Republic of China
    EXPECT_EQ(UiLanguageFor(0x0407), 0x0407); // German, Germany
    EXPECT_EQ(UiLanguageFor(0x0C0A), 0x0C0A); // Spanish, modern sort
    EXPECT_EQ(UiLanguageFor(0x040C), 0x040C); // French, France
    EXPECT_EQ(UiLanguageFor(0x0411), 0x0411); // Japanese
}

TEST(UiLanguage, OtherVariantsOfThoseLanguagesGetTheSameVariant) {
    EXPECT_EQ(UiLanguageFor(0x0807), 0x0407); // German, Switzerland
    EXPECT_EQ(UiLanguageFor(0x0C07), 0x0407); // German, Austria
    EXPECT_EQ(UiLanguageFor(0x0404), 0x0804); // Chinese, Taiwan
    EXPECT_EQ(UiLanguageFor(0x0C04), 0x0804); // Chinese, Hong Kong
    EXPECT_EQ(UiLanguageFor(0x040A), 0x0C0A); // Spanish, traditional sort
    EXPECT_EQ(UiLanguageFor(0x080A), 0x0C0A); // Spanish, Mexico
    EXPECT_EQ(UiLanguageFor(0x0C0C), 0x040C); // French, Canada
    EXPECT_EQ(UiLanguageFor(0x0011), 0x0411); // Japanese, neutral sublanguage
    EXPECT_EQ(UiLanguageFor(0xFC07), 0x0407); // every sublanguage bit set
}

TEST(UiLanguage, EveryOtherLanguageGetsUsEnglish) {
    EXPECT_EQ(UiLanguageFor(0x0409), English);
    EXPECT_EQ(UiLanguageFor(0x0809), English); // English, United Kingdom
    EXPECT_EQ(UiLanguageFor(0x0416), English); // Portuguese, Brazil
    EXPECT_EQ(UiLanguageFor(0x0816), English); // Portuguese, Portugal
    EXPECT_EQ(UiLanguageFor(0x0410), English); // Italian
    EXPECT_EQ(UiLanguageFor(0x0419), English); // Russian
    EXPECT_EQ(UiLanguageFor(0x0000), English); // neutral
    EXPECT_EQ(UiLanguageFor(0x0400), English); // neutral primary, default sublanguage
}

TEST(UiLanguage, ThePrimaryLanguageIsTheLowTenBits) {
    EXPECT_EQ(UiLanguageFor(0x0207), English); // primary language 0x207, not German
    EXPECT_EQ(UiLanguageFor(0x0407 | 0x0400), 0x0407);
    EXPECT_EQ(UiLanguageFor(0x0413), English); // Dutch
}

} // namespace
} // namespace kestrow
