#pragma once

#include <QObject>
#include <QPointer>

#include "app/frmSplashCopyright.h"
#include "main_window/Form1.h"

// The program's windows from start to exit: the splash, the main window and
// the commands that lead out of the program (About, Website, Donations,
// View Auction, Options).
class Shell : public QObject
{
    Q_OBJECT
public:
    explicit Shell(QObject* parent = nullptr);
    ~Shell() override;

    // Shows the splash; its timer's first tick brings up the main window.
    void start();

    Form1* mainWindow() const { return m_form1; }
    frmSplashCopyright* splash() const { return m_splash; }

    void mnuAbout_Click();
    void mnuWebsite_Click();
    void mnuDonate_Click();
    void mnuAuction_Click();
    void mnuoptions_Click();

signals:
    void mainWindowShown();

private:
    frmSplashCopyright* loadSplash();
    void Timer1_Timer();
    void showMainWindow();
    void closeOtherWindows();

    QPointer<frmSplashCopyright> m_splash;
    QPointer<Form1> m_form1;
};
