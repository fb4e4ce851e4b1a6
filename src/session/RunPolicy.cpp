#include "RunPolicy.h"

namespace kurvimat::session {

KeepAs keepAs(Replacement what, const CurrentPoints& c) {
    // An edit's previous version is for undo only: a run each time would bury the table.
    if (c.points <= 0 || c.alreadyKept || what == Replacement::EditValues) return KeepAs::Nothing;
    if (c.markedKeep || c.loaded || c.spanSeconds > KeepSpanSeconds) return KeepAs::Run;
    switch (c.mode) {
    case SweepMode::Einzel:
        return c.completeSweep ? KeepAs::Run : KeepAs::Nothing;
    case SweepMode::Normal:
        // "normal" triggers sweep after sweep by itself: the one the next replaces goes to
        // the history, what a click replaces is the user's.
        if (!c.completeSweep) return KeepAs::Nothing;
        return what == Replacement::NextSweep ? KeepAs::History : KeepAs::Run;
    case SweepMode::Auto:
    case SweepMode::Dauer:
        // The sweeps replace each other all the time; only the last one before the user
        // changes how they are taken is worth keeping.
        return what == Replacement::ModeChange || what == Replacement::SettingsChange
                   ? KeepAs::Run
                   : KeepAs::Nothing;
    }
    return KeepAs::Nothing;
}

} // namespace kurvimat::session
