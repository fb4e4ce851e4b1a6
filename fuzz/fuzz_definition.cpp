// Definition lines and typed numbers from any bytes: splitting never loses its parts' order
// and reading a number always gives a finite value.
#include "FuzzCheck.h"

#include "Codec1252.h"
#include "Numbers.h"
#include "SignalDefinition.h"

#include <cmath>

using namespace kurvimat::exchange;
using namespace kurvimat::signals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString line =
        decode1252(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    const DefinitionParts parts = SplitDefinition(line);
    // Every part is taken from the line, so none can be longer than it.
    FUZZ_CHECK(parts.name.size() <= line.size());
    FUZZ_CHECK(parts.unit.size() <= line.size());
    FUZZ_CHECK(parts.formula.size() <= line.size());
    FUZZ_CHECK(parts.minText.size() <= line.size());
    FUZZ_CHECK(parts.maxText.size() <= line.size());
    (void)SignalTitle(parts.name, parts.unit);
    (void)ParserExpression(parts.formula);

    FUZZ_CHECK(std::isfinite(ParseNumber(line)));
    FUZZ_CHECK(std::isfinite(ParseNumber(parts.minText)));
    FUZZ_CHECK(std::isfinite(ParseNumber(parts.maxText)));
    return 0;
}
