#pragma once

#include <QString>
#include <QWidget>

namespace corvalin {

// The program's own hint window: black text in Arial on a pale green field inside a sunken
// frame on black. It never takes the focus and is sized to its text.
class TVEMHintWindow : public QWidget {
public:
    TVEMHintWindow();

    // Shows `text` with the window's top-left corner at `globalPos`.
    void ActivateHint(const QString& text, const QPoint& globalPos);
    const QString& HintText() const { return text_; }
    // The size for `text`: its extent plus the frame and the margins.
    QSize HintSize(const QString& text) const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

}  // namespace corvalin
