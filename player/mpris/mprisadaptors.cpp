#include "mprisadaptors.h"

#include "audioplayer.h"
#include "linkpolicy.h"
#include "mediacontrol.h"
#include "mprisservice.h"
#include "repeatcontrol.h"

#include <QDBusConnection>
#include <QDBusError>

#include <cmath>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kPlayerInterface = u"org.mpris.MediaPlayer2.Player"_s;

// Track ids must not lie under /org/mpris; only the "no track" id, defined there, does.
const QString kTrackIdPrefix = u"/org/marvoli/track/"_s;
const QString kNoTrack = u"/org/mpris/MediaPlayer2/TrackList/NoTrack"_s;

constexpr qint64 kMicrosecondsPerMs = 1000;

} // namespace

MprisRootAdaptor::MprisRootAdaptor(MprisService *service, MediaControlHost &host)
    : QDBusAbstractAdaptor(service)
    , m_host(host)
{}

QString MprisRootAdaptor::identity() const
{
    return u"Marvoli"_s;
}

QString MprisRootAdaptor::desktopEntry() const
{
    return u"marvoli"_s;
}

QStringList MprisRootAdaptor::supportedUriSchemes() const
{
    return {u"http"_s, u"https"_s, u"file"_s};
}

QStringList MprisRootAdaptor::supportedMimeTypes() const
{
    return {u"audio/mpeg"_s, u"application/vnd.rn-realmedia"_s};
}

void MprisRootAdaptor::Quit(const QDBusMessage &message)
{
    // The window may tear this service down while closing, and the program ends soon after: the
    // reply is sent here without touching this object after the call, and a round trip to the
    // bus on the same connection makes sure it has left before the program can end.
    message.setDelayedReply(true);
    m_host.quitFromDesktop();
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.send(message.createReply());
    bus.call(QDBusMessage::createMethodCall(u"org.freedesktop.DBus"_s, u"/org/freedesktop/DBus"_s,
                                            u"org.freedesktop.DBus.Peer"_s, u"Ping"_s));
}

void MprisRootAdaptor::Raise()
{
    m_host.raiseFromDesktop();
}

MprisPlayerAdaptor::MprisPlayerAdaptor(MprisService *service, AudioPlayer &player,
                                       MediaSource &source, QString baseFolder)
    : QDBusAbstractAdaptor(service)
    , m_service(service)
    , m_player(player)
    , m_source(source)
    , m_baseFolder(std::move(baseFolder))
{
    m_announced = announcedProperties();
    m_announcedLength = m_player.length();
    m_announcedVolume = m_player.volume();
    connect(&m_player, &AudioPlayer::StateChanged, this, &MprisPlayerAdaptor::announceChanges);
    connect(&m_player, &AudioPlayer::PositionChanged, this, &MprisPlayerAdaptor::onPositionChanged);
    connect(&m_player, &AudioPlayer::speedChanged, this, &MprisPlayerAdaptor::announceChanges);
    connect(&m_player, &AudioPlayer::volumeChanged, this, &MprisPlayerAdaptor::announceChanges);
    // Every seek, from the window's slider and keys as from the bus, is news to the desktop,
    // which reckons the position forward from the last one it was told of.
    connect(&m_player, &AudioPlayer::seeked, this,
            [this](qint64 positionMs) { Q_EMIT Seeked(positionMs * kMicrosecondsPerMs); });
    // A clip starting from its beginning: for the same track (a tape played again by the repeat)
    // that is a jump back to 0 the desktop could not reckon.
    connect(&m_player, &AudioPlayer::StateChanged, this, [this](AudioPlayer::State state) {
        if (state == AudioPlayer::Opening)
            Q_EMIT Seeked(0);
    });
}

QString MprisPlayerAdaptor::playbackStatus() const
{
    switch (m_player.PlayState()) {
    case AudioPlayer::Opening:
    case AudioPlayer::Buffering:
    case AudioPlayer::Playing:
        return u"Playing"_s;
    case AudioPlayer::Paused:
        return u"Paused"_s;
    default:
        return u"Stopped"_s;
    }
}

QString MprisPlayerAdaptor::loopStatus() const
{
    return m_repeat ? m_repeat->mode().loopStatus() : u"None"_s;
}

void MprisPlayerAdaptor::setLoopStatus(const QString &status)
{
    if (!m_repeat)
        return;
    // "Track" leaves a tape repeated a number of times as it is: that already reads "Track".
    if (status == u"None"_s)
        m_repeat->setMode(RepeatMode::off());
    else if (status == u"Track"_s && m_repeat->mode().kind != RepeatMode::Kind::Tape)
        m_repeat->setMode(RepeatMode::tape());
    else if (status == u"Playlist"_s)
        m_repeat->setMode(RepeatMode::queue());
    announceChanges();
}

void MprisPlayerAdaptor::setRepeat(RepeatControl *repeat)
{
    m_repeat = repeat;
    if (m_repeat)
        connect(m_repeat, &RepeatControl::modeChanged, this, &MprisPlayerAdaptor::announceChanges);
    announceChanges();
}

double MprisPlayerAdaptor::rate() const
{
    return m_player.speed();
}

void MprisPlayerAdaptor::setRate(double rate)
{
    if (std::isnan(rate) || rate < 0)
        return;
    if (rate == 0) {
        Pause();
        return;
    }
    // The player takes anything that is not a number for the normal speed; an endless rate is
    // simply past the fastest.
    m_player.setSpeed(std::isinf(rate) ? AudioPlayer::kMaximumSpeed : rate);
    announceChanges();
}

double MprisPlayerAdaptor::minimumRate() const
{
    return AudioPlayer::kMinimumSpeed;
}

double MprisPlayerAdaptor::maximumRate() const
{
    return AudioPlayer::kMaximumSpeed;
}

QDBusObjectPath MprisPlayerAdaptor::trackId()
{
    const QString link = m_player.ClipSource();
    // The player only holds no clip while stopped.
    if (link.isEmpty())
        return QDBusObjectPath(kNoTrack);
    if (link != m_trackLink) {
        m_trackLink = link;
        ++m_trackNumber;
    }
    return QDBusObjectPath(kTrackIdPrefix + QString::number(m_trackNumber));
}

QVariantMap MprisPlayerAdaptor::metadata()
{
    QVariantMap map;
    const QDBusObjectPath id = trackId();
    map.insert(u"mpris:trackid"_s, QVariant::fromValue(id));
    if (id.path() == kNoTrack)
        return map;
    const QString title = m_source.currentTitle();
    if (!title.isEmpty())
        map.insert(u"xesam:title"_s, title);
    // A URI, as the desktop expects: links to files are relative paths in the catalogue. A link
    // the program does not open has no URI to give.
    const QString uri = linkToUri(m_source.currentLink(), m_baseFolder);
    if (!uri.isEmpty())
        map.insert(u"xesam:url"_s, uri);
    const qint64 lengthMs = m_player.length();
    if (lengthMs > 0)
        map.insert(u"mpris:length"_s, qlonglong(lengthMs * kMicrosecondsPerMs));
    return map;
}

double MprisPlayerAdaptor::volume() const
{
    return m_player.volume() / 100.0;
}

void MprisPlayerAdaptor::setVolume(double volume)
{
    // Values past either end are allowed on the bus; the player's scale stops at 0 and 100.
    m_player.setVolume(qBound(0, qRound(volume * 100.0), 100));
    announceChanges();
}

qlonglong MprisPlayerAdaptor::position() const
{
    return m_player.position() * kMicrosecondsPerMs;
}

bool MprisPlayerAdaptor::canGoNext() const
{
    return m_source.canGoNext();
}

bool MprisPlayerAdaptor::canPlay() const
{
    return !m_player.ClipSource().isEmpty();
}

bool MprisPlayerAdaptor::canPause() const
{
    // Whether the current track can be paused at all, not whether it is playing right now.
    return canPlay();
}

bool MprisPlayerAdaptor::canSeek() const
{
    return m_player.PlayState() != AudioPlayer::Stopped && m_player.length() > 0;
}

QVariantMap MprisPlayerAdaptor::announcedProperties()
{
    // Position is left out on purpose: desktops read it when they need it and reckon it forward
    // from PlaybackStatus and Rate in between; Seeked tells them of jumps.
    return {{u"PlaybackStatus"_s, playbackStatus()},
            {u"Metadata"_s, metadata()},
            {u"Volume"_s, volume()},
            {u"Rate"_s, rate()},
            {u"LoopStatus"_s, loopStatus()},
            {u"CanGoNext"_s, canGoNext()},
            {u"CanPlay"_s, canPlay()},
            {u"CanPause"_s, canPause()},
            {u"CanSeek"_s, canSeek()}};
}

void MprisPlayerAdaptor::announceChanges()
{
    m_announcedLength = m_player.length();
    m_announcedVolume = m_player.volume();
    const QVariantMap current = announcedProperties();
    QVariantMap changed;
    for (auto it = current.cbegin(); it != current.cend(); ++it) {
        if (m_announced.value(it.key()) != it.value())
            changed.insert(it.key(), it.value());
    }
    m_announced = current;
    if (!changed.isEmpty())
        m_service->sendPropertiesChanged(kPlayerInterface, changed);
}

void MprisPlayerAdaptor::onPositionChanged(qint64, qint64 lengthMs)
{
    // Ticks come several times a second; only a newly known length (metadata, CanSeek) or a
    // volume set elsewhere, which the player has no event for, is news.
    if (lengthMs != m_announcedLength || m_player.volume() != m_announcedVolume)
        announceChanges();
}

void MprisPlayerAdaptor::Next()
{
    if (m_source.canGoNext())
        m_source.playNextFromDesktop();
}

void MprisPlayerAdaptor::Previous()
{
    // There is no going back in the queue.
}

void MprisPlayerAdaptor::Pause()
{
    const AudioPlayer::State state = m_player.PlayState();
    if (state == AudioPlayer::Opening || state == AudioPlayer::Buffering ||
        state == AudioPlayer::Playing)
        m_player.PausePlay();
}

void MprisPlayerAdaptor::PlayPause()
{
    const AudioPlayer::State state = m_player.PlayState();
    if (state == AudioPlayer::Stopped || state == AudioPlayer::Paused)
        Play();
    else
        m_player.PausePlay();
}

void MprisPlayerAdaptor::Stop()
{
    m_player.StopPlay();
}

void MprisPlayerAdaptor::Play()
{
    // StartPlay() restarts a playing clip from its beginning; Play must leave it alone.
    const AudioPlayer::State state = m_player.PlayState();
    if ((state == AudioPlayer::Stopped || state == AudioPlayer::Paused) && canPlay())
        m_player.StartPlay();
}

void MprisPlayerAdaptor::Seek(qlonglong Offset)
{
    if (!canSeek())
        return;
    const qint64 lengthMs = m_player.length();
    const qint64 targetMs = qMax<qint64>(0, m_player.position() + Offset / kMicrosecondsPerMs);
    if (targetMs >= lengthMs) {
        // Seeking past the end goes on to the next track, as the interface asks.
        Next();
        return;
    }
    m_player.seek(targetMs); // the player tells of the seek (Seeked)
}

void MprisPlayerAdaptor::SetPosition(const QDBusObjectPath &TrackId, qlonglong Position)
{
    // A stale track id means the request was meant for a track that has since been replaced.
    if (!canSeek() || TrackId != trackId())
        return;
    const qint64 targetMs = Position / kMicrosecondsPerMs;
    if (Position < 0 || targetMs > m_player.length())
        return;
    m_player.seek(targetMs); // the player tells of the seek (Seeked)
}

void MprisPlayerAdaptor::OpenUri(const QString &, const QDBusMessage &message)
{
    // Tapes are chosen in the catalogue, not handed in from outside.
    message.setDelayedReply(true);
    QDBusConnection::sessionBus().send(message.createErrorReply(
        QDBusError::NotSupported, u"Marvoli plays tapes from its catalogue only"_s));
}
