#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <clocale>
#include <functional>
#include <string>
#include <vector>

#include "archive/ArchiveTestTools.h"
#include "archive/RarReader.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Extracted;
using test::FileText;
using test::ScriptedQuestions;

struct RarSources {
    test::TempDir dir;
    std::filesystem::path out;
    std::string a = test::NumberedText(30000);
    std::string b = test::NumberedText(7000);
    std::string c = "inner text\n";
    RarSources() : out(dir / "out") {
        test::WriteFileText(dir / "src/a.txt", a);
        test::WriteFileText(dir / "src/b.txt", b);
        test::WriteFileText(dir / "src/folder/inner/c.txt", c);
        std::filesystem::create_directories(out);
    }
    std::filesystem::path src() const { return dir / "src"; }
    bool Rar(const std::string& options, const std::string& archive, const std::string& files) const {
        return test::RunIn(src(), "rar a -idq " + options + " ../" + archive + " " + files);
    }
    void ClearOut() const {
        std::filesystem::remove_all(out);
        std::filesystem::create_directories(out);
    }
};

TEST(VEMRar, MembersAreListedWithoutFoldersAndExtractedFlat) {
    REQUIRE_TOOL("rar");
    RarSources s;
    ASSERT_TRUE(s.Rar("-r", "plain.rar", "a.txt folder"));
    VEMRar reader;
    const std::vector<ArchiveMember> members = test::ListMembers(reader, s.dir / "plain.rar", s.out);
    ASSERT_EQ(members.size(), 2u) << "folder entries are never offered";
    EXPECT_EQ(members[0].name, "a.txt");
    EXPECT_EQ(members[0].uncompressedSize, s.a.size());
    EXPECT_EQ(members[1].name, "folder/inner/c.txt");

    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "plain.rar", s.out);
    ASSERT_EQ(extracted.size(), 2u);
    for (const Extracted& e : extracted) ASSERT_TRUE(e.result.verdict.Ok()) << e.result.verdict.message;
    EXPECT_EQ(extracted[1].result.path, s.out / "c.txt");
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
    EXPECT_EQ(FileText(s.out / "c.txt"), s.c);
    EXPECT_EQ(test::FolderEntries(s.out), (std::vector<std::string>{"a.txt", "c.txt"}));

    // An existing file of the same name is replaced.
    test::WriteFileText(s.out / "a.txt", "stale");
    ASSERT_TRUE(test::ExtractAll(reader, s.dir / "plain.rar", s.out).at(0).result.verdict.Ok());
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
}

TEST(VEMRar, ALongNameIsListedCutAndExtractedUnderItsFileName) {
    REQUIRE_TOOL("rar");
    RarSources s;
    std::string folders;
    for (int i = 0; i < 30; ++i) folders += "folder" + std::to_string(i) + "/";
    test::WriteFileText(s.src() / folders / "deep.txt", s.c);
    ASSERT_TRUE(s.Rar("", "long.rar", folders + "deep.txt"));
    VEMRar reader;
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "long.rar", s.out);
    ASSERT_EQ(extracted.size(), 1u);
    EXPECT_EQ(extracted[0].member.name, (folders + "deep.txt").substr(0, VEMRar::kMaxNameChars));
    ASSERT_TRUE(extracted[0].result.verdict.Ok()) << extracted[0].result.verdict.message;
    EXPECT_EQ(FileText(s.out / "deep.txt"), s.c);
}

TEST(VEMRar, AnEncryptedMemberAsksUntilRightAndCancelSkipsOnlyThatMember) {
    REQUIRE_TOOL("rar");
    RarSources s;
    ASSERT_TRUE(s.Rar("-psecret", "pw.rar", "a.txt b.txt"));
    struct Case {
        const char* why;
        std::vector<std::optional<std::string>> answers;
        bool aExtracted;
        size_t asks;
    };
    const Case cases[] = {
        {"right password, kept for the next member", {"secret"}, true, 1},
        {"wrong, then right", {"wrong", "secret"}, true, 2},
        {"cancel, then right for the next member", {std::nullopt, "secret"}, false, 2},
        {"wrong, cancel, then right for the next member", {"wrong", std::nullopt, "secret"}, false, 3},
    };
    for (const Case& c : cases) {
        s.ClearOut();
        ScriptedQuestions questions;
        questions.passwords.assign(c.answers.begin(), c.answers.end());
        VEMRar reader;
        reader.SetQuestions(&questions);
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "pw.rar", s.out);
        ASSERT_EQ(extracted.size(), 2u) << c.why;
        EXPECT_TRUE(extracted[0].member.encrypted) << c.why;
        EXPECT_EQ(extracted[0].result.verdict.Ok(), c.aExtracted)
            << c.why << ": " << extracted[0].result.verdict.message;
        if (!c.aExtracted) {
            EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Encrypted) << c.why;
        }
        EXPECT_TRUE(extracted[1].result.verdict.Ok()) << c.why << ": " << extracted[1].result.verdict.message;
        EXPECT_EQ(questions.passwordAsks.size(), c.asks) << c.why;
        ASSERT_FALSE(questions.passwordAsks.empty()) << c.why;
        EXPECT_EQ(questions.passwordAsks[0], (std::pair<std::string, std::string>{"pw.rar", "a.txt"}))
            << c.why;
        EXPECT_TRUE(questions.errors.empty()) << c.why;
        EXPECT_EQ(std::filesystem::exists(s.out / "a.txt"), c.aExtracted) << c.why;
        if (c.aExtracted) {
            EXPECT_EQ(FileText(s.out / "a.txt"), s.a) << c.why;
        }
        EXPECT_EQ(FileText(s.out / "b.txt"), s.b) << c.why;
    }

    // A password that is always wrong is asked for a bounded number of times.
    s.ClearOut();
    ScriptedQuestions wrong;
    wrong.alwaysPassword = "wrong";
    VEMRar reader;
    reader.SetQuestions(&wrong);
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "pw.rar", s.out);
    ASSERT_EQ(extracted.size(), 2u);
    EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Encrypted);
    EXPECT_EQ(extracted[1].result.verdict.kind, VerdictKind::Encrypted);
    EXPECT_EQ(wrong.passwordAsks.size(), 2u * VEMRar::kMaxPasswordAsks);
    EXPECT_TRUE(test::FolderEntries(s.out).empty());
}

TEST(VEMRar, EncryptedHeadersAskWhenTheArchiveOpens) {
    REQUIRE_TOOL("rar");
    RarSources s;
    ASSERT_TRUE(s.Rar("-hpsecret", "hp.rar", "a.txt b.txt"));
    ScriptedQuestions questions;
    questions.passwords = {"wrong", "secret"};
    VEMRar reader;
    reader.SetQuestions(&questions);
    const std::vector<ArchiveMember> members = test::ListMembers(reader, s.dir / "hp.rar", s.out);
    ASSERT_EQ(members.size(), 2u);
    EXPECT_EQ(questions.passwordAsks.size(), 2u);
    EXPECT_EQ(questions.passwordAsks[0].first, "hp.rar");

    questions.passwords = {"secret"};
    questions.passwordAsks.clear();
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "hp.rar", s.out);
    ASSERT_EQ(extracted.size(), 2u);
    for (const Extracted& e : extracted) EXPECT_TRUE(e.result.verdict.Ok()) << e.result.verdict.message;
    EXPECT_EQ(questions.passwordAsks.size(), 1u) << "the members use the password that opened the archive";
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
    EXPECT_EQ(FileText(s.out / "b.txt"), s.b);

    ScriptedQuestions cancel;
    cancel.passwords = {std::nullopt};
    reader.SetQuestions(&cancel);
    EXPECT_FALSE(reader.Open(s.dir / "hp.rar", s.out));
    EXPECT_EQ(cancel.passwordAsks.size(), 1u);
}

// A volume set whose volumes after the first are not beside it: each one is asked for.
TEST(VEMRar, AVolumeSetAsksForEachMissingVolumeAndCancelStops) {
    REQUIRE_TOOL("rar");
    RarSources s;
    test::WriteFileText(s.src() / "big.txt", test::NumberedText(45000));
    // Stored, so the member spans several 10 KB volumes.
    ASSERT_TRUE(s.Rar("-m0 -v10k", "vol.rar", "big.txt b.txt"));
    ASSERT_TRUE(std::filesystem::exists(s.dir / "vol.part5.rar"));
    const std::string big = FileText(s.src() / "big.txt");

    {
        // All volumes present: one member each, read across the volumes without a question.
        ScriptedQuestions questions;
        VEMRar reader;
        reader.SetQuestions(&questions);
        const std::vector<ArchiveMember> members = test::ListMembers(reader, s.dir / "vol.part1.rar", s.out);
        ASSERT_EQ(members.size(), 2u) << "continuations in later volumes are not members";
        EXPECT_EQ(members[1].name, "b.txt");
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "vol.part1.rar", s.out);
        ASSERT_EQ(extracted.size(), 2u);
        for (const Extracted& e : extracted) EXPECT_TRUE(e.result.verdict.Ok()) << e.result.verdict.message;
        EXPECT_EQ(FileText(s.out / "big.txt"), big);
        EXPECT_EQ(FileText(s.out / "b.txt"), s.b);
        EXPECT_TRUE(questions.volumeAsks.empty());
    }

    // The other volumes move away, each into a folder of its own, as onto other disks.
    const std::filesystem::path disks = s.dir / "disks";
    std::vector<std::string> moved;
    for (int part = 2; std::filesystem::exists(s.dir / ("vol.part" + std::to_string(part) + ".rar"));
         ++part) {
        moved.push_back("vol.part" + std::to_string(part) + ".rar");
        std::filesystem::create_directories(disks / moved.back());
        std::filesystem::rename(s.dir / moved.back(), disks / moved.back() / moved.back());
    }
    ASSERT_GE(moved.size(), 4u);
    const auto disk = [&](size_t i) { return disks / moved[i] / moved[i]; };
    {
        s.ClearOut();
        ScriptedQuestions questions;
        for (size_t i = 0; i < moved.size(); ++i) questions.volumes.push_back(disk(i));
        VEMRar reader;
        reader.SetQuestions(&questions);
        ASSERT_TRUE(reader.Open(s.dir / "vol.part1.rar", s.out));
        ASSERT_EQ(reader.ReadHeader()->name, "big.txt");
        const ExtractResult result = reader.Extract();
        ASSERT_TRUE(result.verdict.Ok()) << result.verdict.message;
        EXPECT_EQ(FileText(result.path), big);
        reader.Close();
        // big.txt spans the first five volumes.
        ASSERT_EQ(questions.volumeAsks.size(), 4u);
        EXPECT_EQ(questions.volumeAsks[0], s.dir / moved[0]);
        for (size_t i = 1; i < 4; ++i) EXPECT_EQ(questions.volumeAsks[i], disks / moved[i - 1] / moved[i]);
    }
    {
        // The person puts the next disk in and answers OK with the same name.
        struct DiskChanger : ScriptedQuestions {
            std::function<void(const std::filesystem::path&)> insert;
            std::optional<std::filesystem::path> AskNextVolume(const std::filesystem::path& volume) override {
                volumeAsks.push_back(volume);
                insert(volume);
                return volume;
            }
        };
        s.ClearOut();
        DiskChanger questions;
        const std::filesystem::path drive = s.dir / "drive";
        std::filesystem::create_directories(drive);
        std::filesystem::copy_file(s.dir / "vol.part1.rar", drive / "vol.part1.rar");
        questions.insert = [&](const std::filesystem::path& volume) {
            for (const auto& entry : std::filesystem::directory_iterator(drive))
                if (entry.path().filename() != "vol.part1.rar") std::filesystem::remove(entry.path());
            const std::string name = volume.filename().string();
            if (std::filesystem::exists(disks / name / name))
                std::filesystem::copy_file(disks / name / name, volume);
        };
        VEMRar reader;
        reader.SetQuestions(&questions);
        const std::vector<Extracted> extracted = test::ExtractAll(reader, drive / "vol.part1.rar", s.out);
        ASSERT_EQ(extracted.size(), 2u);
        for (const Extracted& e : extracted) EXPECT_TRUE(e.result.verdict.Ok()) << e.result.verdict.message;
        EXPECT_EQ(FileText(s.out / "big.txt"), big);
        EXPECT_EQ(FileText(s.out / "b.txt"), s.b);
        ASSERT_EQ(questions.volumeAsks.size(), moved.size()) << "each disk is asked for once";
        for (size_t i = 0; i < moved.size(); ++i) EXPECT_EQ(questions.volumeAsks[i], drive / moved[i]);
    }
    {
        s.ClearOut();
        ScriptedQuestions questions;
        questions.volumes = {disk(0), std::nullopt};
        VEMRar reader;
        reader.SetQuestions(&questions);
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "vol.part1.rar", s.out);
        ASSERT_EQ(extracted.size(), 1u) << "Cancel stops this member and the archive";
        EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Truncated);
        EXPECT_EQ(questions.volumeAsks.size(), 2u);
        EXPECT_TRUE(test::FolderEntries(s.out).empty());
    }
    {
        // An answer that names a volume that is still not there is not asked for forever.
        s.ClearOut();
        ScriptedQuestions questions;
        for (int i = 0; i < 20; ++i) questions.volumes.push_back(s.dir / "nowhere.rar");
        VEMRar reader;
        reader.SetQuestions(&questions);
        const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "vol.part1.rar", s.out);
        ASSERT_EQ(extracted.size(), 1u);
        EXPECT_FALSE(extracted[0].result.verdict.Ok());
        EXPECT_LE(questions.volumeAsks.size(), size_t(VEMRar::kMaxVolumeAsks) + 1);
        EXPECT_TRUE(test::FolderEntries(s.out).empty());
    }
}

TEST(VEMRar, ACrcErrorIsReportedWithTheLibrarysMessageAndLeavesNoFile) {
    REQUIRE_TOOL("rar");
    RarSources s;
    ASSERT_TRUE(s.Rar("-m0", "crc.rar", "a.txt b.txt"));
    ASSERT_TRUE(test::FlipByteAfter(s.dir / "crc.rar", "Line 100 ", 3));
    ScriptedQuestions questions;
    VEMRar reader;
    reader.SetQuestions(&questions);
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "crc.rar", s.out);
    ASSERT_EQ(extracted.size(), 1u) << "after a failure the archive offers no further members";
    EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Damaged);
    ASSERT_EQ(questions.errors.size(), 1u);
    EXPECT_EQ(questions.errors[0], (std::pair<std::string, std::string>{"a.txt", "File CRC error"}));
    EXPECT_TRUE(test::FolderEntries(s.out).empty());
}

TEST(VEMRar, ANonArchiveOpensNot) {
    test::TempDir dir;
    test::WriteFileText(dir / "book.rar", test::NumberedText(5000));
    VEMRar reader;
    EXPECT_FALSE(reader.Open(dir / "book.rar", dir.path()));
    EXPECT_FALSE(reader.Open(dir / "missing.rar", dir.path()));
    EXPECT_FALSE(reader.ReadHeader().has_value());
}

}  // namespace
}  // namespace corvalin

namespace corvalin {
namespace {

TEST(VEMRar, NamesAndPathsOutsideAsciiWorkInAnyLocale) {
    REQUIRE_TOOL("rar");
    RarSources s;
    test::WriteFileText(s.src() / "книга.txt", s.c);
    const std::filesystem::path folder = s.dir / "архив";
    std::filesystem::create_directories(folder);
    ASSERT_TRUE(s.Rar("", "архив/книги.rar", "книга.txt"));
    const std::string saved = setlocale(LC_ALL, nullptr);
    for (const char* locale : {"C", "C.UTF-8"}) {
        if (setlocale(LC_ALL, locale) == nullptr) continue;
        s.ClearOut();
        VEMRar reader;
        const std::vector<Extracted> extracted = test::ExtractAll(reader, folder / "книги.rar", s.out);
        ASSERT_EQ(extracted.size(), 1u) << locale;
        EXPECT_EQ(extracted[0].member.name, "книга.txt") << locale;
        EXPECT_TRUE(extracted[0].result.verdict.Ok())
            << locale << ": " << extracted[0].result.verdict.message;
        EXPECT_EQ(FileText(s.out / "книга.txt"), s.c) << locale;
    }
    setlocale(LC_ALL, saved.c_str());
}

}  // namespace
}  // namespace corvalin

namespace corvalin {
namespace {

// Every process this test process has started (the RAR reader's worker among them).
std::vector<pid_t> ChildProcesses() {
    std::vector<pid_t> children;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task")) {
        std::ifstream list(task.path() / "children");
        for (pid_t pid = 0; list >> pid;) children.push_back(pid);
    }
    return children;
}

// The UnRAR library crashes on some damaged archives; it runs in a worker process, so its
// death costs that archive and nothing else. Here the worker is killed while it waits for a
// password, in the middle of a member.
TEST(VEMRar, AWorkerThatDiesCostsOnlyItsArchive) {
    REQUIRE_TOOL("rar");
    if (!std::filesystem::exists("/proc/self/task/" + std::to_string(getpid()) + "/children"))
        GTEST_SKIP() << "this kernel does not list child processes";
    RarSources s;
    ASSERT_TRUE(s.Rar("-psecret", "pw.rar", "a.txt b.txt"));
    ASSERT_TRUE(s.Rar("", "plain.rar", "a.txt"));
    struct Killer : ScriptedQuestions {
        std::optional<std::string> AskPassword(const std::string& archive,
                                               const std::string& member) override {
            passwordAsks.emplace_back(archive, member);
            for (pid_t child : ChildProcesses()) kill(child, SIGKILL);
            return std::string("secret");
        }
    } questions;
    VEMRar reader;
    reader.SetQuestions(&questions);
    const std::vector<Extracted> extracted = test::ExtractAll(reader, s.dir / "pw.rar", s.out);
    ASSERT_EQ(extracted.size(), 1u) << "nothing more from an archive whose worker died";
    EXPECT_EQ(extracted[0].result.verdict.kind, VerdictKind::Damaged);
    EXPECT_EQ(questions.errors,
              (std::vector<std::pair<std::string, std::string>>{{"a.txt", "Unknown Error"}}));
    EXPECT_TRUE(test::FolderEntries(s.out).empty());

    // The next archive gets a worker of its own.
    const std::vector<Extracted> next = test::ExtractAll(reader, s.dir / "plain.rar", s.out);
    ASSERT_EQ(next.size(), 1u);
    EXPECT_TRUE(next[0].result.verdict.Ok()) << next[0].result.verdict.message;
    EXPECT_EQ(FileText(s.out / "a.txt"), s.a);
    reader.Close();
    EXPECT_TRUE(ChildProcesses().empty()) << "a closed reader leaves no worker behind";
}

}  // namespace
}  // namespace corvalin
