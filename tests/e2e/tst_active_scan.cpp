// The real main window scans the demo auction site, running as its own
// process, with the installed option files.
#include "main_window/Form1.h"
#include "options/OptionsStore.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>

namespace {
struct ExpectedRow
{
    const char* auction;
    const char* title;
    const char* bids;
    const char* start;
    const char* price;
    const char* timeLeft;
    int startCount;
};

// The demo seller's listings as the site serves them.
const ExpectedRow DemoSeller[20] = {
    {"110042318817", "Vintage Brass Pocket Compass with Hinged Lid", "7", "$12.50", "$29.00", "0d 01h 14m", 143},
    {"110042319254", "Set of 6 Depression Glass Dessert Plates Pink", "3", "$18.00", "$35.00", "0d 05h 42m", 88},
    {"110042320196", "Hohner Marine Band Harmonica Key of C Boxed", "12", "$9.99", "$27.50", "0d 11h 03m", 231},
    {"110042321033", "Cast Iron Skillet No 8 Restored and Seasoned", "5", "$15.00", "$39.99", "0d 19h 57m", 64},
    {"110042321478", "Antique Wooden Spool Thread Cabinet 4 Drawers", "21", "$45.00", "$120.00", "1d 02h 26m", 412},
    {"110042322390", "Lot of 25 Mixed Sterling Silver Spoons", "9", "$60.00", "$150.00", "1d 08h 11m", 377},
    {"110042322815", "Kodak Brownie Hawkeye Flash Camera Working", "4", "$11.00", "$25.00", "1d 14h 49m", 156},
    {"110042323702", "Pyrex Butterprint Mixing Bowl 403 Turquoise", "6", "$14.50", "$32.00", "1d 21h 30m", 97},
    {"110042324166", "Royal Albert Old Country Roses Teacup Saucer", "2", "$8.00", "$19.95", "2d 03h 05m", 45},
    {"110042325021", "Mid Century Teak Wall Clock Battery Movement", "0", "$24.00", "$55.00", "2d 09h 38m", 23},
    {"110042325497", "Set of 4 Enamel Camping Mugs Speckled Blue", "1", "$7.50", "$16.00", "2d 16h 20m", 31},
    {"110042326358", "Original 1978 Star Wars Action Figure Loose", "15", "$20.00", "$65.00", "2d 22h 52m", 286},
    {"110042326904", "Hand Carved Wooden Duck Decoy Signed", "3", "$30.00", "$75.00", "3d 04h 17m", 72},
    {"110042327740", "Singer Featherweight 221 Bobbin Case Genuine", "8", "$12.00", "$28.00", "3d 10h 44m", 139},
    {"110042328219", "Lionel O Gauge Caboose 6257 Red", "4", "$10.00", "$24.50", "3d 17h 09m", 58},
    {"110042329083", "Brass Ship Bell with Bracket 6 Inch", "11", "$22.00", "$48.00", "3d 23h 35m", 204},
    {"110042329615", "Art Deco Chrome Cocktail Shaker 1930s", "6", "$35.00", "$85.00", "4d 06h 02m", 118},
    {"110042330472", "Fisher Price Little People Farm Barn 1967", "2", "$16.00", "$36.00", "4d 12h 28m", 41},
    {"110042331198", "Tin Litho Wind Up Robot Made in Japan", "18", "$40.00", "$110.00", "4d 18h 55m", 325},
    {"110042331963", "Crewel Embroidery Kit Unopened 1970s Owls", "0", "$6.00", "$14.00", "5d 01h 21m", 12},
};
} // namespace

class TestActiveScan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void demoSellerFillsTable();
    void unknownSellerShowsUserSearchError();
    void brokenAndMissingCounters();
    void stopDuringFetchEndsScan();
    void closeDuringFetchEndsCleanly();
    void startAfterStopNeverRunsTwoScans();

private:
    bool runScan(const QString& userId, int timeoutMs = 60000);

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<DemoSiteProcess> m_site;
    std::unique_ptr<Form1> m_form;
};

void TestActiveScan::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_site = std::make_unique<DemoSiteProcess>(QStringList{QStringLiteral("--delay-ms"), QStringLiteral("20")});
    QVERIFY(m_site->isRunning());
    QVERIFY(m_site->pointOptionsAt(*m_folder));
    OptionsStore::discard();
    OptionsStore::loadCounterTryLimit();
    m_form = std::make_unique<Form1>();
    m_form->Timer5->setInterval(10);
    m_form->show();
}

void TestActiveScan::cleanup()
{
    m_form.reset();
    OptionsStore::discard();
    m_site.reset();
    m_folder.reset();
}

bool TestActiveScan::runScan(const QString& userId, int timeoutMs)
{
    QSignalSpy finished(m_form.get(), &Form1::scanFinished);
    m_form->Combo1->setEditText(userId);
    m_form->Command1_Click();
    return finished.wait(timeoutMs);
}

void TestActiveScan::demoSellerFillsTable()
{
    Form1& f = *m_form;
    QVERIFY(runScan(QStringLiteral("demoseller")));
    qint64 total = 0;
    for (int i = 0; i < 20; ++i) {
        const ExpectedRow& row = DemoSeller[i];
        QCOMPARE(f.Text1[i]->text(), QString::fromLatin1(row.auction));
        QCOMPARE(f.Text7[i]->text(), QString::fromLatin1(row.title));
        QCOMPARE(f.Text18[i]->text(), QString::fromLatin1(row.bids));
        QCOMPARE(f.Text17[i]->text(), QString::fromLatin1(row.start));
        QCOMPARE(f.Text19[i]->text(), QString::fromLatin1(row.price));
        QCOMPARE(f.Text16[i]->text(), QString::fromLatin1(row.timeLeft));
        // The first scan is each item page's first fetch.
        QCOMPARE(f.Text2[i]->text(), QStringLiteral("%1").arg(row.startCount + 1, 5, 10, QLatin1Char('0')));
        QCOMPARE(f.Text2[i]->palette().color(QPalette::Base), f.buttonFace());
        QVERIFY(f.Check1[i]->isChecked());
        total += row.startCount + 1;
    }
    QCOMPARE(total, 2942);
    QCOMPARE(f.Text13->text(), QStringLiteral("20"));
    QCOMPARE(f.Text14->text(), QStringLiteral("2942"));
    QCOMPARE(f.Text15->text(), QStringLiteral("147.10"));
    QCOMPARE(f.Text4->text(), QStringLiteral("2942"));
    QCOMPARE(f.Text8->text(), QStringLiteral("147.1"));
    QCOMPARE(f.Text3->text(), QStringLiteral("20"));
    QCOMPARE(f.Text5->text(), QStringLiteral("demoseller"));
    QCOMPARE(f.Text20->text(), m_site->baseUrl() + QStringLiteral("/seller?user=demoseller"));
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), QColor(0, 255, 0));
    QVERIFY(f.Command1->isEnabled());
    QVERIFY(f.Command10->isEnabled());
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.PB1->value(), 0);
    QVERIFY(!f.Timer3->isActive());

    // One listing fetch, then the item pages in row order, all on one connection.
    QStringList expected{QStringLiteral("/seller?user=demoseller")};
    for (const ExpectedRow& row : DemoSeller)
        expected.append(QStringLiteral("/item?id=") + QString::fromLatin1(row.auction));
    QCOMPARE(m_site->requestedPaths(), expected);
    QCOMPARE(m_site->connectionCount(), 1);

    // A second scan reads the counters one higher.
    QVERIFY(runScan(QStringLiteral("demoseller")));
    QCOMPARE(f.Text2[0]->text(), QStringLiteral("00145"));
    QCOMPARE(f.Text14->text(), QStringLiteral("2962"));
}

void TestActiveScan::unknownSellerShowsUserSearchError()
{
    Form1& f = *m_form;
    QVERIFY(runScan(QStringLiteral("nobody-here")));
    QCOMPARE(f.Text20->text(), m_site->baseUrl() + QStringLiteral("/_W0QQsocmdZListingCategoryList"));
    QCOMPARE(f.Text20->text(), f.bareListingAddress());
    QCOMPARE(f.Text11->text(), QStringLiteral("User Search Error"));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), QColor(255, 0, 0));
    for (int i = 0; i < 20; ++i)
        QVERIFY(f.Text1[i]->text().isEmpty());
    QVERIFY(f.Command1->isEnabled());
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
}

void TestActiveScan::brokenAndMissingCounters()
{
    Form1& f = *m_form;
    QVERIFY(runScan(QStringLiteral("smallshop")));
    int broken = -1;
    int missing = -1;
    const QStringList paths = m_site->requestedPaths();
    for (int i = 0; i < 7; ++i) {
        if (f.Text1[i]->text() == QLatin1String("110049916381"))
            broken = i;
        if (f.Text1[i]->text() == QLatin1String("110049917629"))
            missing = i;
    }
    QVERIFY(broken >= 0);
    QVERIFY(missing >= 0);
    // "--</f" twice, then digits on the third fetch.
    QCOMPARE(paths.count(QStringLiteral("/item?id=110049916381")), 3);
    QVERIFY(f.Text2[broken]->text().at(0).isDigit());
    QVERIFY(f.Check1[broken]->isChecked());
    // No counter: the cell keeps what it held, a single fetch (start 800 is past 35).
    QCOMPARE(paths.count(QStringLiteral("/item?id=110049917629")), 1);
    QVERIFY(f.Text2[missing]->text().isEmpty());
    QVERIFY(!f.Check1[missing]->isChecked());
    QCOMPARE(f.Text13->text(), QStringLiteral("6"));
    for (int i = 7; i < 20; ++i)
        QVERIFY(f.Text1[i]->text().isEmpty());
}

void TestActiveScan::stopDuringFetchEndsScan()
{
    Form1& f = *m_form;
    // Stop as soon as the third item page is being fetched.
    QSignalSpy finished(&f, &Form1::scanFinished);
    connect(f.Text3, &QLineEdit::textChanged, &f, [&f](const QString& text) {
        if (text == QLatin1String("2"))
            QTimer::singleShot(0, &f, [&f] { QTest::mouseClick(f.Command5, Qt::LeftButton); });
    });
    f.Combo1->setEditText(QStringLiteral("demoseller"));
    f.Command1_Click();
    QVERIFY(finished.wait(60000));
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    QVERIFY(f.Check1[1]->isChecked());
    QVERIFY(!f.Check1[5]->isChecked());
    QVERIFY(f.Text2[19]->text().isEmpty());
    QVERIFY(m_site->requestedPaths().size() < 6);
    QVERIFY(f.Command1->isEnabled());
}

void TestActiveScan::closeDuringFetchEndsCleanly()
{
    Form1& f = *m_form;
    QSignalSpy finished(&f, &Form1::scanFinished);
    QSignalSpy closing(&f, &Form1::closing);
    bool refused = false;
    // Close while the second item page is being fetched.
    connect(f.Text3, &QLineEdit::textChanged, &f, [&](const QString& text) {
        if (text == QLatin1String("1"))
            QTimer::singleShot(0, &f, [&] { refused = !f.close() && f.scanRunning(); });
    });
    f.Combo1->setEditText(QStringLiteral("demoseller"));
    f.Command1_Click();
    QVERIFY(finished.wait(20000));
    QVERIFY(refused); // refused while the scan was on the stack...
    QTRY_COMPARE(closing.count(), 1); // ...and done once it had returned
    QVERIFY(!f.isVisible());
    QVERIFY(m_site->requestedPaths().size() < 6);
}

void TestActiveScan::startAfterStopNeverRunsTwoScans()
{
    Form1& f = *m_form;
    int running = 0;
    int most = 0;
    int scans = 0;
    connect(&f, &Form1::scanStarted, &f, [&] {
        most = qMax(most, ++running);
        ++scans;
    });
    connect(&f, &Form1::scanFinished, &f, [&] { --running; });
    // Stop during the second item fetch, then Start at once while the stopped
    // scan is still inside its fetch, and the menu's Start on top.
    connect(f.Text3, &QLineEdit::textChanged, &f, [&](const QString& text) {
        if (text == QLatin1String("1") && scans == 1)
            QTimer::singleShot(0, &f, [&] {
                f.Command5_Click();
                f.Command1_Click();
                f.mnuStart->trigger();
            });
    });
    f.Combo1->setEditText(QStringLiteral("demoseller"));
    f.Command1_Click();
    QTRY_COMPARE_WITH_TIMEOUT(scans, 2, 20000);
    QTRY_COMPARE_WITH_TIMEOUT(running, 0, 60000);
    QCOMPARE(most, 1);
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    QCOMPARE(f.Text1[19]->text(), QString::fromLatin1(DemoSeller[19].auction));
    QVERIFY(f.Check1[19]->isChecked());
}

QTEST_MAIN(TestActiveScan)
#include "tst_active_scan.moc"
