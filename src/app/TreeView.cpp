#include "app/TreeView.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <QWheelEvent>
#include <algorithm>
#include <chrono>

namespace corvalin {
namespace {

constexpr int kBoxSize = 9;

int64_t SteadyNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

}  // namespace

TVEMTreeView::TVEMTreeView(QWidget* parent) : QAbstractScrollArea(parent) {
    setObjectName("VEMTreeView");
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(false);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    Clock = SteadyNs;
}

void TVEMTreeView::SetColours(QColor background, QColor lines) {
    background_ = background;
    lines_ = lines;
    viewport()->update();
}

void TVEMTreeView::SetNodes(std::vector<Node> nodes) {
    nodes_ = std::move(nodes);
    parents_.assign(nodes_.size(), kNone);
    nextSiblings_.assign(nodes_.size(), kNone);
    // The last node seen at each level, for parents and siblings.
    std::vector<int> lastAt;
    for (int i = 0; i < int(nodes_.size()); ++i) {
        const int level = std::max(0, nodes_[size_t(i)].level);
        nodes_[size_t(i)].level = level;
        if (int(lastAt.size()) <= level) lastAt.resize(size_t(level) + 1, kNone);
        // Deeper levels end here: their last nodes have no next sibling after this one.
        for (size_t deeper = size_t(level) + 1; deeper < lastAt.size(); ++deeper) lastAt[deeper] = kNone;
        const int previous = lastAt[size_t(level)];
        if (previous != kNone) nextSiblings_[size_t(previous)] = i;
        lastAt[size_t(level)] = i;
        for (int up = level - 1; up >= 0; --up) {
            if (lastAt[size_t(up)] != kNone) {
                parents_[size_t(i)] = lastAt[size_t(up)];
                break;
            }
        }
    }
    selected_ = kNone;
    Relayout();
}

std::vector<int> TVEMTreeView::VisibleNodes() const {
    std::vector<int> visible;
    for (int i = 0; i < int(nodes_.size());) {
        visible.push_back(i);
        if (nodes_[size_t(i)].expanded || !HasChildren(i)) {
            ++i;
            continue;
        }
        // Skip the collapsed node's whole subtree.
        const int level = nodes_[size_t(i)].level;
        ++i;
        while (i < int(nodes_.size()) && nodes_[size_t(i)].level > level) ++i;
    }
    return visible;
}

void TVEMTreeView::Relayout() {
    if (OnLayoutStart) OnLayoutStart();
    rows_.clear();
    int top = 0;
    contentWidth_ = 0;
    for (int node : VisibleNodes()) {
        const QSize size = OnMeasure ? OnMeasure(nodes_[size_t(node)]) : QSize(100, 16);
        const int height = std::max(kMinNodeHeight, size.height());
        rows_.push_back({node, top, height, std::max(0, size.width())});
        top += height;
        contentWidth_ = std::max(contentWidth_, NodeLeft(node) + size.width());
    }
    contentHeight_ = top;
    UpdateScrollBars();
    viewport()->update();
}

void TVEMTreeView::UpdateScrollBars() {
    const QSize page = viewport()->size();
    verticalScrollBar()->setRange(0, std::max(0, contentHeight_ - page.height()));
    verticalScrollBar()->setPageStep(std::max(1, page.height()));
    verticalScrollBar()->setSingleStep(std::max(1, buttonRow_));
    horizontalScrollBar()->setRange(0, std::max(0, contentWidth_ - page.width()));
    horizontalScrollBar()->setPageStep(std::max(1, page.width()));
    horizontalScrollBar()->setSingleStep(std::max(1, buttonRow_));
}

int TVEMTreeView::RowOf(int node) const {
    for (size_t i = 0; i < rows_.size(); ++i)
        if (rows_[i].node == node) return int(i);
    return kNone;
}

QRect TVEMTreeView::NodeRect(int index) const {
    const int row = RowOf(index);
    if (row == kNone) return {};
    const Row& r = rows_[size_t(row)];
    return QRect(NodeLeft(index), r.top, r.width, r.height);
}

int TVEMTreeView::NodeAt(const QPoint& viewportPoint) const {
    const int y = viewportPoint.y() + verticalScrollBar()->value();
    const auto it = std::upper_bound(rows_.begin(), rows_.end(), y,
                                     [](int value, const Row& row) { return value < row.top; });
    if (it == rows_.begin()) return kNone;
    const Row& row = *(it - 1);
    return y < row.top + row.height ? row.node : kNone;
}

void TVEMTreeView::SetExpanded(int index, bool expanded) {
    if (index < 0 || index >= int(nodes_.size()) || nodes_[size_t(index)].expanded == expanded) return;
    nodes_[size_t(index)].expanded = expanded;
    // A selection inside a subtree that closes moves up to the node that closed.
    if (!expanded && selected_ != kNone) {
        for (int up = Parent(selected_); up != kNone; up = Parent(up)) {
            if (up == index) {
                selected_ = index;
                if (OnSelectionChanged) OnSelectionChanged(selected_);
                break;
            }
        }
    }
    Relayout();
}

void TVEMTreeView::Select(int index) {
    if (index >= int(nodes_.size())) index = kNone;
    bool expandedAny = false;
    if (index != kNone) {
        for (int up = Parent(index); up != kNone; up = Parent(up)) {
            if (!nodes_[size_t(up)].expanded) {
                nodes_[size_t(up)].expanded = true;
                expandedAny = true;
            }
        }
    }
    if (expandedAny) Relayout();
    const bool changed = index != selected_;
    selected_ = index;
    if (index != kNone) ScrollIntoView(index);
    viewport()->update();
    if (changed && OnSelectionChanged) OnSelectionChanged(selected_);
}

void TVEMTreeView::ScrollIntoView(int index) {
    const QRect rect = NodeRect(index);
    if (rect.isEmpty()) return;
    QScrollBar* bar = verticalScrollBar();
    const int page = viewport()->height();
    // A node taller than the page shows its top.
    if (rect.top() < bar->value() || rect.height() > page)
        bar->setValue(rect.top());
    else if (rect.bottom() >= bar->value() + page)
        bar->setValue(rect.bottom() + 1 - page);
}

void TVEMTreeView::MoveSelection(int rowDelta) {
    if (rows_.empty()) return;
    const int row = selected_ == kNone ? kNone : RowOf(selected_);
    int target;
    if (row == kNone)
        target = rowDelta > 0 ? 0 : int(rows_.size()) - 1;
    else
        target = std::clamp(row + rowDelta, 0, int(rows_.size()) - 1);
    Select(rows_[size_t(target)].node);
}

void TVEMTreeView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollBars();
}

bool TVEMTreeView::focusNextPrevChild(bool next) {
    // The arrows and Tab belong to the tree.
    (void)next;
    return false;
}

void TVEMTreeView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Up:
            MoveSelection(-1);
            return;
        case Qt::Key_Down:
            MoveSelection(1);
            return;
        case Qt::Key_Home:
            if (!rows_.empty()) Select(rows_.front().node);
            return;
        case Qt::Key_End:
            if (!rows_.empty()) Select(rows_.back().node);
            return;
        case Qt::Key_Left:
            if (selected_ != kNone) {
                if (HasChildren(selected_) && nodes_[size_t(selected_)].expanded)
                    SetExpanded(selected_, false);
                else if (Parent(selected_) != kNone)
                    Select(Parent(selected_));
            }
            return;
        case Qt::Key_Right:
            if (selected_ != kNone && HasChildren(selected_)) SetExpanded(selected_, true);
            return;
        default:
            break;
    }
    if (OnKey && OnKey(*event)) return;
    QAbstractScrollArea::keyPressEvent(event);
}

void TVEMTreeView::mousePressEvent(QMouseEvent* event) {
    setFocus();
    const int node = NodeAt(event->position().toPoint());
    if (node == kNone) return;
    Select(node);
    const QPoint content =
        event->position().toPoint() + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int boxLeft = nodes_[size_t(node)].level * indent_;
    if (event->button() == Qt::LeftButton && content.x() >= boxLeft && content.x() < boxLeft + indent_ &&
        HasChildren(node)) {
        Toggle(node);
        return;
    }
    const QRect rect = NodeRect(node);
    if (OnClick) OnClick(node, content - rect.topLeft(), event->button());
}

void TVEMTreeView::mouseDoubleClickEvent(QMouseEvent* event) {
    const int node = NodeAt(event->position().toPoint());
    if (node == kNone || event->button() != Qt::LeftButton) return;
    const QPoint content =
        event->position().toPoint() + QPoint(horizontalScrollBar()->value(), verticalScrollBar()->value());
    // A double click on the expand box is two toggles, not a command.
    const int boxLeft = nodes_[size_t(node)].level * indent_;
    if (content.x() >= boxLeft && content.x() < boxLeft + indent_) return;
    if (OnDoubleClick) OnDoubleClick(node);
}

void TVEMTreeView::wheelEvent(QWheelEvent* event) {
    event->accept();
    const int delta = event->angleDelta().y();
    if (delta == 0) return;
    const int64_t now = Clock ? Clock() : SteadyNs();
    // One notch can come as several events; only the first moves the selection.
    if (now - lastWheelNs_ < kWheelRepeatNs) return;
    lastWheelNs_ = now;
    MoveSelection(delta > 0 ? -1 : 1);
}

void TVEMTreeView::DottedVertical(QPainter& painter, int x, int top, int bottom) const {
    for (int y = top + ((top & 1) != 0 ? 1 : 0); y <= bottom; y += 2) painter.drawPoint(x, y);
}

void TVEMTreeView::DottedHorizontal(QPainter& painter, int left, int right, int y) const {
    for (int x = left + ((left & 1) != 0 ? 1 : 0); x <= right; x += 2) painter.drawPoint(x, y);
}

void TVEMTreeView::PaintLines(QPainter& painter, const Row& row, int dx, int dy) {
    const Node& node = nodes_[size_t(row.node)];
    const int top = row.top - dy;
    const int bottom = top + row.height - 1;
    const int centreY = top + std::min(row.height, buttonRow_) / 2;
    painter.setPen(lines_);
    // Lines of the ancestors that have more children below this node pass by.
    for (int up = Parent(row.node); up != kNone; up = Parent(up))
        if (NextSibling(up) != kNone)
            DottedVertical(painter, nodes_[size_t(up)].level * indent_ + indent_ / 2 - dx, top, bottom);
    const int columnX = node.level * indent_ + indent_ / 2 - dx;
    const bool firstRoot = node.level == 0 && row.node == 0;
    DottedVertical(painter, columnX, firstRoot ? centreY : top,
                   NextSibling(row.node) != kNone ? bottom : centreY);
    DottedHorizontal(painter, columnX, NodeLeft(row.node) - dx - 2, centreY);
    if (!HasChildren(row.node)) return;
    // The box: a minus, and a plus while the node is collapsed.
    const QRect box(columnX - kBoxSize / 2, centreY - kBoxSize / 2, kBoxSize - 1, kBoxSize - 1);
    painter.fillRect(box, background_);
    painter.drawRect(box);
    painter.drawLine(box.left() + 2, centreY, box.right() - 2, centreY);
    if (!node.expanded) painter.drawLine(columnX, box.top() + 2, columnX, box.bottom() - 2);
}

void TVEMTreeView::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    const QRect exposed = event->rect();
    painter.fillRect(exposed, background_);
    const int dx = horizontalScrollBar()->value();
    const int dy = verticalScrollBar()->value();
    const int right = std::max(contentWidth_, dx + viewport()->width());
    auto first = std::upper_bound(rows_.begin(), rows_.end(), exposed.top() + dy,
                                  [](int value, const Row& row) { return value < row.top; });
    if (first != rows_.begin()) --first;
    for (auto it = first; it != rows_.end() && it->top - dy <= exposed.bottom(); ++it) {
        PaintLines(painter, *it, dx, dy);
        const int left = NodeLeft(it->node);
        if (OnPaintNode) {
            painter.save();
            const QRect rect(left - dx, it->top - dy, right - left, it->height);
            painter.setClipRect(rect.intersected(exposed));
            OnPaintNode(painter, nodes_[size_t(it->node)], rect, it->node == selected_);
            painter.restore();
        }
    }
}

}  // namespace corvalin
