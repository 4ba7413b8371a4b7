#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

class QNetworkAccessManager;
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

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
};
