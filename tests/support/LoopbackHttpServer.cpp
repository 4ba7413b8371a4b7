#include "LoopbackHttpServer.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>

namespace {

constexpr int kMaxHeadBytes = 64 * 1024;
constexpr qint64 kStreamPiece = 64 * 1024;
// Keeps a streamed body from piling up in the socket's buffer.
constexpr qint64 kStreamBacklog = 256 * 1024;

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 204:
        return "No Content";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 303:
        return "See Other";
    case 307:
        return "Temporary Redirect";
    case 308:
        return "Permanent Redirect";
    case 400:
        return "Bad Request";
    case 403:
        return "Forbidden";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

bool hasHeader(const LoopbackHttpServer::Headers& headers, const QByteArray& name)
{
    for (const auto& header : headers) {
        if (header.first.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}

} // namespace

struct LoopbackHttpServer::Connection
{
    int id = 0;
    QPointer<QTcpSocket> socket;
    QPointer<LoopbackHttpServer> server;
    QByteArray input;
    bool busy = false; // an answer is under way; later requests wait in input
    int exchange = 0;  // serial of the request being answered
    bool closeAfter = false;
    bool chunked = false;
    qint64 bodyLeft = 0;
    std::function<void()> producer; // refills a streamed body as the socket drains
};

QByteArray LoopbackHttpServer::Request::header(const QByteArray& name) const
{
    for (const auto& h : headers) {
        if (h.first.compare(name, Qt::CaseInsensitive) == 0)
            return h.second;
    }
    return QByteArray();
}

LoopbackHttpServer::Responder::Responder(std::shared_ptr<Connection> connection, int exchange)
    : m_connection(std::move(connection)), m_exchange(exchange)
{
}

bool LoopbackHttpServer::Responder::current() const
{
    return m_connection && m_connection->socket && m_connection->busy &&
           m_connection->exchange == m_exchange;
}

bool LoopbackHttpServer::Responder::isOpen() const
{
    return m_connection && m_connection->socket &&
           m_connection->socket->state() == QAbstractSocket::ConnectedState;
}

void LoopbackHttpServer::Responder::respond(int status, const QByteArray& body,
                                            const Headers& headers)
{
    sendHead(status, headers, body.size());
    sendBody(body);
}

void LoopbackHttpServer::Responder::respondAfter(int delayMs, int status, const QByteArray& body,
                                                 const Headers& headers)
{
    if (!current())
        return;
    Responder self = *this;
    QTimer::singleShot(delayMs, m_connection->socket, [self, status, body, headers]() mutable {
        self.respond(status, body, headers);
    });
}

void LoopbackHttpServer::Responder::redirect(const QByteArray& location, int status)
{
    respond(status, "moved", {{"Location", location}});
}

void LoopbackHttpServer::Responder::sendHead(int status, const Headers& headers,
                                             qint64 contentLength)
{
    if (!current())
        return;
    Connection& c = *m_connection;
    QByteArray head =
        "HTTP/1.1 " + QByteArray::number(status) + ' ' + reasonPhrase(status) + "\r\n";
    for (const auto& header : headers)
        head += header.first + ": " + header.second + "\r\n";
    if (!hasHeader(headers, "Content-Type"))
        head += "Content-Type: text/html\r\n";
    c.chunked = contentLength < 0;
    c.bodyLeft = qMax<qint64>(contentLength, 0);
    head += c.chunked ? QByteArray("Transfer-Encoding: chunked\r\n")
                      : "Content-Length: " + QByteArray::number(contentLength) + "\r\n";
    if (c.closeAfter)
        head += "Connection: close\r\n";
    head += "\r\n";
    c.socket->write(head);
    if (!c.chunked && contentLength == 0)
        complete();
}

void LoopbackHttpServer::Responder::sendBody(const QByteArray& data)
{
    if (!current() || data.isEmpty())
        return;
    Connection& c = *m_connection;
    if (c.chunked) {
        c.socket->write(QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n");
        return;
    }
    c.socket->write(data);
    c.bodyLeft -= data.size();
    if (c.bodyLeft <= 0)
        complete();
}

void LoopbackHttpServer::Responder::finish()
{
    if (!current() || !m_connection->chunked)
        return;
    m_connection->socket->write("0\r\n\r\n");
    complete();
}

void LoopbackHttpServer::Responder::complete()
{
    Connection& c = *m_connection;
    c.busy = false;
    c.producer = nullptr; // callers run a copy, so this cannot pull the rug
    if (c.closeAfter) {
        c.socket->disconnectFromHost();
        return;
    }
    // The next request may already be waiting; answer it from the event loop,
    // not from inside this handler.
    std::shared_ptr<Connection> connection = m_connection;
    if (c.server) {
        QMetaObject::invokeMethod(
            c.server,
            [connection] {
                if (connection->server)
                    connection->server->serveNext(connection);
            },
            Qt::QueuedConnection);
    }
}

void LoopbackHttpServer::Responder::trickle(int status, const QByteArray& body, int pieceBytes,
                                            int intervalMs, const Headers& headers)
{
    sendHead(status, headers, body.size());
    if (!current() || body.isEmpty())
        return;
    auto* timer = new QTimer(m_connection->socket);
    auto offset = std::make_shared<qsizetype>(0);
    Responder self = *this;
    QObject::connect(timer, &QTimer::timeout, timer,
                     [self, body, pieceBytes, offset, timer]() mutable {
                         if (self.current() && *offset < body.size()) {
                             const QByteArray piece = body.mid(*offset, pieceBytes);
                             *offset += piece.size();
                             self.sendBody(piece);
                         }
                         if (!self.current())
                             timer->deleteLater();
                     });
    timer->start(intervalMs);
}

void LoopbackHttpServer::Responder::stream(int status, qint64 totalBytes, bool withLength,
                                           const Headers& headers)
{
    sendHead(status, headers, withLength && totalBytes >= 0 ? totalBytes : -1);
    if (!current())
        return;
    static const QByteArray filler(kStreamPiece, 'x');
    auto sent = std::make_shared<qint64>(0);
    Responder self = *this;
    m_connection->producer = [self, sent, totalBytes]() mutable {
        while (self.current() && self.m_connection->socket->bytesToWrite() < kStreamBacklog) {
            if (totalBytes >= 0 && *sent >= totalBytes) {
                self.finish(); // no-op unless chunked
                return;
            }
            const qint64 n = totalBytes < 0 ? kStreamPiece : qMin(kStreamPiece, totalBytes - *sent);
            *sent += n;
            self.sendBody(n == kStreamPiece ? filler : filler.left(n));
        }
    };
    auto producer = m_connection->producer;
    producer();
}

void LoopbackHttpServer::Responder::closeConnection()
{
    if (!m_connection || !m_connection->socket)
        return;
    m_connection->busy = false;
    m_connection->producer = nullptr;
    m_connection->socket->disconnectFromHost();
}

LoopbackHttpServer::LoopbackHttpServer(QObject* parent) : QObject(parent)
{
    listen(new QTcpServer(this));
}

LoopbackHttpServer::LoopbackHttpServer(const QSslConfiguration& tls, QObject* parent)
    : QObject(parent)
{
    auto* server = new QSslServer(this);
    server->setSslConfiguration(tls);
    listen(server);
}

void LoopbackHttpServer::listen(QTcpServer* server)
{
    m_server = server;
    // Not newConnection: a TLS socket is handed over only after its handshake.
    connect(m_server, &QTcpServer::pendingConnectionAvailable, this,
            &LoopbackHttpServer::onNewConnection);
    m_server->listen(QHostAddress::LocalHost, 0);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    // Sockets die with m_server; their lambdas hold the connections.
    for (const auto& connection : std::as_const(m_connections))
        connection->producer = nullptr;
}

bool LoopbackHttpServer::isListening() const
{
    return m_server->isListening();
}

quint16 LoopbackHttpServer::port() const
{
    return m_server->serverPort();
}

QUrl LoopbackHttpServer::url(const QString& pathAndQuery) const
{
    const QString scheme =
        qobject_cast<QSslServer*>(m_server) ? QStringLiteral("https") : QStringLiteral("http");
    return QUrl(scheme + QStringLiteral("://127.0.0.1:") + QString::number(port()) + pathAndQuery);
}

void LoopbackHttpServer::route(const QString& path, Handler handler)
{
    m_routes.insert(path, std::move(handler));
}

LoopbackHttpServer::Handler LoopbackHttpServer::answer(int status, const QByteArray& body,
                                                       const Headers& headers)
{
    return [status, body, headers](const Request&, Responder& responder) {
        responder.respond(status, body, headers);
    };
}

void LoopbackHttpServer::setKeepAlive(bool keepAlive)
{
    m_keepAlive = keepAlive;
}

int LoopbackHttpServer::connectionCount() const
{
    return m_accepted;
}

int LoopbackHttpServer::openConnectionCount() const
{
    return int(m_connections.size());
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    return m_requests;
}

QStringList LoopbackHttpServer::requestPaths() const
{
    QStringList paths;
    for (const Request& request : m_requests)
        paths.append(request.path);
    return paths;
}

void LoopbackHttpServer::clearLog()
{
    m_requests.clear();
    m_accepted = 0;
}

void LoopbackHttpServer::closeAllConnections()
{
    const auto sockets = m_connections.keys();
    for (QTcpSocket* socket : sockets)
        socket->abort();
}

void LoopbackHttpServer::onNewConnection()
{
    while (QTcpSocket* socket = m_server->nextPendingConnection()) {
        ++m_accepted;
        // QTcpSocket writes 16 KiB at a time; without this, Nagle holds each
        // tail back until the client's delayed ACK, 40 ms later.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        auto connection = std::make_shared<Connection>();
        connection->id = ++m_nextConnectionId;
        connection->socket = socket;
        connection->server = this;
        m_connections.insert(socket, connection);
        connect(socket, &QTcpSocket::readyRead, this,
                [this, connection] { onReadyRead(connection); });
        connect(socket, &QTcpSocket::bytesWritten, this, [connection] {
            if (connection->busy && connection->producer) {
                auto producer = connection->producer;
                producer();
            }
        });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket, connection] {
            connection->busy = false;
            connection->producer = nullptr;
            m_connections.remove(socket);
            socket->deleteLater();
        });
    }
}

void LoopbackHttpServer::onReadyRead(const std::shared_ptr<Connection>& connection)
{
    if (!connection->socket)
        return;
    connection->input += connection->socket->readAll();
    serveNext(connection);
}

void LoopbackHttpServer::serveNext(const std::shared_ptr<Connection>& connection)
{
    Connection& c = *connection;
    if (c.busy || !c.socket)
        return;
    const qsizetype headEnd = c.input.indexOf("\r\n\r\n");
    if (headEnd < 0) {
        if (c.input.size() > kMaxHeadBytes)
            c.socket->abort();
        return;
    }
    const QList<QByteArray> lines = c.input.left(headEnd).split('\n');
    const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
    if (requestLine.size() != 3) {
        c.socket->abort();
        return;
    }

    Request request;
    request.method = requestLine.at(0);
    request.target = requestLine.at(1);
    request.connection = c.id;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            request.headers.append({line.left(colon).trimmed(), line.mid(colon + 1).trimmed()});
    }
    const qint64 bodyLength = request.header("Content-Length").toLongLong();
    if (c.input.size() < headEnd + 4 + bodyLength)
        return; // the body is still on its way
    request.body = c.input.mid(headEnd + 4, bodyLength);
    c.input.remove(0, headEnd + 4 + bodyLength);

    const QUrl target = QUrl::fromEncoded(request.target);
    request.path = target.path();
    request.query = target.query();
    m_requests.append(request);

    const QByteArray connectionHeader = request.header("Connection").toLower();
    c.closeAfter = !m_keepAlive || connectionHeader == "close" ||
                   (requestLine.at(2) == "HTTP/1.0" && connectionHeader != "keep-alive");
    c.busy = true;
    ++c.exchange;
    c.producer = nullptr;
    Responder responder(connection, c.exchange);
    const Handler handler = m_routes.value(request.path);
    if (handler)
        handler(request, responder);
    else
        responder.respond(404, "not found");
}
