// The hidden readout of the shown axis ranges of A and B, their spans and the ratios of the
// spans, reached through an invisible hot spot at the right of the bottom panel.
#pragma once

#include <QLocale>
#include <QStringList>

namespace kurvimat::display {

class Tscale;

/// The eight lines for the ranges of scaleA and scaleB, numbers with 5 significant digits in
/// the locale's decimal separator.
QStringList AnalysisLines(const Tscale& scaleA, const Tscale& scaleB,
                          const QLocale& locale = QLocale());

/// The readout box's content and visibility; the window mirrors both onto MemoAnalysis.
struct AnalysisReadout {
    bool Visible = false;
    QStringList Lines;

    /// Hides a shown readout; otherwise fills it afresh and shows it.
    void Toggle(const Tscale& scaleA, const Tscale& scaleB, const QLocale& locale = QLocale());
    void Hide() { Visible = false; }
};

} // namespace kurvimat::display
