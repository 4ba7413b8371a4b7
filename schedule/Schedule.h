#pragma once

#include "base/Outcome.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTime>

// One saved seller's scheduled scans: Active scans at the same times each day.
struct SellerSchedule
{
    QString userId;
    bool on = false;
    QList<QTime> times{QTime(8, 0), QTime(20, 0)}; // local time, sorted
};

// Scans on a schedule as a systemd user timer per seller, which runs one
// service template with `quillmere --scheduled --scan USERID`. systemd also
// runs a scan missed while the machine was off, which cron would not.
namespace Schedule {

// The User ID as a unit's instance name, byte for byte as `systemd-escape` does it.
QString systemdEscape(const QString& text);

// $XDG_CONFIG_HOME/systemd/user, where a user's own units live.
QString unitFolder();
QString serviceName(); // the template
QString timerName(const QString& userId);
QString serviceText(const QString& program);
QString timerText(const SellerSchedule& schedule);
// The crontab lines that do the same where no user service manager runs.
QString crontabLines(const QString& program, const SellerSchedule& schedule);

// "08:00, 20:00": sorted, without repeats; none when a time does not read.
std::optional<QList<QTime>> readTimes(const QString& text);
QString timesText(const QList<QTime>& times);
// The first of the times after now (local), on this day or the next.
QDateTime nextRun(const QList<QTime>& times, const QDateTime& now);

// The choice kept in the user's preferences.
SellerSchedule load(const QString& userId);
void save(const SellerSchedule& schedule);

// Whether `systemctl --user` reaches a service manager; why not in *why.
bool userManagerRuns(QString* why = nullptr);
// Writes and enables the seller's timer (and the template), or disables and
// removes it. Enabling that fails leaves no file of it behind.
Outcome apply(const SellerSchedule& schedule, const QString& program);

} // namespace Schedule
