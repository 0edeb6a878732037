#include "playback.h"

#include "audioplayer.h"
#include "recentlist.h"
#include "resumepositions.h"
#include "tapekeys.h"
#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kPause = u"إيقاف مؤقت"_s;
const QString kListen = u"استماع"_s;

// Opening, filling its buffer or playing: a clip the pause item pauses.
bool isStarting(AudioPlayer::State state)
{
    return state == AudioPlayer::Opening || state == AudioPlayer::Buffering ||
           state == AudioPlayer::Playing;
}
} // namespace

Playback::Playback(AudioPlayer &player, RecentList &recent, QObject *parent)
    : QObject(parent)
    , m_player(player)
    , m_recent(recent)
    , m_pauseCaption(kPause)
{
    connect(&m_player, &AudioPlayer::StateChanged, this, &Playback::StateChanged);
    connect(&m_player, &AudioPlayer::PositionChanged, this, &Playback::PositionChanged);
    // The failure is shown by the player control; the tape stops waiting for a sound.
    connect(&m_player, &AudioPlayer::failed, this, [this] {
        m_clipFailed = true;
        setPlayedMark(Mark::Failed);
    });
}

void Playback::setSaveItems(bool mp3, bool rm)
{
    m_saveMp3 = mp3;
    m_saveRm = rm;
}

void Playback::PlayTape(const QString &key, PlayMode mode)
{
    const LinkPair links = ExtractLinks(key);
    m_player.setClipSource(QString());
    m_player.StopPlay();
    m_clipFailed = false;

    QString link;
    const bool hasMp3 = !links.mp3.isEmpty();
    const bool hasRm = !links.rm.isEmpty();
    switch (mode) {
    case PlayMode::Mp3:
        link = links.mp3;
        setSaveItems(true, false);
        break;
    case PlayMode::Rm:
        link = links.rm;
        setSaveItems(false, true);
        break;
    case PlayMode::Preferred:
        if (hasMp3 && hasRm)
            link = m_soundFormat == Mp3Format  ? links.mp3
                   : m_soundFormat == RmFormat ? links.rm
                                               : QString();
        else
            link = hasMp3 ? links.mp3 : links.rm;
        if (hasMp3 || hasRm)
            setSaveItems(hasMp3, hasRm);
        break;
    }
    Q_EMIT saveItemsChanged();

    m_player.LoadClip(link);
    Q_EMIT linkChanged(link);
    m_player.StartPlay();
    prepareResume(link);

    m_title = TapeKeys::DisplayTitle(key);
    Q_EMIT titleChanged(m_title);

    Q_EMIT recentChanged(m_recent.record(m_title, m_player.ClipSource()));

    m_mp3Link = links.mp3;
    m_rmLink = links.rm;
}

void Playback::setPlayedNode(const QString &key, Mark mark)
{
    const QString previous = std::exchange(m_playedNode, key);
    // A link that failed while being started leaves its tape without the hourglass.
    m_mark = m_clipFailed ? Mark::Failed : mark;
    Q_EMIT playedNodeChanged(previous, key);
}

void Playback::setPlayedMark(Mark mark)
{
    if (mark == m_mark)
        return;
    m_mark = mark;
    Q_EMIT playedMarkChanged(mark);
}

void Playback::playTapeKey(const QString &key, PlayMode mode)
{
    if (key.isEmpty())
        return;
    PlayTape(key, mode);
    setPlayedNode(key);
}

void Playback::replayRecent(const QString &line)
{
    const QString title = RecentList::titleOf(line);
    const QString link = RecentList::linkOf(line);
    m_title = title;
    Q_EMIT titleChanged(title);

    m_player.StopPlay();
    m_player.setClipSource(link);
    Q_EMIT linkChanged(link);
    m_player.StartPlay();
    prepareResume(link);

    const QString ending = link.right(3).toLower();
    if (ending == u"mp3"_s) {
        m_mp3Link = link;
        m_rmLink.clear();
        setSaveItems(true, false);
        Q_EMIT saveItemsChanged();
    } else if (ending == u".rm"_s) {
        m_rmLink = link;
        m_mp3Link.clear();
        setSaveItems(false, true);
        Q_EMIT saveItemsChanged();
    }

    setPlayedNode(QString());
    Q_EMIT recentChanged(m_recent.touch(line));
}

void Playback::setPauseCaption(const QString &caption)
{
    if (caption == m_pauseCaption)
        return;
    m_pauseCaption = caption;
    Q_EMIT pauseCaptionChanged(caption);
}

void Playback::prepareResume(const QString &link)
{
    m_resumeAt =
        m_resume && m_player.PlayState() != AudioPlayer::Stopped ? m_resume->startFor(link) : 0;
}

void Playback::restartFromBeginning()
{
    m_resumeAt = 0;
    if (m_player.PlayState() != AudioPlayer::Stopped)
        m_player.seek(0);
}

void Playback::StateChanged(AudioPlayer::State state)
{
    // A seek before the clip is loaded would be lost: the resume waits until the clip plays.
    if (state == AudioPlayer::Playing && m_resumeAt > 0) {
        const qint64 at = std::exchange(m_resumeAt, 0);
        m_player.seek(at);
        Q_EMIT resumed(at);
    } else if (state == AudioPlayer::Stopped) {
        m_resumeAt = 0;
    }
    if (state != AudioPlayer::Stopped) {
        m_clipFailed = false;
        setPlayedMark(Mark::Sound);
    } else if (!m_clipFailed) { // a stop after a failure does not make the tape wait again
        setPlayedMark(Mark::Wait);
    }
    setPauseCaption(isStarting(state) ? kPause : kListen);
}

void Playback::PositionChanged(qint64 position, qint64 /*length*/)
{
    if (m_player.PlayState() == AudioPlayer::Stopped && position == 0)
        setPauseCaption(kListen);
}

void Playback::pauseToggle()
{
    // Decided by the player's state; the caption only shows it.
    if (isStarting(m_player.PlayState()))
        m_player.PausePlay();
    else
        m_player.StartPlay();
}

void Playback::stop()
{
    m_player.StopPlay();
}
