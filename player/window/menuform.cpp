#include "menuform.h"

#include "tapekeys.h"

#include <QAction>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kPlayQueue = u"الاستماع إلى أشرطة قائمة الانتظار"_s;
const QString kPlayNext = u"الاستماع إلى الشريط التالي في قائمة الانتظار"_s;

void show(QAction *item, bool visible)
{
    item->setVisible(visible);
}
} // namespace

MenuForm::MenuForm(QObject *parent)
    : QObject(parent)
    , m_popup(new QMenu(u"الأشرطة"_s))
    , m_tray(new QMenu(u"علبة النظام"_s))
{
    m_popup->setObjectName(u"mnupopup"_s);
    m_tray->setObjectName(u"mnuTray"_s);

    TrayItems &t = m_trayItems;
    t.mnuPause = add(m_tray, u"mnuPause"_s, u"إيقاف مؤقت"_s);
    t.mnuStop = add(m_tray, u"mnuStop"_s, u"إيقاف"_s);
    t.sep6 = addSeparator(m_tray, u"sep6"_s);
    t.mnuCopyLinkMP3Tray = add(m_tray, u"mnuCopyLinkMP3Tray"_s, u" نسخ رابط الملف بصيغة MP3"_s);
    t.mnuCopyLinkRMTray = add(m_tray, u"mnuCopyLinkRMTray"_s, u" نسخ رابط الملف بصيغة RM"_s);
    t.sep5 = addSeparator(m_tray, u"sep5"_s);
    t.mnuSaveMP3Tray = add(m_tray, u"mnuSaveMP3Tray"_s, u"حفظ المادة بصيغة MP3 "_s);
    t.mnuSaveRMTray = add(m_tray, u"mnuSaveRMTray"_s, u"حفظ المادة بصيغة RM "_s);
    t.sep3 = addSeparator(m_tray, u"sep3"_s);
    t.mnuPlayNextTray = add(m_tray, u"mnuPlayNextTray"_s, u"الاستماع إلى الشريط التالي"_s);
    t.sep2 = addSeparator(m_tray, u"sep2"_s);
    t.mnuShow = add(m_tray, u"mnuShow"_s, u"النافذة الرئيسية"_s);
    t.sep1 = addSeparator(m_tray, u"sep1"_s);
    t.mnuExit = add(m_tray, u"mnuExit"_s, u"خروج"_s);

    TreeItems &p = m_treeItems;
    p.mnulisten = add(m_popup, u"mnulisten"_s, u"الاستماع إلى الشريط بصيغة MP3"_s);
    p.mnulistenrm = add(m_popup, u"mnulistenrm"_s, u"الاستماع إلى الشريط بصيغة RM"_s);
    p.seprm = addSeparator(m_popup, u"seprm"_s);
    p.mnuAdd2Fav = add(m_popup, u"mnuAdd2Fav"_s, u"إضافة الشريط إلى المفضلة"_s);
    p.mnuAdd2Playlist = add(m_popup, u"mnuAdd2Playlist"_s, u"إضافة الشريط إلى قائمة الانتظار"_s);
    p.ssss4 = addSeparator(m_popup, u"ssss4"_s);
    p.mnuPlayNext = add(m_popup, u"mnuPlayNext"_s, kPlayNext);
    p.sepp = addSeparator(m_popup, u"sepp"_s);
    p.mnuDMP3 = add(m_popup, u"mnuDMP3"_s, u"حفظ المادة بصيغة MP3 "_s);
    p.mnuDRM = add(m_popup, u"mnuDRM"_s, u"حفظ المادة بصيغة RM "_s);
    p.sssp = addSeparator(m_popup, u"sssp"_s);
    p.mnuSaveMP3 = add(m_popup, u"mnuSaveMP3"_s, u" نسخ رابط الملف بصيغة MP3"_s);
    p.mnuSaveRM = add(m_popup, u"mnuSaveRM"_s, u"نسخ رابط الملف بصيغة RM "_s);
    p.mnusep = addSeparator(m_popup, u"mnusep"_s);
    p.mnumodify = add(m_popup, u"mnumodify"_s, u"تعديل بيانات هذا الشريط"_s);
    p.mnudelete = add(m_popup, u"mnudelete"_s, u"حذف هذا الشريط"_s);
    p.mnuAddNew2Dir = add(m_popup, u"mnuAddNew2Dir"_s, u"إضافة شريط جديد"_s);
    p.ssss = addSeparator(m_popup, u"ssss"_s);
    p.mnusearch2 = add(m_popup, u"mnusearch2"_s, u"البحث عن شريط"_s);
    p.mnuDelDir = add(m_popup, u"mnuDelDir"_s, u"حذف الدليل الحالي"_s);
    p.sep4 = addSeparator(m_popup, u"sep4"_s);
    p.mnuCollapseall = add(m_popup, u"mnuCollapseall"_s, u"طي الكل"_s);
    p.mnucollapsenode = add(m_popup, u"mnucollapsenode"_s, u"طي الدليل الحالي"_s);
    p.sepl = addSeparator(m_popup, u"sepl"_s);
    p.mnuMoveup = add(m_popup, u"mnuMoveup"_s, u"نقل إلى الأعلى"_s);
    p.mnuMoveDown = add(m_popup, u"mnuMoveDown"_s, u"نقل إلى الإسفل"_s);
}

MenuForm::~MenuForm()
{
    delete m_popup;
    delete m_tray;
}

QAction *MenuForm::add(QMenu *menu, const QString &name, const QString &text)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    return action;
}

QAction *MenuForm::addSeparator(QMenu *menu, const QString &name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

bool MenuForm::playNextRule(const State &state, QString *caption)
{
    const qsizetype entries = state.queueKeys.size();
    if (entries == 0)
        return false;
    if (state.playState == AudioPlayer::Stopped || !TapeKeys::isQueueEntryKey(state.playedNode)) {
        *caption = kPlayQueue;
        return true;
    }
    *caption = kPlayNext;
    return entries >= 2;
}

void MenuForm::enableForLinks(const LinkPair &links)
{
    const TreeItems &p = m_treeItems;
    for (QAction *item : {p.mnulisten, p.mnuDMP3, p.mnuSaveMP3})
        item->setEnabled(!links.mp3.isEmpty());
    for (QAction *item : {p.mnulistenrm, p.mnuDRM, p.mnuSaveRM})
        item->setEnabled(!links.rm.isEmpty());
}

void MenuForm::prepareTreePopup(const State &state)
{
    const TreeItems &p = m_treeItems;
    show(p.mnuCollapseall, true);

    QString caption;
    const bool playNext = playNextRule(state, &caption);
    show(p.mnuPlayNext, playNext);
    show(p.sepp, playNext);
    if (playNext)
        p.mnuPlayNext->setText(caption);

    const bool tape = state.sourceKind == KeyedTree::Kind::Tape;
    const bool folder = state.sourceKind == KeyedTree::Kind::Folder;
    const bool queued = tape && TapeKeys::isQueueEntryKey(state.sourceKey);
    for (QAction *item : {p.mnulisten, p.mnulistenrm, p.seprm, p.ssss4, p.mnuDMP3, p.mnuDRM, p.sssp,
                          p.mnuSaveMP3, p.mnuSaveRM, p.mnusep, p.mnudelete, p.ssss})
        show(item, tape);
    show(p.mnuAdd2Fav, tape && !TapeKeys::isFavouriteKey(state.sourceKey) && !queued);
    show(p.mnuAdd2Playlist, (tape && !queued) || (folder && !state.sourceIsRoot));
    show(p.mnumodify, tape && !queued);
    show(p.mnuAddNew2Dir, true);
    show(p.sep4, true);
    show(p.mnuDelDir, folder);
    show(p.mnucollapsenode, folder);

    show(p.sepl, false);
    show(p.mnuMoveup, false);
    show(p.mnuMoveDown, false);
    if (queued)
        moveRules(state);
}

void MenuForm::moveRules(const State &state)
{
    // Entries are told apart by key: two tapes can share a title (one surah, two riwayat).
    const QStringList &queue = state.queueKeys;
    const qsizetype count = queue.size();
    const qsizetype at = queue.indexOf(state.sourceKey);
    if (at < 0)
        return;
    const bool firstPlaying =
        state.playState != AudioPlayer::Stopped && queue.first() == state.playedNode;

    bool down = at != count - 1;
    bool up = false;
    if (at == 0)
        down = state.playState == AudioPlayer::Stopped || state.sourceKey != state.playedNode;
    else
        up = !(at == 1 && firstPlaying);
    const TreeItems &p = m_treeItems;
    show(p.mnuMoveDown, down);
    show(p.mnuMoveup, up);
    show(p.sepl, up || down);
}

void MenuForm::PrepareTrayMenu(const State &state, const LinkPair &playedLinks)
{
    const TrayItems &t = m_trayItems;
    const bool playing = state.playState != AudioPlayer::Stopped && !state.playedNode.isEmpty();
    const bool mp3 = playing && !playedLinks.mp3.isEmpty();
    const bool rm = playing && !playedLinks.rm.isEmpty();
    for (QAction *item : {t.mnuSaveMP3Tray, t.mnuCopyLinkMP3Tray}) {
        show(item, mp3);
        item->setEnabled(mp3);
    }
    for (QAction *item : {t.mnuSaveRMTray, t.mnuCopyLinkRMTray}) {
        show(item, rm);
        item->setEnabled(rm);
    }

    const bool loaded = !state.clipText.isEmpty();
    show(t.mnuPause, loaded);
    show(t.mnuStop, loaded);
    show(t.sep6, loaded);
    show(t.sep5, mp3 || rm);
    show(t.sep3, mp3 || rm);

    QString caption;
    const bool playNext = playNextRule(state, &caption);
    show(t.mnuPlayNextTray, playNext);
    show(t.sep2, playNext);
    if (playNext)
        t.mnuPlayNextTray->setText(caption);

    show(t.mnuShow, true);
    show(t.sep1, true);
    show(t.mnuExit, true);
}
