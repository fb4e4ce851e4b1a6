// The class view's HTTP side, as plain functions: reading a request head within fixed limits,
// deciding what a request may get, and the responses. Nothing here touches a socket, so every
// hostile form of a request is tested on its own.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <vector>

namespace kurvimat::classview {

/// What a browser may cost the program. The defaults are the product's; tests shrink them.
struct Limits {
    int maxClients = 60;           ///< watching pages (WebSocket connections) at once
    /// Connections sending their request head or taking their answer, from all addresses.
    int maxHttpConnections = 200;
    /// Heads unfinished after slowHeadMs are slow; one address (an IPv6 /64) may hold this many
    /// of them: a further connection from it cuts its oldest slow one. A full server cuts the
    /// oldest slow head of any address. A head sent at once is never slow, however many come.
    int maxHttpPerAddress = 16;
    int slowHeadMs = 1000;
    int maxClientsPerAddress = 30; ///< watching pages from one address (an IPv6 /64)
    /// Downloads (daten.txt, runs) per address: a burst, then this many bytes a second.
    qint64 downloadBurstBytes = 2 << 20;
    qint64 downloadBytesPerSecond = 256 << 10;
    int maxHeadBytes = 8192;       ///< request line and headers together
    int maxHeaderLines = 64;
    int headTimeoutMs = 5000;      ///< to send the whole head, and to take a response
    qint64 maxPendingBytes = 4 << 20; ///< unsent bytes a watcher may hold before it is dropped
    int maxRuns = 20;              ///< shown runs whose points go out
};

/// The access code of one freigabe: 128 random bits from the system's generator as 32
/// lower-case hex digits.
QString newAccessCode();

struct RequestHead {
    QByteArray method, target, version;
    std::vector<std::pair<QByteArray, QByteArray>> headers; ///< names lower-case, values trimmed
    /// The value of the first header of that (lower-case) name, or empty.
    QByteArray header(QByteArrayView name) const;
};

enum class HeadStatus { Incomplete, Complete, Bad, TooLarge };

struct ParsedHead {
    HeadStatus status = HeadStatus::Incomplete;
    RequestHead head;
    int length = 0; ///< bytes of the head with its blank line, when Complete
};

/// Reads a request head from the bytes received so far. A head is Bad when its request line
/// or a header line is malformed (control bytes, a bare LF, folded lines, no colon) or when it
/// announces a body, a bare LF also before it is complete; TooLarge beyond maxHeadBytes or
/// maxHeaderLines, also before it is complete.
ParsedHead parseRequestHead(QByteArrayView bytes, const Limits& limits);

/// What a request gets. Only the exact targets below exist: no path is ever mapped to a file,
/// nothing is decoded, so "/../" and "%2e%2e" forms are simply unknown.
enum class Route {
    Forbidden,        ///< no or a wrong access code: 403 and nothing else
    BadRequest,       ///< 400
    MethodNotAllowed, ///< anything but GET: 405
    NotFound,         ///< 404
    Redirect,         ///< /<code> (GET): to /<code>/
    Page,             ///< /<code>/
    Script,           ///< /<code>/app.js
    Style,            ///< /<code>/style.css
    DataText,         ///< /<code>/daten.txt (or .csv): the current points as "Daten speichern" writes them
    RunText,          ///< /<code>/messreihe-<id>.txt (or .csv)
    WebSocket,        ///< /<code>/ws with a valid upgrade and a same-origin Origin
};

struct RouteResult {
    Route route = Route::Forbidden;
    qint64 runId = 0;
    bool csv = false; ///< the spreadsheet's CSV instead of the program's TAB text
};

/// Decides on a complete head. The code is checked first: without it nothing else is told.
RouteResult routeRequest(const RequestHead& head, const QString& accessCode);

/// A whole response: status line, the fixed security headers, the body. csp is the page's
/// Content-Security-Policy; no response ever sets a cookie.
QByteArray httpResponse(int status, QByteArrayView contentType, const QByteArray& body,
                        const QByteArray& csp, QByteArrayView extraHeaders = {});

/// German unless the first language the browser asks for is English.
bool prefersEnglish(QByteArrayView acceptLanguage);

/// A one-line HTML page telling a browser's user why there is nothing here (403, 404, 405,
/// 429, 503), in German or English; empty for other statuses.
QByteArray statusPage(int status, bool english);
/// The text (UTF-8, no markup) as such a page.
QByteArray oneLinePage(QByteArrayView text, bool english);

} // namespace kurvimat::classview
