// The saved-user list driven through the real main window and confirmation
// window, on real User.rtf files in a temporary program folder.
#include "main_window/Form1.h"
#include "base/Twips.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"
#include "users/Form3.h"

#include "TestSupport.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

namespace {
// File states besides a list text.
const QString Missing = QStringLiteral("<missing>");
const QString NotRtf = QStringLiteral("<not rtf>");
const QString Empty = QStringLiteral("<empty>");
const QString Bom = QStringLiteral("<bom>alice,bob,");
const QString Directory = QStringLiteral("<directory>");
const QString DiskFull = QStringLiteral("<disk full>");
const QString Failed = QStringLiteral("Could not save the user list: ");

// While it lives, any write of more than a few bytes fails as on a full disk.
class FileSizeLimit
{
public:
    FileSizeLimit()
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_old);
        rlimit tight = m_old;
        tight.rlim_cur = 16;
        setrlimit(RLIMIT_FSIZE, &tight);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_old); }

private:
    rlimit m_old{};
};
} // namespace

class TestSavedUsers : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void load_data();
    void load();
    void reloadClearsTableOnlyOnChange_data();
    void reloadClearsTableOnlyOnChange();
    void save_data();
    void save();
    void deleteUser_data();
    void deleteUser();
    void writeFailure_data();
    void writeFailure();
    void confirmWindow();
    void fieldChangesClearTable();
    void typedTextStaysAsTyped_data();
    void typedTextStaysAsTyped();

private:
    void setFile(const QString& state);
    QString fileText() const;
    QStringList items() const;
    QStringList messages() const;
    void fillTable();
    bool tableCleared() const;

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<Form1> m_form;
};

void TestSavedUsers::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestSavedUsers::cleanup()
{
    m_form.reset();
    m_messages.reset();
    m_folder.reset();
}

void TestSavedUsers::setFile(const QString& state)
{
    const QString path = m_folder->file(QStringLiteral("User.rtf"));
    QFile::remove(path);
    QDir(path).removeRecursively();
    if (state == Directory)
        QVERIFY(QDir().mkpath(path + QStringLiteral("/inside")));
    if (state == Missing || state == Directory)
        return;
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    if (state == Empty)
        return;
    if (state.startsWith(QLatin1String("<bom>")))
        file.write("\xEF\xBB\xBF" + RtfCodec::write(state.mid(5)));
    else
        file.write(state == NotRtf ? QByteArray("alice,bob,") : RtfCodec::write(state));
}

QString TestSavedUsers::fileText() const
{
    QFile file(m_folder->file(QStringLiteral("User.rtf")));
    if (!file.open(QIODevice::ReadOnly))
        return Missing;
    return RtfCodec::read(file.readAll()).value_or(NotRtf);
}

QStringList TestSavedUsers::items() const
{
    QStringList list;
    for (int i = 0; i < m_form->Combo1->count(); ++i)
        list << m_form->Combo1->itemText(i);
    return list;
}

// The start instructions come up whenever the main window becomes active with
// an empty field; they are not what these tests look at.
QStringList TestSavedUsers::messages() const
{
    QStringList texts = m_messages->texts;
    texts.removeIf([](const QString& t) { return t.startsWith(QStringLiteral("To Start:")); });
    return texts;
}

void TestSavedUsers::fillTable()
{
    for (int i = 0; i < Form1::Rows; i += 3) {
        m_form->Text7[i]->setText(QStringLiteral("Title %1").arg(i));
        m_form->Check1[i]->setChecked(true);
    }
}

bool TestSavedUsers::tableCleared() const
{
    for (int i = 0; i < Form1::Rows; ++i) {
        if (!m_form->Text7[i]->text().isEmpty() || m_form->Check1[i]->isChecked())
            return false;
    }
    return m_form->Text13->text().isEmpty();
}

void TestSavedUsers::load_data()
{
    QTest::addColumn<QString>("state");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("two IDs") << "alice,bob," << QStringList{"alice", "bob"};
    QTest::newRow("empty file") << "" << QStringList{};
    QTest::newRow("two commas give an empty entry") << "a,,b," << QStringList{"a", "", "b"};
    QTest::newRow("text after the last comma dropped") << "alice,bo" << QStringList{"alice"};
    QTest::newRow("blanks, case, non-Latin kept")
        << " Ann ,Zoë,😀," << QStringList{" Ann ", "Zoë", "😀"};
    // Failures: empty list, the typed text and the table stay.
    QTest::newRow("missing") << Missing << QStringList{};
    QTest::newRow("not RTF") << NotRtf << QStringList{};
    QTest::newRow("a directory") << Directory << QStringList{};
}

void TestSavedUsers::load()
{
    QFETCH(QString, state);
    QFETCH(QStringList, expected);
    const bool fails = state.startsWith(QLatin1Char('<'));
    setFile(QStringLiteral("x,"));
    QVERIFY(m_form->loadcombo1());
    setFile(state);
    m_form->Combo1->setEditText(QStringLiteral("typed"));
    fillTable();

    QCOMPARE(m_form->loadcombo1(), !fails);
    QCOMPARE(messages(), fails ? QStringList{"error in LoadUsers"} : QStringList{});
    QCOMPARE(items(), expected);
    const QString shown = fails ? QStringLiteral("typed") : expected.value(0);
    QCOMPARE(m_form->Combo1->currentText(), shown);
    QCOMPARE(m_form->Text5->text(), fails ? QStringLiteral("x") : shown);
    QCOMPARE(tableCleared(), !fails);
}

void TestSavedUsers::reloadClearsTableOnlyOnChange_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("cleared");
    QTest::newRow("field already shows the first entry") << "alice"
                                                         << "alice,carol," << false;
    QTest::newRow("field shows another entry") << "bob"
                                               << "alice,bob," << true;
    QTest::newRow("empty field, empty file") << ""
                                             << "" << false;
    QTest::newRow("typed text, empty file") << "carol"
                                            << "" << true;
}

void TestSavedUsers::reloadClearsTableOnlyOnChange()
{
    QFETCH(QString, before);
    QFETCH(QString, text);
    QFETCH(bool, cleared);
    // A list to empty first: emptying it moves the field's text about.
    setFile(QStringLiteral("alice,bob,"));
    QVERIFY(m_form->loadcombo1());
    m_form->Combo1->setEditText(before);
    setFile(text);
    fillTable();
    QVERIFY(m_form->loadcombo1());
    QCOMPARE(tableCleared(), cleared);
}

void TestSavedUsers::save_data()
{
    QTest::addColumn<QString>("atLoad");
    QTest::addColumn<QString>("atSave");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("expected");

    const QString ok;
    const QString dup = QStringLiteral("User already exists in saved file");
    const QString ab = QStringLiteral("alice,bob,");
    QTest::newRow("new ID") << ab << ab << "carol" << ok << "alice,bob,carol,";
    QTest::newRow("duplicate") << ab << ab << "bob" << dup << ab;
    QTest::newRow("part of an entry is new") << ab << ab << "ob" << ok << "alice,bob,ob,";
    QTest::newRow("case-sensitive") << "alice,"
                                    << "alice,"
                                    << "Alice" << ok << "alice,Alice,";
    QTest::newRow("comma inside") << ""
                                  << ""
                                  << "a,b" << ok << "a,b,";
    QTest::newRow("empty ID") << ab << ab << ""
                              << "Please Input a valid user name to continue" << ab;
    QTest::newRow("missing file is created") << Missing << Missing << "carol" << ok << "carol,";
    // The file as it is now is extended, or the list as last loaded when it
    // cannot be read: no saved ID is dropped.
    QTest::newRow("saved elsewhere since") << "alice," << ab << "carol" << ok << "alice,bob,carol,";
    QTest::newRow("duplicate saved elsewhere") << "alice," << ab << "bob" << dup << ab;
    QTest::newRow("removed since") << ab << Missing << "carol" << ok << "alice,bob,carol,";
    QTest::newRow("emptied since") << ab << Empty << "carol" << ok << "alice,bob,carol,";
    QTest::newRow("byte order mark") << ab << Bom << "carol" << ok << "alice,bob,carol,";
    // A file that is there but cannot be read is never written over.
    QTest::newRow("unreadable since") << ab << NotRtf << "carol" << "User.rtf could not be read"
                                      << NotRtf;
}

void TestSavedUsers::save()
{
    QFETCH(QString, atLoad);
    QFETCH(QString, atSave);
    QFETCH(QString, user);
    QFETCH(QString, message);
    QFETCH(QString, expected);
    setFile(atLoad);
    m_form->loadcombo1();
    m_messages->texts.clear();
    setFile(atSave);
    m_form->Combo1->setEditText(user);
    QTest::mouseClick(m_form->Command4, Qt::LeftButton);

    QCOMPARE(messages().size(), message.isEmpty() ? 0 : 1);
    if (!message.isEmpty())
        QVERIFY2(messages()[0].startsWith(message), qPrintable(messages()[0]));
    QCOMPARE(fileText(), expected);
    if (message.isEmpty()) {
        // Reloaded: the field shows the first entry, whichever was saved.
        QStringList entries = expected.split(QLatin1Char(','));
        entries.removeLast();
        QCOMPARE(items(), entries);
        QCOMPARE(m_form->Combo1->currentText(), entries.first());
    }
}

void TestSavedUsers::deleteUser_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("user");
    QTest::addColumn<QString>("expected");
    QTest::newRow("look-alike before it") << "jimbob,bob,"
                                          << "bob"
                                          << "jimbob,";
    QTest::newRow("look-alike after it") << "bob,bobby,"
                                         << "bob"
                                         << "bobby,";
    QTest::newRow("first of two equal") << "x,bob,bob,"
                                        << "bob"
                                        << "x,bob,";
    QTest::newRow("not an entry") << "alice,bob,"
                                  << "dave"
                                  << "alice,bob,";
    QTest::newRow("case-sensitive") << "alice,"
                                    << "Alice"
                                    << "alice,";
    QTest::newRow("text after the last comma") << "alice,bo"
                                               << "bo"
                                               << "alice,bo";
    QTest::newRow("empty entry") << "a,,b,"
                                 << ""
                                 << "a,b,";
    QTest::newRow("missing file is created") << Missing << "bob"
                                             << "";
    QTest::newRow("byte order mark") << Bom << "bob"
                                     << "alice,";
    QTest::newRow("unreadable file left as is") << NotRtf << "bob" << NotRtf;
}

void TestSavedUsers::deleteUser()
{
    QFETCH(QString, text);
    QFETCH(QString, user);
    QFETCH(QString, expected);
    setFile(text);
    m_form->loadcombo1();
    m_messages->texts.clear();

    m_form->Combo1->setEditText(QStringLiteral("something else"));
    QTest::mouseClick(m_form->Command6, Qt::LeftButton);
    QPointer<Form3> confirm = Form3::current();
    QVERIFY(confirm && confirm->isVisible());
    // The main window stays usable; the ID taken is the field's at "Yes".
    m_form->Combo1->setEditText(user);
    QTest::mouseClick(confirm->Command1, Qt::LeftButton);

    QCOMPARE(fileText(), expected);
    if (expected == NotRtf) {
        QCOMPARE(messages().size(), 1);
        QVERIFY(messages()[0].startsWith(QStringLiteral("User.rtf could not be read")));
    } else {
        QCOMPARE(m_form->RTB1->Text(), expected); // reloaded
        QCOMPARE(messages(), QStringList{});
    }
    QVERIFY(!Form3::current());
    QTRY_VERIFY(confirm.isNull());
}

void TestSavedUsers::writeFailure_data()
{
    QTest::addColumn<QString>("obstacle");
    QTest::addColumn<bool>("deleting");
    QTest::addColumn<QString>("message");
    const QString unreadable = QStringLiteral("User.rtf could not be read: ");
    QTest::newRow("save, a directory in the file's place") << Directory << false << unreadable;
    QTest::newRow("save, the disk fills up") << DiskFull << false << Failed;
    QTest::newRow("delete, a directory in the file's place") << Directory << true << unreadable;
}

void TestSavedUsers::writeFailure()
{
    QFETCH(QString, obstacle);
    QFETCH(bool, deleting);
    QFETCH(QString, message);
    setFile(QStringLiteral("alice,bob,"));
    QVERIFY(m_form->loadcombo1());
    m_form->Combo1->setEditText(deleting ? QStringLiteral("bob") : QStringLiteral("carol"));
    {
        std::unique_ptr<FileSizeLimit> limit;
        if (obstacle == DiskFull)
            limit = std::make_unique<FileSizeLimit>();
        else
            setFile(obstacle);
        if (deleting) {
            m_form->Command6_Click();
            Form3::current()->Command1_Click();
        } else {
            m_form->Command4_Click();
        }
    }
    if (obstacle == DiskFull) // the old list survives a write cut short
        QCOMPARE(fileText(), QStringLiteral("alice,bob,"));
    QCOMPARE(messages().size(), 1);
    QVERIFY2(messages()[0].startsWith(message), qPrintable(messages()[0]));
    QCOMPARE(items(), (QStringList{"alice", "bob"}));
    QVERIFY(!Form3::current());
    // Once the obstacle is gone, every ID is still there to be written.
    setFile(Missing);
    m_form->Combo1->setEditText(QStringLiteral("carol"));
    m_form->Command4_Click();
    QCOMPARE(fileText(), QStringLiteral("alice,bob,carol,"));
}

void TestSavedUsers::confirmWindow()
{
    setFile(QStringLiteral("alice,bob,"));
    m_form->loadcombo1();
    const QDateTime written = QFileInfo(m_folder->file(QStringLiteral("User.rtf"))).lastModified();
    m_form->mnuDeleteUser->trigger();
    QPointer<Form3> confirm = Form3::current();
    QVERIFY(confirm);
    QCOMPARE(confirm->windowTitle(), QStringLiteral("Confirm Delete"));
    QCOMPARE(confirm->size(), QSize(tw(4140), tw(1215)));
    QCOMPARE(confirm->Label1->text(),
             QStringLiteral("Are you sure you want do delete the selected User ID?"));
    QVERIFY(confirm->Label1->fontMetrics().horizontalAdvance(confirm->Label1->text()) <=
            confirm->Label1->width());
    QCOMPARE(confirm->Command1->text(), QStringLiteral("Yes, Delete"));
    QCOMPARE(confirm->Command2->text(), QStringLiteral("No, Cancel"));
    QCOMPARE(confirm->Command2->size(), QSize(tw(1215), tw(495)));
    QVERIFY(confirm->Command1->x() < confirm->Command2->x());
    // A second Delete User brings the same window forward.
    m_form->Command6_Click();
    QCOMPARE(Form3::current(), confirm.data());
    QCOMPARE(m_form->findChildren<Form3*>().size(), 1);

    // The close box closes it as "No, Cancel" does, but leaves the focus.
    m_form->Combo1->setFocus();
    confirm->close();
    QCOMPARE(m_form->focusWidget(), m_form->Combo1);
    QTRY_VERIFY(confirm.isNull());
    m_form->Command6_Click();
    QTest::mouseClick(Form3::current()->Command2, Qt::LeftButton);
    QVERIFY(!Form3::current());
    QCOMPARE(m_form->focusWidget(), m_form->Command1);
    QCOMPARE(QFileInfo(m_folder->file(QStringLiteral("User.rtf"))).lastModified(), written);

    // The program's exit closes it.
    m_form->Command6_Click();
    confirm = Form3::current();
    m_form->close();
    QVERIFY(!Form3::current());
    QTRY_VERIFY(confirm.isNull());
}

void TestSavedUsers::fieldChangesClearTable()
{
    setFile(QStringLiteral("alice,bob,"));
    m_form->loadcombo1();
    QComboBox* combo = m_form->Combo1;
    combo->setFocus();
    fillTable();
    QTest::keyClick(combo, Qt::Key_X);
    QVERIFY(tableCleared());
    fillTable();
    QTest::keyClick(combo, Qt::Key_Backspace);
    QVERIFY(tableCleared());

    // Picking from the list clears even when the pick leaves the text as it was.
    fillTable();
    combo->showPopup();
    QTRY_VERIFY(combo->view()->isVisible());
    QTest::keyClick(combo->view(), Qt::Key_Return);
    QCOMPARE(combo->currentText(), QStringLiteral("alice"));
    QVERIFY(tableCleared());
}

void TestSavedUsers::typedTextStaysAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("start of a saved ID") << "Al";
    QTest::newRow("a saved ID not shown") << "bob";
    QTest::newRow("a saved ID in other case") << "ALICE";
    QTest::newRow("a new ID") << "carol";
}

void TestSavedUsers::typedTextStaysAsTyped()
{
    QFETCH(QString, typed);
    setFile(QStringLiteral("Alice,bob,"));
    m_form->loadcombo1();
    QComboBox* combo = m_form->Combo1;
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
    combo->setFocus();
    QTRY_VERIFY(combo->lineEdit()->hasFocus());
    combo->clearEditText();
    QTest::keyClicks(combo, typed);
    QCOMPARE(combo->currentText(), typed);
    // Leaving the field is no pick from the list: the text and table stay.
    fillTable();
    m_form->Command1->setFocus();
    QTRY_VERIFY(!combo->lineEdit()->hasFocus());
    QCOMPARE(combo->currentText(), typed);
    QVERIFY(!tableCleared());
}

QTEST_MAIN(TestSavedUsers)
#include "tst_savedusers.moc"
