#include "tapeend.h"

#include "audioplayer.h"
#include "playback.h"
#include "playqueue.h"
#include "repeatcontrol.h"
#include "sleeptimer.h"

TapeEndStep::TapeEndStep(Playback &playback, PlayQueue &queue, RepeatControl *repeat,
                         SleepTimer *sleep, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_repeat(repeat)
    , m_sleep(sleep)
{
    connect(&playback.player(), &AudioPlayer::PositionChanged, this, &TapeEndStep::positionChanged);
}

void TapeEndStep::positionChanged(qint64 position, qint64 length)
{
    const bool playedAgain = m_repeat && isAtEnd(position, length) && m_repeat->playAgainAtEnd();
    if (!playedAgain)
        m_queue.positionChanged(position, length);
    if (m_sleep)
        m_sleep->positionChanged(position, length);
}
