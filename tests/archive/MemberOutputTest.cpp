#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/MemberOutput.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

std::span<const uint8_t> Bytes(const std::string& text) {
    return {reinterpret_cast<const uint8_t*>(text.data()), text.size()};
}

TEST(MemberOutput, KeepsAMemberOfExactlyItsDeclaredSize) {
    test::TempDir dir;
    MemberOutput out;
    ASSERT_TRUE(out.Create(dir / "a.txt", 11));
    ASSERT_TRUE(out.Write(Bytes("hello ")));
    ASSERT_TRUE(out.Write(Bytes("world")));
    const ExtractResult result = out.Finish(Verdict::Good());
    ASSERT_TRUE(result.verdict.Ok()) << result.verdict.message;
    EXPECT_EQ(result.path, dir / "a.txt");
    const std::vector<uint8_t> back = test::ReadBytes(dir / "a.txt");
    EXPECT_EQ(std::string(back.begin(), back.end()), "hello world");
}

TEST(MemberOutput, RemovesWhatFailsAndNeverWritesPastTheDeclaredSize) {
    test::TempDir dir;
    struct Case {
        const char* why;
        uint64_t declared;
        std::string data;
        Verdict verdict;
        VerdictKind expected;
    };
    const Case cases[] = {
        {"more than declared", 4, "hello", Verdict::Good(), VerdictKind::Damaged},
        {"less than declared", 9, "hello", Verdict::Good(), VerdictKind::Truncated},
        {"decoder found a bad checksum", 5, "hello",
         Verdict::Bad(VerdictKind::Damaged, "CRC", "File CRC error"), VerdictKind::Damaged},
    };
    for (const Case& c : cases) {
        MemberOutput out;
        ASSERT_TRUE(out.Create(dir / "m.txt", c.declared)) << c.why;
        out.Write(Bytes(c.data));
        EXPECT_LE(out.Written(), c.declared) << c.why;
        const ExtractResult result = out.Finish(c.verdict);
        EXPECT_EQ(result.verdict.kind, c.expected) << c.why;
        EXPECT_TRUE(result.path.empty()) << c.why;
        EXPECT_FALSE(std::filesystem::exists(dir / "m.txt")) << c.why;
    }
}

TEST(MemberOutput, RefusesAMemberLargerThanTheFreeSpace) {
    test::TempDir dir;
    MemberOutput out;
    EXPECT_FALSE(out.Create(dir / "bomb.txt", FreeBytesIn(dir.path()) + (uint64_t(1) << 30)));
    EXPECT_FALSE(out.Failure().Ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "bomb.txt"));
}

TEST(MemberOutput, AFullDiskFailsTheMemberAndLeavesNothing) {
    test::TempDir dir;
    test::FileSizeLimit limit(1000);
    MemberOutput out;
    ASSERT_TRUE(out.Create(dir / "big.txt", 1 << 20));
    const std::string chunk(4096, 'x');
    bool ok = true;
    for (int i = 0; i < 256 && ok; ++i) ok = out.Write(Bytes(chunk));
    const ExtractResult result = out.Finish(Verdict::Good());
    EXPECT_FALSE(result.verdict.Ok());
    EXPECT_FALSE(std::filesystem::exists(dir / "big.txt"));
}

}  // namespace
}  // namespace corvalin
