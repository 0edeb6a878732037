#include "listeningwidgets.h"

#include "audiocontrol.h"
#include "listeningmenus.h"
#include "sleepresumestatus.h"
#include "sleeptimermenu.h"

#include <QAction>
#include <QMenu>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

ListeningWidgets::ListeningWidgets(AudioPlayer &player, Playback &playback, RepeatControl &repeat,
                                   SleepTimer &sleep, const Places &places)
    : QObject(places.window)
{
    places.tools->addSeparator()->setObjectName(u"sepSleep"_s);
    new SleepTimerMenu(sleep, places.tools, nullptr, u"mnuSleep"_s, this);
    new SleepTimerMenu(sleep, places.tray, places.trayBefore, u"mnuSleepTray"_s, this);
    places.tray->insertSeparator(places.trayBefore)->setObjectName(u"sepSleepTray"_s);

    m_menus = new ListeningMenus(player, repeat, this);
    places.control->addTool(m_menus->speedButton(places.control));
    places.control->addTool(m_menus->repeatButton(places.control));
    m_menus->addToMenu(places.tray, places.trayBefore);
    m_menus->addKeysTo(places.window);

    m_status = new SleepResumeStatus(sleep, playback, places.control);
    places.control->addStatusWidget(m_status);
}
