#pragma once

#include <QObject>

class AudioControl;
class AudioPlayer;
class ListeningMenus;
class Playback;
class QAction;
class QMenu;
class QWidget;
class RepeatControl;
class SleepResumeStatus;
class SleepTimer;
class SleepTimerMenu;

// Where the choices of what is heard are offered: the sleep timer at the end of the Tools menu
// and in the tray menu, speed and repeat as buttons of the player control, as submenus of the
// tray menu (after the sleep timer, just before trayBefore) and as keys of the window, and the
// control's line for the sleep timer and a resumed tape.
class ListeningWidgets : public QObject
{
    Q_OBJECT

public:
    struct Places
    {
        AudioControl *control;
        QMenu *tools;
        QMenu *tray;
        QAction *trayBefore;
        QWidget *window; // the speed keys work while it is active; it owns this
    };

    ListeningWidgets(AudioPlayer &player, Playback &playback, RepeatControl &repeat,
                     SleepTimer &sleep, const Places &places);

    ListeningMenus &menus() const { return *m_menus; }
    SleepResumeStatus &status() const { return *m_status; }

private:
    ListeningMenus *m_menus;
    SleepResumeStatus *m_status;
};
