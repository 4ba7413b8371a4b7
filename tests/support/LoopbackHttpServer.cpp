#include "LoopbackHttpServer.h"

#include <QSslConfiguration>
#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>
#include <optional>

QByteArray LoopbackHttpServer::Request::header(const QByteArray& name) const
{
    for (const QByteArray& line : head.split('\n')) {
        const qsizetype colon = line.indexOf(':');
        if (colon > 0 && line.left(colon).trimmed().compare(name, Qt::CaseInsensitive) == 0)
            return line.mid(colon + 1).trimmed();
    }
    return QByteArray();
}

struct LoopbackHttpServer::Worker : QObject
{
    struct Connection
    {
        QTcpSocket* socket = nullptr;
        int id = 0;
        QByteArray input;
        bool busy = false; // answering; later requests wait in input
        bool chunked = false;
        QMetaObject::Connection producer;
    };
    using Link = std::shared_ptr<Connection>;

    LoopbackHttpServer* owner = nullptr;
    QTcpServer* server = nullptr;

    void accept()
    {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            // Without it, Nagle holds each tail back for the client's delayed ACK.
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            auto c = std::make_shared<Connection>();
            c->socket = socket;
            QMutexLocker lock(&owner->m_lock);
            c->id = ++owner->m_connections;
            connect(socket, &QTcpSocket::readyRead, socket, [this, c] {
                c->input += c->socket->readAll();
                serve(c);
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        }
    }

    void serve(const Link& c)
    {
        const qsizetype end = c->input.indexOf("\r\n\r\n");
        if (c->busy || end < 0)
            return;
        Request request;
        request.head = c->input.left(end);
        request.connection = c->id;
        c->input.remove(0, end + 4);
        const QUrl target = QUrl::fromEncoded(request.head.split(' ').value(1));
        request.path = target.path();
        request.query = target.query();
        Handler handler;
        {
            QMutexLocker lock(&owner->m_lock);
            owner->m_requests.append(request);
            handler = owner->m_routes.value(request.path);
        }
        const Answer answer = handler ? handler(request) : Answer{404, "not found"};
        c->busy = true;
        if (!answer.silent)
            QTimer::singleShot(answer.delayMs, c->socket, [this, c, answer] { start(c, answer); });
    }

    void send(const Link& c, const QByteArray& data)
    {
        if (data.isEmpty())
            return;
        c->socket->write(c->chunked ? QByteArray::number(data.size(), 16) + "\r\n" + data + "\r\n"
                                    : data);
    }

    void start(const Link& c, const Answer& a)
    {
        c->chunked = a.chunked || a.filler < 0;
        QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + " Status\r\n";
        bool typed = false;
        for (const auto& [name, value] : a.headers) {
            head += name + ": " + value + "\r\n";
            typed = typed || name.compare("Content-Type", Qt::CaseInsensitive) == 0;
        }
        head += typed ? QByteArray() : QByteArray("Content-Type: text/html\r\n");
        const qint64 length = a.body.size() + qMax<qint64>(a.filler, 0);
        head += c->chunked ? QByteArray("Transfer-Encoding: chunked\r\n")
                           : "Content-Length: " + QByteArray::number(length) + "\r\n";
        c->socket->write(head + "\r\n");
        const QByteArray body = a.cutAt >= 0 ? a.body.left(a.cutAt) : a.body;
        if (a.pieceBytes <= 0) {
            send(c, body);
            afterBody(c, a);
            return;
        }
        auto* timer = new QTimer(c->socket);
        auto sent = std::make_shared<qsizetype>(0);
        connect(timer, &QTimer::timeout, timer, [this, c, a, body, timer, sent] {
            send(c, body.mid(*sent, a.pieceBytes));
            *sent += a.pieceBytes;
            if (*sent >= body.size()) {
                timer->deleteLater();
                afterBody(c, a);
            }
        });
        timer->start(a.pieceMs);
    }

    void afterBody(const Link& c, const Answer& a)
    {
        if (a.cutAt >= 0) {
            if (a.close)
                c->socket->disconnectFromHost();
            return;
        }
        auto left = std::make_shared<qint64>(a.filler);
        const auto produce = [this, c, left] {
            static const QByteArray piece(64 * 1024, 'x');
            // A bounded backlog: the filler is written as fast as it is read.
            while (c->busy && c->socket->bytesToWrite() < 4 * piece.size()) {
                if (*left == 0)
                    return finish(c);
                const qint64 n = *left < 0 ? piece.size() : qMin<qint64>(*left, piece.size());
                *left -= *left < 0 ? 0 : n;
                send(c, piece.left(n));
            }
        };
        c->producer = connect(c->socket, &QTcpSocket::bytesWritten, c->socket, produce);
        produce();
    }

    void finish(const Link& c)
    {
        disconnect(c->producer);
        if (c->chunked)
            c->socket->write("0\r\n\r\n");
        c->busy = false;
        QMetaObject::invokeMethod(c->socket, [this, c] { serve(c); }, Qt::QueuedConnection);
    }
};

LoopbackHttpServer::LoopbackHttpServer(const QSslConfiguration* tls) : m_tls(tls)
{
    std::optional<QSslConfiguration> config;
    if (tls)
        config = *tls;
    m_worker = new Worker;
    m_worker->owner = this;
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker,
        [this, config] {
            auto* server = config ? new QSslServer(m_worker) : new QTcpServer(m_worker);
            if (config)
                static_cast<QSslServer*>(server)->setSslConfiguration(*config);
            // Not newConnection: a TLS socket is handed over after its handshake.
            QObject::connect(server, &QTcpServer::pendingConnectionAvailable, m_worker,
                             [this] { m_worker->accept(); });
            server->listen(QHostAddress::LocalHost, 0);
            m_worker->server = server;
            m_port = server->serverPort();
        },
        Qt::BlockingQueuedConnection);
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    // Deleted as its thread ends, with the server and every connection.
    m_worker->deleteLater();
    m_thread.quit();
    m_thread.wait();
}

QUrl LoopbackHttpServer::url(const QString& pathAndQuery) const
{
    return QUrl((m_tls ? QStringLiteral("https") : QStringLiteral("http")) +
                QStringLiteral("://127.0.0.1:") + QString::number(m_port) + pathAndQuery);
}

void LoopbackHttpServer::route(const QString& path, Handler handler)
{
    QMutexLocker lock(&m_lock);
    m_routes.insert(path, std::move(handler));
}

LoopbackHttpServer::Handler LoopbackHttpServer::page(const QByteArray& body, int status,
                                                     const Headers& headers)
{
    return [=](const Request&) { return Answer{status, body, headers}; };
}

LoopbackHttpServer::Answer LoopbackHttpServer::redirect(const QByteArray& location, int status)
{
    return Answer{status, "moved", {{"Location", location}}};
}

QList<LoopbackHttpServer::Request> LoopbackHttpServer::requests() const
{
    QMutexLocker lock(&m_lock);
    return m_requests;
}

int LoopbackHttpServer::connectionCount() const
{
    QMutexLocker lock(&m_lock);
    return m_connections;
}

void LoopbackHttpServer::clearLog()
{
    QMutexLocker lock(&m_lock);
    m_requests.clear();
    m_connections = 0;
}
