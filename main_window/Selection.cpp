// The main window's selection commands: selection/ decides which boxes end
// up checked from the table's rows, and the session sets them.
#include "main_window/Form1.h"
#include "selection/Form6.h"
#include "selection/SelectionCommands.h"

void Form1::mnuALL_Click()
{
    const AuctionTable& table = m_session->table();
    m_session->setChecks(Selection::all(table.titles(), table.checks()));
}

void Form1::mnuUnALL_Click()
{
    m_session->setChecks(Selection::none());
}

void Form1::mnuSim_Click()
{
    const AuctionTable& table = m_session->table();
    m_session->setChecks(Selection::matching(table.titles(), table.chosen.title));
}

void Form1::mnuUnSim_Click()
{
    const AuctionTable& table = m_session->table();
    m_session->setChecks(Selection::nonMatching(table.titles(), table.chosen.title));
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
    // The buttons compare with the lowest checked row.
    m_session->chooseFirstCheckedRow();
    mnuSim_Click();
}

void Form1::Command9_Click()
{
    m_session->chooseFirstCheckedRow();
    mnuUnSim_Click();
}

void Form1::Command10_Click()
{
    // The main window is closed, not deleted, so its child would outlive it.
    Form6* window = Form6::showWindow(this);
    connect(this, &Form1::closing, window, &QWidget::close, Qt::UniqueConnection);
}
