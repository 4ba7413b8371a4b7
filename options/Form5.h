#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The warning in front of the advanced options. At most one exists; it is
// deleted when closed and holds no state.
class Form5 : public QWidget
{
    Q_OBJECT
public:
    // Shows the warning, or brings the one already open to the front.
    static Form5* showWarning();
    // The open warning, or null.
    static Form5* current();

    void Command1_Click(); // Continue
    void Command2_Click(); // Cancel

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPushButton* Command1 = nullptr;
    QPushButton* Command2 = nullptr;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    Form5();
};
