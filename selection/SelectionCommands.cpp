// Commands that check many rows at once, and the Auto Compare window.
//
// Every box is set through setChecked, which signals only a real change, so
// the totals are recomputed once per box that changes and not otherwise.
#include "main_window/Form1.h"
#include "selection/Form6.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {
// The checked row with the lowest index, or -1.
int firstCheckedRow(const Form1& form)
{
    for (int i = 0; i < Form1::Rows; ++i) {
        if (form.Check1[i]->isChecked())
            return i;
    }
    return -1;
}

void chooseFirstCheckedRow(Form1& form)
{
    const int row = firstCheckedRow(form);
    if (row < 0)
        return; // the reference title stays what it was
    form.Label13->setText(form.Text7[row]->text());
    form.Label10->setText(form.Text1[row]->text());
}
} // namespace

void Form1::mnuALL_Click()
{
    // Empty rows are left as they are, checked or not.
    for (int i = 0; i < Rows; ++i) {
        if (!Text7[i]->text().isEmpty())
            Check1[i]->setChecked(true);
    }
}

void Form1::mnuUnALL_Click()
{
    for (QCheckBox* box : Check1)
        box->setChecked(false);
}

void Form1::mnuSim_Click()
{
    const QString reference = Label13->text();
    for (int i = 0; i < Rows; ++i)
        Check1[i]->setChecked(Text7[i]->text() == reference);
}

void Form1::mnuUnSim_Click()
{
    const QString reference = Label13->text();
    for (int i = 0; i < Rows; ++i) {
        const QString title = Text7[i]->text();
        Check1[i]->setChecked(!title.isEmpty() && title != reference);
    }
}

void Form1::cmdAll_Click()
{
    mnuALL_Click();
}

void Form1::Command7_Click()
{
    mnuUnALL_Click();
}

void Form1::Command8_Click()
{
    chooseFirstCheckedRow(*this);
    mnuSim_Click();
}

void Form1::Command9_Click()
{
    chooseFirstCheckedRow(*this);
    mnuUnSim_Click();
}

void Form1::Command10_Click()
{
    Form6::showWindow(this);
}
