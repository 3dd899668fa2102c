#pragma once

#include <QDialog>
#include <QKeySequence>
#include <QList>
#include <QString>
#include <cstdint>

class QAction;
class QMenu;
class QToolButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvalin {

class LanguageDispatcher;
class ReadingSession;
class TAA_Percent;
class WindowTexts;

// The bookmarks of the open book: each with its place in percent and the words found there.
// The reader goes to one, deletes one or all, adds one for the reading position, or goes to a
// typed percentage. Closing with OK leaves the place to go to in SelectedPosition; the main
// window makes the jump. The list is the session's; the window keeps nothing of its own.
class TAA_Bookmarks : public QDialog {
public:
    // The width of the tool bar's buttons and its gap, which the right-hand filler leaves.
    static constexpr int kToolBarFixedWidth = 218;

    TAA_Bookmarks(ReadingSession& session, TAA_Percent& percent, LanguageDispatcher& languages,
                  QWidget* parent = nullptr);
    ~TAA_Bookmarks() override;

    // The text offset chosen when the window closed with OK.
    int32_t SelectedPosition = 0;

    // The reading position among the bookmarks; the list is filled again.
    void AddBookmark();
    // Closes with OK on the selected row's place; nothing without a selected row.
    void GotoBookmark();
    // Asks for a percentage (showing the one typed last) and closes with OK on its place.
    void GotoCustomPosition();
    void DeleteBookmark();
    // After the reader confirms.
    void DeleteAllBookmarks();
    // One row per bookmark, in the list's order, none selected.
    void FillList();

    QTreeWidget& ListView1() { return *list_; }
    QWidget& ToolBar1() { return *toolBar_; }
    QMenu& PopupMenu1() { return *menu_; }
    // A tool button's or a menu item's action, by the control's name; null for none.
    QAction* Action(const char* name) const;
    QWidget& PaintBox2() { return *paintBox2_; }

protected:
    // Asks before every bookmark goes; a modal box in the interface language.
    virtual bool ConfirmDeleteAll();
    void showEvent(QShowEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts(const WindowTexts& texts);
    QAction* AddToolButton(const char* name, int image);
    QAction* AddMenuItem(const char* name, QList<QKeySequence> shortcuts);
    void PlaceToolBar();
    QTreeWidgetItem* SelectedRow() const;

    ReadingSession& session_;
    TAA_Percent& percent_;
    LanguageDispatcher& languages_;
    QWidget* toolBar_;
    QWidget* paintBox1_;
    QWidget* paintBox2_;
    QTreeWidget* list_;
    QMenu* menu_;
};

}  // namespace corvalin
