#include "playersession.h"

#include "audioplayer.h"
#include "catalogue.h"
#include "favourites.h"
#include "listeningsettings.h"
#include "mpvplayer.h"
#include "playback.h"
#include "playqueue.h"
#include "repeatcontrol.h"
#include "resumepositions.h"
#include "resumetracker.h"
#include "sleeptimer.h"
#include "tapeend.h"

#include <QTimer>

PlayerSession::PlayerSession(const QString &appFolder, AudioPlayer *player, QObject *parent)
    : QObject(parent)
    , m_paths(appFolder)
    , m_startSettings(SettingsStore::load(m_paths.config()))
    , m_catalogue(std::make_unique<Catalogue>(m_paths.db()))
    , m_player(player ? player : new MpvPlayer(appFolder))
    , m_recent(m_paths.recent())
{
    m_player->setParent(this);
    m_playback = new Playback(*m_player, m_recent, this);
    m_queue = new PlayQueue(*m_playback, this);
    m_repeat = new RepeatControl(*m_playback, *m_queue, this);
    m_sleep = new SleepTimer(*m_playback, m_queue, {}, this);
    m_tapeEnd = new TapeEndStep(*m_playback, *m_queue, m_repeat, m_sleep, this);
    m_favourites = std::make_unique<Favourites>(*m_catalogue, m_paths.favourites());

    m_positions = std::make_unique<ResumePositions>(m_paths.positions());
    m_positions->load();
    m_playback->setResumePositions(m_positions.get());
    m_tracker = std::make_unique<ResumeTracker>(*m_player, *m_positions);
    connect(m_tracker.get(), &ResumeTracker::saveFailed, this, &PlayerSession::positionsNotSaved);

    // Speed and repeat, kept between runs and written back at every change.
    m_listening = std::make_unique<ListeningSettings>(m_paths.listening());
    m_player->setSpeed(m_listening->speed());
    m_repeat->setMode(m_listening->repeat());
    connect(m_player, &AudioPlayer::speedChanged, this, [this](double factor) {
        if (!m_listening->setSpeed(factor))
            Q_EMIT listeningNotSaved();
    });
    connect(m_repeat, &RepeatControl::modeChanged, this, [this] {
        if (!m_listening->setRepeat(m_repeat->mode()))
            Q_EMIT listeningNotSaved();
    });

    applyStartSettings();
}

PlayerSession::~PlayerSession()
{
    m_tracker->disconnect(this); // nobody is left to tell of a failure
    m_tracker.reset();           // writes the positions once more
    m_playback->setResumePositions(nullptr);
    // The parts go before the player they follow, the last made first.
    delete m_tapeEnd;
    delete m_sleep;
    delete m_repeat;
    delete m_queue;
    delete m_playback;
    delete m_player;
}

void PlayerSession::applyStartSettings()
{
    const Settings &s = m_startSettings;
    m_catalogue->paths().QuranSort = s.QuranSort;
    m_catalogue->paths().DourousSort = s.DourousSort;
    // Any format number is kept (and written back); only 0 and 1 choose a link.
    m_playback->setSoundFormat(s.SoundFormat);
    m_recent.setMaxLignes(s.MaxLignes);
    m_recent.setMaxTitleLen(s.MaxTitleLen);
    m_riwayaFilter = RiwayaFilter::fromStored(s.RiwayaFilter);
    m_minimiseTarget =
        s.minimiseTarget == Settings::ToTaskbar ? Settings::ToTaskbar : Settings::ToTray;
}

void PlayerSession::loadCatalogue()
{
    m_catalogue->paths().resetLists();
    m_catalogue->BuildTree();
}

void PlayerSession::setRiwayaFilter(const RiwayaFilter &filter)
{
    m_riwayaFilter = filter;
    Q_EMIT riwayaFilterChanged();
}

Settings PlayerSession::settingsToSave(const WindowSettings &window) const
{
    Settings s;
    s.QuranSort = m_catalogue->paths().QuranSort;
    s.DourousSort = m_catalogue->paths().DourousSort;
    s.SoundFormat = m_playback->SoundFormat();
    s.MaxLignes = m_recent.MaxLignes();
    s.MaxTitleLen = m_recent.MaxTitleLen();
    s.top = window.top;
    s.left = window.left;
    s.width = window.width;
    s.height = window.height;
    s.windowState = window.state;
    s.RiwayaFilter = m_riwayaFilter.stored();
    s.searchMode = window.searchMode;
    s.minimiseTarget = m_minimiseTarget;
    return s;
}

bool PlayerSession::close(const WindowSettings &window)
{
    // The stop's last reports come in this turn of the event loop: they belong to the close.
    m_closing = true;
    QTimer::singleShot(0, this, [this] { m_closing = false; });
    m_player->StopPlay();
    m_tracker->flush();
    return SettingsStore::save(m_paths.config(), settingsToSave(window));
}

void PlayerSession::playNextFromDesktop()
{
    m_queue->PlayNextInPlayList();
}

bool PlayerSession::canGoNext() const
{
    return m_queue->canGoNext();
}

QString PlayerSession::currentTitle() const
{
    return m_player->ClipSource().isEmpty() ? QString() : m_playback->CurrentTitle();
}

QString PlayerSession::currentLink() const
{
    return m_player->ClipSource();
}
