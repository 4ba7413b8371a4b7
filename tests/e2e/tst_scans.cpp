// The real main window scans the demo auction site, running as its own
// process, with the installed option files: both scans, their endings, and
// Start, Stop and close pressed while a fetch is under way.
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "scan/Form2.h"
#include "transfer/Inet.h"

#include "DemoWindow.h"

#include <QtTest>
#include <QtWebEngineWidgets>
#include <QtWidgets>

namespace {
// Starting counts of the demo seller's 20 listings and the 12 sales; a scan
// reads one more than the count for every earlier fetch of the page.
const int DemoCounts[20] = {143, 88, 231, 64, 412, 377, 156, 97, 45, 23,
                            31, 286, 72, 139, 58, 204, 118, 41, 325, 12};
const QColor Red(255, 0, 0), Green(0, 255, 0);
} // namespace

class TestScans : public QObject
{
    Q_OBJECT

private slots:
    void init() { startSite(); }
    void cleanup() { m_demo.reset(); }

    void demoSellerFillsTable()
    {
        Form1& f = m_demo->form();
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QStringList last;
        for (const Form1::Column& column : {f.Text1, f.Text7, f.Text16, f.Text17, f.Text18, f.Text19})
            last << column[19]->text();
        QCOMPARE(last.join(u'|'), "110042331963|Crewel Embroidery Kit Unopened 1970s Owls|"
                                  "5d 01h 21m|$6.00|0|$14.00");
        int visits = 0;
        for (int i = 0; i < 20; ++i) {
            QCOMPARE(f.Text2[i]->text().toInt(), DemoCounts[i] + 1);
            QVERIFY(f.Check1[i]->isChecked());
            QCOMPARE(color(f.Text2[i]), f.buttonFace());
            visits += DemoCounts[i] + 1;
        }
        QCOMPARE(QStringList({f.Text13->text(), f.Text14->text(), f.Text4->text(), f.Text8->text(),
                              f.Text11->text()}),
                 QStringList({"20", QString::number(visits), QString::number(visits), "147.1",
                              "Task Complete"}));
        QCOMPARE(color(f.Text11), Green);
        QVERIFY(f.Command1->isEnabled() && f.Command10->isEnabled());
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 20); // each item page once
    }

    void unknownSellerAndCounterFaults()
    {
        Form1& f = m_demo->form();
        QVERIFY(m_demo->scan(QStringLiteral("nobody-here")));
        QCOMPARE(f.Text11->text(), QStringLiteral("User Search Error"));
        QCOMPARE(color(f.Text11), Red);
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 0);

        // A counter search from position 1 with one try: a page whose counter is
        // missing shows "N/F" on red; one that reads "--</f" is fetched again
        // until it shows digits (the site shows them on the third fetch).
        OptionsStore::form()->RTB3->setText(QStringLiteral("1"));
        OptionsStore::setCounterTryLimit(1);
        QVERIFY(m_demo->scan(QStringLiteral("smallshop")));
        for (int i = 0; i < 7; ++i) {
            const QString auction = f.Text1[i]->text();
            if (auction == QLatin1String("110049917629")) {
                QCOMPARE(f.Text2[i]->text(), QStringLiteral("N/F"));
                QCOMPARE(color(f.Text2[i]), Red);
                QVERIFY(!f.Check1[i]->isChecked());
            } else {
                QVERIFY2(f.Text2[i]->text().at(0).isDigit(), qPrintable(auction));
            }
        }
        QCOMPARE(m_demo->fetches(QStringLiteral("/item?id=110049916381")), 3);
        QCOMPARE(m_demo->fetches(QStringLiteral("/item?id=110049917629")), 1);
        QCOMPARE(f.Text13->text(), QStringLiteral("6"));
    }

    void startDuringScanIsSwallowed()
    {
        // Every way of starting, pressed while a scan that was not stopped fetches.
        Form1& f = m_demo->form();
        QSignalSpy started(&f, &Form1::scanStarted);
        m_demo->onStatus(QStringLiteral("Searching Visits...."), [&f] {
            f.Command1_Click();
            f.mnuStart->trigger();
            f.Command2_Click(); // Clear enables the button again
            QTest::mouseClick(f.Command1, Qt::LeftButton);
        });
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QTest::qWait(100); // a second start would begin 10 ms after the first ends
        QCOMPARE(started.count(), 1);
        QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 20);
        QCOMPARE(m_demo->fetches(QStringLiteral("/seller")), 1);
    }

    void stopThenStartWaitsForTheScan()
    {
        Form1& f = m_demo->form();
        int running = 0, most = 0;
        connect(&f, &Form1::scanStarted, this, [&] { most = qMax(most, ++running); });
        connect(&f, &Form1::scanFinished, this, [&] { --running; });
        // Stop, then Start while the stopped scan is still inside its fetch.
        m_demo->onStatus(QStringLiteral("Searching Visits...."), [&f] {
            f.Command5_Click();
            f.Command1_Click();
        });
        QSignalSpy finished(&f, &Form1::scanFinished);
        f.Combo1->setEditText(QStringLiteral("demoseller"));
        f.Command1_Click();
        QVERIFY(finished.wait(60000));
        // The queued start shows itself, not the stopped scan's ending.
        QCOMPARE(f.Text11->text(), QStringLiteral("Loading ...."));
        QVERIFY(!f.Command1->isEnabled());
        QVERIFY(finished.wait(60000));
        QCOMPARE(most, 1);
        QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
        QVERIFY(f.Check1[19]->isChecked());

        // Stop pressed while that start waits calls it off.
        QSignalSpy started(&f, &Form1::scanStarted);
        m_demo->onStatus(QStringLiteral("Searching Visits...."), [&f] {
            f.Command5_Click();
            f.Command1_Click();
            f.Command5_Click();
        });
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QTest::qWait(100);
        QCOMPARE(started.count(), 1);
        QVERIFY(f.Command1->isEnabled());
    }

    void stopDuringListingFetch_data()
    {
        QTest::addColumn<bool>("secondBlock");
        QTest::addColumn<QString>("status");
        QTest::newRow("rows 1 - 20: the normal ending") << false << "Task Complete";
        QTest::newRow("rows 21 - 40: ends quietly") << true << "Stopped";
    }

    void stopDuringListingFetch()
    {
        QFETCH(bool, secondBlock);
        Form1& f = m_demo->form();
        f.Check3->setChecked(secondBlock);
        // Pressed inside the fetch: the zero timer runs in the fetch's own event loop.
        m_demo->onStatus(QStringLiteral("Loading Page"),
                 [&f] { QTimer::singleShot(0, &f, [&f] { f.Command5_Click(); }); });
        QVERIFY(m_demo->scan(QStringLiteral("demoseller")));
        QTEST(f.Text11->text(), "status");
        QVERIFY(f.Text1[0]->text().isEmpty());
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 0);
        QVERIFY(f.Command1->isEnabled());
    }

    void closeDuringFetchThatNeverAnswers()
    {
        startSite({QStringLiteral("--delay-ms"), QStringLiteral("600000")});
        Form1& f = m_demo->form();
        QSignalSpy closing(&f, &Form1::closing);
        m_demo->onStatus(QStringLiteral("Loading Page"),
                 [&f] { QTimer::singleShot(0, &f, [&f] { QVERIFY(!f.close()); }); });
        // The scan blocks this test while it waits, so a close that did not cancel
        // the fetch is seen by a watchdog that has to cancel it instead.
        bool watchdog = false;
        QTimer::singleShot(10000, &f, [&] {
            watchdog = f.scanRunning();
            f.Inet1->Cancel();
        });
        f.Combo1->setEditText(QStringLiteral("demoseller"));
        f.Command1_Click();
        // Refused while the scan was on the stack, done once the cancelled fetch returned.
        QTRY_COMPARE(closing.count(), 1);
        QVERIFY(!watchdog);
        QVERIFY(!f.isVisible());
    }

    void soldScan()
    {
        // Signed in as a seller does: in the sign-in window's browser, whose
        // cookies the downloader shares; Continue starts the scan. Also run as
        // a normal user with the browser's sandbox on (scripts/install-test).
        Form1& f = m_demo->form();
        f.Combo1->setEditText(QString());
        f.Option2->setChecked(true);
        QPointer<Form2> signIn = Form2::instance();
        QVERIFY(signIn);
        QTRY_VERIFY_WITH_TIMEOUT(signIn->Command1->isEnabled(), 30000);
        signIn->WebBrowser1->page()->runJavaScript(
            "document.getElementById('userid').value = 'demo';"
            "document.getElementById('pass').value = 'demo'; SignInForm.submit()");
        QTRY_VERIFY_WITH_TIMEOUT(signIn->WebBrowser1->title().startsWith("My eBay"), 30000);

        // Stop as the third item page is asked for: no further item is fetched.
        int items = 0;
        connect(f.Text11, &QLineEdit::textChanged, this, [&](const QString& text) {
            if (text == QLatin1String("Searching Visits....") && ++items == 3)
                f.Command5_Click();
        });
        QSignalSpy finished(&f, &Form1::scanFinished);
        signIn->Command1->click();
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000); // once the window is gone
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 3);
        QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));

        items = -100; // the whole scan
        QVERIFY(m_demo->scan(QString()));
        QStringList row;
        for (const Form1::Column& column : {f.Text1, f.Text7, f.Text16, f.Text17, f.Text18})
            row << column[11]->text();
        QCOMPARE(row.join(u'|'), "110039812245|Victorian Silver Plated Napkin Rings Set of 4|"
                                 "Mar-02-2024|$19.99|1");
        QVERIFY(f.Text1[6]->text().isEmpty()); // the hedgehog's second sale
        QCOMPARE(f.Text13->text() + f.Text11->text(), QStringLiteral("11Task Complete"));
        QCOMPARE(color(f.Text11), Green);
        QVERIFY(m_demo->messages().isEmpty());
    }

    void soldScanEndings()
    {
        // Not signed in: three passes, the message, and a status that says so.
        Form1& f = m_demo->form();
        f.Option2->setChecked(true);
        if (Form2* signIn = Form2::instance())
            signIn->close();
        QVERIFY(m_demo->scan(QString()));
        QCOMPARE(m_demo->messages(), QStringList{Form1::soldPageError()});
        QCOMPARE(m_demo->fetches(QStringLiteral("/sold")), 3);
        QCOMPARE(f.Text11->text(), QStringLiteral("Sold Page Error"));
        QCOMPARE(color(f.Text11), Red);
        QVERIFY(f.Command1->isEnabled());

        // A sold-items page that never arrives ends on "Internet Error".
        m_demo->stopSite();
        m_demo->messages().clear();
        QVERIFY(m_demo->scan(QString()));
        QCOMPARE(f.Text11->text(), QStringLiteral("Internet Error"));
        QCOMPARE(color(f.Text11), Red);
    }

private:
    void startSite(const QStringList& arguments = {QStringLiteral("--delay-ms"), QStringLiteral("20")})
    {
        m_demo.reset(); // first: its folder points the program folder back when it goes
        m_demo = std::make_unique<DemoWindow>(arguments);
        QVERIFY(m_demo->site().isRunning());
    }
    QColor color(QLineEdit* field) const { return field->palette().color(QPalette::Base); }

    std::unique_ptr<DemoWindow> m_demo;
};

QTEST_MAIN(TestScans)
#include "tst_scans.moc"
