#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "import/CodepageReader.h"
#include "import/CodepageSource.h"
#include "import/SymbolMapping.h"

namespace corvalin {
namespace {

using Bytes = std::vector<uint8_t>;

std::u16string ReadAllChars(const Bytes& bytes, int32_t codePage, bool twoByteDocument = false) {
    CodepageReader reader(bytes, codePage, twoByteDocument);
    std::u16string text;
    int64_t position = 0;
    while (position < reader.Length()) {
        const int64_t before = position;
        const char16_t unit = reader.ReadChar(position);
        if (position <= before) {
            ADD_FAILURE() << "the position did not move at " << before;
            break;
        }
        if (unit == CodepageReader::kEndOfDocument && position == reader.Length()) break;
        text += unit;
    }
    return text;
}

std::u16string ReadSource(const Bytes& bytes, int32_t codePage, bool twoByteDocument = false) {
    auto source = MakeCodepageSource(Bytes(bytes), codePage, twoByteDocument);
    std::u16string text;
    char16_t block[3];  // small blocks, so that every carry-over between calls is exercised
    while (const size_t n = source->ReadUnits(block, 3)) text.append(block, n);
    return text;
}

struct DecodeCase {
    const char* name;
    Bytes bytes;
    int32_t codePage;
    bool twoByteDocument;
    std::u16string text;
};

class CodepageDecode : public ::testing::TestWithParam<DecodeCase> {};

// The preview's random-access reader and the conversion's forward source read alike.
TEST_P(CodepageDecode, ReaderAndSourceGiveTheText) {
    const DecodeCase& c = GetParam();
    EXPECT_EQ(ReadAllChars(c.bytes, c.codePage, c.twoByteDocument), c.text);
    EXPECT_EQ(ReadSource(c.bytes, c.codePage, c.twoByteDocument), c.text);
}

INSTANTIATE_TEST_SUITE_P(
    Import, CodepageDecode,
    ::testing::Values(
        DecodeCase{"MarkAtStartIsSkipped", {0xFF, 0xFE, 'A', 0, 0xFF, 0xFE, 'B', 0}, -1, false, u"A\uFEFFB"},
        DecodeCase{"BigEndianSwapsEachPair",
                   {0xFE, 0xFF, 0x04, 0x10, 0x04, 0x11, 0, 'z'},
                   -2,
                   false,
                   u"\u0410\u0411z"},
        DecodeCase{"BigEndianMarkReadAsLittleEndianStays", {0xFE, 0xFF, 'A', 0}, -1, false, u"\uFFFEA"},
        DecodeCase{"OddFinalByteIsNotRead", {'A', 0, 'B'}, -1, false, u"A"},
        DecodeCase{"OddFinalByteBigEndian", {0, 'A', 0}, -2, false, u"A"},
        DecodeCase{"ReservedUnitsDropped", {'a', 1, 'b', 2, 'c'}, 1251, false, u"abc"},
        DecodeCase{"ReservedUnitsDroppedInUtf16", {'a', 0, 1, 0, 2, 0, 'b', 0}, -1, false, u"ab"},
        DecodeCase{"SymbolFontAlphaAndDegree",
                   {0x61, 0xF0, 0xB0, 0xF0, 0x7F, 0xF0},
                   -1,
                   false,
                   u"\u03B1\u00B0\uF07F"},
        DecodeCase{"SymbolFontInUtf8", {0xEF, 0x81, 0xA1, 0xEF, 0x82, 0xB0}, 65001, false, u"\u03B1\u00B0"},
        DecodeCase{"Cp1251",
                   {0xCF, 0xF0, 0xE8, 0xE2, 0xE5, 0xF2, 0x20, 0xB8},
                   1251,
                   false,
                   u"\u041F\u0440\u0438\u0432\u0435\u0442 \u0451"},
        DecodeCase{"Cp866",
                   {0x8F, 0xE0, 0xA8, 0xA2, 0xA5, 0xE2},
                   866,
                   false,
                   u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        DecodeCase{"Koi8R",
                   {0xF0, 0xD2, 0xC9, 0xD7, 0xC5, 0xD4},
                   20866,
                   false,
                   u"\u041F\u0440\u0438\u0432\u0435\u0442"},
        DecodeCase{"Ebcdic", {0xC8, 0x85, 0x93, 0x93, 0x96}, 37, false, u"Hello"},
        DecodeCase{"AsciiByteAboveRangeIsReplaced", {'a', 0xC0, 'b'}, 20127, false, u"a\uFFFDb"},
        // Shift-JIS: a lead byte takes the next byte with it, a half-width katakana byte stands
        // alone, and a lead byte at the very end has nothing to pair with.
        DecodeCase{"ShiftJisLeadBytes",
                   {0x82, 0xA0, 0xB1, 'A', 0x83, 0x41, 0x82},
                   932,
                   false,
                   u"\u3042\uFF71A\u30A2\uFFFD"},
        // A lead byte followed by a byte that cannot trail leaves that byte to stand on its own.
        DecodeCase{"ShiftJisBadTrail", {0x82, 0x0A, 'x'}, 932, false, u"\uFFFD\nx"},
        DecodeCase{"Gbk", {0xC4, 0xE3, 0xBA, 0xC3, '!'}, 936, false, u"\u4F60\u597D!"},
        DecodeCase{"Gb18030OutsideTheBmp", {'a', 0x95, 0x32, 0x82, 0x36, 'b'}, 54936, false, u"a\U00020000b"},
        DecodeCase{
            "Utf8MarkAtStartIsSkipped", {0xEF, 0xBB, 0xBF, 'A', 0xEF, 0xBB, 0xBF}, 65001, false, u"A\uFEFF"},
        DecodeCase{
            "Utf8Malformed", {'a', 0xC3, 'b', 0xF0, 0x9F, 0x98, 0x80}, 65001, false, u"a\uFFFDb\U0001F600"},
        DecodeCase{"Iso2022JpKeepsItsState",
                   {0x1B, '$', 'B', 0x24, 0x22, 0x24, 0x24, 0x1B, '(', 'B', 'A'},
                   50220,
                   false,
                   u"\u3042\u3044A"},
        DecodeCase{
            "WordUnicodeExportIgnoresThePage", {0xFF, 0xFE, 0x3F, 0x04, 'x', 0}, 1251, true, u"\u043Fx"},
        // U+FFFF is the preview's end mark, never text.
        DecodeCase{"NoCharacterFFFFIsReplaced", {0xFF, 0xFF, 'a', 0}, -1, false, u"\uFFFDa"},
        DecodeCase{"NoCharacterFFFFInUtf8", {0xEF, 0xBF, 0xBF, 'a'}, 65001, false, u"\uFFFDa"},
        DecodeCase{"EmptyDocument", {}, 1251, false, u""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SymbolMapping, FollowsTheAdobeSymbolTableAndLeavesTheRestAlone) {
    struct Case {
        char16_t unit;
        char16_t mapped;
    };
    for (const Case& c :
         {Case{0xF061, 0x03B1}, Case{0xF0B0, 0x00B0}, Case{0xF020, 0x0020}, Case{0xF044, 0x0394},
          Case{0xF057, 0x03A9}, Case{0xF06D, 0x03BC}, Case{0xF0A0, 0x20AC}, Case{0xF0E2, 0x00AE},
          Case{0xF0F2, 0x222B}, Case{0xF0FE, 0xF8FE},
          // Bytes without a glyph, and units outside the range, stay.
          Case{0xF07F, 0xF07F}, Case{0xF080, 0xF080}, Case{0xF09F, 0xF09F}, Case{0xF0F0, 0xF0F0},
          Case{0xF0FF, 0xF0FF}, Case{0xF01F, 0xF01F}, Case{0xF100, 0xF100}, Case{0x0061, 0x0061}}) {
        EXPECT_EQ(MapSymbolFontUnit(c.unit), c.mapped) << std::hex << int(c.unit);
    }
}

// Damaged input found by fuzzing, where ICU's one-character call and its block conversion
// used to disagree: the preview must show what the conversion makes.
TEST(CodepageReader, PreviewAndConversionAgreeOnDamagedInput) {
    struct Case {
        const char* name;
        int32_t codePage;
        Bytes bytes;
    };
    const std::vector<Case> cases = {
        {"Utf7BrokenBase64", 65000, {0x48, 0x1B, 0x28, 0x4A, 0x69, 0x20, 0x4D, 0x6F, 0x6D, 0x20,
                                     0x2D, 0x2B, 0x4A, 0x4A, 0x69, 0x20, 0x4D, 0x6F, 0x6D, 0x20,
                                     0x2D, 0x2B, 0x6A, 0x6F, 0x2D, 0x2D, 0x21, 0x0A}},
        // A lead byte held back while the bytes before it come out as replacements.
        {"Utf8HeldLeadBytes", 65001, {0xEF, 0xBB, 0xBF, 0x43, 0x61, 0x66, 0xC3, 0xA9, 0x20,
                                      0xF0, 0x9F, 0x98, 0x80, 0x0F, 0xC4, 0x02, 0x05, 0xF2,
                                      0xCC, 0xD5, 0xD3, 0xC1, 0xE3, 0xCE, 0x81, 0x20, 0x0A}},
        {"ShiftJisHeldLeadBytes", 932, {0x81, 0x81, 0xFC, 0x82, 0x0A, 0x82}},
    };
    for (const Case& c : cases) {
        const std::u16string converted = ReadSource(c.bytes, c.codePage);
        EXPECT_FALSE(converted.empty()) << c.name;
        EXPECT_EQ(ReadAllChars(c.bytes, c.codePage), converted) << c.name;
    }
}

TEST(CodepageReader, ReadsFromAnyLineStartOfADoubleBytePage) {
    // Two lines of Shift-JIS: the second starts after the line feed, inside the text.
    const Bytes bytes = {0x82, 0xA0, 0x82, 0xA2, '\n', 0x83, 0x41, 'b'};
    CodepageReader reader(bytes, 932);
    int64_t position = 5;
    EXPECT_EQ(reader.ReadChar(position), u'\u30A2');
    EXPECT_EQ(position, 7);
    EXPECT_EQ(reader.ReadChar(position), u'b');
    EXPECT_EQ(position, 8);
    EXPECT_EQ(reader.ReadChar(position), CodepageReader::kEndOfDocument);
    EXPECT_EQ(position, 8);
    position = 0;
    EXPECT_EQ(reader.ReadChar(position), u'\u3042');
    EXPECT_EQ(position, 2);
}

TEST(CodepageReader, PositionsOutsideTheDocumentEndIt) {
    const Bytes bytes = {'a', 'b'};
    CodepageReader reader(bytes, 1252);
    for (int64_t start : {int64_t(-5), int64_t(2), int64_t(1000)}) {
        int64_t position = start;
        EXPECT_EQ(reader.ReadChar(position), CodepageReader::kEndOfDocument) << start;
        EXPECT_EQ(position, 2) << start;
    }
}

TEST(CodepageReader, APairOutsideTheBmpComesInTwoCalls) {
    const Bytes bytes = {0xF0, 0x9F, 0x98, 0x80, 'x'};
    CodepageReader reader(bytes, 65001);
    int64_t position = 0;
    EXPECT_EQ(reader.ReadChar(position), char16_t(0xD83D));
    EXPECT_EQ(position, 3);
    EXPECT_EQ(reader.ReadChar(position), char16_t(0xDE00));
    EXPECT_EQ(position, 4);
    EXPECT_EQ(reader.ReadChar(position), u'x');
    EXPECT_EQ(position, 5);
}

TEST(CodepageReader, UnlistedCodePagesAreRefused) {
    const Bytes bytes = {'a'};
    EXPECT_THROW(CodepageReader(bytes, 12345), std::invalid_argument);
    EXPECT_THROW(MakeCodepageSource(Bytes(bytes), 1200), std::invalid_argument);
}

// A converted buffer that grows in given pieces, as the markup converter's steps append.
class SteppedUnits : public ConvertedUnits {
public:
    explicit SteppedUnits(std::vector<std::u16string> steps) : steps_(std::move(steps)) {}
    size_t UnitCount() const override { return units_.size(); }
    char16_t UnitAt(size_t index) const override { return units_[index]; }
    bool FullyConverted() const override { return next_ == steps_.size(); }
    void ConvertStep() override { units_ += steps_[next_++]; }
    size_t stepsRun() const { return next_; }

private:
    std::vector<std::u16string> steps_;
    std::u16string units_;
    size_t next_ = 0;
};

TEST(BufferedReader, ConvertsOnDemandAndEndsAtTheSourceLength) {
    // The second step appends nothing (a comment in the markup): the text goes on after it.
    SteppedUnits buffer({u"ab", u"", u"c"});
    const int64_t sourceLength = 40;
    int64_t position = 0;
    EXPECT_EQ(ReadBufferedChar(buffer, sourceLength, position), u'a');
    EXPECT_EQ(buffer.stepsRun(), 1u);
    EXPECT_EQ(ReadBufferedChar(buffer, sourceLength, position), u'b');
    EXPECT_EQ(position, 2);
    EXPECT_EQ(ReadBufferedChar(buffer, sourceLength, position), u'c');
    EXPECT_EQ(position, sourceLength) << "after the last unit a loop up to the source length stops";
    EXPECT_EQ(ReadBufferedChar(buffer, sourceLength, position), 0);
}

}  // namespace
}  // namespace corvalin
