// The class view: a small web server inside the program that shows the session, read-only,
// in the browsers of a class. It reads the session (never the widgets), and on every tick of
// the window's 50 ms timer sends what is new to the watching pages; it never waits for one.
#pragma once

#include "HttpRequest.h"
#include "MeasurementText.h"
#include "PointFrames.h"

#include <QByteArray>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUrl>

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <vector>

class QTcpServer;
class QTcpSocket;
class QWebSocket;
class QWebSocketServer;

namespace kurvimat::session {
class Session;
class RunList;
} // namespace kurvimat::session

namespace kurvimat::classview {

/// The port asked for first; when it is taken, the system gives one.
inline constexpr quint16 DefaultPort = 8642;

/// A run the window shows over the plot, with its colour (0xRRGGBB).
struct ShownRun {
    qint64 id = 0;
    quint32 rgb = 0;
};

class ClassViewServer : public QObject {
    Q_OBJECT

public:
    explicit ClassViewServer(const session::Session& session, Limits limits = {},
                             QObject* parent = nullptr);
    ~ClassViewServer() override;

    /// Starts a freigabe with a new access code on every address of the computer (or only on
    /// `address`). False with errorText() in German when no port could be had.
    bool start(const QHostAddress& address = QHostAddress::Any, quint16 port = DefaultPort);
    void stop();
    bool running() const;
    QString errorText() const { return error_; }
    QString accessCode() const { return code_; }
    quint16 port() const;
    /// The page's address on the computer's first network address (loopback without one).
    QUrl address() const;
    int watchers() const { return int(clients_.size()); }
    /// Bytes not yet sent to the watchers, together.
    qint64 pendingBytes() const;

    /// The runs a page may download, and whose shown ones it draws; the list outlives the server.
    void setRuns(const session::RunList* runs) { runs_ = runs; }
    /// Sends what changed since the last tick: settings and readouts, new points, runs.
    void tick(const std::vector<ShownRun>& shown = {});

Q_SIGNALS:
    void watchersChanged(int count);

private:
    struct Client {
        std::set<qint64> runs; // runs whose points it has
    };
    void acceptHttp();
    void readHead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QByteArray& response);
    void forgetHttp(QTcpSocket* socket);
    QByteArray answer(const RequestHead& head, const RouteResult& route, QTcpSocket* socket);
    QByteArray csp(QTcpSocket* socket) const;
    void acceptWatcher();
    void dropWatcher(QWebSocket* socket);
    bool send(QWebSocket* socket, const QByteArray& message);
    void sendRuns(const std::vector<ShownRun>& shown);
    void sendWhole(QWebSocket* socket);
    QByteArray meta(const std::vector<ShownRun>& shown) const;
    QByteArray live() const;
    // The program's TAB text, or CSV with the decimal mark of the browser's language.
    QByteArray runText(qint64 id, const exchange::MeasurementTextFormat& layout) const;
    QByteArray dataText(const exchange::MeasurementTextFormat& layout) const;

    const session::Session& session_;
    const Limits limits_;
    const session::RunList* runs_ = nullptr;
    std::unique_ptr<QTcpServer> tcp_;
    std::unique_ptr<QWebSocketServer> ws_;
    std::set<QTcpSocket*> http_;
    std::map<QWebSocket*, Client> clients_;
    QString code_, error_;
    QByteArray meta_, live_;
    std::vector<ShownRun> shown_;
    SentPoints data_, snapshot_;
};

} // namespace kurvimat::classview
