#include <fcntl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "settings/Configuration.h"
#include "settings/KnownNames.h"
#include "settings/Profiles.h"
#include "settings/SettingTags.h"
#include "settings/SettingsFixtures.h"
#include "settings/VEMOptions.h"
#include "store/VEMCrypt.h"
#include "store/VEMFile.h"
#include "store/VEMOpt.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::ReadFile;
using test::SealedStore;
using test::TempDir;
using test::WriteFile;

constexpr int32_t kLanguages = 4;
constexpr int32_t kScreenWidth = 1920;
constexpr int32_t kScreenHeight = 1080;

LoadContext Context() {
    LoadContext context;
    context.languageCount = kLanguages;
    context.screenWidth = kScreenWidth;
    context.screenHeight = kScreenHeight;
    return context;
}

std::filesystem::path ConfigPath(const TempDir& dir) { return dir / kConfigurationFileName; }

int ProfileCount(VEMOpt& store) {
    int count = 0;
    for (VEMOpt* p = store.First(); p != nullptr; p = store.Next(p)) ++count;
    return count;
}

// What a load that found nothing usable must leave.
void ExpectFactoryState(Configuration& config) {
    EXPECT_EQ(config.stored, StoredSettings());
    EXPECT_EQ(config.lastBookName, "");
    EXPECT_EQ(config.languageIndex, -1);
    EXPECT_TRUE(config.knownNames.empty());
    EXPECT_EQ(ProfileCount(config.profiles), 10) << "the built-in profiles";
}

// A configuration saved by the program with something in every part of the file.
std::string SavedConfiguration(const TempDir& dir) {
    Configuration config;
    LoadConfiguration(dir.path(), config, Context());
    VEMOptions options;
    options.ApplyStoredSettings(config.stored, nullptr, true);
    options.Set(Setting::LinesPerSecond, 321);
    options.SetFontName(FontKind::Proportional, "Arial");
    config.lastBookName = "Author - Title.book";
    config.knownNames = {{3, u"Author", false}};
    ProfileChecks checks;
    checks.set(0);
    AddProfile(config.profiles, "Mine", options, checks);
    EXPECT_TRUE(SaveConfiguration(dir.path(), options, config, StartupSession(config)).ok);
    return ReadFile(ConfigPath(dir));
}

// ---------------------------------------------------------------------------------------------
// Reading

TEST(ConfigurationLoad, WithoutAFileTheFactoryValuesStayAndNothingIsWritten) {
    TempDir dir;
    Configuration config;
    const ConfigLoadResult result = LoadConfiguration(dir.path(), config, Context());
    EXPECT_EQ(result.status, ConfigStatus::Missing);
    EXPECT_FALSE(result.profilesFromFile);
    ExpectFactoryState(config);
    // Without any file the window keeps its built-in start: full screen, 640 x 480.
    EXPECT_EQ(config.stored.window, WindowPlacement());
    EXPECT_FALSE(std::filesystem::exists(ConfigPath(dir)));
}

TEST(ConfigurationLoad, AnEmptyValueReadsZeroOrFalseNotTheDefault) {
    TempDir dir;
    VEMOpt root;
    root.SetInt(tags::kLinesPerSecond, 0);
    root.SetString(tags::kCrop, "");
    WriteFile(ConfigPath(dir), SealedStore(root, SeedB()));

    Configuration config;
    EXPECT_EQ(LoadConfiguration(dir.path(), config, Context()).status, ConfigStatus::Loaded);
    EXPECT_EQ(config.stored.values.Get(Setting::LinesPerSecond), 0);
    EXPECT_EQ(config.stored.values.Get(Setting::Crop), 0);
    EXPECT_EQ(config.stored.values.Get(Setting::CharsPerSecond), 30) << "a missing record keeps its default";
}

struct ReadRow {
    const char* name;
    std::function<void(VEMOpt&)> build;
    std::function<void(Configuration&)> check;
};

class ConfigurationReadRules : public testing::TestWithParam<ReadRow> {};

TEST_P(ConfigurationReadRules, ValueIsTakenAsTheFileRulesSay) {
    TempDir dir;
    VEMOpt root;
    GetParam().build(root);
    WriteFile(ConfigPath(dir), SealedStore(root, SeedB()));
    Configuration config;
    ASSERT_EQ(LoadConfiguration(dir.path(), config, Context()).status, ConfigStatus::Loaded);
    GetParam().check(config);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConfigurationReadRules,
    testing::Values(
        ReadRow{"PreviewLinesAbove24ReadAs24", [](VEMOpt& r) { r.SetInt(tags::kPreviewLines, 30); },
                [](Configuration& c) { EXPECT_EQ(c.stored.previewLines, 24); }},
        ReadRow{"NegativePreviewLinesReadAs0", [](VEMOpt& r) { r.SetInt(tags::kPreviewLines, -5); },
                [](Configuration& c) { EXPECT_EQ(c.stored.previewLines, 0); }},
        ReadRow{"MissingPreviewLinesRead10", [](VEMOpt&) {},
                [](Configuration& c) { EXPECT_EQ(c.stored.previewLines, 10); }},
        ReadRow{"MissingWindowValuesMeanFullScreenAtScreenSize", [](VEMOpt&) {},
                [](Configuration& c) {
                    EXPECT_EQ(c.stored.window, (WindowPlacement{0, 0, 0, kScreenWidth, kScreenHeight}));
                }},
        ReadRow{"WindowValues",
                [](VEMOpt& r) {
                    r.SetInt(tags::kWindowMode, 2);
                    r.SetInt(tags::kWindowLeft, -4);
                    r.SetInt(tags::kWindowTop, 7);
                    r.SetInt(tags::kWindowWidth, 800);
                    r.SetInt(tags::kWindowHeight, 600);
                },
                [](Configuration& c) {
                    EXPECT_EQ(c.stored.window, (WindowPlacement{2, -4, 7, 800, 600}));
                }},
        ReadRow{"LanguageIndexInTheList", [](VEMOpt& r) { r.SetInt(tags::kLanguageIndex, 3); },
                [](Configuration& c) { EXPECT_EQ(c.languageIndex, 3); }},
        ReadRow{"LanguageIndexBeyondTheListIsIgnored", [](VEMOpt& r) { r.SetInt(tags::kLanguageIndex, 7); },
                [](Configuration& c) { EXPECT_EQ(c.languageIndex, -1); }},
        ReadRow{"NegativeLanguageIndexIsIgnored", [](VEMOpt& r) { r.SetInt(tags::kLanguageIndex, -1); },
                [](Configuration& c) { EXPECT_EQ(c.languageIndex, -1); }},
        ReadRow{"ByteSettingKeepsItsLowByte", [](VEMOpt& r) { r.SetInt(tags::kAntialiasing, 0x103); },
                [](Configuration& c) { EXPECT_EQ(c.stored.values.Get(Setting::Antialiasing), 3); }},
        ReadRow{"CodePageAndLastBook",
                [](VEMOpt& r) {
                    r.SetInt(tags::kDefaultCodePage, 1251);
                    r.SetString(tags::kLastBookName, "A - B.book");
                },
                [](Configuration& c) {
                    EXPECT_EQ(c.defaultCodePage, 1251);
                    EXPECT_EQ(c.lastBookName, "A - B.book");
                }},
        ReadRow{"AnEmptyProfileSubtreeMeansNoBuiltinProfiles", [](VEMOpt& r) { r.Child(tags::kProfiles); },
                [](Configuration& c) { EXPECT_EQ(c.profiles.First(), nullptr); }},
        ReadRow{"ProfilesAreCopiedWithTheirRecords",
                [](VEMOpt& r) {
                    VEMOpt* profile = r.Child(tags::kProfiles)->SetString(70000, "Big id");
                    profile->SetInt(tags::kProportionalBase + tags::kFontSizeOffset, 40);
                    profile->SetString(0x7777, "unknown tags travel too");
                },
                [](Configuration& c) {
                    VEMOpt& store = c.profiles;
                    VEMOpt* profile = store.Find(70000);
                    ASSERT_NE(profile, nullptr);
                    EXPECT_EQ(profile->Value(), "Big id");
                    EXPECT_EQ(profile->GetInt(tags::kProportionalBase + tags::kFontSizeOffset, 0), 40);
                    EXPECT_EQ(profile->GetString(0x7777, ""), "unknown tags travel too");
                    EXPECT_EQ(ProfileCount(store), 1);
                }}),
    [](const testing::TestParamInfo<ReadRow>& info) { return info.param.name; });

TEST(ConfigurationKnownNames, ChildrenAreReadInKeyOrderAndShortValuesSkipped) {
    VEMOpt subtree;
    auto value = [](uint32_t kind, std::string tail) {
        std::string bytes{char(kind), char(kind >> 8), char(kind >> 16), char(kind >> 24)};
        return bytes + tail;
    };
    subtree.SetString(4, value(2, std::string("X\0Y", 3)));  // odd length: the last byte is dropped
    subtree.SetString(0, value(0, std::string("T\0i\0", 4)));
    subtree.SetString(1, "abc");          // shorter than the kind: skipped
    subtree.SetString(2, value(3, ""));   // a kind and no name
    subtree.SetString(3, value(1, "Z"));  // five bytes: no whole unit
    const std::vector<KnownName> expected{
        {0, u"Ti", false}, {3, u"", false}, {1, u"", false}, {2, u"X", false}};
    EXPECT_EQ(ReadKnownNames(subtree), expected);

    VEMOpt written;
    WriteKnownNames(written, expected);
    EXPECT_EQ(ReadKnownNames(written), expected);
    EXPECT_EQ(written.Find(1)->ValueLength(), 4u);
}

// ---------------------------------------------------------------------------------------------
// Saving

TEST(ConfigurationSave, EverythingSavedComesBack) {
    TempDir dir;
    Configuration config;
    LoadConfiguration(dir.path(), config, Context());
    VEMOptions options;
    options.ApplyStoredSettings(config.stored, nullptr, true);
    options.SetFontName(FontKind::Fixed, "Courier New");
    options.Set(Setting::FixedKerning, -1000);
    options.Set(Setting::PropBackColor, 0xD8E9EC);
    options.Set(Setting::TextFormatting, 2);
    options.Set(Setting::Proportional, 0);
    config.defaultCodePage = 1251;
    config.lastBookName = "Author - Title.book";
    config.knownNames = {{3, u"Толстой Лев", false}, {0, u"Title", true}};
    SessionState session{{2, 10, 20, 800, 600}, 5, 3};

    ASSERT_TRUE(SaveConfiguration(dir.path(), options, config, session).ok);
    EXPECT_FALSE(std::filesystem::exists(dir / "Global.cfg.new"));

    Configuration again;
    const ConfigLoadResult result = LoadConfiguration(dir.path(), again, Context());
    EXPECT_EQ(result.status, ConfigStatus::Loaded);
    EXPECT_TRUE(result.profilesFromFile);
    EXPECT_EQ(again.stored.values, options.Values());
    EXPECT_EQ(again.stored.window, session.window);
    EXPECT_EQ(again.stored.previewLines, 5);
    EXPECT_EQ(again.languageIndex, 3);
    EXPECT_EQ(again.defaultCodePage, 1251);
    EXPECT_EQ(again.lastBookName, "Author - Title.book");
    // The processed flag is bookkeeping, not stored.
    EXPECT_EQ(again.knownNames, (std::vector<KnownName>{{3, u"Толстой Лев", false}, {0, u"Title", false}}));
    EXPECT_EQ(ProfileCount(again.profiles), 10);
    EXPECT_EQ(EncodeConfiguration(options, again, session), ReadFile(ConfigPath(dir)));
}

TEST(ConfigurationSave, TheFileLayerAcceptsTheDigest) {
    TempDir dir;
    const std::string bytes = SavedConfiguration(dir);
    VEMFile file;
    file.Open(OpenFileHandle(ConfigPath(dir), FileMode::Read), 16, 1);
    EXPECT_FALSE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedB(), 0, file.Length() - kDigestLength));
    EXPECT_TRUE(file.VerifyDigest(kDigestLength, kDigestRounds, SeedA(), 0, file.Length() - kDigestLength));
}

TEST(ConfigurationSave, UnderSpeedTheStoredQualityValuesAreWritten) {
    TempDir dir;
    Configuration config;
    LoadConfiguration(dir.path(), config, Context());
    VEMOptions options;
    options.Set(Setting::Antialiasing, 3);
    options.Set(Setting::ScrollMode, 2);
    options.Set(Setting::SmoothMovement, 1);
    options.Set(Setting::QualityPriority, 0);
    ASSERT_TRUE(SaveConfiguration(dir.path(), options, config, StartupSession(config)).ok);

    Configuration again;
    LoadConfiguration(dir.path(), again, Context());
    EXPECT_EQ(again.stored.values.Get(Setting::Antialiasing), 3);
    EXPECT_EQ(again.stored.values.Get(Setting::ScrollMode), 2);
    EXPECT_EQ(again.stored.values.Get(Setting::SmoothMovement), 1);
    EXPECT_EQ(again.stored.values.Get(Setting::QualityPriority), 0);
}

TEST(ConfigurationSave, AfterDeletingEveryProfileTheBuiltinOnesDoNotComeBack) {
    TempDir dir;
    Configuration config;
    LoadConfiguration(dir.path(), config, Context());
    DeleteAllProfiles(config.profiles);
    VEMOptions options;
    ASSERT_TRUE(SaveConfiguration(dir.path(), options, config, StartupSession(config)).ok);

    Configuration again;
    EXPECT_TRUE(LoadConfiguration(dir.path(), again, Context()).profilesFromFile);
    EXPECT_EQ(ProfileCount(again.profiles), 0);
}

TEST(ConfigurationSave, AFailedSaveLeavesThePreviousFileAsItWas) {
    TempDir dir;
    const std::string good = SavedConfiguration(dir);
    // Nothing can be created where the new file would go.
    std::filesystem::create_directory(dir / "Global.cfg.new");
    Configuration config;
    VEMOptions options;
    const ConfigSaveResult result = SaveConfiguration(dir.path(), options, config, StartupSession(config));
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message, "");
    EXPECT_EQ(ReadFile(ConfigPath(dir)), good);
    Configuration again;
    EXPECT_EQ(LoadConfiguration(dir.path(), again, Context()).status, ConfigStatus::Loaded);
    EXPECT_EQ(again.stored.values.Get(Setting::LinesPerSecond), 321);
}

// ---------------------------------------------------------------------------------------------
// The earlier encoding

VEMOpt& LegacyRoot(VEMOpt& root) {
    root.SetInt(tags::kLinesPerSecond, 99);
    root.SetString(tags::kLastBookName, "last.book");
    root.SetString(tags::kProportionalBase + tags::kFontNameOffset, "Times");
    root.Child(tags::kProfiles)
        ->SetString(5, "Mine")
        ->SetInt(tags::kProportionalBase + tags::kFontSizeOffset, 30);
    return root;
}

TEST(ConfigurationLegacy, ALegacyFileIsRewrittenCurrentAndForgetsItsLastBook) {
    TempDir dir;
    VEMOpt root;
    const std::string legacy = test::LegacyStore(LegacyRoot(root));
    WriteFile(
        ConfigPath(dir), legacy + [&] {
            auto digest =
                ComputeDigest(SeedA(), reinterpret_cast<const uint8_t*>(legacy.data()), legacy.size());
            return std::string(digest.begin(), digest.end());
        }());

    Configuration config;
    const ConfigLoadResult result = LoadConfiguration(dir.path(), config, Context());
    EXPECT_EQ(result.status, ConfigStatus::Converted);
    EXPECT_EQ(result.message, "");
    EXPECT_EQ(config.stored.values.Get(Setting::LinesPerSecond), 99);
    EXPECT_EQ(config.stored.values.FontName(FontKind::Proportional), "Times");
    EXPECT_EQ(config.lastBookName, "");
    ASSERT_NE(FindProfile(config.profiles, "Mine"), nullptr);
    EXPECT_EQ(ProfileCount(config.profiles), 1);

    // The file now holds the same records in the current form under seed B, tag 6 empty.
    VEMOpt expected;
    LegacyRoot(expected).SetString(tags::kLastBookName, "");
    EXPECT_EQ(ReadFile(ConfigPath(dir)), SealedStore(expected, SeedB()));
    Configuration again;
    EXPECT_EQ(LoadConfiguration(dir.path(), again, Context()).status, ConfigStatus::Loaded);
    EXPECT_EQ(again.stored, config.stored);
}

TEST(ConfigurationLegacy, AReadOnlyLoadLeavesALegacyFileAsItIs) {
    TempDir dir;
    VEMOpt root;
    const std::string legacy = test::LegacyStore(LegacyRoot(root));
    auto digest = ComputeDigest(SeedA(), reinterpret_cast<const uint8_t*>(legacy.data()), legacy.size());
    const std::string file = legacy + std::string(digest.begin(), digest.end());
    WriteFile(ConfigPath(dir), file);

    LoadContext context = Context();
    context.convertLegacy = false;
    Configuration config;
    EXPECT_EQ(LoadConfiguration(dir.path(), config, context).status, ConfigStatus::Converted);
    EXPECT_EQ(config.stored.values.Get(Setting::LinesPerSecond), 99);
    EXPECT_EQ(ReadFile(ConfigPath(dir)), file);
}

// ---------------------------------------------------------------------------------------------
// Files that cannot be used

struct RejectRow {
    const char* name;
    std::function<void(const TempDir&)> make;
    ConfigStatus status;
};

class ConfigurationRejects : public testing::TestWithParam<RejectRow> {};

std::string Sealed(std::string records, const DigestSeed& seed) {
    auto digest = ComputeDigest(seed, reinterpret_cast<const uint8_t*>(records.data()), records.size());
    return records + std::string(digest.begin(), digest.end());
}

TEST_P(ConfigurationRejects, FactoryValuesStayAndTheFileIsLeftAlone) {
    TempDir dir;
    GetParam().make(dir);
    const bool isFile = std::filesystem::is_regular_file(ConfigPath(dir));
    const std::string before = isFile ? ReadFile(ConfigPath(dir)) : "";
    Configuration config;
    const ConfigLoadResult result = LoadConfiguration(dir.path(), config, Context());
    EXPECT_EQ(result.status, GetParam().status);
    EXPECT_FALSE(result.Valid());
    EXPECT_NE(result.message, "");
    ExpectFactoryState(config);
    if (isFile) {
        EXPECT_EQ(ReadFile(ConfigPath(dir)), before);
        // What could not be read is kept beside it before any save replaces it.
        EXPECT_TRUE(result.Damaged());
        EXPECT_TRUE(result.writable);
        const std::filesystem::path copy = KeepDamagedConfiguration(dir.path());
        ASSERT_FALSE(copy.empty());
        EXPECT_EQ(copy.filename(), "Global.cfg.bad");
        EXPECT_EQ(ReadFile(copy), before);
    } else {
        // Something that is not a file is never replaced.
        EXPECT_FALSE(result.writable);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Rows, ConfigurationRejects,
    testing::Values(
        RejectRow{"SixteenBytes", [](const TempDir& d) { WriteFile(ConfigPath(d), std::string(16, '\0')); },
                  ConfigStatus::TooShort},
        RejectRow{"Empty", [](const TempDir& d) { WriteFile(ConfigPath(d), ""); }, ConfigStatus::TooShort},
        RejectRow{"NeitherDigest",
                  [](const TempDir& d) {
                      VEMOpt root;
                      root.SetInt(tags::kLinesPerSecond, 7);
                      std::string bytes = SealedStore(root, SeedB());
                      bytes.back() ^= 1;
                      WriteFile(ConfigPath(d), bytes);
                  },
                  ConfigStatus::BadDigest},
        // A matching digest over records that break off: nothing of them is taken.
        RejectRow{"CutRecordsBehindAGoodDigest",
                  [](const TempDir& d) {
                      WriteFile(ConfigPath(d), Sealed(std::string("\0\0\x41\0\x01\x63", 6), SeedB()));
                  },
                  ConfigStatus::Undecodable},
        RejectRow{"CutLegacyRecordsBehindAGoodDigest",
                  [](const TempDir& d) {
                      WriteFile(ConfigPath(d), Sealed(std::string("\0\0\0\0\0\x01\x05\0", 8), SeedA()));
                  },
                  ConfigStatus::Undecodable},
        RejectRow{"ADirectory", [](const TempDir& d) { std::filesystem::create_directory(ConfigPath(d)); },
                  ConfigStatus::Unreadable}),
    [](const testing::TestParamInfo<RejectRow>& info) { return info.param.name; });

TEST(ConfigurationRejects, EveryCutAndEveryChangedByteIsRejectedAndTheNextSaveRepairs) {
    TempDir dir;
    const std::string good = SavedConfiguration(dir);
    ASSERT_GT(good.size(), 100u);
    std::vector<std::string> damaged;
    for (size_t i = 0; i < good.size(); ++i) {
        damaged.push_back(good.substr(0, i));
        std::string flipped = good;
        flipped[i] = char(flipped[i] ^ 0x5A);
        damaged.push_back(flipped);
    }
    for (size_t n = 0; n < damaged.size(); ++n) {
        SCOPED_TRACE(testing::Message() << (n % 2 == 0 ? "cut to " : "byte changed at ") << n / 2);
        WriteFile(ConfigPath(dir), damaged[n]);
        Configuration config;
        const ConfigLoadResult result = LoadConfiguration(dir.path(), config, Context());
        ASSERT_FALSE(result.Valid());
        ASSERT_EQ(config.stored, StoredSettings());
        ASSERT_EQ(ReadFile(ConfigPath(dir)), damaged[n]) << "the loader touched a damaged file";
        // The damaged file stays until a save replaces it with a good one.
        if (n % 64 == 0 || n + 1 == damaged.size()) {
            VEMOptions options;
            ASSERT_TRUE(SaveConfiguration(dir.path(), options, config, StartupSession(config)).ok);
            Configuration again;
            ASSERT_EQ(LoadConfiguration(dir.path(), again, Context()).status, ConfigStatus::Loaded);
        }
    }
}

}  // namespace
}  // namespace corvalin
