// The main window's spectrum ("Spektrum"), a plot mode beside the XY modes: the amplitude
// spectra of both channels of the stored points and of the snapshot, between the time cursors
// or over all points. It keeps them as a point set of its own with three scales of its own
// (amplitude of A left, of B right, frequency below), so the time plot's ranges wait unchanged
// for the way back, and works them out again when the points, the span or the window change;
// while a sweep streams at most once a second.
#pragma once

#include "PlotZoom.h"
#include "SpectrumPlot.h"
#include "Scale.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstddef>
#include <memory>

using kurvimat::acquisition::MeasurementStore;
using kurvimat::analysis::ReadoutInput;
using kurvimat::analysis::ReadoutTable;
using kurvimat::analysis::SpectrumInput;
using kurvimat::analysis::SpectrumSet;
using kurvimat::analysis::SpectrumWindow;
using kurvimat::analysis::ZoomHistory;
using kurvimat::display::CursorMarks;
using kurvimat::display::DisplayChanges;
using kurvimat::display::ScaleSet;
using kurvimat::display::Tscale;

class PlotView;
class QCheckBox;
class QMenu;
namespace kurvimat::session {
class Session;
}

class MainSpectrum : public QObject {
public:
    // On the plot of the window `plot` lies in; switching it on clears the XY modes' boxes.
    MainSpectrum(PlotView& plot, kurvimat::session::Session& session, QCheckBox* aAsX,
                 QCheckBox* bAsX);
    ~MainSpectrum() override;

    bool Shown() const;
    /// The check box was toggled: the plot changes over, the other mode's state stays.
    void Switched(bool on);
    /// The plot's strips were laid out anew: the scales take their places.
    void Place();
    /// Before each refresh while shown: takes over what the stored points' change flags say,
    /// and computes the spectra anew when their input changed (`now`: at once, else when the
    /// wait since the last computation is over). True when it computed.
    bool Update(bool now = false);
    /// What a computation and the refresh that drew it took: the wait before the next.
    void Spent(qint64 nanoseconds);

    /// The plot's point set and scales in this mode.
    MeasurementStore& Points();
    DisplayChanges& Changes() { return changes_; }
    ScaleSet Scales();
    ZoomHistory& History() { return history_; }

    ReadoutTable Table() const;
    CursorMarks Marks() const;
    /// The point set and channels as the readout box's corner search reads them.
    ReadoutInput CornerInput() const;
    QString PointerText(int index) const;
    /// Hann or rectangular window, as the plot's menu offers them.
    void AddMenuActions(QMenu& menu);
    SpectrumWindow Window() const { return window_; }
    void SetWindow(SpectrumWindow w);

private:
    SpectrumInput Input() const;
    void UpdateTitles();
    std::size_t KeyOf(bool snapshot) const;

    PlotView& plot_;
    kurvimat::session::Session& session_;
    QCheckBox* aAsX_;
    QCheckBox* bAsX_;
    std::unique_ptr<MeasurementStore> points_; // made when first shown: it is large
    // The amplitudes widen their axes; the frequency axis is zoomed freely and fitted when the
    // sampling rate changes.
    DisplayChanges changes_{.AutoLeft = true, .AutoRight = true};
    Tscale ScaleA, ScaleB, ScaleF, ScaleX;
    Tscale* ScaleLeft = &ScaleA;
    Tscale* ScaleRight = &ScaleB;
    Tscale* ScaleBottom = &ScaleF;
    SpectrumWindow window_ = SpectrumWindow::Hann;
    SpectrumSet spectra_;
    std::size_t dataKey_ = 0, snapKey_ = 0; ///< what the spectra were computed from
    bool fitted_ = false;                  ///< the axes were fitted to a spectrum once
    float fittedNyquist_ = 0;              ///< the frequency axis's full range, when fitted
    bool pending_ = false;                 ///< the stored points changed since
    QElapsedTimer age_;
    qint64 wait_ = 1000; ///< ms between computations while a sweep streams
    ZoomHistory history_;
};
