#include "ColumnFormula.h"

#include "FormulaParser.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>
#include <string_view>

using kurvimat::signals::EDivByZero;
using kurvimat::signals::EExpressionHasBlanks;
using kurvimat::signals::EExpressionTooComplex;
using kurvimat::signals::EExpressionTooLong;
using kurvimat::signals::EMathError;
using kurvimat::signals::ESyntaxError;
using kurvimat::signals::ETooManyNestings;
using kurvimat::signals::TParser;

namespace kurvimat::analysis {

namespace {

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

enum class Kind { Derivative, Average, SavGol, SavGolDerivative, Integral, Difference };

struct FunctionInfo {
    std::string_view name;
    Kind kind;
    int columnArgs; // formulas over the columns, first
    int numberArgs; // whole numbers after them: window, order
};
constexpr FunctionInfo Functions[] = {
    {"ABL", Kind::Derivative, 2, 0},     {"GLAETT", Kind::Average, 1, 1},
    {"SAVGOL", Kind::SavGol, 1, 2},      {"SAVGOLABL", Kind::SavGolDerivative, 1, 2},
    {"INTEGRAL", Kind::Integral, 2, 0},  {"DIFF", Kind::Difference, 1, 0},
};

const FunctionInfo* seriesFunction(std::string_view name) {
    for (const FunctionInfo& f : Functions)
        if (f.name == name) return &f;
    return nullptr;
}

bool letter(char c) { return (c >= 'A' && c <= 'Z') || c == '_'; }
bool digit(char c) { return c >= '0' && c <= '9'; }

// A piece of formula text as the parser takes it, with the place in the user's text (0-based)
// of every character, so that an error found in the piece names the place the user typed.
struct Piece {
    std::string text;
    std::vector<qsizetype> at;
};

// Where in a piece the parser's compile error lies, 0-based, or -1: the blank, or the piece it
// could not read (the place after it when it names the two sides of an operator).
qsizetype placeInPiece(const std::string& text, const std::exception& e) {
    if (dynamic_cast<const EExpressionHasBlanks*>(&e)) {
        const auto blank = text.find(' ');
        return blank == std::string::npos ? -1 : qsizetype(blank);
    }
    if (!dynamic_cast<const ESyntaxError*>(&e)) return -1;
    std::vector<std::string_view> parts;
    const std::string_view what(e.what());
    for (std::size_t b = 0;;) {
        const std::size_t r = what.find('\r', b);
        parts.push_back(what.substr(b, r == std::string_view::npos ? r : r - b));
        if (r == std::string_view::npos) break;
        b = r + 1;
    }
    if (parts.size() < 2 || parts[1].empty()) return -1;
    const auto found = text.find(parts[1]);
    if (found == std::string::npos) return -1;
    const qsizetype place = qsizetype(found) + (parts.size() == 3 ? qsizetype(parts[1].size()) : 0);
    return std::min(place, qsizetype(text.size()) - 1);
}

} // namespace

// A formula evaluated point by point: a source taken as it is, or the parser with the sources
// of its variables.
struct ColumnFormula::PointFormula {
    int direct = -1; // a column (index), or a call's results (column count + call index)
    std::unique_ptr<TParser> parser;
    std::vector<std::pair<double*, int>> inputs; // the parser's slot, its source
    std::vector<double> values;                  // the results, unless direct
    std::size_t done = 0;                        // of them, those that hold
};

struct ColumnFormula::Call {
    Kind kind;
    qsizetype place = 0, numberPlace = 0; // the name's and the window's place (1-based)
    int window = 0, order = 0;
    PointFormula y, x;
    std::optional<SavitzkyGolayWeights> weights;
    double delta = NaN; // SAVGOLABL's mean step at the last evaluation
    std::vector<double> sums; // SAVGOLABL's window sums before the scaling by delta
    std::vector<double> values;
    std::size_t done = 0; // of values, those that hold for the columns last given
};

ColumnFormula::ColumnFormula() = default;
ColumnFormula::~ColumnFormula() = default;

bool ColumnFormula::fail(const QString& message, qsizetype place) {
    error_ = {message, place};
    return false;
}

void ColumnFormula::forget() {
    for (const auto& call : calls_)
        if (call) call->done = call->y.done = call->x.done = 0;
    count_ = lastCount_ = 0;
}

bool ColumnFormula::compile(const QString& formula, const std::vector<std::string>& names,
                            const std::string& timeName) {
    calls_.clear();
    order_.clear();
    outer_.reset();
    compiled_ = false;
    count_ = lastCount_ = computed_ = 0;
    error_ = {};
    const auto upper = [](std::string name) {
        for (char& c : name)
            if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        return name;
    };
    columns_.clear();
    for (const std::string& name : names) columns_.push_back(upper(name));
    const std::vector<std::string>& columns = columns_;
    const std::string time = upper(timeName);
    timeColumn_ = int(std::find(columns.begin(), columns.end(), time) - columns.begin());
    if (timeColumn_ == int(columns.size())) timeColumn_ = -1;
    const auto at = [](const QString& text, qsizetype place) { return text.arg(place); };

    if (formula.size() > MaxColumnFormulaLength)
        return fail(QCoreApplication::translate("ColumnFormula", "die Formel ist zu lang"), 0);
    // The text as the parser reads it, upper case, the decimal comma a point; the blanks around
    // the whole and after a ";" go, others are the parser's to refuse.
    Piece s;
    for (qsizetype i = 0; i < formula.size(); ++i) {
        const char16_t u = formula[i].unicode();
        // What the parser cannot read stays unreadable for it.
        char c = u >= 0x20 && u < 0x7F ? char(u) : '?';
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
        if (c == ',') c = '.';
        if (c == ' ' && (s.text.empty() || s.text.back() == ';')) continue;
        s.text.push_back(c);
        s.at.push_back(i);
    }
    while (!s.text.empty() && s.text.back() == ' ') {
        s.text.pop_back();
        s.at.pop_back();
    }
    const int n = int(s.text.size());
    if (n == 0) return fail(QCoreApplication::translate("ColumnFormula", "die Formel ist leer"), 0);
    const auto place = [&](int k) { return s.at[std::size_t(std::clamp(k, 0, n - 1))] + 1; };

    // Brackets, and the series calls with the bracket that closes each.
    struct Found {
        const FunctionInfo* info;
        int name, open, close = -1, nesting = 0;
    };
    std::vector<Found> found;
    std::vector<int> open; // indices into found, or -1 for a bracket of something else
    std::vector<std::pair<int, int>> nameTokens; // [begin, end) of each name not followed by "("
    for (int k = 0; k < n;) {
        const char c = s.text[std::size_t(k)];
        if (digit(c) || c == '.') {
            while (k < n && (digit(s.text[std::size_t(k)]) || s.text[std::size_t(k)] == '.')) ++k;
            int e = k + 1;
            if (k < n && s.text[std::size_t(k)] == 'E') {
                if (e < n && (s.text[std::size_t(e)] == '+' || s.text[std::size_t(e)] == '-')) ++e;
                if (e < n && digit(s.text[std::size_t(e)])) {
                    k = e;
                    while (k < n && digit(s.text[std::size_t(k)])) ++k;
                }
            }
            continue;
        }
        if (letter(c)) {
            const int b = k;
            while (k < n && (letter(s.text[std::size_t(k)]) || digit(s.text[std::size_t(k)]))) ++k;
            const std::string_view name(s.text.data() + b, std::size_t(k - b));
            if (k < n && s.text[std::size_t(k)] == '(') {
                if (const FunctionInfo* f = seriesFunction(name)) {
                    if (int(found.size()) == MaxSeriesCalls)
                        return fail(QCoreApplication::translate(
                                        "ColumnFormula", "zu viele Reihenfunktionen in der Formel"),
                                    0);
                    found.push_back({f, b, k});
                    open.push_back(int(found.size()) - 1);
                    ++k;
                    continue;
                }
                TParser probe;
                bool known = false;
                for (const char* call : {"(1)", "(1,1)"}) {
                    try {
                        probe.SetExpression(std::string(name) + call);
                        known = true;
                    } catch (const std::exception&) {
                    }
                }
                if (!known)
                    return fail(at(QCoreApplication::translate(
                                       "ColumnFormula", "unbekannte Funktion „%1“ an Stelle %2")
                                       .arg(QString::fromLatin1(name)),
                                   place(b)),
                                place(b));
            } else {
                nameTokens.emplace_back(b, k);
            }
            continue;
        }
        if (c == '(') open.push_back(-1);
        if (c == ')') {
            if (open.empty())
                return fail(at(QCoreApplication::translate("ColumnFormula",
                                                           "Klammer fehlt an Stelle %1"),
                               place(k)),
                            place(k));
            if (open.back() >= 0) found[std::size_t(open.back())].close = k;
            open.pop_back();
        }
        ++k;
    }
    if (!open.empty())
        return fail(at(QCoreApplication::translate("ColumnFormula", "Klammer fehlt an Stelle %1"),
                       place(n - 1)),
                    place(n - 1));

    // Names: the columns and PI; a name with DIV or MOD in it may be those operators between
    // names, which the parser decides.
    for (const auto& [b, e] : nameTokens) {
        const std::string name = s.text.substr(std::size_t(b), std::size_t(e - b));
        if (name == "PI" || std::find(columns.begin(), columns.end(), name) != columns.end() ||
            name.find("DIV") != std::string::npos || name.find("MOD") != std::string::npos)
            continue;
        return fail(at(QCoreApplication::translate("ColumnFormula",
                                                   "unbekannter Name „%1“ an Stelle %2")
                           .arg(QString::fromStdString(name)),
                       place(b)),
                    place(b));
    }

    // The calls' results are variables named so that neither a column nor the text has them.
    std::string prefix = "_R";
    const auto taken = [&](const std::string& p) {
        if (s.text.find(p) != std::string::npos) return true;
        for (const std::string& c : columns)
            if (c.compare(0, p.size(), p) == 0) return true;
        return false;
    };
    while (taken(prefix)) prefix = "_" + prefix;
    const auto resultName = [&](int call) { return prefix + std::to_string(call); };

    // The text of [b, e) with every outermost call in it replaced by its result's name.
    const auto piece = [&](int b, int e) {
        Piece p;
        for (int k = b; k < e;) {
            const auto call = std::find_if(found.begin(), found.end(),
                                           [k](const Found& f) { return f.name == k; });
            if (call != found.end()) {
                const std::string name = resultName(int(call - found.begin()));
                p.text += name;
                p.at.insert(p.at.end(), name.size(), s.at[std::size_t(k)]);
                k = call->close + 1;
                continue;
            }
            // MIN and MAX take their two values with ";" here, the parser with ",".
            p.text.push_back(s.text[std::size_t(k)] == ';' ? ',' : s.text[std::size_t(k)]);
            p.at.push_back(s.at[std::size_t(k)]);
            ++k;
        }
        return p;
    };
    // A piece as a point formula: a source as it is, or compiled by the parser.
    const auto pointFormula = [&](const Piece& p, PointFormula& f) {
        for (std::size_t c = 0; c < columns.size(); ++c)
            if (p.text == columns[c]) {
                f.direct = int(c);
                return true;
            }
        for (std::size_t c = 0; c < found.size(); ++c)
            if (p.text == resultName(int(c))) {
                f.direct = int(columns.size() + c);
                return true;
            }
        f.parser = std::make_unique<TParser>();
        const auto feed = [&](const std::string& name, int source) {
            if (!f.parser->FindVariable(name) && p.text.find(name) == std::string::npos) return;
            double* slot = f.parser->SetVariable(name, 0);
            f.inputs.emplace_back(slot, source);
        };
        try {
            for (std::size_t c = 0; c < columns.size(); ++c) feed(columns[c], int(c));
            for (std::size_t c = 0; c < found.size(); ++c)
                feed(resultName(int(c)), int(columns.size() + c));
            f.parser->SetExpression(p.text);
        } catch (const std::exception& e) {
            const qsizetype in = placeInPiece(p.text, e);
            const qsizetype where = in >= 0 ? p.at[std::size_t(in)] + 1 : 0;
            QString message;
            if (dynamic_cast<const EExpressionHasBlanks*>(&e))
                message = QCoreApplication::translate("ColumnFormula", "Leerzeichen an Stelle %1");
            else if (dynamic_cast<const EExpressionTooLong*>(&e))
                message = QCoreApplication::translate("ColumnFormula", "die Formel ist zu lang");
            else if (dynamic_cast<const ETooManyNestings*>(&e))
                message = QCoreApplication::translate("ColumnFormula", "zu viele Klammerebenen");
            else if (dynamic_cast<const EExpressionTooComplex*>(&e))
                message = QCoreApplication::translate("ColumnFormula",
                                                      "die Formel ist zu umfangreich");
            else if (where > 0)
                message = QCoreApplication::translate("ColumnFormula",
                                                      "unverständliche Schreibweise an Stelle %1");
            else
                message = QCoreApplication::translate("ColumnFormula",
                                                      "die Schreibweise ist unverständlich");
            fail(message.contains(QLatin1String("%1")) ? message.arg(where) : message, where);
            return false;
        }
        // Only the variables the formula reads are fed per point.
        std::erase_if(f.inputs, [&](const auto& input) {
            const std::string& name = input.second < int(columns.size())
                                          ? columns[std::size_t(input.second)]
                                          : resultName(input.second - int(columns.size()));
            return !f.parser->FindVariable(name) || p.text.find(name) == std::string::npos;
        });
        return true;
    };

    // Calls in the order their brackets close: inner calls first.
    std::vector<int> order(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) order[i] = int(i);
    std::sort(order.begin(), order.end(),
              [&](int a, int b) { return found[std::size_t(a)].close < found[std::size_t(b)].close; });
    for (std::size_t i = 0; i < found.size(); ++i)
        for (std::size_t j = 0; j < found.size(); ++j)
            if (found[j].name < found[i].name && found[j].close > found[i].close)
                ++found[i].nesting;
    calls_.resize(found.size());
    for (int index : order) {
        const Found& f = found[std::size_t(index)];
        if (f.nesting >= MaxSeriesNesting)
            return fail(at(QCoreApplication::translate(
                               "ColumnFormula", "zu viele Reihenfunktionen ineinander an Stelle %1"),
                           place(f.name)),
                        place(f.name));
        // The arguments: split at the ";" of the call's own bracket level.
        std::vector<std::pair<int, int>> args;
        int depth = 0, b = f.open + 1;
        for (int k = f.open + 1; k < f.close; ++k) {
            const char c = s.text[std::size_t(k)];
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            if (depth == 0 && c == ';') {
                args.emplace_back(b, k);
                b = k + 1;
            }
        }
        args.emplace_back(b, f.close);
        const QString name = QString::fromLatin1(f.info->name);
        const int wanted = f.info->columnArgs + f.info->numberArgs;
        if (int(args.size()) != wanted)
            return fail(at(QCoreApplication::translate(
                               "ColumnFormula",
                               "%1 braucht %2 Angaben, getrennt durch „;“, an Stelle %3")
                               .arg(name)
                               .arg(wanted),
                           place(f.name)),
                        place(f.name));
        for (const auto& [ab, ae] : args)
            if (ae <= ab)
                return fail(at(QCoreApplication::translate("ColumnFormula",
                                                           "leere Angabe an Stelle %1"),
                               place(ab)),
                            place(ab));
        auto call = std::make_unique<Call>();
        call->kind = f.info->kind;
        call->place = place(f.name);
        if (!pointFormula(piece(args[0].first, args[0].second), call->y)) return false;
        if (f.info->columnArgs == 2 && !pointFormula(piece(args[1].first, args[1].second), call->x))
            return false;
        std::vector<int> numbers;
        for (int a = f.info->columnArgs; a < wanted; ++a) {
            const auto [nb, ne] = args[std::size_t(a)];
            const std::string text = s.text.substr(std::size_t(nb), std::size_t(ne - nb));
            const bool whole = text.size() <= 4 && std::all_of(text.begin(), text.end(), digit);
            if (!whole)
                return fail(at(QCoreApplication::translate(
                                   "ColumnFormula", "hier gehört eine ganze Zahl hin, an Stelle %1"),
                               place(nb)),
                            place(nb));
            numbers.push_back(std::stoi(text));
        }
        if (!numbers.empty()) {
            call->window = numbers[0];
            call->numberPlace = place(args[std::size_t(f.info->columnArgs)].first);
            if (call->window < 3 || call->window % 2 == 0)
                return fail(at(QCoreApplication::translate(
                                   "ColumnFormula",
                                   "das Fenster muss eine ungerade Zahl ab 3 sein, an Stelle %1"),
                               call->numberPlace),
                            call->numberPlace);
        }
        if (numbers.size() == 2) {
            call->order = numbers[1];
            if (call->order >= call->window) {
                const qsizetype p = place(args[std::size_t(f.info->columnArgs + 1)].first);
                return fail(at(QCoreApplication::translate(
                                   "ColumnFormula",
                                   "die Ordnung muss kleiner als das Fenster sein, an Stelle %1"),
                               p),
                            p);
            }
            call->weights.emplace(call->window, call->order,
                                  call->kind == Kind::SavGolDerivative ? 1 : 0);
        }
        if (call->kind == Kind::SavGolDerivative && timeColumn_ < 0)
            return fail(at(QCoreApplication::translate(
                               "ColumnFormula",
                               "SAVGOLABL braucht die Zeit %1 als Spalte, an Stelle %2")
                               .arg(QString::fromStdString(time)),
                           call->place),
                        call->place);
        calls_[std::size_t(index)] = std::move(call);
    }
    order_ = order;
    outer_ = std::make_unique<PointFormula>();
    if (!pointFormula(piece(0, n), *outer_)) return false;
    compiled_ = true;
    return true;
}

const double* ColumnFormula::source(std::span<const std::span<const double>> columns,
                                    int index) const {
    const int c = int(columns_.size());
    return index < c ? columns[std::size_t(index)].data() : calls_[std::size_t(index - c)]->values.data();
}

void ColumnFormula::evaluatePoints(PointFormula& f, std::span<const std::span<const double>> columns,
                                   std::size_t first, std::size_t count, double* out) const {
    if (f.direct >= 0) {
        const double* from = source(columns, f.direct);
        std::copy(from + first, from + count, out + first);
        return;
    }
    struct Input {
        double* slot;
        const double* values;
    };
    std::vector<Input> inputs; // once per column, not per point
    for (const auto& [slot, from] : f.inputs) inputs.push_back({slot, source(columns, from)});
    const std::size_t fed = inputs.size();
    TParser& parser = *f.parser;
    // A point the parser cannot compute gets NaN; the loop goes on after it.
    for (std::size_t i = first; i < count;) {
        try {
            for (; i < count; ++i) {
                for (std::size_t k = 0; k < fed; ++k) *inputs[k].slot = inputs[k].values[i];
                out[i] = parser.Value();
            }
        } catch (const EMathError&) {
            out[i++] = NaN;
        } catch (const EDivByZero&) {
            out[i++] = NaN;
        }
    }
}

namespace {

int windowOf(Kind kind, int window) {
    switch (kind) {
    case Kind::Derivative: return 3;
    case Kind::Average:
    case Kind::SavGol:
    case Kind::SavGolDerivative: return window;
    case Kind::Integral:
    case Kind::Difference: break;
    }
    return 1;
}

} // namespace

ColumnFormula::Plan ColumnFormula::plan(std::span<const std::span<const double>> columns,
                                        std::size_t changed) const {
    const std::size_t count = columns.empty() ? 0 : columns[0].size();
    // Fewer points than last time: other points, nothing holds.
    const bool shrank = count < count_;
    const std::size_t base = shrank ? 0 : std::min(changed, count_);
    const auto held = [shrank](std::size_t done) { return shrank ? 0 : done; };
    const int c = int(columns_.size());
    Plan p;
    p.y.assign(calls_.size(), base);
    p.x.assign(calls_.size(), base);
    p.call.assign(calls_.size(), base);
    p.sumsHeld.assign(calls_.size(), 0);
    // The first input of a point formula that changed, and the first of its values to compute.
    const auto inputsFrom = [&](const PointFormula& f) {
        if (f.direct >= 0) return f.direct < c ? base : p.call[std::size_t(f.direct - c)];
        std::size_t from = base;
        for (const auto& input : f.inputs)
            if (input.second >= c) from = std::min(from, p.call[std::size_t(input.second - c)]);
        return from;
    };
    const auto argumentFrom = [&](const PointFormula& f) {
        return f.direct >= 0 ? inputsFrom(f) : std::min(inputsFrom(f), held(f.done));
    };
    for (int index : order_) {
        const auto k = std::size_t(index);
        const Call& call = *calls_[k];
        p.y[k] = argumentFrom(call.y);
        std::size_t in = p.y[k];
        if (call.kind == Kind::Derivative || call.kind == Kind::Integral) {
            p.x[k] = argumentFrom(call.x);
            in = std::min(in, p.x[k]);
        }
        std::size_t from =
            std::min(SeriesReach(in, windowOf(call.kind, call.window)), held(call.done));
        // Savitzky-Golay's first points lie on the first window's polynomial: a change anywhere
        // in that window reaches all of them.
        const bool savGol = call.kind == Kind::SavGol || call.kind == Kind::SavGolDerivative;
        if (savGol && in < std::size_t(call.window)) from = 0;
        // SAVGOLABL's scale is the mean step of all points: a new one changes every value, but
        // the window sums before it still hold where their windows did. (With fewer points than
        // its window Savitzky-Golay failed and holds none.)
        if (call.kind == Kind::SavGolDerivative &&
            !(MeanStep(columns[std::size_t(timeColumn_)]) == call.delta)) {
            p.sumsHeld[k] = std::isfinite(call.delta) ? from : 0;
            from = 0;
        }
        p.call[k] = from;
    }
    p.outer = std::min(inputsFrom(*outer_), held(lastCount_));
    return p;
}

std::size_t ColumnFormula::firstChanged(std::span<const std::span<const double>> columns,
                                        std::size_t changed) const {
    if (!compiled_ || columns.size() != columns_.size()) return 0;
    return plan(columns, changed).outer;
}

bool ColumnFormula::evaluate(std::span<const std::span<const double>> columns,
                             std::vector<double>& out) {
    forget();
    return evaluateChanged(columns, 0, out);
}

bool ColumnFormula::evaluateChanged(std::span<const std::span<const double>> columns,
                                    std::size_t changed, std::vector<double>& out,
                                    std::size_t* firstResult) {
    if (!compiled_)
        return fail(QCoreApplication::translate("ColumnFormula", "die Formel ist nicht übersetzt"), 0);
    const std::size_t count = columns.empty() ? 0 : columns[0].size();
    if (columns.size() != columns_.size() ||
        std::any_of(columns.begin(), columns.end(),
                    [count](std::span<const double> c) { return c.size() != count; })) {
        forget();
        return fail(QCoreApplication::translate("ColumnFormula",
                                                "die Spalten passen nicht zur Formel"),
                    0);
    }
    const Plan p = plan(columns, changed);
    // A failure keeps what holds: the calls before it computed all points, the others what the
    // plan left them, the failing one its values before the failure.
    const auto failAt = [&](std::size_t step, std::size_t done, const QString& message,
                            qsizetype place) {
        for (std::size_t later = step; later < order_.size(); ++later) {
            const auto k = std::size_t(order_[later]);
            Call& call = *calls_[k];
            call.done = later == step ? done : p.call[k];
            if (later == step) continue; // its arguments were computed
            call.y.done = p.y[k];
            call.x.done = p.x[k];
        }
        lastCount_ = p.outer;
        count_ = count;
        return fail(message, place);
    };
    for (std::size_t step = 0; step < order_.size(); ++step) {
        const auto index = std::size_t(order_[step]);
        Call& call = *calls_[index];
        const std::size_t from = p.call[index];
        const QString name = QString::fromLatin1(Functions[std::size_t(call.kind)].name);
        const auto argument = [&](PointFormula& f, std::size_t first) {
            if (f.direct >= 0) return std::span<const double>(source(columns, f.direct), count);
            f.values.resize(count);
            evaluatePoints(f, columns, first, count, f.values.data());
            computed_ += count - std::min(first, count);
            f.done = count;
            return std::span<const double>(f.values);
        };
        const std::span<const double> y = argument(call.y, p.y[index]);
        const bool twoColumns = call.kind == Kind::Derivative || call.kind == Kind::Integral;
        const std::span<const double> x = twoColumns ? argument(call.x, p.x[index]) : y;
        call.values.resize(count);
        switch (call.kind) {
        case Kind::Derivative: {
            if (count < 2)
                return failAt(
                    step, from,
                    QCoreApplication::translate("ColumnFormula",
                                                "%1 braucht mindestens zwei Punkte, an Stelle %2")
                        .arg(name)
                        .arg(call.place),
                    call.place);
            std::size_t zero = 0;
            if (DerivativeInto(y, x, call.values, from, &zero) != SeriesError::None) {
                // The results before the equal pair's first point were computed.
                const std::size_t done = std::max(from, zero - 1);
                computed_ += done - from;
                return failAt(step, done,
                              QCoreApplication::translate(
                                  "ColumnFormula",
                                  "%1 über gleiche Werte: Punkt %2 und %3 haben dasselbe x, an "
                                  "Stelle %4")
                                  .arg(name)
                                  .arg(zero)
                                  .arg(zero + 1)
                                  .arg(call.place),
                              call.place);
            }
            break;
        }
        case Kind::Average: MovingAverageInto(y, call.window, call.values, from); break;
        case Kind::SavGol:
        case Kind::SavGolDerivative: {
            if (count < std::size_t(call.window))
                return failAt(step, from,
                              QCoreApplication::translate(
                                  "ColumnFormula",
                                  "das Fenster von %1 Punkten ist länger als die %2 Punkte der "
                                  "Messreihe, an Stelle %3")
                                  .arg(call.window)
                                  .arg(count)
                                  .arg(call.numberPlace),
                              call.numberPlace);
            const bool derivative = call.kind == Kind::SavGolDerivative;
            const double delta = derivative ? MeanStep(columns[std::size_t(timeColumn_)]) : 1.0;
            const std::size_t held = derivative ? p.sumsHeld[index] : 0;
            call.weights->apply(y, delta, call.values, from, derivative ? &call.sums : nullptr,
                                held);
            call.delta = delta;
            // Scaling kept sums is no summing: only the sums made anew count.
            computed_ -= std::min(held, count) - std::min(from, std::min(held, count));
            break;
        }
        case Kind::Integral: RunningIntegralInto(y, x, call.values, from); break;
        case Kind::Difference: DifferenceInto(y, call.values, from); break;
        }
        computed_ += count - std::min(from, count);
        call.done = count;
    }
    out.resize(count);
    evaluatePoints(*outer_, columns, p.outer, count, out.data());
    computed_ += count - std::min(p.outer, count);
    lastCount_ = count_ = count;
    if (firstResult) *firstResult = p.outer;
    return true;
}

} // namespace kurvimat::analysis
