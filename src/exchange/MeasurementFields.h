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
    void addTimes(std::span<const double> t);
    /// Forgets the times taken in.
    void clearTimes();

    /// Doubles are loaded values kept as read; as read, they are written with a double's digits.
    QString time(float t) const;
    QString time(double t) const;
    QString valueA(float a) const;
    QString valueA(double a) const;
    /// Empty for a set without B.
    QString valueB(float b) const;
    QString valueB(double b) const;
    /// The value of a further column at row as read; empty where it has none.
    QString further(const signals::QuantityColumn& column, std::size_t row) const;
    /// Appends one point line: "time<TAB>A<TAB>B" (CSV: its separator), the further columns'
    /// values at row, and CR LF.
    void appendLine(QString& text, float t, float a, float b,
                    std::span<const signals::QuantityColumn> columns = {},
                    std::size_t row = 0) const;
    void appendLine(QString& text, double t, double a, double b,
                    std::span<const signals::QuantityColumn> columns = {},
                    std::size_t row = 0) const;

    const MeasurementTextFormat& format() const { return format_; }
    /// The smallest step between consecutive different times taken in; 0 for none.
    double smallestTimeStep() const { return step_; }

private:
    template <class Number> void takeTimes(std::span<const Number> t);
    template <class Number> QString timeOf(Number t) const;
    template <class Number> QString value(Number x, int digits) const;
    template <class Number>
    void line(QString& text, Number t, Number a, Number b,
              std::span<const signals::QuantityColumn> columns, std::size_t row) const;

    MeasurementTextFormat format_;
    QChar separator_;
    double step_ = 0; // smallest step between consecutive different times, 0 for none yet
    double last_ = 0;
    bool hasLast_ = false;
    int decimals_ = 0; // decimal places that resolve step_
};

} // namespace kurvimat::exchange
