#pragma once

#include <QWheelEvent>

namespace corvalin {

// Whole notches of a mouse wheel. Fine-grained wheels and touchpads send parts of a notch;
// they count once they add up to one, and what is left over waits for the next event.
class WheelNotches {
public:
    // Notches turned away from the user are positive, towards the user negative.
    int Take(const QWheelEvent& event) {
        remainder_ += event.angleDelta().y();
        const int notches = remainder_ / QWheelEvent::DefaultDeltasPerStep;
        remainder_ -= notches * QWheelEvent::DefaultDeltasPerStep;
        return notches;
    }

private:
    int remainder_ = 0;
};

}  // namespace corvalin
