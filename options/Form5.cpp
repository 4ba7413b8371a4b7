#include "options/Form5.h"
#include "base/Windows.h"

#include "options/Form4.h"
#include "options/Layout.h"
#include "options/OptionsStore.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>

namespace {

using OptionsLayout::px;
using OptionsLayout::shrinkToFit;

QPointer<Form5>& instance()
{
    static QPointer<Form5> form;
    return form;
}

} // namespace

Form5::Form5()
{
    setObjectName(QStringLiteral("Form5"));
    setWindowTitle(QStringLiteral("Warning ! ! !"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(px(5490), px(1605));

    Label1 = new QLabel(
        QStringLiteral("Warning ! !  Making changes in the advanced options can have an "), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(px(360), px(240), px(4800), px(255));
    Label2 = new QLabel(QStringLiteral("effect on this programs performance."), this);
    Label2->setObjectName(QStringLiteral("Label2"));
    Label2->setGeometry(px(1380), px(600), px(2640), px(255));
    shrinkToFit({Label1, Label2});

    Command1 = new QPushButton(QStringLiteral("Continue"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(px(960), px(1020), px(1215), px(495));
    Command2 = new QPushButton(QStringLiteral("Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(px(3120), px(1020), px(1215), px(495));
    connect(Command1, &QPushButton::clicked, this, &Form5::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form5::Command2_Click);
}

Form5* Form5::showWarning()
{
    Form5* form = instance();
    if (form) {
        bringToFront(form);
        return form;
    }
    form = new Form5;
    instance() = form;
    form->show();
    return form;
}

Form5* Form5::current()
{
    return instance();
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
    if (instance() == this)
        instance() = nullptr; // a new warning may open before this one is deleted
    event->accept();
}

void Form5::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen* s = screen())
        move(s->geometry().center() - QPoint(width() / 2, height() / 2));
}
