#pragma once

#include <QAbstractScrollArea>
#include <QColor>
#include <cstdint>
#include <functional>
#include <vector>

class QKeyEvent;
class QMouseEvent;
class QPainter;
class QWheelEvent;

namespace corvalin {

// Our own tree control inside a scroll area: nodes of any height that the owner measures and
// paints, with expand boxes and dotted connecting lines drawn by the tree. The tree keeps only
// the nodes' levels and states; what a node shows is the owner's.
class TVEMTreeView : public QAbstractScrollArea {
public:
    struct Node {
        int level = 0;
        bool expanded = false;
        int kind = 0;          // the owner's
        void* data = nullptr;  // the owner's
    };
    static constexpr int kNone = -1;
    static constexpr int kMinNodeHeight = 10;
    // Wheel events closer together than this are one turn of the wheel seen twice.
    static constexpr int64_t kWheelRepeatNs = 10'000'000;

    explicit TVEMTreeView(QWidget* parent = nullptr);

    // The nodes in order, each node's children right after it with a greater level. Nothing is
    // selected afterwards.
    void SetNodes(std::vector<Node> nodes);
    const std::vector<Node>& Nodes() const { return nodes_; }
    int Parent(int index) const { return parents_[size_t(index)]; }
    bool HasChildren(int index) const {
        return size_t(index) + 1 < nodes_.size() &&
               nodes_[size_t(index) + 1].level > nodes_[size_t(index)].level;
    }

    int Selected() const { return selected_; }
    // Selects `index` (kNone for nothing): its ancestors are expanded and it is scrolled into view.
    void Select(int index);
    void SetExpanded(int index, bool expanded);
    void Toggle(int index) { SetExpanded(index, !nodes_[size_t(index)].expanded); }

    // The visible nodes in order (those whose ancestors are all expanded).
    std::vector<int> VisibleNodes() const;
    // The node under a point of the viewport, or kNone.
    int NodeAt(const QPoint& viewportPoint) const;
    // Where a visible node lies in the whole tree's picture (not scrolled); empty when hidden.
    QRect NodeRect(int index) const;
    // Measures the visible nodes again (the owner's sizes changed).
    void Relayout();

    int IndentWidth() const { return indent_; }
    // The height of the row the expand box and the lines stand in: the owner's line height.
    void SetButtonRowHeight(int pixels) { buttonRow_ = pixels; }
    void SetColours(QColor background, QColor lines);

    // A layout begins: the owner's measures start afresh.
    std::function<void()> OnLayoutStart;
    std::function<QSize(const Node&)> OnMeasure;
    // Paints one node; `rect` runs from the node's left edge to the right end of the tree.
    std::function<void(QPainter&, const Node&, const QRect&, bool selected)> OnPaintNode;
    // Keys the tree does not use itself; true when the owner took it.
    std::function<bool(QKeyEvent&)> OnKey;
    // A click on a node, after it was selected; `inNode` relative to the node's top-left.
    std::function<void(int index, const QPoint& inNode, Qt::MouseButton button)> OnClick;
    std::function<void(int index)> OnDoubleClick;
    std::function<void(int index)> OnSelectionChanged;
    // The clock of the wheel rule, in nanoseconds; the steady clock unless a test sets one.
    std::function<int64_t()> Clock;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    struct Row {
        int node;
        int top;
        int height;
        int width;
    };
    int RowOf(int node) const;
    int NodeLeft(int index) const { return (nodes_[size_t(index)].level + 1) * indent_; }
    int NextSibling(int index) const { return nextSiblings_[size_t(index)]; }
    void UpdateScrollBars();
    void ScrollIntoView(int index);
    void MoveSelection(int rowDelta);
    void PaintLines(QPainter& painter, const Row& row, int dx, int dy);
    void DottedVertical(QPainter& painter, int x, int top, int bottom) const;
    void DottedHorizontal(QPainter& painter, int left, int right, int y) const;

    std::vector<Node> nodes_;
    std::vector<int> parents_;
    std::vector<int> nextSiblings_;
    std::vector<Row> rows_;
    int contentWidth_ = 0;
    int contentHeight_ = 0;
    int selected_ = kNone;
    int indent_ = 19;
    int buttonRow_ = 16;
    QColor background_{0x00, 0x3E, 0x56};
    QColor lines_{Qt::white};
    int64_t lastWheelNs_ = INT64_MIN / 2;
};

}  // namespace corvalin
