#include "HttpRequest.h"

#include <QByteArrayList>
#include <QRandomGenerator>

namespace kurvimat::classview {

namespace {

// RFC 9110 token characters: what a method and a header name may hold.
bool isToken(QByteArrayView s) {
    if (s.isEmpty()) return false;
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        const bool ok = (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') ||
                        (u >= 'A' && u <= 'Z') || QByteArrayView("!#$%&'*+-.^_`|~").contains(c);
        if (!ok) return false;
    }
    return true;
}

// Visible ASCII, space and TAB; no other control byte and nothing beyond ASCII in a value.
bool isFieldValue(QByteArrayView s) {
    for (char c : s) {
        const auto u = static_cast<unsigned char>(c);
        if ((u < 0x20 && u != '\t') || u >= 0x7f) return false;
    }
    return true;
}

bool containsToken(QByteArrayView list, QByteArrayView token) {
    for (QByteArrayView part : QByteArray(list.toByteArray()).split(',')) {
        if (part.trimmed().compare(token, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

} // namespace

QString newAccessCode() {
    QRandomGenerator* random = QRandomGenerator::system();
    QString code;
    for (int i = 0; i < 4; ++i)
        code += QStringLiteral("%1").arg(random->generate(), 8, 16, QLatin1Char('0'));
    return code;
}

QByteArray RequestHead::header(QByteArrayView name) const {
    for (const auto& [n, v] : headers)
        if (n == name) return v;
    return {};
}

ParsedHead parseRequestHead(QByteArrayView bytes, const Limits& limits) {
    ParsedHead result;
    // A line ending in a bare LF is refused at once: the head would never end in CRLF CRLF and
    // would hold its place until the deadline.
    for (qsizetype i = bytes.indexOf('\n'); i >= 0; i = bytes.indexOf('\n', i + 1)) {
        if (i == 0 || bytes[i - 1] != '\r') {
            result.status = HeadStatus::Bad;
            return result;
        }
    }
    const qsizetype end = bytes.indexOf("\r\n\r\n");
    if (end < 0) {
        result.status = bytes.size() >= limits.maxHeadBytes ? HeadStatus::TooLarge
                                                            : HeadStatus::Incomplete;
        // Lines counted while the head grows, so a flood of short headers stops early.
        if (bytes.count("\r\n") > limits.maxHeaderLines) result.status = HeadStatus::TooLarge;
        return result;
    }
    if (end + 4 > limits.maxHeadBytes) {
        result.status = HeadStatus::TooLarge;
        return result;
    }
    result.status = HeadStatus::Bad;
    const QByteArrayView text = bytes.first(end);
    const QList<QByteArray> lines = text.toByteArray().split('\n');
    if (lines.size() - 1 > limits.maxHeaderLines) {
        result.status = HeadStatus::TooLarge;
        return result;
    }
    RequestHead& head = result.head;
    // Request line: METHOD SP target SP HTTP/1.x, nothing more.
    const QByteArray requestLine = lines[0].chopped(lines.size() > 1 ? 1 : 0);
    const QList<QByteArray> parts = requestLine.split(' ');
    if (parts.size() != 3 || !isToken(parts[0]) || parts[1].isEmpty() ||
        !isFieldValue(parts[1]) || (parts[2] != "HTTP/1.1" && parts[2] != "HTTP/1.0"))
        return result;
    head.method = parts[0];
    head.target = parts[1];
    head.version = parts[2];
    for (qsizetype i = 1; i < lines.size(); ++i) {
        QByteArray line = lines[i];
        if (line.endsWith('\r')) line.chop(1);
        if (line.contains('\r')) return result;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0) return result;
        const QByteArray name = line.first(colon).toLower();
        const QByteArray value = line.sliced(colon + 1).trimmed();
        if (!isToken(name) || !isFieldValue(value)) return result; // also "name :" and folding
        head.headers.emplace_back(name, value);
    }
    // No request here has a body, and one announced would be read as the next request.
    const QByteArray length = head.header("content-length");
    if (!head.header("transfer-encoding").isEmpty() || (!length.isEmpty() && length != "0"))
        return result;
    if (head.version == "HTTP/1.1" && head.header("host").isEmpty()) return result;
    result.status = HeadStatus::Complete;
    result.length = int(end + 4);
    return result;
}

RouteResult routeRequest(const RequestHead& head, const QString& accessCode) {
    RouteResult r;
    const QByteArray prefix = '/' + accessCode.toLatin1() + '/';
    if (accessCode.size() >= 16 && head.method == "GET" && head.target == prefix.chopped(1)) {
        r.route = Route::Redirect;
        return r;
    }
    // The code is compared in full: a target that merely starts like it is no match.
    if (accessCode.size() < 16 || !head.target.startsWith(prefix)) return r;
    if (head.method != "GET") {
        r.route = Route::MethodNotAllowed;
        return r;
    }
    const QByteArrayView rest = QByteArrayView(head.target).sliced(prefix.size());
    r.route = Route::NotFound;
    if (rest.isEmpty()) {
        r.route = Route::Page;
    } else if (rest == "app.js") {
        r.route = Route::Script;
    } else if (rest == "style.css") {
        r.route = Route::Style;
    } else if (rest == "daten.txt" || rest == "daten.csv") {
        r.route = Route::DataText;
        r.csv = rest.endsWith(".csv");
    } else if (rest.startsWith("messreihe-") && (rest.endsWith(".txt") || rest.endsWith(".csv"))) {
        const QByteArrayView digits = rest.sliced(10, rest.size() - 14);
        bool ok = !digits.isEmpty() && digits.size() <= 12 && digits[0] != '0';
        for (char c : digits) ok = ok && c >= '0' && c <= '9';
        if (ok) {
            r.route = Route::RunText;
            r.runId = digits.toByteArray().toLongLong();
            r.csv = rest.endsWith(".csv");
        }
    } else if (rest == "ws") {
        const bool upgrade = head.header("upgrade").compare("websocket", Qt::CaseInsensitive) == 0 &&
                             containsToken(head.header("connection"), "upgrade") &&
                             head.header("sec-websocket-version") == "13" &&
                             head.header("sec-websocket-key").size() == 24;
        // A page of another site cannot know the code; should one have it, its Origin differs.
        const QByteArray origin = head.header("origin");
        const bool sameOrigin = origin.isEmpty() || origin == "http://" + head.header("host");
        r.route = !upgrade ? Route::BadRequest : sameOrigin ? Route::WebSocket : Route::Forbidden;
    }
    return r;
}

QByteArray httpResponse(int status, QByteArrayView contentType, const QByteArray& body,
                        const QByteArray& csp, QByteArrayView extraHeaders) {
    const char* reason = "OK";
    switch (status) {
    case 301:
        reason = "Moved Permanently";
        break;
    case 400: reason = "Bad Request"; break;
    case 403: reason = "Forbidden"; break;
    case 404: reason = "Not Found"; break;
    case 405: reason = "Method Not Allowed"; break;
    case 429:
        reason = "Too Many Requests";
        break;
    case 431: reason = "Request Header Fields Too Large"; break;
    case 503: reason = "Service Unavailable"; break;
    default: break;
    }
    QByteArray r = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason + "\r\n";
    if (!body.isEmpty()) r += "Content-Type: " + contentType.toByteArray() + "\r\n";
    r += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    if (status == 405) r += "Allow: GET\r\n";
    r += "Cache-Control: no-store\r\n"
         "X-Content-Type-Options: nosniff\r\n"
         "Referrer-Policy: no-referrer\r\n"
         "X-Frame-Options: DENY\r\n"
         "Cross-Origin-Resource-Policy: same-origin\r\n"
         "Content-Security-Policy: " + csp + "\r\n";
    r += extraHeaders.toByteArray();
    r += "Connection: close\r\n\r\n";
    return r + body;
}

bool prefersEnglish(QByteArrayView acceptLanguage) {
    const QByteArrayView first = QByteArrayView(acceptLanguage).trimmed();
    return first.startsWith("en") &&
           (first.size() == 2 || first[2] == '-' || first[2] == ';' || first[2] == ',');
}

QByteArray statusPage(int status, bool english) {
    QByteArray text;
    switch (status) {
    case 403:
        text = english ? "This address is not shared (any more). Type it exactly as the teacher's "
                         "screen shows it."
                       : "Diese Adresse ist nicht (mehr) freigegeben. Gib sie genau so ein, wie "
                         "sie am Bildschirm der Lehrkraft steht.";
        break;
    case 404:
        text = english ? "There is no such page in the class view."
                       : "Diese Seite gibt es in der Klassenansicht nicht.";
        break;
    case 405:
        text = english ? "The class view can only be viewed, not changed."
                       : "Die Klassenansicht kann man nur ansehen, nicht verändern.";
        break;
    case 429:
        text = english ? "Too many downloads at once: please wait a few seconds and try again."
                       : "Zu viele Downloads auf einmal: Warte ein paar Sekunden und versuche es "
                         "dann wieder.";
        break;
    case 503:
        text = english ? "The class is full: 60 devices are watching already. Try again when one "
                         "has left."
                       : "Die Klasse ist voll: Es sehen schon 60 Geräte zu. Versuche es wieder, "
                         "wenn eines gegangen ist.";
        break;
    default:
        return {};
    }
    return oneLinePage(text, english);
}

QByteArray oneLinePage(QByteArrayView text, bool english) {
    return "<!DOCTYPE html><html lang=\"" + QByteArray(english ? "en" : "de") +
           "\"><meta charset=\"utf-8\"><meta name=\"viewport\" content=\"width=device-width\">"
           "<title>Kurvimat</title><p>" +
           text.toByteArray() + "</p></html>";
}

} // namespace kurvimat::classview
