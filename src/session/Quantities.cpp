#include "Quantities.h"

#include "MeasurementStore.h"
#include "Run.h"
#include "SignalDefinition.h"

#include <QCoreApplication>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <span>
#include <string>

namespace kurvimat::session {

using acquisition::StoredPoints;
using analysis::ColumnFormula;
using signals::ColumnOrigin;
using signals::QuantityColumn;

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
constexpr qsizetype MaxNameLength = 60;

bool reserved(const QString& upper) {
    return upper == u"T" || upper == u"A" || upper == u"B" || upper == u"PI";
}

// The names a formula uses outside calls, upper case: a name followed by "(" is a function.
QStringList namesIn(const QString& formula) {
    QStringList out;
    const auto letter = [](QChar c) {
        return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
    };
    const auto digit = [](QChar c) { return c >= u'0' && c <= u'9'; };
    for (qsizetype k = 0; k < formula.size();) {
        const QChar c = formula[k];
        if (digit(c) || c == u'.' || c == u',') {
            while (k < formula.size() && (digit(formula[k]) || formula[k] == u'.' || formula[k] == u','))
                ++k;
            if (k < formula.size() && (formula[k] == u'e' || formula[k] == u'E')) {
                qsizetype e = k + 1;
                if (e < formula.size() && (formula[e] == u'+' || formula[e] == u'-')) ++e;
                if (e < formula.size() && digit(formula[e])) {
                    k = e;
                    while (k < formula.size() && digit(formula[k])) ++k;
                }
            }
            continue;
        }
        if (!letter(c)) {
            ++k;
            continue;
        }
        const qsizetype b = k;
        while (k < formula.size() && (letter(formula[k]) || digit(formula[k]))) ++k;
        qsizetype after = k;
        while (after < formula.size() && formula[after] == u' ') ++after;
        if (after < formula.size() && formula[after] == u'(') continue;
        out.append(formula.mid(b, k - b).toUpper());
    }
    return out;
}

std::vector<std::string> stdNames(const QStringList& names) {
    std::vector<std::string> out;
    out.reserve(std::size_t(names.size()));
    for (const QString& n : names) out.push_back(n.toUpper().toStdString());
    return out;
}

// Definitions in an order where each comes after those it uses; none when some reach
// themselves (cycle: the one found first, and the way back to it).
std::optional<std::vector<int>> evaluationOrder(const std::vector<std::vector<int>>& uses,
                                                std::vector<int>* cycle) {
    const int n = int(uses.size());
    std::vector<int> state(std::size_t(n), 0), order, path;
    std::function<bool(int)> visit = [&](int v) {
        if (state[std::size_t(v)] == 2) return true;
        if (state[std::size_t(v)] == 1) {
            if (cycle) {
                const auto from = std::find(path.begin(), path.end(), v);
                cycle->assign(from, path.end());
            }
            return false;
        }
        state[std::size_t(v)] = 1;
        path.push_back(v);
        for (const int w : uses[std::size_t(v)])
            if (!visit(w)) return false;
        path.pop_back();
        state[std::size_t(v)] = 2;
        order.push_back(v);
        return true;
    };
    for (int v = 0; v < n; ++v)
        if (!visit(v)) return std::nullopt;
    return order;
}

// For each definition, the others its formula names.
std::vector<std::vector<int>> usesOf(const std::vector<QuantityDefinition>& definitions) {
    std::vector<std::vector<int>> uses(definitions.size());
    for (std::size_t i = 0; i < definitions.size(); ++i)
        for (const QString& name : namesIn(definitions[i].formula))
            for (std::size_t j = 0; j < definitions.size(); ++j)
                if (definitions[j].name.toUpper() == name &&
                    std::find(uses[i].begin(), uses[i].end(), int(j)) == uses[i].end())
                    uses[i].push_back(int(j));
    return uses;
}

} // namespace

struct Quantities::State {
    // What the last compute took: the points' count, first time, the further columns it saw.
    std::size_t count = 0;
    bool valid = false;
    double firstTime = NaN;
    int others = 0;
    std::vector<int> aliases; // channels (1: A, 2: B) seen by their names besides
    std::vector<int> order;
    std::vector<std::vector<int>> uses;
    std::vector<QuantityConstant> constants;
    std::vector<std::string> names; // the formulas were compiled over these
    // The columns the formulas see: T, A, B, the other columns, the constants, then the
    // definitions' results in definition order.
    std::vector<std::vector<double>> inputs;
    std::vector<std::unique_ptr<ColumnFormula>> formulas;
    std::vector<bool> ok;
    // Left out at the last step because a quantity it uses failed: its formula holds nothing.
    std::vector<bool> skipped;
    std::vector<std::size_t> first; // of each result, the first that changed at the last step
    std::vector<QuantityFailure> failures;
};

Quantities::Quantities() : state_(std::make_unique<State>()) {}
Quantities::~Quantities() = default;

QString Quantities::identifier(const QString& name) {
    QString out;
    for (const QChar c : name.trimmed()) {
        const char16_t u = c.unicode();
        if ((u >= u'A' && u <= u'Z') || (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') ||
            u == u'_')
            out += c;
        else if (u == u'ä') out += u"ae";
        else if (u == u'ö') out += u"oe";
        else if (u == u'ü') out += u"ue";
        else if (u == u'Ä') out += u"Ae";
        else if (u == u'Ö') out += u"Oe";
        else if (u == u'Ü') out += u"Ue";
        else if (u == u'ß') out += u"ss";
        else out += u'_';
    }
    if (!out.isEmpty() && out[0].isDigit()) out.prepend(u'_');
    return out.left(MaxNameLength);
}

std::optional<QuantityConstant> Quantities::readConstant(const QString& line, QString* fault) {
    static const QRegularExpression form(QStringLiteral(
        R"(^\s*([A-Za-z_][A-Za-z0-9_]*)\s*=\s*([+-]?(?:\d+(?:[.,]\d*)?|[.,]\d+)(?:[eE][+-]?\d+)?)\s*(.*?)\s*$)"));
    const auto refuse = [&](const QString& why) {
        if (fault) *fault = why;
        return std::nullopt;
    };
    if (line.size() > MaxConstantLineLength) return refuse(tr("die Zeile ist zu lang"));
    const QRegularExpressionMatch m = form.match(line);
    if (!m.hasMatch())
        return refuse(tr("„%1“ ist keine Konstante der Form „m = 0,25 kg“").arg(line.left(40)));
    QuantityConstant c;
    c.name = m.captured(1);
    QString number = m.captured(2);
    number.replace(u',', u'.');
    bool read = false;
    c.value = number.toDouble(&read);
    if (!read || !std::isfinite(c.value))
        return refuse(tr("der Wert von „%1“ ist keine endliche Zahl").arg(c.name));
    c.unit = m.captured(3);
    if (c.name.size() > MaxNameLength) return refuse(tr("der Name „%1“ ist zu lang").arg(c.name.left(40)));
    return c;
}

std::optional<QuantityFault> Quantities::check(const std::vector<QuantityDefinition>& definitions,
                                               const QStringList& constants,
                                               const QStringList& columns) {
    if (definitions.size() > std::size_t(signals::MaxQuantityColumns))
        return QuantityFault{-1, tr("zu viele Größen")};
    QStringList taken;
    const auto takeName = [&](const QString& name) -> std::optional<QString> {
        const QString upper = name.toUpper();
        if (name.isEmpty()) return tr("die Größe hat keinen Namen");
        if (identifier(name) != name)
            return tr("der Name „%1“ ist keiner für Formeln: Buchstaben, Ziffern und „_“, "
                      "etwa „%2“")
                .arg(name.left(40), identifier(name));
        // "a" for an acceleration is what a class types first: say why it cannot be.
        if (reserved(upper))
            return tr("„%1“ steht in Formeln schon für %2 (groß oder klein geschrieben); "
                      "etwa „%1_“ geht")
                .arg(name, upper == u"T"   ? tr("die Zeit")
                           : upper == u"A" ? tr("Kanal A")
                           : upper == u"B" ? tr("Kanal B")
                                           : tr("die Zahl π"));
        if (taken.contains(upper)) return tr("der Name „%1“ ist schon vergeben").arg(name);
        taken.append(upper);
        return std::nullopt;
    };
    int lines = 0;
    for (int i = 0; i < constants.size(); ++i) {
        if (constants[i].trimmed().isEmpty()) continue;
        if (++lines > MaxQuantityConstants) return QuantityFault{-1, tr("zu viele Konstanten")};
        QString why;
        const std::optional<QuantityConstant> c = readConstant(constants[i], &why);
        if (!c) return QuantityFault{-1, tr("Konstanten: %1").arg(why)};
        if (const auto bad = takeName(c->name)) return QuantityFault{-1, tr("Konstanten: %1").arg(*bad)};
    }
    const QStringList names = QStringList{QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("B")} + taken;
    for (std::size_t i = 0; i < definitions.size(); ++i)
        if (const auto bad = takeName(definitions[i].name)) return QuantityFault{int(i), *bad};
    QStringList all = names + columns;
    for (const QuantityDefinition& d : definitions) all.append(d.name);
    ColumnFormula probe;
    for (std::size_t i = 0; i < definitions.size(); ++i)
        if (!probe.compile(definitions[i].formula, stdNames(all)))
            return QuantityFault{int(i), probe.error().Message, probe.error().Place};
    std::vector<int> cycle;
    if (!evaluationOrder(usesOf(definitions), &cycle)) {
        const int first = cycle.empty() ? 0 : cycle.front();
        if (cycle.size() == 1)
            return QuantityFault{first, tr("„%1“ nennt sich selbst").arg(definitions[std::size_t(first)].name)};
        QStringList way;
        for (const int v : cycle) way.append(definitions[std::size_t(v)].name);
        way.append(definitions[std::size_t(first)].name);
        return QuantityFault{first, tr("die Größen hängen im Kreis voneinander ab: %1")
                                        .arg(way.join(QStringLiteral(" → ")))};
    }
    return std::nullopt;
}

std::optional<QuantityFault> Quantities::set(std::vector<QuantityDefinition> definitions,
                                             QStringList constants, const QStringList& columns) {
    if (auto fault = check(definitions, constants, columns)) return fault;
    definitions_ = std::move(definitions);
    constants.removeIf([](const QString& line) { return line.trimmed().isEmpty(); });
    constants_ = std::move(constants);
    state_ = std::make_unique<State>();
    computed_ = 0;
    return std::nullopt;
}

namespace {

// The name of a constant line, upper case; empty for a line that is none.
QString constantName(const QString& line) {
    const auto c = Quantities::readConstant(line, nullptr);
    return c ? c->name.toUpper() : QString();
}

} // namespace

QStringList Quantities::constantsUsed(const QStringList& constants,
                                      const std::vector<QuantityDefinition>& definitions) {
    QStringList named;
    for (const QuantityDefinition& d : definitions)
        named += namesIn(d.formula);
    QStringList out;
    qsizetype bytes = 0;
    for (const QString& line : constants) {
        const QString name = constantName(line);
        if (name.isEmpty() || !named.contains(name)) continue;
        bytes += line.toUtf8().size() + 1;
        if (bytes > MaxRunConstantsBytes || out.size() == MaxQuantityConstants) break;
        out.append(line);
    }
    return out;
}

bool Quantities::adopt(std::vector<QuantityDefinition> definitions, const QStringList& runConstants,
                       const QStringList& columns) {
    QStringList runNames, merged;
    for (const QString& line : runConstants)
        runNames.append(constantName(line));
    for (const QString& line : constants_) {
        const qsizetype k = runNames.indexOf(constantName(line));
        merged.append(k < 0 ? line : runConstants[k]);
    }
    for (const QString& line : runConstants) {
        const QString name = constantName(line);
        if (std::none_of(merged.begin(), merged.end(),
                         [&](const QString& m) { return constantName(m) == name; }))
            merged.append(line);
    }
    // The constants in force that clash with the run's definitions give way.
    if (check(definitions, merged, columns)) merged = runConstants;
    if (definitions == definitions_ && merged == constants_) return false;
    return !set(std::move(definitions), std::move(merged), columns);
}

QStringList Quantities::columnNames(const std::vector<QuantityColumn>& columns) {
    QStringList out;
    for (const QuantityColumn& c : columns)
        if (c.origin != ColumnOrigin::Calculated) out.append(identifier(c.name));
    return out;
}

QStringList Quantities::columnNames(const StoredPoints& points) {
    const auto further = points.Further();
    QStringList out = columnNames(std::vector<QuantityColumn>(further.begin(), further.end()));
    out.append(identifier(channelName(points.DefA)));
    if (points.HasB) out.append(identifier(channelName(points.DefB)));
    out.removeAll(QString());
    return out;
}

QString Quantities::definitionsText() const {
    QStringList lines;
    for (const QuantityDefinition& d : definitions_)
        lines.append(d.name + u'\t' + d.unit + u'\t' + d.formula);
    return lines.join(u'\n');
}

std::optional<std::vector<QuantityDefinition>> Quantities::readDefinitions(const QString& text) {
    std::vector<QuantityDefinition> out;
    if (text.isEmpty()) return out;
    const QStringList lines = text.split(u'\n');
    if (lines.size() > signals::MaxQuantityColumns) return std::nullopt;
    for (const QString& line : lines) {
        const QStringList f = line.split(u'\t');
        if (f.size() != 3 || f[0].size() > MaxNameLength ||
            f[1].size() > signals::MaxColumnHeaderLength ||
            f[2].size() > analysis::MaxColumnFormulaLength)
            return std::nullopt;
        out.push_back({f[0], f[1], f[2]});
    }
    return out;
}

QString Quantities::channelName(const QString& definition) {
    return signals::PointSetParts(definition).name;
}

std::vector<QuantityDefinition> calculatedDefinitions(const std::vector<QuantityColumn>& columns) {
    std::vector<QuantityDefinition> out;
    for (const QuantityColumn& c : columns)
        if (c.origin == ColumnOrigin::Calculated) out.push_back({c.name, c.unit, c.formula});
    return out;
}

namespace {

// The points' time and channels as the formulas see them: the numbers as read where the
// points keep them, NaN where a channel holds no values.
void baseColumns(const StoredPoints& p, std::size_t from, std::size_t n,
                 std::span<std::vector<double>> in) {
    const bool exact = p.Exact();
    for (auto& v : in) v.resize(n);
    for (std::size_t i = from; i < n; ++i) {
        in[0][i] = exact ? p.ExactT[i] : double(p.T[i]);
        in[1][i] = p.NoValueA ? NaN : exact ? p.ExactA[i] : double(p.A[i]);
        in[2][i] = (p.NoValueB || !p.HasB) ? NaN : exact ? p.ExactB[i] : double(p.B[i]);
    }
}

QString headerOf(const QuantityDefinition& d) {
    return d.unit.isEmpty() ? d.name : d.name + QStringLiteral(" (") + d.unit + u')';
}

} // namespace

std::vector<QuantityFailure> Quantities::compute(StoredPoints& points, bool remember) {
    auto st = std::make_unique<State>();
    const std::size_t n = std::size_t(std::clamp(points.Count, 0, acquisition::PointCapacity));
    points.Settled.clear();
    // The columns that are not calculated stay, where they belong to the points.
    std::vector<QuantityColumn> others;
    for (QuantityColumn& c : points.Columns)
        if (c.origin != ColumnOrigin::Calculated && c.values.size() == n) others.push_back(std::move(c));
    points.Columns = std::move(others);
    // Without points there is nothing to compute, and nothing failed.
    if (definitions_.empty() || n == 0) {
        if (remember) state_ = std::move(st);
        return {};
    }
    st->count = n;
    st->firstTime = n > 0 ? double(points.T[0]) : NaN;
    st->uses = usesOf(definitions_);
    st->order = evaluationOrder(st->uses, nullptr).value_or(std::vector<int>{});
    for (const QString& line : constants_)
        if (auto c = readConstant(line, nullptr)) st->constants.push_back(*c);

    QStringList names{QStringLiteral("T"), QStringLiteral("A"), QStringLiteral("B")};
    st->inputs.assign(3, {});
    baseColumns(points, 0, n, st->inputs);
    // Room for the further columns a set may hold beside those the session calculates.
    const std::size_t room = std::size_t(signals::MaxQuantityColumns) - definitions_.size();
    for (const QuantityColumn& c : points.Columns) {
        if (std::size_t(st->others) == room) break;
        names.append(identifier(c.name));
        st->inputs.push_back(c.values);
        ++st->others;
    }
    // A channel is seen by its name too ("s" for A named s), unless that name is taken.
    QStringList later;
    for (const QuantityConstant& c : st->constants) later.append(c.name.toUpper());
    for (const QuantityDefinition& d : definitions_) later.append(d.name.toUpper());
    for (const int channel : {1, 2}) {
        if (channel == 2 && !points.HasB) break;
        const QString alias = identifier(channelName(channel == 1 ? points.DefA : points.DefB));
        const QString upper = alias.toUpper();
        if (alias.isEmpty() || reserved(upper) || names.contains(upper, Qt::CaseInsensitive) ||
            later.contains(upper))
            continue;
        names.append(alias);
        st->inputs.push_back(st->inputs[std::size_t(channel)]);
        st->aliases.push_back(channel);
    }
    for (const QuantityConstant& c : st->constants) {
        names.append(c.name);
        st->inputs.emplace_back(n, c.value);
    }
    for (const QuantityDefinition& d : definitions_) {
        names.append(d.name);
        st->inputs.emplace_back(n, NaN);
    }
    st->names = stdNames(names);
    // Formulas over the same names as before compile as before: one that did not (a name the
    // points lack) is not tried again until the definitions or the names change.
    const bool compiled = remember && state_ && state_->names == st->names &&
                          state_->formulas.size() == definitions_.size();
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        if (compiled) {
            st->formulas.push_back(std::move(state_->formulas[i]));
            continue;
        }
        st->formulas.push_back(std::make_unique<ColumnFormula>());
        st->formulas.back()->compile(definitions_[i].formula, st->names);
    }
    st->ok.assign(definitions_.size(), false);
    st->skipped.assign(definitions_.size(), false);
    st->first.assign(definitions_.size(), 0);
    evaluate(*st, 0, true);
    const std::size_t results = st->inputs.size() - definitions_.size();
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        if (!st->ok[i]) continue;
        QuantityColumn c = QuantityColumn::named(headerOf(definitions_[i]), ColumnOrigin::Calculated);
        c.name = definitions_[i].name;
        c.unit = definitions_[i].unit;
        c.formula = definitions_[i].formula;
        c.values = st->inputs[results + i];
        points.Columns.push_back(std::move(c));
    }
    st->valid = true;
    std::vector<QuantityFailure> failures = st->failures;
    if (remember) state_ = std::move(st);
    return failures;
}

void Quantities::evaluate(State& st, std::size_t before, bool full) {
    const std::size_t n = st.count;
    const std::size_t results = st.inputs.size() - definitions_.size();
    std::vector<std::span<const double>> spans(st.inputs.begin(), st.inputs.end());
    st.failures.clear();
    for (const int i : st.order) {
        const auto k = std::size_t(i);
        const QuantityDefinition& d = definitions_[k];
        ColumnFormula& f = *st.formulas[k];
        st.ok[k] = false;
        st.first[k] = n; // a failed one gave no value
        if (!f.compiled()) {
            st.failures.push_back({d.name, f.error()});
            continue;
        }
        const std::vector<int>& uses = st.uses[k];
        const auto failedUse =
            std::find_if(uses.begin(), uses.end(), [&](int j) { return !st.ok[std::size_t(j)]; });
        if (failedUse != uses.end()) {
            st.failures.push_back({d.name,
                                   {tr("„%1“ kann nicht berechnet werden")
                                        .arg(definitions_[std::size_t(*failedUse)].name)}});
            st.skipped[k] = true;
            continue;
        }
        std::vector<double>& out = st.inputs[results + k];
        const std::size_t counted = f.computedValues();
        std::size_t first = 0;
        bool done = false;
        if (full || st.skipped[k]) {
            done = f.evaluate(spans, out);
        } else {
            // A formula that failed at the last step goes on from what it kept then.
            std::size_t changed = before;
            for (const int j : uses)
                changed = std::min(changed, st.first[std::size_t(j)]);
            done = f.evaluateChanged(spans, changed, out, &first);
        }
        computed_ += f.computedValues() - counted;
        st.skipped[k] = false;
        if (!done) {
            st.failures.push_back({d.name, f.error()});
            continue;
        }
        spans[results + k] = out;
        st.ok[k] = true;
        st.first[k] = first;
    }
}

std::vector<std::size_t> Quantities::firstChanged() const {
    return state_ ? state_->first : std::vector<std::size_t>{};
}

std::vector<QuantityFailure> Quantities::update(StoredPoints& points) {
    State& st = *state_;
    const std::size_t n = std::size_t(std::clamp(points.Count, 0, acquisition::PointCapacity));
    const std::size_t before = st.count;
    // What grows at the end is a sweep: recorded points without other columns, whose first
    // point and calculated columns (of the quantities that computed) are still there.
    const auto computed = std::size_t(std::count(st.ok.begin(), st.ok.end(), true));
    const bool grows =
        st.valid && st.others == 0 && !points.Loaded && before > 0 && n >= before &&
        double(points.T[0]) == st.firstTime && points.Columns.size() == computed &&
        std::all_of(points.Columns.begin(), points.Columns.end(),
                    [](const QuantityColumn& c) { return c.origin == ColumnOrigin::Calculated; });
    if (!grows) return compute(points);
    if (n == before || definitions_.empty()) {
        // Nothing arrived this tick: every value stands as it is, and every failure.
        points.Settled.clear();
        return st.failures;
    }
    // Only the new points are copied: a tick adds a few to columns of up to 10 000.
    baseColumns(points, before, n, std::span(st.inputs).first(3));
    const std::size_t results = st.inputs.size() - definitions_.size();
    // Every column a formula is given has the points' count: the quantities not computed yet
    // in this step hold their old values and blanks after them, which no formula before them
    // reads.
    for (std::size_t i = 0; i < definitions_.size(); ++i)
        st.inputs[results + i].resize(n, NaN);
    for (std::size_t k = 0; k < st.aliases.size(); ++k) {
        const std::vector<double>& channel = st.inputs[std::size_t(st.aliases[k])];
        std::vector<double>& alias = st.inputs[3 + k];
        alias.resize(n);
        std::copy(channel.begin() + std::ptrdiff_t(before), channel.end(), alias.begin() + std::ptrdiff_t(before));
    }
    const std::size_t constants = 3 + st.aliases.size();
    for (std::size_t k = 0; k < st.constants.size(); ++k)
        st.inputs[constants + k].resize(n, st.constants[k].value);
    const std::vector<bool> had = st.ok;
    st.count = n;
    evaluate(st, before, false);
    // Each column from the first value its formula changed on; one that computes again comes
    // back whole, one that fails now goes. As far back as the new points reached, the next
    // ones will reach too: the values before that are settled.
    std::vector<QuantityColumn> kept = std::move(points.Columns);
    points.Columns.clear();
    points.Settled.clear();
    std::size_t next = 0;
    for (std::size_t i = 0; i < definitions_.size(); ++i) {
        QuantityColumn c;
        if (had[i]) c = std::move(kept[next++]);
        if (!st.ok[i]) continue;
        if (!had[i]) {
            c = QuantityColumn::named(headerOf(definitions_[i]), ColumnOrigin::Calculated);
            c.name = definitions_[i].name;
            c.unit = definitions_[i].unit;
            c.formula = definitions_[i].formula;
        }
        const std::vector<double>& values = st.inputs[results + i];
        const std::size_t first = std::min(st.first[i], before);
        const auto same = std::ptrdiff_t(c.values.size() == before ? first : 0);
        c.values.resize(n);
        std::copy(values.begin() + same, values.end(), c.values.begin() + same);
        points.Columns.push_back(std::move(c));
        points.Settled.push_back(n - (before - first));
    }
    return st.failures;
}

} // namespace kurvimat::session
