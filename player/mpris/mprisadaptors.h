#pragma once

#include <QDBusAbstractAdaptor>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QStringList>
#include <QVariantMap>

class AudioPlayer;
class MediaControlHost;
class MediaSource;
class MprisService;
class RepeatControl;

// The two MPRIS interfaces, as adaptors of MprisService. QtDBus exports their public slots as
// methods, their signals and their properties; the member names are the D-Bus names.

// org.mpris.MediaPlayer2: the program as a whole.
class MprisRootAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool Fullscreen READ no)
    Q_PROPERTY(bool CanSetFullscreen READ no)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ supportedUriSchemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ supportedMimeTypes)

public:
    MprisRootAdaptor(MprisService *service, MediaControlHost &host);

    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const;
    QString desktopEntry() const;
    QStringList supportedUriSchemes() const;
    QStringList supportedMimeTypes() const;

public Q_SLOTS:
    // Replies once the window has closed: the desktop may wait for that before it goes on.
    void Quit(const QDBusMessage &message);
    void Raise();

private:
    MediaControlHost &m_host;
};

// org.mpris.MediaPlayer2.Player: playback, the current track, position and volume.
class MprisPlayerAdaptor : public QDBusAbstractAdaptor
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QString LoopStatus READ loopStatus WRITE setLoopStatus)
    Q_PROPERTY(double Rate READ rate WRITE setRate)
    Q_PROPERTY(bool Shuffle READ shuffle)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double MinimumRate READ minimumRate)
    Q_PROPERTY(double MaximumRate READ maximumRate)
    Q_PROPERTY(bool CanGoNext READ canGoNext)
    Q_PROPERTY(bool CanGoPrevious READ canGoPrevious)
    Q_PROPERTY(bool CanPlay READ canPlay)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ canControl)

public:
    // Relative links of local files are taken below baseFolder.
    MprisPlayerAdaptor(MprisService *service, AudioPlayer &player, MediaSource &source,
                       QString baseFolder);

    QString playbackStatus() const;
    // The repeat mode; "None" while no repeat control is attached.
    QString loopStatus() const;
    void setLoopStatus(const QString &status);
    // The player's speed. A rate past either end is taken to that end; 0 pauses, as the interface
    // asks; a negative one or one that is not a number changes nothing.
    double rate() const;
    void setRate(double rate);
    double minimumRate() const;
    double maximumRate() const;
    bool shuffle() const { return false; }
    // Not const: reading it is what notices a new link and numbers the new track.
    QVariantMap metadata();
    double volume() const;
    void setVolume(double volume);
    qlonglong position() const;
    bool canGoNext() const;
    bool canGoPrevious() const { return false; }
    bool canPlay() const;
    bool canPause() const;
    bool canSeek() const;
    bool canControl() const { return true; }

    // Sends the properties whose values differ from those last sent.
    void announceChanges();
    // LoopStatus reads and sets repeat's mode from then on.
    void setRepeat(RepeatControl *repeat);

public Q_SLOTS:
    void Next();
    void Previous();
    void Pause();
    void PlayPause();
    void Stop();
    void Play();
    void Seek(qlonglong Offset);
    void SetPosition(const QDBusObjectPath &TrackId, qlonglong Position);
    void OpenUri(const QString &Uri, const QDBusMessage &message);

Q_SIGNALS:
    void Seeked(qlonglong Position);

private:
    QDBusObjectPath trackId();
    QVariantMap announcedProperties();
    void onPositionChanged(qint64 positionMs, qint64 lengthMs);

    MprisService *m_service;
    AudioPlayer &m_player;
    MediaSource &m_source;
    QString m_baseFolder;
    RepeatControl *m_repeat = nullptr;
    // The track id counts the links played: a new link is a new track for the desktop.
    QString m_trackLink;
    quint64 m_trackNumber = 0;
    // The values of the announced properties the desktop was last told of.
    QVariantMap m_announced;
    // What the last announcement saw, so that position ticks only trigger one when these change.
    qint64 m_announcedLength = 0;
    int m_announcedVolume = 0;
};
