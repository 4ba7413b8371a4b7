// The selection commands from the buttons and the row menu, the totals that
// follow the boxes, and the Auto Compare window.
#include "main_window/Form1.h"
#include "selection/Form6.h"

#include "TestSupport.h"

#include <QtTest>
#include <QtWidgets>

class TestSelection : public QObject
{
    Q_OBJECT
    TempProgramFolder m_folder;
    MessageRecorder m_messages; // nothing modal may block
    std::unique_ptr<Form1> m_form;

private slots:
    void init() { m_form = std::make_unique<Form1>(); }

    void commands_data()
    {
        // Titles of rows 0, 1, ...; rows checked before; row of the row menu or -1; the command;
        // rows checked after; the reference title and the chosen auction number.
        for (const char* column : {"titles", "checked", "gesture", "command", "expected", "reference", "auction"})
            QTest::addColumn<QString>(column);
        // Case and a trailing blank make another title.
        const QString goods = QStringLiteral("Lamp,Vase,Vase,Lamp,vase,Clock,Vase ");
        const QString priced = QStringLiteral("Lamp,Vase,,Start Price,Clock");
        QTest::newRow("Matching") << goods << "5 2" << "-1" << "Command8" << "1 2" << "Vase" << "4002";
        QTest::newRow("Non-Match") << goods << "0 5" << "-1" << "Command9" << "1 2 4 5 6" << "Lamp" << "4000";
        QTest::newRow("Matching, none checked") << priced << "" << "-1" << "Command8" << "3" << "Start Price" << "";
        QTest::newRow("Non-Match, none checked") << priced << "" << "-1" << "Command9" << "0 1 4" << "Start Price" << "";
        QTest::newRow("All") << goods << "5 14" << "-1" << "cmdAll" << "0 1 2 3 4 5 6 14" << "Start Price" << "";
        QTest::newRow("None") << goods << "0 3 14" << "-1" << "Command7" << "" << "Start Price" << "";
        QTest::newRow("menu All") << goods << "" << "3" << "mnuALL" << "0 1 2 3 4 5 6" << "Lamp" << "4003";
        QTest::newRow("menu None") << goods << "1 19" << "1" << "mnuUnALL" << "" << "Vase" << "4001";
        QTest::newRow("menu Matching") << goods << "1" << "3" << "mnuSim" << "0 3" << "Lamp" << "4003";
        QTest::newRow("menu Matching an empty row") << "Lamp,,Vase" << "0" << "1" << "mnuSim"
            << "1 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 18 19" << "" << "4001";
        QTest::newRow("menu Non-Matching an empty row") << goods << "10" << "15" << "mnuUnSim" << "0 1 2 3 4 5 6" << "" << "4015";
    }

    void commands()
    {
        QFETCH(QString, titles);
        QFETCH(QString, checked);
        QFETCH(QString, gesture);
        QFETCH(QString, command);
        Form1& f = *m_form;
        for (int i = 0; i < Form1::Rows; ++i) {
            f.Text1[i]->setText(QString::number(4000 + i));
            f.Text7[i]->setText(titles.split(u',').value(i));
            f.Text2[i]->setText(QString::number(i + 1));
        }
        for (const QString& row : checked.split(u' ', Qt::SkipEmptyParts))
            f.Check1[row.toInt()]->setChecked(true);
        f.rowGesture(gesture.toInt()); // none for -1
        f.mnuSelect->close();
        if (auto* button = f.findChild<QPushButton*>(command))
            button->click();
        else
            f.findChild<QAction*>(command)->trigger();

        QStringList rows;
        int visits = 0;
        for (int i = 0; i < Form1::Rows; ++i) {
            if (f.Check1[i]->isChecked()) {
                rows << QString::number(i);
                visits += i + 1;
            }
        }
        QTEST(rows.join(u' '), "expected");
        QTEST(f.Label13->text(), "reference");
        QTEST(f.Label10->text(), "auction");
        // The totals follow the boxes.
        QCOMPARE(QStringList({f.Text13->text(), f.Text14->text(), f.Text15->text()}),
                 rows.isEmpty() ? QStringList({"", "", ""}) : QStringList({QString::number(rows.size()),
                     QString::number(visits), QString::number(double(visits) / rows.size(), 'f', 2)}));
    }

    void autoCompare()
    {
        Form1& f = *m_form;
        f.setStatus(QStringLiteral("Task Complete"));
        f.Command10->click();
        QPointer<Form6> first = Form6::current();
        QVERIFY(first && first->isVisible());
        QStringList texts{first->windowTitle()};
        for (QWidget* w : std::initializer_list<QWidget*>{first->Label3, first->Label1, first->Label2, first->Command1, first->Command2})
            texts << w->property("text").toString();
        QCOMPARE(texts, QStringList({"Auto Compare", "Sold", "Item Description", "Average Visits", "Done", "Print"}));
        // One at a time; closing discards it and the next one starts empty.
        first->Text1[0]->setText(QStringLiteral("typed"));
        f.Command10->click();
        QCOMPARE(Form6::current(), first.data());
        first->close();
        QTRY_VERIFY(!first);
        f.Command10->click();
        QPointer<Form6> second = Form6::current();
        QVERIFY(second && second->Text1[0]->text().isEmpty());
        f.close(); // the program's exit takes it along
        QTRY_VERIFY(!second);
    }
};

QTEST_MAIN(TestSelection)
#include "tst_selection.moc"
