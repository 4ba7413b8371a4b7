#pragma once

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class Inet;
class QLabel;
class QNetworkCookieJar;
class QPushButton;
class QWebEngineProfile;
class QWebEngineView;

// "Sign In ....": the sold-items page in an embedded browser, so the user can
// sign in inside the program before a Sold search. The browser's cookies go
// into the downloader's cookie jar, so the search's fetches carry the session.
class Form2 : public QWidget
{
    Q_OBJECT
public:
    ~Form2() override;

    // Shows the window modeless, creating and loading it when none is open;
    // an open window is only brought forward (no new navigation). After
    // Continue, onContinue (the latest call's) runs from the event loop once
    // the window is gone, never after mainWindow has been destroyed. The
    // browser's cookies feed inet's cookie jar from now on.
    static Form2* showSignIn(QWidget* mainWindow, Inet* inet, std::function<void()> onContinue);
    // The open window, or nullptr.
    static Form2* instance();

    // The browser profile of the program's run: off the record, created on
    // first use, deleted with the application.
    static QWebEngineProfile* profile();
    // Copies every cookie the browser holds or receives into jar, and deletes
    // those it drops. Connecting the same jar again does nothing new.
    static void shareCookiesWith(QNetworkCookieJar* jar);

    // The sign-in page on the site named by the sold-items address (Sold row 7).
    static QUrl signInUrl();
    // "/ws/eBayISAPI.dll?MyeBay&pageType=1883" on soldAddress's scheme, host
    // and port; on http://my.ebay.com when soldAddress is no http(s) address.
    static QUrl signInUrlFor(const QString& soldAddress);

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr; // Continue
    QPushButton* Command2 = nullptr; // Reload
    QWebEngineView* WebBrowser1 = nullptr;

    void Form_Load();
    void Command1_Click(); // Continue
    void Command2_Click(); // Reload
    void WebBrowser1_DocumentComplete();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit Form2(QWidget* mainWindow);
    void navigate();

    // Where the start after Continue runs: the main window, or the
    // application when there is none.
    QPointer<QObject> m_startContext;
    std::function<void()> m_onContinue;
    bool m_continued = false;
};
