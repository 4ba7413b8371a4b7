// Times Repair Marker's proposal on a listing page of the size a real site
// sends (about 400 kB: a long header, 50 listings with markup between):
// every candidate pair runs the whole listing phase. Prints figures only.
#include "marker_check/MarkerRepair.h"

#include <QElapsedTimer>
#include <QString>
#include <cstdio>

namespace {

QString filler(qsizetype length)
{
    QString s;
    while (s.size() < length)
        s += QStringLiteral("<div class=\"f\">free shipping on vintage brass lamps</div>\n");
    s.truncate(length);
    return s;
}

QString page(int rows)
{
    QString html = filler(200000);
    for (int i = 0; i < rows; ++i) {
        const QString number = QString::number(110042318817LL + i * 7919);
        html += QStringLiteral("<tr><td class=\"desc\" id=\"item-") + number +
                QStringLiteral("\"><a href=\"/itm/") + number +
                QStringLiteral("\"><h3 class=\"item-title\">Listing title number ") +
                QString::number(i) + QStringLiteral("</h3></a></td><td class=\"bids\">") +
                QString::number(i % 9) + QStringLiteral("</td><td class=\"price\">$") +
                QString::number(10 + i) + QStringLiteral(".00</td><td class=\"bin\">$") +
                QString::number(30 + i) + QStringLiteral(".00</td><td class=\"timeleft\">1d 0") +
                QString::number(i % 10) + QStringLiteral("h</td></tr>\n") + filler(4000);
    }
    return html;
}

} // namespace

int main()
{
    const QString listing = page(50);
    MarkerRepair::Memory memory;
    for (int i = 0; i < 20; ++i) {
        ScanRow row;
        row.auction = QString::number(110042318817LL + i * 7919);
        row.title = QStringLiteral("Listing title number ") + QString::number(i);
        memory.rows << row;
    }
    // The old look's markers: neither the number nor the title marker fits.
    MarkerCheck::Markers markers;
    markers[0] = {QStringLiteral("&item="), QStringLiteral("\" id=\"")};
    markers[1] = {QStringLiteral("<span class=\"ttl\">"), QStringLiteral("</span>")};
    markers[4] = {QStringLiteral("<td class=\"timeleft\">"), QStringLiteral("</td>")};
    markers[5] = {QStringLiteral("<td class=\"price\">"), QStringLiteral("</td>")};
    markers[6] = {QStringLiteral("<td class=\"bids\">"), QStringLiteral("</td>")};
    markers[7] = {QStringLiteral("<td class=\"bin\">"), QStringLiteral("</td>")};
    std::printf("listing page: %lld characters\n", qlonglong(listing.size()));
    for (int row : {0, 1}) {
        QElapsedTimer clock;
        clock.start();
        const MarkerRepair::Proposal proposal =
            MarkerRepair::propose(MarkerTable::Active, markers, row, 800, listing, {}, memory);
        std::printf("row %d: %lld ms, %s / %s, %d values, %d as remembered\n", row,
                    qlonglong(clock.elapsed()),
                    qPrintable(proposal.markers ? proposal.markers->before : QStringLiteral("-")),
                    qPrintable(proposal.markers ? proposal.markers->after : QStringLiteral("-")),
                    proposal.listings, proposal.known);
        if (proposal.markers)
            markers[row] = *proposal.markers;
    }
    return 0;
}
