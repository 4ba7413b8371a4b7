#include "TestSupport.h"
#include "options/Form4.h"
#include "options/Form5.h"
#include "options/OptionsStore.h"
#include "options/RichTextHolder.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTest>

class TestOptionsWindow : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void geometry_data();
    void geometry();
    void texts_data();
    void texts();
    void opensCompactAndModeless();
    void advanced_data();
    void advanced();
    void oneWarningAtATime();
    void continueAfterOptionsClosed();
    void reopenAfterSaveShowsSavedValuesCompact();
    void closedWindowIsDeleted();

private:
    std::unique_ptr<TempProgramFolder> m_folder;
};

namespace {

Form5* warning()
{
    return Form5::current();
}

int outerHeight(QWidget* w)
{
    return w->frameGeometry().height();
}

void flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

} // namespace

void TestOptionsWindow::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
}

void TestOptionsWindow::cleanup()
{
    if (Form5* w = warning())
        w->close();
    OptionsStore::discard();
    flushDeletes();
    m_folder.reset();
}

void TestOptionsWindow::geometry_data()
{
    // Positions and sizes in pixels (15 twips each), relative to the parent.
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("rect");
    QTest::newRow("RTBtry") << "Form4"
                            << "RTBtry" << QRect(216, 4, 37, 21);
    QTest::newRow("Advanced") << "Form4"
                              << "Command3" << QRect(452, 12, 81, 33);
    QTest::newRow("Active row 0 before") << "Form4"
                                         << "RichTextBox1_0" << QRect(92, 36, 357, 21);
    QTest::newRow("Sold row 8 after") << "Form4"
                                      << "RichTextBox6_8" << QRect(472, 228, 197, 21);
    QTest::newRow("Form5 Continue") << "Form5"
                                    << "Command1" << QRect(64, 68, 81, 33);
}

void TestOptionsWindow::geometry()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QRect, rect);
    QWidget* top = window == QLatin1String("Form4") ? static_cast<QWidget*>(OptionsStore::form())
                                                    : Form5::showWarning();
    auto* w = top->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->geometry(), rect);
}

void TestOptionsWindow::texts_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("Label23") << "Form4"
                             << "Label23"
                             << "Visit Start search at character ";
    QTest::newRow("Frame1") << "Form4"
                            << "Frame1"
                            << "   Active   ";
    QTest::newRow("Active row 2") << "Form4"
                                  << "ActiveLabel_2"
                                  << "Visits    Basic";
    QTest::newRow("Sold row 5") << "Form4"
                                << "SoldLabel_5"
                                << "Sale Pric";
    QTest::newRow("warning line 1")
        << "Form5"
        << "Label1"
        << "Warning ! !  Making changes in the advanced options can have an ";
}

void TestOptionsWindow::texts()
{
    QFETCH(QString, window);
    QFETCH(QString, name);
    QFETCH(QString, text);
    QWidget* top = window == QLatin1String("Form4") ? static_cast<QWidget*>(OptionsStore::form())
                                                    : Form5::showWarning();
    QWidget* w = top->objectName() == name ? top : top->findChild<QWidget*>(name);
    QVERIFY(w);
    QString actual;
    if (w == top)
        actual = w->windowTitle();
    else if (auto* l = qobject_cast<QLabel*>(w))
        actual = l->text();
    else if (auto* b = qobject_cast<QPushButton*>(w))
        actual = b->text();
    else if (auto* g = qobject_cast<QGroupBox*>(w))
        actual = g->title();
    QCOMPARE(actual, text);
}

void TestOptionsWindow::opensCompactAndModeless()
{
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    QCOMPARE(outerHeight(form), 105); // 1575 twips
    QCOMPARE(form->width(), 704);
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    // The marker fields are only out of view, not disabled.
    QVERIFY(form->RichTextBox2[0]->isEnabled());
}

void TestOptionsWindow::advanced_data()
{
    QTest::addColumn<QString>("answer"); // the warning's button, or "close"
    QTest::addColumn<bool>("full");
    QTest::newRow("Continue") << "Command1" << true;
    QTest::newRow("Cancel") << "Command2" << false;
    QTest::newRow("close box") << "close" << false;
}

void TestOptionsWindow::advanced()
{
    QFETCH(QString, answer);
    QFETCH(bool, full);
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    QVERIFY(QTest::qWaitForWindowExposed(form));
    const QPoint before = form->pos();

    QTest::mouseClick(form->Command3, Qt::LeftButton);
    Form5* w = warning();
    QVERIFY(w && w->isVisible());
    QCOMPARE(outerHeight(form), 105);
    if (answer == QLatin1String("close"))
        w->close();
    else
        QTest::mouseClick(w->findChild<QPushButton*>(answer), Qt::LeftButton);
    QCOMPARE(warning(), nullptr);

    QCOMPARE(OptionsStore::form(), form);
    QVERIFY(form->isVisible());
    if (full) {
        QCOMPARE(outerHeight(form), 635); // 9525 twips
        QCOMPARE(form->pos(), QPoint(before.x(), form->screen()->geometry().top() + 27));
        QVERIFY(form->Frame2->geometry().bottom() < form->height());
    } else {
        QCOMPARE(outerHeight(form), 105);
        QCOMPARE(form->pos(), before);
    }
}

void TestOptionsWindow::oneWarningAtATime()
{
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QPointer<Form5> first = warning();
    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QCOMPARE(warning(), first.data());
    int warnings = 0;
    for (QWidget* w : QApplication::topLevelWidgets())
        warnings += qobject_cast<Form5*>(w) && w->isVisible();
    QCOMPARE(warnings, 1);
}

void TestOptionsWindow::continueAfterOptionsClosed()
{
    OptionsStore::showWindow();
    QPointer<Form4> old = OptionsStore::form();
    const QString saved = old->RichTextBox1[1]->Text();
    old->RichTextBox1[1]->setText(QStringLiteral("discarded"));
    QTest::mouseClick(old->Command3, Qt::LeftButton);
    QTest::mouseClick(old->Command2, Qt::LeftButton); // Cancel behind the warning
    QVERIFY(!OptionsStore::isLoaded());
    QTest::mouseClick(warning()->Command1, Qt::LeftButton);

    Form4* form = OptionsStore::form();
    QVERIFY(form != old);
    QVERIFY(form->isVisible());
    QCOMPARE(outerHeight(form), 635);
    QCOMPARE(form->RichTextBox1[1]->Text(), saved);
}

void TestOptionsWindow::reopenAfterSaveShowsSavedValuesCompact()
{
    MessageRecorder messages;
    OptionsStore::showWindow();
    Form4* form = OptionsStore::form();
    QTest::mouseClick(form->Command3, Qt::LeftButton);
    QTest::mouseClick(warning()->Command1, Qt::LeftButton);
    QCOMPARE(outerHeight(form), 635);
    RichTextHolder* field = form->RichTextBox2[7];
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, QStringLiteral("http://127.0.0.1/sold"));
    QTest::mouseClick(form->Command1, Qt::LeftButton);
    QVERIFY(!OptionsStore::isLoaded());

    OptionsStore::showWindow();
    Form4* again = OptionsStore::form();
    QVERIFY(QTest::qWaitForWindowExposed(again));
    QCOMPARE(outerHeight(again), 105);
    QCOMPARE(again->RichTextBox2[7]->text(), QStringLiteral("http://127.0.0.1/sold"));
    QCOMPARE(messages.texts, QStringList());
}

void TestOptionsWindow::closedWindowIsDeleted()
{
    QPointer<Form4> form = OptionsStore::form();
    QPointer<Form5> w = Form5::showWarning();
    OptionsStore::discard(); // the hidden store too
    w->close();
    flushDeletes();
    QVERIFY(form.isNull());
    QVERIFY(w.isNull());
}

QTEST_MAIN(TestOptionsWindow)
#include "tst_optionswindow.moc"
