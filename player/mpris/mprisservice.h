#pragma once

#include <QObject>
#include <QString>
#include <QVariantMap>

class AudioPlayer;
class MediaControlHost;
class MediaSource;
class MprisPlayerAdaptor;
class Playback;
class PlayQueue;
class RepeatControl;

// Lets the desktop's media keys and media widget control the player, over the session bus with
// the MPRIS interfaces. It only translates: commands go to the AudioPlayer, the player session
// (the MediaSource: the tape playing, the queue) and the window (the MediaControlHost: quit and
// raise), and changes of state, track and volume are announced to the desktop.
class MprisService : public QObject
{
    Q_OBJECT

public:
    // baseFolder is the folder relative links are taken from (the application folder); the
    // desktop is told of local files as file:// URIs below it. Without one, the folder the
    // program runs from is used.
    MprisService(AudioPlayer &player, MediaSource &source, MediaControlHost &host,
                 QObject *parent = nullptr);
    MprisService(AudioPlayer &player, MediaSource &source, MediaControlHost &host,
                 const QString &baseFolder, QObject *parent = nullptr);
    ~MprisService() override;

    // Puts the service on the session bus, under org.mpris.MediaPlayer2.marvoli, or under
    // ....marvoli.instance<pid> when another Marvoli already holds that name. Returns false,
    // without a word, when there is no session bus: the program then runs without it.
    bool registerOnSessionBus();
    // The bus name taken; empty before registerOnSessionBus() succeeded.
    QString serviceName() const { return m_serviceName; }

    // The window calls these when the title or link shown changed, and when the queue got or
    // lost its next entry.
    void metadataChanged();
    void canGoNextChanged();
    // Tells the desktop of every new title, and whether a next tape is there, as playback,
    // the queue and the player change.
    void follow(const Playback &playback, const PlayQueue &queue, const AudioPlayer &player);
    // Lets the desktop read and set the repeat mode (LoopStatus).
    void setRepeat(RepeatControl *repeat);

    // For the adaptors: sends org.freedesktop.DBus.Properties.PropertiesChanged for one interface.
    void sendPropertiesChanged(const QString &interfaceName, const QVariantMap &changed);

private:
    MprisPlayerAdaptor *m_player;
    QString m_serviceName;
};
