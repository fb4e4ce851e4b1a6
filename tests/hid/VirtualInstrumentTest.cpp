#include "VirtualInstrument.h"
#include "HidPlatformVirtual.h"
#include "HidTestSupport.h"
#include "THidDevice.h"
#include "THidDeviceController.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <set>
#include <vector>

using namespace kurvimat::hid;

namespace {

struct Pair {
    double a;
    double b;
};

// An independent reading of the three report layouts (data bytes D0 ... D7).
std::vector<Pair> decode(int mode, const std::uint8_t* d) {
    std::vector<Pair> pairs;
    if (mode == 2) {
        for (int i = 0; i < 4; ++i)
            pairs.push_back({d[2 * i] * 4.0, d[2 * i + 1] * 4.0});
    } else if (mode == 3) {
        const int count = (d[6] & 0x02) ? 3 : 2;
        for (int i = 0; i < count; ++i)
            pairs.push_back({d[2 * i] * 4.0 + ((d[6] >> (2 * i + 2)) & 3),
                             d[2 * i + 1] * 4.0 + ((d[7] >> (2 * i + 2)) & 3)});
    } else {
        const int count = (d[4] & 0x01) ? 2 : 1;
        for (int i = 0; i < count; ++i)
            pairs.push_back({(d[2 * i] * 128 + (d[2 * i + 4] >> 1)) / double(mode),
                             (d[2 * i + 1] * 128 + (d[2 * i + 5] >> 1)) / double(mode)});
    }
    return pairs;
}

std::vector<std::uint8_t> configuration(std::uint8_t codeA, std::uint8_t codeB, int mode,
                                        std::uint8_t pullUps = 0) {
    std::vector<std::uint8_t> report(VirtualInstrument::ReportLength, 0);
    report[1] = codeA;
    report[2] = codeB;
    report[3] = static_cast<std::uint8_t>(mode);
    report[4] = pullUps;
    return report;
}

std::set<std::size_t> allowedPairCounts(int mode) {
    switch (mode) {
    case 2:
        return {4};
    case 3:
        return {2, 3};
    case 4:
        return {2};
    default:
        return {1, 2};
    }
}

struct ModeRow {
    int mode;
    bool channelBOff;
};

class InstrumentModeTest : public ::testing::TestWithParam<ModeRow> {};

// One second of reports after a configuration at t = 0.
std::vector<std::vector<std::uint8_t>> secondOfReports(VirtualInstrument& instrument) {
    std::vector<std::vector<std::uint8_t>> reports;
    std::vector<std::uint8_t> report;
    while (instrument.nextReportDue() <= 1000) {
        instrument.produceReport(report);
        reports.push_back(report);
    }
    return reports;
}

TEST_P(InstrumentModeTest, StreamsOnePairPerModeMillisecondsInItsLayout) {
    const auto [mode, off] = GetParam();
    VirtualInstrument instrument;
    const auto config = configuration(0x02, off ? 0x02 : 0x03, mode);
    ASSERT_TRUE(instrument.outputReport(config.data(), config.size(), 0));
    const auto reports = secondOfReports(instrument);

    std::size_t pairCount = 0;
    std::vector<Pair> pairs;
    for (const auto& r : reports) {
        ASSERT_EQ(r.size(), 9u);
        EXPECT_EQ(r[0], 0) << "no numbered reports";
        const std::uint8_t* d = r.data() + 1;
        if (mode == 3) {
            EXPECT_EQ(d[6] & 0x01, 0);
            EXPECT_EQ(d[7] & 0x03, 0);
        } else if (mode >= 4) {
            EXPECT_EQ(d[5] & 0x01, 0);
        }
        const auto decoded = decode(mode, d);
        EXPECT_TRUE(allowedPairCounts(mode).count(decoded.size())) << decoded.size();
        pairCount += decoded.size();
        pairs.insert(pairs.end(), decoded.begin(), decoded.end());
    }
    EXPECT_EQ(reports.size(), 1000u / VirtualInstrument::PollIntervalMs);
    EXPECT_EQ(pairCount, static_cast<std::size_t>(1000 / mode));

    // Channel A: a 1 Hz sine around mid-scale, so one second spans a wide band around 512.
    double sum = 0;
    double lo = 1023;
    double hi = 0;
    for (const Pair& p : pairs) {
        EXPECT_LE(p.a, 1023);
        EXPECT_LE(p.b, 1023);
        sum += p.a;
        lo = std::min(lo, p.a);
        hi = std::max(hi, p.a);
    }
    EXPECT_NEAR(sum / pairs.size(), 512, 25);
    EXPECT_LT(lo, 300);
    EXPECT_GT(hi, 720);

    // With channel B off, the b slot holds the next reading of channel A; otherwise it holds
    // the thermometer, which starts near 4 V, far above A's mean.
    double sumB = 0;
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        sumB += pairs[i].b;
        if (off) {
            EXPECT_NEAR(pairs[i].b, pairs[i].a, 25) << i;
        }
    }
    if (off) {
        EXPECT_NEAR(sumB / pairs.size(), sum / pairs.size(), 5);
    } else {
        EXPECT_GT(sumB / pairs.size(), sum / pairs.size() + 200);
    }
}

INSTANTIATE_TEST_SUITE_P(Modes, InstrumentModeTest,
                         ::testing::Values(ModeRow{2, false}, ModeRow{2, true}, ModeRow{3, false},
                                           ModeRow{3, true}, ModeRow{4, false}, ModeRow{4, true},
                                           ModeRow{5, false}, ModeRow{5, true}),
                         [](const auto& info) {
                             return "Mode" + std::to_string(info.param.mode) +
                                    (info.param.channelBOff ? "BOff" : "BOn");
                         });

// Readings agree with the voltage ranges the program assumes for each input code.
TEST(VirtualInstrumentTest, ReadingsMatchTheRangeOfEachInputCode) {
    struct Row {
        const char* name;
        std::uint8_t code;
        double uMin;
        double uMax;  // volts at raw 0 and raw 1023
        double volts; // the input's true voltage at t
        double t;
    };
    const auto diffAt = [](double t) {
        return VirtualInstrument::sourceA(t) - VirtualInstrument::sourceB(t);
    };
    // A moment where A - B is small enough for the amplified differential ranges.
    double tSmall = 100;
    for (double t = 100; t < 101.0; t += 0.0005)
        if (std::abs(diffAt(t) - 0.03) < std::abs(diffAt(tSmall) - 0.03)) tSmall = t;
    ASSERT_NEAR(diffAt(tSmall), 0.03, 0.005);

    const Row rows[] = {
        {"A 5 V", 0x02, 0, 5, VirtualInstrument::sourceA(0.25), 0.25},
        {"A 2.56 V", 0x92, 0, 2.5575, VirtualInstrument::sourceA(0), 0},
        {"A 1.1 V", 0x82, 0, 1.1, VirtualInstrument::sourceA(0.75), 0.75},
        {"A-B 2.56 V", 0x96, -2.56, 2.555, diffAt(0), 0},
        {"A-B x20 2.56 V", 0x97, -0.128, 0.12775, diffAt(tSmall), tSmall},
        {"A-B x20 1.1 V", 0x87, -0.055, 0.054892577, diffAt(tSmall), tSmall},
        {"B 5 V", 0x03, 0, 5, VirtualInstrument::sourceB(0), 0},
        {"B 2.56 V", 0x93, 0, 2.5575, VirtualInstrument::sourceB(400), 400},
        {"B 1.1 V", 0x83, 0, 1.1, VirtualInstrument::sourceB(400), 400},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualInstrument instrument;
        double raw = 0;
        const int n = 64; // averages the noise away
        for (int i = 0; i < n; ++i)
            raw += instrument.reading(row.code, row.t);
        raw /= n;
        const double volts = row.uMin + raw / 1023.0 * (row.uMax - row.uMin);
        const double lsb = (row.uMax - row.uMin) / 1023.0;
        EXPECT_NEAR(volts, row.volts, 3 * lsb + 0.003);
    }
}

TEST(VirtualInstrumentTest, ChannelBCoolsAndPullUpsRaiseTheirInput) {
    VirtualInstrument instrument;
    const auto mean = [&](std::uint8_t code, double t) {
        double s = 0;
        for (int i = 0; i < 32; ++i)
            s += instrument.reading(code, t);
        return s / 32;
    };
    const double b0 = mean(0x03, 0);
    const double b60 = mean(0x03, 60);
    const double b120 = mean(0x03, 120);
    const double b600 = mean(0x03, 600);
    EXPECT_GT(b0, b60 + 50);
    EXPECT_GT(b60, b120 + 50);
    EXPECT_GT(b0 - b60, b60 - b120 + 50) << "an exponential slows down";
    EXPECT_GT(b120, b600);
    EXPECT_GT(b600, 100) << "settles above ground";

    const double a = mean(0x02, 0);
    const auto config = configuration(0x02, 0x03, 5, 0x0A); // both pull-ups
    ASSERT_TRUE(instrument.outputReport(config.data(), config.size(), 0));
    EXPECT_GT(mean(0x03, 60), b60 + 50) << "the thermometer divider feels the pull-up";
    EXPECT_GT(mean(0x02, 0), a) << "the stiff generator barely";
    EXPECT_LT(mean(0x02, 0), a + 50);
}

TEST(VirtualInstrumentTest, MalformedConfigurationsAreRejectedAndChangeNothing) {
    struct Row {
        const char* name;
        std::vector<std::uint8_t> report;
    };
    auto wrongId = configuration(0x82, 0x83, 3);
    wrongId[0] = 1;
    const Row rows[] = {
        {"too short", std::vector<std::uint8_t>{0, 0x82, 0x83, 3, 0}},
        {"report id 1", wrongId},
        {"mode 1", configuration(0x82, 0x83, 1)},
        {"mode 6", configuration(0x82, 0x83, 6)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        VirtualInstrument instrument;
        const int mode = instrument.mode();
        EXPECT_FALSE(instrument.outputReport(row.report.data(), row.report.size(), 0));
        EXPECT_EQ(instrument.mode(), mode);
        EXPECT_EQ(instrument.inputCodeA(), 0x02);
    }
}

// Through the device layer, as the program does it: configure at arrival, claim, read.
TEST(VirtualInstrumentTest, ReportsThroughTheLayerFollowTheConfiguration) {
    for (int mode = 2; mode <= 5; ++mode) {
        SCOPED_TRACE(mode);
        auto platform = std::make_shared<HidPlatformVirtual>();
        auto instrument = std::make_shared<VirtualInstrument>();
        platform->plug(instrument);
        THidDeviceController controller(platform);
        std::vector<std::vector<std::uint8_t>> reports;
        std::vector<int> sizes;
        controller.OnArrival = [&](THidDevice* d) {
            ASSERT_EQ(d->ProductString(), "Kurvimat 1.3");
            ASSERT_EQ(d->HidCaps().OutputReportByteLength, VirtualInstrument::ReportLength);
            const auto config = configuration(0x02, 0x03, mode);
            EXPECT_TRUE(d->SendOutputReport(config.data(), config.size()));
            d->SetDataHandler(
                [&](THidDevice*, std::uint8_t id, const std::uint8_t* data, std::uint16_t size) {
                    EXPECT_EQ(id, 0);
                    sizes.push_back(size);
                    reports.emplace_back(data, data + size);
                });
        };
        controller.OnDeviceChange = [](THidDeviceController* c) {
            THidDevice* d = nullptr;
            while (c->ClaimNext(d)) {
            }
        };
        ASSERT_TRUE(pumpUntil([&] { return reports.size() >= 10; }));
        EXPECT_EQ(instrument->mode(), mode);
        for (const auto& r : reports) {
            ASSERT_EQ(r.size(), 8u);
            EXPECT_TRUE(allowedPairCounts(mode).count(decode(mode, r.data()).size()));
        }
        controller.DeviceList().front()->SetDataHandler(nullptr);
    }
}

} // namespace
