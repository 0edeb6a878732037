#pragma once

#include "listeningmenus.h"
#include "listeningsettings.h"
#include "repeatcontrol.h"

#include <QObject>
#include <QString>

class AudioControl;
class AudioPlayer;
class MainFrame;
class MprisService;
class Playback;
class PlayQueue;
class QAction;
class QMenu;
class QWidget;

// The listening choices of the main window, speed and repeat: the repeat rules, the menus in the
// player control and the tray, and the listening settings file that keeps both between runs.
// The choices kept are applied when it is made; every change is written back at once.
class ListeningControls : public QObject
{
    Q_OBJECT

public:
    // The settings file is ListeningSettings::kFileName in appFolder. The tray's submenus go
    // before trayBefore; the speed keys work anywhere in window.
    ListeningControls(Playback &playback, PlayQueue &queue, AudioControl *control, QMenu *trayMenu,
                      QAction *trayBefore, const QString &appFolder, QWidget *window);
    // The main window's: its player control and tray menu, its folder, its media controls.
    explicit ListeningControls(MainFrame &frame);

    RepeatControl &repeat() { return m_repeat; }
    ListeningMenus &menus() { return m_menus; }
    ListeningSettings &settings() { return m_settings; }

    // The desktop's media controls read and set the repeat mode too.
    void attach(MprisService &service);

private:
    void saved(bool ok);

    AudioPlayer &m_player;
    RepeatControl m_repeat;
    ListeningMenus m_menus;
    ListeningSettings m_settings;
    QWidget *m_window;
    bool m_warned = false;
};
