// The class view under load, and what it costs the program.
//
// 1. Load (in this process): a session whose sweep grows by 500 points a second (2 ms / 10000
//    points / "dauer"), fed every 10 ms with the arrival time of each point noted, the server
//    ticking every 50 ms as the window does, and LOAD_CLIENTS pages (QWebSocket, loopback) for
//    LOAD_SECONDS. Reports pages dropped, the latency from a point's arrival to its place in a
//    page's copy (median, p95, max; the pages run on the same thread as the server, so this is
//    an upper bound), bytes per second per page, the largest unsent backlog and the resident
//    memory before and after.
// 2. CPU (kurvimat-demo): the demo opens an experiment file at 2 ms / 10000 / "dauer" with
//    --share; its CPU time (all threads, /proc/PID/task/*/schedstat) over CPU_SECONDS with no
//    page and with CPU_CLIENTS pages in a second process, alternating over ROUNDS; the medians
//    and their ratio.
// 3. Crowd (kurvimat-demo, or the demo CLASSVIEW_BENCH_DEMO names): 70 connections from
//    127.0.0.1 send a request head one byte every 3 s and are reopened when cut, while 30 page
//    loads (the page, its script and style) come one every 300 ms, 15 from 127.0.0.1 and 15
//    from 127.0.0.2 ...; then 62 pages from 127.0.0.1 ask for a WebSocket; then two clients
//    (127.0.0.1, 127.0.0.2) fetch daten.txt again and again for CROWD_SECONDS. Loads that
//    failed, pages one address got, bytes fetched and the demo's CPU meanwhile.
//   classview_bench [LOAD_SECONDS=60] [CPU_SECONDS=20] [ROUNDS=2] [LOAD_CLIENTS=60] [CPU_CLIENTS=30]
//                   [CROWD_SECONDS=20]
//   classview_bench --clients N URL SECONDS   (the page process of part 2)
//   classview_bench --crowd-only [CROWD_SECONDS]
#include "ClassViewServer.h"
#include "ExperimentFile.h"
#include "PointFrames.h"
#include "Session.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QThread>
#include <QTimer>
#include <QWebSocket>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using namespace kurvimat::classview;
using kurvimat::session::Session;

namespace {

long residentKb() {
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly)) return -1;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith("VmRSS:")) return line.mid(6).trimmed().split(' ').value(0).toLong();
    return -1;
}

// CPU time of every thread of a process in ns, from the scheduler's account.
qint64 cpuNs(qint64 pid) {
    qint64 sum = 0;
    for (const QString& task : QDir(QStringLiteral("/proc/%1/task").arg(pid)).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile f(QStringLiteral("/proc/%1/task/%2/schedstat").arg(pid).arg(task));
        if (f.open(QIODevice::ReadOnly)) sum += f.readAll().split(' ').value(0).toLongLong();
    }
    return sum;
}

void pump(int ms) {
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
}

double median(std::vector<double> v) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const std::size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

struct Page {
    std::unique_ptr<QWebSocket> socket;
    qint64 bytes = 0;
    int points = 0;
    bool closed = false;
    QByteArray meta;
};

std::vector<std::unique_ptr<Page>> openPages(int n, const QUrl& url,
                                             const std::function<void(Page&, const DecodedFrame&)>& onFrame) {
    std::vector<std::unique_ptr<Page>> pages;
    for (int i = 0; i < n; ++i) {
        auto page = std::make_unique<Page>();
        Page* p = page.get();
        p->socket = std::make_unique<QWebSocket>();
        QObject::connect(p->socket.get(), &QWebSocket::binaryMessageReceived, [p, onFrame](const QByteArray& m) {
            p->bytes += m.size();
            DecodedFrame f;
            if (isJsonMessage(m)) {
                if (!m.startsWith("{\"type\":\"live\"")) p->meta = m;
            } else if (decodePointFrame(m, f)) {
                onFrame(*p, f);
            }
        });
        QObject::connect(p->socket.get(), &QWebSocket::disconnected, [p] { p->closed = true; });
        p->socket->open(url);
        pages.push_back(std::move(page));
    }
    return pages;
}

int load(int seconds, int clients) {
    Session session;
    Limits limits;
    limits.maxClientsPerAddress = clients; // every page comes from 127.0.0.1 here
    ClassViewServer server(session, limits);
    if (!server.start(QHostAddress::LocalHost, 0)) return 1;
    auto& d = session.store().Data;
    QElapsedTimer clock;
    clock.start();
    std::vector<double> arrival(kurvimat::acquisition::PointCapacity, 0);
    std::vector<double> latencies;
    int sweep = 0;
    QUrl url(QStringLiteral("ws://127.0.0.1:%1/%2/ws").arg(server.port()).arg(server.accessCode()));
    const long rssBefore = residentKb();
    auto pages = openPages(clients, url, [&](Page& p, const DecodedFrame& f) {
        if (f.kind != SetKind::Data) return;
        if (f.reset) p.points = 0;
        const double now = double(clock.nsecsElapsed()) / 1e6;
        for (std::size_t i = 0; i < f.t.size(); ++i) {
            const int index = f.first + int(i);
            if (index < d.Count && arrival[std::size_t(index)] > 0 && !f.reset)
                latencies.push_back(now - arrival[std::size_t(index)]);
        }
        p.points = f.first + int(f.t.size());
    });
    pump(1000);
    // The sweep: 5 points every 10 ms (2 ms apart), as the pipeline stores them.
    QTimer feed, tick;
    QObject::connect(&feed, &QTimer::timeout, [&] {
        const double now = double(clock.nsecsElapsed()) / 1e6;
        for (int k = 0; k < 5; ++k) {
            if (d.Count >= kurvimat::acquisition::PointCapacity) {
                d.Count = 0;
                ++sweep;
            }
            const int i = d.Count;
            d.T[i] = 0.002f * float(i);
            d.A[i] = 2.5f + 1.5f * std::sin(float(i) * 0.0126f);
            d.B[i] = 3.7f + 0.01f * float(sweep);
            arrival[std::size_t(i)] = now;
            d.Count = i + 1;
        }
    });
    qint64 maxBacklog = 0;
    QObject::connect(&tick, &QTimer::timeout, [&] {
        server.tick();
        maxBacklog = std::max(maxBacklog, server.pendingBytes());
    });
    feed.start(10);
    tick.start(50);
    const qint64 start = clock.elapsed();
    std::vector<qint64> bytesAtStart;
    for (auto& p : pages) bytesAtStart.push_back(p->bytes);
    pump(seconds * 1000);
    const double elapsed = double(clock.elapsed() - start) / 1000;
    feed.stop();
    tick.stop();
    int dropped = 0;
    double bytes = 0;
    for (std::size_t i = 0; i < pages.size(); ++i) {
        dropped += pages[i]->closed;
        bytes += double(pages[i]->bytes - bytesAtStart[i]);
    }
    std::printf("load: %d pages for %.0f s, %d watching at the end, %d dropped\n", clients, elapsed,
                server.watchers(), dropped);
    std::printf("  latency point arrival -> page: median %.1f ms, p95 %.1f ms, max %.1f ms (%zu points)\n",
                percentile(latencies, 0.5), percentile(latencies, 0.95), percentile(latencies, 1.0),
                latencies.size());
    std::printf("  bytes per page: %.0f B/s (points 500/s x 12 B = 6000 B/s of payload)\n",
                bytes / double(clients) / elapsed);
    std::printf("  largest unsent backlog of all pages together: %lld B; resident memory %ld kB -> %ld kB\n",
                static_cast<long long>(maxBacklog), rssBefore, residentKb());
    return dropped == 0 ? 0 : 2;
}

// Part 2's page process: N pages for SECONDS, then bytes per page per second and the settings seen.
int clientsMain(int n, const QUrl& url, int seconds) {
    auto pages = openPages(n, url, [](Page& p, const DecodedFrame& f) {
        p.points = f.first + int(f.t.size());
    });
    pump(seconds * 1000);
    double bytes = 0;
    int closed = 0;
    for (auto& p : pages) bytes += double(p->bytes), closed += p->closed;
    const QJsonObject meta = QJsonDocument::fromJson(pages.front()->meta).object();
    std::printf("%.0f %d %d %d %s\n", bytes / n / seconds, closed, meta.value("intervalMs").toInt(),
                meta.value("pointCount").toInt(),
                meta.value("trigger").toObject().value("mode").toString().toUtf8().constData());
    return 0;
}


// The dauer experiment the demo opens.
QString writeDauer(const QTemporaryDir& dir) {
    Session session;
    kurvimat::session::Experiment e = session.experiment();
    namespace key = kurvimat::session::setting;
    e.settings[key::IntervalMs] = qint64(2);
    e.settings[key::PointCount] = qint64(10000);
    e.settings[key::TriggerMode] = qint64(kurvimat::acquisition::TriggerMode::Dauer);
    const QString file = dir.filePath(QStringLiteral("dauer.kurvimat"));
    if (auto error = kurvimat::session::writeExperiment(file, e)) {
        std::printf("cpu: %s\n", qPrintable(*error));
        return {};
    }
    return file;
}

QString demoPath() {
    const QString other = qEnvironmentVariable("CLASSVIEW_BENCH_DEMO");
    return other.isEmpty()
        ? QCoreApplication::applicationDirPath() + QStringLiteral("/../src/app/kurvimat-demo")
        : other;
}

// One GET from a loopback address; done(status, body bytes), status 0 when it failed or took
// longer than 10 s.
void httpGet(const QString& from, quint16 port, const QByteArray& target,
             std::function<void(int, qint64)> done) {
    auto* socket = new QTcpSocket;
    auto* reply = new QByteArray;
    auto* timer = new QTimer(socket);
    const auto finish = [socket, reply, done](bool timedOut) {
        socket->disconnect();
        const int status = timedOut || !reply->startsWith("HTTP/1.1 ") ? 0 : reply->mid(9, 3).toInt();
        const qsizetype at = reply->indexOf("\r\n\r\n");
        done(status, at < 0 ? 0 : reply->size() - at - 4);
        delete reply;
        socket->deleteLater();
    };
    QObject::connect(socket, &QTcpSocket::connected, [socket, target] {
        socket->write("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\nAccept-Language: de\r\n\r\n");
    });
    QObject::connect(socket, &QTcpSocket::readyRead, [socket, reply] { *reply += socket->readAll(); });
    QObject::connect(socket, &QTcpSocket::disconnected, [socket, reply, finish] {
        *reply += socket->readAll();
        finish(false);
    });
    QObject::connect(socket, &QTcpSocket::errorOccurred, [socket, reply, finish](QAbstractSocket::SocketError e) {
        if (e == QAbstractSocket::RemoteHostClosedError) *reply += socket->readAll();
        finish(e != QAbstractSocket::RemoteHostClosedError);
    });
    QObject::connect(timer, &QTimer::timeout, [finish] { finish(true); });
    timer->start(10000);
    socket->bind(QHostAddress(from), 0);
    socket->connectToHost(QHostAddress::LocalHost, port);
}

int crowd(int seconds) {
    QTemporaryDir dir;
    const QString file = writeDauer(dir);
    if (file.isEmpty()) return 1;
    QProcess demo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("KURVIMAT_DATA_DIR"), dir.filePath(QStringLiteral("journal")));
    env.insert(QStringLiteral("HOME"), dir.path());
    demo.setProcessEnvironment(env);
    demo.start(demoPath(), {QStringLiteral("--share"), file});
    if (!demo.waitForStarted() || !demo.waitForReadyRead(120000)) return 1;
    const QUrl url(QString::fromUtf8(demo.readLine().trimmed()));
    const quint16 port = quint16(url.port());
    const QByteArray base = url.path().toLatin1();
    std::printf("crowd: %s, %s\n", qPrintable(demoPath()), base.constData());
    pump(4000);

    // 70 slow senders, each reopened when cut.
    const QByteArray slowHead = "GET " + base + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n";
    struct Slow {
        std::unique_ptr<QTcpSocket> socket;
        int sent = 0;
    };
    std::vector<Slow> slow(70);
    int reopened = 0;
    std::function<void(Slow&)> open = [&](Slow& s) {
        s.socket = std::make_unique<QTcpSocket>();
        s.sent = 0;
        s.socket->bind(QHostAddress(QStringLiteral("127.0.0.1")), 0);
        s.socket->connectToHost(QHostAddress::LocalHost, port);
    };
    for (Slow& s : slow) open(s);
    QTimer trickle;
    QObject::connect(&trickle, &QTimer::timeout, [&] {
        for (Slow& s : slow) {
            if (s.socket->state() == QAbstractSocket::UnconnectedState) {
                ++reopened;
                open(s);
            } else if (s.socket->state() == QAbstractSocket::ConnectedState) {
                s.socket->readAll();
                s.socket->write(slowHead.mid(s.sent++ % (slowHead.size() - 4), 1));
            }
        }
    });
    trickle.start(3000);
    QTimer reopen; // reopened when cut, without waiting for the next byte
    QObject::connect(&reopen, &QTimer::timeout, [&] {
        for (Slow& s : slow)
            if (s.socket->state() == QAbstractSocket::UnconnectedState) ++reopened, open(s);
    });
    reopen.start(100);
    pump(4000);

    // 30 page loads, each the page, its script and its style.
    int loads = 0, failed[2] = {0, 0};
    for (int i = 0; i < 30; ++i) {
        const bool same = i % 2 == 0;
        const QString from = same ? QStringLiteral("127.0.0.1") : QStringLiteral("127.0.0.%1").arg(2 + i / 2);
        auto tally = std::make_shared<std::pair<int, int>>(0, 0); // answered, 200
        for (const char* part : {"", "app.js", "style.css"}) {
            httpGet(from, port, base + part, [&, tally, same](int status, qint64) {
                tally->second += status == 200;
                if (++tally->first < 3) return;
                ++loads;
                if (tally->second < 3) ++failed[same ? 0 : 1];
            });
        }
        pump(300);
    }
    pump(11000);
    int held = 0;
    for (Slow& s : slow) held += s.socket->state() == QAbstractSocket::ConnectedState;
    std::printf("  70 slow senders from 127.0.0.1 (%d reopened, %d connected at the end): page loads "
                "failed %d of 15 from 127.0.0.1, %d of 15 from 127.0.0.2-16 (%d answered)\n",
                reopened, held, failed[0], failed[1], loads);
    trickle.stop();
    reopen.stop();
    slow.clear();
    pump(1000);

    // 62 pages from one address.
    QUrl wsUrl(url);
    wsUrl.setHost(QStringLiteral("127.0.0.1"));
    wsUrl.setScheme(QStringLiteral("ws"));
    wsUrl.setPath(url.path() + QStringLiteral("ws"));
    {
        auto pages = openPages(62, wsUrl, [](Page&, const DecodedFrame&) {});
        pump(5000);
        int watching = 0;
        for (auto& p : pages) watching += p->socket->state() == QAbstractSocket::ConnectedState;
        std::printf("  62 pages from 127.0.0.1: %d watching\n", watching);
        for (auto& p : pages) p->socket->close();
        pump(1000);
    }

    // Two clients fetching the data text again and again.
    qint64 bytes = 0;
    int answers[3] = {0, 0, 0}; // 200, 429, other
    bool running = true;
    std::function<void(QString)> next = [&](QString from) {
        if (!running) return;
        httpGet(from, port, base + "daten.txt", [&, from](int status, qint64 n) {
            ++answers[status == 200 ? 0 : status == 429 ? 1 : 2];
            if (status == 200) bytes += n;
            next(from);
        });
    };
    const qint64 c0 = cpuNs(demo.processId());
    QElapsedTimer t;
    t.start();
    next(QStringLiteral("127.0.0.1"));
    next(QStringLiteral("127.0.0.2"));
    pump(seconds * 1000);
    running = false;
    const double share = double(cpuNs(demo.processId()) - c0) / double(t.nsecsElapsed());
    pump(500);
    std::printf("  two clients fetching daten.txt for %d s: %.1f MB in %d answers (%d refused with "
                "429, %d other), the demo at %.3f of a core\n",
                seconds, double(bytes) / 1e6, answers[0] + answers[1] + answers[2], answers[1],
                answers[2], share);
    demo.terminate();
    if (!demo.waitForFinished(10000)) demo.kill();
    return 0;
}

int cpu(int seconds, int rounds, int clients) {
    QTemporaryDir dir;
    const QString file = writeDauer(dir);
    if (file.isEmpty()) return 1;
    const QString demo = demoPath();
    std::vector<double> without, with;
    for (int round = 0; round < rounds; ++round) {
        for (int watching : {0, clients}) {
            QProcess p;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
            env.insert(QStringLiteral("KURVIMAT_DATA_DIR"), dir.filePath(QStringLiteral("journal%1").arg(round * 2 + (watching > 0))));
            p.setProcessEnvironment(env);
            // CLASSVIEW_BENCH_WRAPPER runs the demo under a profiler (valgrind --tool=callgrind ...).
            QStringList command = qEnvironmentVariable("CLASSVIEW_BENCH_WRAPPER").split(QLatin1Char(' '), Qt::SkipEmptyParts);
            command << demo << QStringLiteral("--share") << file;
            p.start(command.takeFirst(), command);
            if (!p.waitForStarted() || !p.waitForReadyRead(120000)) return 1;
            QUrl url(QString::fromUtf8(p.readLine().trimmed()));
            url.setHost(QStringLiteral("127.0.0.1"));
            url.setScheme(QStringLiteral("ws"));
            url.setPath(url.path() + QStringLiteral("ws"));
            QProcess pages;
            if (watching) {
                pages.start(QCoreApplication::applicationFilePath(),
                            {QStringLiteral("--clients"), QString::number(watching), url.toString(),
                             QString::number(seconds + 8)});
            }
            pump(6000); // start-up and the first sweep
            const qint64 c0 = cpuNs(p.processId());
            QElapsedTimer t;
            t.start();
            pump(seconds * 1000);
            const double share = double(cpuNs(p.processId()) - c0) / double(t.nsecsElapsed());
            (watching ? with : without).push_back(share);
            QString seen;
            if (watching) {
                pages.waitForFinished(30000);
                seen = QString::fromUtf8(pages.readAllStandardOutput()).trimmed();
            }
            std::printf("cpu round %d, %2d pages: %.3f of a core%s%s\n", round + 1, watching, share,
                        watching ? "  (page B/s, dropped, interval, points, mode: " : "",
                        watching ? qPrintable(seen + QLatin1Char(')')) : "");
            std::fflush(stdout);
            p.terminate();
            if (!p.waitForFinished(10000)) p.kill();
        }
    }
    const double a = median(without), b = median(with);
    std::printf("cpu: median without pages %.3f, with %d pages %.3f, ratio %.2f (goal at most 1.3)\n",
                a, clients, b, b / a);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.value(1) == QStringLiteral("--clients"))
        return clientsMain(args.value(2).toInt(), QUrl(args.value(3)), args.value(4).toInt());
    if (args.value(1) == QStringLiteral("--crowd-only"))
        return crowd(args.value(2, QStringLiteral("20")).toInt());
    const int loadSeconds = args.value(1, QStringLiteral("60")).toInt();
    const int cpuSeconds = args.value(2, QStringLiteral("20")).toInt();
    const int rounds = args.value(3, QStringLiteral("2")).toInt();
    const int loadClients = args.value(4, QStringLiteral("60")).toInt();
    const int cpuClients = args.value(5, QStringLiteral("30")).toInt();
    const int loaded = load(loadSeconds, loadClients);
    const int measured = cpu(cpuSeconds, rounds, cpuClients);
    return loaded | measured | crowd(args.value(6, QStringLiteral("20")).toInt());
}
