// The session's own state: what it shows (status, progress, pointer),
// Clear all Data, the mode switch and the edits the user makes in the table.
#include "session/ScanSession.h"

#include "transfer/Inet.h"

#include <QTimer>

ScanSession::ScanSession(MarkerSource markers, QObject* parent)
    : QObject(parent), m_markers(std::move(markers))
{
    setObjectName(QStringLiteral("ScanSession"));
    Inet1 = new Inet(this);
    Inet1->setObjectName(QStringLiteral("Inet1"));
    Timer3 = new QTimer(this);
    Timer3->setObjectName(QStringLiteral("Timer3"));
    Timer3->setInterval(50000);
    Timer3->setSingleShot(true);
    Timer5 = new QTimer(this);
    Timer5->setObjectName(QStringLiteral("Timer5"));
    Timer5->setInterval(5000);
    Timer5->setSingleShot(true);
    connect(Timer3, &QTimer::timeout, this, &ScanSession::Timer3_Timer);
    connect(Timer5, &QTimer::timeout, this, &ScanSession::Timer5_Timer);
    connect(Inet1, &Inet::StateChanged, this, &ScanSession::Inet1_StateChanged);
}

ScanSession::~ScanSession() = default;

ScanMarkers ScanSession::markers(MarkerTable table) const
{
    return m_markers(table);
}

void ScanSession::setStatus(const QString& text)
{
    if (text == m_status)
        return;
    m_status = text;
    emit statusChanged(text);
}

void ScanSession::setStatusColor(StatusColor color)
{
    if (color == m_statusColor)
        return;
    m_statusColor = color;
    emit statusColorChanged(color);
}

void ScanSession::setBusyPointer(bool busy)
{
    emit busyChanged(busy);
}

// A value is held within the range, as the scans' figures always were.
void ScanSession::setProgressMaximum(double maximum)
{
    const int newMaximum = qMax(0, int(maximum));
    if (newMaximum == m_progressMaximum)
        return;
    m_progressMaximum = newMaximum;
    emit progressChanged(m_progressMaximum, m_progressValue);
}

void ScanSession::setProgressValue(double value)
{
    const int newValue = qBound(0, int(value), m_progressMaximum);
    if (newValue == m_progressValue)
        return;
    m_progressValue = newValue;
    emit progressChanged(m_progressMaximum, m_progressValue);
}

void ScanSession::setProgress(double maximum, double value)
{
    setProgressMaximum(maximum);
    setProgressValue(value);
}

void ScanSession::setStartEnabled(bool enabled)
{
    m_startEnabled = enabled;
    emit startEnabledChanged(enabled);
}

void ScanSession::setHeaders(bool sold)
{
    m_table.soldHeaders = sold;
    emit headersChanged(sold);
}

void ScanSession::setVisits(int row, const QString& text, VisitsMark mark)
{
    AuctionRow& r = m_table.rows[row];
    r.visits = text;
    r.mark = mark;
    emit rowChanged(row);
}

void ScanSession::setUserId(const QString& userId)
{
    m_userId = userId;
}

void ScanSession::setSecondBlock(bool rows21to40)
{
    m_secondBlock = rows21to40;
}

void ScanSession::setSold(bool sold)
{
    m_sold = sold;
    setHeaders(sold);
    if (sold)
        return;
    // Back in Active mode the Price column comes back empty.
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        m_table.rows[i].price.clear();
        emit rowChanged(i);
    }
}

void ScanSession::clear()
{
    switch (m_run) {
    case Run::Idle:
        break;
    case Run::Delay:
        Timer5->stop();
        m_run = Run::Idle;
        break;
    case Run::Scanning:
    case Run::Stopping:
    case Run::StartQueued:
        stop();
        m_clearAfterScan = true;
        return;
    case Run::Closing:
        return;
    }
    clearTable();
}

void ScanSession::clearTable()
{
    for (int i = 0; i < AuctionTable::Rows; ++i) {
        AuctionRow& row = m_table.rows[i];
        // The check goes with the rest of the row, which the totals are read from.
        row = AuctionRow();
        emit rowChanged(i);
    }
    setStatusColor(StatusColor::Plain);
    ScanFigures& f = m_table.figures;
    f.visitTotal.reset();
    f.countedRows = 0;
    f.average.reset();
    f.counterPosition.reset();
    f.pageLength.reset();
    m_stopRequested = false;
    emit figuresChanged();
    setStatus(QString());
    emit cleared();
    setProgressValue(0);
    setBusyPointer(false);
    setStartEnabled(true);
}

void ScanSession::editCell(int row, Column column, const QString& text)
{
    if (row < 0 || row >= AuctionTable::Rows || m_table.rows[row].cell(column) == text)
        return;
    m_table.rows[row].cell(column) = text;
    emit rowChanged(row);
}

void ScanSession::setChecked(int row, bool checked)
{
    if (row < 0 || row >= AuctionTable::Rows || m_table.rows[row].checked == checked)
        return;
    m_table.rows[row].checked = checked;
    emit rowChanged(row);
}

void ScanSession::setChecks(const Selection::Checks& checks)
{
    // Row by row, so each box that changes is seen changing on its own.
    for (int i = 0; i < AuctionTable::Rows; ++i)
        setChecked(i, checks[i]);
}

void ScanSession::chooseRow(int row)
{
    if (row < 0 || row >= AuctionTable::Rows)
        return;
    ChosenRow& chosen = m_table.chosen;
    chosen.title = m_table.rows[row].title;
    chosen.auction = m_table.rows[row].auction;
    chosen.index = row;
    emit chosenRowChanged();
}

void ScanSession::chooseFirstCheckedRow()
{
    // With none checked the reference stays what it was.
    const int row = Selection::firstChecked(m_table.checks());
    if (row < 0)
        return;
    m_table.chosen.title = m_table.rows[row].title;
    m_table.chosen.auction = m_table.rows[row].auction;
    emit chosenRowChanged();
}

void ScanSession::setUserIdCopy(const QString& userId)
{
    m_table.figures.userId = userId;
    emit figuresChanged();
}
