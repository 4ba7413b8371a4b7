#pragma once

#include "session/AuctionTable.h"
#include "session/ScanSession.h"

#include <QMainWindow>
#include <QPointer>
#include <QStringList>
#include <array>

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
class QWindow;
class RichTextHolder;
class HistoryRecorder;
struct VisitsChanges;

// The main window: a view of a scan session. It lays out the auction table,
// the four frames and the menus, shows what the session tells it (a binder
// writes rows, status and figures into the controls) and hands the user's
// presses, typing and clicks to the session. The hidden working fields only
// mirror the session's figures; nothing reads them back.
//
// A scan runs inside the session's start delay and blocks on page fetches;
// every handler here may therefore run while a scan is on the stack.
class Form1 : public QMainWindow
{
    Q_OBJECT
public:
    static constexpr int Rows = AuctionTable::Rows;
    using Cells = std::array<QLineEdit*, Rows>;

    explicit Form1(QWidget* parent = nullptr);
    ~Form1() override;

    ScanSession* session() const { return m_session; }
    HistoryRecorder* history() const { return m_history; }

    // Loading at start-up: program folder, options store, saved users, the
    // counter try limit, the default button.
    void Form_Load();
    // The start instructions, shown when the window becomes active with an
    // empty User ID field.
    static QString startInstructions();

    // Search run.
    void Command1_Click(); // Start Search
    void Command5_Click(); // Stop
    void Text11_Change();
    void Text5_Change();

    // Table.
    void Command2_Click(); // Clear all Data
    void Option1_Click();
    void Option2_Click();
    // Sold chosen as a click does it (quillmere --sign-in).
    void chooseSold();
    void rowGesture(int row);
    void Check1_Click(int row);
    void Check2_Click();
    void Check3_Click();

    // Saved users.
    bool loadcombo1();
    void Command4_Click(); // Save User
    void Command6_Click(); // Delete User
    void Combo1_Change();
    void Combo1_Click();

    // Selection commands.
    void mnuALL_Click();
    void mnuUnALL_Click();
    void mnuSim_Click();
    void mnuUnSim_Click();
    void cmdAll_Click();
    void Command7_Click();
    void Command8_Click();
    void Command9_Click();
    void Command10_Click(); // Auto Compare

    // Tools.
    void mnuHistory_Click();
    void mnuExport_Click();
    void mnuCheck_Click();
    void mnuSchedule_Click();
    // Opens Marker Check, or brings it forward, and checks the site at once.
    void checkMarkersNow();

    QPushButton* defaultButton() const { return m_defaultButton; }
    QColor windowBackground() const;
    QColor buttonFace() const;

signals:
    // Sold was chosen: the sign-in window should come up.
    void signInRequested();
    // The window is closing for good.
    void closing();
    // A scan begins or has ended inside the start delay's tick.
    void scanStarted();
    void scanFinished();
    // Menu commands that lead out of the window; the shell serves them.
    void aboutChosen();
    void websiteChosen();
    void donationsChosen();
    void viewAuctionChosen();
    void optionsChosen();

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The binder: the session's signals shown in the controls, the user's
    // edits of the table handed back.
    void bindSession();
    void showRow(int row);
    void showFigures();
    void showChosenRow();
    void showStatusColor(ScanSession::StatusColor color);
    void showProgress(int maximum, int value);
    void showBusy(bool busy);
    void setModeHeaders(bool sold);
    void showTotals();
    void showFinished(const ScanSession::Finished& finished);
    void showVisitsChanges(const VisitsChanges& changes);
    void clearVisitsChanges();

    void setCellColor(QLineEdit* cell, const QColor& color);
    void makeDefaultButton(QPushButton* button);

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

    ScanSession* m_session = nullptr;
    HistoryRecorder* m_history = nullptr;
    QString m_savedUsers; // User.rtf as last loaded

    // Auction table, one array per column.
    std::array<QCheckBox*, Rows> Check1{};
    Cells Text1{};                         // Auction
    Cells Text7{};                         // Title
    Cells Text2{};                         // Visits
    Cells Text16{};                        // Time Left / Sale Date
    Cells Text17{};                        // Start Price / Sale Price
    Cells Text18{};                        // Bids / QTY
    Cells Text19{};                        // Price (Active mode only)
    std::array<QString, Rows> m_visitsTip; // the Visits cells' own tooltips

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

    // Hidden mirrors of the session's figures and the chosen row.
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
    // Hidden mirrors of the saved-user list and the try count read at start-up.
    RichTextHolder* RTB1 = nullptr;
    RichTextHolder* RTBcheck = nullptr;
    RichTextHolder* RTBTrys2 = nullptr;

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
    QAction* mnuSchedule = nullptr;

    QWidget* m_client = nullptr;
    QPushButton* m_defaultButton = nullptr;
    bool m_activatedBefore = false;
    QPointer<QWindow> m_lastFocusWindow;
    bool m_showingInstructions = false;
};
