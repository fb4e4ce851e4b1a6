// A real browser against the demo program: headless Chromium opens the shared page, and the
// points it plots must be the program's stored points as its own download writes them, a
// calculated quantity the window draws too, in its colour; the same at a phone's size. Driven
// through Chromium's DevTools protocol with Qt's WebSocket.
#include "ExperimentFile.h"
#include "MeasurementText.h"
#include "PlotMode.h"
#include "QuantityColumn.h"
#include "Session.h"
#include "Settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QUrl>
#include <QWebSocket>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>

namespace {

bool waitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > ms) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

// One GET on its own connection; the body, or empty.
QByteArray get(const QUrl& url) {
    QTcpSocket socket;
    socket.connectToHost(url.host(), quint16(url.port()));
    if (!socket.waitForConnected(5000)) return {};
    socket.write("GET " + url.path(QUrl::FullyEncoded).toLatin1() + " HTTP/1.1\r\nHost: " +
                 url.authority().toLatin1() + "\r\n\r\n");
    QByteArray reply;
    waitFor([&] {
        reply += socket.readAll();
        return socket.state() == QAbstractSocket::UnconnectedState;
    }, 10000);
    reply += socket.readAll();
    return reply.mid(reply.indexOf("\r\n\r\n") + 4);
}

class DevTools {
public:
    bool open(const QString& url) {
        socket_.open(QUrl(url));
        QObject::connect(&socket_, &QWebSocket::textMessageReceived, [this](const QString& m) {
            const QJsonObject o = QJsonDocument::fromJson(m.toUtf8()).object();
            if (o.contains(QStringLiteral("id")))
                replies_[o.value(QStringLiteral("id")).toInt()] = o;
        });
        return waitFor([&] { return socket_.state() == QAbstractSocket::ConnectedState; }, 10000);
    }
    QJsonObject call(const QString& method, const QJsonObject& params = {}) {
        const int id = ++next_;
        socket_.sendTextMessage(QString::fromUtf8(
            QJsonDocument(QJsonObject{{"id", id}, {"method", method}, {"params", params}})
                .toJson(QJsonDocument::Compact)));
        waitFor([&] { return replies_.contains(id); }, 20000);
        return replies_.take(id).value(QStringLiteral("result")).toObject();
    }
    QJsonValue evaluate(const QString& expression) {
        return call(QStringLiteral("Runtime.evaluate"),
                    {{"expression", expression}, {"returnByValue", true}})
            .value(QStringLiteral("result")).toObject().value(QStringLiteral("value"));
    }

private:
    QWebSocket socket_;
    QHash<int, QJsonObject> replies_;
    int next_ = 0;
};

struct Plotted {
    std::vector<double> t, a, smoothed;
};

// The experiment's quantities: P and vA in units no axis shows, Bg in A's (V), so the window
// draws Bg alone, against A's axis, as the third further column.
constexpr int Smoothed = 2;

Plotted plotted(DevTools& tools) {
    const QJsonObject o = QJsonDocument::fromJson(
        tools.evaluate(QStringLiteral("JSON.stringify(kurvimatPlotted().data)")).toString().toUtf8()).object();
    Plotted p;
    for (const QJsonValue v : o.value(QStringLiteral("t")).toArray()) p.t.push_back(v.toDouble());
    for (const QJsonValue v : o.value(QStringLiteral("a")).toArray()) p.a.push_back(v.toDouble());
    for (const QJsonValue v :
         o.value(QStringLiteral("columns")).toObject().value(QString::number(Smoothed)).toArray())
        p.smoothed.push_back(v.toDouble());
    return p;
}

// The experiment of both tests: quantities the window draws (see Smoothed), its settings
// beside.
QString writeExperiment(const QTemporaryDir& dir, const kurvimat::session::Settings& settings) {
    const QString experiment = dir.filePath(QStringLiteral("quantities.kurvimat"));
    kurvimat::session::Session session;
    EXPECT_FALSE(session.setQuantities(
        {{"P", "V²", "A*B"}, {"vA", "V/s", "ABL(A;T)"}, {"Bg", "V", "GLAETT(B;15)"}}, {}));
    kurvimat::session::Experiment e = session.experiment();
    e.definitionA = e.definitionB = QStringLiteral("Spannung unkalibriert (V): U");
    for (const auto& [key, value] : settings)
        e.settings[key] = value;
    EXPECT_FALSE(kurvimat::session::writeExperiment(experiment, e));
    return experiment;
}

// The demo sharing the experiment; the page's address on loopback, empty when it failed. The
// experiment is open when the download's header names `ready`. The demo opens it once its
// first frame is out; where a sweep was recorded before
// that (a slow start), it first asks whether to save it, which nobody answers here. Such a
// start is tried again, at most twice.
QUrl startDemo(QProcess& demo, const QTemporaryDir& dir, const QString& experiment,
               const QByteArray& ready = "Bg (V)") {
    for (int launch = 0; launch < 3; ++launch) {
        if (launch > 0) {
            demo.kill();
            demo.waitForFinished();
        }
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("KURVIMAT_DATA_DIR"),
                   dir.filePath(QStringLiteral("data%1").arg(launch)));
        demo.setProcessEnvironment(env);
        demo.start(QStringLiteral(KURVIMAT_DEMO), {QStringLiteral("--share"), experiment});
        if (!demo.waitForStarted()) return {};
        QByteArray line;
        if (!waitFor(
                [&] {
                    line += demo.readAllStandardOutput();
                    return line.contains('\n');
                },
                30000))
            return {};
        QUrl url(QString::fromUtf8(line.trimmed()));
        if (!url.isValid() || url.path().size() != 34) return {};
        url.setHost(QStringLiteral("127.0.0.1")); // the test stays on loopback
        const QUrl data = url.resolved(QUrl(QStringLiteral("daten.txt")));
        if (waitFor([&] { return get(data).split('\n').value(0).contains(ready); }, 20000))
            return url;
    }
    ADD_FAILURE() << "the demo did not open its experiment in three starts";
    return {};
}

// Headless Chromium on the page; the DevTools socket of its tab, empty when it failed.
QString startBrowser(QProcess& browser, const QString& chromium, const QTemporaryDir& dir,
                     const QUrl& url) {
    browser.start(chromium, {QStringLiteral("--headless=new"), QStringLiteral("--no-sandbox"),
                             QStringLiteral("--disable-gpu"), QStringLiteral("--remote-debugging-port=0"),
                             QStringLiteral("--user-data-dir=") + dir.filePath(QStringLiteral("chromium")),
                             url.toString()});
    if (!browser.waitForStarted()) return {};
    QByteArray err;
    QRegularExpressionMatch m;
    if (!waitFor(
            [&] {
                err += browser.readAllStandardError();
                m = QRegularExpression(
                        QStringLiteral("DevTools listening on ws://127.0.0.1:(\\d+)/"))
                        .match(QString::fromUtf8(err));
                return m.hasMatch();
            },
            60000))
        return {};
    QUrl list(QStringLiteral("http://127.0.0.1:%1/json/list").arg(m.captured(1)));
    QString pageSocket;
    waitFor(
        [&] {
            for (const QJsonValue v : QJsonDocument::fromJson(get(list)).array())
                if (v.toObject().value(QStringLiteral("url")).toString().startsWith(url.toString()))
                    pageSocket =
                        v.toObject().value(QStringLiteral("webSocketDebuggerUrl")).toString();
            return !pageSocket.isEmpty();
        },
        30000);
    return pageSocket;
}

// A number as the page writes it (decimal comma in German, an exponent where it needs one).
double pageNumber(const QString& text) {
    return QString(text).replace(u',', u'.').toDouble();
}

// The pointer over the plot at a fraction of its width and height: the pointer line must name
// Bg's value at the point it names the time of, as the page writes numbers. The page draws
// when a frame comes, so the line may be of points a frame has since replaced: a few tries.
void expectThePointerLineHoldsTheColumn(DevTools& tools, double fx, double fy) {
    const QJsonObject box =
        tools
            .evaluate(QStringLiteral("(() => { const b = document.getElementById('plot')"
                                     ".getBoundingClientRect(); return {x: b.left, y: b.top, "
                                     "w: b.width, h: b.height}; })()"))
            .toObject();
    const auto at = [&](const char* k) { return box.value(QLatin1String(k)).toDouble(); };
    QString line;
    for (int attempt = 0; attempt < 20; ++attempt) {
        const double x = at("x") + 58 + fx * (at("w") - 116) + attempt % 2,
                     y = at("y") + 22 + fy * (at("h") - 44);
        tools.call(QStringLiteral("Input.dispatchMouseEvent"),
                   {{"type", "mouseMoved"}, {"x", x}, {"y", y}});
        waitFor([] { return false; }, 100);
        const QJsonObject o =
            QJsonDocument::fromJson(
                tools
                    .evaluate(
                        QStringLiteral(
                            "JSON.stringify({line: document.getElementById('readout').textContent, "
                            "t: kurvimatPlotted().data.t, bg: "
                            "kurvimatPlotted().data.columns['%1']})")
                            .arg(Smoothed))
                    .toString()
                    .toUtf8())
                .object();
        line = o.value(QStringLiteral("line")).toString();
        const auto t = QRegularExpression(QStringLiteral("t = (\\S+) s")).match(line);
        const auto bg = QRegularExpression(QStringLiteral("Bg = (\\S+) V")).match(line);
        const QJsonArray times = o.value(QStringLiteral("t")).toArray(),
                         values = o.value(QStringLiteral("bg")).toArray();
        if (!t.hasMatch() || !bg.hasMatch()) continue;
        const double time = pageNumber(t.captured(1)), value = pageNumber(bg.captured(1));
        for (qsizetype i = 0; i < std::min(times.size(), values.size()); ++i) {
            const double expected = values.at(i).toDouble();
            if (std::abs(times.at(i).toDouble() - time) <= 5e-4 * std::abs(time) + 1e-6 &&
                std::abs(expected - value) <= 1e-3 * std::abs(expected) + 1e-6)
                return;
        }
    }
    ADD_FAILURE() << "the pointer line never named Bg at its point: " << line.toStdString();
}

} // namespace

TEST(ClassViewBrowser, ThePagePlotsTheStoredPointsOnADesktopAndAPhone) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed";
    QTemporaryDir dir;
    QProcess demo, browser;
    const QUrl url = startDemo(demo, dir, writeExperiment(dir, {}));
    ASSERT_FALSE(url.isEmpty());
    const QString pageSocket = startBrowser(browser, chromium, dir, url);
    ASSERT_FALSE(pageSocket.isEmpty());
    DevTools tools;
    ASSERT_TRUE(tools.open(pageSocket));

    const QString shots = qEnvironmentVariable("KURVIMAT_SCREENSHOTS");
    const struct Size {
        const char* name;
        int width, height;
        double scale;
        bool mobile;
        const char* locale;
        const char* fitButton;
    } sizes[] = {{"desktop", 1200, 800, 1, false, "de-DE", "Gesamtansicht"},
                 {"phone", 390, 760, 2, true, "en-GB", "Whole view"}};
    for (const Size& size : sizes) {
        SCOPED_TRACE(size.name);
        tools.call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
                   {{"width", size.width}, {"height", size.height},
                    {"deviceScaleFactor", size.scale}, {"mobile", size.mobile}});
        tools.call(QStringLiteral("Emulation.setUserAgentOverride"),
                   {{"userAgent", tools.evaluate(QStringLiteral("navigator.userAgent"))},
                    {"acceptLanguage", size.locale}});
        tools.call(QStringLiteral("Page.reload"));
        ASSERT_TRUE(waitFor([&] {
            return tools.evaluate(QStringLiteral("typeof kurvimatPlotted")).toString() == QStringLiteral("function");
        }, 20000));
        // The sweep grows while we look: the page before, the download, the page after must
        // be one sweep; then every downloaded point is on the page at its index.
        bool compared = false;
        for (int attempt = 0; attempt < 40 && !compared; ++attempt) {
            waitFor([] { return false; }, 150);
            const Plotted before = plotted(tools);
            const auto text = kurvimat::exchange::readMeasurementText(
                QString::fromLatin1(get(url.resolved(QUrl(QStringLiteral("daten.txt"))))));
            const Plotted after = plotted(tools);
            if (!text || text->count < 20 || before.t.size() < 20 ||
                !std::equal(before.a.begin(), before.a.end(), after.a.begin(),
                            after.a.begin() + std::min(before.a.size(), after.a.size())) ||
                after.a.size() < before.a.size())
                continue;
            const int n = std::min<int>(text->count, int(after.t.size()));
            if (n < 20 || std::abs(after.t[0] - text->t[0]) > 1e-4) continue;
            // The page holds the column's settled values: all but the last few.
            const int m = std::min<int>(n, int(after.smoothed.size()));
            if (text->further.size() != 3 || m < n - 20) continue;
            const double spacing = after.t[1] - after.t[0];
            const auto [lo, hi] = std::minmax_element(after.a.begin(), after.a.end());
            int same = 0;
            for (int i = 0; i < n; ++i)
                same += std::abs(after.t[i] - text->t[i]) < spacing / 4 &&
                        std::abs(after.a[i] - text->a[i]) <= 2e-3 * (*hi - *lo) + 1e-6;
            if (same != n) continue;
            const std::vector<double>& smoothed = text->further[Smoothed].values;
            const auto [low, high] = std::minmax_element(smoothed.begin(), smoothed.begin() + m);
            int sameSmoothed = 0;
            for (int i = 0; i < m; ++i)
                sameSmoothed += std::abs(after.smoothed[i] - smoothed[i]) <=
                                1e-3 * (std::abs(smoothed[i]) + *high - *low) + 1e-6;
            if (sameSmoothed != m) continue;
            compared = true;
        }
        EXPECT_TRUE(compared) << "the page never showed the points of the download";
        // The column is named with the colour and axis the window draws it in, and drawn: the
        // plot area holds pixels of that colour.
        const QJsonArray columns =
            tools.evaluate(QStringLiteral("kurvimatPlotted().meta.columns")).toArray();
        ASSERT_EQ(columns.size(), 1);
        const QJsonObject column = columns.at(0).toObject();
        EXPECT_EQ(column.value(QStringLiteral("index")).toInt(), Smoothed);
        EXPECT_EQ(column.value(QStringLiteral("name")).toString(), QStringLiteral("Bg"));
        EXPECT_EQ(column.value(QStringLiteral("axis")).toString(), QStringLiteral("left"));
        const QString colour = column.value(QStringLiteral("color")).toString();
        ASSERT_EQ(colour.size(), 7);
        EXPECT_GT(
            tools
                .evaluate(QStringLiteral("(() => { const c = document.getElementById('plot'), d = "
                                         "window.devicePixelRatio || 1;"
                                         "  const px = c.getContext('2d').getImageData(58 * d, 22 "
                                         "* d, c.width - 116 * d, c.height - 44 * d).data;"
                                         "  const k = parseInt('%1', 16), r = k >> 16, g = (k >> "
                                         "8) & 255, b = k & 255;"
                                         "  let n = 0;"
                                         "  for (let i = 0; i < px.length; i += 4)"
                                         "    n += Math.abs(px[i] - r) + Math.abs(px[i + 1] - g) + "
                                         "Math.abs(px[i + 2] - b) < 30;"
                                         "  return n; })()")
                              .arg(colour.mid(1)))
                .toInt(),
            20)
            << "no pixel of " << colour.toStdString() << " in the plot";
        expectThePointerLineHoldsTheColumn(tools, 0.5, 0.5);
        const QJsonObject meta = tools.evaluate(QStringLiteral("kurvimatPlotted().meta")).toObject();
        EXPECT_FALSE(meta.value(QStringLiteral("a")).toObject().value(QStringLiteral("name")).toString().isEmpty());
        EXPECT_EQ(tools.evaluate(QStringLiteral("document.getElementById('fit').textContent")).toString(),
                  QLatin1String(size.fitButton));
        EXPECT_TRUE(tools.evaluate(QStringLiteral("document.getElementById('plot').width > 0")).toBool());
        if (!shots.isEmpty()) {
            const QByteArray png = QByteArray::fromBase64(
                tools.call(QStringLiteral("Page.captureScreenshot")).value(QStringLiteral("data")).toString().toLatin1());
            QFile file(QDir(shots).filePath(QStringLiteral("classview-%1.png").arg(QLatin1String(size.name))));
            if (file.open(QIODevice::WriteOnly)) file.write(png);
        }
    }
    browser.kill();
    browser.waitForFinished();
    demo.terminate();
    if (!demo.waitForFinished(10000)) demo.kill();
}

// One quantity over another as the window draws it: each point of the sweep where the axes'
// ranges put it. "Kanal A als x": B over A on the definitions' ranges (recorded points), black
// where both channels are shown, nothing dark outside A's span, where a time plot would spread
// it. The plot of quantities with A across and B on the left: B in A's colour, each axis
// scaled to its values.
TEST(ClassViewBrowser, OneQuantityOverAnotherIsDrawnWhereTheWindowPutsIt) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed";
    using kurvimat::session::setting::QuantityAxes;
    using kurvimat::session::setting::XyMode;
    const struct Row {
        const char *mode, *setting;
        kurvimat::session::SettingValue value;
        const char *colour, *ranges; // which pixels are the curve; the axes' ranges [x, y]
        bool pointerLine;
    } rows[] = {
        {"aAsX", XyMode, qint64(kurvimat::analysis::PlotMode::AAsX),
         "px[i] + px[i + 1] + px[i + 2] < 240", "[[m.a.min, m.a.max], [m.b.min, m.b.max]]", true},
        {"quantities", QuantityAxes, QStringLiteral("A\tB\t"),
         "px[i] + px[i + 1] < 200 && px[i + 2] > 200",
         "[[Math.min(...d.a), Math.max(...d.a)], [Math.min(...d.b), Math.max(...d.b)]]", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.mode);
        QTemporaryDir dir;
        QProcess demo, browser;
        const QUrl url =
            startDemo(demo, dir, writeExperiment(dir, {{QLatin1String(row.setting), row.value}}));
        ASSERT_FALSE(url.isEmpty());
        const QString pageSocket = startBrowser(browser, chromium, dir, url);
        ASSERT_FALSE(pageSocket.isEmpty());
        DevTools tools;
        ASSERT_TRUE(tools.open(pageSocket));
        tools.call(QStringLiteral("Emulation.setDeviceMetricsOverride"),
                   {{"width", 1000}, {"height", 700}, {"deviceScaleFactor", 1}, {"mobile", false}});
        ASSERT_TRUE(waitFor(
            [&] {
                return tools
                           .evaluate(QStringLiteral(
                               "typeof kurvimatPlotted === 'function' && "
                               "kurvimatPlotted().meta && kurvimatPlotted().meta.plot.mode"))
                           .toString() == QLatin1String(row.mode);
            },
            20000));
        QJsonObject seen;
        for (int attempt = 0; attempt < 40; ++attempt) {
            waitFor([] { return false; }, 150);
            seen = tools
                       .evaluate(QStringLiteral(R"((() => {
            const P = kurvimatPlotted(), m = P.meta, d = P.data, c = document.getElementById('plot');
            const l = 58, t = 22, w = c.width - 116, h = c.height - 44, [xr, yr] = %2;
            const px = c.getContext('2d').getImageData(0, 0, c.width, c.height).data;
            const curve = (x, y) => { const i = 4 * (Math.round(y) * c.width + Math.round(x));
                                      return %1; };
            const X = (v) => l + (v - xr[0]) / (xr[1] - xr[0]) * w;
            const Y = (v) => t + h - (v - yr[0]) / (yr[1] - yr[0]) * h;
            let hits = 0, dark = 0, outside = 0;
            for (let i = 0; i < d.n; i++) {
              let near = false;
              for (let dx = -2; dx <= 2 && !near; dx++)
                for (let dy = -2; dy <= 2 && !near; dy++) near = curve(X(d.a[i]) + dx, Y(d.b[i]) + dy);
              hits += near;
            }
            const lo = X(Math.min(...d.a)) - 3, hi = X(Math.max(...d.a)) + 3;
            for (let y = t + 1; y < t + h - 1; y++)
              for (let x = l + 1; x < l + w - 1; x++)
                if (curve(x, y)) { dark++; outside += x < lo || x > hi; }
            return { n: d.n, hits: hits, dark: dark, outside: outside, loaded: m.loaded, a: m.a.on, b: m.b.on };
          })())")
                                     .arg(QLatin1String(row.colour), QLatin1String(row.ranges)))
                       .toObject();
            const int n = seen.value(QStringLiteral("n")).toInt();
            if (n > 50 && seen.value(QStringLiteral("hits")).toInt() >= n * 9 / 10) break;
        }
        SCOPED_TRACE(QJsonDocument(seen).toJson(QJsonDocument::Compact).toStdString());
        ASSERT_FALSE(seen.value(QStringLiteral("loaded")).toBool());
        ASSERT_TRUE(seen.value(QStringLiteral("a")).toBool() &&
                    seen.value(QStringLiteral("b")).toBool());
        const int n = seen.value(QStringLiteral("n")).toInt();
        EXPECT_GT(n, 50);
        EXPECT_GE(seen.value(QStringLiteral("hits")).toInt(), n * 9 / 10);
        EXPECT_GT(seen.value(QStringLiteral("dark")).toInt(), 20);
        EXPECT_LE(seen.value(QStringLiteral("outside")).toInt(),
                  seen.value(QStringLiteral("dark")).toInt() / 50);
        if (row.pointerLine) expectThePointerLineHoldsTheColumn(tools, 0.5, 0.5);
        browser.kill();
        browser.waitForFinished();
        demo.terminate();
        if (!demo.waitForFinished(10000)) demo.kill();
    }
}

// Loaded points autoscale the time plot: a shown run's column drawn against the left axis widens
// it as the data's own values do, while the run's A does not (the window's rule).
TEST(ClassViewBrowser, AShownRunsColumnWidensTheAxisItIsDrawnAgainst) {
    const QString chromium = QStandardPaths::findExecutable(QStringLiteral("chromium"));
    if (chromium.isEmpty()) GTEST_SKIP() << "chromium is not installed";
    QTemporaryDir dir;
    const QString experiment = dir.filePath(QStringLiteral("runs.kurvimat"));
    {
        std::vector<double> t, a, b, small, large, wide;
        for (int i = 0; i < 100; ++i) {
            t.push_back(0.01 * i), a.push_back(std::sin(0.1 * i)), b.push_back(0.5);
            small.push_back(0.5 * a.back()); // the data's column, within A's span
            large.push_back(0.4 * i);        // the run's column, far above it
            wide.push_back(100 * a.back());  // the run's A, which must not count
        }
        const auto column = [](const char* header, const std::vector<double>& values) {
            kurvimat::signals::QuantityColumn c =
                kurvimat::signals::QuantityColumn::named(QString::fromUtf8(header));
            c.values = values;
            return std::vector<kurvimat::signals::QuantityColumn>{c};
        };
        const QString u = QStringLiteral("U (V)"), p = QStringLiteral("p (V)");
        kurvimat::session::Experiment e = kurvimat::session::Session().experiment();
        e.data =
            kurvimat::session::PointSet::loaded(true, u, p, t, a, b, column("Hoehe (V)", small));
        kurvimat::session::Run run;
        run.name = QStringLiteral("Vorher");
        run.points =
            kurvimat::session::PointSet::loaded(true, u, p, t, wide, b, column("Hoehe (V)", large));
        e.runs.push_back(run);
        e.settings[QLatin1String(kurvimat::session::setting::ShownRuns)] = QStringLiteral("0");
        ASSERT_FALSE(kurvimat::session::writeExperiment(experiment, e));
    }
    QProcess demo, browser;
    const QUrl url = startDemo(demo, dir, experiment, "Hoehe (V)");
    ASSERT_FALSE(url.isEmpty());
    const QString pageSocket = startBrowser(browser, chromium, dir, url);
    ASSERT_FALSE(pageSocket.isEmpty());
    DevTools tools;
    ASSERT_TRUE(tools.open(pageSocket));
    QJsonArray left;
    const bool widened = waitFor(
        [&] {
            left = tools
                       .evaluate(QStringLiteral("typeof kurvimatPlotted === 'function' && "
                                                "kurvimatPlotted().ranges.a"))
                       .toArray();
            return left.size() == 2 && left.at(1).toDouble() > 30;
        },
        20000);
    EXPECT_TRUE(widened) << QJsonDocument(left).toJson().toStdString();
    EXPECT_NEAR(left.at(0).toDouble(), -1, 0.01) << "the data's A, not the run's";
    EXPECT_NEAR(left.at(1).toDouble(), 39.6, 0.01) << "the run's column, not its A";
    browser.kill();
    browser.waitForFinished();
    demo.terminate();
    if (!demo.waitForFinished(10000)) demo.kill();
}
