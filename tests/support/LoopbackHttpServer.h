#pragma once

#include <QHash>
#include <QMutex>
#include <QThread>
#include <QUrl>

#include <functional>

class QSslConfiguration;

// An HTTP/1.1 server on 127.0.0.1 for tests. It runs in a thread of its own,
// as a real server runs in a process of its own: a body streamed as fast as
// the client reads must not keep the client's thread from its own events.
// Handlers run on the server's thread; everything else may be used from any.
class LoopbackHttpServer
{
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request
    {
        QString path;
        QString query;
        QByteArray head; // request line and headers as sent
    };

    // Answer{status, body, headers} is a whole page; the rest misbehaves.
    struct Answer
    {
        int status = 200;
        QByteArray body;
        Headers headers{{"Content-Type", "text/html"}};
        int delayMs = 0;      // before anything is sent; < 0: never answers
        int pieceBytes = 0;   // the body in pieces of this size,
        int pieceMs = 0;      // one every pieceMs
        qint64 cutAt = -1;    // only this many body bytes are sent, then
        bool close = false;   // the connection is closed (else held open)
        qint64 filler = 0;    // then this many 'x', as fast as read; < 0 without end
        bool chunked = false; // no Content-Length (so too when filler < 0)

        Answer& after(int ms) { return delayMs = ms, *this; }
        Answer& inPieces(int bytes, int ms) { return pieceBytes = bytes, pieceMs = ms, *this; }
        Answer& cut(qint64 at, bool closeIt) { return cutAt = at, close = closeIt, *this; }
        Answer& fill(qint64 n, bool chunk) { return filler = n, chunked = chunk, *this; }
    };
    using Handler = std::function<Answer(const Request&)>;

    explicit LoopbackHttpServer(const QSslConfiguration* tls = nullptr);
    ~LoopbackHttpServer();

    QUrl url(const QString& pathAndQuery) const
    {
        return QUrl(QLatin1String(m_tls ? "https" : "http") + QStringLiteral("://127.0.0.1:") +
                    QString::number(m_port) + pathAndQuery);
    }
    // Unknown paths get 404.
    void route(const QString& path, Handler handler)
    {
        QMutexLocker lock(&m_lock);
        m_routes.insert(path, std::move(handler));
    }
    void route(const QString& p, const Answer& a)
    {
        route(p, [a](const Request&) { return a; });
    }
    static Answer redirect(const QByteArray& location, int status = 302)
    {
        return Answer{status, "moved", {{"Location", location}}};
    }
    QList<Request> requests() const
    {
        QMutexLocker lock(&m_lock);
        return m_requests;
    }
    void clearLog()
    {
        QMutexLocker lock(&m_lock);
        m_requests.clear();
    }

private:
    struct Worker;
    friend struct Worker;

    mutable QMutex m_lock;
    QHash<QString, Handler> m_routes;
    QList<Request> m_requests;
    quint16 m_port = 0;
    bool m_tls = false;
    QThread m_thread;
    Worker* m_worker = nullptr;
};
Q_DECLARE_METATYPE(LoopbackHttpServer::Answer)
