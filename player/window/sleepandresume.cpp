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
#include <QEvent>
#include <QMenu>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

using namespace Qt::Literals::StringLiterals;

SleepAndResume::SleepAndResume(const QString &appFolder, Playback &playback, PlayQueue &queue,
                               MainMenus &mainMenus, MenuForm &menus, QWidget *window)
    : QObject(window)
    , m_playback(&playback)
    , m_window(window)
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
    connect(m_tracker.get(), &ResumeTracker::saveFailed, this, &SleepAndResume::showSaveFailure);
    if (window)
        window->installEventFilter(this);
}

bool SleepAndResume::eventFilter(QObject *watched, QEvent *event)
{
    // Closing stops the tape, which writes the positions: a failure then must not go to the
    // player control of a window about to disappear. The flag ends with the close's handling.
    if (watched == m_window && event->type() == QEvent::Close && !m_closing) {
        m_closing = true;
        QTimer::singleShot(0, this, [this] { m_closing = false; });
    }
    return QObject::eventFilter(watched, event);
}

void SleepAndResume::showSaveFailure(const QString &message)
{
    if (!m_closing || !m_window) {
        m_status->showMessage(message);
        return;
    }
    // Modal, like the message about config.ini: the program is about to end.
    QMessageBox box(QMessageBox::Warning, m_window->windowTitle(), message, QMessageBox::Ok,
                    m_window);
    box.setObjectName(u"positionsFailed"_s);
    box.exec();
}

SleepAndResume::~SleepAndResume()
{
    m_tracker->disconnect(this); // the window is going: nowhere to report a failure
    m_tracker.reset();           // writes the positions once more
    if (m_playback)
        m_playback->setResumePositions(nullptr);
}
