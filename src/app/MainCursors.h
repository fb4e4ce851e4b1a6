// The main window's side of the measuring cursors: routes mouse, wheel and keys on the plot
// to the cursor state and the wheel zoom, builds the plot's context menu, and shows the
// readout and the value under the pointer over the plot.
#pragma once

#include "Readout.h"

#include <QElapsedTimer>
#include <QObject>
#include <QPoint>
#include <QTimer>

#include <optional>

class QLabel;
class QMenu;
class TFormMain;

class MainCursors : public QObject {
public:
    explicit MainCursors(TFormMain& window);

    /// The context menu of a right click without movement (the caller shows and deletes it).
    QMenu* CreateMenu();
    /// The readout as the window shows and copies it.
    ReadoutTable Table() const;
    void CopyReadout();
    void ZoomBack();
    /// Puts the state into the plot's marks, flags a redraw and refreshes the readout.
    void Changed();
    /// The window is being destroyed: its widgets' events are no longer looked at.
    void WindowClosing() { windowClosing = true; }

    QLabel* LabelMesswerte; ///< the readout over the plot
    QLabel* LabelZeiger;    ///< time and values at the pointer

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    ReadoutInput Input() const;
    CursorAxes Axes() const;
    void ShowReadout();
    void ShowPointer(QPoint at);
    bool Key(int key, Qt::KeyboardModifiers modifiers);
    void Step(bool vertical, int steps);
    void RememberRanges();

    TFormMain& w;
    std::optional<CursorId> dragging;
    QPoint rightPress{-1, -1};
    QElapsedTimer lastWheel;
    QTimer refresh;
    QString shownHtml;
    Corner corner = Corner::TopRight;
    bool placedByUser = false;
    QPoint boxGrip;
    bool windowClosing = false;
};
