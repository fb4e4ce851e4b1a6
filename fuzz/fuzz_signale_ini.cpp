// Signale.ini as anyone may have edited it: the line list survives writing and reading back,
// and every line can be split and its formula compiled without harm.
#include "FuzzCheck.h"

#include "Codec1252.h"
#include "FormulaParser.h"
#include "SignalDefinition.h"

using namespace kurvimat::exchange;
using namespace kurvimat::signals;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QStringList lines = readLines1252(bytes);
    FUZZ_CHECK(readLines1252(writeLines1252(lines)) == lines);
    TParser parser;
    parser.SetVariable("r", 0);
    parser.SetVariable("U", 0);
    for (const QString& line : lines) {
        const DefinitionParts parts = SplitDefinition(line);
        try {
            parser.SetExpression(ParserExpression(parts.formula));
        } catch (const EMathParserError&) {
        }
    }
    return 0;
}
