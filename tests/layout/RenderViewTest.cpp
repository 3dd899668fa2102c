#include <gtest/gtest.h>

#include "books/BookFormat.h"
#include "layout/VEMRenderParag.h"
#include "nav/ReadingPosition.h"
#include "store/VEMCrypt.h"
#include "support/ViewFixture.h"

namespace corvalin {
namespace {

using test::ViewFixture;

// Paragraphs of varied length, so lines and units have different heights.
std::string ManyParagraphs(int count) {
    static const char* const kWords[] = {"alpha", "be", "gamma", "delta", "epsilon", "zeta", "eta", "theta"};
    std::string text;
    for (int p = 0; p < count; ++p) {
        const int words = 3 + (p * 7) % 23;
        for (int w = 0; w < words; ++w) text += std::string(kWords[(p + w) % 8]) + (w + 1 < words ? " " : "");
        text += "\n\n";
    }
    return text;
}

// Every consecutive pair of lines in the chain sits one line height apart, and the units hold
// consecutive indices.
void ExpectContiguous(const VEMRenderParag& view) {
    const VEMRenderLineObject* previous = nullptr;
    for (const VEMRenderParagObject* unit = view.firstUnit; unit; unit = unit->next) {
        if (unit->prev) {
            EXPECT_EQ(unit->index, unit->prev->index + 1);
        }
        for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next) {
            if (previous) {
                EXPECT_EQ(line->y, previous->y + previous->height);
            }
            previous = line;
        }
    }
}

TEST(OffsetTable, UnitIndexOfFindsTheLastEntryNotAbove) {
    OffsetTable table;
    table.Assign({40, 50, 50, 80, 100}, 40, 100);
    struct Row {
        const char* name;
        int64_t offset;
        int32_t unit;
    } const rows[] = {
        {"BeforeText", 0, 0}, {"TextStart", 40, 0}, {"InsideFirst", 49, 0}, {"EmptyUnitSkipped", 50, 2},
        {"Inside", 79, 2},    {"LastUnit", 80, 3},  {"TextEnd", 100, 3},    {"Beyond", 5000, 3},
    };
    for (const Row& row : rows) EXPECT_EQ(UnitIndexOf(table, row.offset), row.unit) << row.name;
    OffsetTable one;
    one.Assign({40}, 40, 60);
    EXPECT_EQ(UnitIndexOf(one, 50), -1);
    OffsetTable two;
    two.Assign({40, 60}, 40, 60);
    EXPECT_EQ(UnitIndexOf(two, 50), 0);
}

TEST(OffsetTable, DamagedEntriesAreForcedIntoTheTextInOrder) {
    OffsetTable table;
    table.Assign({7, 90, 60, -5, 1000, 2000000000}, 40, 100);
    EXPECT_EQ(table.Entries(), (std::vector<int32_t>{40, 90, 90, 90, 100, 100}));
}

TEST(CacheWindow, PageCountsAndMemoryEstimates) {
    EXPECT_EQ(CachePagesForIndex(0), 1);
    EXPECT_EQ(CachePagesForIndex(7), 16);
    EXPECT_EQ(CachePagesForIndex(15), 256);
    EXPECT_EQ(CachePagesForIndex(99), 256);
    EXPECT_EQ(CachePagesForIndex(-3), 1);
    EXPECT_EQ(CacheEstimateMegabytes(100, 100, 1), 1);         // 80,000 bytes, at least 1
    EXPECT_EQ(CacheEstimateMegabytes(1920, 1080, 1), 16);      // 16,588,800 bytes
    EXPECT_EQ(CacheEstimateMegabytes(1920, 1080, 256), 4050);  // no 32-bit overflow
}

TEST(RenderView, OneParagraphBookIsUnitZeroFromAnyOffset) {
    ViewFixture f("just one paragraph here\n");
    f.view.Relayout();
    const int32_t textEnd = f.book.Header().textEnd;
    for (int64_t offset : {int64_t(0), int64_t(40), int64_t(textEnd - 1), int64_t(textEnd), int64_t(99999)}) {
        f.view.GoToPosition(offset, 10);
        ASSERT_TRUE(f.view.firstUnit);
        EXPECT_EQ(f.view.firstUnit, f.view.lastUnit);
        EXPECT_EQ(f.view.firstUnit->index, 0);
        EXPECT_TRUE(f.view.firstUnit->isFirst);
        EXPECT_TRUE(f.view.firstUnit->isLast);
    }
}

TEST(RenderView, TextEndAndOneBeforeShowTheLastLine) {
    for (bool full : {true, false}) {
        ViewFixture f(ManyParagraphs(30));
        f.view.fullFormatting = full;
        f.view.Relayout();
        const int32_t textEnd = f.book.Header().textEnd;
        for (int64_t offset : {int64_t(textEnd), int64_t(textEnd - 1)}) {
            f.view.GoToPosition(offset, 37);
            ASSERT_TRUE(f.view.lastUnit);
            EXPECT_TRUE(f.view.lastUnit->isLast);
            EXPECT_EQ(f.view.lastUnit->lastLine->y, 37) << (full ? "full" : "original") << " " << offset;
        }
    }
}

TEST(RenderView, GoToPositionPutsTheOffsetsLineAtTheRow) {
    ViewFixture f(ManyParagraphs(60));
    f.view.Relayout();
    const int32_t target = f.view.paragraphs.Entry(40) + 30;
    f.view.GoToPosition(target, 50);
    const VEMRenderLineObject* found = nullptr;
    for (VEMRenderParagObject* unit = f.view.firstUnit; unit; unit = unit->next)
        for (VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
            if (line->startOffset <= target && target < line->endOffset) found = line;
    ASSERT_TRUE(found);
    EXPECT_EQ(found->y, 50);
    ExpectContiguous(f.view);
}

TEST(RenderView, ScrollingKeepsTheChainInsideTheCacheWindow) {
    ViewFixture f(ManyParagraphs(120));
    f.view.cachePages = 1;
    f.view.Relayout();
    const int32_t height = f.view.pageHeightPx;
    f.view.GoToPosition(f.view.paragraphs.Entry(10), 0);
    for (int step = 0; step < 900; step += 7) {
        // The anchor's unit may leave the window and go; only a last remaining unit stays.
        VEMRenderLineObject* anchor = f.view.firstUnit->firstLine;
        f.view.PlaceLine(anchor, anchor->y - 7);
        ASSERT_NE(f.view.firstUnit, f.view.lastUnit);
        for (const VEMRenderParagObject* unit = f.view.firstUnit; unit; unit = unit->next) {
            EXPECT_GT(unit->lastLine->y + unit->lastLine->textBottom, -height);
            EXPECT_LT(unit->firstLine->y + unit->firstLine->textTop, 2 * height);
        }
        ExpectContiguous(f.view);
        // The placed lines are exactly the lines inside the page, top to bottom.
        int32_t previousY = INT32_MIN;
        for (const VEMRenderScreenLine& entry : f.view.screenLines) {
            EXPECT_GE(entry.line->y + entry.line->textTop, 0);
            EXPECT_LE(entry.line->y + entry.line->textBottom, height);
            EXPECT_GT(entry.line->y, previousY);
            previousY = entry.line->y;
        }
    }
}

TEST(RenderView, AJumpReplacesTheChainAndComingBackFormatsAgain) {
    ViewFixture f(ManyParagraphs(200));
    f.view.Relayout();
    f.view.GoToPosition(f.view.paragraphs.Entry(5), 0);
    const std::string before = ViewFixture::Describe(*f.Unit(5));
    f.view.GoToPosition(f.view.paragraphs.Entry(150), 0);
    EXPECT_EQ(f.Unit(5), nullptr);
    EXPECT_GE(f.view.firstUnit->index, 100);
    ExpectContiguous(f.view);
    f.view.GoToPosition(f.view.paragraphs.Entry(5), 0);
    ASSERT_TRUE(f.Unit(5));
    EXPECT_EQ(ViewFixture::Describe(*f.Unit(5)), before);
}

TEST(RenderView, GetPositionAfterTheEndScrolledAway) {
    ViewFixture f(ManyParagraphs(4));
    f.view.Relayout();
    const int32_t textEnd = f.book.Header().textEnd;
    f.view.GoToPosition(textEnd, -200);  // the last line far above the page
    EXPECT_TRUE(f.view.screenLines.empty());
    int64_t offset = 0;
    int32_t row = 0;
    const VEMRenderLineObject* line = f.view.GetPosition(offset, row);
    ASSERT_TRUE(line);
    EXPECT_EQ(line, f.view.lastUnit->lastLine);
    EXPECT_EQ(offset, f.view.lastUnit->lastLine->startOffset);
    EXPECT_EQ(row, f.view.pageHeightPx / 2);
}

TEST(RenderView, RelayoutKeepsThePositionWhenTheMarginChanges) {
    ViewFixture f(ManyParagraphs(60));
    f.view.marginPx = 5;
    f.view.Relayout();
    f.view.GoToPosition(f.view.paragraphs.Entry(20), 33);
    int64_t offset = 0;
    int32_t row = 0;
    f.view.GetPosition(offset, row);
    // Line breaks move with the margin; the line holding the offset of the top line stays at
    // that line's row (and becomes the position for the next change).
    for (int32_t margin : {20, 0, 50}) {
        f.view.marginPx = margin;
        f.view.Relayout();
        const VEMRenderLineObject* holder = nullptr;
        for (VEMRenderParagObject* unit = f.view.firstUnit; unit; unit = unit->next)
            for (VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
                if (line->startOffset <= offset && offset < line->endOffset) holder = line;
        ASSERT_TRUE(holder) << margin;
        EXPECT_EQ(holder->y, row) << margin;
        f.view.GetPosition(offset, row);
    }
}

TEST(RenderView, CanAdvanceStopsWhenTheLastLineLeavesTheTop) {
    ViewFixture f(ManyParagraphs(3));
    f.view.Relayout();
    const int32_t textEnd = f.book.Header().textEnd;
    f.view.GoToPosition(textEnd, 0);
    const VEMRenderLineObject* last = f.view.lastUnit->lastLine;
    const int32_t reserve = f.view.rowHeightPx / 20;
    EXPECT_EQ(f.view.advanceReservePx, reserve);
    // Bottom minus reserve still below row 0: one more step is allowed.
    f.view.GoToPosition(textEnd, reserve - last->height + 1);
    EXPECT_TRUE(f.view.CanAdvance(false));
    f.view.GoToPosition(textEnd, reserve - last->height);
    EXPECT_FALSE(f.view.CanAdvance(false));
    EXPECT_TRUE(f.view.CanAdvance(true));
    // The beginning of the book pushed below the page.
    f.view.GoToPosition(0, f.view.pageHeightPx);
    EXPECT_FALSE(f.view.CanAdvance(true));
    EXPECT_TRUE(f.view.CanAdvance(false));
}

TEST(RenderView, EmptyViewDoesNothing) {
    VEMRenderParag view;
    view.pageWidthPx = 100;
    view.pageHeightPx = 100;
    view.Relayout();
    view.GoToPosition(40, 0);
    int64_t offset = -1;
    int32_t row = -1;
    EXPECT_EQ(view.GetPosition(offset, row), nullptr);
    EXPECT_EQ(offset, 0);
    EXPECT_FALSE(view.CanAdvance(true));
}

TEST(BookDocument, RejectsDamagedFilesAndBuildsAMissingHeadingIndex) {
    test::TempDir dir;
    const auto path = test::BuildBookFromUtf8(dir, "Chapter 1\n\nText.\n");
    auto bytes = test::ReadBytes(path);

    auto lastByteChanged = bytes;
    lastByteChanged.back() ^= 0x55;
    test::WriteBytes(dir / "digest.book", lastByteChanged);
    auto signatureChanged = bytes;
    signatureChanged[0] = 'X';
    test::WriteBytes(dir / "signature.book", signatureChanged);
    BookDocument book;
    EXPECT_EQ(book.Open(dir / "digest.book"), VerdictKind::Damaged);
    EXPECT_FALSE(book.IsOpen());
    EXPECT_EQ(book.Open(dir / "signature.book"), VerdictKind::NotThisFormat);
    EXPECT_EQ(book.Open(dir / "missing.book"), VerdictKind::NotThisFormat);

    {
        // Take the heading index away, as an old book would come.
        ASSERT_EQ(book.Open(path), VerdictKind::Ok);
        EXPECT_FALSE(book.HeadingsRebuilt());
        book.Store().Clear();
        RewriteBookStore(book.File(), book.Store());
        book.Close();
    }
    ASSERT_EQ(book.Open(path), VerdictKind::Ok);
    EXPECT_TRUE(book.HeadingsRebuilt());
    ASSERT_TRUE(book.Store().Find(kTagHeadings));
    EXPECT_EQ(book.Store().Find(kTagHeadings)->GetInt(0, -1), 2);
    book.Close();
    ASSERT_EQ(book.Open(path), VerdictKind::Ok);
    EXPECT_FALSE(book.HeadingsRebuilt());
    // Without a saved position the book opens at its start, a quarter down the page.
    const ReadingPosition saved = StoredPosition(book.Store(), kBookTextStart);
    EXPECT_EQ(saved.offset, kBookTextStart);
    EXPECT_EQ(RowOfFraction(saved.fraction, 400), 100);
}

}  // namespace
}  // namespace corvalin

namespace corvalin {
namespace {

// Digests prove only that a file was written by a program that knows the seeds; a book whose
// tables and items were altered and re-sealed must still be read within its text.
TEST(RenderView, AlteredTablesAndItemsStayInsideTheText) {
    ViewFixture f(ManyParagraphs(40));
    const BookHeader header = f.book.Header();
    const int64_t textEnd = header.textEnd;
    VEMFile& file = f.book.File();
    auto put32 = [&](int64_t at, int32_t value) {
        const uint8_t bytes[4] = {uint8_t(value), uint8_t(value >> 8), uint8_t(value >> 16),
                                  uint8_t(value >> 24)};
        file.Write(bytes, 4, at);
    };
    put32(textEnd + 4 * 1, int32_t(textEnd + 5000));  // past the text
    put32(textEnd + 4 * 2, 41);                       // backwards, inside an item
    put32(textEnd + 4 * 5, -7);
    put32(header.lineTableOffset + 4 * 3, INT32_MAX);
    const uint8_t longWord = 251;  // a word claiming more units than its paragraph holds
    file.Write(&longWord, 1, f.book.ParagraphTable()[20] + 1);
    file.WriteDigest(kDigestLength, kDigestRounds, SeedA(), 0, int64_t(header.storeOffset) - kDigestLength);
    file.Flush();
    const auto path = f.dir / "book.book";
    DetachBook(f.view);
    ASSERT_EQ(f.book.Open(path), VerdictKind::Ok);
    AttachBook(f.book, f.view);

    for (bool full : {true, false}) {
        f.view.fullFormatting = full;
        f.view.Relayout();
        f.view.GoToPosition(0, 0);
        int32_t steps = 0;
        while (f.view.CanAdvance(false) && steps++ < 2000) {
            VEMRenderLineObject* anchor = f.view.firstUnit->firstLine;
            f.view.PlaceLine(anchor, anchor->y - 25);
            for (const VEMRenderParagObject* unit = f.view.firstUnit; unit; unit = unit->next) {
                EXPECT_GE(unit->startOffset, header.textStart);
                EXPECT_LE(unit->endOffset, textEnd);
                for (const VEMRenderLineObject* line = unit->firstLine; line; line = line->next)
                    EXPECT_LE(line->endOffset, unit->endOffset);
            }
        }
        EXPECT_FALSE(f.view.CanAdvance(false));
    }
}

}  // namespace
}  // namespace corvalin
