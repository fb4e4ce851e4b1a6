#include "SpectrumPlot.h"

#include "MeasurementStore.h"
#include "SignalDefinition.h"

#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <limits>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::acquisition::PointCapacity;
using kurvimat::analysis::ComputeSpectrum;
using kurvimat::analysis::FormatQuantity;
using kurvimat::analysis::ReadoutCell;
using kurvimat::analysis::ReadoutTable;
using kurvimat::analysis::SpectrumOptions;
using kurvimat::analysis::SpectrumPeak;
using kurvimat::analysis::SpectrumResult;
using kurvimat::analysis::SpectrumWindow;

namespace kurvimat::display {

namespace {

constexpr float NoValue = std::numeric_limits<float>::quiet_NaN();

SpectrumResult spectrumOf(const SeriesInfo& s, const SpectrumOptions& options) {
    return s.Points.Count > 0 ? ComputeSpectrum(s.Points, options) : SpectrumResult{};
}

// Amplitude of a spectrum at frequency f, linear between its bins; none beyond them.
float amplitudeAt(const SpectrumResult& s, double f) {
    const int bins = static_cast<int>(s.Amplitude.size());
    if (bins == 0 || !(s.BinWidth > 0)) return NoValue;
    const double k = f / s.BinWidth;
    if (k < 0 || k > bins - 1) return NoValue;
    if (bins == 1) return static_cast<float>(s.Amplitude[0]);
    const int i = std::min(static_cast<int>(k), bins - 2);
    const double u = k - i;
    return static_cast<float>(s.Amplitude[static_cast<std::size_t>(i)] * (1 - u) +
                              s.Amplitude[static_cast<std::size_t>(i) + 1] * u);
}

bool sameBins(const SpectrumResult& a, const SpectrumResult& b) {
    return a.Amplitude.size() == b.Amplitude.size() && a.BinWidth == b.BinWidth;
}

// One set of the point set (data or snapshot): the frequencies of whichever channel has a
// spectrum, both channels' amplitudes on them. Returns the number of points; maxT is half
// the sampling rate.
int fillSet(const SpectrumResult& a, const SpectrumResult& b, float* t, float* va, float* vb,
            float& maxT, float& maxA, float& maxB) {
    const SpectrumResult& base = a.Amplitude.empty() ? b : a;
    const int count = std::min(static_cast<int>(base.Amplitude.size()), PointCapacity);
    maxA = maxB = 0;
    // Up to half the sampling rate, wherever the last bin falls.
    maxT = count > 0 ? static_cast<float>(base.nyquistFrequency()) : 0;
    const auto on = [&base](const SpectrumResult& s, int k, double f) {
        if (s.Amplitude.empty()) return NoValue;
        if (sameBins(s, base)) return static_cast<float>(s.Amplitude[static_cast<std::size_t>(k)]);
        return amplitudeAt(s, f);
    };
    for (int k = 0; k < count; ++k) {
        const double f = base.frequency(k);
        t[k] = static_cast<float>(f);
        va[k] = on(a, k, f);
        vb[k] = on(b, k, f);
        if (std::isfinite(va[k])) maxA = std::max(maxA, va[k]);
        if (std::isfinite(vb[k])) maxB = std::max(maxB, vb[k]);
    }
    return count;
}

} // namespace

SpectrumSet ComputeSpectra(const SpectrumInput& in) {
    return {spectrumOf(in.DataA, in.Options), spectrumOf(in.DataB, in.Options),
            spectrumOf(in.SnapA, in.Options), spectrumOf(in.SnapB, in.Options)};
}

void FillSpectrumPoints(const SpectrumSet& s, MeasurementStore& p) {
    float dataT = 0, snapT = 0;
    p.Data.Count = fillSet(s.A, s.B, p.Data.T, p.Data.A, p.Data.B, dataT, p.Data.MaxA, p.Data.MaxB);
    p.Snap.Count = fillSet(s.SnapA, s.SnapB, p.Snap.T, p.Snap.A, p.Snap.B, snapT, p.Snap.MaxA,
                          p.Snap.MaxB);
    p.Data.MinT = p.Data.MinA = p.Data.MinB = 0;
    p.Snap.MinT = p.Snap.MinA = p.Snap.MinB = 0;
    p.Data.MaxT = dataT;
    p.Snap.MaxT = snapT;
    // The full range of each axis: from 0 to what the data and the snapshot reach (a flat
    // signal still gets an axis).
    const auto upTo = [](float a, float b) { return std::max(a, b) > 0 ? std::max(a, b) : 1.0f; };
    p.DefMinA = p.DefMinB = 0;
    p.DefMaxA = upTo(p.Data.MaxA, p.Snap.MaxA);
    p.DefMaxB = upTo(p.Data.MaxB, p.Snap.MaxB);
    p.TimeRangeMin = 0;
    p.TimeRangeMax = upTo(dataT, snapT);
}

void FillSpectrumColumns(const acquisition::StoredPoints& data, const SpectrumOptions& options,
                         MeasurementStore& p) {
    acquisition::StoredPoints& d = p.Data;
    d.Columns.clear();
    d.Settled.clear();
    // Each over its points with a value: a gap is no sample.
    const FurtherSeries series = FurtherSeriesOf(data);
    const auto further = data.Further();
    for (std::size_t i = 0; i < further.size() && i < series.Columns.size(); ++i) {
        const analysis::PointSeries& points = series.Columns[i].Series.Points;
        const SpectrumResult spectrum =
            points.Count >= 4 ? ComputeSpectrum(points, options) : SpectrumResult{};
        signals::QuantityColumn out = further[i];
        out.values.assign(std::size_t(std::max(d.Count, 0)), std::numeric_limits<double>::quiet_NaN());
        for (int k = 0; k < d.Count && !spectrum.Amplitude.empty(); ++k)
            out.values[std::size_t(k)] = amplitudeAt(spectrum, d.T[k]);
        d.Columns.push_back(std::move(out));
    }
}

CursorMarks SpectrumMarks(const SpectrumSet& s, bool showA, bool showB) {
    CursorMarks m;
    m.Vertical = true;
    m.XNames = CursorMarks::Names::Spectrum;
    // Beyond every axis, and equal to itself, so that unchanged marks compare equal.
    const double none = std::numeric_limits<double>::infinity();
    m.X = {showA && s.A.Peak ? s.A.Peak->Frequency : none,
           showB && s.B.Peak ? s.B.Peak->Frequency : none};
    return m;
}

ReadoutTable SpectrumReadout(const SpectrumSet& s, const SpectrumInput& in) {
    const auto text = [](const QString& t) { return ReadoutCell{std::nullopt, {}, std::nullopt, t}; };
    const auto value = [](std::optional<double> v, const QString& unit) {
        return ReadoutCell{v, unit, std::nullopt, {}};
    };
    ReadoutTable table;
    table.push_back({QCoreApplication::translate("SpectrumPlot", "Fenster"),
                     {text(in.Options.Window == SpectrumWindow::Hann
                               ? QStringLiteral("Hann")
                               : QCoreApplication::translate("SpectrumPlot", "Rechteck"))},
                     false,
                     false,
                     false});
    // The span: between the time cursors, or all points.
    const SpectrumOptions& o = in.Options;
    if (std::isfinite(o.T1) && std::isfinite(o.T2)) {
        const double f = in.Minutes ? 1.0 / 60 : 1;
        const QString unit = in.Minutes ? QStringLiteral("min") : QStringLiteral("s");
        table.push_back({QStringLiteral("t1"), {value(std::min(o.T1, o.T2) * f, unit)}, false,
                         false, false});
        table.push_back({QStringLiteral("t2"), {value(std::max(o.T1, o.T2) * f, unit)}, false,
                         false, false});
    } else {
        table.push_back({QCoreApplication::translate("SpectrumPlot", "Zeitspanne"),
                         {text(QCoreApplication::translate("SpectrumPlot", "alle Punkte"))},
                         false,
                         false,
                         false});
    }

    // One row per spectrum: the table stays narrow with the snapshot's rows below.
    struct Row {
        QString Name;
        const SpectrumResult* Spectrum;
        const QString* Unit;
    };
    std::vector<Row> rows;
    if (in.ShowA) rows.push_back({QStringLiteral("A"), &s.A, &in.DataA.Unit});
    if (in.ShowB) rows.push_back({QStringLiteral("B"), &s.B, &in.DataB.Unit});
    if (in.ShowA && !s.SnapA.Amplitude.empty())
        rows.push_back(
            {QCoreApplication::translate("Readout", "Schnappschuss A"), &s.SnapA, &in.SnapA.Unit});
    if (in.ShowB && !s.SnapB.Amplitude.empty())
        rows.push_back(
            {QCoreApplication::translate("Readout", "Schnappschuss B"), &s.SnapB, &in.SnapB.Unit});
    if (rows.empty()) return table;
    table.push_back({QString(),
                     {text(QCoreApplication::translate("SpectrumPlot", "Spitze bei")),
                      text(QCoreApplication::translate("SpectrumPlot", "Amplitude")),
                      text(QStringLiteral("\u0394f")),
                      text(QCoreApplication::translate("SpectrumPlot", "Punkte"))},
                     true,
                     false,
                     false});
    for (const Row& row : rows) {
        const SpectrumResult& r = *row.Spectrum;
        const bool any = !r.Amplitude.empty();
        const auto peak = [&](double SpectrumPeak::*field) {
            return r.Peak ? std::optional<double>((*r.Peak).*field) : std::nullopt;
        };
        table.push_back({row.Name,
                         {value(peak(&SpectrumPeak::Frequency), QStringLiteral("Hz")),
                          value(peak(&SpectrumPeak::Amplitude), *row.Unit),
                          value(any ? std::optional<double>(r.BinWidth) : std::nullopt,
                                QStringLiteral("Hz")),
                          value(any ? std::optional<double>(r.PointCount) : std::nullopt, {})},
                         false, true, false});
    }
    return table;
}

QString SpectrumPointerText(const MeasurementStore& p, int index, const QString& unitA,
                            const QString& unitB, bool showA, bool showB) {
    if (index < 0 || index >= p.Data.Count) return {};
    const QString gap = QStringLiteral("   ");
    QString text = QStringLiteral("f = ") + FormatQuantity(p.Data.T[index], QStringLiteral("Hz"));
    if (showA && std::isfinite(p.Data.A[index]))
        text += gap + QStringLiteral("A = ") + FormatQuantity(p.Data.A[index], unitA);
    if (showB && std::isfinite(p.Data.B[index]))
        text += gap + QStringLiteral("B = ") + FormatQuantity(p.Data.B[index], unitB);
    for (const signals::QuantityColumn& c : p.Data.Further())
        if (std::isfinite(c.values[std::size_t(index)]))
            text += gap + signals::shownName(c.name.isEmpty() ? c.header : c.name) +
                    QStringLiteral(" = ") + FormatQuantity(c.values[std::size_t(index)], c.unit);
    return text;
}

} // namespace kurvimat::display
