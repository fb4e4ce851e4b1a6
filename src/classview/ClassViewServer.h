// The class view: a small web server inside the program that shows the session, read-only,
// in the browsers of a class. It reads the session (never the widgets), and on every tick of
// the window's 50 ms timer sends what is new to the watching pages; it never waits for one.
#pragma once

#include "HttpRequest.h"
#include "MeasurementText.h"
#include "PointFrames.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QHostAddress>
#include <QObject>
#include <QString>
#include <QUrl>

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <tuple>
#include <vector>

class QTcpServer;
class QTcpSocket;

namespace kurvimat::session {
class Session;
class RunList;
} // namespace kurvimat::session

namespace kurvimat::classview {

/// The port asked for first; when it is taken, the system gives one.
inline constexpr quint16 DefaultPort = 8642;

/// A further column the window's time plot draws: its index among its set's further columns,
/// whether against the right axis, and its colour (0xRRGGBB; a run's and the snapshot's are
/// drawn in the set's colour).
struct DrawnColumn {
    std::uint8_t index = 0;
    bool right = false;
    quint32 rgb = 0;
    bool operator==(const DrawnColumn&) const = default;
};

/// A run the window shows over the plot, with its colour (0xRRGGBB) and the further columns it
/// draws of it.
struct ShownRun {
    qint64 id = 0;
    quint32 rgb = 0;
    std::vector<DrawnColumn> columns = {};
};

/// The further columns the window's time plot draws of the data and the snapshot, and the data's
/// column that titles the right axis where no B is shown (-1: none). The window knows its rules
/// and colours (the display's); the server carries what it is told, the page draws it alike.
struct DrawnColumns {
    std::vector<DrawnColumn> data, snapshot;
    int rightAxis = -1;
    bool operator==(const DrawnColumns&) const = default;
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
    void tick(const std::vector<ShownRun>& shown = {}, const DrawnColumns& columns = {});

Q_SIGNALS:
    void watchersChanged(int count);

private:
    // What one address (an IPv6 /64) holds: its unfinished requests, its pages, and what it may
    // still download.
    struct Peer {
        int heads = 0, watching = 0;
        double downloadBytes = 0; // may go below zero: the debt of the last download
        qint64 refilledMs = 0;
    };
    struct HttpConnection {
        QByteArray peer;
        qint64 sinceMs = 0;
        bool answered = false;
    };
    struct Client {
        QByteArray peer;
        std::map<qint64, std::vector<DrawnColumn>> runs; // runs whose points it has, and columns
        QByteArray incoming;   // the start of a frame not yet complete
        qint64 messageBytes = 0;
    };
    // A quantity the plot of quantities shows, by its key ("t", "A", "B", a further column's
    // header); name and unit empty where the points do not hold it.
    struct ChosenQuantity {
        QString key, name = {}, unit = {};
        int column = -1; // among the data's further columns
        bool held = false;
        bool operator==(const ChosenQuantity&) const = default;
    };
    // What the settings' JSON is made of, compared on each tick so that the JSON is made only
    // when one of them changed. Floats by their bits: a NaN range is no change.
    struct MetaInputs {
        QString nameA, unitA, defA, nameB, unitB, defB;
        std::array<quint32, 6> ranges{};
        bool onA = false, onB = false, loaded = false, channelA = false, rising = false;
        int intervalMs = 0, pointCount = 0, mode = 0;
        // id, name, points, colour, drawn columns
        std::vector<std::tuple<qint64, QString, int, qint64, std::vector<DrawnColumn>>> runs;
        DrawnColumns drawn;
        std::vector<QString> columnTexts; // each drawn column's name and unit
        int plotMode = 0;
        std::vector<ChosenQuantity> quantities; // x, left, right of the plot of quantities
        bool operator==(const MetaInputs&) const = default;
    };
    void acceptHttp();
    int slowHeads(const QByteArray* peer) const;
    bool cutOldestHead(const QByteArray* peer);
    void readHead(QTcpSocket* socket);
    void respond(QTcpSocket* socket, const QByteArray& response);
    void answerWhenAllowed(QTcpSocket* socket, const RequestHead& head, const RouteResult& route);
    // What the address may still download, refilled to now; below zero: its debt.
    double downloadAllowance(Peer& p);
    void forgetHttp(QTcpSocket* socket);
    QByteArray answer(const RequestHead& head, const RouteResult& route, QTcpSocket* socket);
    QByteArray csp(QTcpSocket* socket) const;
    Peer& peer(const QByteArray& key);
    void prunePeer(const QByteArray& key);
    QByteArray fullPage(const RequestHead& head, const QByteArray& peerKey) const;
    void upgrade(QTcpSocket* socket, const ParsedHead& parsed);
    void readFrames(QTcpSocket* socket);
    void closeWatcher(QTcpSocket* socket, quint16 code);
    void dropWatcher(QTcpSocket* socket);
    void forgetWatcher(QTcpSocket* socket);
    bool send(QTcpSocket* socket, const QByteArray& frames);
    void sendRuns(const std::vector<ShownRun>& shown);
    void sendWhole(QTcpSocket* socket);
    // Brings the settings, readouts and sent sets up to the session; the frames of what changed.
    QByteArray advance();
    MetaInputs metaInputs(const std::vector<ShownRun>& shown) const;
    std::vector<ChosenQuantity> chosenQuantities() const;
    QByteArray meta(const std::vector<ShownRun>& shown) const;
    QByteArray live() const;
    // The program's TAB text, or CSV with the decimal mark of the browser's language.
    QByteArray runText(qint64 id, const exchange::MeasurementTextFormat& layout) const;
    QByteArray dataText(const exchange::MeasurementTextFormat& layout) const;

    const session::Session& session_;
    const Limits limits_;
    const session::RunList* runs_ = nullptr;
    std::unique_ptr<QTcpServer> tcp_;
    std::map<QTcpSocket*, HttpConnection> http_;
    std::map<QTcpSocket*, Client> clients_;
    std::map<QByteArray, Peer> peers_;
    QElapsedTimer clock_;
    QString code_, error_;
    MetaInputs metaInputs_;
    QByteArray meta_, live_;
    std::vector<ShownRun> shown_;
    DrawnColumns drawn_;
    SentPoints data_, snapshot_;
};

} // namespace kurvimat::classview
