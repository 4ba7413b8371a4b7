// The selection commands, from the buttons and the row menu, with the totals
// following; the AutoCompare button and the Auto Compare window.
#include "main_window/Form1.h"
#include "base/Twips.h"
#include "selection/Form6.h"

#include "TestSupport.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QtTest>

using Rows = QList<int>;

class TestSelection : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void commands_data();
    void commands();
    void unchangedBoxesLeaveTotals();
    void autoCompareButton();
    void autoCompareLayout_data();
    void autoCompareLayout();

private:
    Rows checkedRows() const;

    std::unique_ptr<TempProgramFolder> m_folder;
    std::unique_ptr<MessageRecorder> m_messages; // nothing modal may block
    std::unique_ptr<Form1> m_form;
};

void TestSelection::init()
{
    m_folder = std::make_unique<TempProgramFolder>();
    m_messages = std::make_unique<MessageRecorder>();
    m_form = std::make_unique<Form1>();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestSelection::cleanup()
{
    Form6::closeIfOpen();
    m_form.reset();
    m_messages.reset();
    m_folder.reset();
}

Rows TestSelection::checkedRows() const
{
    Rows rows;
    for (int i = 0; i < Form1::Rows; ++i) {
        if (m_form->Check1[i]->isChecked())
            rows << i;
    }
    return rows;
}

void TestSelection::commands_data()
{
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<Rows>("checked");
    QTest::addColumn<int>("gestureRow"); // row double-clicked before the command, or -1
    QTest::addColumn<QString>("command");
    QTest::addColumn<Rows>("expected");
    QTest::addColumn<QString>("reference");
    QTest::addColumn<int>("auctionRow"); // row whose auction number is chosen, or -1

    // Differences of case or a trailing blank make another title.
    const QStringList goods{"Lamp", "Vase", "Vase", "Lamp", "vase", "Clock", "Vase "};
    const QStringList withStartPrice{"Lamp", "Vase", "", "Start Price", "Clock"};
    QStringList twelve;
    for (int i = 0; i < 12; ++i)
        twelve << QStringLiteral("Item %1").arg(i);

    QTest::newRow("Matching takes the lowest checked row")
        << goods << Rows{5, 2} << -1 << "Command8" << Rows{1, 2} << "Vase" << 2;
    QTest::newRow("Non-Match takes the lowest checked row")
        << goods << Rows{2, 5} << -1 << "Command9" << Rows{0, 3, 4, 5, 6} << "Vase" << 2;
    QTest::newRow("Matching with nothing checked keeps Start Price")
        << withStartPrice << Rows{} << -1 << "Command8" << Rows{3} << "Start Price" << -1;
    QTest::newRow("Non-Match with nothing checked")
        << withStartPrice << Rows{} << -1 << "Command9" << Rows{0, 1, 4} << "Start Price" << -1;
    QTest::newRow("All leaves empty rows as they were")
        << twelve << Rows{5, 14} << -1 << "cmdAll" << Rows{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 14}
        << "Start Price" << -1;
    QTest::newRow("Select All from the menu")
        << goods << Rows{} << 3 << "mnuALL" << Rows{0, 1, 2, 3, 4, 5, 6} << "Lamp" << 3;
    QTest::newRow("None") << goods << Rows{0, 3, 14} << -1 << "Command7" << Rows{} << "Start Price"
                          << -1;
    QTest::newRow("None with nothing checked")
        << goods << Rows{} << -1 << "Command7" << Rows{} << "Start Price" << -1;
    QTest::newRow("UnSelect ALL from the menu")
        << goods << Rows{1, 19} << 1 << "mnuUnALL" << Rows{} << "Vase" << 1;
    QTest::newRow("menu Matching uses the chosen row, not the checked one")
        << goods << Rows{1} << 3 << "mnuSim" << Rows{0, 3} << "Lamp" << 3;
    QTest::newRow("menu Matching on an empty row checks the empty rows")
        << QStringList{"Lamp", "", "Vase"} << Rows{0} << 1 << "mnuSim"
        << Rows{1, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19} << "" << 1;
    QTest::newRow("menu Non-Matching never checks an empty row")
        << goods << Rows{10} << 15 << "mnuUnSim" << Rows{0, 1, 2, 3, 4, 5, 6} << "" << 15;
    QTest::newRow("menu Non-Matching of a title")
        << goods << Rows{} << 5 << "mnuUnSim" << Rows{0, 1, 2, 3, 4, 6} << "Clock" << 5;
}

void TestSelection::commands()
{
    QFETCH(QStringList, titles);
    QFETCH(Rows, checked);
    QFETCH(int, gestureRow);
    QFETCH(QString, command);
    QFETCH(Rows, expected);
    QFETCH(QString, reference);
    QFETCH(int, auctionRow);

    Form1& f = *m_form;
    for (int i = 0; i < Form1::Rows; ++i) {
        f.Text1[i]->setText(QString::number(4000 + i));
        f.Text7[i]->setText(titles.value(i));
        f.Text2[i]->setText(QString::number(i + 1));
    }
    for (int row : checked)
        f.Check1[row]->setChecked(true);
    if (gestureRow >= 0) {
        QTest::mouseDClick(f.Text18[gestureRow], Qt::LeftButton);
        QTRY_VERIFY(f.mnuSelect->isVisible());
        f.mnuSelect->close();
    }

    if (auto* button = f.findChild<QPushButton*>(command))
        QTest::mouseClick(button, Qt::LeftButton);
    else
        f.findChild<QAction*>(command)->trigger();

    QCOMPARE(checkedRows(), expected);
    QCOMPARE(f.Label13->text(), reference);
    QCOMPARE(f.Label10->text(), auctionRow < 0 ? QString() : QString::number(4000 + auctionRow));
    // The totals follow the boxes.
    int visits = 0;
    for (int row : expected)
        visits += row + 1;
    QCOMPARE(f.Text13->text(), expected.isEmpty() ? QString() : QString::number(expected.size()));
    QCOMPARE(f.Text14->text(), expected.isEmpty() ? QString() : QString::number(visits));
    QCOMPARE(f.Text15->text().isEmpty(), expected.isEmpty());
}

void TestSelection::unchangedBoxesLeaveTotals()
{
    Form1& f = *m_form;
    for (int i = 0; i < 4; ++i) {
        f.Text7[i]->setText(QStringLiteral("Same"));
        f.Text2[i]->setText(QStringLiteral("5"));
    }
    f.cmdAll_Click();
    QCOMPARE(f.Text14->text(), QStringLiteral("20"));
    // No box changes, so nothing is recomputed and the edited cell is not seen...
    f.Text2[0]->setText(QStringLiteral("105"));
    f.cmdAll_Click();
    f.Command8_Click();
    QCOMPARE(f.Text14->text(), QStringLiteral("20"));
    // ...until one does.
    f.Check1[3]->setChecked(false);
    QCOMPARE(f.Text14->text(), QStringLiteral("115"));
}

void TestSelection::autoCompareButton()
{
    Form1& f = *m_form;
    QVERIFY(!f.Command10->isVisible());
    f.Command10->click();
    QVERIFY(!Form6::current()); // disabled at start

    f.setStatus(QStringLiteral("Task Complete."));
    QVERIFY(!f.Command10->isEnabled());
    f.setStatus(QStringLiteral("Task Complete"));
    QVERIFY(f.Command10->isEnabled());
    QVERIFY(!f.Command10->isVisible());

    f.Command10->click();
    QPointer<Form6> first = Form6::current();
    QVERIFY(first && first->isVisible());
    const QPoint centre = first->screen()->availableGeometry().center();
    QVERIFY((first->frameGeometry().center() - centre).manhattanLength() <= 2);
    first->Text1[0]->setText(QStringLiteral("typed"));
    f.Command10->click();
    QCOMPARE(Form6::current(), first.data());
    QCOMPARE(f.findChildren<Form6*>().size(), 1);
    QCOMPARE(first->Text1[0]->text(), QStringLiteral("typed"));

    // Closing discards it; the next one starts empty.
    first->close();
    QVERIFY(!Form6::current());
    QTRY_VERIFY(first.isNull());
    f.Command10->click();
    QVERIFY(Form6::current());
    QVERIFY(Form6::current()->Text1[0]->text().isEmpty());

    f.Command2_Click();
    QVERIFY(!f.Command10->isEnabled());
    QPointer<Form6> second = Form6::current();
    f.close(); // the program's exit takes it along
    QVERIFY(!Form6::current());
    QTRY_VERIFY(second.isNull());
}

void TestSelection::autoCompareLayout_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips"); // empty size: the label's own
    QTest::newRow("Label3") << "Label3"
                            << "Sold" << QRect(6240, 60, 0, 0);
    QTest::newRow("Label1") << "Label1"
                            << "Item Description" << QRect(2460, 240, 0, 0);
    QTest::newRow("Label2") << "Label2"
                            << "Average Visits" << QRect(6000, 300, 0, 0);
    QTest::newRow("Text1_0") << "Text1_0"
                             << "" << QRect(300, 540, 5415, 315);
    QTest::newRow("Text1_9") << "Text1_9"
                             << "" << QRect(300, 540 + 360 * 9, 5415, 315);
    QTest::newRow("Text2_4") << "Text2_4"
                             << "" << QRect(5880, 540 + 360 * 4, 1215, 315);
    QTest::newRow("Command1") << "Command1"
                              << "Done" << QRect(1380, 4320, 1215, 495);
    QTest::newRow("Command2") << "Command2"
                              << "Print" << QRect(4980, 4320, 1215, 495);
}

void TestSelection::autoCompareLayout()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    Form6* form = Form6::showWindow(m_form.get());
    QCOMPARE(form->windowTitle(), QStringLiteral("Auto Compare"));
    QCOMPARE(form->size(), QSize(tw(7395), tw(5055)));
    auto* w = form->findChild<QWidget*>(name);
    QVERIFY(w);
    QCOMPARE(w->pos(), QPoint(tw(twips.x()), tw(twips.y())));
    if (!twips.size().isEmpty())
        QCOMPARE(w->size(), QSize(tw(twips.width()), tw(twips.height())));
    QCOMPARE(w->property("text").toString(), text);
}

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
