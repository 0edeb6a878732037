#include "sleeptimer.h"

#include "audioplayer.h"
#include "playback.h"
#include "playqueue.h"
#include "tapeend.h"

#include <QElapsedTimer>

#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace {

// "m:ss", or "h:mm:ss" from one hour on, a started second counted whole.
QString clockText(qint64 ms)
{
    const qint64 seconds = (qMax<qint64>(ms, 0) + 999) / 1000;
    const qint64 hours = seconds / 3600;
    const QString rest = u"%1:%2"_s.arg(seconds / 60 % 60, hours > 0 ? 2 : 1, 10, QChar(u'0'))
                             .arg(seconds % 60, 2, 10, QChar(u'0'));
    return hours > 0 ? u"%1:%2"_s.arg(hours).arg(rest) : rest;
}

} // namespace

SleepTimer::SleepTimer(Playback &playback, const PlayQueue *queue, Clock clock, QObject *parent)
    : QObject(parent)
    , m_playback(playback)
    , m_queue(queue)
    , m_player(playback.player())
    , m_playerAlive(&m_player)
    , m_clock(std::move(clock))
{
    if (!m_clock) {
        auto timer = std::make_shared<QElapsedTimer>();
        timer->start();
        m_clock = [timer] {
            return timer->elapsed();
        };
    }
    m_ticker.setInterval(250);
    connect(&m_ticker, &QTimer::timeout, this, &SleepTimer::tick);
}

SleepTimer::~SleepTimer()
{
    if (m_playerAlive)
        restoreVolume();
}

qint64 SleepTimer::remaining() const
{
    switch (m_mode) {
    case Mode::Off:
        return -1;
    case Mode::Minutes:
        return qMax<qint64>(m_deadline - m_clock(), 0);
    case Mode::EndOfQueue:
        if (m_queue && m_queue->canGoNext())
            return -1;
        [[fallthrough]];
    case Mode::EndOfTape: {
        const AudioPlayer::State state = m_player.PlayState();
        const qint64 length = m_player.length();
        if (state == AudioPlayer::Stopped || state == AudioPlayer::Opening || length <= 0)
            return -1;
        return qMax<qint64>(length - m_player.position(), 0);
    }
    }
    return -1;
}

QString SleepTimer::remainingText() const
{
    if (m_mode == Mode::Off)
        return {};
    const qint64 left = remaining();
    return left < 0 ? u"⏾"_s : u"⏾ "_s + clockText(left);
}

void SleepTimer::startMinutes(int minutes)
{
    if (minutes <= 0) {
        cancel();
        return;
    }
    m_minutes = minutes;
    m_deadline = m_clock() + qint64(minutes) * 60 * 1000;
    setMode(Mode::Minutes);
}

void SleepTimer::stopAtEndOfTape()
{
    setMode(Mode::EndOfTape);
}

void SleepTimer::stopAtEndOfQueue()
{
    setMode(Mode::EndOfQueue);
}

void SleepTimer::cancel()
{
    setMode(Mode::Off);
}

void SleepTimer::setMode(Mode mode)
{
    // A new choice starts without a fade that the old one began.
    restoreVolume();
    m_mode = mode;
    if (mode == Mode::Off)
        m_ticker.stop();
    else
        m_ticker.start();
    Q_EMIT modeChanged();
    m_shownText = remainingText();
    Q_EMIT remainingChanged();
}

void SleepTimer::tick()
{
    if (m_mode == Mode::Off)
        return;
    const qint64 left = remaining();
    if (m_mode == Mode::Minutes && left <= 0) {
        finish();
        return;
    }
    const AudioPlayer::State state = m_player.PlayState();
    if (left >= 0 && left <= kFadeMs && state != AudioPlayer::Stopped)
        applyFade(left);
    else
        restoreVolume(); // more time came (a tape was queued, another one chosen)
    const QString text = remainingText();
    if (text != m_shownText) {
        m_shownText = text;
        Q_EMIT remainingChanged();
    }
}

void SleepTimer::positionChanged(qint64 position, qint64 length)
{
    if (m_mode == Mode::EndOfTape || m_mode == Mode::EndOfQueue) {
        if (isAtEnd(position, length)) {
            // The tape has ended. At the end of the queue, a tape the queue has just started
            // plays on; anything else stops, the tape the queue may have started included.
            if (m_mode == Mode::EndOfTape || m_player.PlayState() == AudioPlayer::Playing) {
                finish();
                return;
            }
        }
    }
    tick();
}

void SleepTimer::applyFade(qint64 left)
{
    if (m_userVolume < 0)
        m_userVolume = m_player.volume();
    const int volume =
        int((m_userVolume * qBound<qint64>(0, left, kFadeMs) + kFadeMs / 2) / kFadeMs);
    if (volume != m_player.volume())
        m_player.setVolume(volume);
}

void SleepTimer::restoreVolume()
{
    if (m_userVolume < 0)
        return;
    m_player.setVolume(std::exchange(m_userVolume, -1));
}

void SleepTimer::finish()
{
    // Stopped first, so that the volume coming back is not heard.
    m_playback.stop();
    setMode(Mode::Off);
    Q_EMIT expired();
}
