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
    enum State : qint16 {
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
    // after a failure or Cancel it returns whatever was received.
    QString OpenURL(const QString& address, int dataType = 0);
    // Ends the transfer in progress; a blocked OpenURL returns. Harmless when idle.
    void Cancel();
    // Final address of the last transfer, after redirections.
    QString URL() const;
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
    void StateChanged(qint16 State);

private:
    struct Private;
    Private* d;
};
