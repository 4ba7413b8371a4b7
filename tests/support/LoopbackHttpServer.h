#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <functional>
#include <memory>

class QSslConfiguration;
class QTcpServer;
class QTcpSocket;

// A small HTTP/1.1 server on 127.0.0.1 for tests. It runs on the test's own
// event loop, so it keeps serving while code under test blocks on a nested
// loop. Handlers can answer at once or later, trickle, stall, cut the
// connection, stream endless bodies; the server counts connections and logs
// every request.
//
//     LoopbackHttpServer server;
//     server.route("/page", LoopbackHttpServer::answer(200, "<html>…"));
//     server.route("/slow", [](const auto&, auto& r) { r.respondAfter(5000, 200, "late"); });
//     inet.OpenURL(server.url("/page").toString());
class LoopbackHttpServer : public QObject
{
    Q_OBJECT
public:
    using Headers = QList<QPair<QByteArray, QByteArray>>;

    struct Request
    {
        QByteArray method;
        QByteArray target; // as sent: path and query
        QString path;      // decoded path, what routes match
        QString query;
        Headers headers;
        QByteArray body;
        int connection = 0; // 1 for the first accepted connection, and so on

        // Case-insensitive; empty when absent.
        QByteArray header(const QByteArray& name) const;
    };

    struct Connection;

    // Answers one request. Copies share the exchange, so a handler may keep
    // one in a timer. Calls on a closed connection, or after the answer was
    // completed, do nothing.
    class Responder
    {
    public:
        // The whole answer with Content-Length. A Content-Type of text/html
        // is added unless headers give one.
        void respond(int status, const QByteArray& body = QByteArray(),
                     const Headers& headers = Headers());
        void respondAfter(int delayMs, int status, const QByteArray& body = QByteArray(),
                          const Headers& headers = Headers());
        void redirect(const QByteArray& location, int status = 302);

        // Piece by piece: contentLength < 0 means chunked encoding, ended by
        // finish(); with a length the answer completes when that many bytes
        // have been sent.
        void sendHead(int status, const Headers& headers, qint64 contentLength);
        void sendBody(const QByteArray& data);
        void finish();

        // body in pieces of pieceBytes, one every intervalMs.
        void trickle(int status, const QByteArray& body, int pieceBytes, int intervalMs,
                     const Headers& headers = Headers());
        // totalBytes of filler written as fast as the client reads, never held
        // in memory; totalBytes < 0 streams chunked until the client leaves.
        // withLength=false sends a finite body chunked (no Content-Length).
        void stream(int status, qint64 totalBytes, bool withLength = true,
                    const Headers& headers = Headers());

        // Sends what is queued, then closes the TCP connection.
        void closeConnection();
        bool isOpen() const;

    private:
        friend class LoopbackHttpServer;
        Responder(std::shared_ptr<Connection> connection, int exchange);
        bool current() const;
        void complete();

        std::shared_ptr<Connection> m_connection;
        int m_exchange = 0;
    };

    using Handler = std::function<void(const Request&, Responder&)>;

    // Listens at once on 127.0.0.1, on a free port.
    explicit LoopbackHttpServer(QObject* parent = nullptr);
    // The same over TLS (https), with tls's certificate and key.
    explicit LoopbackHttpServer(const QSslConfiguration& tls, QObject* parent = nullptr);
    ~LoopbackHttpServer() override;

    bool isListening() const;
    quint16 port() const;
    // pathAndQuery starts with '/'.
    QUrl url(const QString& pathAndQuery) const;

    // Unknown paths get 404.
    void route(const QString& path, Handler handler);
    static Handler answer(int status, const QByteArray& body, const Headers& headers = Headers());

    // false: every answer carries "Connection: close" and the server closes.
    void setKeepAlive(bool keepAlive);

    int connectionCount() const;     // accepted since start or clearLog()
    int openConnectionCount() const; // still open now
    QList<Request> requests() const;
    QStringList requestPaths() const;
    void clearLog();
    void closeAllConnections();

private:
    void listen(QTcpServer* server);
    void onNewConnection();
    void onReadyRead(const std::shared_ptr<Connection>& connection);
    void serveNext(const std::shared_ptr<Connection>& connection);

    QTcpServer* m_server = nullptr;
    QHash<QString, Handler> m_routes;
    QHash<QTcpSocket*, std::shared_ptr<Connection>> m_connections;
    QList<Request> m_requests;
    int m_accepted = 0;
    int m_nextConnectionId = 0;
    bool m_keepAlive = true;
};
