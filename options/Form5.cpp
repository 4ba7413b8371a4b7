#include "options/Form5.h"

#include "base/Twips.h"
#include "base/Windows.h"
#include "options/Form4.h"
#include "options/Layout.h"
#include "options/OptionsStore.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {

using OptionsLayout::shrinkToFit;

SingleWindow<Form5>& instance()
{
    static SingleWindow<Form5> window;
    return window;
}

} // namespace

Form5::Form5()
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Warning ! ! !"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(tw(5490), tw(1605));

    Label1 = new QLabel(
        QStringLiteral("Warning ! !  Making changes in the advanced options can have an "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(360), tw(240), tw(4800), tw(255));
    Label2 = new QLabel(QStringLiteral("effect on this programs performance."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(tw(1380), tw(600), tw(2640), tw(255));
    shrinkToFit({Label1, Label2});

    Command1 = new QPushButton(QStringLiteral("Continue"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(tw(960), tw(1020), tw(1215), tw(495));
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(tw(3120), tw(1020), tw(1215), tw(495));
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
}

Form5* Form5::showWarning()
{
    return instance().show([] { return new Form5; });
}

Form5* Form5::current()
{
    return instance().current();
}

void Form5::Command1_Click()
{
    close();
    // The Options window may have been closed behind the warning; the store
    // then loads afresh before it is shown.
    OptionsStore::form()->showFull();
}

void Form5::Command2_Click()
{
    close();
}

void Form5::closeEvent(QCloseEvent* event)
{
    instance().forget(this);
    event->accept();
}
