#pragma once

#include <QString>
#include <QWidget>

// A window's controls found by their names and used as a user uses them.

// Clicks a button, check box or radio button, or triggers a menu action;
// the test fails, naming the control, when there is none or it is disabled.
void press(const QWidget* window, const QString& name);

// What a control shows: a field's or label's text, a frame's title, a
// combo box's text, an action's text; "<no NAME>" when there is none.
QString shown(const QWidget* window, const QString& name);

// By a name written as a plain literal.
inline void press(const QWidget* window, const char* name)
{
    press(window, QString::fromLatin1(name));
}
inline QString shown(const QWidget* window, const char* name)
{
    return shown(window, QString::fromLatin1(name));
}
template <class T = QWidget> T* control(const QWidget* window, const QString& name)
{
    return window->findChild<T*>(name);
}
template <class T = QWidget> T* control(const QWidget* window, const char* name)
{
    return window->findChild<T*>(QString::fromLatin1(name));
}
