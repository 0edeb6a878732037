#include "sleepandresume.h"

#include "audiocontrol.h"
#include "mainmenus.h"
#include "menuform.h"
#include "playback.h"
#include "playqueue.h"
#include "resumepositions.h"
#include "resumetracker.h"
#include "sleepresumestatus.h"
#include "sleeptimer.h"
#include "sleeptimermenu.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

SleepAndResume::SleepAndResume(const QString &appFolder, Playback &playback, PlayQueue &queue,
                               MainMenus &mainMenus, MenuForm &menus, QWidget *window)
    : QObject(window)
    , m_playback(&playback)
    , m_positions(std::make_unique<ResumePositions>(appFolder + u"/positions.txt"_s))
{
    m_positions->load();
    playback.setResumePositions(m_positions.get());
    m_tracker = std::make_unique<ResumeTracker>(playback.player(), *m_positions);

    m_sleep = new SleepTimer(playback, {}, this);
    m_sleep->followingTape = [&queue] {
        return queue.canGoNext();
    };

    QMenu *tools = mainMenus.items().Tools;
    tools->addSeparator()->setObjectName(u"sepSleep"_s);
    m_toolsMenu = new SleepTimerMenu(*m_sleep, tools, nullptr, u"mnuSleep"_s, this);
    // In the tray, with the items that are always there: before the main window item.
    QMenu *tray = menus.mnuTray();
    QAction *show = menus.tray().mnuShow;
    m_trayMenu = new SleepTimerMenu(*m_sleep, tray, show, u"mnuSleepTray"_s, this);
    tray->insertSeparator(show)->setObjectName(u"sepSleepTray"_s);

    auto *control = window ? window->findChild<AudioControl *>() : nullptr;
    m_status = new SleepResumeStatus(*m_sleep, playback, control);
    if (control)
        control->addStatusWidget(m_status);
    connect(m_tracker.get(), &ResumeTracker::saveFailed, m_status, &SleepResumeStatus::showMessage);
}

SleepAndResume::~SleepAndResume()
{
    m_tracker.reset(); // writes the positions once more
    if (m_playback)
        m_playback->setResumePositions(nullptr);
}
