#include "FormulaParser.h"

#include "FormulaBuild.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <limits>
#include <utility>

namespace kurvimat::signals {

namespace {

constexpr double TwoPow63 = 9223372036854775808.0;

inline double checked(double r) {
    if (!std::isfinite(r)) [[unlikely]]
        RaiseNonFinite(r);
    return r;
}

[[noreturn, gnu::cold, gnu::noinline]] void raiseDivide(double x, double y, double r) {
    if (y == 0 && x != 0 && !std::isnan(x)) throw EZeroDivide();
    RaiseNonFinite(r);
}

// The four arithmetic operations with their checks, shared by the plain and the fused routines
// so that both give the same results and errors.
template <OpKind K> inline double arith(double x, double y) {
    if constexpr (K == OpKind::Add) return checked(x + y);
    if constexpr (K == OpKind::Subtract) return checked(x - y);
    if constexpr (K == OpKind::Multiply) return checked(x * y);
    if constexpr (K == OpKind::Divide) {
        const double r = x / y;
        if (!std::isfinite(r)) [[unlikely]]
            raiseDivide(x, y, r);
        return r;
    }
}

std::int64_t truncToInt64(double v) {
    if (!(v >= -TwoPow63 && v < TwoPow63)) throw EInvalidOp();
    return std::int64_t(v);
}

double intPow(double x, std::int64_t k) {
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

double power(double x, double y) {
    if (y == 0) return 1;
    if (x == 0 && y > 0) return 0;
    if (std::trunc(y) == y && std::fabs(y) <= 2147483647.0) return intPow(x, std::int64_t(y));
    if (x < 0) throw EInvalidOp();
    if (x == 0) throw EZeroDivide();
    // Carried in extended precision, as exp(y * ln x) loses digits in double.
    return double(std::exp((long double)y * std::log((long double)x)));
}

// The operation routines, bound by kind. Each stores its result for the operations after it and
// passes control to the next one from its tail (a jump, not a nested call, in optimised builds);
// the last returns the result. Every routine then has its own indirect branch, which the
// processor predicts far better than one shared loop branch.
#define KURVIMAT_STORE_NEXT(o, value)                                                          \
    do {                                                                                       \
        const double r_ = (value);                                                             \
        *(o).Out = r_;                                                                         \
        const Operation* next_ = (o).Next;                                                     \
        if (next_) return next_->Func(*next_);                                                 \
        return r_;                                                                             \
    } while (0)

double opNop(const Operation& o) { KURVIMAT_STORE_NEXT(o, *o.Arg1); }
double opNegate(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(-*o.Arg1));
}
template <OpKind K> double opArith(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, arith<K>(*o.Arg1, *o.Arg2));
}
// Fused: one side a constant held in the operation.
template <OpKind K> double opConstRight(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, arith<K>(*o.Arg1, o.Imm));
}
template <OpKind K> double opConstLeft(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, arith<K>(o.Imm, *o.Arg2));
}
// Fused: an operation and the one right after it that takes its result.
template <OpKind I, OpKind K, bool InnerLeft> double opPair(const Operation& o) {
    const double inner = arith<I>(*o.Arg1, *o.Arg2);
    KURVIMAT_STORE_NEXT(o, InnerLeft ? arith<K>(inner, *o.Arg3) : arith<K>(*o.Arg3, inner));
}
double opRemainder(const Operation& o) {
    const std::int64_t x = truncToInt64(*o.Arg1), y = truncToInt64(*o.Arg2);
    if (y == 0) throw EDivByZero();
    KURVIMAT_STORE_NEXT(o, y == -1 ? 0.0 : double(x % y));
}
double opIntQuotient(const Operation& o) {
    const std::int64_t x = truncToInt64(*o.Arg1), y = truncToInt64(*o.Arg2);
    if (y == 0) throw EDivByZero();
    KURVIMAT_STORE_NEXT(o, y == -1 ? -double(x) : double(x / y));
}
double opIntPower(const Operation& o) {
    const double k = std::trunc(*o.Arg2);
    KURVIMAT_STORE_NEXT(o, checked(intPow(*o.Arg1, std::int64_t(std::int32_t(k)))));
}
double opPower(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(power(*o.Arg1, *o.Arg2)));
}
double opSquare(const Operation& o) {
    const double x = *o.Arg1;
    KURVIMAT_STORE_NEXT(o, checked(x * x));
}
double opCube(const Operation& o) {
    const double x = *o.Arg1;
    KURVIMAT_STORE_NEXT(o, checked((x * x) * x));
}
double opFourth(const Operation& o) {
    const double x = *o.Arg1;
    KURVIMAT_STORE_NEXT(o, checked((x * x) * (x * x)));
}
double opCall1(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(o.F1(*o.Arg1)));
}
double opCall2(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(o.F2(*o.Arg1, *o.Arg2)));
}

// Built-in functions.
double fnTan(double x) { return std::tan(x); }
double fnSin(double x) { return std::fabs(x) >= TwoPow63 ? 0.0 : std::sin(x); }
double fnCos(double x) { return std::fabs(x) >= TwoPow63 ? 0.0 : std::cos(x); }
double fnSinh(double x) {
    return double((std::exp((long double)x) - std::exp(-(long double)x)) * 0.5L);
}
double fnCosh(double x) {
    return double((std::exp((long double)x) + std::exp(-(long double)x)) * 0.5L);
}
double fnArcTan(double x) { return std::atan(x); }
double fnExp(double x) { return std::exp(x); }
double fnLn(double x) {
    if (x < 0) throw EInvalidOp();
    if (x == 0) throw EZeroDivide();
    return std::log(x);
}
double fnSqrt(double x) {
    if (x < 0) throw EInvalidOp();
    return std::sqrt(x);
}
double fnAbs(double x) { return std::fabs(x); }
double fnHeav(double x) { return x >= 0 ? 1.0 : 0.0; }
double fnSign(double x) { return x < 0 ? -1.0 : x > 0 ? 1.0 : 0.0; }
double fnZero(double x) { return x == 0 ? 0.0 : 1.0; }
double fnPh(double x) {
    const double a = x / 0.6366197723675813431;
    if (!(std::fabs(a) < TwoPow63)) throw EInvalidOp();
    return (a - std::nearbyint(a)) * 6.283185307179586477;
}
// Not seeded from the clock: every run yields the same sequence.
std::uint64_t RandomState = 0x853C49E6748FEA9BULL;
double fnRnd(double x) {
    const double whole = double(truncToInt64(x));
    RandomState ^= RandomState << 13;
    RandomState ^= RandomState >> 7;
    RandomState ^= RandomState << 17;
    return whole * (double(RandomState >> 11) * 0x1.0p-53);
}
double fnMax(double x, double y) { return x >= y ? x : y; }
double fnMin(double x, double y) { return x < y ? x : y; }

// Direct routines for the built-in functions save one indirect call per evaluation.
template <double (*F)(double)> double opDirect1(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(F(*o.Arg1)));
}
template <OpKind I, double (*F)(double)> double opArithThen1(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(F(arith<I>(*o.Arg1, *o.Arg2))));
}

// Routine tables of the fused forms, indexed by arithIndex.
constexpr OpKind ArithKinds[] = {OpKind::Add, OpKind::Subtract, OpKind::Multiply, OpKind::Divide};
int arithIndex(OpKind k) {
    return k >= OpKind::Add && k <= OpKind::Divide ? int(k) - int(OpKind::Add) : -1;
}
template <std::size_t... N> constexpr auto pairTable(std::index_sequence<N...>) {
    return std::array<OperationFunc, sizeof...(N)>{
        opPair<ArithKinds[N / 8], ArithKinds[N / 2 % 4], N % 2 == 0>...};
}
constexpr auto PairRoutines = pairTable(std::make_index_sequence<32>());
template <double (*F)(double)> constexpr std::array<OperationFunc, 4> thenTable() {
    return {opArithThen1<OpKind::Add, F>, opArithThen1<OpKind::Subtract, F>,
            opArithThen1<OpKind::Multiply, F>, opArithThen1<OpKind::Divide, F>};
}
template <double (*F)(double, double)> double opDirect2(const Operation& o) {
    KURVIMAT_STORE_NEXT(o, checked(F(*o.Arg1, *o.Arg2)));
}

struct Builtin1 {
    const char* name;
    ParserFunction1 f;
    OperationFunc direct;
    std::array<OperationFunc, 4> afterArith; // by arithIndex of the fused inner operation
};
#define KURVIMAT_BUILTIN(name, f) {name, f, opDirect1<f>, thenTable<f>()}
constexpr Builtin1 Builtins1[] = {
    KURVIMAT_BUILTIN("TAN", fnTan),      KURVIMAT_BUILTIN("SIN", fnSin),
    KURVIMAT_BUILTIN("COS", fnCos),      KURVIMAT_BUILTIN("SINH", fnSinh),
    KURVIMAT_BUILTIN("COSH", fnCosh),    KURVIMAT_BUILTIN("ARCTAN", fnArcTan),
    KURVIMAT_BUILTIN("EXP", fnExp),      KURVIMAT_BUILTIN("LN", fnLn),
    KURVIMAT_BUILTIN("SQRT", fnSqrt),    KURVIMAT_BUILTIN("ABS", fnAbs),
    KURVIMAT_BUILTIN("HEAV", fnHeav),    KURVIMAT_BUILTIN("SIGN", fnSign),
    KURVIMAT_BUILTIN("ZERO", fnZero),    KURVIMAT_BUILTIN("PH", fnPh),
    KURVIMAT_BUILTIN("RND", fnRnd),
};
#undef KURVIMAT_BUILTIN

const Builtin1* builtinFor(ParserFunction1 f) {
    for (const Builtin1& b : Builtins1)
        if (b.f == f) return &b;
    return nullptr;
}

OperationFunc routineFor(const Operation& op) {
    switch (op.Kind) {
    case OpKind::Nop: return opNop;
    case OpKind::Constant: break;
    case OpKind::Negate: return opNegate;
    case OpKind::Add: return opArith<OpKind::Add>;
    case OpKind::Subtract: return opArith<OpKind::Subtract>;
    case OpKind::Multiply: return opArith<OpKind::Multiply>;
    case OpKind::Divide: return opArith<OpKind::Divide>;
    case OpKind::Remainder: return opRemainder;
    case OpKind::IntQuotient: return opIntQuotient;
    case OpKind::IntPower: return opIntPower;
    case OpKind::Power: return opPower;
    case OpKind::Square: return opSquare;
    case OpKind::Cube: return opCube;
    case OpKind::Fourth: return opFourth;
    case OpKind::Function1:
        if (const Builtin1* b = builtinFor(op.F1)) return b->direct;
        return opCall1;
    case OpKind::Function2:
        if (op.F2 == fnMax) return opDirect2<fnMax>;
        if (op.F2 == fnMin) return opDirect2<fnMin>;
        return opCall2;
    }
    throw EParserInternalError();
}

// Constant parts are computed once here, by the routine that would compute them at every
// evaluation; one that raises an error stays in the list and raises it there, as before. RND and
// the functions a user registers may give another value each time: never folded.
bool foldable(const Operation& op) {
    if (op.Kind == OpKind::Function1) {
        const Builtin1* b = builtinFor(op.F1);
        return b && b->f != fnRnd;
    }
    if (op.Kind == OpKind::Function2) return op.F2 == fnMax || op.F2 == fnMin;
    return true;
}

// Binds the routines and, when optimising, folds constant parts and fuses neighbours. Every
// result is read by exactly one later operation, so an arithmetic operation followed by the one
// that takes its result can run as one, in the same order with the same checks. Returns the
// result slot; the list is a lone Nop when the result is a variable or a constant.
double* optimize(CompiledProgram& program, bool optimise) {
    std::vector<Operation>& ops = program.Ops;
    double* const slots = program.Slots.get();
    double* const result = ops.back().Out;
    if (ops.size() == 1 && ops[0].Kind == OpKind::Nop) return result;
    if (!optimise) {
        for (std::size_t i = 0; i < ops.size(); ++i) {
            ops[i].Func = routineFor(ops[i]);
            ops[i].Next = i + 1 < ops.size() ? &ops[i + 1] : nullptr;
        }
        return result;
    }
    std::vector<char> constant(program.SlotCount, 0);
    std::fill_n(constant.begin(), program.ConstantCount, 1);
    const std::less<const double*> before;
    const auto isConstant = [&](const double* p) {
        return p && !before(p, slots) && before(p, slots + program.SlotCount) &&
               constant[std::size_t(p - slots)];
    };

    std::vector<Operation> kept;
    for (Operation op : ops) {
        op.Next = nullptr;
        op.Func = routineFor(op);
        if (foldable(op) && isConstant(op.Arg1) && (!op.Arg2 || isConstant(op.Arg2))) {
            try {
                op.Func(op);
                constant[std::size_t(op.Out - slots)] = 1;
                continue;
            } catch (const std::exception&) {
            }
        }
        kept.push_back(op);
    }
    if (kept.empty()) {
        Operation nop;
        nop.Arg1 = nop.Out = result;
        nop.Func = opNop;
        ops.assign(1, nop);
        return result;
    }

    std::vector<Operation> fused;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        Operation op = kept[i];
        const int inner = arithIndex(op.Kind);
        if (inner >= 0 && i + 1 < kept.size()) {
            const Operation& next = kept[i + 1];
            const int outer = arithIndex(next.Kind);
            const bool left = next.Arg1 == op.Out;
            const Builtin1* call = next.Kind == OpKind::Function1 ? builtinFor(next.F1) : nullptr;
            if ((outer >= 0 && (left || next.Arg2 == op.Out)) || (call && left)) {
                op.Inner = op.Kind;
                op.Kind = next.Kind;
                op.Out = next.Out;
                if (call) {
                    op.Shape = OpShape::InnerOnly;
                    op.F1 = next.F1;
                    op.Func = call->afterArith[std::size_t(inner)];
                } else {
                    op.Shape = left ? OpShape::InnerLeft : OpShape::InnerRight;
                    op.Arg3 = left ? next.Arg2 : next.Arg1;
                    op.Func = PairRoutines[std::size_t(inner * 8 + outer * 2 + (left ? 0 : 1))];
                }
                fused.push_back(op);
                ++i;
                continue;
            }
        }
        if (inner >= 0 && isConstant(op.Arg1) != isConstant(op.Arg2)) {
            static constexpr OperationFunc right[] = {
                opConstRight<OpKind::Add>, opConstRight<OpKind::Subtract>,
                opConstRight<OpKind::Multiply>, opConstRight<OpKind::Divide>};
            static constexpr OperationFunc left[] = {
                opConstLeft<OpKind::Add>, opConstLeft<OpKind::Subtract>,
                opConstLeft<OpKind::Multiply>, opConstLeft<OpKind::Divide>};
            const bool constRight = isConstant(op.Arg2);
            op.Shape = constRight ? OpShape::ConstRight : OpShape::ConstLeft;
            op.Imm = constRight ? *op.Arg2 : *op.Arg1;
            op.Func = constRight ? right[inner] : left[inner];
        }
        fused.push_back(op);
    }
    for (std::size_t i = 0; i + 1 < fused.size(); ++i)
        fused[i].Next = &fused[i + 1];
    ops = std::move(fused);
    return result;
}

std::string upperCase(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    return s;
}

bool isIdentifier(const std::string& name) {
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
    program_ = CompiledProgram{};
    first_ = nullptr;
    scaled_ = nullptr;
    expression_ = text;
    parserFailed_ = false;
    if (text.empty()) return;
    try {
        CompiledProgram program = FormulaCompiler::Compile(*this, text);
        const double* const result = optimize(program, optimise_);
        program_ = std::move(program);
        setEntry(result);
    } catch (const std::exception& e) {
        parserFailed_ = true;
        if (!OnParserError) throw;
        OnParserError(*this, e);
    }
}

void TCustomParser::setEntry(const double* result) {
    const Operation& first = program_.Ops.front();
    factor_ = 1;
    if (first.Kind == OpKind::Nop) {
        scaled_ = result;
    } else if (program_.Ops.size() == 1 && first.Kind == OpKind::Multiply &&
               (first.Shape == OpShape::ConstRight || first.Shape == OpShape::ConstLeft)) {
        // Multiplication commutes exactly, so the side of the number does not matter.
        scaled_ = first.Shape == OpShape::ConstRight ? first.Arg1 : first.Arg2;
        factor_ = first.Imm;
    } else {
        first_ = &first;
    }
}

void RaiseNonFinite(double v) {
    if (std::isnan(v)) throw EInvalidOp();
    throw EOverflow();
}

double* TCustomParser::FindVariable(std::string_view name) const {
    const auto it = variables_.find(upperCase(std::string(name)));
    return it == variables_.end() ? nullptr : it->second;
}

void TCustomParser::AddVariable(const std::string& name, double* slot) {
    const std::string upper = upperCase(name);
    if (variables_.emplace(upper, slot).second && upper.size() == 1 && upper[0] >= 'A' &&
        upper[0] <= 'Z')
        letterSlots_[upper[0] - 'A'] = slot;
}

double* TCustomParser::SetVariable(const std::string& name, double value) {
    if (name.size() == 1) {
        const char c = name[0];
        const int index = c >= 'a' && c <= 'z' ? c - 'a' : c >= 'A' && c <= 'Z' ? c - 'A' : -1;
        if (index >= 0 && letterSlots_[index]) {
            *letterSlots_[index] = value;
            return letterSlots_[index];
        }
    }
    const std::string upper = upperCase(name);
    if (const auto it = variables_.find(upper); it != variables_.end()) {
        *it->second = value;
        return it->second;
    }
    if (!isIdentifier(upper)) throw EBadName(upper);
    double* slot = nullptr;
    if (upper.size() == 1) {
        switch (upper[0]) {
        case 'A': slot = &a_; break;
        case 'B': slot = &b_; break;
        case 'C': slot = &c_; break;
        case 'D': slot = &d_; break;
        case 'E': slot = &e_; break;
        case 'T': slot = &t_; break;
        case 'X': slot = &x_; break;
        case 'Y': slot = &y_; break;
        default: break;
        }
    }
    if (!slot) {
        ownSlots_.push_back(std::make_unique<double>(0.0));
        slot = ownSlots_.back().get();
    }
    *slot = value;
    AddVariable(upper, slot);
    return slot;
}

void TCustomParser::AddFunction1(const std::string& name, ParserFunction1 f) {
    if (!functions1_.emplace(upperCase(name), f).second)
        throw EMathParserError("Function " + upperCase(name) + " is already registered");
}

void TCustomParser::AddFunction2(const std::string& name, ParserFunction2 f) {
    if (!functions2_.emplace(upperCase(name), f).second)
        throw EMathParserError("Function " + upperCase(name) + " is already registered");
}

TParser::TParser() {
    AddVariable("A", &a_);
    AddVariable("B", &b_);
    AddVariable("C", &c_);
    AddVariable("D", &d_);
    AddVariable("E", &e_);
    AddVariable("X", &x_);
    AddVariable("Y", &y_);
    AddVariable("T", &t_);
    for (const Builtin1& b : Builtins1) AddFunction1(b.name, b.f);
    AddFunction2("MAX", fnMax);
    AddFunction2("MIN", fnMin);
}

} // namespace kurvimat::signals
