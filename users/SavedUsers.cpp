// The saved User IDs in User.rtf and the User ID field.
#include "main_window/Form1.h"

bool Form1::loadcombo1()
{
    return true;
}
void Form1::Command4_Click() {}
void Form1::Command6_Click() {}
void Form1::Combo1_Change() {}
void Form1::Combo1_Click() {}
