#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

class TempProgramFolder;

// The demo auction site as a separate process on a free loopback port.
class DemoSiteProcess
{
public:
    explicit DemoSiteProcess(const QStringList& extraArguments = {});
    ~DemoSiteProcess();

    bool isRunning() const { return m_port != 0; }
    quint16 port() const { return m_port; }
    QString baseUrl() const; // http://127.0.0.1:PORT

    // Rewrites the address options of a program folder from the installed
    // port to this site's port.
    bool pointOptionsAt(const TempProgramFolder& folder) const;

    QStringList logLines() const;
    // Request targets (path and query) in arrival order.
    QStringList requestedPaths() const;
    int connectionCount() const;

private:
    QProcess m_process;
    QTemporaryDir m_dir;
    quint16 m_port = 0;
};
