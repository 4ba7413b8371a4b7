#include "schedule/frmSchedule.h"

#include "base/Messages.h"
#include "history/HistoryStore.h"
#include "schedule/Schedule.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

namespace {
QString shown(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}
} // namespace

frmSchedule::frmSchedule(std::shared_ptr<HistoryStore> store, const QStringList& userIds,
                         const QString& program, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(std::move(store)), m_userIds(userIds), m_program(program)
{
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("Scheduled Scans"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(820, 460);

    grdSellers = new QTableWidget(0, 5, this);
    grdSellers->setObjectName(QStringLiteral("grdSellers"));
    grdSellers->setHorizontalHeaderLabels(
        {QStringLiteral("User ID"), QStringLiteral("Scheduled"), QStringLiteral("Times"),
         QStringLiteral("Last Scheduled Scan"), QStringLiteral("Next Scan")});
    grdSellers->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdSellers->setSelectionMode(QAbstractItemView::SingleSelection);
    grdSellers->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdSellers->verticalHeader()->hide();
    grdSellers->horizontalHeader()->setSectionResizeMode(3, QHeaderView::Stretch);

    chkOn = new QCheckBox(QStringLiteral("&Scan this seller on a schedule"), this);
    chkOn->setObjectName(QStringLiteral("chkOn"));
    txtTimes = new QLineEdit(this);
    txtTimes->setObjectName(QStringLiteral("txtTimes"));
    txtTimes->setToolTip(QStringLiteral("Local times of day, such as 08:00, 20:00"));
    cmdApply = new QPushButton(QStringLiteral("&Apply"), this);
    cmdApply->setObjectName(QStringLiteral("cmdApply"));
    auto* active = new QLabel(QStringLiteral("Active scans only: a Sold scan needs you signed "
                                             "in, and a sign-in is never kept."),
                              this);
    lblManager = new QLabel(this);
    lblManager->setObjectName(QStringLiteral("lblManager"));
    lblManager->setWordWrap(true);
    txtCron = new QPlainTextEdit(this);
    txtCron->setObjectName(QStringLiteral("txtCron"));
    txtCron->setReadOnly(true);
    txtCron->setMaximumHeight(70);
    txtCron->setPlaceholderText(QStringLiteral("The sellers are the User IDs saved in the main "
                                               "window (File > Save User)."));

    auto* times = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Times of day:"), this);
    label->setBuddy(txtTimes);
    times->addWidget(chkOn);
    times->addWidget(label);
    times->addWidget(txtTimes);
    times->addWidget(cmdApply);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(grdSellers);
    layout->addLayout(times);
    layout->addWidget(active);
    layout->addWidget(lblManager);
    layout->addWidget(txtCron);

    QString why;
    m_manager = Schedule::userManagerRuns(&why);
    lblManager->setText(
        m_manager ? QStringLiteral("systemd runs the scans, also while Quillmere is closed, and "
                                   "a scan missed while the computer was off at its next start.")
                  : QStringLiteral("No user service manager runs here (") + why +
                        QStringLiteral("), so no timer can be set up. To scan on a schedule, "
                                       "add these lines to your crontab (crontab -e):"));
    txtCron->setVisible(!m_manager);

    connect(grdSellers, &QTableWidget::itemSelectionChanged, this, &frmSchedule::showChosen);
    connect(cmdApply, &QPushButton::clicked, this, &frmSchedule::cmdApply_Click);
    connect(txtTimes, &QLineEdit::returnPressed, this, &frmSchedule::cmdApply_Click);
    showSellers();
    grdSellers->selectRow(0);
    showChosen();
}

QString frmSchedule::chosen() const
{
    const int row = grdSellers->currentRow();
    return row >= 0 && row < m_userIds.size() ? m_userIds[row] : QString();
}

void frmSchedule::showSellers()
{
    grdSellers->setRowCount(int(m_userIds.size()));
    const QDateTime now = QDateTime::currentDateTime();
    for (int r = 0; r < m_userIds.size(); ++r) {
        const SellerSchedule schedule = Schedule::load(m_userIds[r]);
        const std::optional<ScheduledScan> last = m_store->lastScheduledScan(m_userIds[r]);
        const QString next =
            schedule.on && m_manager ? shown(Schedule::nextRun(schedule.times, now)) : QString();
        const QStringList cells{m_userIds[r],
                                !schedule.on ? QStringLiteral("Off")
                                : m_manager  ? QStringLiteral("On")
                                             : QStringLiteral("On, by cron"),
                                Schedule::timesText(schedule.times),
                                last ? shown(last->ended) + u' ' + last->ending +
                                           QStringLiteral(": ") + last->status
                                     : QStringLiteral("none yet"),
                                next};
        for (int c = 0; c < cells.size(); ++c)
            grdSellers->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
}

void frmSchedule::showChosen()
{
    const SellerSchedule schedule = Schedule::load(chosen());
    chkOn->setChecked(schedule.on);
    txtTimes->setText(Schedule::timesText(schedule.times));
    // No seller saved yet: no line to copy, and nothing to turn on.
    txtCron->setPlainText(chosen().isEmpty() ? QString()
                                             : Schedule::crontabLines(m_program, schedule));
    chkOn->setEnabled(!chosen().isEmpty());
    txtTimes->setEnabled(!chosen().isEmpty());
    cmdApply->setEnabled(!chosen().isEmpty());
}

void frmSchedule::cmdApply_Click()
{
    SellerSchedule schedule{chosen(), chkOn->isChecked(), {}};
    const std::optional<QList<QTime>> times = Schedule::readTimes(txtTimes->text());
    if (schedule.userId.isEmpty())
        return;
    if (!times || times->isEmpty()) {
        Messages::show(this, QStringLiteral("Please give the times of day as hours and minutes, "
                                            "such as 08:00, 20:00"));
        return;
    }
    schedule.times = *times;
    // Without a manager the choice is kept for the crontab lines; a timer
    // is still removed when turned off.
    if (m_manager || !schedule.on) {
        if (const Outcome applied = Schedule::apply(schedule, m_program); !applied) {
            Messages::show(this, QStringLiteral("The scheduled scans of ") + schedule.userId +
                                     QStringLiteral(" could not be set up: ") + applied.message());
            return;
        }
    }
    Schedule::save(schedule);
    const int row = grdSellers->currentRow();
    showSellers();
    grdSellers->selectRow(row);
    showChosen();
}
