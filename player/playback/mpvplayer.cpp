#include "mpvplayer.h"

#include "linkpolicy.h"

#include <QFileInfo>
#include <QMetaObject>
#include <QPointer>
#include <QUrl>

#include <mpv/client.h>

#include <clocale>
#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

// reply_userdata of the observed properties and of the unload hook.
enum Observed : quint64
{
    TimePos = 1,
    Duration,
    Pause,
    PausedForCache,
    MediaTitle,
    UnloadHook,
};

bool isUrl(const QString &link)
{
    return link.contains(u"://"_s);
}

// What FFmpeg may open by itself once mpv handed it a web link: redirects and the parts of a
// stream playlist. Nothing but files and the web (with TLS, proxies and segment encryption).
constexpr const char *kProtocolWhitelist =
    "protocol_whitelist=[file,http,https,tcp,tls,crypto,httpproxy]";

// A web clip counts as cut off when its data ended this much before its length: the last
// position mpv reports at a normal end lies within a few tens of milliseconds of the length,
// while a length guessed from the size and the first frames may be off by a little.
constexpr qint64 kCutOffMinimumMs = 2000;
constexpr qint64 kCutOffFraction = 20; // 5 %

} // namespace

MpvPlayer::MpvPlayer(QString baseFolder, QStringList extraOptions, QObject *parent)
    : AudioPlayer(parent)
    , m_baseFolder(std::move(baseFolder))
{
    m_startTimer.setSingleShot(true);
    m_startTimer.setInterval(std::chrono::seconds(30));
    connect(&m_startTimer, &QTimer::timeout, this, &MpvPlayer::startTimedOut);

    // libmpv refuses to start unless LC_NUMERIC is "C" (it reads and writes numbers through the C
    // library), and QApplication has set every category from the environment, ar_EG.UTF-8 or
    // C.UTF-8 alike. Qt's own number conversions never consult LC_NUMERIC, so putting it back to
    // "C" costs the rest of the program nothing.
    std::setlocale(LC_NUMERIC, "C");

    m_mpv = mpv_create();
    if (!m_mpv) {
        m_unavailable = u"مشغل الصوت غير متاح"_s;
        m_error = m_unavailable;
        return;
    }

    auto setOption = [this](const QByteArray &name, const QByteArray &value) {
        const int rc = mpv_set_option_string(m_mpv, name.constData(), value.constData());
        if (rc < 0)
            qWarning("mpv option %s=%s: %s", name.constData(), value.constData(),
                     mpv_error_string(rc));
    };
    // An audio player only: no video window, no user configuration or scripts, no youtube-dl,
    // silence on the terminal. With gapless audio mpv reports the end of a file about 0.4 s before
    // the last sample is heard; the clip's end is what the program's listeners wait for.
    setOption("vid", "no");
    setOption("ytdl", "no");
    setOption("config", "no");
    setOption("load-scripts", "no");
    setOption("osc", "no");
    setOption("load-stats-overlay", "no");
    setOption("load-osd-console", "no");
    setOption("load-auto-profiles", "no");
    setOption("resume-playback", "no");
    setOption("gapless-audio", "no");
    setOption("idle", "yes");
    setOption("keep-open", "no");
    setOption("terminal", "no");
    setOption("network-timeout", "15");
    // Entries of a playlist, and the parts of an EDL file, are not opened with the freedom of a
    // link the program chose: mpv refuses its own stream prefixes for them unless told otherwise.
    setOption("load-unsafe-playlists", "no");
    setOption("stream-lavf-o", kProtocolWhitelist);
    setOption("demuxer-lavf-o", kProtocolWhitelist);
    setOption("audio-client-name", "Marvoli");
    // A faster or slower recitation keeps the reciter's voice: mpv stretches the time (its
    // scaletempo filter) rather than the pitch.
    setOption("audio-pitch-correction", "yes");
    for (const QString &option : std::as_const(extraOptions)) {
        const qsizetype eq = option.indexOf(u'=');
        if (eq < 0)
            setOption(option.toUtf8(), "yes");
        else
            setOption(option.left(eq).toUtf8(), option.mid(eq + 1).toUtf8());
    }

    if (mpv_initialize(m_mpv) < 0) {
        mpv_terminate_destroy(m_mpv);
        m_mpv = nullptr;
        m_unavailable = u"مشغل الصوت غير متاح"_s;
        m_error = m_unavailable;
        return;
    }

    // Warnings carry the only trace of why a link failed to open (HTTP status, refused
    // connection); mpv's error code says "loading failed" for all of them.
    mpv_request_log_messages(m_mpv, "warn");
    mpv_observe_property(m_mpv, TimePos, "time-pos", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, Duration, "duration", MPV_FORMAT_DOUBLE);
    mpv_observe_property(m_mpv, Pause, "pause", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, PausedForCache, "paused-for-cache", MPV_FORMAT_FLAG);
    mpv_observe_property(m_mpv, MediaTitle, "media-title", MPV_FORMAT_STRING);
    // mpv sends property changes only once its event queue is empty. When a short clip ends
    // before this thread got round to the queue, the clip's duration was never reported; the
    // unload hook holds the clip open until its length has been read.
    mpv_hook_add(m_mpv, UnloadHook, "on_unload", 0);
    double volume = m_volume;
    mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &volume);

    // Called on one of mpv's threads whenever its event queue gets something. It only posts a call
    // into this object's thread; the call is dropped with the object's other posted events if the
    // player is destroyed first.
    mpv_set_wakeup_callback(
        m_mpv,
        [](void *data) {
            auto *self = static_cast<MpvPlayer *>(data);
            if (!self->m_drainQueued.exchange(true))
                QMetaObject::invokeMethod(self, &MpvPlayer::drainEvents, Qt::QueuedConnection);
        },
        this);
}

MpvPlayer::~MpvPlayer()
{
    if (!m_mpv)
        return;
    // Once the callback is cleared and mpv_terminate_destroy() has joined mpv's threads, nothing
    // calls back into this object; a drainEvents() call already posted is discarded along with
    // the object's other posted events when QObject's destructor runs.
    mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
    mpv_terminate_destroy(m_mpv);
    m_mpv = nullptr;
}

QString MpvPlayer::ClipSource() const
{
    return m_link;
}

void MpvPlayer::setClipSource(const QString &link)
{
    if (link.isEmpty()) {
        StopPlay();
        m_link.clear();
        return;
    }
    LoadClip(link);
}

void MpvPlayer::LoadClip(const QString &link)
{
    if (link.isEmpty()) {
        setClipSource(link);
        return;
    }
    m_link = link;
}

void MpvPlayer::StartPlay()
{
    if (m_link.isEmpty())
        return;
    if (!m_unavailable.isEmpty()) {
        m_error = m_unavailable;
        Q_EMIT failed(m_error);
        return;
    }
    if (m_clip.entry != kNoEntry && m_paused && m_clip.link == m_link) {
        int pause = 0;
        if (mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pause) >= 0) {
            m_paused = false;
            // Paused before it began: the wait for its start begins anew.
            if (!m_clip.started)
                m_startTimer.start();
            updateState();
        }
        return;
    }

    const QString target = resolveLink(m_link);
    if (target.isEmpty()) {
        // Starting another clip ends the one playing, refused or not.
        if (m_clip.entry != kNoEntry) {
            const char *args[] = {"stop", nullptr};
            mpv_command(m_mpv, args);
        }
        m_clip = Clip{};
        m_clip.link = m_link;
        fail(Failure::Refused);
        return;
    }

    m_error.clear();
    m_clip = Clip{};
    m_clip.link = m_link;

    int pause = 0;
    mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pause);
    m_paused = false;

    const QByteArray path = target.toUtf8();
    const char *args[] = {"loadfile", path.constData(), "replace", nullptr};
    mpv_node result;
    if (mpv_command_ret(m_mpv, args, &result) < 0) {
        fail(Failure::Other);
        return;
    }
    // mpv answers with the new playlist entry's id, which later START_FILE and END_FILE events
    // carry: events of the clip this one replaced are told apart by it.
    m_clip.entry = kEntryNotYetKnown;
    if (result.format == MPV_FORMAT_NODE_MAP) {
        const mpv_node_list *map = result.u.list;
        for (int i = 0; i < map->num; ++i) {
            if (qstrcmp(map->keys[i], "playlist_entry_id") == 0 &&
                map->values[i].format == MPV_FORMAT_INT64)
                m_clip.entry = map->values[i].u.int64;
        }
    }
    mpv_free_node_contents(&result);
    m_startTimer.start();
    updateState();
}

void MpvPlayer::PausePlay()
{
    if (!m_mpv || m_clip.entry == kNoEntry || m_paused)
        return;
    int pause = 1;
    if (mpv_set_property(m_mpv, "pause", MPV_FORMAT_FLAG, &pause) >= 0) {
        m_paused = true;
        updateState();
    }
}

void MpvPlayer::StopPlay()
{
    if (m_clip.entry == kNoEntry)
        return;
    const char *args[] = {"stop", nullptr};
    mpv_command(m_mpv, args);
    forgetClip();
    m_clip.positionMs = 0;
    updateState();
}

AudioPlayer::State MpvPlayer::PlayState() const
{
    return m_state;
}

QString MpvPlayer::ClipText() const
{
    if (m_link.isEmpty())
        return {};
    if (!m_clip.title.isEmpty() && m_clip.link == m_link)
        return m_clip.title;
    return fileNameOf(m_link);
}

qint64 MpvPlayer::position() const
{
    return m_clip.positionMs;
}

qint64 MpvPlayer::length() const
{
    return m_clip.lengthMs;
}

void MpvPlayer::seek(qint64 ms)
{
    if (!m_mpv || !m_clip.loaded)
        return;
    ms = qMax<qint64>(ms, 0);
    if (m_clip.lengthMs > 0)
        ms = qMin(ms, m_clip.lengthMs);
    // QString::number is not locale-aware, and mpv reads numbers in the "C" locale.
    const QByteArray seconds = QString::number(static_cast<double>(ms) / 1000.0, 'f', 3).toLatin1();
    const char *args[] = {"seek", seconds.constData(), "absolute", nullptr};
    if (mpv_command(m_mpv, args) >= 0)
        Q_EMIT seeked(ms);
}

int MpvPlayer::volume() const
{
    return m_volume;
}

void MpvPlayer::setVolume(int percent)
{
    const int previous = std::exchange(m_volume, qBound(0, percent, 100));
    if (m_mpv) {
        double value = m_volume;
        mpv_set_property(m_mpv, "volume", MPV_FORMAT_DOUBLE, &value);
    }
    if (m_volume != previous)
        Q_EMIT volumeChanged(m_volume);
}

void MpvPlayer::setSpeed(double factor)
{
    // The speed is a property of the player, not of a clip: it holds for every clip to come.
    double value = boundedSpeed(factor);
    if (m_mpv)
        mpv_set_property(m_mpv, "speed", MPV_FORMAT_DOUBLE, &value);
    AudioPlayer::setSpeed(value);
}

QString MpvPlayer::errorText() const
{
    return m_error;
}

QString MpvPlayer::resolveLink(const QString &link) const
{
    return openableLink(link, m_baseFolder);
}

void MpvPlayer::setStartTimeout(std::chrono::milliseconds timeout)
{
    m_startTimer.setInterval(timeout);
}

void MpvPlayer::drainEvents()
{
    m_drainQueued.store(false);
    while (m_mpv) {
        mpv_event *event = mpv_wait_event(m_mpv, 0);
        if (event->event_id == MPV_EVENT_NONE) {
            finishFailure();
            return;
        }
        if (event->event_id == MPV_EVENT_SHUTDOWN) {
            // The core quit under us (nothing here asks it to); every later call would answer
            // with the same event, so the player stays silent from now on.
            mpv_set_wakeup_callback(m_mpv, nullptr, nullptr);
            m_unavailable = u"مشغل الصوت غير متاح"_s;
            forgetClip();
            updateState();
            return;
        }
        if (!handleEvent(*event))
            return;
    }
}

bool MpvPlayer::handleEvent(const mpv_event &event)
{
    // The event's data belongs to mpv until the next mpv_wait_event(), and a listener may enter
    // a nested event loop that drains again: everything needed is copied before any signal.
    const QPointer<MpvPlayer> alive(this);
    switch (event.event_id) {
    case MPV_EVENT_PROPERTY_CHANGE: {
        const auto *property = static_cast<const mpv_event_property *>(event.data);
        const bool isDouble = property->format == MPV_FORMAT_DOUBLE;
        const bool isFlag = property->format == MPV_FORMAT_FLAG;
        switch (event.reply_userdata) {
        case TimePos:
            // Values of a clip being replaced may still arrive: only the loaded clip counts.
            if (isDouble && m_clip.loaded) {
                const double seconds = *static_cast<const double *>(property->data);
                qint64 ms = qMax<qint64>(qRound64(seconds * 1000.0), 0);
                if (m_clip.lengthMs > 0)
                    ms = qMin(ms, m_clip.lengthMs);
                if (ms != m_clip.positionMs) {
                    m_clip.positionMs = ms;
                    if (m_clip.started)
                        Q_EMIT PositionChanged(m_clip.positionMs, m_clip.lengthMs);
                }
            }
            break;
        case Duration:
            if (isDouble && m_clip.loaded)
                m_clip.lengthMs = qMax<qint64>(
                    qRound64(*static_cast<const double *>(property->data) * 1000.0), 0);
            break;
        case Pause:
            if (isFlag) {
                m_paused = *static_cast<const int *>(property->data) != 0;
                updateState();
            }
            break;
        case PausedForCache:
            m_clip.waitingForCache = isFlag && *static_cast<const int *>(property->data) != 0;
            updateState();
            break;
        case MediaTitle:
            if (property->format == MPV_FORMAT_STRING && m_clip.loaded)
                m_clip.title = QString::fromUtf8(*static_cast<char *const *>(property->data));
            break;
        default:
            break;
        }
        break;
    }
    case MPV_EVENT_START_FILE: {
        const auto *start = static_cast<const mpv_event_start_file *>(event.data);
        m_startedEntry = start->playlist_entry_id;
        if (m_clip.entry == kEntryNotYetKnown)
            m_clip.entry = m_startedEntry;
        break;
    }
    case MPV_EVENT_FILE_LOADED:
        if (m_clip.entry >= 0 && m_startedEntry == m_clip.entry)
            m_clip.loaded = true;
        updateState();
        break;
    case MPV_EVENT_PLAYBACK_RESTART:
        // The header is read and the first audio decoded: the clip now really plays. The same
        // event follows every seek, which changes nothing here.
        if (m_clip.loaded && !m_clip.started) {
            m_clip.started = true;
            m_startTimer.stop();
            updateState();
        }
        break;
    case MPV_EVENT_HOOK: {
        const quint64 id = static_cast<const mpv_event_hook *>(event.data)->id;
        if (event.reply_userdata == UnloadHook && m_clip.loaded) {
            double seconds = 0;
            if (mpv_get_property(m_mpv, "duration", MPV_FORMAT_DOUBLE, &seconds) >= 0)
                m_clip.lengthMs = qMax<qint64>(qRound64(seconds * 1000.0), 0);
            // The position reported last may lag behind; this one is where playing stopped.
            if (mpv_get_property(m_mpv, "time-pos", MPV_FORMAT_DOUBLE, &seconds) >= 0)
                m_clip.endPositionMs = qMax<qint64>(qRound64(seconds * 1000.0), 0);
        }
        mpv_hook_continue(m_mpv, id);
        break;
    }
    case MPV_EVENT_END_FILE:
        return handleEndFile(event);
    case MPV_EVENT_LOG_MESSAGE: {
        const auto *message = static_cast<const mpv_event_log_message *>(event.data);
        if (m_clip.entry != kNoEntry) {
            // The latest cause named wins, as earlier lines may still belong to a clip that was
            // being replaced.
            const Failure named = ClipFailures::failureInLog(QString::fromUtf8(message->prefix),
                                                             QString::fromUtf8(message->text));
            if (named != Failure::None)
                m_clip.logFailure = named;
        }
        break;
    }
    default:
        break;
    }
    return !alive.isNull();
}

bool MpvPlayer::handleEndFile(const mpv_event &event)
{
    const auto *end = static_cast<const mpv_event_end_file *>(event.data);
    const int reason = end->reason;
    const int error = end->error;
    const qint64 entry = end->playlist_entry_id;
    const qint64 firstInserted = end->playlist_insert_id;
    const int inserted = end->playlist_insert_num_entries;
    // The end of a clip that was stopped or replaced: its state was dropped when that happened.
    if (m_clip.entry == kNoEntry || entry != m_clip.entry)
        return true;

    const QPointer<MpvPlayer> alive(this);
    switch (reason) {
    case MPV_END_FILE_REASON_EOF: {
        if (!m_clip.loaded) {
            // Ended before its header was read (a connection cut short): that is a failure.
            m_failedEntry = entry;
            m_failedError = 0;
            return true;
        }
        // A web clip whose data stopped well before its length: the connection broke off (mpv
        // takes that for the end of the stream, once its attempts to reconnect failed).
        if (linkKind(m_clip.link) == LinkKind::Web && m_clip.lengthMs > 0) {
            const qint64 reached =
                m_clip.endPositionMs >= 0 ? m_clip.endPositionMs : m_clip.positionMs;
            if (m_clip.lengthMs - reached >
                qMax(kCutOffMinimumMs, m_clip.lengthMs / kCutOffFraction))
                return fail(Failure::Connection);
        }
        // The last time-pos mpv reports lies a few hundred milliseconds before the end. Listeners
        // that move on when the position reaches the length get one last event at the length,
        // while the clip still reads Playing.
        m_clip.waitingForCache = false;
        m_clip.started = true;
        updateState();
        if (!alive)
            return false;
        const qint64 last = m_clip.lengthMs > 0 ? m_clip.lengthMs : m_clip.positionMs;
        m_clip.lengthMs = last;
        m_clip.positionMs = last;
        Q_EMIT PositionChanged(last, last);
        if (!alive)
            return false;
        // A listener may have started the next clip from that event (the play queue does): then
        // the finished clip is already forgotten and the new one must be left alone.
        if (m_clip.entry != entry)
            return true;
        forgetClip();
        updateState();
        return !alive.isNull();
    }
    case MPV_END_FILE_REASON_ERROR:
        // mpv hands out its log lines, which name the cause, only after the queued events: the
        // failure is settled once the queue is empty (finishFailure()).
        m_failedEntry = entry;
        m_failedError = error;
        return true;
    case MPV_END_FILE_REASON_REDIRECT:
        // The link was a playlist: mpv goes on with its first entry, which stands for the clip.
        if (inserted > 0) {
            m_clip.entry = firstInserted;
            return true;
        }
        return fail(Failure::Format);
    default:
        forgetClip();
        updateState();
        return !alive.isNull();
    }
}

void MpvPlayer::finishFailure()
{
    const qint64 entry = std::exchange(m_failedEntry, kNoEntry);
    // A clip stopped or replaced meanwhile has nothing left to report.
    if (entry == kNoEntry || entry != m_clip.entry)
        return;
    const LinkKind kind = linkKind(m_clip.link);
    const bool missingFile =
        kind == LinkKind::LocalFile && !QFileInfo::exists(resolveLink(m_clip.link));
    fail(ClipFailures::failureOfError(m_failedError, m_clip.logFailure, kind == LinkKind::Web,
                                      missingFile));
}

void MpvPlayer::startTimedOut()
{
    if (m_clip.entry == kNoEntry || m_clip.started)
        return;
    // Paused by the user once it was ready: not the network's fault. Resuming starts the wait
    // again.
    if (m_paused && m_clip.loaded)
        return;
    const char *args[] = {"stop", nullptr};
    mpv_command(m_mpv, args);
    fail(Failure::Connection);
}

bool MpvPlayer::fail(Failure failure)
{
    const QPointer<MpvPlayer> alive(this);
    forgetClip();
    m_error = ClipFailures::messageFor(failure);
    updateState();
    if (!alive)
        return false;
    Q_EMIT failed(m_error);
    return !alive.isNull();
}

void MpvPlayer::forgetClip()
{
    m_startTimer.stop();
    m_clip.entry = kNoEntry;
    m_clip.loaded = false;
    m_clip.started = false;
    m_clip.waitingForCache = false;
}

void MpvPlayer::updateState()
{
    State state = Playing;
    if (m_clip.entry == kNoEntry)
        state = Stopped;
    else if (m_paused && m_clip.loaded)
        state = Paused;
    else if (!m_clip.started)
        state = Opening;
    else if (m_clip.waitingForCache)
        state = Buffering;
    if (state == m_state)
        return;
    m_state = state;
    Q_EMIT StateChanged(m_state);
}

QString MpvPlayer::fileNameOf(const QString &link)
{
    QString name =
        isUrl(link) ? QUrl(link).fileName(QUrl::FullyDecoded) : QFileInfo(link).fileName();
    return name.isEmpty() ? link : name;
}
