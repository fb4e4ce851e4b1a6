// The lab report's words on the plot: a title and notes, each placed where the user dragged it.
// Places are fractions of the plot's size, so a note stays beside what it names in a window of
// any size, a picture of any scale and a printed page.
#pragma once

#include <QString>

#include <vector>

namespace kurvimat::session {

struct PlotNote {
    QString text;
    double x = 0.05, y = 0.05; ///< its top left corner, as a fraction of the plot's width, height
    bool title = false;        ///< the report's title: larger, and at the top of a printed page
    bool operator==(const PlotNote&) const = default;
};

using PlotNotes = std::vector<PlotNote>;

/// What a file may bring: more is left out, a longer text is cut.
inline constexpr int MaxPlotNotes = 32;
inline constexpr int MaxNoteLength = 2000;

/// The setting's text: a JSON array of {"text", "x", "y", "title"}; empty for no notes.
QString notesText(const PlotNotes& notes);
/// The setting's text read back within the bounds above: a note whose place is not two
/// numbers is left out, a place outside the plot is moved into it, at most one title.
PlotNotes readNotes(const QString& text);

/// The note with the title, if there is one.
const PlotNote* titleOf(const PlotNotes& notes);

} // namespace kurvimat::session
