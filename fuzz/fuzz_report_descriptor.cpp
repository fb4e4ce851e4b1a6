// Report descriptors as any device may send them: the parser must stay inside the bytes and
// free of undefined behaviour (the sanitizers check that), and give the same answer twice.
#include "FuzzCheck.h"

#include "HidReportDescriptor.h"

#include <vector>

using namespace kurvimat::hid;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // An exact-size copy, so that a read one byte past the end is caught.
    const std::vector<std::uint8_t> bytes(data, data + size);
    const auto first = parseReportDescriptor(bytes.data(), bytes.size());
    const auto second = parseReportDescriptor(bytes.data(), bytes.size());
    FUZZ_CHECK(first.has_value() == second.has_value());
    if (first) {
        FUZZ_CHECK(first->input == second->input && first->output == second->output &&
                   first->feature == second->feature && first->usage == second->usage);
    }
    return 0;
}
