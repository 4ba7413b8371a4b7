#pragma once

#include <QWidget>
#include <memory>

class HistoryStore;
class QChartView;
class QCheckBox;
class QComboBox;
class QPushButton;
class QTableWidget;

// The visit history of one seller: a table of the listings ever seen and a
// chart of the chosen listings' visits, with the seller's total.
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
    QPushButton* cmdExport = nullptr;

    void showSeller(const QString& seller);
    // Draws the selected listings and the seller's total.
    void drawChart();
    void cmdExport_Click();

private:
    std::shared_ptr<HistoryStore> m_store;
};
