#include "platform/SessionPlatform.h"

#include <sys/prctl.h>
#include <sys/resource.h>

#include <QDBusConnection>
#include <QDBusMessage>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iostream>

namespace corvalin {
namespace {

// The nice value of a "high" class; raising above the start needs the privilege to, which a
// desktop user usually lacks.
constexpr int kHighNice = -10;
constexpr int kBusTimeoutMs = 1000;
// While the text moves the loop sleeps to within a fraction of a millisecond of each step; the
// kernel's usual slack of 50 µs on every wake-up would eat that margin.
constexpr unsigned long kMovingTimerSlackNs = 1000;
constexpr const char* kService = "org.freedesktop.ScreenSaver";
constexpr const char* kPath = "/org/freedesktop/ScreenSaver";

QDBusMessage ScreenSaverCall(const char* method, const QList<QVariant>& arguments) {
    QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, kBusTimeoutMs);
}

}  // namespace

SessionPlatform::SessionPlatform() {
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, 0);
    if (errno == 0) startNice_ = nice;
}

SessionPlatform::~SessionPlatform() {
    SetScreenSaverActive(true);
    SetHighPriority(false);
}

void SessionPlatform::SetHighPriority(bool high) {
    if (high == highPriority_) return;
    highPriority_ = high;
    // 0 puts the thread's default slack back. The main thread runs the loop and calls this.
    prctl(PR_SET_TIMERSLACK, high ? kMovingTimerSlackNs : 0UL);
    const int nice = high ? std::min(startNice_, kHighNice) : startNice_;
    if (setpriority(PRIO_PROCESS, 0, nice) != 0 && !priorityWarned_) {
        priorityWarned_ = true;
        std::cerr << "corvalindestrum: the priority stays as it is (" << std::strerror(errno) << ")\n";
    }
}

void SessionPlatform::SetScreenSaverActive(bool active) {
    if (active) {
        if (inhibitCookie_ == 0) return;
        ScreenSaverCall("UnInhibit", {inhibitCookie_});
        inhibitCookie_ = 0;
        return;
    }
    if (inhibitCookie_ != 0) return;
    if (QDBusConnection::sessionBus().isConnected()) {
        const QDBusMessage reply =
            ScreenSaverCall("Inhibit", {QString("corvalindestrum"), QString("reading")});
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            inhibitCookie_ = reply.arguments().first().toUInt();
            if (inhibitCookie_ != 0) return;
        }
    }
    if (!screenSaverWarned_) {
        screenSaverWarned_ = true;
        std::cerr << "corvalindestrum: no screen-saver service on the session bus; the screen saver "
                     "is left alone\n";
    }
}

}  // namespace corvalin
