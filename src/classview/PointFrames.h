// What goes to the watching pages: points in binary WebSocket frames, only what is new since
// the last tick. A frame is a 16-byte header and the float32 columns, all little-endian:
//   |kind u8|flags u8|0 u16|set u32|first u32|count u32|t[count]|a[count]|b[count] if hasB|
// then, with the flag Columns only, the further columns the window draws of the set:
//   |columns u16|0 u16| and for each |index u8|0 u8|0 u16|first u32|count u32|values[count]|
// A page holds each set (the current data, the snapshot, each shown run) as columns and writes
// a frame's points from index `first` on; a frame with Reset first drops what it held. A further
// column has its own `first`: a calculated column's last values change as points arrive, so its
// values may be sent again from before the new points; after a frame it holds first + count.
// A set without further columns sends no column part, so its frames are as they always were.
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
inline constexpr std::uint8_t Columns = 8;
} // namespace frame_flags

inline constexpr int FrameHeaderBytes = 16;
inline constexpr int FrameColumnHeaderBytes = 12;
/// Points a frame or a column part holds at most (a page refuses more).
inline constexpr int MaxFramePoints = 1000000;

/// The settings and the readouts go as UTF-8 JSON in binary messages as well (a text message
/// would be converted for each page); a frame's first byte is its kind, JSON's is '{'.
inline bool isJsonMessage(const QByteArray& message) { return message.startsWith('{'); }

/// One further column's part of a frame: its index among the set's further columns, and its
/// values from `first` on (sent as float32, as the channels are).
struct FrameColumn {
    std::uint8_t index = 0;
    int first = 0;
    std::span<const double> values;
};

QByteArray encodePointFrame(SetKind kind, std::uint32_t set, bool reset, int first,
                            std::span<const float> t, std::span<const float> a,
                            std::span<const float> b, bool hasB,
                            std::span<const FrameColumn> columns = {});

/// A frame read back (the tests' and benches' client side); nothing when it is malformed.
struct DecodedFrame {
    struct Column {
        int index = 0, first = 0;
        std::vector<float> values;
    };
    SetKind kind{};
    std::uint32_t set = 0;
    bool reset = false, hasB = false, copyOfData = false;
    int first = 0;
    std::vector<float> t, a, b;
    std::vector<Column> columns;
};
bool decodePointFrame(const QByteArray& bytes, DecodedFrame& out);

/// A further column of the set as the session holds it: its index among the set's further
/// columns, its values, and how many of them no later point changes (only these are sent).
struct ColumnSource {
    std::uint8_t index = 0;
    std::span<const double> values;
    std::size_t settled = 0;
};

/// The copy of one point set the pages hold, to tell what is new. A set that only grew gets
/// its new points; any other change (a new sweep, a definition evaluated again, a load, other
/// further columns drawn) sends the whole set again. A further column sends its settled values
/// from the first that differs from what was sent: a value edited, a constant changed or the
/// last values settling send only what changed.
class SentPoints {
public:
    struct Change {
        bool any = false;
        bool reset = false;
        int first = 0;                    ///< from this index on
        std::vector<FrameColumn> columns; ///< the columns' changed parts, in this copy
    };
    /// Compares the set with what was sent and takes it as sent.
    Change update(std::span<const float> t, std::span<const float> a, std::span<const float> b,
                  bool hasB, std::span<const ColumnSource> columns = {});
    /// Every further column as sent, whole: for a page that comes new.
    std::vector<FrameColumn> wholeColumns() const;
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
    struct SentColumn {
        std::uint8_t index = 0;
        std::vector<double> values;
    };
    std::vector<float> t_, a_, b_;
    std::vector<SentColumn> columns_;
    bool hasB_ = true;
    bool known_ = false;
};

} // namespace kurvimat::classview
