#include "TestSupport.h"
#include "options/RtfCodec.h"

#include <QFile>
#include <QRandomGenerator>
#include <QTest>

class TestRtfCodec : public QObject
{
    Q_OBJECT
private slots:
    void writerShape_data();
    void writerShape();
    void roundTrip_data();
    void roundTrip();
    void otherPrograms_data();
    void otherPrograms();
    void read_data();
    void read();
    void notRtf_data();
    void notRtf();
};

namespace {
const QByteArray kHead =
    "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset0 MS Sans "
    "Serif;}}\r\n\\viewkind4\\uc1\\pard\\lang1033\\f0\\fs17 ";
const QByteArray kTail = "\\par\r\n}\r\n";
} // namespace

void TestRtfCodec::writerShape_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("body");
    QTest::newRow("empty") << QString() << QByteArray();
    QTest::newRow("escapes") << QStringLiteral("a\\b{c}") << QByteArray("a\\\\b\\{c\\}");
    QTest::newRow("tab and line") << QStringLiteral("a\tb\nc") << QByteArray("a\\tab b\\par\r\nc");
    QTest::newRow("cp1252") << QStringLiteral("\u00e9\u20ac\u2014")
                            << QByteArray("\\'e9\\'80\\'97");
    QTest::newRow("control chars") << QStringLiteral("\r\x01\x7f") << QByteArray("\\'0d\\'01\\'7f");
    QTest::newRow("outside cp1252")
        << QStringLiteral("\u0395\u4e2d") << QByteArray("\\u917?\\u20013?");
    // Code units above 0x7FFF are written as negative 16-bit numbers.
    QTest::newRow("surrogates") << QStringLiteral("\U0001F600")
                                << QByteArray("\\u-10179?\\u-8704?");
}

void TestRtfCodec::writerShape()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, body);
    QCOMPARE(RtfCodec::write(text), kHead + body + kTail);
}

void TestRtfCodec::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    const QStringList texts = {
        QString(),
        QStringLiteral("  blanks at both ends  "),
        QStringLiteral("{}}{"),
        QStringLiteral("\\\\ \\par \\u65 \\'41"),
        QStringLiteral("\n\n"),
        QStringLiteral("\r\n windows line \r\n"),
        QStringLiteral("\u00a0non-breaking\u00ad soft hyphen"),
        QStringLiteral("Caf\u00e9 \u20ac \u0081\u008d\u008f\u0090\u009d"),
        QStringLiteral("\u0416\u4e2d\U0001F600\ufffd\uffff"),
        QString(QChar(0)) + QStringLiteral("nul"),
        QString(QChar(0xD800)) + QStringLiteral("lone surrogate"),
        QStringLiteral("?\u0416?"),
    };
    for (const QString& t : texts)
        QTest::newRow(qPrintable(t.toUtf8().toPercentEncoding())) << t;
    // Every UTF-16 code unit, mixed with the characters that need escaping.
    QRandomGenerator rng(20240601);
    const QString special = QStringLiteral("\\{}\t\n\r ?;'");
    for (int round = 0; round < 300; ++round) {
        QString text;
        for (int i = int(rng.bounded(40)); i > 0; --i)
            text += rng.bounded(3) == 0 ? special[rng.bounded(int(special.size()))]
                                        : QChar(char16_t(rng.bounded(0x10000)));
        QTest::addRow("random %d", round) << text;
    }
}

void TestRtfCodec::roundTrip()
{
    QFETCH(QString, text);
    QCOMPARE(RtfCodec::read(RtfCodec::write(text)), std::optional<QString>(text));
}

void TestRtfCodec::otherPrograms_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("LibreOffice from text") << QStringLiteral("libreoffice-text");
    QTest::newRow("LibreOffice from HTML") << QStringLiteral("libreoffice-html");
    QTest::newRow("pandoc from Markdown") << QStringLiteral("pandoc-markdown");
}

void TestRtfCodec::otherPrograms()
{
    QFETCH(QString, name);
    const QString base = sourceDir() + QStringLiteral("/tests/options/data/") + name;
    QFile rtf(base + QStringLiteral(".rtf"));
    QFile txt(base + QStringLiteral(".txt"));
    QVERIFY(rtf.open(QIODevice::ReadOnly));
    QVERIFY(txt.open(QIODevice::ReadOnly));
    QCOMPARE(RtfCodec::read(rtf.readAll()),
             std::optional<QString>(QString::fromUtf8(txt.readAll())));
}

void TestRtfCodec::read_data()
{
    QTest::addColumn<QByteArray>("rtf");
    QTest::addColumn<QString>("text");
    QTest::newRow("minimal") << QByteArray("{\\rtf1 abc}") << QStringLiteral("abc");
    QTest::newRow("nested groups")
        << QByteArray("{\\rtf1 a{b{\\b c}d}e}") << QStringLiteral("abcde");
    QTest::newRow("tables skipped")
        << QByteArray("{\\rtf1{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red1;}{\\stylesheet{\\s0 "
                      "Normal;}}{\\info{\\title T}{\\author A}}x}")
        << QStringLiteral("x");
    QTest::newRow("ignorable destination")
        << QByteArray("{\\rtf1 a{\\*\\unknown b{c}}d{\\*\\generator Writer;}e}")
        << QStringLiteral("ade");
    QTest::newRow("field result kept")
        << QByteArray("{\\rtf1{\\field{\\*\\fldinst HYPERLINK \"x\"}{\\fldrslt link}}}")
        << QStringLiteral("link");
    QTest::newRow("pictures skipped")
        << QByteArray("{\\rtf1 a{\\pict\\pngblip 89504e47}b}") << QStringLiteral("ab");
    QTest::newRow("no code page is 1252")
        << QByteArray("{\\rtf1 \\'80\\'e9}") << QStringLiteral("\u20ac\u00e9");
    QTest::newRow("code page 1251")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1251 \\'c0\\'e1}") << QStringLiteral("\u0410\u0431");
    QTest::newRow("code page 932 pairs")
        << QByteArray("{\\rtf1\\ansicpg932 \\'82\\'a0x}") << QStringLiteral("\u3042x");
    // Older rich edit controls: bytes in the code page of the font's character set.
    QTest::newRow("font charset 128 is Shift_JIS")
        << QByteArray("{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fnil\\fcharset128 "
                      "MS UI Gothic;}}\\viewkind4\\uc1\\pard\\f0\\fs18 \\'82\\'a0\\par}")
        << QStringLiteral("\u3042");
    QTest::newRow("font charset 204 is 1251, per group")
        << QByteArray("{\\rtf1\\ansi{\\fonttbl\\f0\\fcharset0 A;\\f1\\fcharset204 B;}"
                      "\\'c0{\\f1\\'c0\\f0\\'c0\\f1\\'c0}\\'c0}")
        << QStringLiteral("\u00c0\u0410\u00c0\u0410\u00c0");
    QTest::newRow("font cpg beats charset")
        << QByteArray("{\\rtf1{\\fonttbl{\\f2\\fcharset0\\cpg1253 G;}}\\f2\\'e1}")
        << QStringLiteral("\u03b1");
    QTest::newRow("UTF-8 byte order mark") << QByteArray("\xef\xbb\xbf{\\rtf1 a}")
                                           << QStringLiteral("a");
    QTest::newRow("raw 8-bit text")
        << QByteArray("{\\rtf1 caf\xe9}") << QStringLiteral("caf\u00e9");
    QTest::newRow("unknown code page keeps 1252")
        << QByteArray("{\\rtf1\\ansicpg4242 \\'e9}") << QStringLiteral("\u00e9");
    QTest::newRow("unicode with fallback")
        << QByteArray("{\\rtf1 \\u1046?x}") << QStringLiteral("\u0416x");
    QTest::newRow("uc2 skips two")
        << QByteArray("{\\rtf1\\uc2 \\u1046\\'3f\\'3fx}") << QStringLiteral("\u0416x");
    QTest::newRow("uc0 skips none")
        << QByteArray("{\\rtf1\\uc0 \\u1046 x}") << QStringLiteral("\u0416x");
    QTest::newRow("uc is per group")
        << QByteArray("{\\rtf1{\\uc3 \\u65 abcd}\\u66 xy}") << QStringLiteral("AdBy");
    QTest::newRow("fallback ends at group")
        << QByteArray("{\\rtf1\\uc3 \\u65 a}b}") << QStringLiteral("A");
    QTest::newRow("negative unicode")
        << QByteArray("{\\rtf1 \\u-10179?\\u-8704?}") << QStringLiteral("\U0001F600");
    QTest::newRow("breaks and tabs")
        << QByteArray("{\\rtf1 a\\line b\\tab c\\par d}") << QStringLiteral("a\nb\tc\nd");
    QTest::newRow("backslash newline is par")
        << QByteArray("{\\rtf1 a\\\nb}") << QStringLiteral("a\nb");
    QTest::newRow("escaped symbols")
        << QByteArray("{\\rtf1 \\\\\\{\\}\\~\\-}") << QStringLiteral("\\{}\u00a0");
    QTest::newRow("named characters")
        << QByteArray("{\\rtf1 \\emdash\\endash\\bullet\\lquote\\rdblquote}")
        << QStringLiteral("\u2014\u2013\u2022\u2018\u201d");
    QTest::newRow("delimiter space eaten")
        << QByteArray("{\\rtf1 \\b  bold\\b0 x}") << QStringLiteral(" boldx");
    QTest::newRow("crlf ignored") << QByteArray("{\\rtf1 a\r\nb\nc\r}") << QStringLiteral("abc");
    QTest::newRow("bin data skipped")
        << QByteArray("{\\rtf1 a{\\bin4 }{\\}b}") << QStringLiteral("ab");
    QTest::newRow("only last par dropped")
        << QByteArray("{\\rtf1 a\\par\\par}") << QStringLiteral("a\n");
    QTest::newRow("par in skipped group")
        << QByteArray("{\\rtf1 a{\\*\\x\\par}}") << QStringLiteral("a");
    QTest::newRow("lone par") << QByteArray("{\\rtf1\\par}") << QString();
    QTest::newRow("missing closing brace") << QByteArray("{\\rtf1 abc") << QStringLiteral("abc");
    QTest::newRow("text after the end") << QByteArray("{\\rtf1 abc}def{") << QStringLiteral("abc");
    QTest::newRow("leading whitespace") << QByteArray("\r\n {\\rtf1 a}") << QStringLiteral("a");
    // Hostile input: deep nesting, huge counts, cut-off words.
    const int deep = 100000;
    QTest::newRow("100000 deep") << "{\\rtf1 " + QByteArray(deep, '{') + "x" +
                                        QByteArray(deep, '}') + "}"
                                 << QStringLiteral("x");
    QTest::newRow("100000 deep, never closed")
        << "{\\rtf1 " + QByteArray(deep, '{') + "x" << QStringLiteral("x");
    QByteArray alternating = "{\\rtf1 ";
    for (int i = 0; i < deep; ++i)
        alternating += (i % 2) ? "{\\uc1 " : "{\\uc2 ";
    QTest::newRow("100000 deep, state changing") << alternating + "y" << QStringLiteral("y");
    QTest::newRow("huge bin") << QByteArray("{\\rtf1 a\\bin2147483647 bcd}") << QStringLiteral("a");
    QTest::newRow("bin beyond int")
        << QByteArray("{\\rtf1 a\\bin999999999999999999999 b}") << QStringLiteral("a");
    QTest::newRow("negative bin") << QByteArray("{\\rtf1 a\\bin-5 b}") << QStringLiteral("ab");
    QTest::newRow("huge uc") << QByteArray("{\\rtf1\\uc999999999 \\u65 bcd}")
                             << QStringLiteral("A");
    QTest::newRow("huge unicode") << QByteArray("{\\rtf1 \\u99999999999?}")
                                  << QString(QChar(0xFFFF));
    QTest::newRow("truncated hex") << QByteArray("{\\rtf1 a\\'4") << QStringLiteral("a4");
    QTest::newRow("bad hex") << QByteArray("{\\rtf1 a\\'zzb}") << QStringLiteral("azzb");
    QTest::newRow("backslash at end") << QByteArray("{\\rtf1 a\\") << QStringLiteral("a");
    QTest::newRow("NUL bytes") << QByteArray("{\\rtf1 a\0b\0}", 12) << QStringLiteral("ab");
    QTest::newRow("very long word")
        << "{\\rtf1 a\\" + QByteArray(100000, 'x') + " b}" << QStringLiteral("ab");
    QTest::newRow("very long number")
        << "{\\rtf1 a\\u" + QByteArray(100000, '9') + " b}" << QStringLiteral("a\uffff");
}

void TestRtfCodec::read()
{
    QFETCH(QByteArray, rtf);
    QFETCH(QString, text);
    QCOMPARE(RtfCodec::read(rtf), std::optional<QString>(text));
}

void TestRtfCodec::notRtf_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::newRow("empty") << QByteArray();
    QTest::newRow("plain text") << QByteArray("2");
    QTest::newRow("truncated header") << QByteArray("{\\rt");
    QTest::newRow("NUL first") << QByteArray("\0{\\rtf1 a}", 10);
    QTest::newRow("HTML") << QByteArray("<html>{\\rtf1}</html>");
}

void TestRtfCodec::notRtf()
{
    QFETCH(QByteArray, bytes);
    QCOMPARE(RtfCodec::read(bytes), std::nullopt);
}

QTEST_GUILESS_MAIN(TestRtfCodec)
#include "tst_rtfcodec.moc"
