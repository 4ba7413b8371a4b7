#include "main_window/Form1.h"

#include "base/Messages.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "session/HistoryRecorder.h"
#include "signin/Form2.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QCursor>
#include <QDialog>
#include <QDir>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>
#include <QWindow>

Form1::Form1(QWidget* parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("Form1"));
    setWindowTitle(QStringLiteral("Quillmere"));

    m_client = new QWidget(this);
    m_client->setObjectName(QStringLiteral("Form1Client"));
    m_client->setFixedSize(tw(15240), tw(8355));
    setCentralWidget(m_client);

    m_session =
        new ScanSession([](MarkerTable table) { return OptionsStore::markers(table); }, this);
    m_history = new HistoryRecorder(m_session, this);

    buildTable(m_client);
    buildFrames(m_client);
    buildHidden(m_client);
    buildMenus();
    connectSignals();
    bindSession();
    for (int i = 0; i < Rows; ++i)
        m_visitsTip[i] = Text2[i]->toolTip();

    makeDefaultButton(Command1);
    connect(qApp, &QGuiApplication::focusWindowChanged, this, &Form1::focusWindowChanged);
    connect(this, &Form1::signInRequested, this,
            [this] { Form2::showSignIn(this, m_session->Inet1, [this] { Command1_Click(); }); });
    adjustSize();
    setFixedSize(sizeHint());
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

Form1::~Form1()
{
    // Tearing the children down moves the focus and may report a pick in the
    // combo box; neither may reach this half-destroyed window.
    disconnect(qApp, nullptr, this, nullptr);
    Combo1->disconnect(this);
    m_session->disconnect(this);
}

void Form1::Form_Load()
{
    QDir::setCurrent(programFolder());
    OptionsStore::form();
    loadcombo1();
    // A missing or unreadable count keeps the limit the program started with.
    if (const Result<QString> count = OptionFiles::loadCounterTryLimit()) {
        RTBTrys2->setText(*count);
        if (const QString note = OptionFiles::countOutOfRange(*count); !note.isEmpty())
            Messages::show(this, note);
    }
    makeDefaultButton(Command1);
}

QString Form1::startInstructions()
{
    return QStringLiteral(
        "To Start:\r\n\r\n1. Input a UserID.\r\n\r\n2. Select Active or Sold\r\n\r\n"
        "3. Select Start");
}

void Form1::focusWindowChanged(QWindow* window)
{
    if (!window)
        return; // the program lost the focus to another application
    QWindow* previous = m_lastFocusWindow;
    m_lastFocusWindow = window;
    if (window != windowHandle() || m_showingInstructions || !isVisible())
        return;
    // Coming back from one of our own windows counts; coming back from a
    // message box or from another application does not.
    bool fromOurWindow = !m_activatedBefore;
    if (previous && previous != window) {
        const QWidget* from = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets()) {
            if (top->windowHandle() == previous)
                from = top;
        }
        // Popups (menus, the User ID list, tooltips) are not windows one returns from.
        fromOurWindow = from && !from->inherits("QMessageBox") && from->windowType() != Qt::Popup &&
                        from->windowType() != Qt::ToolTip;
    }
    m_activatedBefore = true;
    if (fromOurWindow && Combo1->currentText().isEmpty()) {
        m_showingInstructions = true;
        Messages::show(this, startInstructions());
        m_showingInstructions = false;
    }
}

void Form1::connectSignals()
{
    connect(Command1, &QPushButton::clicked, this, &Form1::Command1_Click);
    connect(mnuStart, &QAction::triggered, this, &Form1::Command1_Click);
    connect(Command5, &QPushButton::clicked, this, &Form1::Command5_Click);
    connect(mnuStop, &QAction::triggered, this, &Form1::Command5_Click);
    connect(Command2, &QPushButton::clicked, this, &Form1::Command2_Click);
    connect(mnuClear, &QAction::triggered, this, &Form1::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    connect(mnuexit, &QAction::triggered, this, &QWidget::close);
    connect(Text11, &QLineEdit::textChanged, this, &Form1::Text11_Change);
    connect(Text5, &QLineEdit::textChanged, this, &Form1::Text5_Change);
    connect(Option1, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option1_Click();
    });
    connect(Option2, &QRadioButton::toggled, this, [this](bool on) {
        if (on)
            Option2_Click();
    });
    for (int i = 0; i < Rows; ++i) {
        connect(Check1[i], &QCheckBox::toggled, this, [this, i](bool checked) {
            m_session->setChecked(i, checked);
            Check1_Click(i);
        });
    }
    connect(Check2, &QCheckBox::toggled, this, &Form1::Check2_Click);

    connect(Command4, &QPushButton::clicked, this, &Form1::Command4_Click);
    connect(mnuSaveUser, &QAction::triggered, this, &Form1::Command4_Click);
    connect(Command6, &QPushButton::clicked, this, &Form1::Command6_Click);
    connect(mnuDeleteUser, &QAction::triggered, this, &Form1::Command6_Click);
    connect(Combo1, &QComboBox::editTextChanged, this, &Form1::Combo1_Change);
    connect(Combo1, &QComboBox::activated, this, &Form1::Combo1_Click);

    connect(cmdAll, &QPushButton::clicked, this, &Form1::cmdAll_Click);
    connect(Command7, &QPushButton::clicked, this, &Form1::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &Form1::Command8_Click);
    connect(Command9, &QPushButton::clicked, this, &Form1::Command9_Click);
    connect(Command10, &QPushButton::clicked, this, &Form1::Command10_Click);
    connect(mnuALL, &QAction::triggered, this, &Form1::mnuALL_Click);
    connect(mnuUnALL, &QAction::triggered, this, &Form1::mnuUnALL_Click);
    connect(mnuSim, &QAction::triggered, this, &Form1::mnuSim_Click);
    connect(mnuUnSim, &QAction::triggered, this, &Form1::mnuUnSim_Click);
    connect(Check3, &QCheckBox::toggled, this, &Form1::Check3_Click);
    connect(mnuHistory, &QAction::triggered, this, &Form1::mnuHistory_Click);
    connect(mnuExport, &QAction::triggered, this, &Form1::mnuExport_Click);
    connect(mnuCheck, &QAction::triggered, this, &Form1::mnuCheck_Click);
    connect(mnuSchedule, &QAction::triggered, this, &Form1::mnuSchedule_Click);
    connect(mnuAbout, &QAction::triggered, this, &Form1::aboutChosen);
    connect(mnuWebsite, &QAction::triggered, this, &Form1::websiteChosen);
    connect(mnuDonate, &QAction::triggered, this, &Form1::donationsChosen);
    connect(mnuAuction, &QAction::triggered, this, &Form1::viewAuctionChosen);
    connect(mnuoptions, &QAction::triggered, this, &Form1::optionsChosen);
    // From the Options window: a check with the markers in it now, saved or not.
    Form4::setCheckAction([self = QPointer<Form1>(this)] {
        if (self)
            self->checkMarkersNow();
    });
}

// ---- search run and table ------------------------------------------------

void Form1::Command1_Click()
{
    m_session->start();
}

void Form1::Command5_Click()
{
    m_session->stop();
}

void Form1::Command2_Click()
{
    m_session->clear();
}

void Form1::Option1_Click()
{
    m_session->setSold(false);
    for (QLineEdit* cell : Text19)
        cell->setVisible(true);
    Label5->setVisible(true);
}

void Form1::Option2_Click()
{
    m_session->setSold(true);
    for (QLineEdit* cell : Text19)
        cell->setVisible(false);
    Label5->setVisible(false);
    emit signInRequested();
}

void Form1::chooseSold()
{
    Option2->click();
}

void Form1::rowGesture(int row)
{
    if (row < 0 || row >= Rows)
        return;
    m_session->chooseRow(row);
    mnuSelect->popup(QCursor::pos());
}

void Form1::Check1_Click(int row)
{
    Q_UNUSED(row);
    showTotals();
}

void Form1::Check2_Click()
{
    Check3->setChecked(!Check2->isChecked());
    m_session->setSecondBlock(!Check2->isChecked());
}

void Form1::Check3_Click()
{
    Check2->setChecked(!Check3->isChecked());
}

// ---- window helpers ----------------------------------------------------

QColor Form1::windowBackground() const
{
    return palette().color(QPalette::Active, QPalette::Base);
}

QColor Form1::buttonFace() const
{
    return palette().color(QPalette::Active, QPalette::Button);
}

void Form1::setCellColor(QLineEdit* cell, const QColor& color)
{
    QPalette p = cell->palette();
    if (p.color(QPalette::Base) == color)
        return;
    p.setColor(QPalette::Base, color);
    cell->setPalette(p);
}

void Form1::makeDefaultButton(QPushButton* button)
{
    if (m_defaultButton && m_defaultButton != button)
        m_defaultButton->setDefault(false);
    m_defaultButton = button;
    button->setDefault(true);
}

void Form1::keyPressEvent(QKeyEvent* event)
{
    // A main window has no dialog default button of its own; Enter presses ours.
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) &&
        event->modifiers() == Qt::NoModifier && m_defaultButton && m_defaultButton->isEnabled()) {
        m_defaultButton->click();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

bool Form1::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (qobject_cast<QLineEdit*>(watched) && watched->property(RowProperty).isValid()) {
            rowGesture(watched->property(RowProperty).toInt());
            return true;
        }
        break;
    case QEvent::MouseButtonPress:
        if (qobject_cast<QCheckBox*>(watched) && watched->property(RowProperty).isValid() &&
            static_cast<QMouseEvent*>(event)->button() == Qt::RightButton) {
            rowGesture(watched->property(RowProperty).toInt());
            return true;
        }
        break;
    case QEvent::ShortcutOverride: {
        const auto* key = static_cast<QKeyEvent*>(event);
        // The File menu's shortcuts win over the text fields' own editing
        // keys, so Ctrl+C clears the table even while the User ID field has the focus.
        const QKeySequence pressed(key->keyCombination());
        for (const QAction* action : mnuFile->actions()) {
            if (!action->shortcut().isEmpty() && action->shortcut() == pressed) {
                event->ignore(); // leave the key to the menu
                return true;
            }
        }
        break;
    }
    default:
        break;
    }
    return QMainWindow::eventFilter(watched, event);
}

void Form1::closeModalBox(QWidget* modal)
{
    // A message box may refuse a plain close; a dialog's reject always ends it.
    if (auto* dialog = qobject_cast<QDialog*>(modal))
        dialog->reject();
    else if (modal)
        modal->close();
}

void Form1::closeEvent(QCloseEvent* event)
{
    if (m_session->closeAfterScan()) {
        // A message box the scan waits on is closed for it.
        closeModalBox(QApplication::activeModalWidget());
        event->ignore();
        return;
    }
    m_session->Timer3->stop();
    m_session->Timer5->stop();
    // A message box still waiting on this window goes with it.
    // (isAncestorOf() stops at window borders, so walk the parents by hand.)
    QWidget* modal = QApplication::activeModalWidget();
    for (QWidget* w = modal; w; w = w->parentWidget()) {
        if (w == this) {
            closeModalBox(modal);
            break;
        }
    }
    emit closing();
    event->accept();
}
