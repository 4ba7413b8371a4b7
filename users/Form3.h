#pragma once

#include <QPointer>
#include <QWidget>

class Form1;
class QLabel;
class QPushButton;
class RichTextHolder;

// "Confirm Delete": asks before the User ID in the main window's field is
// removed from User.rtf. Modeless, at most one at a time, deleted when closed.
class Form3 : public QWidget
{
    Q_OBJECT
public:
    // Shows the window for owner, or brings the one already open to the front.
    static Form3* showConfirm(Form1* owner);
    // The open window, or null.
    static Form3* current();
    // Closes the open window as its close box would; for the program's exit.
    static void closeIfOpen();

    void Command1_Click(); // Yes, Delete
    void Command2_Click(); // No, Cancel

    QLabel* Label1 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;
    RichTextHolder* RTBdel = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    explicit Form3(Form1* owner);

    QPointer<Form1> m_owner;
    bool m_placed = false;
};
