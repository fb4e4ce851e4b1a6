// The spectrum as the plot shows it ("Spektrum"): the amplitude spectra of both channels of the
// stored points and of the snapshot over the time cursors' span (or all points), laid out as a
// point set of frequency and amplitude that the plot draws as it draws a sweep, with the marks
// at the highest peaks and the readout.
#pragma once

#include "CursorOverlay.h"
#include "Readout.h"
#include "Spectrum.h"

namespace kurvimat::acquisition {
struct MeasurementStore;
struct StoredPoints;
}

namespace kurvimat::display {

/// What the spectra are computed from.
struct SpectrumInput {
    SeriesInfo DataA, DataB;
    SeriesInfo SnapA, SnapB; ///< Count 0 when there is no snapshot
    analysis::SpectrumOptions Options; ///< the window and the span (all points by default)
    bool ShowA = true, ShowB = true;
    bool Minutes = false; ///< "Zeit in min": the span in minutes
};

struct SpectrumSet {
    analysis::SpectrumResult A, B, SnapA, SnapB;
};

/// The four spectra (a series without points gives an empty one).
SpectrumSet ComputeSpectra(const SpectrumInput& in);

/// The spectra as the plot's point set: frequencies as the times, amplitudes as the values of
/// A and B, for the data and the snapshot; extremes from 0 up; reference ranges from 0 to the
/// highest amplitude and to half the highest sampling rate. B's amplitudes are put on A's
/// frequencies where the two differ (points where only one channel holds a value). Flags and
/// definitions are left alone.
void FillSpectrumPoints(const SpectrumSet& spectra, acquisition::MeasurementStore& points);

/// The amplitude spectra of the data's further columns (each over the points where it has a
/// value, in the options' span) as further columns of `points`' data, on its frequencies (put
/// there as B's are); a column without a spectrum holds no values. Call after FillSpectrumPoints.
void FillSpectrumColumns(const acquisition::StoredPoints& data,
                         const analysis::SpectrumOptions& options,
                         acquisition::MeasurementStore& points);

/// Lines at the highest peak of each shown channel of the data.
CursorMarks SpectrumMarks(const SpectrumSet& spectra, bool showA, bool showB);

/// The readout: window and span, then a row per shown channel (and the snapshot's where it has
/// a spectrum): frequency and amplitude of the highest peak, frequency resolution, points.
analysis::ReadoutTable SpectrumReadout(const SpectrumSet& spectra, const SpectrumInput& in);

/// The pointer's line over the spectrum: frequency and both amplitudes of point `index` of the
/// point set ("f = 1 Hz   A = 1,5 V   B = 2 mV"), only the shown ones.
QString SpectrumPointerText(const acquisition::MeasurementStore& points, int index,
                            const QString& unitA, const QString& unitB, bool showA, bool showB);

} // namespace kurvimat::display
