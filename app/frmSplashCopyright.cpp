#include "app/frmSplashCopyright.h"

#include "app/Links.h"
#include "base/ProgramFolder.h"
#include "base/Twips.h"

#include <QCloseEvent>
#include <QDir>
#include <QGroupBox>
#include <QGuiApplication>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTimer>

frmSplashCopyright::frmSplashCopyright(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("frmSplashCopyright"));
    setWindowTitle(QStringLiteral("Quillmere"));
    setFixedSize(tw(8280), tw(3150));

    Frame1 = new QGroupBox(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setGeometry(tw(120), tw(120), tw(8055), tw(2775));

    imgLogo = new QLabel(Frame1);
    imgLogo->setObjectName(QStringLiteral("imgLogo"));
    imgLogo->setGeometry(tw(6180), tw(240), tw(1800), tw(1530));
    imgLogo->setPixmap(QIcon(QStringLiteral(":/quillmere/logo.svg")).pixmap(tw(1530), tw(1530)));
    imgLogo->setAlignment(Qt::AlignCenter);
    imgLogo->setToolTip(QStringLiteral("Don't Ever Click Here!)"));

    auto label = [this](const char* name, const QString& text, int top, int height, int points) {
        auto* l = new QLabel(text, Frame1);
        l->setObjectName(QString::fromLatin1(name));
        l->setGeometry(tw(360), tw(top), tw(5640), tw(height));
        QFont f = l->font();
        f.setPointSize(points);
        l->setFont(f);
        return l;
    };
    lblProduct = label("lblProduct", QStringLiteral("Quillmere"), 240, 600, 22);
    lblProduct->setStyleSheet(QStringLiteral("font-weight: bold"));
    lblMaker =
        label("lblMaker", QStringLiteral("Listing visits at a glance, from Quillmere Software"),
              960, 330, 10);
    lblWebsite = label("lblWebsite", Links::website().toString(), 1320, 330, 10);
    lblCopyright = label("lblCopyright", QStringLiteral("Copyright \u00a9 2026 Quillmere Software"),
                         1680, 330, 9);
    const QString settings = QDir::toNativeSeparators(programFolder());
    lblSettings = label("lblSettings", QStringLiteral("Settings: ") + settings, 2040, 330, 9);
    lblSettings->setToolTip(settings);

    cmdOK1 = new QPushButton(QStringLiteral("Continue"), this);
    cmdOK1->setObjectName(QStringLiteral("cmdOK1"));
    cmdOK1->setGeometry(tw(6480), tw(2400), tw(1575), tw(375));
    connect(cmdOK1, &QPushButton::clicked, this, &frmSplashCopyright::cmdOK1_Click);

    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(2000);
    Timer1->setSingleShot(true);
    connect(Timer1, &QTimer::timeout, this, &frmSplashCopyright::timerElapsed);

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    // Loading ends by switching the timer on.
    Timer1->start();
}

void frmSplashCopyright::cmdOK1_Click()
{
    hide();
}

void frmSplashCopyright::closeEvent(QCloseEvent* event)
{
    // The title bar's close button means Continue: at start-up the splash is
    // the only window, and closing it would end the program before the main
    // window comes at the tick. The program's own closes go through.
    if (event->spontaneous()) {
        event->ignore();
        cmdOK1_Click();
        return;
    }
    QWidget::closeEvent(event);
}
