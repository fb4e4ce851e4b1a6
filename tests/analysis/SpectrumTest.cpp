#include "Spectrum.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <numbers>
#include <random>
#include <vector>

using namespace kurvimat::analysis;

namespace {

constexpr double Pi = std::numbers::pi;

struct Series {
    std::vector<float> t, v;
    Series(int n, double step, const std::function<double(double)>& f, double t0 = 0) {
        for (int i = 0; i < n; ++i) {
            const double time = t0 + i * step;
            t.push_back(static_cast<float>(time));
            v.push_back(static_cast<float>(f(time)));
        }
    }
    PointSeries points() const { return {t.data(), v.data(), static_cast<int>(t.size())}; }
};

} // namespace

TEST(Spectrum, SinePeakWithinHalfABinAndAmplitudeWithinOnePercent) {
    const struct Row {
        const char* name;
        int points;
        double step;      ///< s
        double frequency; ///< Hz
        double amplitude;
        double offset;
        double noise; ///< standard deviation
        SpectrumWindow window;
    } rows[] = {
        {"on a bin, Hann", 1000, 0.001, 50, 1.5, 2.5, 0, SpectrumWindow::Hann},
        {"between bins, Hann", 1000, 0.001, 50.5, 1.5, 2.5, 0, SpectrumWindow::Hann},
        {"a quarter off, Hann", 1000, 0.001, 50.25, 1.5, -3, 0, SpectrumWindow::Hann},
        {"between bins, rectangular", 1000, 0.001, 50.5, 1.5, 2.5, 0,
         SpectrumWindow::Rectangular},
        {"a third off, rectangular", 1000, 0.001, 50.33, 0.2, 0, 0, SpectrumWindow::Rectangular},
        {"prime length, padded", 997, 0.002, 31.7, 3, 1, 0, SpectrumWindow::Hann},
        {"prime length, rectangular", 997, 0.002, 31.7, 3, 1, 0, SpectrumWindow::Rectangular},
        {"the demo's 1 Hz at 5 ms", 400, 0.005, 1, 1.5, 2.5, 0, SpectrumWindow::Hann},
        {"noisy, 10000 points", 10000, 0.002, 13.37, 1, 0, 0.3, SpectrumWindow::Hann},
        {"near half the sampling rate", 512, 0.01, 45.3, 1, 0, 0, SpectrumWindow::Hann},
        {"mains hum at 2 ms", 2500, 0.002, 50, 0.02, 0.1, 0.002, SpectrumWindow::Hann},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        std::mt19937 random(3);
        std::normal_distribution<double> gauss(0, r.noise > 0 ? r.noise : 1);
        const Series s(r.points, r.step, [&](double t) {
            return r.offset + r.amplitude * std::sin(2 * Pi * r.frequency * t + 0.4) +
                   (r.noise > 0 ? gauss(random) : 0);
        });
        SpectrumOptions o;
        o.Window = r.window;
        const SpectrumResult sp = ComputeSpectrum(s.points(), o);
        ASSERT_EQ(sp.PointCount, r.points);
        EXPECT_NEAR(sp.SampleRate, 1 / r.step, 1e-4 / r.step);
        EXPECT_LE(sp.frequency(static_cast<int>(sp.Amplitude.size()) - 1),
                  sp.nyquistFrequency() + 1e-9);
        EXPECT_GT(sp.frequency(static_cast<int>(sp.Amplitude.size()) - 1),
                  sp.nyquistFrequency() - sp.BinWidth);
        // The offset is gone; what bin 0 holds is the tone's leakage through the window.
        EXPECT_LT(sp.Amplitude[0], 0.01 * r.amplitude);
        ASSERT_TRUE(sp.Peak);
        EXPECT_NEAR(sp.Peak->Frequency, r.frequency, sp.BinWidth / 2);
        EXPECT_NEAR(sp.Peak->Amplitude, r.amplitude, 0.01 * r.amplitude);
    }
}

TEST(Spectrum, TwoTonesFiveBinsApartAreBothFound) {
    // 1000 points at 1 ms: bins of 1 Hz. Tones at 100.3 and 105.3 Hz, the second weaker.
    for (const SpectrumWindow window : {SpectrumWindow::Hann, SpectrumWindow::Rectangular}) {
        SCOPED_TRACE(window == SpectrumWindow::Hann ? "Hann" : "rectangular");
        const Series s(1000, 0.001, [](double t) {
            return std::sin(2 * Pi * 100.3 * t) + 0.5 * std::sin(2 * Pi * 105.3 * t + 1);
        });
        SpectrumOptions o;
        o.Window = window;
        const SpectrumResult sp = ComputeSpectrum(s.points(), o);
        const std::vector<SpectrumPeak> peaks = SpectrumPeaks(sp, 2, 0.1);
        ASSERT_EQ(peaks.size(), 2u);
        EXPECT_NEAR(peaks[0].Frequency, 100.3, 0.5);
        EXPECT_NEAR(peaks[1].Frequency, 105.3, 0.5);
        // Hann: each tone's leakage into the other's bins is a fraction of a percent.
        if (window == SpectrumWindow::Hann) {
            EXPECT_NEAR(peaks[0].Amplitude, 1, 0.02);
            EXPECT_NEAR(peaks[1].Amplitude, 0.5, 0.02);
        }
        const auto near = PeakNear(sp, 104.6);
        ASSERT_TRUE(near);
        EXPECT_NEAR(near->Frequency, 105.3, 0.5);
    }
}

TEST(Spectrum, SpanChoosesThePointsByTimeWhateverTheirOrder) {
    // 2 s of a 10 Hz sine followed by 2 s of a 30 Hz one; the points written backwards.
    Series s(2000, 0.002, [](double t) {
        return t < 2 ? std::sin(2 * Pi * 10 * t) : 2 * std::sin(2 * Pi * 30 * t);
    });
    std::reverse(s.t.begin(), s.t.end());
    std::reverse(s.v.begin(), s.v.end());
    const struct {
        const char* name;
        double t1, t2;
        double frequency, amplitude;
        int points;
    } rows[] = {
        {"first half", 0, 1.998, 10, 1, 1000},
        {"second half, cursors swapped", 3.998, 2, 30, 2, 1000},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const SpectrumResult sp = ComputeSpectrum(s.points(), {SpectrumWindow::Hann, r.t1, r.t2});
        EXPECT_EQ(sp.PointCount, r.points);
        EXPECT_FALSE(sp.Resampled);
        ASSERT_TRUE(sp.Peak);
        EXPECT_NEAR(sp.Peak->Frequency, r.frequency, sp.BinWidth / 2);
        EXPECT_NEAR(sp.Peak->Amplitude, r.amplitude, 0.01 * r.amplitude);
    }
    // Points missing here and there (a loaded text with gaps): interpolated onto even steps.
    Series gaps(2000, 0.002, [](double t) { return 0.5 * std::sin(2 * Pi * 10.2 * t); });
    for (std::size_t i = 1995; i > 0; i -= 7) {
        gaps.t.erase(gaps.t.begin() + static_cast<std::ptrdiff_t>(i));
        gaps.v.erase(gaps.v.begin() + static_cast<std::ptrdiff_t>(i));
    }
    const SpectrumResult resampled = ComputeSpectrum(gaps.points());
    EXPECT_TRUE(resampled.Resampled);
    // The instrument's 2 ms, not the mean step the gaps stretch.
    EXPECT_NEAR(resampled.SampleRate, 500, 0.01);
    EXPECT_EQ(resampled.PointCount, 2000);
    ASSERT_TRUE(resampled.Peak);
    EXPECT_NEAR(resampled.Peak->Frequency, 10.2, resampled.BinWidth / 2);
    EXPECT_NEAR(resampled.Peak->Amplitude, 0.5, 0.005);
    // Too few points, or one time only: no bins.
    EXPECT_TRUE(ComputeSpectrum(s.points(), {SpectrumWindow::Hann, 1, 1.005}).Amplitude.empty());
    const Series flat(100, 0.01, [](double) { return 3.0; });
    const SpectrumResult none = ComputeSpectrum(flat.points());
    EXPECT_FALSE(none.Peak);
    EXPECT_EQ(none.Amplitude.size(), 51u);
}
