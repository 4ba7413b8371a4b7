#include "LiteralLoops.h"
#include "RandomText.h"
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

// The counter read as the scans drive it: one findCounter and one verdict
// per fetch. Logs the same entries as Literal::counterRead.
QStringList drivenCounterRead(const QStringList& pages, qsizetype start, QStringView basic,
                              QStringView retro, int tryLimit)
{
    QStringList log;
    auto show = [&log](const QString& entry) {
        if (log.isEmpty() || log.last() != entry)
            log << entry;
    };
    for (int tries = 1;; ++tries) {
        const QString& page = pages.at(std::min<qsizetype>(tries - 1, pages.size() - 1));
        show(QStringLiteral("fetch"));
        const Scan::CounterMatch m = Scan::findCounter(page, start, basic, retro);
        const Scan::CounterTry verdict = Scan::judgeCounterTry(m, tries, tryLimit);
        if (verdict.showNotFound)
            show(QStringLiteral("cell N/F red"));
        if (verdict.showValue) {
            show(QStringLiteral("cell ") + m.value + QStringLiteral(" face"));
            show(QStringLiteral("status Loading ..."));
            show(QStringLiteral("check"));
            show(QStringLiteral("Text3 1"));
        }
        if (verdict.retry) {
            show(QStringLiteral("cell Retry yellow"));
            show(QStringLiteral("status RETRY"));
            continue;
        }
        show(QStringLiteral("Text9 ") + QString::number(m.position));
        return log;
    }
}

const QStringList retryOnce = {QStringLiteral("cell Retry yellow"), QStringLiteral("status RETRY"),
                               QStringLiteral("fetch")};

QStringList shown(const QString& value)
{
    return {QStringLiteral("cell ") + value + QStringLiteral(" face"),
            QStringLiteral("status Loading ..."), QStringLiteral("check"),
            QStringLiteral("Text3 1")};
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
    row("first marker without after marker in reach", "[[xxxxx[[cd]]", 1, 101, 1, 5, "[[", "]]",
        true, "cd", 8, 8);
    row("after marker one past reach", "[[abcd]]", 1, 101, 1, 5, "[[", "]]", false, "", 102, 1);
    row("after marker at the last distance", "[[abc]]", 1, 101, 1, 5, "[[", "]]", true, "abc", 1,
        1);
    row("empty before matches at the start", "abc]]def", 2, 102, 1, 900, "", "]]", true, "bc", 2,
        2);
    row("empty after matches at the first distance", "xxbcd", 1, 101, 3, 900, "b", "", true, "cd",
        3, 3);
    row("after marker inside the before marker", "abcd", 1, 101, 1, 900, "abc", "bc", true, "", 1,
        1);
    row("start below 1", "ab]]", -5, 10, 1, 900, "a", "]]", true, "b", 1, 1);
    row("before marker at the page's end", "xxab", 1, 101, 1, 900, "b", "", true, "", 4, 4);
    row("before marker cut by the page's end", "xxa", 1, 101, 1, 900, "ab", "", false, "", 102, 0);
    row("limit past the page", "abc", 2, 102, 1, 900, "q", "r", false, "", 103, 0);
    row("before marker past the limit", "xxxx<b>1</b>", 1, 4, 1, 900, "<b>", "</b>", false, "", 5,
        0);
    row("before marker at the limit", "xxx<b>1</b>", 1, 4, 1, 900, "<b>", "</b>", true, "1", 4, 4);
    row("last before marker seen", "<b>x<b>y<b>", 1, 20, 1, 900, "<b>", "</b>", false, "", 21, 9);
    row("empty before matches up to the limit", "abc", 1, 7, 1, 900, "", "z", false, "", 8, 7);
    row("both empty", "", 5, 9, 2, 900, "", "", true, "", 5, 5);
    row("no distances", "<b>1</b>", 1, 20, 5, 4, "<b>", "</b>", false, "", 21, 1);
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
    const Scan::FieldMatch literal =
        Literal::findField(page, start, limit, firstDistance, lastDistance, before, after);
    QCOMPARE(describe(literal, page), describe(m, page));
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
        const QString fastText = describe(fast, page) + QStringLiteral(" fixed='") +
                                 fast.fixedLength(page, 3) + QLatin1Char('\'');
        QString slowText = describe(slow, page) + QStringLiteral(" fixed='");
        if (slow.found)
            slowText += Literal::cut(page, slow.position + before.size(), 3);
        slowText += QLatin1Char('\'');
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

    auto row = [](const char* name, const char* page, qsizetype start, const char* basic,
                  const char* retro, CounterMarker marker, qsizetype position, const char* value,
                  bool miss) {
        QTest::newRow(name) << QString::fromUtf8(page) << start << QString::fromUtf8(basic)
                            << QString::fromUtf8(retro) << marker << position
                            << QString::fromUtf8(value) << miss;
    };
    row("basic: counter after the marker", "..<c>00042..", 1, "<c>", "RETRO", CounterMarker::Basic,
        3, "00042", true);
    row("basic at the start", "<c>00042", 1, "<c>", "RETRO", CounterMarker::Basic, 1, "00042",
        false);
    row("retro of 5: counter right before it", "..00042RETRO", 1, "<c>", "RETRO",
        CounterMarker::Retro, 3, "00042", true);
    row("retro of 7: counter starts 7 before it", "0123456789RETROXX", 1, "<c>", "RETROXX",
        CounterMarker::Retro, 4, "34567", true);
    row("retro before start + its length is not seen", "xRETROabc", 1, "<c>", "RETRO",
        CounterMarker::None, 10, "", true);
    row("basic wins at the same position", "<c>12RETRO", 1, "<c>", "RETRO", CounterMarker::Basic, 1,
        "12RET", false);
    row("retro found before basic", "12345RETRO<c>99999", 1, "<c>", "RETRO", CounterMarker::Retro,
        1, "12345", false);
    row("value cut at the page's end", "....<c>12", 1, "<c>", "RETRO", CounterMarker::Basic, 5,
        "12", true);
    row("start 0 counts as 1", "<c>00042", 0, "<c>", "RETRO", CounterMarker::Basic, 1, "00042",
        false);
    row("start 35: no miss", QByteArray(40, '.').append("<c>00007").constData(), 35, "<c>", "RETRO",
        CounterMarker::Basic, 41, "00007", false);
    row("start 34: a miss", QByteArray(40, '.').append("<c>00007").constData(), 34, "<c>", "RETRO",
        CounterMarker::Basic, 41, "00007", true);
    row("not found", "........", 2, "<c>", "RETRO", CounterMarker::None, 9, "", true);
    row("empty page", "", 1, "<c>", "RETRO", CounterMarker::None, 1, "", false);
    row("start past the page", "<c>00042", 50, "<c>", "RETRO", CounterMarker::None, 50, "", false);
    row("empty basic matches at the start", "abcdefg", 2, "", "RETRO", CounterMarker::Basic, 2,
        "bcdef", false);
    row("empty retro matches at the start", "abcdefg", 2, "<c>", "", CounterMarker::Retro, 2,
        "bcdef", false);
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
    QCOMPARE(describe(Literal::findCounter(page, start, basic, retro)), describe(m));
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
        const Scan::CounterMatch fast = Scan::findCounter(page, start, basic, retro);
        const Scan::CounterMatch slow = Literal::findCounter(page, start, basic, retro);
        if (describe(fast) != describe(slow))
            QFAIL(qPrintable(
                QStringLiteral("seed %1 page '%2' basic '%3' retro '%4' start %5\n fast: %6\n "
                               "slow: %7")
                    .arg(seed)
                    .arg(page, basic, retro)
                    .arg(start)
                    .arg(describe(fast), describe(slow))));
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
    const QString fetch = QStringLiteral("fetch");
    const QString notFound = QStringLiteral("cell N/F red");

    QTest::newRow("one try: N/F at once, then the counter further on")
        << QStringList{late} << qsizetype(1) << 1
        << (QStringList{fetch, notFound} + shown(QStringLiteral("00042")) +
            QStringList{QStringLiteral("Text9 11")});
    QTest::newRow("three tries: two retries at once, the third scans on")
        << QStringList{late} << qsizetype(1) << 3
        << (QStringList{fetch, notFound} + retryOnce + QStringList{notFound} + retryOnce +
            QStringList{notFound} + shown(QStringLiteral("00042")) +
            QStringList{QStringLiteral("Text9 11")});
    QStringList fiveBroken = {fetch};
    for (int i = 0; i < 4; ++i)
        fiveBroken += shown(QStringLiteral("--</f")) + retryOnce;
    fiveBroken += shown(QStringLiteral("--</f")) + QStringList{QStringLiteral("Text9 1")};
    QTest::newRow("broken counter: five fetches")
        << QStringList{broken} << qsizetype(1) << 10 << fiveBroken;
    QTest::newRow("broken counter, then a good one")
        << QStringList{broken, late} << qsizetype(1) << 1
        << (QStringList{fetch} + shown(QStringLiteral("--</f")) + retryOnce +
            QStringList{notFound} + shown(QStringLiteral("00042")) +
            QStringList{QStringLiteral("Text9 11")});
    QTest::newRow("empty page: nothing shown, no retry")
        << QStringList{QString()} << qsizetype(1) << 3
        << QStringList{fetch, QStringLiteral("Text9 1")};
    QTest::newRow("start 35 without a counter: cell left alone")
        << QStringList{QString(50, QLatin1Char('.'))} << qsizetype(35) << 3
        << QStringList{fetch, QStringLiteral("Text9 51")};
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
        const QStringList fast = drivenCounterRead(pages, start, basic, retro, tryLimit);
        const QStringList slow = Literal::counterRead(pages, start, basic, retro, tryLimit);
        if (fast != slow)
            QFAIL(qPrintable(
                QStringLiteral("seed %1 pages '%2' basic '%3' retro '%4' start %5 "
                               "limit %6\n fast: %7\n slow: %8")
                    .arg(seed)
                    .arg(pages.join(QStringLiteral("' '")), basic, retro)
                    .arg(start)
                    .arg(tryLimit)
                    .arg(fast.join(QStringLiteral(" | ")), slow.join(QStringLiteral(" | ")))));
    }
}

QTEST_GUILESS_MAIN(tst_MarkerSearch)
#include "tst_markersearch.moc"
