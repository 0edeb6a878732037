#pragma once

#include <QObject>
#include <QPointer>
#include <QTimer>

#include <functional>

class AudioPlayer;
class Playback;
class PlayQueue;

// The sleep timer: playing stops after a number of minutes, at the end of the tape playing, or at
// the end of the play queue. The last kFadeMs before the stop lower the volume step by step to
// silence; after the stop the user's volume is set again, for the next tape. Cancelling also
// gives the volume back. Nothing of it is kept between runs.
//
// "End of the tape" is whatever tape plays when it ends by itself: choosing another tape moves
// the stop to the end of that one. "End of the queue" is the end of a tape after which the play
// queue starts nothing.
//
// Time comes from an injected clock and is looked at on tick(), which a timer calls a few times
// a second while the sleep timer is set, and on the player's position events (TapeEndStep,
// after the queue has moved on or not); the tests call both themselves.
class SleepTimer : public QObject
{
    Q_OBJECT

public:
    enum class Mode
    {
        Off,
        Minutes,
        EndOfTape,
        EndOfQueue,
    };

    // Milliseconds of a steady clock.
    using Clock = std::function<qint64()>;

    static constexpr qint64 kFadeMs = 10 * 1000;

    // queue, when given, says whether a tape follows the one playing; without it nothing does.
    SleepTimer(Playback &playback, const PlayQueue *queue, Clock clock = {},
               QObject *parent = nullptr);
    ~SleepTimer() override;

    Mode mode() const { return m_mode; }
    // The minutes chosen, in Minutes mode; 0 otherwise.
    int minutes() const { return m_mode == Mode::Minutes ? m_minutes : 0; }
    // Milliseconds left before the stop; -1 when not known yet (the tape's length is not known,
    // or, at the end of the queue, more tapes follow) or when off.
    qint64 remaining() const;
    // The time left for the player control, "⏾ 29:41", or "⏾" alone when it is not known yet;
    // empty when off.
    QString remainingText() const;

    void startMinutes(int minutes);
    void stopAtEndOfTape();
    void stopAtEndOfQueue();
    void cancel();

    // Looks at the clock: lowers the volume in the last seconds and stops when the time is up.
    void tick();
    // The player's position event, after the queue's step: stops at the end of the tape or of
    // the queue, and looks at the clock.
    void positionChanged(qint64 position, qint64 length);

Q_SIGNALS:
    // The mode changed (set, cancelled, or ran out).
    void modeChanged();
    // The time left changed (about once a second while set).
    void remainingChanged();
    // The timer ran out and stopped the player.
    void expired();

private:
    void setMode(Mode mode);
    void applyFade(qint64 left);
    void restoreVolume();
    void finish();

    Playback &m_playback;
    const PlayQueue *m_queue;
    AudioPlayer &m_player;
    QPointer<AudioPlayer> m_playerAlive; // a window may destroy the player first
    Clock m_clock;
    QTimer m_ticker;
    Mode m_mode = Mode::Off;
    int m_minutes = 0;
    qint64 m_deadline = 0; // clock time of the stop, in Minutes mode
    int m_userVolume = -1; // the volume before the fade began; -1 while not fading
    QString m_shownText;   // what remainingChanged() was last raised for
};
