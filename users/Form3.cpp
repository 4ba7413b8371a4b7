#include "users/Form3.h"

#include "base/Messages.h"
#include "base/Twips.h"
#include "base/Windows.h"
#include "options/Layout.h"
#include "options/RichTextHolder.h"
#include "users/UserList.h"

#include <QCloseEvent>
#include <QLabel>
#include <QPushButton>

namespace {
SingleWindow<Form3>& instance()
{
    static SingleWindow<Form3> window;
    return window;
}
} // namespace

// A child window of its owner, so it can never outlive the field and list
// it works on.
Form3::Form3(QWidget* owner, Text userId, Text lastLoaded)
    : QWidget(owner, Qt::Window), m_userId(std::move(userId)), m_lastLoaded(std::move(lastLoaded))
{
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Confirm Delete"));
    setAttribute(Qt::WA_DeleteOnClose);
    setFixedSize(tw(4140), tw(1215));

    Label1 =
        new QLabel(QStringLiteral("Are you sure you want do delete the selected User ID?"), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setGeometry(tw(60), tw(120), tw(4020), tw(255));
    Label1->setAlignment(Qt::AlignCenter);
    OptionsLayout::shrinkToFit({Label1}); // the window was drawn for a narrow 8 pt font

    Command1 = new QPushButton(QStringLiteral("Yes, Delete"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(tw(480), tw(600), tw(1215), tw(495));
    Command2 = new QPushButton(QStringLiteral("No, Cancel"), this);
    Command2->setObjectName(QStringLiteral("Command2"));
    Command2->setGeometry(tw(2445), tw(600), tw(1215), tw(495));

    RTBdel = new RichTextHolder(this);
    RTBdel->setObjectName(QStringLiteral("RTBdel"));
    RTBdel->setVisible(false);

    connect(Command1, &QPushButton::clicked, this, &Form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &Form3::Command2_Click);
}

Form3* Form3::showConfirm(QWidget* owner, Text userId, Text lastLoaded)
{
    return instance().show([&] { return new Form3(owner, userId, lastLoaded); });
}

Form3* Form3::current()
{
    return instance().current();
}

void Form3::closeIfOpen()
{
    instance().closeIfOpen();
}

void Form3::Command1_Click()
{
    // The ID is the one in the field now; it may have changed while this
    // window was open. After a failed write the list on screen is still the file's.
    const UserList::Change removed = UserList::remove(m_userId(), m_lastLoaded());
    RTBdel->setText(removed.newText);
    if (removed.outcome)
        emit listSaved();
    else
        Messages::show(this, removed.outcome.message());
    close();
}

void Form3::Command2_Click()
{
    close();
    if (QWidget* owner = parentWidget()) {
        owner->activateWindow();
        emit cancelled();
    }
}

void Form3::closeEvent(QCloseEvent* event)
{
    instance().forget(this);
    event->accept();
}
