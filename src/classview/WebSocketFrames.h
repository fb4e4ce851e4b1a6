// The server's side of the WebSocket protocol (RFC 6455), as plain functions: the handshake's
// answer, the frames it sends (unmasked, never fragmented) and the frames a page sends, read
// within a bound. Nothing here touches a socket, so every hostile frame is tested on its own.
#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <cstdint>

namespace kurvimat::classview {

enum class WsOpcode : quint8 {
    Continuation = 0x0,
    Text = 0x1,
    Binary = 0x2,
    Close = 0x8,
    Ping = 0x9,
    Pong = 0xA,
};

/// Sec-WebSocket-Accept for a page's Sec-WebSocket-Key.
QByteArray webSocketAccept(QByteArrayView key);

/// Appends one whole frame as a server sends it: FIN set, no mask.
void appendWebSocketFrame(QByteArray& out, WsOpcode opcode, QByteArrayView payload);

/// A close frame with its status code (1000 normal, 1002 protocol error, 1008 policy, 1009 too
/// big).
QByteArray webSocketCloseFrame(quint16 code);

enum class WsFrameStatus { Incomplete, Complete, Bad, TooLarge };

struct WsFrame {
    WsFrameStatus status = WsFrameStatus::Incomplete;
    WsOpcode opcode = WsOpcode::Continuation;
    bool fin = false;
    QByteArray payload;   ///< unmasked
    qsizetype length = 0; ///< bytes of the whole frame, when Complete
};

/// Reads the first frame of the bytes a page sent so far. A frame is Bad when it is not masked
/// (a client must mask every frame), sets a reserved bit (no extension is agreed), has an
/// unknown opcode or a control frame is fragmented or longer than 125 bytes; TooLarge when its
/// payload passes maxPayload, told from its header alone.
WsFrame readWebSocketFrame(QByteArrayView bytes, qint64 maxPayload);

} // namespace kurvimat::classview
