// Option files: in the program's folder when writable, else in the user's copy.
#include "base/ProgramFolder.h"
#include "options/OptionTexts.h"
#include "users/UserList.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
    void shippedChanges();
};

void TestSettings::choose_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("writable program folder") << QStringLiteral("writable");
    QTest::newRow("installed, writable by root") << QStringLiteral("installed");
    QTest::newRow("read-only, first start") << QStringLiteral("first");
    QTest::newRow("read-only, user's own copy") << QStringLiteral("own");
    QTest::newRow("read-only, own copy lacks a file") << QStringLiteral("lacks");
    QTest::newRow("read-only, user folder cannot be made") << QStringLiteral("uncreatable");
    // Root with an odd HOME: the installed files, read-only for root too.
    QTest::newRow("installed, user folder cannot be made")
        << QStringLiteral("installed, uncreatable");
}

void TestSettings::choose()
{
    QFETCH(QString, kind);
    const bool writable = kind == QLatin1String("writable") || kind.startsWith(u"installed");
    QTemporaryDir tmp, home;
    const QString installed = tmp.path();
    const QByteArray at = QFile::encodeName(installed);
    if (!writable && ::mount("tmpfs", at.constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("a read-only file system for root needs a mount");
    auto unmount = qScopeGuard([&] { ::umount2(at.constData(), MNT_DETACH); });
    const QDir data(qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/data"));
    const QStringList names = data.entryList({QStringLiteral("*.rtf")});
    QCOMPARE(names.size(), 39);
    for (const QString& name : names)
        QVERIFY(QFile::copy(data.filePath(name), installed + u'/' + name) &&
                QFile::setPermissions(installed + u'/' + name, QFile::ReadOwner));
    if (!writable)
        QCOMPARE(::mount(nullptr, at.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

    const bool uncreatable = kind.endsWith(u"uncreatable");
    const bool usesUserCopy = kind != QLatin1String("writable") && !uncreatable;
    const bool ownCopy = kind == QLatin1String("own") || kind == QLatin1String("lacks");
    const QString user = home.filePath(uncreatable ? QStringLiteral("file/Quillmere")
                                                   : QStringLiteral("config/Quillmere"));
    const QByteArray mine = "{\\rtf1 mine,}";
    if (uncreatable) {
        QVERIFY(QFile(home.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly));
    } else if (ownCopy) {
        QVERIFY(QDir().mkpath(user));
        for (const QString& name : names)
            if (name != QLatin1String("Config10.rtf") || kind != QLatin1String("lacks"))
                QFile::copy(data.filePath(name), user + u'/' + name);
        QFile own(user + QStringLiteral("/User.rtf"));
        QVERIFY(own.open(QIODevice::WriteOnly) && own.write(mine) > 0);
    }

    const auto chosen = chooseSettingsFolder(installed, user, kind.startsWith(u"installed"));
    QCOMPARE(chosen.folder, usesUserCopy ? user : installed);
    QCOMPARE(chosen.message.contains(user), uncreatable);
    QCOMPARE(QFileInfo::exists(user), usesUserCopy);
    for (const QString& name : usesUserCopy ? names : QStringList()) {
        QFile copy(user + u'/' + name), original(data.filePath(name));
        QVERIFY(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly));
        QVERIFY(copy.permissions() & QFile::WriteOwner);
        const bool own = ownCopy && name == QLatin1String("User.rtf");
        QCOMPARE(copy.readAll(), own ? mine : original.readAll());
    }

    // Saves go where the settings were chosen; read-only ones refuse, also for root.
    QCOMPARE(chosen.readOnly, uncreatable);
    setProgramFolder(chosen.folder);
    setSettingsReadOnly(chosen.readOnly ? chosen.message : QString());
    QCOMPARE(UserList::add(QStringLiteral("root"), QString()).outcome.isOk(), !uncreatable);
    QCOMPARE(OptionFiles::save(OptionFiles::load().texts).refused.isEmpty(), !uncreatable);
    setSettingsReadOnly(QString());
    setProgramFolder(QString());
}

// A new version's changed option files are told once, and only those the
// user's copy differs from; the user keeps theirs.
void TestSettings::shippedChanges()
{
    QTemporaryDir shipped, home;
    const QString user = home.filePath(QStringLiteral("Quillmere"));
    const auto write = [](const QString& path, const QByteArray& text) {
        QFile file(path);
        return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
    };
    const QStringList names{QStringLiteral("A.rtf"), QStringLiteral("B.rtf"),
                            QStringLiteral("C.rtf")};
    const auto ship = [&](const QByteArray& text) {
        for (const QString& name : names)
            QVERIFY(write(shipped.filePath(name), text));
    };
    const auto start = [&] { return chooseSettingsFolder(shipped.path(), user, true); };
    ship("{\\rtf1 1}");
    QCOMPARE(start().changedShipped, QStringList());
    QVERIFY(write(user + QStringLiteral("/B.rtf"), "{\\rtf1 mine}"));
    QVERIFY(write(user + QStringLiteral("/C.rtf"), "{\\rtf1 2}"));
    ship("{\\rtf1 2}");
    const SettingsFolder upgraded = start();
    QCOMPARE(upgraded.changedShipped, names.first(2));
    QVERIFY(shippedChangesMessage(upgraded, shipped.path()).contains(u"A.rtf, B.rtf"));
    QCOMPARE(start().changedShipped, QStringList());
    QFile mine(user + QStringLiteral("/B.rtf"));
    QVERIFY(mine.open(QIODevice::ReadOnly));
    QCOMPARE(mine.readAll(), QByteArray("{\\rtf1 mine}"));
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
