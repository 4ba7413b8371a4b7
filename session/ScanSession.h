#pragma once

#include "history/HistoryStore.h"
#include "options/ScanMarkers.h"
#include "session/AuctionTable.h"

#include <QDateTime>
#include <QObject>

class Inet;
class QTimer;

// A search run and the table it fills, without a window: Start, the start
// delay, the Active or Sold scan, Stop, Clear all Data. The window is one
// observer of its signals; the command line is another.
//
// A scan runs inside the start delay's tick and blocks on page fetches,
// whose nested event loop keeps everything else running. Every public
// function here may therefore be called while a scan is on the stack, and
// the scans re-read what they need after every fetch.
class ScanSession : public QObject
{
    Q_OBJECT
public:
    enum class StatusColor
    {
        Plain, // window background
        Red,   // "User Search Error", a scan that failed
        Green, // "Task Complete"
    };

    // How a scan that reached its visit phase ended. A Sold scan that
    // starts over ends once per pass.
    enum class Ending
    {
        Completed,
        UnknownSeller,
        ListingFailed,
        SoldPageError,
    };
    struct Ended
    {
        Ending ending = Ending::Completed;
        // The table as the scan leaves it, filed under the User ID and mode
        // the scan started with: a switch or a new User ID during the scan
        // does not change whose scan it was.
        ScanRecord record;
    };

    // How a scan finished, once per Start.
    struct Finished
    {
        bool ranItsCourse = false; // neither stopped nor closed
        bool noListings = false;   // a page that loaded, with no auction number
        int counterReads = 0;
        int counterMisses = 0;
        // The markers seem to fit the pages no longer.
        bool markersLost() const
        {
            return ranItsCourse &&
                   (noListings || (counterReads > 0 && counterMisses >= counterReads));
        }
    };

    explicit ScanSession(MarkerSource markers, QObject* parent = nullptr);
    ~ScanSession() override;

    const AuctionTable& table() const { return m_table; }
    QString status() const { return m_status; }
    StatusColor statusColor() const { return m_statusColor; }
    bool stopRequested() const { return m_stopRequested; }
    bool startEnabled() const { return m_startEnabled; }
    int progressMaximum() const { return m_progressMaximum; }
    int progressValue() const { return m_progressValue; }
    bool sold() const { return m_sold; }
    // A scan is on the stack (not only waiting for the start delay).
    bool scanRunning() const { return m_run != Run::Idle && m_run != Run::Delay; }

    // The transfer component and the two timers of a search run; tests
    // shorten the timers' periods.
    Inet* Inet1 = nullptr;
    QTimer* Timer3 = nullptr; // status revert
    QTimer* Timer5 = nullptr; // start delay

    // What the window's controls hold, kept current by the window.
    void setUserId(const QString& userId); // the User ID field
    void setSecondBlock(bool rows21to40);  // the block selector
    // The mode switch: the three headers, and in Active mode empty Price cells.
    void setSold(bool sold);

    void start(); // Start Search
    void stop();  // Stop
    // Clear all Data. A start waiting for its delay is called off; a scan
    // under way is stopped as Stop does, and the table emptied once it has
    // returned, so it never goes on filling an emptied table.
    void clear();
    // Closing while a scan runs: stops it, and emits closeReady once it has
    // returned. False when no scan runs, so the window may close now.
    bool closeAfterScan();
    // Starts a scan at once, without the start delay (the command line).
    void runNow();
    // A timer's scan: filed as scheduled, and also when it never reached its
    // visit phase, so that a site that could not be reached shows in the history.
    void setScheduled(bool scheduled) { m_scheduled = scheduled; }

    // What the user does to the table.
    void editCell(int row, Column column, const QString& text);
    void setChecked(int row, bool checked);
    void setChecks(const Selection::Checks& checks);
    void chooseRow(int row);                   // a row gesture
    void chooseFirstCheckedRow();              // Matching and Non-Match compare with it
    void setUserIdCopy(const QString& userId); // the saved list was read again

    // The status a finished scan shows.
    static QString taskComplete() { return QStringLiteral("Task Complete"); }
    // The message of a sold-items page that never shows an item number.
    static QString soldPageError();
    // The status text of a transfer state; *changes is false when the state
    // leaves the status as it is.
    static QString statusForState(int state, bool* changes);

    void ActiveSearch();
    void SoldSearch();
    void Timer3_Timer();
    void Timer5_Timer();
    void Inet1_StateChanged(qint16 State);

signals:
    void rowChanged(int row);
    void headersChanged(bool sold);
    void chosenRowChanged();
    void figuresChanged(); // the figures or the stop flag
    void statusChanged(const QString& text);
    void statusColorChanged(ScanSession::StatusColor color);
    void progressChanged(int maximum, int value);
    void busyChanged(bool busy);
    void startEnabledChanged(bool enabled);
    void startBecomesDefault();
    void cleared();                   // after Clear all Data
    void notice(const QString& text); // for the user's eyes, now
    void scanStarted();
    void scanEnded(const ScanSession::Ended& ended);
    // A listing page the markers found listings on, kept to show later what
    // changed on the site.
    void listingPageWorked(const QString& seller, MarkerTable table, const QString& page);
    void scanFinished(const ScanSession::Finished& finished);
    void closeReady();

private:
    enum class Run
    {
        Idle,
        Delay,
        Scanning,
        Stopping,
        StartQueued,
        Closing
    };

    ScanMarkers markers(MarkerTable table) const;
    void setStatus(const QString& text);
    void setStatusColor(StatusColor color);
    void setBusyPointer(bool busy);
    void setProgressMaximum(double maximum);
    void setProgressValue(double value);
    void setProgress(double maximum, double value);
    void setStartEnabled(bool enabled);
    void setHeaders(bool sold);
    void setVisits(int row, const QString& text, VisitsMark mark);
    void showStartPending();
    void clearTable();
    static void enableTimer(QTimer* timer);

    // Scan steps both scans share.
    bool readCounter(int row, MarkerTable table); // false: the scan was stopped
    void finishScan(int firstBlockRow, Ending end);
    void endScanQuietly();

    const MarkerSource m_markers;
    AuctionTable m_table;
    Run m_run = Run::Idle;
    bool m_stopRequested = false;
    QString m_userId = QStringLiteral(""); // as the empty User ID field
    bool m_sold = false;
    bool m_secondBlock = false;
    QString m_status;
    StatusColor m_statusColor = StatusColor::Plain;
    bool m_startEnabled = true;
    int m_progressMaximum = 100;
    int m_progressValue = 0;
    qint16 m_lastTransferState = 0;

    // The scan under way.
    QDateTime m_scanStartedAt;
    // When this scan fetched each row's item page, for the history.
    std::array<QList<QDateTime>, AuctionTable::Rows> m_fetches;
    QString m_scanSeller;
    bool m_scanSold = false;
    bool m_visitPhase = false;
    bool m_scheduled = false;
    bool m_clearAfterScan = false;
    Finished m_finished;
};
