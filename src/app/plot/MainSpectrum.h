// The main window's spectrum ("Spektrum"), a plot mode of its own points: the amplitude
// spectra of both channels of the stored points and of the snapshot, between the time cursors
// or over all points. It keeps them as a point set of its own with three scales of its own
// (amplitude of A left, of B right, frequency below), so the time plot's ranges wait unchanged
// for the way back, and works them out again when the points, the span or the window change;
// while a sweep streams at most once a second.
#pragma once

#include "PlotZoom.h"
#include "Scale.h"
#include "SpectrumPlot.h"
#include "plot/PointSetMode.h"

#include <QElapsedTimer>
#include <QObject>

#include <cstddef>
#include <memory>
#include <QCoreApplication>

class PlotView;
class QMenu;
namespace kurvimat::session {
class Session;
}

class MainSpectrum : public QObject, public PointSetMode {
    Q_DECLARE_TR_FUNCTIONS(MainSpectrum)

public:
    // On the plot of the window `plot` lies in.
    MainSpectrum(PlotView& plot, kurvimat::session::Session& session);
    ~MainSpectrum() override;

    bool Shown() const;
    /// The plot changes over; the time plot's state stays.
    void Switched(bool on) override;
    void Place() override;
    /// Takes over what the stored points' change flags say, and computes the spectra anew
    /// when their input changed (`now`: at once, else when the wait since the last
    /// computation is over).
    bool Update(bool now = false) override;
    /// The wait before the next computation follows from it.
    void Spent(qint64 nanoseconds) override;

    kurvimat::acquisition::MeasurementStore& Points() override;
    kurvimat::display::DisplayChanges& Changes() override { return changes_; }
    kurvimat::display::ScaleSet Scales() override;
    kurvimat::display::ZoomHistory& History() override { return history_; }

    kurvimat::analysis::ReadoutTable Table() const override;
    kurvimat::display::CursorMarks Marks() const override;
    kurvimat::display::ReadoutInput CornerInput() const override;
    QString PointerText(int index) const override;
    /// Hann or rectangular window.
    void AddMenuActions(QMenu& menu) override;
    kurvimat::analysis::SpectrumWindow Window() const { return window_; }
    void SetWindow(kurvimat::analysis::SpectrumWindow w);

private:
    kurvimat::display::SpectrumInput Input() const;
    void UpdateTitles();
    std::size_t KeyOf(bool snapshot) const;

    PlotView& plot_;
    kurvimat::session::Session& session_;
    // Made when first shown: it is large.
    std::unique_ptr<kurvimat::acquisition::MeasurementStore> points_;
    // The amplitudes widen their axes; the frequency axis is zoomed freely and fitted when the
    // sampling rate changes.
    kurvimat::display::DisplayChanges changes_{.AutoLeft = true, .AutoRight = true};
    kurvimat::display::Tscale ScaleA, ScaleB, ScaleF, ScaleX;
    kurvimat::display::Tscale* ScaleLeft = &ScaleA;
    kurvimat::display::Tscale* ScaleRight = &ScaleB;
    kurvimat::display::Tscale* ScaleBottom = &ScaleF;
    kurvimat::analysis::SpectrumWindow window_ = kurvimat::analysis::SpectrumWindow::Hann;
    kurvimat::display::SpectrumSet spectra_;
    std::size_t dataKey_ = 0, snapKey_ = 0; ///< what the spectra were computed from
    bool fitted_ = false;                  ///< the axes were fitted to a spectrum once
    float fittedNyquist_ = 0;              ///< the frequency axis's full range, when fitted
    bool pending_ = false;                 ///< the stored points changed since
    QElapsedTimer age_;
    qint64 wait_ = 1000; ///< ms between computations while a sweep streams
    kurvimat::display::ZoomHistory history_;
};
