#include "engine/StateDecision.h"

#include "engine/StepPeriods.h"
#include "settings/VEMOptions.h"

namespace corvalin {

StateDecision DecideState(const VEMOptions& options, int64_t perfFrequency, bool screenSaverWasActive) {
    StateDecision decision;
    const bool moving = options.AutoScrollOn();
    // Under Priority "Speed" the effective values are Scroll and Hardware whatever is stored.
    decision.autoMode = options.Effective(Setting::AutoMode);
    decision.scrollMode = options.Effective(Setting::ScrollMode);
    decision.highPriority = moving;
    decision.screenSaverActive = moving ? false : screenSaverWasActive;
    decision.switchOffManualSpeedDisplay = moving;
    decision.toolHintsShown = !moving;
    decision.scrollButtonDown = moving;
    decision.stepPeriod = ConstantStepPeriod(perfFrequency, options.Effective(Setting::LinesPerSecond));
    decision.superScrollLimitPeriod =
        SuperScrollLimitPeriod(perfFrequency, options.Effective(Setting::SuperScrollLimit));
    return decision;
}

}  // namespace corvalin
