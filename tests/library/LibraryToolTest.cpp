#include <gtest/gtest.h>

#include <string>

#include "library/LibraryBooks.h"
#include "settings/Configuration.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::BookText;
using test::MakeLibraryBook;
using test::TempDir;

test::CommandRun RunLibraryTool(const std::string& arguments) {
    return test::RunCommand(std::string(CORVALIN_TOOLS_DIR) + "/corvalin-library " + arguments +
                            " 2>/dev/null");
}

TEST(LibraryTool, PrintsTheTreeAndKeepsWhatItLearned) {
    TempDir folder;
    const auto books = folder.path() / "Books";
    MakeLibraryBook(books, "b.book", BookText({"Smith John", "Second Book"}, 2), "second.txt");
    MakeLibraryBook(books, "a.book", BookText({"Smith John", "First Book"}, 1), "first.txt");
    MakeLibraryBook(books, "c.book", BookText({"no author on this page at all"}, 3), "notes.txt");
    MakeLibraryBook(books, "d.book", BookText({"An archive"}, 4), "bundle.zip");

    const std::string dir = " --dir '" + folder.path().string() + "'";
    const test::CommandRun run = RunLibraryTool(dir);
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.output,
              "Author: Smith John\n"
              "  First Book\tSmith John - First Book.book\n"
              "  Second Book\tSmith John - Second Book.book\n"
              "Author: Unknown\n"
              "  \tc.book\n"
              "Not Text Files\n"
              "  \td.book\n");
    EXPECT_TRUE(std::filesystem::is_directory(folder.path() / "Tmp"));

    // The derived name went into Global.cfg with the reader's settings.
    Configuration config;
    LoadContext context;
    context.languageCount = 4;
    ASSERT_TRUE(LoadConfiguration(folder.path(), config, context).Valid());
    ASSERT_EQ(config.knownNames.size(), 1u);
    EXPECT_EQ(config.knownNames[0].name, u"Smith John");

    // A second run finds the library as the first left it.
    EXPECT_EQ(RunLibraryTool(dir).output, run.output);
    EXPECT_EQ(RunLibraryTool("--dir").status, 2);
    EXPECT_EQ(RunLibraryTool("extra" + dir).status, 2);
}

}  // namespace
}  // namespace corvalin
