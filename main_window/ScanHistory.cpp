// The visit history: recording each finished scan, the change lines of the
// Visits tooltips, the History window and the table's export.
#include "main_window/Form1.h"

#include "base/Messages.h"
#include "base/Windows.h"
#include "history/Csv.h"
#include "history/HistoryStore.h"
#include "history/frmHistory.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>

namespace {
SingleWindow<frmHistory> historyWindow;
} // namespace

HistoryStore& Form1::history()
{
    // Opened on first use, so a run without scans never touches the file.
    if (!m_history)
        m_history = std::make_shared<HistoryStore>();
    return *m_history;
}

void Form1::recordScan()
{
    if (!m_visitPhase || !m_scanStartedAt.isValid())
        return;
    m_visitPhase = false;
    ScanRecord scan;
    scan.seller = Text5->text().trimmed();
    scan.sold = Option2->isChecked();
    scan.started = m_scanStartedAt;
    scan.ended = QDateTime::currentDateTimeUtc();
    scan.status = Text11->text();
    for (int i = 0; i < Rows; ++i) {
        scan.rows.append({Text1[i]->text(), Text7[i]->text(), Text2[i]->text(),
                          visitsNumber(Text2[i]->text()), Text16[i]->text(), Text17[i]->text(),
                          Text18[i]->text(), scan.sold ? QString() : Text19[i]->text()});
    }
    // The previous counts are read before this scan is written, so a change
    // never compares a scan with itself.
    std::array<QString, Rows> changes;
    for (int i = 0; i < Rows; ++i) {
        if (!scan.rows[i].auction.trimmed().isEmpty() && scan.rows[i].visits)
            changes[i] = visitsChangeLine(scan.rows[i].visits,
                                          history().previous(scan.seller, scan.rows[i].auction, scan.started));
    }
    if (!history().record(scan))
        return; // without a history the change lines would mislead
    for (int i = 0; i < Rows; ++i) {
        if (changes[i].isEmpty())
            continue;
        Text2[i]->setToolTip(m_visitsTip[i].isEmpty()
                                 ? changes[i]
                                 : m_visitsTip[i] + QLatin1Char('\n') + changes[i]);
    }
}

void Form1::clearVisitsChanges()
{
    for (int i = 0; i < Rows; ++i)
        Text2[i]->setToolTip(m_visitsTip[i]);
}

QList<QStringList> Form1::tableForExport(bool checkedOnly) const
{
    const bool sold = Option2->isChecked();
    QList<QStringList> lines{{Label1->text(), Label8->text(), Label2->text(), Label7->text(),
                              Label6->text(), Label9->text()}};
    if (!sold)
        lines.front() << Label5->text();
    for (int i = 0; i < Rows; ++i) {
        if (checkedOnly && !Check1[i]->isChecked())
            continue;
        QStringList line{Text1[i]->text(),  Text7[i]->text(),  Text2[i]->text(),
                         Text16[i]->text(), Text17[i]->text(), Text18[i]->text()};
        if (!sold)
            line << Text19[i]->text();
        lines << line;
    }
    return lines;
}

void Form1::mnuExport_Click()
{
    const QStringList choices{QStringLiteral("All 20 rows"), QStringLiteral("Only the checked rows")};
    bool ok = false;
    const QString choice = QInputDialog::getItem(this, QStringLiteral("Export Table"),
                                                 QStringLiteral("Rows to export:"), choices, 0,
                                                 false, &ok);
    if (!ok)
        return;
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export Table"), Text5->text().trimmed() + QStringLiteral(".csv"),
        QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    if (!Csv::save(file, Csv::text(tableForExport(choice == choices[1]))))
        Messages::show(this, QStringLiteral("The table could not be saved to ") + file);
}

void Form1::mnuHistory_Click()
{
    historyWindow.show([this] {
        history();
        auto* window = new frmHistory(m_history, Combo1->currentText().trimmed());
        connect(this, &Form1::closing, window, &QWidget::close);
        return window;
    });
}
