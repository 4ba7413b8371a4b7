#include "signin/Form2.h"
#include "base/Windows.h"

#include "base/Twips.h"
#include "options/OptionsStore.h"
#include "transfer/Inet.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QLabel>
#include <QList>
#include <QNetworkCookie>
#include <QNetworkCookieJar>
#include <QPushButton>
#include <QWebEngineCookieStore>
#include <QWebEngineLoadingInfo>
#include <QWebEnginePage>
#include <QWebEngineProfile>
#include <QWebEngineView>

namespace {

QPointer<Form2>& openForm()
{
    static QPointer<Form2> form;
    return form;
}

// Host of the page last navigated to. Chromium names the host of a host-only
// cookie as its domain; should a cookie come without one, it belongs to that
// page, and the jar would never send a cookie without domain.
QString& pageHost()
{
    static QString host;
    return host;
}

QNetworkCookie forJar(QNetworkCookie cookie)
{
    if (cookie.domain().isEmpty())
        cookie.setDomain(pageHost());
    if (cookie.path().isEmpty())
        cookie.setPath(QStringLiteral("/"));
    return cookie;
}

// The browser's cookies as the jars get them, kept so that a jar connected
// later starts with the session: the cookie store announces a cookie once.
struct CookieShare
{
    QList<QNetworkCookie> held;
    QList<QPointer<QNetworkCookieJar>> jars;

    void added(const QNetworkCookie& browserCookie)
    {
        const QNetworkCookie cookie = forJar(browserCookie);
        forget(cookie);
        held.append(cookie);
        for (QNetworkCookieJar* jar : std::as_const(jars)) {
            if (jar && !jar->updateCookie(cookie))
                jar->insertCookie(cookie);
        }
    }

    void removed(const QNetworkCookie& browserCookie)
    {
        const QNetworkCookie cookie = forJar(browserCookie);
        forget(cookie);
        for (QNetworkCookieJar* jar : std::as_const(jars)) {
            if (jar)
                jar->deleteCookie(cookie);
        }
    }

    void forget(const QNetworkCookie& cookie)
    {
        held.removeIf([&cookie](const QNetworkCookie& c) { return c.hasSameIdentifier(cookie); });
    }
};

CookieShare& cookieShare()
{
    static CookieShare share;
    return share;
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

} // namespace

Form2::Form2(QWidget* mainWindow)
    : QWidget(mainWindow, Qt::Window),
      m_startContext(mainWindow ? static_cast<QObject*>(mainWindow) : QCoreApplication::instance())
{
    setObjectName(QStringLiteral("Form2"));
    setWindowTitle(QStringLiteral("Sign In ...."));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(tw(13650), tw(9495));

    Label1 = new QLabel(QStringLiteral("Note: It is required to log into your myebayauction "
                                       "account to view sold items."),
                        this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(240), tw(60), tw(5445), tw(195));
    Label2 = new QLabel(
        QStringLiteral("Click \"Continue\" when myebayauction page is finished loading."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(tw(240), tw(360), tw(4455), tw(195));

    Command1 = new QPushButton(QStringLiteral("Continue"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(tw(7440), tw(60), tw(1215), tw(495));
    Command2 = new QPushButton(QStringLiteral("Reload"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(tw(8700), tw(60), tw(1215), tw(495));

    // The page belongs to the view; the profile outlives every view.
    WebBrowser1 = new QWebEngineView(profile(), this);
    WebBrowser1->setObjectName(QStringLiteral("WebBrowser1"));
    WebBrowser1->setGeometry(tw(180), tw(660), tw(13215), tw(8115));

    // The widths were made for an 8-point system font; with a wider one the
    // notes would be cut off, so they may grow up to the buttons.
    for (QLabel* label : {Label1, Label2}) {
        const int room = Command1->x() - tw(60) - label->x();
        label->resize(qBound(label->width(), label->sizeHint().width(), qMax(room, label->width())),
                      label->height());
    }

    connect(Command1, &QPushButton::clicked, this, &Form2::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form2::Command2_Click);
    connect(WebBrowser1->page(), &QWebEnginePage::loadingChanged, this,
            [this](const QWebEngineLoadingInfo& info) {
                // A stopped load completes no document; an error page does.
                if (info.status() == QWebEngineLoadingInfo::LoadSucceededStatus ||
                    info.status() == QWebEngineLoadingInfo::LoadFailedStatus)
                    WebBrowser1_DocumentComplete();
            });
}

Form2::~Form2()
{
    if (openForm().data() == this)
        openForm().clear();
    if (m_continued && m_onContinue) {
        // Queued, so the search starts with this window and its browser gone.
        if (m_startContext)
            QMetaObject::invokeMethod(m_startContext, std::move(m_onContinue),
                                      Qt::QueuedConnection);
    }
}

Form2* Form2::showSignIn(QWidget* mainWindow, Inet* inet, std::function<void()> onContinue)
{
    if (inet)
        shareCookiesWith(inet->cookieJar());
    Form2* form = openForm();
    if (form) {
        form->m_onContinue = std::move(onContinue);
        bringToFront(form);
        return form;
    }
    form = new Form2(mainWindow);
    form->m_onContinue = std::move(onContinue);
    openForm() = form;
    form->Form_Load();
    form->show();
    return form;
}

Form2* Form2::instance()
{
    return openForm();
}

QWebEngineProfile* Form2::profile()
{
    static QPointer<QWebEngineProfile> profile;
    if (!profile) {
        // No storage name: off the record, so cookies, cache and site data
        // stay in memory and end with the run.
        profile = new QWebEngineProfile(QCoreApplication::instance());
        profile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
        profile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
        profile->setSpellCheckEnabled(false);
        QWebEngineCookieStore* store = profile->cookieStore();
        connect(store, &QWebEngineCookieStore::cookieAdded, profile,
                [](const QNetworkCookie& cookie) { cookieShare().added(cookie); });
        connect(store, &QWebEngineCookieStore::cookieRemoved, profile,
                [](const QNetworkCookie& cookie) { cookieShare().removed(cookie); });
        store->loadAllCookies();
    }
    return profile;
}

void Form2::shareCookiesWith(QNetworkCookieJar* jar)
{
    if (!jar)
        return;
    profile(); // its cookie store starts feeding the jars
    CookieShare& share = cookieShare();
    share.jars.removeAll(nullptr);
    if (share.jars.contains(jar))
        return;
    share.jars.append(jar);
    for (const QNetworkCookie& cookie : std::as_const(share.held)) {
        if (!jar->updateCookie(cookie))
            jar->insertCookie(cookie);
    }
}

QUrl Form2::signInUrl()
{
    return signInUrlFor(OptionsStore::texts().soldBefore[7]);
}

QUrl Form2::signInUrlFor(const QString& soldAddress)
{
    QUrl site(soldAddress.trimmed());
    if (!isWebAddress(site))
        site = QUrl(QStringLiteral("http://my.ebay.com"));
    QUrl url;
    url.setScheme(site.scheme());
    url.setHost(site.host());
    url.setPort(site.port());
    url.setPath(QStringLiteral("/ws/eBayISAPI.dll"));
    url.setQuery(QStringLiteral("MyeBay&pageType=1883"));
    return url;
}

void Form2::Form_Load()
{
    Command1->setEnabled(false);
    navigate();
}

void Form2::Command1_Click()
{
    m_continued = true;
    close();
}

void Form2::Command2_Click()
{
    Command1->setEnabled(false);
    navigate();
}

void Form2::WebBrowser1_DocumentComplete()
{
    Command1->setEnabled(true);
}

void Form2::closeEvent(QCloseEvent* event)
{
    // From here on a Show makes a fresh window, even before this one is deleted.
    if (openForm().data() == this)
        openForm().clear();
    event->accept();
}

void Form2::navigate()
{
    const QUrl url = signInUrl();
    pageHost() = url.host();
    WebBrowser1->setUrl(url);
}
