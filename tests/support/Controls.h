#pragma once

#include <QAnyStringView>
#include <QString>
#include <QWidget>

// A window's controls found by their names and used as a user uses them.

// Clicks a button, check box or radio button, or triggers a menu action;
// the test fails, naming the control, when there is none or it is disabled.
void press(const QWidget* window, QAnyStringView name);

// What a control shows: a field's or label's text, a frame's title, a
// combo box's text, an action's text; "<no NAME>" when there is none.
QString shown(const QWidget* window, QAnyStringView name);

template <class T = QWidget> T* control(const QWidget* window, QAnyStringView name)
{
    return window->findChild<T*>(name.toString());
}

// A field's background colour.
inline QColor base(const QWidget* field)
{
    return field->palette().color(QPalette::Base);
}
