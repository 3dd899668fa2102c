#include <gtest/gtest.h>

#include <functional>

#include "ConverterSupport.h"
#include "import/PalmDoc.h"
#include "store/FileError.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

void PutU16(std::string& out, size_t at, uint32_t value) {
    out[at] = char(value >> 8);
    out[at + 1] = char(value);
}
void PutU32(std::string& out, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[at + i] = char(value >> (24 - 8 * i));
}

// Record 0 of a PalmDoc: compression, text length, text record count, record size 4096.
std::string DocHeader(uint16_t compression, uint32_t textLength, uint16_t textRecords) {
    std::string header(16, '\0');
    PutU16(header, 0, compression);
    PutU32(header, 4, textLength);
    PutU16(header, 8, textRecords);
    PutU16(header, 10, 4096);
    return header;
}

// A Palm database of type TEXt/REAd holding `records` one after another behind the list.
std::string Database(const std::vector<std::string>& records) {
    std::string pdb(78 + 8 * records.size() + 2, '\0');
    pdb.replace(0, 4, "test");
    pdb.replace(60, 8, "TEXtREAd");
    PutU16(pdb, 76, uint32_t(records.size()));
    size_t offset = pdb.size();
    for (size_t i = 0; i < records.size(); ++i) {
        PutU32(pdb, 78 + 8 * i, uint32_t(offset));
        offset += records[i].size();
    }
    for (const auto& record : records) pdb += record;
    return pdb;
}

// A back reference of the PalmDoc scheme.
std::string Pair(unsigned distance, unsigned length) {
    const unsigned value = 0x8000 | distance << 3 | (length - 3);
    return {char(value >> 8), char(value & 0xFF)};
}

Verdict Decode(const std::string& pdb, std::string& text) {
    return DecodePalmDoc({reinterpret_cast<const uint8_t*>(pdb.data()), pdb.size()}, text);
}

struct DecodeCase {
    const char* name;
    std::vector<std::string> records;  // record 0 first
    std::string text;
};

class PalmDocDecoding : public ::testing::TestWithParam<DecodeCase> {};

TEST_P(PalmDocDecoding, GivesTheText) {
    const DecodeCase& c = GetParam();
    std::string text;
    const Verdict verdict = Decode(Database(c.records), text);
    ASSERT_TRUE(verdict.Ok()) << verdict.message;
    EXPECT_EQ(text, c.text);
}

const std::string kZeros(4, '\0');

INSTANTIATE_TEST_SUITE_P(
    Import, PalmDocDecoding,
    ::testing::Values(
        DecodeCase{"StoredText", {DocHeader(1, 5, 1), "H\x81llo"}, "H\x81llo"},
        DecodeCase{
            "StoredHighBytesAreNotCodes", {DocHeader(1, 4, 1), "\xC1\x80\x01\x02"}, "\xC1\x80\x01\x02"},
        DecodeCase{
            "EveryLineEndIsOneLineFeed", {DocHeader(1, 0, 1), "a\r\nb\rc\nd\r\r\ne"}, "a\nb\nc\nd\n\ne"},
        DecodeCase{"LiteralRunCopiesItsBytes",
                   {DocHeader(2, 0, 1),
                    "\x03x\x80y"
                    "z"},
                   "x\x80yz"},
        DecodeCase{"LiteralRunCutByTheRecordEnd", {DocHeader(2, 0, 2), "a\x05xy", "b"}, "axyb"},
        DecodeCase{"SpaceAndCharacter", {DocHeader(2, 0, 1), "\xE1\xF4"}, " a t"},
        DecodeCase{"OverlappingCopyRepeats", {DocHeader(2, 0, 1), "ab" + Pair(2, 5)}, "abababa"},
        DecodeCase{"BackReferenceBeforeTheStartCopiesNothing",
                   {DocHeader(2, 0, 1), Pair(5, 3) + "a" + Pair(2, 3)},
                   "a"},
        DecodeCase{"DistanceZeroCopiesNothing", {DocHeader(2, 0, 1), "a" + Pair(0, 3) + "b"}, "ab"},
        DecodeCase{"HalfPairAtTheRecordEndDropped", {DocHeader(2, 0, 2), "a\x80", "b"}, "ab"},
        DecodeCase{"ReferencesReachEarlierRecords", {DocHeader(2, 0, 2), "abc", Pair(3, 3)}, "abcabc"},
        DecodeCase{"CopiedLineEndsAreFoldedToo", {DocHeader(2, 0, 1), "x\r\n" + Pair(2, 4)}, "x\n\n\n"},
        DecodeCase{"RecordsAfterTheTextLeftOut",
                   {DocHeader(2, 4, 1), "text", "Mark" + kZeros + kZeros + kZeros + "\x01"},
                   "text"},
        DecodeCase{"NoCountMeansEveryRecord", {DocHeader(2, 2, 0), "a", "b"}, "ab"},
        DecodeCase{"TooLargeCountMeansEveryRecord", {DocHeader(2, 2, 9), "a", "b"}, "ab"},
        DecodeCase{"EmptyRecordAtTheEnd", {DocHeader(1, 1, 2), "a", ""}, "a"}),
    [](const auto& info) { return std::string(info.param.name); });

struct BadCase {
    const char* name;
    std::function<std::string()> make;
    VerdictKind kind;
    std::string field;
};

class PalmDocDamage : public ::testing::TestWithParam<BadCase> {};

TEST_P(PalmDocDamage, IsAVerdict) {
    const BadCase& c = GetParam();
    std::string text;
    const Verdict verdict = Decode(c.make(), text);
    EXPECT_EQ(verdict.kind, c.kind) << verdict.message;
    EXPECT_EQ(verdict.field, c.field);
    EXPECT_EQ(verdict.message.rfind("PalmDoc: ", 0), 0u) << verdict.message;
}

std::string WithOffset(std::string pdb, size_t record, uint32_t offset) {
    PutU32(pdb, 78 + 8 * record, offset);
    return pdb;
}

INSTANTIATE_TEST_SUITE_P(
    Import, PalmDocDamage,
    ::testing::Values(BadCase{"Empty", [] { return std::string(); }, VerdictKind::Truncated,
                              "database header"},
                      BadCase{"HeaderCutShort",
                              [] {
                                  return Database({DocHeader(1, 1, 1), "a"}).substr(0, 77);
                              },
                              VerdictKind::Truncated, "database header"},
                      BadCase{"OneRecordOnly", [] { return Database({DocHeader(1, 0, 0)}); },
                              VerdictKind::Damaged, "record count"},
                      BadCase{"RecordListCutShort",
                              [] {
                                  return Database({DocHeader(1, 1, 1), "a"}).substr(0, 90);
                              },
                              VerdictKind::Truncated, "record list"},
                      BadCase{"RecordListLongerThanTheFile",
                              [] {
                                  std::string pdb = Database({DocHeader(1, 1, 1), "a"});
                                  PutU16(pdb, 76, 5000);
                                  return pdb;
                              },
                              VerdictKind::Truncated, "record list"},
                      BadCase{"FirstTextRecordPastTheEnd",
                              [] {
                                  return WithOffset(Database({DocHeader(1, 1, 1), "a"}), 1, 0x7FFFFFF0);
                              },
                              VerdictKind::Damaged, "record offset"},
                      BadCase{"LaterRecordOffsetPastTheEnd",
                              [] {
                                  return WithOffset(Database({DocHeader(1, 2, 2), "a", "b"}), 2, 100000);
                              },
                              VerdictKind::Damaged, "record offset"},
                      BadCase{"RecordsOutOfOrder",
                              [] {
                                  return WithOffset(Database({DocHeader(1, 2, 2), "aaaa", "b"}), 2, 100);
                              },
                              VerdictKind::Damaged, "record offset"},
                      BadCase{"RecordInsideTheList",
                              [] {
                                  return WithOffset(Database({DocHeader(1, 1, 1), "a"}), 0, 10);
                              },
                              VerdictKind::Damaged, "record offset"},
                      BadCase{"DocumentHeaderTooShort",
                              [] {
                                  return Database({std::string(4, '\0'), "a"});
                              },
                              VerdictKind::Damaged, "record 0"},
                      BadCase{"UnknownCompression",
                              [] {
                                  return Database({DocHeader(17480, 1, 1), "a"});
                              },
                              VerdictKind::Unsupported, "compression"},
                      BadCase{"RecordDecodingPast64KiB",
                              [] {
                                  std::string record = "a";
                                  for (int i = 0; i < 7000; ++i) record += Pair(1, 10);
                                  return Database({DocHeader(2, 0, 1), record});
                              },
                              VerdictKind::Damaged, "text record"}),
    [](const auto& info) { return std::string(info.param.name); });

std::string ReadText(const std::filesystem::path& path) {
    const auto bytes = test::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

// Books made by txt2pdbdoc from real texts, compressed and stored, decode to those texts.
TEST(PalmDocFiles, Txt2pdbdocBooksGiveBackTheirText) {
    if (!test::HaveProgram("txt2pdbdoc")) GTEST_SKIP() << "txt2pdbdoc is not installed";
    test::TempDir dir;
    std::vector<std::filesystem::path> texts = {"/usr/share/common-licenses/GPL-3"};
    const auto cyrillic = test::SharedFixtures("cyrillic");
    if (!cyrillic.empty()) texts.push_back(cyrillic / "ruslan-cp1251.txt");
    // Line ends of every kind, in a text longer than one record.
    std::string mixed;
    for (int i = 0; i < 600; ++i)
        mixed += "line " + std::to_string(i) + (i % 3 == 0 ? "\r\n" : i % 3 == 1 ? "\r" : "\n");
    test::WriteText(dir / "mixed.txt", mixed);
    texts.push_back(dir / "mixed.txt");

    for (const auto& textPath : texts) {
        if (!std::filesystem::exists(textPath)) continue;
        std::string expected = ReadText(textPath);
        for (size_t at = 0; (at = expected.find('\r', at)) != std::string::npos;)
            expected.replace(at, expected.compare(at, 2, "\r\n") == 0 ? 2 : 1, "\n");
        for (const std::string flags : {"", "-c "}) {
            const auto pdb = dir / "book.pdb";
            ASSERT_EQ(
                test::Run("txt2pdbdoc " + flags + "Book '" + textPath.string() + "' '" + pdb.string() + "'"),
                0);
            std::string text;
            const auto bytes = test::ReadBytes(pdb);
            const Verdict verdict = DecodePalmDoc(bytes, text);
            ASSERT_TRUE(verdict.Ok()) << textPath << " " << flags << verdict.message;
            EXPECT_EQ(text, expected) << textPath << " " << flags;
            if (flags.empty()) {
                EXPECT_LT(bytes.size(), expected.size()) << "not compressed";
            }
        }
    }
}

TEST(PalmDocFiles, BookmarksAreNotText) {
    const auto folder = test::SharedFixtures("pdb");
    if (folder.empty()) GTEST_SKIP() << "the shared pdb fixtures are missing";
    std::string text;
    ASSERT_TRUE(DecodePalmDoc(test::ReadBytes(folder / "bookmark_test.pdb"), text).Ok());
    EXPECT_EQ(text.size(), 1224u);  // the text length its header declares
    EXPECT_EQ(text.rfind("Top of Document\n", 0), 0u);
    EXPECT_EQ(text.substr(text.size() - 5), "\n\n<*>");
    // The two bookmark records name "Just Stored" and "Both - Stored".
    EXPECT_EQ(text.find("Just Stored"), std::string::npos);
    EXPECT_EQ(text.find("- Stored"), std::string::npos);
    EXPECT_EQ(text.find('\0'), std::string::npos);
}

TEST(PalmDocFiles, WritesTheTextFileOnlyForAGoodBook) {
    test::TempDir dir;
    const std::string good = Database({DocHeader(2, 0, 1), "ab" + Pair(2, 3) + "\r\n"});
    test::WriteText(dir / "good.pdb", good);
    ASSERT_TRUE(ConvertPalmDoc(dir / "good.pdb", dir / "good.txt").Ok());
    EXPECT_EQ(ReadText(dir / "good.txt"), "ababa\n");

    test::WriteText(dir / "bad.pdb", Database({DocHeader(2, 0, 0)}));
    EXPECT_FALSE(ConvertPalmDoc(dir / "bad.pdb", dir / "bad.txt").Ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "bad.txt"));
    EXPECT_THROW(ConvertPalmDoc(dir / "missing.pdb", dir / "x.txt"), FileError);
}

}  // namespace
}  // namespace corvalin
