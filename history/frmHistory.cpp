#include "history/frmHistory.h"

#include "base/Messages.h"
#include "history/Csv.h"
#include "history/HistoryStore.h"

#include <QChart>
#include <QChartView>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeAxis>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineSeries>
#include <QPushButton>
#include <QSplitter>
#include <QTableWidget>
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

QTableWidgetItem* numberItem(const QString& text)
{
    auto* item = new QTableWidgetItem(text);
    item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return item;
}
} // namespace

frmHistory::frmHistory(std::shared_ptr<HistoryStore> store, const QString& seller, QWidget* parent)
    : QWidget(parent, Qt::Window), m_store(std::move(store))
{
    setObjectName(QStringLiteral("frmHistory"));
    setWindowTitle(QStringLiteral("Visit History"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 680);

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

    grdListings = new QTableWidget(0, 8, this);
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
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(splitter);

    const QStringList sellers = m_store->sellers();
    cboSeller->addItems(sellers);
    const int start = sellers.indexOf(seller);
    cboSeller->setCurrentIndex(start >= 0 ? start : 0);
    connect(cboSeller, &QComboBox::currentTextChanged, this, &frmHistory::showSeller);
    connect(chkOwnViews, &QCheckBox::toggled, this,
            [this] { showSeller(cboSeller->currentText()); });
    connect(grdListings, &QTableWidget::itemSelectionChanged, this, &frmHistory::drawChart);
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    showSeller(cboSeller->currentText());
}

void frmHistory::showSeller(const QString& seller)
{
    const bool own = chkOwnViews->isChecked();
    const QString kind = own ? QStringLiteral("Counted") : QStringLiteral("By Others");
    grdListings->setHorizontalHeaderLabels(
        {QStringLiteral("Auction"), QStringLiteral("Title"), QStringLiteral("First Seen"),
         QStringLiteral("Last Seen"), QStringLiteral("Last Visits"),
         kind + QStringLiteral(" 1 Day"), kind + QStringLiteral(" 7 Days"),
         kind + QStringLiteral(" 30 Days")});
    const QList<ListingSummary> listings = m_store->listings(seller);
    const QSignalBlocker block(grdListings);
    grdListings->setRowCount(int(listings.size()));
    for (int r = 0; r < listings.size(); ++r) {
        const ListingSummary& l = listings[r];
        grdListings->setItem(r, 0, new QTableWidgetItem(l.auction));
        grdListings->setItem(r, 1, new QTableWidgetItem(l.title));
        grdListings->setItem(r, 2, new QTableWidgetItem(shown(l.firstSeen)));
        grdListings->setItem(r, 3, new QTableWidgetItem(shown(l.lastSeen)));
        grdListings->setItem(r, 4, numberItem(QString::number(l.lastVisits)));
        for (int w = 0; w < int(l.changes.size()); ++w) {
            const std::optional<VisitsChange>& c = l.changes[size_t(w)];
            grdListings->setItem(
                r, 5 + w, numberItem(c ? change(own ? c->counted : c->byOthers()) : QString()));
        }
    }
    for (int c = 0; c < grdListings->columnCount(); ++c) {
        if (c != 1)
            grdListings->resizeColumnToContents(c);
    }
    drawChart();
}

void frmHistory::drawChart()
{
    auto* chart = new QChart;
    chart->setTitle(cboSeller->currentText());
    auto* timeAxis = new QDateTimeAxis;
    chart->addAxis(timeAxis, Qt::AlignBottom);
    // The total is far above any one listing: it gets an axis of its own so
    // the listings' lines keep their shape.
    auto* listingAxis = new QValueAxis;
    auto* totalAxis = new QValueAxis;
    listingAxis->setTitleText(QStringLiteral("Visits"));
    totalAxis->setTitleText(QStringLiteral("Total visits"));
    chart->addAxis(listingAxis, Qt::AlignLeft);
    chart->addAxis(totalAxis, Qt::AlignRight);

    qint64 first = std::numeric_limits<qint64>::max(), last = std::numeric_limits<qint64>::min();
    const auto add = [&](const QString& name, const QList<VisitSample>& samples, QValueAxis* axis) {
        auto* series = new QLineSeries;
        series->setName(name);
        QList<QPointF> points;
        points.reserve(samples.size());
        double high = 1;
        for (const VisitSample& s : samples) {
            points.append(QPointF(double(s.time.toMSecsSinceEpoch()), double(s.visits)));
            high = qMax(high, double(s.visits));
            first = qMin(first, s.time.toMSecsSinceEpoch());
            last = qMax(last, s.time.toMSecsSinceEpoch());
        }
        // One replace() instead of a signal per point keeps long series quick.
        series->replace(points);
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(axis);
        axis->setMax(qMax(axis->max(), high));
    };
    listingAxis->setRange(0, 1);
    totalAxis->setRange(0, 1);
    add(QStringLiteral("Total"), m_store->sellerTotals(cboSeller->currentText()), totalAxis);
    for (const QModelIndex& index : grdListings->selectionModel()->selectedRows()) {
        const QString auction = grdListings->item(index.row(), 0)->text();
        add(auction, m_store->listingVisits(cboSeller->currentText(), auction), listingAxis);
    }
    if (first > last)
        first = last = QDateTime::currentMSecsSinceEpoch();
    if (last == first)
        last = first + 60 * 1000; // a single scan still gets a readable axis
    // Seconds matter between scans of one session, dates over months.
    constexpr qint64 Hour = 60 * 60 * 1000;
    timeAxis->setFormat(last - first < 2 * Hour    ? QStringLiteral("HH:mm:ss")
                        : last - first < 72 * Hour ? QStringLiteral("MM-dd HH:mm")
                                                   : QStringLiteral("yyyy-MM-dd"));
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    for (QValueAxis* axis : {listingAxis, totalAxis}) {
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
    if (!Csv::save(file, Csv::text(m_store->sellerRows(seller))))
        Messages::show(this, QStringLiteral("The history could not be saved to ") + file);
}
