#include <gtest/gtest.h>

#include "inspection_json.h"
#include "inspection_text.h"
#include "template_origin.h"
#include "text_encoding.h"

namespace kestrow {
namespace {

using installer_db::CellValue;
using installer_db::ColumnDefinition;

constexpr std::uint16_t kKeyString = 0x2D48;
constexpr std::uint16_t kString = 0x0D48;

inspect::TableContents PropertyTable(std::vector<inspect::Row> rows) {
    return {{{"Property", kKeyString}, {"Value", kString}}, std::move(rows), 1};
}

TEST(TableDifferences, NameTheTableRowAndColumnOfEachDeparture) {
    inspect::DatabaseContents expected;
    expected.tables[u"Property"] = PropertyTable({{u"A", u"1"}, {u"B", u"2"}, {u"D", CellValue{}}});
    inspect::DatabaseContents package;
    package.tables[u"Property"] = PropertyTable({{u"A", u"1"}, {u"B", u"3"}, {u"C", u"4"}});
    package.tables[u"Extra"] = PropertyTable({});
    EXPECT_EQ(
        inspect::TableDifferences(expected, package),
        (std::vector<std::string>{"table Property, row B, column Value: 3 where 2 was expected",
                                  "table Property, row D: missing", "table Property, row C: added",
                                  "table Extra: added"}));
    EXPECT_TRUE(inspect::TableDifferences(expected, expected).empty());
}

TEST(DecodeFromCodePage, EveryByteOf1252HasItsCharacterAndOthersOnlyAscii) {
    EXPECT_EQ(installer_db::DecodeFromCodePage(1252, "\x80\x81 \xE9"), u"\u20AC\u0081 \u00E9");
    EXPECT_EQ(installer_db::DecodeFromCodePage(932, "a\x82\xA0"), u"a\uFFFD\uFFFD");
}

TEST(InspectionOutput, TextFromAPackageCannotBreakTheLinesOrTheJson) {
    EXPECT_EQ(native::JsonString("a\"b\\c\n\x01\xFF\xC3\xA9"),
              "\"a\\\"b\\\\c\\u000A\\u0001\xEF\xBF\xBD\xC3\xA9\"");
    EXPECT_EQ(native::PrintableText("x\ny\x1B[31m"), "x\\x0Ay\\x1B[31m");
    inspect::PackageReport report;
    report.fault = "line\nbreak";
    const std::string json = native::InspectionJson("p\n.msi", report);
    EXPECT_EQ(json.find('\n'), json.size() - 1);
    EXPECT_EQ(native::InspectionText("p.msi", report), "p.msi: damaged: line\\x0Abreak\n");
}

TEST(InspectionOutput, APackageThatDepartsListsTenPlacesAndCountsTheRest) {
    inspect::PackageReport report;
    report.verdict = inspect::Verdict::NotKestrowPackage;
    for (int row = 0; row < 12; ++row) {
        report.differences.push_back("table T, row " + std::to_string(row) + ": added");
    }
    const std::string text = native::InspectionText("p.msi", report);
    EXPECT_EQ(text.rfind("p.msi: not a Kestrow package\n", 0), 0u);
    EXPECT_NE(text.find("row 9: added\n"), std::string::npos);
    EXPECT_EQ(text.find("row 10: added"), std::string::npos);
    EXPECT_NE(text.find("and 2 more\n"), std::string::npos);
    EXPECT_NE(native::InspectionJson("p.msi", report).find("row 11: added"), std::string::npos);
}

} // namespace
} // namespace kestrow
