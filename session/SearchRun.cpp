// Starting, delaying and stopping a search, and the status of the transfer.
#include "session/ScanSession.h"

#include "transfer/Inet.h"

#include <QTimer>

void ScanSession::enableTimer(QTimer* timer)
{
    // Enabling a running timer must not restart its period.
    if (!timer->isActive())
        timer->start();
}

// One search at a time. The run moves through these states:
//   Idle --Start--> Delay --Timer5--> Scanning --scan returns--> Idle
//   Delay --Stop--> Idle                 Scanning --Stop--> Stopping
//   Stopping --Start--> StartQueued --Stop--> Stopping
//   Stopping/StartQueued --scan returns--> Idle / Delay
//   Scanning/Stopping/StartQueued --close--> Closing --scan returns--> closed
// Start in any other state is swallowed: a second scan would fetch every item
// page again (a visit the seller caused) and wipe the finished table.
void ScanSession::start()
{
    if (m_run == Run::Idle)
        m_run = Run::Delay;
    else if (m_run == Run::Stopping)
        m_run = Run::StartQueued;
    else
        return;
    showStartPending();
    if (m_run == Run::Delay)
        enableTimer(Timer5);
}

void ScanSession::runNow()
{
    if (m_run != Run::Idle)
        return;
    m_run = Run::Delay;
    Timer5_Timer();
}

void ScanSession::showStartPending()
{
    setStartEnabled(false);
    setStatusColor(StatusColor::Plain);
    setStatus(QStringLiteral("Loading ...."));
}

void ScanSession::Timer5_Timer()
{
    if (m_run != Run::Delay)
        return;
    m_run = Run::Scanning;
    m_scanStartedAt = QDateTime::currentDateTimeUtc();
    m_fetches = {};
    m_scanSeller = m_userId.trimmed();
    m_scanSold = m_sold;
    m_visitPhase = false;
    m_clearAfterScan = false;
    m_finished = Finished();
    emit scanStarted();
    if (m_sold)
        SoldSearch();
    else
        ActiveSearch();
    // Not after Stop or close: the scan did not run its course.
    m_finished.ranItsCourse = m_run == Run::Scanning;
    emit scanFinished(m_finished);
    if (m_clearAfterScan && m_run != Run::Closing) {
        m_clearAfterScan = false;
        clearTable();
    }

    switch (m_run) {
    case Run::Closing:
        m_run = Run::Idle;
        emit closeReady();
        break;
    case Run::StartQueued:
        // The stopped scan has wound down: the start pressed meanwhile begins
        // its delay now, so the two scans never overlap.
        m_run = Run::Delay;
        showStartPending();
        enableTimer(Timer5);
        break;
    default:
        m_run = Run::Idle;
    }
}

void ScanSession::stop()
{
    Inet1->Cancel();
    m_stopRequested = true;
    emit figuresChanged();
    for (int i = 0; i < 20; ++i) {
        setStatus(QStringLiteral("Stopped"));
        Inet1->Cancel();
    }
    if (m_run == Run::Delay) {
        // A pending start is called off too, so no scan begins after "Stopped".
        Timer5->stop();
        m_run = Run::Idle;
    } else if (m_run == Run::Scanning || m_run == Run::StartQueued) {
        m_run = Run::Stopping;
    }
    setStartEnabled(true);
    setStatusColor(StatusColor::Plain);
}

bool ScanSession::closeAfterScan()
{
    if (!scanRunning())
        return false;
    // The scan is on the stack below us: stop it, and close once it has returned.
    m_run = Run::Closing;
    m_stopRequested = true;
    emit figuresChanged();
    Inet1->Cancel();
    return true;
}

QString ScanSession::statusForState(int state, bool* changes)
{
    static const char* const texts[] = {"None",
                                        "Resolving Host",
                                        nullptr,
                                        "Connecting",
                                        "Connected to Internet",
                                        "Requesting",
                                        "Requested Page",
                                        nullptr,
                                        "Receiving...",
                                        "Disconnecting",
                                        "Searching...",
                                        "Internet Error",
                                        "Response Completed"};
    const bool known = state >= 0 && state <= 12 && texts[state];
    if (changes)
        *changes = known;
    return known ? QString::fromLatin1(texts[state]) : QString();
}

void ScanSession::Inet1_StateChanged(qint16 State)
{
    bool changes = false;
    const QString text = statusForState(State, &changes);
    if (!changes)
        return;
    setStatus(text);
    if (State != Inet::icNone)
        enableTimer(Timer3);
    if (State == Inet::icDisconnected &&
        m_table.figures.listingAddress == markers(MarkerTable::Active).bareListingAddress()) {
        setStatus(QStringLiteral("User Search Error"));
        enableTimer(Timer3);
        setStatusColor(StatusColor::Red);
    }
}

void ScanSession::Timer3_Timer()
{
    setStatus(QStringLiteral("Loading ..."));
    Timer3->stop();
}
