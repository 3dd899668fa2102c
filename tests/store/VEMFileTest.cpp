#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "store/VEMFile.h"

namespace corvalin {
namespace {

namespace fs = std::filesystem;

constexpr int kShift4K = 12;
constexpr int64_t kCluster4K = 4096;

std::vector<uint8_t> Pattern(size_t count, uint32_t seed = 1) {
    std::mt19937 random(seed);
    std::vector<uint8_t> bytes(count);
    for (uint8_t& b : bytes) b = static_cast<uint8_t>(random());
    return bytes;
}

class VEMFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::random_device entropy;
        dir_ = fs::temp_directory_path() /
               ("corvalin-vemfile-" + std::to_string(::getpid()) + "-" + std::to_string(entropy()));
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(dir_, ignored);
    }

    fs::path Path(const std::string& name) const { return dir_ / name; }

    fs::path MakeFile(const std::string& name, const std::vector<uint8_t>& bytes) const {
        fs::path path = Path(name);
        std::ofstream out(path, std::ios::binary);
        out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return path;
    }

    static std::vector<uint8_t> FileBytes(const fs::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    static void OpenPath(VEMFile& file, const fs::path& path, FileMode mode, int shift, int count) {
        int handle = OpenFileHandle(path, mode);
        ASSERT_GE(handle, 0) << path;
        file.Open(handle, shift, count);
    }

    static std::vector<uint8_t> ReadBack(VEMFile& file, int64_t position, int64_t length) {
        std::vector<uint8_t> bytes(static_cast<size_t>(length), 0x5A);
        file.Read(bytes.data(), length, position);
        return bytes;
    }

private:
    fs::path dir_;
};

std::vector<uint8_t> Slice(const std::vector<uint8_t>& bytes, size_t start, size_t count) {
    return {bytes.begin() + static_cast<std::ptrdiff_t>(start),
            bytes.begin() + static_cast<std::ptrdiff_t>(start + count)};
}

TEST_F(VEMFileTest, ReadsAcrossClustersAndZeroOutsideTheData) {
    std::vector<uint8_t> content = Pattern(3 * kCluster4K - 100);
    fs::path path = MakeFile("span.bin", content);
    VEMFile file;
    OpenPath(file, path, FileMode::Read, kShift4K, 2);
    EXPECT_TRUE(file.IsOpen());
    EXPECT_EQ(file.Length(), static_cast<int64_t>(content.size()));

    EXPECT_EQ(ReadBack(file, kCluster4K - 100, 200), Slice(content, kCluster4K - 100, 200));
    // three clusters through a cache of two
    EXPECT_EQ(ReadBack(file, 0, static_cast<int64_t>(content.size())), content);

    std::vector<uint8_t> tail = ReadBack(file, file.Length() - 10, 30);
    EXPECT_EQ(Slice(tail, 0, 10), Slice(content, content.size() - 10, 10));
    EXPECT_EQ(Slice(tail, 10, 20), std::vector<uint8_t>(20, 0));

    std::vector<uint8_t> head = ReadBack(file, -10, 20);
    EXPECT_EQ(Slice(head, 0, 10), std::vector<uint8_t>(10, 0));
    EXPECT_EQ(Slice(head, 10, 10), Slice(content, 0, 10));
    EXPECT_EQ(ReadBack(file, 1 << 30, 8), std::vector<uint8_t>(8, 0));
}

TEST_F(VEMFileTest, WritingPastTheEndGrowsAndLongerSetLengthChangesNothing) {
    fs::path path = Path("grow.bin");
    VEMFile file;
    OpenPath(file, path, FileMode::Create, kShift4K, 2);
    EXPECT_EQ(file.Length(), 0);
    std::vector<uint8_t> bytes = Pattern(10);
    file.Write(bytes.data(), 10, 5000);
    EXPECT_EQ(file.Length(), 5010);
    EXPECT_EQ(ReadBack(file, 0, 5000), std::vector<uint8_t>(5000, 0));
    file.SetLength(9000);
    EXPECT_EQ(file.Length(), 5010);
    file.Close();
    EXPECT_FALSE(file.IsOpen());
    file.Close();  // closing twice does nothing

    std::vector<uint8_t> expected(5010, 0);
    std::copy(bytes.begin(), bytes.end(), expected.begin() + 5000);
    EXPECT_EQ(FileBytes(path), expected);
}

TEST_F(VEMFileTest, ShorterSetLengthTruncatesAndForgetsTheCutBytes) {
    std::vector<uint8_t> content(3 * kCluster4K, 0xAA);
    fs::path path = MakeFile("cut.bin", content);
    VEMFile file;
    OpenPath(file, path, FileMode::ReadWrite, kShift4K, 3);
    ReadBack(file, 0, file.Length());  // every cluster holds data now
    const uint8_t kMark = 0x11;
    file.Write(&kMark, 1, 5);  // dirty data must survive the cut

    const int64_t kCut = kCluster4K + 100;
    file.SetLength(kCut);
    EXPECT_EQ(file.Length(), kCut);
    EXPECT_EQ(static_cast<int64_t>(fs::file_size(path)), kCut);

    std::vector<uint8_t> straddling = ReadBack(file, kCluster4K, kCluster4K);
    EXPECT_EQ(Slice(straddling, 0, 100), std::vector<uint8_t>(100, 0xAA));
    EXPECT_EQ(Slice(straddling, 100, kCluster4K - 100), std::vector<uint8_t>(kCluster4K - 100, 0));
    EXPECT_EQ(ReadBack(file, 2 * kCluster4K, 16), std::vector<uint8_t>(16, 0));

    // a write beyond the cut inside the straddling cluster leaves a gap that must not show
    // the old bytes still lying in the buffer
    file.Write(&kMark, 1, kCut + 200);
    EXPECT_EQ(file.Length(), kCut + 201);
    EXPECT_EQ(ReadBack(file, kCut, 200), std::vector<uint8_t>(200, 0));
    file.Close();

    std::vector<uint8_t> expected(static_cast<size_t>(kCut + 201), 0);
    std::fill(expected.begin(), expected.begin() + kCut, 0xAA);
    expected[5] = kMark;
    expected.back() = kMark;
    EXPECT_EQ(FileBytes(path), expected);
}

TEST_F(VEMFileTest, RandomWritesOverManyClustersThroughTwoLoseNothing) {
    std::vector<uint8_t> model = Pattern(40 * kCluster4K + 123, 7);
    fs::path path = MakeFile("random.bin", model);
    VEMFile file;
    OpenPath(file, path, FileMode::ReadWrite, kShift4K, 2);

    std::mt19937 random(20240611);
    const int64_t kSpan = 64 * kCluster4K;  // reaches well past the original end
    for (int step = 0; step < 3000; ++step) {
        int64_t position = static_cast<int64_t>(random() % kSpan);
        int64_t length = 1 + static_cast<int64_t>(random() % (2 * kCluster4K));
        if (random() % 3 == 0) {
            std::vector<uint8_t> expected(static_cast<size_t>(length), 0);
            for (int64_t i = 0; i < length; ++i)
                if (position + i < static_cast<int64_t>(model.size())) expected[i] = model[position + i];
            ASSERT_EQ(ReadBack(file, position, length), expected) << "step " << step;
        } else {
            std::vector<uint8_t> bytes = Pattern(static_cast<size_t>(length), random());
            file.Write(bytes.data(), length, position);
            if (position + length > static_cast<int64_t>(model.size())) model.resize(position + length, 0);
            std::copy(bytes.begin(), bytes.end(), model.begin() + position);
        }
        ASSERT_EQ(file.Length(), static_cast<int64_t>(model.size())) << "step " << step;
    }
    file.Close();
    EXPECT_EQ(FileBytes(path), model);
}

TEST_F(VEMFileTest, IoFailuresRaiseCodeOne) {
    struct Case {
        const char* name;
        std::function<void(VEMFile&, const fs::path&)> action;
    };
    const uint8_t kByte = 1;
    const Case kCases[] = {
        {"flush of a write to a read-only file",
         [&](VEMFile& f, const fs::path&) {
             f.Write(&kByte, 1, 0);
             f.Flush();
         }},
        {"close of a write to a read-only file",
         [&](VEMFile& f, const fs::path&) {
             f.Write(&kByte, 1, 0);
             f.Close();
         }},
        {"cluster reuse writes back the dirty cluster",
         [&](VEMFile& f, const fs::path&) {
             f.Write(&kByte, 1, 0);
             uint8_t sink[4];
             f.Read(sink, 4, 2 * kCluster4K);
             f.Read(sink, 4, kCluster4K);
         }},
        {"set length flushes first",
         [&](VEMFile& f, const fs::path&) {
             f.Write(&kByte, 1, 0);
             f.SetLength(0);
         }},
        {"truncating a read-only file", [&](VEMFile& f, const fs::path&) { f.SetLength(10); }},
        {"reading a file that shrank behind our back",
         [&](VEMFile& f, const fs::path& path) {
             fs::resize_file(path, 100);
             uint8_t sink[4];
             f.Read(sink, 4, 2 * kCluster4K);
         }},
    };
    std::vector<uint8_t> content = Pattern(3 * kCluster4K);
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        fs::path path = MakeFile("readonly.bin", content);
        {
            VEMFile file;
            OpenPath(file, path, FileMode::Read, kShift4K, 2);
            try {
                c.action(file, path);
                ADD_FAILURE() << "no error raised";
            } catch (const FileError& error) {
                EXPECT_EQ(error.code(), 1);
            }
        }  // the destructor swallows the repeated write-back failure
        if (fs::file_size(path) == content.size()) {
            EXPECT_EQ(FileBytes(path), content);
        }
    }
}

TEST_F(VEMFileTest, HandleThatFailedToOpenReadsZerosAndRefusesWrites) {
    int handle = OpenFileHandle(Path("missing.bin"), FileMode::Read);
    EXPECT_EQ(handle, -1);
    VEMFile file;
    file.Open(handle, kShift4K, 2);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.Length(), -1);
    EXPECT_EQ(ReadBack(file, 0, 8), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(file.ReadU32BE(0), 0u);
    EXPECT_EQ(file.ReadText(10, 0), "");
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0, 0));
    const uint8_t kByte = 1;
    EXPECT_THROW(file.Write(&kByte, 1, 0), FileError);
    EXPECT_NO_THROW(file.Close());
}

TEST_F(VEMFileTest, CreateTruncatesAnExistingFile) {
    fs::path path = MakeFile("old.bin", Pattern(500));
    VEMFile file;
    OpenPath(file, path, FileMode::Create, kShift4K, 1);
    EXPECT_EQ(file.Length(), 0);
}

TEST_F(VEMFileTest, TextAndBigEndianNumbersAcrossAClusterEdge) {
    // "abcdefghij" starts 6 bytes before the second cluster; "klm" runs to the end of the file
    const std::string kTail("abcdefghij\0klm", 14);
    std::vector<uint8_t> content(kCluster4K - 6 + kTail.size(), 'x');
    std::copy(kTail.begin(), kTail.end(), content.end() - static_cast<std::ptrdiff_t>(kTail.size()));
    fs::path path = MakeFile("text.bin", content);
    VEMFile file;
    OpenPath(file, path, FileMode::Read, kShift4K, 2);
    const int64_t kStart = kCluster4K - 6;

    EXPECT_EQ(file.ReadText(3, kStart), "abc");
    EXPECT_EQ(file.ReadText(100, kStart), "abcdefghij");
    EXPECT_EQ(file.ReadText(0, kStart), "");
    EXPECT_EQ(file.ReadText(10, -5), "");

    int64_t cursor = kStart;
    EXPECT_EQ(file.ReadTextAt(cursor), "abcdefghij");
    EXPECT_EQ(cursor, kStart + 11);  // past the zero byte
    EXPECT_EQ(file.ReadTextAt(cursor), "klm");
    EXPECT_EQ(cursor, file.Length());  // ended by the data, nothing more consumed
    EXPECT_EQ(file.ReadTextAt(cursor), "");
    EXPECT_EQ(cursor, file.Length());

    EXPECT_EQ(file.ReadU16BE(kStart), 0x6162);
    EXPECT_EQ(file.ReadU32BE(kCluster4K - 2), 0x65666768u);  // "efgh" across the edge
    EXPECT_EQ(file.ReadU32BE(file.Length() - 2), 0x6C6D0000u);
}

TEST_F(VEMFileTest, HolesReadAsZeroWhateverTheBuffersHeldBefore) {
    fs::path path = Path("holes.bin");
    VEMFile file;
    OpenPath(file, path, FileMode::Create, kShift4K, 2);
    const std::vector<uint8_t> kOld(kCluster4K, 0xAA);
    const uint8_t kMark = 0x11;
    file.Write(kOld.data(), kCluster4K, 0);
    file.Write(kOld.data(), kCluster4K, kCluster4K);
    // Reuses the first buffer; the disk now ends after the first cluster while the logical end
    // lies after this byte.
    file.Write(&kMark, 1, 5 * kCluster4K);

    // between the disk's end and the logical end, fetched into a buffer full of old bytes
    EXPECT_EQ(ReadBack(file, 2 * kCluster4K, kCluster4K), std::vector<uint8_t>(kCluster4K, 0));

    // a cluster whose data ends early, then the end moves on through another cluster
    file.SetLength(kCluster4K + 10);
    EXPECT_EQ(ReadBack(file, kCluster4K, 10), std::vector<uint8_t>(10, 0xAA));
    file.Write(&kMark, 1, 3 * kCluster4K);
    EXPECT_EQ(ReadBack(file, kCluster4K + 10, kCluster4K - 10), std::vector<uint8_t>(kCluster4K - 10, 0));
    file.Close();

    std::vector<uint8_t> expected(3 * kCluster4K + 1, 0);
    std::fill(expected.begin(), expected.begin() + kCluster4K + 10, 0xAA);
    expected.back() = kMark;
    EXPECT_EQ(FileBytes(path), expected);
}

TEST_F(VEMFileTest, TextStopsAtAHoleInTheFile) {
    fs::path path = Path("hole.bin");
    VEMFile file;
    OpenPath(file, path, FileMode::Create, kShift4K, 2);
    const std::string kWord = "word";
    file.Write(kWord.data(), 4, 0);
    file.Write(kWord.data(), 4, 3 * kCluster4K);
    int64_t cursor = 0;
    EXPECT_EQ(file.ReadTextAt(cursor), "word");
    EXPECT_EQ(cursor, 5);
    EXPECT_EQ(file.ReadTextAt(cursor), "");
    EXPECT_EQ(cursor, 6);
}

TEST_F(VEMFileTest, FileCursorWritesAdvancesAndRefusesReadsPastTheEnd) {
    fs::path path = Path("cursor.bin");
    VEMFile file;
    OpenPath(file, path, FileMode::Create, kShift4K, 2);
    FileCursor out(file, 10);
    RecordWriter writer = out.writer();
    writer.write(writer.context, reinterpret_cast<const uint8_t*>("hello"), 5);
    writer.write(writer.context, reinterpret_cast<const uint8_t*>(" world"), 6);
    EXPECT_EQ(out.position(), 21);
    EXPECT_EQ(file.Length(), 21);

    FileCursor in(file, 10);
    RecordReader reader = in.reader();
    char text[12] = {};
    reader.read(reader.context, reinterpret_cast<uint8_t*>(text), 5);
    EXPECT_EQ(std::string(text), "hello");
    EXPECT_EQ(in.position(), 15);

    EXPECT_NO_THROW(reader.read(reader.context, nullptr, 6));  // exactly what is left
    EXPECT_EQ(in.position(), 15);
    EXPECT_THROW(reader.read(reader.context, nullptr, 7), FileError);
    EXPECT_THROW(reader.read(reader.context, reinterpret_cast<uint8_t*>(text), 7), FileError);
    EXPECT_EQ(in.position(), 15);
    reader.read(reader.context, reinterpret_cast<uint8_t*>(text), 6);
    EXPECT_EQ(std::string(text, 6), " world");
    EXPECT_EQ(in.position(), 21);

    FileCursor beforeStart(file, -1);
    RecordReader bad = beforeStart.reader();
    EXPECT_THROW(bad.read(bad.context, nullptr, 1), FileError);
}

TEST_F(VEMFileTest, VerifyDigestReportsAFileTooShortForTheDigest) {
    fs::path path = MakeFile("short.bin", Pattern(100));
    VEMFile file;
    OpenPath(file, path, FileMode::ReadWrite, kShift4K, 2);
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0, 85));
    file.WriteDigest(kDigestLength, kDigestRounds, SeedA(), 0, 84);
    EXPECT_EQ(file.Length(), 100);
    EXPECT_FALSE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0, 84));
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0, 85));
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 50, 40));
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), -1, 84));
}

TEST_F(VEMFileTest, SealedRangeVerifiesAndAnyFlippedByteBreaksIt) {
    // 32-byte clusters so the range is fed from many cluster buffers
    const int kShift32 = 5;
    const int64_t kStart = 10;
    const int64_t kEnd = 150;
    std::vector<uint8_t> content = Pattern(kEnd);
    fs::path path = MakeFile("sealed.bin", content);
    VEMFile file;
    OpenPath(file, path, FileMode::ReadWrite, kShift32, 2);
    file.WriteDigest(kDigestLength, kDigestRounds, SeedA(), kStart, kEnd);
    EXPECT_EQ(file.Length(), kEnd + kDigestLength);
    EXPECT_FALSE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), kStart, kEnd));
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedB(), kStart, kEnd));

    for (int64_t i = kStart; i < kEnd + kDigestLength; ++i) {
        uint8_t byte = 0;
        file.Read(&byte, 1, i);
        uint8_t flipped = byte ^ 0x80;
        file.Write(&flipped, 1, i);
        EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), kStart, kEnd)) << "byte " << i;
        file.Write(&byte, 1, i);
    }
    EXPECT_FALSE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), kStart, kEnd));
    file.Close();

    std::vector<uint8_t> onDisk = FileBytes(path);
    std::vector<uint8_t> expected = ComputeDigest(SeedA(), content.data() + kStart, kEnd - kStart);
    EXPECT_EQ(Slice(onDisk, kEnd, kDigestLength), expected);
}

TEST_F(VEMFileTest, DigestReadsHolesAsZeros) {
    fs::path path = Path("sparse.bin");
    VEMFile file;
    OpenPath(file, path, FileMode::Create, kShift4K, 2);
    const uint8_t kByte = 0x7F;
    file.Write(&kByte, 1, 0);
    file.Write(&kByte, 1, 10000);
    file.WriteDigest(kDigestLength, kDigestRounds, SeedB(), 0, file.Length());

    std::vector<uint8_t> model(10001, 0);
    model.front() = model.back() = kByte;
    std::vector<uint8_t> expected = ComputeDigest(SeedB(), model.data(), model.size());
    EXPECT_EQ(ReadBack(file, 10001, kDigestLength), expected);
    EXPECT_THROW(file.WriteDigest(kDigestLength, kDigestRounds, SeedB(), 0, file.Length() + 1), FileError);
}

}  // namespace
}  // namespace corvalin
