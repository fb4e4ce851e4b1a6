#include "PointFrames.h"

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

} // namespace

QByteArray encodePointFrame(SetKind kind, std::uint32_t set, bool reset, int first,
                            std::span<const float> t, std::span<const float> a,
                            std::span<const float> b, bool hasB) {
    const std::size_t n = std::min({t.size(), a.size(), hasB ? b.size() : t.size()});
    QByteArray bytes(FrameHeaderBytes + qsizetype(n) * 4 * (hasB ? 3 : 2), Qt::Uninitialized);
    char* out = bytes.data();
    out[0] = char(kind);
    out[1] = char((reset ? frame_flags::Reset : 0) | (hasB ? frame_flags::HasB : 0));
    out[2] = out[3] = 0;
    qToLittleEndian<quint32>(set, out + 4);
    qToLittleEndian<quint32>(quint32(first), out + 8);
    qToLittleEndian<quint32>(quint32(n), out + 12);
    out += FrameHeaderBytes;
    putColumn(out, t.first(n));
    putColumn(out, a.first(n));
    if (hasB) putColumn(out, b.first(n));
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
    const int columns = out.hasB ? 3 : 2;
    if (n > 1000000 || bytes.size() != FrameHeaderBytes + qsizetype(n) * 4 * columns) return false;
    p += FrameHeaderBytes;
    for (std::vector<float>* column : {&out.t, &out.a, &out.b}) {
        column->clear();
        if (column == &out.b && !out.hasB) break;
        for (quint32 i = 0; i < n; ++i, p += 4) column->push_back(qFromLittleEndian<float>(p));
    }
    return true;
}

SentPoints::Change SentPoints::update(std::span<const float> t, std::span<const float> a,
                                      std::span<const float> b, bool hasB) {
    const std::size_t n = std::min({t.size(), a.size(), b.size()});
    const std::size_t had = t_.size();
    Change c;
    if (!known_ || hasB != hasB_ || n < had || !sameStart(t_, t, had) || !sameStart(a_, a, had) ||
        (hasB && !sameStart(b_, b, had))) {
        c = {true, true, 0};
    } else if (n > had) {
        c = {true, false, int(had)};
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
    return c;
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
    known_ = false;
}

} // namespace kurvimat::classview
