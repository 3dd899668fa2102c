// The encoding dialog's document without the window: code page selection, the switch to
// markup, the lazy line index and its scroll range, and the preview's lines.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/Utf.h"
#include "import/CodepageList.h"
#include "import/EncodingPreview.h"

namespace corvalin {
namespace {

std::vector<uint8_t> Bytes(std::string_view text) { return {text.begin(), text.end()}; }

std::vector<uint8_t> Utf16Le(std::u16string_view text, bool mark) {
    std::vector<uint8_t> bytes;
    if (mark) bytes = {0xFF, 0xFE};
    for (char16_t c : text) bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
    return bytes;
}

std::vector<std::string> Lines(EncodingPreview& preview) {
    std::vector<std::string> lines;
    for (size_t line = 0; preview.HasLine(line); ++line) lines.push_back(Utf16ToUtf8(preview.LineText(line)));
    return lines;
}

TEST(EncodingPreview, SelectsListedPagesOnlyAndDecodesInThem) {
    const auto bytes = Bytes("\xCF\xF3\xF8\xEA\xE8\xED\n");  // "Пушкин" in cp1251
    EncodingPreview preview(bytes, DocumentKind::Text);
    EXPECT_FALSE(preview.HasLine(0)) << "nothing is decoded before a page is selected";
    ASSERT_TRUE(preview.SelectCodePage(1251));
    EXPECT_EQ(Lines(preview), std::vector<std::string>{"Пушкин"});
    // An unlisted number leaves the selection and the decoding as they were.
    EXPECT_FALSE(preview.SelectCodePage(1200));
    EXPECT_FALSE(preview.SelectCodePage(12345));
    EXPECT_EQ(preview.CodePage(), 1251);
    EXPECT_EQ(Lines(preview), std::vector<std::string>{"Пушкин"});
    ASSERT_TRUE(preview.SelectCodePage(866));
    EXPECT_NE(Lines(preview), std::vector<std::string>{"Пушкин"});
}

TEST(EncodingPreview, APlainTextBeginningAsHtmlIsReadAsMarkupInThePageThatReadsItSo) {
    const auto utf16 = Utf16Le(u"<html><title>T</title><p>one<br>two &amp; three</html>", true);
    EncodingPreview preview(utf16, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1252));
    EXPECT_EQ(preview.Kind(), DocumentKind::Text) << "read byte by byte it does not begin with the tag";
    ASSERT_TRUE(preview.SelectCodePage(kCodePageUnicode));
    EXPECT_EQ(preview.Kind(), DocumentKind::Html);
    EXPECT_EQ(Lines(preview), (std::vector<std::string>{"", "T", "one", "two & three"}));
    EXPECT_EQ(Utf16ToUtf8(preview.Title()), "T");

    // Lower case, upper case: the first six characters decide. A byte-order mark is not one.
    for (const char* text : {"<HTML>x", "<hTmL><p>x", "<html>"}) {
        const auto bytes = Bytes(text);
        EncodingPreview other(bytes, DocumentKind::Text);
        ASSERT_TRUE(other.SelectCodePage(1252));
        EXPECT_EQ(other.Kind(), DocumentKind::Html) << text;
    }
    for (const char* text : {" <html>", "<html", "<!DOCTYPE html><html>", "<htm>l"}) {
        const auto bytes = Bytes(text);
        EncodingPreview other(bytes, DocumentKind::Text);
        ASSERT_TRUE(other.SelectCodePage(1252));
        EXPECT_EQ(other.Kind(), DocumentKind::Text) << text;
    }
    // Kinds that are not plain text keep their kind.
    const auto rtfText = Utf16Le(u"<html>", true);
    EncodingPreview prepared(rtfText, DocumentKind::Rtf);
    ASSERT_TRUE(prepared.SelectCodePage(kCodePageUnicode));
    EXPECT_EQ(prepared.Kind(), DocumentKind::Rtf);
}

TEST(EncodingPreview, LinesAreIndexedAsFarAsAskedAndEndGivesTheExactRange) {
    std::string text;
    for (int i = 0; i < 1000; ++i) text += "line " + std::to_string(i) + "\r\n";
    const auto bytes = Bytes(text);
    EncodingPreview preview(bytes, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1252));
    EXPECT_EQ(preview.LineStarts().size(), 1u);
    ASSERT_TRUE(preview.HasLine(9));
    EXPECT_LE(preview.LineStarts().size(), 12u) << "only the lines asked for are indexed";
    EXPECT_FALSE(preview.FullyIndexed());
    EXPECT_EQ(Utf16ToUtf8(preview.LineText(9)), "line 9");  // the carriage return is dropped
    // The estimate: the bytes left at the average length of the lines known, plus those lines.
    const int64_t known = int64_t(preview.LineStarts().size());
    const int64_t last = preview.LineStarts().back();
    const int64_t average = last / (known - 1);
    EXPECT_EQ(preview.ScrollRange(16), ((int64_t(bytes.size()) - last) / average + known) * 16);

    preview.IndexAll();
    EXPECT_TRUE(preview.FullyIndexed());
    ASSERT_EQ(preview.LineStarts().size(), 1001u);  // 1000 lines, then the end
    EXPECT_EQ(preview.LineStarts().back(), int64_t(bytes.size()));
    EXPECT_EQ(preview.ScrollRange(16), 1001 * 16);
    EXPECT_TRUE(preview.HasLine(999));
    EXPECT_FALSE(preview.HasLine(1000));
    EXPECT_EQ(Utf16ToUtf8(preview.LineText(999)), "line 999");
    EXPECT_EQ(preview.LineText(1000), u"");

    // Selecting again starts from the top.
    ASSERT_TRUE(preview.SelectCodePage(1251));
    EXPECT_EQ(preview.LineStarts().size(), 1u);
}

TEST(EncodingPreview, PreviewLinesShowTabsAsSpacesAndStopAfter256Units) {
    const std::string longLine(1000, 'x');
    const auto bytes = Bytes("a\tb\r\n" + longLine + "\nlast");
    EncodingPreview preview(bytes, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1252));
    EXPECT_EQ(Utf16ToUtf8(preview.LineText(0)), "a b");
    EXPECT_EQ(preview.LineText(1).size(), 257u);
    EXPECT_EQ(Utf16ToUtf8(preview.LineText(2)), "last");
    EXPECT_FALSE(preview.HasLine(3));
}

TEST(EncodingPreview, MarkupPreviewHidesThePreformattedMarkers) {
    const auto bytes = Bytes("<p>before<pre>  kept  as is\n  second</pre>after");
    EncodingPreview preview(bytes, DocumentKind::Html);
    ASSERT_TRUE(preview.SelectCodePage(1252));
    EXPECT_EQ(Lines(preview), (std::vector<std::string>{"", "before  kept  as is", "  secondafter"}));
}

TEST(EncodingPreview, MarkupThatConvertsToLittleEndsWhereTheSourceEnds) {
    // Only a comment and a script: the buffer stays short of the positions the source has.
    for (const char* page : {"<html><!-- nothing to see > here --><script>x<y</script>",
                             "<html><p>one</p><!-- a long comment ........................ -->"}) {
        const auto bytes = Bytes(page);
        EncodingPreview preview(bytes, DocumentKind::Html);
        ASSERT_TRUE(preview.SelectCodePage(1252));
        preview.IndexAll();
        EXPECT_TRUE(preview.FullyIndexed()) << page;
        EXPECT_EQ(preview.LineStarts().back(), int64_t(bytes.size())) << page;
    }
}

TEST(EncodingPreview, ByteOrderMarkAndDetectionAreReported) {
    const auto marked = Utf16Le(u"text", true);
    EncodingPreview unicode(marked, DocumentKind::Text);
    EXPECT_EQ(unicode.ByteOrderMarkPage(), kCodePageUnicode);
    const auto ascii = Bytes("plain ASCII names no page\n");
    EncodingPreview plain(ascii, DocumentKind::Text);
    EXPECT_EQ(plain.ByteOrderMarkPage(), 0);
    EXPECT_FALSE(plain.Detected().has_value());
    // A prepared text is UTF-16 whatever is selected; nothing is detected for it.
    EncodingPreview prepared(marked, DocumentKind::Rtf);
    EXPECT_TRUE(prepared.TwoByteDocument());
    EXPECT_FALSE(prepared.Detected().has_value());
    ASSERT_TRUE(prepared.SelectCodePage(1251));
    EXPECT_EQ(Lines(prepared), std::vector<std::string>{"text"});
}

}  // namespace
}  // namespace corvalin
