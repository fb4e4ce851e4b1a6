// The measuring session below the main window: the store, the pipeline, both formula parsers,
// the definitions in force and the settings, with the operations that change them. The window
// sets settings from what the user does, shows what the session holds, and hears through the
// signals what changed; nothing here reads a widget.
#pragma once

#include "Clock.h"
#include "ExperimentFile.h"
#include "FormulaParser.h"
#include "InstrumentLink.h"
#include "MeasurementStore.h"
#include "PlotMode.h"
#include "PlotNotes.h"
#include "PointSet.h"
#include "Quantities.h"
#include "Run.h"
#include "RunPolicy.h"
#include "SamplePipeline.h"
#include "SignalDefinition.h"
#include "StoredData.h"

#include <QObject>
#include <QString>
#include <QStringList>

#include <array>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <span>

namespace kurvimat::session {

class Journal;
class Recovery;

/// The points per sweep the user may choose.
inline constexpr std::array<int, 7> PointCountChoices = {100, 200, 500, 1000, 2000, 5000, 10000};

/// A point set read from a text or the clipboard, to become the data or the snapshot: the
/// numbers as read, which the store keeps beside the floats it draws.
struct LoadedPoints {
    std::span<const double> t, a, b;
    bool hasB = true;
    QString definitionA, definitionB; ///< definition lines or column labels
    std::span<const signals::QuantityColumn> further; ///< the quantities beside A and B
};

/// Where read points came from; undo names its step by it, the runs what replaced theirs.
enum class LoadSource { File, Clipboard };

/// What undo takes back: the points a deletion, a load or a paste replaced.
enum class UndoStep {
    DeleteData,
    LoadData,
    PasteData,
    ChangeQuantities,
    ChangeNotes,
    EnterValues, ///< a table of values the user typed became the data
    EditValues,  ///< the user's table of values was edited
};

/// The ranges the plot's axes showed (A, B, time, x, as the plot captures them).
struct ShownRanges {
    std::array<std::pair<double, double>, 4> ranges{};
    bool operator==(const ShownRanges&) const = default;
};

/// What an undo put back besides the points: the definitions in force before a load or paste
/// (none when the step kept them as they were), and the axes shown before it.
struct Undone {
    std::optional<QString> definitionA, definitionB;
    std::optional<ShownRanges> shown;
};

/// How a read text names its points and which of its header fields come into force: a
/// definition line names the points and is put in force; a label names them and leaves the
/// definition in force; a blank field or no header names nothing, so the values are taken as
/// the quantities in force.
struct LoadedNames {
    QString definitionA, definitionB;
    bool applyA = false, applyB = false;
};

/// A read text as the session judges it: whether it is a table at all, whether its first line
/// names the columns, and its points.
struct ReadPoints {
    bool table = true;
    bool header = false;
    LoadedPoints points;
};

/// Why read points were not taken: a text that is no table, or one without a point. Nothing
/// changed.
enum class LoadRefusal { NoTable, NoPoints };

/// What taking read points decided: refused, or the names they brought (the caller puts the
/// marked ones in force).
struct LoadOutcome {
    std::optional<LoadRefusal> refused;
    LoadedNames names;
};

/// What applying a definition line gave: its parts and the range resolved under the
/// calibration. events carries a division by zero met while probing or re-evaluating.
struct AppliedDefinition {
    signals::DefinitionParts parts;
    signals::SignalRange range;
    acquisition::PipelineEvents events;
};

/// What the session applied of the definitions an operation brought, for the window to show:
/// each definition as the session applied it, or why it refused it (the channel keeps the one
/// in force); neither for a channel it left as it was.
struct AppliedDefinitions {
    std::array<std::optional<AppliedDefinition>, 2> definitions; ///< A, B
    std::array<std::exception_ptr, 2> refused;
    /// Whether the channel's definition was applied or refused (i: 0 for A, 1 for B).
    bool tried(std::size_t i) const { return definitions[i] || refused[i]; }
    /// What probing the applied definitions met, A's and B's.
    acquisition::PipelineEvents events() const;
};

/// Where the measuring cursors stood, as an experiment file keeps them.
struct CursorSettings {
    bool verticalOn = false, horizontalOn = false;
    std::array<double, 2> x{}, y{}; ///< in the bottom quantity of the mode; on the value axis
    bool valueAxisB = false;        ///< the axis of the horizontal pair in the time plot
    int mode = 0;                   ///< the plot mode they were placed in: time, B as x, A as x
    int active = 0;                 ///< the one the arrow keys move: x1, x2, y1, y2
    bool operator==(const CursorSettings&) const = default;
    /// The setting's text: the nine numbers joined by ';'.
    QString text() const;
    /// The setting's text read back; none when it is not nine finite numbers.
    static std::optional<CursorSettings> read(const QString& text);
};

/// What applying an experiment gave, for the window to show: the definitions, and the cursors
/// when the file holds them readable.
struct AppliedExperiment : AppliedDefinitions {
    std::optional<CursorSettings> cursors;
};

/// What an interval change did, for the window to show: whether the instrument's report mode
/// changed (it was configured anew) and the definitions in force applied again.
struct IntervalChange {
    bool reportModeChanged = false;
    AppliedDefinitions applied;
};

/// How the points are shown, as the user chose it; the window's check boxes show it.
struct ViewSettings {
    bool showA = true, showB = true;
    analysis::PlotMode mode = analysis::PlotMode::Normal; ///< one of the mode boxes, or none
    bool minutes = false;            ///< "Zeit in min"
    QString rightAxis; ///< the further column (header) on the right axis while B is not shown
    /// The quantities (by key: "t", "A", "B", a further column's header) on x, left and right
    /// when the mode shows quantities over a quantity; right may be empty.
    QString axisX, axisLeft, axisRight;
    QStringList axisMore; ///< more quantities beside the left or right one, of their unit
    bool operator==(const ViewSettings&) const = default;
};

class Session : public QObject {
    Q_OBJECT

public:
    explicit Session(QObject* parent = nullptr);
    ~Session() override;

    acquisition::MeasurementStore& store() { return *store_; }
    const acquisition::MeasurementStore& store() const { return *store_; }
    acquisition::SamplePipeline& pipeline() { return pipeline_; }
    signals::TParser& parser(signals::SignalChannel channel) {
        return channel == signals::SignalChannel::A ? parserA_ : parserB_;
    }

    // --- settings ---
    /// Trigger channel, edge, mode, automatic snapshot, the armed "einzel" (resetEnabled) and
    /// the hold; the definitions in it are filled in per pipeline call.
    const acquisition::TriggerSettings& trigger() const { return trigger_; }
    bool held() const { return trigger_.hold; }
    void setHeld(bool held);
    void setTriggerChannelA(bool channelA);
    void setTriggerRising(bool rising);
    void setAutoSnapshot(bool on);
    /// A mode change: "einzel" waits for Reset unless a sweep runs.
    void setTriggerMode(acquisition::TriggerMode mode);
    /// The armed state as a restored experiment had it.
    void setArmed(bool resetEnabled);
    signals::Calibration calibration() const;
    /// The instrument's input ranges, differential A, B off and pull-ups as chosen.
    const acquisition::HardwareChoice& hardware() const { return hardware_; }
    void setHardware(const acquisition::HardwareChoice& choice);
    const ViewSettings& view() const { return view_; }
    void setView(const ViewSettings& view);
    /// The sampling interval; true when the instrument needs another report mode for it (the
    /// mode in force is changed, the caller configures the instrument).
    bool setIntervalMs(int intervalMs);
    /// The user's interval change: the current points are kept as the policy says, the
    /// interval changes (the instrument configured anew when its report mode changes), the
    /// block means, the point count and the time axis start afresh, and the definitions are
    /// applied again: the lines given (those the user's boxes hold), else the ones in force.
    IntervalChange changeInterval(int intervalMs, const std::optional<QString>& lineA = {},
                                  const std::optional<QString>& lineB = {});
    /// The points per sweep, the pre-trigger keeping its relative place. The caller applies
    /// both definitions, then rebuilds the time axis.
    void setPointCount(int pointCount);
    /// After an interval change: the block means rebuilt from the raw rings where they can be.
    void rebuildMeanHistory();
    /// The times of recorded points and the nominal time axis after a timing change.
    void rebuildTimeAxis();

    // --- operations ---
    /// Compiles the line into the channel's parser and puts it in force with its range; with
    /// reevaluate, recorded points are evaluated again and then carry this definition (loaded
    /// ones keep their values). A rejected formula throws the parser's error and changes nothing.
    AppliedDefinition applyDefinition(signals::SignalChannel channel, const QString& line, bool reevaluate);
    /// The names and definitions a read text brings (fieldA and fieldB: its header's fields).
    LoadedNames namesOfLoaded(bool header, bool hasB, const QString& fieldA,
                              const QString& fieldB) const;
    /// Makes a read point set the data (no raw values behind them) or the snapshot.
    void storeLoaded(bool snapshot, const LoadedPoints& points);
    /// A read text's points (their definitions: the header's fields, when it has one) become
    /// the data or the snapshot, unless it is refused. Before the data is replaced, the current
    /// points are kept as a run when the policy says so (a load or a paste replaces them); the
    /// data is then kept for undo with the definitions in force.
    /// The axes shown before (shown) are kept with them, for undo to bring back.
    LoadOutcome takeLoaded(LoadSource source, bool snapshot, const ReadPoints& read,
                           std::optional<ShownRanges> shown = {});
    /// A table the user typed (at least one column, each named by its header, "l in m", with one
    /// value a row; NaN for a blank) becomes the data as a read text's points would: the row
    /// number is the time, the first column A, the second B (none with one column), the
    /// others further columns entered by hand, each header its column's definition. Refused
    /// (nothing changes) without a row or when the first two columns lack a value in one.
    /// The table is kept as a run at once, so that the journal holds what only the user's
    /// typing made. An edit (the data was such a table, enteredColumns) replaces that run and
    /// keeps its version only for undo, not as a run of its own.
    LoadOutcome takeEntered(std::vector<signals::QuantityColumn> columns, bool edit,
                            std::optional<ShownRanges> shown = {});
    /// The data as a table of values to edit when it is one (loaded points whose times are the
    /// row numbers 1, 2, 3 ...): A, B where it holds one, then the further columns not
    /// calculated; none otherwise.
    std::vector<signals::QuantityColumn> enteredColumns() const;
    /// Whether the data is such a table, without copying it.
    bool dataEntered() const;
    void emptyData();
    /// "Daten löschen": the data is kept as a run when the policy says so, and for undo when
    /// there was any, then emptied.
    void deleteData();
    /// The step undo would take back; none when there is nothing to take back.
    std::optional<UndoStep> undoStep() const;
    /// Puts back the points the last deletion, load or paste replaced; nothing without one.
    std::optional<Undone> undo();
    void takeSnapshot();
    void deleteSnapshot();
    /// One input report of the held instrument through the pipeline; allocates nothing.
    acquisition::PipelineEvents feedReport(const std::uint8_t* data, int size);
    acquisition::PipelineEvents triggerSweep();
    /// "Reset": the running sweep is abandoned (kept as a run when the policy says so).
    void resetTrigger();

    // --- runs: the current points kept before something replaces them ---
    /// Before `what` replaces or empties the current points (or, for a mode change, lets the
    /// next sweep do so): keeps them as a run when keepAs says so, in the journal. The
    /// replacements that put other points in place are then taken as done. The operations
    /// here call it themselves; the pipeline's next sweep does too.
    void keepBeforeReplacing(Replacement what);
    /// What is known about the current points, as keepAs takes it.
    CurrentPoints currentFacts() const;
    /// "Messreihe behalten": the current points become the user's run now; none without points
    /// or a journal.
    std::optional<Kept> keepCurrent();
    /// "Als aktuelle Daten": the journal's run id becomes the current points, with its
    /// definitions (restoreRun), after the current ones were kept as the policy says; none
    /// when there is no such run.
    std::optional<AppliedDefinitions> makeRunCurrent(qint64 id);
    /// The fingerprint of the data as an experiment file keeps them (pointsFingerprint).
    std::size_t dataFingerprint() const;

    // --- calculated quantities ---
    const Quantities& quantities() const { return quantities_; }
    /// New definitions and constants (Quantities::check, with the data's columns); the data
    /// and the snapshot compute them at once. A refusal changes nothing. An undoable change
    /// (the user's edit or removal) is what undo takes back next.
    std::optional<QuantityFault> setQuantities(std::vector<QuantityDefinition> definitions,
                                               QStringList constants, bool undoable = false);
    /// The data's quantities that could not be computed at the last change, with why.
    const std::vector<QuantityFailure>& quantityFailures() const { return quantityFailures_; }
    /// The window's tick: the data's quantities for the points a sweep added since.
    void updateQuantities();

    // --- the report's title and notes on the plot ---
    const PlotNotes& notes() const { return notes_; }
    /// New notes (at most one title); an undoable change (the user's edit, move or removal)
    /// is what undo takes back next.
    void setNotes(PlotNotes notes, bool undoable = false);

    // --- the instrument ---
    /// An instrument was taken: until a configuration is confirmed it runs with its defaults
    /// in the report mode in force.
    void instrumentAdopted();
    /// The report mode the sampling interval asks of the instrument.
    std::int32_t wantedDeviceMode() const;
    /// A configuration was asked of the instrument, and confirmed when sent. The readings are
    /// scaled for what it runs with: a device that takes none runs with it as it is, in the
    /// program's report mode; else the last confirmed one.
    void instrumentConfigured(const acquisition::InstrumentConfiguration& asked, bool confirmed);

    // --- the journal ---
    /// Opens the session's journal in folder: from here on what is recorded and kept as runs
    /// outlives a crash.
    void openJournal(const QString& folder);
    Journal& journal() { return *journal_; }
    const Journal& journal() const { return *journal_; }
    /// The timer's hand-off: the stored points since the last one to the journal, its commit
    /// when due, a journal deleted by someone replaced. Returns what the user must be told.
    QStringList tickJournal();
    /// What the store holds that the journal has not yet: before a save, on closing.
    void handOverToJournal();
    /// With on, every hand-off that fed points prints "KURVIMAT-FED <points> <steady ms>".
    void setJournalProgress(bool on) { journalProgress_ = on; }
    /// True while what the journal holds has been saved in an experiment file since it changed.
    bool experimentSaved() const;
    /// What the journal holds is in the experiment file at path now; fingerprint: the session
    /// as that file holds it (fingerprint()).
    void noteExperimentSaved(const QString& path, std::size_t fingerprint = 0);
    /// Of what an experiment file of the session would hold: the points, the snapshot, the
    /// runs, the definitions in force and the settings, with those the window keeps (display)
    /// besides. Equal fingerprints stand for the same file.
    std::size_t fingerprint(const Settings& display) const;
    /// The settings an experiment file keeps of the session (those the window keeps besides
    /// are the window's).
    Settings keptSettings() const;
    /// The fingerprint of the session when it was last saved or opened; none before.
    std::optional<std::size_t> savedFingerprint() const { return savedFingerprint_; }
    /// An earlier session's runs (a recovery, the Papierkorb) join the journal's.
    void recover(Recovery& from);
    /// The window closes: a saved journal is finished, a discarded one goes to the Papierkorb,
    /// else it stays to be offered at the next start.
    void closeJournal(bool discarded);

    // --- the points as the journal and the experiment file keep them ---
    /// The points, the definitions in force, the settings kept here and, with a journal, the
    /// user's runs, as an experiment file keeps them.
    Experiment experiment() const;
    /// An experiment replaces the session: the instrument's choices, timing, trigger, the
    /// definitions (a rejected one leaves the one in force; the caller says why), the points,
    /// what is shown and, with a journal, the runs, which begin a journal of their own (the
    /// session's go to the Papierkorb). Settings it lacks or does not allow stay as they are.
    /// Returns what probing the definitions met (a division by zero, no value), said once.
    AppliedExperiment applyExperiment(const Experiment& e);
    /// What configures the instrument anew after its choices or the report mode changed.
    void setInstrumentConfigurer(std::function<void()> configure) {
        configureInstrument_ = std::move(configure);
    }
    /// Stored point i with the block values and voltages behind it.
    SamplePoint dataPoint(int i) const;
    PointSet dataPoints() const;
    PointSet snapshotPoints() const;
    /// An experiment's points become the data (none: the data is emptied); recorded ones go
    /// back to their sweep places, so that a changed definition evaluates them again.
    void restoreData(const std::optional<PointSet>& points);
    void restoreSnapshot(const std::optional<PointSet>& points, bool recorded);
    /// A run's points become the data (StorePoints' restoreRun); its definitions come into
    /// force as a loaded text's do: a definition line other than the one in force is applied
    /// first, one that does not compile is refused and leaves the points as they are. Its
    /// quantities come into force with the constants it kept (Quantities::adopt).
    AppliedDefinitions restoreRun(const Run& run);
    /// Stored points kept for undo take the place of the data.
    void restoreStored(const acquisition::StoredData& data);
    /// An experiment's trigger level, pre-trigger and time origin (each limited to what the
    /// settings allow; without an origin, the pre-trigger's), and the time axis they give.
    void restoreTiming(std::optional<qint64> level, std::optional<qint64> preTrigger,
                       std::optional<double> timeOrigin);

Q_SIGNALS:
    void pointsChanged();
    /// The block means or the sweep the mean strip shows.
    void meansChanged();
    void axesChanged();
    void definitionChanged(signals::SignalChannel channel);
    void settingsChanged();
    /// The current points were kept as a run (the journal's runs changed).
    void runsChanged();
    /// The quantities' definitions, or which of them fail for the data, changed.
    void quantitiesChanged();
    void notesChanged();

private:
    // The settings as the pipeline takes them, with the definitions in force; after the call
    // the armed state it changed is taken back.
    acquisition::TriggerSettings pipelineControls() const;
    void takeArmed(const acquisition::TriggerSettings& controls);
    void useConfiguration(const acquisition::InstrumentConfiguration& c, std::int32_t deviceMode);
    // replacing: the run the points take the place of.
    Kept keep(KeepKind kind, std::optional<qint64> replacing = {});
    // The current points now are other ones (or none): what was kept of them no longer counts.
    void newPoints(SweepMode mode);
    // Each line given, applied to its channel; a refused one is noted, not thrown.
    AppliedDefinitions applyDefinitions(const std::optional<QString>& lineA,
                                        const std::optional<QString>& lineB, bool reevaluate);

    // Large (the raw rings alone are over a megabyte): on the heap, first, for the pipeline.
    std::unique_ptr<acquisition::MeasurementStore> store_;
    signals::TParser parserA_, parserB_;
    acquisition::SamplePipeline pipeline_;
    acquisition::TriggerSettings trigger_;
    ViewSettings view_;
    acquisition::HardwareChoice hardware_;
    Quantities quantities_;
    std::vector<QuantityFailure> quantityFailures_;
    // The definitions and constants an undoable change replaced.
    std::optional<std::pair<std::vector<QuantityDefinition>, QStringList>> undoQuantities_;
    PlotNotes notes_;
    std::optional<PlotNotes> undoNotes_; // the notes an undoable change replaced
    // The data's and the snapshot's quantities anew, after their points changed.
    void computeQuantities();
    void noteQuantityFailures(std::vector<QuantityFailure> failures);
    void keepForUndo(UndoStep step);
    LoadOutcome takeRead(Replacement what, UndoStep step, bool snapshot, const ReadPoints& read,
                         std::optional<ShownRanges> shown);
    // The pipeline's sweeps for the journal: noted only (a report allocates nothing), handed
    // over on the tick.
    void noteForJournal(const acquisition::PipelineEvents& events);
    qint64 journalMark() const;
    std::function<void()> configureInstrument_;
    SystemClock clock_;
    std::unique_ptr<Journal> journal_;
    int journalSeen_ = -1;            // stored points handed to the journal; -1: none recorded
    bool journalTriggered_ = false;   // a sweep began since the last hand-off
    bool journalSweepEnded_ = false;  // a sweep ended since the last hand-off
    qint64 journalChanges_ = 0;       // counts what reached the journal
    qint64 journalSavedAt_ = -1;      // journalChanges_ when the experiment was last saved
    std::optional<std::size_t> savedFingerprint_;
    bool journalProgress_ = false;
    int journalProgressFed_ = 0;
    std::unique_ptr<acquisition::StoredData> undoData_;
    UndoStep undoStep_ = UndoStep::DeleteData;
    std::optional<ShownRanges> undoShown_;
    // What the current points are: the mode they were recorded in, when they began, and the
    // fingerprint they had when they were kept (none: not kept). While an experiment is
    // applied nothing is kept: what it replaces was kept (or not) once, before.
    SweepMode dataMode_ = SweepMode::Auto;
    qint64 dataSince_ = 0;
    std::optional<std::size_t> keptFingerprint_;
    qint64 enteredRun_ = 0; // the run that keeps the table the user typed last
    bool holdKeeping_ = false;
    acquisition::InstrumentConfiguration confirmed_;
    std::int32_t confirmedMode_ = acquisition::DefaultIntervalMs;
};

} // namespace kurvimat::session
