#pragma once

#include <QPointer>
#include <QScreen>
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

// Centres a window, frame included, on the free area (without panels) of
// the screen its parent window is on, or its own screen when it has none.
inline void centreOnScreen(QWidget* window)
{
    const QWidget* anchor = window->parentWidget() ? window->parentWidget()->window() : window;
    if (const QScreen* screen = anchor->screen()) {
        QRect frame = window->frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window->move(frame.topLeft());
    }
}

// The one open window of a kind that the program shows at most once: a
// second "show" brings it forward, and a closed window is forgotten at once,
// so a new one may open before the old one is deleted. A new window opens
// centred on the screen.
template <class Window> class SingleWindow
{
public:
    Window* current() const { return m_window; }

    template <class Make> Window* show(Make make)
    {
        // These windows delete themselves on closing and are never hidden
        // otherwise: a hidden one was closed a moment ago and waits to be
        // deleted, so it is never shown again.
        if (m_window && !m_window->isHidden()) {
            bringToFront(m_window);
            return m_window;
        }
        m_window = make();
        m_window->show();
        centreOnScreen(m_window);
        m_window->activateWindow();
        return m_window;
    }

    void closeIfOpen()
    {
        if (m_window)
            m_window->close();
    }

    void forget(Window* window)
    {
        if (m_window == window)
            m_window = nullptr;
    }

private:
    QPointer<Window> m_window;
};
