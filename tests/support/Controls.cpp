#include "Controls.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QtTest>

void press(const QWidget* window, QAnyStringView anyName)
{
    const QString name = anyName.toString();
    QObject* control = window->findChild<QObject*>(name);
    QVERIFY2(control, qPrintable(QStringLiteral("no control named ") + name));
    if (auto* action = qobject_cast<QAction*>(control)) {
        QVERIFY2(action->isEnabled(), qPrintable(name + QStringLiteral(" is disabled")));
        action->trigger();
        return;
    }
    auto* button = qobject_cast<QAbstractButton*>(control);
    QVERIFY2(button, qPrintable(name + QStringLiteral(" is no button")));
    QVERIFY2(button->isEnabled(), qPrintable(name + QStringLiteral(" is disabled")));
    // A hidden button cannot take a mouse click; the user would use its shortcut.
    if (button->isVisible())
        QTest::mouseClick(button, Qt::LeftButton);
    else
        button->click();
}

QString shown(const QWidget* window, QAnyStringView name)
{
    const QObject* control = window->findChild<QObject*>(name.toString());
    if (const auto* edit = qobject_cast<const QLineEdit*>(control))
        return edit->text();
    if (const auto* label = qobject_cast<const QLabel*>(control))
        return label->text();
    if (const auto* frame = qobject_cast<const QGroupBox*>(control))
        return frame->title();
    if (const auto* combo = qobject_cast<const QComboBox*>(control))
        return combo->currentText();
    if (const auto* action = qobject_cast<const QAction*>(control))
        return action->text();
    if (const auto* button = qobject_cast<const QAbstractButton*>(control))
        return button->text();
    return QStringLiteral("<no ") + name.toString() + QLatin1Char('>');
}
