// Input reports of any length in any report mode, valid or not, through the decoder and the
// pipeline behind it: values stay in the raw range and the rings stay in bounds.
#include "FuzzCheck.h"

#include "FormulaParser.h"
#include "ReportDecoder.h"
#include "SamplePipeline.h"

#include <memory>

using namespace kurvimat::acquisition;
using namespace kurvimat::signals;

namespace {

struct Pipeline {
    Pipeline() {
        parserA.SetVariable("r", 0);
        parserA.SetVariable("U", 0);
        parserB.SetVariable("r", 0);
        parserB.SetVariable("U", 0);
        parserA.SetExpression("U");
        parserB.SetExpression("D");
        store->IntervalMs = 3;
        controls.mode = TriggerMode::Dauer;
    }
    std::unique_ptr<MeasurementStore> store = std::make_unique<MeasurementStore>();
    TParser parserA, parserB;
    SamplePipeline pipeline{*store, parserA, parserB};
    TriggerSettings controls;
};

} // namespace

// Byte 0: report mode (any value; 2 ... 5 are the instrument's); byte 1: channel B on or off;
// the rest: the data bytes after the report ID.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    const int mode = static_cast<std::int8_t>(data[0]);
    const bool channelBOff = data[1] & 1;
    const std::uint8_t* report = data + 2;
    const int length = static_cast<int>(size - 2);

    SamplePair pairs[MaxPairsPerReport];
    const int n = DecodePairs(mode, report, length, pairs);
    FUZZ_CHECK(n >= 0 && n <= MaxPairsPerReport);
    FUZZ_CHECK(n == 0 || (mode >= 2 && mode <= 5 && length >= 8));
    for (int i = 0; i < n; ++i) {
        FUZZ_CHECK(pairs[i].a >= 0 && pairs[i].a <= 1023);
        FUZZ_CHECK(pairs[i].b >= 0 && pairs[i].b <= 1023);
    }

    static Pipeline p; // kept across inputs, like the store across reports
    p.store->DeviceMode = mode;
    p.store->InputCodeA = 2;
    p.store->InputCodeB = channelBOff ? 2 : 3;
    p.pipeline.DecodeReport(report, length, p.controls);
    FUZZ_CHECK(p.store->RawIndex >= 0 && p.store->RawIndex < RawCapacity);
    return 0;
}
