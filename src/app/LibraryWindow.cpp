#include "app/LibraryWindow.h"

#include <QAction>
#include <QCursor>
#include <QFileDialog>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/BookPropertiesDialog.h"
#include "app/HintWindow.h"
#include "app/LibraryIcons.h"
#include "app/MainWindow.h"
#include "app/MessageBoxes.h"
#include "app/ProgressWindow.h"
#include "app/ReaderImport.h"
#include "app/ToolBarIcons.h"
#include "base/Utf.h"
#include "library/Library.h"
#include "library/LibraryText.h"
#include "platform/qt/FontFamilies.h"
#include "settings/WindowPlacement.h"

namespace corvalin {
namespace {

constexpr int kTreeFontPoints = 10;
constexpr int kColumnGap = 30;
constexpr int kButtonWidth = 31;
constexpr int kButtonHeight = 30;
constexpr int kToolBarHeight = 37;
const QPoint kHintOffset(2, 16);

// Rows of the tree, normal and selected.
const QColor kGroupRow(0x00, 0xE0, 0x00);
const QColor kGroupRowSelected(0xA4, 0xAB, 0xC6);
const QColor kHeaderRow(0xD3, 0xD6, 0xBF);
const QColor kHeaderRowSelected(0xBF, 0xC6, 0xE2);
const QColor kPreview(0xB8, 0xBB, 0xA4);
const QColor kPreviewSelected(0xDB, 0xE2, 0xFF);

QString FromUtf16(std::u16string_view text) {
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}

int GroupIndex(const TVEMTreeView::Node& node) { return int(reinterpret_cast<intptr_t>(node.data)); }

}  // namespace

bool ReaderBookLink::IsOpenBook(const std::filesystem::path& path) const {
    if (!main_.BookOpen()) return false;
    // The reader remembers a book of the library by its name, any other by its whole path.
    const std::filesystem::path name(main_.CurrentBookName());
    return SameFile(path, name.has_parent_path() ? name : main_.BooksFolder() / name);
}

VEMFile& ReaderBookLink::OpenBookFile() { return main_.Session().Book().File(); }
VEMOpt& ReaderBookLink::OpenBookStore() { return main_.Session().Book().Store(); }
void ReaderBookLink::CloseOpenBook() { main_.CloseBook(); }

TAA_Browse::TAA_Browse(TAA_Main& main, Library& library)
    : QDialog(&main),
      main_(main),
      library_(library),
      tree_(new TVEMTreeView(this)),
      toolBar_(new QToolBar(this)),
      popupMenu_(new QMenu(this)),
      properties_(new TAA_BookProp(main.Languages(), this)),
      hint_(new TVEMHintWindow) {
    setObjectName("AA_Browse");
    setSizeGripEnabled(true);
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowMinMaxButtonsHint |
                   Qt::WindowCloseButtonHint);

    toolBar_->setObjectName("ToolBar1");
    toolBar_->setMovable(false);
    toolBar_->setFloatable(false);
    toolBar_->setFixedHeight(kToolBarHeight);
    toolBar_->setIconSize(QSize(kToolBarImageSize, kToolBarImageSize));
    toolBar_->setContextMenuPolicy(Qt::PreventContextMenu);
    QPalette colours = toolBar_->palette();
    colours.setColor(QPalette::Window, kToolBarColour);
    colours.setColor(QPalette::Button, kToolBarColour);
    toolBar_->setPalette(colours);
    toolBar_->setAutoFillBackground(true);
    connect(AddButton("ToolButtonImport", kLibraryImport), &QAction::triggered, this,
            [this] { ImportClick(); });
    connect(AddButton("ToolButtonRead", kLibraryRead), &QAction::triggered, this, [this] { ReadClick(); });
    connect(AddButton("ToolButtonDelete", kLibraryDelete), &QAction::triggered, this,
            [this] { DeleteClick(); });
    connect(AddButton("ToolButtonDeleteAll", kLibraryDeleteAll), &QAction::triggered, this,
            [this] { DeleteAllClick(); });
    connect(AddButton("ToolButtonMoreLines", kLibraryMoreLines), &QAction::triggered, this,
            [this] { MoreLinesClick(); });
    connect(AddButton("ToolButtonFewerLines", kLibraryFewerLines), &QAction::triggered, this,
            [this] { FewerLinesClick(); });
    connect(AddButton("ToolButtonFullScreen", kLibraryFullScreen), &QAction::triggered, this,
            [this] { FullScreenClick(); });
    connect(AddButton("ToolButtonClose", kLibraryClose), &QAction::triggered, this, [this] { reject(); });

    QAction* edit = popupMenu_->addAction(QString());
    edit->setObjectName("EditAuthorTitle1");
    connect(edit, &QAction::triggered, this, [this] {
        if (VEMBrowseFile* book = SelectedBook()) EditProperties(*book);
    });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(tree_, 1);

    treeFont_ = QFont(QString::fromStdString(DrawingFamilyFor("Courier New", true)), kTreeFontPoints);
    // The height of "A1" in the tree's font, as a line of text takes it.
    lineHeight_ = std::max(1, QFontMetrics(treeFont_).height());
    iconSize_ = lineHeight_;
    tree_->SetButtonRowHeight(lineHeight_);
    tree_->OnLayoutStart = [this] { columns_.fill(0); };
    tree_->OnMeasure = [this](const TVEMTreeView::Node& node) { return MeasureNode(node); };
    tree_->OnPaintNode = [this](QPainter& painter, const TVEMTreeView::Node& node, const QRect& rect,
                                bool selected) { PaintNode(painter, node, rect, selected); };
    tree_->OnClick = [this](int node, const QPoint& inNode, Qt::MouseButton button) {
        NodeClick(node, inNode, button);
    };
    tree_->OnDoubleClick = [this](int) { ReadClick(); };
    tree_->OnKey = [this](QKeyEvent& event) {
        switch (event.key()) {
            case Qt::Key_Return:
            case Qt::Key_Enter:
                ReadClick();
                return true;
            case Qt::Key_Delete:
                DeleteClick();
                return true;
            default:
                return false;
        }
    };
    resize(kWindowMinWidth, kWindowMinHeight);
    ApplyTexts();
}

TAA_Browse::~TAA_Browse() { delete hint_; }

QAction* TAA_Browse::AddButton(const char* name, int image) {
    QAction* action = toolBar_->addAction(LibraryToolIcon(image), QString());
    action->setObjectName(name);
    if (QWidget* button = toolBar_->widgetForAction(action)) {
        button->setObjectName(name);
        button->setFixedSize(kButtonWidth, kButtonHeight);
        button->installEventFilter(this);
        if (auto* tool = qobject_cast<QToolButton*>(button)) tool->setAutoRaise(true);
    }
    return action;
}

bool TAA_Browse::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ToolTip: {
            // The program's own hint window, as on the main window's tool bar.
            auto* button = qobject_cast<QToolButton*>(watched);
            if (button && button->defaultAction() && !button->defaultAction()->toolTip().isEmpty())
                hint_->ActivateHint(button->defaultAction()->toolTip(),
                                    static_cast<QHelpEvent*>(event)->globalPos() + kHintOffset);
            return true;
        }
        case QEvent::Leave:
        case QEvent::MouseButtonPress:
        case QEvent::Hide:
            hint_->hide();
            break;
        default:
            break;
    }
    return QDialog::eventFilter(watched, event);
}

QString TAA_Browse::Text(const char* id) const {
    return QString::fromStdString(main_.Languages().GetText("AA_Browse", id));
}

QString TAA_Browse::MainText(const char* id) const {
    return QString::fromStdString(main_.Languages().GetText("AA_Main", id));
}

void TAA_Browse::ApplyTexts() {
    const WindowTexts texts = main_.Languages().Window("AA_Browse");
    setWindowTitle(QString::fromStdString(texts.Caption("TAA_Browse")));
    for (QAction* action : toolBar_->actions()) {
        const QString hint = QString::fromStdString(texts.Hint(action->objectName().toStdString()));
        action->setText(hint);
        action->setToolTip(hint);
    }
    for (QAction* action : popupMenu_->actions())
        action->setText(QString::fromStdString(texts.Caption(action->objectName().toStdString())));
}

bool TAA_Browse::Ask(const QString& question) {
    if (AskYesNo) return AskYesNo(question);
    return ShowMessageBox(this, main_.Languages().Window("AA_Browse"), QMessageBox::Question, "Confirm",
                          question, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TAA_Browse::Tell(const QString& text) {
    if (TellError) {
        TellError(text);
        return;
    }
    ShowMessageBox(this, main_.Languages().Window("AA_Browse"), QMessageBox::Critical, "Error", text);
}

int TAA_Browse::PreviewLines() const {
    return std::clamp(main_.PreviewLines(), kMinPreviewLines, kMaxPreviewLines);
}

std::filesystem::path TAA_Browse::ShowLibrary() {
    ApplyTexts();
    chosen_.clear();
    PrepareShowing();
    // Over the main window, as large as it is and in its state.
    const bool fullScreen = main_.isFullScreen();
    if (fullScreen) {
        const QRect screen = main_.screen() ? main_.screen()->geometry() : main_.geometry();
        normalRect_ = geometry();
        setGeometry(screen);
        setWindowState(windowState() | Qt::WindowFullScreen);
    } else {
        setWindowState(windowState() & ~Qt::WindowFullScreen);
        setGeometry(main_.geometry());
    }
    tree_->setFocus();
    const int result = exec();
    // The main window takes back the library's size and state.
    if (isFullScreen() != main_.isFullScreen()) {
        if (!isFullScreen()) main_.setGeometry(geometry());
        main_.ToggleFullScreen();
    } else if (!isFullScreen()) {
        main_.setGeometry(geometry());
    }
    hint_->hide();
    return result == QDialog::Accepted ? chosen_ : std::filesystem::path();
}

void TAA_Browse::PrepareShowing() {
    if (!library_.Loaded()) {
        const std::vector<std::filesystem::path> files = library_.PrepareFirstShowing();
        if (files.empty()) {
            library_.Load(files);
        } else {
            VEMProgress progress(main_.ProgressWindow(), main_, int64_t(files.size()), Text("Text00"));
            library_.Load(files, &progress);
        }
    }
    RebuildLibrary(library_.Find(main_.CurrentBookName()));
}

void TAA_Browse::RebuildLibrary(const VEMBrowseFile* selected) {
    library_.Rebuild();
    FillTree(selected);
}

void TAA_Browse::FillTree(const VEMBrowseFile* selectedBook, const std::string& selectedGroup) {
    // What the user closed stays closed.
    for (const TVEMTreeView::Node& node : tree_->Nodes()) {
        if (node.kind != kGroupNode) continue;
        const std::string& key = groups_[size_t(GroupIndex(node))].key;
        if (node.expanded)
            collapsed_.erase(key);
        else
            collapsed_.insert(key);
    }
    // The captions are taken now: the library's groups change under a deletion.
    groups_.clear();
    for (const LibraryGroup& group : library_.Groups()) {
        QString caption;
        switch (group.kind) {
            case LibraryGroup::Kind::Author:
                caption = MainText("Author") + FromUtf16(group.author);
                break;
            case LibraryGroup::Kind::Unknown:
                caption = MainText("Author") + MainText("Unknown");
                break;
            case LibraryGroup::Kind::NotText:
                caption = MainText("Special");
                break;
        }
        groups_.push_back({std::to_string(int(group.kind)) + Utf16ToUtf8(FoldCase(group.author)), caption});
    }
    std::vector<TVEMTreeView::Node> nodes;
    int select = TVEMTreeView::kNone;
    const std::vector<LibraryGroup>& groups = library_.Groups();
    for (size_t g = 0; g < groups.size(); ++g) {
        const std::string& key = groups_[g].key;
        nodes.push_back({0, !collapsed_.contains(key), kGroupNode, reinterpret_cast<void*>(intptr_t(g))});
        if (!selectedGroup.empty() && key == selectedGroup) select = int(nodes.size()) - 1;
        for (VEMBrowseFile* book : groups[g].books) {
            nodes.push_back({1, false, kBookNode, book});
            if (book == selectedBook) select = int(nodes.size()) - 1;
        }
    }
    tree_->SetNodes(std::move(nodes));
    if (select == TVEMTreeView::kNone && !tree_->Nodes().empty()) select = 0;
    tree_->Select(select);
}

VEMBrowseFile* TAA_Browse::BookOf(int node) const {
    if (node < 0 || node >= int(tree_->Nodes().size())) return nullptr;
    const TVEMTreeView::Node& n = tree_->Nodes()[size_t(node)];
    return n.kind == kBookNode ? static_cast<VEMBrowseFile*>(n.data) : nullptr;
}

VEMBrowseFile* TAA_Browse::SelectedBook() const { return BookOf(tree_->Selected()); }

QString TAA_Browse::GroupCaption(int node) const {
    return groups_[size_t(GroupIndex(tree_->Nodes()[size_t(node)]))].caption;
}

std::string TAA_Browse::GroupKeyOf(int node) const {
    if (node < 0 || node >= int(tree_->Nodes().size())) return {};
    const TVEMTreeView::Node& n = tree_->Nodes()[size_t(node)];
    return n.kind == kGroupNode ? groups_[size_t(GroupIndex(n))].key : std::string();
}

int TAA_Browse::WidestPreview(VEMBrowseFile& entry) {
    // The non-empty lines below the header row; measured once per number of lines shown.
    const int shown = std::min(PreviewLines() - 1, entry.lines.NonEmptyCount());
    if (entry.widestPreviewPx < 0 || entry.widestForLines != shown) {
        const QFontMetrics metrics(treeFont_);
        int widest = 0;
        for (int k = 0; k < shown; ++k)
            widest = std::max(
                widest, metrics.horizontalAdvance(FromUtf16(entry.lines.Line(entry.lines.NonEmptyLine(k)))));
        entry.widestPreviewPx = widest;
        entry.widestForLines = shown;
    }
    return entry.widestPreviewPx;
}

namespace {

// The header row's four columns of a book: document name, size, author, title (the last two
// only when known).
std::array<QString, 4> HeaderTexts(const VEMBrowseFile& book, const QString& name, const QString& size,
                                   const QString& author, const QString& title) {
    return {name + QString::fromStdString(book.sourceName), size + QString::number(book.sourceSize),
            book.author.empty() ? QString() : author + FromUtf16(book.author),
            book.title.empty() ? QString() : title + FromUtf16(book.title)};
}

}  // namespace

QSize TAA_Browse::MeasureNode(const TVEMTreeView::Node& node) {
    const QFontMetrics metrics(treeFont_);
    if (node.kind == kGroupNode)
        return {metrics.horizontalAdvance(groups_[size_t(GroupIndex(node))].caption) + 5, lineHeight_};
    auto& book = *static_cast<VEMBrowseFile*>(node.data);
    const std::array<QString, 4> texts =
        HeaderTexts(book, MainText("Filename"), MainText("FileSize"), MainText("Author"), MainText("Title"));
    int columns = 0;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i].isEmpty())
            columns_[i] = std::max(columns_[i], metrics.horizontalAdvance(texts[i]) + kColumnGap);
        columns += columns_[i];
    }
    const int width = std::max(iconSize_ + 2 + columns + 8, WidestPreview(book) + 8) + 3;
    return {width, PreviewLines() * lineHeight_ + 2};
}

void TAA_Browse::PaintNode(QPainter& painter, const TVEMTreeView::Node& node, const QRect& rect,
                           bool selected) {
    painter.setFont(treeFont_);
    painter.setPen(Qt::black);
    if (node.kind == kGroupNode) {
        painter.fillRect(QRect(rect.left(), rect.top(), rect.width(), lineHeight_),
                         selected ? kGroupRowSelected : kGroupRow);
        painter.drawText(QRect(rect.left() + 2, rect.top(), rect.width() - 2, lineHeight_),
                         Qt::AlignLeft | Qt::AlignVCenter, groups_[size_t(GroupIndex(node))].caption);
        return;
    }
    const auto& book = *static_cast<const VEMBrowseFile*>(node.data);
    const QRect header(rect.left(), rect.top(), rect.width(), lineHeight_);
    painter.fillRect(header, selected ? kHeaderRowSelected : kHeaderRow);
    painter.fillRect(QRect(rect.left(), header.bottom() + 1, rect.width(), rect.height() - lineHeight_),
                     selected ? kPreviewSelected : kPreview);
    painter.drawPixmap(rect.left() + 1, rect.top(), BookNodeIcon(selected, iconSize_));
    const std::array<QString, 4> texts =
        HeaderTexts(book, MainText("Filename"), MainText("FileSize"), MainText("Author"), MainText("Title"));
    int x = rect.left() + iconSize_ + 2;
    for (size_t i = 0; i < texts.size(); ++i) {
        if (!texts[i].isEmpty())
            painter.drawText(QRect(x, rect.top(), columns_[i], lineHeight_), Qt::AlignLeft | Qt::AlignVCenter,
                             texts[i]);
        x += columns_[i];
    }
    // The non-empty lines, as many as the node holds below its header row.
    const int bottom = rect.top() + rect.height();
    for (int k = 0; k < book.lines.NonEmptyCount(); ++k) {
        const int top = rect.top() + lineHeight_ * (k + 1);
        if (top + lineHeight_ > bottom) break;
        painter.drawText(QRect(rect.left() + 2, top, rect.width() - 2, lineHeight_),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         FromUtf16(book.lines.Line(book.lines.NonEmptyLine(k))));
    }
}

void TAA_Browse::NodeClick(int node, const QPoint& inNode, Qt::MouseButton button) {
    VEMBrowseFile* book = BookOf(node);
    if (!book) return;
    if (button == Qt::RightButton) {
        popupMenu_->popup(QCursor::pos());
        return;
    }
    // The book's icon opens its properties.
    if (button == Qt::LeftButton && inNode.x() >= 0 && inNode.x() < iconSize_ + 2 && inNode.y() >= 0 &&
        inNode.y() < lineHeight_)
        EditProperties(*book);
}

void TAA_Browse::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        reject();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TAA_Browse::ReadClick() {
    const int node = tree_->Selected();
    if (node == TVEMTreeView::kNone) return;
    if (VEMBrowseFile* book = BookOf(node)) {
        chosen_ = book->path;
        accept();
        return;
    }
    tree_->Toggle(node);
}

void TAA_Browse::DeleteBooks(const std::vector<VEMBrowseFile*>& books) {
    // The tree lets go of the books first: closing the open book may show a message, and the
    // tree must not paint an entry that is gone.
    tree_->SetNodes({});
    for (VEMBrowseFile* book : books) {
        const std::string name = book->path.filename().string();
        if (library_.Delete(book) == Library::DeleteOutcome::Failed)
            Tell(Text("ErrDelete") + "\n" + QString::fromStdString(name));
    }
}

void TAA_Browse::DeleteClick() {
    const int node = tree_->Selected();
    if (node == TVEMTreeView::kNone) return;
    const std::vector<TVEMTreeView::Node>& nodes = tree_->Nodes();
    if (VEMBrowseFile* book = BookOf(node)) {
        if (!Ask(Text("Text02"))) return;
        // The next book of the group is selected, else the one before; a group left empty
        // goes, and the next group (else the one before) is selected.
        const VEMBrowseFile* next = BookOf(node + 1);
        if (!next && tree_->Parent(node) != node - 1) next = BookOf(node - 1);
        std::string group;
        for (size_t i = size_t(node) + 1; !next && i < nodes.size() && group.empty(); ++i)
            group = GroupKeyOf(int(i));
        for (int i = tree_->Parent(node) - 1; !next && i >= 0 && group.empty(); --i) group = GroupKeyOf(i);
        DeleteBooks({book});
        FillTree(next, group);
        return;
    }
    if (!Ask(Text("Text06"))) return;
    std::vector<VEMBrowseFile*> books;
    for (size_t i = size_t(node) + 1; i < nodes.size() && nodes[i].kind == kBookNode; ++i)
        books.push_back(static_cast<VEMBrowseFile*>(nodes[i].data));
    // The next group takes the selection, else the one before.
    std::string neighbour;
    for (size_t i = size_t(node) + 1; i < nodes.size() && neighbour.empty(); ++i)
        neighbour = GroupKeyOf(int(i));
    for (int i = node - 1; i >= 0 && neighbour.empty(); --i) neighbour = GroupKeyOf(i);
    DeleteBooks(books);
    FillTree(nullptr, neighbour);
}

void TAA_Browse::DeleteAllClick() {
    if (library_.Entries().empty() || !Ask(Text("Text01"))) return;
    std::vector<VEMBrowseFile*> books;
    for (const auto& entry : library_.Entries()) books.push_back(entry.get());
    DeleteBooks(books);
    FillTree(nullptr);
}

void TAA_Browse::MoreLinesClick() {
    if (PreviewLines() >= kMaxPreviewLines) return;
    main_.SetPreviewLines(PreviewLines() + 1);
    tree_->Relayout();
    tree_->Select(tree_->Selected());
}

void TAA_Browse::FewerLinesClick() {
    if (PreviewLines() <= kMinPreviewLines) return;
    main_.SetPreviewLines(PreviewLines() - 1);
    tree_->Relayout();
    tree_->Select(tree_->Selected());
}

void TAA_Browse::FullScreenClick() {
    if (!isFullScreen()) {
        normalRect_ = geometry();
        showFullScreen();
        return;
    }
    const QScreen* own = screen();
    const QRect area = own ? own->availableGeometry() : QRect(QPoint(0, 0), size());
    const WindowRect back =
        LeaveFullScreenRect({normalRect_.x(), normalRect_.y(), normalRect_.width(), normalRect_.height()},
                            {area.x(), area.y(), area.width(), area.height()});
    showNormal();
    setGeometry(back.left, back.top, back.width, back.height);
}

void TAA_Browse::ImportClick() {
    std::vector<std::filesystem::path> documents;
    if (ChooseDocuments) {
        documents = ChooseDocuments();
    } else {
        const QStringList files = QFileDialog::getOpenFileNames(
            this, QString::fromStdString(main_.Languages().Window("AA_Browse").Hint("ToolButtonImport")),
            QString(), "Documents (" + ImportedDocumentFilter() + ");;All files (*)");
        for (const QString& file : files) documents.emplace_back(file.toStdString());
    }
    if (documents.empty()) return;
    const VEMBrowseFile* last = nullptr;
    for (const std::filesystem::path& book : main_.ImportDocuments(documents))
        if (const VEMBrowseFile* added = library_.Add(book)) last = added;
    RebuildLibrary(last != nullptr ? last : SelectedBook());
}

void TAA_Browse::EditProperties(VEMBrowseFile& entry) {
    properties_->SetEntry(entry);
    properties_->setGeometry(geometry());
    const bool accepted =
        RunProperties ? RunProperties(*properties_) : properties_->exec() == QDialog::Accepted;
    if (!accepted) return;
    library_.OnUserEdit(entry, properties_->Author(), properties_->Title());
    FillTree(&entry);
}

}  // namespace corvalin
