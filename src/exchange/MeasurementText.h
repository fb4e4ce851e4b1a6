// The tab-separated measurement text that carries a point set (data or snapshot) through the
// clipboard and text files: a header line "Zeit in s<TAB>definition A<TAB>definition B", then
// one line "time<TAB>A<TAB>B" per point, CR LF after every line.
#pragma once

#include <QString>
#include <QStringView>

#include <optional>
#include <span>
#include <vector>

/// Points a text can bring into the store; equals the store's capacity.
inline constexpr int MeasurementTextMaxPoints = 10000;
/// Characters of a line that are read; the rest of a longer line is ignored.
inline constexpr qsizetype MeasurementTextMaxLineLength = 4096;

/// Removes the first TAB-separated field from line and returns it. Double quotes toggle a
/// quoted stretch in which TABs belong to the field; the quotes themselves are dropped.
QString TakeField(QString& line);

/// A point set as read from a measurement text.
struct MeasurementText {
    QString defA;
    QString defB;
    std::vector<float> t; ///< seconds
    std::vector<float> a;
    std::vector<float> b;
    int count = 0; ///< size of t, a and b
    /// Extremes of the points; meaningful only while count > 0.
    float minT = 0, maxT = 0, minA = 0, maxA = 0, minB = 0, maxB = 0;
    /// Point lines after the first MeasurementTextMaxPoints, which were not read.
    int droppedLines = 0;
    /// Lines longer than MeasurementTextMaxLineLength, read only up to that length.
    int cutLines = 0;
    /// No point line starts with a number: the text is no measurement text and must change
    /// nothing. Then no points are given either.
    bool withoutNumbers = false;
};

/// The text of a point set, lines ending in CR LF, numbers by FormatValue: values with four
/// significant digits, times with as many as keep every two consecutive different times
/// apart once read back (at least four). Writes min(t.size(), a.size(), b.size()) points.
QString formatMeasurementText(const QString& defA, const QString& defB, std::span<const float> t,
                              std::span<const float> a, std::span<const float> b);

/// Reads a measurement text (from a file after decodeText, or from the clipboard); CR LF, LF
/// and CR all end a line. A line of more than five characters is a point, and so is a shorter
/// one with the two TABs of a point ("0<TAB>5<TAB>1"). Returns nothing when the text has fewer
/// than two lines: then the store must stay as it is.
std::optional<MeasurementText> readMeasurementText(QStringView text);
