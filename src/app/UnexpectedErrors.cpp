#include "app/UnexpectedErrors.h"

#include <QCoreApplication>
#include <QMessageBox>
#include <QObject>
#include <atomic>
#include <iostream>

#include "app/ErrorLog.h"

namespace corvalin {
namespace {

std::atomic<UnexpectedErrorHandler*> installedHandler{nullptr};

// The terminate handler may run on any thread and after the handler object is gone, so it
// keeps its own copy of the folder, written once before any second thread could read it.
std::filesystem::path* terminateLogFolder = nullptr;
std::terminate_handler previousTerminate = nullptr;

std::string MessageOf(std::exception_ptr error) {
    if (!error) return "Unknown error";
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "Unknown error";
    }
}

[[noreturn]] void LogThenTerminate() {
    if (terminateLogFolder) {
        // Nothing in flight means terminate was called directly; the log still says so.
        const std::string detail = MessageOf(std::current_exception());
        AppendErrorLog(*terminateLogFolder, "Internal error");
        AppendErrorLog(*terminateLogFolder, detail);
    }
    if (previousTerminate) previousTerminate();
    std::abort();
}

}  // namespace

UnexpectedErrorReport DescribeUnexpectedError(const QObject* source, std::exception_ptr error) {
    UnexpectedErrorReport report;
    if (source) {
        // Our own controls carry their names; a nameless Qt object is still better known by
        // its class than not at all.
        const QString name = source->objectName();
        report.text = "Internal error at - " +
                      (name.isEmpty() ? std::string(source->metaObject()->className()) : name.toStdString());
    } else {
        report.text = "Internal error";
    }
    report.detail = MessageOf(error);
    return report;
}

UnexpectedErrorHandler::UnexpectedErrorHandler(std::filesystem::path programFolder, QString caption)
    : programFolder_(std::move(programFolder)), caption_(std::move(caption)) {
    show = [this](const QString& message) {
        QMessageBox box(QMessageBox::Critical, caption_, message, QMessageBox::Abort);
        // A full-screen reader stays on top; the box must not open behind it.
        box.setWindowFlag(Qt::WindowStaysOnTopHint);
        box.exec();
    };
    terminate = [] { QCoreApplication::exit(kExitUnexpectedError); };
}

void UnexpectedErrorHandler::Handle(const QObject* source, std::exception_ptr error) noexcept {
    try {
        if (reportErrors) {
            const UnexpectedErrorReport report = DescribeUnexpectedError(source, error);
            AppendErrorLog(programFolder_, report.text);
            AppendErrorLog(programFolder_, report.detail);
            if (!showing_ && show) {
                showing_ = true;
                try {
                    show(QString::fromStdString(report.text + "\n" + report.detail));
                } catch (...) {
                }
                showing_ = false;
            }
        }
    } catch (...) {
        // Reporting failed (out of memory, most likely); ending the program still matters.
    }
    try {
        if (terminate) terminate();
    } catch (...) {
        std::cerr << "corvalindestrum: cannot end the application after an internal error\n";
        std::abort();
    }
}

void InstallUnexpectedErrorHandler(UnexpectedErrorHandler* handler) {
    installedHandler.store(handler);
    if (!handler) return;
    if (!terminateLogFolder) {
        terminateLogFolder = new std::filesystem::path(handler->ProgramFolder());
        previousTerminate = std::set_terminate(LogThenTerminate);
    } else {
        *terminateLogFolder = handler->ProgramFolder();
    }
}

UnexpectedErrorHandler* InstalledUnexpectedErrorHandler() { return installedHandler.load(); }

bool GuardedNotify(QApplication& app, QObject* receiver, QEvent* event) {
    std::exception_ptr error;
    try {
        // Qualified: a subclass calling this must not come back to its own notify.
        return app.QApplication::notify(receiver, event);
    } catch (...) {
        error = std::current_exception();
    }
    // Handled outside the catch block: the message box runs a nested event loop.
    UnexpectedErrorHandler* handler = installedHandler.load();
    if (!handler) std::rethrow_exception(error);
    handler->Handle(receiver, error);
    return true;
}

}  // namespace corvalin
