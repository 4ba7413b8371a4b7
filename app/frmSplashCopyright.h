#pragma once

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;
class QTimer;

// The splash window: shown at start for two seconds, and again by About
// without its timer until the user presses Continue.
class frmSplashCopyright : public QWidget
{
    Q_OBJECT
public:
    explicit frmSplashCopyright(QWidget* parent = nullptr);

    QGroupBox* Frame1 = nullptr;
    QLabel* imgLogo = nullptr;
    QLabel* lblProduct = nullptr;
    QLabel* lblMaker = nullptr;
    QLabel* lblWebsite = nullptr;
    QLabel* lblCopyright = nullptr;
    QLabel* lblSettings = nullptr; // where the option files and User IDs live
    QPushButton* cmdOK1 = nullptr;
    QTimer* Timer1 = nullptr;

    void cmdOK1_Click();

signals:
    // Timer1's first tick: the start-up goes on to the main window.
    void timerElapsed();

protected:
    void closeEvent(QCloseEvent* event) override;
};
