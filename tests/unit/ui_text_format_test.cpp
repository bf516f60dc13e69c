#include <gtest/gtest.h>

#include "ui_text_format.h"

namespace kestrow {
namespace {

TEST(FillPlaceholders, ReplacesEachPlaceInOrder) {
    EXPECT_EQ(FillPlaceholders(L"saved to '%s'.\n\n%s", {L"C:\\out\\Eula.rtf", L"Access denied."}),
              L"saved to 'C:\\out\\Eula.rtf'.\n\nAccess denied.");
}

TEST(FillPlaceholders, ValuesAreInsertedAsPlainText) {
    EXPECT_EQ(FillPlaceholders(L"[%s]", {L"100%s"}), L"[100%s]");
}

TEST(FillPlaceholders, PlacesBeyondTheValuesAndValuesBeyondThePlacesStayAsTheyAre) {
    EXPECT_EQ(FillPlaceholders(L"%s and %s", {L"one"}), L"one and %s");
    EXPECT_EQ(FillPlaceholders(L"no place", {L"unused"}), L"no place");
    EXPECT_EQ(FillPlaceholders(L"", {}), L"");
}

} // namespace
} // namespace kestrow
