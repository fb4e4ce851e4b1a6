// Input reports fed straight into DecodeReport: raw ring entries and pipeline steps by layout.
#include "ReportDecoder.h"
#include "FormulaParser.h"
#include "SamplePipeline.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <utility>
#include <vector>

using namespace kurvimat::acquisition;
using namespace kurvimat::signals;

namespace {

using Pair = std::pair<float, float>;
using Bytes = std::array<std::uint8_t, 8>;

// A store with one-step blocks, so that the mean history records every pipeline step.
class DecoderFixture : public ::testing::Test {
protected:
    DecoderFixture() : Store(std::make_unique<MeasurementStore>()), Pipe(*Store, ParserA, ParserB) {
        Store->IntervalMs = 1;
        Store->InputCodeA = 2;
        Store->InputCodeB = 3;
        Controls.mode = TriggerMode::Normal;
        Store->TriggerLevel = 2000; // out of reach: no trigger
    }

    void Decode(int mode, bool channelBOff, const Bytes& d) {
        Store->DeviceMode = mode;
        Store->InputCodeB = channelBOff ? Store->InputCodeA : 3;
        Pipe.DecodeReport(d.data(), int(d.size()), Controls);
    }

    // Const: Pipe refers to this store for the whole test.
    const std::unique_ptr<MeasurementStore> Store;
    TParser ParserA, ParserB;
    SamplePipeline Pipe;
    TriggerSettings Controls;
};

struct DecodeCase {
    const char* name;
    int mode;
    bool channelBOff;
    Bytes data;
    std::vector<Pair> entries;
    std::vector<Pair> steps; // empty: the same as the entries
};

TEST_F(DecoderFixture, ExpandsPairsIntoEntriesAndSteps) {
    // clang-format off
    const std::vector<DecodeCase> cases = {
        {"mode 2, B on", 2, false, {0, 255, 1, 2, 3, 4, 5, 6},
         {{0, 1020}, {0, 1020}, {4, 8}, {4, 8}, {12, 16}, {12, 16}, {20, 24}, {20, 24}}, {}},
        // With channel B off the B step value is the deviation within a one-step block: 0.
        {"mode 2, B off: two successive A readings per pair", 2, true, {1, 2, 3, 4, 0, 0, 0, 0},
         {{4, 0}, {8, 0}, {12, 0}, {16, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}},
         {{4, 0}, {4, 0}, {8, 0}, {8, 0}, {12, 0}, {12, 0}, {16, 0}, {16, 0},
          {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}, {0, 0}}},
        {"mode 3, third pair flag, no low bits", 3, false, {1, 2, 3, 4, 5, 6, 0x02, 0x00},
         {{4, 8}, {4, 8}, {4, 8}, {12, 16}, {12, 16}, {12, 16}, {20, 24}, {20, 24}, {20, 24}}, {}},
        {"mode 3, two pairs, low bits of each slot", 3, false, {255, 1, 2, 3, 9, 9, 0x3C, 0xE4},
         {{1023, 5}, {1023, 5}, {1023, 5}, {11, 14}, {11, 14}, {11, 14}}, {}},
        {"mode 3, B off: entries a, a, b; steps a, a, a, b, b, b", 3, true,
         {10, 20, 30, 40, 0, 0, 0x00, 0x00},
         {{40, 0}, {40, 0}, {80, 0}, {120, 0}, {120, 0}, {160, 0}},
         {{40, 0}, {40, 0}, {40, 0}, {80, 0}, {80, 0}, {80, 0},
          {120, 0}, {120, 0}, {120, 0}, {160, 0}, {160, 0}, {160, 0}}},
        {"mode 5, one pair of sums: 5115 / 5 = 1023", 5, false, {0x27, 0x01, 0, 0, 0xF6, 0x00, 0, 0},
         {{1023, 26}, {1023, 26}, {1023, 26}, {1023, 26}, {1023, 26}},
         {{1023, 25.6f}, {1023, 25.6f}, {1023, 25.6f}, {1023, 25.6f}, {1023, 25.6f}}},
        {"mode 4, sums 2046 and 2042: raw 512 and 510 (ties to even), steps unrounded", 4, false,
         {15, 15, 15, 2, 0xFD, 0xF4, 0xF4, 0x10},
         {{512, 510}, {512, 510}, {512, 510}, {512, 510}, {510, 66}, {510, 66}, {510, 66}, {510, 66}},
         {{511.5f, 510.5f}, {511.5f, 510.5f}, {511.5f, 510.5f}, {511.5f, 510.5f},
          {510.5f, 66}, {510.5f, 66}, {510.5f, 66}, {510.5f, 66}}},
        {"mode 5, B off: entries a, a, a, b, b; five steps of each", 5, true, {1, 2, 0, 0, 0, 0, 0, 0},
         {{26, 0}, {26, 0}, {26, 0}, {51, 0}, {51, 0}},
         {{25.6f, 0}, {25.6f, 0}, {25.6f, 0}, {25.6f, 0}, {25.6f, 0},
          {51.2f, 0}, {51.2f, 0}, {51.2f, 0}, {51.2f, 0}, {51.2f, 0}}},
        {"mode 4, sums beyond 1023 x n are clamped", 4, false, {0xFF, 0xFF, 0, 0, 0xFE, 0xFE, 0, 0},
         {{1023, 1023}, {1023, 1023}, {1023, 1023}, {1023, 1023}}, {}},
    };
    // clang-format on
    for (const DecodeCase& c : cases) {
        SCOPED_TRACE(c.name);
        // A store of its own per row: the fixture's pipeline keeps referring to the fixture's.
        const auto store = std::make_unique<MeasurementStore>();
        MeasurementStore& s = *store;
        SamplePipeline pipe(s, ParserA, ParserB);
        s.IntervalMs = 1;
        s.InputCodeA = 2;
        s.TriggerLevel = 2000;
        s.RawIndex = 100;
        s.DeviceMode = c.mode;
        s.InputCodeB = c.channelBOff ? 2 : 3;
        const PipelineEvents events = pipe.DecodeReport(c.data.data(), 8, Controls);

        std::vector<Pair> entries;
        for (int i = 100; i != s.RawIndex; ++i)
            entries.emplace_back(float(s.RawA[i]), float(s.RawB[i]));
        EXPECT_EQ(entries, c.entries);

        std::vector<Pair> steps;
        for (int i = 0; i < s.MeanIndex; ++i)
            steps.emplace_back(s.MeanA[i], s.MeanB[i]);
        const std::vector<Pair>& expected = c.steps.empty() ? c.entries : c.steps;
        ASSERT_EQ(steps.size(), expected.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            EXPECT_FLOAT_EQ(steps[i].first, expected[i].first) << "step " << i;
            EXPECT_FLOAT_EQ(steps[i].second, expected[i].second) << "step " << i;
        }
        EXPECT_TRUE(events.raw);
    }
}

TEST_F(DecoderFixture, ShortReportsAndUnknownModesAreDropped) {
    const std::uint8_t d[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    struct Row {
        const char* name;
        int mode;
        int size;
    } rows[] = {{"seven bytes", 2, 7}, {"no bytes", 5, 0}, {"mode 1", 1, 8}, {"mode 6", 6, 8}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        Store->DeviceMode = r.mode;
        const PipelineEvents events = Pipe.DecodeReport(d, r.size, Controls);
        EXPECT_EQ(Store->RawIndex, 0);
        EXPECT_EQ(Store->LabelCount, 0);
        EXPECT_FALSE(events.raw);
    }
}

TEST_F(DecoderFixture, RawRingWrapsAtCapacity) {
    Store->RawIndex = RawCapacity - 3;
    Decode(2, false, {1, 2, 3, 4, 5, 6, 7, 8});
    EXPECT_EQ(Store->RawIndex, 5);
    EXPECT_EQ(Store->RawA[RawCapacity - 3], 4);
    EXPECT_EQ(Store->RawA[RawCapacity - 1], 12);
    EXPECT_EQ(Store->RawA[0], 12);
    EXPECT_EQ(Store->RawA[4], 28);

    // 150000 entries (30000 mode-5 reports of one pair) bring the index back where it began.
    Store->IntervalMs = 1000;
    const int start = Store->RawIndex;
    const Bytes d{0x27, 0x01, 0, 0, 0xF6, 0x00, 0, 0};
    for (int i = 0; i < RawCapacity / 5; ++i)
        Decode(5, false, d);
    EXPECT_EQ(Store->RawIndex, start);
}

// Any bytes: ring values stay within 0 ... 1023 and the ring advances one entry per millisecond
// the report stands for (a pair covers DeviceMode ms, 2 ms in mode 2).
TEST_F(DecoderFixture, ArbitraryBytesStayInRange) {
    std::mt19937 rng(12345);
    for (int mode = 2; mode <= 5; ++mode) {
        for (bool bOff : {false, true}) {
            SCOPED_TRACE(testing::Message() << "mode " << mode << (bOff ? " B off" : " B on"));
            for (int i = 0; i < 2000; ++i) {
                Bytes d;
                for (auto& byte : d)
                    byte = std::uint8_t(rng());
                const int before = Store->RawIndex;
                SamplePair pairs[MaxPairsPerReport];
                const int count = DecodePairs(mode, d.data(), 8, pairs);
                Decode(mode, bOff, d);
                const int entries = (Store->RawIndex - before + RawCapacity) % RawCapacity;
                ASSERT_EQ(entries, count * (mode == 2 ? 2 : mode));
                for (int k = before; k != Store->RawIndex; k = (k + 1) % RawCapacity) {
                    ASSERT_GE(Store->RawA[k], 0);
                    ASSERT_LE(Store->RawA[k], 1023);
                    ASSERT_GE(Store->RawB[k], 0);
                    ASSERT_LE(Store->RawB[k], 1023);
                    if (bOff) {
                        ASSERT_EQ(Store->RawB[k], 0);
                    }
                }
            }
        }
    }
}

} // namespace
