#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class MainMenus;
class MenuForm;
class Playback;
class PlayQueue;
class ResumePositions;
class ResumeTracker;
class SleepResumeStatus;
class SleepTimer;
class SleepTimerMenu;
class QWidget;

// Wires the sleep timer and the resume of long tapes into the window: the timer with its menu at
// the end of Tools and in the tray menu, the remembered positions ("positions.txt" in the
// application folder) with the tracker that keeps them, and their part of the player control.
class SleepAndResume : public QObject
{
    Q_OBJECT

public:
    // window holds the player control (AudioControl) the status goes into, and owns this.
    SleepAndResume(const QString &appFolder, Playback &playback, PlayQueue &queue,
                   MainMenus &mainMenus, MenuForm &menus, QWidget *window);
    ~SleepAndResume() override;

    SleepTimer &sleepTimer() const { return *m_sleep; }
    ResumePositions &positions() const { return *m_positions; }
    SleepTimerMenu *toolsMenu() const { return m_toolsMenu; }
    SleepTimerMenu *trayMenu() const { return m_trayMenu; }
    SleepResumeStatus *status() const { return m_status; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showSaveFailure(const QString &message);

    QPointer<Playback> m_playback;
    QPointer<QWidget> m_window;
    bool m_closing = false; // the window is handling a close: it stops the tape and goes away
    std::unique_ptr<ResumePositions> m_positions;
    std::unique_ptr<ResumeTracker> m_tracker; // after m_positions: it writes them as it goes
    SleepTimer *m_sleep;
    SleepTimerMenu *m_toolsMenu;
    SleepTimerMenu *m_trayMenu;
    SleepResumeStatus *m_status;
};
