// A newcomer's Sold search: choose Sold, sign in inside the program's own
// browser, press Continue, and read the sold items' visits.
#include "app/Shell.h"
#include "main_window/Form1.h"
#include "options/OptionsStore.h"
#include "scan/Form2.h"

#include "DemoSiteProcess.h"
#include "TestSupport.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTimer>
#include <QWebEnginePage>
#include <QWebEngineView>
#include <QtTest>

namespace {
constexpr int LoadTimeout = 30000;
}

class TestSoldSignIn : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();
    void signInContinueAndScan();
    void exitWhileSignInPageLoads();

private:
    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<DemoSiteProcess> m_site;
    std::unique_ptr<MessageRecorder> m_messages;
    std::unique_ptr<Shell> m_shell;
    QPointer<Form1> m_form;
};

void TestSoldSignIn::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_site = std::make_unique<DemoSiteProcess>();
    QVERIFY(m_site->isRunning());
    QVERIFY(m_site->pointOptionsAt(*m_folder));
    m_messages = std::make_unique<MessageRecorder>();
    OptionsStore::discard();
    m_shell = std::make_unique<Shell>();
    QSignalSpy shown(m_shell.get(), &Shell::mainWindowShown);
    m_shell->start();
    m_shell->splash()->Timer1->setInterval(10);
    m_shell->splash()->Timer1->start();
    QVERIFY(shown.wait(5000));
    m_form = m_shell->mainWindow();
    m_form->Timer5->setInterval(10);
}

void TestSoldSignIn::cleanup()
{
    m_shell.reset();
    OptionsStore::discard();
    m_messages.reset();
    m_site.reset();
    m_folder.reset();
}

void TestSoldSignIn::signInContinueAndScan()
{
    Form1& f = *m_form;
    f.Combo1->setEditText(QStringLiteral("demoseller"));
    QTest::mouseClick(f.Option2, Qt::LeftButton);
    QPointer<Form2> signIn = Form2::instance();
    QVERIFY(signIn);
    QVERIFY(!signIn->Command1->isEnabled());
    QTRY_VERIFY_WITH_TIMEOUT(signIn->Command1->isEnabled(), LoadTimeout);

    signIn->WebBrowser1->page()->runJavaScript(
        QStringLiteral("document.getElementById('userid').value = 'demo';"
                       "document.getElementById('pass').value = 'demo';"
                       "document.getElementById('sgnBt').click();"));
    QTRY_VERIFY_WITH_TIMEOUT(
        signIn->WebBrowser1->title().startsWith(QStringLiteral("My eBay: Sold")), LoadTimeout);

    QSignalSpy finished(&f, &Form1::scanFinished);
    QTest::mouseClick(signIn->Command1, Qt::LeftButton);
    QTRY_VERIFY(!signIn);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 60000);

    QCOMPARE(f.Text1[0]->text(), QStringLiteral("110039818235"));
    QCOMPARE(f.Text7[0]->text(), QStringLiteral("Tala Icing Set in Original Box"));
    QCOMPARE(f.Text16[0]->text(), QStringLiteral("Mar-14-2024"));
    QCOMPARE(f.Text2[0]->text(), QStringLiteral("00062"));
    QVERIFY(f.Text1[6]->text().isEmpty()); // the hedgehog's second sale
    QCOMPARE(f.Text1[11]->text(), QStringLiteral("110039812245"));
    QCOMPARE(f.Text13->text(), QStringLiteral("11"));
    QCOMPARE(f.Text11->text(), QStringLiteral("Task Complete"));
    m_messages->texts.removeAll(Form1::startInstructions());
    QVERIFY(m_messages->texts.isEmpty());
}

void TestSoldSignIn::exitWhileSignInPageLoads()
{
    QTest::mouseClick(m_form->Option2, Qt::LeftButton);
    QPointer<Form2> signIn = Form2::instance();
    QVERIFY(signIn);
    QVERIFY(!signIn->Command1->isEnabled());
    m_form->mnuexit->trigger();
    QVERIFY(!m_form->isVisible());
    QTRY_VERIFY(!signIn);
}

int main(int argc, char* argv[])
{
    // The browser's sandbox cannot run as root, which the test machines are.
    qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    QApplication app(argc, argv);
    TestSoldSignIn test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_sold_signin.moc"
