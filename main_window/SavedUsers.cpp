// The User ID field and its saved list: the main window's side. The list
// itself (User.rtf) is kept by users/UserList.
#include "main_window/Form1.h"

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
    // On failure the field keeps what the user typed; RTB1 keeps the last list read.
    const std::optional<QStringList> users = UserList::load(this, RTB1);
    if (!users)
        return false;
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->addItems(*users);
        Combo1->setEditText(before);
    }
    Combo1->setEditText(users->isEmpty() ? QString() : users->first());
    Text5->setText(Combo1->currentText());
    return true;
}

void Form1::Command4_Click()
{
    if (UserList::add(this, Combo1->currentText(), RTB1, RTBcheck))
        loadcombo1();
}

void Form1::Command6_Click()
{
    Form3* confirm = Form3::showConfirm(
        this, [this] { return Combo1->currentText(); }, [this] { return RTB1->Text(); });
    // The window may be open already: each connection is made once.
    connect(confirm, &Form3::listSaved, this, &Form1::loadcombo1, Qt::UniqueConnection);
    connect(confirm, &Form3::cancelled, Command1, qOverload<>(&QWidget::setFocus),
            Qt::UniqueConnection);
    connect(this, &Form1::closing, confirm, &QWidget::close, Qt::UniqueConnection);
}

void Form1::Combo1_Change()
{
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
