// The session's calculated quantities: their definitions (name, unit, formula over the time,
// the channels, the other columns and named constants) and the columns they give any stored
// points, computed anew after a change of the points and only at the end while a sweep grows.
#pragma once

#include "ColumnFormula.h"
#include "QuantityColumn.h"

#include <QCoreApplication>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <vector>

namespace kurvimat::acquisition {
struct StoredPoints;
}

namespace kurvimat::session {

struct QuantityDefinition {
    QString name, unit, formula;
    bool operator==(const QuantityDefinition&) const = default;
};

/// A named number with its unit, "m = 0,25 kg"; the unit is the reader's, the value is used.
struct QuantityConstant {
    QString name;
    double value = 0;
    QString unit;
};

/// Constants one session holds at most, and the longest constant line read.
inline constexpr int MaxQuantityConstants = 32;
inline constexpr qsizetype MaxConstantLineLength = 200;

/// Why a definition or constant is refused, in German; index: the definition (or constant
/// line) it is about, place: 1-based in its formula (0 where none).
struct QuantityFault {
    int index = -1;
    QString message;
    qsizetype place = 0;
};

/// A quantity that could not be computed for the points: its column is left out.
struct QuantityFailure {
    QString name;
    analysis::ColumnFormulaError error;
};

class Quantities {
    Q_DECLARE_TR_FUNCTIONS(Quantities)

public:
    Quantities();
    ~Quantities();
    Quantities(const Quantities&) = delete;
    Quantities& operator=(const Quantities&) = delete;

    /// How a column's name is written in a formula: letters and digits of ASCII as they are,
    /// ä ö ü ß as ae oe ue ss, anything else (blanks, signs) as "_", a leading digit after
    /// "_"; the case does not count. "Weg s" is WEG_S, "Höhe" HOEHE.
    static QString identifier(const QString& name);
    /// "m = 0,25 kg" read; a fault for anything else (the name must be its own identifier).
    static std::optional<QuantityConstant> readConstant(const QString& line, QString* fault);

    /// Checks definitions and constant lines as a whole: names that are their own
    /// identifiers, none twice nor T, A, B or PI, formulas that compile over the names they
    /// may use, and no quantity that reaches itself through others. None when they are sound.
    /// columns: the names of the points' other columns (identifiers), which formulas may use.
    static std::optional<QuantityFault> check(const std::vector<QuantityDefinition>& definitions,
                                              const QStringList& constants,
                                              const QStringList& columns = {});
    /// Takes them when check finds nothing; else the fault and nothing changes.
    std::optional<QuantityFault> set(std::vector<QuantityDefinition> definitions,
                                     QStringList constants, const QStringList& columns = {});
    /// The identifiers of the points' columns that are not calculated, and of the channels'
    /// names, as formulas name them.
    static QStringList columnNames(const acquisition::StoredPoints& points);
    static QStringList columnNames(const std::vector<signals::QuantityColumn>& columns);
    /// The name of a channel's definition or label, by which formulas see it besides A or B.
    static QString channelName(const QString& definition);
    /// Of constant lines, those the definitions' formulas name, in their order and as many as
    /// MaxRunConstantsBytes hold: what a run keeps of the constants in force.
    static QStringList constantsUsed(const QStringList& constants,
                                     const std::vector<QuantityDefinition>& definitions);
    /// A run's quantities come into force with the constants they were computed with, so that
    /// they compute the run's values again: a run's constant takes the place of the one of the
    /// same name in force (its value wins), the others in force stay unless they would not
    /// check with the run's definitions (a name the run gives a quantity), the run's others
    /// are added. Nothing changes when the definitions refuse even the run's constants alone.
    /// True when the definitions or the constants changed.
    bool adopt(std::vector<QuantityDefinition> definitions, const QStringList& runConstants,
               const QStringList& columns);
    const std::vector<QuantityDefinition>& definitions() const { return definitions_; }
    const QStringList& constants() const { return constants_; }
    bool empty() const { return definitions_.empty(); }

    /// The definitions as one text (a line each, name, unit and formula separated by tabs), as
    /// the experiment's setting keeps them, and read back (bounded; none when it is no such
    /// text).
    QString definitionsText() const;
    static std::optional<std::vector<QuantityDefinition>> readDefinitions(const QString& text);

    /// The calculated columns of points anew: those there go, each definition that computes
    /// adds its column after the others. Returns the quantities that failed, with why.
    /// With remember false (the snapshot), update goes on from the points computed before.
    std::vector<QuantityFailure> compute(acquisition::StoredPoints& points, bool remember = true);
    /// Points were added at the end since compute or update of these points (a sweep
    /// growing): only what they reach is computed again. Anything else computes all anew.
    std::vector<QuantityFailure> update(acquisition::StoredPoints& points);
    /// Of each definition, the first point the last compute or update gave a value to (0
    /// after compute, the points' count for one that failed): what a drawing of new points
    /// has to draw again.
    std::vector<std::size_t> firstChanged() const;
    /// Values the formulas computed since the definitions were set: what computing cost.
    std::size_t computedValues() const { return computed_; }

private:
    struct State;
    // The definitions in their order over st's columns of st.count points: all of them
    // (full), or only what changed since `before` points.
    void evaluate(State& st, std::size_t before, bool full);
    std::vector<QuantityDefinition> definitions_;
    QStringList constants_;
    std::unique_ptr<State> state_;
    std::size_t computed_ = 0;
};

/// The definitions of the calculated columns of points, in their order.
std::vector<QuantityDefinition> calculatedDefinitions(
    const std::vector<signals::QuantityColumn>& columns);

} // namespace kurvimat::session
