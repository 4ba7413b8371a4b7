#include "app/Shell.h"
#include "base/Windows.h"

#include "app/Links.h"
#include "app/frmSplashCopyright.h"
#include "base/Messages.h"
#include "main_window/Form1.h"
#include "options/Form5.h"
#include "options/OptionsStore.h"
#include "selection/Form6.h"
#include "session/HistoryRecorder.h"
#include "signin/Form2.h"
#include "users/Form3.h"

#include <QTimer>

Shell::Shell(QObject* parent) : QObject(parent)
{
    Q_INIT_RESOURCE(app);
}

Shell::~Shell()
{
    delete m_form1;
    delete m_splash;
}

frmSplashCopyright* Shell::loadSplash()
{
    if (!m_splash) {
        m_splash = new frmSplashCopyright;
        m_splash->setAttribute(Qt::WA_DeleteOnClose);
        connect(m_splash, &frmSplashCopyright::timerElapsed, this, &Shell::Timer1_Timer);
    }
    return m_splash;
}

void Shell::start()
{
    loadSplash()->show();
}

void Shell::Timer1_Timer()
{
    if (m_splash) {
        m_splash->Timer1->stop();
        m_splash->close();
        m_splash.clear(); // About loads a fresh one
    }
    showMainWindow();
}

void Shell::showMainWindow()
{
    if (m_form1)
        return;
    // Closed, not deleted: a handler of the window may still be on the stack
    // inside a message box when it closes. It goes with the shell, once the
    // event loops have ended.
    m_form1 = new Form1;
    Form1* f = m_form1;
    connect(f, &Form1::aboutChosen, this, &Shell::mnuAbout_Click);
    connect(f, &Form1::websiteChosen, this, &Shell::mnuWebsite_Click);
    connect(f, &Form1::donationsChosen, this, &Shell::mnuDonate_Click);
    connect(f, &Form1::viewAuctionChosen, this, &Shell::mnuAuction_Click);
    connect(f, &Form1::optionsChosen, this, &Shell::mnuoptions_Click);
    connect(f, &Form1::closing, this, &Shell::closeOtherWindows);
    f->Form_Load();
    f->show();
    emit mainWindowShown();
}

void Shell::closeOtherWindows()
{
    Form6::closeIfOpen();
    if (Form5* warning = Form5::current())
        warning->close();
    // Nothing is saved on the way out: the Options window's edits are dropped.
    OptionsStore::discard();
    Form3::closeIfOpen();
    if (Form2* signIn = Form2::instance())
        signIn->close();
    if (m_splash)
        m_splash->close();
}

void Shell::mnuAbout_Click()
{
    frmSplashCopyright* splash = loadSplash();
    splash->Timer1->stop();
    bringToFront(splash);
}

void Shell::mnuWebsite_Click()
{
    Links::openInBrowser(Links::website());
}

void Shell::mnuDonate_Click()
{
    Links::openInBrowser(Links::donations());
}

void Shell::mnuAuction_Click()
{
    Form1* f = m_form1;
    if (!f)
        return;
    // No row chosen yet counts as a row without a number.
    const AuctionTable& table = f->session()->table();
    const std::optional<int> row = table.chosen.index;
    if (!row || table.rows[*row].auction.isEmpty()) {
        Messages::show(f, QStringLiteral("No Auction Number Available"));
        return;
    }
    Links::openInBrowser(
        Links::itemView(OptionsStore::texts().soldBefore[8], table.chosen.auction));
    // The browser's visit is the seller's own, not a buyer's.
    f->history()->recordFetch(table.figures.userId.trimmed(), table.chosen.auction,
                              QDateTime::currentDateTimeUtc());
}

void Shell::mnuoptions_Click()
{
    OptionsStore::showWindow();
}
