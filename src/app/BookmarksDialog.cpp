#include "app/BookmarksDialog.h"

#include <QAction>
#include <QEvent>
#include <QGuiApplication>
#include <QHeaderView>
#include <QMenu>
#include <QPainter>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QToolButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <optional>

#include "app/BookmarksIcons.h"
#include "app/MessageBoxes.h"
#include "app/PercentDialog.h"
#include "app/ToolBarIcons.h"
#include "lang/LanguageItemList.h"
#include "lang/Languages.h"
#include "nav/PercentPosition.h"
#include "session/ReadingSession.h"

namespace corvalin {
namespace {

constexpr const char* kWindow = "AA_Bookmarks";
constexpr int kWidth = 640;
constexpr int kHeight = 460;
constexpr int kMinWidth = 320;
constexpr int kMinHeight = 240;
constexpr int kToolBarHeight = 36;
constexpr int kButtonWidth = 31;
constexpr int kButtonHeight = 30;
// Between the buttons that go somewhere and those that delete.
constexpr int kGapWidth = 32;
static_assert(6 * kButtonWidth + kGapWidth == TAA_Bookmarks::kToolBarFixedWidth);
constexpr int kPositionColumnWidth = 80;
constexpr int kTextColumnWidth = 1280;
// Colours as 0x00BBGGRR: the tool bar has the main window's colour.
constexpr uint32_t kBookmarksBarColour = 0x563E00;
constexpr uint32_t kListColour = 0xC5D3D1;
constexpr int kTextIndentPx = 2;
constexpr int kPositionRole = Qt::UserRole;

QColor ColourOf(uint32_t value) { return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF); }

void PaintWith(QWidget& widget, QPalette::ColorRole role, uint32_t colour) {
    QPalette palette = widget.palette();
    palette.setColor(role, ColourOf(colour));
    widget.setPalette(palette);
    widget.setAutoFillBackground(true);
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

std::u16string Separator() { return TAA_Percent::DecimalSeparator().toStdU16String(); }

// The "Text" column: the label as it is kept, UTF-16 code units and all, a little in from the
// cell's edge, in the highlight colours only while the list has the focus.
class LabelDelegate final : public QStyledItemDelegate {
public:
    explicit LabelDelegate(QTreeWidget& list) : QStyledItemDelegate(&list), list_(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        const bool highlighted = (option.state & QStyle::State_Selected) && list_.hasFocus();
        const QPalette& palette = list_.palette();
        painter->save();
        painter->fillRect(option.rect, highlighted ? palette.color(QPalette::Active, QPalette::Highlight)
                                                   : ColourOf(kListColour));
        painter->setPen(highlighted ? palette.color(QPalette::Active, QPalette::HighlightedText)
                                    : palette.color(QPalette::Active, QPalette::WindowText));
        painter->setFont(option.font);
        painter->drawText(option.rect.adjusted(kTextIndentPx, 0, 0, 0),
                          Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                          index.data(Qt::DisplayRole).toString());
        painter->restore();
    }

private:
    QTreeWidget& list_;
};

}  // namespace

TAA_Bookmarks::TAA_Bookmarks(ReadingSession& session, TAA_Percent& percent, LanguageDispatcher& languages,
                             QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMaximizeButtonHint | Qt::WindowCloseButtonHint),
      session_(session),
      percent_(percent),
      languages_(languages),
      toolBar_(new QWidget(this)),
      paintBox1_(new QWidget(toolBar_)),
      paintBox2_(new QWidget(toolBar_)),
      list_(new QTreeWidget(this)),
      menu_(new QMenu(this)) {
    setObjectName(kWindow);
    setModal(true);
    setMinimumSize(kMinWidth, kMinHeight);
    resize(kWidth, kHeight);

    toolBar_->setObjectName("ToolBar1");
    toolBar_->setFixedHeight(kToolBarHeight);
    PaintWith(*toolBar_, QPalette::Window, kBookmarksBarColour);
    paintBox1_->setObjectName("PaintBox1");
    paintBox2_->setObjectName("PaintBox2");
    PaintWith(*paintBox1_, QPalette::Window, kBookmarksBarColour);
    PaintWith(*paintBox2_, QPalette::Window, kBookmarksBarColour);
    toolBar_->installEventFilter(this);

    list_->setObjectName("ListView1");
    list_->setColumnCount(2);
    list_->setHeaderLabels({"Position", "Text"});
    list_->header()->setStretchLastSection(false);
    list_->setColumnWidth(0, kPositionColumnWidth);
    list_->setColumnWidth(1, kTextColumnWidth);
    list_->setRootIsDecorated(false);
    list_->setItemsExpandable(false);
    list_->setUniformRowHeights(true);
    list_->setAllColumnsShowFocus(true);
    list_->setSelectionMode(QAbstractItemView::SingleSelection);
    list_->setSelectionBehavior(QAbstractItemView::SelectRows);
    list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    list_->setItemDelegateForColumn(1, new LabelDelegate(*list_));
    PaintWith(*list_, QPalette::Base, kListColour);
    list_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(list_, &QWidget::customContextMenuRequested, this,
            [this](const QPoint& at) { menu_->popup(list_->viewport()->mapToGlobal(at)); });
    connect(list_, &QTreeWidget::itemDoubleClicked, this, [this] { GotoBookmark(); });
    // The highlight of the "Text" column follows the list's focus.
    list_->installEventFilter(this);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(toolBar_);
    layout->addWidget(list_);

    menu_->setObjectName("PopupMenu1");
    // The menu shows the first key of each item: "Enter" for either Enter key.
    QAction* add = AddMenuItem("AddBookmark1", {QKeySequence(Qt::Key_Enter), QKeySequence(Qt::Key_Return)});
    QAction* go = AddMenuItem("GotoBookmark1", {QKeySequence(Qt::Key_Space)});
    QAction* remove = AddMenuItem("DeleteBookmark1", {QKeySequence(Qt::Key_Delete)});
    menu_->addSeparator()->setObjectName("N1");
    QAction* close = AddMenuItem("Close1", {QKeySequence(Qt::Key_Escape)});
    connect(add, &QAction::triggered, this, [this] { AddBookmark(); });
    connect(go, &QAction::triggered, this, [this] { GotoBookmark(); });
    connect(remove, &QAction::triggered, this, [this] { DeleteBookmark(); });
    connect(close, &QAction::triggered, this, &QDialog::reject);

    connect(AddToolButton("ToolButton1", kBookmarkAdd), &QAction::triggered, this, [this] { AddBookmark(); });
    connect(AddToolButton("ToolButton2", kBookmarkGoTo), &QAction::triggered, this,
            [this] { GotoBookmark(); });
    connect(AddToolButton("ToolButton6", kBookmarkPercent), &QAction::triggered, this,
            [this] { GotoCustomPosition(); });
    connect(AddToolButton("ToolButton3", kBookmarkDelete), &QAction::triggered, this,
            [this] { DeleteBookmark(); });
    connect(AddToolButton("ToolButton4", kBookmarkDeleteAll), &QAction::triggered, this,
            [this] { DeleteAllBookmarks(); });
    connect(AddToolButton("ToolButton5", kBookmarkClose), &QAction::triggered, this, &QDialog::reject);
    PlaceToolBar();

    ApplyTexts(languages_.Window(kWindow));
    languages_.Bind(kWindow, [this](const WindowTexts& texts) { ApplyTexts(texts); });
}

TAA_Bookmarks::~TAA_Bookmarks() { languages_.Unbind(kWindow); }

QAction* TAA_Bookmarks::AddToolButton(const char* name, int image) {
    // The button's action carries its picture and hint; it has no shortcut of its own.
    auto* action = new QAction(BookmarksIcon(image), QString(), this);
    action->setObjectName(name);
    auto* button = new QToolButton(toolBar_);
    button->setObjectName(name);
    button->setDefaultAction(action);
    button->setIconSize(QSize(kToolBarImageSize, kToolBarImageSize));
    button->setAutoRaise(true);
    button->setFixedSize(kButtonWidth, kButtonHeight);
    // The keys belong to the list: a focused button would take Space for itself.
    button->setFocusPolicy(Qt::NoFocus);
    return action;
}

QAction* TAA_Bookmarks::AddMenuItem(const char* name, QList<QKeySequence> shortcuts) {
    QAction* action = menu_->addAction(name);
    action->setObjectName(name);
    action->setShortcuts(shortcuts);
    // The shortcuts act wherever the focus is in this window.
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
    return action;
}

QAction* TAA_Bookmarks::Action(const char* name) const {
    for (QAction* action : findChildren<QAction*>())
        if (action->objectName() == name) return action;
    return nullptr;
}

void TAA_Bookmarks::ApplyTexts(const WindowTexts& texts) {
    auto keep = [](const QString& current, const std::string& translated) {
        return FromUtf8(TextToShow(current.toStdString(), translated));
    };
    setWindowTitle(keep(windowTitle(), texts.GetText("TextCaption")));
    for (QAction* action : menu_->actions())
        if (!action->isSeparator())
            action->setText(keep(action->text(), texts.Caption(action->objectName().toStdString())));
    for (QToolButton* button : toolBar_->findChildren<QToolButton*>())
        if (QAction* action = button->defaultAction())
            action->setToolTip(keep(action->toolTip(), texts.Hint(button->objectName().toStdString())));
    // The column titles of the list come from its collection row.
    const std::string columns(
        texts.Table().Text(LanguageSection::Collection, "ListView1.Columns", texts.Language()));
    const std::vector<std::string> titles = ParseItemList(columns);
    for (size_t column = 0; column < titles.size() && column < 2; ++column)
        if (!titles[column].empty()) list_->headerItem()->setText(int(column), FromUtf8(titles[column]));
}

void TAA_Bookmarks::PlaceToolBar() {
    // Fixed places from the left, the close button at the right end, the filler between: as
    // wide as the tool bar less everything else.
    const char* const left[] = {"ToolButton1", "ToolButton2", "ToolButton6"};
    const char* const middle[] = {"ToolButton3", "ToolButton4"};
    const int top = (kToolBarHeight - kButtonHeight) / 2;
    int x = 0;
    for (const char* name : left)
        if (auto* button = toolBar_->findChild<QToolButton*>(name)) {
            button->move(x, top);
            x += kButtonWidth;
        }
    paintBox1_->setGeometry(x, 0, kGapWidth, kToolBarHeight);
    x += kGapWidth;
    for (const char* name : middle)
        if (auto* button = toolBar_->findChild<QToolButton*>(name)) {
            button->move(x, top);
            x += kButtonWidth;
        }
    const int filler = std::max(0, toolBar_->width() - kToolBarFixedWidth);
    paintBox2_->setGeometry(x, 0, filler, kToolBarHeight);
    if (auto* close = toolBar_->findChild<QToolButton*>("ToolButton5")) close->move(x + filler, top);
}

QTreeWidgetItem* TAA_Bookmarks::SelectedRow() const {
    const QList<QTreeWidgetItem*> selected = list_->selectedItems();
    return selected.isEmpty() ? nullptr : selected.front();
}

void TAA_Bookmarks::FillList() {
    list_->clear();
    const std::u16string separator = Separator();
    for (const Bookmark& entry : session_.Bookmarks().Entries()) {
        auto* row = new QTreeWidgetItem(list_);
        row->setText(0, QString::fromStdU16String(PositionPercentLabel(entry.position, session_.TextStart(),
                                                                       session_.TextEnd(), separator)));
        row->setText(1, QString::fromStdU16String(entry.label));
        row->setData(0, kPositionRole, entry.position);
    }
    list_->setCurrentItem(nullptr);
    list_->clearSelection();
}

void TAA_Bookmarks::AddBookmark() {
    session_.AddBookmark();
    FillList();
}

void TAA_Bookmarks::GotoBookmark() {
    const QTreeWidgetItem* row = SelectedRow();
    if (!row) return;
    SelectedPosition = row->data(0, kPositionRole).toInt();
    accept();
}

void TAA_Bookmarks::GotoCustomPosition() {
    if (percent_.exec() != QDialog::Accepted) return;
    const std::optional<int64_t> position =
        PositionOfPercent(percent_.PercentValue(), session_.TextStart(), session_.TextEnd());
    if (!position) return;
    SelectedPosition = int32_t(*position);
    accept();
}

void TAA_Bookmarks::DeleteBookmark() {
    const QTreeWidgetItem* row = SelectedRow();
    if (!row) return;
    const int32_t position = row->data(0, kPositionRole).toInt();
    const std::vector<Bookmark>& entries = session_.Bookmarks().Entries();
    const auto entry = std::find_if(entries.begin(), entries.end(), [position](const Bookmark& bookmark) {
        return bookmark.position == position;
    });
    if (entry != entries.end()) session_.Bookmarks().Remove(size_t(entry - entries.begin()));
    FillList();
}

void TAA_Bookmarks::DeleteAllBookmarks() {
    // Nothing to lose, nothing to ask.
    if (session_.Bookmarks().Empty()) return;
    if (!ConfirmDeleteAll()) return;
    session_.Bookmarks().Clear();
    FillList();
}

bool TAA_Bookmarks::ConfirmDeleteAll() {
    const WindowTexts texts = languages_.Window(kWindow);
    return ShowMessageBox(this, texts, QMessageBox::Question, "Confirm", FromUtf8(texts.GetText("Text00")),
                          QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

void TAA_Bookmarks::showEvent(QShowEvent* event) {
    FillList();
    const QWidget* owner = parentWidget() ? parentWidget()->window() : nullptr;
    const QScreen* screen = owner && owner->screen() ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen) move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
    list_->setFocus();
}

bool TAA_Bookmarks::eventFilter(QObject* watched, QEvent* event) {
    if (watched == toolBar_ && event->type() == QEvent::Resize) PlaceToolBar();
    if (watched == list_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        list_->viewport()->update();
    return QDialog::eventFilter(watched, event);
}

}  // namespace corvalin
