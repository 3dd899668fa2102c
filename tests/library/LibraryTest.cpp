#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "books/BookDocument.h"
#include "books/BookFormat.h"
#include "library/BookScan.h"
#include "library/Library.h"
#include "library/LibraryBooks.h"
#include "library/OpenBookLink.h"
#include "library/SaveAuthorTitle.h"

namespace corvalin {
namespace {

using test::BookText;
using test::MakeLibraryBook;
using test::Prose;
using test::TempDir;

// A program folder whose library is scanned and rebuilt as the window's first showing does.
class LibraryTest : public ::testing::Test {
protected:
    std::filesystem::path Books() const { return folder_.path() / "Books"; }

    std::filesystem::path Book(const std::string& fileName, const std::vector<std::string>& head,
                               int seed = 0, const std::string& source = "source.txt") {
        return MakeLibraryBook(Books(), fileName, BookText(head, seed), source);
    }

    Library& Open(OpenBookLink* link = nullptr) {
        library_ = std::make_unique<Library>(folder_.path(), names_, link);
        library_->Load(library_->PrepareFirstShowing());
        library_->Rebuild();
        return *library_;
    }

    // Author and title by file name, as the tree shows them.
    std::map<std::string, std::pair<std::u16string, std::u16string>> Shown(const Library& library) const {
        std::map<std::string, std::pair<std::u16string, std::u16string>> books;
        for (const auto& entry : library.Entries())
            books[entry->path.filename().string()] = {entry->author, entry->title};
        return books;
    }

    // What a fresh scan reads from the file.
    static std::pair<std::u16string, std::u16string> Stored(const std::filesystem::path& path) {
        const auto entry = ScanBook(path);
        return entry ? std::pair{entry->author, entry->title} : std::pair<std::u16string, std::u16string>{};
    }

    TempDir folder_;
    std::vector<KnownName> names_;
    std::unique_ptr<Library> library_;
};

using Names = std::map<std::string, std::pair<std::u16string, std::u16string>>;

TEST_F(LibraryTest, TwoBooksSharingANameLineTakeItAsAuthor) {
    Book("a.book", {"Smith John", "First Book"}, 1);
    Book("b.book", {"Smith John", "Second Book"}, 2);
    Library& library = Open();
    const Names expected = {{"Smith John - First Book.book", {u"Smith John", u"First Book"}},
                            {"Smith John - Second Book.book", {u"Smith John", u"Second Book"}}};
    EXPECT_EQ(Shown(library), expected);
    // Written into the books themselves.
    EXPECT_EQ(Stored(Books() / "Smith John - Second Book.book"),
              std::pair(std::u16string(u"Smith John"), std::u16string(u"Second Book")));
    EXPECT_FALSE(std::filesystem::exists(Books() / "a.book"));
    ASSERT_FALSE(names_.empty());
    EXPECT_EQ(names_.front().name, u"Smith John");
    EXPECT_EQ(names_.front().kind, kDerivedAuthor);
}

TEST_F(LibraryTest, AKnownAuthorFollowedByATitleOnOneLine) {
    names_.push_back({kDerivedAuthor, u"Tolstoy Leo", false});
    Book("w.book", {"TOLSTOY LEO. War and Peace", "Volume One"});
    Library& library = Open();
    const Names expected = {{"Tolstoy Leo - War and Peace.book", {u"Tolstoy Leo", u"War and Peace"}}};
    EXPECT_EQ(Shown(library), expected);
}

TEST_F(LibraryTest, AReplacedAuthorIsNeverDerivedAgainAndTheChoiceIsKept) {
    Book("a.book", {"Smith John", "First Book"}, 1);
    Book("b.book", {"Smith John", "Second Book"}, 2);
    {
        Library& library = Open();
        VEMBrowseFile* first = library.Find("Smith John - First Book.book");
        ASSERT_NE(first, nullptr);
        library.OnUserEdit(*first, TrimmedField(u" Doe Jane "), TrimmedField(u" X "));
        // A title of one character survives the trimming.
        EXPECT_EQ(first->title, u"X");
        EXPECT_EQ(first->path.filename(), "Doe Jane - X.book");
        EXPECT_EQ(library.Groups().size(), 2u);
    }
    EXPECT_EQ(Stored(Books() / "Doe Jane - X.book"),
              std::pair(std::u16string(u"Doe Jane"), std::u16string(u"X")));

    // Two more books sharing the replaced name: it is not given to them.
    Book("c.book", {"Smith John", "Third Book"}, 3);
    Book("d.book", {"Smith John", "Fourth Book"}, 4);
    Library& again = Open();
    const Names expected = {{"Doe Jane - X.book", {u"Doe Jane", u"X"}},
                            {"Smith John - Second Book.book", {u"Smith John", u"Second Book"}},
                            {"c.book", {u"", u""}},
                            {"d.book", {u"", u""}}};
    EXPECT_EQ(Shown(again), expected);
}

TEST_F(LibraryTest, ANameFoundOnSeveralTitlePagesIsConfirmedAndDuplicatesRefined) {
    // Title pages with blank lines between their lines: the collection's name comes first, the
    // author after it, then the story's title.
    MakeLibraryBook(Books(), "a.book", BookText({"Collected Stories", "Smith John", "The Lake"}, 1), "a.txt",
                    true);
    MakeLibraryBook(Books(), "b.book", BookText({"Collected Stories", "Smith John", "The River"}, 2), "b.txt",
                    true);
    Library& library = Open();
    // Both got "Smith John" with the collection as title first; then, the same author and title
    // twice, the line where the texts part became the titles.
    const Names expected = {{"Smith John - The Lake.book", {u"Smith John", u"The Lake"}},
                            {"Smith John - The River.book", {u"Smith John", u"The River"}}};
    EXPECT_EQ(Shown(library), expected);
    VEMAuthor& names = library.KnownNames();
    EXPECT_TRUE(names.HasExactly(u"Smith John", kDerivedAuthor));
    EXPECT_TRUE(names.HasExactly(u"Collected Stories", kRejectedTitle));
}

TEST_F(LibraryTest, IdenticalBooksSettleAndNeverShareAFile) {
    names_.push_back({kDerivedAuthor, u"Smith John", false});
    // The same text twice: the refinement finds nothing new and must not run for ever.
    Book("one.book", {"Smith John", "First Book", "Part One"}, 7);
    Book("two.book", {"Smith John", "First Book", "Part One"}, 7);
    // A file of the same name that is not a book of this library stays as it is.
    test::WriteText(Books() / "Smith John - First Book - 01.book", "someone else's file");
    Library& library = Open();
    std::vector<std::string> files;
    for (const auto& entry : library.Entries()) {
        EXPECT_EQ(entry->author, u"Smith John");
        EXPECT_EQ(entry->title, u"First Book");
        files.push_back(entry->path.filename().string());
    }
    std::sort(files.begin(), files.end());
    EXPECT_EQ(files, (std::vector<std::string>{"Smith John - First Book - 02.book",
                                               "Smith John - First Book.book"}));
    EXPECT_EQ(test::ReadBytes(Books() / "Smith John - First Book - 01.book").size(), 19u);
    // Nothing was learned from comparing a book with its copy: the title is not a rejected one.
    EXPECT_FALSE(library.KnownNames().HasExactly(u"First Book", kRejectedTitle));

    // Saving again keeps the names: the numbered book does not move on to " - 03".
    for (const auto& entry : library.Entries()) entry->modified = true;
    library.SaveModified();
    std::vector<std::string> again;
    for (const auto& entry : library.Entries()) again.push_back(entry->path.filename().string());
    std::sort(again.begin(), again.end());
    EXPECT_EQ(again, files);
}

TEST(LibraryTree, GroupsAndOrders) {
    std::vector<std::unique_ptr<VEMBrowseFile>> entries;
    auto add = [&](std::u16string author, std::u16string title, std::string source, bool special = false) {
        auto entry = std::make_unique<VEMBrowseFile>();
        entry->author = std::move(author);
        entry->title = std::move(title);
        entry->sourceName = std::move(source);
        entry->special = special;
        entries.push_back(std::move(entry));
    };
    add(u"beta", u"zebra", "1.txt");
    add(u"Alpha", u"one", "2.txt");
    add(u"BETA", u"Apple", "3.txt");
    add(u"", u"", "b.txt");
    add(u"beta", u"apple", "0.txt");
    add(u"Zed", u"pictures", "pics.zip", true);
    add(u"", u"", "A.txt");

    std::vector<std::string> shown;
    for (const LibraryGroup& group : BuildLibraryTree(entries)) {
        const std::string kind = group.kind == LibraryGroup::Kind::Author    ? "author "
                                 : group.kind == LibraryGroup::Kind::Unknown ? "unknown"
                                                                             : "not text";
        shown.push_back(kind + " " + Utf16ToUtf8(group.author));
        for (const VEMBrowseFile* book : group.books) shown.push_back("  " + book->sourceName);
    }
    // Groups by author ignoring case (spelled as the first book spells it), books by title,
    // then by document name; the books without author after them; the others last.
    const std::vector<std::string> expected = {"author  Alpha", "  2.txt",   "author  beta", "  0.txt",
                                               "  3.txt",       "  1.txt",   "unknown ",     "  A.txt",
                                               "  b.txt",       "not text ", "  pics.zip"};
    EXPECT_EQ(shown, expected);
}

TEST(BookNames, CharactersAFileNameCannotHoldAreRemoved) {
    struct Row {
        std::u16string author, title;
        std::string source;
        std::string name;
    };
    const Row rows[] = {
        {u"Smith John", u"War: \"Peace\"?", "", "Smith John - War Peace.book"},
        {u"AC/DC", u"Back <in> Black|*@", "", "ACDC - Back in Black.book"},
        {u"Толстой Лев", u"Война и мир", "", "Толстой Лев - Война и мир.book"},
        {u"", u"ignored", "my.story.txt", "my_story_txt.book"},
        {u"", u"", "../../etc/passwd", "____etcpasswd.book"},
    };
    for (const Row& row : rows) {
        VEMBrowseFile entry;
        entry.author = row.author;
        entry.title = row.title;
        entry.sourceName = row.source;
        entry.path = "Books/old.book";
        EXPECT_EQ(BookFileName(entry), row.name);
    }
    VEMBrowseFile longName;
    longName.author = std::u16string(300, u'Ж');
    longName.path = "Books/old.book";
    const std::string name = BookFileName(longName);
    EXPECT_LE(name.size(), 205u);
    EXPECT_TRUE(IsValidUtf8(name));
}

// The reader's open book, as the library sees it: a real book opened by the books layer.
class OpenDocument final : public OpenBookLink {
public:
    explicit OpenDocument(std::filesystem::path path) : path_(std::move(path)) {
        EXPECT_TRUE(document_.Open(path_).Ok());
    }
    bool IsOpenBook(const std::filesystem::path& path) const override {
        return document_.IsOpen() && SameFile(path, path_);
    }
    VEMFile& OpenBookFile() override { return document_.File(); }
    VEMOpt& OpenBookStore() override { return document_.Store(); }
    void CloseOpenBook() override {
        document_.RewriteStore(document_.Store());
        document_.Close();
        ++closes;
    }
    BookDocument& Document() { return document_; }
    int closes = 0;

private:
    std::filesystem::path path_;
    BookDocument document_;
};

TEST_F(LibraryTest, TheBookBeingReadIsNeverRenamedUnderTheReader) {
    const auto a = Book("a.book", {"Smith John", "First Book"}, 1);
    Book("b.book", {"Smith John", "Second Book"}, 2);
    OpenDocument reader(a);
    Library& library = Open(&reader);
    EXPECT_TRUE(std::filesystem::exists(a));
    VEMBrowseFile* open = library.Find("a.book");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->author, u"Smith John");
    EXPECT_TRUE(open->modified);
    // The records wait in the reader's store for its next state save.
    EXPECT_EQ(reader.Document().Store().GetWideString(kTagTitle, u""), u"First Book");
    EXPECT_TRUE(std::filesystem::exists(Books() / "Smith John - Second Book.book"));

    // Closed, the book is written and renamed with the next rebuild.
    reader.Document().Close();
    library.Rebuild();
    EXPECT_EQ(open->path.filename(), "Smith John - First Book.book");
    EXPECT_FALSE(std::filesystem::exists(a));
}

TEST_F(LibraryTest, DeletingRemovesOnlyTheBookAndClosesItWhenOpen) {
    const auto a = Book("a.book", {"Alpha Book"}, 1);
    const auto b = Book("b.book", {"Beta Book"}, 2);
    test::WriteText(Books() / "notes.txt", "mine");
    OpenDocument reader(a);
    Library& library = Open(&reader);
    ASSERT_EQ(library.Entries().size(), 2u);

    EXPECT_EQ(library.Delete(library.Find("a.book")), Library::DeleteOutcome::Deleted);
    EXPECT_EQ(reader.closes, 1);
    EXPECT_FALSE(reader.Document().IsOpen());
    EXPECT_FALSE(std::filesystem::exists(a));
    EXPECT_TRUE(std::filesystem::exists(b));
    EXPECT_TRUE(std::filesystem::exists(Books() / "notes.txt"));
    EXPECT_EQ(library.Entries().size(), 1u);

    // A file that has already gone only loses its entry.
    std::filesystem::remove(b);
    EXPECT_EQ(library.Delete(library.Find("b.book")), Library::DeleteOutcome::AlreadyGone);
    EXPECT_TRUE(library.Entries().empty());
    EXPECT_TRUE(library.Groups().empty());
}

}  // namespace
}  // namespace corvalin
