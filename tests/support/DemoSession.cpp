#include "DemoSession.h"

#include <QSignalSpy>
#include <QTimer>

DemoSession::DemoSession(const QStringList& siteArguments)
    : m_folder(std::make_unique<TempProgramFolder>()),
      m_site(std::make_unique<DemoSiteProcess>(siteArguments))
{
    if (m_site->isRunning())
        m_site->pointOptionsAt(*m_folder);
    m_options = OptionFiles::load().texts;
    OptionFiles::setCounterTryLimit(2);
    (void)OptionFiles::loadCounterTryLimit();
    m_session = std::make_unique<ScanSession>([this](MarkerTable table) {
        return scanMarkers(table, m_options, OptionFiles::counterTryLimit());
    });
    m_session->Timer5->setInterval(10);
    QObject::connect(m_session.get(), &ScanSession::notice, m_session.get(),
                     [this](const QString& text) { m_notices << text; });
}

DemoSession::~DemoSession() = default;

bool DemoSession::scan(const QString& userId)
{
    QSignalSpy finished(m_session.get(), &ScanSession::scanFinished);
    m_session->setUserId(userId);
    m_session->start();
    return finished.wait(60000);
}

void DemoSession::onStatus(const QString& status, const std::function<void()>& action)
{
    onceWhen(m_session.get(), &ScanSession::statusChanged, status, action);
}
