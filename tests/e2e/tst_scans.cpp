// The real main window scanning the demo auction site, running as its own
// process: the window shows what its session holds, and Start, Stop, close
// and the sign-in browser work from the window as a user uses them. What the
// scans read is tested without a window in tests/session.
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/NumberText.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "signin/Form2.h"
#include "transfer/Inet.h"

#include "Controls.h"
#include "DemoWindow.h"

#include <QtTest>
#include <QtWebEngineWidgets>
#include <QtWidgets>

class TestScans : public QObject
{
    Q_OBJECT

private slots:
    void init() { startSite(); }
    void cleanup() { m_demo.reset(); }

    void windowMirrorsTheSession()
    {
        // Counters read from the page's start with one try: a missing one shows "N/F", a
        // broken one is tried again ("Retry") until it reads.
        OptionsStore::form()->RTB3->setText(QStringLiteral("1"));
        OptionFiles::setCounterTryLimit(1);
        Form1& f = m_demo->form();
        const AuctionTable& t = f.session()->table();
        const auto visitsCell = [&f](int row) {
            return control<QLineEdit>(&f, QStringLiteral("Text2_%1").arg(row));
        };
        const QColor colours[] = {f.windowBackground(), f.buttonFace(), QColor(255, 0, 0),
                                  QColor(255, 255, 0)}; // by VisitsMark
        // Stop pressed in the window as the third item page loads; every Retry shown on yellow.
        int items = 0, retries = 0;
        connect(control<QLineEdit>(&f, "Text11"), &QLineEdit::textChanged, this,
                [&](const QString& text) {
                    if (text == QLatin1String("Searching Visits....") && ++items == 3)
                        press(&f, "Command5");
                    for (int i = 0; i < Form1::Rows && text == QLatin1String("RETRY"); ++i) {
                        if (t.rows[i].mark == VisitsMark::Retry && ++retries)
                            QCOMPARE(base(visitsCell(i)), QColor(255, 255, 0));
                    }
                });
        QVERIFY(m_demo->scan(QStringLiteral("smallshop")));
        QCOMPARE(m_demo->fetches(QStringLiteral("/item")), 3);
        QVERIFY(m_demo->scan(QStringLiteral("smallshop")));
        QVERIFY(retries > 0);

        const char* columns[] = {"Text1", "Text7", "Text2", "Text16", "Text17", "Text18", "Text19"};
        QStringList marks;
        for (int i = 0; i < Form1::Rows; ++i) {
            for (int c = 0; c < 7; ++c) {
                const QString name = QStringLiteral("%1_%2").arg(QLatin1String(columns[c])).arg(i);
                QCOMPARE(shown(&f, name), t.rows[i].cell(Column(c)));
            }
            QCOMPARE(control<QCheckBox>(&f, QStringLiteral("Check1_%1").arg(i))->isChecked(),
                     t.rows[i].checked);
            QCOMPARE(base(visitsCell(i)), colours[int(t.rows[i].mark)]);
            marks << QString::number(int(t.rows[i].mark));
        }
        QVERIFY2(marks.contains(QStringLiteral("1")) && marks.contains(QStringLiteral("2")),
                 "the scan read a counter and missed one");
        const SelectionTotals totals = t.selectionTotals();
        QCOMPARE(QStringList({shown(&f, "Text13"), shown(&f, "Text14"), shown(&f, "Text15")}),
                 QStringList({totals.auctions, totals.visits, totals.average}));
        // The hidden fields mirror the session's figures.
        QCOMPARE(QStringList({shown(&f, "Text3"), shown(&f, "Text4"), shown(&f, "Text5"),
                              shown(&f, "Text8")}),
                 QStringList({QString::number(t.figures.countedRows),
                              QString::number(*t.figures.visitTotal), QStringLiteral("smallshop"),
                              formatGroupedPattern(*t.figures.average)}));
        QCOMPARE(shown(&f, "Text11"), ScanSession::taskComplete());
        QCOMPARE(base(control<QLineEdit>(&f, "Text11")), QColor(0, 255, 0));
        QCOMPARE(f.defaultButton(), control<QPushButton>(&f, "Command1"));
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
            watchdog = f.session()->scanRunning();
            f.session()->Inet1->Cancel();
        });
        control<QComboBox>(&f, "Combo1")->setEditText(QStringLiteral("demoseller"));
        press(&f, QStringLiteral("Command1"));
        // Refused while the scan was on the stack, done once the cancelled fetch returned.
        QTRY_COMPARE(closing.count(), 1);
        QVERIFY(!watchdog);
        QVERIFY(!f.isVisible());
    }

    void soldScanAfterSigningIn()
    {
        // Signed in as a seller does: in the sign-in window's browser, whose
        // cookies the downloader shares; Continue starts the scan. Also run as
        // a normal user with the browser's sandbox on (scripts/install-test).
        Form1& f = m_demo->form();
        control<QComboBox>(&f, "Combo1")->setEditText(QString());
        press(&f, QStringLiteral("Option2"));
        QPointer<Form2> signIn = Form2::instance();
        QVERIFY2(signIn, "choosing Sold opens no sign-in window");
        QTRY_VERIFY_WITH_TIMEOUT(signIn->Command1->isEnabled(), 30000);
        signIn->WebBrowser1->page()->runJavaScript(
            QStringLiteral("document.getElementById('userid').value = 'demo';"
                           "document.getElementById('pass').value = 'demo'; SignInForm.submit()"));
        QTRY_VERIFY_WITH_TIMEOUT(signIn->WebBrowser1->title().startsWith(QLatin1String("My eBay")),
                                 30000);

        QSignalSpy finished(&f, &Form1::scanFinished);
        press(signIn, QStringLiteral("Command1"));
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000); // once the window is gone
        QCOMPARE(shown(&f, "Text1_11") + u'|' + shown(&f, "Text16_11"),
                 QStringLiteral("110039812245|Mar-02-2024"));
        QCOMPARE(shown(&f, "Text13") + shown(&f, "Text11"), QStringLiteral("11Task Complete"));
        m_demo->messages().removeAll(Form1::startInstructions()); // back from the sign-in window
        QVERIFY2(m_demo->messages().isEmpty(), qPrintable(m_demo->messages().join(u'|')));
    }

    void soldPageErrorIsAMessage()
    {
        // Not signed in: after three passes the window tells why.
        Form1& f = m_demo->form();
        press(&f, QStringLiteral("Option2"));
        if (Form2* signIn = Form2::instance())
            signIn->close();
        QVERIFY(m_demo->scan(QString()));
        QCOMPARE(m_demo->messages(), QStringList{ScanSession::soldPageError()});
        QCOMPARE(shown(&f, "Text11"), QStringLiteral("Sold Page Error"));
        QCOMPARE(base(control<QLineEdit>(&f, "Text11")), QColor(255, 0, 0));
    }

private:
    void startSite(const QStringList& arguments = {QStringLiteral("--delay-ms"),
                                                   QStringLiteral("20")})
    {
        m_demo.reset(); // first: its folder points the program folder back when it goes
        m_demo = std::make_unique<DemoWindow>(arguments);
        QVERIFY(m_demo->site().isRunning());
    }

    std::unique_ptr<DemoWindow> m_demo;
};

QTEST_MAIN(TestScans)
#include "tst_scans.moc"
