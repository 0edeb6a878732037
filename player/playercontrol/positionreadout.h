#pragma once

#include <QString>

class QWidget;

// What a screen reader says about the position slider: "12:34 من 45:00", kept as the slider's
// accessible description. A slider's own value is in milliseconds, which means nothing read out.
//
// The clip reports its position several times a second; rewriting the description each time
// would send a change notice to the screen reader each time. The text is therefore renewed when
// the user moved the position (or playing started or stopped), when the length changed, and
// otherwise only once the clip has moved on by a step.
class PositionReadout
{
public:
    static constexpr qint64 kStep = 10000;

    explicit PositionReadout(QWidget *slider);

    // A position report while the clip plays.
    void follow(qint64 position, qint64 length);
    // A position the user chose, or a new state: said as it is.
    void show(qint64 position, qint64 length);

    QString text() const { return m_text; }

    // "12:34 من 45:00"; just the position while the length is still unknown.
    static QString describe(qint64 position, qint64 length);

private:
    QWidget *m_slider;
    QString m_text;
    qint64 m_shownPosition = -1;
    qint64 m_shownLength = -1;
};
