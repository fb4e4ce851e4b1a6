#include "QuantityAxes.h"

#include "MeasurementStore.h"
#include "SignalDefinition.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

using kurvimat::acquisition::PointCapacity;
using kurvimat::acquisition::StoredPoints;

namespace kurvimat::display {

QString QuantityRef::Title() const {
    return signals::SignalTitle(Name, Unit);
}

std::vector<QuantityRef> QuantityRefs(const StoredPoints& data) {
    std::vector<QuantityRef> refs;
    refs.push_back({TimeKey, QCoreApplication::translate("QuantityAxes", "Zeit t"),
                    QStringLiteral("s")});
    const auto channel = [&](const QString& key, const QString& definition) {
        const signals::DefinitionParts parts = signals::PointSetParts(definition);
        refs.push_back({key, parts.name.isEmpty() ? key : parts.name, parts.unit});
    };
    if (!data.NoValueA) channel(QStringLiteral("A"), data.DefA);
    if (data.HasB && !data.NoValueB) channel(QStringLiteral("B"), data.DefB);
    for (const signals::QuantityColumn& c : data.Further())
        refs.push_back({c.header, c.name.isEmpty() ? c.header : c.name, c.unit});
    return refs;
}

namespace {

// The values of a quantity by its key, one a point (doubles where the points keep them).
std::optional<std::vector<double>> valuesOf(const StoredPoints& data, const QString& key) {
    const int n = std::clamp(data.Count, 0, PointCapacity);
    const auto floats = [&](const float* v, const std::vector<double>& exact, double base) {
        std::vector<double> out(static_cast<std::size_t>(n));
        const bool precise = data.Exact();
        for (int i = 0; i < n; ++i)
            out[std::size_t(i)] = precise ? exact[std::size_t(i)] - base : double(v[i]);
        return out;
    };
    if (key == TimeKey) return floats(data.T, data.ExactT, data.TimeBase);
    if (key == u"A") {
        if (data.NoValueA) return std::nullopt;
        return floats(data.A, data.ExactA, 0);
    }
    if (key == u"B") {
        if (!data.HasB || data.NoValueB) return std::nullopt;
        return floats(data.B, data.ExactB, 0);
    }
    for (const signals::QuantityColumn& c : data.Further())
        if (c.header == key) return std::vector<double>(c.values.begin(), c.values.begin() + n);
    return std::nullopt;
}

} // namespace

int ProjectQuantities(const StoredPoints& data, const QuantityAxes& axes, StoredPoints& out) {
    out.Count = 0;
    out.DropExact();
    out.Loaded = true;
    out.NoValueA = out.NoValueB = false;
    out.DefA.clear(), out.DefB.clear();
    const bool right = !axes.Right.isEmpty();
    out.HasB = right;
    const auto x = valuesOf(data, axes.X), left = valuesOf(data, axes.Left);
    const auto other = right ? valuesOf(data, axes.Right) : std::optional<std::vector<double>>();
    if (!x || !left || (right && !other)) return 0;
    const std::vector<QuantityRef> refs = QuantityRefs(data);
    const auto refOf = [&refs](const QString& key) -> const QuantityRef* {
        for (const QuantityRef& r : refs)
            if (r.Key == key) return &r;
        return nullptr;
    };
    const auto definition = [](const QuantityRef* r) {
        if (!r) return QString();
        return r->Unit.isEmpty() ? r->Name : r->Name + QStringLiteral(" in ") + r->Unit;
    };
    const QuantityRef* leftRef = refOf(axes.Left);
    const QuantityRef* rightRef = right ? refOf(axes.Right) : nullptr;
    out.DefA = definition(leftRef);
    out.DefB = definition(rightRef);
    // A point without a value of one of them has no place in the plot.
    std::vector<int> order;
    order.reserve(x->size());
    for (std::size_t i = 0; i < x->size(); ++i)
        if (std::isfinite((*x)[i]) && std::isfinite((*left)[i]) &&
            (!right || std::isfinite((*other)[i])))
            order.push_back(int(i));
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return (*x)[std::size_t(a)] < (*x)[std::size_t(b)]; });
    const int n = int(order.size());
    for (int k = 0; k < n; ++k) {
        const auto i = std::size_t(order[std::size_t(k)]);
        out.T[k] = float((*x)[i]);
        out.A[k] = float((*left)[i]);
        out.B[k] = right ? float((*other)[i]) : 0.0f;
    }
    out.Count = n;
    // Beside them on an axis of their unit: a curve read against another quantity's scale would
    // read as that one's values.
    for (const QString& key : axes.More) {
        const QuantityRef* r = refOf(key);
        if (key == axes.Left || key == axes.Right || !r ||
            out.Columns.size() >= std::size_t(signals::MaxQuantityColumns) ||
            ((!leftRef || r->Unit != leftRef->Unit) && (!rightRef || r->Unit != rightRef->Unit)))
            continue;
        const auto values = valuesOf(data, key);
        if (!values) continue;
        signals::QuantityColumn c = signals::QuantityColumn::named(key);
        c.name = r->Name, c.unit = r->Unit;
        c.values.reserve(std::size_t(n));
        for (int k = 0; k < n; ++k)
            c.values.push_back((*values)[std::size_t(order[std::size_t(k)])]);
        out.Columns.push_back(std::move(c));
    }
    if (n > 0) {
        const auto [minT, maxT] = std::minmax_element(out.T, out.T + n);
        const auto [minA, maxA] = std::minmax_element(out.A, out.A + n);
        const auto [minB, maxB] = std::minmax_element(out.B, out.B + n);
        out.MinT = *minT, out.MaxT = *maxT, out.MinA = *minA, out.MaxA = *maxA;
        out.MinB = *minB, out.MaxB = *maxB;
    }
    return n;
}

} // namespace kurvimat::display
