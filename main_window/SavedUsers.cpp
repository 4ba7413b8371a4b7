// The User ID field and its saved list: the main window's side. The list
// itself (User.rtf) is kept by users/UserList.
#include "main_window/Form1.h"

#include "base/Messages.h"
#include "options/RichTextHolder.h"
#include "users/Form3.h"
#include "users/UserList.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

bool Form1::loadcombo1()
{
    const QString before = Combo1->currentText();
    {
        // Emptying the list moves the edit text about; only the text the field
        // ends up with may clear the table, so the steps in between stay silent.
        const QSignalBlocker quiet(Combo1);
        Combo1->clear();
        Combo1->setEditText(before);
    }
    // On failure the field keeps what the user typed and the list as last read.
    const Result<QString> file = UserList::load();
    if (!file) {
        Messages::show(this, file.message());
        return false;
    }
    m_savedUsers = *file;
    RTB1->setText(m_savedUsers);
    const QStringList users = UserList::entries(m_savedUsers);
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->addItems(users);
        Combo1->setEditText(before);
    }
    Combo1->setEditText(users.isEmpty() ? QString() : users.first());
    m_session->setUserIdCopy(Combo1->currentText());
    return true;
}

void Form1::Command4_Click()
{
    const UserList::Change added = UserList::add(Combo1->currentText(), m_savedUsers);
    if (!added.fileText.isNull())
        RTBcheck->setText(added.fileText);
    if (!added.outcome) {
        Messages::show(this, added.outcome.message());
        return;
    }
    m_savedUsers = added.newText;
    loadcombo1();
}

void Form1::Command6_Click()
{
    Form3* confirm = Form3::showConfirm(
        this, [this] { return Combo1->currentText(); }, [this] { return m_savedUsers; });
    // The window may be open already: each connection is made once.
    connect(confirm, &Form3::listSaved, this, &Form1::loadcombo1, Qt::UniqueConnection);
    connect(confirm, &Form3::cancelled, Command1, qOverload<>(&QWidget::setFocus),
            Qt::UniqueConnection);
    connect(this, &Form1::closing, confirm, &QWidget::close, Qt::UniqueConnection);
}

void Form1::Combo1_Change()
{
    m_session->setUserId(Combo1->currentText());
    // Keep the list's current entry on a typed ID that is saved: otherwise
    // leaving the field makes the combo box pick that entry itself, which
    // would clear the table again, long after the typing (say, once a search
    // started with Ctrl+S has filled it).
    const int saved =
        Combo1->findText(Combo1->currentText(), Qt::MatchFixedString | Qt::MatchCaseSensitive);
    if (saved >= 0)
        Combo1->setCurrentIndex(saved); // same text: the field is not touched
    Command2_Click();
}

void Form1::Combo1_Click()
{
    Command2_Click();
}
