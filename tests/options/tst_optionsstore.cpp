#include "OptionList.h"
#include "TestSupport.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QTest>

class TestOptionsStore : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void installedDataMatchesList();
    void readsEveryFileIntoItsHolder();
    void missingFilesKeepBuiltInAndSaveCreatesThem();
    void unreadableFileKeepsBuiltIn();
    void saveCount_data();
    void saveCount();
    void cancelWritesNothing_data();
    void cancelWritesNothing();
    void readSeesUnsavedEdits();
    void failedWriteIsReportedAndKeepsWindow();
    void counterTryLimitAtStart_data();
    void counterTryLimitAtStart();
};

namespace {

// Every marker file with the holder that reads it.
QList<std::pair<QString, std::pair<MarkerTable, bool>>> markerFiles()
{
    QList<std::pair<QString, std::pair<MarkerTable, bool>>> files;
    for (int r = 0; r < Form4::rows; ++r) {
        const QString n = QString::number(r) + QStringLiteral(".rtf");
        files.append({QStringLiteral("Config1") + n, {MarkerTable::Active, true}});
        files.append({QStringLiteral("Config5") + n, {MarkerTable::Active, false}});
        files.append({QStringLiteral("Config2") + n, {MarkerTable::Sold, true}});
        files.append({QStringLiteral("Config6") + n, {MarkerTable::Sold, false}});
    }
    return files;
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeText(const QString& path, const QString& text)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(RtfCodec::write(text));
}

std::optional<QString> readText(const QString& path)
{
    return RtfCodec::read(readFile(path));
}

void clickSave()
{
    QTest::mouseClick(OptionsStore::form()->Command1, Qt::LeftButton);
}

} // namespace

void TestOptionsStore::cleanup()
{
    OptionsStore::discard();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    OptionsStore::setCounterTryLimit(2);
}

void TestOptionsStore::installedDataMatchesList()
{
    // data/ must be exactly what tools/make-data writes from its list.
    QFile list(sourceDir() + QStringLiteral("/tools/make-data/options.txt"));
    QVERIFY(list.open(QIODevice::ReadOnly));
    QString error;
    const auto entries = parseOptionList(list.readAll(), &error);
    QVERIFY2(entries, qPrintable(error));
    QStringList names;
    for (const OptionFileEntry& e : *entries) {
        names << e.name;
        QCOMPARE(readFile(sourceDir() + QStringLiteral("/data/") + e.name),
                 RtfCodec::write(e.text));
    }
    QCOMPARE(readFile(sourceDir() + QStringLiteral("/data/User.rtf")), RtfCodec::write(QString()));
    QStringList expected{QStringLiteral("Options.rtf"), QStringLiteral("Options1.rtf")};
    for (const auto& f : markerFiles())
        expected << f.first;
    names.sort();
    expected.sort();
    QCOMPARE(names, expected);
}

void TestOptionsStore::readsEveryFileIntoItsHolder()
{
    TempProgramFolder folder(false);
    for (const auto& f : markerFiles())
        writeText(folder.file(f.first), QStringLiteral(" <") + f.first + QStringLiteral("> "));
    writeText(folder.file(QStringLiteral("Options.rtf")), QStringLiteral("7"));
    writeText(folder.file(QStringLiteral("Options1.rtf")), QStringLiteral("1200"));

    for (const auto& f : markerFiles()) {
        const int row = f.first.mid(7, 1).toInt();
        const auto [table, before] = f.second;
        const QString value =
            before ? OptionsStore::before(table, row) : OptionsStore::after(table, row);
        QCOMPARE(value, QStringLiteral(" <") + f.first + QStringLiteral("> "));
    }
    QCOMPARE(OptionsStore::tryCountText(), QStringLiteral("7"));
    QCOMPARE(OptionsStore::counterStartText(), QStringLiteral("1200"));
    QVERIFY(OptionsStore::isLoaded());
    QVERIFY(!OptionsStore::form()->isVisible());
}

void TestOptionsStore::missingFilesKeepBuiltInAndSaveCreatesThem()
{
    TempProgramFolder folder(false);
    for (int r = 0; r < Form4::rows; ++r) {
        QCOMPARE(OptionsStore::before(MarkerTable::Active, r), QStringLiteral(" "));
        QCOMPARE(OptionsStore::before(MarkerTable::Sold, r), QStringLiteral(" "));
        QCOMPARE(OptionsStore::after(MarkerTable::Active, r), QString());
        QCOMPARE(OptionsStore::after(MarkerTable::Sold, r), QString());
    }
    QCOMPARE(OptionsStore::tryCountText(), QStringLiteral("2"));
    QCOMPARE(OptionsStore::counterStartText(), QStringLiteral("800"));

    OptionsStore::showWindow();
    clickSave();
    QVERIFY(!OptionsStore::isLoaded());
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 38);
    QCOMPARE(readText(folder.file(QStringLiteral("Config13.rtf"))),
             std::optional<QString>(QStringLiteral(" ")));
    QCOMPARE(readText(folder.file(QStringLiteral("Options.rtf"))),
             std::optional<QString>(QStringLiteral("2")));
}

void TestOptionsStore::unreadableFileKeepsBuiltIn()
{
    TempProgramFolder folder;
    QFile::remove(folder.file(QStringLiteral("Options1.rtf")));
    QVERIFY(QDir(folder.path()).mkdir(QStringLiteral("Options1.rtf")));
    QFile junk(folder.file(QStringLiteral("Config24.rtf")));
    QVERIFY(junk.open(QIODevice::WriteOnly));
    junk.write("not rtf");
    junk.close();
    QCOMPARE(OptionsStore::counterStartText(), QStringLiteral("800"));
    QCOMPARE(OptionsStore::before(MarkerTable::Sold, 4), QStringLiteral(" "));
}

void TestOptionsStore::saveCount_data()
{
    QTest::addColumn<QString>("count");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<int>("limit"); // the counter try limit afterwards
    QTest::newRow("1") << QStringLiteral("1") << true << 1;
    QTest::newRow("10") << QStringLiteral("10") << true << 10;
    QTest::newRow("10.5") << QStringLiteral("10.5") << true << 10;
    QTest::newRow("4.5 to even") << QStringLiteral("4.5") << true << 4;
    QTest::newRow("words behind") << QStringLiteral("7 times") << true << 7;
    QTest::newRow("blanks kept") << QStringLiteral(" 3 ") << true << 3;
    QTest::newRow("0") << QStringLiteral("0") << false << 2;
    QTest::newRow("11") << QStringLiteral("11") << false << 2;
    QTest::newRow("empty") << QString() << false << 2;
}

void TestOptionsStore::saveCount()
{
    QFETCH(QString, count);
    QFETCH(bool, accepted);
    QFETCH(int, limit);
    TempProgramFolder folder;
    MessageRecorder messages;
    const QByteArray oldCount = readFile(folder.file(QStringLiteral("Options.rtf")));

    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    form->RTBtry->setText(count);
    form->RichTextBox6[8]->setText(QStringLiteral("  &rd=1  "));
    form->RTB3->setText(QStringLiteral("not a number"));
    clickSave();

    // The markers and the start position are written whatever the count,
    // and the window closes either way.
    QVERIFY(!OptionsStore::isLoaded());
    QCOMPARE(readText(folder.file(QStringLiteral("Config68.rtf"))),
             std::optional<QString>(QStringLiteral("  &rd=1  ")));
    QCOMPARE(readText(folder.file(QStringLiteral("Options1.rtf"))),
             std::optional<QString>(QStringLiteral("not a number")));
    if (accepted) {
        QCOMPARE(messages.texts, QStringList());
        QCOMPARE(readText(folder.file(QStringLiteral("Options.rtf"))),
                 std::optional<QString>(count));
    } else {
        QCOMPARE(messages.texts,
                 QStringList{QStringLiteral("Please input a number between 1 and 10")});
        QCOMPARE(readFile(folder.file(QStringLiteral("Options.rtf"))), oldCount);
    }
    QCOMPARE(int(OptionsStore::counterTryLimit()), limit);
    // The next read loads the saved files.
    QCOMPARE(OptionsStore::after(MarkerTable::Sold, 8), QStringLiteral("  &rd=1  "));
}

void TestOptionsStore::cancelWritesNothing_data()
{
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("Cancel button") << false;
    QTest::newRow("close box") << true;
}

void TestOptionsStore::cancelWritesNothing()
{
    QFETCH(bool, closeBox);
    TempProgramFolder folder;
    const QByteArray before = readFile(folder.file(QStringLiteral("Config10.rtf")));
    const QString saved = OptionsStore::before(MarkerTable::Active, 0);
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    form->RichTextBox1[0]->setText(QStringLiteral("edited"));
    form->RTBtry->setText(QStringLiteral("5"));
    if (closeBox)
        form->close();
    else
        QTest::mouseClick(form->Command2, Qt::LeftButton);
    QVERIFY(!OptionsStore::isLoaded());
    QCOMPARE(readFile(folder.file(QStringLiteral("Config10.rtf"))), before);
    QCOMPARE(OptionsStore::before(MarkerTable::Active, 0), saved);
    QCOMPARE(OptionsStore::tryCountText(), QStringLiteral("2"));
}

void TestOptionsStore::readSeesUnsavedEdits()
{
    TempProgramFolder folder;
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    RichTextHolder* rtb3 = form->RTB3;
    rtb3->setFocus();
    rtb3->selectAll();
    QTest::keyClicks(rtb3, QStringLiteral("950"));
    QCOMPARE(OptionsStore::counterStartText(), QStringLiteral("950"));
    QCOMPARE(OptionsStore::form(), form);
}

void TestOptionsStore::failedWriteIsReportedAndKeepsWindow()
{
    TempProgramFolder folder;
    MessageRecorder messages;
    QFile::remove(folder.file(QStringLiteral("Config13.rtf")));
    QVERIFY(QDir(folder.path()).mkpath(QStringLiteral("Config13.rtf/sub")));
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    form->RichTextBox1[3]->setText(QStringLiteral("lost?"));
    form->RichTextBox1[4]->setText(QStringLiteral("saved"));
    clickSave();

    QCOMPARE(messages.texts.size(), 1);
    QVERIFY(messages.texts[0].contains(QStringLiteral("Config13.rtf")));
    QVERIFY(OptionsStore::isLoaded());
    QVERIFY(form->isVisible());
    QCOMPARE(OptionsStore::before(MarkerTable::Active, 3), QStringLiteral("lost?"));
    QVERIFY(QFileInfo(folder.file(QStringLiteral("Config13.rtf/sub"))).isDir());
    QCOMPARE(readText(folder.file(QStringLiteral("Config14.rtf"))),
             std::optional<QString>(QStringLiteral("saved")));
}

void TestOptionsStore::counterTryLimitAtStart_data()
{
    QTest::addColumn<QString>("count"); // empty: no Options.rtf
    QTest::addColumn<int>("limit");
    QTest::newRow("2.5 to even") << QStringLiteral("2.5") << 2;
    QTest::newRow("3.5 to even") << QStringLiteral("3.5") << 4;
    QTest::newRow("text gives 0") << QStringLiteral("many") << 0;
    QTest::newRow("missing keeps 2") << QString() << 2;
    QTest::newRow("overflow keeps 2") << QStringLiteral("99999") << 2;
}

void TestOptionsStore::counterTryLimitAtStart()
{
    QFETCH(QString, count);
    QFETCH(int, limit);
    TempProgramFolder folder(false);
    if (!count.isEmpty())
        writeText(folder.file(QStringLiteral("Options.rtf")), count);
    OptionsStore::loadCounterTryLimit();
    QCOMPARE(int(OptionsStore::counterTryLimit()), limit);
}

QTEST_MAIN(TestOptionsStore)
#include "tst_optionsstore.moc"
