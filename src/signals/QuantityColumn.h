// A quantity beside the time and the channels A and B: a column of a read table, or one entered
// or calculated. A and B stay the pipeline's fixed arrays; a point set carries these further
// columns beside them, index for index with its points.
#pragma once

#include "SignalDefinition.h"

#include <QString>

#include <cstdint>
#include <cstring>
#include <span>
#include <vector>

namespace kurvimat::signals {

/// Further columns one point set holds at most; a text's columns beyond them are not read.
inline constexpr int MaxQuantityColumns = 64;
/// Characters of a column's header that are kept; a longer header is cut.
inline constexpr qsizetype MaxColumnHeaderLength = 200;

/// Where a column's values come from. Stored as its number: keep the order.
enum class ColumnOrigin : std::uint8_t { Recorded, Read, Entered, Calculated };
inline constexpr int ColumnOriginCount = 4;

struct QuantityColumn {
    /// The header field as read, written back as it is ("Druck (hPa)", "p in hPa").
    QString header;
    /// Read from the header as the header fields of A and B are (PointSetParts).
    QString name, unit;
    ColumnOrigin origin = ColumnOrigin::Read;
    /// The formula of a calculated column; empty otherwise.
    QString formula;
    /// One value a point; NaN where that point has none (a blank field).
    std::vector<double> values;

    /// A column named by a header field, cut to MaxColumnHeaderLength.
    static QuantityColumn named(const QString& header, ColumnOrigin origin = ColumnOrigin::Read) {
        QuantityColumn c;
        c.header = header.left(MaxColumnHeaderLength);
        const DefinitionParts parts = PointSetParts(c.header);
        c.name = parts.name;
        c.unit = parts.unit;
        c.origin = origin;
        return c;
    }

    /// Equal values bit for bit, so that a column with blanks equals itself.
    bool operator==(const QuantityColumn& o) const {
        return header == o.header && name == o.name && unit == o.unit && origin == o.origin &&
               formula == o.formula && values.size() == o.values.size() &&
               (values.empty() ||
                std::memcmp(values.data(), o.values.data(), values.size() * sizeof(double)) == 0);
    }
};

using QuantityColumns = std::vector<QuantityColumn>;

/// Whether every column holds exactly `points` values: only then do they belong to the points.
inline bool ColumnsFit(std::span<const QuantityColumn> columns, std::size_t points) {
    for (const QuantityColumn& c : columns)
        if (c.values.size() != points) return false;
    return columns.size() <= std::size_t(MaxQuantityColumns);
}

} // namespace kurvimat::signals
