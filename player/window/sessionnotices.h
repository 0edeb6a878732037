#pragma once

#include <QObject>

class PlayerSession;
class SleepResumeStatus;
class QWidget;

// Tells the user of the files the session could not write. The recent list and listening.ini
// are told of once per run, in a notice that does not block; what is chosen still holds. A
// failure of positions.txt shows in the player control, or, while the window closes, in a box
// (in the log when the desktop forces the end: nobody would answer the box).
class SessionNotices : public QObject
{
    Q_OBJECT

public:
    SessionNotices(PlayerSession &session, SleepResumeStatus &status, QWidget *window);

private:
    void warn(const QString &title, const QString &text);
    void positionsNotSaved(const QString &message);

    PlayerSession &m_session;
    SleepResumeStatus &m_status;
    QWidget *m_window;
    bool m_recentWarned = false;
    bool m_listeningWarned = false;
};
