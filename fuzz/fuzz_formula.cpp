// Formula texts anyone can type: compiling must end in a program or a parser error, and every
// evaluation in a value, a floating-point error or an integer division by zero.
#include "FuzzCheck.h"

#include "FormulaParser.h"
#include "SignalDefinition.h"

#include <cmath>
#include <string>

using namespace kurvimat::signals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    TParser parser;
    parser.SetVariable("r", 0);
    parser.SetVariable("U", 0);
    try {
        parser.SetExpression(text);
    } catch (const EMathParserError&) {
        FUZZ_CHECK(parser.Operations().empty());
        return 0;
    }
    // Raw ends, mid-scale and a time far out; the voltages span both calibrations' extremes.
    static const float raws[] = {0.0f, 511.5f, 1023.0f};
    static const float times[] = {0.0f, 1e-3f, 3.6e5f};
    for (const float raw : raws)
        for (const float time : times) {
            try {
                const SampleResult r = EvaluateSample(parser, time, raw, raw / 1023 * 5 - 2.56f,
                                                      -2.56f, 5.0f);
                FUZZ_CHECK(std::isfinite(r.value));
                FUZZ_CHECK(!r.failed || r.value == 0.0f);
            } catch (const EDivByZero&) {
            }
        }
    return 0;
}
