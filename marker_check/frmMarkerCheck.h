#pragma once

#include "marker_check/MarkerCheck.h"
#include "marker_check/MarkerRepair.h"

#include <QDateTime>
#include <QWidget>
#include <functional>
#include <optional>

class Inet;
class HistoryStore;
class QCheckBox;
class QComboBox;
class QTextBrowser;
class QNetworkCookieJar;
class QThread;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

// Shows what every marker row of a table finds on the live site (or in a
// saved page) with the markers the Options window holds now.
class frmMarkerCheck : public QWidget
{
    Q_OBJECT
public:
    // userId: the User ID of the main window, read at every check.
    explicit frmMarkerCheck(std::function<QString()> userId, QWidget* parent = nullptr);
    ~frmMarkerCheck() override;

    QRadioButton* optActive = nullptr;
    QRadioButton* optSold = nullptr;
    QPushButton* cmdCheckAgain = nullptr;
    QPushButton* cmdOpenPage = nullptr;
    QCheckBox* chkNotice = nullptr;
    QLabel* lblPages = nullptr;
    QTableWidget* grdRows = nullptr;
    QComboBox* cboSavedPage = nullptr; // what kind of page a saved page is
    QPushButton* cmdRepair = nullptr;
    QPushButton* cmdUseMarkers = nullptr;
    QTextBrowser* txtRepair = nullptr;
    // The history's reading store, handed to ready in context once the file is ready.
    using HistoryAccess = std::function<void(
        QObject* context, std::function<void(std::shared_ptr<HistoryStore>)> ready)>;
    void setHistory(HistoryAccess access);
    // The cookies each check fetches with; the sign-in browser feeds it.
    QNetworkCookieJar* cookieJar() const;

    // Fetches the listing page and the first listing's item page, then checks.
    void checkSite();
    // Checks a saved page, as listing page and as item page.
    void checkFile(const QString& path);
    void cmdOpenPage_Click();
    // Seeks the last value the history holds for the chosen row on the page
    // checked, and proposes markers that cut it.
    void cmdRepair_Click();
    // Puts the proposal into the Options window, unsaved.
    void cmdUseMarkers_Click();

signals:
    void checked();  // the table shows a finished check
    void repaired(); // the repair box shows what came of a repair
    // The check fetched a listing's item page, which the site counted as a visit.
    void itemPageFetched(const QString& seller, const QString& auction, const QDateTime& time);

private:
    struct Fetched
    {
        QString text;
        QString summary;
        bool failed = false; // never reached the site
        QString url = {};    // where the site's answer came from, after redirects
        QString error = {};  // why the fetch failed
    };
    // Fetches on the window's own thread of fetching, so that neither a scan
    // nor this window ever waits for the other's page; `then` runs here with
    // the page unless a later check has begun.
    void fetch(const QString& what, const QString& address,
               const std::function<void(const Fetched&)>& then);
    void run(MarkerTable table, const QString& listing, const QString& item, const QString& summary,
             MarkerCheck::PageKind kind, const QString& failure);
    void showRows(const QList<MarkerCheck::Row>& rows);
    void showRepairState();
    MarkerTable table() const;
    void setBusy(bool busy);

    std::function<QString()> m_userId;
    QThread* m_thread = nullptr;
    QObject* m_worker = nullptr; // lives in m_thread
    Inet* m_inet = nullptr;      // m_worker's, used only in m_thread
    QNetworkCookieJar* m_cookies = nullptr;
    int m_generation = 0; // a check started later wins over one still running
    HistoryAccess m_history;
    // The last finished check, which a repair reads.
    struct Checked
    {
        MarkerTable table = MarkerTable::Active;
        QString seller;
        QString listing;
        QString item;
        QList<MarkerCheck::Row> rows;
    } m_checked;
    int m_repairRow = -1;
    std::optional<Scan::MarkerPair> m_proposal;
};
