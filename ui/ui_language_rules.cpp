#include "ui_language_rules.h"

namespace kestrow {

namespace {

constexpr std::uint16_t kPrimaryLanguageMask = 0x3FF;

constexpr std::uint16_t kPrimaryChinese = 0x04;
constexpr std::uint16_t kPrimaryGerman = 0x07;
constexpr std::uint16_t kPrimarySpanish = 0x0A;
constexpr std::uint16_t kPrimaryFrench = 0x0C;
constexpr std::uint16_t kPrimaryJapanese = 0x11;

constexpr std::uint16_t kChinesePrc = 0x0804;
constexpr std::uint16_t kGermanGermany = 0x0407;
constexpr std::uint16_t kSpanishModernSort = 0x0C0A;
constexpr std::uint16_t kFrenchFrance = 0x040C;
constexpr std::uint16_t kJapaneseJapan = 0x0411;
constexpr std::uint16_t kEnglishUnitedStates = 0x0409;

} // namespace

std::uint16_t UiLanguageFor(std::uint16_t userDefaultLanguage) {
    switch (userDefaultLanguage & kPrimaryLanguageMask) {
    case kPrimaryChinese:
        return kChinesePrc;
    case kPrimaryGerman:
        return kGermanGermany;
    case kPrimarySpanish:
        return kSpanishModernSort;
    case kPrimaryFrench:
        return kFrenchFrance;
    case kPrimaryJapanese:
        return kJapaneseJapan;
    default:
        return kEnglishUnitedStates;
    }
}

} // namespace kestrow
