// The Tools menu: the visit history, the table's export, Marker Check and
// the scheduled scans.
#include "main_window/Form1.h"

#include "base/Messages.h"
#include "base/Windows.h"
#include "history/Csv.h"
#include "history/frmHistory.h"
#include "marker_check/frmMarkerCheck.h"
#include "schedule/frmSchedule.h"
#include "session/HistoryRecorder.h"
#include "users/UserList.h"

#include <QCoreApplication>

#include <QComboBox>
#include <QFileDialog>
#include <QInputDialog>
#include <QPushButton>

namespace {
SingleWindow<frmHistory> historyWindow;
SingleWindow<frmMarkerCheck> checkWindow;
SingleWindow<frmSchedule> scheduleWindow;
} // namespace

void Form1::mnuExport_Click()
{
    const QStringList choices{QStringLiteral("All 20 rows"),
                              QStringLiteral("Only the checked rows")};
    bool ok = false;
    const QString choice =
        QInputDialog::getItem(this, QStringLiteral("Export Table"),
                              QStringLiteral("Rows to export:"), choices, 0, false, &ok);
    if (!ok)
        return;
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Export Table"),
                                                      m_session->table().figures.userId.trimmed() +
                                                          QStringLiteral(".csv"),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    const QList<QStringList> lines =
        m_session->table().exportLines(m_session->sold(), choice == choices[1]);
    if (!Csv::save(file, Csv::text(lines)))
        Messages::show(this, QStringLiteral("The table could not be saved to ") + file);
}

void Form1::mnuHistory_Click()
{
    // The file is opened, and upgraded if old, on the history's thread first.
    m_history->openForReading(this, [this](std::shared_ptr<HistoryStore> store) {
        historyWindow.show([&] {
            auto* window = new frmHistory(std::move(store), Combo1->currentText().trimmed());
            connect(this, &Form1::closing, window, &QWidget::close);
            return window;
        });
    });
}

void Form1::checkMarkersNow()
{
    mnuCheck_Click();
    if (frmMarkerCheck* window = checkWindow.current();
        window && window->cmdCheckAgain->isEnabled())
        window->checkSite();
}

void Form1::mnuCheck_Click()
{
    checkWindow.show([this] {
        auto* window = new frmMarkerCheck([this] { return Combo1->currentText(); });
        connect(this, &Form1::closing, window, &QWidget::close);
        connect(window, &frmMarkerCheck::itemPageFetched, m_history, &HistoryRecorder::recordFetch);
        window->setHistory(
            [history = QPointer<HistoryRecorder>(m_history)](QObject* context, auto ready) {
                if (history)
                    history->openForReading(context, std::move(ready));
                else
                    ready(nullptr);
            });
        return window;
    });
}

void Form1::mnuSchedule_Click()
{
    // The last scheduled scans come from the history, opened on its thread first.
    m_history->openForReading(this, [this](std::shared_ptr<HistoryStore> store) {
        scheduleWindow.show([&] {
            const Result<QString> saved = UserList::load();
            QStringList userIds = saved ? UserList::entries(*saved) : QStringList();
            userIds.removeAll(QString());
            auto* window =
                new frmSchedule(std::move(store), userIds, QCoreApplication::applicationFilePath());
            connect(this, &Form1::closing, window, &QWidget::close);
            return window;
        });
    });
}
