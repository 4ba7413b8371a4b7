// Option files: in the program's folder when writable, else in the user's copy.
#include "base/ProgramFolder.h"

#include <QTemporaryDir>
#include <QtTest>

#include <sys/mount.h>

class TestSettings : public QObject
{
    Q_OBJECT
private slots:
    void choose_data();
    void choose();
};

void TestSettings::choose_data()
{
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<QString>("userCopy"); // none, whole, lacksOne, uncreatable
    QTest::newRow("writable program folder") << false << QStringLiteral("none");
    QTest::newRow("installed, first start") << true << QStringLiteral("none");
    QTest::newRow("installed, own copy") << true << QStringLiteral("whole");
    QTest::newRow("installed, copy lacks a file") << true << QStringLiteral("lacksOne");
    QTest::newRow("installed, folder cannot be made") << true << QStringLiteral("uncreatable");
}

void TestSettings::choose()
{
    QFETCH(bool, readOnly);
    QFETCH(QString, userCopy);
    QTemporaryDir tmp;
    const QString installed = tmp.filePath(QStringLiteral("installed"));
    const QByteArray mountPoint = QFile::encodeName(installed);
    QVERIFY(QDir().mkpath(installed));
    if (readOnly && ::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=1m") != 0)
        QSKIP("a read-only file system for root needs a mount");
    auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    const QDir data(qEnvironmentVariable("QUILLMERE_SOURCE_DIR") + QStringLiteral("/data"));
    const QStringList names = data.entryList({QStringLiteral("*.rtf")});
    QCOMPARE(names.size(), 39);
    for (const QString& name : names)
        QVERIFY(QFile::copy(data.filePath(name), installed + u'/' + name) &&
                QFile::setPermissions(installed + u'/' + name, QFile::ReadOwner | QFile::ReadOther));
    if (readOnly)
        QCOMPARE(::mount(nullptr, mountPoint.constData(), nullptr, MS_REMOUNT | MS_RDONLY, nullptr), 0);

    const bool uncreatable = userCopy == QLatin1String("uncreatable");
    const bool usesUserCopy = readOnly && !uncreatable;
    const QString user = tmp.filePath(uncreatable ? "file/Quillmere" : "config/Quillmere");
    const QByteArray mine = "{\\rtf1 mine,}";
    if (uncreatable) {
        QVERIFY(QFile(tmp.filePath(QStringLiteral("file"))).open(QIODevice::WriteOnly));
    } else if (userCopy != QLatin1String("none")) {
        QVERIFY(QDir().mkpath(user));
        for (const QString& name : names)
            if (name != QLatin1String("Config10.rtf") || userCopy != QLatin1String("lacksOne"))
                QFile::copy(data.filePath(name), user + u'/' + name);
        QFile own(user + QStringLiteral("/User.rtf"));
        QVERIFY(own.open(QIODevice::WriteOnly) && own.write(mine) > 0);
    }

    const SettingsFolder chosen = chooseSettingsFolder(installed, user);
    QCOMPARE(chosen.folder, usesUserCopy ? user : installed);
    QCOMPARE(chosen.message.contains(user), uncreatable);
    QCOMPARE(QFileInfo::exists(user), usesUserCopy);
    for (const QString& name : usesUserCopy ? names : QStringList()) {
        QFile copy(user + u'/' + name), original(data.filePath(name));
        QVERIFY2(copy.open(QIODevice::ReadOnly) && original.open(QIODevice::ReadOnly), qPrintable(name));
        QVERIFY(copy.permissions() & QFile::WriteOwner);
        const bool own = name == QLatin1String("User.rtf") && userCopy != QLatin1String("none");
        QCOMPARE(copy.readAll(), own ? mine : original.readAll());
    }
}

QTEST_GUILESS_MAIN(TestSettings)
#include "tst_settings.moc"
