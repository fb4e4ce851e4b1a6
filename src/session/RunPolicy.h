// Which current points become a run before something replaces them: what a single click would
// otherwise lose is kept, the stream of short sweeps that replace each other is not.
#pragma once

#include <QtGlobal>

namespace kurvimat::session {

/// What is about to replace or empty the current points.
enum class Replacement {
    SettingsChange, ///< the measuring interval or the point count changes
    Reset,          ///< "Reset" abandons the running sweep
    DeleteData,     ///< "Daten löschen"
    Paste,          ///< points pasted from the clipboard
    Load,           ///< points loaded from a file
    NextSweep,      ///< the trigger starts a new sweep
    ModeChange,     ///< another trigger mode is chosen
    RunRestored,    ///< a run becomes the current points again
    EditValues,     ///< the user's table of values is replaced by its edit
};

/// The trigger mode the current points were recorded in.
enum class SweepMode { Dauer, Auto, Normal, Einzel };

/// Points spanning more than this are always kept: nobody records a minute to throw it away.
inline constexpr double KeepSpanSeconds = 60;

/// What is known about the current points.
struct CurrentPoints {
    int points = 0;
    bool loaded = false;        ///< loaded or pasted, not recorded
    bool completeSweep = false; ///< the sweep reached its point count
    double spanSeconds = 0;
    bool markedKeep = false;  ///< the user asked to keep them ("Messreihe behalten")
    bool alreadyKept = false; ///< they are a run already
    SweepMode mode = SweepMode::Auto;
};

/// How the current points are kept before something replaces them.
enum class KeepAs {
    Nothing,
    Run,     ///< among the user's runs
    History, ///< in the bounded history: a "normal" sweep the next one replaces
};

/// Whether and how the current points are kept before `what` replaces them.
KeepAs keepAs(Replacement what, const CurrentPoints& current);

/// Who keeps a run: the user (or a one-click loss), or the history of "normal" sweeps.
enum class KeepKind { User, History };

/// What keeping did: the run's id, and whether it is a new run (else the points were one
/// already).
struct Kept {
    qint64 id = 0;
    bool added = false;
};

} // namespace kurvimat::session
