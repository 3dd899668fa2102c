#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "archive/HaDecoders.h"
#include "archive/HaReader.h"
#include "base/ByteReader.h"
#include "support/HaEncoder.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

const std::filesystem::path kFixtures = std::filesystem::path(CORVALIN_SHARED_FIXTURES) / "ha";

std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }

struct Listed {
    std::string name;
    uint64_t size = 0;
    ExtractResult result;
};

// Lists every member and extracts each, the way the import does.
std::vector<Listed> ExtractAll(const std::filesystem::path& archive, const std::filesystem::path& destination,
                               bool* opened = nullptr) {
    std::vector<Listed> listed;
    VEM_HA reader;
    const bool ok = reader.Open(archive, destination);
    if (opened) *opened = ok;
    if (!ok) return listed;
    while (const auto member = reader.ReadHeader()) {
        listed.push_back({member->name, member->uncompressedSize, reader.Extract()});
        if (listed.size() > 100) break;
    }
    reader.Close();
    return listed;
}

// A text with the shape of a book: a few thousand words made of syllables, common ones far more
// often than rare ones, now and then a new name, in sentences, lines and paragraphs, with some
// passages repeated and a few bytes outside ASCII. Varied enough that the context model fills
// up within a few megabytes.
std::vector<uint8_t> BookLikeText(size_t byteLength, unsigned seed) {
    static const char* const kSyllables[] = {"ka",       "ro",  "mi", "the", "an", "de", "lo",
                                             "ver",      "sta", "qu", "ing", "el", "or", "zh",
                                             "\xC3\xA9", "ny",  "ba", "tu",  "ce", "wo"};
    std::mt19937 random(seed);
    std::vector<std::string> words(4000);
    for (std::string& word : words) {
        const size_t syllables = 1 + random() % 4;
        for (size_t i = 0; i < syllables; ++i) word += kSyllables[random() % std::size(kSyllables)];
    }
    std::string text;
    while (text.size() < byteLength) {
        const size_t sentence = 4 + random() % 14;
        for (size_t i = 0; i < sentence; ++i) {
            // The product of two uniform picks favours the start of the list.
            std::string word = words[(random() % words.size()) * (random() % words.size()) / words.size()];
            // Now and then a name or a number never seen before, as real texts have.
            if (random() % 16 == 0) {
                word.clear();
                for (size_t letter = 3 + random() % 6; letter > 0; --letter)
                    word += char('a' + random() % 26);
            }
            if (i == 0) word[0] = char(std::toupper(static_cast<unsigned char>(word[0])));
            text += word;
            text += i + 1 == sentence ? ". " : random() % 9 == 0 ? ", " : " ";
        }
        if (random() % 4 == 0) text += random() % 3 == 0 ? "\r\n\r\n    " : "\r\n";
        if (random() % 60 == 0 && text.size() > 4000) text += text.substr(text.size() - 3000, 1200);
    }
    text.resize(byteLength);
    return Bytes(text);
}

TEST(HaReader, ThirdPartyArchivesOfEveryMethodExtractTheLicence) {
    if (!std::filesystem::exists(kFixtures)) GTEST_SKIP() << "fixture folder missing: " << kFixtures;
    const std::vector<uint8_t> expected = test::ReadBytes(kFixtures / "expected-license.txt");
    for (const char* archive : {"copy.ha", "asc.ha", "hsc.ha"}) {
        test::TempDir out;
        const std::vector<Listed> listed = ExtractAll(kFixtures / archive, out.path());
        ASSERT_EQ(listed.size(), 1u) << archive;
        EXPECT_EQ(listed[0].name, "license") << archive;
        EXPECT_EQ(listed[0].size, expected.size()) << archive;
        ASSERT_TRUE(listed[0].result.verdict.Ok()) << archive << ": " << listed[0].result.verdict.message;
        EXPECT_EQ(listed[0].result.path, out / "license") << archive;
        EXPECT_EQ(test::ReadBytes(out / "license"), expected) << archive;
    }
}

TEST(HaReader, OurPackerWritesTheThirdPartyHscStreamByteForByte) {
    // HSC has no choices to make, so a packer that keeps the same model must write the same
    // bytes: this ties the packer the other tests rely on to the real archiver.
    if (!std::filesystem::exists(kFixtures)) GTEST_SKIP() << "fixture folder missing: " << kFixtures;
    const std::vector<uint8_t> text = test::ReadBytes(kFixtures / "expected-license.txt");
    const std::vector<uint8_t> archive = test::ReadBytes(kFixtures / "hsc.ha");
    const std::vector<uint8_t> packed = test::PackHaHsc(text);
    ASSERT_LT(packed.size(), archive.size());
    EXPECT_TRUE(std::equal(packed.begin(), packed.end(), archive.end() - ptrdiff_t(packed.size())));
}

TEST(HaReader, ASecondExtractionReusesTheFileAlreadyThere) {
    test::TempDir work;
    std::filesystem::create_directory(work / "out");
    test::WriteBytes(work / "a.ha",
                     test::BuildHaArchive({{"", "book.txt", 1, Bytes("the text of the book")}}));
    std::vector<Listed> first = ExtractAll(work / "a.ha", work / "out");
    ASSERT_EQ(first.size(), 1u);
    ASSERT_TRUE(first[0].result.verdict.Ok()) << first[0].result.verdict.message;

    // Changed behind the reader's back: a second extraction must hand back this file untouched.
    test::WriteText(work / "out" / "book.txt", "kept");
    std::vector<Listed> second = ExtractAll(work / "a.ha", work / "out");
    ASSERT_EQ(second.size(), 1u);
    EXPECT_TRUE(second[0].result.verdict.Ok());
    EXPECT_EQ(second[0].result.path, work / "out" / "book.txt");
    EXPECT_EQ(test::ReadBytes(work / "out" / "book.txt"), Bytes("kept"));
}

TEST(HaReader, DirectoriesSpecialFilesAndRemovedEntriesAreNeitherListedNorExtracted) {
    test::TempDir work;
    std::filesystem::create_directory(work / "out");
    const std::vector<test::HaEntry> entries = {
        {"", "texts", 14, {}},
        {"texts", "fifo", 15, {}},
        {"texts", "gone.txt", 0, Bytes("removed")},
        {"texts/russian", "book.txt", 2, Bytes("Once upon a time")},
    };
    std::vector<uint8_t> archive = test::BuildHaArchive(entries);
    // Mark the third entry removed.
    const size_t removed = test::BuildHaArchive({entries[0], entries[1]}).size();
    ASSERT_EQ(archive[removed], 0x20);
    archive[removed] = 0xFF;
    test::WriteBytes(work / "a.ha", archive);

    const std::vector<Listed> listed = ExtractAll(work / "a.ha", work / "out");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0].name, "texts/russian/book.txt");
    ASSERT_TRUE(listed[0].result.verdict.Ok()) << listed[0].result.verdict.message;
    EXPECT_EQ(listed[0].result.path, work / "out" / "book.txt");
    std::vector<std::string> written;
    for (const auto& entry : std::filesystem::directory_iterator(work / "out"))
        written.push_back(entry.path().filename().string());
    EXPECT_EQ(written, std::vector<std::string>{"book.txt"});
}

TEST(HaReader, MembersLandFlatInTheDestinationUnderASafeName) {
    test::TempDir work;
    std::filesystem::create_directory(work / "out");
    test::WriteBytes(work / "a.ha", test::BuildHaArchive({
                                        {"../..", "climb.txt", 0, Bytes("one")},
                                        {"", "../escape.txt", 1, Bytes("two")},
                                        {"", "CON", 0, Bytes("three")},
                                        {"", "", 0, Bytes("four")},
                                    }));
    const std::vector<Listed> listed = ExtractAll(work / "a.ha", work / "out");
    ASSERT_EQ(listed.size(), 4u);
    EXPECT_EQ(listed[0].result.path, work / "out" / "climb.txt");
    EXPECT_EQ(listed[1].result.path, work / "out" / "escape.txt");
    for (size_t i = 2; i < 4; ++i) {
        EXPECT_TRUE(listed[i].result.path.empty()) << i;
        EXPECT_EQ(listed[i].result.verdict.kind, VerdictKind::Damaged) << i;
    }
    EXPECT_FALSE(std::filesystem::exists(work / "climb.txt"));
    EXPECT_FALSE(std::filesystem::exists(work / "escape.txt"));
}

TEST(HaReader, VariedTextsSurviveBothMethods) {
    std::mt19937 random(7);
    std::vector<uint8_t> noise(70000);
    for (uint8_t& byte : noise) byte = uint8_t(random());
    std::vector<uint8_t> allBytes;
    for (int round = 0; round < 3; ++round)
        for (int byte = 255; byte >= 0; --byte) allBytes.push_back(uint8_t(byte));
    std::vector<uint8_t> longRun(100000, 'a');
    longRun.back() = 'b';
    struct Case {
        const char* why;
        std::vector<uint8_t> data;
    };
    const Case cases[] = {
        {"empty", {}},
        {"one byte", Bytes("x")},
        {"a run far longer than the longest match", longRun},
        {"noise: every literal escapes, every count fills", noise},
        {"every byte value, three times", allBytes},
        {"a book-like text longer than the match window", BookLikeText(200000, 1)},
        // Long enough for the context model to reuse its contexts, give up order 4 and run out
        // of symbol counts, which a short text never does.
        {"a book-like text of a megabyte", BookLikeText(1 << 20, 2)},
    };
    for (const Case& c : cases) {
        for (uint8_t method : {uint8_t(1), uint8_t(2)}) {
            test::TempDir work;
            std::filesystem::create_directory(work / "out");
            test::WriteBytes(work / "a.ha", test::BuildHaArchive({{"dir", "member.txt", method, c.data}}));
            const std::vector<Listed> listed = ExtractAll(work / "a.ha", work / "out");
            ASSERT_EQ(listed.size(), 1u) << c.why;
            ASSERT_TRUE(listed[0].result.verdict.Ok())
                << c.why << " method " << int(method) << ": " << listed[0].result.verdict.message;
            EXPECT_TRUE(test::ReadBytes(work / "out" / "member.txt") == c.data)
                << c.why << " method " << int(method);
        }
    }
}

// A small archive of three members, one per method, and where their parts lie.
struct Sample {
    std::vector<uint8_t> archive;
    size_t storedData = 0;
    size_t ascHeader = 0;
    size_t ascData = 0;
    size_t hscHeader = 0;  // also where the ASC data ends
    size_t hscData = 0;
};

Sample MakeSample() {
    const std::vector<uint8_t> text = BookLikeText(6000, 3);
    const std::vector<test::HaEntry> entries = {
        {"", "stored.txt", 0, Bytes("stored text")},
        {"", "asc.txt", 1, text},
        {"", "hsc.txt", 2, text},
    };
    Sample sample;
    sample.archive = test::BuildHaArchive(entries);
    sample.ascHeader = test::BuildHaArchive({entries[0]}).size();
    sample.storedData = sample.ascHeader - entries[0].data.size();
    sample.hscHeader = test::BuildHaArchive({entries[0], entries[1]}).size();
    sample.ascData = sample.hscHeader - test::PackHaAsc(text).size();
    sample.hscData = sample.archive.size() - test::PackHaHsc(text).size();
    return sample;
}

TEST(HaReader, DamagedArchivesGiveAVerdictAndLeaveNoFile) {
    const Sample sample = MakeSample();
    ASSERT_EQ(sample.archive[sample.ascHeader], 0x21);
    struct Case {
        const char* why;
        std::vector<uint8_t> archive;
        size_t extracted;  // members that must still come out whole
    };
    auto cut = [&](size_t length) {
        return std::vector<uint8_t>(sample.archive.begin(), sample.archive.begin() + ptrdiff_t(length));
    };
    auto flip = [&](size_t at, uint8_t mask) {
        std::vector<uint8_t> copy = sample.archive;
        copy[at] ^= mask;
        return copy;
    };
    auto set32 = [&](size_t at, uint32_t value) {
        std::vector<uint8_t> copy = sample.archive;
        StoreU32LE(copy.data() + at, value);
        return copy;
    };
    std::vector<Case> cases = {
        {"cut inside the archive header", cut(3), 0},
        {"cut inside the first member header", cut(12), 0},
        {"cut inside the stored data", cut(sample.storedData + 5), 0},
        {"cut inside the second member header", cut(sample.ascHeader + 9), 1},
        {"cut at the start of the ASC data", cut(sample.ascData), 1},
        {"cut in the middle of the ASC data", cut((sample.ascData + sample.hscHeader) / 2), 1},
        {"cut one byte before the end of the ASC data", cut(sample.hscHeader - 1), 1},
        {"cut one byte before the end of the HSC data", cut(sample.archive.size() - 1), 2},
        {"not an HA archive", flip(0, 0x01), 0},
        {"format version 3", flip(sample.ascHeader, 0x10), 1},
        {"unknown method 3", flip(sample.ascHeader, 0x02), 2},
        {"original size one larger", set32(sample.ascHeader + 5, 6001), 2},
        {"original size one smaller", set32(sample.ascHeader + 5, 5999), 2},
        {"original size 2 GB", set32(sample.ascHeader + 5, 0x80000000u), 2},
        {"CRC changed", flip(sample.ascHeader + 9, 0x40), 2},
        {"packed size beyond the archive", set32(sample.ascHeader + 1, 0x7FFFFFFFu), 1},
        {"stored size differs from its original size", set32(4 + 1, 10), 0},
        {"first ASC byte flipped", flip(sample.ascData, 0x80), 2},
        {"ASC data flipped in the middle", flip((sample.ascData + sample.hscHeader) / 2, 0x10), 2},
        {"ASC data flipped near its end", flip(sample.hscHeader - 3, 0xFF), 2},
        {"first HSC byte flipped", flip(sample.hscData, 0x80), 2},
        {"HSC data flipped in the middle", flip((sample.hscData + sample.archive.size()) / 2, 0x04), 2},
    };
    for (const Case& c : cases) {
        test::TempDir work;
        std::filesystem::create_directory(work / "out");
        test::WriteBytes(work / "a.ha", c.archive);
        bool opened = false;
        const std::vector<Listed> listed = ExtractAll(work / "a.ha", work / "out", &opened);
        size_t good = 0;
        size_t bad = 0;
        for (const Listed& member : listed) {
            if (member.result.verdict.Ok()) {
                ++good;
                EXPECT_TRUE(std::filesystem::exists(member.result.path)) << c.why;
            } else {
                ++bad;
                EXPECT_TRUE(member.result.path.empty()) << c.why;
                EXPECT_FALSE(member.result.verdict.message.empty()) << c.why;
            }
        }
        EXPECT_EQ(good, c.extracted) << c.why;
        // Every case damages something: a member is refused, or the listing stops early.
        EXPECT_TRUE(bad > 0 || listed.size() < 3) << c.why;
        size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(work / "out")) ++files;
        EXPECT_EQ(files, good) << c.why << ": a failed member left a file behind";
    }
}

TEST(HaReader, AChecksumMismatchIsADamagedMember) {
    const Sample sample = MakeSample();
    std::vector<uint8_t> archive = sample.archive;
    archive[sample.ascHeader + 9] ^= 0x01;
    test::TempDir work;
    std::filesystem::create_directory(work / "out");
    test::WriteBytes(work / "a.ha", archive);
    const std::vector<Listed> listed = ExtractAll(work / "a.ha", work / "out");
    ASSERT_EQ(listed.size(), 3u);
    EXPECT_EQ(listed[1].result.verdict.kind, VerdictKind::Damaged);
    EXPECT_EQ(listed[1].result.verdict.field, "CRC");
    EXPECT_FALSE(std::filesystem::exists(work / "out" / "asc.txt"));
}

// Whatever the packed bytes, a decoder stops: at the declared size, at the end of its input,
// or at a code no encoder writes.
TEST(HaDecoders, GarbageEndsInAVerdictWithinTheDeclaredSize) {
    class Counter : public ha::OutputSink {
    public:
        bool Put(std::span<const uint8_t> bytes) override {
            written += bytes.size();
            return true;
        }
        uint64_t written = 0;
    };
    std::mt19937 random(11);
    for (size_t length : {size_t(0), size_t(1), size_t(2), size_t(7), size_t(100), size_t(5000)}) {
        for (int round = 0; round < 20; ++round) {
            std::vector<uint8_t> garbage(length);
            for (uint8_t& byte : garbage) byte = uint8_t(random() % (round < 10 ? 256 : 3));
            for (int method = 1; method <= 2; ++method) {
                const uint64_t declared = uint64_t(1) << 20;
                Counter counter;
                const Verdict verdict = method == 1 ? ha::UnpackAsc(garbage, declared, counter)
                                                    : ha::UnpackHsc(garbage, declared, counter);
                EXPECT_LE(counter.written, declared);
                if (verdict.Ok()) {
                    EXPECT_EQ(counter.written, declared);
                }
            }
        }
    }
}

}  // namespace
}  // namespace corvalin
