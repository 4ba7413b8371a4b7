// The Marker Check window against the demo site and a saved page, and the
// notice after a scan whose markers found nothing.
#include "main_window/Form1.h"
#include "marker_check/MarkerCheck.h"
#include "marker_check/frmMarkerCheck.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "transfer/Inet.h"

#include "DemoWindow.h"
#include "LoopbackHttpServer.h"

#include <QLabel>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

class TestMarkerCheck : public QObject
{
    Q_OBJECT
private slots:
    void init() { m_demo = std::make_unique<DemoWindow>(); }
    void cleanup() { m_demo.reset(); }
    void check_data() { addTableRows({"marker_check/data/check.tsv"}); }
    void check();
    void notice_data() { addTableRows({"marker_check/data/notice.tsv"}); }
    void notice();
    void checkAndScanNeverWait();

private:
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
    if (seller.startsWith(QLatin1String("file:"))) {
        const ScanMarkers active = OptionsStore::markers(MarkerTable::Active);
        QFile file(m_demo->folder().file(QStringLiteral("saved.html")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(Inet().OpenURL(active.listingAddress(seller.mid(5))).toUtf8());
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
    QCOMPARE(fetched.size(), int(!matched.isEmpty()));
    // The Auction Number row says how long a number its markers cut; the numbers it shows
    // ("...", two spaces apart) are that long (Sold: a last "_" dropped).
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

QTEST_MAIN(TestMarkerCheck)
#include "tst_markercheck.moc"
