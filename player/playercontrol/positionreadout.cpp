#include "positionreadout.h"

#include "audiocontrol.h"

#include <QWidget>

using namespace Qt::Literals::StringLiterals;

PositionReadout::PositionReadout(QWidget *slider)
    : m_slider(slider)
{
    show(0, 0);
}

void PositionReadout::follow(qint64 position, qint64 length)
{
    // Going back (a seek, or a new clip) is news at once; going on is news a step later.
    if (length == m_shownLength && position >= m_shownPosition &&
        position - m_shownPosition < kStep)
        return;
    show(position, length);
}

void PositionReadout::show(qint64 position, qint64 length)
{
    m_shownPosition = position;
    m_shownLength = length;
    const QString text = describe(position, length);
    if (text == m_text)
        return;
    m_text = text;
    m_slider->setAccessibleDescription(text);
}

QString PositionReadout::describe(qint64 position, qint64 length)
{
    if (length <= 0)
        return AudioControl::formatTime(position);
    return u"%1 من %2"_s.arg(AudioControl::formatTime(position), AudioControl::formatTime(length));
}
