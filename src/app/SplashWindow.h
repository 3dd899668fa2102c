#pragma once

#include <QWidget>

namespace corvalin {

// The borderless window shown while the program starts: the program's picture with the
// version written on it, and a progress bar below. It closes itself when the window it waits
// for is shown, so the two are never on the screen together for longer than one show.
class TAA_Splash : public QWidget {
public:
    static constexpr int kPictureWidthPx = 256;
    static constexpr int kPictureHeightPx = 128;
    static constexpr int kBarHeightPx = 8;

    TAA_Splash();

    // Shows the window centred on the screen and paints it at once: the event loop does not
    // run until start-up has finished.
    void ShowNow();
    // `done` out of `total`; the part of the bar left of it turns black.
    void SetProgress(int done, int total);
    int ProgressPx() const { return progressPx_; }
    // Hides and deletes the window as soon as `window` is shown.
    void CloseWhenShown(QWidget& window);

protected:
    void paintEvent(QPaintEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* waitingFor_ = nullptr;
    int progressPx_ = 0;
};

}  // namespace corvalin
