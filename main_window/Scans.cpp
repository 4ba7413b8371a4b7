#include "main_window/Form1.h"

void Form1::ActiveSearch() {}
void Form1::SoldSearch() {}

QString Form1::bareListingAddress() const
{
    return QStringLiteral("http://127.0.0.1:8765/_W0QQsocmdZListingCategoryList");
}
