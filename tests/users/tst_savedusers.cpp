// The saved-user list driven through the real main window and confirmation
// window, on real User.rtf files in a temporary program folder.
#include "Controls.h"
#include "MessageRecorder.h"
#include "TestSupport.h"
#include "main_window/Form1.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"
#include "users/Form3.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QtTest>

#include <csignal>
#include <sys/resource.h>

class TestSavedUsers : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup() { m_form.reset(), m_messages.reset(), m_folder.reset(); }
    void change_data() { addTableRows({"users/data/changes.tsv"}); }
    void change();
    void confirmWindow();

private:
    QString file() const { return m_folder->file(QStringLiteral("User.rtf")); }

    // A list text, or <missing>, <empty>, <not rtf>, <folder>, <bom>TEXT, <cut>TEXT; load: then
    // load it.
    void setFile(const QString& state, bool load = false)
    {
        QFile::remove(file()) || QDir(file()).removeRecursively(); // or the folder in its place
        const bool bom = state.startsWith(u"<bom>"), cut = state.startsWith(u"<cut>");
        QByteArray rtf =
            (bom ? "\xEF\xBB\xBF" : "") + RtfCodec::write(state.mid(bom || cut ? 5 : 0));
        if (cut) // as a write that stopped short leaves it
            rtf.truncate(rtf.lastIndexOf('}'));
        QFile f(file());
        if (state == u"<folder>")
            QVERIFY(QDir().mkpath(file() + QStringLiteral("/inside")));
        else if (state != u"<missing>")
            QVERIFY(f.open(QIODevice::WriteOnly));
        if (f.isOpen() && state != u"<empty>")
            f.write(state == u"<not rtf>" ? QByteArray("alice,bob,") : rtf);
        f.close();
        if (load)
            m_form->loadcombo1();
    }

    QString fileText() const
    {
        QFile f(file());
        if (!f.open(QIODevice::ReadOnly))
            return QFileInfo(file()).isDir() ? QStringLiteral("<folder>")
                                             : QStringLiteral("<missing>");
        return RtfCodec::read(f.readAll()).value_or(QStringLiteral("<not rtf>"));
    }

    // Two cells stand for the search table: any change of the field clears it whole.
    void fillTable()
    {
        m_form->session()->editCell(0, Column::Title, QStringLiteral("Title"));
        m_form->session()->setChecked(4, true);
    }
    bool tableCleared() const
    {
        const AuctionTable& table = m_form->session()->table();
        return table.rows[0].title.isEmpty() && !table.rows[4].checked;
    }
    QString listLoaded() const { return control<RichTextHolder>(m_form.get(), "RTB1")->Text(); }

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
    m_form->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_form.get()));
}

void TestSavedUsers::change()
{
    QFETCH(QStringList, row);
    const QString &action = row[0], &user = row[4], &message = row[5], &expected = row[6];
    const bool diskFull = row[3] == u"<disk full>", typed = action == u"type";
    setFile(row[2], true);
    m_messages->texts.clear();
    const QString loaded = listLoaded();
    QComboBox* combo = control<QComboBox>(m_form.get(), "Combo1");
    if (!diskFull)
        setFile(row[3]);
    if (action == u"delete") {
        combo->setEditText(QStringLiteral("something else"));
        press(m_form.get(), "Command6");
        QVERIFY(Form3::current() && Form3::current()->isVisible());
    }
    // The main window stays usable; the ID taken is the field's at the click.
    if (typed) {
        combo->setFocus();
        QTRY_VERIFY(combo->lineEdit()->hasFocus());
        combo->clearEditText();
        QTest::keyClicks(combo, user);
    } else {
        combo->setEditText(user);
    }
    fillTable();
    if (typed) { // leaving the field is no pick from the list
        control(m_form.get(), "Command1")->setFocus();
        QTRY_VERIFY(!combo->lineEdit()->hasFocus());
    }
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    const rlimit full{diskFull ? 16 : saved.rlim_cur, saved.rlim_max}; // no write past 16 bytes
    std::signal(SIGXFSZ, SIG_IGN);
    setrlimit(RLIMIT_FSIZE, &full);
    if (action == u"load")
        QCOMPARE(m_form->loadcombo1(), message.isEmpty());
    else if (!typed)
        action == u"save" ? press(m_form.get(), "Command4") : press(Form3::current(), "Command1");
    setrlimit(RLIMIT_FSIZE, &saved);

    QCOMPARE(fileText(), expected);
    // Not the start instructions, shown whenever the window gets active with an empty field.
    QStringList messages = m_messages->texts;
    messages.removeIf([](const QString& t) { return t.startsWith(QStringLiteral("To Start:")); });
    QCOMPARE(messages.size(), message.isEmpty() ? 0 : 1);
    QCOMPARE(messages.value(0).left(message.size()), message);
    // Loaded or written, the list is the file's; else it stays as loaded, so no ID is lost.
    QCOMPARE(listLoaded(), message.isEmpty() ? expected : loaded);
    const QString text = listLoaded(), entries = text.left(text.lastIndexOf(u',') + 1);
    QString items; // each with its comma, as text after the last comma is no entry
    for (int i = 0; i < combo->count(); ++i)
        items += combo->itemText(i) + u',';
    QCOMPARE(items, action == u"load" && !message.isEmpty() ? QString() : entries);
    const QString first = entries.section(u',', 0, 0),
                  shown = message.isEmpty() && !typed ? first : user;
    QCOMPARE(combo->currentText(), shown);
    QVERIFY(!message.isEmpty() || m_form->session()->table().figures.userId == first);
    QCOMPARE(tableCleared(), shown != user); // only a change of the field clears it
    QVERIFY(!Form3::current());
    if (typed) { // a pick from the list clears the table, even one that leaves the text as it is
        combo->showPopup();
        QTRY_VERIFY(combo->view()->isVisible());
        QTest::keyClick(combo->view(), Qt::Key_Return);
        QVERIFY(tableCleared());
    }
}

void TestSavedUsers::confirmWindow()
{
    setFile(QStringLiteral("alice,bob,"), true);
    const QDateTime written = QFileInfo(file()).lastModified();
    press(m_form.get(), "mnuDeleteUser");
    QPointer<Form3> confirm = Form3::current();
    m_form->Command6_Click(); // brings the same window forward
    QCOMPARE(m_form->findChildren<Form3*>(), QList<Form3*>{confirm.data()});

    // The close box closes it as "No, Cancel" does, but leaves the focus.
    control(m_form.get(), "Combo1")->setFocus();
    confirm->close();
    QCOMPARE(m_form->focusWidget(), control(m_form.get(), "Combo1"));
    QTRY_VERIFY(confirm.isNull());
    m_form->Command6_Click();
    press(Form3::current(), "Command2");
    QVERIFY(!Form3::current());
    QCOMPARE(m_form->focusWidget(), control(m_form.get(), "Command1"));
    QCOMPARE(QFileInfo(file()).lastModified(), written);
}

QTEST_MAIN(TestSavedUsers)
#include "tst_savedusers.moc"
