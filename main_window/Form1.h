#pragma once

#include <QMainWindow>
#include <QPointer>
#include <QDateTime>
#include <QStringList>
#include <array>
#include <memory>

class QAction;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QTimer;
class Inet;
class QWindow;
class RichTextHolder;
class Form3;
class Form6;
class HistoryStore;
class frmHistory;
enum class MarkerTable;

// The main window: the auction table, the search run and its status field.
// A scan runs inside Timer5's tick and blocks on page fetches; every handler
// here may therefore run while a scan is on the stack.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int Rows = 20;
    using Column = std::array<QLineEdit*, Rows>;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    // The message shown when the sold-items page never shows an item number.
    static QString soldPageError();

    // The status a finished scan shows; it enables Auto Compare.
    static QString taskComplete() { return QStringLiteral("Task Complete"); }
    // The three header texts of Active (false) or Sold (true) mode.
    void setModeHeaders(bool sold);

    // Status texts the search run shows.
    static QString statusForState(int state, bool* changes);

    // Auction table, one array per column.
    std::array<QCheckBox*, Rows> Check1{};
    Column Text1{};  // Auction
    Column Text7{};  // Title
    Column Text2{};  // Visits
    Column Text16{}; // Time Left / Sale Date
    Column Text17{}; // Start Price / Sale Price
    Column Text18{}; // Bids / QTY
    Column Text19{}; // Price (Active mode only)

    // Header labels.
    QLabel* Label1 = nullptr;
    QLabel* Label8 = nullptr;
    QLabel* Label2 = nullptr;
    QLabel* Label7 = nullptr;
    QLabel* Label6 = nullptr;
    QLabel* Label9 = nullptr;
    QLabel* Label5 = nullptr;

    // Frames and their controls.
    QGroupBox* FrameUser = nullptr;
    QGroupBox* FrameSearch = nullptr;
    QGroupBox* FrameSelect = nullptr;
    QGroupBox* FrameTotals = nullptr;
    QComboBox* Combo1 = nullptr;
    QPushButton* Command4 = nullptr; // Save User
    QPushButton* Command6 = nullptr; // Delete User
    QRadioButton* Option1 = nullptr; // Active
    QRadioButton* Option2 = nullptr; // Sold
    QPushButton* Command1 = nullptr; // Start Search
    QPushButton* Command5 = nullptr; // Stop
    QPushButton* Command2 = nullptr; // Clear all Data
    QPushButton* Command3 = nullptr; // Exit Program
    QLabel* Label12 = nullptr;
    QLineEdit* Text11 = nullptr; // status field
    QCheckBox* Check2 = nullptr; // rows 1 - 20
    QCheckBox* Check3 = nullptr; // rows 21 - 40
    QPushButton* cmdAll = nullptr;
    QPushButton* Command7 = nullptr;
    QPushButton* Command8 = nullptr;
    QPushButton* Command9 = nullptr;
    QPushButton* Command10 = nullptr; // AutoCompare
    QLineEdit* Text13 = nullptr;
    QLineEdit* Text14 = nullptr;
    QLineEdit* Text15 = nullptr;
    QLabel* Label3 = nullptr;
    QLabel* Label4 = nullptr;
    QLabel* Label11 = nullptr;
    QProgressBar* PB1 = nullptr;

    // Hidden working fields.
    QLineEdit* Text3 = nullptr;
    QLineEdit* Text4 = nullptr;
    QLineEdit* Text5 = nullptr; // User ID copy
    QLineEdit* Text8 = nullptr;
    QLineEdit* Text9 = nullptr;
    QLineEdit* Text10 = nullptr;
    QLineEdit* Text12 = nullptr; // stop flag
    QLineEdit* Text20 = nullptr; // listing address
    QLabel* Label10 = nullptr;   // chosen auction number
    QLabel* Label13 = nullptr;   // reference title
    QLabel* Label14 = nullptr;   // chosen row index

    // Hidden text holders: the saved-user list and the try count read at start-up.
    RichTextHolder* RTB1 = nullptr;
    RichTextHolder* RTBcheck = nullptr;
    RichTextHolder* RTBTrys2 = nullptr;

    QTimer* Timer3 = nullptr; // status revert
    QTimer* Timer5 = nullptr; // start delay
    Inet* Inet1 = nullptr;

    // Menus.
    QMenu* mnuFile = nullptr;
    QAction* mnuSaveUser = nullptr;
    QAction* mnuDeleteUser = nullptr;
    QAction* mnuStart = nullptr;
    QAction* mnuStop = nullptr;
    QAction* mnuClear = nullptr;
    QAction* mnuexit = nullptr;
    QAction* mnuoptions = nullptr;
    QMenu* mnuSelect = nullptr; // the row menu
    QAction* mnuALL = nullptr;
    QAction* mnuUnALL = nullptr;
    QAction* mnuSim = nullptr;
    QAction* mnuUnSim = nullptr;
    QAction* mnuAuction = nullptr;
    QMenu* mnuHelp = nullptr;
    QAction* mnuAbout = nullptr;
    QAction* mnuWebsite = nullptr;
    QAction* mnuDonate = nullptr;
    QMenu* mnuTools = nullptr;
    QAction* mnuHistory = nullptr;
    QAction* mnuExport = nullptr;
    QAction* mnuCheck = nullptr;

    // Loading at start-up: program folder, options store, saved users, the
    // counter try limit, the default button.
    void Form_Load();
    // The start instructions, shown when the window becomes active with an
    // empty User ID field.
    static QString startInstructions();

    // Search run.
    void Command1_Click(); // Start Search
    void Command5_Click(); // Stop
    void Timer3_Timer();
    void Timer5_Timer();
    void Inet1_StateChanged(qint16 State);
    void Text11_Change();
    void Text5_Change();
    void ActiveSearch();
    void SoldSearch();
    // The scan's hidden totals of one block of rows: Text4, and Text8 over Text3 rows.
    void writeVisitTotals(int firstRow);
    bool scanRunning() const { return m_run != Run::Idle && m_run != Run::Delay; }

    // Table.
    void Command2_Click(); // Clear all Data
    void Option1_Click();
    void Option2_Click();
    void rowGesture(int row);
    void Check1_Click(int row);
    void Check2_Click();
    void Check3_Click();

    // Saved users (users/).
    bool loadcombo1();
    void Command4_Click(); // Save User
    void Command6_Click(); // Delete User
    void Combo1_Change();
    void Combo1_Click();

    // Selection commands (selection/).
    void mnuALL_Click();
    void mnuUnALL_Click();
    void mnuSim_Click();
    void mnuUnSim_Click();
    void cmdAll_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click(); // Auto Compare

    // Visit history (ScanHistory.cpp).
    void mnuHistory_Click();
    void mnuExport_Click();
    void mnuCheck_Click();
    // The table as export lines: the current mode's captions, then all or the checked rows.
    QList<QStringList> tableForExport(bool checkedOnly) const;
    HistoryStore& history();

    // Enables a timer without restarting one that already runs.
    static void enableTimer(QTimer* timer);

    // Status field helpers.
    void setStatus(const QString& text);
    void setStatusColor(const QColor& color);
    void setCellColor(QLineEdit* cell, const QColor& color);
    QColor windowBackground() const;
    QColor buttonFace() const;
    bool stopRequested() const;
    void setBusyPointer(bool busy);
    void setProgress(double maximum, double value);
    void setProgressValue(double value);
    void setProgressMaximum(double maximum);
    void makeDefaultButton(QPushButton* button);
    QPushButton* defaultButton() const { return m_defaultButton; }

    // The bare seller-listing address that marks an unknown seller.
    QString bareListingAddress() const;

signals:
    // Sold was chosen: the sign-in window should come up.
    void signInRequested();
    // The window is closing for good.
    void closing();
    // A scan begins or has ended inside the start delay's tick.
    void scanStarted();
    void scanFinished();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Scan steps shared by both scans.
    QString itemAddress(int row) const;
    bool readCounter(int row, MarkerTable table); // false: the scan was stopped
    enum class ScanEnd { Completed, UnknownSeller, ListingFailed, SoldPageError };
    // The ending of both scans: totals, final status and its colour, pointer, progress.
    void finishScan(int firstBlockRow, ScanEnd end);
    qint16 lastTransferState() const { return m_lastTransferState; }
    void endScanQuietly();
    // Records a scan that reached its visit phase and shows each listing's change.
    void recordScan();
    void clearVisitsChanges();

    void buildTable(QWidget* client);
    void buildFrames(QWidget* client);
    void buildHidden(QWidget* client);
    void buildMenus();
    void connectSignals();
    void focusWindowChanged(QWindow* window);
    static void closeModalBox(QWidget* modal);
    QLineEdit* makeCell(QWidget* parent, const QString& name, int left, int top, int width,
                        int height);

    // Marks a table cell or box with its row, for the row gestures.
    static constexpr const char* RowProperty = "quillmereRow";

    QWidget* m_client = nullptr;
    QPushButton* m_defaultButton = nullptr;
    enum class Run { Idle, Delay, Scanning, Stopping, StartQueued, Closing };
    Run m_run = Run::Idle;
    void showStartPending();
    // Closing while a scan runs: stop it and close once it has returned.
    bool closeAfterScan();
    bool m_activatedBefore = false;
    qint16 m_lastTransferState = 0;
    QPointer<QWindow> m_lastFocusWindow;
    bool m_showingInstructions = false;
    std::shared_ptr<HistoryStore> m_history;
    QDateTime m_scanStartedAt;
    bool m_visitPhase = false;
    // What the notice of markers that stopped fitting looks at.
    bool m_noListings = false;
    int m_counterReads = 0;
    int m_counterMisses = 0;
    void tellIfMarkersLost();
    std::array<QString, Rows> m_visitsTip; // the Visits cells' own tooltips
};
