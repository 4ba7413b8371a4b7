#include "history/frmHistory.h"

#include "base/Messages.h"
#include "history/Csv.h"
#include "history/HistoryStore.h"

#include <QChart>
#include <QChartView>
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

QString change(const std::optional<qint64>& value)
{
    if (!value)
        return QString();
    return (*value > 0 ? QStringLiteral("+") : QString()) + QString::number(*value);
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

    grdListings = new QTableWidget(0, 7, this);
    grdListings->setObjectName(QStringLiteral("grdListings"));
    grdListings->setHorizontalHeaderLabels(
        {QStringLiteral("Auction"), QStringLiteral("Title"), QStringLiteral("First Seen"),
         QStringLiteral("Last Seen"), QStringLiteral("Last Visits"), QStringLiteral("Change 1 Day"),
         QStringLiteral("Change 7 Days")});
    grdListings->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdListings->setSelectionMode(QAbstractItemView::ExtendedSelection);
    grdListings->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdListings->verticalHeader()->hide();
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
    connect(grdListings, &QTableWidget::itemSelectionChanged, this, &frmHistory::drawChart);
    connect(cmdExport, &QPushButton::clicked, this, &frmHistory::cmdExport_Click);
    showSeller(cboSeller->currentText());
}

void frmHistory::showSeller(const QString& seller)
{
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
        grdListings->setItem(r, 5, numberItem(change(l.change1Day)));
        grdListings->setItem(r, 6, numberItem(change(l.change7Days)));
    }
    grdListings->resizeColumnToContents(0);
    drawChart();
}

void frmHistory::drawChart()
{
    auto* chart = new QChart;
    chart->setTitle(cboSeller->currentText());
    auto* timeAxis = new QDateTimeAxis;
    timeAxis->setFormat(QStringLiteral("yyyy-MM-dd"));
    auto* visitsAxis = new QValueAxis;
    visitsAxis->setLabelFormat(QStringLiteral("%d"));
    chart->addAxis(timeAxis, Qt::AlignBottom);
    chart->addAxis(visitsAxis, Qt::AlignLeft);

    qint64 low = 0, high = 0, first = 0, last = 0;
    const auto add = [&](const QString& name, const QList<VisitSample>& samples) {
        if (samples.isEmpty())
            return;
        auto* series = new QLineSeries;
        series->setName(name);
        QList<QPointF> points;
        points.reserve(samples.size());
        for (const VisitSample& s : samples) {
            points.append(QPointF(double(s.time.toMSecsSinceEpoch()), double(s.visits)));
            high = qMax(high, s.visits);
            low = qMin(low, s.visits);
        }
        // One replace() instead of a signal per point keeps long series quick.
        series->replace(points);
        const qint64 from = samples.front().time.toMSecsSinceEpoch();
        const qint64 to = samples.back().time.toMSecsSinceEpoch();
        first = first ? qMin(first, from) : from;
        last = qMax(last, to);
        chart->addSeries(series);
        series->attachAxis(timeAxis);
        series->attachAxis(visitsAxis);
    };
    add(QStringLiteral("Total"), m_store->sellerTotals(cboSeller->currentText()));
    QStringList shownAuctions;
    for (const QModelIndex& index : grdListings->selectionModel()->selectedRows())
        shownAuctions << grdListings->item(index.row(), 0)->text();
    for (const QString& auction : shownAuctions)
        add(auction, m_store->listingVisits(cboSeller->currentText(), auction));
    if (first == last)
        last = first + 60 * 60 * 1000;
    timeAxis->setRange(QDateTime::fromMSecsSinceEpoch(first), QDateTime::fromMSecsSinceEpoch(last));
    visitsAxis->setRange(double(low), double(qMax<qint64>(high, 1)));
    QChart* old = chtVisits->chart();
    chtVisits->setChart(chart);
    delete old;
}

void frmHistory::cmdExport_Click()
{
    const QString seller = cboSeller->currentText();
    const QString file = QFileDialog::getSaveFileName(
        this, QStringLiteral("Export History"), seller + QStringLiteral("-history.csv"),
        QStringLiteral("CSV files (*.csv)"));
    if (file.isEmpty())
        return;
    if (!Csv::save(file, Csv::text(m_store->sellerRows(seller))))
        Messages::show(this, QStringLiteral("The history could not be saved to ") + file);
}
