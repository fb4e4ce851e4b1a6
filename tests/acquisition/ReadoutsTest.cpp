// The once-a-second readouts and their number formats, under a German locale.
#include "PipelineTestSupport.h"

#include <QLocale>

#include <array>

using namespace kurvimat::acquisition;

namespace {

class ReadoutFixture : public PipelineFixture {
protected:
    ReadoutFixture() {
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        SetFormulas("U", "U");
        S.IntervalMs = 5;
    }
    ~ReadoutFixture() override { QLocale::setDefault(QLocale::c()); }

    // One second of mode-2 reports (125 of them) with both channels at these 8-bit values.
    void FeedSecond(std::uint8_t a, std::uint8_t b) {
        S.DeviceMode = 2;
        const std::array<std::uint8_t, 8> d{a, b, a, b, a, b, a, b};
        for (int i = 0; i < 125; ++i)
            Pipe.DecodeReport(d.data(), 8, Controls);
    }

    Readouts Ticks(int n) {
        Readouts last;
        for (int i = 0; i < n; ++i) {
            last = Pipe.ReadoutTick();
            if (last.refreshed) break;
        }
        return last;
    }
};

TEST(FormatFixed, ThreeSignificantDigitsThenFixedDecimals) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    struct Row {
        double x;
        int decimals;
        const char* text;
    } rows[] = {
        {512.0 / 1023, 3, "0,500"}, {2.502443, 2, "2,50"}, {1.2345, 3, "1,230"},
        {0.99951, 3, "1,000"},      {-2.56, 2, "-2,56"},   {0.054892577, 2, "0,05"},
        {0.0, 3, "0,000"},          {-0.001, 2, "0,00"},   {4.995, 2, "5,00"},
        {0.12775, 3, "0,128"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.x);
        EXPECT_EQ(FormatFixed(r.x, r.decimals), QString::fromUtf8(r.text));
    }
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(FormatFixed(2.502443, 2), "2.50");
}

TEST_F(ReadoutFixture, ConstantRaw512OnFiveVolts) {
    S.DefAppliedA = true;
    S.UnitA = "V";
    FeedSecond(128, 0); // 128 x 4 = 512
    const Readouts r = Ticks(ReadoutTicks);
    ASSERT_TRUE(r.refreshed);
    EXPECT_EQ(r.a.raw, "512");
    EXPECT_EQ(r.a.fraction, "0,500");
    EXPECT_EQ(r.a.voltage, "2,50");
    EXPECT_EQ(r.a.value, "2,5 V");
    EXPECT_NEAR(S.LabelValueA, 2.5024f, 1e-4);
    // Signal B was never applied: its value label repeats the raw mean.
    EXPECT_EQ(r.b.raw, "0");
    EXPECT_EQ(r.b.value, "0");
    EXPECT_EQ(r.b.voltage, "0,00");
    // The sums start again.
    EXPECT_EQ(S.LabelCount, 0);
    EXPECT_EQ(S.TickCount, 0);
}

TEST_F(ReadoutFixture, RefreshesOncePerSecondOnlyWithData) {
    FeedSecond(10, 20);
    for (int i = 1; i < ReadoutTicks; ++i)
        ASSERT_FALSE(Pipe.ReadoutTick().refreshed) << "tick " << i;
    EXPECT_TRUE(Pipe.ReadoutTick().refreshed);

    // No data: ticks run on without a refresh; the first tick with data refreshes at once.
    for (int i = 0; i < 100; ++i)
        ASSERT_FALSE(Pipe.ReadoutTick().refreshed);
    EXPECT_EQ(S.TickCount, 100);
    FeedSecond(200, 100);
    const Readouts r = Pipe.ReadoutTick();
    ASSERT_TRUE(r.refreshed);
    EXPECT_EQ(r.a.raw, "800");
    EXPECT_EQ(r.b.raw, "400");
}

TEST_F(ReadoutFixture, ChannelBOffShowsZeroAndMinimumVoltage) {
    S.InputCodeB = S.InputCodeA;
    S.UminB = 0.5f;
    S.UmaxB = 1.1f;
    S.DefAppliedB = true;
    S.UnitB = "V";
    FeedSecond(255, 77);
    const Readouts r = Ticks(ReadoutTicks);
    ASSERT_TRUE(r.refreshed);
    EXPECT_EQ(r.a.fraction, "0,649"); // both 8-bit slots are A readings: mean of 1020, 308
    EXPECT_EQ(r.b.raw, "0");
    EXPECT_EQ(r.b.fraction, "0,000");
    EXPECT_EQ(r.b.voltage, "0,50");
    EXPECT_EQ(r.b.value, "0,5 V");
}

TEST_F(ReadoutFixture, ValueIsRoundedToThreeSignificantDigitsWithUnit) {
    struct Row {
        const char* formula;
        const char* unit;
        const char* text;
    } rows[] = {
        {"Y*1000", "mV", "5,120E+05 mV"}, // FormatValue's exponent form from 10000 on
        {"X*100", "%", "50 %"},
        {"-U", "V", "-2,5 V"}, // rounded as its magnitude is (2.5024)
        {"5DIV0", "V", "\u2013"}, // no value to show, not 0
    };
    S.DefAppliedA = true;
    for (const Row& r : rows) {
        SCOPED_TRACE(r.formula);
        ParserA.SetExpression(r.formula);
        S.UnitA = QString::fromUtf8(r.unit);
        FeedSecond(128, 0);
        Readouts out;
        ASSERT_NO_THROW(out = Ticks(ReadoutTicks));
        ASSERT_TRUE(out.refreshed);
        EXPECT_EQ(out.a.value, QString::fromUtf8(r.text));
    }
}

TEST_F(ReadoutFixture, DivisionByZeroReportedOncePerFormula) {
    S.DefAppliedA = true;
    S.TriggerLevel = 2000; // no sweep: only the readouts evaluate
    ParserA.SetExpression("5DIV0");
    FeedSecond(128, 0);
    EXPECT_TRUE(Ticks(ReadoutTicks).events.divByZeroA);
    FeedSecond(128, 0);
    EXPECT_FALSE(Ticks(ReadoutTicks).events.divByZeroA);
    ParserA.SetExpression("UDIV0");
    FeedSecond(128, 0);
    EXPECT_TRUE(Ticks(ReadoutTicks).events.divByZeroA);
}

} // namespace
