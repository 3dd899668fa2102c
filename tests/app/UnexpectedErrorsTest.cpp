#include <gtest/gtest.h>

#include <QApplication>
#include <QEvent>
#include <QObject>
#include <QWidget>
#include <algorithm>
#include <functional>
#include <regex>
#include <stdexcept>
#include <string>
#include <vector>

#include "app/ErrorLog.h"
#include "app/UnexpectedErrors.h"
#include "support/TestSupport.h"

namespace corvalin {
namespace {

const QEvent::Type kFailingEvent = QEvent::Type(QEvent::User + 0x0E7E);

// A control whose handler of kFailingEvent runs `fail`.
class FailingWidget : public QWidget {
public:
    explicit FailingWidget(const char* name) { setObjectName(name); }
    std::function<void()> fail;
    bool handled = true;

protected:
    bool event(QEvent* event) override {
        if (event->type() == kFailingEvent) {
            fail();
            return handled;
        }
        return QWidget::event(event);
    }
};

// An event delivered exactly as ReaderApplication delivers every event.
bool Deliver(QObject& receiver) {
    QEvent event(kFailingEvent);
    return GuardedNotify(*qobject_cast<QApplication*>(QCoreApplication::instance()), &receiver, &event);
}

class UnexpectedErrors : public ::testing::Test {
protected:
    void SetUp() override {
        handler_.show = [this](const QString& message) { shown_.push_back(message.toStdString()); };
        handler_.terminate = [this] { ++terminations_; };
        InstallUnexpectedErrorHandler(&handler_);
    }
    void TearDown() override { InstallUnexpectedErrorHandler(nullptr); }

    std::string Log() const {
        const auto path = folder_ / kErrorLogFileName;
        if (!std::filesystem::exists(path)) return {};
        const std::vector<uint8_t> bytes = test::ReadBytes(path);
        return std::string(bytes.begin(), bytes.end());
    }

    test::TempDir folder_;
    UnexpectedErrorHandler handler_{folder_.path(), "Corvalindestrum Professional"};
    std::vector<std::string> shown_;
    int terminations_ = 0;
};

TEST_F(UnexpectedErrors, AnErrorEscapingAnEventHandlerIsLoggedShownAndEndsTheProgram) {
    FailingWidget gauge("PaintBoxToolBarGauge");
    gauge.fail = [] { throw std::runtime_error("Division by zero"); };

    EXPECT_TRUE(Deliver(gauge));
    EXPECT_TRUE(
        std::regex_match(Log(), std::regex("\\d\\d:\\d\\d:\\d\\d Internal error at - PaintBoxToolBarGauge\r\n"
                                           "\\d\\d:\\d\\d:\\d\\d Division by zero\r\n")))
        << Log();
    EXPECT_EQ(shown_, std::vector<std::string>{"Internal error at - PaintBoxToolBarGauge\nDivision by zero"});
    EXPECT_EQ(terminations_, 1);
}

TEST_F(UnexpectedErrors, EventsThatDoNotFailPassUntouched) {
    FailingWidget quiet("PanelMain");
    quiet.fail = [] {};
    EXPECT_TRUE(Deliver(quiet));
    // The receiver's own answer comes back.
    quiet.handled = false;
    EXPECT_FALSE(Deliver(quiet));
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(terminations_, 0);
}

TEST_F(UnexpectedErrors, WithoutReportingTheProgramStillEnds) {
    handler_.reportErrors = false;
    FailingWidget gauge("PaintBoxToolBarGauge");
    gauge.fail = [] { throw std::runtime_error("Division by zero"); };
    EXPECT_TRUE(Deliver(gauge));
    EXPECT_EQ(Log(), "");
    EXPECT_TRUE(shown_.empty());
    EXPECT_EQ(terminations_, 1);
}

TEST_F(UnexpectedErrors, ErrorsWhileTheMessageIsOpenAreLoggedButNotShownAgain) {
    FailingWidget gauge("PaintBoxToolBarGauge");
    gauge.fail = [] { throw std::runtime_error("Division by zero"); };
    // The box's own event loop repaints the failing control.
    handler_.show = [&](const QString& message) {
        shown_.push_back(message.toStdString());
        Deliver(gauge);
    };
    Deliver(gauge);
    EXPECT_EQ(shown_.size(), 1u);
    const std::string log = Log();
    EXPECT_EQ(std::count(log.begin(), log.end(), '\n'), 4);
    EXPECT_EQ(terminations_, 2);
}

TEST(UnexpectedErrorReport, NamesTheSourceAndTheMessage) {
    QObject nameless;
    FailingWidget named("ToolButtonScroll");
    struct Row {
        const char* name;
        const QObject* source;
        std::exception_ptr error;
        UnexpectedErrorReport expected;
    };
    const Row rows[] = {
        {"named control",
         &named,
         std::make_exception_ptr(std::logic_error("bad")),
         {"Internal error at - ToolButtonScroll", "bad"}},
        {"nameless object goes by its class",
         &nameless,
         std::make_exception_ptr(std::runtime_error("x")),
         {"Internal error at - QObject", "x"}},
        {"no source", nullptr, std::make_exception_ptr(std::runtime_error("y")), {"Internal error", "y"}},
        {"not a standard exception",
         &named,
         std::make_exception_ptr(42),
         {"Internal error at - ToolButtonScroll", "Unknown error"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const UnexpectedErrorReport report = DescribeUnexpectedError(row.source, row.error);
        EXPECT_EQ(report.text, row.expected.text);
        EXPECT_EQ(report.detail, row.expected.detail);
    }
}

TEST(UnexpectedErrorGuard, WithoutAHandlerTheErrorGoesOn) {
    InstallUnexpectedErrorHandler(nullptr);
    FailingWidget gauge("PaintBoxToolBarGauge");
    gauge.fail = [] { throw std::runtime_error("nobody listens"); };
    EXPECT_THROW(Deliver(gauge), std::runtime_error);
}

TEST(UnexpectedErrorDeathTest, TerminateLogsTheErrorInFlight) {
    test::TempDir folder;
    UnexpectedErrorHandler handler(folder.path(), "Corvalindestrum Professional");
    EXPECT_DEATH(
        {
            InstallUnexpectedErrorHandler(&handler);
            try {
                throw std::runtime_error("escaped a thread");
            } catch (...) {
                std::terminate();
            }
        },
        "escaped a thread");
    const std::vector<uint8_t> bytes = test::ReadBytes(folder / kErrorLogFileName);
    EXPECT_TRUE(std::regex_match(std::string(bytes.begin(), bytes.end()),
                                 std::regex("\\d\\d:\\d\\d:\\d\\d Internal error\r\n"
                                            "\\d\\d:\\d\\d:\\d\\d escaped a thread\r\n")));
}

}  // namespace
}  // namespace corvalin
