#pragma once

#include <QDialog>

class QTextBrowser;

namespace corvalin {

// The user guide, shipped inside the program, in a window of the reader's own: help needs no
// viewer on the desktop and no file beside the program.
class UserGuideWindow : public QDialog {
public:
    // Where the guide lives among the program's resources.
    static constexpr const char* kGuideUrl = "qrc:/help/guide.html";

    explicit UserGuideWindow(QWidget* parent = nullptr);
    // Shows the guide from its start, or brings the window forward when it is open already.
    void ShowGuide(const QString& title);
    QTextBrowser& Browser() { return *browser_; }

private:
    QTextBrowser* browser_;
};

}  // namespace corvalin
