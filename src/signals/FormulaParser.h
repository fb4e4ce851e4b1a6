// Formula parser: compiles a formula text once into a flat list of operations on value slots,
// then evaluates that list many times while variables change. Standard library only.
#pragma once

#include <cmath>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace kurvimat::signals {

// Compilation and naming errors.
class EMathParserError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EExpressionHasBlanks : public EMathParserError {
public:
    EExpressionHasBlanks() : EMathParserError("Expression has blanks") {}
};
class EMissMatchingBracket : public EMathParserError {
public:
    EMissMatchingBracket() : EMathParserError("Missing brackets in expression") {}
};
class ESyntaxError : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};
class ETooManyNestings : public EMathParserError {
public:
    ETooManyNestings() : EMathParserError("Expression contains too many nestings") {}
};
class EExpressionTooComplex : public EMathParserError {
public:
    EExpressionTooComplex() : EMathParserError("Expression is too complex") {}

protected:
    explicit EExpressionTooComplex(const char* what) : EMathParserError(what) {}
};
// Longer than any formula the nesting and complexity limits let compile (MaxFormulaLength).
class EExpressionTooLong : public EExpressionTooComplex {
public:
    EExpressionTooLong() : EExpressionTooComplex("Expression is too long") {}
};
class EParserInternalError : public EMathParserError {
public:
    EParserInternalError() : EMathParserError("TParser internal error") {}
};
class EBadName : public EMathParserError {
public:
    using EMathParserError::EMathParserError;
};

// The floating-point family raised during evaluation.
class EMathError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};
class EInvalidOp : public EMathError {
public:
    EInvalidOp() : EMathError("Invalid floating point operation") {}
};
class EZeroDivide : public EMathError {
public:
    EZeroDivide() : EMathError("Floating point division by zero") {}
};
class EOverflow : public EMathError {
public:
    EOverflow() : EMathError("Floating point overflow") {}
};

// Integer division by zero of "DIV" and "MOD"; deliberately outside the floating-point family.
class EDivByZero : public std::runtime_error {
public:
    EDivByZero() : std::runtime_error("Division by zero") {}
};

enum class OpKind : std::uint8_t {
    Nop = 0,
    Constant = 1, // node kind only, never an operation
    Negate = 2,
    Add = 3,
    Subtract = 4,
    Multiply = 5,
    Divide = 6,
    Remainder = 7, // MOD
    IntQuotient = 8, // DIV
    IntPower = 9,
    Power = 10,
    Square = 11,
    Cube = 12,
    Fourth = 13,
    Function1 = 14,
    Function2 = 15,
};

// How an operation of the executable list takes its operands. The compiler emits plain
// operations only; the parser then fuses what it can, computing the same results and raising
// the same errors in the same order.
enum class OpShape : std::uint8_t {
    Plain = 0,
    ConstRight = 1, // Arg1 Kind Imm
    ConstLeft = 2,  // Imm Kind Arg2
    InnerLeft = 3,  // (Arg1 Inner Arg2) Kind Arg3
    InnerRight = 4, // Arg3 Kind (Arg1 Inner Arg2)
    InnerOnly = 5,  // Kind (Arg1 Inner Arg2), Kind a one-argument function
};

struct Operation;
using OperationFunc = double (*)(const Operation&); // runs the list from there, returns its result
using ParserFunction1 = double (*)(double);
using ParserFunction2 = double (*)(double, double);

struct Operation {
    double* Arg1 = nullptr;
    double* Arg2 = nullptr;
    double* Out = nullptr;
    Operation* Next = nullptr;
    OperationFunc Func = nullptr;
    OpKind Kind = OpKind::Nop;
    OpShape Shape = OpShape::Plain;
    OpKind Inner = OpKind::Nop; // the fused operation computed first
    // Kinds 14 and 15 call the registered routine through these.
    ParserFunction1 F1 = nullptr;
    ParserFunction2 F2 = nullptr;
    double* Arg3 = nullptr;
    double Imm = 0;
};

// The compiled program: operations in evaluation order (deepest level first) and the
// slots they own: constants first, then one result slot per operation.
struct CompiledProgram {
    std::vector<Operation> Ops;
    std::unique_ptr<double[]> Slots;
    std::size_t ConstantCount = 0;
    std::size_t SlotCount = 0;
};

// Raises the error of a non-finite value (NaN: invalid operation, infinity: overflow).
[[noreturn, gnu::cold]] void RaiseNonFinite(double v);

class TCustomParser;
using TParserExceptionEvent = std::function<void(TCustomParser& sender, const std::exception& e)>;

class TCustomParser {
public:
    TCustomParser();
    virtual ~TCustomParser();
    TCustomParser(const TCustomParser&) = delete;
    TCustomParser& operator=(const TCustomParser&) = delete;

    // Compiles the text; an empty text leaves no program. On a compilation error the parser
    // has no program, and the error goes to OnParserError if set, else it is thrown.
    void SetExpression(const std::string& text);
    const std::string& Expression() const { return expression_; }
    bool ParserFailed() const { return parserFailed_; }

    // Evaluates the compiled program once; 0 without a program. Throws EMathError subclasses
    // and EDivByZero. Inline: for the one-slot formulas the call would cost more than the work.
    double Value() {
        // Every operation checks its result.
        if (first_) return first_->Func(*first_);
        if (!scaled_) return 0;
        // A variable or a number alone (factor 1), or a variable times a number: the same
        // product and check as the multiplication. A number literal beyond the double range
        // arrives here as infinity.
        const double v = *scaled_ * factor_;
        if (!std::isfinite(v)) [[unlikely]]
            RaiseNonFinite(v);
        return v;
    }

    // Stores the value, creating the variable on first use; returns its slot.
    double* SetVariable(const std::string& name, double value);
    // The slot of an existing variable, or nullptr.
    double* FindVariable(std::string_view name) const;

    // Off: the next SetExpression leaves the list as compiled, nothing folded or fused, to
    // check that the optimiser changes no result.
    void SetOptimise(bool on) { optimise_ = on; }

    void AddFunction1(const std::string& name, ParserFunction1 f);
    void AddFunction2(const std::string& name, ParserFunction2 f);

    // The executable list (empty without a program), for inspection: constant parts folded,
    // neighbours fused.
    const std::vector<Operation>& Operations() const { return program_.Ops; }

    TParserExceptionEvent OnParserError;

protected:
    // Built-in slots in their fixed order.
    double a_ = 0, b_ = 0, c_ = 0, d_ = 0, e_ = 0, x_ = 0, y_ = 0, t_ = 0;

    void AddVariable(const std::string& name, double* slot);

private:
    std::string expression_;
    bool parserFailed_ = false;
    bool optimise_ = true;
    std::map<std::string, double*, std::less<>> variables_;
    // Slots of the one-letter variables, so that assigning "r" or "U" per sample costs no
    // string handling.
    double* letterSlots_[26] = {};
    std::vector<std::unique_ptr<double>> ownSlots_;
    CompiledProgram program_;
    // Where evaluation starts: the list, or else a slot times a factor (no call at all).
    const Operation* first_ = nullptr;
    const double* scaled_ = nullptr;
    double factor_ = 1;

    void setEntry(const double* result);
    std::map<std::string, ParserFunction1, std::less<>> functions1_;
    std::map<std::string, ParserFunction2, std::less<>> functions2_;

    friend class FormulaCompiler;
};

class TParser : public TCustomParser {
public:
    TParser();

    double A() const { return a_; }
    double B() const { return b_; }
    double C() const { return c_; }
    double D() const { return d_; }
    double E() const { return e_; }
    double T() const { return t_; }
    double X() const { return x_; }
    double Y() const { return y_; }
    void SetA(double v) { a_ = v; }
    void SetB(double v) { b_ = v; }
    void SetC(double v) { c_ = v; }
    void SetD(double v) { d_ = v; }
    void SetE(double v) { e_ = v; }
    void SetT(double v) { t_ = v; }
    void SetX(double v) { x_ = v; }
    void SetY(double v) { y_ = v; }
};

} // namespace kurvimat::signals
