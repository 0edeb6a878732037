#include "repeatcontrol.h"

#include "audioplayer.h"
#include "playback.h"
#include "playqueue.h"

#include <QPointer>

using namespace Qt::Literals::StringLiterals;

const QList<int> &RepeatMode::offeredTimes()
{
    static const QList<int> times{2, 3, 5, 7, 10};
    return times;
}

QString RepeatMode::toText() const
{
    switch (kind) {
    case Kind::Tape:
        return times > 0 ? u"tape:%1"_s.arg(times) : u"tape"_s;
    case Kind::Queue:
        return u"queue"_s;
    case Kind::Off:
        break;
    }
    return u"off"_s;
}

std::optional<RepeatMode> RepeatMode::fromText(QStringView text)
{
    const QStringView value = text.trimmed();
    if (value.compare(u"off"_s, Qt::CaseInsensitive) == 0)
        return off();
    if (value.compare(u"queue"_s, Qt::CaseInsensitive) == 0)
        return queue();
    if (value.compare(u"tape"_s, Qt::CaseInsensitive) == 0)
        return tape();
    if (value.startsWith(u"tape:"_s, Qt::CaseInsensitive)) {
        bool ok = false;
        const int times = value.mid(5).trimmed().toInt(&ok);
        if (ok && times >= 2 && times <= kMostTimes)
            return tape(times);
    }
    return std::nullopt;
}

QString RepeatMode::loopStatus() const
{
    switch (kind) {
    case Kind::Tape:
        return u"Track"_s;
    case Kind::Queue:
        return u"Playlist"_s;
    case Kind::Off:
        break;
    }
    return u"None"_s;
}

RepeatControl::RepeatControl(Playback &playback, PlayQueue &queue, QObject *parent)
    : QObject(parent)
    , m_playback(playback)
    , m_queue(queue)
{
    // Another tape, or the same one started anew, counts from the beginning.
    connect(&playback, &Playback::linkChanged, this, [this] { m_playsDone = 0; });
    connect(&playback.player(), &AudioPlayer::StateChanged, this, [this](AudioPlayer::State state) {
        if (state == AudioPlayer::Stopped)
            m_playsDone = 0;
    });
}

void RepeatControl::setMode(const RepeatMode &mode)
{
    RepeatMode wanted = mode;
    if (wanted.kind != RepeatMode::Kind::Tape)
        wanted.times = 0;
    else if (wanted.times == 1 || wanted.times < 0 || wanted.times > RepeatMode::kMostTimes)
        return; // a tape that plays once is no repeat; Off says that
    if (wanted == m_mode)
        return;
    m_mode = wanted;
    m_queue.setKeepPlayed(m_mode.kind == RepeatMode::Kind::Queue);
    Q_EMIT modeChanged();
}

bool RepeatControl::playAgainAtEnd()
{
    AudioPlayer &player = m_playback.player();
    if (m_mode.kind != RepeatMode::Kind::Tape || player.PlayState() != AudioPlayer::Playing ||
        player.ClipSource().isEmpty())
        return false;
    ++m_playsDone;
    if (m_mode.times != 0 && m_playsDone >= m_mode.times)
        return false; // played often enough: playback moves on as with repeat off
    const int done = m_playsDone;
    player.StartPlay(); // a playing clip starts again from its beginning
    m_playsDone = done;
    return true;
}
