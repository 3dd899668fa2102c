#pragma once

#include <QApplication>
#include <QString>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>

class QEvent;
class QObject;

namespace corvalin {

// Exit code of a session ended by an unexpected error.
constexpr int kExitUnexpectedError = 1;

// What the log and the reader are told about an error nobody expected.
struct UnexpectedErrorReport {
    std::string text;    // "Internal error at - NAME", or "Internal error" without a source
    std::string detail;  // the error's own message
};

// `source` is the object whose event handler let the error escape, or null.
UnexpectedErrorReport DescribeUnexpectedError(const QObject* source, std::exception_ptr error);

// The application-wide answer to an error that escaped an event handler: while reportErrors is
// set, two lines in Error.log and a message box with one "Abort" button; in every case the
// application is asked to end, since the state behind the failed handler can no longer be
// trusted.
class UnexpectedErrorHandler {
public:
    UnexpectedErrorHandler(std::filesystem::path programFolder, QString caption);

    bool reportErrors = true;
    // Tells the reader; the default is a modal critical message box whose only button is Abort.
    std::function<void(const QString& message)> show;
    // Asks the application to end; the default leaves the application's event loop with
    // kExitUnexpectedError. A window running a loop of its own must stop that loop too.
    std::function<void()> terminate;

    void Handle(const QObject* source, std::exception_ptr error) noexcept;

    const std::filesystem::path& ProgramFolder() const { return programFolder_; }

private:
    std::filesystem::path programFolder_;
    QString caption_;
    // A message box runs its own event loop, where the failing handler may fail again (a paint
    // does at every repaint): those errors are logged, but one box at a time is shown.
    bool showing_ = false;
};

// Makes `handler` the one that GuardedNotify reports to, or none with null. The first install
// also puts a last-resort std::terminate handler in place, which logs the exception in flight
// to Error.log in the handler's program folder before the previous terminate handler runs.
void InstallUnexpectedErrorHandler(UnexpectedErrorHandler* handler);
UnexpectedErrorHandler* InstalledUnexpectedErrorHandler();

// QApplication::notify with every exception escaping the receiver's handlers caught and given
// to the installed handler; such an event counts as handled. Without a handler installed the
// exception goes on as if nothing had caught it.
bool GuardedNotify(QApplication& app, QObject* receiver, QEvent* event);

// The reader's application object: every event of the program passes through GuardedNotify.
class ReaderApplication : public QApplication {
public:
    ReaderApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override { return GuardedNotify(*this, receiver, event); }
};

}  // namespace corvalin
