#pragma once

#include <QStringList>
#include <QWidget>
#include <memory>

class HistoryStore;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

// Tools > Scheduled Scans: for each saved User ID, Active scans at chosen
// times of day by a systemd user timer, the last scheduled scan and the next.
class frmSchedule : public QWidget
{
    Q_OBJECT
public:
    // program: what the timers run, this very program.
    frmSchedule(std::shared_ptr<HistoryStore> store, const QStringList& userIds,
                const QString& program, QWidget* parent = nullptr);

    QTableWidget* grdSellers = nullptr; // one row per saved User ID
    QCheckBox* chkOn = nullptr;         // the chosen seller's scans on or off
    QLineEdit* txtTimes = nullptr;
    QPushButton* cmdApply = nullptr;
    QLabel* lblManager = nullptr;      // what runs the timers, or why nothing does
    QPlainTextEdit* txtCron = nullptr; // the crontab lines, where no manager runs

    void showSellers();
    void showChosen();
    void cmdApply_Click();

private:
    QString chosen() const;

    std::shared_ptr<HistoryStore> m_store;
    QStringList m_userIds;
    QString m_program;
    bool m_manager = false;
};
