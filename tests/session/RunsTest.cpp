#include "SessionTestSupport.h"

#include "MeasurementStore.h"
#include "SessionTables.h"

#include <cmath>
#include <cstring>
#include <functional>
#include <limits>

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
