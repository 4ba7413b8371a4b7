// Faults the program meets in the field, against the real main window, a real
// HTTP server on 127.0.0.1 and real files: every case has to end with a clear
// status or message, without a crash or a hang, and without a file lost or
// half-written. The outcome of each case is printed as a table at the end.
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"
#include "transfer/Inet.h"

#include "LoopbackHttpServer.h"
#include "TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSaveFile>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTimer>
#include <QUrlQuery>
#include <QtTest>

#include <cerrno>
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/statvfs.h>
#include <unistd.h>

using Request = LoopbackHttpServer::Request;
using Answer = LoopbackHttpServer::Answer;
using Files = QMap<QString, QByteArray>;

// What a misbehaving server does with one request.
enum class Serve
{
    Refused,
    Stall,
    CloseMidBody,
    HugeDeclared,
    HugeStreamed,
    RedirectLoop,
    NotFound,
    ServerError,
    Garbage,
    BadUtf8,
    ManyMatches,
    ManyOpenMarkers,
};
Q_DECLARE_METATYPE(Serve)

enum class StopAt
{
    Idle,
    StartDelay,
    ListingFetch,
    ListingBody,
    VisitFetch,
    Retry,
};
Q_DECLARE_METATYPE(StopAt)

enum class Broken
{
    Missing,
    Empty,
    Garbage,
    PlainText,
    HalfWritten,
    Directory,
};
Q_DECLARE_METATYPE(Broken)

enum class Unwritable
{
    ReadOnlyMount,
    FullDisk,
};
Q_DECLARE_METATYPE(Unwritable)

namespace {

constexpr int StallMs = 300;
constexpr int ScanTimeoutMs = 30000;
constexpr qint64 MiB = 1024 * 1024;
#ifdef __SANITIZE_ADDRESS__
constexpr qint64 BodyLimit = 8 * MiB; // the same paths, with data sized for the sanitizers (the 5 MB pages fit)
#else
constexpr qint64 BodyLimit = 64 * MiB; // the downloader's own
#endif
constexpr qint64 Huge = BodyLimit * 3 / 2;

struct MatrixRow
{
    QString fault;
    QString phase;
    QString outcome;
    QString status;
};

QList<MatrixRow>& matrix()
{
    static QList<MatrixRow> rows;
    return rows;
}

QByteArray itemNumber(int i)
{
    return QByteArray::number(110000010000LL + i); // 12 digits, as the auction marker takes
}

QByteArray counterText(int i)
{
    return QByteArray::number(100 + i).rightJustified(5, '0');
}

QByteArray listingRow(int i, const QByteArray& title)
{
    const QByteArray n = QByteArray::number(i);
    QByteArray row =
        "<tr class=\"lst\"><td class=\"desc\"><a href=\"/ws/eBayISAPI.dll?ViewItem&rd=1&item=" +
        itemNumber(i) + "\" id=\"r" + n + "\"><span class=\"ttl\">" + title +
        "</span></a></td>\n<td class=\"bids\">" + QByteArray::number(i % 7) +
        "</td>\n<td class=\"price\">$" + n + ".50</td>\n<td class=\"bin\">$" + n +
        "9.00</td>\n<td class=\"timeleft\">" + QByteArray::number(i % 5) + "d 07h</td>\n</tr>\n";
    // The scan steps 325 past each auction number, so rows stand 500 apart.
    row += "<!--" + QByteArray(qMax(0, 493 - int(row.size())), '.') + "-->\n";
    return row;
}

QByteArray pageHead()
{
    // The scan starts at character 2000.
    return "<html><head><title>Items for sale</title></head><body>\n<!--" + QByteArray(2600, '=') +
           "-->\n<table>\n";
}

QByteArray listingPage(int rows, bool badUtf8 = false)
{
    QByteArray html = pageHead();
    for (int i = 0; i < rows; ++i) {
        const QByteArray title = "Listing " + QByteArray::number(i);
        // A lone continuation byte, a cut two-byte sequence and 0xFF.
        html += listingRow(i, badUtf8 ? "Caf\xC3\x28 \x80\xFF " + title : title);
    }
    return html + "</table></body></html>\n";
}

QByteArray itemPage(int i, bool badUtf8 = false)
{
    return "<html><body><h1>Item " + itemNumber(i) + (badUtf8 ? " \xE2\x82 \xFF\xFE" : "") +
           "</h1>\n<!--" + QByteArray(1000, '.') + "-->\n<p>Page views: <font class=\"counter\">" +
           counterText(i) + "</font></p></body></html>\n";
}

// 5 MB: 10,000 near misses of the counter marker before the real one.
QByteArray crowdedItemPage(int i)
{
    QByteArray html = "<html><body>\n";
    const QByteArray miss = "<font class=\"countr\">00000</font>" + QByteArray(467, ' ') + '\n';
    for (int k = 0; k < 10000; ++k)
        html += miss;
    return html + "<font class=\"counter\">" + counterText(i) + "</font></body></html>\n";
}

// 5 MB: 10,000 auction-number markers that never close.
QByteArray openMarkerPage()
{
    QByteArray html = pageHead();
    const QByteArray open = "<a href=\"?ViewItem&rd=1&item=" + QByteArray(470, '7') + "\">\n";
    for (int k = 0; k < 10000; ++k)
        html += open;
    return html + "</body></html>\n";
}

QByteArray garbage(qsizetype size)
{
    QRandomGenerator random(20240601);
    QByteArray bytes(size, Qt::Uninitialized);
    for (char& b : bytes)
        b = char(random.bounded(256));
    return bytes;
}

quint16 refusedPort()
{
    QTcpServer closed;
    closed.listen(QHostAddress::LocalHost, 0);
    return closed.serverPort(); // closed again when this returns
}

bool writeOption(const QString& path, const QString& text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(RtfCodec::write(text)) >= 0 &&
           file.commit();
}

std::optional<QString> readOption(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return RtfCodec::read(file.readAll());
}

QStringList optionFileNames()
{
    QStringList names{QStringLiteral("Options.rtf"), QStringLiteral("Options1.rtf")};
    for (const char* stem : {"Config1", "Config2", "Config5", "Config6"}) {
        for (int r = 0; r < Form4::rows; ++r)
            names << QLatin1String(stem) + QString::number(r) + QLatin1String(".rtf");
    }
    return names;
}

// Every file of the folder with its bytes; a directory shows as "<dir>".
Files snapshot(const QString& folder)
{
    Files files;
    const QDir dir(folder);
    for (const QFileInfo& info :
         dir.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot)) {
        if (info.isDir()) {
            files.insert(info.fileName(), "<dir>");
            continue;
        }
        QFile file(info.filePath());
        files.insert(info.fileName(),
                     file.open(QIODevice::ReadOnly) ? file.readAll() : "<unreadable>");
    }
    return files;
}

int filledRows(const Form1& f)
{
    int n = 0;
    for (const QLineEdit* cell : f.Text1)
        n += cell->text().isEmpty() ? 0 : 1;
    return n;
}

int readVisits(const Form1& f)
{
    int n = 0;
    for (const QCheckBox* box : f.Check1)
        n += box->isChecked() ? 1 : 0;
    return n;
}

QString colourName(const QColor& c)
{
    if (c == QColor(0, 255, 0))
        return QStringLiteral("green");
    if (c == QColor(255, 0, 0))
        return QStringLiteral("red");
    if (c == QColor(255, 255, 0))
        return QStringLiteral("yellow");
    return QStringLiteral("plain");
}

QString statusOf(const Form1& f)
{
    return QLatin1Char('"') + f.Text11->text() + QStringLiteral("\" on ") +
           colourName(f.Text11->palette().color(QPalette::Base));
}

void record(const QString& fault, const QString& phase, const QString& outcome,
            const QString& status)
{
    matrix().append({fault, phase, outcome, status});
}

// A mount that is undone however the test ends.
struct Mount
{
    QString path;
    bool mounted = false;
    ~Mount()
    {
        if (mounted)
            ::umount2(QFile::encodeName(path).constData(), MNT_DETACH);
    }
};

// Fills a file system to the last byte.
bool fillUp(const QString& path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0)
        return false;
    const QByteArray block(4096, 'f');
    while (::write(fd, block.constData(), size_t(block.size())) > 0) {
    }
    while (::write(fd, "f", 1) > 0) {
    }
    const bool full = errno == ENOSPC;
    ::close(fd);
    struct statvfs fs;
    return full && ::statvfs(QFile::encodeName(QFileInfo(path).path()).constData(), &fs) == 0 &&
           fs.f_bavail == 0;
}

} // namespace

class TestFaultMatrix : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanup();
    void cleanupTestCase();

    void listingFaults_data();
    void listingFaults();
    void visitFaults_data();
    void visitFaults();
    void stopAtEveryPhase_data();
    void stopAtEveryPhase();
    void brokenOptionFiles_data();
    void brokenOptionFiles();
    void brokenUserFile_data();
    void brokenUserFile();
    void unwritableFolder_data();
    void unwritableFolder();

private:
    struct ScanRun
    {
        bool finished = false;
        qint64 ms = 0;
        QStringList statuses; // every status shown, repeats folded
    };

    // The main window's start-up, from the program's folder.
    void startProgram();
    void pointAt(const QString& listingBase, const QString& itemBase);
    void serveSite(int listingRows);
    ScanRun runScan();
    void verifyEndedCleanly(const ScanRun& run);
    void verifyRowsAsServed(int rows);
    QString outcome(const ScanRun& run) const;
    int itemFetches(int i) const;
    QStringList messagesWith(const QString& part) const;

    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<LoopbackHttpServer> m_server;
    std::unique_ptr<Form1> m_form;
};

void TestFaultMatrix::initTestCase()
{
    // Message boxes are recorded for the whole run: a real one would block.
    m_messages = std::make_unique<MessageRecorder>();
}

void TestFaultMatrix::cleanup()
{
    m_form.reset();
    OptionsStore::discard();
    OptionsStore::setCounterTryLimit(2);
    m_server.reset();
    m_folder.reset();
    m_messages->texts.clear();
}

void TestFaultMatrix::cleanupTestCase()
{
    const auto width = [](auto member) {
        int w = 0;
        for (const MatrixRow& row : matrix())
            w = qMax(w, int((row.*member).size()));
        return w;
    };
    const int wf = width(&MatrixRow::fault);
    const int wp = width(&MatrixRow::phase);
    const int wo = width(&MatrixRow::outcome);
    qInfo("%s", qPrintable(QStringLiteral("FAULT MATRIX (%1 cases)").arg(matrix().size())));
    const auto line = [&](const QString& a, const QString& b, const QString& c, const QString& d) {
        qInfo("%s",
              qPrintable(a.leftJustified(wf) + QStringLiteral(" | ") + b.leftJustified(wp) +
                         QStringLiteral(" | ") + c.leftJustified(wo) + QStringLiteral(" | ") + d));
    };
    line(QStringLiteral("fault"), QStringLiteral("phase"), QStringLiteral("outcome"),
         QStringLiteral("status text / message"));
    for (const MatrixRow& row : matrix())
        line(row.fault, row.phase, row.outcome, row.status);
}

void TestFaultMatrix::startProgram()
{
    OptionsStore::discard();
    OptionsStore::setCounterTryLimit(2); // the limit the program starts with
    m_form = std::make_unique<Form1>();
    m_form->Timer5->setInterval(10);
    m_form->Inet1->setStallTimeout(StallMs);
    m_form->Inet1->setMaxBodyBytes(BodyLimit);
    m_form->Form_Load();
    m_form->show();
}

void TestFaultMatrix::pointAt(const QString& listingBase, const QString& itemBase)
{
    QVERIFY(writeOption(m_folder->file(QStringLiteral("Config18.rtf")),
                        listingBase + QStringLiteral("/seller?user=")));
    QVERIFY(writeOption(m_folder->file(QStringLiteral("Config58.rtf")), QString()));
    QVERIFY(writeOption(m_folder->file(QStringLiteral("Config28.rtf")),
                        itemBase + QStringLiteral("/item?id=")));
    QVERIFY(writeOption(m_folder->file(QStringLiteral("Config68.rtf")), QString()));
}

// A well-behaved site: the listing with `listingRows` rows and every item page.
void TestFaultMatrix::serveSite(int listingRows)
{
    m_server = std::make_unique<LoopbackHttpServer>();
    m_server->route(QStringLiteral("/seller"), LoopbackHttpServer::page(listingPage(listingRows)));
    m_server->route(QStringLiteral("/item"), [](const Request& request) {
        const QByteArray id =
            QUrlQuery(request.query).queryItemValue(QStringLiteral("id")).toLatin1();
        return Answer{200, itemPage(int(id.toLongLong() - itemNumber(0).toLongLong()))};
    });
    m_server->route(QStringLiteral("/loop-a"),
                    [](const Request&) { return LoopbackHttpServer::redirect("/loop-b"); });
    m_server->route(QStringLiteral("/loop-b"),
                    [](const Request&) { return LoopbackHttpServer::redirect("/loop-a"); });
    const QString base = m_server->url(QStringLiteral("/")).toString().chopped(1);
    pointAt(base, base);
}

TestFaultMatrix::ScanRun TestFaultMatrix::runScan()
{
    Form1& f = *m_form;
    ScanRun run;
    const auto watch =
        connect(f.Text11, &QLineEdit::textChanged, this, [&run](const QString& text) {
            if (run.statuses.isEmpty() || run.statuses.last() != text)
                run.statuses.append(text);
        });
    QSignalSpy finished(&f, &Form1::scanFinished);
    QElapsedTimer clock;
    clock.start();
    f.Combo1->setEditText(QStringLiteral("faulty"));
    f.Command1_Click();
    run.finished = finished.wait(ScanTimeoutMs);
    run.ms = clock.elapsed();
    disconnect(watch);
    return run;
}

void TestFaultMatrix::verifyEndedCleanly(const ScanRun& run)
{
    const Form1& f = *m_form;
    QVERIFY2(run.finished, "the scan did not end");
    QVERIFY(!f.scanRunning());
    QVERIFY(!f.Inet1->StillExecuting());
    QVERIFY(f.Command1->isEnabled());
    QCOMPARE(f.cursor().shape(), Qt::ArrowCursor);
    QVERIFY(!f.Text11->text().isEmpty());
}

// Every row the scan filled is the served listing's row, and every counter
// it read is that item's.
void TestFaultMatrix::verifyRowsAsServed(int rows)
{
    const Form1& f = *m_form;
    QCOMPARE(filledRows(f), rows);
    for (int i = 0; i < rows; ++i) {
        QCOMPARE(f.Text1[i]->text().toLatin1(), itemNumber(i));
        QVERIFY2(f.Text7[i]->text().endsWith(QStringLiteral("Listing ") + QString::number(i)),
                 qPrintable(f.Text7[i]->text()));
        QCOMPARE(f.Text16[i]->text(), QStringLiteral("%1d 07h").arg(i % 5));
        if (f.Check1[i]->isChecked())
            QCOMPARE(f.Text2[i]->text().toLatin1(), counterText(i));
        else
            QVERIFY2(f.Text2[i]->text().isEmpty(), qPrintable(f.Text2[i]->text()));
    }
}

QString TestFaultMatrix::outcome(const ScanRun& run) const
{
    if (!run.finished)
        return QStringLiteral("HUNG");
    QString text = QStringLiteral("%1 rows, %2 visits, %3 s")
                       .arg(filledRows(*m_form))
                       .arg(readVisits(*m_form))
                       .arg(run.ms / 1000.0, 0, 'f', 2);
    if (run.statuses.contains(QStringLiteral("Internet Error")))
        text += QStringLiteral(", Internet Error shown");
    if (run.statuses.contains(QStringLiteral("Stopped")))
        text += QStringLiteral(", Stopped shown");
    return text;
}

int TestFaultMatrix::itemFetches(int i) const
{
    int n = 0;
    for (const Request& request : m_server->requests()) {
        if (request.path == QLatin1String("/item") &&
            QUrlQuery(request.query).queryItemValue(QStringLiteral("id")).toLatin1() ==
                itemNumber(i))
            ++n;
    }
    return n;
}

QStringList TestFaultMatrix::messagesWith(const QString& part) const
{
    QStringList found;
    for (const QString& text : m_messages->texts) {
        if (text.contains(part, Qt::CaseInsensitive))
            found << text;
    }
    return found;
}

namespace {

// Answers one request the way `serve` says; `page` is the good answer, cut at
// `cut` when the connection closes mid-body.
Answer misbehave(Serve serve, const QByteArray& page, qsizetype cut)
{
    switch (serve) {
    case Serve::Refused:
    case Serve::Stall:
        return Answer().never();
    case Serve::CloseMidBody:
        return Answer{200, page}.cut(cut, true);
    case Serve::HugeDeclared:
        return Answer().fill(Huge, false);
    case Serve::HugeStreamed:
        return Answer().fill(Huge, true);
    case Serve::RedirectLoop:
        return LoopbackHttpServer::redirect("/loop-a");
    case Serve::NotFound:
        return Answer{404, "<html><body><h1>Not Found</h1></body></html>"};
    case Serve::ServerError:
        return Answer{500, "<html><body><h1>Internal Server Error</h1></body></html>"};
    case Serve::Garbage:
        return Answer{200, garbage(MiB), {{"Content-Type", "application/octet-stream"}}};
    case Serve::BadUtf8:
    case Serve::ManyMatches:
    case Serve::ManyOpenMarkers:
        break;
    }
    return Answer{200, page, {{"Content-Type", "text/html; charset=utf-8"}}};
}

} // namespace

void TestFaultMatrix::listingFaults_data()
{
    QTest::addColumn<Serve>("serve");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("transferError");

    QTest::newRow("connection refused") << Serve::Refused << 0 << true;
    QTest::newRow("accepts, never answers") << Serve::Stall << 0 << true;
    // The first five rows arrived whole; the scan works with what it got.
    QTest::newRow("closes mid-body") << Serve::CloseMidBody << 5 << true;
    QTest::newRow("too large, with Content-Length") << Serve::HugeDeclared << 0 << true;
    QTest::newRow("too large, chunked") << Serve::HugeStreamed << 0 << true;
    QTest::newRow("redirect loop") << Serve::RedirectLoop << 0 << true;
    QTest::newRow("404") << Serve::NotFound << 0 << true;
    QTest::newRow("500") << Serve::ServerError << 0 << true;
    QTest::newRow("1 MB binary garbage") << Serve::Garbage << 0 << false;
    QTest::newRow("invalid UTF-8") << Serve::BadUtf8 << 20 << false;
    QTest::newRow("5 MB, 10,000 listings") << Serve::ManyMatches << 20 << false;
    QTest::newRow("5 MB, 10,000 unclosed markers") << Serve::ManyOpenMarkers << 0 << false;
}

void TestFaultMatrix::listingFaults()
{
    QFETCH(Serve, serve);
    QFETCH(int, rows);
    QFETCH(bool, transferError);

    m_folder = std::make_unique<TempProgramFolder>();
    serveSite(20);
    const QByteArray page = serve == Serve::BadUtf8           ? listingPage(20, true)
                            : serve == Serve::ManyMatches     ? listingPage(10000)
                            : serve == Serve::ManyOpenMarkers ? openMarkerPage()
                                                              : listingPage(20);
    const qsizetype cut = pageHead().size() + 5 * listingRow(0, "Listing 0").size() + 40;
    m_server->route(QStringLiteral("/seller"),
                    [serve, page, cut](const Request&) { return misbehave(serve, page, cut); });
    if (serve == Serve::Refused) {
        const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(refusedPort());
        pointAt(refused, m_server->url(QStringLiteral("/")).toString().chopped(1));
    }
    startProgram();
    const Files before = snapshot(m_folder->path());

    const ScanRun run = runScan();
    record(QString::fromLatin1(QTest::currentDataTag()), QStringLiteral("listing fetch"),
           outcome(run), statusOf(*m_form));
    verifyEndedCleanly(run);
    verifyRowsAsServed(rows);
    QCOMPARE(readVisits(*m_form), rows);
    QCOMPARE(run.statuses.contains(QStringLiteral("Internet Error")), transferError);
    if (serve == Serve::BadUtf8)
        QVERIFY(m_form->Text7[0]->text().contains(QChar::ReplacementCharacter));
    // A listing page that failed to arrive whole is not a completed task.
    QCOMPARE(m_form->Text11->text(),
             transferError ? QStringLiteral("Internet Error") : QStringLiteral("Task Complete"));
    QCOMPARE(m_form->Text11->palette().color(QPalette::Base),
             transferError ? QColor(255, 0, 0) : QColor(0, 255, 0));
    QCOMPARE(snapshot(m_folder->path()), before);
}

void TestFaultMatrix::visitFaults_data()
{
    QTest::addColumn<Serve>("serve");
    QTest::addColumn<int>("visits");
    QTest::addColumn<bool>("transferError");

    // The second of three item pages misbehaves (every page, when refused).
    QTest::newRow("connection refused") << Serve::Refused << 0 << true;
    QTest::newRow("accepts, never answers") << Serve::Stall << 2 << true;
    QTest::newRow("closes mid-body") << Serve::CloseMidBody << 2 << true;
    QTest::newRow("too large, with Content-Length") << Serve::HugeDeclared << 2 << true;
    QTest::newRow("too large, chunked") << Serve::HugeStreamed << 2 << true;
    QTest::newRow("redirect loop") << Serve::RedirectLoop << 2 << true;
    QTest::newRow("404") << Serve::NotFound << 2 << true;
    QTest::newRow("500") << Serve::ServerError << 2 << true;
    QTest::newRow("1 MB binary garbage") << Serve::Garbage << 2 << false;
    QTest::newRow("invalid UTF-8") << Serve::BadUtf8 << 3 << false;
    QTest::newRow("5 MB, 10,000 near misses") << Serve::ManyMatches << 3 << false;
}

void TestFaultMatrix::visitFaults()
{
    QFETCH(Serve, serve);
    QFETCH(int, visits);
    QFETCH(bool, transferError);

    m_folder = std::make_unique<TempProgramFolder>();
    serveSite(3);
    const QByteArray page = serve == Serve::BadUtf8       ? itemPage(1, true)
                            : serve == Serve::ManyMatches ? crowdedItemPage(1)
                                                          : itemPage(1);
    const qsizetype cut = page.indexOf("<font");
    m_server->route(
        QStringLiteral("/item"), [serve, page, cut](const Request& request) {
            const QByteArray id =
                QUrlQuery(request.query).queryItemValue(QStringLiteral("id")).toLatin1();
            if (id == itemNumber(1))
                return misbehave(serve, page, cut);
            return Answer{200, itemPage(int(id.toLongLong() - itemNumber(0).toLongLong()))};
        });
    if (serve == Serve::Refused) {
        const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(refusedPort());
        pointAt(m_server->url(QStringLiteral("/")).toString().chopped(1), refused);
    }
    startProgram();
    const Files before = snapshot(m_folder->path());

    const ScanRun run = runScan();
    record(QString::fromLatin1(QTest::currentDataTag()), QStringLiteral("visit fetch"),
           outcome(run), statusOf(*m_form));
    verifyEndedCleanly(run);
    verifyRowsAsServed(3);
    QCOMPARE(readVisits(*m_form), visits);
    QCOMPARE(run.statuses.contains(QStringLiteral("Internet Error")), transferError);
    if (serve != Serve::Refused) {
        // The scan carried on past the bad page, and never fetched it twice.
        QCOMPARE(itemFetches(1), 1);
        QCOMPARE(itemFetches(2), 1);
        QVERIFY(m_form->Check1[2]->isChecked());
    }
    QCOMPARE(m_form->Text11->text(), QStringLiteral("Task Complete"));
    QCOMPARE(m_form->Text4->text(), QString::number(visits == 0   ? 0
                                                    : visits == 3 ? 100 + 101 + 102
                                                                  : 100 + 102));
    QCOMPARE(snapshot(m_folder->path()), before);
}

void TestFaultMatrix::stopAtEveryPhase_data()
{
    QTest::addColumn<StopAt>("stopAt");
    QTest::addColumn<bool>("scans");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("visits");

    QTest::newRow("idle") << StopAt::Idle << false << 0 << 0;
    QTest::newRow("start delay") << StopAt::StartDelay << false << 0 << 0;
    QTest::newRow("listing fetch, no answer yet") << StopAt::ListingFetch << true << 0 << 0;
    QTest::newRow("listing fetch, body arriving") << StopAt::ListingBody << true << 0 << 0;
    QTest::newRow("visit fetch") << StopAt::VisitFetch << true << 3 << 1;
    QTest::newRow("between counter retries") << StopAt::Retry << true << 3 << 0;
}

void TestFaultMatrix::stopAtEveryPhase()
{
    QFETCH(StopAt, stopAt);
    QFETCH(bool, scans);
    QFETCH(int, rows);
    QFETCH(int, visits);

    m_folder = std::make_unique<TempProgramFolder>();
    serveSite(3);
    const auto pressStop = [this] {
        QTimer::singleShot(0, m_form.get(),
                           [this] { QTest::mouseClick(m_form->Command5, Qt::LeftButton); });
    };
    switch (stopAt) {
    case StopAt::ListingFetch:
        m_server->route(QStringLiteral("/seller"), [pressStop](const Request&) {
            pressStop();
            return Answer().never();
        });
        break;
    case StopAt::ListingBody:
        m_server->route(QStringLiteral("/seller"), [this, pressStop](const Request&) {
            QTimer::singleShot(150, m_form.get(), pressStop);
            return Answer{200, listingPage(3)}.inPieces(256, 20);
        });
        break;
    case StopAt::VisitFetch:
        m_server->route(QStringLiteral("/item"), [pressStop](const Request& request) {
            const int i =
                int(QUrlQuery(request.query).queryItemValue(QStringLiteral("id")).toLongLong() -
                    itemNumber(0).toLongLong());
            if (i != 1)
                return Answer{200, itemPage(i)};
            pressStop();
            return Answer().never();
        });
        break;
    case StopAt::Retry:
        // A counter search that starts below character 35 misses at once on a
        // page without a counter, and tries again while tries are left.
        QVERIFY(writeOption(m_folder->file(QStringLiteral("Options1.rtf")), QStringLiteral("1")));
        QVERIFY(writeOption(m_folder->file(QStringLiteral("Options.rtf")), QStringLiteral("3")));
        m_server->route(QStringLiteral("/item"), [this, pressStop](const Request&) {
            if (itemFetches(0) != 2)
                return Answer{200, "<html><body>no counter here</body></html>"};
            pressStop();
            return Answer().never();
        });
        break;
    default:
        break;
    }
    startProgram();
    Form1& f = *m_form;
    // With the stall limit far off, only Stop can end a fetch that never answers.
    f.Inet1->setStallTimeout(60000);
    QSignalSpy started(&f, &Form1::scanStarted);
    ScanRun run;

    if (stopAt == StopAt::Idle || stopAt == StopAt::StartDelay) {
        f.Timer5->setInterval(300);
        if (stopAt == StopAt::StartDelay) {
            f.Combo1->setEditText(QStringLiteral("faulty"));
            f.Command1_Click();
            QCOMPARE(f.Text11->text(), QStringLiteral("Loading ...."));
        }
        QTest::mouseClick(f.Command5, Qt::LeftButton);
        QTest::qWait(600); // twice the start delay
        run.finished = true;
        record(QStringLiteral("Stop"),
               QString::fromLatin1(stopAt == StopAt::Idle ? "idle" : "start delay"),
               started.isEmpty() ? QStringLiteral("no scan started")
                                 : QStringLiteral("a scan started"),
               statusOf(f));
        QCOMPARE(started.count(), 0);
        QCOMPARE(f.Text11->text(), QStringLiteral("Stopped"));
        QVERIFY(f.Command1->isEnabled());
        QVERIFY(m_server->requests().isEmpty());
        return;
    }

    run = runScan();
    record(QStringLiteral("Stop"), QString::fromLatin1(QTest::currentDataTag()), outcome(run),
           statusOf(f));
    verifyEndedCleanly(run);
    QCOMPARE(started.count(), int(scans));
    QVERIFY(run.statuses.contains(QStringLiteral("Stopped")));
    QCOMPARE(filledRows(f), rows);
    QCOMPARE(readVisits(f), visits);
    QCOMPARE(f.Text12->text(), QStringLiteral("stop"));
    switch (stopAt) {
    case StopAt::VisitFetch:
        QCOMPARE(itemFetches(2), 0);
        QVERIFY(f.Check1[0]->isChecked());
        QVERIFY(f.Text2[1]->text().isEmpty());
        break;
    case StopAt::Retry:
        QCOMPARE(itemFetches(0), 2);
        QCOMPARE(itemFetches(1), 0);
        // The cell tells that the stopped read was about to try again.
        QCOMPARE(f.Text2[0]->text(), QStringLiteral("Retry"));
        break;
    default:
        QCOMPARE(m_server->requests().size(), 1);
        break;
    }
    // Stop ends the scan through its usual ending.
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    // A new search after Stop runs to the end.
    if (stopAt == StopAt::VisitFetch || stopAt == StopAt::Retry)
        return;
    m_server->route(QStringLiteral("/seller"), LoopbackHttpServer::page(listingPage(3)));
    const ScanRun again = runScan();
    verifyEndedCleanly(again);
    verifyRowsAsServed(3);
    QCOMPARE(readVisits(f), 3);
}

namespace {

bool breakFile(const QString& path, Broken broken)
{
    QFile file(path);
    QByteArray installed;
    if (file.open(QIODevice::ReadOnly))
        installed = file.readAll();
    file.close();
    if (!QFile::remove(path))
        return false;
    switch (broken) {
    case Broken::Missing:
        return true;
    case Broken::Directory:
        return QDir().mkdir(path);
    default:
        break;
    }
    const QByteArray bytes =
        broken == Broken::Empty     ? QByteArray()
        : broken == Broken::Garbage ? garbage(3000)
        : broken == Broken::PlainText
            ? QByteArray("<td class=\"price\">\r\n")
            : installed.left(qMax<qsizetype>(0, installed.lastIndexOf("\\par") - 3));
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QString builtInText(const QString& fileName)
{
    if (fileName == QLatin1String("Options.rtf"))
        return QStringLiteral("2");
    if (fileName == QLatin1String("Options1.rtf"))
        return QStringLiteral("800");
    // Before-strings are a blank, after-strings empty.
    return fileName.startsWith(QLatin1String("Config1")) ||
                   fileName.startsWith(QLatin1String("Config2"))
               ? QStringLiteral(" ")
               : QString();
}

RichTextHolder* holderFor(Form4* f, const QString& fileName)
{
    if (fileName == QLatin1String("Options.rtf"))
        return f->RTBtry;
    if (fileName == QLatin1String("Options1.rtf"))
        return f->RTB3;
    const int row = fileName.mid(7, 1).toInt();
    switch (fileName.at(6).unicode()) {
    case '1':
        return f->RichTextBox1[row];
    case '2':
        return f->RichTextBox2[row];
    case '5':
        return f->RichTextBox5[row];
    default:
        return f->RichTextBox6[row];
    }
}

} // namespace

void TestFaultMatrix::brokenOptionFiles_data()
{
    QTest::addColumn<Broken>("broken");
    QTest::newRow("missing") << Broken::Missing;
    QTest::newRow("empty (0 bytes)") << Broken::Empty;
    QTest::newRow("binary garbage") << Broken::Garbage;
    QTest::newRow("plain text, not RTF") << Broken::PlainText;
    QTest::newRow("half-written RTF") << Broken::HalfWritten;
    QTest::newRow("a directory in their place") << Broken::Directory;
}

void TestFaultMatrix::brokenOptionFiles()
{
    QFETCH(Broken, broken);

    m_folder = std::make_unique<TempProgramFolder>();
    // Whatever address survives a half-written file leads nowhere.
    const QString refused = QStringLiteral("http://127.0.0.1:%1").arg(refusedPort());
    pointAt(refused, refused);
    Files installed;
    for (const QString& name : optionFileNames()) {
        const std::optional<QString> text = readOption(m_folder->file(name));
        QVERIFY2(text, qPrintable(name));
        installed.insert(name, text->toUtf8());
        QVERIFY2(breakFile(m_folder->file(name), broken), qPrintable(name));
    }

    startProgram();
    Form4* store = OptionsStore::form();
    for (const QString& name : optionFileNames()) {
        const QString text = holderFor(store, name)->Text();
        if (broken == Broken::HalfWritten) // whatever was whole, or the built-in text
            QVERIFY2(text == builtInText(name) ||
                         QString::fromUtf8(installed[name]).startsWith(text),
                     qPrintable(name + QStringLiteral(": ") + text));
        else
            QCOMPARE(text, builtInText(name));
    }
    // A count that could not be read leaves the limit the program starts with.
    const std::optional<qint16> limit =
        OptionsStore::counterTryLimitFromText(store->RTBtry->Text());
    QCOMPARE(OptionsStore::counterTryLimit(),
             broken == Broken::HalfWritten && limit ? *limit : qint16(2));

    // A search with whatever was read ends like any other.
    const ScanRun run = runScan();
    verifyEndedCleanly(run);
    QCOMPARE(filledRows(*m_form), 0);

    // Save writes every file again, or says which it could not write.
    QMap<QString, QString> saved;
    for (const QString& name : optionFileNames())
        saved.insert(name, holderFor(store, name)->Text());
    store->Command1_Click();
    const QStringList failures = messagesWith(QStringLiteral("could not be saved"));
    QString result;
    if (broken == Broken::Directory) {
        QCOMPARE(failures.size(), 1);
        for (const QString& name : optionFileNames()) {
            QVERIFY2(failures.first().contains(name), qPrintable(name));
            QVERIFY(QFileInfo(m_folder->file(name)).isDir());
        }
        QVERIFY(OptionsStore::isLoaded()); // the window stays with the edits
        result = QStringLiteral("built-in texts; Save refused for all 38 files");
    } else {
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        for (const QString& name : optionFileNames())
            QCOMPARE(readOption(m_folder->file(name)), std::optional<QString>(saved[name]));
        QVERIFY(!OptionsStore::isLoaded());
        result = broken == Broken::HalfWritten
                     ? QStringLiteral("texts cut short (count \"%1\", try limit %2); Save kept "
                                      "Options.rtf, rewrote 37")
                           .arg(saved[QStringLiteral("Options.rtf")])
                           .arg(OptionsStore::counterTryLimit())
                     : QStringLiteral("built-in texts; Save rewrote 38 files");
    }
    // Nothing beside the option files: no temporary file left behind.
    const QStringList left =
        QDir(m_folder->path()).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString& name : left)
        QVERIFY2(name.endsWith(QLatin1String(".rtf")), qPrintable(name));
    record(QStringLiteral("option files ") + QString::fromLatin1(QTest::currentDataTag()),
           QStringLiteral("start-up, Save"), result,
           m_messages->texts.isEmpty()
               ? QStringLiteral("no message; the scan ended on ") + statusOf(*m_form)
               : QStringLiteral("message: ") + m_messages->texts.last().section(u'\n', 0, 0));
}

void TestFaultMatrix::brokenUserFile_data()
{
    QTest::addColumn<Broken>("broken");
    QTest::newRow("missing") << Broken::Missing;
    QTest::newRow("empty (0 bytes)") << Broken::Empty;
    QTest::newRow("binary garbage") << Broken::Garbage;
    QTest::newRow("a directory in its place") << Broken::Directory;
}

void TestFaultMatrix::brokenUserFile()
{
    QFETCH(Broken, broken);

    m_folder = std::make_unique<TempProgramFolder>();
    const QString path = m_folder->file(QStringLiteral("User.rtf"));
    QVERIFY(writeOption(path, QStringLiteral("alice,")));
    QVERIFY(breakFile(path, broken));

    startProgram();
    Form1& f = *m_form;
    QCOMPARE(messagesWith(QStringLiteral("error in LoadUsers")).size(), 1);
    QCOMPARE(f.Combo1->count(), 0);

    const Files before = snapshot(m_folder->path());
    f.Combo1->setEditText(QStringLiteral("bob"));
    f.Command4_Click();
    // Only a missing or empty file may be written: any other may hold IDs.
    const QStringList failures = messagesWith(QStringLiteral("User.rtf could not be read"));
    if (broken == Broken::Missing || broken == Broken::Empty) {
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
        QCOMPARE(readOption(path), std::optional<QString>(QStringLiteral("bob,")));
        QCOMPARE(f.Combo1->count(), 1);
    } else {
        QCOMPARE(failures.size(), 1);
        QCOMPARE(snapshot(m_folder->path()), before);
    }
    record(QStringLiteral("User.rtf ") + QString::fromLatin1(QTest::currentDataTag()),
           QStringLiteral("start-up, Save User"),
           failures.isEmpty() ? QStringLiteral("empty list; Save User wrote \"bob,\"")
                              : QStringLiteral("empty list; Save User left the file"),
           QStringLiteral("message: ") +
               (failures.isEmpty() ? QStringLiteral("error in LoadUsers") : failures.first()));
}

void TestFaultMatrix::unwritableFolder_data()
{
    QTest::addColumn<Unwritable>("how");
    QTest::addColumn<bool>("options"); // Save in the Options window, else Save User
    QTest::newRow("read-only mount, Save") << Unwritable::ReadOnlyMount << true;
    QTest::newRow("read-only mount, Save User") << Unwritable::ReadOnlyMount << false;
    QTest::newRow("full disk, Save") << Unwritable::FullDisk << true;
    QTest::newRow("full disk, Save User") << Unwritable::FullDisk << false;
}

// Root writes through file modes, so the folder is made unwritable by the
// file system itself: a read-only bind mount of it, or a small tmpfs filled
// to the last byte.
void TestFaultMatrix::unwritableFolder()
{
    QFETCH(Unwritable, how);
    QFETCH(bool, options);

    m_folder = std::make_unique<TempProgramFolder>(how == Unwritable::ReadOnlyMount);
    const QString folder = m_folder->path();
    const QByteArray target = QFile::encodeName(folder);
    Mount mount{folder};
    if (how == Unwritable::FullDisk) {
        if (::mount("tmpfs", target.constData(), "tmpfs", 0, "size=256k") != 0)
            QSKIP(qPrintable(QStringLiteral("tmpfs mount not permitted: ") +
                             QString::fromLocal8Bit(strerror(errno))));
        mount.mounted = true;
        const QDir data(sourceDir() + QStringLiteral("/data"));
        for (const QString& name : data.entryList({QStringLiteral("*.rtf")}, QDir::Files))
            QVERIFY(QFile::copy(data.filePath(name), m_folder->file(name)));
    } else {
        if (::mount(target.constData(), target.constData(), nullptr, MS_BIND, nullptr) != 0)
            QSKIP(qPrintable(QStringLiteral("bind mount not permitted: ") +
                             QString::fromLocal8Bit(strerror(errno))));
        mount.mounted = true;
    }
    QVERIFY(writeOption(m_folder->file(QStringLiteral("User.rtf")), QStringLiteral("alice,")));

    startProgram();
    Form1& f = *m_form;
    QCOMPARE(f.Combo1->count(), 1);

    const QString filler = m_folder->file(QStringLiteral("filler"));
    const auto makeUnwritable = [&] {
        if (how == Unwritable::FullDisk)
            return fillUp(filler);
        return ::mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_BIND | MS_RDONLY,
                       nullptr) == 0;
    };
    const auto makeWritable = [&] {
        if (how == Unwritable::FullDisk)
            return QFile::remove(filler);
        return ::mount(nullptr, target.constData(), nullptr, MS_REMOUNT | MS_BIND, nullptr) == 0;
    };
    QVERIFY(makeUnwritable());
    const Files before = snapshot(folder);

    // The edits: a marker, the counter start and a User ID.
    const auto save = [&] {
        if (options) {
            Form4* store = OptionsStore::form();
            store->RichTextBox1[0]->setText(QStringLiteral("&itm="));
            store->RTB3->setText(QStringLiteral("900"));
            store->Command1_Click();
        } else {
            f.Combo1->setEditText(QStringLiteral("bob"));
            f.Command4_Click();
        }
    };
    save();
    const QStringList failures =
        messagesWith(options ? QStringLiteral("could not be saved")
                             : QStringLiteral("Could not save the user list"));
    const Files after = snapshot(folder);
    QStringList damaged;
    for (auto it = before.begin(); it != before.end(); ++it) {
        if (after.value(it.key()) != it.value())
            damaged << QStringLiteral("%1 now %2 bytes")
                           .arg(it.key())
                           .arg(after.value(it.key()).size());
    }
    record(QString::fromLatin1(how == Unwritable::FullDisk ? "full disk (tmpfs)"
                                                           : "read-only folder (ro bind mount)"),
           QString::fromLatin1(options ? "Save (Options)" : "Save User"),
           damaged.isEmpty()
               ? QStringLiteral("old files intact")
               : QStringLiteral("FILES DAMAGED: ") + damaged.mid(0, 2).join(QStringLiteral(", ")) +
                     (damaged.size() > 2 ? QStringLiteral(" and %1 more").arg(damaged.size() - 2)
                                         : QString()),
           failures.isEmpty()
               ? QStringLiteral("NO MESSAGE")
               : QStringLiteral("message: ") + failures.first().section(u'\n', 0, 0) +
                     QLatin1Char(' ') + failures.first().section(u'\n', 2, 2));
    // Qt 6.4's QSaveFile::commit() overlooks a buffered write whose flush
    // failed for want of space, and puts the empty file in the old one's place.
    QCOMPARE(after, before);
    QCOMPARE(failures.size(), 1);
    if (options) {
        for (const QString& name : optionFileNames())
            QVERIFY2(failures.first().contains(name), qPrintable(name));
        // The window keeps the edits for another try.
        QVERIFY(OptionsStore::isLoaded());
        QCOMPARE(OptionsStore::counterStartText(), QStringLiteral("900"));
    } else {
        QCOMPARE(f.Combo1->count(), 1);
        QCOMPARE(f.Combo1->itemText(0), QStringLiteral("alice"));
    }

    // Once there is room again, the same Save goes through.
    QVERIFY(makeWritable());
    m_messages->texts.clear();
    save();
    QVERIFY2(messagesWith(QStringLiteral("could not")).isEmpty(),
             qPrintable(m_messages->texts.join(u'\n')));
    if (options) {
        QCOMPARE(readOption(m_folder->file(QStringLiteral("Config10.rtf"))),
                 std::optional<QString>(QStringLiteral("&itm=")));
        QCOMPARE(readOption(m_folder->file(QStringLiteral("Options1.rtf"))),
                 std::optional<QString>(QStringLiteral("900")));
    } else {
        QCOMPARE(readOption(m_folder->file(QStringLiteral("User.rtf"))),
                 std::optional<QString>(QStringLiteral("alice,bob,")));
    }
    m_form.reset();
    OptionsStore::discard();
}

QTEST_MAIN(TestFaultMatrix)
#include "tst_faultmatrix.moc"
