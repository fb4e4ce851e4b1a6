#include "ClassViewServer.h"

#include "Codec1252.h"
#include "MeasurementText.h"
#include "Session.h"
#include "SignalDefinition.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkInterface>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QWebSocket>
#include <QWebSocketServer>

#include <cmath>
#include <span>

static void initClassViewResources() { Q_INIT_RESOURCE(classview); }

namespace kurvimat::classview {

using acquisition::StoredPoints;
using acquisition::TriggerMode;
using exchange::MeasurementTextFormat;
using signals::SignalChannel;

namespace {

// What a page may send: nothing is read from it, so a little is enough for a ping or a close.
constexpr quint64 MaxIncomingBytes = 1024;

QByteArray asset(const char* name) {
    QFile file(QStringLiteral(":/classview/") + QLatin1String(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QByteArray fullPage(bool english) {
    const QByteArray text = english
        ? "The class is full: 60 devices are watching already. Try again when one has left."
        : "Die Klasse ist voll: Es sehen schon 60 Geräte zu. Versuche es wieder, wenn eines "
          "gegangen ist.";
    return "<!DOCTYPE html><html lang=\"" + QByteArray(english ? "en" : "de") +
           "\"><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width\">"
           "<title>Kurvimat</title><p>" + text + "</p></html>";
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

QByteArray downloadHeader(const QByteArray& fileName) {
    return "Content-Disposition: attachment; filename=\"" + fileName + "\"\r\n";
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
    ws_ = std::make_unique<QWebSocketServer>(QStringLiteral("Kurvimat"),
                                             QWebSocketServer::NonSecureMode);
    ws_->setHandshakeTimeout(std::chrono::milliseconds(limits_.headTimeoutMs));
    ws_->setMaxPendingConnections(limits_.maxClients);
    connect(ws_.get(), &QWebSocketServer::newConnection, this, &ClassViewServer::acceptWatcher);
    code_ = newAccessCode();
    error_.clear();
    meta_.clear();
    live_.clear();
    data_.clear();
    snapshot_.clear();
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
    for (QTcpSocket* socket : http_) {
        socket->disconnect(this);
        socket->abort();
        socket->deleteLater();
    }
    http_.clear();
    ws_.reset();
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

qint64 ClassViewServer::pendingBytes() const {
    qint64 sum = 0;
    for (const auto& [socket, client] : clients_) sum += socket->bytesToWrite();
    return sum;
}

// --- HTTP ---

void ClassViewServer::acceptHttp() {
    while (QTcpSocket* socket = tcp_->nextPendingConnection()) {
        if (int(http_.size()) >= limits_.maxHttpConnections) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        http_.insert(socket);
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
}

void ClassViewServer::forgetHttp(QTcpSocket* socket) {
    if (http_.erase(socket) == 0) return;
    socket->disconnect(this);
    socket->deleteLater();
}

void ClassViewServer::respond(QTcpSocket* socket, const QByteArray& response) {
    // From here on nothing it sends is read; the deadline still ends a client that never takes
    // the answer.
    disconnect(socket, &QTcpSocket::readyRead, this, nullptr);
    socket->write(response);
    socket->disconnectFromHost();
}

void ClassViewServer::readHead(QTcpSocket* socket) {
    if (!http_.count(socket)) return;
    const QByteArray bytes = socket->peek(limits_.maxHeadBytes + 1);
    const ParsedHead parsed = parseRequestHead(bytes, limits_);
    switch (parsed.status) {
    case HeadStatus::Incomplete: return;
    case HeadStatus::TooLarge: respond(socket, httpResponse(431, {}, {}, "default-src 'none'")); return;
    case HeadStatus::Bad: respond(socket, httpResponse(400, {}, {}, "default-src 'none'")); return;
    case HeadStatus::Complete: break;
    }
    const RouteResult route = routeRequest(parsed.head, code_);
    if (route.route != Route::WebSocket) {
        respond(socket, answer(parsed.head, route, socket));
        return;
    }
    if (watchers() >= limits_.maxClients) {
        respond(socket, httpResponse(503, "text/html; charset=utf-8",
                                     fullPage(prefersEnglish(parsed.head.header("accept-language"))),
                                     "default-src 'none'"));
        return;
    }
    // The head stays unread: the WebSocket server reads the same upgrade request again.
    http_.erase(socket);
    socket->disconnect(this);
    delete socket->findChild<QTimer*>(QStringLiteral("deadline"));
    socket->setReadBufferSize(0);
    ws_->handleConnection(socket);
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
    switch (route.route) {
    case Route::Forbidden: return httpResponse(403, {}, {}, none);
    case Route::BadRequest: return httpResponse(400, {}, {}, none);
    case Route::MethodNotAllowed: return httpResponse(405, {}, {}, none);
    case Route::NotFound: return httpResponse(404, {}, {}, none);
    case Route::Page:
        if (watchers() >= limits_.maxClients)
            return httpResponse(503, "text/html; charset=utf-8",
                                fullPage(prefersEnglish(head.header("accept-language"))), none);
        return httpResponse(200, "text/html; charset=utf-8", asset("index.html"), csp(socket));
    case Route::Script:
        return httpResponse(200, "text/javascript; charset=utf-8", asset("app.js"), none);
    case Route::Style: return httpResponse(200, "text/css; charset=utf-8", asset("style.css"), none);
    case Route::DataText:
        return httpResponse(200, route.csv ? "text/csv; charset=utf-8" : "text/plain",
                            dataText(layout(route, head)), none,
                            downloadHeader(route.csv ? "kurvimat-daten.csv" : "kurvimat-daten.txt"));
    case Route::RunText: {
        const QByteArray text = runText(route.runId, layout(route, head));
        if (text.isNull()) return httpResponse(404, {}, {}, none);
        return httpResponse(200, route.csv ? "text/csv; charset=utf-8" : "text/plain", text, none,
                            downloadHeader("kurvimat-messreihe-" +
                                           QByteArray::number(route.runId) +
                                           (route.csv ? ".csv" : ".txt")));
    }
    case Route::WebSocket: break;
    }
    return httpResponse(400, {}, {}, none);
}

QByteArray ClassViewServer::dataText(const MeasurementTextFormat& layout) const {
    const StoredPoints& p = session_.store().Data;
    MeasurementTextFormat format =
        exchange::PointSetTextFormat(p.Loaded, p.HasB, p.DefA, p.DefB, session_.calibration());
    format.layout = layout.layout;
    format.decimalMark = layout.decimalMark;
    if (p.Exact()) // loaded points go back with the digits they were read with
        return exchange::measurementFileBytes(
            exchange::formatMeasurementText(p.DefA, p.DefB, p.ExactT, p.ExactA, p.ExactB, format),
            format.layout);
    return exchange::formatMeasurementFile(p.DefA, p.DefB, column(p.T, p.Count),
                                           column(p.A, p.Count), column(p.B, p.Count), format);
}

QByteArray ClassViewServer::runText(qint64 id, const MeasurementTextFormat& layout) const {
    const session::Run* run = runs_ ? runs_->find(id) : nullptr;
    if (!run) return {};
    const session::PointSet& p = run->points;
    MeasurementTextFormat format = exchange::PointSetTextFormat(
        !p.recorded(), p.hasB(), p.definitionA(), p.definitionB(), session_.calibration());
    format.layout = layout.layout;
    format.decimalMark = layout.decimalMark;
    QByteArray bytes =
        p.exact() ? exchange::measurementFileBytes(
                        exchange::formatMeasurementText(p.definitionA(), p.definitionB(),
                                                        p.exactTimes(), p.exactValuesA(),
                                                        p.exactValuesB(), format),
                        format.layout)
                  : exchange::formatMeasurementFile(p.definitionA(), p.definitionB(), p.times(),
                                                    p.valuesA(), p.valuesB(), format);
    if (bytes.isNull()) bytes = "";
    return bytes;
}

// --- watchers ---

void ClassViewServer::acceptWatcher() {
    while (QWebSocket* socket = ws_->nextPendingConnection()) {
        if (watchers() >= limits_.maxClients) {
            socket->close(QWebSocketProtocol::CloseCodePolicyViolated, QStringLiteral("voll"));
            socket->deleteLater();
            continue;
        }
        socket->setParent(nullptr);
        socket->setMaxAllowedIncomingFrameSize(MaxIncomingBytes);
        socket->setMaxAllowedIncomingMessageSize(MaxIncomingBytes);
        clients_.emplace(socket, Client{});
        connect(socket, &QWebSocket::disconnected, this, [this, socket] { dropWatcher(socket); });
        sendWhole(socket);
        emit watchersChanged(watchers());
    }
}

void ClassViewServer::dropWatcher(QWebSocket* socket) {
    if (clients_.erase(socket) == 0) return;
    socket->disconnect(this);
    socket->abort();
    socket->deleteLater();
    emit watchersChanged(watchers());
}

bool ClassViewServer::send(QWebSocket* socket, const QByteArray& message) {
    // The program never waits for a page: one that does not take what it was sent is let go
    // before its backlog outgrows the bound.
    if (socket->bytesToWrite() + message.size() > limits_.maxPendingBytes) {
        dropWatcher(socket);
        return false;
    }
    // The JSON goes as a binary message too: a text message would be converted to UTF-16 and
    // back for every page.
    socket->sendBinaryMessage(message);
    return true;
}

// A new page gets what the others hold: the settings, the points as sent, the shown runs.
void ClassViewServer::sendWhole(QWebSocket* socket) {
    if (!meta_.isEmpty() && (!send(socket, meta_) || !send(socket, live_))) return;
    const auto whole = [&](SetKind kind, const SentPoints& s) {
        return send(socket, encodePointFrame(kind, 0, true, 0, s.t(), s.a(), s.b(), s.hasB()));
    };
    if (!whole(SetKind::Data, data_) || !whole(SetKind::Snapshot, snapshot_)) return;
    sendRuns(shown_);
}

void ClassViewServer::sendRuns(const std::vector<ShownRun>& shown) {
    if (!runs_) return;
    int count = 0;
    for (const ShownRun& s : shown) {
        if (++count > limits_.maxRuns) break;
        const session::Run* run = runs_->find(s.id);
        if (!run) continue;
        QByteArray frame; // made once, for the first page that lacks it
        std::vector<QWebSocket*> lacking;
        for (const auto& [socket, client] : clients_)
            if (!client.runs.count(s.id)) lacking.push_back(socket);
        for (QWebSocket* socket : lacking) {
            const session::PointSet& p = run->points;
            if (frame.isEmpty())
                frame = encodePointFrame(SetKind::Run, quint32(s.id), true, 0, p.times(),
                                         p.valuesA(), p.valuesB(), p.hasB());
            if (send(socket, frame)) clients_[socket].runs.insert(s.id);
        }
    }
}

QByteArray ClassViewServer::meta(const std::vector<ShownRun>& shown) const {
    const acquisition::MeasurementStore& s = session_.store();
    const auto channel = [](const QString& name, const QString& unit, const QString& def,
                            float min, float max, bool on) {
        return QJsonObject{{"name", name}, {"unit", unit}, {"def", def},
                           {"min", min},   {"max", max},   {"on", on}};
    };
    const acquisition::TriggerSettings& trigger = session_.trigger();
    QJsonArray runs;
    if (runs_) {
        for (const session::Run& run : runs_->runs()) {
            QJsonObject r{{"id", run.id}, {"name", run.name}, {"points", run.points.size()}};
            for (const ShownRun& sr : shown)
                if (sr.id == run.id) r.insert(QStringLiteral("color"), colourName(sr.rgb));
            runs.append(r);
        }
    }
    const QJsonObject o{
        {"type", "meta"},
        {"a", channel(s.NameA, s.UnitA, s.AppliedDefA, s.DefMinA, s.DefMaxA, session_.view().showA)},
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

void ClassViewServer::tick(const std::vector<ShownRun>& shown) {
    if (!running()) return;
    QByteArray m = meta(shown);
    const bool metaChanged = m != meta_;
    if (metaChanged) meta_ = std::move(m);
    QByteArray l = live();
    const bool liveChanged = l != live_;
    if (liveChanged) live_ = std::move(l);
    shown_ = shown;
    const acquisition::MeasurementStore& s = session_.store();
    const auto frame = [](SetKind kind, SentPoints& sent, const StoredPoints& p) {
        const int n = std::clamp(p.Count, 0, acquisition::PointCapacity);
        const SentPoints::Change c =
            sent.update(column(p.T, n), column(p.A, n), column(p.B, n), p.HasB);
        if (!c.any) return QByteArray();
        const auto from = [&](const std::vector<float>& v) {
            return std::span<const float>(v).subspan(std::size_t(c.first));
        };
        return encodePointFrame(kind, 0, c.reset, c.first, from(sent.t()), from(sent.a()),
                                from(sent.b()), sent.hasB());
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
        snapshot = frame(SetKind::Snapshot, snapshot_, s.Snap);
        if (snapshot.isEmpty())
            snapshot = encodePointFrame(SetKind::Snapshot, 0, false, data_.size(), {}, {}, {},
                                        data_.hasB());
        snapshot[1] = char(snapshot[1] | frame_flags::CopyOfData);
    } else {
        snapshot = frame(SetKind::Snapshot, snapshot_, s.Snap);
    }
    const QByteArray data = frame(SetKind::Data, data_, s.Data);
    // Sending may drop a page, which changes the map: walk over a copy of the keys.
    std::vector<QWebSocket*> sockets;
    for (const auto& [socket, client] : clients_) sockets.push_back(socket);
    for (QWebSocket* socket : sockets) {
        if (metaChanged && !send(socket, meta_)) continue;
        if (liveChanged && !send(socket, live_)) continue;
        if (!snapshot.isEmpty() && !send(socket, snapshot)) continue;
        if (!data.isEmpty()) send(socket, data);
    }
    sendRuns(shown);
}

} // namespace kurvimat::classview
