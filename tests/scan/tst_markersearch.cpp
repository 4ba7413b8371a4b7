#include "LiteralLoops.h"
#include "RandomText.h"
#include "scan/CounterRead.h"
#include "scan/MarkerSearch.h"

#include <QtTest>

using Scan::CounterMarker;

Q_DECLARE_METATYPE(CounterMarker)

namespace {

QString describe(const Scan::FieldMatch& m, QStringView page)
{
    return QStringLiteral("found=%1 pos=%2 j=%3 end=%4 last=%5 between='%6'")
        .arg(m.found)
        .arg(m.position)
        .arg(m.distance)
        .arg(m.end)
        .arg(m.lastBefore)
        .arg(Literal::between(page, m));
}

QString describe(const Scan::CounterMatch& m)
{
    return QStringLiteral("marker=%1 pos=%2 value='%3' miss=%4")
        .arg(int(m.marker))
        .arg(m.position)
        .arg(m.value)
        .arg(m.missBelow35);
}

// The program's counter read over a list of pages (the last one repeats),
// logged like Literal::counterRead.
QStringList drivenCounterRead(const QStringList& pages, qsizetype start, QStringView basic,
                              QStringView retro, int tryLimit)
{
    struct Log : Scan::CounterRow
    {
        QStringList entries;
        void show(const QString& entry)
        {
            if (entries.isEmpty() || entries.last() != entry)
                entries << entry;
        }
        void notFound() override { show(QStringLiteral("cell N/F red")); }
        void found(const QString& value) override
        {
            for (const QString& e : QStringList{"cell " + value + " face",
                                     QStringLiteral("status Loading ..."), QStringLiteral("check"),
                                     QStringLiteral("Text3 1")})
                show(e);
        }
        void retrying() override
        {
            show(QStringLiteral("cell Retry yellow"));
            show(QStringLiteral("status RETRY"));
        }
    } log;
    int fetches = 0;
    const auto fetch = [&]() -> std::optional<QString> {
        log.show(QStringLiteral("fetch"));
        return pages.at(std::min<qsizetype>(fetches++, pages.size() - 1));
    };
    const auto settings = [&] {
        return Scan::CounterSettings{start, tryLimit, basic.toString(), retro.toString()};
    };
    const Scan::CounterResult r = Scan::readCounter(fetch, settings, log);
    log.show(QStringLiteral("Text9 ") + QString::number(r.position));
    return log.entries;
}

} // namespace

class tst_MarkerSearch : public QObject
{
    Q_OBJECT

private slots:
    void fieldSearch_data();
    void fieldSearch();
    void fieldSearchMatchesLiteralLoop();
    void counter_data();
    void counter();
    void counterMatchesLiteralLoop();
    void counterRead_data();
    void counterRead();
    void counterReadMatchesLiteralLoop();
};

void tst_MarkerSearch::fieldSearch_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<qsizetype>("limit");
    QTest::addColumn<qsizetype>("firstDistance");
    QTest::addColumn<qsizetype>("lastDistance");
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("after");
    QTest::addColumn<bool>("found");
    QTest::addColumn<QString>("value");
    QTest::addColumn<qsizetype>("end");
    QTest::addColumn<qsizetype>("lastBefore");
    auto row = [](const char* name, const char* page, qsizetype start, qsizetype limit,
                  qsizetype j0, qsizetype j1, const char* before, const char* after, bool found,
                  const char* value, qsizetype end, qsizetype lastBefore) {
        QTest::newRow(name) << QString::fromUtf8(page) << start << limit << j0 << j1
                            << QString::fromUtf8(before) << QString::fromUtf8(after) << found
                            << QString::fromUtf8(value) << end << lastBefore;
    };
    row("value between markers", "xy<b>12345</b>tail", 1, 101, 1, 900, "<b>", "</b>", true, "12345",
        3, 3);
    row("first before without after in reach", "[[xxxxx[[cd]]", 1, 101, 1, 5, "[[", "]]", true,
        "cd", 8, 8);
    row("after one past reach", "[[abcd]]", 1, 101, 1, 5, "[[", "]]", false, "", 102, 1);
    row("after at the last distance", "[[abc]]", 1, 101, 1, 5, "[[", "]]", true, "abc", 1, 1);
    row("empty before", "abc]]def", 2, 102, 1, 900, "", "]]", true, "bc", 2, 2);
    row("empty after at the first distance", "xxbcd", 1, 101, 3, 900, "b", "", true, "cd", 3, 3);
    row("after inside before", "abcd", 1, 101, 1, 900, "abc", "bc", true, "", 1, 1);
    row("start below 1", "ab]]", -5, 10, 1, 900, "a", "]]", true, "b", 1, 1);
    row("before at the page's end", "xxab", 1, 101, 1, 900, "b", "", true, "", 4, 4);
    row("before cut by the page's end", "xxa", 1, 101, 1, 900, "ab", "", false, "", 102, 0);
    row("before past the limit", "xxxx<b>1</b>", 1, 4, 1, 900, "<b>", "</b>", false, "", 5, 0);
    row("before at the limit", "xxx<b>1</b>", 1, 4, 1, 900, "<b>", "</b>", true, "1", 4, 4);
    row("last before seen", "<b>x<b>y<b>", 1, 20, 1, 900, "<b>", "</b>", false, "", 21, 9);
    row("empty before up to the limit", "abc", 1, 7, 1, 900, "", "z", false, "", 8, 7);
}

void tst_MarkerSearch::fieldSearch()
{
    QFETCH(QString, page);
    QFETCH(qsizetype, start);
    QFETCH(qsizetype, limit);
    QFETCH(qsizetype, firstDistance);
    QFETCH(qsizetype, lastDistance);
    QFETCH(QString, before);
    QFETCH(QString, after);
    const Scan::FieldMatch m =
        Scan::findField(page, start, limit, firstDistance, lastDistance, before, after);
    QTEST(m.found, "found");
    QTEST(m.between(page), "value");
    QTEST(m.end, "end");
    QTEST(m.lastBefore, "lastBefore");
    QCOMPARE(describe(m, page), describe(Literal::findField(page, start, limit, firstDistance,
                                                            lastDistance, before, after),
                                         page));
}

void tst_MarkerSearch::fieldSearchMatchesLiteralLoop()
{
    for (quint32 seed = 1; seed <= 20000; ++seed) {
        RandomText r(seed);
        const QString alphabet = r.chance(50) ? QStringLiteral("ab") : QStringLiteral("abc");
        const QString page = r.text(r.number(0, 40), alphabet);
        const QString before = r.marker(3, alphabet);
        const QString after = r.marker(3, alphabet);
        const qsizetype start = r.number(-2, int(page.size()) + 3);
        const qsizetype limit = start + r.number(-1, 45);
        const qsizetype j0 = r.number(0, 3);
        const qsizetype j1 = j0 + r.number(-1, 10);

        const Scan::FieldMatch fast = Scan::findField(page, start, limit, j0, j1, before, after);
        const Scan::FieldMatch slow = Literal::findField(page, start, limit, j0, j1, before, after);
        const QString fastText = describe(fast, page) + u' ' + fast.fixedLength(page, 3);
        const QString slowText =
            describe(slow, page) + u' ' +
            (slow.found ? Literal::cut(page, slow.position + before.size(), 3).toString()
                        : QString());
        if (fastText != slowText)
            QFAIL(qPrintable(QStringLiteral("seed %1 page '%2' B '%3' A '%4' start %5 limit %6 "
                                            "j %7..%8\n fast: %9\n slow: %10")
                                 .arg(seed)
                                 .arg(page, before, after)
                                 .arg(start)
                                 .arg(limit)
                                 .arg(j0)
                                 .arg(j1)
                                 .arg(fastText, slowText)));
    }
}

void tst_MarkerSearch::counter_data()
{
    QTest::addColumn<QString>("page");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<QString>("basic");
    QTest::addColumn<QString>("retro");
    QTest::addColumn<CounterMarker>("marker");
    QTest::addColumn<qsizetype>("position");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("missBelow35");
    auto row = [](const char* name, const QByteArray& page, qsizetype start, const char* basic,
                  const char* retro, CounterMarker marker, qsizetype position, const char* value,
                  bool miss) {
        QTest::newRow(name) << QString::fromUtf8(page) << start << QString::fromUtf8(basic)
                            << QString::fromUtf8(retro) << marker << position
                            << QString::fromUtf8(value) << miss;
    };
    const QByteArray far = QByteArray(40, '.') + "<c>00007";
    const auto None = CounterMarker::None, Basic = CounterMarker::Basic,
               Retro = CounterMarker::Retro;
    row("basic: counter after it", "..<c>00042..", 1, "<c>", "RETRO", Basic, 3, "00042", true);
    row("retro of 5: counter before it", "..00042RETRO", 1, "<c>", "RETRO", Retro, 3, "00042",
        true);
    row("retro of 7: counter 7 before it", "0123456789RETROXX", 1, "<c>", "RETROXX", Retro, 4,
        "34567", true);
    row("retro before start + its length unseen", "xRETROabc", 1, "<c>", "RETRO", None, 10, "",
        true);
    row("basic wins at the same position", "<c>12RETRO", 1, "<c>", "RETRO", Basic, 1, "12RET",
        false);
    row("retro found before basic", "12345RETRO<c>99999", 1, "<c>", "RETRO", Retro, 1, "12345",
        false);
    row("value cut at the page's end", "....<c>12", 1, "<c>", "RETRO", Basic, 5, "12", true);
    row("start 0 counts as 1", "<c>00042", 0, "<c>", "RETRO", Basic, 1, "00042", false);
    row("start 35: no miss", far, 35, "<c>", "RETRO", Basic, 41, "00007", false);
    row("start 34: a miss", far, 34, "<c>", "RETRO", Basic, 41, "00007", true);
    row("not found", "........", 2, "<c>", "RETRO", None, 9, "", true);
    row("start past the page", "<c>00042", 50, "<c>", "RETRO", None, 50, "", false);
    row("empty basic", "abcdefg", 2, "", "RETRO", Basic, 2, "bcdef", false);
    row("empty retro", "abcdefg", 2, "<c>", "", Retro, 2, "bcdef", false);
}

void tst_MarkerSearch::counter()
{
    QFETCH(QString, page);
    QFETCH(qsizetype, start);
    QFETCH(QString, basic);
    QFETCH(QString, retro);
    const Scan::CounterMatch m = Scan::findCounter(page, start, basic, retro);
    QTEST(m.marker, "marker");
    QTEST(m.position, "position");
    QTEST(m.value, "value");
    QTEST(m.missBelow35, "missBelow35");
    QCOMPARE(describe(m), describe(Literal::findCounter(page, start, basic, retro)));
}

void tst_MarkerSearch::counterMatchesLiteralLoop()
{
    for (quint32 seed = 1; seed <= 20000; ++seed) {
        RandomText r(seed);
        const QString basic = r.marker(3, u"ab<");
        const QString retro = r.marker(6, u"ab>");
        const QString page =
            r.page(r.number(0, 70), u"ab", {basic, retro, QStringLiteral("12345")}, 10);
        const qsizetype start = r.chance(80) ? r.number(-1, 40) : r.number(30, 80);
        const QString fast = describe(Scan::findCounter(page, start, basic, retro));
        const QString slow = describe(Literal::findCounter(page, start, basic, retro));
        if (fast != slow)
            QFAIL(qPrintable(QStringLiteral("seed %1 page '%2' basic '%3' retro '%4' "
                                            "start %5\n fast: %6\n slow: %7")
                                 .arg(seed)
                                 .arg(page, basic, retro)
                                 .arg(start)
                                 .arg(fast, slow)));
    }
}

void tst_MarkerSearch::counterRead_data()
{
    QTest::addColumn<QStringList>("pages");
    QTest::addColumn<qsizetype>("start");
    QTest::addColumn<int>("tryLimit");
    QTest::addColumn<QStringList>("log");

    const QString late = QStringLiteral("..........<c>00042..");
    const QString broken = QStringLiteral("<c>--</f..");
    const QStringList fetch = {QStringLiteral("fetch")};
    const QStringList notFound = {QStringLiteral("cell N/F red")};
    const QStringList retry = {QStringLiteral("cell Retry yellow"), QStringLiteral("status RETRY"),
                               QStringLiteral("fetch")};
    const auto shown = [](const char* value, const char* text9) {
        return QStringList{QStringLiteral("cell %1 face").arg(QLatin1String(value)),
                           QStringLiteral("status Loading ..."), QStringLiteral("check"),
                           QStringLiteral("Text3 1")} +
               (text9 ? QStringList{QLatin1String(text9)} : QStringList());
    };

    QTest::newRow("one try: N/F at once, then the counter further on")
        << QStringList{late} << qsizetype(1) << 1 << fetch + notFound + shown("00042", "Text9 11");
    QTest::newRow("three tries: two retries, the third scans on")
        << QStringList{late} << qsizetype(1) << 3
        << fetch + notFound + retry + notFound + retry + notFound + shown("00042", "Text9 11");
    QStringList fiveBroken = fetch;
    for (int i = 0; i < 4; ++i)
        fiveBroken += shown("--</f", nullptr) + retry;
    QTest::newRow("broken counter: five fetches")
        << QStringList{broken} << qsizetype(1) << 10 << fiveBroken + shown("--</f", "Text9 1");
    QTest::newRow("broken counter, then a good one")
        << QStringList{broken, late} << qsizetype(1) << 1
        << fetch + shown("--</f", nullptr) + retry + notFound + shown("00042", "Text9 11");
    QTest::newRow("empty page: nothing shown, no retry")
        << QStringList{QString()} << qsizetype(1) << 3 << fetch + QStringList{"Text9 1"};
    QTest::newRow("start 35 without a counter: cell left alone")
        << QStringList{QString(50, u'.')} << qsizetype(35) << 3 << fetch + QStringList{"Text9 51"};
}

void tst_MarkerSearch::counterRead()
{
    QFETCH(QStringList, pages);
    QFETCH(qsizetype, start);
    QFETCH(int, tryLimit);
    QFETCH(QStringList, log);
    QCOMPARE(drivenCounterRead(pages, start, u"<c>", u"RETRO", tryLimit), log);
    QCOMPARE(Literal::counterRead(pages, start, u"<c>", u"RETRO", tryLimit), log);
}

void tst_MarkerSearch::counterReadMatchesLiteralLoop()
{
    for (quint32 seed = 1; seed <= 3000; ++seed) {
        RandomText r(seed);
        const QString basic = r.marker(2, u"a<");
        const QString retro = r.marker(5, u"a>");
        const QStringList pieces = {basic, retro, QStringLiteral("--</f"),
                                    basic + QStringLiteral("--</f")};
        QStringList pages;
        for (int i = r.number(1, 4); i > 0; --i)
            pages << r.page(r.number(0, 60), u"ab", pieces, 3);
        const qsizetype start = r.chance(70) ? r.number(0, 36) : r.number(30, 70);
        const int tryLimit = r.number(1, 4);
        const QString fast = drivenCounterRead(pages, start, basic, retro, tryLimit).join(" | ");
        const QString slow = Literal::counterRead(pages, start, basic, retro, tryLimit).join(" | ");
        if (fast != slow)
            QFAIL(qPrintable(QStringLiteral("seed %1 pages '%2' basic '%3' retro '%4' start %5 "
                                            "limit %6\n fast: %7\n slow: %8")
                                 .arg(seed)
                                 .arg(pages.join(QStringLiteral("' '")), basic, retro)
                                 .arg(start)
                                 .arg(tryLimit)
                                 .arg(fast, slow)));
    }
}

QTEST_GUILESS_MAIN(tst_MarkerSearch)
#include "tst_markersearch.moc"
