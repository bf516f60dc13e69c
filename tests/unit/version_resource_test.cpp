#include <gtest/gtest.h>

#include <algorithm>
#include <string_view>
#include <utility>
#include <vector>

#include "byte_order.h"
#include "version_resource.h"

namespace {

using namespace kestrow::identity;
using installer_db::StoreU16;
using installer_db::StoreU32;
using Bytes = std::vector<std::byte>;

void Pad(Bytes& bytes) {
    bytes.resize((bytes.size() + 3) & ~std::size_t{3});
}

Bytes Text(std::u16string_view text) {
    Bytes bytes((text.size() + 1) * 2);
    for (std::size_t i = 0; i < text.size(); ++i) {
        StoreU16(bytes, 2 * i, text[i]);
    }
    return bytes;
}

// A block of the version data, placed at a 32-bit boundary as its parent does.
Bytes Block(std::u16string_view key, const Bytes& value, std::uint16_t valueLength,
            const std::vector<Bytes>& children = {}) {
    Bytes block(6);
    const Bytes keyText = Text(key);
    block.insert(block.end(), keyText.begin(), keyText.end());
    Pad(block);
    block.insert(block.end(), value.begin(), value.end());
    for (const Bytes& child : children) {
        Pad(block);
        block.insert(block.end(), child.begin(), child.end());
    }
    StoreU16(block, 0, static_cast<std::uint16_t>(block.size()));
    StoreU16(block, 2, valueLength);
    return block;
}

Bytes Table(std::u16string_view key, std::u16string_view product) {
    const auto entry = [](std::u16string_view name, std::u16string_view text) {
        return Block(name, Text(text), static_cast<std::uint16_t>(text.size() + 1));
    };
    return Block(key, {}, 0,
                 {entry(u"CompanyName", u"Tellwright"), entry(u"ProductName", product),
                  entry(u"ProductVersion", u"2, 5, 1")});
}

Bytes Translation(std::uint16_t language, std::uint16_t codePage) {
    Bytes value(4);
    StoreU32(value, 0, std::uint32_t{codePage} << 16 | language);
    return Block(u"VarFileInfo", {}, 0, {Block(u"Translation", value, 4)});
}

Bytes VersionInfo(const std::vector<Bytes>& children) {
    Bytes fixed(52);
    StoreU32(fixed, 0, 0xFEEF04BD);
    StoreU32(fixed, 16, 0x00020005);
    StoreU32(fixed, 20, 0x00010007);
    return Block(u"VS_VERSION_INFO", fixed, 52, children);
}

Bytes StringsIn(const std::vector<Bytes>& tables) {
    return VersionInfo({Block(u"StringFileInfo", {}, 0, tables)});
}

// A program with one section of resources stored at kResourcesAt: the version directory
// at kTypeEntry's target, then the name and language levels (room for two languages), the
// data entry and the data.
constexpr std::size_t kResourcesAt = 0x200;
constexpr std::size_t kTypeEntry = 0x10;
constexpr std::size_t kNameEntry = 0x28;
constexpr std::size_t kLanguages = 0x30;
constexpr std::size_t kDataEntry = 0x50;
constexpr std::size_t kData = 0x60;

void StoreInResources(Bytes& image, std::size_t at, std::uint32_t value) {
    StoreU32(image, kResourcesAt + at, value);
}

Bytes Program(const Bytes& version, bool pe32Plus = false) {
    Bytes image(kResourcesAt + kData + version.size());
    std::copy(version.begin(), version.end(), image.begin() + kResourcesAt + kData);
    const std::uint16_t optionalSize = pe32Plus ? 240 : 224;
    const std::size_t directories = 0x58 + (pe32Plus ? 112 : 96);
    const std::size_t section = 0x58 + optionalSize;
    // "MZ", where "PE\0\0" is, one section, the optional header's size and kind, its 16
    // directories with resources at 0x1000, and the section that holds them.
    for (const auto& [at, value] : std::initializer_list<std::pair<std::size_t, std::uint32_t>>{
             {0, 0x5A4D},
             {0x3C, 0x40},
             {0x40, 0x4550},
             {0x46, 1},
             {0x54, optionalSize},
             {0x58, pe32Plus ? 0x20Bu : 0x10Bu},
             {directories - 4, 16},
             {directories + 16, 0x1000},
             {section + 12, 0x1000},
             {section + 16, static_cast<std::uint32_t>(image.size())},
             {section + 20, kResourcesAt}}) {
        StoreU32(image, at, value);
    }
    for (const std::size_t directory : {std::size_t{0x00}, std::size_t{0x18}, kLanguages}) {
        StoreInResources(image, directory + 12, 1 << 16); // no named entry, one with an id
    }
    StoreInResources(image, kTypeEntry, 16);
    StoreInResources(image, kTypeEntry + 4, 0x80000018);
    StoreInResources(image, kNameEntry, 1);
    StoreInResources(image, kNameEntry + 4, 0x80000030);
    StoreInResources(image, kLanguages + 16, 0x0409);
    StoreInResources(image, kLanguages + 20, kDataEntry);
    StoreInResources(image, kDataEntry, 0x1000 + kData);
    StoreInResources(image, kDataEntry + 4, static_cast<std::uint32_t>(version.size()));
    return image;
}

VersionResourceFault ReadFrom(const Bytes& file, VersionStrings& strings) {
    const auto read = [&](std::uint64_t offset, std::span<std::byte> buffer) {
        if (offset > file.size() || buffer.size() > file.size() - offset) {
            return false;
        }
        std::copy_n(file.begin() + static_cast<std::ptrdiff_t>(offset), buffer.size(),
                    buffer.begin());
        return true;
    };
    return ReadVersionResource(read, file.size(), strings);
}

VersionResourceFault FaultOf(const Bytes& file) {
    VersionStrings strings;
    return ReadFrom(file, strings);
}

VersionStrings StringsOf(const Bytes& file) {
    VersionStrings strings;
    EXPECT_EQ(ReadFrom(file, strings), VersionResourceFault::None);
    return strings;
}

TEST(VersionResource, ReadsPe32AndPe32Plus) {
    for (const bool pe32Plus : {false, true}) {
        const VersionStrings strings =
            StringsOf(Program(StringsIn({Table(u"040904b0", u"Corvane")}), pe32Plus));
        EXPECT_EQ(strings.productName, "Corvane");
        EXPECT_EQ(strings.companyName, "Tellwright");
        EXPECT_EQ(strings.productVersion, "2, 5, 1");
        EXPECT_EQ(strings.fixedProductVersion, (std::array<std::uint16_t, 4>{2, 5, 1, 7}));
    }
}

TEST(VersionResource, ValueEndsAtItsNulWhateverItsLengthSaysAndLosesWhiteSpace) {
    Bytes value = Text(u"\t Corvane \x3000");
    const Bytes after = Text(u"Setup");
    value.insert(value.end(), after.begin(), after.end());
    const Bytes table = Block(u"040904b0", {}, 0, {Block(u"ProductName", value, 1)});
    EXPECT_EQ(StringsOf(Program(StringsIn({table}))).productName, "Corvane");
}

TEST(VersionResource, ZerosAfterTheLastBlockArePadding) {
    Bytes version = StringsIn({Table(u"040904b0", u"Corvane")});
    version.resize(version.size() + 8);
    StoreU16(version, 0, static_cast<std::uint16_t>(version.size()));
    EXPECT_EQ(StringsOf(Program(version)).productName, "Corvane");
}

TEST(VersionResource, SurrogatesWithoutPartnerBecomeReplacementCharacters) {
    const Bytes table = Table(u"040904b0", u"\xD83D\xDE00\xDC00x\xD800");
    EXPECT_EQ(StringsOf(Program(StringsIn({table}))).productName,
              "\xF0\x9F\x98\x80\xEF\xBF\xBDx\xEF\xBF\xBD");
}

TEST(VersionResource, TakesTheTableTheTranslationNames) {
    const Bytes tables = Block(u"StringFileInfo", {}, 0,
                               {Table(u"040904b0", u"English"), Table(u"040704B0", u"Deutsch")});
    EXPECT_EQ(StringsOf(Program(VersionInfo({tables, Translation(0x0407, 0x04B0)}))).productName,
              "Deutsch");
}

TEST(VersionResource, WithoutTranslationTakesUsEnglishElseTheFirstTable) {
    const Bytes japanese = Table(u"041104b0", u"Japanese");
    EXPECT_EQ(StringsOf(Program(StringsIn({japanese, Table(u"040904e4", u"English")}))).productName,
              "English");
    EXPECT_EQ(StringsOf(Program(StringsIn({japanese, Table(u"040704b0", u"Deutsch")}))).productName,
              "Japanese");
}

TEST(VersionResource, TakesTheUsEnglishResourceOfSeveralLanguages) {
    Bytes image = Program(StringsIn({Table(u"040904b0", u"Corvane")}));
    StoreInResources(image, kLanguages + 12, 2 << 16);
    StoreInResources(image, kLanguages + 16, 0x0407);
    StoreInResources(image, kLanguages + 20, 0x7FFFFFF0); // leads outside the resources
    StoreInResources(image, kLanguages + 24, 0x0409);
    StoreInResources(image, kLanguages + 28, kDataEntry);
    EXPECT_EQ(StringsOf(image).productName, "Corvane");
}

TEST(VersionResource, ResourceWithoutStringsLeavesThemEmpty) {
    const VersionStrings strings = StringsOf(Program(VersionInfo({})));
    EXPECT_TRUE(strings.productName.empty() && strings.companyName.empty() &&
                strings.productVersion.empty());
}

TEST(VersionResource, ProgramWithoutVersionResource) {
    Bytes image = Program(StringsIn({}));
    StoreInResources(image, kTypeEntry, 3); // icons only
    EXPECT_EQ(FaultOf(image), VersionResourceFault::NoVersionResource);
}

TEST(VersionResource, OtherFilesAreNoPrograms) {
    Bytes image = Program(StringsIn({}));
    EXPECT_EQ(FaultOf(Bytes(image.begin(), image.begin() + 0x40)),
              VersionResourceFault::NotAProgram);
    StoreU32(image, 0x40, 0x454E); // "NE": a 16-bit program
    EXPECT_EQ(FaultOf(image), VersionResourceFault::NotAProgram);
}

TEST(VersionResource, TruncatedFileIsDamagedAndGivesNoStrings) {
    Bytes image = Program(StringsIn({Table(u"040904b0", u"Corvane")}));
    image.resize(image.size() - 1);
    VersionStrings strings;
    strings.productName = "Stale";
    EXPECT_EQ(ReadFrom(image, strings), VersionResourceFault::Damaged);
    EXPECT_TRUE(strings.productName.empty());
}

TEST(VersionResource, DirectoryLeadingBackToTheRootIsDamaged) {
    Bytes image = Program(StringsIn({}));
    StoreInResources(image, kNameEntry + 4, 0x80000000);
    EXPECT_EQ(FaultOf(image), VersionResourceFault::Damaged);
}

TEST(VersionResource, LengthsPastTheirPlaceAreDamaged) {
    const Bytes image = Program(StringsIn({Table(u"040904b0", u"Corvane")}));
    // After VS_VERSION_INFO's key and fixed part, then StringFileInfo's key.
    const std::size_t table = kResourcesAt + kData + 0x5C + 0x24;
    for (const std::size_t lengthAt :
         {kResourcesAt + kDataEntry + 4, kResourcesAt + kData, table, table + 0x18}) {
        Bytes damaged = image;
        StoreU16(damaged, lengthAt, 0xFFF0);
        EXPECT_EQ(FaultOf(damaged), VersionResourceFault::Damaged) << lengthAt;
    }
}

TEST(VersionResource, FailedReadIsReported) {
    const auto failing = [](std::uint64_t, std::span<std::byte>) { return false; };
    VersionStrings strings;
    EXPECT_EQ(ReadVersionResource(failing, 0x1000, strings), VersionResourceFault::ReadFailed);
}

} // namespace
