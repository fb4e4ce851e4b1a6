#include "ClassViewServer.h"

#include "Codec1252.h"
#include "MeasurementText.h"
#include "Session.h"
#include "SignalDefinition.h"
#include "StorePoints.h"
#include "WebSocketFrames.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>

#include <sys/socket.h>

static void initClassViewResources() { Q_INIT_RESOURCE(classview); }

namespace kurvimat::classview {

using acquisition::StoredPoints;
using acquisition::TriggerMode;
using exchange::MeasurementTextFormat;
using signals::QuantityColumn;
using signals::SignalChannel;

namespace {

// What a page may send: nothing is read from it, so a little is enough for a ping or a close.
constexpr qint64 MaxIncomingBytes = 1024;

QByteArray asset(const char* name) {
    QFile file(QStringLiteral(":/classview/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray jsonNumber(float v) {
    return std::isfinite(v) ? QByteArray::number(double(v), 'g', 9) : QByteArray("null");
}

std::span<const float> column(const float* values, int n) {
    return {values, std::size_t(std::max(n, 0))};
}

const char* modeName(TriggerMode mode) {
    switch (mode) {
    case TriggerMode::Dauer: return "dauer";
    case TriggerMode::Auto: return "auto";
    case TriggerMode::Normal: return "normal";
    case TriggerMode::Einzel: return "einzel";
    }
    return "";
}

const char* plotModeName(analysis::PlotMode mode) {
    switch (mode) {
    case analysis::PlotMode::Normal:
        return "time";
    case analysis::PlotMode::BAsX:
        return "bAsX";
    case analysis::PlotMode::AAsX:
        return "aAsX";
    case analysis::PlotMode::Spectrum:
        return "spectrum";
    case analysis::PlotMode::Quantities:
        return "quantities";
    }
    return "time";
}

QString colourName(quint32 rgb) {
    return QStringLiteral("#%1").arg(rgb & 0xffffff, 6, 16, QLatin1Char('0'));
}

// A CSV goes to the student's sheet, so its decimal mark is the browser's language's.
MeasurementTextFormat layout(const RouteResult& route, const RequestHead& head) {
    MeasurementTextFormat format;
    if (route.csv) {
        format.layout = exchange::TableLayout::Csv;
        format.decimalMark = prefersEnglish(head.header("accept-language")) ? u'.' : u',';
    }
    return format;
}

} // namespace

ClassViewServer::ClassViewServer(const session::Session& session, Limits limits, QObject* parent)
    : QObject(parent), session_(session), limits_(limits) {
    initClassViewResources();
}

ClassViewServer::~ClassViewServer() { stop(); }

bool ClassViewServer::running() const { return tcp_ && tcp_->isListening(); }

quint16 ClassViewServer::port() const { return running() ? tcp_->serverPort() : 0; }

bool ClassViewServer::start(const QHostAddress& address, quint16 port) {
    stop();
    tcp_ = std::make_unique<QTcpServer>();
    tcp_->setMaxPendingConnections(limits_.maxHttpConnections);
    if (!tcp_->listen(address, port) && !tcp_->listen(address, 0)) {
        error_ = tr("Die Klassenansicht kann keinen Netzwerk-Port öffnen: %1")
                     .arg(tcp_->errorString());
        tcp_.reset();
        return false;
    }
    connect(tcp_.get(), &QTcpServer::newConnection, this, &ClassViewServer::acceptHttp);
    clock_.start();
    code_ = newAccessCode();
    error_.clear();
    metaInputs_ = {};
    meta_.clear();
    live_.clear();
    data_.clear();
    snapshot_.clear();
    drawn_ = {};
    return true;
}

void ClassViewServer::stop() {
    const bool hadWatchers = !clients_.empty();
    for (auto& [socket, client] : clients_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    clients_.clear();
    for (auto& [socket, c] : http_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    http_.clear();
    peers_.clear();
    tcp_.reset();
    code_.clear();
    if (hadWatchers) emit watchersChanged(0);
}

QUrl ClassViewServer::address() const {
    if (!running()) return {};
    QString host = QStringLiteral("127.0.0.1");
    const QHostAddress bound = tcp_->serverAddress();
    if (bound != QHostAddress::Any && bound != QHostAddress::AnyIPv4) {
        host = bound.toString();
    } else {
        for (const QNetworkInterface& i : QNetworkInterface::allInterfaces()) {
            const auto flags = i.flags();
            if (!(flags & QNetworkInterface::IsUp) || !(flags & QNetworkInterface::IsRunning) ||
                (flags & QNetworkInterface::IsLoopBack))
                continue;
            for (const QNetworkAddressEntry& e : i.addressEntries()) {
                if (e.ip().protocol() == QAbstractSocket::IPv4Protocol) {
                    host = e.ip().toString();
                    break;
                }
            }
            if (host != QStringLiteral("127.0.0.1")) break;
        }
    }
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(host);
    url.setPort(port());
    url.setPath(QLatin1Char('/') + code_ + QLatin1Char('/'));
    return url;
}

// --- HTTP ---

namespace {

// One address as the limits count it: an IPv4 address, or the /64 of an IPv6 one (a device
// may take any address of its network's /64).
QByteArray peerKey(const QHostAddress& address) {
    bool v4 = false;
    const quint32 ip4 = address.toIPv4Address(&v4);
    if (v4) return QByteArray::number(ip4);
    const Q_IPV6ADDR ip6 = address.toIPv6Address();
    return QByteArray(reinterpret_cast<const char*>(ip6.c), 8).toHex();
}

} // namespace

ClassViewServer::Peer& ClassViewServer::peer(const QByteArray& key) {
    auto [it, added] = peers_.try_emplace(key);
    if (added) {
        it->second.downloadBytes = double(limits_.downloadBurstBytes);
        it->second.refilledMs = clock_.elapsed();
    }
    return it->second;
}

void ClassViewServer::prunePeer(const QByteArray& key) {
    const auto it = peers_.find(key);
    if (it == peers_.end() || it->second.heads > 0 || it->second.watching > 0) return;
    // Forgotten only with its download allowance whole again, so that closing a connection
    // does not renew it.
    const double refill = double(clock_.elapsed() - it->second.refilledMs) / 1000.0 *
                          double(limits_.downloadBytesPerSecond);
    if (it->second.downloadBytes + refill >= double(limits_.downloadBurstBytes)) peers_.erase(it);
}

void ClassViewServer::acceptHttp() {
    while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
        const QByteArray key = peerKey(socket->peerAddress());
        // A trickling sender is cut before it can hold more than its share of slow heads, and
        // before it keeps another one out.
        while (slowHeads(&key) >= limits_.maxHttpPerAddress && cutOldestHead(&key)) {
        }
        if (int(http_.size()) >= limits_.maxHttpConnections && !cutOldestHead(nullptr)) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        http_.emplace(socket, HttpConnection{key, clock_.elapsed(), false});
        ++peer(key).heads;
        // Reading stops at the largest head: a longer one is refused, never held.
        socket->setReadBufferSize(limits_.maxHeadBytes + 1);
        // One deadline for sending the head and taking the answer: a slow sender is let go.
        auto* deadline = new QTimer(socket);
        deadline->setSingleShot(true);
        connect(deadline, &QTimer::timeout, this, [this, socket] {
            forgetHttp(socket);
            socket->abort();
        });
        deadline->start(limits_.headTimeoutMs);
        deadline->setObjectName(QStringLiteral("deadline"));
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readHead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] { forgetHttp(socket); });
    }
    if (peers_.size() > std::size_t(4 * limits_.maxHttpConnections)) {
        std::vector<QByteArray> keys;
        for (const auto& [key, p] : peers_)
            keys.push_back(key);
        for (const QByteArray& key : keys)
            prunePeer(key);
    }
}

int ClassViewServer::slowHeads(const QByteArray* peer) const {
    const qint64 before = clock_.elapsed() - limits_.slowHeadMs;
    return int(std::count_if(http_.begin(), http_.end(), [&](const auto& c) {
        return !c.second.answered && c.second.sinceMs <= before &&
               (!peer || c.second.peer == *peer);
    }));
}

// Cuts the oldest slow head (of that address); false when there is none.
bool ClassViewServer::cutOldestHead(const QByteArray* peer) {
    QTcpSocket* oldest = nullptr;
    qint64 since = clock_.elapsed() - limits_.slowHeadMs;
    for (const auto& [socket, c] : http_) {
        if (c.answered || (peer && c.peer != *peer) || c.sinceMs > since) continue;
        oldest = socket, since = c.sinceMs;
    }
    if (!oldest) return false;
    forgetHttp(oldest);
    oldest->abort();
    return true;
}

void ClassViewServer::forgetHttp(QTcpSocket* socket) {
    const auto it = http_.find(socket);
    if (it == http_.end()) return;
    const QByteArray key = it->second.peer;
    http_.erase(it);
    --peer(key).heads;
    prunePeer(key);
    socket->disconnect(this);
    socket->deleteLater();
}

void ClassViewServer::respond(QTcpSocket* socket, const QByteArray& response) {
    // From here on nothing it sends is read; the deadline still ends a client that never takes
    // the answer.
    if (const auto it = http_.find(socket); it != http_.end()) it->second.answered = true;
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->write(response);
    socket->disconnectFromHost();
}

void ClassViewServer::readHead(QTcpSocket* socket) {
    if (!http_.count(socket)) return;
    const QByteArray none = "default-src 'none'";
    const QByteArray bytes = socket->peek(limits_.maxHeadBytes + 1);
    const ParsedHead parsed = parseRequestHead(bytes, limits_);
    switch (parsed.status) {
    case HeadStatus::Incomplete: return;
    case HeadStatus::TooLarge:
        respond(socket, httpResponse(431, {}, {}, none));
        return;
    case HeadStatus::Bad:
        respond(socket, httpResponse(400, {}, {}, none));
        return;
    case HeadStatus::Complete: break;
    }
    const RouteResult route = routeRequest(parsed.head, code_);
    if (route.route != Route::WebSocket) {
        answerWhenAllowed(socket, parsed.head, route);
        return;
    }
    const QByteArray full = fullPage(parsed.head, http_.at(socket).peer);
    if (!full.isEmpty()) {
        respond(socket, httpResponse(503, "text/html; charset=utf-8", full, none));
        return;
    }
    upgrade(socket, parsed);
}

// A download beyond the address's allowance waits for it, while the deadline allows: a client
// fetching again and again is paced by the allowance rather than answered 429 on the spot, which
// would make its loop the cost. What cannot wait gets 429.
void ClassViewServer::answerWhenAllowed(QTcpSocket* socket, const RequestHead& head,
                                        const RouteResult& route) {
    const auto it = http_.find(socket);
    if (it == http_.end()) return;
    if (route.route == Route::DataText || route.route == Route::RunText) {
        const double left = downloadAllowance(peer(it->second.peer));
        const qint64 wait = left > 0 ? 0
                                     : qint64(std::ceil(-left * 1000.0 /
                                                        double(limits_.downloadBytesPerSecond))) + 1;
        const qint64 deadline = it->second.sinceMs + limits_.headTimeoutMs - 1000;
        if (wait > 0 && clock_.elapsed() + wait < deadline) {
            it->second.answered = true; // waiting, not slow
            disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
            QTimer::singleShot(int(wait), socket, [this, socket, head, route] {
                answerWhenAllowed(socket, head, route);
            });
            return;
        }
    }
    respond(socket, answer(head, route, socket));
}

double ClassViewServer::downloadAllowance(Peer& p) {
    const qint64 now = clock_.elapsed();
    p.downloadBytes = std::min(double(limits_.downloadBurstBytes),
                               p.downloadBytes + double(now - p.refilledMs) / 1000.0 *
                                                     double(limits_.downloadBytesPerSecond));
    p.refilledMs = now;
    return p.downloadBytes;
}

// Empty while there is a place for a page from that address.
QByteArray ClassViewServer::fullPage(const RequestHead& head, const QByteArray& peerKey) const {
    const bool english = prefersEnglish(head.header("accept-language"));
    if (watchers() >= limits_.maxClients) return statusPage(503, english);
    const auto it = peers_.find(peerKey);
    if (it == peers_.end() || it->second.watching < limits_.maxClientsPerAddress) return {};
    return oneLinePage(english ? "Too many pages are watching from this device or its network "
                                 "already: close one before you open another."
                               : "Von diesem Gerät oder seinem Netz aus sehen schon zu viele "
                                 "Seiten zu: Schließe eine, bevor du eine neue öffnest.",
                       english);
}

QByteArray ClassViewServer::csp(QTcpSocket* socket) const {
    QHostAddress local = socket->localAddress();
    bool v4 = false;
    const quint32 ip4 = local.toIPv4Address(&v4);
    if (v4) local = QHostAddress(ip4);
    QString host = local.toString();
    if (!v4) host = QLatin1Char('[') + host.section(QLatin1Char('%'), 0, 0) + QLatin1Char(']');
    return "default-src 'none'; script-src 'self'; style-src 'self'; img-src 'self' data:; "
           "connect-src 'self' ws://" + host.toLatin1() + ':' +
           QByteArray::number(socket->localPort()) +
           "; base-uri 'none'; form-action 'none'; frame-ancestors 'none'";
}

QByteArray ClassViewServer::answer(const RequestHead& head, const RouteResult& route,
                                   QTcpSocket* socket) {
    const QByteArray none = "default-src 'none'";
    const bool english = prefersEnglish(head.header("accept-language"));
    const auto page = [&](int status, QByteArrayView extra = {}) {
        return httpResponse(status, "text/html; charset=utf-8", statusPage(status, english), none,
                            extra);
    };
    const QByteArray& key = http_.at(socket).peer;
    // A download is made only while the address has allowance left, and then costs its size:
    // a page fetched again and again costs the program no more than the bound.
    const auto download = [&](const QByteArray& body, const QByteArray& fileName) {
        const QByteArray type =
            route.csv ? "text/csv; charset=utf-8" : "text/plain; charset=windows-1252";
        peer(key).downloadBytes -= double(body.size());
        return httpResponse(200, type, body, none,
                            "Content-Disposition: attachment; filename=\"" + fileName + "\"\r\n");
    };
    if (route.route == Route::DataText || route.route == Route::RunText) {
        const double left = downloadAllowance(peer(key));
        if (left <= 0) {
            const double rate = double(limits_.downloadBytesPerSecond);
            return page(429, "Retry-After: " + QByteArray::number(qint64(std::ceil(-left / rate)) + 1) +
                                 "\r\n");
        }
    }
    switch (route.route) {
    case Route::Forbidden:
        return page(403);
    case Route::BadRequest: return httpResponse(400, {}, {}, none);
    case Route::MethodNotAllowed:
        return page(405);
    case Route::NotFound:
        return page(404);
    case Route::Redirect:
        return httpResponse(301, {}, {}, none, "Location: /" + code_.toLatin1() + "/\r\n");
    case Route::Page: {
        const QByteArray full = fullPage(head, key);
        if (!full.isEmpty()) return httpResponse(503, "text/html; charset=utf-8", full, none);
        return httpResponse(200, "text/html; charset=utf-8", asset("index.html"), csp(socket));
    }
    case Route::Script:
        return httpResponse(200, "text/javascript; charset=utf-8", asset("app.js"), none);
    case Route::Style: return httpResponse(200, "text/css; charset=utf-8", asset("style.css"), none);
    case Route::DataText:
        return download(dataText(layout(route, head)),
                        route.csv ? "kurvimat-daten.csv" : "kurvimat-daten.txt");
    case Route::RunText: {
        const QByteArray text = runText(route.runId, layout(route, head));
        if (text.isNull()) return page(404);
        return download(text, "kurvimat-messreihe-" + QByteArray::number(route.runId) +
                                  (route.csv ? ".csv" : ".txt"));
    }
    case Route::WebSocket: break;
    }
    return httpResponse(400, {}, {}, none);
}

QByteArray ClassViewServer::dataText(const MeasurementTextFormat& layout) const {
    return exchange::measurementFileBytes(
        exchange::formatPoints(session::pointColumns(session_.store().Data), session_.calibration(),
                               layout.layout, layout.decimalMark),
        layout.layout);
}

QByteArray ClassViewServer::runText(qint64 id, const MeasurementTextFormat& layout) const {
    const session::Run* run = runs_ ? runs_->find(id) : nullptr;
    if (!run) return {};
    QByteArray bytes = exchange::measurementFileBytes(
        exchange::formatPoints(session::pointColumns(run->points), session_.calibration(),
                               layout.layout, layout.decimalMark),
        layout.layout);
    if (bytes.isNull()) bytes = "";
    return bytes;
}

// --- watchers ---

// The upgrade is answered here: the handshake is one line of hashing, and the frames are
// written by this server, so that what a tick sends is one write per page.
void ClassViewServer::upgrade(QTcpSocket* socket, const ParsedHead& parsed) {
    const QByteArray key = http_.at(socket).peer;
    http_.erase(socket);
    --peer(key).heads;
    socket->disconnect(this);
    delete socket->findChild<QTimer*>(QStringLiteral("deadline"));
    Client client{key, {}, socket->read(qint64(limits_.maxHeadBytes) + 1).mid(parsed.length), 0};
    // What a page sends is read as it comes and dropped, a frame at most at a time.
    socket->setReadBufferSize(4 * MaxIncomingBytes);
    socket->write(
        "HTTP/1.1 101 Switching Protocols\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
        "Sec-WebSocket-Accept: " +
        webSocketAccept(parsed.head.header("sec-websocket-key")) + "\r\n\r\n");
    // The first page brings the state up to the session: without pages nothing was kept.
    if (clients_.empty()) advance();
    clients_.emplace(socket, std::move(client));
    ++peer(key).watching;
    connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrames(socket); });
    connect(socket, &QTcpSocket::disconnected, this, [this, socket] { dropWatcher(socket); });
    sendWhole(socket);
    if (clients_.count(socket)) readFrames(socket);
    emit watchersChanged(watchers());
}

void ClassViewServer::readFrames(QTcpSocket* socket) {
    const auto it = clients_.find(socket);
    if (it == clients_.end()) return;
    Client& c = it->second;
    c.incoming += socket->readAll();
    for (;;) {
        const WsFrame f = readWebSocketFrame(c.incoming, MaxIncomingBytes);
        switch (f.status) {
        case WsFrameStatus::Incomplete:
            return;
        case WsFrameStatus::Bad:
            closeWatcher(socket, 1002);
            return;
        case WsFrameStatus::TooLarge:
            closeWatcher(socket, 1009);
            return;
        case WsFrameStatus::Complete:
            break;
        }
        c.incoming.remove(0, f.length);
        switch (f.opcode) {
        case WsOpcode::Close:
            closeWatcher(socket, 1000);
            return;
        case WsOpcode::Ping: {
            QByteArray pong;
            appendWebSocketFrame(pong, WsOpcode::Pong, f.payload);
            if (!send(socket, pong)) return;
            break;
        }
        case WsOpcode::Pong:
            break;
        default:
            // Not read, but a message may not grow beyond the bound in pieces either.
            c.messageBytes =
                (f.opcode == WsOpcode::Continuation ? c.messageBytes : 0) + f.payload.size();
            if (c.messageBytes > MaxIncomingBytes) {
                closeWatcher(socket, 1009);
                return;
            }
        }
    }
}

void ClassViewServer::forgetWatcher(QTcpSocket* socket) {
    const auto it = clients_.find(socket);
    if (it == clients_.end()) return;
    const QByteArray key = it->second.peer;
    clients_.erase(it);
    --peer(key).watching;
    prunePeer(key);
    socket->disconnect(this);
    emit watchersChanged(watchers());
}

// The page is told why, then let go; one that does not take the close is cut at the deadline.
void ClassViewServer::closeWatcher(QTcpSocket* socket, quint16 code) {
    if (!clients_.count(socket)) return;
    forgetWatcher(socket);
    disconnect(socket, nullptr, this, nullptr);
    connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(limits_.headTimeoutMs, socket, [socket] { socket->abort(); });
    socket->write(webSocketCloseFrame(code));
    socket->disconnectFromHost();
}

void ClassViewServer::dropWatcher(QTcpSocket* socket) {
    if (!clients_.count(socket)) return;
    forgetWatcher(socket);
    socket->abort();
    socket->deleteLater();
}

bool ClassViewServer::send(QTcpSocket* socket, const QByteArray& frames) {
    // The program never waits for a page: one that does not take what it was sent is let go
    // before its backlog outgrows the bound.
    if (socket->bytesToWrite() + frames.size() > limits_.maxPendingBytes) {
        dropWatcher(socket);
        return false;
    }
    // Straight to the kernel while nothing waits in the socket's own buffer: Qt switches its
    // write notifier on and off for every write, which for a tick's few hundred bytes cost more
    // than the sending. What the kernel does not take goes through the socket as before.
    qint64 sent = 0;
    if (socket->bytesToWrite() == 0 && socket->socketDescriptor() >= 0) {
        const ssize_t n = ::send(int(socket->socketDescriptor()), frames.constData(),
                                 std::size_t(frames.size()), MSG_DONTWAIT | MSG_NOSIGNAL);
        if (n > 0) sent = n;
    }
    if (sent == 0) socket->write(frames); // shared with the other pages, not copied
    else if (sent < frames.size()) socket->write(frames.sliced(sent));
    return true;
}

qint64 ClassViewServer::pendingBytes() const {
    qint64 sum = 0;
    for (const auto& [socket, client] : clients_)
        sum += socket->bytesToWrite();
    return sum;
}

// A new page gets what the others hold: the settings, the points as sent, the shown runs.
void ClassViewServer::sendWhole(QTcpSocket* socket) {
    QByteArray frames;
    if (!meta_.isEmpty()) {
        appendWebSocketFrame(frames, WsOpcode::Binary, meta_);
        appendWebSocketFrame(frames, WsOpcode::Binary, live_);
    }
    for (const auto& [kind, s] :
         {std::pair{SetKind::Data, &data_}, {SetKind::Snapshot, &snapshot_}})
        appendWebSocketFrame(frames, WsOpcode::Binary,
                             encodePointFrame(kind, 0, true, 0, s->t(), s->a(), s->b(), s->hasB(),
                                              s->wholeColumns()));
    if (send(socket, frames)) sendRuns(shown_);
}

void ClassViewServer::sendRuns(const std::vector<ShownRun>& shown) {
    if (!runs_) return;
    int count = 0;
    for (const ShownRun& s : shown) {
        if (++count > limits_.maxRuns) break;
        const session::Run* run = runs_->find(s.id);
        if (!run) continue;
        const std::vector<DrawnColumn>& columns = s.columns;
        QByteArray frame; // made once, for the first page that lacks it
        std::vector<QTcpSocket*> lacking;
        for (const auto& [socket, client] : clients_) {
            // A page that holds the run with other columns gets it again with the drawn ones.
            const auto held = client.runs.find(s.id);
            if (held == client.runs.end() || held->second != columns) lacking.push_back(socket);
        }
        for (QTcpSocket* socket : lacking) {
            const session::PointSet& p = run->points;
            if (frame.isEmpty()) {
                std::vector<FrameColumn> parts;
                if (signals::ColumnsFit(p.columns(), std::size_t(p.size())))
                    for (const DrawnColumn& c : columns)
                        if (c.index < p.columns().size())
                            parts.push_back({c.index, 0, p.columns()[c.index].values});
                appendWebSocketFrame(frame, WsOpcode::Binary,
                                     encodePointFrame(SetKind::Run, quint32(s.id), true, 0,
                                                      p.times(), p.valuesA(), p.valuesB(), p.hasB(),
                                                      parts));
            }
            if (send(socket, frame)) clients_[socket].runs[s.id] = columns;
        }
    }
}

ClassViewServer::MetaInputs ClassViewServer::metaInputs(const std::vector<ShownRun>& shown) const {
    const acquisition::MeasurementStore& s = session_.store();
    const acquisition::TriggerSettings& trigger = session_.trigger();
    MetaInputs m;
    m.nameA = s.NameA, m.unitA = s.UnitA, m.defA = s.AppliedDefA;
    m.nameB = s.NameB, m.unitB = s.UnitB, m.defB = s.AppliedDefB;
    m.ranges = {std::bit_cast<quint32>(s.DefMinA),      std::bit_cast<quint32>(s.DefMaxA),
                std::bit_cast<quint32>(s.DefMinB),      std::bit_cast<quint32>(s.DefMaxB),
                std::bit_cast<quint32>(s.TimeRangeMin), std::bit_cast<quint32>(s.TimeRangeMax)};
    m.onA = session_.view().showA;
    m.onB = session_.view().showB && !s.ChannelBOff();
    m.loaded = s.Data.Loaded;
    m.channelA = trigger.channelA;
    m.rising = trigger.rising;
    m.intervalMs = s.IntervalMs;
    m.pointCount = s.PointCount;
    m.mode = int(trigger.mode);
    m.drawn = drawn_;
    m.plotMode = int(session_.view().mode);
    if (session_.view().mode == analysis::PlotMode::Quantities) m.quantities = chosenQuantities();
    const auto texts = [&](const std::vector<DrawnColumn>& drawn,
                           std::span<const QuantityColumn> columns) {
        for (const DrawnColumn& c : drawn) {
            if (c.index >= columns.size()) continue;
            m.columnTexts.push_back(columns[c.index].name);
            m.columnTexts.push_back(columns[c.index].unit);
        }
    };
    texts(drawn_.data, s.Data.Further());
    texts(drawn_.snapshot, s.Snap.Further());
    if (runs_) {
        for (const session::Run& run : runs_->runs()) {
            qint64 colour = -1;
            std::vector<DrawnColumn> columns;
            for (const ShownRun& sr : shown)
                if (sr.id == run.id) colour = sr.rgb, columns = sr.columns;
            texts(columns, run.points.columns());
            m.runs.emplace_back(run.id, run.name, run.points.size(), colour, std::move(columns));
        }
    }
    return m;
}

// Named as the window's axes name them (display::QuantityRefs, above this library).
std::vector<ClassViewServer::ChosenQuantity> ClassViewServer::chosenQuantities() const {
    const session::ViewSettings& v = session_.view();
    const StoredPoints& d = session_.store().Data;
    const std::span<const QuantityColumn> further = d.Further();
    std::vector<ChosenQuantity> chosen;
    for (const QString& key : {v.axisX, v.axisLeft, v.axisRight}) {
        ChosenQuantity q{key};
        const auto name = [&](const QString& n, const QString& unit) {
            q.name = n.isEmpty() ? key : n;
            q.unit = unit;
            q.held = true;
        };
        const auto channel = [&](const QString& definition) {
            const signals::DefinitionParts parts = signals::PointSetParts(definition);
            name(parts.name, parts.unit);
        };
        if (key == u"t")
            name(QCoreApplication::translate("QuantityAxes", "Zeit t"), QStringLiteral("s"));
        else if (key == u"A" && !d.NoValueA)
            channel(d.DefA);
        else if (key == u"B" && d.HasB && !d.NoValueB)
            channel(d.DefB);
        for (std::size_t i = 0; i < further.size() && !key.isEmpty() && !q.held; ++i)
            if (further[i].header == key) name(further[i].name, further[i].unit), q.column = int(i);
        chosen.push_back(std::move(q));
    }
    return chosen;
}

QByteArray ClassViewServer::meta(const std::vector<ShownRun>& shown) const {
    const acquisition::MeasurementStore& s = session_.store();
    const auto channel = [](const QString& name, const QString& unit, const QString& def,
                            float min, float max, bool on) {
        return QJsonObject{{"name", name}, {"unit", unit}, {"def", def},
                           {"min", min},   {"max", max},   {"on", on}};
    };
    const acquisition::TriggerSettings& trigger = session_.trigger();
    // The drawn further columns of a set; the data's with the colours the plot draws them in.
    const auto columns = [](const std::vector<DrawnColumn>& drawn,
                            std::span<const QuantityColumn> further, bool coloured) {
        QJsonArray list;
        for (const DrawnColumn& d : drawn) {
            if (d.index >= further.size()) continue;
            const QuantityColumn& c = further[d.index];
            QJsonObject o{{"index", d.index},
                          {"name", c.name},
                          {"unit", c.unit},
                          {"axis", d.right ? "right" : "left"}};
            if (coloured) o.insert(QStringLiteral("color"), colourName(d.rgb));
            list.append(o);
        }
        return list;
    };
    QJsonArray runs;
    if (runs_) {
        for (const session::Run& run : runs_->runs()) {
            QJsonObject r{{"id", run.id}, {"name", run.name}, {"points", run.points.size()}};
            for (const ShownRun& sr : shown) {
                if (sr.id != run.id) continue;
                r.insert(QStringLiteral("color"), colourName(sr.rgb));
                if (!sr.columns.empty())
                    r.insert(QStringLiteral("columns"),
                             columns(sr.columns, run.points.columns(), false));
            }
            runs.append(r);
        }
    }
    QJsonObject o{
        {"type", "meta"},
        {"a",
         channel(s.NameA, s.UnitA, s.AppliedDefA, s.DefMinA, s.DefMaxA, session_.view().showA)},
        {"b", channel(s.NameB, s.UnitB, s.AppliedDefB, s.DefMinB, s.DefMaxB,
                      session_.view().showB && !s.ChannelBOff())},
        {"time", QJsonObject{{"min", s.TimeRangeMin}, {"max", s.TimeRangeMax}}},
        {"intervalMs", s.IntervalMs},
        {"pointCount", s.PointCount},
        {"loaded", s.Data.Loaded},
        {"trigger", QJsonObject{{"mode", modeName(trigger.mode)},
                                {"channel", trigger.channelA ? "A" : "B"},
                                {"rising", trigger.rising}}},
        {"runs", runs},
    };
    if (!drawn_.data.empty())
        o.insert(QStringLiteral("columns"), columns(drawn_.data, s.Data.Further(), true));
    if (drawn_.rightAxis >= 0 && drawn_.rightAxis < int(s.Data.Further().size()))
        o.insert(QStringLiteral("rightAxis"), drawn_.rightAxis);
    if (!drawn_.snapshot.empty())
        o.insert(QStringLiteral("snapshotColumns"),
                 columns(drawn_.snapshot, s.Snap.Further(), false));
    // The plot's mode; the plot of quantities with its quantities, a page finds their values
    // among the data's channels and columns. One the points do not hold goes by its key alone.
    QJsonObject plot{{"mode", plotModeName(session_.view().mode)}};
    const char* sides[] = {"x", "left", "right"};
    for (std::size_t i = 0; i < metaInputs_.quantities.size() && i < 3; ++i) {
        const ChosenQuantity& q = metaInputs_.quantities[i];
        if (q.key.isEmpty()) continue;
        QJsonObject side{{"key", q.key}};
        if (q.held) {
            side.insert(QStringLiteral("name"), q.name);
            side.insert(QStringLiteral("unit"), q.unit);
            side.insert(QStringLiteral("title"),
                        q.unit.isEmpty() ? q.name : q.name + QStringLiteral(" in ") + q.unit);
        }
        if (q.column >= 0) side.insert(QStringLiteral("column"), q.column);
        plot.insert(QLatin1String(sides[i]), side);
    }
    o.insert(QStringLiteral("plot"), plot);
    return QJsonDocument(o).toJson(QJsonDocument::Compact);
}

// The readouts and the trigger's state change with nearly every report, the rest seldom: they
// go apart, so a tick sends a few dozen bytes of text rather than the whole settings.
QByteArray ClassViewServer::live() const {
    const acquisition::MeasurementStore& s = session_.store();
    const char* state = session_.trigger().hold ? "held" : s.TriggerPos >= 0 ? "running" : "waiting";
    return "{\"type\":\"live\",\"a\":" + jsonNumber(s.LabelValueA) + ",\"b\":" +
           jsonNumber(s.LabelValueB) + ",\"state\":\"" + state + "\"}";
}

void ClassViewServer::tick(const std::vector<ShownRun>& shown, const DrawnColumns& columns) {
    if (!running()) return;
    shown_ = shown;
    drawn_ = columns;
    // Without a page nothing is made: the first one brings the state up to the session.
    if (clients_.empty()) return;
    const QByteArray frames = advance();
    // Sending may drop a page, which changes the map: walk over a copy of the keys.
    std::vector<QTcpSocket*> sockets;
    for (const auto& [socket, client] : clients_)
        sockets.push_back(socket);
    if (!frames.isEmpty())
        for (QTcpSocket* socket : sockets)
            send(socket, frames);
    sendRuns(shown_);
}

QByteArray ClassViewServer::advance() {
    QByteArray frames;
    // The settings' JSON is made only when what it is made of changed.
    MetaInputs inputs = metaInputs(shown_);
    if (meta_.isEmpty() || !(inputs == metaInputs_)) {
        metaInputs_ = std::move(inputs);
        QByteArray m = meta(shown_);
        if (m != meta_) {
            meta_ = std::move(m);
            appendWebSocketFrame(frames, WsOpcode::Binary, meta_);
        }
    }
    QByteArray l = live();
    if (l != live_) {
        live_ = std::move(l);
        appendWebSocketFrame(frames, WsOpcode::Binary, live_);
    }
    const acquisition::MeasurementStore& s = session_.store();
    const auto frame = [](SetKind kind, SentPoints& sent, const StoredPoints& p,
                          const std::vector<DrawnColumn>& drawn) {
        const int n = std::clamp(p.Count, 0, acquisition::PointCapacity);
        std::vector<ColumnSource> columns;
        const std::span<const QuantityColumn> further = p.Further();
        for (const DrawnColumn& d : drawn)
            if (d.index < further.size())
                columns.push_back({d.index, further[d.index].values, p.SettledCount(d.index)});
        const SentPoints::Change c =
            sent.update(column(p.T, n), column(p.A, n), column(p.B, n), p.HasB, columns);
        if (!c.any) return QByteArray();
        const auto from = [&](const std::vector<float>& v) {
            return std::span<const float>(v).subspan(std::size_t(c.first));
        };
        return encodePointFrame(kind, 0, c.reset, c.first, from(sent.t()), from(sent.a()),
                                from(sent.b()), sent.hasB(), c.columns);
    };
    // The automatic snapshot at a trigger is the sweep the pages hold and the points stored
    // since the last tick: they copy the one and get only the others, before the new sweep.
    QByteArray snapshot;
    const int sn = std::clamp(s.Snap.Count, 0, acquisition::PointCapacity);
    const auto snap = [&](const SentPoints& sent) {
        return sent.beginsWith(column(s.Snap.T, sn), column(s.Snap.A, sn), column(s.Snap.B, sn),
                               s.Snap.HasB);
    };
    const bool snapshotSent = snap(snapshot_) && snapshot_.size() >= data_.size();
    if (data_.size() > 0 && snap(data_) && !snapshotSent) {
        snapshot_ = data_;
        snapshot = frame(SetKind::Snapshot, snapshot_, s.Snap, drawn_.snapshot);
        if (snapshot.isEmpty())
            snapshot = encodePointFrame(SetKind::Snapshot, 0, false, data_.size(), {}, {}, {},
                                        data_.hasB());
        snapshot[1] = char(snapshot[1] | frame_flags::CopyOfData);
    } else {
        snapshot = frame(SetKind::Snapshot, snapshot_, s.Snap, drawn_.snapshot);
    }
    if (!snapshot.isEmpty()) appendWebSocketFrame(frames, WsOpcode::Binary, snapshot);
    // The plot of quantities reads its chosen columns on the page, whether the time plot draws
    // them or not.
    std::vector<DrawnColumn> withChosen;
    for (const ChosenQuantity& q : metaInputs_.quantities) {
        if (q.column < 0) continue;
        if (withChosen.empty()) withChosen = drawn_.data;
        if (std::ranges::none_of(withChosen,
                                 [&](const DrawnColumn& c) { return c.index == q.column; }))
            withChosen.push_back({std::uint8_t(q.column)});
    }
    const QByteArray data =
        frame(SetKind::Data, data_, s.Data, withChosen.empty() ? drawn_.data : withChosen);
    if (!data.isEmpty()) appendWebSocketFrame(frames, WsOpcode::Binary, data);
    return frames;
}

} // namespace kurvimat::classview
