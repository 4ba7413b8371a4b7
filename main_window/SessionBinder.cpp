// The binder: what the scan session says, shown in Form1's controls, and the
// user's own edits of the table handed back to the session. Only this file
// writes the table's cells and the hidden mirrors.
#include "main_window/Form1.h"

#include "base/Messages.h"
#include "marker_check/MarkerCheck.h"
#include "options/NumberText.h"
#include "options/RichTextHolder.h"
#include "session/HistoryRecorder.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

namespace {

// A cell is written only when its text differs, so a cell the user is
// editing keeps its cursor and undo history.
void showText(QLineEdit* field, const QString& text)
{
    if (field->text() != text)
        field->setText(text);
}

template <class Number> QString numberOrEmpty(const std::optional<Number>& value)
{
    return value ? QString::number(*value) : QString();
}

} // namespace

void Form1::bindSession()
{
    ScanSession* s = m_session;
    connect(s, &ScanSession::rowChanged, this, &Form1::showRow);
    connect(s, &ScanSession::figuresChanged, this, &Form1::showFigures);
    connect(s, &ScanSession::chosenRowChanged, this, &Form1::showChosenRow);
    connect(s, &ScanSession::headersChanged, this, &Form1::setModeHeaders);
    connect(s, &ScanSession::statusChanged, Text11,
            [this](const QString& text) { showText(Text11, text); });
    connect(s, &ScanSession::statusColorChanged, this, &Form1::showStatusColor);
    connect(s, &ScanSession::progressChanged, this, &Form1::showProgress);
    connect(s, &ScanSession::busyChanged, this, &Form1::showBusy);
    connect(s, &ScanSession::startEnabledChanged, Command1, &QWidget::setEnabled);
    connect(s, &ScanSession::startBecomesDefault, this, [this] { makeDefaultButton(Command1); });
    connect(s, &ScanSession::cleared, this, [this] {
        clearVisitsChanges();
        showTotals();
        Command10->setEnabled(false);
    });
    connect(s, &ScanSession::notice, this,
            [this](const QString& text) { Messages::show(this, text); });
    connect(s, &ScanSession::scanStarted, this, &Form1::scanStarted);
    connect(s, &ScanSession::scanFinished, this, &Form1::showFinished);
    connect(s, &ScanSession::closeReady, this,
            [this] { QTimer::singleShot(0, this, &QWidget::close); });
    connect(m_history, &HistoryRecorder::changesRecorded, this, &Form1::showVisitsChanges);
    connect(m_history, &HistoryRecorder::problem, this,
            [](const QString& text) { Messages::show(nullptr, text); });

    // What the user types into a cell is the table's from then on.
    const std::pair<const Cells*, Column> columns[] = {
        {&Text1, Column::Auction},   {&Text7, Column::Title},       {&Text2, Column::Visits},
        {&Text16, Column::TimeLeft}, {&Text17, Column::StartPrice}, {&Text18, Column::Bids},
        {&Text19, Column::Price}};
    for (const auto& [cells, column] : columns) {
        for (int i = 0; i < Rows; ++i) {
            connect((*cells)[i], &QLineEdit::textEdited, s,
                    [s, i, column = column](const QString& text) { s->editCell(i, column, text); });
        }
    }
    for (int i = 0; i < Rows; ++i)
        showRow(i);
}

// The status field's own reactions: "Task Complete" enables Auto Compare,
// a new User ID copy makes Start Search the default button.
void Form1::Text11_Change()
{
    if (Text11->text() == ScanSession::taskComplete())
        Command10->setEnabled(true);
}

void Form1::Text5_Change()
{
    makeDefaultButton(Command1);
}

void Form1::showRow(int i)
{
    const AuctionRow& row = m_session->table().rows[i];
    showText(Text1[i], row.auction);
    showText(Text2[i], row.visits);
    static const QColor red(255, 0, 0), yellow(255, 255, 0);
    switch (row.mark) {
    case VisitsMark::Plain:
        setCellColor(Text2[i], windowBackground());
        break;
    case VisitsMark::Counted:
        setCellColor(Text2[i], buttonFace());
        break;
    case VisitsMark::NotFound:
        setCellColor(Text2[i], red);
        break;
    case VisitsMark::Retry:
        setCellColor(Text2[i], yellow);
        break;
    }
    showText(Text7[i], row.title);
    showText(Text16[i], row.timeLeft);
    showText(Text17[i], row.startPrice);
    showText(Text18[i], row.bids);
    showText(Text19[i], row.price);
    // Last: the box's change recomputes the totals from the whole row.
    Check1[i]->setChecked(row.checked);
}

void Form1::showFigures()
{
    const ScanFigures& f = m_session->table().figures;
    showText(Text3, f.countedRows > 0 ? QString::number(f.countedRows) : QString());
    showText(Text4, numberOrEmpty(f.visitTotal));
    showText(Text5, f.userId);
    showText(Text8, f.average ? formatGroupedPattern(*f.average) : QString());
    showText(Text9, numberOrEmpty(f.counterPosition));
    showText(Text10, numberOrEmpty(f.pageLength));
    showText(Text12, m_session->stopRequested() ? QStringLiteral("stop") : QString());
    if (f.listingAddress)
        showText(Text20, *f.listingAddress);
}

void Form1::showChosenRow()
{
    const ChosenRow& chosen = m_session->table().chosen;
    Label13->setText(chosen.title);
    Label10->setText(chosen.auction);
    Label14->setText(chosen.index ? QString::number(*chosen.index) : QString());
}

void Form1::setModeHeaders(bool sold)
{
    const QStringList captions = AuctionTable::captions(sold);
    Label7->setText(captions[3]);
    Label6->setText(captions[4]);
    Label9->setText(captions[5]);
}

void Form1::showStatusColor(ScanSession::StatusColor color)
{
    switch (color) {
    case ScanSession::StatusColor::Plain:
        setCellColor(Text11, windowBackground());
        break;
    case ScanSession::StatusColor::Red:
        setCellColor(Text11, QColor(255, 0, 0));
        break;
    case ScanSession::StatusColor::Green:
        setCellColor(Text11, QColor(0, 255, 0));
        break;
    }
}

void Form1::showProgress(int maximum, int value)
{
    // A maximum below the bar's value resets the bar; a value out of range is ignored.
    PB1->setMaximum(maximum);
    PB1->setValue(value);
}

void Form1::showBusy(bool busy)
{
    if (busy)
        setCursor(Qt::WaitCursor);
    else
        unsetCursor();
}

void Form1::showTotals()
{
    const SelectionTotals totals = m_session->table().selectionTotals();
    showText(Text13, totals.auctions);
    showText(Text14, totals.visits);
    showText(Text15, totals.average);
}

void Form1::showFinished(const ScanSession::Finished& finished)
{
    emit scanFinished();
    if (finished.markersLost() && MarkerCheck::noticeEnabled())
        Messages::show(this, finished.noListings ? MarkerCheck::noListingsNotice()
                                                 : MarkerCheck::noCountersNotice());
}

void Form1::showVisitsChanges(const VisitsChanges& changes)
{
    for (int i = 0; i < Rows; ++i) {
        const QString& line = changes.lines[i];
        // Written after a Clear or the next scan's start: not this row's any more.
        if (line.isEmpty() || m_session->table().rows[i].auction != changes.auctions[i])
            continue;
        Text2[i]->setToolTip(m_visitsTip[i].isEmpty() ? line
                                                      : m_visitsTip[i] + QLatin1Char('\n') + line);
    }
}

void Form1::clearVisitsChanges()
{
    for (int i = 0; i < Rows; ++i)
        Text2[i]->setToolTip(m_visitsTip[i]);
}
