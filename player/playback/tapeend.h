#pragma once

#include <QObject>

class Playback;
class PlayQueue;
class RepeatControl;
class SleepTimer;

// How near its end a clip of known length counts as ended: its last position event comes at its
// length, and the next tape starts within this last stretch.
constexpr qint64 kTapeEndWindowMs = 100;

// Whether a clip at position (ms) has reached its end; a clip whose length is not known yet
// (length <= 0) has not.
constexpr bool isAtEnd(qint64 position, qint64 length)
{
    return length > 0 && position >= length - kTapeEndWindowMs;
}

// What happens as a tape plays to its end, decided in one place on every position event of the
// player, always in this order:
//  1. repeat: a tape to be played again starts again from its beginning, and the queue is not
//     told (it still counts that tape as the one playing);
//  2. the play queue: it follows the tape playing and, at the end, starts its next entry;
//  3. the sleep timer: at the end of the tape, or of the queue when nothing followed, playing
//     stops; otherwise it looks at its clock.
// The repeat rules and the sleep timer are optional; those given must outlive the step.
class TapeEndStep : public QObject
{
    Q_OBJECT

public:
    TapeEndStep(Playback &playback, PlayQueue &queue, RepeatControl *repeat, SleepTimer *sleep,
                QObject *parent = nullptr);

private:
    void positionChanged(qint64 position, qint64 length);

    PlayQueue &m_queue;
    RepeatControl *m_repeat;
    SleepTimer *m_sleep;
};
