#pragma once

#include "Catalogue.h"

#include <QAbstractHttpServer>
#include <QByteArray>
#include <QElapsedTimer>
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

    // Buyers visit the listings as the site's clock runs: from 0 at the start,
    // with real time, moved forward by GET /demo/clock?advance-hours=N (for
    // tests and pictures of a history of weeks made in seconds).
    qint64 clockMs() const { return m_clock.elapsed() + m_advancedMs; }
    // The visits buyers made to a listing by the site's clock: each listing
    // steady, rising, stalling after 10 days or falling, from its seed.
    static qint64 buyerVisits(int seed, qint64 clockMs);

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
    QElapsedTimer m_clock;
    qint64 m_advancedMs = 0;
    QHash<QString, Look> m_looks; // by lower-case User ID, set through /demo/look
    QSet<QByteArray> m_sessions;
    int m_delayMs = 0;
    int m_connections = 0;
    quint16 m_port = 0;
    QFile m_log;
    QString m_error;
};
