// Takes a picture of every window of the program, filled the way a user sees
// it after scanning the demo site, for the README and the walkthrough.
//   screenshots OUTPUT_FOLDER
// Run it under Xvfb (xvfb-run) so the embedded browser paints; the other
// windows also work with QT_QPA_PLATFORM=offscreen.
#include "app/Shell.h"
#include "app/frmSplashCopyright.h"
#include "history/HistoryStore.h"
#include "history/frmHistory.h"
#include "main_window/Form1.h"
#include "marker_check/frmMarkerCheck.h"
#include "options/Form4.h"
#include "options/Form5.h"
#include "options/OptionsStore.h"
#include "transfer/Inet.h"

#include "DemoSiteProcess.h"
#include "MessageRecorder.h"
#include "TestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSet>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

namespace {
QTextStream out(stdout);
QDir outputDir;

void settle(int ms = 200)
{
    QTest::qWait(ms);
}

bool save(QWidget* window, const QString& name)
{
    if (!window)
        return false;
    window->raise();
    settle();
    const QString path = outputDir.filePath(name + QStringLiteral(".png"));
    const bool ok = window->grab().save(path);
    out << (ok ? "wrote " : "FAILED ") << path << Qt::endl;
    return ok;
}

bool scan(Form1* f)
{
    QSignalSpy finished(f, &Form1::scanFinished);
    f->Command1_Click();
    return finished.wait(120000);
}

QWidget* topLevel(const char* objectName)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String(objectName) && w->isVisible())
            return w;
    }
    return nullptr;
}
} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    if (argc != 2) {
        QTextStream(stderr) << "usage: screenshots OUTPUT_FOLDER\n";
        return 2;
    }
    outputDir = QDir(QString::fromLocal8Bit(argv[1]));
    outputDir.mkpath(QStringLiteral("."));

    // The pictures' history is their own, not the user's.
    QTemporaryDir history;
    qputenv("QUILLMERE_DATA_DIR", QFile::encodeName(history.path()));
    TempProgramFolder folder;
    DemoSiteProcess site;
    if (!site.isRunning() || !site.pointOptionsAt(folder)) {
        QTextStream(stderr) << "could not start the demo site\n";
        return 1;
    }
    MessageRecorder messages; // no start instructions in the pictures
    int failures = 0;

    Shell shell;
    shell.start();
    failures += !save(shell.splash(), QStringLiteral("splash"));
    QSignalSpy shown(&shell, &Shell::mainWindowShown);
    shell.splash()->Timer1->setInterval(10);
    shell.splash()->Timer1->start();
    shown.wait(5000);
    Form1* f = shell.mainWindow();
    if (!f)
        return 1;
    const auto control = [f](const char* name) {
        return f->findChild<QWidget*>(QLatin1String(name));
    };
    auto* userId = f->findChild<QComboBox*>(QStringLiteral("Combo1"));
    f->session()->Timer5->setInterval(10);
    userId->setEditText(QStringLiteral("demoseller"));
    if (!scan(f))
        return 1;
    control("Text1_0")->setFocus();
    failures += !save(f, QStringLiteral("main-window"));

    // The row menu after a double-click on a title.
    f->rowGesture(2);
    settle();
    {
        QPixmap shot = f->grab();
        QPainter painter(&shot);
        const QPoint at = control("Text7_2")->mapTo(f, QPoint(40, 20));
        painter.drawPixmap(at, control("mnuSelect")->grab());
        painter.end();
        const QString path = outputDir.filePath(QStringLiteral("row-menu.png"));
        failures += !shot.save(path);
        out << "wrote " << path << Qt::endl;
    }
    control("mnuSelect")->close();

    f->Command8_Click(); // Matching on the first checked row
    failures += !save(f, QStringLiteral("main-window-matching"));
    f->cmdAll_Click();

    OptionsStore::showWindow();
    failures += !save(OptionsStore::form(), QStringLiteral("options-compact"));
    OptionsStore::form()->Command3_Click();
    failures += !save(Form5::current(), QStringLiteral("options-warning"));
    Form5::current()->Command1_Click();
    failures += !save(OptionsStore::form(), QStringLiteral("options-full"));
    OptionsStore::form()->Command2_Click();

    f->Command6_Click();
    failures += !save(topLevel("Form3"), QStringLiteral("confirm-delete"));
    if (QWidget* w = topLevel("Form3"))
        w->close();

    f->Command10_Click();
    failures += !save(topLevel("Form6"), QStringLiteral("auto-compare"));
    if (QWidget* w = topLevel("Form6"))
        w->close();

    // A month of twice-daily scans, the demo site's clock moved on 12 h after
    // each and every scan filed at the site's time in a history of its own.
    QTemporaryDir monthFolder;
    auto month = std::make_shared<HistoryStore>(monthFolder.filePath(QStringLiteral("h.sqlite")));
    {
        ScansAtSiteTime atSiteTime(f->session(), month.get());
        for (int k = 0; k < 60; ++k) {
            if (!scan(f) || !atSiteTime.advance(site, 12))
                return 1;
        }
    }
    {
        frmHistory window(month, QStringLiteral("demoseller"));
        window.show();
        // A listing of each kind the Attention column tells apart.
        QSet<QString> kinds;
        for (int r = 0; r < window.grdListings->rowCount(); ++r) {
            const QString kind = window.grdListings->item(r, 8)->text().section(u' ', 0, 0);
            if (!kinds.contains(kind))
                window.grdListings->setRangeSelected({r, 0, r, 8}, true);
            kinds.insert(kind);
        }
        failures += !save(&window, QStringLiteral("history"));
    }

    // The Marker Check on the seller whose pages have the site's new look.
    userId->setEditText(QStringLiteral("newlook"));
    f->mnuCheck_Click();
    if (auto* window = qobject_cast<frmMarkerCheck*>(topLevel("frmMarkerCheck"))) {
        QSignalSpy checked(window, &frmMarkerCheck::checked);
        window->checkSite();
        failures += !checked.wait(20000) || !save(window, QStringLiteral("marker-check"));
        window->close();
    }
    userId->setEditText(QStringLiteral("demoseller"));

    // The demo seller's page restyled after its scans: the repair of the red Auction Number row.
    site.setLook(QStringLiteral("demoseller"), QStringLiteral("restyled"));
    f->mnuCheck_Click();
    if (auto* window = qobject_cast<frmMarkerCheck*>(topLevel("frmMarkerCheck"))) {
        QSignalSpy checked(window, &frmMarkerCheck::checked);
        QSignalSpy repaired(window, &frmMarkerCheck::repaired);
        window->resize(1000, 640);
        window->checkSite();
        failures += !checked.wait(20000);
        window->grdRows->setCurrentCell(0, 0);
        window->cmdRepair->click();
        failures += !repaired.wait(20000) || !save(window, QStringLiteral("marker-repair"));
        window->close();
    }
    site.setLook(QStringLiteral("demoseller"), QStringLiteral("classic"));

    // The scheduled scans of the saved sellers.
    f->Command4_Click();
    f->mnuSchedule_Click();
    settle(1000);
    if (QWidget* schedule = topLevel("frmSchedule")) {
        failures += !save(schedule, QStringLiteral("schedule"));
        schedule->close();
    }

    // Sold: the sign-in window, then the scan as the signed-in user.
    f->findChild<QRadioButton*>(QStringLiteral("Option2"))->setChecked(true);
    settle(3000);
    if (QWidget* signIn = topLevel("Form2")) {
        failures += !save(signIn, QStringLiteral("sign-in"));
        signIn->close();
    }
    site.signIn(f->session()->Inet1->networkAccessManager());
    if (!scan(f))
        return 1;
    failures += !save(f, QStringLiteral("main-window-sold"));

    f->close();
    settle();
    out << (failures ? "some pictures failed" : "all pictures written") << Qt::endl;
    return failures ? 1 : 0;
}
