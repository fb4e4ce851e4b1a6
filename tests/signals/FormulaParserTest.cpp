#include "FormulaBuild.h"
#include "FormulaParser.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <functional>
#include <string>
#include <typeinfo>
#include <vector>

using namespace kurvimat::signals;

namespace {

// Compiles `text` with X=2, Y=3, Z (own variable)=5 and returns the value.
double Eval(const std::string& text, double x = 2, double y = 3) {
    TParser p;
    p.SetVariable("Z", 5);
    p.SetX(x);
    p.SetY(y);
    p.SetExpression(text);
    return p.Value();
}

// What a formula gives, or the class of the error it raises, to compare two evaluations.
std::string Outcome(const std::string& text, double x, bool optimise) {
    TParser p;
    p.SetOptimise(optimise);
    p.SetVariable("Z", 5);
    p.SetX(x);
    p.SetY(3);
    p.SetExpression(text);
    try {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%a", p.Value());
        return buf;
    } catch (const std::exception& e) {
        return typeid(e).name();
    }
}

struct ValueCase {
    const char* text;
    double expected;
};

TEST(FormulaParser, ValuesFollowTheOperandTable) {
    // X=2, Y=3, Z=5: the expected values tell the grouping apart.
    const ValueCase cases[] = {
        {"x+1", 3},
        {" X+1 ", 3},
        {"X-Y-Z", (2 - 3) - 5},
        {"X-Y+Z", (2 - 3) + 5},
        {"X+Y-Z", 2 + (3 - 5)},
        {"X/Y/Z", (2.0 / 3) / 5},
        {"X/Y*Z", (2.0 / 3) * 5},
        {"Z*YMOD2", 5 * (3 % 2)},
        {"-X^2", -4},
        {"-X*Y", -6},
        {"-X-Y", -5},
        {"2*-3", -6},
        {"-2*X-1", -5},
        {"((X+1))", 3},
        {"(X)+(Y)", 5},
        {"X", 2},
        {"2.5", 2.5},
        {"2E3", 2000},
        {"2*E", 0},
        {"E5", 0},
        {".", 0},
        {"1.5E-1", 0.15},
        {"1.E2", 100},
        {".5", 0.5},
        {"1E-400", 0},
        {"-1E-400", 0},
        {"0.000001E-320", 0},
        {"MIN(1,5)", 1},
        {"MAX(1,5)", 5},
        {"max(min(X,Y),1)", 2},
        {"7DIV2", 3},
        {"-7DIV2", -3},
        {"-7MOD2", -1},
        {"7.9MOD2", 1},
        {"X^2", 4},
        {"X^3", 8},
        {"X^4", 16},
        {"X^5", 32},
        {"X^0", 1},
        {"X^-1", 0.5},
        {"X^(0-2)", 0.25},
        {"4^0.5", 2},
        {"X^(Y^2)", 512},
        {"ZERO(0)", 0},
        {"ZERO(3)", 1},
        {"HEAV(0)", 1},
        {"HEAV(-1)", 0},
        {"SIGN(0)", 0},
        {"SIGN(-3)", -1},
        {"SIN(X)+1", std::sin(2.0) + 1},
        {"SIN(1E19)", 0},
        {"COSH(0)", 1},
        {"ABS(-X)", 2},
        {"SQRT(16)", 4},
        {"EXP(0)", 1},
        {"LN(1)", 0},
        {"ARCTAN(1)*4", 3.141592653589793},
        {"PI", 3.141592653589793},
        {"-PI", -3.141592653589793},
        {"RND(0)", 0},
        {"2*PI*X", 4 * 3.141592653589793},
        {"X*2*PI", 4 * 3.141592653589793},
        {"X*(1+1)/(2^2)", 1},
        {"Y-X/4+SQRT(16)*X", 3 - 0.5 + 8},
        {"2-X", 0},
        {"8/X/Y", 8.0 / 2 / 3},
        {"-(X+1)*3", -9},
        {"3000*298.15/(3000+LN(1/X-1)*298.15)-273.15", 0}, // 1/X-1 < 0 below, overridden
        {"X-2.5", -0.5},
        {"(2*PI)*X", 4 * 3.141592653589793},
        {"(X+1)*Y", 9},
        {"Y-X/3", 3 - 2.0 / 3},
        {"SIN(X-Y)", std::sin(-1.0)},
        {"X^2.5", std::pow(2.0, 2.5)},
    };
    for (const ValueCase& c : cases) {
        // Folding constants and fusing neighbours change no value and no error.
        for (const double x : {2.0, 0.5, 0.0, -3.0, 1e300})
            EXPECT_EQ(Outcome(c.text, x, true), Outcome(c.text, x, false)) << c.text << " " << x;
        if (std::string(c.text).find("LN(1/X") != std::string::npos) continue;
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(Eval(c.text), c.expected);
    }
    // The temperature formula at 25 degrees: 1/X-1 = 1 gives LN 0.
    EXPECT_NEAR(Eval("3000*298.15/(3000+LN(1/X-1)*298.15)-273.15", 0.5), 25.0, 1e-12);
}

enum class Err { Blanks, Brackets, Syntax, Nestings, Complex, TooLong };

// n terms joined by op: "1+1+...+1".
std::string Terms(int n, const std::string& op) {
    std::string text = "1";
    for (int i = 1; i < n; ++i)
        text += op + "1";
    return text;
}

TEST(FormulaParser, RejectedTextsRaiseTheirClass) {
    const struct {
        std::string text;
        Err err;
    } cases[] = {
        {"X + 1", Err::Blanks},
        {"(X))", Err::Brackets},
        {"((X)", Err::Brackets},
        {")X(", Err::Syntax},
        {"1E", Err::Syntax},
        {"1,5", Err::Syntax},
        {"2*-X", Err::Syntax},
        {"A+-B", Err::Syntax},
        {"A--B", Err::Syntax},
        {"X^Y^Z", Err::Syntax},
        {"X^-Y", Err::Syntax},
        {"SINX", Err::Syntax},
        {"SIN(X)(Y)", Err::Syntax},
        {"FOO(X)", Err::Syntax},
        {"Q+1", Err::Syntax},
        {"()", Err::Syntax},
        {"SIN()", Err::Syntax},
        {"MIN(,5)", Err::Syntax},
        {"MIN(1,5,)", Err::Syntax},
        {"X+", Err::Syntax},
        {"-", Err::Syntax},
        {"   ", Err::Syntax},
        {"+PI", Err::Syntax},
        // Long texts are too long, whichever limit they meet first; deep brackets are nesting.
        {Terms(50000, "+"), Err::TooLong},
        {Terms(2000, "*"), Err::TooLong},
        {Terms(22, "+"), Err::Nestings},
        {std::string(5000, '(') + "X" + std::string(5000, ')'), Err::Nestings},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TParser p;
        std::function<void()> compile = [&] { p.SetExpression(c.text); };
        switch (c.err) {
        case Err::Blanks: EXPECT_THROW(compile(), EExpressionHasBlanks); break;
        case Err::Brackets: EXPECT_THROW(compile(), EMissMatchingBracket); break;
        case Err::Syntax: EXPECT_THROW(compile(), ESyntaxError); break;
        case Err::Nestings: EXPECT_THROW(compile(), ETooManyNestings); break;
        case Err::Complex: EXPECT_THROW(compile(), EExpressionTooComplex); break;
        case Err::TooLong:
            EXPECT_THROW(compile(), EExpressionTooLong);
            break;
        }
        EXPECT_TRUE(p.ParserFailed());
        EXPECT_EQ(p.Value(), 0.0);
    }
}

std::string Message(const std::string& text) {
    TParser p;
    try {
        p.SetExpression(text);
    } catch (const EMathParserError& e) {
        return e.what();
    }
    return "<compiled>";
}

TEST(FormulaParser, ErrorMessages) {
    EXPECT_EQ(Message("X + 1"), "Expression has blanks");
    EXPECT_EQ(Message("(X))"), "Missing brackets in expression");
    EXPECT_EQ(Message("SINX"), "Error parsing expression:\rSINX");
    EXPECT_EQ(Message("sinx"), "Error parsing expression:\rSINX");
    // The last attempted decomposition names both sides.
    EXPECT_EQ(Message("2*-X"), "Error parsing expression:\r2\r-X");
    EXPECT_EQ(Message("X^Y^Z"), "Error parsing expression:\rX^Y\rZ");
    EXPECT_EQ(Message("((SINX))"), "Error parsing expression:\r((SINX))");
    TParser p;
    try {
        p.SetVariable("1a", 1);
        ADD_FAILURE() << "no EBadName";
    } catch (const EBadName& e) {
        EXPECT_STREQ(e.what(), "1A");
    }
    EXPECT_THROW(p.SetVariable("A-B", 1), EBadName);
    EXPECT_NO_THROW(p.SetVariable("_a1", 1));
}

std::string Chain(int terms, const std::string& op) {
    std::string s = "X";
    for (int i = 1; i < terms; ++i) s += op + "X";
    return s;
}

TEST(FormulaParser, NestingAndComplexityLimits) {
    for (const char* op : {"+", "-", "*", "/"}) {
        SCOPED_TRACE(op);
        EXPECT_NO_THROW(Eval(Chain(21, op))); // 20 operators
        EXPECT_THROW(Eval(Chain(22, op)), ETooManyNestings);
    }
    // Twenty nested calls fit, twenty-one do not.
    std::string calls = "X";
    for (int i = 0; i < 20; ++i) calls = "ABS(" + calls + ")";
    EXPECT_DOUBLE_EQ(Eval(calls), 2);
    EXPECT_THROW(Eval("ABS(" + calls + ")"), ETooManyNestings);
    // A balanced tree of MAX calls doubles the operations per level: levels 1 to 6 hold
    // 1 ... 32 operations, a seventh level would need 64.
    std::string wide = "X";
    for (int i = 0; i < 6; ++i) wide = "MAX(" + wide + "," + wide + ")";
    EXPECT_DOUBLE_EQ(Eval(wide), 2);
    std::string wider = "MAX(" + wide + "," + wide + ")";
    EXPECT_THROW(Eval(wider), EExpressionTooComplex);
}

TEST(FormulaParser, HostileTextsEndInAnErrorClass) {
    const std::string chain40 = Chain(40, "-");
    EXPECT_THROW(Eval(chain40), ETooManyNestings); // used to take exponential time
    const std::string deep(70000, '(');
    EXPECT_THROW(Eval(deep + "X" + std::string(70000, ')')), EMathParserError);
    EXPECT_THROW(Eval(std::string(20000, '(') + "X" + std::string(20000, ')')),
                 EMathParserError);
    std::string mixed;
    for (int i = 0; i < 8000; ++i) mixed += "X*(X-";
    mixed += "X";
    for (int i = 0; i < 8000; ++i) mixed += ")";
    EXPECT_THROW(Eval(mixed), EMathParserError);
    EXPECT_THROW(Eval(Chain(20000, "^")), EMathParserError);
    EXPECT_THROW(Eval(Chain(20000, "MOD")), EMathParserError);
    // Shallow bracket runs still compile.
    EXPECT_DOUBLE_EQ(Eval(std::string(100, '(') + "X" + std::string(100, ')')), 2);
    // A long number is fine.
    EXPECT_DOUBLE_EQ(Eval("1" + std::string(60000, '0') + "E-60000"), 1);
}

TEST(FormulaParser, FloatingPointErrorsRaiseTheirClass) {
    const struct {
        const char* text;
        int kind; // 0 invalid op, 1 zero divide, 2 overflow, 3 integer division by zero
    } cases[] = {
        {"SQRT(0-1)", 0},  {"LN(0-1)", 0},      {"(-8)^(1/3)", 0}, {"0/0", 0},
        {"1E19DIV2", 0},   {"RND(1E19)", 0},    {"1/0", 1},        {"LN(0)", 1},
        {"0^-1", 1},       {"0^(0-0.5)", 1},    {"EXP(1000)", 2},  {"1E308*10", 2},
        {"X^5000", 2},     {"SINH(1000)", 2},   {"1E400", 2},      {"5DIV0", 3},
        {"5MOD0.5", 3},    {"0.5^-2000", 2},  {"-1E400", 2},
        {"123456789E305", 2},
        // Constant parts that raise raise at evaluation; the first error in evaluation order
        // decides, also within fused operations.
        {"X+1/0", 1},      {"1/0*0", 1},        {"0/0+LN(0)", 0},  {"LN(0)+0/0", 1},
        {"X*1E308*10-SQRT(0-1)", 2},            {"X/0", 1},        {"(X-2)/0", 0},
        {"X*1E308", 2},    {"1E308*X", 2},      {"1E400*0", 0},    {"0/(X-2)", 0},
        {"SQRT(X-3)", 0},  {"1E308*(X+8)", 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        TParser p;
        p.SetX(2);
        p.SetExpression(c.text);
        switch (c.kind) {
        case 0: EXPECT_THROW(p.Value(), EInvalidOp); break;
        case 1: EXPECT_THROW(p.Value(), EZeroDivide); break;
        case 2: EXPECT_THROW(p.Value(), EOverflow); break;
        case 3:
            EXPECT_THROW(p.Value(), EDivByZero);
            try {
                p.Value();
            } catch (const EMathError&) {
                ADD_FAILURE() << "integer division by zero is not a floating-point error";
            } catch (...) {
            }
            break;
        }
        // The parser stays usable.
        p.SetExpression("X+1");
        EXPECT_EQ(p.Value(), 3);
    }
    // Underflow is not an error.
    EXPECT_EQ(Eval("1E-300*1E-300"), 0);
    EXPECT_EQ(Eval("EXP(0-1000)"), 0);
}

TEST(FormulaParser, VariablesAreSlotsSeenWithoutRecompiling) {
    TParser p;
    EXPECT_THROW(p.SetExpression("Q+1"), ESyntaxError);
    EXPECT_TRUE(p.ParserFailed());
    double* q = p.SetVariable("q", 1);
    p.SetExpression("Q+1");
    EXPECT_FALSE(p.ParserFailed());
    EXPECT_EQ(p.Value(), 2);
    EXPECT_EQ(p.SetVariable("Q", 5), q);
    EXPECT_EQ(p.Value(), 6);
    *q = 7;
    EXPECT_EQ(p.Value(), 8);
    p.SetExpression("x*t");
    p.SetX(3);
    p.SetT(4);
    EXPECT_EQ(p.Value(), 12);
    EXPECT_EQ(p.SetVariable("x", 5), p.SetVariable("X", 5));
    EXPECT_EQ(p.X(), 5);
    EXPECT_EQ(p.Value(), 20);
    // An empty text leaves no program.
    p.SetExpression("");
    EXPECT_TRUE(p.Operations().empty());
    EXPECT_EQ(p.Value(), 0);
}

TEST(FormulaParser, OnParserErrorSwallowsTheError) {
    TParser p;
    std::string seen;
    TCustomParser* sender = nullptr;
    p.OnParserError = [&](TCustomParser& s, const std::exception& e) {
        sender = &s;
        seen = e.what();
    };
    EXPECT_NO_THROW(p.SetExpression("X+"));
    EXPECT_EQ(sender, &p);
    EXPECT_EQ(seen, "Error parsing expression:\rX+");
    EXPECT_TRUE(p.ParserFailed());
    EXPECT_EQ(p.Value(), 0);
    p.SetExpression("X+1");
    EXPECT_FALSE(p.ParserFailed());
}

TEST(FormulaParser, RndIsUniformAndRepeatable) {
    TParser p;
    p.SetExpression("RND(10)");
    double sum = 0;
    for (int i = 0; i < 1000; ++i) {
        const double v = p.Value();
        ASSERT_GE(v, 0);
        ASSERT_LT(v, 10);
        sum += v;
    }
    EXPECT_NEAR(sum / 1000, 5, 0.5);
}

} // namespace
