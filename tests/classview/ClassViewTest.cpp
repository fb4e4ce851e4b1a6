// The class view: request heads and routes of every hostile form, the point frames, and a live
// server on loopback that must answer each attack as the table says and leave the session as
// it was, drop a page that never reads, and send every page exactly the stored points.
#include "ClassViewServer.h"
#include "../SanitizedHeap.h"
#include "HttpRequest.h"
#include "PointFrames.h"
#include "QrCode.h"
#include "Session.h"
#include "WebSocketFrames.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QTcpSocket>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <functional>
#include <map>

using namespace kurvimat::classview;
using kurvimat::session::Session;

namespace {

const QString Code = QStringLiteral("0123456789abcdef0123456789abcdef");

// A hang detector, not a timing: generous bounds on loopback.
bool waitFor(const std::function<bool()>& done, int ms = 5000) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

QByteArray head(const char* requestLine, const char* headers = "Host: h\r\n") {
    return QByteArray(requestLine) + "\r\n" + headers + "\r\n";
}

QByteArray upgradeHeaders(const QByteArray& origin = {}) {
    QByteArray h = "Host: 127.0.0.1:9\r\nUpgrade: websocket\r\nConnection: keep-alive, Upgrade\r\n"
                   "Sec-WebSocket-Version: 13\r\nSec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\n";
    if (!origin.isEmpty()) h += "Origin: " + origin + "\r\n";
    return h;
}

} // namespace

TEST(ClassViewHttp, HeadsAreReadWithinTheirLimits) {
    Limits limits;
    limits.maxHeadBytes = 256;
    limits.maxHeaderLines = 4;
    const QByteArray many = "GET / HTTP/1.1\r\n" + QByteArray("A: b\r\n").repeated(6);
    struct Row {
        const char* name;
        QByteArray bytes;
        HeadStatus status;
    } rows[] = {
        {"complete", head("GET /x/ HTTP/1.1"), HeadStatus::Complete},
        {"HTTP/1.0 needs no Host", head("GET / HTTP/1.0", ""), HeadStatus::Complete},
        {"not yet complete", "GET / HTTP/1.1\r\nHost: h\r\n", HeadStatus::Incomplete},
        {"HTTP/1.1 without Host", head("GET / HTTP/1.1", "X: y\r\n"), HeadStatus::Bad},
        {"oversized header",
         head("GET / HTTP/1.1", "Host: h\r\nX: " + QByteArray(300, 'a') + "\r\n"),
         HeadStatus::TooLarge},
        {"oversized before its end", "GET / HTTP/1.1\r\nX: " + QByteArray(300, 'a'),
         HeadStatus::TooLarge},
        {"too many header lines, unfinished", many, HeadStatus::TooLarge},
        {"bare LF", "GET / HTTP/1.1\nHost: h\n\r\n\r\n", HeadStatus::Bad},
        {"ending in bare LF", "GET / HTTP/1.1\nHost: h\n\n", HeadStatus::Bad},
        {"bare LF, unfinished", "GET / HTTP/1.1\nHost", HeadStatus::Bad},
        {"folded header", head("GET / HTTP/1.1", "Host: h\r\n x\r\n"), HeadStatus::Bad},
        {"space before colon", head("GET / HTTP/1.1", "Host : h\r\n"), HeadStatus::Bad},
        {"control byte in value", head("GET / HTTP/1.1", "Host: h\x01\r\n"), HeadStatus::Bad},
        {"byte beyond ASCII in target", head("GET /\xc3\xa4 HTTP/1.1"), HeadStatus::Bad},
        {"announced body", head("GET / HTTP/1.1", "Host: h\r\nContent-Length: 5\r\n"),
         HeadStatus::Bad},
        {"chunked body", head("GET / HTTP/1.1", "Host: h\r\nTransfer-Encoding: chunked\r\n"),
         HeadStatus::Bad},
        {"other version", head("GET / HTTP/2.0"), HeadStatus::Bad},
        {"extra field in request line", head("GET / x HTTP/1.1"), HeadStatus::Bad},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ParsedHead parsed = parseRequestHead(row.bytes, limits);
        EXPECT_EQ(int(parsed.status), int(row.status));
        if (row.status == HeadStatus::Complete) {
            EXPECT_EQ(parsed.length, row.bytes.size());
        }
    }
}

TEST(ClassViewHttp, OnlyTheFixedTargetsBehindTheCodeExist) {
    const QByteArray c = Code.toLatin1();
    struct Row {
        const char* name;
        QByteArray method, target, headers;
        Route route;
        qint64 runId = 0;
    } rows[] = {
        {"no code", "GET", "/", "", Route::Forbidden},
        {"wrong code", "GET", "/0123456789abcdef0123456789abcdee/", "", Route::Forbidden},
        {"code without slash", "GET", "/" + c, "", Route::Redirect},
        {"POST to the code without slash", "POST", "/" + c, "", Route::Forbidden},
        {"code without slash, with a query", "GET", "/" + c + "?x", "", Route::Forbidden},
        {"cut code without slash", "GET", "/" + c.left(31), "", Route::Forbidden},
        {"code cut short", "GET", "/" + c.left(31) + "/", "", Route::Forbidden},
        {"POST without code", "POST", "/x", "", Route::Forbidden},
        {"POST with code", "POST", "/" + c + "/", "", Route::MethodNotAllowed},
        {"HEAD with code", "HEAD", "/" + c + "/", "", Route::MethodNotAllowed},
        {"page", "GET", "/" + c + "/", "", Route::Page},
        {"script", "GET", "/" + c + "/app.js", "", Route::Script},
        {"style", "GET", "/" + c + "/style.css", "", Route::Style},
        {"data", "GET", "/" + c + "/daten.txt", "", Route::DataText},
        {"run", "GET", "/" + c + "/messreihe-12.txt", "", Route::RunText, 12},
        {"run as CSV", "GET", "/" + c + "/messreihe-12.csv", "", Route::RunText, 12},
        {"data as CSV", "GET", "/" + c + "/daten.csv", "", Route::DataText},
        {"another ending", "GET", "/" + c + "/daten.xls", "", Route::NotFound},
        {"run id with a leading zero", "GET", "/" + c + "/messreihe-012.txt", "", Route::NotFound},
        {"run id not a number", "GET", "/" + c + "/messreihe-1a.txt", "", Route::NotFound},
        {"dot dot", "GET", "/" + c + "/../etc/passwd", "", Route::NotFound},
        {"encoded dot dot", "GET", "/" + c + "/%2e%2e/%2e%2e/etc/passwd", "", Route::NotFound},
        {"encoded slash", "GET", "/" + c + "%2fapp.js", "", Route::Forbidden},
        {"dot dot to the code", "GET", "/x/../" + c + "/", "", Route::Forbidden},
        {"query", "GET", "/" + c + "/app.js?x", "", Route::NotFound},
        {"absolute form", "GET", "http://h/" + c + "/", "", Route::Forbidden},
        {"file by name", "GET", "/" + c + "/index.html", "", Route::NotFound},
        {"upgrade", "GET", "/" + c + "/ws", upgradeHeaders(), Route::WebSocket},
        {"upgrade from its page", "GET", "/" + c + "/ws", upgradeHeaders("http://127.0.0.1:9"),
         Route::WebSocket},
        {"upgrade from another site", "GET", "/" + c + "/ws", upgradeHeaders("http://evil.example"),
         Route::Forbidden},
        {"ws without upgrade", "GET", "/" + c + "/ws", "", Route::BadRequest},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const ParsedHead parsed = parseRequestHead(
            row.method + ' ' + row.target + " HTTP/1.1\r\nHost: 127.0.0.1:9\r\n" +
                QByteArray(row.headers).replace("Host: 127.0.0.1:9\r\n", "") + "\r\n",
            Limits{});
        ASSERT_EQ(int(parsed.status), int(HeadStatus::Complete));
        const RouteResult r = routeRequest(parsed.head, Code);
        EXPECT_EQ(int(r.route), int(row.route));
        EXPECT_EQ(r.runId, row.runId);
    }
    EXPECT_EQ(int(routeRequest(parseRequestHead(head("GET /x/ HTTP/1.1"), {}).head, {}).route),
              int(Route::Forbidden))
        << "no freigabe, no code";
}

TEST(ClassViewHttp, AccessCodesAreLongAndNew) {
    const QString a = newAccessCode(), b = newAccessCode();
    EXPECT_EQ(a.size(), 32); // 128 bits
    EXPECT_NE(a, b);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(a).hasMatch());
    EXPECT_TRUE(prefersEnglish("en-GB,de;q=0.5"));
    EXPECT_FALSE(prefersEnglish("de-DE,en;q=0.5"));
    EXPECT_FALSE(prefersEnglish("eng"));
}

TEST(ClassViewHttp, APageFramesAreReadWithinTheirBounds) {
    // A client's frame: FIN and opcode, the mask bit with the length, the key, the masked bytes.
    const auto frame = [](quint8 b0, QByteArray payload, bool masked = true, int lengthBytes = 0) {
        QByteArray f(1, char(b0));
        const char key[4] = {0x12, 0x34, 0x56, 0x78};
        const char m = masked ? char(0x80) : char(0);
        if (lengthBytes == 0) {
            f += char(m | char(payload.size()));
        } else {
            f += char(m | (lengthBytes == 2 ? 126 : 127));
            for (int i = lengthBytes - 1; i >= 0; --i)
                f += char((quint64(payload.size()) >> (8 * i)) & 0xff);
        }
        if (masked) {
            f += QByteArray(key, 4);
            for (qsizetype i = 0; i < payload.size(); ++i)
                payload[i] = char(payload[i] ^ key[i % 4]);
        }
        return f + payload;
    };
    struct Row {
        const char* name;
        QByteArray bytes;
        WsFrameStatus status;
        WsOpcode opcode = WsOpcode::Continuation;
        QByteArray payload = {};
    } rows[] = {
        {"binary", frame(0x82, "hallo"), WsFrameStatus::Complete, WsOpcode::Binary, "hallo"},
        {"ping", frame(0x89, "p"), WsFrameStatus::Complete, WsOpcode::Ping, "p"},
        {"close", frame(0x88, "\x03\xe8"), WsFrameStatus::Complete, WsOpcode::Close, "\x03\xe8"},
        {"16-bit length", frame(0x82, QByteArray(300, 'x'), true, 2), WsFrameStatus::Complete,
         WsOpcode::Binary, QByteArray(300, 'x')},
        {"followed by another", frame(0x81, "a") + frame(0x82, "b"), WsFrameStatus::Complete,
         WsOpcode::Text, "a"},
        {"one byte", "\x82", WsFrameStatus::Incomplete},
        {"payload not all there", frame(0x82, "hallo").chopped(2), WsFrameStatus::Incomplete},
        {"16-bit length cut", frame(0x82, QByteArray(300, 'x'), true, 2).left(3),
         WsFrameStatus::Incomplete},
        {"unmasked", frame(0x82, "hallo", false), WsFrameStatus::Bad},
        {"unmasked, empty", frame(0x82, "", false), WsFrameStatus::Bad},
        {"reserved bit", frame(0xC2, "x"), WsFrameStatus::Bad},
        {"unknown opcode", frame(0x83, "x"), WsFrameStatus::Bad},
        {"fragmented ping", frame(0x09, "x"), WsFrameStatus::Bad},
        {"long ping", frame(0x89, QByteArray(126, 'x'), true, 2), WsFrameStatus::Bad},
        {"too large, told by its header", frame(0x82, QByteArray(2000, 'x'), true, 2).left(4),
         WsFrameStatus::TooLarge},
        {"64-bit length", frame(0x82, QByteArray(70000, 'x'), true, 8).left(10),
         WsFrameStatus::TooLarge},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const WsFrame f = readWebSocketFrame(row.bytes, 1024);
        EXPECT_EQ(int(f.status), int(row.status));
        if (row.status != WsFrameStatus::Complete) continue;
        EXPECT_EQ(int(f.opcode), int(row.opcode));
        EXPECT_EQ(f.payload, row.payload);
        EXPECT_EQ(f.length,
                  frame(quint8(row.bytes[0]), row.payload, true, row.payload.size() > 125 ? 2 : 0)
                      .size());
    }
    // The example of RFC 6455, section 1.3.
    EXPECT_EQ(webSocketAccept("dGhlIHNhbXBsZSBub25jZQ=="), "s3pPLMBiTxaQ9kYGzzhZRbK+xOo=");
}

TEST(ClassViewFrames, OnlyWhatIsNewGoesOut) {
    const std::vector<float> t{0, 1, 2, 3}, a{5, 6, 7, 8}, b{9, 10, 11, 12}, a2{5, 6, 0, 8};
    const auto first = [](const std::vector<float>& v, int n) {
        return std::span<const float>(v).first(std::size_t(n));
    };
    struct Step {
        const char* name;
        const std::vector<float>* a;
        int n;
        bool hasB;
        bool any, reset;
        int from;
    } steps[] = {
        {"first look sends all", &a, 2, true, true, true, 0},
        {"unchanged sends nothing", &a, 2, true, false, false, 0},
        {"grown sends the new points", &a, 4, true, true, false, 2},
        {"a changed old point sends all", &a2, 4, true, true, true, 0},
        {"fewer points send all", &a2, 1, true, true, true, 0},
        {"B gone sends all", &a2, 1, false, true, true, 0},
        {"grown without B", &a2, 3, false, true, false, 1},
    };
    SentPoints sent;
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        const SentPoints::Change c = sent.update(first(t, s.n), first(*s.a, s.n), first(b, s.n), s.hasB);
        EXPECT_EQ(c.any, s.any);
        EXPECT_EQ(c.reset, s.reset);
        EXPECT_EQ(c.first, s.from);
        EXPECT_EQ(sent.size(), s.n);
    }
    for (bool hasB : {true, false}) {
        DecodedFrame d;
        ASSERT_TRUE(decodePointFrame(encodePointFrame(SetKind::Run, 7, false, 3, t, a, b, hasB), d));
        EXPECT_EQ(d.kind, SetKind::Run);
        EXPECT_EQ(d.set, 7u);
        EXPECT_EQ(d.first, 3);
        EXPECT_EQ(d.hasB, hasB);
        EXPECT_EQ(d.t, t);
        EXPECT_EQ(d.a, a);
        EXPECT_EQ(d.b, hasB ? b : std::vector<float>{});
        QByteArray cut = encodePointFrame(SetKind::Data, 0, true, 0, t, a, b, hasB);
        cut.chop(1);
        EXPECT_FALSE(decodePointFrame(cut, d));
    }
    // A further column sends its settled values from the first that differs from what was sent.
    const std::vector<double> p{1, 2, 3, 4}, p2{1, 9, 3.5, 4}, none;
    struct ColumnStep {
        const char* name;
        int n;
        const std::vector<double>* values;
        std::size_t settled;
        std::uint8_t index;
        bool any, reset;
        int from, count; // the column's part; count -1: none
    } columnSteps[] = {
        {"first look: the settled values", 3, &p, 2, 0, true, true, 0, 2},
        {"nothing settled since sends nothing", 3, &p, 2, 0, false, false, 0, -1},
        {"grown: the values settled since", 4, &p, 4, 0, true, false, 2, 2},
        {"changed values go from the first", 4, &p2, 4, 0, true, false, 1, 3},
        {"fewer settled cut the column", 4, &p2, 3, 0, true, false, 3, 0},
        {"another column drawn sends all", 4, &p2, 4, 5, true, true, 0, 4},
        {"a column gone sends all", 4, &none, 0, 5, true, true, 0, -1},
    };
    SentPoints withColumns;
    for (const ColumnStep& s : columnSteps) {
        SCOPED_TRACE(s.name);
        std::vector<ColumnSource> columns;
        if (!s.values->empty()) columns.push_back({s.index, *s.values, s.settled});
        const SentPoints::Change c =
            withColumns.update(first(t, s.n), first(a, s.n), first(b, s.n), true, columns);
        EXPECT_EQ(c.any, s.any);
        EXPECT_EQ(c.reset, s.reset);
        ASSERT_EQ(c.columns.size(), s.count < 0 ? 0u : 1u);
        if (s.count < 0) continue;
        EXPECT_EQ(c.columns[0].index, s.index);
        EXPECT_EQ(c.columns[0].first, s.from);
        EXPECT_TRUE(std::ranges::equal(
            c.columns[0].values,
            std::span(*s.values).subspan(std::size_t(s.from), std::size_t(s.count))));
        // The frame carries the part after the points; cut short or with a column index beyond
        // a set's columns it is refused.
        QByteArray bytes =
            encodePointFrame(SetKind::Data, 0, c.reset, c.first, {}, {}, {}, true, c.columns);
        DecodedFrame d;
        ASSERT_TRUE(decodePointFrame(bytes, d));
        ASSERT_EQ(d.columns.size(), 1u);
        EXPECT_EQ(d.columns[0].index, s.index);
        EXPECT_EQ(d.columns[0].first, s.from);
        EXPECT_TRUE(
            std::ranges::equal(d.columns[0].values, c.columns[0].values, std::equal_to<double>()));
        bytes[FrameHeaderBytes + 4] = char(64);
        EXPECT_FALSE(decodePointFrame(bytes, d));
        bytes[FrameHeaderBytes + 4] = char(s.index);
        bytes.chop(1);
        EXPECT_FALSE(decodePointFrame(bytes, d));
    }
}

TEST(ClassViewFrames, TheQrCodeHoldsTheAddress) {
    const QrModules qr = encodeQr(QStringLiteral("http://192.168.178.20:8642/") + Code + '/');
    ASSERT_GE(qr.size, 25); // version 2 or more for 60 bytes
    // The three finder patterns: a dark 7x7 ring at three corners.
    for (auto [x0, y0] : {std::pair{0, 0}, {qr.size - 7, 0}, {0, qr.size - 7}}) {
        for (int i = 0; i < 7; ++i) {
            EXPECT_TRUE(qr.at(x0 + i, y0) && qr.at(x0, y0 + i) && qr.at(x0 + 6, y0 + i));
        }
        EXPECT_FALSE(qr.at(x0 + 1, y0 + 1));
        EXPECT_TRUE(qr.at(x0 + 3, y0 + 3));
    }
}

// --- a live server on loopback ---

class ClassViewServerTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static int argc = 1;
        static char name[] = "classview_tests";
        static char* argv[] = {name, nullptr};
        if (!QCoreApplication::instance()) new QCoreApplication(argc, argv);
    }

    void SetUp() override {
        auto& d = session_.store().Data;
        for (int i = 0; i < 500; ++i) {
            d.T[i] = 0.002f * float(i);
            d.A[i] = float(i % 37) * 0.25f;
            d.B[i] = -float(i);
        }
        d.Count = 500;
        d.DefA = QStringLiteral("U[V]:=UA");
        limits_.maxClients = 3;
        limits_.maxPendingBytes = 256 * 1024;
        limits_.maxHeadBytes = 1024;
        limits_.headTimeoutMs = 1500;
        server_ = std::make_unique<ClassViewServer>(session_, limits_);
        ASSERT_TRUE(server_->start(QHostAddress::LocalHost, 0));
    }

    // A connection from that loopback address (Linux routes all of 127/8 to lo), as another
    // device of the class would come.
    std::unique_ptr<QTcpSocket> connectFrom(const char* from = "127.0.0.1") {
        auto socket = std::make_unique<QTcpSocket>();
        EXPECT_TRUE(socket->bind(QHostAddress(QString::fromLatin1(from)), 0)) << from;
        socket->connectToHost(QHostAddress::LocalHost, server_->port());
        EXPECT_TRUE(waitFor([&] { return socket->state() == QAbstractSocket::ConnectedState; }));
        return socket;
    }

    // Sends raw bytes, returns all that comes back until the server closes.
    QByteArray exchange(const QByteArray& request, const char* from = "127.0.0.1") {
        const auto socket = connectFrom(from);
        socket->write(request);
        QByteArray reply;
        EXPECT_TRUE(waitFor([&] {
            reply += socket->readAll();
            return socket->state() == QAbstractSocket::UnconnectedState;
        })) << "the server did not close";
        return reply + socket->readAll();
    }

    QByteArray path(const char* rest) const {
        return '/' + server_->accessCode().toLatin1() + '/' + rest;
    }

    // A page: its frames, and the last settings and readouts (JSON) it got.
    std::unique_ptr<QWebSocket> watch(std::vector<DecodedFrame>* frames = nullptr,
                                      QByteArray* meta = nullptr, QByteArray* live = nullptr) {
        auto ws = std::make_unique<QWebSocket>();
        QObject::connect(ws.get(), &QWebSocket::binaryMessageReceived, [=](const QByteArray& m) {
            DecodedFrame f;
            if (isJsonMessage(m)) {
                QByteArray* to = m.startsWith("{\"type\":\"live\"") ? live : meta;
                if (to) *to = m;
            } else if (frames && decodePointFrame(m, f)) {
                frames->push_back(f);
            }
        });
        ws->open(QUrl(QStringLiteral("ws://127.0.0.1:%1").arg(server_->port()) + path("ws")));
        return ws;
    }

    Session session_;
    Limits limits_;
    std::unique_ptr<ClassViewServer> server_;
};

TEST_F(ClassViewServerTest, EveryAttackGetsWhatTheTableSaysAndChangesNothing) {
    const auto before = session_.dataPoints();
    const auto settingsBefore = session_.experiment().settings;
    const QByteArray host = "Host: 127.0.0.1\r\n";
    const QByteArray english = host + "Accept-Language: en-US,en;q=0.9\r\n";
    const QByteArray code = server_->accessCode().toLatin1();
    struct Row {
        const char* name;
        QByteArray request;
        QByteArray status;
        QByteArray body;        // a part of the body; none: the body is empty
        QByteArray header = {}; // a header it must have (lower-case)
    } rows[] = {
        {"no code", head("GET / HTTP/1.1", host), "HTTP/1.1 403", "nicht (mehr) freigegeben",
         "content-type: text/html; charset=utf-8"},
        {"no code, in English", head("GET / HTTP/1.1", english), "HTTP/1.1 403", "is not shared"},
        {"wrong code", head("GET /0123456789abcdef0123456789abcdef/ HTTP/1.1", host),
         "HTTP/1.1 403", "nicht (mehr) freigegeben"},
        {"POST without code", head("POST /x HTTP/1.1", host + "Content-Length: 0\r\n"),
         "HTTP/1.1 403", "nicht (mehr) freigegeben"},
        {"POST with code", head("POST " + path("") + " HTTP/1.1", host), "HTTP/1.1 405",
         "nur ansehen"},
        {"POST with a body",
         "POST " + path("") + " HTTP/1.1\r\n" + host + "Content-Length: 4\r\n\r\nA=1&",
         "HTTP/1.1 400", ""},
        {"dot dot", head("GET " + path("../../etc/passwd") + " HTTP/1.1", host), "HTTP/1.1 404",
         "gibt es in der Klassenansicht nicht"},
        {"dot dot, in English", head("GET " + path("../../etc/passwd") + " HTTP/1.1", english),
         "HTTP/1.1 404", "There is no such page"},
        {"encoded dot dot", head("GET " + path("%2e%2e%2fapp.js") + " HTTP/1.1", host),
         "HTTP/1.1 404", "<html lang=\"de\">"},
        {"oversized header",
         head("GET " + path("") + " HTTP/1.1", host + "X: " + QByteArray(2000, 'a') + "\r\n"),
         "HTTP/1.1 431", ""},
        {"garbage", QByteArray("\x16\x03\x01\x02\x00\x01\x00\x01\xfc\r\n\r\n", 13), "HTTP/1.1 400",
         ""},
        {"ending in bare LF", "GET " + path("") + " HTTP/1.1\nHost: 127.0.0.1\n\n", "HTTP/1.1 400",
         ""},
        {"the code without its slash", head("GET /" + code + " HTTP/1.1", host), "HTTP/1.1 301", "",
         "location: /" + code + "/\r\n"},
        {"the page", head("GET " + path("") + " HTTP/1.1", host), "HTTP/1.1 200", "<script"},
        {"the data", head("GET " + path("daten.txt") + " HTTP/1.1", host), "HTTP/1.1 200",
         "Zeit in s", "content-type: text/plain; charset=windows-1252"},
        {"the data as CSV", head("GET " + path("daten.csv") + " HTTP/1.1", host), "HTTP/1.1 200",
         "Zeit in s", "content-type: text/csv; charset=utf-8"},
        {"a run that is not there", head("GET " + path("messreihe-3.txt") + " HTTP/1.1", host),
         "HTTP/1.1 404", "gibt es in der Klassenansicht nicht"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const QByteArray reply = exchange(row.request);
        EXPECT_TRUE(reply.startsWith(row.status)) << reply.left(200).constData();
        const qsizetype bodyAt = reply.indexOf("\r\n\r\n");
        ASSERT_GT(bodyAt, 0);
        const QByteArray body = reply.mid(bodyAt + 4);
        if (row.body.isEmpty()) {
            EXPECT_TRUE(body.isEmpty()) << body.left(200).constData();
        } else {
            EXPECT_TRUE(body.contains(row.body)) << body.left(300).constData();
        }
        if (body.startsWith("<!DOCTYPE html><html lang")) {
            EXPECT_EQ(body.count('\n'), 0) << "one line";
        }
        const QByteArray headers = reply.left(bodyAt + 2).toLower();
        EXPECT_TRUE(headers.contains(row.header)) << headers.constData();
        EXPECT_FALSE(headers.contains("set-cookie"));
        EXPECT_TRUE(headers.contains("content-security-policy: default-src 'none'"));
        EXPECT_TRUE(headers.contains("connection: close"));
        EXPECT_EQ(session_.dataPoints(), before);
        EXPECT_EQ(session_.experiment().settings, settingsBefore);
    }
    // The page's policy lets it load only its own script and style and speak only to its server.
    const QByteArray page = exchange(head("GET " + path("") + " HTTP/1.1", host));
    EXPECT_TRUE(page.contains("script-src 'self'"));
    EXPECT_TRUE(
        page.contains("connect-src 'self' ws://127.0.0.1:" + QByteArray::number(server_->port())));
    EXPECT_FALSE(page.contains("http://") || page.contains("https://")) << "nothing loaded from outside";
    // The download is the measurement text of the stored points.
    const QByteArray data = exchange(head("GET " + path("daten.txt") + " HTTP/1.1", host));
    EXPECT_TRUE(data.contains("\r\n\r\nZeit in s\tU[V]:=UA\t"));
    EXPECT_EQ(data.mid(data.indexOf("\r\n\r\n") + 4).count("\r\n"), 1 + 500) << "header and points";
    // The CSV is the spreadsheet's, its decimal mark the browser's language's, read back alike.
    for (const char* language : {"de-DE,de", "en-GB,en"}) {
        const QByteArray headers = host + "Accept-Language: " + language + "\r\n";
        const QByteArray csv = exchange(head("GET " + path("daten.csv") + " HTTP/1.1", headers));
        const QByteArray body = csv.mid(csv.indexOf("\r\n\r\n") + 4);
        ASSERT_TRUE(body.startsWith("\xEF\xBB\xBF")) << language;
        const auto read = kurvimat::exchange::readMeasurementText(QString::fromUtf8(body));
        ASSERT_TRUE(read.has_value()) << language;
        EXPECT_EQ(read->t.size(), 500u) << language;
    }
}

TEST_F(ClassViewServerTest, ASlowSenderIsLetGoAndAStoppedFreigabeAnswersNothing) {
    QTcpSocket slow;
    slow.connectToHost(QHostAddress::LocalHost, server_->port());
    ASSERT_TRUE(waitFor([&] { return slow.state() == QAbstractSocket::ConnectedState; }));
    slow.write("GET / HTTP/1.1\r\nHost: x\r\n"); // and never the blank line
    EXPECT_TRUE(waitFor([&] { return slow.state() == QAbstractSocket::UnconnectedState; }, 10000));
    const QString oldCode = server_->accessCode();
    const quint16 port = server_->port();
    server_->stop();
    EXPECT_FALSE(server_->running());
    QTcpSocket late;
    late.connectToHost(QHostAddress::LocalHost, port);
    EXPECT_FALSE(late.waitForConnected(2000) && late.waitForReadyRead(500));
    ASSERT_TRUE(server_->start(QHostAddress::LocalHost, 0));
    EXPECT_NE(server_->accessCode(), oldCode) << "each freigabe has a new code";
}

TEST_F(ClassViewServerTest, TheClassIsFullAfterItsLimitAndAPageThatNeverReadsIsDropped) {
    std::vector<std::unique_ptr<QWebSocket>> watchers;
    for (int i = 0; i < limits_.maxClients; ++i)
        watchers.push_back(watch());
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == limits_.maxClients; }));
    const QByteArray full = exchange(head("GET " + path("") + " HTTP/1.1", "Host: h\r\nAccept-Language: de\r\n"));
    EXPECT_TRUE(full.startsWith("HTTP/1.1 503"));
    EXPECT_TRUE(full.contains("Die Klasse ist voll"));
    auto extra = watch();
    EXPECT_TRUE(waitFor([&] { return extra->state() == QAbstractSocket::UnconnectedState; }));
    EXPECT_EQ(server_->watchers(), limits_.maxClients);
    watchers.clear();
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == 0; }));

    // A page that takes nothing: its socket reads no more than a few bytes, so the server's
    // backlog for it grows until the bound lets it go; the reading one stays.
    std::vector<DecodedFrame> frames;
    auto reader = watch(&frames);
    QTcpSocket stalled;
    stalled.connectToHost(QHostAddress::LocalHost, server_->port());
    ASSERT_TRUE(waitFor([&] { return stalled.state() == QAbstractSocket::ConnectedState; }));
    stalled.write(head(("GET " + path("ws") + " HTTP/1.1").constData(),
                       upgradeHeaders().constData()));
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == 2; }));
    stalled.setReadBufferSize(16);
    auto& d = session_.store().Data;
    const auto before = session_.dataPoints();
    d.Count = kurvimat::acquisition::PointCapacity;
    bool dropped = false;
    for (int round = 0; round < 2000 && !dropped; ++round) {
        const std::size_t seen = frames.size();
        d.A[0] = float(round + 1); // a changed old point: the whole set goes out again
        server_->tick();
        EXPECT_LE(server_->pendingBytes(), 2 * limits_.maxPendingBytes);
        // The reading page takes each round's set before the next, however slow this build
        // runs, so that only the stalled one can fall behind.
        ASSERT_TRUE(waitFor([&] { return frames.size() > seen || server_->watchers() < 2; }, 5000));
        dropped = server_->watchers() == 1;
    }
    EXPECT_TRUE(dropped) << "the stalled page was never dropped";
    EXPECT_EQ(reader->state(), QAbstractSocket::ConnectedState) << "the reading page stays";
    EXPECT_NE(session_.dataPoints(), before); // the test's own change, not the server's
}

TEST_F(ClassViewServerTest, APageComingAfterTicksWithoutPagesGetsTheSessionAsItIs) {
    auto& store = session_.store();
    struct Step {
        const char* name;
        std::function<void()> change;
        QByteArray inMeta;
    } steps[] = {
        {"a name", [&] { store.NameA = QStringLiteral("Weg"); }, "\"Weg\""},
        {"the interval", [&] { store.IntervalMs = 7; }, "\"intervalMs\":7"},
        {"the points", [&] { store.Data.Count = 123; }, "\"Weg\""},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.change();
        server_->tick(); // no page watches
        std::vector<DecodedFrame> frames;
        QByteArray meta;
        auto ws = watch(&frames, &meta);
        ASSERT_TRUE(waitFor([&] {
            return meta.contains(step.inMeta) && !frames.empty() &&
                   frames.front().t.size() == std::size_t(store.Data.Count);
        })) << meta.constData();
        EXPECT_TRUE(std::equal(frames.front().a.begin(), frames.front().a.end(), store.Data.A));
        // And a change while it watches goes out on the next tick.
        store.UnitA = QStringLiteral("mm") + QString::number(store.Data.Count);
        server_->tick();
        EXPECT_TRUE(waitFor(
            [&] { return meta.contains("\"mm" + QByteArray::number(store.Data.Count) + '"'); }));
        ws.reset();
        ASSERT_TRUE(waitFor([&] { return server_->watchers() == 0; }));
    }
}

TEST_F(ClassViewServerTest, APageHoldsExactlyTheStoredPointsAsTheyGrowAndChange) {
    std::vector<DecodedFrame> frames;
    QByteArray meta, live;
    auto ws = watch(&frames, &meta, &live);
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == 1; }));
    auto& d = session_.store().Data;
    std::vector<float> t, a, b, snapA;
    int copies = 0;
    const auto apply = [&] {
        for (const DecodedFrame& f : frames) {
            if (f.kind == SetKind::Snapshot && f.copyOfData) snapA = a, ++copies;
            if (f.kind == SetKind::Snapshot) {
                ASSERT_EQ(std::size_t(f.first), f.reset ? 0 : snapA.size());
                if (f.reset) snapA.clear();
                snapA.insert(snapA.end(), f.a.begin(), f.a.end());
            }
            if (f.kind != SetKind::Data) continue;
            if (f.reset) t.clear(), a.clear(), b.clear();
            ASSERT_EQ(std::size_t(f.first), t.size());
            t.insert(t.end(), f.t.begin(), f.t.end());
            a.insert(a.end(), f.a.begin(), f.a.end());
            b.insert(b.end(), f.b.begin(), f.b.end());
        }
        frames.clear();
    };
    struct Step {
        const char* name;
        std::function<void()> change;
    } steps[] = {
        {"as it was", [] {}},
        {"the sweep grows",
         [&] {
             for (int i = 500; i < 800; ++i)
                 d.T[i] = 0.002f * float(i), d.A[i] = 1, d.B[i] = 2;
             d.Count = 800;
         }},
        {"a new sweep",
         [&] {
             d.Count = 20;
             d.A[3] = 99;
         }},
        {"a trigger with its automatic snapshot",
         [&] {
             auto& snap = session_.store().Snap;
             std::copy(d.T, d.T + d.Count, snap.T), std::copy(d.A, d.A + d.Count, snap.A);
             snap.T[d.Count] = 1, snap.A[d.Count] = 2, snap.B[d.Count] = 3; // after the last tick
             std::copy(d.B, d.B + d.Count, snap.B), snap.Count = d.Count + 1;
             d.Count = 7, d.A[0] = -5;
         }},
        {"a definition evaluated again",
         [&] {
             for (int i = 0; i < d.Count; ++i)
                 d.B[i] *= 2;
         }},
        {"emptied", [&] { d.Count = 0; }},
    };
    for (const Step& s : steps) {
        SCOPED_TRACE(s.name);
        s.change();
        server_->tick();
        ASSERT_TRUE(waitFor([&] {
            apply();
            const auto& snap = session_.store().Snap;
            return int(t.size()) == d.Count && !meta.isEmpty() && int(snapA.size()) == snap.Count &&
                   std::equal(snapA.begin(), snapA.end(), snap.A) &&
                   std::equal(a.begin(), a.end(), d.A) && std::equal(b.begin(), b.end(), d.B);
        })) << "the page has " << t.size() << " of " << d.Count << " points";
        EXPECT_TRUE(std::equal(t.begin(), t.end(), d.T));
    }
    EXPECT_TRUE(meta.contains("\"trigger\"") && meta.contains("\"intervalMs\""));
    EXPECT_EQ(copies, 1) << "the automatic snapshot is copied on the page, not sent again";
    // The readouts go on their own; a value that is not a number still makes JSON.
    session_.store().LabelValueA = 2.25f;
    session_.store().LabelValueB = std::nanf("");
    server_->tick();
    ASSERT_TRUE(waitFor([&] { return live.contains("2.25"); }));
    const QJsonObject o = QJsonDocument::fromJson(live).object();
    EXPECT_EQ(o.value("a").toDouble(), 2.25);
    EXPECT_TRUE(o.value("b").isNull());
    EXPECT_EQ(o.value("state").toString(), "waiting");
    EXPECT_FALSE(meta.contains("2.25")) << "the settings do not carry the readouts";
}

// The further columns the window draws go with their points: the page holds each drawn column's
// settled values as the session has them, a growing sweep sends only what is new or changed,
// and the settings name the columns with the colours and axes the window gave.
TEST_F(ClassViewServerTest, APageHoldsTheDrawnColumnsAsTheSweepGrows) {
    ASSERT_FALSE(session_.setQuantities({{"Ug", "V", "GLAETT(A;5)"}, {"P", "W", "A*B"}}, {}));
    auto& d = session_.store().Data;
    ASSERT_EQ(d.Further().size(), 2u);
    kurvimat::session::RunList runs;
    kurvimat::session::Run run;
    run.points = session_.dataPoints();
    ASSERT_EQ(run.points.columns().size(), 2u);
    const qint64 id = runs.add(run);
    server_->setRuns(&runs);
    const DrawnColumns drawn{{{1, true, 0x940063}, {0, false, 0x2121a5}}, {}, 1};
    const std::vector<ShownRun> shown{{id, 0x12ab34, {{1, false, 0}}}};
    std::vector<DecodedFrame> frames, dataFrames, runFrames;
    QByteArray meta;
    auto ws = watch(&frames, &meta);
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == 1; }));
    std::map<int, std::vector<float>> held;
    int points = 0;
    const auto holdsTheSession = [&] {
        for (const DecodedFrame& f : frames) {
            (f.kind == SetKind::Run ? runFrames : dataFrames).push_back(f);
            if (f.kind != SetKind::Data) continue;
            if (f.reset) held.clear();
            points = f.first + int(f.t.size());
            for (const DecodedFrame::Column& c : f.columns) {
                std::vector<float>& v = held[c.index];
                EXPECT_LE(std::size_t(c.first), v.size()) << "a gap";
                v.resize(std::size_t(c.first));
                v.insert(v.end(), c.values.begin(), c.values.end());
            }
        }
        frames.clear();
        return points == d.Count && std::ranges::all_of(drawn.data, [&](const DrawnColumn& c) {
                   const std::vector<double>& values = d.Further()[c.index].values;
                   return held[c.index].size() == d.SettledCount(c.index) &&
                          std::equal(held[c.index].begin(), held[c.index].end(), values.begin(),
                                     [](float x, double y) { return x == float(y); });
               });
    };
    const auto grow = [&](int to) {
        for (int i = d.Count; i < to; ++i)
            d.T[i] = 0.002f * float(i), d.A[i] = float(i % 11), d.B[i] = 0.5f;
        d.Count = to;
        session_.updateQuantities();
    };
    struct Step {
        const char* name;
        std::function<void()> change;
        int editedAt; // where the changed values start; -1: as far back as Ug's window reaches
    } steps[] = {
        {"as it was", [] {}, 0},
        {"the sweep grows", [&] { grow(600); }, -1},
        {"it grows again", [&] { grow(610); }, -1},
        {"a tick without new points settles the rest", [&] { session_.updateQuantities(); }, -1},
        {"a value edited", [&] { d.Columns[1].values[10] = 42; }, 10},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        const int count = d.Count;
        step.change();
        dataFrames.clear();
        server_->tick(shown, drawn);
        ASSERT_TRUE(waitFor(holdsTheSession));
        if (step.editedAt == 0) continue;
        // Only what is new or changed went out.
        ASSERT_EQ(dataFrames.size(), 1u);
        EXPECT_FALSE(dataFrames[0].reset);
        EXPECT_EQ(dataFrames[0].first, count);
        ASSERT_FALSE(dataFrames[0].columns.empty());
        EXPECT_EQ(std::ranges::min(dataFrames[0].columns, {}, &DecodedFrame::Column::first).first,
                  step.editedAt < 0 ? count - 2 : step.editedAt);
    }
    // The settings name the drawn columns; the run's go with it, in its colour.
    const QJsonObject o = QJsonDocument::fromJson(meta).object();
    EXPECT_EQ(QJsonDocument(o.value("columns").toArray()).toJson(QJsonDocument::Compact),
              R"([{"axis":"right","color":"#940063","index":1,"name":"P","unit":"W"},)"
              R"({"axis":"left","color":"#2121a5","index":0,"name":"Ug","unit":"V"}])");
    EXPECT_EQ(o.value("rightAxis").toInt(-1), 1);
    const QJsonObject r = o.value("runs").toArray().at(0).toObject();
    EXPECT_EQ(r.value("color").toString(), "#12ab34");
    EXPECT_EQ(QJsonDocument(r.value("columns").toArray()).toJson(QJsonDocument::Compact),
              R"([{"axis":"left","index":1,"name":"P","unit":"W"}])");
    ASSERT_EQ(runFrames.size(), 1u);
    ASSERT_EQ(runFrames[0].columns.size(), 1u);
    EXPECT_TRUE(std::ranges::equal(runFrames[0].columns[0].values, run.points.columns()[1].values,
                                   [](float x, double y) { return x == float(y); }));
}

// The settings name the window's plot mode; the plot of quantities names its quantities by key
// and title, and the data's frames carry a chosen column the time plot does not draw.
TEST_F(ClassViewServerTest, TheSettingsNameThePlotModeAndTheChosenQuantities) {
    using kurvimat::analysis::PlotMode;
    ASSERT_FALSE(session_.setQuantities({{"Ug", "V", "GLAETT(A;5)"}, {"P", "W", "A*B"}}, {}));
    const DrawnColumns drawn{{{1, true, 0x940063}}, {}, -1}; // the time plot draws P only
    std::vector<DecodedFrame> frames;
    QByteArray meta;
    auto ws = watch(&frames, &meta);
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == 1; }));
    struct Row {
        PlotMode mode;
        const char *x, *left, *right, *json;
        bool sendsUg;
    } rows[] = {
        {PlotMode::Normal, "", "", "", R"({"mode":"time"})", false},
        {PlotMode::BAsX, "", "", "", R"({"mode":"bAsX"})", false},
        {PlotMode::AAsX, "", "", "", R"({"mode":"aAsX"})", false},
        {PlotMode::Spectrum, "", "", "", R"({"mode":"spectrum"})", false},
        {PlotMode::Quantities, "Ug (V)", "A", "t",
         R"({"left":{"key":"A","name":"Weg","title":"Weg in cm","unit":"cm"},"mode":"quantities",)"
         R"("right":{"key":"t","name":"Zeit t","title":"Zeit t in s","unit":"s"},)"
         R"j("x":{"column":0,"key":"Ug (V)","name":"Ug","title":"Ug in V","unit":"V"}})j",
         true},
        {PlotMode::Quantities, "P (W)", "B", "", // no right axis
         R"({"left":{"key":"B","name":"B","title":"B","unit":""},"mode":"quantities",)"
         R"j("x":{"column":1,"key":"P (W)","name":"P","title":"P in W","unit":"W"}})j",
         false},
        {PlotMode::Quantities, "Zz", "A", "", // a key the points do not hold
         R"({"left":{"key":"A","name":"Weg","title":"Weg in cm","unit":"cm"},"mode":"quantities",)"
         R"("x":{"key":"Zz"}})",
         false},
    };
    session_.store().Data.DefA = QStringLiteral("Weg (cm): U");
    std::map<int, std::vector<float>> held;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.json);
        kurvimat::session::ViewSettings v = session_.view();
        v.mode = row.mode;
        v.axisX = QString::fromLatin1(row.x), v.axisLeft = QString::fromLatin1(row.left);
        v.axisRight = QString::fromLatin1(row.right);
        session_.setView(v);
        server_->tick({}, drawn);
        const auto plot = [&] {
            return QJsonDocument(QJsonDocument::fromJson(meta).object().value("plot").toObject())
                .toJson(QJsonDocument::Compact);
        };
        ASSERT_TRUE(waitFor([&] { return plot() == row.json; })) << plot().constData();
        // The page holds Ug's settled values only while the plot of quantities shows it.
        const auto& ug = session_.store().Data.Further()[0];
        const auto ugSettled = std::span(ug.values).first(session_.store().Data.SettledCount(0));
        EXPECT_TRUE(waitFor([&] {
            for (const DecodedFrame& f : frames) {
                if (f.kind != SetKind::Data) continue;
                if (f.reset) held.clear();
                for (const DecodedFrame::Column& c : f.columns) {
                    held[c.index].resize(std::size_t(c.first));
                    held[c.index].insert(held[c.index].end(), c.values.begin(), c.values.end());
                }
            }
            frames.clear();
            return held.count(0) == std::size_t(row.sendsUg) && held.count(1) == 1 &&
                   (!row.sendsUg || std::ranges::equal(held[0], ugSettled, [](float x, double y) {
                       return x == float(y);
                   }));
        })) << held.count(0);
    }
}

// AddressSanitizer keeps freed blocks in a quarantine (256 MB by default) and adds shadow memory,
// so there the resident size measures the checker, not the server; the bound then only catches
// a runaway.
#ifdef KURVIMAT_SANITIZED_HEAP
constexpr long kGrowthBoundKb = (64 + 256 + 64) * 1024;
#else
constexpr long kGrowthBoundKb = 64 * 1024;
#endif

static long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// The minute-long load is bench/classview_bench; this is its short form: a full class reading
// a growing sweep, none dropped, each page with every stored point, the backlog and memory bounded.
TEST_F(ClassViewServerTest, AFullClassReadsTheSweepAndNoneIsDropped) {
    struct Row {
        const char* name;
        int pages;
        bool hasB;
    } rows[] = {{"60 pages, A and B", 60, true}, {"60 pages, A only", 60, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        Limits full = limits_;
        full.maxClients = row.pages;
        full.maxClientsPerAddress = row.pages; // every page comes from 127.0.0.1 here
        server_ = std::make_unique<ClassViewServer>(session_, full);
        ASSERT_TRUE(server_->start(QHostAddress::LocalHost, 0));
        auto& d = session_.store().Data;
        d.Count = 0;
        d.HasB = row.hasB;
        std::vector<std::vector<DecodedFrame>> frames(std::size_t(row.pages));
        std::vector<std::unique_ptr<QWebSocket>> pages;
        for (auto& f : frames) pages.push_back(watch(&f));
        ASSERT_TRUE(waitFor([&] { return server_->watchers() == row.pages; }, 20000));
        const long rssBefore = residentKb();
        qint64 backlog = 0;
        // 2 ms points, 25 a tick, for 100 ticks; the pages read as the event loop lets them.
        for (int tick = 0; tick < 100; ++tick) {
            for (int k = 0; k < 25; ++k, ++d.Count)
                d.T[d.Count] = 0.002f * float(d.Count), d.A[d.Count] = float(tick), d.B[d.Count] = -float(k);
            server_->tick();
            backlog = std::max(backlog, server_->pendingBytes());
            waitFor([] { return false; }, 20);
        }
        const auto held = [&](const std::vector<DecodedFrame>& f) {
            std::vector<float> a;
            for (const DecodedFrame& x : f)
                if (x.kind == SetKind::Data && (x.reset ? x.first == 0 : std::size_t(x.first) == a.size()))
                    a.resize(std::size_t(x.first)), a.insert(a.end(), x.a.begin(), x.a.end());
            return a;
        };
        EXPECT_TRUE(waitFor([&] {
            return std::all_of(frames.begin(), frames.end(), [&](const auto& f) {
                const std::vector<float> a = held(f);
                return int(a.size()) == d.Count && std::equal(a.begin(), a.end(), d.A);
            });
        }, 20000)) << "a page lacks points";
        EXPECT_EQ(server_->watchers(), row.pages) << "none dropped";
        EXPECT_LT(backlog, full.maxPendingBytes) << "all pages together far below one page's bound";
        EXPECT_LT(residentKb() - rssBefore, kGrowthBoundKb) << "memory bounded";
        pages.clear();
        ASSERT_TRUE(waitFor([&] { return server_->watchers() == 0; }));
    }
}

TEST_F(ClassViewServerTest, AShownRunGoesOutOnceInItsColourAndDownloadsAsText) {
    kurvimat::session::RunList runs;
    kurvimat::session::Run run;
    run.points = session_.dataPoints();
    run.name = QStringLiteral("Pendel");
    const qint64 id = runs.add(run);
    server_->setRuns(&runs);
    std::vector<DecodedFrame> frames;
    QByteArray meta;
    auto ws = watch(&frames, &meta);
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == 1; }));
    const auto runFrames = [&] {
        return std::count_if(frames.begin(), frames.end(), [](const DecodedFrame& f) { return f.kind == SetKind::Run; });
    };
    server_->tick({});
    ASSERT_TRUE(waitFor([&] { return meta.contains("Pendel"); }));
    EXPECT_EQ(runFrames(), 0) << "a run not shown sends no points";
    for (int i = 0; i < 3; ++i)
        server_->tick({{id, 0x12ab34}});
    ASSERT_TRUE(waitFor([&] { return meta.contains("#12ab34") && runFrames() == 1; }));
    waitFor([] { return false; }, 100);
    EXPECT_EQ(runFrames(), 1) << "sent once";
    const auto it = std::find_if(frames.begin(), frames.end(), [](const DecodedFrame& f) { return f.kind == SetKind::Run; });
    EXPECT_EQ(it->set, quint32(id));
    EXPECT_EQ(it->a, run.points.valuesA());
    const auto body = [this](const std::string& target) {
        const QByteArray reply = exchange(head(("GET " + path(target.c_str()) + " HTTP/1.1").constData()));
        EXPECT_TRUE(reply.startsWith("HTTP/1.1 200")) << target;
        return reply.mid(reply.indexOf("\r\n\r\n") + 4);
    };
    EXPECT_EQ(body("messreihe-" + std::to_string(id) + ".txt"), body("daten.txt"))
        << "the run holds the current points, so both texts are one";
    // A loaded run goes with every column it has, as it was read.
    const QByteArray text = "Zeit in s\tA\tB\tI (mA)\tP\r\n0\t1\t2\t35\t4\r\n1\t2\t3\t\t5\r\n";
    const auto read = kurvimat::exchange::readMeasurementText(QString::fromLatin1(text));
    ASSERT_TRUE(read.has_value());
    kurvimat::session::Run loaded;
    loaded.points = kurvimat::session::PointSet::loaded(true, read->defA, read->defB, read->t,
                                                        read->a, read->b, read->further);
    const qint64 other = runs.add(loaded);
    EXPECT_EQ(body("messreihe-" + std::to_string(other) + ".txt"), text);
}

namespace {

// The frames a server sent, as (opcode, payload), from the bytes after its 101 answer.
std::vector<std::pair<int, QByteArray>> serverFrames(QByteArrayView bytes) {
    std::vector<std::pair<int, QByteArray>> frames;
    while (bytes.size() >= 2) {
        quint64 n = quint8(bytes[1]) & 0x7f;
        qsizetype at = 2;
        if (n >= 126) {
            const int width = n == 126 ? 2 : 8;
            if (bytes.size() < at + width) break;
            n = 0;
            for (int i = 0; i < width; ++i)
                n = n << 8 | quint8(bytes[at + i]);
            at += width;
        }
        if (quint64(bytes.size() - at) < n) break;
        frames.emplace_back(quint8(bytes[0]) & 0x0f, bytes.sliced(at, qsizetype(n)).toByteArray());
        bytes = bytes.sliced(at + qsizetype(n));
    }
    return frames;
}

QByteArray maskedFrame(quint8 b0, const QByteArray& payload) {
    QByteArray f(1, char(b0));
    if (payload.size() < 126) {
        f += char(0x80 | payload.size());
    } else {
        f += char(0x80 | 126);
        f += char(payload.size() >> 8);
        f += char(payload.size() & 0xff);
    }
    const char key[4] = {0x0a, 0x1b, 0x2c, 0x3d};
    f += QByteArray(key, 4);
    for (qsizetype i = 0; i < payload.size(); ++i)
        f += char(payload[i] ^ key[i % 4]);
    return f;
}

} // namespace

TEST_F(ClassViewServerTest, WhatAPageSendsIsAnsweredOrClosesIt) {
    struct Row {
        const char* name;
        QByteArray frame;
        bool stays;
        int answer;              // opcode of the last frame back: 0xA pong, 0x8 close, 0: none
        QByteArray payload = {}; // of that frame
    } rows[] = {
        {"a small message", maskedFrame(0x82, "hallo"), true, 0},
        {"a ping", maskedFrame(0x89, "p1"), true, 0xA, "p1"},
        {"unmasked", QByteArray("\x82\x05hallo", 7), false, 0x8, QByteArray("\x03\xea", 2)},
        {"unmasked text", QByteArray("\x81\x01x", 3), false, 0x8, QByteArray("\x03\xea", 2)},
        {"a close", maskedFrame(0x88, QByteArray("\x03\xe8", 2)), false, 0x8,
         QByteArray("\x03\xe8", 2)},
        {"too large", maskedFrame(0x82, QByteArray(2000, 'x')), false, 0x8,
         QByteArray("\x03\xf1", 2)},
        {"too large in pieces",
         maskedFrame(0x02, QByteArray(800, 'x')) + maskedFrame(0x80, QByteArray(800, 'x')), false,
         0x8, QByteArray("\x03\xf1", 2)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const auto socket = connectFrom();
        socket->write(
            head(("GET " + path("ws") + " HTTP/1.1").constData(), upgradeHeaders().constData()));
        QByteArray reply;
        ASSERT_TRUE(waitFor([&] {
            reply += socket->readAll();
            return reply.contains("\r\n\r\n") && server_->watchers() == 1;
        }));
        ASSERT_TRUE(reply.startsWith("HTTP/1.1 101"));
        EXPECT_TRUE(reply.toLower().contains("sec-websocket-accept: s3pplmbitxaq9kygzzhzrbk+xoo="));
        socket->write(row.frame);
        const bool answered = row.answer || !row.stays;
        waitFor(
            [&] {
                reply += socket->readAll();
                const auto frames =
                    serverFrames(QByteArrayView(reply).sliced(reply.indexOf("\r\n\r\n") + 4));
                return (row.answer && !frames.empty() && frames.back().first == row.answer) ||
                       (!row.stays && server_->watchers() == 0);
            },
            answered ? 5000 : 300);
        EXPECT_EQ(server_->watchers(), row.stays ? 1 : 0);
        if (!row.stays) {
            EXPECT_TRUE(waitFor([&] {
                reply += socket->readAll();
                return socket->state() == QAbstractSocket::UnconnectedState;
            })) << "the connection is closed";
        }
        const auto frames =
            serverFrames(QByteArrayView(reply).sliced(reply.indexOf("\r\n\r\n") + 4));
        ASSERT_FALSE(frames.empty());
        EXPECT_EQ(frames.front().first, 0x2) << "the state comes first, as binary";
        if (row.answer) {
            EXPECT_EQ(frames.back().first, row.answer);
            EXPECT_EQ(frames.back().second, row.payload);
        } else {
            EXPECT_EQ(frames.back().first, 0x2) << "no answer to a message";
        }
        socket->abort();
        ASSERT_TRUE(waitFor([&] { return server_->watchers() == 0; }));
    }
}

TEST_F(ClassViewServerTest, OneAddressKeepsNoOtherOutAndTakesNotAllPlaces) {
    limits_.maxHttpPerAddress = 4;
    limits_.maxHttpConnections = 20;
    limits_.slowHeadMs = 200;
    limits_.maxClientsPerAddress = 2;
    server_ = std::make_unique<ClassViewServer>(session_, limits_);
    ASSERT_TRUE(server_->start(QHostAddress::Any, 0));
    const QByteArray page = head("GET " + path("") + " HTTP/1.1", "Host: 127.0.0.1\r\n");
    std::vector<std::unique_ptr<QTcpSocket>> slow;
    const auto open = [&](const char* from) {
        return std::count_if(slow.begin(), slow.end(), [&](const auto& s) {
            s->readAll();
            return s->localAddress() == QHostAddress(QString::fromLatin1(from)) &&
                   s->state() == QAbstractSocket::ConnectedState;
        });
    };
    struct Step {
        const char* name;
        const char* slowFrom; // where 12 more connections send one byte and wait
        const char* loadFrom; // where a page is loaded, once those are slow
        bool cut;             // the slow address is then held to its share
    } steps[] = {
        {"from the same address", "127.0.0.1", "127.0.0.1", true},
        {"from another address", "127.0.0.3", "127.0.0.4", false},
        {"with the server full of slow heads", "127.0.0.5", "127.0.0.2", false},
        {"again from a slow address", "127.0.0.5", "127.0.0.5", true},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        for (int i = 0; i < 12; ++i) {
            slow.push_back(connectFrom(step.slowFrom));
            slow.back()->write("G");
        }
        waitFor([] { return false; }, 2 * limits_.slowHeadMs);
        // A burst of pages loaded at once is no slow sender.
        std::vector<std::unique_ptr<QTcpSocket>> burst;
        for (int i = 0; i < 8; ++i)
            burst.push_back(connectFrom(step.loadFrom));
        for (auto& b : burst)
            b->write(page);
        for (auto& b : burst) {
            QByteArray reply;
            EXPECT_TRUE(waitFor([&] {
                reply += b->readAll();
                return b->state() == QAbstractSocket::UnconnectedState;
            }));
            EXPECT_TRUE(reply.startsWith("HTTP/1.1 200")) << reply.left(40).constData();
        }
        if (step.cut) {
            EXPECT_TRUE(waitFor([&] { return open(step.slowFrom) <= limits_.maxHttpPerAddress; }))
                << open(step.slowFrom) << " slow heads held from one address";
        }
    }
    slow.clear();
    // The pages: one address gets its share, another address the rest.
    std::vector<std::unique_ptr<QWebSocket>> pages;
    for (int i = 0; i < limits_.maxClientsPerAddress; ++i)
        pages.push_back(watch());
    ASSERT_TRUE(waitFor([&] { return server_->watchers() == limits_.maxClientsPerAddress; }));
    const QByteArray full = exchange(page);
    EXPECT_TRUE(full.startsWith("HTTP/1.1 503"));
    EXPECT_TRUE(full.contains("schon zu viele Seiten")) << full.constData();
    const QByteArray upgrade =
        head(("GET " + path("ws") + " HTTP/1.1").constData(), upgradeHeaders().constData());
    EXPECT_TRUE(exchange(upgrade).startsWith("HTTP/1.1 503"));
    EXPECT_TRUE(exchange(page, "127.0.0.2").startsWith("HTTP/1.1 200"));
    const auto other = connectFrom("127.0.0.2");
    other->write(upgrade);
    EXPECT_TRUE(waitFor([&] { return server_->watchers() == limits_.maxClientsPerAddress + 1; }));
}

TEST_F(ClassViewServerTest, DownloadsOfOneAddressAreBoundedAndOthersGoOn) {
    limits_.downloadBurstBytes = 40000;
    limits_.downloadBytesPerSecond = 1; // nothing comes back while the test runs
    server_ = std::make_unique<ClassViewServer>(session_, limits_);
    ASSERT_TRUE(server_->start(QHostAddress::Any, 0));
    const auto fetch = [&](const char* from, const char* language = "de") {
        return exchange(
            head(("GET " + path("daten.txt") + " HTTP/1.1").constData(),
                 QByteArray("Host: h\r\nAccept-Language: ").append(language).append("\r\n")),
            from);
    };
    const QByteArray first = fetch("127.0.0.1");
    ASSERT_TRUE(first.startsWith("HTTP/1.1 200"));
    const qsizetype size = first.size() - first.indexOf("\r\n\r\n") - 4;
    int fetched = 1;
    QByteArray refused;
    while (fetched < 100) {
        const QByteArray reply = fetch("127.0.0.1");
        if (!reply.startsWith("HTTP/1.1 200")) {
            refused = reply;
            break;
        }
        ++fetched;
    }
    EXPECT_EQ(fetched, (limits_.downloadBurstBytes + size - 1) / size)
        << "each of " << size << " bytes";
    EXPECT_TRUE(refused.startsWith("HTTP/1.1 429")) << refused.left(100).constData();
    EXPECT_TRUE(refused.toLower().contains("retry-after: "));
    EXPECT_TRUE(refused.contains("Zu viele Downloads"));
    EXPECT_TRUE(fetch("127.0.0.1", "en").contains("Too many downloads"));
    EXPECT_TRUE(fetch("127.0.0.2").startsWith("HTTP/1.1 200")) << "another address has its own";

    // With an allowance that comes back within the deadline the download waits for it.
    limits_.downloadBytesPerSecond = 4 * size;
    server_ = std::make_unique<ClassViewServer>(session_, limits_);
    ASSERT_TRUE(server_->start(QHostAddress::Any, 0));
    QElapsedTimer clock;
    clock.start();
    const int times = fetched + 2;
    for (int i = 0; i < times; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(fetch("127.0.0.1").startsWith("HTTP/1.1 200"));
    }
    // The last download may overdraw the allowance; half the least time still tells a paced
    // series from one served at once.
    EXPECT_GE(clock.elapsed(), 1000 * ((times - 1) * size - limits_.downloadBurstBytes) /
                                   limits_.downloadBytesPerSecond / 2)
        << "paced by the allowance";
}
