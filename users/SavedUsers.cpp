// The saved User IDs in User.rtf and the User ID field.
#include "base/Messages.h"
#include "main_window/Form1.h"
#include "options/RichTextHolder.h"
#include "users/Form3.h"
#include "users/UserList.h"

#include <QComboBox>
#include <QLineEdit>
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
    if (!RTB1->LoadFile(UserList::filePath())) {
        // The field keeps what the user typed; RTB1 keeps the last list read.
        Messages::show(this, QStringLiteral("error in LoadUsers"));
        return false;
    }
    const QStringList users = UserList::entries(RTB1->Text());
    {
        const QSignalBlocker quiet(Combo1);
        Combo1->addItems(users);
        Combo1->setEditText(before);
    }
    Combo1->setEditText(users.isEmpty() ? QString() : users.first());
    Text5->setText(Combo1->currentText());
    return true;
}

void Form1::Command4_Click()
{
    const QString user = Combo1->currentText();
    if (user.isEmpty()) {
        Messages::show(this, QStringLiteral("Please Input a valid user name to continue"));
        return;
    }
    // Extend the file as it is now, not RTB1's copy: another copy of the
    // program may have saved since.
    if (!UserList::loadForChange(this, RTBcheck, RTB1->Text()))
        return;
    if (UserList::find(RTBcheck->Text(), user) >= 0) {
        Messages::show(this, QStringLiteral("User already exists in saved file"));
        return;
    }
    const QString loaded = RTB1->Text();
    RTB1->setText(RTBcheck->Text() + user + QLatin1Char(','));
    if (!UserList::save(this, RTB1)) {
        RTB1->setText(loaded); // the file still holds the old list
        return;
    }
    loadcombo1();
}

void Form1::Command6_Click()
{
    Form3::showConfirm(this);
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
