#pragma once

#include "apppaths.h"
#include "mediacontrol.h"
#include "recentlist.h"
#include "riwayafilter.h"
#include "settingsstore.h"

#include <QObject>
#include <QString>

#include <memory>
#include <optional>

class AudioPlayer;
class Catalogue;
class Favourites;
class ListeningSettings;
class Playback;
class PlayQueue;
class RepeatControl;
class ResumePositions;
class ResumeTracker;
class SleepTimer;
class TapeEndStep;

// The player without its window: the application folder's files, the catalogue, the audio
// player, what is played and what follows (recent list, queue, repeat, sleep timer, resume of
// long tapes, favourites), the riwaya filter, the grouping orders and the minimise choice. The
// choices kept in config.ini and listening.ini are applied when it is made; speed and repeat are
// written back as they change, config.ini when the session closes.
//
// The main window shows it and hands it the user's commands; the desktop's media controls read
// it (MediaSource). Nothing here knows about widgets.
class PlayerSession : public QObject, public MediaSource
{
    Q_OBJECT

public:
    // What the window keeps in config.ini besides the session's own choices.
    struct WindowSettings
    {
        std::optional<int> top, left, width, height; // twips, the frame in its normal state
        Settings::WindowState state = Settings::Normal;
        int searchMode = 0;
    };

    // player is the audio player to use (the session takes it over); without one the session
    // makes the libmpv one.
    explicit PlayerSession(const QString &appFolder, AudioPlayer *player = nullptr,
                           QObject *parent = nullptr);
    ~PlayerSession() override;

    const AppPaths &paths() const { return m_paths; }
    Catalogue &catalogue() { return *m_catalogue; }
    AudioPlayer &player() { return *m_player; }
    RecentList &recentList() { return m_recent; }
    Playback &playback() { return *m_playback; }
    PlayQueue &queue() { return *m_queue; }
    RepeatControl &repeat() { return *m_repeat; }
    SleepTimer &sleepTimer() { return *m_sleep; }
    ResumePositions &positions() { return *m_positions; }
    Favourites &favourites() { return *m_favourites; }

    // config.ini as read at start: the window takes its frame, state and search mode from it.
    const Settings &startSettings() const { return m_startSettings; }

    // Reads the DB folder into the catalogue (the tree is built from it afterwards).
    void loadCatalogue();

    // Which riwayat of the Quran tapes the tree shows.
    const RiwayaFilter &riwayaFilter() const { return m_riwayaFilter; }
    void setRiwayaFilter(const RiwayaFilter &filter);

    // Where minimising the window goes (honoured only where a tray exists).
    Settings::MinimiseTarget minimiseTarget() const { return m_minimiseTarget; }
    void setMinimiseTarget(Settings::MinimiseTarget target) { m_minimiseTarget = target; }

    // The end of the run, however it ends (window closed, Exit, tray, desktop, signal): playing
    // stops, the positions are written and so is config.ini with the window's part. False when
    // config.ini could not be written (the old file then stays).
    bool close(const WindowSettings &window);
    // Whether close() is being handled: the current turn of the event loop, in which the player's
    // last reports of the stop still come.
    bool closing() const { return m_closing; }

    // MediaSource: the desktop's media controls.
    void playNextFromDesktop() override;
    bool canGoNext() const override;
    QString currentTitle() const override;
    QString currentLink() const override;

Q_SIGNALS:
    void riwayaFilterChanged();
    // listening.ini could not be written after a change of speed or repeat (the choice holds).
    void listeningNotSaved();
    // positions.txt could not be written; during close() as well (see closing()).
    void positionsNotSaved(const QString &message);

private:
    void applyStartSettings();
    Settings settingsToSave(const WindowSettings &window) const;

    AppPaths m_paths;
    Settings m_startSettings;
    std::unique_ptr<Catalogue> m_catalogue;
    AudioPlayer *m_player; // a child of the session
    RecentList m_recent;
    Playback *m_playback;
    PlayQueue *m_queue;
    RepeatControl *m_repeat;
    SleepTimer *m_sleep;
    TapeEndStep *m_tapeEnd;
    std::unique_ptr<ListeningSettings> m_listening;
    std::unique_ptr<ResumePositions> m_positions;
    std::unique_ptr<ResumeTracker> m_tracker; // after m_positions: it writes them as it goes
    std::unique_ptr<Favourites> m_favourites;
    RiwayaFilter m_riwayaFilter;
    Settings::MinimiseTarget m_minimiseTarget = Settings::ToTray;
    bool m_closing = false;
};
