// The Marker Check window against the demo site and a saved page, and the
// notice after a scan whose markers found nothing.
#include "history/ListingPages.h"
#include "main_window/Form1.h"
#include "marker_check/MarkerCheck.h"
#include "marker_check/MarkerRepair.h"
#include "marker_check/frmMarkerCheck.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "transfer/Inet.h"

#include "DemoWindow.h"
#include "LoopbackHttpServer.h"

#include <QComboBox>
#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QtTest>

class TestMarkerCheck : public QObject
{
    Q_OBJECT
private slots:
    // A history and kept pages of this run's own, never a run's before.
    void initTestCase() { qputenv("QUILLMERE_DATA_DIR", QFile::encodeName(m_data.path())); }
    void init() { m_demo = std::make_unique<DemoWindow>(); }
    void cleanup() { m_demo.reset(); }
    void check_data() { addTableRows({"marker_check/data/check.tsv"}); }
    void check();
    void notice_data() { addTableRows({"marker_check/data/notice.tsv"}); }
    void notice();
    void checkAndScanNeverWait();
    void repair_data() { addTableRows({"marker_check/data/repair.tsv"}); }
    void repair();
    void repairWhenTheValueIsGone();

private:
    QTemporaryDir m_data;
    std::unique_ptr<DemoWindow> m_demo;
};

void TestMarkerCheck::check()
{
    QFETCH(bool, sold);
    QFETCH(QString, seller);
    QFETCH(bool, signIn);
    frmMarkerCheck window([seller] { return seller.mid(seller.indexOf(u':') + 1); });
    window.optSold->setChecked(sold);
    QNetworkAccessManager browser; // signs in as the browser does, into the check's cookies
    browser.setCookieJar(window.cookieJar());
    window.cookieJar()->setParent(&window);
    QVERIFY(!signIn || m_demo->site().signIn(&browser));
    QSignalSpy checked(&window, &frmMarkerCheck::checked);
    QSignalSpy fetched(&window, &frmMarkerCheck::itemPageFetched);
    if (seller.startsWith(QLatin1String("down:"))) // nothing listens on port 1
        OptionsStore::form()->RichTextBox1[8]->setText(QStringLiteral("http://127.0.0.1:1/?u="));
    if (seller.startsWith(QLatin1String("binary:"))) {
        QFile file(m_demo->folder().file(QStringLiteral("saved.png")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16));
        file.close();
        window.checkFile(file.fileName());
    } else if (seller.startsWith(QLatin1String("file:")) ||
               seller.startsWith(QLatin1String("item"))) {
        // "itemx:": the user says it is an item page, where no counter tells it.
        window.cboSavedPage->setCurrentIndex(seller.startsWith(u"itemx:") ? 2 : 0);
        const ScanMarkers active = OptionsStore::markers(MarkerTable::Active);
        QFile file(m_demo->folder().file(QStringLiteral("saved.html")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Inet()
                       .OpenURL(seller.startsWith(u'f')
                                    ? active.listingAddress(seller.mid(5))
                                    : active.itemAddress(seller.mid(seller.indexOf(u':') + 1)))
                       .toUtf8());
        file.close();
        window.checkFile(file.fileName());
    } else {
        window.checkSite();
    }
    QVERIFY(checked.wait(20000));
    QStringList red, matched;
    for (int r = 0; r < window.grdRows->rowCount(); ++r) {
        const QString cell = window.grdRows->item(r, 4)->text();
        if (cell == QLatin1String("not found"))
            red << QString::number(r);
        if ((r == 2 || r == 3) && cell.size() == 7) // "12345" with its quotes
            matched << QString::number(r);
    }
    QTEST(red.join(u','), "broken");
    QTEST(matched.join(u','), "counter");
    QFETCH(QString, page);
    QCOMPARE(window.lblPages->text().contains(u"No marker is to blame"), !page.isEmpty());
    QVERIFY2(window.lblPages->text().contains(page), qPrintable(window.lblPages->text()));
    // The item page fetched (where the counter matched) is kept as the program's own visit.
    QCOMPARE(fetched.size(), int(!matched.isEmpty() && !seller.contains(u':')));
    // The Auction Number row says how long a number its markers cut; the numbers it shows
    // ("...", two spaces apart) are that long (Sold: a last "_" dropped).
    if (seller.startsWith(u"item"))
        return;
    const QString cuts = window.grdRows->item(0, 5)->text();
    const int length = cuts.section(u' ', 1, 1).toInt();
    QVERIFY2(cuts.startsWith(u"cuts ") && length > 0, qPrintable(cuts));
    if (!red.contains(QStringLiteral("0"))) {
        for (const QString& value :
             window.grdRows->item(0, 4)->text().split(QStringLiteral("  "), Qt::SkipEmptyParts))
            QVERIFY2(value.size() - 2 == length || (sold && value.size() - 2 == length - 1),
                     qPrintable(value + u' ' + cuts));
    }
}

void TestMarkerCheck::notice()
{
    QFETCH(QString, seller);
    QFETCH(int, counterStart);
    QFETCH(bool, enabled);
    QFETCH(QString, stopAt);
    MarkerCheck::setNoticeEnabled(enabled);
    if (!stopAt.isEmpty())
        m_demo->onStatus(stopAt, [this] { m_demo->form().Command5_Click(); });
    OptionsStore::form()->RTB3->setText(QString::number(counterStart));
    QVERIFY(m_demo->scan(seller));
    QFETCH(QString, notice);
    QCOMPARE(m_demo->messages().join(u'|'), notice == u"listings" ? MarkerCheck::noListingsNotice()
                                            : notice == u"counters"
                                                ? MarkerCheck::noCountersNotice()
                                                : notice);
    MarkerCheck::setNoticeEnabled(true);
}

// A check whose page never comes, started during a scan, neither holds up its Stop
// nor waits for the scan's end.
void TestMarkerCheck::checkAndScanNeverWait()
{
    LoopbackHttpServer silent;
    silent.route(QStringLiteral("/seller"), LoopbackHttpServer::Answer().after(-1));
    frmMarkerCheck window([] { return QStringLiteral("x"); });
    m_demo->onStatus(QStringLiteral("Searching Visits...."), [&] {
        OptionsStore::form()->RichTextBox1[8]->setText(
            silent.url(QStringLiteral("/seller?user=")).toString());
        window.checkSite();
        m_demo->form().Command5_Click();
    });
    QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
    QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 1);
    QVERIFY2(window.lblPages->text().startsWith(QStringLiteral("Listing page: loading")),
             qPrintable(window.lblPages->text()));
    QTRY_COMPARE(silent.requests().size(), 1);
}

// A site that changed its look under a seller scanned before: each red row's proposal,
// put into the Options window and saved, makes the next scan fill the table again.
void TestMarkerCheck::repair()
{
    QFETCH(QString, seller);
    QFETCH(QString, look);
    QVERIFY(m_demo->site().setLook(seller, QStringLiteral("classic")));
    QVERIFY(m_demo->scan(seller));
    const int rows = m_demo->form().session()->table().figures.countedRows;
    // The scan keeps the page its markers fitted, for a repair to compare with later.
    QTRY_VERIFY(ListingPages::kept(seller, MarkerTable::Active));
    QVERIFY(m_demo->site().setLook(seller, look));
    m_demo->form().mnuCheck_Click();
    frmMarkerCheck* window = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets())
        window = window ? window : qobject_cast<frmMarkerCheck*>(widget);
    QVERIFY(window);
    // One check window per run of the program: the next row's window belongs to its own.
    const auto closed = qScopeGuard([window] { window->close(); });
    QSignalSpy checked(window, &frmMarkerCheck::checked);
    QSignalSpy repaired(window, &frmMarkerCheck::repaired);
    QStringList fixed;
    for (int round = 0; round < 4; ++round) {
        window->checkSite();
        QVERIFY(checked.wait(20000));
        int red = -1;
        for (int r = 0; r < window->grdRows->rowCount() && red < 0; ++r)
            red = window->grdRows->item(r, 4)->text() == u"not found" ? r : -1;
        if (red < 0)
            break;
        fixed << QString::number(red);
        window->grdRows->setCurrentCell(red, 0);
        QVERIFY(window->cmdRepair->isEnabled());
        QTest::mouseClick(window->cmdRepair, Qt::LeftButton);
        QVERIFY(repaired.wait(20000));
        QVERIFY2(window->cmdUseMarkers->isEnabled(), qPrintable(window->txtRepair->toPlainText()));
        QTest::mouseClick(window->cmdUseMarkers, Qt::LeftButton);
    }
    QTEST(fixed.join(u','), "repaired");
    OptionsStore::form()->Command1_Click();
    QVERIFY(m_demo->scan(seller));
    const AuctionTable& table = m_demo->form().session()->table();
    QCOMPARE(table.figures.countedRows, rows);
    QFETCH(QString, title);
    QCOMPARE(table.rows[0].title, title);
}

// A title the page no longer holds: no proposal, and the window shows where it stood on
// the last page that worked and what stands there now.
void TestMarkerCheck::repairWhenTheValueIsGone()
{
    const QString url = OptionsStore::markers(MarkerTable::Active).listingAddress({});
    MarkerRepair::Memory memory;
    memory.page = ListingPages::Kept{Inet().OpenURL(url + QStringLiteral("demoseller")), {}};
    memory.rows = {ScanRow()};
    memory.rows[0].auction = QStringLiteral("110042318817");
    memory.rows[0].title = QStringLiteral("Vintage Brass Pocket Compass with Hinged Lid");
    const OptionTexts options = OptionsStore::texts();
    const MarkerRepair::Proposal proposal = MarkerRepair::propose(
        MarkerTable::Active, MarkerCheck::markersOf(MarkerTable::Active, options), 1, 0,
        Inet().OpenURL(url + QStringLiteral("bigattic")), {}, memory);
    QVERIFY(!proposal.markers);
    QVERIFY(proposal.places.isEmpty());
    QVERIFY(proposal.then);
    QCOMPARE(proposal.then->value, memory.rows[0].title);
    QVERIFY2(proposal.now.contains(u"<span class=\"ttl\">") &&
                 !proposal.now.contains(memory.rows[0].title),
             qPrintable(proposal.now));
}

QTEST_MAIN(TestMarkerCheck)
#include "tst_markercheck.moc"
