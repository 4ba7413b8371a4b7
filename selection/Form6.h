#pragma once

#include <QWidget>
#include <array>

class QLabel;
class QLineEdit;
class QPushButton;

// "Auto Compare": ten item descriptions beside their average visits. Only
// the layout exists; nothing fills it and its buttons do nothing. At most one
// is open; closing deletes it, so the next one starts empty.
class Form6 : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Rows = 10;

    // Shows the window, or brings the one already open to the front.
    static Form6* showWindow(QWidget* owner);
    // The open window, or null.
    static Form6* current();
    // Closes the open window; for the program's exit.
    static void closeIfOpen();

    QLabel* Label1 = nullptr;             // "Item Description"
    QLabel* Label2 = nullptr;             // "Average Visits"
    QLabel* Label3 = nullptr;             // "Sold"
    std::array<QLineEdit*, Rows> Text1{}; // item description
    std::array<QLineEdit*, Rows> Text2{}; // average visits
    QPushButton* Command1 = nullptr;      // Done
    QPushButton* Command2 = nullptr;      // Print

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    explicit Form6(QWidget* owner);
};
