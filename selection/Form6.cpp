#include "selection/Form6.h"
#include "base/Windows.h"

#include "base/Twips.h"

#include <QCloseEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

namespace {
SingleWindow<Form6>& instance()
{
    static SingleWindow<Form6> window;
    return window;
}
} // namespace

// A child window of the main window, so it stays above it.
Form6::Form6(QWidget* owner) : QWidget(owner, Qt::Window)
{
    setObjectName(QStringLiteral("Form6"));
    setWindowTitle(QStringLiteral("Auto Compare"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(tw(7395), tw(5055));

    auto label = [this](const char* name, const QString& text, int left, int top) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QString::fromLatin1(name));
        l->adjustSize();
        l->move(tw(left), tw(top));
        return l;
    };
    Label3 = label("Label3", QStringLiteral("Sold"), 6240, 60);
    Label1 = label("Label1", QStringLiteral("Item Description"), 2460, 240);
    Label2 = label("Label2", QStringLiteral("Average Visits"), 6000, 300);

    for (int i = 0; i < Rows; ++i) {
        const int top = 540 + 360 * i;
        Text1[i] = new QLineEdit(this);
        Text1[i]->setObjectName(QStringLiteral("Text1_") + QString::number(i));
        Text1[i]->setGeometry(tw(300), tw(top), tw(5415), tw(315));
        Text2[i] = new QLineEdit(this);
        Text2[i]->setObjectName(QStringLiteral("Text2_") + QString::number(i));
        Text2[i]->setGeometry(tw(5880), tw(top), tw(1215), tw(315));
    }

    Command1 = new QPushButton(QStringLiteral("Done"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(tw(1380), tw(4320), tw(1215), tw(495));
    Command2 = new QPushButton(QStringLiteral("Print"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(tw(4980), tw(4320), tw(1215), tw(495));
}

Form6* Form6::showWindow(QWidget* owner)
{
    return instance().show([owner] { return new Form6(owner); });
}

Form6* Form6::current()
{
    return instance().current();
}

void Form6::closeIfOpen()
{
    instance().closeIfOpen();
}

void Form6::closeEvent(QCloseEvent* event)
{
    instance().forget(this);
    event->accept();
}
