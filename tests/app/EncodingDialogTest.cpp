// The encoding dialog over real documents, and the reader importing through it.
#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QImage>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <functional>
#include <string>
#include <vector>

#include "app/EncodingDialog.h"
#include "app/ReaderImport.h"
#include "app/WindowFixture.h"
#include "import/CodepageTexts.h"
#include "settings/Configuration.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

using test::Settle;
using ReaderWindow = test::QuietReaderWindow;
using EncodingDialogTest = test::GuideBookTest;

const std::string kRussian =
    "Руслан и Людмила\n\n"
    "У лукоморья дуб зелёный;\nЗлатая цепь на дубе том:\nИ днём и ночью кот учёный\n"
    "Всё ходит по цепи кругом;\nИдёт направо — песнь заводит,\nНалево — сказку говорит.\n"
    "Там чудеса: там леший бродит,\nРусалка на ветвях сидит;\nТам на неведомых дорожках\n"
    "Следы невиданных зверей;\nИзбушка там на курьих ножках\nСтоит без окон, без дверей;\n";

void Press(QWidget& widget, int key) {
    QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier);
    QCoreApplication::sendEvent(&widget, &event);
}

std::string Utf8(const std::u16string& text) { return Utf16ToUtf8(text); }

TEST_F(EncodingDialogTest, OpensOnThePageGivenMarksTheDetectedOneAndSelectsItOnRequest) {
    const std::vector<uint8_t> bytes = test::EncodeInCodePage(kRussian, 866);
    ReaderWindow window(folder_.path());
    TAA_Encode& dialog = window.Importer().EncodingWindow();
    const VEMCodepage& pages = window.Importer().Codepages();
    EncodingPreview preview(bytes, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1251));
    dialog.Attach({preview, "poem.txt", int64_t(bytes.size()), true, false});

    EXPECT_EQ(dialog.windowTitle(), "Book Preview. Definition codepage of the text of the book");
    EXPECT_EQ(dialog.FileLabel().text(),
              QString("Filename: poem.txt        File Size: ") + QString::number(bytes.size()));
    EXPECT_EQ(dialog.CodepageList().currentRow(), pages.IndexOf(1251)) << "the page given stays selected";
    const int detected = pages.IndexOf(866);
    ASSERT_GE(detected, 0);
    EXPECT_TRUE(dialog.CodepageList().item(detected)->font().bold());
    EXPECT_TRUE(dialog.CodepageList().item(detected)->text().endsWith("detected"));
    EXPECT_FALSE(dialog.CodepageList().item(pages.IndexOf(1251))->font().bold());
    EXPECT_NE(Utf8(preview.LineText(0)), "Руслан и Людмила");

    ASSERT_TRUE(dialog.DetectedButton().isEnabled());
    dialog.DetectedButton().click();
    EXPECT_EQ(dialog.CodepageList().currentRow(), detected);
    EXPECT_EQ(dialog.SelectedCodePage(), 866);
    EXPECT_EQ(Utf8(preview.LineText(0)), "Руслан и Людмила");

    // A click in the list selects and decodes too.
    dialog.CodepageList().setCurrentRow(pages.IndexOf(20866));
    EXPECT_EQ(preview.CodePage(), 20866);
    dialog.CodepageList().setCurrentRow(detected);

    dialog.findChild<QPushButton*>("ButtonImportAll")->click();
    const EncodingAnswer answer = dialog.Answer();
    EXPECT_EQ(answer.choice, EncodingChoice::ImportAll);
    EXPECT_EQ(answer.codePage, 866);
    EXPECT_FALSE(answer.everyLineParagraph);
}

TEST_F(EncodingDialogTest, ButtonsGiveTheirAnswersAndTheLabelTicksTheBox) {
    const std::vector<uint8_t> bytes = test::EncodeInCodePage(kRussian, 1251);
    ReaderWindow window(folder_.path());
    TAA_Encode& dialog = window.Importer().EncodingWindow();
    EncodingPreview preview(bytes, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1251));
    const struct {
        const char* button;
        const char* caption;
        EncodingChoice choice;
    } cases[] = {{"ButtonImport", "Import", EncodingChoice::Import},
                 {"ButtonSkip", "Do Not Import", EncodingChoice::DoNotImport},
                 {"ButtonAbort", "Abort", EncodingChoice::Abort},
                 {"ButtonImportAll", "Import All", EncodingChoice::ImportAll}};
    for (const auto& c : cases) {
        dialog.Attach({preview, "poem.txt", 1, true, true});
        auto* button = dialog.findChild<QPushButton*>(c.button);
        ASSERT_NE(button, nullptr) << c.button;
        EXPECT_EQ(button->text(), c.caption);
        button->click();
        EXPECT_EQ(dialog.Answer().choice, c.choice) << c.button;
        EXPECT_TRUE(dialog.Answer().everyLineParagraph);
    }
    // Closing the window otherwise does not import.
    dialog.Attach({preview, "poem.txt", 1, true, false});
    dialog.reject();
    EXPECT_EQ(dialog.Answer().choice, EncodingChoice::DoNotImport);

    auto* label = dialog.findChild<QLabel*>("LabelParagraph");
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->text(), "Every line - new paragraph");
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(2, 2), QPointF(2, 2), Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(label, &release);
    EXPECT_TRUE(dialog.EveryLineParagraph().isChecked());
}

TEST_F(EncodingDialogTest, APageThatReadsTheTextAsMarkupTicksTheBoxAndAnotherUnticksIt) {
    std::vector<uint8_t> bytes;
    for (char16_t c : std::u16string(u"<HTML><p>Один<p>Два</HTML>"))
        bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
    ReaderWindow window(folder_.path());
    TAA_Encode& dialog = window.Importer().EncodingWindow();
    EncodingPreview preview(bytes, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1252));
    dialog.Attach({preview, "page.txt", int64_t(bytes.size()), true, false});
    EXPECT_FALSE(dialog.EveryLineParagraph().isChecked());
    ASSERT_TRUE(dialog.SelectCodePage(kCodePageUnicode));
    EXPECT_EQ(preview.Kind(), DocumentKind::Html);
    EXPECT_TRUE(dialog.EveryLineParagraph().isChecked());
    EXPECT_EQ(Utf8(preview.LineText(1)), "Один");
    ASSERT_TRUE(dialog.SelectCodePage(1251));
    EXPECT_EQ(preview.Kind(), DocumentKind::Text);
    EXPECT_FALSE(dialog.EveryLineParagraph().isChecked());
    EXPECT_FALSE(dialog.SelectCodePage(12345));
}

TEST_F(EncodingDialogTest, APreparedUnicodeTextOffersNoCodePages) {
    std::vector<uint8_t> bytes = {0xFF, 0xFE};
    for (char16_t c : std::u16string(u"Text\n")) bytes.insert(bytes.end(), {uint8_t(c), uint8_t(c >> 8)});
    ReaderWindow window(folder_.path());
    TAA_Encode& dialog = window.Importer().EncodingWindow();
    EncodingPreview preview(bytes, DocumentKind::Rtf);
    ASSERT_TRUE(preview.SelectCodePage(kCodePageUnicode));
    dialog.Attach({preview, "letter.rtf", 10, false, true});
    EXPECT_TRUE(dialog.CodepageList().isHidden());
    EXPECT_TRUE(dialog.DetectedButton().isHidden());
    EXPECT_FALSE(dialog.SelectDetected());
}

TEST_F(EncodingDialogTest, ThePreviewDrawsLinesScrollsByLinesAndEndIndexesTheWhole) {
    std::string text;
    for (int i = 0; i < 3000; ++i) text += "Line number " + std::to_string(i) + "\n";
    const std::vector<uint8_t> bytes(text.begin(), text.end());
    ReaderWindow window(folder_.path());
    TAA_Encode& dialog = window.Importer().EncodingWindow();
    EncodingPreview preview(bytes, DocumentKind::Text);
    ASSERT_TRUE(preview.SelectCodePage(1252));
    dialog.Attach({preview, "lines.txt", int64_t(bytes.size()), true, false});
    dialog.resize(900, 600);
    dialog.show();
    Settle();
    TVEMEncode& area = dialog.Preview();
    const QImage picture = area.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    int ground = 0, ink = 0;
    for (int y = 0; y < picture.height(); ++y)
        for (int x = 0; x < picture.width(); ++x) {
            const QRgb pixel = picture.pixel(x, y) & 0xFFFFFF;
            if (pixel == (qRgb(0xD1, 0xD3, 0xC5) & 0xFFFFFF)) ++ground;
            if (pixel == 0) ++ink;
        }
    EXPECT_GT(ground, picture.width() * picture.height() / 2);
    EXPECT_GT(ink, 100) << "the lines are drawn in black";
    EXPECT_FALSE(preview.FullyIndexed());
    EXPECT_LT(preview.LineStarts().size(), 200u) << "only what the window shows is decoded";

    const int visible = area.viewport()->height() / area.LineHeight();
    Press(area, Qt::Key_Down);
    EXPECT_EQ(area.FirstLine(), 1);
    Press(area, Qt::Key_PageDown);
    EXPECT_EQ(area.FirstLine(), 1 + visible);
    Press(area, Qt::Key_Up);
    EXPECT_EQ(area.FirstLine(), visible);
    Press(area, Qt::Key_End);
    EXPECT_TRUE(preview.FullyIndexed());
    EXPECT_EQ(area.verticalScrollBar()->maximum(), 3001 * area.LineHeight() - area.viewport()->height());
    EXPECT_EQ(area.verticalScrollBar()->value(), area.verticalScrollBar()->maximum());
    Press(area, Qt::Key_Home);
    EXPECT_EQ(area.FirstLine(), 0);
    dialog.hide();
}

// Answers the modal dialog once it is up.
void WhenDialogShows(std::function<void(TAA_Encode&)> act) {
    QTimer::singleShot(0, [act] {
        auto* dialog = dynamic_cast<TAA_Encode*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr) << "the encoding dialog is not up";
        act(*dialog);
    });
}

TEST_F(EncodingDialogTest, TheReaderImportsADocumentInThePageChosenAndKeepsThatPage) {
    const auto poem = folder_ / "poem.txt";
    test::WriteBytes(poem, test::EncodeInCodePage(kRussian, 1251));
    const auto other = folder_ / "other.txt";
    test::WriteBytes(other, test::EncodeInCodePage(kRussian, 1251));
    {
        ReaderWindow window(folder_.path());
        window.realEncodingDialog = true;
        window.FirstStart(book_);
        Settle();
        WhenDialogShows([](TAA_Encode& dialog) {
            dialog.SelectCodePage(1251);
            dialog.findChild<QPushButton*>("ButtonImport")->click();
        });
        ASSERT_EQ(window.OpenFile(poem), 0);
        EXPECT_EQ(window.CurrentBookName(), "poem_txt.book");
        test::OpenedBook made(folder_ / "Books" / "poem_txt.book");
        EXPECT_NE(made.Items(made.header.textStart, made.header.textEnd).find("Руслан"), std::string::npos);

        // Abort: no book, the one being read stays open, nobody is told of a failure.
        WhenDialogShows([](TAA_Encode& dialog) { dialog.findChild<QPushButton*>("ButtonAbort")->click(); });
        EXPECT_EQ(window.OpenFile(other), 1);
        EXPECT_EQ(window.CurrentBookName(), "poem_txt.book");
        EXPECT_TRUE(window.errors.empty());
        EXPECT_FALSE(std::filesystem::exists(folder_ / "Books" / "other_txt.book"));
        window.SaveSettings();
    }
    Configuration config;
    LoadContext context;
    context.languageCount = 6;
    ASSERT_TRUE(LoadConfiguration(folder_.path(), config, context).Valid());
    EXPECT_EQ(config.defaultCodePage, 1251) << "the page chosen last is kept";
}

TEST_F(EncodingDialogTest, FilesHandedOverWhileTheDialogAsksWaitForItsAnswer) {
    const auto poem = folder_ / "poem.txt";
    test::WriteText(poem, "A poem\n");
    const auto handed = folder_ / "handed.txt";
    test::WriteText(handed, "Handed over by a second start\n");
    ReaderWindow window(folder_.path());
    window.realEncodingDialog = true;
    window.FirstStart(book_);
    Settle();
    WhenDialogShows([&window, handed](TAA_Encode& dialog) {
        window.OpenFiles({handed});
        EXPECT_EQ(QApplication::activeModalWidget(), &dialog) << "no second import inside the first";
        dialog.findChild<QPushButton*>("ButtonImport")->click();
    });
    ASSERT_EQ(window.OpenFile(poem), 0);
    EXPECT_EQ(window.CurrentBookName(), "poem_txt.book");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "Books" / "handed_txt.book"));

    window.realEncodingDialog = false;  // the handed file's question is answered "Import"
    QElapsedTimer waited;
    waited.start();
    while (window.CurrentBookName() != "handed_txt.book" && waited.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    EXPECT_EQ(window.CurrentBookName(), "handed_txt.book");
}

TEST_F(EncodingDialogTest, FilesOnTheCommandLineAreOneBatch) {
    std::vector<std::filesystem::path> files;
    for (const char* name : {"one.txt", "two.txt", "three.txt"}) {
        files.push_back(folder_ / name);
        test::WriteText(files.back(), std::string("The text of ") + name + "\n");
    }
    ReaderWindow window(folder_.path());
    window.encodingAnswer = EncodingAnswer{EncodingChoice::ImportAll, 1252, false};
    window.FirstStart(files);
    Settle();
    EXPECT_EQ(window.encodingAsked, std::vector<std::string>{"one.txt"}) << "Import All answers for the rest";
    EXPECT_EQ(window.CurrentBookName(), "three_txt.book");

    // Documents already made into books are opened, not asked about again: new ones here.
    std::vector<std::filesystem::path> others;
    for (const char* name : {"four.txt", "five.txt"}) {
        others.push_back(folder_ / name);
        test::WriteText(others.back(), std::string("The text of ") + name + "\n");
    }
    ReaderWindow again(folder_.path());
    again.encodingAnswer = EncodingAnswer{EncodingChoice::Abort, 1252, false};
    again.FirstStart(others);
    Settle();
    EXPECT_EQ(again.encodingAsked, std::vector<std::string>{"four.txt"}) << "Abort ends the batch";
    EXPECT_FALSE(std::filesystem::exists(folder_ / "Books" / "five_txt.book"));
}

TEST_F(EncodingDialogTest, AFailedImportIsToldInTheInterfaceLanguage) {
    const auto damaged = folder_ / "damaged.pdb";
    test::WriteText(damaged, std::string(200, 'x'));
    ReaderWindow window(folder_.path());
    window.FirstStart(book_);
    Settle();
    EXPECT_EQ(window.OpenFile(damaged), 1);
    ASSERT_EQ(window.errors.size(), 1u);
    EXPECT_TRUE(window.errors[0].startsWith("Error during file convertion\ndamaged.pdb: "))
        << window.errors[0].toStdString();
    EXPECT_EQ(window.CurrentBookName(), "Welcome_txt.book");
    EXPECT_TRUE(std::filesystem::is_empty(folder_ / "Tmp"));
}

}  // namespace
}  // namespace corvalin
