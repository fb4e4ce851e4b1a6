// Evaluation and compilation speed of the formula parser, against muparser and hand-written
// C++ measured in the same run.
#include "FormulaParser.h"

#include "BenchCollector.h"

#include <benchmark/benchmark.h>
#include <muParser.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

using namespace kurvimat::signals;

namespace {

struct Inputs {
    double U = 2.5, D = 512, r = 0.5, A = 2.5, B = 1.2, t = 0.1, X = 0.5;
};

struct Formula {
    const char* name;
    std::string ours;    // our syntax
    std::string mu;      // muparser's syntax (pi is _pi, functions lower case)
    double (*native)(const Inputs&);
};

const std::string Chain20 = "X+U*2-X/3+U*X-2+X*0.5-U/4+X*X-U+3*X-U*U+X";

const std::vector<Formula> Formulas = {
    {"U", "U", "U", [](const Inputs& v) { return v.U; }},
    {"D", "D", "D", [](const Inputs& v) { return v.D; }},
    {"r*100", "r*100", "r*100", [](const Inputs& v) { return v.r * 100; }},
    {"r*270", "r*270", "r*270", [](const Inputs& v) { return v.r * 270; }},
    {"U/1", "U/1", "U/1", [](const Inputs& v) { return v.U / 1; }},
    {"(A-B)/50", "(A-B)/50", "(A-B)/50", [](const Inputs& v) { return (v.A - v.B) / 50; }},
    {"temperature", "1/(1/298.15+ln(47/(5/U-1)/50)/3950)-273.15",
     "1/(1/298.15+ln(47/(5/U-1)/50)/3950)-273.15",
     [](const Inputs& v) {
         return 1 / (1 / 298.15 + std::log(47 / (5 / v.U - 1) / 50) / 3950) - 273.15;
     }},
    {"sin(2*pi*t)", "sin(2*pi*t)", "sin(2*_pi*t)",
     [](const Inputs& v) { return std::sin(2 * 3.141592653589793 * v.t); }},
    {"X*X+2*X*U-SQRT(U)", "X*X+2*X*U-SQRT(U)", "X*X+2*X*U-sqrt(U)",
     [](const Inputs& v) { return v.X * v.X + 2 * v.X * v.U - std::sqrt(v.U); }},
    {"chain of 20", Chain20, Chain20,
     [](const Inputs& v) {
         return v.X + v.U * 2 - v.X / 3 + v.U * v.X - 2 + v.X * 0.5 - v.U / 4 + v.X * v.X -
                v.U + 3 * v.X - v.U * v.U + v.X;
     }},
};

// Two input sets alternate so that no evaluation can be folded away.
const Inputs Sets[2] = {{2.5, 512, 0.5, 2.5, 1.2, 0.1, 0.5}, {2.6, 530, 0.52, 2.6, 1.1, 0.11, 0.52}};

void Ours(benchmark::State& state, const Formula& f) {
    TParser p;
    double* u = p.SetVariable("U", 0);
    double* r = p.SetVariable("R", 0);
    p.SetExpression(f.ours);
    std::size_t i = 0;
    for (auto _ : state) {
        const Inputs& v = Sets[++i & 1];
        *u = v.U;
        *r = v.r;
        p.SetD(v.D);
        p.SetA(v.A);
        p.SetB(v.B);
        p.SetT(v.t);
        p.SetX(v.X);
        benchmark::DoNotOptimize(p.Value());
    }
}

void Mu(benchmark::State& state, const Formula& f) {
    Inputs v;
    mu::Parser p;
    p.DefineVar("U", &v.U);
    p.DefineVar("D", &v.D);
    p.DefineVar("r", &v.r);
    p.DefineVar("A", &v.A);
    p.DefineVar("B", &v.B);
    p.DefineVar("t", &v.t);
    p.DefineVar("X", &v.X);
    p.SetExpr(f.mu);
    std::size_t i = 0;
    for (auto _ : state) {
        v = Sets[++i & 1];
        benchmark::DoNotOptimize(p.Eval());
    }
}

void Native(benchmark::State& state, const Formula& f) {
    std::size_t i = 0;
    for (auto _ : state) {
        Inputs v = Sets[++i & 1];
        benchmark::DoNotOptimize(v);
        benchmark::DoNotOptimize(f.native(v));
    }
}

void Compile(benchmark::State& state, std::string text) {
    TParser p;
    p.SetVariable("U", 0);
    p.SetVariable("R", 0);
    for (auto _ : state) {
        try {
            p.SetExpression(text);
        } catch (const std::exception&) {
        }
    }
}

void CompileMu(benchmark::State& state, const Formula& f) {
    double vars[7] = {};
    for (auto _ : state) {
        mu::Parser p;
        const char* names[] = {"U", "D", "r", "A", "B", "t", "X"};
        for (int k = 0; k < 7; ++k) p.DefineVar(names[k], &vars[k]);
        p.SetExpr(f.mu);
        benchmark::DoNotOptimize(p.Eval());
    }
}

std::string Repeat(const std::string& head, const std::string& unit, std::size_t length,
                   const std::string& tail = "") {
    std::string s = head;
    while (s.size() + unit.size() + tail.size() <= length) s += unit;
    return s + tail;
}

std::vector<std::pair<std::string, std::string>> Adversarial() {
    std::vector<std::pair<std::string, std::string>> texts;
    texts.emplace_back("X-X-...-X", Repeat("X", "-X", 1024));
    texts.emplace_back("XMODXMOD...", Repeat("X", "MODX", 1024));
    texts.emplace_back("X+X*X+...", Repeat("X", "+X*X", 1024));
    texts.emplace_back("X^X^...", Repeat("X", "^X", 1024));
    texts.emplace_back("(X)-(X)-...", Repeat("(X)", "-(X)", 1024));
    texts.emplace_back("((((X))))", std::string(511, '(') + "X" + std::string(511, ')'));
    std::string calls = "X";
    while (calls.size() + 5 <= 1024) calls = "SIN(" + calls + ")";
    texts.emplace_back("SIN(SIN(...))", calls);
    std::mt19937 rng(7);
    const std::string alphabet = "XU+-*/^()DIVMOD1.E,SINMAX";
    std::string junk;
    for (int i = 0; i < 1024; ++i) junk += alphabet[rng() % alphabet.size()];
    texts.emplace_back("random 1 KiB", junk);
    return texts;
}

// With --benchmark_repetitions the table takes each benchmark's median: on a shared machine a
// single run says little.
class MedianCollector : public BenchCollector {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        BenchCollector::ReportRuns(runs);
        for (const Run& run : runs)
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median")
                medians[run.run_name.str()] = run.GetAdjustedCPUTime();
    }
    std::map<std::string, double> medians;
};

} // namespace

int main(int argc, char** argv) {
    for (const Formula& f : Formulas) {
        benchmark::RegisterBenchmark(("eval/ours/" + std::string(f.name)).c_str(), Ours, f);
        benchmark::RegisterBenchmark(("eval/muparser/" + std::string(f.name)).c_str(), Mu, f);
        benchmark::RegisterBenchmark(("eval/native/" + std::string(f.name)).c_str(), Native, f);
    }
    for (const Formula& f : Formulas) {
        benchmark::RegisterBenchmark(("compile/ours/" + std::string(f.name)).c_str(), Compile,
                                     f.ours)
            ->Unit(benchmark::kMicrosecond);
        benchmark::RegisterBenchmark(("compile/muparser/" + std::string(f.name)).c_str(),
                                     CompileMu, f)
            ->Unit(benchmark::kMicrosecond);
    }
    for (const auto& [name, text] : Adversarial())
        benchmark::RegisterBenchmark(("adversarial/" + name).c_str(), Compile, text)
            ->Unit(benchmark::kMicrosecond);
    for (std::size_t length : {64, 256, 1024, 4096, 16384, 65536})
        benchmark::RegisterBenchmark(("growth/X-X-.../" + std::to_string(length)).c_str(),
                                     Compile, Repeat("X", "-X", length))
            ->Unit(benchmark::kMicrosecond);

    benchmark::Initialize(&argc, argv);
    MedianCollector collector;
    benchmark::RunSpecifiedBenchmarks(&collector);
    for (const auto& [name, ns] : collector.medians)
        collector.ns[name] = ns;

    std::printf("\n%-20s %10s %10s %10s %10s %10s\n", "formula", "ours ns", "muparser",
                "native", "ours/mu", "ours/native");
    std::vector<double> toMu, toNative;
    for (const Formula& f : Formulas) {
        const std::string n = f.name;
        const auto o = collector.ns.find("eval/ours/" + n);
        const auto m = collector.ns.find("eval/muparser/" + n);
        const auto c = collector.ns.find("eval/native/" + n);
        if (o == collector.ns.end() || m == collector.ns.end() || c == collector.ns.end())
            continue;
        toMu.push_back(o->second / m->second);
        toNative.push_back(o->second / c->second);
        std::printf("%-20s %10.2f %10.2f %10.2f %10.2f %10.2f\n", f.name, o->second, m->second,
                    c->second, toMu.back(), toNative.back());
    }
    if (!toMu.empty()) {
        double logSum = 0;
        for (double r : toMu) logSum += std::log(r);
        std::vector<double> sorted = toNative;
        std::sort(sorted.begin(), sorted.end());
        const std::size_t n = sorted.size();
        const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
        std::printf("geometric mean ours/muparser %.2f, worst %.2f; median ours/native %.2f\n",
                    std::exp(logSum / double(toMu.size())),
                    *std::max_element(toMu.begin(), toMu.end()), median);
    }
    benchmark::Shutdown();
    return 0;
}
