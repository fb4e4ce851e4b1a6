// Measurement texts from files (Windows-1252 or UTF-8) and from the clipboard (any text): the
// reader keeps to the store's capacity, its counts agree, the extremes bound the points, a
// refused text brings none, the points written again read back whole with their times apart,
// and a file written from a text reads back as that text.
#include "FuzzCheck.h"

#include "Codec1252.h"
#include "MeasurementText.h"

#include <algorithm>

namespace {

void check(const QString& text) {
    const auto read = readMeasurementText(text);
    if (!read) return;
    FUZZ_CHECK(read->count >= 0 && read->count <= MeasurementTextMaxPoints);
    FUZZ_CHECK(read->t.size() == std::size_t(read->count));
    FUZZ_CHECK(read->a.size() == std::size_t(read->count));
    FUZZ_CHECK(read->b.size() == std::size_t(read->count));
    FUZZ_CHECK(read->droppedLines >= 0 && read->cutLines >= 0);
    FUZZ_CHECK(!read->withoutNumbers || read->count == 0);
    for (int i = 0; i < read->count; ++i) {
        // NaN compares false everywhere, so it fails these too: a text must not bring one in.
        FUZZ_CHECK(read->t[i] >= read->minT && read->t[i] <= read->maxT);
        FUZZ_CHECK(read->a[i] >= read->minA && read->a[i] <= read->maxA);
        FUZZ_CHECK(read->b[i] >= read->minB && read->b[i] <= read->maxB);
    }
    if (read->count == 0) return;
    const auto again = readMeasurementText(
        formatMeasurementText(read->defA, read->defB, read->t, read->a, read->b));
    FUZZ_CHECK(again && !again->withoutNumbers && again->count == read->count);
    for (int i = 1; i < read->count; ++i)
        FUZZ_CHECK((read->t[i] == read->t[i - 1]) == (again->t[i] == again->t[i - 1]));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    const QString file = decodeText(bytes);
    check(file);
    check(decode1252(bytes));
    check(recodeMisreadUtf8(QString::fromUtf8(bytes)));
    FUZZ_CHECK(decodeText(encodeText(file)) == file);
    return 0;
}
