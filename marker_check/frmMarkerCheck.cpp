#include "marker_check/frmMarkerCheck.h"

#include "base/Messages.h"
#include "history/HistoryStore.h"
#include "history/ListingPages.h"
#include "options/Form4.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"
#include "options/ScanMarkers.h"
#include "signin/Form2.h"
#include "transfer/Inet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFutureWatcher>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QStringDecoder>
#include <QTableWidget>
#include <QTextBrowser>
#include <QThread>
#include <QVBoxLayout>
#include <QtConcurrent>

namespace {
// A jar whose cookies can be handed to another thread's downloader.
class SharedJar : public QNetworkCookieJar
{
public:
    using QNetworkCookieJar::QNetworkCookieJar;
    QList<QNetworkCookie> all() const { return allCookies(); }
};

// A saved page is held to the downloader's own size limit.
constexpr qint64 MaxPageBytes = 64 * 1024 * 1024;

QString joined(const QStringList& values)
{
    QStringList shown;
    for (const QString& value : values)
        shown << QLatin1Char('"') + value.left(80) + QLatin1Char('"');
    return shown.join(QStringLiteral("  "));
}

QString bytes(qsizetype characters)
{
    return QLocale().toString(qlonglong(characters)) + QStringLiteral(" characters");
}
} // namespace

frmMarkerCheck::frmMarkerCheck(std::function<QString()> userId, QWidget* parent)
    : QWidget(parent, Qt::Window), m_userId(std::move(userId)), m_thread(new QThread(this)),
      m_worker(new QObject), m_cookies(new SharedJar(this))
{
    m_worker->moveToThread(m_thread);
    connect(m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    m_thread->start();
    // Made in its thread: the downloader's network manager belongs to the thread that makes it.
    QMetaObject::invokeMethod(
        m_worker, [this] { m_inet = new Inet(m_worker); }, Qt::BlockingQueuedConnection);
    setObjectName(QStringLiteral("frmMarkerCheck"));
    setWindowTitle(QStringLiteral("Check Markers"));
    setAttribute(Qt::WA_DeleteOnClose);
    resize(1000, 520);
    // Signed in through the browser: the check sees the Sold page the scan sees.
    Form2::shareCookiesWith(m_cookies);

    optActive = new QRadioButton(QStringLiteral("&Active"), this);
    optActive->setObjectName(QStringLiteral("optActive"));
    optActive->setChecked(true);
    optSold = new QRadioButton(QStringLiteral("&Sold"), this);
    optSold->setObjectName(QStringLiteral("optSold"));
    cmdCheckAgain = new QPushButton(QStringLiteral("&Check"), this);
    cmdCheckAgain->setObjectName(QStringLiteral("cmdCheckAgain"));
    cmdCheckAgain->setDefault(true);
    cmdOpenPage = new QPushButton(QStringLiteral("&Open Page..."), this);
    cmdOpenPage->setObjectName(QStringLiteral("cmdOpenPage"));
    chkNotice = new QCheckBox(
        QStringLiteral("&Tell me after a scan when the markers find no listings or no counters"),
        this);
    chkNotice->setObjectName(QStringLiteral("chkNotice"));
    chkNotice->setChecked(MarkerCheck::noticeEnabled());
    lblPages = new QLabel(this);
    lblPages->setObjectName(QStringLiteral("lblPages"));
    lblPages->setTextInteractionFlags(Qt::TextSelectableByMouse);
    lblPages->setWordWrap(true);

    grdRows = new QTableWidget(0, 6, this);
    grdRows->setObjectName(QStringLiteral("grdRows"));
    grdRows->setHorizontalHeaderLabels(
        {QStringLiteral("Row"), QStringLiteral("String before"), QStringLiteral("String after"),
         QStringLiteral("Found before / after"), QStringLiteral("What the scan reads"),
         QStringLiteral("Note")});
    grdRows->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdRows->setWordWrap(false);
    grdRows->verticalHeader()->hide();
    grdRows->horizontalHeader()->setSectionResizeMode(5, QHeaderView::Stretch);
    grdRows->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdRows->setSelectionMode(QAbstractItemView::SingleSelection);

    cboSavedPage = new QComboBox(this);
    cboSavedPage->setObjectName(QStringLiteral("cboSavedPage"));
    cboSavedPage->addItems({QStringLiteral("Tell from its content"), QStringLiteral("Listing page"),
                            QStringLiteral("Item page")});
    cboSavedPage->setToolTip(QStringLiteral("What kind of page Open Page reads"));
    cmdRepair = new QPushButton(QStringLiteral("&Repair Marker"), this);
    cmdRepair->setObjectName(QStringLiteral("cmdRepair"));
    cmdRepair->setToolTip(QStringLiteral("Seek the value this row cut last time on the page, and "
                                         "propose markers that cut it again"));
    cmdUseMarkers = new QPushButton(QStringLiteral("&Put into Options"), this);
    cmdUseMarkers->setObjectName(QStringLiteral("cmdUseMarkers"));
    cmdUseMarkers->setToolTip(QStringLiteral("Put the proposed markers into the Options window, "
                                             "unsaved"));
    txtRepair = new QTextBrowser(this);
    txtRepair->setObjectName(QStringLiteral("txtRepair"));
    txtRepair->setMaximumHeight(150);
    txtRepair->setPlaceholderText(
        QStringLiteral("Choose a row shown \"not found\" and Repair Marker: the last value the "
                       "history holds for it is sought on the page checked."));

    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Markers of the table:"), this));
    top->addWidget(optActive);
    top->addWidget(optSold);
    top->addStretch();
    top->addWidget(cmdCheckAgain);
    top->addWidget(cmdOpenPage);
    top->addWidget(cboSavedPage);
    auto* repair = new QHBoxLayout;
    repair->addWidget(cmdRepair);
    repair->addWidget(cmdUseMarkers);
    repair->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(lblPages);
    layout->addWidget(grdRows, 1);
    layout->addLayout(repair);
    layout->addWidget(txtRepair);
    layout->addWidget(chkNotice);

    // Columns as wide as their headers until a check fills them.
    grdRows->resizeColumnsToContents();
    setTabOrder(optActive, optSold);
    setTabOrder(optSold, cmdCheckAgain);
    setTabOrder(cmdCheckAgain, cmdOpenPage);
    setTabOrder(cmdOpenPage, cboSavedPage);
    setTabOrder(cboSavedPage, grdRows);
    setTabOrder(grdRows, cmdRepair);
    setTabOrder(cmdRepair, cmdUseMarkers);
    setTabOrder(cmdUseMarkers, txtRepair);
    setTabOrder(txtRepair, chkNotice);
    // Check is the default button; a window that is no dialog needs the keys itself.
    for (const QKeySequence& key : {QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)}) {
        connect(new QShortcut(key, this), &QShortcut::activated, this, [this] {
            if (cmdCheckAgain->isEnabled())
                checkSite();
        });
    }
    connect(cmdCheckAgain, &QPushButton::clicked, this, &frmMarkerCheck::checkSite);
    connect(cmdOpenPage, &QPushButton::clicked, this, &frmMarkerCheck::cmdOpenPage_Click);
    connect(chkNotice, &QCheckBox::toggled, this, &MarkerCheck::setNoticeEnabled);
    connect(cmdRepair, &QPushButton::clicked, this, &frmMarkerCheck::cmdRepair_Click);
    connect(cmdUseMarkers, &QPushButton::clicked, this, &frmMarkerCheck::cmdUseMarkers_Click);
    connect(grdRows, &QTableWidget::currentCellChanged, this, &frmMarkerCheck::showRepairState);
    showRepairState();
}

void frmMarkerCheck::setHistory(HistoryAccess access)
{
    m_history = std::move(access);
}

frmMarkerCheck::~frmMarkerCheck()
{
    QMetaObject::invokeMethod(m_worker, [inet = m_inet] { inet->Cancel(); });
    m_thread->quit();
    m_thread->wait();
}

QNetworkCookieJar* frmMarkerCheck::cookieJar() const
{
    return m_cookies;
}

MarkerTable frmMarkerCheck::table() const
{
    return optSold->isChecked() ? MarkerTable::Sold : MarkerTable::Active;
}

void frmMarkerCheck::setBusy(bool busy)
{
    cmdCheckAgain->setEnabled(!busy);
    cmdOpenPage->setEnabled(!busy);
    cboSavedPage->setEnabled(!busy);
    optActive->setEnabled(!busy);
    optSold->setEnabled(!busy);
    if (busy) {
        cmdRepair->setEnabled(false);
        cmdUseMarkers->setEnabled(false);
    } else {
        showRepairState();
    }
}

void frmMarkerCheck::showRepairState()
{
    const int row = grdRows->currentRow();
    cmdRepair->setEnabled(cmdCheckAgain->isEnabled() && row >= 0 && row < m_checked.rows.size() &&
                          m_checked.rows[row].broken);
    cmdUseMarkers->setEnabled(cmdCheckAgain->isEnabled() && m_proposal.has_value());
}

void frmMarkerCheck::fetch(const QString& what, const QString& address,
                           const std::function<void(const Fetched&)>& then)
{
    lblPages->setText(what + QStringLiteral(": loading ") + address);
    const QList<QNetworkCookie> cookies = static_cast<SharedJar*>(m_cookies)->all();
    const auto fetchThere = [this, inet = m_inet, what, address, cookies, then,
                             generation = m_generation] {
        for (const QNetworkCookie& cookie : cookies) {
            if (!inet->cookieJar()->updateCookie(cookie))
                inet->cookieJar()->insertCookie(cookie);
        }
        QElapsedTimer clock;
        clock.start();
        Fetched page{inet->OpenURL(address), QString(), false, QString(), QString()};
        page.failed = inet->lastFetch().failed;
        page.url = inet->URL();
        page.error = inet->lastFetch().error;
        page.summary = what + QStringLiteral(": ") + inet->URL() + QStringLiteral(" (") +
                       bytes(page.text.size()) + QStringLiteral(" in ") +
                       QString::number(clock.elapsed()) + QStringLiteral(" ms") +
                       (page.failed ? QStringLiteral(", the fetch failed)") : QStringLiteral(")"));
        // Dropped with the window if it closed meanwhile.
        QMetaObject::invokeMethod(this, [this, page, then, generation] {
            if (generation == m_generation)
                then(page);
        });
    };
    QMetaObject::invokeMethod(m_worker, fetchThere);
}

void frmMarkerCheck::checkSite()
{
    const MarkerTable t = table();
    const OptionTexts options = OptionsStore::texts();
    const MarkerCheck::Markers markers = MarkerCheck::markersOf(t, options);
    const ScanMarkers addresses = scanMarkers(t, options, OptionFiles::counterTryLimit());
    const QString address =
        t == MarkerTable::Active ? addresses.listingAddress(m_userId()) : addresses.soldAddress;
    const QString seller = m_userId().trimmed();
    setBusy(true);
    ++m_generation;
    fetch(QStringLiteral("Listing page"), address, [=](const Fetched& listing) {
        const QString first = MarkerCheck::firstListing(t, markers, listing.text);
        const auto checkWith = [=](const Fetched& item) {
            if (!first.isEmpty() && !item.failed)
                emit itemPageFetched(seller, first, QDateTime::currentDateTimeUtc());
            // A page the markers fit: what a later repair compares with.
            if (!first.isEmpty())
                (void)QtConcurrent::run(
                    [seller, t, page = listing.text] { ListingPages::keep(seller, t, page); });
            // An unknown seller is sent to the bare listing page, as the scan sees it.
            const MarkerCheck::PageKind kind = MarkerCheck::pageKind(
                listing.text, listing.failed,
                t == MarkerTable::Active && listing.url == addresses.bareListingAddress());
            // The site counts the check's fetch like any visit; the history knows it.
            const QString visit =
                !first.isEmpty() && !item.failed
                    ? QStringLiteral(" The site counted this fetch as a visit; the visit "
                                     "history leaves it out of the visits by others.")
                    : QString();
            run(t, listing.text, item.text,
                listing.summary + QLatin1Char('\n') + item.summary + visit, kind, listing.error);
        };
        if (first.isEmpty())
            checkWith({QString(), QStringLiteral("Item page: none, as no listing was found"), false,
                       QString(), QString()});
        else
            fetch(QStringLiteral("Item page"), addresses.itemAddress(first), checkWith);
    });
}

void frmMarkerCheck::cmdOpenPage_Click()
{
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("Open Page"), QString(),
                                     QStringLiteral("Web pages (*.html *.htm);;All files (*)"));
    if (!path.isEmpty())
        checkFile(path);
}

void frmMarkerCheck::checkFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() > MaxPageBytes) {
        Messages::show(this, QStringLiteral("The page cannot be checked: ") +
                                 (file.isOpen() ? QStringLiteral("it is larger than 64 MiB")
                                                : file.errorString()) +
                                 QStringLiteral(" (") + path + QLatin1Char(')'));
        return;
    }
    const QByteArray data = file.readAll();
    QStringDecoder decode(QStringConverter::encodingForHtml(data).value_or(QStringConverter::Utf8));
    const QString page = decode(data);
    const MarkerTable t = table();
    const OptionTexts options = OptionsStore::texts();
    bool itemPage = cboSavedPage->currentIndex() == 2;
    QString how = itemPage ? QStringLiteral("read as an item page")
                           : QStringLiteral("read as a listing page");
    if (cboSavedPage->currentIndex() == 0) {
        itemPage = MarkerCheck::looksLikeItemPage(t, MarkerCheck::markersOf(t, options),
                                                  MarkerCheck::counterStart(options), page);
        how = itemPage ? QStringLiteral("an item page: a counter was found and no listing")
                       : QStringLiteral("read as a listing page; choose Item page beside Open "
                                        "Page if it is one");
    }
    setBusy(true);
    run(t, itemPage ? QString() : page, itemPage ? page : QString(),
        QStringLiteral("Saved page: ") + path + QStringLiteral(" (") + bytes(page.size()) +
            QStringLiteral("), ") + how,
        itemPage ? MarkerCheck::PageKind::ItemPageOnly : MarkerCheck::pageKind(page, false, false),
        QString());
}

void frmMarkerCheck::run(MarkerTable table, const QString& listing, const QString& item,
                         const QString& summary, MarkerCheck::PageKind kind, const QString& failure)
{
    const QString what = MarkerCheck::pageKindText(kind, failure);
    lblPages->setText(what.isEmpty() ? summary : what + QLatin1Char('\n') + summary);
    // Counting markers in a page of many megabytes takes a moment: off the window's thread.
    auto* watcher = new QFutureWatcher<QList<MarkerCheck::Row>>(this);
    const int generation = ++m_generation;
    connect(watcher, &QFutureWatcherBase::finished, this,
            [this, watcher, generation, kind, table, listing, item,
             seller = m_userId().trimmed()]() mutable {
                watcher->deleteLater();
                if (generation != m_generation)
                    return;
                QList<MarkerCheck::Row> rows = watcher->result();
                if (kind == MarkerCheck::PageKind::Listing &&
                    MarkerCheck::withoutListings(table, rows)) {
                    kind = MarkerCheck::PageKind::NoListings;
                    lblPages->setText(MarkerCheck::pageKindText(kind, QString()) +
                                      QLatin1Char('\n') + lblPages->text());
                }
                MarkerCheck::blameNoMarker(rows, kind);
                m_checked = {table, seller, listing, item, rows};
                m_proposal.reset();
                txtRepair->clear();
                showRows(rows);
                setBusy(false);
                emit checked();
            });
    watcher->setFuture(QtConcurrent::run([table, options = OptionsStore::texts(), listing, item] {
        return MarkerCheck::check(table, MarkerCheck::markersOf(table, options),
                                  MarkerCheck::counterStart(options), listing, item);
    }));
}

void frmMarkerCheck::showRows(const QList<MarkerCheck::Row>& rows)
{
    grdRows->setRowCount(int(rows.size()));
    for (int r = 0; r < rows.size(); ++r) {
        const MarkerCheck::Row& row = rows[r];
        const QString found = QString::number(row.beforeCount) + QStringLiteral(" / ") +
                              QString::number(row.afterCount);
        const QStringList cells{row.purpose,
                                row.before,
                                row.after,
                                found,
                                row.broken ? QStringLiteral("not found") : joined(row.values),
                                row.note};
        for (int c = 0; c < cells.size(); ++c) {
            auto* item = new QTableWidgetItem(cells[c]);
            item->setToolTip(cells[c].left(2000));
            if (row.broken && c == 4)
                item->setBackground(QColor(255, 0, 0));
            grdRows->setItem(r, c, item);
        }
    }
    for (int c : {0, 1, 2, 3, 4})
        grdRows->resizeColumnToContents(c);
    // Long values stay in the tooltips; the Note column keeps room to be read.
    for (int c : {1, 2})
        grdRows->setColumnWidth(c, qBound(90, grdRows->columnWidth(c), 170));
    grdRows->setColumnWidth(4, qBound(90, grdRows->columnWidth(4), 250));
}

void frmMarkerCheck::cmdRepair_Click()
{
    const int row = grdRows->currentRow();
    if (row < 0 || row >= m_checked.rows.size() || !m_checked.rows[row].broken)
        return;
    setBusy(true);
    m_proposal.reset();
    txtRepair->setPlainText(QStringLiteral("Seeking the last value of ") +
                            m_checked.rows[row].purpose + QStringLiteral(" on the page..."));
    const int generation = ++m_generation;
    const auto withHistory = [this, row, generation](std::shared_ptr<HistoryStore> store) {
        if (generation != m_generation)
            return;
        MarkerRepair::Memory memory;
        if (store)
            memory.rows = store->lastRows(m_checked.seller, m_checked.table == MarkerTable::Sold);
        // Trying every marker pair around a value runs the listing phase hundreds of times.
        auto* watcher = new QFutureWatcher<MarkerRepair::Proposal>(this);
        connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, row, generation] {
            watcher->deleteLater();
            if (generation != m_generation)
                return;
            const MarkerRepair::Proposal proposal = watcher->result();
            m_proposal = proposal.markers;
            m_repairRow = row;
            txtRepair->setHtml(MarkerRepair::describe(proposal, m_checked.rows[row].purpose));
            setBusy(false);
            emit repaired();
        });
        watcher->setFuture(QtConcurrent::run(
            [checked = m_checked, row, memory, options = OptionsStore::texts()]() mutable {
                memory.page = ListingPages::kept(checked.seller, checked.table);
                return MarkerRepair::propose(
                    checked.table, MarkerCheck::markersOf(checked.table, options), row,
                    MarkerCheck::counterStart(options), checked.listing, checked.item, memory);
            }));
    };
    if (m_history)
        m_history(this, withHistory);
    else
        withHistory(nullptr);
}

void frmMarkerCheck::cmdUseMarkers_Click()
{
    if (!m_proposal || m_repairRow < 0)
        return;
    Form4* options = OptionsStore::form();
    const bool sold = m_checked.table == MarkerTable::Sold;
    (sold ? options->RichTextBox2 : options->RichTextBox1)[m_repairRow]->setText(
        m_proposal->before);
    (sold ? options->RichTextBox6 : options->RichTextBox5)[m_repairRow]->setText(m_proposal->after);
    options->showFull();
    txtRepair->append(QStringLiteral("<p><b>Put into the Options window, not saved:</b> Check "
                                     "again here, then Save there.</p>"));
}
