// Commands that check many rows at once, and the Auto Compare window.
#include "main_window/Form1.h"

void Form1::mnuALL_Click() {}
void Form1::mnuUnALL_Click() {}
void Form1::mnuSim_Click() {}
void Form1::mnuUnSim_Click() {}
void Form1::cmdAll_Click() {}
void Form1::Command7_Click() {}
void Form1::Command8_Click() {}
void Form1::Command9_Click() {}
void Form1::Command10_Click() {}
