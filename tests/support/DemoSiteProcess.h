#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class HistoryStore;
class QNetworkAccessManager;
class ScanSession;
class TempProgramFolder;

// The demo auction site as a separate process on a free loopback port.
class DemoSiteProcess
{
public:
    explicit DemoSiteProcess(const QStringList& extraArguments = {});
    ~DemoSiteProcess();

    bool isRunning() const { return m_port != 0; }
    QString baseUrl() const { return QStringLiteral("http://127.0.0.1:%1").arg(m_port); }
    // Rewrites the address options of a program folder from the installed
    // port to this site's port.
    bool pointOptionsAt(const TempProgramFolder& folder) const;
    // Word `word` of each log line that starts with `kind`, in arrival order.
    QStringList logged(const QString& kind, int word = 0) const;
    QStringList requestedPaths() const { return logged(QStringLiteral("request"), 2); }
    // Requests whose target starts with prefix.
    int fetches(const QString& prefix) const;
    int connectionCount() const { return int(logged(QStringLiteral("connection")).size()); }
    // Signs in as a user would, so the session lands in nam's cookie jar.
    bool signIn(QNetworkAccessManager* nam) const;
    // Moves the site's clock on: its buyers visit as if the hours had passed.
    bool advanceClock(int hours) const;
    // Draws a seller's listing page in another look (classic, newlook, restyled).
    bool setLook(const QString& seller, const QString& look) const;

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
};

// Weeks of scans made in seconds: every scan a session ends is filed in a
// history at the demo site's time, real time moved on by the hours the
// site's clock was advanced through advance().
class ScansAtSiteTime
{
public:
    ScansAtSiteTime(ScanSession* session, HistoryStore* store);
    ~ScansAtSiteTime();
    bool advance(const DemoSiteProcess& site, int hours);
    bool allRecorded() const { return m_allRecorded; }

private:
    QMetaObject::Connection m_connection;
    qint64 m_advancedMs = 0;
    bool m_allRecorded = true;
};
