// The real main window's Sold scan against the demo auction site process,
// signed in over HTTP with the downloader's own cookie jar.
#include "main_window/Form1.h"
#include "options/OptionsStore.h"
#include "scan/Form2.h"
#include "transfer/Inet.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

namespace {
struct SoldRow
{
    const char* auction;
    const char* qty;
    const char* price;
    const char* date;
    const char* title;
    int startCount; // -1: no counter
};

const SoldRow DemoSales[12] = {
    {"110039818235", "1", "$18.50", "Mar-14-2024", "Tala Icing Set in Original Box", 61},
    {"110039817688", "1", "$26.00", "Mar-13-2024", "Brass Door Knocker Lion Head", 95},
    {"110039817020", "1", "$7.25", "Mar-12-2024", "Ordnance Survey One Inch Map Lake District", 29},
    {"110039816451", "1", "$12.00", "Mar-11-2024", "Royal Doulton Bunnykins Mug", 48},
    {"110039815894", "1", "$31.00", "Mar-10-2024", "Swiss Army Knife Victorinox Huntsman", 133},
    {"110039815233", "2", "$9.00", "Mar-09-2024", "Wade Whimsies Hedgehog Figure", 76},
    {"", "1", "$4.50", "Mar-09-2024", "Wade Whimsies Hedgehog Figure", -1},
    {"110039814580", "1", "$48.00", "Mar-07-2024", "Parker 51 Fountain Pen Burgundy", 501},
    {"110039814012", "1", "$22.00", "Mar-06-2024", "Guinness Toucan Advertising Ashtray", 389},
    {"110039813366", "1", "$15.50", "Mar-04-2024", "Meccano Magazine Bundle 1958 Twelve Issues", 212},
    {"110039812907", "1", "$11.00", "Mar-03-2024", "Bing and Grondahl Christmas Plate 1962", 54},
    {"110039812245", "1", "$19.99", "Mar-02-2024", "Victorian Silver Plated Napkin Rings Set of 4", 167},
};
} // namespace

class TestSoldScan : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void signedInScanFillsSales();
    void notSignedInEndsAfterThreePasses();
    void stopWhileRefetchingEnds();

private:
    void signIn();
    bool runScan(int timeoutMs = 60000);
    QStringList scanPaths() const; // the scan's own requests, in order

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<DemoSiteProcess> m_site;
    std::unique_ptr<Form1> m_form;
    std::unique_ptr<MessageRecorder> m_messages;
};

void TestSoldScan::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_site = std::make_unique<DemoSiteProcess>(QStringList{QStringLiteral("--delay-ms"), QStringLiteral("10")});
    QVERIFY(m_site->isRunning());
    QVERIFY(m_site->pointOptionsAt(*m_folder));
    m_messages = std::make_unique<MessageRecorder>();
    OptionsStore::discard();
    OptionsStore::loadCounterTryLimit();
    m_form = std::make_unique<Form1>();
    m_form->Timer5->setInterval(10);
    m_form->show();
    // Choosing Sold brings up the sign-in window; these tests sign in over
    // HTTP instead, so it is closed again.
    m_form->Option2->setChecked(true);
    if (Form2* signIn = Form2::instance())
        signIn->close();
}

void TestSoldScan::cleanup()
{
    m_form.reset();
    OptionsStore::discard();
    m_messages.reset();
    m_site.reset();
    m_folder.reset();
}

void TestSoldScan::signIn()
{
    // The same sign-in form a user fills in, posted through the downloader's
    // own network access manager so the session lands in its cookie jar.
    QNetworkAccessManager* nam = m_form->Inet1->networkAccessManager();
    QNetworkRequest request(QUrl(m_site->baseUrl() + QStringLiteral("/signin")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QStringLiteral("application/x-www-form-urlencoded"));
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    QUrlQuery form;
    form.addQueryItem(QStringLiteral("userid"), QStringLiteral("demo"));
    form.addQueryItem(QStringLiteral("pass"), QStringLiteral("demo"));
    QNetworkReply* reply = nam->post(request, form.toString(QUrl::FullyEncoded).toUtf8());
    QSignalSpy done(reply, &QNetworkReply::finished);
    QVERIFY(done.wait(10000));
    QCOMPARE(reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt(), 302);
    reply->deleteLater();
}

bool TestSoldScan::runScan(int timeoutMs)
{
    m_messages->texts.clear();
    QSignalSpy finished(m_form.get(), &Form1::scanFinished);
    m_form->Command1_Click();
    const bool done = finished.wait(timeoutMs);
    // The start instructions may come whenever the window is activated.
    m_messages->texts.removeAll(Form1::startInstructions());
    return done;
}

QStringList TestSoldScan::scanPaths() const
{
    QStringList paths;
    for (const QString& path : m_site->requestedPaths()) {
        if (path == QLatin1String("/sold") || path.startsWith(QLatin1String("/item")))
            paths.append(path);
    }
    return paths;
}

void TestSoldScan::signedInScanFillsSales()
{
    signIn();
    Form1& f = *m_form;
    QVERIFY(runScan());
    QStringList expectedPaths{QStringLiteral("/sold")};
    qint64 visits = 0;
    for (int i = 0; i < 12; ++i) {
        const SoldRow& row = DemoSales[i];
        QCOMPARE(f.Text1[i]->text(), QString::fromLatin1(row.auction));
        QCOMPARE(f.Text18[i]->text(), QString::fromLatin1(row.qty));
        QCOMPARE(f.Text17[i]->text(), QString::fromLatin1(row.price));
        QCOMPARE(f.Text16[i]->text(), QString::fromLatin1(row.date));
        QCOMPARE(f.Text7[i]->text(), QString::fromLatin1(row.title));
        expectedPaths.append(QStringLiteral("/item?id=") + QString::fromLatin1(row.auction));
        if (row.startCount < 0) {
            QVERIFY(f.Text2[i]->text().isEmpty());
            QVERIFY(!f.Check1[i]->isChecked());
            continue;
        }
        QCOMPARE(f.Text2[i]->text(),
                 QStringLiteral("%1").arg(row.startCount + 1, 5, 10, QLatin1Char('0')));
        QVERIFY(f.Check1[i]->isChecked());
        visits += row.startCount + 1;
    }
    for (int i = 12; i < 20; ++i)
        QVERIFY(f.Text1[i]->text().isEmpty());
    QCOMPARE(f.Label7->text(), QStringLiteral("Sale Date"));
    QCOMPARE(f.Label9->text(), QStringLiteral("QTY"));
    QCOMPARE(f.Text13->text(), QStringLiteral("11"));
    QCOMPARE(f.Text14->text(), QString::number(visits));
    QCOMPARE(f.Text4->text(), QString::number(visits));
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), QColor(0, 255, 0));
    QVERIFY(f.Command1->isEnabled());
    QVERIFY(m_messages->texts.isEmpty());
    QCOMPARE(scanPaths(), expectedPaths);
}

void TestSoldScan::notSignedInEndsAfterThreePasses()
{
    Form1& f = *m_form;
    QVERIFY(runScan());
    QCOMPARE(m_messages->texts,
             QStringList{QStringLiteral(
                 "There was an error loading your 'Sold' Page or \r\n"
                 "Can not find Item Number using current search string.\r\n"
                 "Please change Item# search string in the ooptions dialog box")});
    QCOMPARE(scanPaths().count(QStringLiteral("/sold")), 3);
    QCOMPARE(scanPaths().size(), 3);
    QVERIFY(f.Command1->isEnabled());
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
    QCOMPARE(f.Text11->text(), QStringLiteral("Sold Page Error"));
    QCOMPARE(f.Text11->palette().color(QPalette::Base), QColor(255, 0, 0));
}

void TestSoldScan::stopWhileRefetchingEnds()
{
    Form1& f = *m_form;
    int loads = 0;
    connect(f.Text11, &QLineEdit::textChanged, &f, [&](const QString& text) {
        if (text == QLatin1String("Loading Page") && ++loads == 2)
            QTimer::singleShot(0, &f, [&f] { f.Command5_Click(); });
    });
    QVERIFY(runScan());
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    QVERIFY(m_messages->texts.isEmpty());
    // The second fetch was cancelled, maybe before it reached the site; no third.
    QVERIFY(scanPaths().count(QStringLiteral("/sold")) <= 2);
    QCOMPARE(loads, 2);
    QVERIFY(f.Command1->isEnabled());
}

QTEST_MAIN(TestSoldScan)
#include "tst_sold_scan.moc"
