#include "DemoSite.h"

#include "Catalogue.h"
#include "Pages.h"

#include <QHttpServerRequest>
#include <QRandomGenerator>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <QUrlQuery>

#include <algorithm>
#include <cmath>
#include <functional>

namespace {

const char connectionProperty[] = "demoSiteConnection";
const QByteArray sessionCookie = QByteArrayLiteral("demo_session");

// Numbers every accepted TCP connection, so the log shows how many
// connections a client opened (keep-alive reuse or not).
class CountingTcpServer : public QTcpServer
{
public:
    CountingTcpServer(std::function<int()> onConnection, QObject* parent)
        : QTcpServer(parent), m_onConnection(std::move(onConnection))
    {
    }

protected:
    void incomingConnection(qintptr handle) override
    {
        auto* socket = new QTcpSocket(this);
        if (!socket->setSocketDescriptor(handle)) {
            delete socket;
            return;
        }
        socket->setProperty(connectionProperty, m_onConnection());
        addPendingConnection(socket);
    }

private:
    std::function<int()> m_onConnection;
};

QByteArray header(const QHttpServerRequest& request, const QByteArray& name)
{
    const auto headers = request.headers();
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

QByteArray methodName(QHttpServerRequest::Method method)
{
    switch (method) {
    case QHttpServerRequest::Method::Get:
        return "GET";
    case QHttpServerRequest::Method::Post:
        return "POST";
    case QHttpServerRequest::Method::Head:
        return "HEAD";
    case QHttpServerRequest::Method::Put:
        return "PUT";
    case QHttpServerRequest::Method::Delete:
        return "DELETE";
    case QHttpServerRequest::Method::Options:
        return "OPTIONS";
    default:
        return "OTHER";
    }
}

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 302:
        return "Found";
    case 404:
        return "Not Found";
    case 405:
        return "Method Not Allowed";
    default:
        return "Unknown";
    }
}

// A transparent 1x1 GIF stands in for thumbnails and icons.
QByteArray pixelGif()
{
    static const unsigned char gif[] = {
        0x47, 0x49, 0x46, 0x38, 0x39, 0x61, 0x01, 0x00, 0x01, 0x00, 0x80, 0x00, 0x00, 0x00, 0x00,
        0x00, 0xff, 0xff, 0xff, 0x21, 0xf9, 0x04, 0x01, 0x00, 0x00, 0x00, 0x00, 0x2c, 0x00, 0x00,
        0x00, 0x00, 0x01, 0x00, 0x01, 0x00, 0x00, 0x02, 0x02, 0x44, 0x01, 0x00, 0x3b};
    return QByteArray(reinterpret_cast<const char*>(gif), int(sizeof(gif)));
}

QString targetOf(const QHttpServerRequest& request)
{
    const QUrl url = request.url();
    QString target = url.path(QUrl::FullyEncoded);
    if (url.hasQuery())
        target += QLatin1Char('?') + url.query(QUrl::FullyEncoded);
    return target;
}

} // namespace

DemoSite::DemoSite(QObject* parent) : QAbstractHttpServer(parent)
{
    m_clock.start();
}

bool DemoSite::openLog(const QString& fileName)
{
    m_log.setFileName(fileName);
    if (!m_log.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        m_error = m_log.errorString();
        return false;
    }
    return true;
}

quint16 DemoSite::start(quint16 port)
{
    auto* server = new CountingTcpServer(
        [this] {
            ++m_connections;
            log("connection " + QByteArray::number(m_connections));
            return m_connections;
        },
        this);
    if (!server->listen(QHostAddress::LocalHost, port)) {
        m_error = server->errorString();
        delete server;
        return 0;
    }
    bind(server);
    m_port = server->serverPort();
    return m_port;
}

void DemoSite::log(const QByteArray& line)
{
    if (!m_log.isOpen())
        return;
    m_log.write(line + '\n');
    m_log.flush(); // tests read the log while the site keeps running
}

bool DemoSite::handleRequest(const QHttpServerRequest& request, QTcpSocket* socket)
{
    const bool signedIn = !sessionOf(request).isEmpty();
    const Reply reply = route(request, signedIn);
    log("request " + methodName(request.method()) + ' ' + targetOf(request).toUtf8() +
        (signedIn ? " cookie=yes" : " cookie=no") + " status=" + QByteArray::number(reply.status) +
        " connection=" + QByteArray::number(socket->property(connectionProperty).toInt()));

    const bool close = header(request, "connection").toLower() == "close";
    if (m_delayMs <= 0) {
        send(socket, reply, close);
    } else {
        // The socket is the timer's context: a client that gives up during
        // the delay deletes its socket and with it the pending answer.
        QTimer::singleShot(m_delayMs, socket,
                           [this, socket, reply, close] { send(socket, reply, close); });
    }
    return true;
}

void DemoSite::missingHandler(const QHttpServerRequest& request, QTcpSocket* socket)
{
    send(socket, html(Pages::notFound(request.url().path(), false), 404), false);
}

void DemoSite::send(QTcpSocket* socket, const Reply& reply, bool close)
{
    if (socket->state() != QAbstractSocket::ConnectedState)
        return;
    QByteArray out = "HTTP/1.1 " + QByteArray::number(reply.status) + ' ' +
                     reasonPhrase(reply.status) + "\r\nContent-Type: " + reply.contentType +
                     "\r\nContent-Length: " + QByteArray::number(reply.body.size()) +
                     "\r\nCache-Control: no-store\r\n";
    for (const auto& h : reply.headers)
        out += h.first + ": " + h.second + "\r\n";
    if (close)
        out += "Connection: close\r\n";
    out += "\r\n" + reply.body;
    socket->write(out);
    if (close)
        socket->disconnectFromHost();
}

DemoSite::Reply DemoSite::html(const QString& page, int status) const
{
    Reply reply;
    reply.status = status;
    reply.body = page.toUtf8();
    return reply;
}

DemoSite::Reply DemoSite::redirect(const QHttpServerRequest& request,
                                   const QString& pathAndQuery) const
{
    // Send the client back to the host and port it used, so the site works
    // on whatever port it was started on.
    QByteArray host = header(request, "host");
    const bool plain = !host.isEmpty() && std::all_of(host.cbegin(), host.cend(), [](char c) {
        return QChar::isLetterOrNumber(uchar(c)) || c == '.' || c == ':' || c == '-' || c == '[' ||
               c == ']';
    });
    if (!plain)
        host = "127.0.0.1:" + QByteArray::number(m_port);
    Reply reply = html(QStringLiteral("<html><body>Moved</body></html>\n"), 302);
    reply.headers.append({"Location", "http://" + host + pathAndQuery.toUtf8()});
    return reply;
}

QByteArray DemoSite::sessionOf(const QHttpServerRequest& request) const
{
    const QList<QByteArray> cookies = header(request, "cookie").split(';');
    for (const QByteArray& cookie : cookies) {
        const QByteArray trimmed = cookie.trimmed();
        if (trimmed.startsWith(QByteArray(sessionCookie + '='))) {
            const QByteArray token = trimmed.mid(sessionCookie.size() + 1);
            if (m_sessions.contains(token))
                return token;
        }
    }
    return QByteArray();
}

DemoSite::Reply DemoSite::route(const QHttpServerRequest& request, bool signedIn)
{
    const Catalogue& catalogue = Catalogue::instance();
    const QString path = request.url().path();
    const QUrlQuery query = request.query();
    const auto method = request.method();

    if (path == SitePaths::signInForm() && method == QHttpServerRequest::Method::Post)
        return signIn(request);
    if (method != QHttpServerRequest::Method::Get)
        return html(Pages::notFound(path, signedIn), 405);

    if (path == QLatin1String("/"))
        return html(Pages::home(catalogue, signedIn));
    if (path == QLatin1String("/seller")) {
        const Seller* seller = catalogue.seller(query.queryItemValue(QStringLiteral("user")));
        if (!seller)
            return redirect(request, SitePaths::bareListing());
        return html(Pages::sellerListing(*seller, catalogue, signedIn,
                                         m_looks.value(seller->id.toLower(), seller->look)));
    }
    if (path == SitePaths::bareListing())
        return html(Pages::sellerNotFound(signedIn));
    if (path.startsWith(QLatin1String("/itm/")))
        return item(path.mid(5), signedIn);
    if (path == QLatin1String("/item"))
        return item(query.queryItemValue(QStringLiteral("id"), QUrl::FullyDecoded), signedIn);
    if (path == QLatin1String("/ws/eBayISAPI.dll")) {
        if (query.hasQueryItem(QStringLiteral("ViewItem")))
            return item(query.queryItemValue(QStringLiteral("item"), QUrl::FullyDecoded), signedIn);
        if (query.hasQueryItem(QStringLiteral("MyeBay")))
            return html(signedIn ? Pages::myEbay(catalogue) : Pages::signIn(QString()));
    }
    // Like a real site, it answers a visitor who is not signed in with its sign-in page.
    if (path == QLatin1String("/sold"))
        return html(signedIn ? Pages::soldItems(catalogue) : Pages::signIn(QString()));
    // A site that changes its look under a seller who scanned it before.
    if (path == QLatin1String("/demo/look")) {
        const Seller* seller = catalogue.seller(query.queryItemValue(QStringLiteral("user")));
        const QString name = query.queryItemValue(QStringLiteral("look"));
        const QStringList names{QStringLiteral("classic"), QStringLiteral("newlook"),
                                QStringLiteral("restyled")};
        if (!seller || !names.contains(name))
            return html(Pages::notFound(path, signedIn), 404);
        m_looks.insert(seller->id.toLower(), Look(names.indexOf(name)));
        Reply reply;
        reply.contentType = "text/plain";
        reply.body = name.toUtf8() + '\n';
        return reply;
    }
    if (path == QLatin1String("/demo/clock")) {
        m_advancedMs +=
            qint64(query.queryItemValue(QStringLiteral("advance-hours")).toDouble() * 3600 * 1000);
        Reply reply;
        reply.contentType = "text/plain";
        reply.body = QByteArray::number(clockMs()) + '\n';
        return reply;
    }
    if (path == SitePaths::signInForm())
        return redirect(request, SitePaths::signIn());
    if (path == QLatin1String("/signout"))
        return signOut(request);
    if (path.startsWith(QLatin1String("/img/")) && path.endsWith(QLatin1String(".gif"))) {
        Reply reply;
        reply.contentType = "image/gif";
        reply.body = pixelGif();
        return reply;
    }
    return html(Pages::notFound(path, signedIn), 404);
}

qint64 DemoSite::buyerVisits(int seed, qint64 clockMs)
{
    const double days = double(clockMs) / (24 * 60 * 60 * 1000.0);
    const double scale = 1 + seed % 3;
    double visits = 0;
    switch (seed % 4) {
    case 0: // steady
        visits = 2 * scale * days;
        break;
    case 1: // rising: half a visit a day more each day
        visits = scale * days * days / 4;
        break;
    case 2: // nobody after the tenth day
        visits = 3 * scale * std::min(days, 10.0);
        break;
    default: // falling from 8 a day
        visits = 8 * scale * 20 * (1 - std::exp(-days / 20));
        break;
    }
    return qint64(std::floor(visits));
}

DemoSite::Reply DemoSite::item(const QString& number, bool signedIn)
{
    const Item* item = Catalogue::instance().item(number);
    QString counter;
    if (item) {
        const int fetches = ++m_fetches[number];
        if (item->counter == CounterStyle::DashesFirst && fetches <= 2)
            counter = QStringLiteral("--");
        else
            counter = QStringLiteral("%1").arg(
                (item->seed + fetches + buyerVisits(item->seed, clockMs())) % 100000, 5, 10,
                QLatin1Char('0'));
    }
    return html(Pages::itemPage(item, number, counter, signedIn));
}

DemoSite::Reply DemoSite::signIn(const QHttpServerRequest& request)
{
    // Form fields arrive as application/x-www-form-urlencoded.
    QString body = QString::fromLatin1(request.body());
    body.replace(QLatin1Char('+'), QLatin1Char(' '));
    const QUrlQuery form(body);
    const QString user = form.queryItemValue(QStringLiteral("userid"), QUrl::FullyDecoded);
    const QString pass = form.queryItemValue(QStringLiteral("pass"), QUrl::FullyDecoded);
    if (user.compare(Catalogue::accountUser(), Qt::CaseInsensitive) != 0 ||
        pass != Catalogue::accountPassword()) {
        return html(Pages::signIn(QStringLiteral("Your user ID or password is incorrect.")));
    }
    const QByteArray token = QByteArray::number(QRandomGenerator::system()->generate64(), 16);
    m_sessions.insert(token);
    Reply reply = redirect(request, SitePaths::signIn());
    reply.headers.append({"Set-Cookie", sessionCookie + '=' + token + "; Path=/; HttpOnly"});
    return reply;
}

DemoSite::Reply DemoSite::signOut(const QHttpServerRequest& request)
{
    m_sessions.remove(sessionOf(request));
    Reply reply = redirect(request, SitePaths::signIn());
    reply.headers.append({"Set-Cookie", sessionCookie + "=; Path=/; HttpOnly; Max-Age=0"});
    return reply;
}
