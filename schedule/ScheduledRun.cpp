#include "schedule/ScheduledRun.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QVariantMap>

QList<Notice> ScheduledRun::problems(const QString& seller, Exit exit, bool noListings,
                                     bool hadListings, const QString& fetchError)
{
    const auto notice = [&seller](const char* problem, const QString& text) {
        return QList<Notice>{{seller, QLatin1String(problem), text, {}, {}}};
    };
    switch (exit) {
    case Failed:
        return notice("unreachable",
                      QStringLiteral("The site could not be reached for the scheduled scan of ") +
                          seller + QStringLiteral(": ") + fetchError);
    case UnknownSeller:
        return notice("unknown-seller", QStringLiteral("The site does not know the seller ") +
                                            seller + QStringLiteral("."));
    case FoundNothing:
        // A seller with no listing left is no problem; one whose listings
        // vanish from one scan to the next most likely is.
        if (!noListings)
            return notice("no-counter",
                          QStringLiteral("The scheduled scan of ") + seller +
                              QStringLiteral(" found no visit counter on any item page: the "
                                             "counter's markers may no longer fit (Tools > "
                                             "Check Markers...)."));
        if (hadListings)
            return notice("no-listings",
                          QStringLiteral("The scheduled scan of ") + seller +
                              QStringLiteral(" found no listing, where the last scan found "
                                             "some: the listings may have ended, or the "
                                             "markers no longer fit (Tools > Check Markers...)."));
        break;
    case Completed:
    case BadArgument:
    case Busy:
        break;
    }
    return {};
}

QList<Notice> ScheduledRun::visitsProblems(HistoryStore& history, const QString& seller)
{
    const QString stalled = QStringLiteral("stalled:"), rising = QStringLiteral("rising:");
    QList<Notice> found;
    const QList<ListingSummary> listings = history.listings(seller);
    QDateTime lastScan;
    for (const ListingSummary& listing : listings)
        lastScan = qMax(lastScan, listing.lastSeen);
    for (const ListingSummary& listing : listings) {
        if (listing.lastSeen != lastScan)
            continue; // an ended listing is no news
        const HistoryStore::Trail trail = history.trail(seller, listing.auction);
        const Attention said = attention(visitsPerDay(trail.readings, trail.ownFetches),
                                         listing.firstSeen.toLocalTime().date(),
                                         lastScan.toLocalTime().date(), true, 7);
        if (said.kind != Attention::Stalled && said.kind != Attention::Rising)
            continue;
        found.append({seller,
                      (said.kind == Attention::Stalled ? stalled : rising) + listing.auction,
                      QStringLiteral("Visits by others of listing %1 (%2): %3.")
                          .arg(listing.auction, listing.title, said.text),
                      {},
                      {}});
    }
    return found;
}

Outcome ScheduledRun::notify(const QString& summary, const QString& body)
{
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return Outcome::failure(bus.lastError().message());
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    // Application, replaces id, icon, summary, body, actions, hints, timeout (-1: the server's).
    // The desktop entry's name lets the desktop group the notices under the program.
    const QString entry = QStringLiteral("net.quillmere.Quillmere");
    call << QStringLiteral("Quillmere") << 0u << entry << summary << body << QStringList()
         << QVariantMap{{QStringLiteral("desktop-entry"), entry}} << -1;
    const QDBusMessage reply = bus.call(call, QDBus::Block, 10000);
    if (reply.type() == QDBusMessage::ErrorMessage)
        return Outcome::failure(reply.errorMessage());
    return Outcome::ok();
}

QStringList ScheduledRun::tell(HistoryStore& history, const QString& seller,
                               const QList<Notice>& found)
{
    const Result<QList<Notice>> raised =
        history.updateNotices(seller, found, QDateTime::currentDateTimeUtc());
    if (!raised)
        return {raised.message()};
    QStringList lines;
    for (const Notice& notice : *raised) {
        const Outcome sent = notify(QStringLiteral("Quillmere: ") + seller, notice.text);
        if (!sent)
            lines << QStringLiteral("The notice could not be shown on the desktop (") +
                         sent.message() + QStringLiteral("): ") + notice.text;
    }
    return lines;
}
