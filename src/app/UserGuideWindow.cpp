#include "app/UserGuideWindow.h"

#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace corvalin {
namespace {

constexpr int kWidthPx = 720;
constexpr int kHeightPx = 600;

}  // namespace

UserGuideWindow::UserGuideWindow(QWidget* parent) : QDialog(parent), browser_(new QTextBrowser(this)) {
    setObjectName("UserGuideWindow");
    // A guide read beside the book: not modal, and it may be moved off the page.
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(browser_);
    // Links inside the guide stay in the guide; links to the web go to the desktop's browser.
    browser_->setOpenExternalLinks(true);
    resize(kWidthPx, kHeightPx);
}

void UserGuideWindow::ShowGuide(const QString& title) {
    setWindowTitle(title);
    if (browser_->source().isEmpty()) browser_->setSource(QUrl(kGuideUrl));
    show();
    raise();
    activateWindow();
}

}  // namespace corvalin
