#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "archive/ArchiveKinds.h"
#include "archive/ArchiveTestTools.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

TEST(ArchiveKinds, ExtensionsInAnyCase) {
    struct Case {
        const char* name;
        ArchiveKind kind;
    };
    const Case cases[] = {
        {"BOOK.ZIP", ArchiveKind::Zip},       {"book.rar", ArchiveKind::Rar},
        {"Book.Arj", ArchiveKind::Arj},       {"book.lzh", ArchiveKind::Lzh},
        {"book.lha", ArchiveKind::Lzh},       {"book.ha", ArchiveKind::Ha},
        {"book.7z", ArchiveKind::SevenZip},   {"book.tar.gz", ArchiveKind::Tar},
        {"book.TGZ", ArchiveKind::Tar},       {"book.tar.bz2", ArchiveKind::Tar},
        {"book.txz", ArchiveKind::Tar},       {"book.cab", ArchiveKind::Cab},
        {"book.iso", ArchiveKind::Iso},       {"book.txt", ArchiveKind::None},
        {"book.epub", ArchiveKind::None},     {"book.gz", ArchiveKind::None},
        {"zip", ArchiveKind::None},           {"a.b.zip", ArchiveKind::Zip},
        {"shell.lha.txt", ArchiveKind::None},
    };
    for (const Case& c : cases) EXPECT_EQ(ArchiveKindFromExtension(c.name), c.kind) << c.name;
}

TEST(ArchiveKinds, WeakOrMissingSignaturesTellNothing) {
    const std::vector<std::string> heads = {
        "",
        "HA\x02\x00",  // HA's mark is two letters any text may begin with
        std::string("\x60\xEA\x10\x00", 4) + std::string(20, 'x'),  // ARJ mark without its CRC
        "  -lh5- but no header around it",
        "Plain text of a book.\n",
    };
    for (const std::string& head : heads)
        EXPECT_EQ(ArchiveKindFromSignature({reinterpret_cast<const uint8_t*>(head.data()), head.size()}),
                  ArchiveKind::None)
            << head;
}

// Archives made by the real archivers, named right, named wrong and not named at all: the
// front door picks the reader by the signature where it is clear, and every reader it makes
// lists and extracts the member.
TEST(ArchiveKinds, TheFrontDoorReadsRealArchivesEvenWhenRenamed) {
    for (const char* tool : {"zip", "rar", "jlha", "7z", "arj"}) REQUIRE_TOOL(tool);
    test::TempDir dir;
    const std::string text = test::NumberedText(20000);
    test::WriteFileText(dir / "src/book.txt", text);
    struct Case {
        const char* command;  // makes ../<made>
        const char* made;
        const char* renamed;
        ArchiveKind kind;
    };
    const Case cases[] = {
        {"zip -q ../a.zip book.txt", "a.zip", "a.zip", ArchiveKind::Zip},
        {"zip -q ../b.zip book.txt", "b.zip", "b.rar", ArchiveKind::Zip},
        {"zip -q ../c.zip book.txt", "c.zip", "c", ArchiveKind::Zip},
        {"rar a -idq ../d.rar book.txt", "d.rar", "d.zip", ArchiveKind::Rar},
        {"rar a -idq ../e.rar book.txt", "e.rar", "e.rar", ArchiveKind::Rar},
        {"jlha a0q ../f.lzh book.txt", "f.lzh", "f.arj", ArchiveKind::Lzh},
        {"jlha a2q ../g.lzh book.txt", "g.lzh", "g.lzh", ArchiveKind::Lzh},
        {"7z a ../h.7z book.txt", "h.7z", "h.zip", ArchiveKind::SevenZip},
        {"tar czf ../i.tar.gz book.txt", "i.tar.gz", "i.tgz", ArchiveKind::Tar},
        {"tar cf ../j.tar book.txt", "j.tar", "j.lzh", ArchiveKind::Tar},
        {"arj a -y ../k.arj book.txt", "k.arj", "k.zip", ArchiveKind::Arj},
        {"zip -q ../l.zip book.txt", "l.zip", "l.epub", ArchiveKind::None},
        {"cp book.txt ../m.zip", "m.zip", "m.zip", ArchiveKind::Zip},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(test::RunIn(dir / "src", c.command)) << c.command;
        std::filesystem::rename(dir / c.made, dir / c.renamed);
        EXPECT_EQ(DetectArchiveKind(dir / c.renamed), c.kind) << c.renamed;
        std::unique_ptr<MemberReader> reader = MakeMemberReader(DetectArchiveKind(dir / c.renamed));
        if (!reader) {
            EXPECT_EQ(c.kind, ArchiveKind::None) << c.renamed;
            continue;
        }
        const std::filesystem::path out = dir / (std::string(c.renamed) + ".out");
        std::filesystem::create_directories(out);
        const std::vector<test::Extracted> extracted = test::ExtractAll(*reader, dir / c.renamed, out);
        if (std::string(c.made) == "m.zip") {
            EXPECT_TRUE(extracted.empty()) << "a text named .zip lists no member";
            continue;
        }
        ASSERT_EQ(extracted.size(), 1u) << c.renamed;
        EXPECT_EQ(extracted[0].member.name, "book.txt") << c.renamed;
        ASSERT_TRUE(extracted[0].result.verdict.Ok())
            << c.renamed << ": " << extracted[0].result.verdict.message;
        EXPECT_EQ(test::FileText(out / "book.txt"), text) << c.renamed;
    }
}

TEST(ArchiveKinds, EveryKindHasAReader) {
    for (ArchiveKind kind : {ArchiveKind::Zip, ArchiveKind::Rar, ArchiveKind::Arj, ArchiveKind::Ha, ArchiveKind::Lzh,
                             ArchiveKind::SevenZip, ArchiveKind::Tar, ArchiveKind::Cab, ArchiveKind::Iso})
        EXPECT_NE(MakeMemberReader(kind), nullptr) << ArchiveKindName(kind);
    EXPECT_EQ(MakeMemberReader(ArchiveKind::None), nullptr);
}

}  // namespace
}  // namespace corvalin
