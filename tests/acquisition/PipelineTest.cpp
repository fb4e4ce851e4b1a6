// Averaging, trigger modes, pre-trigger history, recording and snapshot.
#include "PipelineTestSupport.h"

#include <cmath>
#include <vector>

using namespace kurvimat::acquisition;

namespace {

TEST_F(PipelineFixture, BlockClosesAfterIntervalWithMeans) {
    S.IntervalMs = 5;
    const float a[] = {1, 2, 3, 4, 10};
    const float b[] = {100, 100, 200, 200, 400};
    for (int i = 0; i < 4; ++i)
        Pipe.PipelineStep(a[i], b[i], Controls);
    EXPECT_EQ(S.MeanIndex, 0);
    const PipelineEvents events = Pipe.PipelineStep(a[4], b[4], Controls);
    EXPECT_EQ(S.MeanIndex, 1);
    EXPECT_FLOAT_EQ(S.MeanA[0], 4.0f);
    EXPECT_FLOAT_EQ(S.MeanB[0], 200.0f);
    EXPECT_EQ(S.BlockCount, 0);
    EXPECT_FLOAT_EQ(S.LabelSumA, 20.0f);
    EXPECT_FLOAT_EQ(S.LabelSumB, 1000.0f);
    EXPECT_EQ(S.LabelCount, 5);
    EXPECT_TRUE(events.means);
}

TEST_F(PipelineFixture, ChannelBOffGivesStandardDeviationOfA) {
    struct Row {
        const char* name;
        std::vector<float> values;
        float mean, deviation;
    } rows[] = {
        {"identical values", {7, 7, 7, 7, 7}, 7, 0},
        {"one outlier", {0, 0, 0, 0, 10}, 2, 4},
        {"ramp", {1, 2, 3, 4, 5}, 3, std::sqrt(2.0f)},
    };
    S.InputCodeB = S.InputCodeA;
    S.IntervalMs = 5;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const int at = S.MeanIndex;
        for (float v : r.values)
            Pipe.PipelineStep(v, 0, Controls);
        EXPECT_FLOAT_EQ(S.MeanA[at], r.mean);
        EXPECT_NEAR(S.MeanB[at], r.deviation, 1e-5);
    }
    EXPECT_FLOAT_EQ(S.LabelSumB, 0.0f); // the readouts see B as 0
}

// Long blocks: a signal alternating 10 above and below its mean has deviation 10 and keeps its
// mean, however many steps the block has.
TEST_F(PipelineFixture, LongBlocksKeepMeanAndDeviation) {
    S.InputCodeB = S.InputCodeA;
    for (int n : {1000, 10000, 60000}) {
        for (float base : {100.2f, 511.6f, 1000.4f}) {
            SCOPED_TRACE(testing::Message() << n << " steps around " << base);
            S.IntervalMs = n;
            const int at = S.MeanIndex;
            for (int i = 0; i < n; ++i)
                Pipe.PipelineStep(base + (i % 2 ? 10.0f : -10.0f), 0, Controls);
            ASSERT_EQ(S.MeanIndex, at + 1);
            EXPECT_NEAR(S.MeanA[at], base, 1e-3);
            EXPECT_NEAR(S.MeanB[at], 10.0f, 1e-3);
        }
    }
}

TEST_F(PipelineFixture, CrossingAtTheLevel) {
    struct Row {
        bool channelA, rising;
        float prevA, curA, prevB, curB;
        bool fires;
    } rows[] = {
        {true, true, 500, 512, 0, 0, true},    // rising onto the level
        {true, true, 512, 600, 0, 0, false},   // already at the level before
        {true, true, 600, 500, 0, 0, false},   // falling
        {true, true, 511.5f, 512, 0, 0, true}, // integer level against float values
        {true, false, 520, 512, 0, 0, true},   // falling onto the level
        {true, false, 512, 500, 0, 0, false},  {true, false, 500, 600, 0, 0, false},
        {false, true, 500, 600, 0, 0, false}, // B tested, A crossing ignored
        {false, true, 0, 0, 500, 600, true},   {false, false, 0, 0, 600, 400, true},
        {true, true, 0, 0, 500, 600, false}, // A tested, B crossing ignored
    };
    S.TriggerLevel = 512;
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message()
                     << (r.channelA ? "A" : "B") << (r.rising ? "+ " : "- ") << r.prevA << "->"
                     << r.curA << ", " << r.prevB << "->" << r.curB);
        Controls.channelA = r.channelA;
        Controls.rising = r.rising;
        S.TriggerPos = -1;
        S.PrevMeanA = r.prevA;
        S.PrevMeanB = r.prevB;
        const PipelineEvents ev = Block(r.curA, r.curB);
        EXPECT_EQ(ev.triggers, r.fires ? 1 : 0);
        EXPECT_EQ(S.TriggerPos >= 0, r.fires);
    }
}

TEST_F(PipelineFixture, DauerStartsSweepsBackToBack) {
    Controls.mode = TriggerMode::Dauer;
    S.PointCount = 100;
    S.PreTrigger = 0;
    const PipelineEvents ev = Blocks(300, 5);
    EXPECT_EQ(ev.triggers, 3);
    EXPECT_EQ(ev.sweepsCompleted, 3);
    EXPECT_EQ(S.TriggerPos, -1);
    EXPECT_EQ(Block(5).triggers, 1); // the first block after a sweep fires again
}

// Held: a running sweep stops where it was and none starts, not even from ButtonTrigger; the
// block means go on, and the next block after the hold fires again.
TEST_F(PipelineFixture, HoldStoresNoSweepWhileTheMeansGoOn) {
    Controls.mode = TriggerMode::Dauer;
    S.PointCount = 100;
    S.PreTrigger = 0;
    Blocks(10, 5);
    ASSERT_GE(S.TriggerPos, 0);
    const int stored = S.Data.Count;
    Controls.hold = true;
    const int mean = S.MeanIndex;
    EXPECT_EQ(Blocks(300, 7).triggers, 0);
    EXPECT_EQ(Pipe.TriggerSweep(Controls).triggers, 0);
    EXPECT_EQ(S.TriggerPos, -1);
    EXPECT_EQ(S.Data.Count, stored);
    EXPECT_EQ(S.Data.A[stored - 1], 5);
    EXPECT_EQ(S.MeanIndex, mean + 300);
    Controls.hold = false;
    EXPECT_EQ(Block(7).triggers, 1);
    EXPECT_EQ(S.Data.A[S.Data.Count - 1], 7);
}

TEST_F(PipelineFixture, NormalNeverFiresOnAFlatSignal) {
    Controls.mode = TriggerMode::Normal;
    S.PointCount = 100;
    EXPECT_EQ(Blocks(1000, 5).triggers, 0);
    EXPECT_EQ(S.SinceArmed, 1000);
}

TEST_F(PipelineFixture, AutoFiresAfterPointCountFlatBlocks) {
    Controls.mode = TriggerMode::Auto;
    S.PointCount = 200;
    S.PreTrigger = 20;
    EXPECT_EQ(Blocks(200, 5).triggers, 0);
    EXPECT_EQ(Block(5).triggers, 1);
    // After the sweep (179 more blocks) it is armed again and counts from 0.
    EXPECT_EQ(Blocks(179, 5).sweepsCompleted, 1);
    EXPECT_EQ(S.SinceArmed, 0);
    EXPECT_EQ(Blocks(200, 5).triggers, 0);
    EXPECT_EQ(Block(5).triggers, 1);
}

TEST_F(PipelineFixture, SinceArmedIsHeldAt10000) {
    Controls.mode = TriggerMode::Normal;
    Blocks(10005, 5);
    EXPECT_EQ(S.SinceArmed, 10000);
}

TEST_F(PipelineFixture, EinzelHoldsUntilReset) {
    Controls.mode = TriggerMode::Einzel;
    S.PointCount = 100;
    S.PreTrigger = 0;
    S.TriggerLevel = 512;
    auto cross = [this] {
        PipelineEvents ev = Block(500);
        ev.Merge(Block(600));
        return ev;
    };
    // Held at start: the enabled Reset button blocks crossings.
    Controls.resetEnabled = true;
    EXPECT_EQ(cross().triggers, 0);

    Pipe.ResetTrigger(Controls);
    EXPECT_FALSE(Controls.resetEnabled);
    EXPECT_EQ(cross().triggers, 1);
    EXPECT_TRUE(Controls.resetEnabled); // enabled while recording
    EXPECT_EQ(Blocks(99, 600).sweepsCompleted, 1);
    EXPECT_TRUE(Controls.resetEnabled);
    EXPECT_EQ(cross().triggers, 0); // held

    // ButtonTrigger starts a sweep regardless.
    EXPECT_EQ(Pipe.TriggerSweep(Controls).triggers, 1);
    EXPECT_EQ(S.TriggerPos, S.MeanIndex);
    Blocks(100, 600);

    Pipe.ResetTrigger(Controls);
    EXPECT_EQ(cross().triggers, 1);
}

// A ramp of history blocks 0, 1, 2, ... then a crossing block of 1000: the sweep holds the
// PreTrigger newest history blocks, the trigger block at t = 0 and the blocks after it.
TEST_F(PipelineFixture, PreTriggerHistory) {
    for (int pre : {0, 20, 200}) {
        SCOPED_TRACE(testing::Message() << "PreTrigger " << pre);
        // A store of its own per row: the fixture's S and Pipe keep referring to the fixture's.
        const auto store = std::make_unique<MeasurementStore>();
        MeasurementStore& s = *store;
        SamplePipeline pipe(s, ParserA, ParserB);
        s.InputCodeA = 2;
        s.InputCodeB = 3;
        s.IntervalMs = 1;
        s.PointCount = 200;
        s.PreTrigger = pre;
        s.TriggerLevel = 1000;
        for (int k = 0; k < 300; ++k)
            pipe.PipelineStep(float(k), float(k), Controls);
        ASSERT_EQ(s.TriggerPos, -1);

        PipelineEvents ev = pipe.PipelineStep(1000, 1000, Controls);
        ASSERT_EQ(ev.triggers, 1);
        EXPECT_FLOAT_EQ(s.PointTime, 0.001f);
        EXPECT_FLOAT_EQ(s.TimeOrigin, -pre * 0.001f);
        for (int i = 0; i < pre; ++i) {
            EXPECT_FLOAT_EQ(s.Data.A[i], float(300 - pre + i)) << i;
            EXPECT_FLOAT_EQ(s.SweepRawB[i], float(300 - pre + i)) << i;
        }
        if (pre < s.PointCount) {
            EXPECT_EQ(s.Data.Count, pre + 1);
            EXPECT_FLOAT_EQ(s.Data.T[pre], 0.0f);
            EXPECT_FLOAT_EQ(s.Data.A[pre], 1000.0f);
            EXPECT_FLOAT_EQ(s.Data.MaxA, 1000.0f);
            EXPECT_FLOAT_EQ(s.Data.MinA, pre == 0 ? 1000.0f : float(300 - pre));
            EXPECT_EQ(ev.sweepsCompleted, 0);
            // The rest of the sweep comes from the following blocks.
            for (int k = 0; k < s.PointCount - pre - 2; ++k)
                ev.Merge(pipe.PipelineStep(2000, 2000, Controls));
            EXPECT_EQ(ev.sweepsCompleted, 0);
            ev.Merge(pipe.PipelineStep(2000, 2000, Controls));
        } else {
            // The trigger block itself ends the sweep without being stored.
            EXPECT_EQ(s.Data.Count, pre);
            EXPECT_FLOAT_EQ(s.Data.MaxA, 299.0f);
        }
        EXPECT_EQ(ev.sweepsCompleted, 1);
        EXPECT_EQ(s.TriggerPos, -1);
        EXPECT_EQ(s.Data.Count, s.PointCount);
        EXPECT_EQ(s.SweepIndex, s.PointCount);
        EXPECT_NEAR(s.Data.T[s.PointCount - 1], (s.PointCount - 1 - pre) * 0.001f, 1e-6);
        EXPECT_FLOAT_EQ(s.Data.MinT, s.TimeOrigin);
        EXPECT_FLOAT_EQ(s.Data.MaxT, s.Data.T[s.PointCount - 1]);
    }
}

TEST_F(PipelineFixture, HistoryAndTriggerPositionWrapAroundTheMeanRing) {
    S.MeanIndex = PointCapacity - 5;
    S.PreTrigger = 20;
    for (int k = 0; k < 30; ++k)
        Block(float(k));
    EXPECT_EQ(S.MeanIndex, 25);
    Pipe.TriggerSweep(Controls);
    EXPECT_EQ(S.TriggerPos, 25);
    for (int i = 0; i < 20; ++i)
        EXPECT_FLOAT_EQ(S.Data.A[i], float(10 + i)) << i;
    S.MeanIndex = PointCapacity - 1;
    Block(7);
    EXPECT_EQ(S.MeanIndex, 0);
    EXPECT_FLOAT_EQ(S.MeanA[PointCapacity - 1], 7.0f);
}

TEST_F(PipelineFixture, SignalsGetOwnAndBothChannelVoltages) {
    struct Row {
        const char *formulaA, *formulaB;
        float expectA, expectB;
    } rows[] = {
        {"U", "U", 2.555f, 0.0f}, // own channel
        {"B", "A", 0.0f, 2.555f}, // the other channel
        {"X", "Y+1", 1.0f, 1.0f}, // raw fraction and raw value of the own channel
        {"D", "r*1023+U", 1023.0f, 0.0f},
    };
    ParserA.SetVariable("r", 0);
    ParserB.SetVariable("r", 0);
    S.UminA = -2.56f;
    S.UmaxA = 2.555f;
    S.UminB = 0;
    S.UmaxB = 5;
    S.PreTrigger = 0;
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.formulaA << " / " << r.formulaB);
        SetFormulas(r.formulaA, r.formulaB);
        Pipe.TriggerSweep(Controls);
        Block(1023, 0);
        ASSERT_EQ(S.Data.Count, 1);
        EXPECT_NEAR(S.Data.A[0], r.expectA, 1e-5);
        EXPECT_NEAR(S.Data.B[0], r.expectB, 1e-5);
    }
}

TEST_F(PipelineFixture, TriggerTakesDefinitionsAndReportsTimeRangeChanges) {
    S.IntervalMs = 1;
    S.PreTrigger = 10;
    S.PointCount = 100;
    PipelineEvents ev = Pipe.TriggerSweep(Controls);
    EXPECT_TRUE(ev.timeRangeStartChanged);
    EXPECT_TRUE(ev.timeRangeEndChanged);
    EXPECT_FLOAT_EQ(S.TimeRangeMin, -0.01f);
    EXPECT_FLOAT_EQ(S.TimeRangeMax, 0.089f);
    EXPECT_EQ(S.Data.DefA, Controls.definitionA);
    EXPECT_EQ(S.Data.DefB, Controls.definitionB);
    EXPECT_TRUE(ev.axes);

    ev = Pipe.TriggerSweep(Controls);
    EXPECT_FALSE(ev.timeRangeStartChanged);
    EXPECT_FALSE(ev.timeRangeEndChanged);
    EXPECT_FALSE(ev.axes);

    S.PointCount = 200;
    ev = Pipe.TriggerSweep(Controls);
    EXPECT_FALSE(ev.timeRangeStartChanged);
    EXPECT_TRUE(ev.timeRangeEndChanged);
}

TEST_F(PipelineFixture, SnapshotCopiesStoredPoints) {
    Controls.autoSnapshot = false;
    Pipe.TakeSnapshot();
    EXPECT_EQ(S.Snap.Count, 0);

    S.PreTrigger = 0;
    S.PointCount = 100;
    Pipe.TriggerSweep(Controls);
    for (int k = 0; k < 100; ++k)
        Block(float(k));
    const QString firstDef = S.Data.DefA;

    // With the automatic snapshot each trigger first keeps the previous sweep.
    Controls.autoSnapshot = true;
    Controls.definitionA = "Anteil (%): x*100";
    Pipe.TriggerSweep(Controls);
    EXPECT_EQ(S.Snap.Count, 100);
    EXPECT_EQ(S.Snap.DefA, firstDef);
    EXPECT_EQ(S.Data.DefA, Controls.definitionA);
    for (int i = 0; i < 100; ++i)
        EXPECT_FLOAT_EQ(S.Snap.A[i], float(i)) << i;
    EXPECT_FLOAT_EQ(S.Snap.MaxA, 99.0f);
    EXPECT_FLOAT_EQ(S.Snap.MaxT, 0.099f);
    EXPECT_EQ(S.Data.Count, 0);
    Pipe.TriggerSweep(Controls); // an empty store keeps the reference curve
    EXPECT_EQ(S.Snap.Count, 100);
    Pipe.TakeSnapshot(); // and so does the button
    EXPECT_EQ(S.Snap.Count, 100);
    EXPECT_EQ(S.Snap.DefA, firstDef);

    Pipe.DeleteSnapshot();
    EXPECT_EQ(S.Snap.Count, 0);
    EXPECT_TRUE(S.Snap.DefA.isEmpty());
    EXPECT_TRUE(S.Snap.DefB.isEmpty());
}

// An integer division by zero in a formula counts as 0 and is reported once per formula text;
// the sweep is recorded completely.
TEST_F(PipelineFixture, IntegerDivisionByZeroIsContained) {
    SetFormulas("5DIV0", "Y");
    S.PreTrigger = 20;
    S.PointCount = 100;
    Blocks(30, 3);
    PipelineEvents ev;
    ASSERT_NO_THROW(ev = Pipe.TriggerSweep(Controls));
    EXPECT_TRUE(ev.divByZeroA);
    EXPECT_FALSE(ev.divByZeroB);
    EXPECT_EQ(S.Data.Count, 20);
    EXPECT_EQ(S.SweepIndex, 20);
    EXPECT_FLOAT_EQ(S.Data.A[5], 0.0f);
    EXPECT_FLOAT_EQ(S.Data.B[5], 3.0f);

    ev = Blocks(80, 3);
    EXPECT_FALSE(ev.divByZeroA);
    EXPECT_EQ(ev.sweepsCompleted, 1);
    EXPECT_EQ(S.Data.Count, 100);

    SetFormulas("YMOD0", "7DIV0");
    ev = Pipe.TriggerSweep(Controls);
    EXPECT_TRUE(ev.divByZeroA);
    EXPECT_TRUE(ev.divByZeroB);
}

} // namespace
