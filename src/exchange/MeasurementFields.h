// The fields of single points written as formatMeasurementText writes them in a whole text, so
// that a table showing the points one by one shows the numbers the text would hold.
#pragma once

#include "MeasurementText.h"

#include <QString>

#include <span>

namespace kurvimat::exchange {

class MeasurementFields {
public:
    explicit MeasurementFields(const MeasurementTextFormat& format = {});

    /// Takes in the next times of the set, in their order: recorded times get as many digits
    /// as resolve the smallest step between two consecutive different times seen so far.
    void addTimes(std::span<const float> t);
    /// Forgets the times taken in.
    void clearTimes();

    QString time(float t) const;
    QString valueA(float a) const;
    /// Empty for a set without B.
    QString valueB(float b) const;
    /// Appends one point line: "time<TAB>A<TAB>B" (CSV: its separator) and CR LF.
    void appendLine(QString& text, float t, float a, float b) const;

    const MeasurementTextFormat& format() const { return format_; }
    /// The smallest step between consecutive different times taken in; 0 for none.
    double smallestTimeStep() const { return step_; }

private:
    QString value(float x, int digits) const;

    MeasurementTextFormat format_;
    QChar separator_;
    double step_ = 0; // smallest step between consecutive different times, 0 for none yet
    float last_ = 0;
    bool hasLast_ = false;
    int decimals_ = 0; // decimal places that resolve step_
};

} // namespace kurvimat::exchange
