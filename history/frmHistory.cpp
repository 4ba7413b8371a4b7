#include "history/frmHistory.h"

#include "base/Messages.h"
#include "history/Csv.h"
#include "history/HistoryStore.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLegendMarker>
#include <QLineSeries>
#include <QListWidget>
#include <QMap>
#include <QPushButton>
#include <QSpinBox>
#include <QSplitter>
#include <QTableWidget>
#include <QTimeZone>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>

namespace {
QString shown(const QDateTime& time)
{
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm"));
}

QString change(qint64 value)
{
    return (value > 0 ? QStringLiteral("+") : QString()) + QString::number(value);
}

// A number's cell sorts by its value, not its text.
class NumberItem : public QTableWidgetItem
{
public:
    NumberItem(const QString& text, double value) : QTableWidgetItem(text), m_value(value)
    {
        setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }
    bool operator<(const QTableWidgetItem& other) const override
    {
        const auto* number = dynamic_cast<const NumberItem*>(&other);
        return number ? m_value < number->m_value : QTableWidgetItem::operator<(other);
    }

private:
    double m_value;
};

QTableWidgetItem* numberItem(const QString& text, double value)
{
    return new NumberItem(text, value);
}
} // namespace

frmHistory::frmHistory(std::shared_ptr<HistoryStore> store, const QString& seller, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(std::move(store))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Visit History"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1100, 700);

    cboSeller = new QComboBox(this);
    cboSeller->setObjectName(QStringLiteral("cboSeller"));
    cboSeller->setMinimumContentsLength(24);
    cmdExport = new QPushButton(QStringLiteral("&Export..."), this);
    cmdExport->setObjectName(QStringLiteral("cmdExport"));
    auto* top = new QHBoxLayout;
    auto* label = new QLabel(QStringLiteral("&Seller:"), this);
    label->setBuddy(cboSeller);
    top->addWidget(label);
    top->addWidget(cboSeller);
    top->addStretch();
    top->addWidget(cmdExport);

    chkOwnViews = new QCheckBox(QStringLiteral("&Count this program's own page views"), this);
    chkOwnViews->setObjectName(QStringLiteral("chkOwnViews"));
    chkOwnViews->setToolTip(QStringLiteral(
        "Every scan fetches each item page, which the site counts as a visit. Off: the changes "
        "leave those out and show the visits by others. On: the counter's own change."));
    top->insertWidget(2, chkOwnViews);

    cboRange = new QComboBox(this);
    cboRange->setObjectName(QStringLiteral("cboRange"));
    cboRange->addItem(QStringLiteral("Last 7 days"), 7);
    cboRange->addItem(QStringLiteral("Last 30 days"), 30);
    cboRange->addItem(QStringLiteral("Last 90 days"), 90);
    cboRange->addItem(QStringLiteral("All"), 0);
    cboRange->setCurrentIndex(1);
    spnStalledDays = new QSpinBox(this);
    spnStalledDays->setObjectName(QStringLiteral("spnStalledDays"));
    spnStalledDays->setRange(1, 365);
    spnStalledDays->setValue(7);
    spnStalledDays->setSuffix(QStringLiteral(" days"));
    cboShow = new QComboBox(this);
    cboShow->setObjectName(QStringLiteral("cboShow"));
    cboShow->addItems({QStringLiteral("All listings"), QStringLiteral("Stalled"),
                       QStringLiteral("Rising"), QStringLiteral("Falling")});
    auto* second = new QHBoxLayout;
    const auto labelled = [this, second](const QString& text, QWidget* widget) {
        auto* label = new QLabel(text, this);
        label->setBuddy(widget);
        second->addWidget(label);
        second->addWidget(widget);
    };
    labelled(QStringLiteral("Sh&ow:"), cboShow);
    labelled(QStringLiteral("S&talled after no visits by others for"), spnStalledDays);
    second->addStretch();
    labelled(QStringLiteral("Chart &range:"), cboRange);

    grdListings = new QTableWidget(0, 9, this);
    grdListings->setObjectName(QStringLiteral("grdListings"));
    grdListings->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdListings->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdListings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdListings->verticalHeader()->hide();
    grdListings->setWordWrap(false);
    grdListings->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);

    chtVisits = new QChartView(new QChart, this);
    chtVisits->setObjectName(QStringLiteral("chtVisits"));
    chtVisits->setRenderHint(QPainter::Antialiasing);

    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->addWidget(grdListings);
    splitter->addWidget(chtVisits);
    lstNotices = new QListWidget(this);
    lstNotices->setObjectName(QStringLiteral("lstNotices"));
    lstNotices->setToolTip(QStringLiteral("What scheduled scans found, as the desktop was told"));
    splitter->addWidget(lstNotices);
    // A few lines at the foot: the table and the chart keep their room.
    const int line = lstNotices->fontMetrics().height();
    splitter->setSizes({line * 20, line * 20, line * 5});
    splitter->setStretchFactor(2, 0);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(second);
    layout->addWidget(splitter);

    const QStringList sellers = m_store->sellers();
    cboSeller->addItems(sellers);
    const int start = sellers.indexOf(seller);
    cboSeller->setCurrentIndex(start >= 0 ? start : 0);
    connect(cboSeller, &QComboBox::currentTextChanged, this, &frmHistory::showSeller);
    const auto again = [this] { showSeller(cboSeller->currentText()); };
    connect(chkOwnViews, &QCheckBox::toggled, this, again);
    connect(spnStalledDays, qOverload<int>(&QSpinBox::valueChanged), this, again);
    connect(cboShow, &QComboBox::currentIndexChanged, this, &frmHistory::filterRows);
    connect(cboRange, &QComboBox::currentIndexChanged, this, &frmHistory::drawChart);
    connect(grdListings, &QTableWidget::itemSelectionChanged, this, &frmHistory::drawChart);
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    showSeller(cboSeller->currentText());
}

void frmHistory::showSeller(const QString& seller)
{
    const bool own = chkOwnViews->isChecked();
    const QString kind = own ? QStringLiteral("Counted\n") : QStringLiteral("By Others\n");
    grdListings->setHorizontalHeaderLabels(
        {QStringLiteral("Auction"), QStringLiteral("Title"), QStringLiteral("First Seen"),
         QStringLiteral("Last Seen"), QStringLiteral("Last\nVisits"),
         kind + QStringLiteral("1 Day"), kind + QStringLiteral("7 Days"),
         kind + QStringLiteral("30 Days"), QStringLiteral("Attention")});
    const QList<ListingSummary> listings = m_store->listings(seller);
    lstNotices->clear();
    for (const Notice& notice : m_store->notices(seller))
        lstNotices->addItem(shown(notice.raised) + QStringLiteral("  ") + notice.text +
                            (notice.cleared.isValid()
                                 ? QStringLiteral("  (cleared ") + shown(notice.cleared) + u')'
                                 : QString()));
    lstNotices->setVisible(lstNotices->count() > 0);
    // Listings the seller's last scan saw are the ones still for sale.
    QDateTime lastScan;
    for (const ListingSummary& l : listings)
        lastScan = qMax(lastScan, l.lastSeen);
    m_days.clear();
    m_total.clear();
    const QSignalBlocker block(grdListings);
    grdListings->setSortingEnabled(false);
    grdListings->setRowCount(int(listings.size()));
    for (int r = 0; r < listings.size(); ++r) {
        const ListingSummary& l = listings[r];
        const HistoryStore::Trail trail = m_store->trail(seller, l.auction);
        const QList<DayVisits> days =
            visitsPerDay(trail.readings, own ? QList<qint64>() : trail.ownFetches);
        m_days.insert(l.auction, days);
        addDays(m_total, days);
        const Attention attention =
            visitsPerDayAttention(days, l.firstSeen, lastScan, l.lastSeen == lastScan);
        grdListings->setItem(r, 0, new QTableWidgetItem(l.auction));
        grdListings->setItem(r, 1, new QTableWidgetItem(l.title));
        grdListings->item(r, 1)->setToolTip(l.title);
        grdListings->setItem(r, 2, new QTableWidgetItem(shown(l.firstSeen)));
        grdListings->setItem(r, 3, new QTableWidgetItem(shown(l.lastSeen)));
        grdListings->setItem(r, 4, numberItem(QString::number(l.lastVisits), double(l.lastVisits)));
        for (int w = 0; w < int(l.changes.size()); ++w) {
            const std::optional<VisitsChange>& c = l.changes[size_t(w)];
            const qint64 value = c ? (own ? c->counted : c->byOthers()) : 0;
            grdListings->setItem(
                r, 5 + w, c ? numberItem(change(value), double(value)) : numberItem({}, -1e18));
        }
        auto* item = new QTableWidgetItem(attention.text);
        item->setData(Qt::UserRole, int(attention.kind));
        grdListings->setItem(r, 8, item);
    }
    grdListings->setSortingEnabled(true);
    for (int c = 0; c < grdListings->columnCount(); ++c) {
        if (c != 1)
            grdListings->resizeColumnToContents(c);
    }
    filterRows();
    drawChart();
}

Attention frmHistory::visitsPerDayAttention(const QList<DayVisits>& days, const QDateTime& first,
                                            const QDateTime& lastScan, bool seen) const
{
    return attention(days, first.toLocalTime().date(), lastScan.toLocalTime().date(), seen,
                     spnStalledDays->value());
}

void frmHistory::filterRows()
{
    // The choices after "All listings" follow Attention's kinds.
    const Attention::Kind wanted[] = {Attention::None, Attention::Stalled, Attention::Rising,
                                      Attention::Falling};
    const int choice = cboShow->currentIndex();
    for (int r = 0; r < grdListings->rowCount(); ++r) {
        const int kind = grdListings->item(r, 8)->data(Qt::UserRole).toInt();
        grdListings->setRowHidden(r, choice > 0 && kind != wanted[choice]);
    }
}

void frmHistory::drawChart()
{
    const bool own = chkOwnViews->isChecked();
    auto* chart = new QChart;
    chart->setTitle(cboSeller->currentText() +
                    (own ? QStringLiteral(": visits per day, this program's own included")
                         : QStringLiteral(": visits by others per day")));
    auto* timeAxis = new QDateTimeAxis;
    chart->addAxis(timeAxis, Qt::AlignBottom);
    // The total is far above any one listing: it gets an axis of its own so
    // the listings' lines keep their shape.
    auto* listingAxis = new QValueAxis;
    auto* totalAxis = new QValueAxis;
    listingAxis->setTitleText(QStringLiteral("Visits per day"));
    totalAxis->setTitleText(QStringLiteral("Total per day"));
    chart->addAxis(listingAxis, Qt::AlignLeft);
    chart->addAxis(totalAxis, Qt::AlignRight);

    const int range = cboRange->currentData().toInt();
    QDate last = QDate::currentDate();
    for (const DayVisits& d : m_total)
        last = qMax(last, d.day);
    const QDate first = range > 0           ? last.addDays(1 - range)
                        : m_total.isEmpty() ? last
                                            : m_total.first().day;
    // A day's point sits at its noon; a day without a change is a zero.
    const QTimeZone zone = QTimeZone::systemTimeZone();
    const auto at = [&zone](QDate day) {
        return double(QDateTime(day, QTime(12, 0), zone).toMSecsSinceEpoch());
    };
    const auto add = [&](const QString& name, const QString& tip, const QList<DayVisits>& days,
                         QValueAxis* axis) {
        auto* series = new QLineSeries;
        series->setName(name);
        series->setProperty("tip", tip);
        QMap<QDate, DayVisits> byDay;
        for (const DayVisits& d : days)
            byDay.insert(d.day, d);
        QList<QPointF> points;
        double low = 0, high = 1;
        for (QDate day = first; day <= last; day = day.addDays(1)) {
            const double visits = byDay.value(day).visits;
            points.append(QPointF(at(day), visits));
            low = qMin(low, visits);
            high = qMax(high, visits);
        }
        // One replace() instead of a signal per point keeps long series quick.
        series->replace(points);
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(axis);
        axis->setRange(qMin(axis->min(), low), qMax(axis->max(), high));
        connect(series, &QLineSeries::hovered, this,
                [tip, byDay](const QPointF& point, bool state) {
                    if (!state)
                        return;
                    const QDate day = QDateTime::fromMSecsSinceEpoch(qint64(point.x())).date();
                    const DayVisits d = byDay.value(day);
                    QToolTip::showText(
                        QCursor::pos(),
                        tip +
                            QStringLiteral("\n%1: %2 visits")
                                .arg(day.toString(Qt::ISODate))
                                .arg(d.visits, 0, 'f', d.estimated ? 1 : 0) +
                            (d.estimated ? QStringLiteral("\nAn estimate: a change between scans "
                                                          "on different days, shared out over "
                                                          "the time between them.")
                                         : QString()));
                });
    };
    listingAxis->setRange(0, 1);
    totalAxis->setRange(0, 1);
    add(QStringLiteral("Total"), QStringLiteral("All listings of ") + cboSeller->currentText(),
        m_total, totalAxis);
    for (const QModelIndex& index : grdListings->selectionModel()->selectedRows()) {
        const QString auction = grdListings->item(index.row(), 0)->text();
        const QString title = grdListings->item(index.row(), 1)->text();
        // Legends name a listing by its title, cut short; the tooltip has it whole.
        const QString name = title.isEmpty()      ? auction
                             : title.size() <= 24 ? title
                                                  : title.left(23) + QChar(0x2026);
        add(name, title + QStringLiteral(" (") + auction + u')', m_days.value(auction),
            listingAxis);
    }
    for (QLegendMarker* marker : chart->legend()->markers()) {
        connect(marker, &QLegendMarker::hovered, this, [marker](bool state) {
            if (state)
                QToolTip::showText(QCursor::pos(), marker->series()->property("tip").toString());
        });
    }
    timeAxis->setFormat(first.daysTo(last) > 120 ? QStringLiteral("yyyy-MM-dd")
                                                 : QStringLiteral("MM-dd"));
    timeAxis->setRange(QDateTime(first, QTime(0, 0)), QDateTime(last, QTime(23, 59)));
    for (QValueAxis* axis : {listingAxis, totalAxis}) {
        // Whole visits on the labels, so at least 0 to 5 however quiet.
        axis->setMax(qMax(axis->max(), 5.0));
        axis->applyNiceNumbers();
        axis->setLabelFormat(QStringLiteral("%d"));
    }
    QChart* old = chtVisits->chart();
    chtVisits->setChart(chart);
    delete old;
}

void frmHistory::cmdExport_Click()
{
    const QString seller = cboSeller->currentText();
    const QString file = QFileDialog::getSaveFileName(this, QStringLiteral("Export History"),
                                                      seller + QStringLiteral("-history.csv"),
                                                      QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    // Each line also carries what the table says its listing needs.
    QHash<QString, QString> attention;
    for (int r = 0; r < grdListings->rowCount(); ++r)
        attention.insert(grdListings->item(r, 0)->text(), grdListings->item(r, 8)->text());
    QList<QStringList> lines = m_store->sellerRows(seller);
    for (int i = 0; i < lines.size(); ++i)
        lines[i] << (i == 0 ? QStringLiteral("Attention") : attention.value(lines[i][2]));
    if (!Csv::save(file, Csv::text(lines)))
        Messages::show(this, QStringLiteral("The history could not be saved to ") + file);
}
