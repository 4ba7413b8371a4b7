#include "transfer/Inet.h"

#include <QEventLoop>
#include <QHostInfo>
#include <QNetworkAccessManager>
#include <QNetworkCookieJar>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QPointer>
#include <QRegularExpression>
#include <QStringDecoder>
#include <QTimer>

#include <algorithm>
#include <iterator>

namespace {

constexpr int kDefaultStallTimeout = 30 * 1000;
constexpr qint64 kDefaultMaxBodyBytes = 64 * 1024 * 1024;
constexpr int kMaxRedirects = 10;
// How far Qt's network thread may read ahead of us; see request().
constexpr qint64 kReadAheadBytes = 1024 * 1024;
// Browsers look for a <meta> charset only this far into a page.
constexpr int kMetaScanBytes = 1024;

// Labels that browsers read as windows-1252: pages that say Latin-1 or ASCII
// still put the euro sign, curly quotes and dashes in 0x80-0x9F.
bool isWindows1252Label(const QByteArray& label)
{
    static const char* const labels[] = {"ansi_x3.4-1968", "ascii",    "cp1252",       "cp819",
                                         "csisolatin1",    "ibm819",   "iso-8859-1",   "iso-ir-100",
                                         "iso8859-1",      "iso88591", "iso_8859-1",   "l1",
                                         "latin1",         "us-ascii", "windows-1252", "x-cp1252"};
    return std::any_of(std::begin(labels), std::end(labels),
                       [&label](const char* known) { return label == known; });
}

// An invalid decoder when the label is empty or unknown; legacy charsets come
// from ICU, which Debian's Qt is built with.
QStringDecoder decoderForLabel(const QByteArray& rawLabel)
{
    const QByteArray label = rawLabel.trimmed().toLower();
    if (label.isEmpty())
        return QStringDecoder();
    if (isWindows1252Label(label))
        return QStringDecoder("windows-1252");
    return QStringDecoder(label.constData());
}

QByteArray charsetParameter(const QByteArray& contentType)
{
    const QList<QByteArray> parts = contentType.split(';');
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QByteArray param = parts.at(i).trimmed();
        const qsizetype eq = param.indexOf('=');
        if (eq < 0 || param.left(eq).trimmed().toLower() != "charset")
            continue;
        QByteArray value = param.mid(eq + 1).trimmed();
        if (value.size() >= 2 && value.startsWith('"') && value.endsWith('"'))
            value = value.mid(1, value.size() - 2);
        return value;
    }
    return QByteArray();
}

// Both <meta charset="x"> and <meta http-equiv=... content="...; charset=x">.
// Qt 6.4's QStringConverter::encodingForHtml() only knows Qt's own encodings,
// so it cannot name windows-1252 or Shift_JIS.
QByteArray metaCharset(const QByteArray& body)
{
    static const QRegularExpression meta(
        QStringLiteral(R"(<meta\b[^>]*?\bcharset\s*=\s*["']?\s*([A-Za-z0-9._:\-]+))"),
        QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match =
        meta.match(QString::fromLatin1(body.left(kMetaScanBytes)));
    if (!match.hasMatch())
        return QByteArray();
    QByteArray label = match.captured(1).toLatin1();
    // A page whose <meta> could be read is not UTF-16, whatever it claims.
    if (label.toLower().startsWith("utf-16"))
        label = "utf-8";
    return label;
}

QString decodeBody(const QByteArray& body, const QByteArray& contentType)
{
    // A byte order mark outranks every declaration.
    if (const auto bom = QStringConverter::encodingForData(body)) {
        QStringDecoder decoder(*bom);
        return decoder(body);
    }
    QStringDecoder declared = decoderForLabel(charsetParameter(contentType));
    if (!declared.isValid())
        declared = decoderForLabel(metaCharset(body));
    if (declared.isValid())
        return declared(body);

    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8(body);
    if (!utf8.hasError())
        return text;
    QStringDecoder cp1252("windows-1252");
    if (!cp1252.isValid()) // a Qt built without ICU
        return QString::fromLatin1(body);
    return cp1252(body);
}

bool isWebAddress(const QUrl& url)
{
    const QString scheme = url.scheme();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("http") || scheme == QLatin1String("https"));
}

bool isRedirection(int status)
{
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

} // namespace

// One fetch; lives on OpenURL's stack, so everything that may still call back
// after OpenURL returns uses `loop` as its context object.
struct Inet::Transfer
{
    QEventLoop loop;
    QTimer lookupTimer;
    QPointer<QNetworkReply> reply;
    int lookupId = -1;
    bool lookupDone = false;
    bool hostFound = false;
    QByteArray body;
    QByteArray contentType;
    bool cancelled = false;
    bool tooLarge = false;
    bool ownerGone = false; // ~Inet ran while this fetch was on the stack
    QString error;          // why the fetch failed

    // Per request: a redirection is one more request within the same fetch.
    bool connecting = false;
    bool connected = false;
    bool headersSeen = false;
    bool bodySeen = false;
    bool redirecting = false;
};

struct Inet::Private
{
    enum class Hop
    {
        Finished,
        Failed,
        Redirected,
        Stopped
    };

    QNetworkAccessManager nam;
    QNetworkCookieJar* jar = nullptr; // owned by nam
    Transfer* current = nullptr;
    QString lastUrl;
    LastFetch last;
    int stallTimeout = kDefaultStallTimeout;
    qint64 maxBodyBytes = kDefaultMaxBodyBytes;

    void run(Inet* q, Transfer& t, QUrl url);
    bool lookUp(Inet* q, Transfer& t, const QString& host);
    Hop request(Inet* q, Transfer& t, const QUrl& url, QUrl* redirectTo);
    void readBody(Transfer& t);
};

Inet::Inet(QObject* parent) : QObject(parent), d(new Private)
{
    d->jar = new QNetworkCookieJar;
    d->nam.setCookieJar(d->jar);
}

Inet::~Inet()
{
    // A closing window may delete us while OpenURL blocks further down the
    // stack: cut the fetch loose so that OpenURL returns without touching us.
    if (Transfer* t = d->current) {
        t->ownerGone = true;
        if (t->lookupId != -1)
            QHostInfo::abortHostLookup(t->lookupId);
        if (t->reply) {
            QObject::disconnect(t->reply, nullptr, &t->loop, nullptr);
            t->reply->abort();
        }
        t->loop.quit();
    }
    delete d;
}

QString Inet::OpenURL(const QString& address, int dataType)
{
    // Only text (0) is ever asked for; the body is always returned as text.
    Q_UNUSED(dataType)
    if (d->current) {
        // A handler running inside our nested loop asked for a second page.
        // Stacking a second loop would hold the first fetch's return hostage
        // to the second one, so the newcomer gets nothing and the first runs on.
        qWarning("Inet::OpenURL: a fetch is already in progress; request for %s refused",
                 qUtf8Printable(address));
        return QString();
    }

    const QUrl url(address);
    d->lastUrl = url.isValid() ? url.toString(QUrl::FullyEncoded) : address;
    d->last = LastFetch();
    Transfer t;
    d->current = &t;
    d->run(this, t, url);
    if (!t.ownerGone)
        d->current = nullptr;
    return decodeBody(t.body, t.contentType);
}

// Redirections are followed here rather than by Qt: Qt 6.4 following them
// itself on a kept-alive HTTP/1.1 connection sends some requests twice and
// drops the connection, so a scan would open a new one every few pages.
void Inet::Private::run(Inet* q, Transfer& t, QUrl url)
{
    if (!isWebAddress(url)) {
        q->fail(t, QStringLiteral("not an http or https address"));
        return;
    }
    QString resolvedHost;
    for (int redirects = 0;; ++redirects) {
        if (url.host() != resolvedHost) {
            if (!lookUp(q, t, url.host()))
                return;
            resolvedHost = url.host();
        }
        QUrl next;
        switch (request(q, t, url, &next)) {
        case Hop::Stopped:
            return;
        case Hop::Failed:
            // Left as the last state so that "Internet Error" stays on screen.
            q->fail(t, t.error);
            return;
        case Hop::Finished:
            if (!t.headersSeen && !q->report(t, icReceivingResponse))
                return;
            if (!t.bodySeen && !q->report(t, icResponseReceived))
                return;
            for (const qint16 state : {icResponseCompleted, icDisconnecting, icDisconnected}) {
                if (!q->report(t, state))
                    return;
            }
            return;
        case Hop::Redirected:
            // Never from https down to http: that would hand a signed-in
            // session's cookies to anyone on the path.
            if (redirects == kMaxRedirects) {
                q->fail(t, QStringLiteral("too many redirections"));
                return;
            }
            if (!isWebAddress(next) || (url.scheme() == QLatin1String("https") &&
                                        next.scheme() == QLatin1String("http"))) {
                q->fail(t, QStringLiteral("redirected to ") + next.toString());
                return;
            }
            url = next;
            break;
        }
    }
}

// Qt's socket resolves the name and connects in one step without saying when
// the name is known; looking it up here first makes "resolved" a real event,
// and the socket then finds the answer in QHostInfo's cache.
bool Inet::Private::lookUp(Inet* q, Transfer& t, const QString& host)
{
    if (!q->report(t, icResolvingHost))
        return false;
    t.lookupDone = false;
    t.hostFound = false;
    t.lookupTimer.setSingleShot(true);
    QObject::connect(&t.lookupTimer, &QTimer::timeout, &t.loop, &QEventLoop::quit,
                     Qt::UniqueConnection);
    t.lookupTimer.start(stallTimeout);
    t.lookupId = QHostInfo::lookupHost(host, &t.loop, [&t](const QHostInfo& info) {
        t.lookupId = -1;
        t.lookupDone = true;
        t.hostFound = info.error() == QHostInfo::NoError;
        t.loop.quit();
    });
    if (!t.lookupDone)
        t.loop.exec();
    if (t.ownerGone || t.cancelled)
        return false;
    t.lookupTimer.stop();
    if (!t.lookupDone) { // the resolver stalled
        QHostInfo::abortHostLookup(t.lookupId);
        t.lookupId = -1;
    }
    if (!t.hostFound) {
        q->fail(t, QStringLiteral("host %1 not found").arg(host));
        return false;
    }
    return q->report(t, icHostResolved);
}

Inet::Private::Hop Inet::Private::request(Inet* q, Transfer& t, const QUrl& url, QUrl* redirectTo)
{
    QNetworkRequest request(url);
    // The sites speak HTTP/1.1, and the HTTP/1 channel is the one whose
    // connecting/request-sent signals the states below are built on.
    request.setAttribute(QNetworkRequest::Http2AllowedAttribute, false);
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                         QNetworkRequest::ManualRedirectPolicy);
    // Restarted by every byte moved, so it catches a stall, not a slow page.
    request.setTransferTimeout(stallTimeout);

    t.connecting = t.connected = t.headersSeen = t.bodySeen = t.redirecting = false;
    QNetworkReply* reply = nam.get(request);
    // Unbounded, Qt's network thread reads a fast stream as quickly as it
    // comes and holds back readyRead until it stops: the size limit is then
    // applied to tens of MB at once, or never, because the stall timer is
    // not restarted meanwhile and ends the fetch with nothing. A bounded
    // read-ahead makes readyRead come at least every kReadAheadBytes.
    reply->setReadBufferSize(kReadAheadBytes);
    t.reply = reply;
    QObject::connect(reply, &QNetworkReply::socketStartedConnecting, &t.loop, [q, &t] {
        t.connecting = true;
        q->report(t, icConnecting);
    });
    QObject::connect(reply, &QNetworkReply::encrypted, &t.loop, [q, &t] {
        if (t.connecting && !t.connected) {
            t.connected = true;
            q->report(t, icConnected);
        }
    });
    QObject::connect(reply, &QNetworkReply::requestSent, &t.loop, [q, &t] {
        // Qt only says that the request has gone out; being connected and
        // sending it lie behind that moment. A kept-alive connection skips
        // the connecting states altogether.
        if (t.connecting && !t.connected) {
            t.connected = true;
            if (!q->report(t, icConnected))
                return;
        }
        if (q->report(t, icRequesting))
            q->report(t, icRequestSent);
    });
    QObject::connect(reply, &QNetworkReply::metaDataChanged, &t.loop, [this, q, &t, reply] {
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        t.redirecting = isRedirection(status) && reply->hasRawHeader("Location");
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (!t.redirecting && length.isValid() && length.toLongLong() > maxBodyBytes) {
            t.tooLarge = true;
            reply->abort();
            return;
        }
        if (!t.headersSeen) {
            t.headersSeen = true;
            q->report(t, icReceivingResponse);
        }
    });
    QObject::connect(reply, &QNetworkReply::readyRead, &t.loop, [this, q, &t, reply] {
        if (t.redirecting) { // its body is not the page
            reply->readAll();
            return;
        }
        readBody(t);
        if (!t.tooLarge && !t.bodySeen) {
            t.bodySeen = true;
            q->report(t, icResponseReceived);
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &t.loop, &QEventLoop::quit);

    if (!reply->isFinished() && !t.cancelled)
        t.loop.exec();
    if (t.ownerGone)
        return Hop::Stopped;

    if (!t.redirecting)
        readBody(t);
    t.contentType = reply->rawHeader("Content-Type");
    lastUrl = reply->url().toString(QUrl::FullyEncoded);
    const bool failed = reply->error() != QNetworkReply::NoError || t.tooLarge;
    if (t.tooLarge)
        t.error = QStringLiteral("the page is larger than %1 bytes").arg(maxBodyBytes);
    else if (failed)
        t.error = reply->errorString();
    if (t.redirecting && !failed)
        *redirectTo = reply->url().resolved(
            reply->attribute(QNetworkRequest::RedirectionTargetAttribute).toUrl());
    QObject::disconnect(reply, nullptr, &t.loop, nullptr);
    // Not inside one of its signals any more, and the scan's later nested
    // loops would never run a deleteLater() posted from here.
    delete reply;

    if (t.cancelled)
        return Hop::Stopped;
    if (failed)
        return Hop::Failed;
    return t.redirecting ? Hop::Redirected : Hop::Finished;
}

void Inet::Private::readBody(Transfer& t)
{
    if (!t.reply || !t.reply->isOpen() || t.tooLarge)
        return;
    t.body += t.reply->readAll();
    if (t.body.size() > maxBodyBytes) {
        t.body.truncate(maxBodyBytes);
        t.tooLarge = true;
        t.reply->abort();
    }
}

bool Inet::report(Transfer& t, qint16 state)
{
    // After Cancel the user's "Stopped" must stay; Cancel reports its own end.
    if (t.cancelled || t.ownerGone)
        return false;
    emit StateChanged(state);
    return !t.cancelled && !t.ownerGone;
}

void Inet::fail(Transfer& t, const QString& reason)
{
    if (t.cancelled || t.ownerGone)
        return;
    d->last = {true, reason};
    report(t, icError);
}

void Inet::Cancel()
{
    Transfer* t = d->current;
    if (!t || t->cancelled)
        return;
    t->cancelled = true;
    if (t->lookupId != -1) {
        QHostInfo::abortHostLookup(t->lookupId);
        t->lookupId = -1;
    }
    if (t->reply)
        t->reply->abort();
    t->loop.quit();

    // Reported now rather than when OpenURL unwinds, which happens only after
    // the caller (Stop) has written its own status.
    QPointer<Inet> self(this);
    emit StateChanged(icDisconnecting);
    if (self && !t->ownerGone)
        emit StateChanged(icDisconnected);
}

QString Inet::URL() const
{
    return d->lastUrl;
}

const Inet::LastFetch& Inet::lastFetch() const
{
    return d->last;
}

bool Inet::StillExecuting() const
{
    return d->current != nullptr;
}

QNetworkCookieJar* Inet::cookieJar() const
{
    return d->jar;
}

QNetworkAccessManager* Inet::networkAccessManager() const
{
    return &d->nam;
}

void Inet::setStallTimeout(int milliseconds)
{
    d->stallTimeout = milliseconds;
}

int Inet::stallTimeout() const
{
    return d->stallTimeout;
}

void Inet::setMaxBodyBytes(qint64 bytes)
{
    d->maxBodyBytes = bytes;
}

qint64 Inet::maxBodyBytes() const
{
    return d->maxBodyBytes;
}
