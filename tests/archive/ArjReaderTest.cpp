#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "archive/ArjDecoder.h"
#include "archive/ArjHeaders.h"
#include "archive/ArjReader.h"
#include "base/ByteReader.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;

const fs::path kFixtures = fs::path(CORVALIN_SHARED_FIXTURES) / "arj";
const fs::path kGpl3 = "/usr/share/common-licenses/GPL-3";

std::string ReadText(const fs::path& path) {
    const std::vector<uint8_t> bytes = test::ReadBytes(path);
    return {bytes.begin(), bytes.end()};
}

bool HaveArj() {
    const char* path = std::getenv("PATH");
    std::stringstream folders(path ? path : "");
    for (std::string folder; std::getline(folders, folder, ':');)
        if (!folder.empty() && ::access((fs::path(folder) / "arj").c_str(), X_OK) == 0) return true;
    return false;
}

// Runs the real archiver in `folder`; its chatter is not part of the test.
void RunArj(const fs::path& folder, const std::string& arguments) {
    const std::string command = "cd '" + folder.string() + "' && arj " + arguments + " >/dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
}

#define REQUIRE_ARJ() \
    if (!HaveArj()) GTEST_SKIP() << "the arj archiver is not installed (scripts/setup.sh installs it)"
#define REQUIRE_FIXTURES() \
    if (!fs::is_directory(kFixtures)) GTEST_SKIP() << "no third-party fixtures at " << kFixtures

struct Extracted {
    std::string name;
    ArchiveMember member;
    ExtractResult result;
};

struct Pass {
    bool opened = false;
    std::vector<Extracted> members;
    Verdict listing;
    size_t mainHeader = 0;
};

// Lists and extracts every member, the way the import does it in one pass.
Pass ExtractAll(const fs::path& archive, const fs::path& destination) {
    Pass pass;
    VEMArj reader;
    pass.opened = reader.Open(archive, destination);
    if (pass.opened) {
        pass.mainHeader = reader.MainHeaderOffset();
        while (const std::optional<ArchiveMember> member = reader.ReadHeader())
            pass.members.push_back({member->name, *member, reader.Extract()});
    }
    pass.listing = reader.ListingVerdict();
    reader.Close();
    return pass;
}

bool IsEmptyFolder(const fs::path& folder) { return fs::is_empty(folder); }

// A text past the decoder's one-megabyte window, so its output is handed on and slid several
// times: the licence text with numbered, varied lines between its paragraphs.
std::string LongVariedText() {
    const std::string licence = ReadText(kGpl3);
    std::string text;
    for (int round = 0; text.size() < 2'600'000; ++round) {
        text += licence;
        for (int line = 0; line < 200; ++line)
            text += "Round " + std::to_string(round) + ", line " + std::to_string(line * 7919 % 1000) + ": " +
                    std::string(size_t(line % 23), char('a' + line % 26)) + "\n";
    }
    return text;
}

TEST(ArjReader, ThirdPartyArchivesOfEveryMethodGiveTheLicence) {
    REQUIRE_FIXTURES();
    const std::string expected = ReadText(kFixtures / "expected-license.txt");
    for (const char* name : {"stored.arj", "method1.arj", "method2.arj", "method3.arj", "method4.arj"}) {
        test::TempDir out;
        const Pass pass = ExtractAll(kFixtures / name, out.path());
        ASSERT_TRUE(pass.opened) << name << ": " << pass.listing.message;
        ASSERT_EQ(pass.members.size(), 1u) << name;
        EXPECT_TRUE(pass.listing.Ok()) << name << ": " << pass.listing.message;
        const Extracted& m = pass.members[0];
        EXPECT_EQ(m.name, "LICENSE") << name;
        EXPECT_EQ(m.member.uncompressedSize, expected.size()) << name;
        EXPECT_FALSE(m.member.encrypted) << name;
        ASSERT_TRUE(m.result.verdict.Ok()) << name << ": " << m.result.verdict.message;
        EXPECT_EQ(m.result.path, out / "LICENSE") << name;
        EXPECT_EQ(ReadText(out / "LICENSE"), expected) << name;
    }
}

TEST(ArjReader, ThirdPartyPasswordAndCrcFailuresLeaveNoFile) {
    REQUIRE_FIXTURES();
    {
        test::TempDir out;
        const Pass pass = ExtractAll(kFixtures / "license_crypted.arj", out.path());
        ASSERT_EQ(pass.members.size(), 1u);
        EXPECT_TRUE(pass.members[0].member.encrypted);
        EXPECT_EQ(pass.members[0].result.verdict.kind, VerdictKind::Encrypted);
        EXPECT_TRUE(pass.members[0].result.path.empty());
        EXPECT_TRUE(IsEmptyFolder(out.path()));
    }
    {
        test::TempDir out;
        const Pass pass = ExtractAll(kFixtures / "wrongcrc32.arj", out.path());
        ASSERT_EQ(pass.members.size(), 1u);
        const Verdict& verdict = pass.members[0].result.verdict;
        EXPECT_EQ(verdict.kind, VerdictKind::Damaged);
        EXPECT_EQ(verdict.field, "file CRC");
        EXPECT_NE(verdict.message.find("File CRC error"), std::string::npos) << verdict.message;
        EXPECT_NE(verdict.message.find("LICENSE"), std::string::npos) << verdict.message;
        EXPECT_TRUE(IsEmptyFolder(out.path()));
    }
}

TEST(ArjReader, VolumesOfASplitArchiveAreListedAndTheSplitMemberRefused) {
    REQUIRE_FIXTURES();
    for (const char* name : {"test_file.arj", "test_file.a01", "test_file.a02"}) {
        test::TempDir out;
        const Pass pass = ExtractAll(kFixtures / "multi" / name, out.path());
        ASSERT_TRUE(pass.opened) << name;
        ASSERT_EQ(pass.members.size(), 1u) << name;
        EXPECT_EQ(pass.members[0].name, "TEST.ICY") << name;
        EXPECT_EQ(pass.members[0].result.verdict.kind, VerdictKind::Unsupported) << name;
        EXPECT_TRUE(pass.listing.Ok()) << name << ": " << pass.listing.message;
        EXPECT_TRUE(IsEmptyFolder(out.path())) << name;
    }
}

TEST(ArjReader, EveryMethodOfTheRealArchiverRoundTrips) {
    REQUIRE_ARJ();
    test::TempDir work;
    const std::string licence = ReadText(kGpl3);
    const std::string varied = LongVariedText();
    test::WriteText(work / "licence.txt", licence);
    test::WriteText(work / "varied.txt", varied);
    struct Case {
        const char* switches;
        const char* file;
        const std::string* text;
    };
    const Case cases[] = {
        {"-m0", "licence.txt", &licence},        {"-m1", "licence.txt", &licence},
        {"-m2", "licence.txt", &licence},        {"-m3", "licence.txt", &licence},
        {"-m4", "licence.txt", &licence},        {"-m1 -jm", "licence.txt", &licence},
        {"-m1 -jh65535", "varied.txt", &varied}, {"-m1", "varied.txt", &varied},
        {"-m4", "varied.txt", &varied},
    };
    for (const Case& c : cases) {
        const std::string label = std::string(c.switches) + " " + c.file;
        fs::remove(work / "t.arj");
        RunArj(work.path(), std::string("a -y ") + c.switches + " t.arj " + c.file);
        test::TempDir out;
        const Pass pass = ExtractAll(work / "t.arj", out.path());
        ASSERT_EQ(pass.members.size(), 1u) << label;
        ASSERT_TRUE(pass.members[0].result.verdict.Ok())
            << label << ": " << pass.members[0].result.verdict.message;
        EXPECT_TRUE(ReadText(out / c.file) == *c.text) << label;
        EXPECT_TRUE(pass.listing.Ok()) << label;
    }
}

TEST(ArjReader, SelfExtractingArchiveIsFoundBehindItsProgram) {
    REQUIRE_ARJ();
    test::TempDir work;
    fs::copy_file(kGpl3, work / "licence.txt");
    RunArj(work.path(), "a -je -y selfx licence.txt");
    fs::path program;
    for (const auto& entry : fs::directory_iterator(work.path()))
        if (entry.path().filename().string().starts_with("selfx")) program = entry.path();
    ASSERT_FALSE(program.empty());
    test::TempDir out;
    const Pass pass = ExtractAll(program, out.path());
    ASSERT_TRUE(pass.opened) << pass.listing.message;
    EXPECT_GT(pass.mainHeader, 1000u);
    ASSERT_EQ(pass.members.size(), 1u);
    ASSERT_TRUE(pass.members[0].result.verdict.Ok()) << pass.members[0].result.verdict.message;
    EXPECT_TRUE(ReadText(out / "licence.txt") == ReadText(kGpl3));
}

TEST(ArjReader, GarbledMemberIsSkippedAndTheNextOneStillExtracts) {
    REQUIRE_ARJ();
    test::TempDir work;
    test::WriteText(work / "secret.txt", "not for everyone\n");
    test::WriteText(work / "open.txt", "for everyone\n");
    RunArj(work.path(), "a -y -gsecret g.arj secret.txt");
    RunArj(work.path(), "a -y g.arj open.txt");
    test::TempDir out;
    const Pass pass = ExtractAll(work / "g.arj", out.path());
    ASSERT_EQ(pass.members.size(), 2u);
    EXPECT_TRUE(pass.members[0].member.encrypted);
    EXPECT_EQ(pass.members[0].result.verdict.kind, VerdictKind::Encrypted);
    EXPECT_FALSE(fs::exists(out / "secret.txt"));
    ASSERT_TRUE(pass.members[1].result.verdict.Ok()) << pass.members[1].result.verdict.message;
    EXPECT_EQ(ReadText(out / "open.txt"), "for everyone\n");
}

TEST(ArjReader, SubfolderMembersLandFlatAndAnExistingFileIsReused) {
    REQUIRE_ARJ();
    test::TempDir work;
    fs::create_directories(work / "texts" / "old");
    fs::copy_file(kGpl3, work / "texts" / "old" / "licence.txt");
    test::WriteText(work / "after.txt", "the member after the reused one\n");
    RunArj(work.path(), "a -y -m1 tree.arj texts/old/licence.txt after.txt");

    test::TempDir out;
    const Pass first = ExtractAll(work / "tree.arj", out.path());
    ASSERT_EQ(first.members.size(), 2u);
    EXPECT_EQ(first.members[0].name, "texts/old/licence.txt");
    ASSERT_TRUE(first.members[0].result.verdict.Ok()) << first.members[0].result.verdict.message;
    EXPECT_EQ(first.members[0].result.path, out / "licence.txt");
    EXPECT_TRUE(ReadText(out / "licence.txt") == ReadText(kGpl3));
    EXPECT_FALSE(fs::exists(out / "texts"));

    // The second pass finds licence.txt already there: it is returned as it stands and its
    // data is passed over, so the member behind it still comes out right.
    test::WriteText(out / "licence.txt", "left from the first pass");
    fs::remove(out / "after.txt");
    const Pass second = ExtractAll(work / "tree.arj", out.path());
    ASSERT_EQ(second.members.size(), 2u);
    EXPECT_TRUE(second.members[0].result.verdict.Ok());
    EXPECT_EQ(second.members[0].result.path, out / "licence.txt");
    EXPECT_EQ(ReadText(out / "licence.txt"), "left from the first pass");
    ASSERT_TRUE(second.members[1].result.verdict.Ok()) << second.members[1].result.verdict.message;
    EXPECT_EQ(ReadText(out / "after.txt"), "the member after the reused one\n");
}

TEST(ArjReader, ANonFileInTheWayIsNotTakenForTheMember) {
    REQUIRE_ARJ();
    test::TempDir work;
    test::WriteText(work / "book.txt", "text\n");
    RunArj(work.path(), "a -y b.arj book.txt");
    test::TempDir out;
    fs::create_directory(out / "book.txt");
    const Pass pass = ExtractAll(work / "b.arj", out.path());
    ASSERT_EQ(pass.members.size(), 1u);
    EXPECT_FALSE(pass.members[0].result.verdict.Ok());
    EXPECT_TRUE(pass.members[0].result.path.empty());
}

// Where the parts of a one-member archive lie, read with the header functions.
struct Layout {
    size_t mainHeader = 0;
    size_t localHeader = 0;
    size_t data = 0;
    size_t dataEnd = 0;
};

Layout LayoutOf(const std::vector<uint8_t>& archive) {
    Layout layout;
    layout.mainHeader = FindArjMainHeader(archive).value();
    ByteReader in(archive);
    in.Seek(layout.mainHeader);
    EXPECT_TRUE(ReadArjMainHeader(in).Ok());
    layout.localHeader = in.Position();
    ArjLocalHeader header;
    bool end = false;
    EXPECT_TRUE(ReadArjLocalHeader(in, header, end).Ok());
    layout.data = header.dataOffset;
    layout.dataEnd = header.dataOffset + header.compressedSize;
    return layout;
}

TEST(ArjReader, DamagedArchivesGiveAVerdictAndNoFile) {
    REQUIRE_ARJ();
    test::TempDir work;
    fs::copy_file(kGpl3, work / "licence.txt");
    for (const char* method : {"-m1", "-m4"}) {
        fs::remove(work / "base.arj");
        RunArj(work.path(), std::string("a -y ") + method + " base.arj licence.txt");
        const std::vector<uint8_t> good = test::ReadBytes(work / "base.arj");
        const Layout at = LayoutOf(good);
        ASSERT_GT(at.dataEnd - at.data, 1000u);

        struct Case {
            const char* why;
            size_t cutAt;   // keep this many bytes (SIZE_MAX: all)
            size_t flipAt;  // invert this byte (SIZE_MAX: none)
        };
        const size_t kAll = SIZE_MAX;
        const Case cases[] = {
            {"cut inside the main header", at.mainHeader + 12, kAll},
            {"cut inside the local header", at.localHeader + 20, kAll},
            {"cut before the data", at.data, kAll},
            {"cut in the middle of the data", (at.data + at.dataEnd) / 2, kAll},
            {"cut one byte short of the data's end", at.dataEnd - 1, kAll},
            {"byte flipped in the local header's sizes", kAll, at.localHeader + 4 + 14},
            {"byte flipped in the member's name", kAll, at.data - 10},
            {"byte flipped at the start of the data", kAll, at.data},
            {"byte flipped in the middle of the data", kAll, (at.data + at.dataEnd) / 2},
            {"byte flipped at the end of the data", kAll, at.dataEnd - 1},
        };
        for (const Case& c : cases) {
            const std::string label = std::string(method) + ": " + c.why;
            std::vector<uint8_t> bytes = good;
            if (c.cutAt != kAll) bytes.resize(c.cutAt);
            if (c.flipAt != kAll) bytes[c.flipAt] ^= 0xFF;
            test::WriteBytes(work / "bad.arj", bytes);
            test::TempDir out;
            const Pass pass = ExtractAll(work / "bad.arj", out.path());
            bool someVerdict = !pass.listing.Ok();
            for (const Extracted& m : pass.members) {
                someVerdict = someVerdict || !m.result.verdict.Ok();
                EXPECT_FALSE(m.result.verdict.Ok()) << label;
                EXPECT_TRUE(m.result.path.empty()) << label;
                EXPECT_NE(m.result.verdict.message, "") << label;
            }
            EXPECT_TRUE(someVerdict) << label;
            EXPECT_TRUE(IsEmptyFolder(out.path())) << label;
        }
    }
}

TEST(ArjReader, AMissingEndMarkerEndsTheListingAfterAGoodMember) {
    REQUIRE_ARJ();
    test::TempDir work;
    test::WriteText(work / "a.txt", "first\n");
    RunArj(work.path(), "a -y e.arj a.txt");
    std::vector<uint8_t> bytes = test::ReadBytes(work / "e.arj");
    bytes.resize(LayoutOf(bytes).dataEnd);
    test::WriteBytes(work / "e.arj", bytes);
    test::TempDir out;
    const Pass pass = ExtractAll(work / "e.arj", out.path());
    ASSERT_EQ(pass.members.size(), 1u);
    EXPECT_TRUE(pass.members[0].result.verdict.Ok());
    EXPECT_EQ(pass.listing.kind, VerdictKind::Truncated);
}

TEST(ArjReader, FilesThatAreNoArchiveDoNotOpen) {
    test::TempDir work;
    struct Case {
        const char* why;
        std::vector<uint8_t> bytes;
    };
    const Case cases[] = {
        {"empty file", {}},
        {"plain text", {'h', 'e', 'l', 'l', 'o'}},
        // A mark with a size of 0 and a "CRC" of 0 matches the CRC of nothing.
        {"end marker alone", {0x60, 0xEA, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"mark with an oversized header", {0x60, 0xEA, 0x29, 0x0A, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        test::WriteBytes(work / "x.arj", c.bytes);
        VEMArj reader;
        EXPECT_FALSE(reader.Open(work / "x.arj", work.path())) << c.why;
        EXPECT_EQ(reader.ListingVerdict().kind, VerdictKind::NotThisFormat) << c.why;
    }
}

// Bits most significant first, as the decoders read them.
class BitWriter {
public:
    BitWriter& Put(uint32_t value, unsigned width) {
        for (unsigned i = width; i-- > 0;) {
            if (used_ % 8 == 0) bytes_.push_back(0);
            if ((value >> i) & 1) bytes_.back() |= uint8_t(0x80 >> (used_ % 8));
            ++used_;
        }
        return *this;
    }
    const std::vector<uint8_t>& Bytes() const { return bytes_; }

private:
    std::vector<uint8_t> bytes_;
    size_t used_ = 0;
};

// One block whose three codes each have a single symbol: `count` copies of `byte`, no bits each.
BitWriter SingleSymbolBlock(uint32_t count, uint8_t byte) {
    BitWriter w;
    w.Put(count, 16);
    w.Put(0, 5).Put(0, 5);     // code-length code: one symbol
    w.Put(0, 9).Put(byte, 9);  // literal code: one symbol, the byte
    w.Put(0, 5).Put(0, 5);     // distance code: one symbol
    return w;
}

struct DecodeCase {
    const char* why;
    unsigned method;
    std::vector<uint8_t> packed;
    uint64_t declared;
    VerdictKind expected;
    std::string output;  // when good
};

TEST(ArjDecoder, HandMadeStreams) {
    const DecodeCase cases[] = {
        {"one block of single-symbol codes", 1, SingleSymbolBlock(3, 'A').Bytes(), 3, VerdictKind::Ok, "AAA"},
        {"declared size beyond the stream", 1, SingleSymbolBlock(3, 'A').Bytes(), 4, VerdictKind::Truncated,
         ""},
        {"a block of no codes", 1, BitWriter().Put(0, 16).Put(0, 16).Bytes(), 1, VerdictKind::Damaged, ""},
        {"nothing at all for a non-empty member", 1, {}, 10, VerdictKind::Truncated, ""},
        {"a single length code outside its alphabet", 1, BitWriter().Put(1, 16).Put(0, 5).Put(31, 5).Bytes(),
         1, VerdictKind::Damaged, ""},
        {"more code lengths than symbols", 1, BitWriter().Put(1, 16).Put(20, 5).Put(0, 32).Bytes(), 1,
         VerdictKind::Damaged, ""},
        {"code lengths that leave codes unused", 1,
         BitWriter().Put(1, 16).Put(2, 5).Put(1, 3).Put(2, 3).Put(0, 32).Bytes(), 1, VerdictKind::Damaged,
         ""},
        {"a code length over 16 bits", 1, BitWriter().Put(1, 16).Put(1, 5).Put(0xFFFF, 16).Put(0, 16).Bytes(),
         1, VerdictKind::Damaged, ""},
        {"a single literal code outside its alphabet", 1,
         BitWriter().Put(1, 16).Put(0, 5).Put(0, 5).Put(0, 9).Put(511, 9).Put(0, 16).Bytes(), 1,
         VerdictKind::Damaged, ""},
        {"method 4 literal and match", 4,
         BitWriter().Put(0, 1).Put('x', 8).Put(0b10, 2).Put(1, 1).Put(0, 1).Put(0, 9).Bytes(), 5,
         VerdictKind::Ok, "xxxxx"},
        {"method 4 match before the start", 4, BitWriter().Put(0b10, 2).Put(0, 1).Put(0, 1).Put(0, 9).Bytes(),
         3, VerdictKind::Damaged, ""},
        {"method 4 match past the declared size", 4,
         BitWriter().Put(0, 1).Put('x', 8).Put(0b10, 2).Put(0, 1).Put(0, 1).Put(0, 9).Bytes(), 2,
         VerdictKind::Damaged, ""},
        {"method 4 data ending early", 4, BitWriter().Put(0, 1).Put('x', 8).Bytes(), 5,
         VerdictKind::Truncated, ""},
        {"stored with sizes that differ", 0, {'a', 'b'}, 3, VerdictKind::Damaged, ""},
        {"stored", 0, {'a', 'b'}, 2, VerdictKind::Ok, "ab"},
        {"empty member", 1, {}, 0, VerdictKind::Ok, ""},
        {"unknown method", 5, {'a'}, 1, VerdictKind::Unsupported, ""},
    };
    for (const DecodeCase& c : cases) {
        std::string out;
        const Verdict verdict =
            DecodeArjMember(c.method, c.packed, c.declared, [&](std::span<const uint8_t> piece) {
                out.append(piece.begin(), piece.end());
                return true;
            });
        EXPECT_EQ(verdict.kind, c.expected) << c.why << ": " << verdict.message;
        if (c.expected == VerdictKind::Ok) {
            EXPECT_EQ(out, c.output) << c.why;
        }
        EXPECT_LE(out.size(), c.declared) << c.why;
    }
}

TEST(ArjDecoder, AHugeDeclaredSizeOverATinyStreamStopsWithoutOutput) {
    // Zeros past the end decode as literals, so a lying size could spin out gigabytes; the
    // decoder stops within its first window and hands nothing on.
    for (unsigned method : {1u, 4u}) {
        const std::vector<uint8_t> packed =
            method == 4 ? BitWriter().Put(0, 1).Put('x', 8).Bytes() : SingleSymbolBlock(0xFFFF, 'x').Bytes();
        uint64_t handed = 0;
        const Verdict verdict =
            DecodeArjMember(method, packed, 0xFFFFFFFFu, [&](std::span<const uint8_t> piece) {
                handed += piece.size();
                return true;
            });
        EXPECT_FALSE(verdict.Ok()) << method;
        EXPECT_EQ(handed, 0u) << method;
    }
}

TEST(ArjDecoder, AStoppedSinkStopsTheDecoder) {
    const std::vector<uint8_t> packed = SingleSymbolBlock(3, 'A').Bytes();
    const Verdict verdict = DecodeArjMember(1, packed, 3, [](std::span<const uint8_t>) { return false; });
    EXPECT_EQ(verdict.field, "output");
}

}  // namespace
}  // namespace corvalin
