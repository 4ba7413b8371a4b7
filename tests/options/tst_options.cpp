// The options: RTF, number texts, the option files, the options store and its windows,
// on real files in temporary folders. Most cases are rows of the tables in data/.
#include "MessageRecorder.h"
#include "TestSupport.h"
#include "main_window/Form1.h"
#include "options/Form4.h"
#include "options/Form5.h"
#include "options/NumberText.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"
#include "options/RtfFile.h"
#include "users/Form3.h"

#include <QDir>
#include <QPushButton>
#include <QScreen>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeFile(const QString& path, const QByteArray& bytes, qint64 size = 0)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
    QVERIFY(size == 0 || f.resize(size));
}

QString readText(const QString& path)
{
    return RtfCodec::read(readFile(path)).value_or(QStringLiteral("<not rtf>"));
}

// A table field, or with @NAME the bytes of that file in data/.
QByteArray field(const QByteArray& text)
{
    if (!text.startsWith('@'))
        return text;
    return readFile(sourceDir() + QStringLiteral("/tests/options/data/") +
                    QString::fromUtf8(text.mid(1)));
}

// What the function named in the row gives for its input, as text.
QString rowResult(const QByteArray& input)
{
    QFETCH(QString, function);
    const QString text = QString::fromUtf8(input);
    const double value = QLocale::c().toDouble(text);
    const QByteArray rtf = RtfCodec::write(text);
    OptionFiles::setCounterTryLimit(2);
    if (function == u"read" || function == u"roundtrip")
        return RtfCodec::read(function == u"read" ? input : rtf)
            .value_or(QStringLiteral("<not rtf>"));
    if (function == u"write")
        return QString::fromLatin1(rtf);
    if (function == u"number")
        return QString::number(leadingNumberValue(text), 'g', QLocale::FloatingPointShortest);
    if (function == u"round")
        return QString::number(roundHalfEven(value));
    if (function == u"int16")
        return roundToInt16(value) ? QString::number(*roundToInt16(value)) : QStringLiteral("none");
    if (function == u"plain")
        return plainDecimalText(value);
    if (function == u"pattern00")
        return formatPattern_00(value);
    if (function == u"grouped")
        return formatGroupedPattern(value);
    if (function == u"trylimit") {
        TempProgramFolder folder(false);
        if (!input.isEmpty())
            writeFile(folder.file(QStringLiteral("Options.rtf")), rtf);
        (void)OptionFiles::loadCounterTryLimit();
        return QString::number(OptionFiles::counterTryLimit());
    }
    if (function == u"savecount") { // the limit, Options.rtf, a marker file, messages, window
        TempProgramFolder folder;
        MessageRecorder messages;
        OptionsStore::showWindow();
        OptionsStore::form()->RTBtry->setText(text);
        OptionsStore::form()->RichTextBox6[8]->setText(QStringLiteral("  &rd=1  "));
        QTest::mouseClick(OptionsStore::form()->Command1, Qt::LeftButton);
        return QStringList{
            QString::number(OptionFiles::counterTryLimit()),
            readText(folder.file(QStringLiteral("Options.rtf"))),
            readText(folder.file(QStringLiteral("Config68.rtf"))), messages.texts.join(u'/'),
            OptionsStore::isLoaded() ? QStringLiteral("open") : QStringLiteral("closed")}
            .join(u'|');
    }
    if (function.startsWith(u"Form")) { // the input: an object of that window, a property
        QWidget owner;
        static Form1* main = new Form1; // once: building it is the slow part
        QWidget* top = function == u"Form4"   ? OptionsStore::form()
                       : function == u"Form5" ? static_cast<QWidget*>(Form5::showWarning())
                       : function == u"Form1" ? static_cast<QWidget*>(main)
                                              : Form3::showConfirm(&owner, {}, {});
        const QStringList at = text.split(u' ');
        QObject* w = top->objectName() == at[0] ? top : top->findChild<QObject*>(at[0]);
        return w ? w->property(qPrintable(at.value(1))).toString() : QStringLiteral("<no object>");
    }
    return QStringLiteral("<no such function>");
}

} // namespace

class TestOptions : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void cases_data()
    {
        addTableRows(
            {"options/data/codec.tsv", "options/data/numbers.tsv", "options/data/texts.tsv"});
    }
    void cases()
    {
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, expected);
        QCOMPARE(rowResult(field(input)),
                 QString::fromUtf8(field(expected == "=" ? input : expected)));
    }
    void rtfFiles();
    void storeReadsAndSavesEveryFile();
    void advanced_data() { addTableRows({"options/data/advanced.tsv"}); }
    void advanced();
};

void TestOptions::cleanup()
{
    if (Form5* w = Form5::current())
        w->close();
    OptionsStore::discard();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestOptions::rtfFiles()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("f.rtf"));
    const auto read = [&] {
        const Result<QString> text = RtfFile::read(path);
        return text ? *text : text.message();
    };
    for (const qint64 over : {1, 0}) { // the rest a hole of NULs, which RTF ignores
        writeFile(path, "{\\rtf1 new}", RtfFile::MaxSize + over);
        QCOMPARE(read(), over ? QStringLiteral("The file is too large.") : QStringLiteral("new"));
    }
    const QString text = QStringLiteral("a\tb\r\nc\n\u0416{\\}") + QChar(0);
    // A folder that forbids new files leaves no room for a temporary file, so
    // the file is written in place. Root may add files anywhere: try as nobody.
    QVERIFY(::chmod(QFile::encodeName(path).constData(), 0666) == 0 &&
            ::chmod(QFile::encodeName(dir.path()).constData(), 0555) == 0);
    // Then a full disk refuses a longer text: the real reason, and the file as it was.
    const bool asNobody = geteuid() == 0;
    QVERIFY(!asNobody || seteuid(65534) == 0);
    const Outcome saved = RtfFile::write(path, text);
    rlimit fsize{};
    getrlimit(RLIMIT_FSIZE, &fsize);
    const rlimit full{rlim_t(QFileInfo(path).size()), fsize.rlim_max};
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    const Outcome longer = RtfFile::write(path, text + text);
    setrlimit(RLIMIT_FSIZE, &fsize);
    QVERIFY(!asNobody || seteuid(0) == 0);
    QVERIFY2(saved, qPrintable(saved.message()));
    QCOMPARE(longer.message(), QStringLiteral("File too large"));
    QCOMPARE(read(), text);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("f.rtf")});

    // Reading a small file takes memory for that file, not for the largest one
    // allowed: read it while the process may take only 16 MiB more.
    rlimit old{};
    getrlimit(RLIMIT_DATA, &old);
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own mappings count against the limit
    const QByteArray vm = readFile(QStringLiteral("/proc/self/status"));
    const rlim_t usedKiB = vm.mid(vm.indexOf("VmData:") + 7).split('k')[0].trimmed().toULong();
    const rlimit small{(usedKiB + 16384) * 1024, old.rlim_max};
    setrlimit(RLIMIT_DATA, &small);
#endif
    const QString back = read();
    setrlimit(RLIMIT_DATA, &old);
    QCOMPARE(back, text);
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
}

void TestOptions::storeReadsAndSavesEveryFile()
{
    TempProgramFolder folder(false);
    const auto file = [&](int table, int r) {
        return folder.file(QStringLiteral("Config%1%2.rtf").arg(table).arg(r));
    };
    const auto expected = [&](int table, int r) {
        return table == 2 && r == 4 ? QStringLiteral(" ") : QFileInfo(file(table, r)).fileName();
    };
    for (int table : {1, 2, 5, 6})
        for (int r = 0; r < Form4::rows; ++r)
            writeFile(file(table, r), RtfCodec::write(expected(table, r)));
    writeFile(folder.file(QStringLiteral("Options.rtf")), RtfCodec::write(QStringLiteral("7")));
    // Two files there but unreadable keep their built-in texts, said once.
    writeFile(file(2, 4), "not rtf");
    QVERIFY(QDir().mkpath(folder.file(QStringLiteral("Options1.rtf"))));
    MessageRecorder messages;
    QCOMPARE(OptionsStore::texts().tryCount, QStringLiteral("7"));
    QCOMPARE(OptionsStore::texts().counterStart, QStringLiteral("800"));
    OptionsStore::discard();
    QCOMPARE(OptionsStore::texts().counterStart, QStringLiteral("800")); // loaded again
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY2(messages.texts[0].contains(QStringLiteral("Config24.rtf: The file is not an RTF")) &&
                 messages.texts[0].contains(QStringLiteral("Options1.rtf: ")),
             qPrintable(messages.texts[0]));

    // Save writes each holder back to its own file (gone since the load), but
    // not over the unreadable ones; one that fails is named, and the window
    // stays with its edits.
    for (const QString& name : QDir(folder.path()).entryList({QStringLiteral("Config*")}))
        QVERIFY(QFile::remove(folder.file(name)));
    writeFile(file(2, 4), "not rtf");
    QVERIFY(QDir().mkpath(file(1, 3)));
    messages.texts.clear();
    OptionsStore::form()->RTB3->setText(QStringLiteral("950"));
    QTest::mouseClick(OptionsStore::form()->Command1, Qt::LeftButton);
    QCOMPARE(messages.texts.size(), 1);
    QVERIFY2(
        messages.texts[0].contains(QStringLiteral("as they are:\n\nConfig24.rtf\nOptions1.rtf")) &&
            messages.texts[0].contains(QStringLiteral("files:\n\nConfig13.rtf: ")),
        qPrintable(messages.texts[0]));
    QCOMPARE(OptionsStore::texts().counterStart, QStringLiteral("950"));
    QCOMPARE(readFile(file(2, 4)), QByteArray("not rtf"));
    for (int r = 0; r < Form4::rows; ++r) {
        const OptionTexts texts = OptionsStore::texts();
        QCOMPARE(texts.activeBefore[r], expected(1, r));
        QCOMPARE(texts.activeAfter[r], expected(5, r));
        QCOMPARE(texts.soldBefore[r], expected(2, r));
        QCOMPARE(texts.soldAfter[r], expected(6, r));
        for (int table : {1, 2, 5, 6}) {
            if ((table != 1 || r != 3) && (table != 2 || r != 4))
                QCOMPARE(readText(file(table, r)), expected(table, r));
        }
    }
}

void TestOptions::advanced()
{
    QFETCH(bool, proceed);
    QFETCH(bool, closeFirst);
    TempProgramFolder folder;
    const QString options1 = folder.file(QStringLiteral("Options1.rtf"));
    const QByteArray saved = readFile(options1);
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    const QPoint before = form->pos();
    QCOMPARE(form->frameGeometry().height(), 105); // 1575 twips
    form->RTB3->setFocus();
    form->RTB3->selectAll();
    QTest::keyClicks(form->RTB3, QStringLiteral("950"));
    QCOMPARE(OptionsStore::texts().counterStart, QStringLiteral("950")); // reads see unsaved edits

    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QVERIFY(Form5::current() && Form5::current()->isVisible());
    if (closeFirst)
        QTest::mouseClick(form->Command2, Qt::LeftButton);
    QTest::mouseClick(proceed ? Form5::current()->Command1 : Form5::current()->Command2,
                      Qt::LeftButton);
    QCOMPARE(Form5::current(), nullptr);
    form = OptionsStore::form();
    QVERIFY(form->isVisible());
    QCOMPARE(form->RTB3->Text(), closeFirst ? readText(options1) : QStringLiteral("950"));
    QCOMPARE(form->frameGeometry().height(), proceed ? 635 : 105); // 9525 twips
    const int top = form->screen()->geometry().top() + 27; // 400 twips below the screen's top
    QCOMPARE(form->pos(), proceed ? QPoint(closeFirst ? form->x() : before.x(), top) : before);

    // Cancel writes nothing, and the next read loads the files afresh.
    QTest::mouseClick(form->Command2, Qt::LeftButton);
    QVERIFY(!OptionsStore::isLoaded());
    QCOMPARE(readFile(options1), saved);
    QCOMPARE(OptionsStore::texts().counterStart, readText(options1));
}

QTEST_MAIN(TestOptions)
#include "tst_options.moc"
