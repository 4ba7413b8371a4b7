#include "DemoSiteProcess.h"

#include "TestSupport.h"
#include "options/RtfCodec.h"

#include <QFile>
#include <QRegularExpression>
#include <QSaveFile>

DemoSiteProcess::DemoSiteProcess(const QStringList& extraArguments)
{
#ifdef DEMO_SITE_EXE
    m_process.setProgram(QStringLiteral(DEMO_SITE_EXE));
    m_process.setArguments(QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                       QStringLiteral("--log"), m_dir.filePath(QStringLiteral("site.log"))} +
                           extraArguments);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    if (!m_process.waitForStarted(10000))
        return;
    static const QRegularExpression listening(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
    QByteArray out;
    while (m_process.state() == QProcess::Running && m_process.waitForReadyRead(10000)) {
        out += m_process.readAllStandardOutput();
        const auto match = listening.match(QString::fromUtf8(out));
        if (match.hasMatch()) {
            m_port = quint16(match.captured(1).toUInt());
            break;
        }
    }
#else
    Q_UNUSED(extraArguments);
#endif
}

DemoSiteProcess::~DemoSiteProcess()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(5000)) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }
}

QString DemoSiteProcess::baseUrl() const
{
    return QStringLiteral("http://127.0.0.1:") + QString::number(m_port);
}

bool DemoSiteProcess::pointOptionsAt(const TempProgramFolder& folder) const
{
    const QString installed = QStringLiteral("http://127.0.0.1:8765");
    for (const char* name : {"Config18.rtf", "Config27.rtf", "Config28.rtf", "Config58.rtf",
                             "Config68.rtf"}) {
        QFile in(folder.file(QString::fromLatin1(name)));
        if (!in.open(QIODevice::ReadOnly))
            return false;
        const std::optional<QString> text = RtfCodec::read(in.readAll());
        in.close();
        if (!text)
            return false;
        QString moved = *text;
        moved.replace(installed, baseUrl());
        QSaveFile out(in.fileName());
        if (!out.open(QIODevice::WriteOnly) || out.write(RtfCodec::write(moved)) < 0 ||
            !out.commit())
            return false;
    }
    return true;
}

QStringList DemoSiteProcess::logLines() const
{
    QFile log(m_dir.filePath(QStringLiteral("site.log")));
    if (!log.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(log.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QStringList DemoSiteProcess::requestedPaths() const
{
    QStringList paths;
    for (const QString& line : logLines()) {
        const QStringList parts = line.split(QLatin1Char(' '));
        if (parts.size() >= 3 && parts[0] == QLatin1String("request"))
            paths.append(parts[2]);
    }
    return paths;
}

int DemoSiteProcess::connectionCount() const
{
    int count = 0;
    for (const QString& line : logLines())
        count += line.startsWith(QLatin1String("connection ")) ? 1 : 0;
    return count;
}
