#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "import/CodepageDetection.h"
#include "import/CodepageSource.h"
#include "import/CodepageTexts.h"

namespace corvalin {
namespace {

using Bytes = std::vector<uint8_t>;

std::u16string Decode(const Bytes& bytes, int32_t codePage) {
    auto source = MakeCodepageSource(Bytes(bytes), codePage);
    std::u16string text;
    char16_t block[4096];
    while (const size_t n = source->ReadUnits(block, 4096)) text.append(block, n);
    return text;
}

std::string RuslanUtf8() {
    const auto path = test::SharedFixture("cyrillic/ruslan-cp1251.txt");
    if (!std::filesystem::exists(path)) return {};
    return Utf16ToUtf8(Decode(test::ReadBytes(path), 1251));
}

// Where a real text comes from: a shared fixture, a Debian fortunes package, a manual page.
enum class Origin { Ruslan, FortunesRu, FortunesDe, FortunesCs, FortunesZh, ManualJa };

std::string RealText(Origin origin) {
    switch (origin) {
        case Origin::Ruslan:
            return RuslanUtf8();
        case Origin::FortunesRu:
            return test::FortuneText("ru", 200000);
        case Origin::FortunesDe:
            return test::FortuneText("de", 200000);
        case Origin::FortunesCs:
            return test::FortuneText("cs", 200000);
        case Origin::FortunesZh: {
            // The Chinese fortunes are single files beside the other languages' folders.
            std::string text;
            for (const char* name : {"chinese", "tang300", "song100"}) {
                const auto path = std::filesystem::path("/usr/share/games/fortunes") / name;
                if (!std::filesystem::exists(path)) continue;
                const auto bytes = test::ReadBytes(path);
                text.append(bytes.begin(), bytes.end());
            }
            return text;
        }
        case Origin::ManualJa:
            return test::GunzippedText("/usr/share/man/ja/man1/ls.1.gz") +
                   test::GunzippedText("/usr/share/man/ja/man1/cp.1.gz");
    }
    return {};
}

struct DetectionCase {
    const char* name;
    Origin origin;
    int32_t codePage;
    size_t bytes;  // how much of the text is given
};

class DetectsRealText : public ::testing::TestWithParam<DetectionCase> {};

// Pieces from three places in each text, so that one lucky passage proves nothing.
TEST_P(DetectsRealText, InItsCodePage) {
    const DetectionCase& c = GetParam();
    const std::string text = RealText(c.origin);
    if (text.size() < 3 * c.bytes) GTEST_SKIP() << "the real text for " << c.name << " is not installed";
    for (int piece = 0; piece < 3; ++piece) {
        // Start each piece at a line start.
        size_t start = text.size() / 3 * size_t(piece);
        start = text.find('\n', start) + 1;
        const std::string passage = test::CutUtf8(text.substr(start), c.bytes);
        const Bytes bytes = test::EncodeInCodePage(passage, c.codePage);
        ASSERT_FALSE(bytes.empty());
        const auto detected = DetectCodepage(bytes);
        ASSERT_TRUE(detected.has_value()) << c.name << " piece " << piece;
        EXPECT_EQ(detected->number, c.codePage) << c.name << " piece " << piece;
        EXPECT_GT(detected->confidence, 10);
    }
}

INSTANTIATE_TEST_SUITE_P(Import, DetectsRealText,
                         ::testing::Values(DetectionCase{"RuslanCp1251", Origin::Ruslan, 1251, 8000},
                                           DetectionCase{"RuslanCp866", Origin::Ruslan, 866, 8000},
                                           DetectionCase{"RuslanKoi8R", Origin::Ruslan, 20866, 8000},
                                           DetectionCase{"RuslanIso88595", Origin::Ruslan, 28595, 8000},
                                           DetectionCase{"RuslanMacCyrillic", Origin::Ruslan, 10007, 8000},
                                           DetectionCase{"RuslanUtf8", Origin::Ruslan, 65001, 8000},
                                           DetectionCase{"RussianCp1251", Origin::FortunesRu, 1251, 4000},
                                           DetectionCase{"RussianCp866", Origin::FortunesRu, 866, 4000},
                                           DetectionCase{"RussianKoi8R", Origin::FortunesRu, 20866, 4000},
                                           DetectionCase{"RussianShortCp866", Origin::FortunesRu, 866, 300},
                                           DetectionCase{"RussianShortKoi8R", Origin::FortunesRu, 20866, 300},
                                           DetectionCase{"RussianShortCp1251", Origin::FortunesRu, 1251, 300},
                                           DetectionCase{"GermanCp1252", Origin::FortunesDe, 1252, 4000},
                                           DetectionCase{"GermanUtf8", Origin::FortunesDe, 65001, 4000},
                                           DetectionCase{"CzechCp1250", Origin::FortunesCs, 1250, 4000},
                                           DetectionCase{"CzechIso88592", Origin::FortunesCs, 28592, 4000},
                                           DetectionCase{"ChineseGbk", Origin::FortunesZh, 936, 4000},
                                           DetectionCase{"JapaneseShiftJis", Origin::ManualJa, 932, 4000},
                                           DetectionCase{"JapaneseEucJp", Origin::ManualJa, 51932, 4000}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CodepageDetection, MarksDecideAndAsciiNamesNoPage) {
    struct Case {
        const char* name;
        Bytes bytes;
        std::optional<int32_t> number;
    };
    const std::vector<Case> cases = {
        {"Utf16LittleEndianMark", {0xFF, 0xFE, 'a', 0}, -1},
        {"Utf16BigEndianMark", {0xFE, 0xFF, 0, 'a'}, -2},
        {"Utf8Mark", {0xEF, 0xBB, 0xBF, 'a'}, 65001},
        {"Utf16WithoutMark", {'H', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0, '!', 0}, -1},
        {"Utf16BigEndianWithoutMark", {0, 'H', 0, 'e', 0, 'l', 0, 'l', 0, 'o', 0, '!'}, -2},
        {"PureAscii", {'p', 'l', 'a', 'i', 'n', '\n'}, std::nullopt},
        {"Empty", {}, std::nullopt},
        {"OneUtf8Letter", {'c', 'a', 'f', 0xC3, 0xA9}, 65001},
    };
    for (const Case& c : cases) {
        const auto detected = DetectCodepage(c.bytes);
        ASSERT_EQ(detected.has_value(), c.number.has_value()) << c.name;
        if (detected) EXPECT_EQ(detected->number, *c.number) << c.name;
    }
}

TEST(CodepageDetection, AMarkWinsOverTheChosenPage) {
    const Bytes marked = {0xFF, 0xFE, 0x3F, 0x04};
    EXPECT_EQ(ChooseTextCodePage(marked, 1251, false), -1);
    const Bytes plain = {0xEF, 0xF0, 0xE8};
    EXPECT_EQ(ChooseTextCodePage(plain, 1251, false), 1251);
    EXPECT_EQ(ChooseTextCodePage(plain, 866, false), 866);
}

// The Cyrillic score tells the right reading from the readings through the other Cyrillic
// pages, which all give Cyrillic letters.
TEST(CodepageDetection, CyrillicPlausibilitySeparatesRightAndWrongReadings) {
    const std::string text = RuslanUtf8();
    if (text.empty()) GTEST_SKIP() << "no shared fixtures";
    const std::string common = test::CommonRepertoire(test::CutUtf8(text, 20000), {1251, 866, 20866});
    const double right = CyrillicPlausibility(Utf8ToUtf16(common));
    EXPECT_GT(right, 0.6);
    for (int32_t written : {1251, 866, 20866}) {
        const Bytes bytes = test::EncodeInCodePage(common, written);
        EXPECT_NEAR(CyrillicPlausibility(Decode(bytes, written)), right, 1e-9);
        for (int32_t read : {1251, 866, 20866, 28595}) {
            if (read == written) continue;
            EXPECT_LT(CyrillicPlausibility(Decode(bytes, read)), right / 5)
                << "written in " << written << ", read as " << read;
        }
    }
    EXPECT_LT(CyrillicPlausibility(u"Gr\u00FC\u00DFe aus K\u00F6ln"), 0.01);
}

}  // namespace
}  // namespace corvalin
