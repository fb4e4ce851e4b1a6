#include "SessionTestSupport.h"

#include "Journal.h"
#include "ExperimentFile.h"
#include "MeasurementStore.h"
#include "Quantities.h"
#include "Recovery.h"
#include "RunPolicy.h"
#include "Session.h"
#include "SessionTables.h"
#include "StorePoints.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <memory>

using namespace kurvimat::acquisition;
using namespace kurvimat::signals;

namespace kurvimat::session::test {
namespace {

TEST(DefaultRunName, Table) {
    struct Row {
        qint64 number;
        QTime time;
        int points;
        const char* expected;
    };
    const Row rows[] = {
        {3, QTime(8, 10), 3600, "Messreihe 3, 08:10, 3600 Punkte"},
        {1, QTime(0, 0), 1, "Messreihe 1, 00:00, 1 Punkt"},
        {12, QTime(23, 59, 59), 0, "Messreihe 12, 23:59, 0 Punkte"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.expected);
        EXPECT_EQ(defaultRunName(r.number, QDateTime(QDate(2025, 12, 9), r.time), r.points),
                  QString::fromUtf8(r.expected));
    }
}

TEST(RunList, DeleteAndUndoKeepOrderAndIds) {
    RunList list;
    for (int i = 0; i < 4; ++i)
        list.add(makeRun(PointSet::Origin::Recorded, i + 1, 0));
    const auto ids = [&list] {
        std::vector<qint64> v;
        for (const session::Run& r : list.runs())
            v.push_back(r.id);
        return v;
    };
    ASSERT_EQ(ids(), (std::vector<qint64>{1, 2, 3, 4}));
    EXPECT_EQ(list.runs()[1].name.left(12), QStringLiteral("Messreihe 2,"));
    // Each step: what it does and the list after it.
    struct Step {
        const char* name;
        std::function<bool()> action;
        std::vector<qint64> after;
    };
    const Step steps[] = {
        {"delete 2", [&] { return list.remove(2); }, {1, 3, 4}},
        {"delete 1", [&] { return list.remove(1); }, {3, 4}},
        {"delete unknown", [&] { return !list.remove(9); }, {3, 4}},
        {"undo brings 1 back first", [&] { return list.undoDelete() == 1; }, {1, 3, 4}},
        {"delete 4", [&] { return list.remove(4); }, {1, 3}},
        {"undo brings 4 back", [&] { return list.undoDelete() == 4; }, {1, 3, 4}},
        {"undo brings 2 back at its place", [&] { return list.undoDelete() == 2; }, {1, 2, 3, 4}},
        {"nothing left to undo",
         [&] { return !list.undoDelete() && !list.canUndo(); },
         {1, 2, 3, 4}},
        {"a new run gets a new id", [&] { return list.add(session::Run{}) == 5; }, {1, 2, 3, 4, 5}},
        {"rename",
         [&] { return list.rename(3, "Abkühlung") && list.find(3)->name == "Abkühlung"; },
         {1, 2, 3, 4, 5}},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        EXPECT_TRUE(s.action());
        EXPECT_EQ(ids(), s.after);
    }
    EXPECT_EQ(list.find(2)->points.size(), 2); // the points came back with the run
}

TEST(PointSet, ExtentsAndOrigin) {
    struct Row {
        const char* name;
        PointSet::Origin origin;
        std::vector<SamplePoint> points;
        Extents extents;
        double span;
    };
    const Row rows[] = {
        {"one point", PointSet::Origin::Recorded, {{1, 2, 3, 4, 5, 6, 7}}, {1, 1, 2, 2, 3, 3}, 0},
        {"unordered times",
         PointSet::Origin::Loaded,
         {{5, -1, 0}, {-2, 4, 9}, {3, 0, -8}},
         {-2, 5, -1, 4, -8, 9},
         7},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PointSet set(r.origin, true, false, "a", "b");
        for (const SamplePoint& p : r.points)
            set.append(p);
        EXPECT_EQ(set.extents(), r.extents);
        EXPECT_EQ(set.spanSeconds(), r.span);
        // Loaded points have nothing behind them to be evaluated again.
        EXPECT_EQ(set.rawA().size(), r.origin == PointSet::Origin::Recorded ? r.points.size() : 0u);
        EXPECT_EQ(set.point(0).rawB, r.origin == PointSet::Origin::Recorded ? r.points[0].rawB : 0);
    }
}

TEST(PointChunks, RoundTripAndRefusals) {
    const PointSet recorded = makeSet(PointSet::Origin::Recorded, 300);
    PointSet back(PointSet::Origin::Recorded, true, true, {}, {});
    ASSERT_TRUE(decodePoints(encodePoints(recorded, 0, 120), back));
    ASSERT_TRUE(decodePoints(encodePoints(recorded, 120, 180), back));
    EXPECT_EQ(back.times(), recorded.times());
    EXPECT_EQ(back.voltsB(), recorded.voltsB());

    QByteArray nan = encodePoints(recorded, 0, 2);
    const float bad = std::numeric_limits<float>::quiet_NaN();
    std::memcpy(nan.data() + PointRecordBytes + 4, &bad, 4); // little-endian hosts only
    const PointSet full = makeSet(PointSet::Origin::Recorded, PointCapacity);
    struct Row {
        const char* name;
        QByteArray chunk;
        PointSet into;
    };
    const Row rows[] = {
        {"part of a point", encodePoints(recorded, 0, 3).chopped(1), PointSet()},
        {"a NaN value", nan, PointSet()},
        {"beyond the capacity", encodePoints(recorded, 0, 1), full},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        PointSet into = r.into;
        EXPECT_FALSE(decodePoints(r.chunk, into));
        EXPECT_EQ(into.size(), r.into.size());
    }
}

} // namespace
} // namespace kurvimat::session::test

namespace kurvimat::session::test {
namespace {

TEST(RunPolicy, WhatIsKeptBeforeItIsReplaced) {
    using R = Replacement;
    using M = SweepMode;
    // A short complete sweep recorded in the row's mode, unless the row says otherwise.
    const auto sweep = [](M mode, bool complete = true) {
        CurrentPoints c;
        c.points = 200;
        c.completeSweep = complete;
        c.spanSeconds = 1;
        c.mode = mode;
        return c;
    };
    const auto with = [](CurrentPoints c, const std::function<void(CurrentPoints&)>& change) {
        change(c);
        return c;
    };
    struct Row {
        const char* name;
        R what;
        CurrentPoints current;
        KeepAs kept;
    };
    const Row rows[] = {
        {"loaded points before the next auto sweep", R::NextSweep,
         with(sweep(M::Auto, false), [](CurrentPoints& c) { c.loaded = true; }), KeepAs::Run},
        {"pasted points before a load", R::Load,
         with(sweep(M::Dauer, false), [](CurrentPoints& c) { c.loaded = true; }), KeepAs::Run},
        {"complete einzel sweep before the next", R::NextSweep, sweep(M::Einzel), KeepAs::Run},
        {"complete normal sweep before the next", R::NextSweep, sweep(M::Normal), KeepAs::History},
        {"incomplete normal sweep before the next", R::NextSweep, sweep(M::Normal, false),
         KeepAs::Nothing},
        {"long normal sweep before the next", R::NextSweep,
         with(sweep(M::Normal), [](CurrentPoints& c) { c.spanSeconds = 61; }), KeepAs::Run},
        {"marked normal sweep before the next", R::NextSweep,
         with(sweep(M::Normal), [](CurrentPoints& c) { c.markedKeep = true; }), KeepAs::Run},
        {"complete normal sweep deleted", R::DeleteData, sweep(M::Normal), KeepAs::Run},
        {"einzel sweep abandoned by Reset", R::Reset, sweep(M::Einzel, false), KeepAs::Nothing},
        {"long einzel sweep abandoned by Reset", R::Reset,
         with(sweep(M::Einzel, false), [](CurrentPoints& c) { c.spanSeconds = 61; }), KeepAs::Run},
        {"exactly a minute is not long", R::DeleteData,
         with(sweep(M::Auto), [](CurrentPoints& c) { c.spanSeconds = KeepSpanSeconds; }),
         KeepAs::Nothing},
        {"long auto sweep before the next", R::NextSweep,
         with(sweep(M::Auto), [](CurrentPoints& c) { c.spanSeconds = 3600; }), KeepAs::Run},
        {"auto sweep replaced by the next", R::NextSweep, sweep(M::Auto), KeepAs::Nothing},
        {"dauer sweep replaced by the next", R::NextSweep, sweep(M::Dauer), KeepAs::Nothing},
        {"auto sweep deleted", R::DeleteData, sweep(M::Auto), KeepAs::Nothing},
        {"last auto sweep at a mode change", R::ModeChange, sweep(M::Auto, false), KeepAs::Run},
        {"last dauer sweep at an interval change", R::SettingsChange, sweep(M::Dauer), KeepAs::Run},
        {"incomplete normal sweep at an interval change", R::SettingsChange,
         sweep(M::Normal, false), KeepAs::Nothing},
        {"marked auto sweep", R::NextSweep,
         with(sweep(M::Auto), [](CurrentPoints& c) { c.markedKeep = true; }), KeepAs::Run},
        {"no points", R::ModeChange, with(sweep(M::Auto), [](CurrentPoints& c) { c.points = 0; }),
         KeepAs::Nothing},
        {"kept already", R::NextSweep,
         with(sweep(M::Einzel), [](CurrentPoints& c) { c.alreadyKept = true; }), KeepAs::Nothing},
        {"loaded and kept already", R::RunRestored,
         with(sweep(M::Auto), [](CurrentPoints& c) { c.loaded = c.alreadyKept = true; }),
         KeepAs::Nothing},
        {"entered values replaced by their edit", R::EditValues,
         with(sweep(M::Auto), [](CurrentPoints& c) { c.loaded = true; }), KeepAs::Nothing},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(keepAs(r.what, r.current), r.kept);
    }
}

// The store's current points as a run and back, recorded (with the block values behind them,
// from sweep point SweepFirst on) and loaded (without B).
TEST(StorePoints, RunOfTheCurrentPointsAndBack) {
    auto store = std::make_unique<MeasurementStore>();
    MeasurementStore& s = *store;
    for (const bool loaded : {false, true}) {
        SCOPED_TRACE(loaded ? "loaded" : "recorded");
        s.Data.Loaded = loaded;
        s.Data.HasB = !loaded;
        s.Data.DefA = QStringLiteral("Spannung (V): U");
        s.Data.DefB = loaded ? QString() : QStringLiteral("Weg (cm): 2*U");
        s.SweepFirst = 3;
        s.Data.Count = 5;
        s.IntervalMs = 20;
        s.PointCount = 8;
        s.PointTime = 0.02f, s.TimeOrigin = -0.06f; // stored point 0 at t = 0 is sweep point 3
        for (int i = 0; i < 8; ++i) {
            s.SweepRawA[i] = 100.0f + i, s.SweepRawB[i] = 200.0f + i;
            s.SweepVoltsA[i] = 0.5f + i, s.SweepVoltsB[i] = 1.5f + i;
        }
        for (int i = 0; i < 5; ++i)
            s.Data.T[i] = 0.02f * i, s.Data.A[i] = 3.0f - i, s.Data.B[i] = loaded ? 0.0f : 7.0f * i;
        s.Data.DropExact();
        if (loaded) // kept as read
            for (int i = 0; i < 5; ++i)
                s.Data.ExactT.push_back(s.Data.T[i]), s.Data.ExactA.push_back(s.Data.A[i]),
                    s.Data.ExactB.push_back(0);
        // Either with a quantity beside them.
        auto column = signals::QuantityColumn::named(QStringLiteral("I (mA)"));
        column.values = {1, 2, std::nan(""), 4, 5};
        s.Data.Columns = {column};
        const session::Run run = currentRun(s, 1234);
        EXPECT_EQ(run.points.columns(), s.Data.Columns);
        EXPECT_EQ(run.intervalMs, 20);
        EXPECT_EQ(run.pointCount, 8);
        EXPECT_EQ(run.recordedAtMs, 1234);
        ASSERT_EQ(run.points.size(), 5);
        EXPECT_EQ(run.points.recorded(), !loaded);
        EXPECT_EQ(run.points.hasB(), !loaded);
        EXPECT_EQ(run.points.definitionB(), s.Data.DefB);
        const SamplePoint p = run.points.point(2);
        EXPECT_EQ(p.t, s.Data.T[2]);
        EXPECT_EQ(p.a, 1.0f);
        // Stored point 2 is sweep point 5.
        EXPECT_EQ(p.rawA, loaded ? 0.0f : 105.0f);
        EXPECT_EQ(p.voltsB, loaded ? 0.0f : 6.5f);
        EXPECT_EQ(run.points.extents().maxA, 3.0f);

        const std::size_t key = pointsFingerprint(s.Data);
        auto other = std::make_unique<MeasurementStore>();
        other->PointTime = s.PointTime, other->TimeOrigin = s.TimeOrigin;
        restoreRun(*other, run);
        // Back at their place in the sweep: a complete sweep is complete again.
        EXPECT_EQ(other->SweepFirst, loaded ? 0 : 3);
        EXPECT_EQ(other->SweepIndex, loaded ? 5 : 8);
        EXPECT_EQ(other->Data.Count, 5);
        EXPECT_EQ(other->Data.Loaded, loaded);
        EXPECT_EQ(other->Data.HasB, !loaded);
        EXPECT_EQ(other->Data.DefA, s.Data.DefA);
        EXPECT_EQ(other->TriggerPos, -1);
        EXPECT_EQ(currentPoints(*other), run.points); // raw values and voltages came back too
        EXPECT_EQ(pointsFingerprint(other->Data), key);
        other->Data.A[4] += 1;
        EXPECT_NE(pointsFingerprint(other->Data), key);
        other->Data.A[4] -= 1;
        EXPECT_EQ(other->Data.Further().size(), 1u);
        other->Data.Columns[0].values[2] = 3;
        EXPECT_NE(pointsFingerprint(other->Data), key);
    }
}

// What a session operation changed, as its signals say.
struct Heard {
    int points = 0, axes = 0, definitionsA = 0;
    explicit Heard(Session& s) {
        QObject::connect(&s, &Session::definitionChanged,
                         [this](SignalChannel c) { definitionsA += c == SignalChannel::A; });
        QObject::connect(&s, &Session::pointsChanged, [this] { ++points; });
        QObject::connect(&s, &Session::axesChanged, [this] { ++axes; });
    }
};

// Recorded points are evaluated again under a new definition and then carry it; loaded ones
// keep their values; a rejected formula changes nothing.
TEST(Session, ApplyingADefinition) {
    const QString volts = QStringLiteral("Spannung (V): U");
    const struct {
        const char* line;
        bool reevaluate, loaded, rejected;
        float a2; // stored value 2 afterwards
    } rows[] = {{"Weg (cm): 2*U [4;0]", true, false, false, 2 * 3.0f},
                {"Weg (cm): 2*U", false, false, false, 3.0f},
                {"Weg (cm): 2*U", true, true, false, 3.0f},
                {"Weg (cm): 2*(U", true, false, true, 3.0f}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.line);
        Session session;
        MeasurementStore& s = session.store();
        session.applyDefinition(SignalChannel::A, volts, false);
        s.Data.Loaded = r.loaded;
        s.Data.DefA = volts;
        for (int i = 0; i < 4; ++i) {
            SamplePoint p{0.005f * i, 1.0f + i, 0};
            p.voltsA = p.voltsB = p.a;
            p.rawA = 200.0f * p.a;
            s.Data.T[i] = p.t, s.Data.A[i] = p.a;
            s.SweepRawA[i] = p.rawA, s.SweepVoltsA[i] = p.voltsA, s.SweepVoltsB[i] = p.voltsB;
        }
        s.Data.Count = s.SweepIndex = 4;
        s.TimeOrigin = 0, s.PointTime = 0.005f;
        Heard heard(session);
        const QString line = QString::fromUtf8(r.line);
        if (r.rejected) {
            EXPECT_ANY_THROW(session.applyDefinition(SignalChannel::A, line, r.reevaluate));
        } else {
            const AppliedDefinition applied =
                session.applyDefinition(SignalChannel::A, line, r.reevaluate);
            EXPECT_EQ(applied.parts.unit, QStringLiteral("cm"));
        }
        EXPECT_EQ(s.AppliedDefA, r.rejected ? volts : line);
        EXPECT_EQ(s.UnitA, r.rejected ? QStringLiteral("V") : QStringLiteral("cm"));
        EXPECT_EQ(s.Data.A[2], r.a2);
        EXPECT_EQ(s.Data.DefA, r.a2 != 3.0f ? line : volts);
        EXPECT_LE(s.DefMinA, s.DefMaxA);
        EXPECT_EQ(heard.points, r.rejected ? 0 : 1);
        EXPECT_EQ(heard.definitionsA, r.rejected ? 0 : 1);
    }
}

// Read points become the data or the snapshot and stop a running sweep; only the data's
// axes change. The numbers as read stay beside the floats that draw them: epoch seconds count
// from the first point there, so that they do not fall onto one time.
TEST(Session, StoringReadPoints) {
    struct Row {
        const char* name;
        std::vector<double> t, a;
        double timeBase;
        float t1, a2; // the floats drawn
    };
    const Row rows[] = {
        {"small", {0, 1, 2}, {5, 6, 7}, 0, 1, 7},
        {"epoch seconds", {1709288100, 1709288101, 1709288102}, {99999999, 1, 45352.427083},
         1709288100, 1, 45352.427083f},
    };
    const std::vector<double> b{0, 0, 0};
    for (const Row& r : rows) {
        for (const bool snapshot : {false, true}) {
            SCOPED_TRACE(std::string(r.name) + (snapshot ? " snapshot" : " data"));
            Session session;
            MeasurementStore& s = session.store();
            s.TriggerPos = 3;
            Heard heard(session);
            session.storeLoaded(snapshot, {r.t, r.a, b, false, QStringLiteral("x (m)"), QString()});
            const StoredPoints& p = snapshot ? s.Snap : s.Data;
            EXPECT_EQ(p.Count, 3);
            EXPECT_EQ(p.T[1], r.t1);
            EXPECT_EQ(p.A[2], r.a2);
            EXPECT_EQ(p.MaxT - p.MinT, 2.0f);
            EXPECT_TRUE(p.Loaded);
            EXPECT_FALSE(p.HasB);
            EXPECT_TRUE(p.Exact());
            EXPECT_EQ(p.TimeBase, r.timeBase);
            EXPECT_EQ(s.TriggerPos, -1);
            EXPECT_EQ(heard.axes, snapshot ? 0 : 1);
            EXPECT_EQ(session.dataPoints().size(), snapshot ? 0 : 3);
            // As a kept set and back, the numbers as read go with the points.
            const PointSet kept = snapshot ? session.snapshotPoints() : session.dataPoints();
            EXPECT_EQ(kept.exactTimes(), r.t);
            EXPECT_EQ(kept.exactValuesA(), r.a);
            session.emptyData();
            session.restoreSnapshot(std::nullopt, false);
            snapshot ? session.restoreSnapshot(kept, false) : session.restoreData(kept);
            EXPECT_EQ(p.ExactT, r.t);
            EXPECT_EQ(p.T[1], r.t1);
            EXPECT_EQ(p.TimeBase, r.timeBase);
        }
    }
}

// A load or paste keeps the data it replaces for undo, named by its source, with the
// definitions in force, and as a run (loaded points always are); undo puts both back once. A
// snapshot load keeps nothing; a deletion keeps the data but not the definitions, and an empty
// deletion nothing. A text that is no table or holds no point changes nothing.
TEST(Session, LoadPolicyBySourceAndUndo) {
    const std::vector<double> t{0, 1, 2}, a{5, 6, 7}, b{1, 1, 1};
    const std::vector<double> before{9, 8};
    const struct {
        const char* what;
        std::optional<LoadSource> source; // none: "Daten löschen"
        bool snapshot, dataBefore;
        std::optional<UndoStep> step;
        bool definitionsBack;
        bool keptAsRun; // the data replaced became a run
        std::optional<LoadRefusal> refused = std::nullopt;
        bool table = true, points = true;
    } rows[] = {
        {"load", LoadSource::File, false, true, UndoStep::LoadData, true, true},
        {"paste", LoadSource::Clipboard, false, true, UndoStep::PasteData, true, true},
        {"paste over nothing", LoadSource::Clipboard, false, false, UndoStep::PasteData, true,
         false},
        {"snapshot", LoadSource::File, true, true, std::nullopt, false, false},
        {"no table", LoadSource::Clipboard, false, true, std::nullopt, false, false,
         LoadRefusal::NoTable, false},
        {"no points", LoadSource::File, false, true, std::nullopt, false, false,
         LoadRefusal::NoPoints, true, false},
        {"delete", std::nullopt, false, true, UndoStep::DeleteData, false, true},
        {"delete nothing", std::nullopt, false, false, std::nullopt, false, false}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Session session;
        session.openJournal(dir.filePath(QString::fromUtf8(r.what)));
        MeasurementStore& s = session.store();
        EXPECT_FALSE(session.undoStep());
        EXPECT_FALSE(session.undo());
        if (r.dataBefore)
            session.storeLoaded(false, {before, before, before, true, QStringLiteral("alt (V)"),
                                        QStringLiteral("alt (V)")});
        const QString inForce = s.AppliedDefA;
        if (r.source) {
            const std::vector<double> none;
            const LoadOutcome taken = session.takeLoaded(
                *r.source, r.snapshot,
                {r.table,
                 true,
                 {r.points ? t : none, a, b, true, QStringLiteral("x (m): 2*U"),
                  QStringLiteral("Kraft (N)")}});
            EXPECT_EQ(taken.refused, r.refused);
            if (r.refused) {
                EXPECT_EQ(s.Data.Count, 2);
                EXPECT_EQ(s.Data.DefA, QStringLiteral("alt (V)"));
            } else {
                EXPECT_TRUE(taken.names.applyA);
                EXPECT_FALSE(taken.names.applyB);
                EXPECT_EQ((r.snapshot ? s.Snap : s.Data).Count, 3);
                EXPECT_EQ((r.snapshot ? s.Snap : s.Data).DefB, QStringLiteral("Kraft (N)"));
            }
        } else {
            session.deleteData();
            EXPECT_EQ(s.Data.Count, 0);
        }
        const auto& runs = session.journal().runs().runs();
        ASSERT_EQ(runs.size(), r.keptAsRun ? 1u : 0u);
        if (r.keptAsRun) {
            EXPECT_EQ(runs[0].points.valuesA()[1], 8.0f); // the points replaced
        }
        EXPECT_EQ(session.undoStep(), r.step);
        const std::optional<Undone> undone = session.undo();
        ASSERT_EQ(undone.has_value(), r.step.has_value());
        EXPECT_FALSE(session.undoStep()); // once
        if (!undone) continue;
        EXPECT_EQ(s.Data.Count, r.dataBefore ? 2 : 0);
        if (r.dataBefore) {
            EXPECT_EQ(s.Data.A[0], 9.0f);
        }
        EXPECT_EQ(undone->definitionA.has_value(), r.definitionsBack);
        if (r.definitionsBack) {
            EXPECT_EQ(*undone->definitionA, inForce);
        }
    }
}

// The readings are scaled for what the instrument runs with: the last configuration it
// confirmed (its defaults until then), or for one that takes none, what was asked.
TEST(Session, InstrumentConfigurationInForce) {
    InstrumentConfiguration asked;
    asked.InputCodeA = 5, asked.UmaxA = 10, asked.PullUpBits = 3, asked.Send = true;
    const struct {
        const char* name;
        bool send, confirmed;
        std::int32_t codeA, pullUps, mode;
    } rows[] = {{"confirmed", true, true, 5, 3, 2},
                {"not confirmed", true, false, InstrumentConfiguration().InputCodeA, 0, 5},
                {"takes none", false, false, 5, 1, 5}};
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        Session session;
        MeasurementStore& s = session.store();
        s.PullUpBits = 1;
        session.instrumentAdopted();
        EXPECT_FALSE(session.setIntervalMs(20)); // mode 5 either way
        s.IntervalMs = 2;                        // the mode the next send asks: 2
        InstrumentConfiguration c = asked;
        c.Send = r.send;
        session.instrumentConfigured(c, r.confirmed);
        EXPECT_EQ(s.InputCodeA, r.codeA);
        EXPECT_EQ(s.PullUpBits, r.pullUps);
        EXPECT_EQ(s.DeviceMode, r.mode);
        EXPECT_EQ(session.calibration().UmaxA, r.codeA == 5 ? 10.0f : 5.0f);
    }
}

// What an experiment file keeps of a session comes back whole in another one.
TEST(Session, ExperimentRoundTrip) {
    Session from;
    MeasurementStore& s = from.store();
    s.SweepFirst = 2, s.TimeOrigin = -0.01f, s.PointTime = 0.005f;
    for (int i = 0; i < 3; ++i) {
        s.Data.T[i] = s.TimeOrigin + s.PointTime * float(i + 2), s.Data.A[i] = float(i);
        s.SweepRawA[i + 2] = 10.0f * i, s.SweepVoltsA[i + 2] = 0.1f * i;
    }
    s.Data.Count = 3;
    ASSERT_FALSE(from.setQuantities({{QStringLiteral("P"), QStringLiteral("V"), QStringLiteral("2*A")}}, {}));
    from.takeSnapshot();
    from.setTriggerChannelA(false);
    from.setArmed(false);
    const Experiment e = from.experiment();
    EXPECT_EQ(std::get<QString>(e.settings.at(setting::TriggerChannel)), QStringLiteral("B"));
    EXPECT_FALSE(std::get<bool>(e.settings.at(setting::TriggerHeld)));
    EXPECT_TRUE(std::get<bool>(e.settings.at(setting::SnapshotRecorded)));
    ASSERT_TRUE(e.snapshot); // its calculated column too, for readers of the file
    ASSERT_EQ(e.snapshot->columns().size(), 1u);
    EXPECT_EQ(e.snapshot->columns()[0].values, (std::vector<double>{0, 2, 4}));
    Session to;
    ASSERT_FALSE(to.setQuantities(from.quantities().definitions(), {}));
    to.restoreTiming(std::nullopt, std::nullopt, s.TimeOrigin);
    to.restoreData(e.data);
    to.restoreSnapshot(e.snapshot, true);
    EXPECT_EQ(to.dataPoints(), from.dataPoints()); // recorded: at their sweep places again
    EXPECT_EQ(to.snapshotPoints(), from.snapshotPoints());
    EXPECT_EQ(to.store().SweepFirst, 2);
}

// The fingerprint changes with whatever an experiment file would keep, and with nothing else;
// the data's own (unsaved data, points kept already) with the rows that change the data alone.
TEST(Session, FingerprintFollowsWhatTheFileKeeps) {
    using Change = std::function<void(Session&, Settings&)>;
    const struct {
        const char* what;
        Change change;
        bool differs;
    } rows[] = {
        {"nothing", [](Session&, Settings&) {}, false},
        {"a stored value", [](Session& x, Settings&) { x.store().Data.A[1] += 1; }, true},
        {"a point more", [](Session& x, Settings&) { x.store().Data.Count = 4; }, true},
        {"a time", [](Session& x, Settings&) { x.store().Data.T[2] += 1; }, true},
        {"beyond the points", [](Session& x, Settings&) { x.store().Data.A[7] = 9; }, false},
        {"the snapshot", [](Session& x, Settings&) { x.takeSnapshot(); }, true},
        {"a definition",
         [](Session& x, Settings&) {
             x.applyDefinition(SignalChannel::B, QStringLiteral("Kraft (N): 2*U"), false);
         },
         true},
        {"the trigger edge", [](Session& x, Settings&) { x.setTriggerRising(false); }, true},
        {"Zeit in min",
         [](Session& x, Settings&) {
             ViewSettings v = x.view();
             v.minutes = true;
             x.setView(v);
         },
         true},
        {"the window's scale", [](Session&, Settings& d) { d[setting::AxisAMax] = 4.0; }, true},
        {"the same scale", [](Session&, Settings& d) { d[setting::AxisAMax] = 5.0; }, false},
        {"Stopp", [](Session& x, Settings&) { x.setHeld(true); }, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Session session;
        MeasurementStore& s = session.store();
        for (int i = 0; i < 3; ++i)
            s.Data.T[i] = 0.01f * float(i), s.Data.A[i] = float(i), s.Data.B[i] = 1;
        s.Data.Count = 3;
        Settings display{{QString::fromLatin1(setting::AxisAMax), 5.0}};
        const std::size_t before = session.fingerprint(display), data = session.dataFingerprint();
        r.change(session, display);
        EXPECT_EQ(session.fingerprint(display) != before, r.differs);
        EXPECT_EQ(session.dataFingerprint() != data, &r >= &rows[1] && &r <= &rows[3]);
    }
}

// An experiment the session gave comes back whole in another session; what it may not take (a
// choice the lists do not offer, a formula that does not compile, no journal for the runs)
// stays as the session had it.
TEST(Session, ApplyingAnExperiment) {
    namespace key = setting;
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    Session from;
    from.openJournal(dir.filePath(QStringLiteral("von")));
    from.setIntervalMs(10);
    from.setPointCount(500);
    from.setTriggerMode(TriggerMode::Einzel);
    from.setTriggerChannelA(false);
    from.setTriggerRising(false);
    from.setAutoSnapshot(true);
    from.restoreTiming(700, 30, std::nullopt);
    from.applyDefinition(SignalChannel::A, QStringLiteral("Weg (cm): 10*U [0;60]"), false);
    from.applyDefinition(SignalChannel::B, QStringLiteral("Kraft (N): 2*U"), false);
    from.setView({.showA = true, .showB = false, .mode = analysis::PlotMode::AAsX, .minutes = true});
    const std::vector<double> t{0, 0.5, 1}, a{1, 2, 3}, b{4, 5, 6};
    from.storeLoaded(false, {t, a, b, true, QStringLiteral("x (m)"), QStringLiteral("y (m)")});
    from.journal().addRun(makeRun(PointSet::Origin::Loaded, 20, 1765267800000, "Pendel"));
    Experiment given = from.experiment();
    given.settings[key::InputRangeA] = qint64(InputRange::Mid);
    given.settings[key::ChannelBOn] = false;
    const Experiment defaults = Session().experiment();

    struct Row {
        const char* what;
        std::function<void(Experiment&)> change;
        std::vector<const char*> kept; // settings that stay as the session had them
        bool definitionAKept = false, journal = true;
        analysis::PlotMode mode = analysis::PlotMode::AAsX;
    } const rows[] = {
        {"the whole experiment", [](Experiment&) {}, {}},
        {"an interval the list does not offer",
         [](Experiment& e) { e.settings[key::IntervalMs] = qint64(7); }, {key::IntervalMs}},
        {"a point count the list does not offer",
         [](Experiment& e) { e.settings[key::PointCount] = qint64(300); },
         {key::PointCount}},
        {"the spectrum's number, which files do not keep",
         [](Experiment& e) { e.settings[key::XyMode] = qint64(3); }, {key::XyMode}, false, true,
         analysis::PlotMode::Normal},
        {"a formula that does not compile",
         [](Experiment& e) { e.definitionA = QStringLiteral("Weg (cm): 10*"); }, {}, true},
        {"a session without a journal", [](Experiment&) {}, {}, false, false},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Experiment e = given;
        r.change(e);
        Session to;
        if (r.journal) to.openJournal(dir.filePath(QString::fromUtf8(r.what)));
        int configured = 0;
        to.setInstrumentConfigurer([&configured] { ++configured; });
        to.applyExperiment(e);
        const Experiment taken = to.experiment();
        Settings expected = given.settings;
        expected.erase(QLatin1String(key::InputRangeA));
        expected.erase(QLatin1String(key::ChannelBOn));
        for (const char* k : r.kept)
            expected[QLatin1String(k)] = defaults.settings.at(QLatin1String(k));
        EXPECT_EQ(taken.settings, expected);
        EXPECT_EQ(taken.definitionA, r.definitionAKept ? defaults.definitionA : given.definitionA);
        EXPECT_EQ(taken.definitionB, given.definitionB);
        EXPECT_EQ(to.view().mode, r.mode);
        EXPECT_EQ(taken.data, given.data);
        EXPECT_EQ(taken.snapshot, given.snapshot);
        ASSERT_EQ(taken.runs.size(), r.journal ? 1u : 0u);
        if (r.journal) {
            EXPECT_TRUE(sameRun(taken.runs[0], given.runs[0]));
        }
        EXPECT_EQ(to.hardware().A, InputRange::Mid);
        EXPECT_TRUE(to.hardware().BOff);
        EXPECT_GE(configured, 1); // the instrument follows its new choices
        if (r.journal) to.journal().finish();
    }
    from.journal().finish();
}


// A complete sweep recorded in `mode`, A counting from 7: the session heard it begin.
void recordSweep(Session& session, TriggerMode mode, int points = 100) {
    session.setTriggerMode(mode);
    MeasurementStore& s = session.store();
    s.Data.Count = 0;
    session.triggerSweep();
    s.PointCount = s.SweepIndex = s.Data.Count = points;
    s.Data.Loaded = false;
    for (int i = 0; i < points; ++i)
        s.Data.T[i] = 0.01f * float(i), s.Data.A[i] = 7.0f + float(i), s.Data.B[i] = 1;
}

// Before each kind of replacement the session keeps the current points as the policy says, with
// no window to ask it; points kept once are not kept again.
TEST(Session, KeepsTheCurrentPointsBeforeTheyAreReplaced) {
    using M = TriggerMode;
    const std::vector<double> t{0, 1}, a{5, 6};
    const auto take = [t, a](LoadSource from) {
        return [=](Session& x) { x.takeLoaded(from, false, {true, false, {t, a, a, true, {}, {}}}); };
    };
    const struct {
        const char* what;
        M mode; // the points were recorded in
        std::function<void(Session&)> replace;
        int userRuns, historyRuns;
    } rows[] = {
        {"interval change, auto", M::Auto, [](Session& x) { x.changeInterval(50); }, 1, 0},
        {"Reset, einzel", M::Einzel, [](Session& x) { x.resetTrigger(); }, 1, 0},
        {"Reset twice", M::Einzel, [](Session& x) { x.resetTrigger(), x.resetTrigger(); }, 1, 0},
        {"Daten löschen, normal", M::Normal, [](Session& x) { x.deleteData(); }, 1, 0},
        {"Daten löschen, auto", M::Auto, [](Session& x) { x.deleteData(); }, 0, 0},
        {"paste, normal", M::Normal, take(LoadSource::Clipboard), 1, 0},
        {"load, auto", M::Auto, take(LoadSource::File), 0, 0},
        {"next sweep, normal", M::Normal, [](Session& x) { x.triggerSweep(); }, 0, 1},
        {"next sweep, einzel", M::Einzel, [](Session& x) { x.triggerSweep(); }, 1, 0},
        {"next sweep, auto", M::Auto, [](Session& x) { x.triggerSweep(); }, 0, 0},
        {"another mode, auto", M::Auto, [](Session& x) { x.setTriggerMode(M::Normal); }, 1, 0},
        {"the same mode, auto", M::Auto, [](Session& x) { x.setTriggerMode(M::Auto); }, 0, 0},
        {"kept by the user, then Reset", M::Einzel,
         [](Session& x) { x.keepCurrent(), x.resetTrigger(); }, 1, 0},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Session session;
        session.openJournal(dir.filePath(QString::fromUtf8(r.what)));
        int heard = 0;
        QObject::connect(&session, &Session::runsChanged, [&heard] { ++heard; });
        recordSweep(session, r.mode);
        r.replace(session);
        int user = 0, history = 0;
        for (const kurvimat::session::Run& run : session.journal().runs().runs()) {
            ++(run.automatic ? history : user);
            EXPECT_EQ(run.points.valuesA()[3], 10.0f); // the points replaced
        }
        EXPECT_EQ(std::pair(user, history), std::pair(r.userRuns, r.historyRuns));
        EXPECT_EQ(heard, r.userRuns + r.historyRuns);
    }
}

// A typed table becomes the data with the row number as time, kept as a run at once (the
// journal holds it) and for undo; an edit takes the run's place; the file brings it back whole.
TEST(Session, EnteredValues) {
    const auto column = [](const char* header, std::vector<double> values) {
        QuantityColumn c = QuantityColumn::named(QString::fromUtf8(header));
        c.values = std::move(values);
        return c;
    };
    const double nan = std::nan("");
    // Doubles no float holds: the values must stay as typed.
    const std::vector<QuantityColumn> table{column("l in m", {0.1, 0.2, 0.30000000000000004}),
                                            column("T in s", {0.63, 0.897, 1.0987}),
                                            column("n", {10, nan, 1e-300})};
    const struct {
        const char* what;
        std::vector<QuantityColumn> columns;
        bool recordedBefore;
        std::optional<LoadRefusal> refused;
        int runs; // after: the data replaced and the table
    } rows[] = {
        {"three columns over a recording", table, true, std::nullopt, 2},
        {"one column over nothing", {table[0]}, false, std::nullopt, 1},
        {"a blank in A", {column("x", {1, nan}), table[1]}, true, LoadRefusal::NoPoints, 0},
        {"columns of other lengths", {table[0], column("y", {1})}, true, LoadRefusal::NoTable, 0},
        {"a header that is a definition", {column("x: 2*A", {1})}, true, LoadRefusal::NoTable, 0},
        {"no row", {column("x", {})}, true, LoadRefusal::NoPoints, 0},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Session session;
        session.openJournal(dir.filePath(QString::fromUtf8(r.what)));
        if (r.recordedBefore) recordSweep(session, TriggerMode::Einzel, 4);
        const PointSet replaced = session.dataPoints();
        const LoadOutcome taken = session.takeEntered(r.columns, false);
        EXPECT_EQ(taken.refused, r.refused);
        if (r.refused) {
            EXPECT_EQ(session.dataPoints(), replaced);
            EXPECT_FALSE(session.dataEntered());
            continue;
        }
        EXPECT_EQ(session.journal().runs().size(), r.runs);
        const std::size_t n = r.columns[0].values.size();
        const PointSet data = session.dataPoints();
        EXPECT_EQ(data.exactTimes(), (std::vector<double>{1, 2, 3}));
        EXPECT_EQ(data.exactValuesA(), r.columns[0].values);
        EXPECT_EQ(data.hasB(), r.columns.size() > 1);
        EXPECT_EQ(data.definitionA(), r.columns[0].header);
        EXPECT_EQ(data.columns().size(), r.columns.size() > 2 ? r.columns.size() - 2 : 0u);
        for (const QuantityColumn& c : data.columns())
            EXPECT_EQ(c.origin, ColumnOrigin::Entered);
        // What an edit starts from is what was typed.
        std::vector<QuantityColumn> entered = session.enteredColumns();
        ASSERT_EQ(entered.size(), r.columns.size());
        for (std::size_t c = 0; c < entered.size(); ++c) {
            QuantityColumn typed = r.columns[c];
            typed.origin = ColumnOrigin::Entered;
            EXPECT_TRUE(entered[c] == typed) << c; // bit for bit, NaN too
        }
        const kurvimat::session::Run* kept = session.journal().runs().findEqual(data);
        ASSERT_TRUE(kept);
        EXPECT_FALSE(kept->automatic);

        // Edited twice: still one run of the table, the last edit's; undo brings back the one
        // before the edit.
        for (const double first : {5.0, 6.0}) {
            entered[0].values[0] = first;
            ASSERT_FALSE(session.takeEntered(entered, true).refused);
        }
        EXPECT_EQ(session.journal().runs().size(), r.runs);
        EXPECT_TRUE(session.journal().runs().findEqual(session.dataPoints()));
        EXPECT_EQ(session.undoStep(), UndoStep::EditValues);
        ASSERT_TRUE(session.undo());
        EXPECT_EQ(session.dataPoints().exactValuesA()[0], 5.0);
        ASSERT_TRUE(session.journal().sync());

        // Through the file: the same table to edit.
        const QString path = dir.filePath(QString::fromUtf8(r.what) + QStringLiteral(".kurvimat"));
        ASSERT_FALSE(writeExperiment(path, session.experiment()));
        const ExperimentRead read = readExperiment(path);
        ASSERT_TRUE(read.experiment) << read.error.toStdString();
        Session to;
        to.applyExperiment(*read.experiment);
        EXPECT_EQ(to.enteredColumns(), session.enteredColumns());
        EXPECT_EQ(to.dataPoints().exactValuesB(), session.dataPoints().exactValuesB());

        // A new table over it: the edited one is kept (as any loaded points), undo brings it
        // back.
        const std::size_t runs = std::size_t(session.journal().runs().size());
        ASSERT_FALSE(session.takeEntered({column("z", {7})}, false).refused);
        EXPECT_EQ(std::size_t(session.journal().runs().size()), runs + 2);
        EXPECT_EQ(session.undoStep(), UndoStep::EnterValues);
        ASSERT_TRUE(session.undo());
        EXPECT_EQ(session.dataPoints().size(), int(n));
    }
    // A crash right after the take: the journal left behind holds the table as typed.
    const QString crashed = dir.filePath(QStringLiteral("crash"));
    {
        Session session;
        session.openJournal(crashed);
        ASSERT_FALSE(session.takeEntered(table, false).refused);
    } // not closed: what a crash leaves
    SystemClock clock;
    Recovery found(crashed, clock);
    ASSERT_TRUE(found.found());
    Session after;
    after.openJournal(dir.filePath(QStringLiteral("after")));
    after.recover(found);
    ASSERT_EQ(after.journal().runs().size(), 1);
    const PointSet& back = after.journal().runs().runs()[0].points;
    EXPECT_EQ(back.exactValuesB(), table[1].values);
    ASSERT_EQ(back.columns().size(), 1u);
    EXPECT_EQ(back.columns()[0].header, table[2].header);
    EXPECT_EQ(back.columns()[0].values[2], 1e-300);
}

// A run made current brings its definitions into force (a line other than the one in force;
// one that does not compile is refused), after the current points were kept; its points then
// count as kept.
TEST(Session, MakingARunCurrent) {
    const QString volts = QStringLiteral("Spannung (V): U [0;5]");
    const struct {
        QString definitionA;
        bool triedA, appliedA;
    } rows[] = {{QStringLiteral("Weg (cm): 10*U"), true, true},
                {volts, false, false},
                {QStringLiteral("Weg (cm)"), false, false},
                {QStringLiteral("Weg (cm): 10*(U"), true, false}};
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& r : rows) {
        SCOPED_TRACE(r.definitionA.toStdString());
        Session session;
        session.openJournal(dir.filePath(r.definitionA));
        session.applyDefinition(SignalChannel::A, volts, false);
        kurvimat::session::Run run = makeRun(PointSet::Origin::Recorded, 30, 1765267800000);
        PointSet points(PointSet::Origin::Recorded, true, true, r.definitionA,
                        run.points.definitionB());
        for (int i = 0; i < run.points.size(); ++i)
            points.append(run.points.point(i));
        run.points = points;
        const qint64 id = session.journal().addRun(run);
        recordSweep(session, TriggerMode::Einzel, 40);
        EXPECT_FALSE(session.makeRunCurrent(id + 5));
        const std::optional<AppliedDefinitions> applied = session.makeRunCurrent(id);
        ASSERT_TRUE(applied);
        EXPECT_EQ(session.journal().runs().runs().size(), 2u); // the einzel sweep was kept
        EXPECT_EQ(applied->tried(0), r.triedA);
        EXPECT_TRUE(applied->tried(1));
        EXPECT_EQ(session.store().AppliedDefA, r.appliedA ? r.definitionA : volts);
        EXPECT_EQ(session.store().AppliedDefB, run.points.definitionB());
        EXPECT_EQ(session.dataPoints(), run.points); // with the definitions it carries
        const std::optional<Kept> again = session.keepCurrent();
        EXPECT_TRUE(again && again->id == id && !again->added);
    }
}

// Calculated quantities over loaded points with a read column "Weg s": what the first quantity
// holds at each point, how many fail for the points (their columns left out, the others
// intact), or the fault that refuses the definitions (nothing changes).
TEST(Session, CalculatedQuantities) {
    const std::vector<double> t{0, 1, 2, 3, 5}, a{1, 2, 3, 4, 5}, b{2, 0.5, -1, 4, 3};
    QuantityColumn way = QuantityColumn::named(QStringLiteral("Weg s (m)"));
    for (const double x : t) way.values.push_back(x * x);
    const std::size_t n = t.size();
    using Defs = std::vector<QuantityDefinition>;
    const QuantityDefinition power{QStringLiteral("P"), QStringLiteral("W"), QStringLiteral("A*B")};
    const struct Row {
        const char* name;
        Defs definitions;
        QStringList constants;
        std::function<double(std::size_t)> first; // none: refused
        std::size_t failing = 0;
        qsizetype place = 0; // of a refusal
        const char* says = nullptr; // part of the refusal
    } rows[] = {
        {"P = A*B", {power}, {}, [&](std::size_t i) { return a[i] * b[i]; }},
        {"constant with a unit", {{QStringLiteral("E"), QStringLiteral("J"), QStringLiteral("0,5*m*A^2")}},
         {QStringLiteral("m = 0,25 kg")}, [&](std::size_t i) { return 0.125 * a[i] * a[i]; }},
        {"v from a read column",
         {{QStringLiteral("v"), QStringLiteral("m/s"), QStringLiteral("ABL(weg_s;T)")}}, {},
         [&](std::size_t i) {
             const std::size_t j = i == 0 ? 1 : i == n - 1 ? n - 2 : i; // one-sided at the ends
             return i == j ? 2 * t[i] : (way.values[std::max(i, j)] - way.values[std::min(i, j)]) /
                                            (t[std::max(i, j)] - t[std::min(i, j)]);
         }},
        {"a channel by its name", {{QStringLiteral("w"), {}, QStringLiteral("2*X")}}, {},
         [&](std::size_t i) { return 2 * a[i]; }},
        {"uses one defined after it", {{QStringLiteral("Q"), {}, QStringLiteral("2*P")}, power}, {},
         [&](std::size_t i) { return 2 * a[i] * b[i]; }},
        {"a window longer than the points",
         {{QStringLiteral("g"), {}, QStringLiteral("SAVGOL(A;51;2)")}, power}, {},
         [&](std::size_t i) { return a[i] * b[i]; }, 1},
        {"itself", {{QStringLiteral("x"), {}, QStringLiteral("x+1")}}, {}, {}, 0, 0},
        {"a cycle", {{QStringLiteral("x"), {}, QStringLiteral("y")}, {QStringLiteral("y"), {}, QStringLiteral("2*x")}}, {}, {}},
        {"an unknown name", {{QStringLiteral("x"), {}, QStringLiteral("A*C")}}, {}, {}, 0, 3},
        {"a name with a blank", {{QStringLiteral("Weg s"), {}, QStringLiteral("A")}}, {}, {}},
        {"the time's name", {{QStringLiteral("t"), {}, QStringLiteral("A")}}, {}, {}, 0, 0,
         "„t“ steht in Formeln schon für die Zeit"},
        {"a for an acceleration", {{QStringLiteral("a"), {}, QStringLiteral("ABL(A;T)")}}, {}, {}, 0, 0,
         "für Kanal A (groß oder klein geschrieben); etwa „a_“ geht"},
        {"a bad constant", {power}, {QStringLiteral("m = viel")}, {}},
        {"100 000 characters", {{QStringLiteral("L"), {}, QStringLiteral("A+").repeated(50000) + u'1'}}, {}, {}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Session session;
        session.storeLoaded(false, {t, a, b, true, QStringLiteral("x (m)"), QStringLiteral("y (V)"),
                                    std::span<const QuantityColumn>(&way, 1)});
        const std::optional<QuantityFault> fault = session.setQuantities(r.definitions, r.constants);
        const std::vector<QuantityColumn>& columns = session.store().Data.Columns;
        if (!r.first) {
            ASSERT_TRUE(fault);
            EXPECT_FALSE(fault->message.isEmpty());
            if (r.place) EXPECT_EQ(fault->place, r.place);
            if (r.says) EXPECT_TRUE(fault->message.contains(QString::fromUtf8(r.says))) << fault->message.toStdString();
            EXPECT_TRUE(session.quantities().empty());
            EXPECT_EQ(columns.size(), 1u); // the read column alone
            continue;
        }
        ASSERT_FALSE(fault) << fault->message.toStdString();
        ASSERT_EQ(session.quantityFailures().size(), r.failing);
        ASSERT_EQ(columns.size(), 1 + r.definitions.size() - r.failing);
        const QuantityColumn& c = columns[1];
        EXPECT_EQ(c.origin, ColumnOrigin::Calculated);
        EXPECT_EQ(c.formula, r.definitions[r.failing].formula);
        ASSERT_EQ(c.values.size(), n);
        for (std::size_t i = 0; i < n; ++i) EXPECT_NEAR(c.values[i], r.first(i), 1e-12) << i;
        // Kept and made current again, the run computes the same.
        const PointSet kept = session.dataPoints();
        session.restoreData(kept);
        EXPECT_EQ(session.store().Data.Columns, kept.columns());
    }
}

void expectSameFailures(const std::vector<QuantityFailure>& got,
                        const std::vector<QuantityFailure>& want) {
    ASSERT_EQ(got.size(), want.size());
    for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].name, want[i].name);
        EXPECT_EQ(got[i].error.Message, want[i].error.Message);
        EXPECT_EQ(got[i].error.Place, want[i].error.Place);
    }
}

// While a sweep grows, computing only what new points reach gives what computing all anew
// gives, through a new sweep and a failing window too.
TEST(Session, CalculatedQuantitiesWhileRecording) {
    Session session;
    session.store().Data.DefA = QStringLiteral("Weg (m): U"); // seen as "Weg" too
    ASSERT_FALSE(session.setQuantities(
        {{QStringLiteral("v"), {}, QStringLiteral("ABL(Weg;T)")},
         {QStringLiteral("g"), {}, QStringLiteral("SAVGOL(v;7;2)")},
         {QStringLiteral("W"), {}, QStringLiteral("INTEGRAL(A*B;T)+DIFF(g)")}},
        {}));
    MeasurementStore& s = session.store();
    float time = 0;
    for (const int count : {0, 1, 3, 6, 7, 8, 20, 21, 200, 5, 40}) {
        SCOPED_TRACE(count);
        if (count < s.Data.Count) s.Data.DropExact(), time += 1; // a new sweep
        for (int i = s.Data.Count; i < count; ++i) {
            s.Data.T[i] = time + 0.01f * float(i) + (i % 3 == 0 ? 0.002f : 0.0f);
            s.Data.A[i] = std::sin(0.3f * float(i));
            s.Data.B[i] = float(i % 5);
        }
        s.Data.Count = count;
        session.updateQuantities();
        auto full = std::make_unique<StoredPoints>(s.Data);
        Quantities all;
        ASSERT_FALSE(all.set(session.quantities().definitions(), {}, Quantities::columnNames(s.Data)));
        const auto failures = all.compute(*full);
        expectSameFailures(session.quantityFailures(), failures);
        EXPECT_EQ(s.Data.Columns, full->Columns);
        EXPECT_EQ(s.Data.Columns.size(), count < 2 ? 0u : count < 7 ? 1u : 3u);
        // A sweep that grew by few points computes only what they reach; v's last value waits
        // for the next point, until a tick brings none.
        if (count == 21 || count == 200) {
            for (const std::size_t first : session.quantities().firstChanged())
                EXPECT_GT(first, 0u);
            EXPECT_EQ(s.Data.SettledCount(0), std::size_t(count) - 1);
            session.updateQuantities();
            EXPECT_EQ(s.Data.SettledCount(0), std::size_t(count));
        }
    }
}

// A quantity that fails while a sweep grows costs what the new points cost, not all points
// each tick (nothing where more points cannot help); it fails with, and computes once it can,
// what computing all anew gives, and the quantities beside it go on.
TEST(Quantities, FailingWhileRecordingCostsOnlyTheNewPoints) {
    const auto q = [](const char* name, const char* formula) {
        return QuantityDefinition{QString::fromUtf8(name), {}, QString::fromUtf8(formula)};
    };
    const struct Row {
        const char* what;
        std::vector<QuantityDefinition> definitions;
        QStringList columns; // the names set takes; the points lack them
        bool computesSometime, failsSometime;
    } rows[] = {
        {"a window longer than the points so far",
         {q("g", "SAVGOL(A;301;2)"), q("h", "2*g"), q("P", "A*B")},
         {},
         true,
         true},
        {"equal x from the middle on", {q("v", "ABL(A;MIN(T;3))"), q("P", "A*B")}, {}, true, true},
        {"a name the points lack",
         {q("w", "2*Weg"), q("P", "A*B")},
         {QStringLiteral("WEG")},
         false,
         true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        Quantities session;
        ASSERT_FALSE(session.set(r.definitions, {}, r.columns));
        auto points = std::make_unique<StoredPoints>();
        bool computed = false, failed = false;
        int count = 0;
        for (const int grown : {1, 11, 21, 301, 311, 311, 321, 331, 341, 351, 361, 371, 381, 391}) {
            SCOPED_TRACE(grown);
            for (int i = count; i < grown; ++i) {
                points->T[i] = 0.01f * float(i);
                points->A[i] = std::sin(0.05f * float(i));
                points->B[i] = float(i % 7);
            }
            const int added = grown - count;
            points->Count = count = grown;
            const std::size_t before = session.computedValues();
            const auto failures = session.update(*points);
            auto full = std::make_unique<StoredPoints>(*points);
            Quantities all;
            ASSERT_FALSE(all.set(r.definitions, {}, r.columns));
            expectSameFailures(failures, all.compute(*full));
            EXPECT_EQ(points->Columns, full->Columns);
            const bool fails = !failures.empty() && failures.front().name == r.definitions[0].name;
            (fails ? failed : computed) = true;
            // Failing, it costs at most its argument's new values beside A*B's.
            if (fails && grown > 1)
                EXPECT_LE(session.computedValues() - before, std::size_t(2 * added));
        }
        EXPECT_EQ(computed, r.computesSometime);
        EXPECT_EQ(failed, r.failsSometime);
    }
}

// A run keeps its quantities' definitions and values through an experiment file, and the
// file's quantities and constants come into force with it.
TEST(Session, RunKeepsItsQuantitiesThroughTheFile) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::vector<double> t{0, 1, 2}, a{1, 2, 3}, b{4, 5, 6};
    Session from;
    from.openJournal(dir.filePath(QStringLiteral("from")));
    from.storeLoaded(false, {t, a, b, true, QStringLiteral("x (m)"), QStringLiteral("y (V)")});
    ASSERT_FALSE(from.setQuantities({{QStringLiteral("F"), QStringLiteral("N"), QStringLiteral("k*A")}},
                                    {QStringLiteral("k = 2,5 N/m")}));
    ASSERT_TRUE(from.keepCurrent());
    // Removing them is one step undo takes back, values and all.
    const std::vector<QuantityColumn> computed = from.store().Data.Columns;
    ASSERT_FALSE(from.setQuantities({}, from.quantities().constants(), true));
    EXPECT_TRUE(from.store().Data.Columns.empty());
    EXPECT_EQ(from.undoStep(), UndoStep::ChangeQuantities);
    ASSERT_TRUE(from.undo());
    EXPECT_EQ(from.store().Data.Columns, computed);
    EXPECT_FALSE(from.undoStep());
    const QString path = dir.filePath(QStringLiteral("v.kurvimat"));
    ASSERT_FALSE(writeExperiment(path, from.experiment()));
    const ExperimentRead read = readExperiment(path);
    ASSERT_TRUE(read.experiment) << read.error.toStdString();
    Session to;
    to.openJournal(dir.filePath(QStringLiteral("to")));
    to.applyExperiment(*read.experiment);
    EXPECT_EQ(to.quantities().definitions(), from.quantities().definitions());
    EXPECT_EQ(to.quantities().constants(), from.quantities().constants());
    EXPECT_EQ(to.store().Data.Columns, from.store().Data.Columns);
    ASSERT_EQ(to.journal().runs().runs().size(), 1u);
    const kurvimat::session::Run& run = to.journal().runs().runs().front();
    ASSERT_EQ(run.points.columns().size(), 1u);
    EXPECT_EQ(run.points.columns()[0].formula, QStringLiteral("k*A"));
    EXPECT_EQ(run.points.columns()[0].values, (std::vector<double>{2.5, 5, 7.5}));
    EXPECT_EQ(run.constants, QStringList{QStringLiteral("k = 2,5 N/m")});
    // Made current in a session without them, the run brings its quantities and constants:
    // its k takes the place of another k, a constant that names its quantity gives way, the
    // others stay. It computes its values again, and those of new points.
    const struct {
        const char* what;
        QStringList inForce, after;
    } rows[] = {
        {"none", {}, {QStringLiteral("k = 2,5 N/m")}},
        {"the same", {QStringLiteral("k = 2,5 N/m")}, {QStringLiteral("k = 2,5 N/m")}},
        {"another k and g",
         {QStringLiteral("g = 9,81 m/s^2"), QStringLiteral("K = 4")},
         {QStringLiteral("g = 9,81 m/s^2"), QStringLiteral("k = 2,5 N/m")}},
        {"one named as its quantity", {QStringLiteral("F = 1 N")}, {QStringLiteral("k = 2,5 N/m")}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.what);
        Session other;
        other.openJournal(dir.filePath(QString::fromUtf8(r.what)));
        ASSERT_FALSE(other.setQuantities({}, r.inForce));
        ASSERT_TRUE(other.makeRunCurrent(other.journal().addRun(run)));
        EXPECT_EQ(other.quantities().definitions(), from.quantities().definitions());
        EXPECT_EQ(other.quantities().constants(), r.after);
        EXPECT_EQ(other.store().Data.Columns, run.points.columns());
        ASSERT_FALSE(
            other.setQuantities(other.quantities().definitions(), other.quantities().constants()));
        EXPECT_EQ(other.store().Data.Columns, run.points.columns());
        other.restoreData(PointSet::loaded(true, run.points.definitionA(), run.points.definitionB(),
                                           std::vector<double>{0, 1, 2, 3},
                                           std::vector<double>{1, 2, 3, 4},
                                           std::vector<double>{4, 5, 6, 7}));
        ASSERT_EQ(other.store().Data.Columns.size(), 1u);
        EXPECT_EQ(other.store().Data.Columns[0].values, (std::vector<double>{2.5, 5, 7.5, 10}));
    }
}

// An interval change configures the instrument anew when its report mode changes, applies the
// definitions again and starts the sweep and the time axis afresh.
TEST(Session, IntervalChange) {
    for (const auto& [from, to] : {std::pair{20, 50}, std::pair{20, 2}, std::pair{3, 4}}) {
        SCOPED_TRACE(std::to_string(from) + " ms to " + std::to_string(to));
        Session session;
        int configured = 0;
        session.setInstrumentConfigurer([&configured] { ++configured; });
        session.setIntervalMs(from);
        session.applyDefinition(SignalChannel::A, QStringLiteral("Weg (cm): 10*U"), false);
        recordSweep(session, TriggerMode::Auto, 200);
        const MeasurementStore& s = session.store();
        const IntervalChange change = session.changeInterval(to);
        EXPECT_EQ(change.reportModeChanged, std::min(from, 5) != std::min(to, 5));
        EXPECT_EQ(configured, change.reportModeChanged ? 1 : 0);
        EXPECT_EQ(std::tuple(s.IntervalMs, s.DeviceMode, s.Data.Count, s.PointCount),
                  std::tuple(to, std::min(to, 5), 0, 200));
        EXPECT_TRUE(change.applied.definitions[0]);
        EXPECT_FLOAT_EQ(s.TimeRangeMax - s.TimeRangeMin, s.PointTime * 199);
    }
}

// The cursors as a file keeps them: written, they read back the same; the files written so far
// read as before; a text that is not nine finite numbers is refused, also by applyExperiment.
TEST(CursorSettings, RoundTripAndRefusals) {
    const CursorSettings placed{true, false, {0.1, -2.5e-3}, {1e6, -0.3}, true, 2, 3};
    EXPECT_EQ(CursorSettings::read(placed.text()), placed);
    const std::pair<const char*, std::optional<CursorSettings>> rows[] = {
        {"1;0;0.5;1.5;-2;3;1;1;2", CursorSettings{true, false, {0.5, 1.5}, {-2, 3}, true, 1, 2}},
        {"0;1;0;1;0;1;0;1e300;-4", CursorSettings{false, true, {0, 1}, {0, 1}, false, 2, 0}},
        {"1;0;nan;1.5;-2;3;1;0;2", std::nullopt},
        {"1;0;0.5;inf;-2;3;1;0;2", std::nullopt},
        {"1;0;0.5;1e999;-2;3;1;0;2", std::nullopt},
        {"1;0;0.5;1.5;-2;3;1;0", std::nullopt},
        {"1;0;0,5;1.5;-2;3;1;0;2", std::nullopt},
    };
    for (const auto& [text, read] : rows) {
        SCOPED_TRACE(text);
        EXPECT_EQ(CursorSettings::read(QString::fromLatin1(text)), read);
        Experiment e = Session().experiment();
        e.settings[setting::Cursors] = QString::fromLatin1(text);
        EXPECT_EQ(Session().applyExperiment(e).cursors, read);
    }
}
} // namespace
} // namespace kurvimat::session::test
