#include "playback.h"

#include "audioplayer.h"
#include "recentlist.h"
#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kPause = u"إيقاف مؤقت"_s;
const QString kListen = u"استماع"_s;
} // namespace

Playback::Playback(AudioPlayer &player, KeyedTree &tree, RecentList &recent, QObject *parent)
    : QObject(parent)
    , PauseCaption(kPause)
    , m_player(player)
    , m_tree(tree)
    , m_recent(recent)
{
    connect(&m_player, &AudioPlayer::StateChanged, this, &Playback::StateChanged);
    connect(&m_player, &AudioPlayer::PositionChanged, this, &Playback::PositionChanged);
}

QString Playback::DisplayTitle(const QString &key)
{
    const QString category = RecordField(key, 0).toString();
    const QStringList parts = RecordField(key, 1).toString().split(u'/');
    QString title;
    if (parts.size() == 1)
        title = parts[0];
    else if (category.contains(u"كريم"_s))
        title = parts[0] + u" - "_s + parts[1].mid(4);
    else
        title = parts[0] + u" - "_s + parts[1];
    for (qsizetype i = 2; i < parts.size(); ++i)
        title += u" - "_s + parts[i];
    return title;
}

void Playback::PlayTape(const QString &key, int mode)
{
    const LinkPair links = ExtractLinks(key);
    m_player.setClipSource(QString());
    m_player.StopPlay();

    QString link;
    const bool hasMp3 = !links.mp3.isEmpty();
    const bool hasRm = !links.rm.isEmpty();
    if (mode == Mp3) {
        link = links.mp3;
        SaveMP3Enabled = true;
        SaveRMEnabled = false;
    } else if (mode == Rm) {
        link = links.rm;
        SaveMP3Enabled = false;
        SaveRMEnabled = true;
    } else if (mode == Preferred && (hasMp3 || hasRm)) {
        if (hasMp3 && hasRm)
            link = SoundFormat == 0 ? links.mp3 : SoundFormat == 1 ? links.rm : QString();
        else
            link = hasMp3 ? links.mp3 : links.rm;
        SaveMP3Enabled = hasMp3;
        SaveRMEnabled = hasRm;
    }
    Q_EMIT saveItemsChanged();

    m_player.LoadClip(link);
    Q_EMIT linkChanged(link);
    m_player.StartPlay();

    CurrentTitle = DisplayTitle(key);
    Q_EMIT titleChanged(CurrentTitle);

    m_recent.record(CurrentTitle, m_player.ClipSource());
    Q_EMIT recentChanged();

    CurrentMP3Link = links.mp3;
    CurrentRMLink = links.rm;
}

void Playback::setPlayedImage(const QString &image)
{
    if (PlayedNode.isEmpty())
        return;
    if (KeyedTree::Node node = m_tree.item(PlayedNode))
        m_tree.setImage(node, image);
}

void Playback::markNewPlayedNode(KeyedTree::Node node)
{
    setPlayedImage(u"Leaf"_s);
    PlayedNode = KeyedTree::key(node);
    setPlayedImage(u"wait"_s);
}

void Playback::playClickedTape(KeyedTree::Node node)
{
    if (!node)
        return;
    PlayTape(KeyedTree::key(node), Preferred);
    markNewPlayedNode(node);
}

void Playback::listen(KeyedTree::Node node, int mode)
{
    if (!node)
        return;
    PlayTape(KeyedTree::key(node), mode);
    markNewPlayedNode(node);
}

void Playback::replayRecent(const QString &line)
{
    const QString title = RecentList::titleOf(line);
    const QString link = RecentList::linkOf(line);
    CurrentTitle = title;
    Q_EMIT titleChanged(title);

    m_player.StopPlay();
    m_player.setClipSource(link);
    Q_EMIT linkChanged(link);
    m_player.StartPlay();

    const QString ending = link.right(3).toLower();
    if (ending == u"mp3"_s) {
        CurrentMP3Link = link;
        CurrentRMLink.clear();
        SaveMP3Enabled = true;
        SaveRMEnabled = false;
        Q_EMIT saveItemsChanged();
    } else if (ending == u".rm"_s) {
        CurrentRMLink = link;
        CurrentMP3Link.clear();
        SaveMP3Enabled = false;
        SaveRMEnabled = true;
        Q_EMIT saveItemsChanged();
    }

    setPlayedImage(u"Leaf"_s);
    PlayedNode.clear();

    m_recent.touch(line);
    Q_EMIT recentChanged();
}

void Playback::setPauseCaption(const QString &caption)
{
    if (caption == PauseCaption)
        return;
    PauseCaption = caption;
    Q_EMIT pauseCaptionChanged(caption);
}

void Playback::StateChanged(int state)
{
    setPlayedImage(state != AudioPlayer::Stopped ? u"sound"_s : u"wait"_s);
    const bool starting = state == AudioPlayer::Opening || state == AudioPlayer::Buffering ||
                          state == AudioPlayer::Playing;
    setPauseCaption(starting ? kPause : kListen);
}

void Playback::PositionChanged(qint64 position, qint64 length)
{
    if (queueStep)
        queueStep(position, length);
    if (m_player.PlayState() == AudioPlayer::Stopped && position == 0)
        setPauseCaption(kListen);
}

void Playback::pauseToggle()
{
    if (PauseCaption == kPause)
        m_player.PausePlay();
    else
        m_player.StartPlay();
}

void Playback::stop()
{
    m_player.StopPlay();
}
