#include "FormulaBuild.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <charconv>
#include <cstdlib>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kurvimat::signals {

namespace {

// Operand forms a sub-text can be recognised in. A text is valid when it has any form.
enum Form : std::uint16_t {
    FVar = 1 << 0,
    FNum = 1 << 1,
    FBracket = 1 << 2,
    FNeg = 1 << 3,
    FPlus = 1 << 4,
    FMinus = 1 << 5,
    FMul = 1 << 6,
    FDiv = 1 << 7,
    FMod = 1 << 8,
    FSlash = 1 << 9,
    FPow = 1 << 10,
    FCall1 = 1 << 11,
    FCall2 = 1 << 12,
};
constexpr std::uint16_t FAtom = FVar | FNum;
constexpr std::uint16_t FCalls = FCall1 | FCall2;
constexpr std::uint16_t FAll = 0x1FFF;

// The binary splits in the order a node's classification tries them, with the operand sets
// that decide precedence, associativity and rejection.
// Operator characters that an operand set can never hold at its own bracket level, used to
// skip candidates cheaply. "Additive" signs are those not at the operand's start and not
// preceded by a character after which a sign belongs to a number or an exponent.
enum Shape : std::uint8_t {
    SAddPlus = 1 << 0,
    SAddMinus = 1 << 1,
    SStar = 1 << 2,
    SSlash = 1 << 3,
    SCaret = 1 << 4,
    SDiv = 1 << 5, // only when no name contains "DIV"
    SMod = 1 << 6, // only when no name contains "MOD"
};
constexpr int ShapeCount = 7;
constexpr std::uint8_t SAdd = SAddPlus | SAddMinus;
constexpr std::uint8_t SQuot = SAdd | SStar | SSlash | SDiv | SMod;

struct SplitRule {
    std::string_view op;
    Form form;
    std::uint16_t left;
    std::uint16_t right;
    OpKind kind;
    std::uint8_t leftNever;
    std::uint8_t rightNever;
};
constexpr std::uint16_t MulLevel = FDiv | FMod | FSlash | FPow | FCalls;
constexpr std::array<SplitRule, 7> Splits{{
    {"+", FPlus, FAtom | FBracket | FMinus | FNeg | FMul | MulLevel,
     FAtom | FBracket | FPlus | FMinus | FMul | MulLevel, OpKind::Add, SAddPlus, 0},
    {"-", FMinus, FAtom | FBracket | FMinus | FNeg | FMul | MulLevel,
     FAtom | FBracket | FMul | MulLevel, OpKind::Subtract, SAddPlus, SAdd},
    {"*", FMul, FAtom | FBracket | FNeg | MulLevel, FAtom | FBracket | FMul | MulLevel,
     OpKind::Multiply, SAdd | SStar, SAdd},
    {"DIV", FDiv, FAtom | FBracket | FNeg | MulLevel, FAtom | FBracket | FPow | FCalls,
     OpKind::IntQuotient, SAdd | SStar, SQuot},
    {"MOD", FMod, FAtom | FBracket | FNeg | MulLevel, FAtom | FBracket | FPow | FCalls,
     OpKind::Remainder, SAdd | SStar, SQuot},
    {"/", FSlash, FAtom | FBracket | FNeg | MulLevel, FAtom | FBracket | FPow | FCalls,
     OpKind::Divide, SAdd | SStar, SQuot},
    {"^", FPow, FAtom | FBracket | FCalls, FAtom | FBracket | FCalls, OpKind::Power,
     SQuot | SCaret, SQuot | SCaret},
}};

// Recognition re-asks the same sub-texts many times; without bounds a hostile text costs
// exponential time or overflows the stack. Depth and work are therefore limited; both limits
// lie far beyond anything the nesting and complexity limits let compile.
constexpr int MaxRecursion = 1000;
constexpr std::size_t MaxWork = 2'000'000;

bool isDigit(char c) { return c >= '0' && c <= '9'; }

// The value of a text already known to be in the number form with at least one digit.
// from_chars is locale-independent (the point is always "."); beyond the double range it reports
// an error instead of a value, so the side is decided from the decimal exponent of the first
// significant digit: above the range is infinity (an overflow at evaluation), below it 0.
double numberValue(std::string_view t) {
    const bool negative = t[0] == '-';
    if (t[0] == '+' || t[0] == '-') t.remove_prefix(1);
    double value = 0;
    const auto [end, error] = std::from_chars(t.data(), t.data() + t.size(), value);
    (void)end;
    if (error == std::errc::result_out_of_range) {
        long long position = 0; // decimal exponent of the first significant digit, before E
        bool seenPoint = false, found = false;
        long long intDigits = 0, zerosAfterPoint = 0;
        std::size_t k = 0;
        for (; k < t.size() && t[k] != 'E'; ++k) {
            if (t[k] == '.') {
                seenPoint = true;
            } else if (!found && t[k] == '0') {
                if (seenPoint) ++zerosAfterPoint;
            } else {
                found = true;
                if (!seenPoint) ++intDigits;
            }
        }
        position = intDigits > 0 ? intDigits - 1 : -(zerosAfterPoint + 1);
        long long exponent = 0;
        if (k < t.size()) {
            std::size_t e = k + 1;
            const bool expNegative = e < t.size() && t[e] == '-';
            if (e < t.size() && (t[e] == '+' || t[e] == '-')) ++e;
            for (; e < t.size(); ++e) exponent = std::min(exponent * 10 + (t[e] - '0'), 1LL << 40);
            if (expNegative) exponent = -exponent;
        }
        value = position + exponent > 0 ? HUGE_VAL : 0.0;
    }
    return negative ? -value : value;
}

class Compiler {
public:
    Compiler(const TCustomParser& parser, const std::string& text,
             const std::map<std::string, double*, std::less<>>& vars,
             const std::map<std::string, ParserFunction1, std::less<>>& f1,
             const std::map<std::string, ParserFunction2, std::less<>>& f2)
        : vars_(vars), f1_(f1), f2_(f2) {
        (void)parser;
        text_ = prepare(text);
        index();
    }

    CompiledProgram Run();

private:
    struct Memo {
        std::uint16_t known = 0;
        std::uint16_t valid = 0;
    };
    // Where an operand comes from, resolved to a slot address when the program is laid out.
    struct Ref {
        enum Type : std::uint8_t { None, Variable, Constant, Result } type = None;
        double* var = nullptr;
        int index = 0;
    };
    struct Pending {
        OpKind kind;
        int level;
        Ref arg1, arg2;
        ParserFunction1 f1 = nullptr;
        ParserFunction2 f2 = nullptr;
    };

    const std::map<std::string, double*, std::less<>>& vars_;
    const std::map<std::string, ParserFunction1, std::less<>>& f1_;
    const std::map<std::string, ParserFunction2, std::less<>>& f2_;
    std::string text_;
    std::vector<int> depth_;     // bracket sum of text_[0, k)
    std::vector<int> nextParen_; // first "(" at or after k
    // Operator positions per split rule, grouped by the bracket sum before them.
    std::array<std::unordered_map<int, std::vector<int>>, Splits.size()> ops_;
    std::unordered_map<int, std::vector<int>> commas_;
    std::array<std::unordered_map<int, std::vector<int>>, ShapeCount> shapes_;
    std::uint8_t shapeMask_ = 0xFF; // shapes that may be used for skipping
    std::unordered_map<std::uint64_t, Memo> memo_;
    int recursion_ = 0;
    std::size_t work_ = 0;

    std::vector<Pending> pending_;
    std::vector<double> constants_;
    std::array<int, MaxOperationLevel + 2> levelCount_{};
    bool rootAttempted_ = false;
    std::string rootLeft_ = " ", rootRight_ = " ";

    static std::string prepare(const std::string& text);
    void index();
    std::string_view sub(int b, int e) const { return {text_.data() + b, std::size_t(e - b)}; }
    int sum(int b, int e) const { return depth_[e] - depth_[b]; }

    bool is(int b, int e, std::uint16_t forms);
    bool check(int b, int e, Form f);
    bool valid(int b, int e) { return is(b, e, FAll); }
    bool numberText(int b, int e, double* value) const;
    bool variable(int b, int e) const { return vars_.find(sub(b, e)) != vars_.end(); }
    bool bracketed(int b, int e) {
        return e - b >= 2 && text_[b] == '(' && text_[e - 1] == ')' && valid(b + 1, e - 1);
    }
    bool call1(int b, int e);
    // Two-argument call; on success *comma is the separating comma.
    bool call2(int b, int e, int* comma);
    // First accepted candidate of a split, or -1. Records the root's attempts.
    int findSplit(const SplitRule& rule, int b, int e, bool root);
    void strip(int& b, int& e) {
        while (bracketed(b, e)) {
            ++b;
            --e;
        }
    }

    void node(int b, int e, int level, int parent, int side);
    int newOperation(OpKind kind, int level, int parent, int side);
    void setOperand(int parent, int side, Ref ref);
    CompiledProgram layout(Ref rootRef);
};

std::string Compiler::prepare(const std::string& text) {
    std::string s = text;
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
    const auto first = s.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    s = s.substr(first, s.find_last_not_of(' ') - first + 1);
    if (s.find(' ') != std::string::npos) throw EExpressionHasBlanks();
    int sum = 0;
    for (char c : s) sum += c == '(' ? 1 : c == ')' ? -1 : 0;
    if (sum != 0) throw EMissMatchingBracket();
    return s;
}

void Compiler::index() {
    const int n = int(text_.size());
    depth_.assign(n + 1, 0);
    for (int k = 0; k < n; ++k)
        depth_[k + 1] = depth_[k] + (text_[k] == '(' ? 1 : text_[k] == ')' ? -1 : 0);
    nextParen_.assign(n + 1, n);
    for (int k = n - 1; k >= 0; --k) nextParen_[k] = text_[k] == '(' ? k : nextParen_[k + 1];
    for (std::size_t r = 0; r < Splits.size(); ++r) {
        const std::string_view op = Splits[r].op;
        for (std::size_t k = text_.find(op); k != std::string::npos; k = text_.find(op, k + 1))
            ops_[r][depth_[k]].push_back(int(k));
    }
    for (int k = 0; k < n; ++k)
        if (text_[k] == ',') commas_[depth_[k]].push_back(k);

    auto nameHas = [](const auto& table, std::string_view part) {
        for (const auto& entry : table)
            if (entry.first.find(part) != std::string::npos) return true;
        return false;
    };
    if (nameHas(vars_, "DIV") || nameHas(f1_, "DIV") || nameHas(f2_, "DIV"))
        shapeMask_ &= std::uint8_t(~SDiv);
    if (nameHas(vars_, "MOD") || nameHas(f1_, "MOD") || nameHas(f2_, "MOD"))
        shapeMask_ &= std::uint8_t(~SMod);
    for (int k = 0; k < n; ++k) {
        const char c = text_[k];
        int shape = -1;
        if (c == '+' || c == '-') {
            const bool sign = k > 0 && std::string_view("*/^EVD+-").find(text_[k - 1]) !=
                                           std::string_view::npos;
            if (!sign) shape = c == '+' ? 0 : 1;
        } else if (c == '*') {
            shape = 2;
        } else if (c == '/') {
            shape = 3;
        } else if (c == '^') {
            shape = 4;
        }
        if (shape >= 0) shapes_[shape][depth_[k]].push_back(k);
    }
    for (std::size_t k = text_.find("DIV"); k != std::string::npos; k = text_.find("DIV", k + 1))
        shapes_[5][depth_[k]].push_back(int(k));
    for (std::size_t k = text_.find("MOD"); k != std::string::npos; k = text_.find("MOD", k + 1))
        shapes_[6][depth_[k]].push_back(int(k));
}

bool Compiler::is(int b, int e, std::uint16_t forms) {
    // Cheap forms first; the answer does not depend on the order.
    static constexpr Form order[] = {FVar,  FNum,   FBracket, FCall1, FCall2, FNeg, FPow,
                                     FMul,  FSlash, FDiv,     FMod,   FMinus, FPlus};
    for (Form f : order)
        if ((forms & f) && check(b, e, f)) return true;
    return false;
}

bool Compiler::check(int b, int e, Form f) {
    if (e <= b) return false;
    const std::uint64_t key = (std::uint64_t(unsigned(b)) << 32) | unsigned(e);
    Memo& memo = memo_[key];
    if (memo.known & f) return (memo.valid & f) != 0;
    if (++work_ > MaxWork) throw EExpressionTooComplex();
    if (++recursion_ > MaxRecursion) throw ETooManyNestings();
    bool ok = false;
    switch (f) {
    case FVar: ok = variable(b, e); break;
    case FNum: ok = numberText(b, e, nullptr); break;
    case FBracket: ok = bracketed(b, e); break;
    case FNeg:
        ok = text_[b] == '-' && is(b + 1, e, FBracket | FPow | FVar | FCalls);
        break;
    case FCall1: ok = call1(b, e); break;
    case FCall2: {
        int comma;
        ok = call2(b, e, &comma);
        break;
    }
    default:
        for (const SplitRule& rule : Splits)
            if (rule.form == f) ok = findSplit(rule, b, e, false) >= 0;
        break;
    }
    --recursion_;
    // The map may have rehashed during the recursion: look the entry up again.
    Memo& done = memo_[key];
    done.known |= f;
    if (ok) done.valid |= f;
    return ok;
}

bool Compiler::numberText(int b, int e, double* value) const {
    const std::string_view t = sub(b, e);
    if (t == "PI" || t == "-PI") {
        if (value) *value = t[0] == '-' ? -3.141592653589793 : 3.141592653589793;
        return true;
    }
    std::size_t k = 0;
    if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
    std::size_t digits = 0;
    while (k < t.size() && isDigit(t[k])) ++k, ++digits;
    bool point = false;
    if (k < t.size() && t[k] == '.') {
        point = true;
        ++k;
        while (k < t.size() && isDigit(t[k])) ++k, ++digits;
    }
    bool exponent = false;
    if (k < t.size() && t[k] == 'E') {
        ++k;
        if (k < t.size() && (t[k] == '+' || t[k] == '-')) ++k;
        std::size_t expDigits = 0;
        while (k < t.size() && isDigit(t[k])) ++k, ++expDigits;
        if (expDigits == 0) return false;
        exponent = true;
    }
    // A bare sign or nothing at all is not a number; "." and "E5" are (they read as 0).
    if (k != t.size() || (digits == 0 && !point && !exponent)) return false;
    if (value) {
        if (digits == 0) {
            *value = t[0] == '-' ? -0.0 : 0.0;
        } else {
            *value = numberValue(t);
        }
    }
    return true;
}

bool Compiler::call1(int b, int e) {
    const int paren = nextParen_[b];
    if (paren <= b || paren >= e) return false;
    if (f1_.find(sub(b, paren)) == f1_.end()) return false;
    return bracketed(paren, e);
}

bool Compiler::call2(int b, int e, int* comma) {
    if (e - b < 3 || text_[e - 1] != ')') return false;
    const int paren = nextParen_[b];
    if (paren <= b || paren >= e - 1) return false;
    if (f2_.find(sub(b, paren)) == f2_.end()) return false;
    const int in = paren + 1, out = e - 1; // inside is [in, out)
    if (out <= in) return false;
    // A valid argument is balanced, so only commas at the inside's own bracket level can
    // separate two valid arguments.
    const auto list = commas_.find(depth_[in]);
    if (list == commas_.end()) return false;
    for (auto it = std::lower_bound(list->second.begin(), list->second.end(), in);
         it != list->second.end() && *it < out; ++it) {
        if (++work_ > MaxWork) throw EExpressionTooComplex();
        const int c = *it;
        if (c == in || c == out - 1) return false;
        if (valid(in, c) && valid(c + 1, out)) {
            *comma = c;
            return true;
        }
    }
    return false;
}

int Compiler::findSplit(const SplitRule& rule, int b, int e, bool root) {
    const int len = int(rule.op.size());
    if (sum(b, e) != 0) return -1;
    const int depth = depth_[b];
    const auto& byDepth = ops_[&rule - Splits.data()];
    const auto list = byDepth.find(depth);
    if (list == byDepth.end()) return -1;

    // Candidates k whose sides cannot hold a shape their operand set never has:
    // lo <= k <= hi. Candidates outside fail anyway, so skipping them changes no result.
    int lo = b + 1, hi = e;
    for (int shape = 0; shape < ShapeCount; ++shape) {
        const std::uint8_t bit = std::uint8_t(1 << shape);
        const bool left = rule.leftNever & bit & shapeMask_;
        const bool right = rule.rightNever & bit & shapeMask_;
        if (!left && !right) continue;
        const auto found = shapes_[shape].find(depth);
        if (found == shapes_[shape].end()) continue;
        const std::vector<int>& pos = found->second;
        const int w = shape >= 5 ? 3 : 1;
        if (left) {
            // none in (b, k): k <= first + w - 1
            const auto it = std::upper_bound(pos.begin(), pos.end(), b);
            if (it != pos.end()) hi = std::min(hi, *it + w - 1);
        }
        if (right) {
            // none inside (k + len, e): the last one must start at or before k + len
            const auto it = std::upper_bound(pos.begin(), pos.end(), e - w);
            if (it != pos.begin() && *(it - 1) > b) lo = std::max(lo, *(it - 1) - len);
        }
    }

    // Candidates neither start at the first character nor reach the last; the bracket sums
    // of both sides are 0 exactly for the occurrences at the text's own bracket level. The
    // root walks every candidate, because its error message names the last one attempted.
    for (auto it = std::lower_bound(list->second.begin(), list->second.end(), root ? b + 1 : lo);
         it != list->second.end() && *it + len - 1 < e - 1; ++it) {
        if (++work_ > MaxWork) throw EExpressionTooComplex();
        const int k = *it;
        if (root) {
            rootAttempted_ = true;
            rootLeft_.assign(sub(b, k));
            rootRight_.assign(sub(k + len, e));
            if (k < lo) continue;
        }
        if (k > hi) {
            if (root) continue;
            break;
        }
        if (is(b, k, rule.left) && is(k + len, e, rule.right)) return k;
    }
    return -1;
}

int Compiler::newOperation(OpKind kind, int level, int parent, int side) {
    if (level > MaxOperationLevel) throw ETooManyNestings();
    if (levelCount_[level] >= MaxOperationsPerLevel) throw EExpressionTooComplex();
    pending_.push_back({kind, level, {}, {}});
    const int index = int(pending_.size()) - 1;
    setOperand(parent, side, {Ref::Result, nullptr, index});
    return index;
}

void Compiler::setOperand(int parent, int side, Ref ref) {
    Pending& p = pending_[parent];
    if (side == 1) {
        p.arg1 = ref;
        return;
    }
    const OpKind k = p.kind;
    if (k == OpKind::Nop || k == OpKind::Negate || k == OpKind::Function1 ||
        (k >= OpKind::Square && k <= OpKind::Fourth))
        throw EParserInternalError();
    p.arg2 = ref;
}

// Classifies the node [b, e) and compiles it; the node belongs to level `level`, and its
// value goes to operand `side` of operation `parent`.
void Compiler::node(int b, int e, int level, int parent, int side) {
    const bool root = parent == 0;
    if (e <= b) throw ESyntaxError("Error parsing expression:\r");
    if (variable(b, e)) {
        setOperand(parent, side, {Ref::Variable, vars_.find(sub(b, e))->second, 0});
        return;
    }
    double number;
    if (numberText(b, e, &number)) {
        constants_.push_back(number);
        setOperand(parent, side, {Ref::Constant, nullptr, int(constants_.size()) - 1});
        return;
    }
    const int m = level + 1;
    auto operand = [&](int ob, int oe, int op, int opSide) {
        strip(ob, oe);
        node(ob, oe, m, op, opSide);
    };
    auto finish = [&](int) { ++levelCount_[m]; };

    if (text_[b] == '-' && is(b + 1, e, FBracket | FPow | FVar | FCalls)) {
        const int op = newOperation(OpKind::Negate, m, parent, side);
        operand(b + 1, e, op, 1);
        return finish(op);
    }
    for (const SplitRule& rule : Splits) {
        const int k = findSplit(rule, b, e, root);
        if (k < 0) continue;
        const int rb = k + int(rule.op.size());
        OpKind kind = rule.kind;
        double exponent = 0;
        if (rule.kind == OpKind::Power && numberText(rb, e, &exponent)) {
            kind = OpKind::Power;
            if (std::trunc(exponent) == exponent && exponent >= -2147483648.0 &&
                exponent <= 2147483647.0) {
                const int whole = int(exponent);
                kind = whole == 2   ? OpKind::Square
                       : whole == 3 ? OpKind::Cube
                       : whole == 4 ? OpKind::Fourth
                                    : OpKind::IntPower;
            }
        }
        const int op = newOperation(kind, m, parent, side);
        operand(b, k, op, 1);
        if (kind < OpKind::Square || kind > OpKind::Fourth) operand(rb, e, op, 2);
        return finish(op);
    }
    if (call1(b, e)) {
        const int paren = nextParen_[b];
        const int op = newOperation(OpKind::Function1, m, parent, side);
        pending_[op].f1 = f1_.find(sub(b, paren))->second;
        operand(paren + 1, e - 1, op, 1);
        return finish(op);
    }
    int comma;
    if (call2(b, e, &comma)) {
        const int paren = nextParen_[b];
        const int op = newOperation(OpKind::Function2, m, parent, side);
        pending_[op].f2 = f2_.find(sub(b, paren))->second;
        operand(paren + 1, comma, op, 1);
        operand(comma + 1, e - 1, op, 2);
        return finish(op);
    }
    // Every operand a split accepts is valid, so only the root can get here.
    if (rootAttempted_)
        throw ESyntaxError("Error parsing expression:\r" + rootLeft_ + "\r" + rootRight_);
    throw ESyntaxError("Error parsing expression:\r" + std::string(sub(b, e)));
}

CompiledProgram Compiler::Run() {
    int b = 0, e = int(text_.size());
    strip(b, e);
    // Placeholder operation at level 0 whose first operand receives the whole expression.
    pending_.push_back({OpKind::Nop, 0, {}, {}});
    node(b, e, 0, 0, 1);
    return layout(pending_[0].arg1);
}

CompiledProgram Compiler::layout(Ref rootRef) {
    CompiledProgram program;
    const int results = int(pending_.size()) - 1;
    const int constants = int(constants_.size());
    program.ConstantCount = std::size_t(constants);
    program.SlotCount = std::size_t(constants + results + 1);
    program.Slots = std::make_unique<double[]>(program.SlotCount);
    double* const constSlots = program.Slots.get();
    double* const resultSlots = constSlots + constants;
    std::copy(constants_.begin(), constants_.end(), constSlots);
    auto slot = [&](const Ref& r) -> double* {
        switch (r.type) {
        case Ref::Variable: return r.var;
        case Ref::Constant: return constSlots + r.index;
        case Ref::Result: return resultSlots + (r.index - 1);
        default: return nullptr;
        }
    };
    if (results == 0) {
        // A lone variable or number: the placeholder is the program, its result its operand.
        Operation nop;
        nop.Kind = OpKind::Nop;
        nop.Arg1 = slot(rootRef);
        nop.Out = nop.Arg1;
        program.Ops.push_back(nop);
        return program;
    }
    // Deepest level first; within a level in creation order.
    std::vector<int> order(static_cast<std::size_t>(results));
    for (int i = 0; i < results; ++i) order[std::size_t(i)] = i + 1;
    std::stable_sort(order.begin(), order.end(),
                     [&](int x, int y) { return pending_[x].level > pending_[y].level; });
    program.Ops.reserve(order.size());
    for (int index : order) {
        const Pending& p = pending_[index];
        Operation op;
        op.Kind = p.kind;
        op.Arg1 = slot(p.arg1);
        op.Arg2 = slot(p.arg2);
        op.Out = resultSlots + (index - 1);
        op.F1 = p.f1;
        op.F2 = p.f2;
        program.Ops.push_back(op);
    }
    for (std::size_t i = 0; i + 1 < program.Ops.size(); ++i)
        program.Ops[i].Next = &program.Ops[i + 1];
    return program;
}

} // namespace

CompiledProgram FormulaCompiler::Compile(const TCustomParser& parser, const std::string& text) {
    try {
        Compiler compiler(parser, text, parser.variables_, parser.functions1_, parser.functions2_);
        return compiler.Run();
    } catch (const EMathParserError& e) {
        // A long text without deep brackets that meets the nesting or work limits is too long,
        // whatever limit it met first; a long number alone compiles.
        if (text.size() <= MaxFormulaLength || (!dynamic_cast<const ETooManyNestings*>(&e) &&
                                                !dynamic_cast<const EExpressionTooComplex*>(&e)))
            throw;
        int depth = 0, deepest = 0;
        for (char c : text) {
            depth += c == '(' ? 1 : c == ')' ? -1 : 0;
            deepest = std::max(deepest, depth);
        }
        if (deepest > MaxOperationLevel) throw;
        throw EExpressionTooLong();
    }
}

} // namespace kurvimat::signals
