#include "menucommands.h"

#include "audiosaving.h"
#include "cataloguetree.h"
#include "editingactions.h"
#include "favourites.h"
#include "general.h"
#include "menuform.h"
#include "playback.h"
#include "playersession.h"
#include "playqueue.h"
#include "tapekeys.h"
#include "taperecord.h"
#include "traycontroller.h"
#include "treepopup.h"
#include "widgets.h"

#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

MenuCommands::MenuCommands(const Parts &parts)
    : QObject(parts.window)
    , m_parts(parts)
{
    connectPopup();
    connectTray();
}

void MenuCommands::connectPopup()
{
    const MenuForm::TreeItems &p = m_parts.menus.popup();
    PlayQueue *queue = &m_parts.session.queue();
    TreePopup *popup = &m_parts.popup;
    AudioSaving *saving = &m_parts.saving;
    EditingActions *editing = &m_parts.editing;
    connect(p.mnulisten, &QAction::triggered, this, &MenuCommands::mnulisten_Click);
    connect(p.mnulistenrm, &QAction::triggered, this, &MenuCommands::mnulisten_RM);
    connect(p.mnuCollapseall, &QAction::triggered, this, &MenuCommands::mnuCollapseall_Click);
    connect(p.mnucollapsenode, &QAction::triggered, this, &MenuCommands::mnucollapsenode_Click);
    connect(p.mnuAdd2Fav, &QAction::triggered, this, &MenuCommands::mnuAdd2Fav_Click);
    connect(p.mnuAdd2Playlist, &QAction::triggered, this, &MenuCommands::mnuAdd2Playlist_Click);
    connect(p.mnuPlayNext, &QAction::triggered, queue, &PlayQueue::PlayNextInPlayList);
    connect(p.mnuMoveup, &QAction::triggered, queue, [queue, popup] {
        queue->MoveNodeUp(popup->sourceKey(), PlayQueue::MoveDirection::Up);
    });
    connect(p.mnuMoveDown, &QAction::triggered, queue, [queue, popup] {
        queue->MoveNodeUp(popup->sourceKey(), PlayQueue::MoveDirection::Down);
    });
    connect(p.mnuSaveMP3, &QAction::triggered, saving, &AudioSaving::mnuSaveMP3_Click);
    connect(p.mnuSaveRM, &QAction::triggered, saving, &AudioSaving::mnuSaveRM_Click);
    connect(p.mnuDMP3, &QAction::triggered, saving, &AudioSaving::mnuDMP3_Click);
    connect(p.mnuDRM, &QAction::triggered, saving, &AudioSaving::mnuDRM_Click);
    connect(p.mnuAddNew2Dir, &QAction::triggered, editing, &EditingActions::mnuAddNew2Dir_Click);
    connect(p.mnumodify, &QAction::triggered, editing, &EditingActions::ShowModifForm);
    connect(p.mnudelete, &QAction::triggered, editing, &EditingActions::mnudelete_Click);
    connect(p.mnuDelDir, &QAction::triggered, editing, &EditingActions::mnuDelDir_Click);
}

void MenuCommands::connectTray()
{
    const MenuForm::TrayItems &t = m_parts.menus.tray();
    Playback *playback = &m_parts.session.playback();
    AudioSaving *saving = &m_parts.saving;
    connect(t.mnuPlayNextTray, &QAction::triggered, &m_parts.session.queue(),
            &PlayQueue::PlayNextInPlayList);
    connect(t.mnuPause, &QAction::triggered, playback, &Playback::pauseToggle);
    connect(t.mnuStop, &QAction::triggered, playback, &Playback::stop);
    connect(playback, &Playback::pauseCaptionChanged, t.mnuPause, &QAction::setText);
    connect(t.mnuSaveMP3Tray, &QAction::triggered, saving, &AudioSaving::SaveMP3Now);
    connect(t.mnuSaveRMTray, &QAction::triggered, saving, &AudioSaving::savermNow);
    connect(t.mnuCopyLinkMP3Tray, &QAction::triggered, saving,
            [saving] { saving->copyPlayingLink(AudioSaving::Format::Mp3); });
    connect(t.mnuCopyLinkRMTray, &QAction::triggered, saving,
            [saving] { saving->copyPlayingLink(AudioSaving::Format::Rm); });
    connect(t.mnuShow, &QAction::triggered, &m_parts.tray, &TrayController::mnuShow_Click);
    connect(t.mnuExit, &QAction::triggered, this, [] { UnloadAllWindows(false); });
    // The items follow the tape playing and the node the popup was last opened on.
    connect(m_parts.menus.mnuTray(), &QMenu::aboutToShow, this, [this, playback] {
        const QString &played = playback->PlayedNode();
        m_parts.menus.PrepareTrayMenu(m_parts.popup.menuState(),
                                      played.isEmpty() ? LinkPair() : ExtractLinks(played));
    });
}

void MenuCommands::mnulisten_Click()
{
    m_parts.session.playback().playTapeKey(m_parts.popup.sourceKey(), Playback::PlayMode::Mp3);
}

void MenuCommands::mnulisten_RM()
{
    m_parts.session.playback().playTapeKey(m_parts.popup.sourceKey(), Playback::PlayMode::Rm);
}

void MenuCommands::mnuCollapseall_Click()
{
    m_parts.tree.CollapseAll();
}

void MenuCommands::mnucollapsenode_Click()
{
    m_parts.tree.CollapseSubtree(m_parts.tree.tree().widget()->currentItem());
}

void MenuCommands::mnuAdd2Playlist_Click()
{
    KeyedTree::Node node = m_parts.tree.tree().widget()->currentItem();
    const QString key = KeyedTree::key(node);
    if (KeyedTree::kind(node) == KeyedTree::Kind::Tape)
        m_parts.session.queue().Add2Playlist({key});
    else if (KeyedTree::kind(node) == KeyedTree::Kind::Folder && !CatalogueTree::IsRootNode(node))
        m_parts.session.queue().Add2Playlist(m_parts.tree.tapesBelow(key));
}

void MenuCommands::mnuAdd2Fav_Click()
{
    KeyedTree::Node node = m_parts.tree.tree().widget()->currentItem();
    if (KeyedTree::kind(node) != KeyedTree::Kind::Tape)
        return;
    if (!m_parts.session.favourites().add(KeyedTree::key(node))) {
        ShowNotice(m_parts.window, QMessageBox::Warning, TapeKeys::favouritesCategory(),
                   u"تعذر حفظ الشريط في ملف المفضلة. تأكد من إمكان الكتابة في مجلد DB."_s,
                   u"warning"_s);
        return;
    }
    m_parts.tree.resetFolder(Favourites::branchKey(), TapeKeys::favouritesCategory());
}
