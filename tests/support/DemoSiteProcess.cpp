#include "DemoSiteProcess.h"

#include "TestSupport.h"
#include "history/HistoryStore.h"
#include "options/RtfCodec.h"
#include "session/ScanSession.h"
#include "transfer/Inet.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSignalSpy>

DemoSiteProcess::DemoSiteProcess(const QStringList& extraArguments)
{
#ifdef DEMO_SITE_EXE
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // A test copied out of its build runs the installed site instead.
    m_process.start(qEnvironmentVariable("QUILLMERE_DEMO_SITE", QStringLiteral(DEMO_SITE_EXE)),
                    QStringList{QStringLiteral("--port"), QStringLiteral("0"),
                                QStringLiteral("--log"),
                                m_dir.filePath(QStringLiteral("site.log"))} +
                        extraArguments);
    static const QRegularExpression listening(QStringLiteral("http://127\\.0\\.0\\.1:(\\d+)/"));
    QByteArray out;
    while (m_process.waitForReadyRead(10000)) {
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
    m_process.terminate();
    if (!m_process.waitForFinished(5000))
        m_process.kill();
    m_process.waitForFinished(5000);
}

bool DemoSiteProcess::pointOptionsAt(const TempProgramFolder& folder) const
{
    for (const char* name : {"Config18", "Config27", "Config28", "Config58", "Config68"}) {
        QFile in(folder.file(QString::fromLatin1(name) + QStringLiteral(".rtf")));
        const std::optional<QString> text =
            in.open(QIODevice::ReadOnly) ? RtfCodec::read(in.readAll()) : std::nullopt;
        QSaveFile out(in.fileName());
        if (!text || !out.open(QIODevice::WriteOnly))
            return false;
        out.write(RtfCodec::write(
            QString(*text).replace(QStringLiteral("http://127.0.0.1:8765"), baseUrl())));
        if (!out.commit())
            return false;
    }
    return true;
}

QStringList DemoSiteProcess::logged(const QString& kind, int word) const
{
    QFile log(m_dir.filePath(QStringLiteral("site.log")));
    QStringList words;
    if (log.open(QIODevice::ReadOnly)) {
        for (const QString& line : QString::fromUtf8(log.readAll()).split(u'\n')) {
            const QStringList parts = line.split(u' ');
            if (parts[0] == kind && parts.size() > word)
                words << parts[word];
        }
    }
    return words;
}

int DemoSiteProcess::fetches(const QString& prefix) const
{
    int n = 0;
    for (const QString& path : requestedPaths())
        n += path.startsWith(prefix);
    return n;
}

bool DemoSiteProcess::signIn(QNetworkAccessManager* nam) const
{
    QNetworkRequest request(QUrl(baseUrl() + QStringLiteral("/signin")));
    request.setHeader(QNetworkRequest::ContentTypeHeader,
                      QStringLiteral("application/x-www-form-urlencoded"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    std::unique_ptr<QNetworkReply> reply(nam->post(request, QByteArray("userid=demo&pass=demo")));
    return QSignalSpy(reply.get(), &QNetworkReply::finished).wait(10000);
}

bool DemoSiteProcess::advanceClock(int hours) const
{
    return !Inet()
                .OpenURL(baseUrl() + QStringLiteral("/demo/clock?advance-hours=%1").arg(hours))
                .isEmpty();
}

bool DemoSiteProcess::setLook(const QString& seller, const QString& look) const
{
    return Inet().OpenURL(baseUrl() +
                          QStringLiteral("/demo/look?user=%1&look=%2").arg(seller, look)) ==
           look + u'\n';
}

ScansAtSiteTime::ScansAtSiteTime(ScanSession* session, HistoryStore* store)
{
    m_connection = QObject::connect(
        session, &ScanSession::scanEnded, session, [this, store](const ScanSession::Ended& ended) {
            ScanRecord record = ended.record;
            const auto shift = [this](QDateTime& time) { time = time.addMSecs(m_advancedMs); };
            shift(record.started);
            shift(record.ended);
            for (ScanRow& row : record.rows)
                for (QDateTime& fetch : row.fetches)
                    shift(fetch);
            m_allRecorded = store->record(record).isOk() && m_allRecorded;
        });
}

ScansAtSiteTime::~ScansAtSiteTime()
{
    QObject::disconnect(m_connection);
}

bool ScansAtSiteTime::advance(const DemoSiteProcess& site, int hours)
{
    m_advancedMs += qint64(hours) * 3600 * 1000;
    return site.advanceClock(hours);
}
