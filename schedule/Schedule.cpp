#include "schedule/Schedule.h"

#include "base/ProgramFolder.h"

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>
#include <QSaveFile>
#include <QSettings>
#include <QStandardPaths>

#include <unistd.h>

namespace {

QString settingsFile()
{
    return QDir(userDataFolder()).filePath(QStringLiteral("preferences.ini"));
}

QString key(const QString& userId, const char* name)
{
    // A User ID may hold "/", which QSettings would take for a group.
    return QStringLiteral("schedule/") + QString::fromLatin1(userId.toUtf8().toPercentEncoding()) +
           u'/' + QLatin1String(name);
}

// systemctl --user; its complaint when it fails.
Outcome systemctl(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("systemctl"), QStringList{QStringLiteral("--user")} + arguments);
    if (!process.waitForFinished(30000))
        return Outcome::failure(QStringLiteral("systemctl: ") + process.errorString());
    if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        return Outcome::ok();
    const QString said = QString::fromLocal8Bit(process.readAllStandardError()).trimmed();
    return Outcome::failure(said.isEmpty() ? QStringLiteral("systemctl --user ") +
                                                 arguments.join(u' ') + QStringLiteral(" failed")
                                           : said);
}

std::optional<QByteArray> contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

// A unit file is whole or not there: systemd may read it at any moment.
bool write(const QString& path, const QByteArray& text)
{
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size() && file.commit();
}

// Puts a file back as it was before: its old text, or no file.
void restore(const QString& path, const std::optional<QByteArray>& old)
{
    if (old)
        write(path, *old);
    else
        QFile::remove(path);
}

// A word of a unit's command line: quoted, with systemd's own escapes.
QString unitWord(QString text)
{
    text.replace(u'\\', QStringLiteral("\\\\"))
        .replace(u'"', QStringLiteral("\\\""))
        .replace(u'%', QStringLiteral("%%"));
    return u'"' + text + u'"';
}

QString shellWord(QString text)
{
    return u'\'' + text.replace(u'\'', QStringLiteral("'\\''")) + u'\'';
}

} // namespace

QString Schedule::systemdEscape(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    QString escaped;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ||
                           (c >= '0' && c <= '9') || c == ':' || c == '_' || (c == '.' && i > 0);
        if (c == '/')
            escaped += u'-';
        else if (plain)
            escaped += QLatin1Char(c);
        else
            escaped += QStringLiteral("\\x%1").arg(uchar(c), 2, 16, QLatin1Char('0'));
    }
    return escaped;
}

QString Schedule::unitFolder()
{
    // GenericConfigLocation is $XDG_CONFIG_HOME, else ~/.config.
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation))
        .filePath(QStringLiteral("systemd/user"));
}

QString Schedule::serviceName()
{
    return QStringLiteral("quillmere-scan@.service");
}

QString Schedule::timerName(const QString& userId)
{
    return QStringLiteral("quillmere-scan@") + systemdEscape(userId) + QStringLiteral(".timer");
}

QString Schedule::serviceText(const QString& program)
{
    // %I is the User ID unescaped; systemd expands it inside one word.
    return QStringLiteral("[Unit]\n"
                          "Description=Quillmere scheduled scan of %I\n"
                          "\n"
                          "[Service]\n"
                          "Type=oneshot\n"
                          "ExecStart=%1 --scheduled --scan %I\n")
        .arg(unitWord(program));
}

QString Schedule::timerText(const SellerSchedule& schedule)
{
    QString calendar;
    for (const QTime& time : schedule.times)
        calendar += QStringLiteral("OnCalendar=*-*-* ") + time.toString(QStringLiteral("HH:mm")) +
                    QStringLiteral(":00\n");
    // Persistent: a scan missed while the machine was off runs at the next
    // start. The delay keeps many sellers from reaching the site at one second.
    return QStringLiteral("[Unit]\n"
                          "Description=Quillmere scheduled scans of %I\n"
                          "\n"
                          "[Timer]\n") +
           calendar +
           QStringLiteral("Persistent=true\n"
                          "RandomizedDelaySec=5min\n"
                          "\n"
                          "[Install]\n"
                          "WantedBy=timers.target\n");
}

QString Schedule::crontabLines(const QString& program, const SellerSchedule& schedule)
{
    QMap<int, QStringList> hoursByMinute;
    for (const QTime& time : schedule.times)
        hoursByMinute[time.minute()] << QString::number(time.hour());
    // cron gives no session bus address, which the notices need; "%" ends a cron command.
    const QString command =
        QStringLiteral("DBUS_SESSION_BUS_ADDRESS=unix:path=/run/user/%1/bus ").arg(::getuid()) +
        QString(shellWord(program) + QStringLiteral(" --scheduled --scan ") +
                shellWord(schedule.userId))
            .replace(u'%', QStringLiteral("\\%"));
    QString lines;
    for (auto it = hoursByMinute.cbegin(); it != hoursByMinute.cend(); ++it)
        lines += QString::number(it.key()) + u' ' + it.value().join(u',') +
                 QStringLiteral(" * * * ") + command + u'\n';
    return lines;
}

std::optional<QList<QTime>> Schedule::readTimes(const QString& text)
{
    QList<QTime> times;
    for (const QString& part : text.split(u',', Qt::SkipEmptyParts)) {
        const QTime time = QTime::fromString(part.trimmed(), QStringLiteral("H:mm"));
        if (!time.isValid())
            return std::nullopt;
        if (!times.contains(time))
            times << time;
    }
    std::sort(times.begin(), times.end());
    return times;
}

QString Schedule::timesText(const QList<QTime>& times)
{
    QStringList texts;
    for (const QTime& time : times)
        texts << time.toString(QStringLiteral("HH:mm"));
    return texts.join(QStringLiteral(", "));
}

QDateTime Schedule::nextRun(const QList<QTime>& times, const QDateTime& now)
{
    const QDateTime local = now.toLocalTime();
    for (int day = 0; day < 2; ++day) {
        for (const QTime& time : times) {
            const QDateTime at(local.date().addDays(day), time);
            if (at > local)
                return at;
        }
    }
    return {};
}

SellerSchedule Schedule::load(const QString& userId)
{
    const QSettings settings(settingsFile(), QSettings::IniFormat);
    SellerSchedule schedule;
    schedule.userId = userId;
    schedule.on = settings.value(key(userId, "on"), false).toBool();
    if (const auto times = readTimes(settings.value(key(userId, "times")).toString());
        times && !times->isEmpty())
        schedule.times = *times;
    return schedule;
}

void Schedule::save(const SellerSchedule& schedule)
{
    QSettings settings(settingsFile(), QSettings::IniFormat);
    settings.setValue(key(schedule.userId, "on"), schedule.on);
    settings.setValue(key(schedule.userId, "times"), timesText(schedule.times));
}

bool Schedule::userManagerRuns(QString* why)
{
    const Outcome asked = systemctl({QStringLiteral("show-environment")});
    if (why)
        *why = asked.message();
    return asked.isOk();
}

Outcome Schedule::apply(const SellerSchedule& schedule, const QString& program)
{
    const QDir folder(unitFolder());
    const QString name = timerName(schedule.userId);
    const QString timer = folder.filePath(name), service = folder.filePath(serviceName());
    if (!schedule.on) {
        // Off is off, also where no manager runs to hear of it.
        (void)systemctl({QStringLiteral("disable"), QStringLiteral("--now"), name});
        QFile::remove(folder.filePath(QStringLiteral("timers.target.wants/") + name));
        if (QFile::exists(timer) && !QFile::remove(timer))
            return Outcome::failure(QStringLiteral("The timer could not be removed: ") +
                                    QDir::toNativeSeparators(timer));
        if (folder.entryList({QStringLiteral("quillmere-scan@?*.timer")}, QDir::Files).isEmpty())
            QFile::remove(service);
        (void)systemctl({QStringLiteral("daemon-reload")});
        return Outcome::ok();
    }
    QString why;
    if (!userManagerRuns(&why))
        return Outcome::failure(QStringLiteral("No user service manager runs here (") + why +
                                QStringLiteral(")."));
    const std::optional<QByteArray> oldTimer = contents(timer), oldService = contents(service);
    const auto undo = [&] {
        restore(timer, oldTimer);
        restore(service, oldService);
        (void)systemctl({QStringLiteral("daemon-reload")});
    };
    if (!QDir().mkpath(folder.path()) || !write(service, serviceText(program).toUtf8()) ||
        !write(timer, timerText(schedule).toUtf8())) {
        undo();
        return Outcome::failure(QStringLiteral("The timer could not be written in ") +
                                QDir::toNativeSeparators(folder.path()));
    }
    Outcome enabled = systemctl({QStringLiteral("daemon-reload")});
    if (enabled)
        enabled = systemctl({QStringLiteral("enable"), QStringLiteral("--now"), name});
    if (!enabled)
        undo();
    return enabled;
}
