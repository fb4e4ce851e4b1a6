#include "Session.h"

#include "Journal.h"
#include "Numbers.h"
#include "StorePoints.h"
#include "TimeAxis.h"

#include <QByteArrayView>
#include <QHash>
#include <QScopeGuard>

#include <algorithm>
#include <cmath>
#include <utility>

using kurvimat::acquisition::ChangePointCount;
using kurvimat::acquisition::CopyStoredData;
using kurvimat::acquisition::DeviceModeForInterval;
using kurvimat::acquisition::HardwareChoice;
using kurvimat::acquisition::InputRange;
using kurvimat::acquisition::InstrumentConfiguration;
using kurvimat::acquisition::IntervalChoicesMs;
using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PipelineEvents;
using kurvimat::acquisition::PointCapacity;
using kurvimat::acquisition::RebuildMeanHistory;
using kurvimat::acquisition::RebuildTimeAxis;
using kurvimat::acquisition::RestoreStoredData;
using kurvimat::acquisition::StoredData;
using kurvimat::acquisition::StoredPoints;
using kurvimat::acquisition::TriggerMode;
using kurvimat::acquisition::TriggerSettings;
using kurvimat::signals::Calibration;
using kurvimat::signals::ColumnOrigin;
using kurvimat::signals::CompileFormula;
using kurvimat::signals::DefinitionParts;
using kurvimat::signals::EvalFailure;
using kurvimat::signals::FormatValue;
using kurvimat::signals::HeaderField;
using kurvimat::signals::IsDefinitionLine;
using kurvimat::signals::MaxQuantityColumns;
using kurvimat::signals::OrderRange;
using kurvimat::signals::ParserExpression;
using kurvimat::signals::QuantityColumn;
using kurvimat::signals::ReadHeaderField;
using kurvimat::signals::RecordedPoints;
using kurvimat::signals::ReevaluatePoints;
using kurvimat::signals::ResolveRange;
using kurvimat::signals::SignalChannel;
using kurvimat::signals::SplitDefinition;
using kurvimat::signals::TParser;

namespace kurvimat::session {

Session::Session(QObject* parent)
    : QObject(parent), store_(std::make_unique<MeasurementStore>()),
      pipeline_(*store_, parserA_, parserB_) {
    parserA_.SetVariable("U", 0);
    parserB_.SetVariable("U", 0);
    dataSince_ = clock_.wallMs();
    // A new sweep over stored points replaces them: kept first as the policy says.
    pipeline_.BeforeSweep = [this](TriggerMode mode) {
        keepBeforeReplacing(Replacement::NextSweep);
        newPoints(mode == TriggerMode::Dauer    ? SweepMode::Dauer
                  : mode == TriggerMode::Normal ? SweepMode::Normal
                  : mode == TriggerMode::Einzel ? SweepMode::Einzel
                                                : SweepMode::Auto);
    };
}

Session::~Session() = default;

void Session::setHeld(bool held) {
    if (trigger_.hold == held) return;
    trigger_.hold = held;
    emit settingsChanged();
}

void Session::setTriggerChannelA(bool channelA) {
    if (trigger_.channelA == channelA) return;
    trigger_.channelA = channelA;
    emit settingsChanged();
}

void Session::setTriggerRising(bool rising) {
    if (trigger_.rising == rising) return;
    trigger_.rising = rising;
    emit settingsChanged();
}

void Session::setAutoSnapshot(bool on) {
    if (trigger_.autoSnapshot == on) return;
    trigger_.autoSnapshot = on;
    emit settingsChanged();
}

void Session::setTriggerMode(TriggerMode mode) {
    // The last sweep of the mode left may be worth keeping; the next sweep replaces it.
    if (mode != trigger_.mode) keepBeforeReplacing(Replacement::ModeChange);
    trigger_.mode = mode;
    pipeline_.TriggerModeChanged(trigger_);
    emit settingsChanged();
}

void Session::setArmed(bool resetEnabled) {
    trigger_.resetEnabled = resetEnabled;
    emit settingsChanged();
}

void Session::setHardware(const HardwareChoice& choice) {
    hardware_ = choice;
    emit settingsChanged();
}

void Session::setView(const ViewSettings& view) {
    if (view_ == view) return;
    view_ = view;
    store_->RightAxisChoice = view.rightAxis;
    emit settingsChanged();
}

Calibration Session::calibration() const {
    const MeasurementStore& s = *store_;
    return {s.UminA, s.UmaxA, s.UminB, s.UmaxB};
}

bool Session::setIntervalMs(int intervalMs) {
    MeasurementStore& s = *store_;
    s.IntervalMs = intervalMs;
    const int mode = DeviceModeForInterval(intervalMs);
    const bool modeChanged = mode != s.DeviceMode;
    s.DeviceMode = mode;
    emit settingsChanged();
    return modeChanged;
}

IntervalChange Session::changeInterval(int intervalMs, const std::optional<QString>& lineA,
                                       const std::optional<QString>& lineB) {
    keepBeforeReplacing(Replacement::SettingsChange);
    IntervalChange change;
    change.reportModeChanged = setIntervalMs(intervalMs);
    if (change.reportModeChanged && configureInstrument_) configureInstrument_();
    rebuildMeanHistory();
    setPointCount(store_->PointCount);
    // The ranges are resolved again under the calibration the new report mode brings.
    change.applied = applyDefinitions(lineA.value_or(store_->AppliedDefA),
                                      lineB.value_or(store_->AppliedDefB), true);
    rebuildTimeAxis();
    return change;
}

AppliedDefinitions Session::applyDefinitions(const std::optional<QString>& lineA,
                                             const std::optional<QString>& lineB,
                                             bool reevaluate) {
    AppliedDefinitions applied;
    const std::optional<QString> lines[] = {lineA, lineB};
    for (const std::size_t i : {0u, 1u}) {
        if (!lines[i]) continue;
        try {
            applied.definitions[i] = applyDefinition(i == 0 ? SignalChannel::A : SignalChannel::B,
                                                     *lines[i], reevaluate);
        } catch (const std::exception&) {
            // The channel keeps the definition in force; the window says why.
            applied.refused[i] = std::current_exception();
        }
    }
    return applied;
}

void Session::setPointCount(int pointCount) {
    ChangePointCount(*store_, pointCount);
    emit settingsChanged();
}

void Session::rebuildMeanHistory() {
    RebuildMeanHistory(*store_);
    emit meansChanged();
}

void Session::rebuildTimeAxis() {
    RebuildTimeAxis(*store_);
    emit meansChanged();
    emit axesChanged();
    emit pointsChanged();
}

TriggerSettings Session::pipelineControls() const {
    TriggerSettings c = trigger_;
    // The lines in force, not a typed or rejected one the window still shows.
    c.definitionA = store_->AppliedDefA;
    c.definitionB = store_->AppliedDefB;
    return c;
}

void Session::takeArmed(const TriggerSettings& controls) {
    if (trigger_.resetEnabled == controls.resetEnabled) return;
    trigger_.resetEnabled = controls.resetEnabled;
    emit settingsChanged();
}

AppliedDefinition Session::applyDefinition(SignalChannel channel, const QString& line,
                                           bool reevaluate) {
    MeasurementStore& s = *store_;
    const bool isA = channel == SignalChannel::A;
    TParser& p = parser(channel);
    AppliedDefinition result;
    result.parts = SplitDefinition(line);
    const DefinitionParts& parts = result.parts;
    CompileFormula(p, ParserExpression(parts.formula));

    (isA ? s.NameA : s.NameB) = parts.name;
    (isA ? s.UnitA : s.UnitB) = parts.unit;
    (isA ? s.FormulaA : s.FormulaB) = parts.formula;
    (isA ? s.AppliedDefA : s.AppliedDefB) = line;
    (isA ? s.DefAppliedA : s.DefAppliedB) = true;
    result.range = ResolveRange(p, channel, calibration(), parts.minText, parts.maxText);
    float& defMin = isA ? s.DefMinA : s.DefMinB;
    float& defMax = isA ? s.DefMaxA : s.DefMaxB;
    // A formula without a value anywhere keeps the scale it had: its probed ends mean nothing.
    if (result.range.noValue != EvalFailure::None) {
        if (parts.minText.isEmpty()) result.range.min = defMin;
        if (parts.maxText.isEmpty()) result.range.max = defMax;
        OrderRange(result.range.min, result.range.max);
        if (parts.minText.isEmpty()) result.range.minText = FormatValue(result.range.min);
        if (parts.maxText.isEmpty()) result.range.maxText = FormatValue(result.range.max);
        pipeline_.NoteNoValue(isA, result.range.noValue, result.events);
    }
    defMin = result.range.min;
    defMax = result.range.max;
    OrderRange(defMin, defMax);

    bool divByZero = result.range.divByZero;
    // Loaded points have no raw values behind them: they keep their values.
    const bool reevaluated = reevaluate && !s.Data.Loaded;
    if (reevaluated) {
        const int first = std::clamp(s.SweepFirst, 0, PointCapacity);
        const auto sweep = [first](const float* values) {
            return std::span<const float>(values + first, PointCapacity - first);
        };
        const RecordedPoints points{std::span<const float>(s.Data.T, PointCapacity),
                                  sweep(s.SweepRawA),
                                  sweep(s.SweepRawB),
                                  sweep(s.SweepVoltsA),
                                  sweep(s.SweepVoltsB),
                                  s.Data.Count,
                                  s.TimeOrigin,
                                  s.PointTime};
        EvalFailure noValue = EvalFailure::None;
        divByZero = ReevaluatePoints(p, channel, points,
                                     std::span<float>(isA ? s.Data.A : s.Data.B, PointCapacity),
                                     isA ? s.Data.MinA : s.Data.MinB,
                                     isA ? s.Data.MaxA : s.Data.MaxB, s.Data.MinT, s.Data.MaxT,
                                     &noValue) ||
                    divByZero;
        (isA ? s.Data.NoValueA : s.Data.NoValueB) = noValue != EvalFailure::None;
        pipeline_.NoteNoValue(isA, noValue, result.events);
        // The stored values are now this definition's.
        (isA ? s.Data.DefA : s.Data.DefB) = line;
        computeQuantities();
    }
    if (result.events.noValueA != EvalFailure::None || result.events.noValueB != EvalFailure::None) {
        // Said as a formula without any value; its divisions by zero need no word of their own.
        PipelineEvents said;
        pipeline_.NoteDivByZero(isA, said);
    } else if (divByZero) {
        pipeline_.NoteDivByZero(isA, result.events);
    }
    emit definitionChanged(channel);
    emit axesChanged();
    emit pointsChanged();
    return result;
}

LoadedNames Session::namesOfLoaded(bool header, bool hasB, const QString& fieldA,
                                   const QString& fieldB) const {
    LoadedNames out;
    const auto name = [header](const QString& field, const QString& inForce, bool& apply) {
        const HeaderField kind = header ? ReadHeaderField(field) : HeaderField::Nothing;
        apply = kind == HeaderField::Definition;
        return kind == HeaderField::Nothing ? inForce : field;
    };
    out.definitionA = name(fieldA, store_->AppliedDefA, out.applyA);
    // A text without B holds no B values.
    if (hasB) out.definitionB = name(fieldB, store_->AppliedDefB, out.applyB);
    return out;
}

void Session::storeLoaded(bool snapshot, const LoadedPoints& m) {
    MeasurementStore& s = *store_;
    const std::size_t n = std::min({m.t.size(), m.a.size(), m.b.size(), std::size_t(PointCapacity)});
    const PointSet set = PointSet::loaded(m.hasB, m.definitionA, m.definitionB, m.t.first(n),
                                          m.a.first(n), m.b.first(n), m.further);
    StoredPoints& p = snapshot ? s.Snap : s.Data;
    std::copy_n(set.times().begin(), n, p.T);
    std::copy_n(set.valuesA().begin(), n, p.A);
    std::copy_n(set.valuesB().begin(), n, p.B);
    putExact(p, set);
    p.DefA = m.definitionA;
    p.DefB = m.definitionB;
    p.Count = int(n);
    p.Loaded = true;
    p.HasB = m.hasB;
    p.NoValueA = p.NoValueB = false;
    const Extents& e = set.extents();
    p.MinA = e.minA, p.MaxA = e.maxA, p.MinB = e.minB, p.MaxB = e.maxB;
    p.MinT = e.minT, p.MaxT = e.maxT;
    if (!snapshot) s.SweepFirst = 0;
    s.TriggerPos = -1;
    s.SinceArmed = 0;
    computeQuantities();
    emit pointsChanged();
    if (!snapshot) emit axesChanged();
}

LoadOutcome Session::takeLoaded(LoadSource source, bool snapshot, const ReadPoints& read,
                                std::optional<ShownRanges> shown) {
    const bool pasted = source == LoadSource::Clipboard;
    return takeRead(pasted ? Replacement::Paste : Replacement::Load,
                    pasted ? UndoStep::PasteData : UndoStep::LoadData, snapshot, read, shown);
}

LoadOutcome Session::takeRead(Replacement what, UndoStep step, bool snapshot,
                              const ReadPoints& read, std::optional<ShownRanges> shown) {
    LoadedPoints points = read.points;
    if (!read.table) return {LoadRefusal::NoTable, {}};
    if (points.t.empty()) return {LoadRefusal::NoPoints, {}};
    if (!snapshot) {
        keepBeforeReplacing(what);
        keepForUndo(step);
        // Undo puts back the definitions in force, which the load may replace.
        undoData_->InForceA = store_->AppliedDefA;
        undoData_->InForceB = store_->AppliedDefB;
        // And the axes, which the load widens to take its points in.
        undoShown_ = shown;
    }
    const LoadedNames names =
        namesOfLoaded(read.header, points.hasB, points.definitionA, points.definitionB);
    points.definitionA = names.definitionA;
    points.definitionB = names.definitionB;
    storeLoaded(snapshot, points);
    return {std::nullopt, names};
}

LoadOutcome Session::takeEntered(std::vector<QuantityColumn> columns, bool edit,
                                 std::optional<ShownRanges> shown) {
    if (columns.empty() || columns.size() > std::size_t(MaxQuantityColumns) + 2)
        return {LoadRefusal::NoTable, {}};
    const std::size_t rows = columns[0].values.size();
    const bool hasB = columns.size() > 1;
    for (std::size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].values.size() != rows) return {LoadRefusal::NoTable, {}};
        // A header field with a colon would read back as a definition line.
        if (columns[c].header.contains(u':')) return {LoadRefusal::NoTable, {}};
        if (c < 2 && std::any_of(columns[c].values.begin(), columns[c].values.end(),
                                 [](double v) { return !std::isfinite(v); }))
            return {LoadRefusal::NoPoints, {}};
    }
    if (rows == 0 || rows > std::size_t(PointCapacity)) return {LoadRefusal::NoPoints, {}};
    edit = edit && dataEntered();
    // The run of the version edited gives its place to the edit (the journal keeps one).
    std::optional<qint64> previous;
    if (edit && journal_ && enteredRun_ != 0)
        if (const Run* run = journal_->runs().findEqual(dataPoints());
            run && run->id == enteredRun_)
            previous = run->id;

    std::vector<double> t(rows);
    for (std::size_t i = 0; i < rows; ++i)
        t[i] = double(i + 1);
    const std::vector<double> none(hasB ? 0 : rows, 0.0);
    for (QuantityColumn& c : columns)
        c.origin = ColumnOrigin::Entered;
    const std::span<const QuantityColumn> further =
        std::span<const QuantityColumn>(columns).subspan(std::min<std::size_t>(columns.size(), 2));
    // Named by the headers as a read text's labels name its points: no definition comes into
    // force (a colon, which would make one, is refused above).
    const ReadPoints read{true, true,
                          LoadedPoints{t, columns[0].values, hasB ? columns[1].values : none, hasB,
                                       columns[0].header, hasB ? columns[1].header : QString(),
                                       further}};
    const LoadOutcome taken =
        takeRead(edit ? Replacement::EditValues : Replacement::Load,
                 edit ? UndoStep::EditValues : UndoStep::EnterValues, false, read, shown);
    if (journal_) enteredRun_ = keep(KeepKind::User, previous).id;
    return taken;
}

bool Session::dataEntered() const {
    const acquisition::StoredPoints& p = store_->Data;
    if (p.Count <= 0 || !p.Exact()) return false;
    for (std::size_t i = 0; i < p.ExactT.size(); ++i)
        if (p.ExactT[i] != double(i + 1)) return false;
    return true;
}

std::vector<QuantityColumn> Session::enteredColumns() const {
    if (!dataEntered()) return {};
    const PointSet data = dataPoints();
    std::vector<QuantityColumn> out;
    const auto channel = [&out](const QString& header, const std::vector<double>& values) {
        QuantityColumn c = QuantityColumn::named(header, ColumnOrigin::Entered);
        c.values = values;
        out.push_back(std::move(c));
    };
    channel(data.definitionA(), data.exactValuesA());
    if (data.hasB()) channel(data.definitionB(), data.exactValuesB());
    for (const QuantityColumn& c : data.columns())
        if (c.origin != ColumnOrigin::Calculated) {
            out.push_back(c);
            out.back().origin = ColumnOrigin::Entered; // also a pasted copy's read columns
        }
    return out;
}

void Session::keepForUndo(UndoStep step) {
    undoData_ = std::make_unique<StoredData>(CopyStoredData(*store_));
    undoQuantities_.reset();
    undoNotes_.reset();
    undoStep_ = step;
    undoShown_.reset();
}

void Session::deleteData() {
    keepBeforeReplacing(Replacement::DeleteData);
    if (store_->Data.Count > 0) keepForUndo(UndoStep::DeleteData);
    emptyData();
}

std::optional<UndoStep> Session::undoStep() const {
    if (undoNotes_) return UndoStep::ChangeNotes;
    if (undoQuantities_) return UndoStep::ChangeQuantities;
    if (!undoData_) return std::nullopt;
    return undoStep_;
}

std::optional<Undone> Session::undo() {
    if (undoNotes_) {
        notes_ = *std::exchange(undoNotes_, std::nullopt);
        emit notesChanged();
        return Undone{};
    }
    if (undoQuantities_) {
        auto [definitions, constants] = *std::exchange(undoQuantities_, std::nullopt);
        // They held before; a column they used may have gone since, which check names.
        if (quantities_.set(std::move(definitions), std::move(constants),
                            Quantities::columnNames(store_->Data)))
            quantities_.set({}, quantities_.constants());
        computeQuantities();
        emit quantitiesChanged();
        emit pointsChanged();
        return Undone{};
    }
    if (!undoData_) return std::nullopt;
    const std::unique_ptr<StoredData> data = std::move(undoData_);
    restoreStored(*data);
    return Undone{data->InForceA, data->InForceB, std::exchange(undoShown_, std::nullopt)};
}

void Session::emptyData() {
    store_->Data.Count = 0;
    store_->Data.DropExact(); // the numbers as read and the columns of points no longer there
    store_->TriggerPos = -1;
    computeQuantities();
    emit pointsChanged();
}

void Session::takeSnapshot() {
    pipeline_.TakeSnapshot();
    computeQuantities();
    emit pointsChanged();
}

void Session::deleteSnapshot() {
    pipeline_.DeleteSnapshot();
    emit pointsChanged();
}

PipelineEvents Session::feedReport(const std::uint8_t* data, int size) {
    TriggerSettings controls = pipelineControls();
    const PipelineEvents events = pipeline_.DecodeReport(data, size, controls);
    takeArmed(controls);
    noteForJournal(events);
    return events;
}

PipelineEvents Session::triggerSweep() {
    TriggerSettings controls = pipelineControls();
    const PipelineEvents events = pipeline_.TriggerSweep(controls);
    takeArmed(controls);
    noteForJournal(events);
    return events;
}

void Session::resetTrigger() {
    keepBeforeReplacing(Replacement::Reset);
    TriggerSettings controls = pipelineControls();
    pipeline_.ResetTrigger(controls);
    takeArmed(controls);
}

Settings Session::keptSettings() const {
    namespace key = setting;
    const MeasurementStore& st = *store_;
    Settings s;
    s[key::IntervalMs] = qint64(st.IntervalMs);
    s[key::PointCount] = qint64(st.PointCount);
    s[key::TriggerMode] = qint64(trigger_.mode);
    s[key::TriggerChannel] = trigger_.channelA ? QStringLiteral("A") : QStringLiteral("B");
    s[key::TriggerRising] = trigger_.rising;
    s[key::TriggerLevel] = qint64(st.TriggerLevel);
    s[key::PreTrigger] = qint64(st.PreTrigger);
    s[key::TriggerHeld] = trigger_.resetEnabled; // in "einzel": the points wait for "Trigger"
    s[key::TimeOrigin] = double(st.TimeOrigin);
    s[key::AutoSnapshot] = trigger_.autoSnapshot;
    s[key::SnapshotRecorded] = st.Snap.Count > 0 && !st.Snap.Loaded;
    s[key::TimeInMinutes] = view_.minutes;
    s[key::ShowA] = view_.showA;
    s[key::ShowB] = view_.showB;
    if (!view_.rightAxis.isEmpty()) s[key::RightAxis] = view_.rightAxis;
    if (!quantities_.empty()) s[key::Quantities] = quantities_.definitionsText();
    if (!quantities_.constants().isEmpty())
        s[key::QuantityConstants] = quantities_.constants().join(u'\n');
    if (!notes_.empty()) s[key::Notes] = notesText(notes_);
    // The time plot's mode; a mode of its own points is chosen anew.
    s[key::XyMode] = qint64(analysis::TimePlotMode(view_.mode));
    if (view_.mode == analysis::PlotMode::Quantities)
        s[key::QuantityAxes] =
            (QStringList{view_.axisX, view_.axisLeft, view_.axisRight} + view_.axisMore).join(u'\t');
    return s;
}

Experiment Session::experiment() const {
    const MeasurementStore& st = *store_;
    Experiment e;
    if (st.Data.Count > 0) e.data = dataPoints();
    if (st.Snap.Count > 0) e.snapshot = snapshotPoints();
    e.definitionA = st.AppliedDefA;
    e.definitionB = st.AppliedDefB;
    e.settings = keptSettings();
    if (journal_) e.runs = journal_->runs().userRuns();
    return e;
}

std::size_t Session::fingerprint(const Settings& display) const {
    const MeasurementStore& st = *store_;
    // Points as the file keeps them: the ones in the store; runs by what can change of them
    // (a kept run's points never do).
    std::size_t h = pointsFingerprint(
        st.Snap, pointsFingerprint(st.Data, qHashMulti(0, st.Data.Count > 0, st.Snap.Count > 0)));
    h = qHashMulti(h, st.AppliedDefA, st.AppliedDefB);
    if (journal_)
        for (const Run& r : journal_->runs().runs())
            if (!r.automatic) h = qHashMulti(h, r.id, r.name, r.points.size());
    Settings s = keptSettings();
    for (const auto& [key, value] : display)
        s[key] = value;
    for (const auto& [key, value] : s) {
        h = qHashMulti(h, key, value.index());
        h = std::visit([h](const auto& v) { return qHash(v, h); }, value);
    }
    return h;
}

AppliedExperiment Session::applyExperiment(const Experiment& e) {
    namespace key = setting;
    const Settings& s = e.settings;
    MeasurementStore& st = *store_;
    // The points the file replaces are kept as any load's are; with the session's runs they
    // go to the Papierkorb below. What applying it changes keeps nothing.
    keepBeforeReplacing(Replacement::Load);
    holdKeeping_ = true;
    const auto release = qScopeGuard([this] { holdKeeping_ = false; });

    // The instrument first: ranges decide the calibration the definitions resolve under.
    HardwareChoice h = hardware_;
    const auto range = [&s](const char* name, InputRange& r) {
        if (const auto v = settingAs<qint64>(s, name))
            r = *v == qint64(InputRange::High) ? InputRange::High
                : *v == qint64(InputRange::Mid) ? InputRange::Mid
                                                : InputRange::Low;
    };
    range(key::InputRangeA, h.A);
    range(key::InputRangeB, h.B);
    h.ADiff = settingAs<bool>(s, key::Differential).value_or(h.ADiff);
    h.BOff = !settingAs<bool>(s, key::ChannelBOn).value_or(!h.BOff);
    h.PullUpA = settingAs<bool>(s, key::PullUpA).value_or(h.PullUpA);
    h.PullUpB = settingAs<bool>(s, key::PullUpB).value_or(h.PullUpB);
    setHardware(h);
    if (configureInstrument_) configureInstrument_();

    // Timing, as the user could have chosen it; the point count follows a new interval.
    const auto interval = settingAs<qint64>(s, key::IntervalMs);
    const bool intervalChanged =
        interval && *interval != st.IntervalMs &&
        std::find(IntervalChoicesMs.begin(), IntervalChoicesMs.end(), *interval) !=
            IntervalChoicesMs.end();
    const auto count = settingAs<qint64>(s, key::PointCount);
    const bool countChosen =
        count && std::find(PointCountChoices.begin(), PointCountChoices.end(), *count) !=
                     PointCountChoices.end();
    if (intervalChanged) {
        if (setIntervalMs(int(*interval)) && configureInstrument_) configureInstrument_();
        rebuildMeanHistory();
    }
    if (intervalChanged || (countChosen && *count != st.PointCount)) {
        setPointCount(countChosen ? int(*count) : st.PointCount);
        rebuildTimeAxis();
    }

    if (const auto mode = settingAs<qint64>(s, key::TriggerMode)) {
        const auto wanted = acquisition::TriggerMode(std::clamp<qint64>(*mode, 0, 3));
        if (wanted != trigger_.mode) setTriggerMode(wanted);
    }
    if (const auto channel = settingAs<QString>(s, key::TriggerChannel))
        setTriggerChannelA(*channel != QLatin1String("B"));
    if (const auto rising = settingAs<bool>(s, key::TriggerRising)) setTriggerRising(*rising);
    if (const auto snap = settingAs<bool>(s, key::AutoSnapshot)) setAutoSnapshot(*snap);
    restoreTiming(settingAs<qint64>(s, key::TriggerLevel), settingAs<qint64>(s, key::PreTrigger),
                  settingAs<double>(s, key::TimeOrigin));

    // The definitions in force, then the points as they were kept.
    AppliedExperiment applied;
    static_cast<AppliedDefinitions&>(applied) = applyDefinitions(e.definitionA, e.definitionB, false);
    if (const auto cursors = settingAs<QString>(s, key::Cursors))
        applied.cursors = CursorSettings::read(*cursors);
    // The quantities before the points, which compute them: the file's, or those its data
    // carry (a file written before it kept them). A file's that do not hold are none.
    {
        const std::vector<QuantityColumn> none;
        const std::vector<QuantityColumn>& columns = e.data ? e.data->columns() : none;
        const auto text = settingAs<QString>(s, key::Quantities);
        std::vector<QuantityDefinition> definitions =
            text ? Quantities::readDefinitions(*text).value_or(std::vector<QuantityDefinition>{})
                 : calculatedDefinitions(columns);
        const QString constants = settingAs<QString>(s, key::QuantityConstants).value_or(QString());
        if (quantities_.set(std::move(definitions),
                            constants.isEmpty() ? QStringList() : constants.split(u'\n'),
                            Quantities::columnNames(columns)))
            quantities_.set({}, {});
        emit quantitiesChanged();
    }
    restoreData(e.data);
    restoreSnapshot(e.snapshot, settingAs<bool>(s, key::SnapshotRecorded).value_or(false));
    // Points from a file are no recording; a sweep begun before is gone with them.
    journalSeen_ = -1;
    journalTriggered_ = journalSweepEnded_ = false;

    ViewSettings v = view_;
    v.showA = settingAs<bool>(s, key::ShowA).value_or(v.showA);
    v.showB = settingAs<bool>(s, key::ShowB).value_or(v.showB);
    v.minutes = settingAs<bool>(s, key::TimeInMinutes).value_or(v.minutes);
    v.rightAxis = settingAs<QString>(s, key::RightAxis).value_or(QString()).left(1000);
    if (const auto xy = settingAs<qint64>(s, key::XyMode)) {
        using analysis::PlotMode;
        // An XY mode replaces a mode of its own points; the time leaves one chosen.
        const PlotMode time = *xy == qint64(PlotMode::BAsX)   ? PlotMode::BAsX
                              : *xy == qint64(PlotMode::AAsX) ? PlotMode::AAsX
                                                              : PlotMode::Normal;
        if (time != PlotMode::Normal || !analysis::OwnPoints(v.mode)) v.mode = time;
    }
    // A text of the file's: headers, never evaluated; a key the points lack shows nothing.
    if (const auto axes = settingAs<QString>(s, key::QuantityAxes)) {
        const int most = 3 + signals::MaxQuantityColumns;
        const QStringList keys =
            axes->left(most * (signals::MaxColumnHeaderLength + 1)).split(u'\t').mid(0, most);
        if (keys.size() >= 3 && !keys[0].isEmpty() && !keys[1].isEmpty()) {
            v.axisX = keys[0], v.axisLeft = keys[1], v.axisRight = keys[2];
            v.axisMore = keys.mid(3);
            v.axisMore.removeAll(QString());
            v.mode = analysis::PlotMode::Quantities;
        }
    }
    setView(v);
    // A file without notes shows none: they belong to the report it is.
    undoNotes_.reset();
    notes_ = readNotes(settingAs<QString>(s, key::Notes).value_or(QString()));
    emit notesChanged();
    // Held in "einzel", the opened points stay until the user triggers.
    if (const auto held = settingAs<bool>(s, key::TriggerHeld)) setArmed(*held);

    // The file's runs begin a journal of their own; the session's go to the Papierkorb.
    if (journal_) {
        journal_->startOver(true);
        for (Run run : e.runs) {
            run.id = 0;
            journal_->addRun(std::move(run));
        }
        ++journalChanges_;
    }
    // The file's points are no run of the new journal.
    keptFingerprint_.reset();
    return applied;
}

QString CursorSettings::text() const {
    QStringList parts;
    for (const double v : {double(verticalOn), double(horizontalOn), x[0], x[1], y[0], y[1],
                           double(valueAxisB), double(mode), double(active)})
        parts << QString::number(v, 'g', 17);
    return parts.join(QLatin1Char(';'));
}

std::optional<CursorSettings> CursorSettings::read(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(';'));
    if (parts.size() != 9) return std::nullopt;
    std::array<double, 9> v{};
    for (std::size_t i = 0; i < v.size(); ++i) {
        bool ok = false;
        v[i] = parts[qsizetype(i)].toDouble(&ok);
        // A cursor at no place would be drawn nowhere and dragged never.
        if (!ok || !std::isfinite(v[i])) return std::nullopt;
    }
    CursorSettings c;
    c.verticalOn = v[0] != 0;
    c.horizontalOn = v[1] != 0;
    c.x = {v[2], v[3]};
    c.y = {v[4], v[5]};
    c.valueAxisB = v[6] != 0;
    c.mode = int(std::clamp(v[7], 0.0, 2.0));
    c.active = int(std::clamp(v[8], 0.0, 3.0));
    return c;
}

PipelineEvents AppliedDefinitions::events() const {
    PipelineEvents met;
    if (const auto& a = definitions[0]) {
        met.divByZeroA = a->events.divByZeroA;
        met.noValueA = a->events.noValueA;
    }
    if (const auto& b = definitions[1]) {
        met.divByZeroB = b->events.divByZeroB;
        met.noValueB = b->events.noValueB;
    }
    return met;
}

SamplePoint Session::dataPoint(int i) const { return currentPoint(*store_, i); }

PointSet Session::dataPoints() const { return currentPoints(*store_); }

void Session::instrumentAdopted() {
    confirmed_ = InstrumentConfiguration();
    confirmedMode_ = store_->DeviceMode;
}

std::int32_t Session::wantedDeviceMode() const {
    return DeviceModeForInterval(store_->IntervalMs);
}

void Session::instrumentConfigured(const InstrumentConfiguration& asked, bool confirmed) {
    if (!asked.Send) {
        // Nothing sent, nothing to confirm: its pull-ups and report mode stay as they were.
        InstrumentConfiguration c = asked;
        c.PullUpBits = store_->PullUpBits;
        useConfiguration(c, store_->DeviceMode);
        return;
    }
    if (confirmed) {
        confirmed_ = asked;
        confirmedMode_ = wantedDeviceMode();
    }
    useConfiguration(confirmed_, confirmedMode_);
}

void Session::useConfiguration(const InstrumentConfiguration& c, std::int32_t deviceMode) {
    MeasurementStore& s = *store_;
    s.InputCodeA = c.InputCodeA;
    s.InputCodeB = c.InputCodeB;
    s.StepTime = c.StepTime;
    s.UmaxA = c.UmaxA;
    s.UminA = c.UminA;
    s.UmaxB = c.UmaxB;
    s.UminB = c.UminB;
    s.PullUpBits = c.PullUpBits;
    s.DeviceMode = deviceMode;
    emit settingsChanged();
}

// The snapshot keeps no raw values: it is never evaluated again.
PointSet Session::snapshotPoints() const {
    const MeasurementStore& s = *store_;
    if (s.Snap.Exact()) return exactPoints(s.Snap);
    PointSet set(PointSet::Origin::Loaded, true, s.Snap.HasB, s.Snap.DefA, s.Snap.DefB);
    const int n = std::clamp(s.Snap.Count, 0, PointCapacity);
    set.reserve(n);
    for (int i = 0; i < n; ++i)
        set.append({s.Snap.T[i], s.Snap.A[i], s.Snap.B[i]});
    const auto further = s.Snap.Further();
    set.setColumns({further.begin(), further.end()});
    return set;
}

void Session::restoreData(const std::optional<PointSet>& points) {
    if (!points) {
        emptyData();
        return;
    }
    if (restorePoints(*store_, *points)) emit meansChanged();
    computeQuantities();
    emit pointsChanged();
}

void Session::restoreSnapshot(const std::optional<PointSet>& p, bool recorded) {
    MeasurementStore& s = *store_;
    const int n = p ? std::min(p->size(), PointCapacity) : 0;
    s.Snap.Count = n;
    s.Snap.Loaded = p && !recorded;
    s.Snap.HasB = !p || p->hasB();
    s.Snap.NoValueA = s.Snap.NoValueB = false;
    s.Snap.DefA = p ? p->definitionA() : QString();
    s.Snap.DefB = p ? p->definitionB() : QString();
    s.Snap.DropExact();
    if (p) {
        if (!recorded) putExact(s.Snap, *p);
        std::copy_n(p->times().begin(), n, s.Snap.T);
        std::copy_n(p->valuesA().begin(), n, s.Snap.A);
        std::copy_n(p->valuesB().begin(), n, s.Snap.B);
        const Extents& e = p->extents();
        s.Snap.MinA = e.minA, s.Snap.MaxA = e.maxA, s.Snap.MinB = e.minB, s.Snap.MaxB = e.maxB;
        s.Snap.MinT = e.minT, s.Snap.MaxT = e.maxT;
    }
    computeQuantities();
    emit pointsChanged();
}

AppliedDefinitions Session::restoreRun(const Run& run) {
    const PointSet& p = run.points;
    // The definitions first: the points then carry the run's, not an evaluation under them.
    const auto wanted = [](const QString& line, const QString& inForce) {
        return IsDefinitionLine(line) && line != inForce ? std::optional(line) : std::nullopt;
    };
    const std::optional<QString> lineA = wanted(p.definitionA(), store_->AppliedDefA);
    const std::optional<QString> lineB =
        p.hasB() ? wanted(p.definitionB(), store_->AppliedDefB) : std::nullopt;
    const AppliedDefinitions applied = applyDefinitions(lineA, lineB, false);
    // Its quantities come into force with it, with the constants they were computed with.
    const std::vector<QuantityDefinition> kept = calculatedDefinitions(p.columns());
    if (!kept.empty() &&
        quantities_.adopt(kept, run.constants, Quantities::columnNames(p.columns())))
        emit quantitiesChanged();
    if (kurvimat::session::restoreRun(*store_, run)) emit meansChanged();
    computeQuantities();
    emit pointsChanged();
    emit axesChanged();
    return applied;
}

// --- calculated quantities ---

std::optional<QuantityFault> Session::setQuantities(std::vector<QuantityDefinition> definitions,
                                                   QStringList constants, bool undoable) {
    auto before = std::pair(quantities_.definitions(), quantities_.constants());
    if (auto fault = quantities_.set(std::move(definitions), std::move(constants),
                                     Quantities::columnNames(store_->Data)))
        return fault;
    // Undo keeps one step: this change now, not the data's before it.
    if (undoable) {
        undoQuantities_ = std::move(before);
        undoNotes_.reset();
        undoData_.reset();
    }
    computeQuantities();
    emit quantitiesChanged();
    emit pointsChanged();
    return std::nullopt;
}

void Session::setNotes(PlotNotes notes, bool undoable) {
    // Held to what a file may bring, so that what is saved opens again as it was.
    notes = readNotes(notesText(notes));
    if (notes == notes_) return;
    if (undoable) {
        undoNotes_ = std::exchange(notes_, std::move(notes));
        undoQuantities_.reset();
        undoData_.reset();
    } else
        notes_ = std::move(notes);
    emit notesChanged();
}

void Session::computeQuantities() {
    // The snapshot first: update goes on from the data.
    quantities_.compute(store_->Snap, false);
    noteQuantityFailures(quantities_.compute(store_->Data));
}

void Session::updateQuantities() {
    if (quantities_.empty()) return;
    noteQuantityFailures(quantities_.update(store_->Data));
}

void Session::noteQuantityFailures(std::vector<QuantityFailure> failures) {
    const auto same = [](const QuantityFailure& x, const QuantityFailure& y) {
        return x.name == y.name && x.error.Message == y.error.Message;
    };
    if (std::equal(failures.begin(), failures.end(), quantityFailures_.begin(),
                   quantityFailures_.end(), same))
        return;
    quantityFailures_ = std::move(failures);
    emit quantitiesChanged();
}

// --- runs ---

CurrentPoints Session::currentFacts() const {
    const MeasurementStore& s = *store_;
    CurrentPoints c;
    c.points = std::clamp(s.Data.Count, 0, PointCapacity);
    c.loaded = s.Data.Loaded;
    c.completeSweep = !s.Data.Loaded && s.SweepIndex >= s.PointCount;
    c.spanSeconds = c.points > 1 ? double(s.Data.T[c.points - 1]) - double(s.Data.T[0]) : 0.0;
    c.alreadyKept = keptFingerprint_ && c.points > 0 && *keptFingerprint_ == dataFingerprint();
    c.mode = dataMode_;
    return c;
}

std::size_t Session::dataFingerprint() const { return pointsFingerprint(store_->Data); }

void Session::keepBeforeReplacing(Replacement what) {
    // A run keeps the quantities of all its points.
    updateQuantities();
    const KeepAs how = holdKeeping_ || !journal_ ? KeepAs::Nothing : keepAs(what, currentFacts());
    if (how != KeepAs::Nothing) keep(how == KeepAs::History ? KeepKind::History : KeepKind::User);
    switch (what) {
    case Replacement::SettingsChange:
    case Replacement::DeleteData:
    case Replacement::Paste:
    case Replacement::Load:
    case Replacement::EditValues:
        newPoints(dataMode_);
        break;
    default: // a reset, a mode change: the points stay until the next sweep
        break;
    }
}

void Session::newPoints(SweepMode mode) {
    dataMode_ = mode;
    dataSince_ = clock_.wallMs();
    keptFingerprint_.reset();
}

Kept Session::keep(KeepKind kind, std::optional<qint64> replacing) {
    Run run = kurvimat::session::currentRun(*store_, dataSince_);
    run.constants = Quantities::constantsUsed(quantities_.constants(),
                                              calculatedDefinitions(run.points.columns()));
    const Kept done = replacing ? journal_->replaceRun(*replacing, std::move(run))
                                : journal_->keep(std::move(run), kind);
    keptFingerprint_ = dataFingerprint();
    emit runsChanged();
    return done;
}

std::optional<Kept> Session::keepCurrent() {
    if (!journal_ || store_->Data.Count <= 0) return std::nullopt;
    return keep(KeepKind::User);
}

std::optional<AppliedDefinitions> Session::makeRunCurrent(qint64 id) {
    if (!journal_ || !journal_->runs().find(id)) return std::nullopt;
    keepBeforeReplacing(Replacement::RunRestored);
    // Looked up again: keeping the current points may have moved the list.
    const Run run = *journal_->runs().find(id);
    AppliedDefinitions applied = restoreRun(run);
    dataMode_ = SweepMode::Einzel;
    dataSince_ = run.recordedAtMs;
    keptFingerprint_ = dataFingerprint();
    return applied;
}

void Session::restoreStored(const StoredData& data) {
    RestoreStoredData(*store_, data);
    computeQuantities();
    emit pointsChanged();
    emit axesChanged();
}

void Session::restoreTiming(std::optional<qint64> level, std::optional<qint64> preTrigger,
                            std::optional<double> timeOrigin) {
    MeasurementStore& s = *store_;
    if (level) s.TriggerLevel = int(std::clamp<qint64>(*level, 0, 1023));
    if (preTrigger) s.PreTrigger = int(std::clamp<qint64>(*preTrigger, 0, s.PointCount));
    s.TimeOrigin = float(timeOrigin.value_or(-double(s.PreTrigger) * s.PointTime));
    rebuildTimeAxis();
}

} // namespace kurvimat::session
