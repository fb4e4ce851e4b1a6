// Runs ("Messreihen") shown over the plot: each in a colour of its own, named in a legend.
// They change only when the user shows, hides or deletes one, so their curves are drawn once
// into a layer of their own and ANDed into the plot at each drawing in full; a streaming tick
// draws only the new points over them and never looks at the runs.
#pragma once

#include "DisplayState.h"
#include "IndexedImage.h"
#include "Plot.h"
#include "QuantityColumn.h"

#include <QFont>
#include <QString>

#include <array>
#include <cstdint>
#include <utility>
#include <vector>

namespace kurvimat::display {

/// One shown run: its points (a copy, so the run list may change under it) and its colour.
struct RunCurve {
    std::vector<float> T, A, B;
    bool HasB = true;
    std::uint8_t Colour = 0; ///< PaletteMask::Run(): the AND mask of its points and legend
    QString Name;
    /// Its further columns, drawn in its colour where an axis shows their unit, as the data's.
    std::vector<signals::QuantityColumn> Columns;
};

class RunLayer {
public:
    /// The shown runs, in the order of the run list. Changes key().
    void setRuns(std::vector<RunCurve> runs);
    const std::vector<RunCurve>& runs() const { return runs_; }
    /// Of each run's further columns, the smallest and largest finite value (NaN where it has
    /// none), found once when the runs are set: the autoscale reads them at every tick.
    const std::vector<std::vector<std::pair<double, double>>>& columnRanges() const {
        return ranges_;
    }
    bool empty() const { return runs_.empty(); }
    /// Stands for the shown runs: equal keys draw equal pixels; 0 when none is shown.
    std::size_t key() const { return runs_.empty() ? 0 : key_; }

    /// ANDs the runs' curves and legend into the plot image, at the drawing's geometry. The
    /// layer is drawn again only when the image's size, the ranges, the mode, the channels or
    /// the runs changed.
    void paint(IndexedImage& image, const ScaleSet& scales, const DisplayControls& controls,
               const PaintGeometry& g, const QFont& font, const AxisUnits& units = {});

private:
    struct Key {
        int Width = 0, Height = 0;
        double Scale = 0;
        DisplayControls Controls;
        std::array<double, 6> Ranges{};
        std::size_t Runs = 0;
        AxisUnits Units;
        bool operator==(const Key&) const = default;
    };
    std::vector<RunCurve> runs_;
    std::vector<std::vector<std::pair<double, double>>> ranges_;
    std::size_t key_ = 0;
    IndexedImage layer_;
    Key drawnFor_;
    bool drawn_ = false;
};

} // namespace kurvimat::display
