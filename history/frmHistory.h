#pragma once

#include "history/DailyVisits.h"

#include <QHash>
#include <QWidget>
#include <memory>

class HistoryStore;
class QChartView;
class QCheckBox;
class QComboBox;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTableWidget;

// The visit history of one seller: a table of the listings ever seen, with
// their visits by others over 1, 7 and 30 days and what needs attention, and
// a chart of the chosen listings' visits per day, with the seller's total.
class frmHistory : public QWidget
{
    Q_OBJECT
public:
    frmHistory(std::shared_ptr<HistoryStore> store, const QString& seller,
               QWidget* parent = nullptr);

    QComboBox* cboSeller = nullptr;
    QCheckBox* chkOwnViews = nullptr; // off: changes are visits by others
    QTableWidget* grdListings = nullptr;
    QChartView* chtVisits = nullptr;
    QComboBox* cboRange = nullptr;      // the chart's days: 7, 30, 90, all
    QComboBox* cboShow = nullptr;       // all listings, or those of one Attention kind
    QSpinBox* spnStalledDays = nullptr; // days without a visit by others that make "stalled"
    QPushButton* cmdExport = nullptr;
    QListWidget* lstNotices = nullptr; // what scheduled scans found; hidden when nothing

    void showSeller(const QString& seller);
    void filterRows();
    // Visits per day of the selected listings and the seller's total.
    void drawChart();
    void cmdExport_Click();

private:
    Attention visitsPerDayAttention(const QList<DayVisits>& days, const QDateTime& first,
                                    const QDateTime& lastScan, bool seen) const;

    std::shared_ptr<HistoryStore> m_store;
    QHash<QString, QList<DayVisits>> m_days; // by auction, as the table shows them
    QList<DayVisits> m_total;
};
