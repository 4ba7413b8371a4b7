#include "TestSupport.h"
#include "options/RichTextHolder.h"
#include "options/RtfCodec.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <linux/capability.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

class TestRichTextHolder : public QObject
{
    Q_OBJECT
private slots:
    void saveThenLoad_data();
    void saveThenLoad();
    void loadFailureKeepsContent_data();
    void loadFailureKeepsContent();
    void failedWriteKeepsOldFile();
    void selection_data();
    void selection();
    void userTypingBecomesText();

private:
    QTemporaryDir m_dir;
};

namespace {
bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Root passes every file mode; while this lives it passes them no more.
class NoDacOverride
{
public:
    NoDacOverride()
    {
        m_ok = syscall(SYS_capget, &m_head, m_saved) == 0;
        __user_cap_data_struct lowered[2] = {m_saved[0], m_saved[1]};
        lowered[0].effective &= ~(1u << CAP_DAC_OVERRIDE);
        m_ok = m_ok && syscall(SYS_capset, &m_head, lowered) == 0;
    }
    ~NoDacOverride()
    {
        if (m_ok)
            syscall(SYS_capset, &m_head, m_saved);
    }

private:
    __user_cap_header_struct m_head{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_ok = false;
};

// While this lives the process may take only a few MiB more memory.
class SmallMemory
{
public:
    SmallMemory()
    {
#ifndef __SANITIZE_ADDRESS__ // the sanitizer's own mappings count against the limit
        QFile status(QStringLiteral("/proc/self/status"));
        status.open(QIODevice::ReadOnly);
        const QByteArray text = status.readAll();
        const qsizetype at = text.indexOf("VmData:");
        const rlim_t used = text.mid(at + 7, text.indexOf('\n', at) - at - 7).trimmed().split(' ')
                                .first()
                                .toULongLong() *
                            1024;
        getrlimit(RLIMIT_DATA, &m_old);
        rlimit small = m_old;
        small.rlim_cur = used + 16 * 1024 * 1024;
        m_set = at >= 0 && setrlimit(RLIMIT_DATA, &small) == 0;
#endif
    }
    ~SmallMemory()
    {
        if (m_set)
            setrlimit(RLIMIT_DATA, &m_old);
    }

private:
    rlimit m_old{};
    bool m_set = false;
};
} // namespace

void TestRichTextHolder::saveThenLoad_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("closedFolder"); // no new files in it; the file stays writable
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("marker with blanks") << QStringLiteral("  <span id=\"v\">  ") << false;
    QTest::newRow("lines, tabs, CR, NUL") << QStringLiteral("a\tb\r\nc\n") + QChar(0) << false;
    QTest::newRow("outside cp1252") << QStringLiteral("\u0416\U0001F600{\\}") << false;
    QTest::newRow("longer than a line edit takes") << QString(100000, u'x') << false;
    QTest::newRow("folder forbids new files") << QStringLiteral("written in place") << true;
}

void TestRichTextHolder::saveThenLoad()
{
    QFETCH(QString, text);
    QFETCH(bool, closedFolder);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("holder.rtf"));
    RichTextHolder writer;
    if (closedFolder) {
        QVERIFY(writer.SaveFile(path, 0));
        QCOMPARE(::chmod(QFile::encodeName(dir.path()).constData(), 0555), 0);
    }
    writer.setText(text);
    bool saved;
    {
        NoDacOverride asUser;
        saved = writer.SaveFile(path, 0);
    }
    ::chmod(QFile::encodeName(dir.path()).constData(), 0700);
    QVERIFY2(saved, qPrintable(writer.lastError()));
    QCOMPARE(readFile(path), RtfCodec::write(text));

    RichTextHolder reader;
    reader.setText(QStringLiteral("old"));
    {
        // Reading a small file takes memory for that file, not for the largest one allowed.
        SmallMemory tight;
        QVERIFY(reader.LoadFile(path));
    }
    QCOMPARE(reader.Text(), text);
}

void TestRichTextHolder::loadFailureKeepsContent_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QByteArray>("bytes"); // empty: no file is made
    QTest::newRow("missing") << QStringLiteral("missing.rtf") << QByteArray();
    QTest::newRow("plain text") << QStringLiteral("plain.rtf") << QByteArray("alice,bob,");
    QTest::newRow("binary") << QStringLiteral("binary.rtf") << QByteArray("\0\1\2\3", 4);
    QTest::newRow("directory") << QStringLiteral("adir.rtf") << QByteArray();
}

void TestRichTextHolder::loadFailureKeepsContent()
{
    QFETCH(QString, name);
    QFETCH(QByteArray, bytes);
    const QString path = m_dir.filePath(name);
    if (name.startsWith(u'a'))
        QVERIFY(QDir(m_dir.path()).mkpath(name));
    else if (!bytes.isEmpty())
        QVERIFY(writeFile(path, bytes));

    RichTextHolder holder;
    holder.setText(QStringLiteral("built-in"));
    QVERIFY(!holder.LoadFile(path));
    QCOMPARE(holder.Text(), QStringLiteral("built-in"));
    QVERIFY(!holder.lastError().isEmpty());
}

void TestRichTextHolder::failedWriteKeepsOldFile()
{
    // A file size limit makes the write itself fail part way, like a full
    // disk; it binds root too, unlike file permissions.
    const QString path = m_dir.filePath(QStringLiteral("old.rtf"));
    RichTextHolder holder;
    holder.setText(QStringLiteral("old text"));
    QVERIFY(holder.SaveFile(path));
    const QByteArray before = readFile(path);

    rlimit saved{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &saved), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    holder.setText(QString(20000, u'n'));
    const bool ok = holder.SaveFile(path);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    QVERIFY(!ok);
    QVERIFY(!holder.lastError().isEmpty());
    QCOMPARE(readFile(path), before);
    QCOMPARE(QDir(m_dir.path()).entryList({QStringLiteral("old.rtf*")}, QDir::Files),
             QStringList{QStringLiteral("old.rtf")});
}

void TestRichTextHolder::selection_data()
{
    // Each step: "s N" set start, "l N" set length, "w TEXT" write the
    // selected text; the row checks the selected text read at the end and
    // the whole text.
    QTest::addColumn<QString>("initial");
    QTest::addColumn<QStringList>("steps");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("text");
    QTest::newRow("append") << QStringLiteral("alice,") << QStringList{"s 6", "l 0", "w bob,"}
                            << QString() << QStringLiteral("alice,bob,");
    QTest::newRow("delete stretch")
        << QStringLiteral("jimbob,bob,") << QStringList{"s 7", "l 4", "w "} << QString()
        << QStringLiteral("jimbob,");
    QTest::newRow("replace") << QStringLiteral("abc") << QStringList{"s 1", "l 1", "w XY"}
                             << QString() << QStringLiteral("aXYc");
    QTest::newRow("start past end clamps") << QStringLiteral("abc") << QStringList{"s 99", "w !"}
                                           << QString() << QStringLiteral("abc!");
    QTest::newRow("length past end clamps") << QStringLiteral("abc") << QStringList{"s 1", "l 99"}
                                            << QStringLiteral("bc") << QStringLiteral("abc");
    QTest::newRow("negative start") << QStringLiteral("abc") << QStringList{"s -4", "l 1"}
                                    << QStringLiteral("a") << QStringLiteral("abc");
    QTest::newRow("start empties selection")
        << QStringLiteral("abc") << QStringList{"s 0", "l 2", "s 1"} << QString()
        << QStringLiteral("abc");
}

void TestRichTextHolder::selection()
{
    QFETCH(QString, initial);
    QFETCH(QStringList, steps);
    QFETCH(QString, selected);
    QFETCH(QString, text);
    RichTextHolder holder;
    holder.setText(initial);
    for (const QString& step : steps) {
        const QString arg = step.mid(2);
        if (step.startsWith(u's'))
            holder.setSelStart(arg.toInt());
        else if (step.startsWith(u'l'))
            holder.setSelLength(arg.toInt());
        else
            holder.setSelText(arg);
    }
    QCOMPARE(holder.SelText(), selected);
    QCOMPARE(holder.Text(), text);
}

void TestRichTextHolder::userTypingBecomesText()
{
    RichTextHolder holder;
    holder.setText(QStringLiteral("12"));
    holder.show();
    QVERIFY(QTest::qWaitForWindowExposed(&holder));
    QCOMPARE(holder.text(), QStringLiteral("12"));
    holder.setFocus();
    holder.end(false);
    QTest::keyClicks(&holder, QStringLiteral("3 x"));
    QCOMPARE(holder.Text(), QStringLiteral("123 x"));
    QTest::keyClick(&holder, Qt::Key_Backspace);
    QCOMPARE(holder.Text(), QStringLiteral("123 "));
}

QTEST_MAIN(TestRichTextHolder)
#include "tst_richtextholder.moc"
