// Starting, delaying and stopping a search, and the status field.
#include "main_window/Form1.h"

#include "transfer/Inet.h"

#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>
#include <QUrl>

void Form1::enableTimer(QTimer* timer)
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
void Form1::Command1_Click()
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

void Form1::showStartPending()
{
    Command1->setEnabled(false);
    setStatusColor(windowBackground());
    setStatus(QStringLiteral("Loading ...."));
}

void Form1::Timer5_Timer()
{
    if (m_run != Run::Delay)
        return;
    m_run = Run::Scanning;
    emit scanStarted();
    if (!Option1->isChecked())
        SoldSearch();
    else
        ActiveSearch();
    emit scanFinished();
    if (m_run == Run::Scanning)
        tellIfMarkersLost(); // not after Stop or close: the scan did not run its course

    switch (m_run) {
    case Run::Closing:
        m_run = Run::Idle;
        QTimer::singleShot(0, this, &QWidget::close);
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

void Form1::Command5_Click()
{
    Inet1->Cancel();
    Text12->setText(QStringLiteral("stop"));
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
    Command1->setEnabled(true);
    setStatusColor(windowBackground());
}

bool Form1::closeAfterScan()
{
    if (!scanRunning())
        return false;
    // The scan is on the stack below us: stop it, and close once it has returned.
    m_run = Run::Closing;
    Text12->setText(QStringLiteral("stop"));
    Inet1->Cancel();
    return true;
}

QString Form1::statusForState(int state, bool* changes)
{
    static const char* const texts[] = {
        "None",       "Resolving Host", nullptr,         "Connecting",    "Connected to Internet",
        "Requesting", "Requested Page", nullptr,         "Receiving...",  "Disconnecting",
        "Searching...", "Internet Error", "Response Completed"};
    const bool known = state >= 0 && state <= 12 && texts[state];
    if (changes)
        *changes = known;
    return known ? QString::fromLatin1(texts[state]) : QString();
}

void Form1::Inet1_StateChanged(qint16 State)
{
    m_lastTransferState = State;
    bool changes = false;
    const QString text = statusForState(State, &changes);
    if (!changes)
        return;
    setStatus(text);
    if (State != Inet::icNone)
        enableTimer(Timer3);
    if (State == Inet::icDisconnected && Text20->text() == bareListingAddress()) {
        setStatus(QStringLiteral("User Search Error"));
        enableTimer(Timer3);
        setStatusColor(QColor(255, 0, 0));
    }
}

void Form1::Timer3_Timer()
{
    setStatus(QStringLiteral("Loading ..."));
    Timer3->stop();
}

void Form1::Text11_Change()
{
    if (Text11->text() == taskComplete())
        Command10->setEnabled(true);
}

void Form1::Text5_Change()
{
    makeDefaultButton(Command1);
}
