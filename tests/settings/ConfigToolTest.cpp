#include <gtest/gtest.h>

#include <string>

#include "settings/Configuration.h"
#include "settings/SettingsFixtures.h"
#include "settings/VEMOptions.h"
#include "store/VEMCrypt.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::TempDir;

test::CommandRun RunTool(const std::string& arguments) {
    return test::RunCommand(std::string(CORVALIN_TOOLS_DIR) + "/corvalin-config " + arguments +
                            " 2>/dev/null");
}

std::string Dir(const TempDir& dir) { return "--dir '" + dir.path().string() + "'"; }

bool HasLine(const std::string& output, const std::string& line) {
    return ("\n" + output).find("\n" + line + "\n") != std::string::npos;
}

TEST(ConfigTool, ShowsFactoryValuesAndFailsWithoutAFile) {
    TempDir dir;
    const test::CommandRun run = RunTool("show " + Dir(dir));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(HasLine(run.output, "LinesPerSecond = 50"));
    EXPECT_TRUE(HasLine(run.output, "Proportional.FontName = Comic Sans MS"));
    EXPECT_TRUE(HasLine(run.output, "Fixed.TextColor = 0x4A3800"));
    EXPECT_TRUE(HasLine(run.output, "Proportional.HeadingColor = 0x0000A5"));
    EXPECT_TRUE(HasLine(run.output, "profile 11 \"Font - 20\": Proportional.FontSize=20"));
    EXPECT_FALSE(std::filesystem::exists(dir / kConfigurationFileName)) << "show never writes";
}

TEST(ConfigTool, SetSavesAFileTheReaderLoads) {
    TempDir dir;
    ASSERT_EQ(RunTool("set LinesPerSecond 120 " + Dir(dir)).status, 0);
    ASSERT_EQ(RunTool("set Fixed.BackColor 0xD8E9EC " + Dir(dir)).status, 0);
    ASSERT_EQ(RunTool("set Proportional.FontName 'Times New Roman' " + Dir(dir)).status, 0);
    ASSERT_EQ(RunTool("set WindowMode 2 " + Dir(dir)).status, 0);

    const test::CommandRun run = RunTool("show " + Dir(dir));
    EXPECT_EQ(run.status, 0);
    EXPECT_TRUE(HasLine(run.output, "LinesPerSecond = 120"));
    EXPECT_TRUE(HasLine(run.output, "Fixed.BackColor = 0xD8E9EC"));
    EXPECT_TRUE(HasLine(run.output, "Proportional.FontName = Times New Roman"));
    EXPECT_TRUE(HasLine(run.output, "WindowMode = 2"));

    Configuration config;
    ASSERT_EQ(LoadConfiguration(dir.path(), config, LoadContext()).status, ConfigStatus::Loaded);
    EXPECT_EQ(config.stored.values.Get(Setting::LinesPerSecond), 120);
    EXPECT_EQ(config.stored.values.Get(Setting::FixedBackColor), 0xD8E9EC);
    EXPECT_EQ(config.stored.window.mode, 2);
    EXPECT_TRUE(config.profiles.Find(10) != nullptr) << "the profiles are saved too";
}

TEST(ConfigTool, RefusesUnknownNamesAndValuesThePanelWouldRefuse) {
    TempDir dir;
    EXPECT_EQ(RunTool("set LinesPerSecond 501 " + Dir(dir)).status, 2);
    EXPECT_EQ(RunTool("set LinesPerSecond fast " + Dir(dir)).status, 2);
    EXPECT_EQ(RunTool("set Fixed.Kerning -1001 " + Dir(dir)).status, 2);
    EXPECT_EQ(RunTool("set NoSuchSetting 1 " + Dir(dir)).status, 2);
    EXPECT_EQ(RunTool("frobnicate " + Dir(dir)).status, 2);
    EXPECT_FALSE(std::filesystem::exists(dir / kConfigurationFileName));
    EXPECT_EQ(RunTool("set Fixed.Kerning -1000 " + Dir(dir)).status, 0);
}

TEST(ConfigTool, ADamagedFileShowsFactoryValuesAndIsOnlyReplacedBySet) {
    TempDir dir;
    ASSERT_EQ(RunTool("set CharsPerSecond 99 " + Dir(dir)).status, 0);
    std::string bytes = test::ReadFile(dir / kConfigurationFileName);
    bytes[bytes.size() / 2] ^= 0x10;
    test::WriteFile(dir / kConfigurationFileName, bytes);

    const test::CommandRun run = RunTool("show " + Dir(dir));
    EXPECT_EQ(run.status, 1);
    EXPECT_TRUE(HasLine(run.output, "CharsPerSecond = 30"));
    EXPECT_EQ(test::ReadFile(dir / kConfigurationFileName), bytes);

    ASSERT_EQ(RunTool("set CharsPerSecond 98 " + Dir(dir)).status, 0);
    EXPECT_TRUE(HasLine(RunTool("show " + Dir(dir)).output, "CharsPerSecond = 98"));
}

TEST(ConfigTool, AnInstalledProgramKeepsItsFolderInTheUsersDataFolder) {
    // A program with share/corvalindestrum beside its bin/ is installed: it never writes beside
    // itself, even where it could; a copy without it (a build tree) keeps its folder there.
    TempDir dir;
    for (const bool installed : {true, false}) {
        const auto root = dir / (installed ? "installed" : "portable");
        std::filesystem::create_directories(root / "bin");
        if (installed) std::filesystem::create_directories(root / "share" / "corvalindestrum");
        const auto tool = root / "bin" / "corvalin-config";
        std::filesystem::copy_file(std::string(CORVALIN_TOOLS_DIR) + "/corvalin-config", tool);
        const auto home = root / "home";
        const std::string command = "env -u XDG_DATA_HOME HOME='" + home.string() + "' '" + tool.string() +
                                    "' set LinesPerSecond 7 >/dev/null 2>&1";
        ASSERT_EQ(WEXITSTATUS(std::system(command.c_str())), 0) << installed;
        EXPECT_EQ(std::filesystem::exists(home / ".local" / "share" / "corvalindestrum" / "Global.cfg"),
                  installed);
        EXPECT_EQ(std::filesystem::exists(root / "bin" / "Global.cfg"), !installed);
    }
}

}  // namespace
}  // namespace corvalin
