#pragma once

#include <QWidget>

// Shows a window and brings it to the front, restoring it if it was
// minimised: what a second "open" of a single-instance window does.
inline void bringToFront(QWidget* window)
{
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
}
