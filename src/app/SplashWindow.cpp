#include "app/SplashWindow.h"

#include <QApplication>
#include <QEvent>
#include <QPainter>
#include <QScreen>
#include <algorithm>

#include "app/SplashPicture.h"

namespace corvalin {

TAA_Splash::TAA_Splash() : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint) {
    setObjectName("AA_Splash");
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(kPictureWidthPx, kPictureHeightPx + kBarHeightPx);
}

void TAA_Splash::ShowNow() {
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->geometry().center() - rect().center());
    show();
    repaint();
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TAA_Splash::SetProgress(int done, int total) {
    const int px = total > 0 ? int(int64_t(std::clamp(done, 0, total)) * kPictureWidthPx / total) : 0;
    if (px == progressPx_) return;
    progressPx_ = px;
    if (isVisible()) repaint(0, kPictureHeightPx, kPictureWidthPx, kBarHeightPx);
}

void TAA_Splash::CloseWhenShown(QWidget& window) {
    if (waitingFor_) waitingFor_->removeEventFilter(this);
    waitingFor_ = &window;
    window.installEventFilter(this);
    // A window that goes away unseen (start-up failed) must not leave the splash behind.
    connect(&window, &QObject::destroyed, this, &QWidget::close);
}

bool TAA_Splash::eventFilter(QObject* watched, QEvent* event) {
    if (watched == waitingFor_ && event->type() == QEvent::Show) {
        waitingFor_->removeEventFilter(this);
        waitingFor_ = nullptr;
        hide();
        // Deleted later: the event that got here is still being delivered.
        deleteLater();
    }
    return QWidget::eventFilter(watched, event);
}

void TAA_Splash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    PaintSplashPicture(painter);
    const QRect bar(0, kPictureHeightPx, kPictureWidthPx, kBarHeightPx);
    painter.fillRect(bar, palette().color(QPalette::Button));
    painter.fillRect(QRect(0, kPictureHeightPx, progressPx_, kBarHeightPx), Qt::black);
}

}  // namespace corvalin
