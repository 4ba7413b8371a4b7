#pragma once

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QList>
#include <QPair>
#include <QSet>
#include <QString>

class QHttpServerRequest;
class QTcpSocket;

// The demo auction site: routes, sign-in sessions, visit counters, the
// request log and the optional answer delay.
class DemoSite : public QAbstractHttpServer
{
    Q_OBJECT
public:
    explicit DemoSite(QObject* parent = nullptr);

    void setDelayMs(int delayMs) { m_delayMs = delayMs; }
    bool openLog(const QString& fileName);
    // Listens on 127.0.0.1 only; port 0 picks a free one. Returns the port,
    // or 0 when listening failed (errorString() says why).
    quint16 start(quint16 port);
    QString errorString() const { return m_error; }

protected:
    bool handleRequest(const QHttpServerRequest& request, QTcpSocket* socket) override;
    void missingHandler(const QHttpServerRequest& request, QTcpSocket* socket) override;

private:
    struct Reply
    {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    Reply route(const QHttpServerRequest& request, bool signedIn);
    Reply html(const QString& page, int status = 200) const;
    Reply redirect(const QHttpServerRequest& request, const QString& pathAndQuery) const;
    Reply item(const QString& number, bool signedIn);
    Reply signIn(const QHttpServerRequest& request);
    Reply signOut(const QHttpServerRequest& request);
    QByteArray sessionOf(const QHttpServerRequest& request) const;
    void send(QTcpSocket* socket, const Reply& reply, bool close);
    void log(const QByteArray& line);

    QHash<QString, int> m_fetches; // item number -> item page fetches so far
    QSet<QByteArray> m_sessions;
    int m_delayMs = 0;
    int m_connections = 0;
    quint16 m_port = 0;
    QFile m_log;
    QString m_error;
};
