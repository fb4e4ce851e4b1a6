// The report's title and notes over the plot: boxes of text the user places by dragging, drawn
// alike in the window, in pictures and on paper. The session keeps them; this shows them.
#pragma once

#include "PlotNotes.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSizeF>
#include <QWidget>

#include <optional>
#include <vector>

namespace kurvimat::session {
class Session;
}
class QMenu;
class QPainter;

// A note's box at scale 1 (the window's logical pixels): its text's lines with a margin.
QSizeF NoteBoxSize(const kurvimat::session::PlotNote& note, double scale = 1);
// Draws a note with its top left corner at `at`, everything scale times its window size.
void PaintNote(QPainter& painter, const kurvimat::session::PlotNote& note, QPointF at,
               double scale = 1);
// Every note at its place in an area of `area` (the plot canvas's size in the painter's
// units); the title left out when withTitle is false (a printed page has it at its top).
void PaintNotes(QPainter& painter, const kurvimat::session::PlotNotes& notes, QSizeF area,
                double scale, bool withTitle = true);

class PlotNotesLayer : public QObject {
    Q_OBJECT

public:
    // Shows the session's notes over `canvas` (the plot's paint box) and keeps them shown.
    PlotNotesLayer(kurvimat::session::Session& session, QWidget& canvas);

    // "Titel …": the title typed anew; an empty text takes it away.
    void EditTitle();
    // "Notiz hinzufügen …": a new note, at `where` (canvas pixels) or below the last one.
    void AddNote(std::optional<QPoint> where = std::nullopt);
    // Edits or removes the note at index i (in the session's list).
    void EditNote(std::size_t i);
    void RemoveNote(std::size_t i);
    // The boxes as shown, in the session's order (the tests' view).
    const std::vector<QPointer<QWidget>>& Boxes() const { return boxes_; }
    // A box was dropped at `topLeft` (canvas pixels): the note stands there now.
    void Moved(std::size_t i, QPoint topLeft);

private:
    void Show();
    void Place();
    bool eventFilter(QObject* watched, QEvent* event) override;

    kurvimat::session::Session& session_;
    QWidget& canvas_;
    std::vector<QPointer<QWidget>> boxes_;
};
