// Signal definition lines "Größe (Einheit): Umrechnungsformel [Intervall]" and the evaluation
// of a signal's formula for raw samples. No window code: the main window feeds its store in.
#pragma once

#include <QString>
#include <QStringList>

#include <exception>
#include <span>
#include <string>

namespace kurvimat::signals {

class TParser;

/// The five texts of a definition line; minText and maxText are untrimmed.
struct DefinitionParts {
    QString name, unit, formula, minText, maxText;
};

DefinitionParts SplitDefinition(const QString& line);

/// Name and unit of what a point set's values are: its definition line, or a column label
/// (ReadHeaderField): "Temperatur (°C)", "U in V", "Druck [hPa]", "Druck", "T1: Wasser (°C)".
DefinitionParts PointSetParts(const QString& definitionOrLabel);

/// A kept point set's definition is a definition line when it has a colon or is empty (the
/// empty line is the "no signal" definition).
bool IsDefinitionLine(const QString& text);

/// 1-based place in the formula of what the parser's error e (from compiling it) is about:
/// a ")" without "(", the end where a ")" is missing, a blank, the piece it could not read;
/// 0 where the error names no place.
qsizetype FormulaErrorPlace(const QString& formula, const std::exception& e);

/// Whether a formula compiles with the names the signal code gives a parser.
bool FormulaCompiles(const QString& formula);

/// What a header field of a read table says: nothing (blank), a column label, or a definition
/// line (a colon, and its formula compiles; else the colon belongs to a label).
enum class HeaderField { Nothing, Label, Definition };
HeaderField ReadHeaderField(const QString& field);

/// Axis title of a signal; "<vf>" marks where the scale inserts its unit prefix.
QString SignalTitle(const QString& name, const QString& unit);

/// A name or label as it may be shown (lists, titles, pictures, status texts): control
/// characters become their visible symbols (NUL ␀, ESC ␛, CR ␍, LF ␊, DEL ␡, a line or
/// paragraph separator ␤; C1 controls �), and marks that turn the writing direction (U+061C,
/// U+200E/F, U+202A-202E, U+2066-2069) are left out, so that a name neither splits a line nor
/// shows reversed. What is stored stays as it is.
QString shownName(const QString& name);

/// The formula as the parser takes it: decimal commas become points.
std::string ParserExpression(const QString& formula);

/// The built-in definition lines at list indices 0 to 8; index 8 (empty) means "no signal".
QStringList BuiltInSignals();

enum class SignalChannel { A, B };

/// Volts that raw 0 (Umin) and raw 1023 (Umax) stand for on each channel.
struct Calibration {
    float UminA = 0, UmaxA = 5, UminB = 0, UmaxB = 5;
};

/// Voltage of a (possibly averaged) raw value 0..1023 under one channel's calibration.
float ChannelVoltage(float umin, float umax, float raw);

/// Why an evaluation gave no value.
enum class EvalFailure : unsigned char { None, DivisionByZero, Invalid, Overflow };

struct SampleResult {
    float value;
    bool failed;
    bool divByZero = false; // the failure was an integer division by zero ("DIV", "MOD")
    EvalFailure why = EvalFailure::None;
};

/// Evaluates the parser's program for one sample (variables T, D, Y, X, r, U, A, B).
/// A floating-point error, a result beyond the float range or an integer division by zero of
/// "DIV"/"MOD" gives 0 with failed set; the last also sets divByZero, which the caller reports.
/// Without a program: 0, not failed.
SampleResult EvaluateSample(TParser& parser, float time, float raw, float ownVoltage,
                            float voltageA, float voltageB);

/// Compiles text into parser only if it compiles: a rejected formula throws the parser's error
/// and leaves the parser with the program it had.
void CompileFormula(TParser& parser, const std::string& text);

/// Lowest/highest value the formula takes over the calibrated input ranges, probed at raw 0 and
/// 1023 with the other channel at both of its ends (5 % inset when the second probe fails).
/// divByZero, when given, is set if a probe met an integer division by zero.
/// noValue, when given, receives why every probe of that end failed (None when one gave a value).
float ProbeLowEnd(TParser& parser, SignalChannel channel, const Calibration& cal,
                  bool* divByZero = nullptr, EvalFailure* noValue = nullptr);
float ProbeHighEnd(TParser& parser, SignalChannel channel, const Calibration& cal,
                   bool* divByZero = nullptr, EvalFailure* noValue = nullptr);

/// Significant digits (4 to 9) that write the values of a definition so that rounding moves
/// none by more than the value of one raw step of the instrument: the formula is probed at raw
/// steps across the range. 4 for a definition that does not compile.
int ResolutionDigits(const QString& definition, SignalChannel channel, const Calibration& cal);

/// A signal's value range from its interval texts, probing the formula for an empty text;
/// a typed limit beyond the float range is clamped to it. The range is ordered (OrderRange).
struct SignalRange {
    float min, max;
    QString minText, maxText; // as the edits show them; probed ends formatted
    bool autoRange;           // both interval texts were empty
    bool divByZero = false;   // a probe met an integer division by zero
    // Every probe failed, and why: the formula gives no value anywhere in the input range.
    EvalFailure noValue = EvalFailure::None;
};
SignalRange ResolveRange(TParser& parser, SignalChannel channel, const Calibration& cal,
                         const QString& minText, const QString& maxText);

/// Whether the range edits still say what the applied range is (in either order, and as the
/// edits show a probed end), so that Enter in an edit keeps an automatic range automatic.
bool RangeTextsMatch(const QString& minText, const QString& maxText, float defMin, float defMax);

/// Recorded points with what they were measured as: the averaged raw values and the channel
/// voltages of each point, index for index with DataT.
struct RecordedPoints {
    std::span<const float> DataT, SweepRawA, SweepRawB, VoltsA, VoltsB;
    int Count;
    float TimeOrigin, PointTime;
};

/// Evaluates the points again under the parser's current program into data (DataA or DataB)
/// and sets that signal's value extremes and the time extremes. Nothing changes for no points.
/// Returns true if an evaluation met an integer division by zero. noValue, when given, receives
/// why every evaluation failed (None when one gave a value or there were no points).
bool ReevaluatePoints(TParser& parser, SignalChannel channel, const RecordedPoints& points,
                      std::span<float> data, float& dataMin, float& dataMax, float& dataMinT,
                      float& dataMaxT, EvalFailure* noValue = nullptr);

/// The failure to name of two: a division by zero before the others.
EvalFailure WorseFailure(EvalFailure a, EvalFailure b);

} // namespace kurvimat::signals
