// What goes to the watching pages: points in binary WebSocket frames, only what is new since
// the last tick. A frame is a 16-byte header and the float32 columns, all little-endian:
//   |kind u8|flags u8|0 u16|set u32|first u32|count u32|t[count]|a[count]|b[count] if hasB|
// A page holds each set (the current data, the snapshot, each shown run) as columns and writes
// a frame's points from index `first` on; a frame with Reset first drops what it held.
#pragma once

#include <QByteArray>

#include <cstdint>
#include <span>
#include <vector>

namespace kurvimat::classview {

enum class SetKind : std::uint8_t { Data = 1, Snapshot = 2, Run = 3 };

namespace frame_flags {
inline constexpr std::uint8_t Reset = 1;
inline constexpr std::uint8_t HasB = 2;
/// A snapshot frame: the snapshot starts with the data the page holds (the automatic snapshot
/// at a trigger), so a page copies that and adds only the frame's points.
inline constexpr std::uint8_t CopyOfData = 4;
} // namespace frame_flags

inline constexpr int FrameHeaderBytes = 16;

/// The settings and the readouts go as UTF-8 JSON in binary messages as well (a text message
/// would be converted for each page); a frame's first byte is its kind, JSON's is '{'.
inline bool isJsonMessage(const QByteArray& message) { return message.startsWith('{'); }

QByteArray encodePointFrame(SetKind kind, std::uint32_t set, bool reset, int first,
                            std::span<const float> t, std::span<const float> a,
                            std::span<const float> b, bool hasB);

/// A frame read back (the tests' and benches' client side); nothing when it is malformed.
struct DecodedFrame {
    SetKind kind{};
    std::uint32_t set = 0;
    bool reset = false, hasB = false, copyOfData = false;
    int first = 0;
    std::vector<float> t, a, b;
};
bool decodePointFrame(const QByteArray& bytes, DecodedFrame& out);

/// The copy of one point set the pages hold, to tell what is new. A set that only grew gets
/// its new points; any other change (a new sweep, a definition evaluated again, a load) sends
/// the whole set again.
class SentPoints {
public:
    struct Change {
        bool any = false;
        bool reset = false;
        int first = 0; ///< from this index on
    };
    /// Compares the set with what was sent and takes it as sent.
    Change update(std::span<const float> t, std::span<const float> a, std::span<const float> b,
                  bool hasB);
    int size() const { return int(t_.size()); }
    /// Whether the pages hold these points' beginning (or all of them) as this set.
    bool beginsWith(std::span<const float> t, std::span<const float> a, std::span<const float> b,
               bool hasB) const;
    const std::vector<float>& t() const { return t_; }
    const std::vector<float>& a() const { return a_; }
    const std::vector<float>& b() const { return b_; }
    bool hasB() const { return hasB_; }
    void clear();

private:
    std::vector<float> t_, a_, b_;
    bool hasB_ = true;
    bool known_ = false;
};

} // namespace kurvimat::classview
