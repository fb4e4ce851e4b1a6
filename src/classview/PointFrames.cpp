#include "PointFrames.h"

#include "QuantityColumn.h"

#include <QtEndian>

#include <algorithm>
#include <cstring>

namespace kurvimat::classview {

namespace {

void putColumn(char*& out, std::span<const float> values) {
    for (float v : values) {
        qToLittleEndian(v, out);
        out += 4;
    }
}

bool sameStart(const std::vector<float>& sent, std::span<const float> now, std::size_t n) {
    // An empty vector's data() may be null, which memcmp must not get even for no bytes.
    return n == 0 || std::memcmp(sent.data(), now.data(), n * sizeof(float)) == 0;
}

// The first of the n values whose bits differ (n when none): a blank (NaN) equals itself.
std::size_t firstDifference(const std::vector<double>& sent, std::span<const double> now,
                            std::size_t n) {
    if (n == 0 || std::memcmp(sent.data(), now.data(), n * sizeof(double)) == 0) return n;
    std::size_t i = 0;
    while (i < n && std::memcmp(&sent[i], &now[i], sizeof(double)) == 0)
        ++i;
    return i;
}

} // namespace

QByteArray encodePointFrame(SetKind kind, std::uint32_t set, bool reset, int first,
                            std::span<const float> t, std::span<const float> a,
                            std::span<const float> b, bool hasB,
                            std::span<const FrameColumn> columns) {
    const std::size_t n = std::min({t.size(), a.size(), hasB ? b.size() : t.size()});
    columns = columns.first(std::min(columns.size(), std::size_t(signals::MaxQuantityColumns)));
    qsizetype columnBytes = columns.empty() ? 0 : 4;
    for (const FrameColumn& c : columns)
        columnBytes += FrameColumnHeaderBytes + qsizetype(c.values.size()) * 4;
    QByteArray bytes(FrameHeaderBytes + qsizetype(n) * 4 * (hasB ? 3 : 2) + columnBytes,
                     Qt::Uninitialized);
    char* out = bytes.data();
    out[0] = char(kind);
    out[1] = char((reset ? frame_flags::Reset : 0) | (hasB ? frame_flags::HasB : 0) |
                  (columns.empty() ? 0 : frame_flags::Columns));
    out[2] = out[3] = 0;
    qToLittleEndian<quint32>(set, out + 4);
    qToLittleEndian<quint32>(quint32(first), out + 8);
    qToLittleEndian<quint32>(quint32(n), out + 12);
    out += FrameHeaderBytes;
    putColumn(out, t.first(n));
    putColumn(out, a.first(n));
    if (hasB) putColumn(out, b.first(n));
    if (columns.empty()) return bytes;
    qToLittleEndian<quint32>(quint32(columns.size()), out);
    out += 4;
    for (const FrameColumn& c : columns) {
        out[0] = char(c.index);
        out[1] = out[2] = out[3] = 0;
        qToLittleEndian<quint32>(quint32(c.first), out + 4);
        qToLittleEndian<quint32>(quint32(c.values.size()), out + 8);
        out += FrameColumnHeaderBytes;
        for (double v : c.values) {
            qToLittleEndian(float(v), out);
            out += 4;
        }
    }
    return bytes;
}

bool decodePointFrame(const QByteArray& bytes, DecodedFrame& out) {
    if (bytes.size() < FrameHeaderBytes) return false;
    const char* p = bytes.constData();
    const auto kind = static_cast<std::uint8_t>(p[0]);
    if (kind < 1 || kind > 3) return false;
    out.kind = SetKind(kind);
    out.reset = (p[1] & frame_flags::Reset) != 0;
    out.hasB = (p[1] & frame_flags::HasB) != 0;
    out.copyOfData = (p[1] & frame_flags::CopyOfData) != 0;
    out.set = qFromLittleEndian<quint32>(p + 4);
    out.first = int(qFromLittleEndian<quint32>(p + 8));
    const quint32 n = qFromLittleEndian<quint32>(p + 12);
    const int channels = out.hasB ? 3 : 2;
    const bool hasColumns = (p[1] & frame_flags::Columns) != 0;
    const qsizetype pointBytes = FrameHeaderBytes + qsizetype(n) * 4 * channels;
    if (n > quint32(MaxFramePoints) ||
        (hasColumns ? bytes.size() < pointBytes + 4 : bytes.size() != pointBytes))
        return false;
    const char* end = bytes.constData() + bytes.size();
    const auto read = [](const char*& from, std::vector<float>& to, quint32 count) {
        to.clear();
        for (quint32 i = 0; i < count; ++i, from += 4)
            to.push_back(qFromLittleEndian<float>(from));
    };
    p += FrameHeaderBytes;
    read(p, out.t, n);
    read(p, out.a, n);
    if (out.hasB)
        read(p, out.b, n);
    else
        out.b.clear();
    out.columns.clear();
    if (!hasColumns) return true;
    const quint32 count = qFromLittleEndian<quint32>(p);
    p += 4;
    if (count > quint32(signals::MaxQuantityColumns)) return false;
    for (quint32 k = 0; k < count; ++k) {
        if (end - p < FrameColumnHeaderBytes) return false;
        DecodedFrame::Column c;
        c.index = static_cast<std::uint8_t>(p[0]);
        const quint32 first = qFromLittleEndian<quint32>(p + 4);
        const quint32 values = qFromLittleEndian<quint32>(p + 8);
        p += FrameColumnHeaderBytes;
        if (c.index >= signals::MaxQuantityColumns || first > quint32(MaxFramePoints) ||
            values > quint32(MaxFramePoints) - first || end - p < qsizetype(values) * 4)
            return false;
        c.first = int(first);
        read(p, c.values, values);
        out.columns.push_back(std::move(c));
    }
    return p == end;
}

SentPoints::Change SentPoints::update(std::span<const float> t, std::span<const float> a,
                                      std::span<const float> b, bool hasB,
                                      std::span<const ColumnSource> columns) {
    const std::size_t n = std::min({t.size(), a.size(), b.size()});
    const std::size_t had = t_.size();
    columns = columns.first(std::min(columns.size(), std::size_t(signals::MaxQuantityColumns)));
    // Other columns drawn (one more shown, another quantity in its place) send the set again.
    const bool sameColumns = std::equal(
        columns.begin(), columns.end(), columns_.begin(), columns_.end(),
        [](const ColumnSource& now, const SentColumn& sent) { return now.index == sent.index; });
    Change c;
    if (!known_ || hasB != hasB_ || n < had || !sameColumns || !sameStart(t_, t, had) ||
        !sameStart(a_, a, had) || (hasB && !sameStart(b_, b, had))) {
        c = {true, true, 0, {}};
    } else if (n > had) {
        c = {true, false, int(had), {}};
    }
    // A set that grew keeps what it held and takes only the new points: the whole sweep is
    // copied on a reset only, not on every tick.
    const std::size_t from = c.reset ? 0 : had;
    if (c.any) {
        t_.resize(from), a_.resize(from), b_.resize(from);
        t_.insert(t_.end(), t.begin() + from, t.begin() + n);
        a_.insert(a_.end(), a.begin() + from, a.begin() + n);
        b_.insert(b_.end(), b.begin() + from, b.begin() + n);
        hasB_ = hasB;
        known_ = true;
    }
    if (c.reset) {
        columns_.resize(columns.size());
        for (std::size_t j = 0; j < columns.size(); ++j)
            columns_[j].index = columns[j].index, columns_[j].values.clear();
    }
    for (std::size_t j = 0; j < columns.size(); ++j) {
        const ColumnSource& now = columns[j];
        std::vector<double>& sent = columns_[j].values;
        const std::span<const double> values =
            now.values.first(std::min({now.settled, now.values.size(), n}));
        const std::size_t changed =
            firstDifference(sent, values, std::min(sent.size(), values.size()));
        if (changed == sent.size() && changed == values.size()) continue;
        sent.resize(changed);
        sent.insert(sent.end(), values.begin() + std::ptrdiff_t(changed), values.end());
        c.columns.push_back(
            {now.index, int(changed), std::span<const double>(sent).subspan(changed)});
    }
    // Only a column changed: a frame of no new points carries it.
    if (!c.any && !c.columns.empty()) c.any = true, c.first = int(n);
    return c;
}

std::vector<FrameColumn> SentPoints::wholeColumns() const {
    std::vector<FrameColumn> whole;
    for (const SentColumn& s : columns_)
        whole.push_back({s.index, 0, s.values});
    return whole;
}

bool SentPoints::beginsWith(std::span<const float> t, std::span<const float> a,
                            std::span<const float> b, bool hasB) const {
    const std::size_t n = t_.size();
    return known_ && hasB == hasB_ && t.size() >= n && a.size() >= n && b.size() >= n &&
           sameStart(t_, t, n) && sameStart(a_, a, n) && (!hasB || sameStart(b_, b, n));
}

void SentPoints::clear() {
    t_.clear();
    a_.clear();
    b_.clear();
    columns_.clear();
    known_ = false;
}

} // namespace kurvimat::classview
