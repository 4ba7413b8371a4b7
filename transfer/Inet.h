#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class QNetworkAccessManager;
class QNetworkCookieJar;
class QNetworkReply;
class QEventLoop;

// The program's page downloader. OpenURL blocks its caller on a nested event
// loop, so the windows stay alive (Stop, repaints, timers) while a page loads.
class Inet : public QObject
{
    Q_OBJECT
public:
    // Transfer states reported through StateChanged.
    enum State : qint16
    {
        icNone = 0,
        icResolvingHost = 1,
        icHostResolved = 2,
        icConnecting = 3,
        icConnected = 4,
        icRequesting = 5,
        icRequestSent = 6,
        icReceivingResponse = 7,
        icResponseReceived = 8,
        icDisconnecting = 9,
        icDisconnected = 10,
        icError = 11,
        icResponseCompleted = 12,
    };

    explicit Inet(QObject* parent = nullptr);
    ~Inet() override;

    // Fetches address with GET and returns the body as text (dataType 0);
    // after a failure or Cancel it returns whatever was received. Called
    // again while one fetch blocks, it returns an empty text at once and
    // leaves the running fetch alone.
    QString OpenURL(const QString& address, int dataType = 0);
    // Ends the transfer in progress; a blocked OpenURL returns. Harmless when idle.
    void Cancel();
    // Final address of the last transfer, after redirections (fully encoded).
    QString URL() const;
    // How the last fetch ended: failed when it reported state 11 (refused,
    // time-out, too large, an HTTP error status, a bad address), with the
    // reason in words. A cancelled fetch has not failed.
    struct LastFetch
    {
        bool failed = false;
        QString error;
    };
    const LastFetch& lastFetch() const;
    bool StillExecuting() const;

    // One jar for the whole run; the sign-in browser feeds it.
    QNetworkCookieJar* cookieJar() const;
    QNetworkAccessManager* networkAccessManager() const;

    // Limits; tests shorten them.
    void setStallTimeout(int milliseconds);
    int stallTimeout() const;
    void setMaxBodyBytes(qint64 bytes);
    qint64 maxBodyBytes() const;

signals:
    // A fetch reports 1 2 [3 4] 5 6 7 8 12 9 10; 3 and 4 only when a new
    // connection is opened, and each redirection repeats the request states.
    // A failure (refused, time-out, too large, HTTP error status, bad
    // address) ends with 11 as the last state. Cancel reports 9 10 at once
    // and nothing follows it.
    void StateChanged(qint16 State);

private:
    struct Private;
    struct Transfer;
    // Emits StateChanged; false when the handler destroyed this object or
    // ended the transfer, so the caller must stop touching it.
    bool report(Transfer& t, qint16 state);
    // Reports state 11 for the reason given.
    void fail(Transfer& t, const QString& reason);

    Private* d;
    Q_DISABLE_COPY(Inet)
};
