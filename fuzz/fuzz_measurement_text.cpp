// Measurement texts from files (Windows-1252, UTF-8 or UTF-16) and from the clipboard (any
// text): the reader keeps to the store's capacity, its counts agree, the extremes bound the
// points, a refused text brings none, no point comes from a field that is not a number, the
// points written again (as loaded points are) read back as the same floats, and a file written
// from a text reads back as that text.
#include "FuzzCheck.h"

#include "Codec1252.h"
#include "MeasurementText.h"
#include "TableNumbers.h"

#include <algorithm>
#include <cmath>

using namespace kurvimat::exchange;

namespace {

// Whether a field, as the reader takes it, is a number or a time.
bool numeric(const QString& field) {
    return ReadTableNumber(field) || ReadClockTime(field);
}

void check(const QString& text) {
    const auto read = readMeasurementText(text);
    if (!read) return;
    FUZZ_CHECK(read->count >= 0 && read->count <= MeasurementTextMaxPoints);
    FUZZ_CHECK(read->t.size() == std::size_t(read->count));
    FUZZ_CHECK(read->a.size() == std::size_t(read->count));
    FUZZ_CHECK(read->b.size() == std::size_t(read->count));
    FUZZ_CHECK(read->droppedLines >= 0 && read->cutLines >= 0 && read->skippedLines >= 0);
    FUZZ_CHECK(!read->notText || read->count == 0);
    FUZZ_CHECK(read->further.size() <= std::size_t(kurvimat::signals::MaxQuantityColumns));
    for (const auto& column : read->further) {
        FUZZ_CHECK(column.values.size() == std::size_t(read->count));
        FUZZ_CHECK(column.header.size() <= kurvimat::signals::MaxColumnHeaderLength);
    }
    FUZZ_CHECK(read->skippedLines == 0 || read->firstSkippedLine > 0);
    for (int i = 0; i < read->count; ++i) {
        // NaN compares false everywhere, so it fails these too: a text must not bring one in.
        FUZZ_CHECK(read->t[i] >= read->minT && read->t[i] <= read->maxT);
        FUZZ_CHECK(read->a[i] >= read->minA && read->a[i] <= read->maxA);
        FUZZ_CHECK(read->b[i] >= read->minB && read->b[i] <= read->maxB);
        FUZZ_CHECK(read->hasB || read->b[i] == 0);
    }
    if (read->count == 0) return;
    // Every point line has numeric fields where the points came from: count them.
    int numericLines = 0;
    qsizetype pos = text.startsWith(QChar(0xFEFF)) ? 1 : 0; // a byte order mark
    for (int line = 0; pos < text.size(); ++line) {
        // Split where the reader split: a text may be comma- or semicolon-separated, and a
        // quoted field may run over a line break.
        QStringList f = SplitTableLine(
            nextTableRecord(text, pos).left(MeasurementTextMaxLineLength), read->separator);
        while (f.size() < 3) f << QString();
        if (numeric(f[0]) && ReadTableNumber(f[1]) && (!read->hasB || ReadTableNumber(f[2])))
            ++numericLines;
    }
    FUZZ_CHECK(numericLines >= read->count + read->droppedLines);

    MeasurementTextFormat asRead;
    asRead.asRead = true;
    asRead.hasB = read->hasB;
    const auto again = readMeasurementText(formatMeasurementText(
        read->defA, read->defB, read->t, read->a, read->b, asRead, read->further));
    FUZZ_CHECK(again && !again->notText && again->count == read->count);
    FUZZ_CHECK(again->hasB == read->hasB && again->skippedLines == 0);
    // Clock times come back as the seconds they were read as.
    FUZZ_CHECK(again->t == read->t && again->a == read->a && again->b == read->b);
    // The further columns with their values bit for bit, blanks (NaN) included.
    FUZZ_CHECK(again->further.size() == read->further.size());
    for (std::size_t j = 0; j < read->further.size() && j < again->further.size(); ++j) {
        const auto& x = read->further[j].values;
        const auto& y = again->further[j].values;
        FUZZ_CHECK(x.size() == y.size() &&
                   std::equal(x.begin(), x.end(), y.begin(), [](double u, double v) {
                       return u == v || (std::isnan(u) && std::isnan(v));
                   }));
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString file = decodeText(bytes);
    // A text that is no table (a NUL, a broken encoding) brings nothing.
    if (bytes.contains('\0') && !bytes.startsWith("\xFF\xFE") && !bytes.startsWith("\xFE\xFF")) {
        const auto refused = readMeasurementText(file);
        FUZZ_CHECK(!refused || refused->notText);
    }
    check(file);
    check(decode1252(bytes));
    check(recodeMisreadUtf8(QString::fromUtf8(bytes)));
    FUZZ_CHECK(decodeText(encodeText(file)) == file);
    return 0;
}
