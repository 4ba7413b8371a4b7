// The main window's selection commands: the rows are read from the table,
// selection/ decides which boxes end up checked, and the boxes are set here.
#include "main_window/Form1.h"
#include "selection/Form6.h"
#include "selection/SelectionCommands.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

Selection::Titles titlesOf(const Form1& form)
{
    Selection::Titles titles;
    for (int i = 0; i < Form1::Rows; ++i)
        titles[i] = form.Text7[i]->text();
    return titles;
}

Selection::Checks checksOf(const Form1& form)
{
    Selection::Checks checks{};
    for (int i = 0; i < Form1::Rows; ++i)
        checks[i] = form.Check1[i]->isChecked();
    return checks;
}

// Through setChecked, which signals only a real change, so the totals are
// recomputed once per box that changes and not otherwise.
void setChecks(Form1& form, const Selection::Checks& checks)
{
    for (int i = 0; i < Form1::Rows; ++i)
        form.Check1[i]->setChecked(checks[i]);
}

// The buttons compare with the lowest checked row; with none checked the
// reference title stays what it was.
void chooseFirstCheckedRow(Form1& form)
{
    const int row = Selection::firstChecked(checksOf(form));
    if (row < 0)
        return;
    form.Label13->setText(form.Text7[row]->text());
    form.Label10->setText(form.Text1[row]->text());
}

} // namespace

void Form1::mnuALL_Click()
{
    setChecks(*this, Selection::all(titlesOf(*this), checksOf(*this)));
}

void Form1::mnuUnALL_Click()
{
    setChecks(*this, Selection::none());
}

void Form1::mnuSim_Click()
{
    setChecks(*this, Selection::matching(titlesOf(*this), Label13->text()));
}

void Form1::mnuUnSim_Click()
{
    setChecks(*this, Selection::nonMatching(titlesOf(*this), Label13->text()));
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
    // The main window is closed, not deleted, so its child would outlive it.
    Form6* window = Form6::showWindow(this);
    connect(this, &Form1::closing, window, &QWidget::close, Qt::UniqueConnection);
}
