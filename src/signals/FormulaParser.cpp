#include "FormulaParser.h"

#include "FormulaBuild.h"

#include <cmath>
#include <cstdint>
#include <limits>

namespace {

constexpr double TwoPow63 = 9223372036854775808.0;

// A non-finite result from finite operands: NaN is an invalid operation, infinity an overflow.
// Operations that can divide by zero tell that case apart themselves.
[[noreturn, gnu::cold, gnu::noinline]] void RaiseFor(double r) {
    if (std::isnan(r)) throw EInvalidOp();
    throw EOverflow();
}

inline double Checked(double r) {
    if (!std::isfinite(r)) [[unlikely]]
        RaiseFor(r);
    return r;
}

std::int64_t TruncToInt64(double v) {
    if (!(v >= -TwoPow63 && v < TwoPow63)) throw EInvalidOp();
    return std::int64_t(v);
}

double IntPow(double x, std::int64_t k) {
    std::uint64_t n = k < 0 ? std::uint64_t(0) - std::uint64_t(k) : std::uint64_t(k);
    double r = 1, base = x;
    while (n) {
        if (n & 1) r *= base;
        n >>= 1;
        if (n) base *= base;
    }
    if (k < 0) {
        // 0 itself divides by zero; a power that merely underflowed would overflow when
        // inverted.
        if (r == 0) {
            if (x == 0) throw EZeroDivide();
            throw EOverflow();
        }
        r = 1 / r;
    }
    return r;
}

double Power(double x, double y) {
    if (y == 0) return 1;
    if (x == 0 && y > 0) return 0;
    if (std::trunc(y) == y && std::fabs(y) <= 2147483647.0) return IntPow(x, std::int64_t(y));
    if (x < 0) throw EInvalidOp();
    if (x == 0) throw EZeroDivide();
    // Carried in extended precision, as exp(y * ln x) loses digits in double.
    return double(std::exp((long double)y * std::log((long double)x)));
}

// The operation routines, bound by kind. Each passes control to the next operation from its
// tail (a jump, not a nested call, in optimised builds): every routine then has its own
// indirect branch, which the processor predicts far better than one shared loop branch.
#define KURVIMAT_NEXT(o)                                                                       \
    do {                                                                                       \
        const Operation* next_ = (o).Next;                                                     \
        if (next_) return next_->Func(*next_);                                                 \
    } while (0)

void OpNop(const Operation& o) { KURVIMAT_NEXT(o); }
void OpNegate(const Operation& o) {
    *o.Out = Checked(-*o.Arg1);
    KURVIMAT_NEXT(o);
}
void OpAdd(const Operation& o) {
    *o.Out = Checked(*o.Arg1 + *o.Arg2);
    KURVIMAT_NEXT(o);
}
void OpSubtract(const Operation& o) {
    *o.Out = Checked(*o.Arg1 - *o.Arg2);
    KURVIMAT_NEXT(o);
}
void OpMultiply(const Operation& o) {
    *o.Out = Checked(*o.Arg1 * *o.Arg2);
    KURVIMAT_NEXT(o);
}
void OpDivide(const Operation& o) {
    const double x = *o.Arg1, y = *o.Arg2;
    const double r = x / y;
    if (!std::isfinite(r)) [[unlikely]] {
        if (y == 0 && x != 0 && !std::isnan(x)) throw EZeroDivide();
        RaiseFor(r);
    }
    *o.Out = r;
    KURVIMAT_NEXT(o);
}
void OpRemainder(const Operation& o) {
    const std::int64_t x = TruncToInt64(*o.Arg1), y = TruncToInt64(*o.Arg2);
    if (y == 0) throw EDivByZero();
    *o.Out = y == -1 ? 0.0 : double(x % y);
    KURVIMAT_NEXT(o);
}
void OpIntQuotient(const Operation& o) {
    const std::int64_t x = TruncToInt64(*o.Arg1), y = TruncToInt64(*o.Arg2);
    if (y == 0) throw EDivByZero();
    *o.Out = y == -1 ? -double(x) : double(x / y);
    KURVIMAT_NEXT(o);
}
void OpIntPower(const Operation& o) {
    const double k = std::trunc(*o.Arg2);
    *o.Out = Checked(IntPow(*o.Arg1, std::int64_t(std::int32_t(k))));
    KURVIMAT_NEXT(o);
}
void OpPower(const Operation& o) {
    *o.Out = Checked(Power(*o.Arg1, *o.Arg2));
    KURVIMAT_NEXT(o);
}
void OpSquare(const Operation& o) {
    const double x = *o.Arg1;
    *o.Out = Checked(x * x);
    KURVIMAT_NEXT(o);
}
void OpCube(const Operation& o) {
    const double x = *o.Arg1;
    *o.Out = Checked((x * x) * x);
    KURVIMAT_NEXT(o);
}
void OpFourth(const Operation& o) {
    const double x = *o.Arg1;
    *o.Out = Checked((x * x) * (x * x));
    KURVIMAT_NEXT(o);
}
void OpCall1(const Operation& o) {
    *o.Out = Checked(o.F1(*o.Arg1));
    KURVIMAT_NEXT(o);
}
void OpCall2(const Operation& o) {
    *o.Out = Checked(o.F2(*o.Arg1, *o.Arg2));
    KURVIMAT_NEXT(o);
}

// Built-in functions.
double FnTan(double x) { return std::tan(x); }
double FnSin(double x) { return std::fabs(x) >= TwoPow63 ? 0.0 : std::sin(x); }
double FnCos(double x) { return std::fabs(x) >= TwoPow63 ? 0.0 : std::cos(x); }
double FnSinh(double x) {
    return double((std::exp((long double)x) - std::exp(-(long double)x)) * 0.5L);
}
double FnCosh(double x) {
    return double((std::exp((long double)x) + std::exp(-(long double)x)) * 0.5L);
}
double FnArcTan(double x) { return std::atan(x); }
double FnExp(double x) { return std::exp(x); }
double FnLn(double x) {
    if (x < 0) throw EInvalidOp();
    if (x == 0) throw EZeroDivide();
    return std::log(x);
}
double FnSqrt(double x) {
    if (x < 0) throw EInvalidOp();
    return std::sqrt(x);
}
double FnAbs(double x) { return std::fabs(x); }
double FnHeav(double x) { return x >= 0 ? 1.0 : 0.0; }
double FnSign(double x) { return x < 0 ? -1.0 : x > 0 ? 1.0 : 0.0; }
double FnZero(double x) { return x == 0 ? 0.0 : 1.0; }
double FnPh(double x) {
    const double a = x / 0.6366197723675813431;
    if (!(std::fabs(a) < TwoPow63)) throw EInvalidOp();
    return (a - std::nearbyint(a)) * 6.283185307179586477;
}
// Not seeded from the clock: every run yields the same sequence.
std::uint64_t RandomState = 0x853C49E6748FEA9BULL;
double FnRnd(double x) {
    const double whole = double(TruncToInt64(x));
    RandomState ^= RandomState << 13;
    RandomState ^= RandomState >> 7;
    RandomState ^= RandomState << 17;
    return whole * (double(RandomState >> 11) * 0x1.0p-53);
}
double FnMax(double x, double y) { return x >= y ? x : y; }
double FnMin(double x, double y) { return x < y ? x : y; }

// Direct routines for the built-in functions save one indirect call per evaluation.
template <double (*F)(double)> void OpDirect1(const Operation& o) {
    *o.Out = Checked(F(*o.Arg1));
    KURVIMAT_NEXT(o);
}
template <double (*F)(double, double)> void OpDirect2(const Operation& o) {
    *o.Out = Checked(F(*o.Arg1, *o.Arg2));
    KURVIMAT_NEXT(o);
}

struct Builtin1 {
    const char* name;
    ParserFunction1 f;
    OperationFunc direct;
};
constexpr Builtin1 Builtins1[] = {
    {"TAN", FnTan, OpDirect1<FnTan>},       {"SIN", FnSin, OpDirect1<FnSin>},
    {"COS", FnCos, OpDirect1<FnCos>},       {"SINH", FnSinh, OpDirect1<FnSinh>},
    {"COSH", FnCosh, OpDirect1<FnCosh>},    {"ARCTAN", FnArcTan, OpDirect1<FnArcTan>},
    {"EXP", FnExp, OpDirect1<FnExp>},       {"LN", FnLn, OpDirect1<FnLn>},
    {"SQRT", FnSqrt, OpDirect1<FnSqrt>},    {"ABS", FnAbs, OpDirect1<FnAbs>},
    {"HEAV", FnHeav, OpDirect1<FnHeav>},    {"SIGN", FnSign, OpDirect1<FnSign>},
    {"ZERO", FnZero, OpDirect1<FnZero>},    {"PH", FnPh, OpDirect1<FnPh>},
    {"RND", FnRnd, OpDirect1<FnRnd>},
};

OperationFunc RoutineFor(const Operation& op) {
    switch (op.Kind) {
    case OpKind::Nop: return OpNop;
    case OpKind::Constant: break;
    case OpKind::Negate: return OpNegate;
    case OpKind::Add: return OpAdd;
    case OpKind::Subtract: return OpSubtract;
    case OpKind::Multiply: return OpMultiply;
    case OpKind::Divide: return OpDivide;
    case OpKind::Remainder: return OpRemainder;
    case OpKind::IntQuotient: return OpIntQuotient;
    case OpKind::IntPower: return OpIntPower;
    case OpKind::Power: return OpPower;
    case OpKind::Square: return OpSquare;
    case OpKind::Cube: return OpCube;
    case OpKind::Fourth: return OpFourth;
    case OpKind::Function1:
        for (const Builtin1& b : Builtins1)
            if (b.f == op.F1) return b.direct;
        return OpCall1;
    case OpKind::Function2:
        if (op.F2 == FnMax) return OpDirect2<FnMax>;
        if (op.F2 == FnMin) return OpDirect2<FnMin>;
        return OpCall2;
    }
    throw EParserInternalError();
}

std::string UpperCase(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

bool IsIdentifier(const std::string& name) {
    if (name.empty()) return false;
    auto letter = [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; };
    if (!letter(name[0])) return false;
    for (char c : name)
        if (!letter(c) && !(c >= '0' && c <= '9')) return false;
    return true;
}

} // namespace

TCustomParser::TCustomParser() = default;

TCustomParser::~TCustomParser() = default;

void TCustomParser::SetExpression(const std::string& text) {
    FProgram = CompiledProgram{};
    FLast = nullptr;
    FExpression = text;
    FParserFailed = false;
    if (text.empty()) return;
    try {
        CompiledProgram program = FormulaCompiler::Compile(*this, text);
        for (Operation& op : program.Ops) op.Func = RoutineFor(op);
        FProgram = std::move(program);
        FLast = &FProgram.Ops.back();
    } catch (const std::exception& e) {
        FParserFailed = true;
        if (!OnParserError) throw;
        OnParserError(*this, e);
    }
}

double TCustomParser::Value() {
    if (!FLast) return 0;
    const Operation& first = FProgram.Ops.front();
    first.Func(first); // runs the whole list
    // A number literal beyond the double range reaches here as infinity.
    return Checked(*FLast->Out);
}

double* TCustomParser::FindVariable(std::string_view name) const {
    const auto it = FVariables.find(UpperCase(std::string(name)));
    return it == FVariables.end() ? nullptr : it->second;
}

void TCustomParser::AddVariable(const std::string& name, double* slot) {
    const std::string upper = UpperCase(name);
    if (FVariables.emplace(upper, slot).second && upper.size() == 1 && upper[0] >= 'A' &&
        upper[0] <= 'Z')
        FLetterSlots[upper[0] - 'A'] = slot;
}

double* TCustomParser::SetVariable(const std::string& name, double value) {
    if (name.size() == 1) {
        const char c = name[0];
        const int index = c >= 'a' && c <= 'z' ? c - 'a' : c >= 'A' && c <= 'Z' ? c - 'A' : -1;
        if (index >= 0 && FLetterSlots[index]) {
            *FLetterSlots[index] = value;
            return FLetterSlots[index];
        }
    }
    const std::string upper = UpperCase(name);
    if (const auto it = FVariables.find(upper); it != FVariables.end()) {
        *it->second = value;
        return it->second;
    }
    if (!IsIdentifier(upper)) throw EBadName(upper);
    double* slot = nullptr;
    if (upper.size() == 1) {
        switch (upper[0]) {
        case 'A': slot = &FA; break;
        case 'B': slot = &FB; break;
        case 'C': slot = &FC; break;
        case 'D': slot = &FD; break;
        case 'E': slot = &FE; break;
        case 'T': slot = &FT; break;
        case 'X': slot = &FX; break;
        case 'Y': slot = &FY; break;
        default: break;
        }
    }
    if (!slot) {
        FOwnSlots.push_back(std::make_unique<double>(0.0));
        slot = FOwnSlots.back().get();
    }
    *slot = value;
    AddVariable(upper, slot);
    return slot;
}

void TCustomParser::AddFunction1(const std::string& name, ParserFunction1 f) {
    if (!FFunctions1.emplace(UpperCase(name), f).second)
        throw EMathParserError("Function " + UpperCase(name) + " is already registered");
}

void TCustomParser::AddFunction2(const std::string& name, ParserFunction2 f) {
    if (!FFunctions2.emplace(UpperCase(name), f).second)
        throw EMathParserError("Function " + UpperCase(name) + " is already registered");
}

TParser::TParser() {
    AddVariable("A", &FA);
    AddVariable("B", &FB);
    AddVariable("C", &FC);
    AddVariable("D", &FD);
    AddVariable("E", &FE);
    AddVariable("X", &FX);
    AddVariable("Y", &FY);
    AddVariable("T", &FT);
    for (const Builtin1& b : Builtins1) AddFunction1(b.name, b.f);
    AddFunction2("MAX", FnMax);
    AddFunction2("MIN", FnMin);
}
