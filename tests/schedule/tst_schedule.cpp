// Scheduled scans: the unit files systemd reads, the window where no user
// service manager runs, and the scheduled run as the service starts it.
#include "DemoSession.h"
#include "TestSupport.h"

#include "history/HistoryStore.h"
#include "history/frmHistory.h"
#include "schedule/Schedule.h"
#include "schedule/ScheduledRun.h"
#include "schedule/frmSchedule.h"
#include "session/HistoryRecorder.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QSqlQuery>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QtTest>

// The desktop's notification server, as far as a notice needs one.
class NotificationServer : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Notifications")
public:
    QStringList bodies;
public slots:
    uint Notify(const QString&, uint, const QString&, const QString&, const QString& body,
                const QStringList&, const QVariantMap&, int)
    {
        bodies << body;
        return uint(bodies.size());
    }
};

namespace {
QProcess* run(const QStringList& arguments, const QProcessEnvironment& environment)
{
    auto* process = new QProcess;
    process->setProcessEnvironment(environment);
    process->start(arguments[0], arguments.mid(1));
    return process;
}
} // namespace

class TestSchedule : public QObject
{
    Q_OBJECT
private slots:
    void escape_data() { addTableRows({"schedule/data/escape.tsv"}); }

    void escape()
    {
        QFETCH(QString, id);
        QProcess escape;
        escape.start(QStringLiteral("systemd-escape"), {QStringLiteral("--"), id});
        QVERIFY(escape.waitForFinished());
        QCOMPARE(Schedule::systemdEscape(id), QString::fromUtf8(escape.readAll()).trimmed());
    }

    void unitsVerify()
    {
        // In a folder with a space, as a home folder may be: ExecStart must keep it one word.
        QTemporaryDir dir;
        const QString program = dir.filePath(QStringLiteral("my programs/quillmere")),
                      units = dir.filePath(QStringLiteral("config/systemd/user"));
        QVERIFY(QDir().mkpath(QFileInfo(program).path()) && QDir().mkpath(units) &&
                QDir().mkpath(dir.filePath(QStringLiteral("run"))));
        QVERIFY(QFile::copy(QStringLiteral(QUILLMERE_PROGRAM), program));
        const SellerSchedule schedule{
            QStringLiteral("demo seller%"), true, {QTime(7, 5), QTime(19, 30)}};
        const auto write = [&](const QString& name, const QString& text) {
            QFile file(QDir(units).filePath(name));
            return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) > 0;
        };
        QVERIFY(write(Schedule::serviceName(), Schedule::serviceText(program)));
        QVERIFY(write(Schedule::timerName(schedule.userId), Schedule::timerText(schedule)));
        QProcess verify;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"),
                           dir.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));
        verify.setProcessEnvironment(environment);
        QString timer = Schedule::timerName(schedule.userId);
        verify.start(QStringLiteral("systemd-analyze"),
                     {QStringLiteral("verify"), QStringLiteral("--user"),
                      QDir(units).filePath(timer),
                      timer.replace(QStringLiteral(".timer"), QStringLiteral(".service"))});
        QVERIFY(verify.waitForFinished());
        const QString said = QString::fromUtf8(verify.readAllStandardError());
        QVERIFY2(verify.exitCode() == 0 && said.isEmpty(), qPrintable(said));
    }

    void windowWithoutManager()
    {
        if (Schedule::userManagerRuns())
            QSKIP("A user service manager runs here: the window sets up real timers.");
        QTemporaryDir dir;
        qputenv("XDG_CONFIG_HOME", dir.filePath(QStringLiteral("config")).toUtf8());
        qputenv("QUILLMERE_DATA_DIR", dir.path().toUtf8());
        // As enabling the timer of an earlier run left it.
        const QString id = QStringLiteral("demo seller"), units = Schedule::unitFolder(),
                      timer = QDir(units).filePath(Schedule::timerName(id));
        QVERIFY(QDir().mkpath(units + QStringLiteral("/timers.target.wants")));
        for (const QString& file : {timer, QDir(units).filePath(Schedule::serviceName())}) {
            QFile unit(file);
            QVERIFY(unit.open(QIODevice::WriteOnly));
        }
        QVERIFY(QFile::link(timer, units + QStringLiteral("/timers.target.wants/") +
                                       Schedule::timerName(id)));
        frmSchedule window(std::make_shared<HistoryStore>(), {id}, QStringLiteral("/opt/q"));
        window.show();
        QVERIFY(window.lblManager->text().startsWith(QStringLiteral("No user service manager")));
        window.chkOn->setChecked(true);
        window.txtTimes->setText(QStringLiteral("19:30, 7:30"));
        QTest::mouseClick(window.cmdApply, Qt::LeftButton);
        QCOMPARE(window.txtCron->toPlainText().section(u' ', 6),
                 QStringLiteral("'/opt/q' --scheduled --scan 'demo seller'\n"));
        QVERIFY(window.txtCron->toPlainText().startsWith(QStringLiteral("30 7,19 * * * ")));
        QCOMPARE(window.grdSellers->item(0, 1)->text(), QStringLiteral("On, by cron"));
        // Turning a seller off removes its timer, also without a manager to tell.
        window.chkOn->setChecked(false);
        QTest::mouseClick(window.cmdApply, Qt::LeftButton);
        for (const QString& folder :
             QStringList{units, units + QStringLiteral("/timers.target.wants")})
            QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::System), QStringList());
        QCOMPARE(window.grdSellers->item(0, 1)->text(), QStringLiteral("Off"));
    }

    void noticeOncePerProblem()
    {
        // Told, quiet while it lasts, cleared by a scan without it, told again when it recurs.
        QTemporaryDir dir;
        HistoryStore history(dir.filePath(QStringLiteral("history.sqlite")));
        const QList<Notice> down{{QStringLiteral("s"), QStringLiteral("unreachable"), {}, {}, {}}};
        QStringList told;
        for (const QList<Notice>& found : {down, down, QList<Notice>(), down}) {
            const auto raised =
                history.updateNotices(QStringLiteral("s"), found, QDateTime::currentDateTimeUtc());
            told << (raised ? QString::number(raised->size()) : raised.message());
        }
        QCOMPARE(told.join(u' '), QStringLiteral("1 0 0 1"));
    }

    void visitsNotices_data()
    {
        QTest::addColumn<QString>("perDay"); // visits by others a day, oldest first, to today
        QTest::addColumn<QString>("problem");
        QTest::newRow("stopped") << "5 5 5 5 5 5 5 5 5 5 0 0 0 0 0 0 0 0 0 0"
                                 << "stalled:111";
        QTest::newRow("jumped") << "1 1 1 1 1 1 1 1 1 1 1 1 1 5 5 5 5 5 5 5"
                                << "rising:111";
        QTest::newRow("steady") << "3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3 3"
                                << "";
    }

    void visitsNotices()
    {
        QFETCH(QString, perDay);
        QTemporaryDir dir;
        HistoryStore history(dir.filePath(QStringLiteral("history.sqlite")));
        const QStringList days = perDay.split(u' ');
        const QDateTime now = QDateTime::currentDateTimeUtc();
        qint64 visits = 100;
        for (int d = 0; d < days.size(); ++d) {
            visits += days[d].toInt();
            const QDateTime at = now.addDays(d + 1 - days.size());
            const ScanRow row{
                QStringLiteral("111"), QStringLiteral("Vase"), {}, visits, {}, {}, {}, {}};
            QVERIFY(history.record({QStringLiteral("s"), false, at, at, {}, {row}}).isOk());
        }
        const QList<Notice> found = ScheduledRun::visitsProblems(history, QStringLiteral("s"));
        QTEST(found.isEmpty() ? QString() : found[0].problem, "problem");
    }

    void scheduledRuns()
    {
        // Two scheduled runs and a window's scan of one seller at once, then
        // the site gone for two runs: one notice on a private session bus.
        QTemporaryDir data;
        qputenv("QUILLMERE_DATA_DIR", data.path().toUtf8());
        DemoSession demo({QStringLiteral("--delay-ms"), QStringLiteral("20")});
        const QString program = demo.folder().file(QStringLiteral("quillmere"));
        QVERIFY(QFile::copy(QStringLiteral(QUILLMERE_PROGRAM), program));
        QProcess bus;
        bus.start(QStringLiteral("dbus-daemon"),
                  {QStringLiteral("--session"), QStringLiteral("--print-address"),
                   QStringLiteral("--nofork")});
        QVERIFY(bus.waitForReadyRead());
        const QString address = QString::fromUtf8(bus.readLine()).trimmed();
        QDBusConnection connection = QDBusConnection::connectToBus(address, QStringLiteral("n"));
        NotificationServer server;
        QVERIFY(connection.registerService(QStringLiteral("org.freedesktop.Notifications")));
        QVERIFY(connection.registerObject(QStringLiteral("/org/freedesktop/Notifications"), &server,
                                          QDBusConnection::ExportAllSlots));
        // What a user service gets: no display, no platform, the user's bus.
        QProcessEnvironment environment;
        for (const char* name : {"PATH", "HOME", "LANG"})
            environment.insert(QLatin1String(name), qEnvironmentVariable(name));
        environment.insert(QStringLiteral("QUILLMERE_DATA_DIR"), data.path());
        environment.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), address);
        const QStringList scheduled{program, QStringLiteral("--scheduled"),
                                    QStringLiteral("--scan"), QStringLiteral("demoseller")};
        HistoryRecorder recorder(&demo.session());
        std::vector<std::unique_ptr<QProcess>> runs;
        demo.onStatus(QStringLiteral("Searching Visits...."), [&] {
            runs.emplace_back(run(scheduled, environment));
            runs.emplace_back(run(scheduled, environment));
        });
        QVERIFY(demo.scan(QStringLiteral("demoseller")));
        QCOMPARE(demo.session().status(), QStringLiteral("Task Complete"));
        QCOMPARE(demo.session().table().selectionTotals().auctions, QStringLiteral("20"));
        for (int i = 0; i < 4; ++i) {
            if (i == 2)
                demo.stopSite();
            if (i >= 2)
                runs.emplace_back(run(scheduled, environment));
            QTRY_COMPARE_WITH_TIMEOUT(runs[size_t(i)]->state(), QProcess::NotRunning, 60000);
            // One line per scan; the second of two at once also says it waited.
            const QStringList said =
                QString::fromUtf8(runs[size_t(i)]->readAllStandardError())
                    .split(u'\n')
                    .filter(QStringLiteral("quillmere: scheduled scan of demoseller: "));
            QVERIFY2(said.size() == 1 &&
                         said[0].contains(i < 2 ? QStringLiteral("Task Complete, 20 listings read")
                                                : QStringLiteral("Internet Error, 0 listings")),
                     qPrintable(said.join(u'\n')));
            QCOMPARE(runs[size_t(i)]->exitCode(), i < 2 ? 0 : 1);
        }
        recorder.flush();
        QCOMPARE(server.bodies.size(), 1);
        QVERIFY(server.bodies[0].startsWith(QStringLiteral("The site could not be reached")));
        // The window's scan, and each run's own, one after the other.
        // Both windows show what the runs left.
        const auto store = std::make_shared<HistoryStore>();
        QCOMPARE(frmHistory(store, QStringLiteral("demoseller")).lstNotices->count(), 1);
        frmSchedule schedule(store, {QStringLiteral("demoseller")}, program);
        QVERIFY(schedule.grdSellers->item(0, 3)->text().contains(QStringLiteral(" Failed: ")));
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("t"));
        db.setDatabaseName(HistoryStore::defaultPath());
        QVERIFY(db.open());
        QSqlQuery scans(db);
        QStringList rows;
        qint64 lastEnded = 0;
        QVERIFY(scans.exec(
            QStringLiteral("SELECT scheduled, ending, started, ended FROM scan ORDER BY started")));
        while (scans.next()) {
            rows << scans.value(0).toString() + scans.value(1).toString();
            if (scans.value(0).toBool()) {
                QVERIFY2(scans.value(2).toLongLong() > lastEnded, "two runs overlapped");
                lastEnded = scans.value(3).toLongLong();
            }
        }
        QCOMPARE(rows.join(u' '),
                 QStringLiteral("0Completed 1Completed 1Completed 1Failed 1Failed"));
        bus.kill();
        bus.waitForFinished();
    }
};

QTEST_MAIN(TestSchedule)
#include "tst_schedule.moc"
