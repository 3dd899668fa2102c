#pragma once

#include <cstdint>

namespace corvalin {

// How long steps (conversion, heading detection) report how far they are. The window that
// shows it lives in the application; the core only calls through this.
class ProgressSink {
public:
    virtual ~ProgressSink() = default;
    virtual void SetPosition(int64_t position) = 0;
};

inline void ReportProgress(ProgressSink* sink, int64_t position) {
    if (sink) sink->SetPosition(position);
}

}  // namespace corvalin
