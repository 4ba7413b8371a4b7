#include "users/Form3.h"
#include "base/Windows.h"

#include "main_window/Form1.h"
#include "main_window/Twips.h"
#include "options/Layout.h"
#include "options/RichTextHolder.h"
#include "users/UserList.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {
SingleWindow<Form3>& instance()
{
    static SingleWindow<Form3> window;
    return window;
}
} // namespace

// A child window of the main window, so it can never outlive the table and
// list it works on.
Form3::Form3(Form1* owner) : QWidget(owner, Qt::Window), m_owner(owner)
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
    connect(owner, &Form1::closing, this, &QWidget::close);
}

Form3* Form3::showConfirm(Form1* owner)
{
    return instance().show([owner] { return new Form3(owner); });
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
    if (m_owner) {
        // The ID is the one in the field now; it may have changed while this
        // window was open.
        const QString user = m_owner->Combo1->currentText();
        if (UserList::loadForChange(this, RTBdel, m_owner->RTB1->Text())) {
            const qsizetype at = UserList::find(RTBdel->Text(), user);
            if (at >= 0) {
                RTBdel->setSelStart(int(at));
                RTBdel->setSelLength(int(user.size()) + 1);
                RTBdel->setSelText(QString());
            }
            // Written back even when nothing was removed, so a missing file is
            // created; after a failed write the list on screen is still the file's.
            if (UserList::save(this, RTBdel))
                m_owner->loadcombo1();
        }
    }
    close();
}

void Form3::Command2_Click()
{
    close();
    if (m_owner) {
        m_owner->activateWindow();
        m_owner->Command1->setFocus();
    }
}

void Form3::closeEvent(QCloseEvent* event)
{
    instance().forget(this);
    event->accept();
}

void Form3::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_placed)
        return;
    m_placed = true;
    if (const QScreen* s = screen()) {
        QRect frame = frameGeometry();
        frame.moveCenter(s->availableGeometry().center());
        move(frame.topLeft());
    }
}
