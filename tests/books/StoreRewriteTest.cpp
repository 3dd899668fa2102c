// A state save rewrites the book's record store in place; whatever stops it half-way, the book
// must still open with the store it had.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "books/BookFormat.h"
#include "books/StoreRewrite.h"
#include "store/FileError.h"
#include "store/VEMOpt.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::FileSizeLimit;
using test::OpenedBook;
using test::TempDir;

constexpr uint32_t kTagNote = 7000;  // a record of the test's own beside the real ones
const std::string kText = "Chapter 1\n\n    It was a dark night.\nThe wind blew.\n";

void LoadStore(OpenedBook& book, VEMOpt& store) { LoadBookStore(book.file, book.header.storeOffset, store); }

// The store of the book at `path` as a reader's open finds it; the check must pass.
int32_t SavedPosition(const std::filesystem::path& path) {
    OpenedBook book(path);
    EXPECT_EQ(book.Check(), VerdictKind::Ok);
    VEMOpt store;
    LoadStore(book, store);
    return store.GetInt(kTagPosition, -1);
}

class StoreRewriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        path_ = test::BuildBookFromUtf8(dir_, kText);
        OpenedBook book(path_);
        VEMOpt store;
        LoadStore(book, store);
        store.SetInt(kTagPosition, 1234);
        RewriteBookStoreSafely(path_, book.file, store);
    }

    TempDir dir_;
    std::filesystem::path path_;
};

TEST_F(StoreRewriteTest, ASaveKeepsNoUndoFileBehind) {
    {
        OpenedBook book(path_);
        VEMOpt store;
        LoadStore(book, store);
        store.SetInt(kTagPosition, 5678);
        RewriteBookStoreSafely(path_, book.file, store);
    }
    EXPECT_EQ(SavedPosition(path_), 5678);
    EXPECT_FALSE(std::filesystem::exists(StoreUndoPath(path_)));
    EXPECT_EQ(RecoverStoreRewrite(path_), StoreRecovery::Nothing);
}

TEST_F(StoreRewriteTest, AWriteCutShortByAFullDiskLeavesTheOldStore) {
    const auto length = std::filesystem::file_size(path_);
    {
        OpenedBook book(path_);
        VEMOpt store;
        LoadStore(book, store);
        store.SetInt(kTagPosition, 5678);
        // Far more than the disk has room for: the write stops inside the new store.
        store.SetString(kTagNote, std::string(200'000, 'x'));
        FileSizeLimit full(length + 4096);
        EXPECT_THROW(RewriteBookStoreSafely(path_, book.file, store), FileError);
    }
    EXPECT_EQ(std::filesystem::file_size(path_), length);
    EXPECT_EQ(SavedPosition(path_), 1234);
    EXPECT_FALSE(std::filesystem::exists(StoreUndoPath(path_)));
}

TEST_F(StoreRewriteTest, NoRoomForTheUndoFileLeavesTheBookUntouched) {
    const std::vector<uint8_t> before = test::ReadBytes(path_);
    {
        OpenedBook book(path_);
        VEMOpt store;
        LoadStore(book, store);
        store.SetInt(kTagPosition, 5678);
        FileSizeLimit full(16);
        EXPECT_THROW(RewriteBookStoreSafely(path_, book.file, store), FileError);
    }
    EXPECT_EQ(test::ReadBytes(path_), before);
    for (const auto& entry : std::filesystem::directory_iterator(dir_.path()))
        EXPECT_EQ(entry.path(), path_) << "left behind";
}

// What a crash at some point of a save leaves on disk, and what the next open makes of it.
TEST_F(StoreRewriteTest, TheNextOpenFinishesWhatACrashLeft) {
    const std::vector<uint8_t> good = test::ReadBytes(path_);
    std::vector<uint8_t> saved;  // the book after a save that went through
    int64_t storeOffset = 0;
    {
        OpenedBook book(path_);
        storeOffset = book.header.storeOffset;
        VEMOpt store;
        LoadStore(book, store);
        store.SetInt(kTagPosition, 5678);
        RewriteBookStoreSafely(path_, book.file, store);
    }
    saved = test::ReadBytes(path_);
    const std::vector<uint8_t> head(good.begin(), good.begin() + storeOffset);
    auto with = [&](std::vector<uint8_t> bytes, const std::vector<uint8_t>& more) {
        bytes.insert(bytes.end(), more.begin(), more.end());
        return bytes;
    };
    struct Case {
        const char* name;
        std::vector<uint8_t> book;  // the book as the crash left it
        bool damageUndo;
        StoreRecovery recovery;
        int32_t position;  // what the next open reads; -2: the book stays unreadable
    };
    const Case cases[] = {
        {"CutAtTheStore", head, false, StoreRecovery::Restored, 1234},
        {"HalfANewStore", with(head, std::vector<uint8_t>(37, 0x5A)), false, StoreRecovery::Restored, 1234},
        {"NewStoreWholeUndoNotYetRemoved", saved, false, StoreRecovery::Discarded, 5678},
        {"DamagedUndoIsNotApplied", head, true, StoreRecovery::Discarded, -2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        test::WriteBytes(path_, good);
        {
            OpenedBook book(path_);
            KeepStoreForUndo(path_, book.file);
        }
        if (c.damageUndo) {
            std::vector<uint8_t> undo = test::ReadBytes(StoreUndoPath(path_));
            undo.back() ^= 1;
            test::WriteBytes(StoreUndoPath(path_), undo);
        }
        test::WriteBytes(path_, c.book);

        EXPECT_EQ(RecoverStoreRewrite(path_), c.recovery);
        EXPECT_FALSE(std::filesystem::exists(StoreUndoPath(path_)));
        if (c.position == -2) {
            OpenedBook book(path_);
            EXPECT_NE(book.Check(), VerdictKind::Ok);
        } else {
            EXPECT_EQ(SavedPosition(path_), c.position);
        }
        if (c.recovery == StoreRecovery::Restored) {
            EXPECT_EQ(test::ReadBytes(path_), good);
        }
    }
}

}  // namespace
}  // namespace corvalin
