#pragma once

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QString>
#include <array>
#include <filesystem>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "app/TreeView.h"
#include "library/OpenBookLink.h"

class QMenu;
class QToolBar;

namespace corvalin {

class Library;
class TAA_BookProp;
class TAA_Main;
class TVEMHintWindow;
struct VEMBrowseFile;

// The reader's open book as the library sees it.
class ReaderBookLink final : public OpenBookLink {
public:
    explicit ReaderBookLink(TAA_Main& main) : main_(main) {}
    bool IsOpenBook(const std::filesystem::path& path) const override;
    VEMFile& OpenBookFile() override;
    VEMOpt& OpenBookStore() override;
    void CloseOpenBook() override;

private:
    TAA_Main& main_;
};

// The library window "Library": every book of the Books folder grouped by author, each book a
// header row (document name, size, author, title) over its first lines. Shown modally by
// "Open the Book"; it hands back the book to read.
class TAA_Browse : public QDialog {
public:
    // Node kinds of the tree.
    static constexpr int kBookNode = 1;
    static constexpr int kGroupNode = 2;
    static constexpr int kMinPreviewLines = 1;
    static constexpr int kMaxPreviewLines = 24;

    TAA_Browse(TAA_Main& main, Library& library);
    ~TAA_Browse() override;

    // Shows the window over the main window, with its size and state, until the user picks a
    // book (its path is returned) or closes it (empty). The main window takes back the size
    // and state the library had.
    std::filesystem::path ShowLibrary();
    // What every showing does first: the first one scans the Books folder under a progress
    // window; each one rebuilds the tree with the open book selected.
    void PrepareShowing();
    // Derives, writes back and shows the library again, `selected` selected.
    void RebuildLibrary(const VEMBrowseFile* selected);

    void ReadClick();
    void DeleteClick();
    void DeleteAllClick();
    void MoreLinesClick();
    void FewerLinesClick();
    void FullScreenClick();
    void ImportClick();
    // The book properties of `entry`; OK applies what the user set.
    void EditProperties(VEMBrowseFile& entry);

    TVEMTreeView& Tree() { return *tree_; }
    TAA_BookProp& Properties() { return *properties_; }
    QToolBar& ToolBar() { return *toolBar_; }
    QMenu& PopupMenu() { return *popupMenu_; }
    VEMBrowseFile* SelectedBook() const;
    VEMBrowseFile* BookOf(int node) const;
    // The caption of a group node as the tree shows it.
    QString GroupCaption(int node) const;
    const std::filesystem::path& ChosenPath() const { return chosen_; }
    int LineHeight() const { return lineHeight_; }
    int PreviewLines() const;
    // The four header columns' widths as the last layout left them.
    const std::array<int, 4>& ColumnWidths() const { return columns_; }

    // The user's answers: dialogs, unless a test answers in their place.
    std::function<bool(const QString& question)> AskYesNo;
    std::function<std::vector<std::filesystem::path>()> ChooseDocuments;
    std::function<bool(TAA_BookProp& dialog)> RunProperties;
    std::function<void(const QString& text)> TellError;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyTexts();
    QString Text(const char* id) const;
    QString MainText(const char* id) const;
    bool Ask(const QString& question);
    void Tell(const QString& text);
    QAction* AddButton(const char* name, int image);
    // The tree again from the library's groups, without a new derivation.
    void FillTree(const VEMBrowseFile* selectedBook, const std::string& selectedGroup = {});
    // The key of a group node (its kind and author, ignoring case); empty for a book node.
    std::string GroupKeyOf(int node) const;
    QSize MeasureNode(const TVEMTreeView::Node& node);
    void PaintNode(QPainter& painter, const TVEMTreeView::Node& node, const QRect& rect, bool selected);
    void NodeClick(int node, const QPoint& inNode, Qt::MouseButton button);
    int WidestPreview(VEMBrowseFile& entry);
    void DeleteBooks(const std::vector<VEMBrowseFile*>& books);

    TAA_Main& main_;
    Library& library_;
    TVEMTreeView* tree_;
    QToolBar* toolBar_;
    QMenu* popupMenu_;
    TAA_BookProp* properties_;
    TVEMHintWindow* hint_;
    QFont treeFont_;
    int lineHeight_ = 16;
    int iconSize_ = 16;
    std::array<int, 4> columns_{};
    std::filesystem::path chosen_;
    // The groups as the tree shows them, by the index a group node carries.
    struct GroupShown {
        std::string key;
        QString caption;
    };
    std::vector<GroupShown> groups_;
    // Groups the user closed, by key, kept over rebuilds.
    std::set<std::string> collapsed_;
    QRect normalRect_;
};

}  // namespace corvalin
