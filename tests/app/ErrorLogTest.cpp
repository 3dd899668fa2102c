#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>

#include "app/ErrorLog.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

std::string LogOf(const std::filesystem::path& folder) {
    const std::vector<uint8_t> bytes = test::ReadBytes(folder / kErrorLogFileName);
    return std::string(bytes.begin(), bytes.end());
}

TEST(ErrorLog, LineIsTimeSpaceTextCrLf) {
    EXPECT_EQ(ErrorLogLine({9, 5, 7}, "Internal error"), "09:05:07 Internal error\r\n");
    EXPECT_EQ(ErrorLogLine({23, 59, 0}, ""), "23:59:00 \r\n");
}

TEST(ErrorLog, CreatesTheFileThenAppendsRunAfterRun) {
    test::TempDir folder;
    ASSERT_TRUE(AppendErrorLog(folder.path(), "Internal error at - PaintBoxToolBarGauge", {10, 0, 1}));
    ASSERT_TRUE(AppendErrorLog(folder.path(), "Division by zero", {10, 0, 1}));
    // A later run of the program adds to the same file.
    ASSERT_TRUE(AppendErrorLog(folder.path(), "again", {11, 2, 3}));
    EXPECT_EQ(LogOf(folder.path()),
              "10:00:01 Internal error at - PaintBoxToolBarGauge\r\n"
              "10:00:01 Division by zero\r\n"
              "11:02:03 again\r\n");
}

TEST(ErrorLog, KeepsWhatTheFileAlreadyHolds) {
    test::TempDir folder;
    const std::string earlier = "written by an earlier session, no line end";
    test::WriteText(folder / kErrorLogFileName, earlier);
    ASSERT_TRUE(AppendErrorLog(folder.path(), "next", {0, 0, 0}));
    EXPECT_EQ(LogOf(folder.path()), earlier + "00:00:00 next\r\n");
}

TEST(ErrorLog, StampsTheCurrentTime) {
    test::TempDir folder;
    ASSERT_TRUE(AppendErrorLog(folder.path(), "now"));
    EXPECT_TRUE(std::regex_match(LogOf(folder.path()),
                                 std::regex("([01][0-9]|2[0-3]):[0-5][0-9]:[0-5][0-9] now\r\n")))
        << LogOf(folder.path());
}

TEST(ErrorLog, AFileThatCannotBeWrittenIsSkippedQuietly) {
    test::TempDir folder;
    // Neither depends on permissions, which a privileged test run would bypass.
    EXPECT_FALSE(AppendErrorLog(folder / "no such folder", "lost", {1, 2, 3}));
    std::filesystem::create_directory(folder / kErrorLogFileName);
    EXPECT_FALSE(AppendErrorLog(folder.path(), "lost", {1, 2, 3}));
    EXPECT_TRUE(std::filesystem::is_directory(folder / kErrorLogFileName));
}

}  // namespace
}  // namespace corvalin
