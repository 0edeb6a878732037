#include "windowplacement.h"

#include "settingsstore.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <algorithm>

using namespace SettingsStore;

namespace {

QMargins marginsOf(const QWidget *w)
{
    const QRect frame = w->frameGeometry();
    const QRect client = w->geometry();
    return {client.left() - frame.left(), client.top() - frame.top(),
            frame.right() - client.right(), frame.bottom() - client.bottom()};
}

bool isNormalAndShown(const QWidget *w)
{
    return w->isVisible() &&
           !(w->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized | Qt::WindowFullScreen));
}

} // namespace

WindowPlacement::WindowPlacement(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_window->installEventFilter(this);
}

void WindowPlacement::apply(std::optional<int> top, std::optional<int> left,
                            std::optional<int> width, std::optional<int> height)
{
    QScreen *screen = m_window->screen() ? m_window->screen() : QGuiApplication::primaryScreen();
    const QRect whole = screen ? screen->geometry() : QRect(0, 0, 1024, 768);
    const QRect available = screen ? screen->availableGeometry() : whole;

    Twips t;
    t.width = std::max(width.value_or(kDefaultWidth), kMinWidth);
    t.height = std::max(height.value_or(kDefaultHeight), kMinHeight);
    // Never larger than the screen it stands on: a window wider than that cannot be handled.
    if (toPixels(t.width) > available.width())
        t.width = toTwips(available.width());
    if (toPixels(t.height) > available.height())
        t.height = toTwips(available.height());
    const int w = toPixels(t.width);
    const int h = toPixels(t.height);

    t.left = left.value_or(toTwips((whole.width() - w) / 2));
    t.top = top.value_or(toTwips((whole.height() - h) / 2));
    // Kept on the available screen, so that the window can always be seen and reached.
    const int x = std::clamp(toPixels(t.left), available.left(), available.right() + 1 - w);
    const int y = std::clamp(toPixels(t.top), available.top(), available.bottom() + 1 - h);
    if (x != toPixels(t.left))
        t.left = toTwips(x);
    if (y != toPixels(t.top))
        t.top = toTwips(y);

    m_appliedTwips = t;
    m_appliedFrame = QRect(x, y, w, h);
    m_applied = true;
    m_sizeCorrected = false;
    m_seenNormal = false;
    m_window->move(x, y); // a window's position is its frame's
    m_window->resize(w, h);
    learnFrame();
}

bool WindowPlacement::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Show:
        case QEvent::Move:
        case QEvent::Resize:
        case QEvent::WindowStateChange:
            learnFrame();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

void WindowPlacement::learnFrame()
{
    if (!isNormalAndShown(m_window))
        return;
    const QMargins margins = marginsOf(m_window);
    m_margins = margins;
    m_seenNormal = true;
    if (m_applied && !m_sizeCorrected && !margins.isNull() &&
        m_window->size() == m_appliedFrame.size()) {
        // Framed for the first time, at the size it was given: the frame takes its share.
        m_sizeCorrected = true;
        m_window->resize(m_appliedFrame.size().shrunkBy(margins));
    }
}

QRect WindowPlacement::normalFramePixels() const
{
    if (isNormalAndShown(m_window))
        return m_window->frameGeometry();
    return m_window->normalGeometry().marginsAdded(m_margins.value_or(QMargins()));
}

WindowPlacement::Twips WindowPlacement::normalFrame()
{
    QRect frame = normalFramePixels();
    Twips t;
    // A window never shown in its normal state since it was placed keeps its measures (a
    // maximised or minimised window's frame says nothing about the normal one's).
    if (m_applied && (frame == m_appliedFrame || !m_seenNormal)) {
        t = m_appliedTwips; // unchanged: exactly what was read, twips finer than pixels included
    } else {
        t = {toTwips(frame.y()), toTwips(frame.x()), toTwips(frame.width()),
             toTwips(frame.height())};
    }
    const QMargins margins = m_margins.value_or(QMargins());
    if (t.width < kMinWidth) {
        t.width = kMinWidth;
        m_window->resize(toPixels(kMinWidth) - margins.left() - margins.right(),
                         m_window->height());
    }
    if (t.height < kMinHeight) {
        t.height = kMinHeight;
        m_window->resize(m_window->width(),
                         toPixels(kMinHeight) - margins.top() - margins.bottom());
    }
    t.top = std::max(t.top, 0);
    t.left = std::max(t.left, 0);
    return t;
}
