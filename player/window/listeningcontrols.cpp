#include "listeningcontrols.h"

#include "audiocontrol.h"
#include "audioplayer.h"
#include "mainframe.h"
#include "mprisservice.h"
#include "playback.h"
#include "widgets.h"

#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

ListeningControls::ListeningControls(Playback &playback, PlayQueue &queue, AudioControl *control,
                                     QMenu *trayMenu, QAction *trayBefore, const QString &appFolder,
                                     QWidget *window)
    : QObject(window)
    , m_player(playback.player())
    , m_repeat(playback, queue)
    , m_menus(m_player, m_repeat)
    , m_settings(QDir(appFolder).filePath(QString::fromLatin1(ListeningSettings::kFileName)))
    , m_window(window)
{
    m_player.setSpeed(m_settings.speed());
    m_repeat.setMode(m_settings.repeat());

    if (control) {
        control->addTool(m_menus.speedButton(control));
        control->addTool(m_menus.repeatButton(control));
    }
    if (trayMenu)
        m_menus.addToMenu(trayMenu, trayBefore);
    if (window)
        m_menus.addKeysTo(window);

    connect(&m_player, &AudioPlayer::speedChanged, this,
            [this](double factor) { saved(m_settings.setSpeed(factor)); });
    connect(&m_repeat, &RepeatControl::modeChanged, this,
            [this] { saved(m_settings.setRepeat(m_repeat.mode())); });
}

ListeningControls::ListeningControls(MainFrame &frame)
    : ListeningControls(frame.playback(), frame.queue(), frame.findChild<AudioControl *>(),
                        frame.menuForm().mnuTray(), frame.menuForm().tray().mnuShow,
                        frame.appFolder(), &frame)
{
    if (MprisService *service = frame.mprisService())
        attach(*service);
}

void ListeningControls::attach(MprisService &service)
{
    service.setRepeat(&m_repeat);
}

void ListeningControls::saved(bool ok)
{
    // Once per run: the choice still holds until the program ends.
    if (ok || std::exchange(m_warned, true) || !m_window)
        return;
    ShowNotice(m_window, QMessageBox::Warning, u"إعدادات الاستماع"_s,
               u"تعذر حفظ إعدادات الاستماع في الملف %1."_s.arg(
                   QString::fromLatin1(ListeningSettings::kFileName)),
               u"warning"_s);
}
