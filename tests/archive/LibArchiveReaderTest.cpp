#include <gtest/gtest.h>

#include <clocale>
#include <cstring>
#include <string>
#include <vector>

#include "archive/ArchiveTestTools.h"
#include "archive/LibArchiveReader.h"
#include "archive/LzhDecoder.h"
#include "base/MappedFile.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Extracted;
using test::FileText;
using test::ScriptedQuestions;

// A.TXT of 30 KB and folder/inner/c.txt, zipped with their folder entries.
struct ZipSources {
    test::TempDir dir;
    std::filesystem::path out;
    std::string a = test::NumberedText(30000);
    std::string c = "inner text\n";
    ZipSources() : out(dir / "out") {
        test::WriteFileText(dir / "src/a.txt", a);
        test::WriteFileText(dir / "src/folder/inner/c.txt", c);
        std::filesystem::create_directories(out);
    }
    std::filesystem::path src() const { return dir / "src"; }
};

TEST(LibArchiveReader, ZipMembersAreListedWithoutFoldersAndExtractedFlat) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    ASSERT_TRUE(test::RunIn(s.src(), "zip -q -r ../plain.zip a.txt folder"));
    LibArchiveReader reader;
    const std::vector<ArchiveMember> members = test::ListMembers(reader, s.dir / "plain.zip", s.out);
    ASSERT_EQ(members.size(), 2u) << "folder entries are never offered";
    EXPECT_EQ(members[0].name, "a.txt");
    EXPECT_EQ(members[0].uncompressedSize, s.a.size());
    EXPECT_EQ(members[1].name, "folder/inner/c.txt");
    EXPECT_FALSE(members[0].encrypted);

    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "plain.zip", s.out);
    ASSERT_EQ(extracted.size(), 2u);
    for (const Extracted& e : extracted) ASSERT_TRUE(e.result.verdict.Ok()) << e.result.verdict.message;
    EXPECT_EQ(extracted[1].result.path, s.out / "c.txt");
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
    EXPECT_EQ(FileText(s.out / "c.txt"), s.c);
    EXPECT_EQ(test::FolderEntries(s.out), (std::vector<std::string>{"a.txt", "c.txt"}));
}

TEST(LibArchiveReader, AZip64ArchiveIsRead) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    // -fz writes the 64-bit size fields even for small members.
    ASSERT_TRUE(test::RunIn(s.src(), "zip -q -fz ../big.zip a.txt"));
    LibArchiveReader reader;
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "big.zip", s.out);
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_TRUE(extracted[0].result.verdict.Ok()) << extracted[0].result.verdict.message;
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
}

TEST(LibArchiveReader, AnExistingFileOrLinkOfTheSameNameIsReplaced) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    ASSERT_TRUE(test::RunIn(s.src(), "zip -q ../plain.zip a.txt"));
    test::WriteFileText(s.out / "a.txt", "left from an earlier import");
    LibArchiveReader reader;
    ASSERT_TRUE(test::ExtractAll(reader, s.dir / "plain.zip", s.out).at(0).result.verdict.Ok());
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);

    // A link planted in the destination must not carry the member elsewhere.
    test::WriteFileText(s.dir / "elsewhere.txt", "keep me");
    std::filesystem::remove(s.out / "a.txt");
    std::filesystem::create_symlink(s.dir / "elsewhere.txt", s.out / "a.txt");
    ASSERT_TRUE(test::ExtractAll(reader, s.dir / "plain.zip", s.out).at(0).result.verdict.Ok());
    EXPECT_FALSE(std::filesystem::is_symlink(s.out / "a.txt"));
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
    EXPECT_EQ(FileText(s.dir / "elsewhere.txt"), "keep me");
}

struct PasswordCase {
    const char* why;
    std::vector<std::optional<std::string>> answers;
    bool extracted;
    size_t asks;
};

void CheckPasswordCases(const std::filesystem::path& archive, const std::filesystem::path& out,
                        const std::string& expected) {
    const PasswordCase cases[] = {
        {"right password", {"secret"}, true, 1},
        {"wrong, then right", {"wrong", "secret"}, true, 2},
        {"cancel", {std::nullopt}, false, 1},
        {"wrong, then cancel", {"wrong", std::nullopt}, false, 2},
        {"empty answer is cancel", {""}, false, 1},
        {"always wrong stops asking", {}, false, LibArchiveReader::kMaxPasswordAsks},
    };
    for (const PasswordCase& c : cases) {
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
        ScriptedQuestions questions;
        questions.passwords.assign(c.answers.begin(), c.answers.end());
        if (c.answers.empty()) questions.alwaysPassword = "wrong";
        LibArchiveReader reader;
        reader.SetQuestions(&questions);
        const std::vector<Extracted> extracted = test::ExtractAll(reader, archive, out);
        ASSERT_EQ(extracted.size(), 1u) << c.why;
        EXPECT_TRUE(extracted[0].member.encrypted) << c.why;
        EXPECT_EQ(extracted[0].result.verdict.Ok(), c.extracted)
            << c.why << ": " << extracted[0].result.verdict.message;
        EXPECT_EQ(questions.passwordAsks.size(), c.asks) << c.why;
        if (!questions.passwordAsks.empty()) {
            EXPECT_EQ(questions.passwordAsks[0].first, archive.filename().string()) << c.why;
            EXPECT_EQ(questions.passwordAsks[0].second, "a.txt") << c.why;
        }
        if (c.extracted) {
            EXPECT_EQ(FileText(out / "a.txt"), expected) << c.why;
        } else {
            EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Encrypted) << c.why;
            EXPECT_FALSE(std::filesystem::exists(out / "a.txt")) << c.why;
            EXPECT_TRUE(questions.errors.empty()) << c.why << ": Cancel shows no message";
        }
    }
}

TEST(LibArchiveReader, TraditionalZipEncryptionAsksUntilRightOrCancelled) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    ASSERT_TRUE(test::RunIn(s.src(), "zip -q -e -P secret ../pw.zip a.txt"));
    CheckPasswordCases(s.dir / "pw.zip", s.out, s.a);
}

TEST(LibArchiveReader, AesZipEncryptionAsksUntilRightOrCancelled) {
    REQUIRE_TOOL("7z");
    ZipSources s;
    ASSERT_TRUE(test::RunIn(s.src(), "7z a -tzip -mem=AES256 -psecret ../aes.zip a.txt"));
    CheckPasswordCases(s.dir / "aes.zip", s.out, s.a);
}

TEST(LibArchiveReader, AnEncryptedMemberWithoutQuestionsIsSkipped) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    ASSERT_TRUE(test::RunIn(s.src(), "zip -q -e -P secret ../pw.zip a.txt"));
    LibArchiveReader reader;
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "pw.zip", s.out);
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Encrypted);
}

TEST(LibArchiveReader, AZipCrcErrorIsReportedAndLeavesNoFileButTheNextMemberIsRead) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    // Stored, so the flipped byte reaches the output unchanged and only the CRC tells.
    ASSERT_TRUE(test::RunIn(s.src(), "zip -q -0 ../crc.zip a.txt folder/inner/c.txt"));
    ASSERT_TRUE(test::FlipByteAfter(s.dir / "crc.zip", "Line 100 ", 3));
    ScriptedQuestions questions;
    LibArchiveReader reader;
    reader.SetQuestions(&questions);
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "crc.zip", s.out);
    ASSERT_EQ(extracted.size(), 2u);
    EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Damaged);
    EXPECT_FALSE(std::filesystem::exists(s.out / "a.txt"));
    ASSERT_EQ(questions.errors.size(), 1u);
    EXPECT_EQ(questions.errors[0], (std::pair<std::string, std::string>{"a.txt", "File CRC error"}));
    EXPECT_TRUE(extracted[1].result.verdict.Ok()) << extracted[1].result.verdict.message;
    EXPECT_EQ(FileText(s.out / "c.txt"), s.c);
}

// Archives written by python's zipfile, which stores any name it is given.
bool MakeZipWithPython(const std::filesystem::path& folder, const std::string& script) {
    test::WriteFileText(folder / "make.py", "import zipfile, stat\n" + script);
    return test::RunIn(folder, "python3 make.py");
}

TEST(LibArchiveReader, HostileNamesNeverWriteOutsideTheDestination) {
    REQUIRE_TOOL("python3");
    test::TempDir dir;
    const std::filesystem::path out = dir / "deep/out";
    std::filesystem::create_directories(out);
    const std::string absolute = (dir / "absolute-evil.txt").string();
    ASSERT_TRUE(MakeZipWithPython(dir.path(),
                                  "z = zipfile.ZipFile('evil.zip', 'w')\n"
                                  "z.writestr('../../evil.txt', 'up')\n"
                                  "z.writestr('" +
                                      absolute +
                                      "', 'absolute')\n"
                                      "z.writestr('..\\\\..\\\\dos-evil.txt', 'dos')\n"
                                      "z.writestr('folder/..', 'dots')\n"
                                      "z.writestr('CON', 'device')\n"
                                      "link = zipfile.ZipInfo('link.txt')\n"
                                      "link.create_system = 3\n"
                                      "link.external_attr = (stat.S_IFLNK | 0o777) << 16\n"
                                      "z.writestr(link, '/etc/passwd')\n"
                                      "folder = zipfile.ZipInfo('dos-folder')\n"
                                      "folder.create_system = 0\n"
                                      "folder.external_attr = 0x10\n"
                                      "z.writestr(folder, '')\n"
                                      "z.close()\n"));
    LibArchiveReader reader;
    const std::vector<Extracted> extracted = test::ExtractAll(reader, dir / "evil.zip", out);
    std::vector<std::string> listed;
    for (const Extracted& e : extracted) listed.push_back(e.member.name);
    EXPECT_EQ(listed, (std::vector<std::string>{"../../evil.txt", absolute, "../../dos-evil.txt", "folder/..",
                                                "CON"}))
        << "the link and the DOS folder are not offered; DOS separators are read as folders";
    for (const Extracted& e : extracted) {
        if (!e.result.verdict.Ok()) {
            EXPECT_EQ(e.result.verdict.kind, VerdictKind::Unsupported) << e.member.name;
            continue;
        }
        EXPECT_EQ(e.result.path.parent_path(), out) << e.member.name;
    }
    EXPECT_EQ(test::FolderEntries(out),
              (std::vector<std::string>{"absolute-evil.txt", "dos-evil.txt", "evil.txt"}));
    EXPECT_EQ(
        test::FolderEntries(dir.path()),
        (std::vector<std::string>{"deep", "deep/out", "deep/out/absolute-evil.txt", "deep/out/dos-evil.txt",
                                  "deep/out/evil.txt", "evil.zip", "make.py"}));
}

// Patches the uncompressed size of the only member in the local and the central header.
void SetZipUncompressedSize(const std::filesystem::path& path, uint32_t size) {
    std::string bytes = FileText(path);
    const size_t local = bytes.find("PK\x03\x04");
    const size_t central = bytes.find("PK\x01\x02");
    ASSERT_NE(local, std::string::npos);
    ASSERT_NE(central, std::string::npos);
    for (int i = 0; i < 4; ++i) {
        bytes[local + 22 + i] = char(size >> (8 * i));
        bytes[central + 24 + i] = char(size >> (8 * i));
    }
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

TEST(LibArchiveReader, AMemberWhoseDataDisagreesWithItsDeclaredSizeFailsCleanly) {
    REQUIRE_TOOL("zip");
    ZipSources s;
    struct Case {
        const char* why;
        uint32_t declared;
    };
    const Case cases[] = {
        {"a bomb: 30000 bytes of output declared as 1000", 1000},
        {"output shorter than declared", 300000},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(s.dir / "bomb.zip");
        ASSERT_TRUE(test::RunIn(s.src(), "zip -q -9 ../bomb.zip a.txt"));
        SetZipUncompressedSize(s.dir / "bomb.zip", c.declared);
        LibArchiveReader reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "bomb.zip", s.out);
        ASSERT_EQ(extracted.size(), 1u) << c.why;
        EXPECT_EQ(extracted[0].member.uncompressedSize, c.declared) << c.why;
        EXPECT_FALSE(extracted[0].result.verdict.Ok()) << c.why;
        EXPECT_TRUE(extracted[0].result.path.empty()) << c.why;
        EXPECT_TRUE(test::FolderEntries(s.out).empty()) << c.why;
    }
}

TEST(LibArchiveReader, SevenZipAndCompressedTarArchivesAreRead) {
    REQUIRE_TOOL("7z");
    ZipSources s;
    ASSERT_TRUE(test::RunIn(s.src(), "7z a ../s.7z a.txt folder"));
    ASSERT_TRUE(test::RunIn(s.src(), "tar czf ../t.tar.gz a.txt folder"));
    ASSERT_TRUE(test::RunIn(s.src(), "tar cJf ../t.tar.xz a.txt folder"));
    for (const char* name : {"s.7z", "t.tar.gz", "t.tar.xz"}) {
        std::filesystem::remove_all(s.out);
        std::filesystem::create_directories(s.out);
        LibArchiveReader reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / name, s.out);
        ASSERT_EQ(extracted.size(), 2u) << name;
        for (const Extracted& e : extracted)
            EXPECT_TRUE(e.result.verdict.Ok()) << name << ": " << e.result.verdict.message;
        EXPECT_EQ(FileText(s.out / "a.txt"), s.a) << name;
        EXPECT_EQ(FileText(s.out / "c.txt"), s.c) << name;
    }
}

TEST(LibArchiveReader, ANonArchiveOpensNot) {
    test::TempDir dir;
    test::WriteFileText(dir / "book.zip", test::NumberedText(5000));
    test::WriteFileText(dir / "empty.zip", "");
    LibArchiveReader reader;
    EXPECT_FALSE(reader.Open(dir / "book.zip", dir.path()));
    EXPECT_FALSE(reader.Open(dir / "empty.zip", dir.path()));
    EXPECT_FALSE(reader.Open(dir / "missing.zip", dir.path()));
    EXPECT_FALSE(reader.ReadHeader().has_value());
}

// LZH archives written by jlha at every header level, with the methods it writes.
TEST(LibArchiveReader, LzhArchivesOfEveryHeaderLevelAreRead) {
    REQUIRE_TOOL("jlha");
    ZipSources s;
    struct Case {
        const char* options;
        const char* method;
    };
    const Case cases[] = {{"a0o5q", "-lh5-"}, {"a1o6q", "-lh6-"}, {"a2o7q", "-lh7-"}, {"a1zq", "-lh0-"}};
    for (const Case& c : cases) {
        const std::string name = std::string(c.options) + ".lzh";
        ASSERT_TRUE(test::RunIn(
            s.src(), std::string("jlha ") + c.options + " ../" + name + " a.txt folder/inner/c.txt"));
        std::filesystem::remove_all(s.out);
        std::filesystem::create_directories(s.out);
        LibArchiveReader reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / name, s.out);
        ASSERT_EQ(extracted.size(), 2u) << c.options;
        EXPECT_EQ(extracted[1].member.name, "folder/inner/c.txt") << c.options;
        for (const Extracted& e : extracted)
            EXPECT_TRUE(e.result.verdict.Ok()) << c.options << ": " << e.result.verdict.message;
        EXPECT_EQ(FileText(s.out / "a.txt"), s.a) << c.options;
        EXPECT_EQ(FileText(s.out / "c.txt"), s.c) << c.options;
    }
}

std::filesystem::path LzhFixtures() { return std::filesystem::path(CORVALIN_SHARED_FIXTURES) / "lzh"; }

// Third-party archives from DOS LHA 2.13 and Amiga LHA 1.22: every member equals what lhasa
// extracts, and the short licence texts equal the GPL-2 text they were made from.
TEST(LibArchiveReader, ThirdPartyLzhArchivesMatchTheReferenceExtractor) {
    if (!std::filesystem::is_directory(LzhFixtures())) GTEST_SKIP() << "no LZH fixtures in " << LzhFixtures();
    REQUIRE_TOOL("lha");
    test::TempDir dir;
    const std::string gpl2 = FileText("/usr/share/common-licenses/GPL-2");
    struct Case {
        const char* file;
        const char* member;
        bool isGpl2;
    };
    const Case cases[] = {
        {"lh0.lzh", "GPL-2.GZ", false},      {"lh4.lzh", "gpl-2", true},
        {"lh5.lzh", "GPL-2", true},          {"level0.lzh", "subdir/subdir2/hello.txt", false},
        {"lh4_long.lzh", "long.txt", false}, {"lh5_long.lzh", "LONG.TXT", false},
        {"sfx.exe", "GPL-2", true},
    };
    for (const Case& c : cases) {
        const std::filesystem::path ours = dir / c.file / "ours";
        const std::filesystem::path reference = dir / c.file / "reference";
        std::filesystem::create_directories(ours);
        std::filesystem::create_directories(reference);
        ASSERT_TRUE(test::RunIn(reference, "lha -xqi '" + (LzhFixtures() / c.file).string() + "'")) << c.file;
        LibArchiveReader reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, LzhFixtures() / c.file, ours);
        ASSERT_EQ(extracted.size(), 1u) << c.file;
        EXPECT_EQ(extracted[0].member.name, c.member) << c.file;
        ASSERT_TRUE(extracted[0].result.verdict.Ok())
            << c.file << ": " << extracted[0].result.verdict.message;
        const std::string fileName = std::filesystem::path(c.member).filename().string();
        const std::string text = FileText(ours / fileName);
        EXPECT_EQ(text.size(), extracted[0].member.uncompressedSize) << c.file;
        EXPECT_EQ(text, FileText(reference / fileName)) << c.file;
        if (c.isGpl2) {
            EXPECT_EQ(text, gpl2) << c.file;
        }
    }
}

TEST(LibArchiveReader, ADamagedLzhMemberFailsSilentlyAndLeavesNoFile) {
    if (!std::filesystem::is_directory(LzhFixtures())) GTEST_SKIP() << "no LZH fixtures in " << LzhFixtures();
    test::TempDir dir;
    for (const char* file : {"lh4.lzh", "lh5.lzh", "lh0.lzh"}) {
        const std::filesystem::path copy = dir / file;
        std::filesystem::copy_file(LzhFixtures() / file, copy);
        std::filesystem::permissions(copy, std::filesystem::perms::owner_write,
                                     std::filesystem::perm_options::add);
        std::string bytes = FileText(copy);
        bytes[bytes.size() - 200] = char(~bytes[bytes.size() - 200]);
        std::ofstream(copy, std::ios::binary | std::ios::trunc) << bytes;
        ScriptedQuestions questions;
        LibArchiveReader reader;
        reader.SetQuestions(&questions);
        const std::filesystem::path out = dir / (std::string(file) + ".out");
        std::filesystem::create_directories(out);
        const std::vector<Extracted> extracted = test::ExtractAll(reader, copy, out);
        ASSERT_EQ(extracted.size(), 1u) << file;
        EXPECT_FALSE(extracted[0].result.verdict.Ok()) << file;
        EXPECT_TRUE(test::FolderEntries(out).empty()) << file;
        EXPECT_TRUE(questions.errors.empty()) << file << ": LZH checksum failures are silent";
    }
}

// jlha cannot write -lh4-, but its -lh5- stream of a text shorter than -lh4-'s 4 KB window is
// also a valid -lh4- stream (same codes, no match reaches further back): renaming the method
// and fixing the level-0 header checksum makes an -lh4- archive.
TEST(LibArchiveReader, AnLh4ArchiveIsDecodedByOurOwnDecoder) {
    REQUIRE_TOOL("jlha");
    ZipSources s;
    const std::string text = test::NumberedText(3000);
    test::WriteFileText(s.src() / "short.txt", text);
    ASSERT_TRUE(test::RunIn(s.src(), "jlha a0q ../lh4.lzh short.txt"));
    std::string bytes = FileText(s.dir / "lh4.lzh");
    ASSERT_EQ(bytes.substr(2, 5), "-lh5-");
    bytes[5] = '4';
    unsigned sum = 0;
    for (size_t i = 2; i < 2 + size_t(uint8_t(bytes[0])); ++i) sum += uint8_t(bytes[i]);
    bytes[1] = char(sum);
    std::ofstream(s.dir / "lh4.lzh", std::ios::binary | std::ios::trunc) << bytes;

    LibArchiveReader reader;
    std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "lh4.lzh", s.out);
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_EQ(reader.FormatName(), "lha -lh4-");
    ASSERT_TRUE(extracted[0].result.verdict.Ok()) << extracted[0].result.verdict.message;
    EXPECT_EQ(FileText(s.out / "short.txt"), text);

    // A flipped bit in the data fails the CRC (or the codes) and leaves no file.
    bytes[bytes.size() - 10] = char(bytes[bytes.size() - 10] ^ 0x10);
    std::ofstream(s.dir / "lh4.lzh", std::ios::binary | std::ios::trunc) << bytes;
    std::filesystem::remove(s.out / "short.txt");
    extracted = test::ExtractAll(reader, s.dir / "lh4.lzh", s.out);
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_FALSE(extracted[0].result.verdict.Ok());
    EXPECT_TRUE(test::FolderEntries(s.out).empty());
}

// Our -lh4- decoder is the -lh5- to -lh7- decoder with another window, so it must give what
// libarchive gives on every archive libarchive can decode.
TEST(LzhDecoder, DecodesWhatLibarchiveDecodes) {
    REQUIRE_TOOL("jlha");
    ZipSources s;
    test::WriteFileText(s.src() / "big.txt", test::NumberedText(300000) + std::string(70000, ' ') + s.a);
    std::vector<std::filesystem::path> archives;
    for (const char* options : {"a0o5q", "a1o6q", "a2o7q"}) {
        archives.push_back(s.dir / (std::string(options) + ".lzh"));
        ASSERT_TRUE(test::RunIn(
            s.src(), std::string("jlha ") + options + " " + archives.back().string() + " big.txt"));
    }
    if (std::filesystem::is_directory(LzhFixtures())) archives.push_back(LzhFixtures() / "lh5_long.lzh");
    const std::string reference = test::NumberedText(300000) + std::string(70000, ' ') + s.a;
    for (const std::filesystem::path& archive : archives) {
        MappedFile file;
        ASSERT_TRUE(file.Open(archive));
        const std::span<const uint8_t> bytes = file.Bytes();
        const std::string method(reinterpret_cast<const char*>(bytes.data()) + 2, 5);
        const std::optional<LzhMemberData> data = LocateLzhMember(bytes, 0, method);
        ASSERT_TRUE(data.has_value()) << archive;
        std::string out;
        const Verdict verdict =
            DecodeLzhStatic(bytes.subspan(data->dataOffset, data->compressedSize), *LzhDictionaryBits(method),
                            data->originalSize, [&](std::span<const uint8_t> piece) {
                                out.append(reinterpret_cast<const char*>(piece.data()), piece.size());
                                return true;
                            });
        ASSERT_TRUE(verdict.Ok()) << archive << ": " << verdict.message;
        EXPECT_EQ(LzhCrc16(0, {reinterpret_cast<const uint8_t*>(out.data()), out.size()}), data->crc16)
            << archive;
        LibArchiveReader reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, archive, s.out);
        ASSERT_EQ(extracted.size(), 1u);
        ASSERT_TRUE(extracted[0].result.verdict.Ok());
        EXPECT_TRUE(out == FileText(extracted[0].result.path)) << archive;
        if (archive.parent_path() == s.dir.path()) {
            EXPECT_TRUE(out == reference) << archive;
        }

        // Cut short anywhere, the data gives a verdict and never more than was asked for.
        for (const size_t keep : {size_t(0), size_t(1), data->compressedSize / 2, data->compressedSize - 1}) {
            uint64_t produced = 0;
            const Verdict cut =
                DecodeLzhStatic(bytes.subspan(data->dataOffset, keep), *LzhDictionaryBits(method),
                                data->originalSize, [&](std::span<const uint8_t> piece) {
                                    produced += piece.size();
                                    return true;
                                });
            EXPECT_FALSE(cut.Ok()) << archive << " cut to " << keep;
            EXPECT_LE(produced, data->originalSize);
        }
    }
}

}  // namespace
}  // namespace corvalin

namespace corvalin {
namespace {

// ZIP names are UTF-8 when flagged so and code page 437 otherwise; the reader's answer must
// not depend on the locale the program runs in.
TEST(LibArchiveReader, MemberNamesComeAsUtf8InAnyLocale) {
    REQUIRE_TOOL("python3");
    test::TempDir dir;
    ASSERT_TRUE(MakeZipWithPython(dir.path(),
                                  "z = zipfile.ZipFile('names.zip', 'w')\n"
                                  "z.writestr('книга.txt', 'utf-8 flagged')\n"
                                  "z.writestr('M\\u00e4rchen.txt', 'code page 437')\n"
                                  "z.close()\n"));
    const std::string saved = setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (setlocale(LC_ALL, locale) == nullptr) continue;
        const std::filesystem::path out = dir / locale;
        std::filesystem::create_directories(out);
        LibArchiveReader reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, dir / "names.zip", out);
        ASSERT_EQ(extracted.size(), 2u) << locale;
        EXPECT_EQ(extracted[0].member.name, "книга.txt") << locale;
        EXPECT_EQ(extracted[1].member.name, "Märchen.txt") << locale;
        EXPECT_EQ(FileText(out / "книга.txt"), "utf-8 flagged") << locale;
        EXPECT_EQ(FileText(out / "Märchen.txt"), "code page 437") << locale;
    }
    setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace corvalin
