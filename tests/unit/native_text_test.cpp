#include <gtest/gtest.h>

#include "native_text.h"

namespace kestrow::native {
namespace {

TEST(NativeText, StrayBytesSurviveTheWayThroughWideText) {
    const std::string name = "a\xFF\xC0\xAF\xED\xA0\x80 Ünïcode \xF0\x9F\x93\xA6";
    EXPECT_EQ(Utf8FromWide(WideFromUtf8(name)), name);
}

// Windows hands its arguments over in UTF-16.
TEST(NativeText, ASurrogatePairBecomesOneCodePoint) {
    EXPECT_EQ(Utf8FromWide(L"x\xD83D\xDCE6"), "x\xF0\x9F\x93\xA6");
}

} // namespace
} // namespace kestrow::native
