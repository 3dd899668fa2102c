#pragma once

#include <cstdint>

namespace corvalin {

// What moving text asks of the desktop: a higher scheduling priority and no screen saver.
// Both are best effort: a refused priority or a desktop without the screen-saver service
// leaves things as they are, with one line on the error stream the first time.
class SessionPlatform {
public:
    SessionPlatform();
    // Lets go of the screen saver and restores the priority found at start.
    ~SessionPlatform();
    SessionPlatform(const SessionPlatform&) = delete;
    SessionPlatform& operator=(const SessionPlatform&) = delete;

    // Also makes the calling thread's sleeps wake more exactly while high.
    void SetHighPriority(bool high);
    // false: the screen saver is held off until this is called with true.
    void SetScreenSaverActive(bool active);

    bool ScreenSaverInhibited() const { return inhibitCookie_ != 0; }

private:
    int startNice_ = 0;
    bool highPriority_ = false;
    bool priorityWarned_ = false;
    bool screenSaverWarned_ = false;
    uint32_t inhibitCookie_ = 0;
};

}  // namespace corvalin
