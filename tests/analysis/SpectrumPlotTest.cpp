// The spectrum as the plot shows it: the point set of frequencies and amplitudes, the marks at
// the peaks, the readout's rows.
#include "MeasurementStore.h"
#include "SpectrumPlot.h"

#include <QLocale>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>
#include <numbers>
#include <vector>

using namespace kurvimat::acquisition;
using namespace kurvimat::analysis;
using namespace kurvimat::display;

namespace {

constexpr double Pi = std::numbers::pi;
const float Gap = std::numeric_limits<float>::quiet_NaN();

struct Channel {
    std::vector<float> t, v;
    Channel(int n, double step, const std::function<double(double)>& f) {
        for (int i = 0; i < n; ++i) {
            t.push_back(static_cast<float>(i * step));
            v.push_back(static_cast<float>(f(i * step)));
        }
    }
    SeriesInfo info(const QString& unit) const {
        return {{t.data(), v.data(), static_cast<int>(t.size())}, unit};
    }
};

// The index of the point set's highest amplitude of a channel.
int highest(const float* /*t*/, const float* v, int count) {
    int best = -1;
    for (int i = 0; i < count; ++i)
        if (std::isfinite(v[i]) && (best < 0 || v[i] > v[best])) best = i;
    return best >= 0 ? best : 0;
}

const ReadoutRow* rowNamed(const ReadoutTable& table, const QString& label) {
    for (const ReadoutRow& row : table)
        if (row.Label == label) return &row;
    return nullptr;
}

TEST(SpectrumPlot, PointSetMarksAndReadoutOfEachChannel) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    // The demo's signals at 10 ms: a 1 Hz sine of 1.5 V on A (on a bin: 4 s, bins of 0.25 Hz),
    // on B a 3 Hz sine of 20 mV on a falling line.
    const Channel a(400, 0.01, [](double t) { return 2.5 + 1.5 * std::sin(2 * Pi * t); });
    const Channel b(400, 0.01, [](double t) { return 4 - 0.1 * t + 0.02 * std::sin(6 * Pi * t); });
    Channel gaps = b; // every third value of B missing: fewer points, other bins
    for (std::size_t i = 0; i < gaps.v.size(); i += 3)
        gaps.v[i] = Gap;
    const Channel snapshot(400, 0.005, [](double t) { return 1 + 0.5 * std::sin(10 * Pi * t); });
    const Channel none(0, 0.01, [](double) { return 0.0; });
    const struct {
        const char* name;
        const Channel* b;
        const Channel* snap;
        bool showB;
        double t1, t2; // infinite: all points
        int points;    // of A's spectrum
        double nyquist;
    } rows[] = {
        {"both channels", &b, &none, true, -INFINITY, INFINITY, 400, 50},
        {"B with gaps, on A's frequencies", &gaps, &none, true, -INFINITY, INFINITY, 400, 50},
        {"with a snapshot at 5 ms", &b, &snapshot, true, -INFINITY, INFINITY, 400, 100},
        {"B hidden", &b, &none, false, -INFINITY, INFINITY, 400, 50},
        {"between the time cursors", &b, &none, true, 1.995, 0, 200, 50},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        SpectrumInput in;
        in.DataA = a.info(QStringLiteral("V"));
        in.DataB = r.b->info(QStringLiteral("V"));
        in.SnapA = r.snap->info(QStringLiteral("V"));
        in.SnapB = r.snap->info(QStringLiteral("V"));
        in.ShowB = r.showB;
        in.Options.T1 = r.t1;
        in.Options.T2 = r.t2;
        const SpectrumSet s = ComputeSpectra(in);
        auto storage = std::make_unique<MeasurementStore>();
        MeasurementStore& p = *storage;
        FillSpectrumPoints(s, p);

        // Frequencies ascend in bins from 0; A's peak at 1 Hz with its amplitude.
        ASSERT_EQ(p.Data.Count, static_cast<int>(s.A.Amplitude.size()));
        EXPECT_EQ(p.Data.T[0], 0);
        EXPECT_FLOAT_EQ(p.Data.T[1], static_cast<float>(s.A.BinWidth));
        const int peakA = highest(p.Data.T, p.Data.A, p.Data.Count);
        EXPECT_NEAR(p.Data.T[peakA], 1, s.A.BinWidth / 2);
        EXPECT_NEAR(p.Data.A[peakA], 1.5, 0.015);
        EXPECT_FLOAT_EQ(p.Data.MaxA, p.Data.A[peakA]);
        // B on A's frequencies, its own peak where its own spectrum has it.
        const int peakB = highest(p.Data.T, p.Data.B, p.Data.Count);
        ASSERT_TRUE(s.B.Peak);
        EXPECT_NEAR(p.Data.T[peakB], s.B.Peak->Frequency, s.B.BinWidth);
        // Up to B's own highest frequency (lower where B has fewer points), nothing beyond.
        const double lastB = s.B.frequency(static_cast<int>(s.B.Amplitude.size()) - 1);
        for (int i = 0; i < p.Data.Count; ++i)
            ASSERT_EQ(std::isfinite(p.Data.B[i]) && p.Data.B[i] >= 0, p.Data.T[i] <= lastB + 1e-6)
                << p.Data.T[i];
        // Axes from 0 to the highest amplitude and to half the highest sampling rate.
        EXPECT_EQ(p.DefMinA, 0);
        EXPECT_FLOAT_EQ(p.DefMaxA, std::max(p.Data.MaxA, p.Snap.MaxA));
        EXPECT_FLOAT_EQ(p.TimeRangeMax, static_cast<float>(r.nyquist));
        EXPECT_EQ(p.Snap.Count, static_cast<int>(s.SnapA.Amplitude.size()));

        const CursorMarks m = SpectrumMarks(s, true, r.showB);
        EXPECT_TRUE(m.Vertical);
        EXPECT_NEAR(m.X[0], 1, s.A.BinWidth / 2);
        EXPECT_EQ(std::isinf(m.X[1]), !r.showB);

        const ReadoutTable table = SpectrumReadout(s, in);
        const auto shown = [&](const QString& label, int column) {
            const ReadoutRow* row = rowNamed(table, label);
            return row && column < row->Cells.size() ? CellText(row->Cells[column]) : QString();
        };
        EXPECT_EQ(shown(QStringLiteral("A"), 0), QStringLiteral("1 Hz"));
        EXPECT_EQ(shown(QStringLiteral("A"), 1), QStringLiteral("1,5 V"));
        EXPECT_EQ(shown(QStringLiteral("A"), 3), QString::number(r.points));
        EXPECT_EQ(rowNamed(table, QStringLiteral("B")) != nullptr, r.showB);
        EXPECT_EQ(rowNamed(table, QStringLiteral("Schnappschuss A")) != nullptr,
                  r.snap->t.size() > 0);
        // The span in the cursors' names, or all points.
        EXPECT_EQ(shown(QStringLiteral("t2"), 0),
                  std::isfinite(r.t1) ? QStringLiteral("1,995 s") : QString());
        EXPECT_EQ(rowNamed(table, QStringLiteral("Zeitspanne")) != nullptr, !std::isfinite(r.t1));
        // Copied as numbers under headers with units: "Spitze bei A (Hz)", then 1.
        const QStringList lines = ReadoutText(table).split(QStringLiteral("\r\n"));
        const qsizetype at =
            lines.value(0).split(u'\t').indexOf(QStringLiteral("Spitze bei A (Hz)"));
        ASSERT_GE(at, 0) << lines.value(0).toStdString();
        EXPECT_NEAR(lines.value(1).split(u'\t').value(at).replace(u',', u'.').toDouble(), 1,
                    s.A.BinWidth / 2);
    }
    QLocale::setDefault(QLocale::c());
}

TEST(SpectrumPlot, PointerNamesFrequencyAndShownAmplitudes) {
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    auto storage = std::make_unique<MeasurementStore>();
    MeasurementStore& p = *storage;
    p.Data.T[0] = 0, p.Data.T[1] = 0.25f;
    p.Data.A[0] = 0, p.Data.A[1] = 1.5f;
    p.Data.B[0] = 0, p.Data.B[1] = Gap;
    p.Data.Count = 2;
    EXPECT_EQ(SpectrumPointerText(p, 1, QStringLiteral("V"), QStringLiteral("V"), true, true),
              QStringLiteral("f = 250 mHz   A = 1,5 V"));
    EXPECT_EQ(SpectrumPointerText(p, 0, QStringLiteral("V"), QStringLiteral("°C"), false, true),
              QStringLiteral("f = 0 Hz   B = 0 °C"));
    EXPECT_TRUE(SpectrumPointerText(p, 2, {}, {}, true, true).isEmpty());
    QLocale::setDefault(QLocale::c());
}

} // namespace
