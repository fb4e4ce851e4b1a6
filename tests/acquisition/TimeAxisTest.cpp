// Interval change (history rebuild), point count change and the time axis.
#include "TimeAxis.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace kurvimat::acquisition;

namespace {

std::unique_ptr<MeasurementStore> NewStore() {
    return std::make_unique<MeasurementStore>();
}

TEST(TimeAxis, StartValuesGiveTheNominalAxis) {
    auto s = NewStore();
    RebuildTimeAxis(*s);
    EXPECT_FLOAT_EQ(s->TimeRangeMin, -0.1f);
    EXPECT_FLOAT_EQ(s->TimeRangeMax, 0.895f);
    EXPECT_FLOAT_EQ(s->Data.MinT, -0.1f);
    EXPECT_FLOAT_EQ(s->Data.MaxT, -0.095f);
}

TEST(TimeAxis, StoredPointsGetTheirTimesAndTimeExtreme) {
    auto s = NewStore();
    s->PointTime = 0.01f;
    s->TimeOrigin = -0.03f;
    s->Data.Count = 6;
    RebuildTimeAxis(*s);
    for (int i = 0; i < 6; ++i)
        EXPECT_FLOAT_EQ(s->Data.T[i], (i - 3) * 0.01f) << i;
    EXPECT_FLOAT_EQ(s->Data.MinT, -0.03f);
    EXPECT_FLOAT_EQ(s->Data.MaxT, s->Data.T[5]);
}

// Raw windows of IntervalMs entries, newest first, carry the values 100, 200, ...; the entries
// just outside the rebuilt span carry 999, so a window placed one entry off shows in the means.
TEST(RebuildMeanHistory, NewestFullIntervalsBecomeNewestMeans) {
    struct Row {
        int interval, preTrigger, rawIndex, expectedCount;
        int filled = RawCapacity; // measured raw entries
    } rows[] = {
        // clang-format off
        {60000, 20, 70000, 2},   // only two intervals fit into the raw ring
        {10000, 20, 5, 15},
        {5, 20, 3, 20},          // windows reach back across the ring's start
        {20, 20, 149990, 20},
        {1, 0, 0, 0},
        {2, 200, 1000, 200},
        {2, 10000, 77, 10000},   // PreTrigger = PointCount = 10000: a full ring of means
        {60000, 20, 70000, 1, 70000},  // one full interval measured since start
        {5, 20, 3, 0, 3},
        // clang-format on
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.interval << " ms, " << r.filled << " entries");
        auto s = NewStore();
        s->IntervalMs = r.interval;
        s->PreTrigger = r.preTrigger;
        s->RawIndex = r.rawIndex;
        s->RawFilled = r.filled;
        s->InputCodeB = 3; // channel B on
        std::fill(std::begin(s->RawA), std::end(s->RawA), 999);
        std::fill(std::begin(s->RawB), std::end(s->RawB), 999);
        auto at = [&](long back) {
            return int(((r.rawIndex - back) % RawCapacity + RawCapacity) % RawCapacity);
        };
        for (int j = 0; j < r.expectedCount; ++j) {
            for (int k = 1; k <= r.interval; ++k) {
                s->RawA[at(long(j) * r.interval + k)] = 100 * (j + 1);
                s->RawB[at(long(j) * r.interval + k)] = 10 * (j + 1);
            }
        }
        // Left-overs of the old interval that must go.
        const int leftover = r.expectedCount + 3;
        if (leftover < PointCapacity) s->MeanA[leftover] = 5;
        s->SweepRawA[7] = 5;
        s->Data.Count = 50;
        s->SweepIndex = 50;
        s->BlockCount = 3;
        s->BlockSumA = 9;
        s->TriggerPos = 4;
        s->LabelSumA = 77;
        s->LabelCount = 7;

        RebuildMeanHistory(*s);

        // A full ring of means wraps the write position to 0.
        ASSERT_EQ(s->MeanIndex, r.expectedCount % PointCapacity);
        EXPECT_EQ(s->MeanFilled, r.expectedCount);
        for (int i = 0; i < r.expectedCount; ++i) {
            const int newer = r.expectedCount - 1 - i; // windows newer than this one
            EXPECT_FLOAT_EQ(s->MeanA[i], 100.0f * (newer + 1)) << i;
            EXPECT_FLOAT_EQ(s->MeanB[i], 10.0f * (newer + 1)) << i;
        }
        if (leftover < PointCapacity) {
            EXPECT_FLOAT_EQ(s->MeanA[leftover], 0.0f);
        }
        EXPECT_FLOAT_EQ(s->SweepRawA[7], 0.0f);
        EXPECT_EQ(s->Data.Count, 0);
        EXPECT_EQ(s->SweepIndex, 0);
        EXPECT_EQ(s->BlockCount, 0);
        EXPECT_FLOAT_EQ(s->BlockSumA, 0.0f);
        EXPECT_EQ(s->TriggerPos, -1);
        EXPECT_FLOAT_EQ(s->LabelSumA, 77.0f);
        EXPECT_EQ(s->LabelCount, 7);
        EXPECT_EQ(s->RawIndex, r.rawIndex);
    }
}

// With channel B off an entry held two steps of 0.5 ms, and B is the deviation of A. Entries
// alternate 100, 300: every block has mean 200 and deviation 100.
TEST(RebuildMeanHistory, ChannelBOffHalvesTheSpanAndKeepsTheDeviation) {
    const int rows[][3] = {{4, 30, 15}, {60000, RawCapacity, 5}, {20, 25, 2}};
    for (const auto& [interval, filled, blocks] : rows) {
        SCOPED_TRACE(interval);
        auto s = NewStore();
        s->InputCodeA = s->InputCodeB = 2;
        s->IntervalMs = interval;
        s->RawFilled = filled;
        for (int i = 0; i < RawCapacity; ++i)
            s->RawA[i] = i % 2 ? 100 : 300;
        RebuildMeanHistory(*s);
        ASSERT_EQ(s->MeanFilled, blocks);
        EXPECT_FLOAT_EQ(s->MeanA[0], 200.0f);
        EXPECT_FLOAT_EQ(s->MeanB[blocks - 1], 100.0f);
    }
}

TEST(ChangePointCount, PreTriggerKeepsItsRelativePlace) {
    struct Row {
        int oldCount, oldPre, newCount, newPre;
    } rows[] = {
        {200, 20, 500, 50},      {200, 200, 100, 100}, {200, 0, 10000, 0},
        {100, 1, 200, 2},        {100, 50, 5, 2}, // 2.5: ties to even
        {100, 50, 7, 4},                          // 3.5
        {10000, 9999, 100, 100},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(testing::Message() << r.oldPre << "/" << r.oldCount << " -> " << r.newCount);
        auto s = NewStore();
        s->PointCount = r.oldCount;
        s->PreTrigger = r.oldPre;
        ChangePointCount(*s, r.newCount);
        EXPECT_EQ(s->PointCount, r.newCount);
        EXPECT_EQ(s->PreTrigger, r.newPre);
    }
}

TEST(ChangePointCount, FromTwoHundredToFiveHundredWidensTheAxis) {
    auto s = NewStore();
    s->SweepIndex = 150;
    ChangePointCount(*s, 500);
    RebuildTimeAxis(*s);
    EXPECT_EQ(s->PreTrigger, 50);
    EXPECT_EQ(s->SweepIndex, 150);
    // PointTime and TimeOrigin change only at the next trigger.
    EXPECT_FLOAT_EQ(s->TimeRangeMin, -0.1f);
    EXPECT_FLOAT_EQ(s->TimeRangeMax, s->TimeOrigin + 499 * s->PointTime);

    ChangePointCount(*s, 100);
    EXPECT_EQ(s->SweepIndex, 100);
    EXPECT_EQ(s->PreTrigger, 10);
}

} // namespace
