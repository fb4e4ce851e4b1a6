#include "WebSocketFrames.h"

#include <QCryptographicHash>

namespace kurvimat::classview {

QByteArray webSocketAccept(QByteArrayView key) {
    return QCryptographicHash::hash(key.toByteArray() + "258EAFA5-E914-47DA-95CA-C5AB0DC85B11",
                                    QCryptographicHash::Sha1)
        .toBase64();
}

void appendWebSocketFrame(QByteArray& out, WsOpcode opcode, QByteArrayView payload) {
    const auto n = quint64(payload.size());
    out += char(0x80 | quint8(opcode));
    if (n < 126) {
        out += char(n);
    } else if (n <= 0xffff) {
        out += char(126);
        out += char(n >> 8);
        out += char(n & 0xff);
    } else {
        out += char(127);
        for (int shift = 56; shift >= 0; shift -= 8)
            out += char((n >> shift) & 0xff);
    }
    out += payload;
}

QByteArray webSocketCloseFrame(quint16 code) {
    const char body[2] = {char(code >> 8), char(code & 0xff)};
    QByteArray out;
    appendWebSocketFrame(out, WsOpcode::Close, QByteArrayView(body, 2));
    return out;
}

WsFrame readWebSocketFrame(QByteArrayView bytes, qint64 maxPayload) {
    WsFrame f;
    if (bytes.size() < 2) return f;
    const auto b0 = quint8(bytes[0]), b1 = quint8(bytes[1]);
    const quint8 op = b0 & 0x0f;
    const bool control = op >= 0x8;
    f.fin = b0 & 0x80;
    f.status = WsFrameStatus::Bad;
    if ((b0 & 0x70) || !(b1 & 0x80)) return f;
    if ((op > 0x2 && op < 0x8) || op > 0xA) return f;
    f.opcode = WsOpcode(op);
    quint64 n = b1 & 0x7f;
    qsizetype at = 2;
    if (control && (n > 125 || !f.fin)) return f;
    if (n >= 126) {
        const int width = n == 126 ? 2 : 8;
        if (bytes.size() < at + width) {
            f.status = WsFrameStatus::Incomplete;
            return f;
        }
        n = 0;
        for (int i = 0; i < width; ++i)
            n = n << 8 | quint8(bytes[at + i]);
        at += width;
        if (n >> 63) return f;
    }
    if (n > quint64(maxPayload)) {
        f.status = WsFrameStatus::TooLarge;
        return f;
    }
    if (quint64(bytes.size() - at) < 4 + n) {
        f.status = WsFrameStatus::Incomplete;
        return f;
    }
    const char* mask = bytes.data() + at;
    at += 4;
    f.payload = bytes.sliced(at, qsizetype(n)).toByteArray();
    for (qsizetype i = 0; i < f.payload.size(); ++i)
        f.payload[i] = char(f.payload[i] ^ mask[i % 4]);
    f.length = at + qsizetype(n);
    f.status = WsFrameStatus::Complete;
    return f;
}

} // namespace kurvimat::classview
