#pragma once

#include <QList>
#include <QObject>

class QAction;
class QActionGroup;
class QMenu;
class SleepTimer;

// The menu "مؤقت الإيقاف": stop after 15, 30, 45, 60 or 90 minutes, at the end of the tape, at
// the end of the queue, and cancel. The choice in force is ticked; the menu follows the timer, so
// that the copies in the Tools menu and in the tray menu always agree.
class SleepTimerMenu : public QObject
{
    Q_OBJECT

public:
    static constexpr int kMinuteChoices[] = {15, 30, 45, 60, 90};

    // Adds the menu to parent, before the item `before` (at the end without one). namePrefix
    // tells the copies' object names apart ("mnuSleep", "mnuSleepTray").
    SleepTimerMenu(SleepTimer &timer, QMenu *parent, QAction *before, const QString &namePrefix,
                   QObject *owner = nullptr);

    QMenu *menu() const { return m_menu; }
    // The minute choices in order, then end of tape, end of queue.
    const QList<QAction *> &choices() const { return m_choices; }
    QAction *cancelAction() const { return m_cancel; }

private:
    void sync();

    SleepTimer &m_timer;
    QMenu *m_menu;
    QActionGroup *m_group;
    QList<QAction *> m_choices;
    QAction *m_cancel;
};
