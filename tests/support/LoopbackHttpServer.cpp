#include "LoopbackHttpServer.h"

#include <QSslServer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

struct LoopbackHttpServer::Worker : QObject
{
    struct Connection
    {
        QTcpSocket* socket = nullptr;
        QByteArray input;
        bool busy = false; // answering; later requests wait in input
    };
    using Link = std::shared_ptr<Connection>;

    LoopbackHttpServer* owner = nullptr;

    void accept(QTcpServer* server)
    {
        while (QTcpSocket* socket = server->nextPendingConnection()) {
            // Without it, Nagle holds each tail back for the client's delayed ACK.
            socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            auto c = std::make_shared<Connection>();
            c->socket = socket;
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
        const QUrl target = QUrl::fromEncoded(c->input.left(end).split(' ').value(1));
        const Request request{target.path(), target.query(), c->input.left(end)};
        c->input.remove(0, end + 4);
        QMutexLocker lock(&owner->m_lock);
        owner->m_requests.append(request);
        const Handler handler = owner->m_routes.value(request.path);
        lock.unlock();
        const Answer a = handler ? handler(request) : Answer{404, "not found"};
        c->busy = true;
        if (a.delayMs >= 0)
            QTimer::singleShot(a.delayMs, c->socket, [this, c, a] { start(c, a); });
    }

    void start(const Link& c, const Answer& a)
    {
        const bool chunked = a.chunked || a.filler < 0;
        const qint64 size = a.filler < 0 ? -1 : a.body.size() + a.filler; // -1: no end
        QByteArray head = "HTTP/1.1 " + QByteArray::number(a.status) + " Status\r\n";
        for (const auto& [name, value] : a.headers)
            head += name + ": " + value + "\r\n";
        head += chunked ? QByteArray("Transfer-Encoding: chunked\r\n")
                        : "Content-Length: " + QByteArray::number(size) + "\r\n";
        c->socket->write(head + "\r\n");
        const qint64 end = a.cutAt >= 0 ? a.cutAt : size;
        auto sent = std::make_shared<qint64>(0);
        auto* pace = new QTimer(c->socket);
        const auto produce = [this, c, a, chunked, end, sent, pace] {
            // A bounded backlog: a fast body is written as quickly as it is read.
            while (*sent != end && c->socket->bytesToWrite() < 256 * 1024) {
                const qint64 most = a.pieceBytes > 0 ? a.pieceBytes : 64 * 1024;
                const qint64 n = end < 0 ? most : qMin(most, end - *sent);
                QByteArray piece = a.body.mid(*sent, n);
                piece += QByteArray(n - piece.size(), 'x');
                *sent += n;
                c->socket->write(chunked ? QByteArray::number(n, 16) + "\r\n" + piece + "\r\n"
                                         : piece);
                if (a.pieceBytes > 0)
                    return;
            }
            if (*sent != end)
                return;
            QObject::disconnect(c->socket, nullptr, pace, nullptr);
            pace->stop();
            pace->deleteLater();
            if (a.cutAt >= 0 && a.close)
                c->socket->disconnectFromHost();
            if (a.cutAt >= 0)
                return;
            if (chunked)
                c->socket->write("0\r\n\r\n");
            c->busy = false;
            QMetaObject::invokeMethod(
                c->socket, [this, c] { serve(c); }, Qt::QueuedConnection);
        };
        if (a.pieceBytes > 0) {
            connect(pace, &QTimer::timeout, pace, produce);
            pace->start(a.pieceMs);
        } else {
            connect(c->socket, &QTcpSocket::bytesWritten, pace, produce);
            produce();
        }
    }
};

LoopbackHttpServer::LoopbackHttpServer(const QSslConfiguration* tls) : m_tls(tls)
{
    m_worker = new Worker;
    m_worker->owner = this;
    m_worker->moveToThread(&m_thread);
    m_thread.start();
    QMetaObject::invokeMethod(
        m_worker,
        [this, tls] {
            QTcpServer* server = tls ? new QSslServer(m_worker) : new QTcpServer(m_worker);
            if (tls)
                static_cast<QSslServer*>(server)->setSslConfiguration(*tls);
            // Not newConnection: a TLS socket is handed over after its handshake.
            QObject::connect(server, &QTcpServer::pendingConnectionAvailable, m_worker,
                             [this, server] { m_worker->accept(server); });
            server->listen(QHostAddress::LocalHost, 0);
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
