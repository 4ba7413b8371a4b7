#include "marker_check/MarkerRepair.h"

#include "scan/MarkerSearch.h"

#include <QHash>
#include <algorithm>
#include <tuple>

namespace MarkerRepair {
namespace {
constexpr qsizetype Around = 30; // characters shown on either side of a value
constexpr qsizetype MaxBefore = 24;
constexpr qsizetype MaxAfter = 16;
constexpr int PlacesShown = 5;
constexpr int PlacesTried = 3;

QString fieldText(const ScanRow& row, int field)
{
    const QString* fields[] = {&row.auction,          &row.title,     &row.timeOrDate,
                               &row.startOrSalePrice, &row.bidsOrQty, &row.price};
    return *fields[field];
}

Place placeAt(QStringView page, qsizetype index, qsizetype length)
{
    const qsizetype from = std::max<qsizetype>(index - Around, 0);
    return {index + 1, page.mid(from, index - from).toString(), page.mid(index, length).toString(),
            page.mid(index + length, Around).toString()};
}

// A marker pasted into a one-line field: a line break or tab in it would
// hang on how the site ends its lines.
bool usable(QStringView marker)
{
    return std::none_of(marker.begin(), marker.end(),
                        [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7f; });
}

// Markers that begin and end where the page's markup does read as the page's
// own words, and keep fitting when a neighbouring value changes.
int natural(const Scan::MarkerPair& pair)
{
    const QStringView before = pair.before, after = pair.after;
    int score = 0;
    if (!before.isEmpty())
        score += before.front() == u'<' ? 2 : QStringView(u"\"' =>&/?").contains(before.front());
    if (!after.isEmpty())
        score += after.back() == u'>' ? 2 : QStringView(u"\"' <").contains(after.back());
    return score;
}

// The marker pairs that cut the value at `index`, as the listing phase cuts
// its field: the auction number is as long as both markers (Active) or as
// the before marker, a last "_" dropped (Sold); other fields lie between.
QList<Scan::MarkerPair> candidates(MarkerTable table, int field, QStringView page, qsizetype index,
                                   qsizetype length)
{
    QList<Scan::MarkerPair> pairs;
    const auto add = [&](qsizetype beforeLength, qsizetype afterStart, qsizetype afterLength) {
        if (beforeLength > index || afterStart + afterLength > page.size())
            return;
        Scan::MarkerPair pair{page.mid(index - beforeLength, beforeLength).toString(),
                              page.mid(afterStart, afterLength).toString()};
        if (usable(pair.before) && usable(pair.after))
            pairs << pair;
    };
    if (field == 0 && table == MarkerTable::Active) {
        for (qsizetype b = 1; b <= length; ++b)
            add(b, index + length, length - b);
    } else if (field == 0) {
        const bool underscore = index + length < page.size() && page[index + length] == u'_';
        for (qsizetype a = 1; a <= MaxAfter; ++a) {
            add(length, index + length, a);
            if (underscore)
                add(length + 1, index + length + 1, a);
        }
    } else {
        for (qsizetype b = 1; b <= MaxBefore; ++b) {
            for (qsizetype a = 1; a <= MaxAfter; ++a)
                add(b, index + length, a);
        }
    }
    return pairs;
}

// Runs of exactly five digits at or above the last reading, nearest first:
// where the counter may stand now.
QList<std::pair<qint64, qsizetype>> counterPlaces(QStringView page, qint64 last)
{
    QList<std::pair<qint64, qsizetype>> found;
    for (qsizetype i = 0; i + Scan::CounterLength <= page.size(); ++i) {
        qsizetype end = i;
        while (end < page.size() && page[end].isDigit() && end - i <= Scan::CounterLength)
            ++end;
        if (end - i == Scan::CounterLength && (i == 0 || !page[i - 1].isDigit())) {
            const qint64 value = page.mid(i, Scan::CounterLength).toLongLong();
            if (value >= last)
                found.append({value, i});
        }
        i = std::max(i, end - 1);
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    return found;
}

void proposeCounter(Proposal& out, const MarkerCheck::Markers& markers, int row,
                    qsizetype counterStart, QStringView itemPage)
{
    const std::optional<qint64> last = visitsNumber(out.value);
    if (!last) {
        out.problem = QStringLiteral("The history holds no counter reading for this listing.");
        return;
    }
    const auto places = counterPlaces(itemPage, *last);
    for (int i = 0; i < places.size() && i < PlacesShown; ++i)
        out.places << placeAt(itemPage, places[i].second, Scan::CounterLength);
    if (places.isEmpty()) {
        out.problem = QStringLiteral("No five-digit number at or above it is on the item page.");
        return;
    }
    const qsizetype index = places.front().second;
    const QString value = itemPage.mid(index, Scan::CounterLength).toString();
    const bool basic = row == 2;
    std::optional<std::tuple<int, qsizetype>> best;
    for (qsizetype k = 1; k <= MaxBefore; ++k) {
        const qsizetype from = basic ? index - k : index + Scan::CounterLength;
        if (from < 0 || from + k > itemPage.size())
            break;
        const QString marker = itemPage.mid(from, k).toString();
        // Digits in a counter's marker change with the count.
        if (!usable(marker) ||
            std::any_of(marker.begin(), marker.end(), [](QChar c) { return c.isDigit(); }))
            continue;
        const Scan::CounterMatch match = Scan::findCounter(
            itemPage, counterStart, basic ? QStringView(marker) : markers[2].before,
            basic ? QStringView(markers[3].before) : marker);
        const auto mine = basic ? Scan::CounterMarker::Basic : Scan::CounterMarker::Retro;
        const Scan::MarkerPair pair{marker, markers[row].after};
        const std::tuple<int, qsizetype> score{natural(basic ? pair : Scan::MarkerPair{{}, marker}),
                                               k};
        if (match.marker == mine && match.value == value && (!best || score > *best)) {
            best = score;
            out.markers = pair;
        }
    }
    if (out.markers) {
        out.listings = out.known = 1;
    } else {
        out.problem = QStringLiteral("No marker before character ") +
                      QString::number(counterStart) +
                      QStringLiteral(" finds it first: the counter start may be too far on.");
    }
}

// The value is not on the page: where it stood on the last page that
// worked, and what stands there now, found by the text just before it (or
// just after it) on that page.
void showChange(Proposal& out, QStringView page, const ListingPages::Kept& kept, qsizetype anchor)
{
    const QStringView old = kept.page;
    const qsizetype index = old.indexOf(out.value, std::max<qsizetype>(anchor, 0));
    if (index < 0)
        return;
    out.then = placeAt(old, index, out.value.size());
    out.keptAt = kept.saved;
    for (qsizetype size = Around; size >= 8; size /= 2) {
        const QStringView before =
            old.mid(std::max<qsizetype>(index - size, 0), std::min<qsizetype>(size, index));
        if (const qsizetype at = page.indexOf(before); !before.isEmpty() && at >= 0) {
            out.now = page.mid(at, before.size() + out.value.size() + Around).toString();
            return;
        }
        const QStringView after = old.mid(index + out.value.size(), size);
        if (const qsizetype at = page.indexOf(after); !after.isEmpty() && at >= 0) {
            const qsizetype from = std::max<qsizetype>(at - Around - out.value.size(), 0);
            out.now = page.mid(from, at + after.size() - from).toString();
            return;
        }
    }
}

QString escaped(const QString& text)
{
    return text.toHtmlEscaped().replace(u'\n', QStringLiteral("&#8629;"));
}

QString shown(const Place& place)
{
    return QStringLiteral("<tt>") + escaped(place.before) +
           QStringLiteral("<b style=\"background:#ff0\">") + escaped(place.value) +
           QStringLiteral("</b>") + escaped(place.after) + QStringLiteral("</tt>");
}
} // namespace

QStringList lastValues(MarkerTable table, int row, const QList<ScanRow>& rows,
                       const QString& itemAuction)
{
    QStringList values;
    const int field = MarkerCheck::fieldOf(table, row);
    for (const ScanRow& scanRow : rows) {
        if (row == 2 || row == 3) {
            if (!itemAuction.isEmpty() && scanRow.auction == itemAuction)
                values << scanRow.visitsText;
        } else if (field >= 0) {
            values << fieldText(scanRow, field);
        }
    }
    values.removeAll(QString());
    values.removeDuplicates();
    return values;
}

Proposal propose(MarkerTable table, const MarkerCheck::Markers& markers, int row,
                 qsizetype counterStart, QStringView listingPage, QStringView itemPage,
                 const Memory& memory)
{
    Proposal out;
    const bool counterRow = row == 2 || row == 3;
    const int field = MarkerCheck::fieldOf(table, row);
    const QStringList values =
        lastValues(table, row, memory.rows,
                   counterRow ? MarkerCheck::firstListing(table, markers, listingPage) : QString());
    if (!counterRow && field < 0) {
        out.problem = QStringLiteral("An address row: the scan cuts nothing with it.");
        return out;
    }
    if (values.isEmpty()) {
        out.problem = counterRow && itemPage.isEmpty()
                          ? QStringLiteral("There is no item page to read: the Auction Number "
                                           "row must find a listing first.")
                          : QStringLiteral("The history holds no value of this row for this "
                                           "seller: it needs one scan while the markers fit.");
        return out;
    }
    if (counterRow) {
        out.value = values.front();
        proposeCounter(out, markers, row, counterStart, itemPage);
        return out;
    }

    // The first remembered value on the page, sought after its own listing's
    // number: a short value (bids "3") stands in many places.
    qsizetype index = -1;
    qsizetype anchor = 0;
    for (const ScanRow& scanRow : memory.rows) {
        const QString value = fieldText(scanRow, field);
        if (value.isEmpty())
            continue;
        anchor = field == 0 ? 0 : std::max<qsizetype>(listingPage.indexOf(scanRow.auction), 0);
        if (out.value.isEmpty())
            out.value = value;
        if ((index = listingPage.indexOf(value, anchor)) >= 0) {
            out.value = value;
            break;
        }
    }
    if (index < 0) {
        if (memory.page)
            showChange(out, listingPage, *memory.page, 0);
        out.problem = QStringLiteral("It is not on the listing page any more.");
        return out;
    }
    QList<qsizetype> indexes;
    for (qsizetype at = index; at >= 0 && indexes.size() < PlacesShown;
         at = listingPage.indexOf(out.value, at + 1))
        indexes << at;
    for (qsizetype at : indexes)
        out.places << placeAt(listingPage, at, out.value.size());

    // A proposal must also leave the other fields where they were: a number
    // cut from a later place in the row has the fields read after it from
    // the next listing.
    QHash<QString, QStringList> remembered;
    for (const ScanRow& scanRow : memory.rows) {
        QStringList fields;
        for (int f = 0; f < 6; ++f)
            fields << fieldText(scanRow, f);
        remembered.insert(scanRow.auction, fields);
    }
    std::optional<std::tuple<int, int, int, qsizetype>> best;
    MarkerCheck::Markers trial = markers;
    for (int i = 0; i < indexes.size() && i < PlacesTried; ++i) {
        for (const Scan::MarkerPair& pair :
             candidates(table, field, listingPage, indexes[i], out.value.size())) {
            trial[row] = pair;
            bool cutsIt = false;
            int cut = 0, known = 0, agree = 0;
            for (const QStringList& found : MarkerCheck::listingRows(table, trial, listingPage)) {
                const QString& value = found[field];
                cutsIt = cutsIt || value == out.value;
                cut += !value.isEmpty();
                const auto then = remembered.constFind(found[0]);
                if (value.isEmpty() || then == remembered.cend())
                    continue;
                known += (*then)[field] == value;
                for (int f = 0; f < found.size(); ++f)
                    agree += !found[f].isEmpty() && found[f] == (*then)[f];
            }
            if (!cutsIt)
                continue;
            const std::tuple<int, int, int, qsizetype> score{agree, cut, natural(pair),
                                                             pair.before.size()};
            if (!best || score > *best) {
                best = score;
                out.markers = pair;
                out.known = known;
                out.listings = cut;
            }
        }
    }
    if (!out.markers)
        out.problem = QStringLiteral("No marker pair around it cuts it as the scan reads.");
    return out;
}

QString describe(const Proposal& proposal, const QString& rowLabel)
{
    if (proposal.value.isEmpty())
        return escaped(proposal.problem);
    QString html = QStringLiteral("<p>The last ") + escaped(rowLabel) +
                   QStringLiteral(" the history holds: <b>") + escaped(proposal.value) +
                   QStringLiteral("</b></p>");
    if (!proposal.places.isEmpty()) {
        html += QStringLiteral("<p>On the page now (") +
                (proposal.places.size() == 1
                     ? QStringLiteral("one place")
                     : QString::number(proposal.places.size()) + QStringLiteral(" places")) +
                QStringLiteral("):<br>");
        for (const Place& place : proposal.places)
            html += QStringLiteral("character ") + QString::number(place.position) +
                    QStringLiteral(": ") + shown(place) + QStringLiteral("<br>");
        html += QStringLiteral("</p>");
    }
    if (proposal.then) {
        html += QStringLiteral("<p>On the last listing page that worked (kept ") +
                escaped(QLocale().toString(proposal.keptAt.toLocalTime(), QLocale::ShortFormat)) +
                QStringLiteral("):<br>") + shown(*proposal.then) +
                QStringLiteral("<br>Now there: ") +
                (proposal.now.isEmpty()
                     ? QStringLiteral("the text around it is gone too.")
                     : QStringLiteral("<tt>") + escaped(proposal.now) + QStringLiteral("</tt>")) +
                QStringLiteral("</p>");
    }
    if (proposal.markers) {
        // On a grey ground, so that a marker's leading or trailing space shows.
        const auto marker = [](const QString& text) -> QString {
            return QStringLiteral("<tt style=\"background:#ddd\">") +
                   escaped(text).replace(u' ', QStringLiteral("&nbsp;")) + QStringLiteral("</tt>");
        };
        html +=
            QStringLiteral("<p>Proposed: before ") + marker(proposal.markers->before) +
            QStringLiteral(" after ") + marker(proposal.markers->after) +
            QStringLiteral(": the scan then cuts ") + QString::number(proposal.listings) +
            (proposal.listings == 1 ? QStringLiteral(" value, ") : QStringLiteral(" values, ")) +
            QString::number(proposal.known) +
            QStringLiteral(" of them as the history knows them.</p>");
    } else {
        html += QStringLiteral("<p>") + escaped(proposal.problem) + QStringLiteral("</p>");
    }
    return html;
}

} // namespace MarkerRepair
