#pragma once

#include "audioplayer.h"
#include "clipfailure.h"

#include <QString>
#include <QStringList>
#include <QTimer>

#include <atomic>
#include <chrono>

struct mpv_handle;
struct mpv_event;

// The real audio player, on libmpv. mpv runs its own threads; its events are carried into the Qt
// thread by a queued call and turned into the AudioPlayer states and signals there, so every
// signal is emitted in the thread that owns the player.
//
// Only the links linkpolicy.h accepts are played: http(s) links, and local files, where a relative
// path names a file below baseFolder, the application folder. Any other link is refused before it
// reaches mpv. extraOptions are "name=value" mpv options applied before the player starts (the
// tests use "ao=null" to play without a sound device).
//
// Opening lasts from StartPlay() until mpv has read the clip's header and decoded its first audio;
// Buffering is mpv pausing for its network cache. A clip still opening after the start timeout
// fails as a connection that does not work, and so does a web clip whose data ends well before
// its length.
//
// If libmpv cannot be started the object still behaves as a player that never plays: PlayState()
// stays Stopped and errorText() says why.
class MpvPlayer : public AudioPlayer
{
    Q_OBJECT

public:
    explicit MpvPlayer(QString baseFolder, QStringList extraOptions = {},
                       QObject *parent = nullptr);
    ~MpvPlayer() override;

    QString ClipSource() const override;
    void setClipSource(const QString &link) override;
    void LoadClip(const QString &link) override;
    void StartPlay() override;
    void PausePlay() override;
    void StopPlay() override;
    State PlayState() const override;
    QString ClipText() const override;

    qint64 position() const override;
    qint64 length() const override;
    void seek(qint64 ms) override;
    int volume() const override;
    void setVolume(int percent) override;
    QString errorText() const override;
    void setSpeed(double factor) override;

    // What mpv is given for link (openableLink()): web links with their scheme in lower case,
    // files as absolute paths; empty for a link that is refused.
    QString resolveLink(const QString &link) const;

    // How long a started clip may take to begin playing (30 s unless set).
    void setStartTimeout(std::chrono::milliseconds timeout);

    using Failure = ClipFailure;

private:
    void drainEvents();
    // Returns false when a listener destroyed the player while its signals were delivered.
    bool handleEvent(const mpv_event &event);
    bool handleEndFile(const mpv_event &event);
    void finishFailure();
    void startTimedOut();
    bool fail(Failure failure);
    void forgetClip();
    void updateState();
    static QString fileNameOf(const QString &link);

    mpv_handle *m_mpv = nullptr;
    // Set while a queued drainEvents() call is on its way, so that a burst of mpv events posts
    // one call rather than one per event.
    std::atomic<bool> m_drainQueued{false};

    QString m_baseFolder;
    QString m_link; // the selected clip, as given
    QString m_error;
    QString m_unavailable; // why libmpv could not be started; empty when it runs

    // The playlist entry started by the last loadfile; kNoEntry when nothing is loaded.
    static constexpr qint64 kNoEntry = -1;
    static constexpr qint64 kEntryNotYetKnown = -2;

    // What is known of the clip last started. StartPlay() begins a new one with all of it reset
    // at once; forgetClip() ends its playlist entry but keeps what it showed.
    struct Clip
    {
        QString link;  // the link its playlist entry was loaded from
        QString title; // mpv's media-title for it, when it is the selected clip
        qint64 entry = kNoEntry;
        bool loaded = false;                // FILE_LOADED arrived for its entry
        bool started = false;               // its playback has begun (first PLAYBACK_RESTART)
        bool waitingForCache = false;       // playing stalled for data
        Failure logFailure = Failure::None; // the latest cause the log named for it
        qint64 positionMs = 0;
        qint64 lengthMs = 0;
        qint64 endPositionMs = -1; // where it stood when it was unloaded; -1 unknown
    };
    Clip m_clip;

    qint64 m_startedEntry = kNoEntry; // the entry of the last START_FILE event
    bool m_paused = false;
    qint64 m_failedEntry = kNoEntry; // ended in an error, to be reported after the drain
    int m_failedError = 0;

    QTimer m_startTimer; // runs from StartPlay() until the clip begins playing
    int m_volume = 100;
    State m_state = Stopped;
};
