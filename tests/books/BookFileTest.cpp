#include <gtest/gtest.h>

#include <cstring>
#include <functional>

#include "books/BookFile.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::OpenedBook;
using test::TempDir;

const std::string kText = "Chapter 1\n\n    It was a dark night.\nThe wind blew.\n";

void PutInt32(std::vector<uint8_t>& bytes, size_t at, int32_t value) {
    for (int i = 0; i < 4; ++i) bytes[at + i] = uint8_t(uint32_t(value) >> (8 * i));
}

struct DamageCase {
    const char* name;
    std::function<void(std::vector<uint8_t>&, const BookHeader&)> damage;
    VerdictKind expected;
    const char* field;
};

class DamagedBook : public ::testing::TestWithParam<DamageCase> {};

TEST_P(DamagedBook, IsRejectedWithTheRightVerdict) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    BookHeader header;
    {
        OpenedBook book(path);
        header = book.header;
    }
    auto bytes = test::ReadBytes(path);
    GetParam().damage(bytes, header);
    test::WriteBytes(path, bytes);
    OpenedBook book(path);
    const Verdict verdict = book.Check();
    EXPECT_EQ(verdict.kind, GetParam().expected) << verdict;
    EXPECT_EQ(verdict.field, GetParam().field) << verdict;
}

INSTANTIATE_TEST_SUITE_P(
    Books, DamagedBook,
    ::testing::Values(
        DamageCase{"Signature", [](auto& b, auto&) { b[3] ^= 0x20; }, VerdictKind::NotThisFormat,
                   "signature"},
        DamageCase{"SignatureTerminator", [](auto& b, auto&) { b[15] = 'x'; }, VerdictKind::NotThisFormat,
                   "signature"},
        DamageCase{"TextStart", [](auto& b, auto&) { PutInt32(b, 16, 41); }, VerdictKind::NotThisFormat,
                   "text start"},
        DamageCase{"TooFewParagraphs", [](auto& b, auto&) { PutInt32(b, 24, 1); }, VerdictKind::NotThisFormat,
                   "paragraph count"},
        DamageCase{"TooFewLines", [](auto& b, auto&) { PutInt32(b, 32, 1); }, VerdictKind::NotThisFormat,
                   "line count"},
        DamageCase{"TextEndAtStart", [](auto& b, auto&) { PutInt32(b, 20, 40); }, VerdictKind::NotThisFormat,
                   "text end"},
        DamageCase{"HugeParagraphCountWraps",
                   [](auto& b, auto& h) { PutInt32(b, 24, h.paragraphCount + 0x40000000); },
                   VerdictKind::NotThisFormat, "line table offset"},
        DamageCase{"LineTableOffset", [](auto& b, auto& h) { PutInt32(b, 28, h.lineTableOffset + 4); },
                   VerdictKind::NotThisFormat, "line table offset"},
        DamageCase{"StoreOffset", [](auto& b, auto& h) { PutInt32(b, 36, h.storeOffset + 1); },
                   VerdictKind::NotThisFormat, "record store offset"},
        DamageCase{"StoreBeyondEnd", [](auto& b, auto& h) { b.resize(size_t(h.storeOffset) - 1); },
                   VerdictKind::NotThisFormat, "record store offset"},
        DamageCase{"TooShortForAHeader", [](auto& b, auto&) { b.resize(20); }, VerdictKind::NotThisFormat,
                   "paragraph count"},
        DamageCase{"FlippedTextByte", [](auto& b, auto&) { b[45] ^= 1; }, VerdictKind::Damaged,
                   "head digest"},
        DamageCase{"FlippedTableByte", [](auto& b, auto& h) { b[size_t(h.textEnd) + 1] ^= 1; },
                   VerdictKind::Damaged, "head digest"},
        DamageCase{"FlippedStoreByte", [](auto& b, auto& h) { b[size_t(h.storeOffset) + 3] ^= 1; },
                   VerdictKind::Damaged, "record store digest"},
        DamageCase{"FlippedLastByte", [](auto& b, auto&) { b.back() ^= 0x80; }, VerdictKind::Damaged,
                   "record store digest"},
        DamageCase{"TruncatedDigest", [](auto& b, auto&) { b.pop_back(); }, VerdictKind::Damaged,
                   "record store digest"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(BookFile, FreshBookHoldsItsRecords) {
    TempDir dir;
    OpenedBook book(test::BuildBookFromUtf8(dir, kText));
    ASSERT_EQ(book.Check(), VerdictKind::Ok);
    VEMOpt store;
    LoadBookStore(book.file, book.header.storeOffset, store);
    EXPECT_EQ(store.GetInt(kTagPosition, -1), 40);
    EXPECT_EQ(store.GetInt(kTagPositionFraction, -1), 16384);
    EXPECT_EQ(store.Find(kTagPositionFraction)->ValueLength(), 2u);
    EXPECT_EQ(store.GetWideString(kTagSourceName, u""), u"source.txt");
    EXPECT_EQ(store.GetInt(kTagSourceSize, -1), int32_t(kText.size()));
    EXPECT_EQ(store.GetInt(kTagFormattingMode, -1), 1);
    EXPECT_EQ(store.GetInt(kTagProportional, -1), 1);
    EXPECT_EQ(store.Find(kTagAuthor), nullptr);
    ASSERT_NE(store.Find(kTagHeadings), nullptr);
    EXPECT_EQ(store.Find(kTagHeadings)->ValueLength(), 0u);
}

TEST(BookFile, RewritingThePositionKeepsTheHead) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    const auto before = test::ReadBytes(path);
    int64_t storeOffset = 0;
    {
        OpenedBook book(path);
        storeOffset = book.header.storeOffset;
        VEMOpt store;
        LoadBookStore(book.file, storeOffset, store);
        store.SetInt(kTagPosition, 0x123456);  // 1 byte becomes 3
        RewriteBookStore(book.file, store);
        EXPECT_EQ(book.Check(), VerdictKind::Ok);
    }
    const auto after = test::ReadBytes(path);
    ASSERT_EQ(after.size(), before.size() + 2);
    EXPECT_TRUE(std::equal(before.begin(), before.begin() + storeOffset, after.begin()));
    EXPECT_FALSE(std::equal(before.end() - 16, before.end(), after.end() - 16));
}

// A store in the earlier encoding: 16-bit keys and lengths, end mark 0xFFFF.
std::vector<uint8_t> LegacyStore() {
    std::vector<uint8_t> s = {0, 0, 0, 0};                         // root key, empty value
    s.insert(s.end(), {1, 0, 2, 0, 0x2A, 0x01, 0xFF, 0xFF});       // tag 1 = 0x012A
    s.insert(s.end(), {48, 0, 4, 0, 'A', 0, 'n', 0, 0xFF, 0xFF});  // author "An"
    s.insert(s.end(), {0xFF, 0xFF});
    return s;
}

void ReplaceStore(const std::filesystem::path& path, const std::vector<uint8_t>& store,
                  const DigestSeed& seed) {
    OpenedBook book(path);
    book.file.SetLength(book.header.storeOffset);
    book.file.Write(store.data(), int64_t(store.size()), book.header.storeOffset);
    book.file.WriteDigest(kDigestLength, kDigestRounds, seed, book.header.storeOffset,
                          book.header.storeOffset + int64_t(store.size()));
    book.file.Close();
}

TEST(BookFile, LibraryScanUpgradesALegacyStore) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    ReplaceStore(path, LegacyStore(), SeedA());
    OpenedBook book(path);
    EXPECT_EQ(book.Check(), VerdictKind::Damaged);
    EXPECT_EQ(UpgradeOrRepairBook(book.file), BookScanResult::UpgradedLegacyStore);
    EXPECT_EQ(book.Check(), VerdictKind::Ok);
    VEMOpt store;
    LoadBookStore(book.file, book.header.storeOffset, store);
    EXPECT_EQ(store.GetInt(kTagPosition, 0), 0x012A);
    EXPECT_EQ(store.GetWideString(kTagAuthor, u""), u"An");
    EXPECT_EQ(UpgradeOrRepairBook(book.file), BookScanResult::Current);
}

TEST(BookFile, LibraryScanRepairsTheStoreDigestWhenTheHeadIsSound) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    auto bytes = test::ReadBytes(path);
    bytes.back() ^= 1;
    test::WriteBytes(path, bytes);
    OpenedBook book(path);
    EXPECT_EQ(UpgradeOrRepairBook(book.file), BookScanResult::RepairedStoreDigest);
    EXPECT_EQ(book.Check(), VerdictKind::Ok);
}

TEST(BookFile, LibraryScanJudgesABookByItsSignatureAndDigests) {
    // A broken header rule is for the open checks to report; the scan still lists the book.
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    auto bytes = test::ReadBytes(path);
    PutInt32(bytes, 24, 1);
    test::WriteBytes(path, bytes);
    OpenedBook book(path);
    EXPECT_EQ(UpgradeOrRepairBook(book.file), BookScanResult::Current);
    EXPECT_EQ(book.Check(), VerdictKind::NotThisFormat);
}

TEST(BookFile, LibraryScanLeavesAnUnrepairableBookAlone) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    auto bytes = test::ReadBytes(path);
    bytes[50] ^= 1;     // head
    bytes.back() ^= 1;  // store digest
    test::WriteBytes(path, bytes);
    {
        OpenedBook book(path);
        EXPECT_EQ(UpgradeOrRepairBook(book.file), BookScanResult::NotListed);
    }
    EXPECT_EQ(test::ReadBytes(path), bytes);
}

TEST(BookFile, InfoToolReportsTheVerdicts) {
    TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, kText);
    const std::string tool = std::string(CORVALIN_TOOLS_DIR) + "/corvalin-book info ";
    const auto run = [&](const std::filesystem::path& book) {
        const std::string command =
            tool + book.string() + " > " + (dir / "out").string() + " 2> " + (dir / "err").string();
        const int status = std::system(command.c_str());
        auto err = test::ReadBytes(dir / "err");
        return std::make_pair(WEXITSTATUS(status), std::string(err.begin(), err.end()));
    };
    EXPECT_EQ(run(path), std::make_pair(0, std::string()));
    auto out = test::ReadBytes(dir / "out");
    EXPECT_NE(std::string(out.begin(), out.end()).find("headings: 1\n"), std::string::npos);

    auto bytes = test::ReadBytes(path);
    bytes[44] ^= 1;
    test::WriteBytes(path, bytes);
    EXPECT_EQ(run(path), std::make_pair(3, std::string("The is book is corrupted\n")));
    bytes[0] = 'X';
    test::WriteBytes(path, bytes);
    EXPECT_EQ(run(path), std::make_pair(2, std::string("The is not the Corvalindestrum file\n")));
    EXPECT_EQ(run(dir / "missing.book").first, 2);
}

}  // namespace
}  // namespace corvalin
