#include "RunPolicy.h"

namespace kurvimat::session {

bool keepAsRun(Replacement what, const CurrentPoints& c) {
    if (c.points <= 0 || c.alreadyKept) return false;
    if (c.markedKeep || c.loaded || c.spanSeconds > KeepSpanSeconds) return true;
    switch (c.mode) {
    case SweepMode::Einzel:
    case SweepMode::Normal:
        return c.completeSweep;
    case SweepMode::Auto:
    case SweepMode::Dauer:
        // The sweeps replace each other all the time; only the last one before the user
        // changes how they are taken is worth keeping.
        return what == Replacement::ModeChange || what == Replacement::SettingsChange;
    }
    return false;
}

} // namespace kurvimat::session
