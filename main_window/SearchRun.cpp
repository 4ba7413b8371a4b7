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

void Form1::Command1_Click()
{
    Command1->setEnabled(false);
    setStatus(QStringLiteral("Loading ...."));
    enableTimer(Timer5);
}

void Form1::Timer5_Timer()
{
    if (m_scanRunning) {
        // Start was pressed again after Stop while the stopped scan is still
        // winding down inside a fetch: run the new scan once the old one is gone.
        m_startAfterScan = true;
        return;
    }
    m_scanRunning = true;
    emit scanStarted();
    if (!Option1->isChecked())
        SoldSearch();
    else
        ActiveSearch();
    m_scanRunning = false;
    // Timer5 fires once per start, so it is already off here; a Start pressed
    // while the stopped scan wound down has armed it again and must keep it.
    emit scanFinished();

    if (m_closeAfterScan) {
        QTimer::singleShot(0, this, &QWidget::close);
        return;
    }
    if (m_startAfterScan) {
        m_startAfterScan = false;
        QTimer::singleShot(0, this, &Form1::Timer5_Timer);
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
    // A pending start is called off too, so no scan begins after "Stopped".
    Timer5->stop();
    m_startAfterScan = false;
    Command1->setEnabled(true);
    setStatusColor(windowBackground());
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
    if (Text11->text() == QLatin1String("Task Complete"))
        Command10->setEnabled(true);
}

void Form1::Text5_Change()
{
    makeDefaultButton(Command1);
}
