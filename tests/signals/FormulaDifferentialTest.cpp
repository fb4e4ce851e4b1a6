// Random formulas, compiled and evaluated, against a plain evaluation of the same structure.
#include "FormulaParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <optional>
#include <random>
#include <string>
#include <vector>

using namespace kurvimat::signals;

namespace {

struct Vars {
    double x, y, z;
};

// Reference arithmetic, written from the operator definitions; nullopt where the parser must
// raise an error.
using Value = std::optional<double>;

Value Apply(const std::string& op, Value a, Value b) {
    if (!a || !b) return std::nullopt;
    const double x = *a, y = *b;
    if (op == "+") return x + y;
    if (op == "-") return x - y;
    if (op == "*") return x * y;
    if (op == "/") return y == 0 ? Value{} : Value{x / y};
    if (op == "^") {
        // ^2 ^3 ^4 have their own products; other exponents use repeated squaring.
        const int k = int(y);
        if (k == 2) return x * x;
        if (k == 3) return (x * x) * x;
        if (k == 4) return (x * x) * (x * x);
        double r = 1, base = x;
        for (int n = k; n; n >>= 1, base *= base)
            if (n & 1) r *= base;
        return r;
    }
    if (!(std::fabs(x) < 0x1p63 && std::fabs(y) < 0x1p63)) return std::nullopt;
    const auto ix = std::int64_t(std::trunc(x)), iy = std::int64_t(std::trunc(y));
    if (iy == 0) return std::nullopt;
    if (op == "DIV") return double(ix / iy);
    if (op == "MOD") return double(ix % iy);
    return std::nullopt;
}

// Generator 1: random trees printed with every operand in brackets, so the text's grouping
// is the tree's whatever the operator table says.
struct Tree {
    std::mt19937 rng;
    const Vars& v;

    std::pair<std::string, Value> Make(int depth) {
        std::uniform_int_distribution<int> pick(0, depth <= 0 ? 1 : 11);
        switch (pick(rng)) {
        case 0: {
            const int n = std::uniform_int_distribution<int>(1, 9)(rng);
            return {std::to_string(n) + ".5", n + 0.5};
        }
        case 1: {
            const int which = std::uniform_int_distribution<int>(0, 2)(rng);
            return {std::string(1, "XYZ"[which]), which == 0 ? v.x : which == 1 ? v.y : v.z};
        }
        case 2: {
            auto [t, a] = Make(depth - 1);
            return {"-(" + t + ")", a ? Value{-*a} : a};
        }
        case 3: {
            auto [t, a] = Make(depth - 1);
            return {"ABS(" + t + ")", a ? Value{std::fabs(*a)} : a};
        }
        case 4: {
            auto [t1, a] = Make(depth - 1);
            auto [t2, b] = Make(depth - 1);
            return {"MAX(" + t1 + "," + t2 + ")", a && b ? Value{*a >= *b ? *a : *b} : Value{}};
        }
        case 5: {
            auto [t, a] = Make(depth - 1);
            const int k = std::uniform_int_distribution<int>(0, 5)(rng);
            return {"(" + t + ")^" + std::to_string(k), Apply("^", a, double(k))};
        }
        default: {
            static const char* ops[] = {"+", "-", "*", "/", "DIV", "MOD"};
            const std::string op = ops[std::uniform_int_distribution<int>(0, 5)(rng)];
            auto [t1, a] = Make(depth - 1);
            auto [t2, b] = Make(depth - 1);
            return {"(" + t1 + ")" + op + "(" + t2 + ")", Apply(op, a, b)};
        }
        }
    }
};

// Compares one text; false when it proved nothing (not compiled, or a huge value overflowed).
bool Expect(const std::string& text, Value expected, const Vars& v) {
    SCOPED_TRACE(text);
    TParser p;
    p.SetVariable("Z", v.z);
    p.SetX(v.x);
    p.SetY(v.y);
    try {
        p.SetExpression(text);
    } catch (const ETooManyNestings&) {
        return false; // deep random trees may exceed the nesting limit; checked elsewhere
    } catch (const EExpressionTooComplex&) {
        return false;
    }
    if (!expected) {
        EXPECT_ANY_THROW(p.Value());
        return true;
    }
    double got = 0;
    try {
        got = p.Value();
    } catch (const std::exception& e) {
        // Huge intermediate values may legitimately overflow or leave the integer range.
        if (std::fabs(*expected) < 1e15) ADD_FAILURE() << "unexpected " << e.what();
        return false;
    }
    EXPECT_EQ(got, *expected);
    return true;
}

// A compiler that rejected or overflowed everything would pass the comparisons: most cases
// must have been compared.
void ExpectMostCompared(int compared, int total) {
    std::printf("%d of %d random formulas compared\n", compared, total);
    EXPECT_GE(compared, total * 9 / 10);
}

TEST(FormulaDifferential, BracketedTreesMatchTheirStructure) {
    const Vars v{1.25, -3.5, 7};
    int compared = 0;
    for (unsigned seed = 1; seed <= 3000; ++seed) {
        Tree tree{std::mt19937(seed), v};
        auto [text, value] = tree.Make(4);
        compared += Expect(text, value, v);
    }
    ExpectMostCompared(compared, 3000);
}

// Generator 2: bracket-free chains. The operand table groups them so: "+" splits at its first
// occurrence (X+(rest)), "-" chains are left-associative, "*" splits at its first occurrence,
// "/", "DIV" and "MOD" chains are left-associative, "^" binds an operand to an atom exponent,
// and a leading minus negates the first factor.
struct Chain {
    std::vector<std::string> ops; // between factors
    std::vector<std::pair<std::string, double>> factors;
    bool negated = false;

    // Reference evaluation over factor indices [b, e).
    Value Sum(int b, int e) const {
        for (int k = b; k < e - 1; ++k)
            if (ops[k] == "+") return Apply("+", Diff(b, k + 1), Sum(k + 1, e));
        return Diff(b, e);
    }
    Value Diff(int b, int e) const {
        int start = b;
        Value acc;
        for (int k = b; k < e; ++k) {
            if (k == e - 1 || ops[k] == "-") {
                const Value term = Prod(start, k + 1);
                acc = start == b ? term : Apply("-", acc, term);
                start = k + 1;
            }
        }
        return acc;
    }
    Value Prod(int b, int e) const {
        for (int k = b; k < e - 1; ++k)
            if (ops[k] == "*") return Apply("*", Quot(b, k + 1), Prod(k + 1, e));
        return Quot(b, e);
    }
    Value Quot(int b, int e) const {
        Value acc = Factor(b);
        for (int k = b + 1; k < e; ++k) acc = Apply(ops[k - 1], acc, Factor(k));
        return acc;
    }
    Value Factor(int i) const {
        const double f = factors[i].second;
        return i == 0 && negated ? -f : f;
    }
};

TEST(FormulaDifferential, BracketFreeChainsFollowTheOperandTable) {
    const Vars v{1.25, -3.5, 7};
    std::mt19937 rng(42);
    static const char* ops[] = {"+", "-", "*", "/", "DIV", "MOD"};
    int compared = 0;
    for (int round = 0; round < 3000; ++round) {
        Chain c;
        const int n = std::uniform_int_distribution<int>(1, 7)(rng);
        for (int i = 0; i < n; ++i) {
            std::string text;
            double value;
            switch (std::uniform_int_distribution<int>(0, 3)(rng)) {
            case 0:
                value = std::uniform_int_distribution<int>(1, 9)(rng);
                text = std::to_string(int(value));
                break;
            case 1:
                value = std::uniform_int_distribution<int>(1, 9)(rng) + 0.25;
                text = std::to_string(int(value)) + ".25";
                break;
            case 2: {
                const int w = std::uniform_int_distribution<int>(0, 2)(rng);
                text = std::string(1, "XYZ"[w]);
                value = w == 0 ? v.x : w == 1 ? v.y : v.z;
                break;
            }
            default: {
                const int w = std::uniform_int_distribution<int>(0, 2)(rng);
                const int k = std::uniform_int_distribution<int>(2, 5)(rng);
                text = std::string(1, "XYZ"[w]) + "^" + std::to_string(k);
                value = *Apply("^", w == 0 ? v.x : w == 1 ? v.y : v.z, double(k));
                break;
            }
            }
            c.factors.emplace_back(text, value);
            if (i + 1 < n) c.ops.push_back(ops[std::uniform_int_distribution<int>(0, 5)(rng)]);
        }
        c.negated = std::uniform_int_distribution<int>(0, 3)(rng) == 0 &&
                    c.factors[0].first.find_first_of("XYZ") == 0;
        std::string text = c.negated ? "-" : "";
        for (int i = 0; i < n; ++i) text += (i ? c.ops[i - 1] : "") + c.factors[i].first;
        compared += Expect(text, c.Sum(0, n), v);
    }
    ExpectMostCompared(compared, 3000);
}

} // namespace
