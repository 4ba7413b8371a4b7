#pragma once

#include <QWidget>

#include <functional>

class QLabel;
class QPushButton;
class RichTextHolder;

// "Confirm Delete": asks before the User ID in the owner's field is removed
// from User.rtf. Modeless, at most one at a time, deleted when closed.
class Form3 : public QWidget
{
    Q_OBJECT
public:
    // What the window needs from its owner, asked at "Yes": the ID in the
    // User ID field then, and the list as last loaded.
    using Text = std::function<QString()>;

    // Shows the window as a child of owner, or brings the one already open
    // to the front.
    static Form3* showConfirm(QWidget* owner, Text userId, Text lastLoaded);
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

signals:
    void listSaved(); // User.rtf was written; the owner's list is out of date
    void cancelled(); // "No, Cancel": the owner takes the focus back

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Form3(QWidget* owner, Text userId, Text lastLoaded);

    Text m_userId;
    Text m_lastLoaded;
};
