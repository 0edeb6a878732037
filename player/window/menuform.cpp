#include "menuform.h"

#include "cataloguetree.h"

#include <QAction>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQueue = u"قائمة الانتظار"_s;
const QString kFavourites = u"أشرطتي المفضلة"_s;
const QString kPlayQueue = u"الاستماع إلى أشرطة قائمة الانتظار"_s;
const QString kPlayNext = u"الاستماع إلى الشريط التالي في قائمة الانتظار"_s;
} // namespace

MenuForm::MenuForm(QObject *parent)
    : QObject(parent)
    , m_popup(new QMenu(u"الأشرطة"_s))
    , m_tray(new QMenu(u"علبة النظام"_s))
{
    m_popup->setObjectName(u"mnupopup"_s);
    m_tray->setObjectName(u"mnuTray"_s);

    add(m_tray, u"mnuPause"_s, u"إيقاف مؤقت"_s);
    add(m_tray, u"mnuStop"_s, u"إيقاف"_s);
    addSeparator(m_tray, u"sep6"_s);
    add(m_tray, u"mnuCopyLinkMP3Tray"_s, u" نسخ رابط الملف بصيغة MP3"_s);
    add(m_tray, u"mnuCopyLinkRMTray"_s, u" نسخ رابط الملف بصيغة RM"_s);
    addSeparator(m_tray, u"sep5"_s);
    add(m_tray, u"mnuSaveMP3Tray"_s, u"حفظ المادة بصيغة MP3 "_s);
    add(m_tray, u"mnuSaveRMTray"_s, u"حفظ المادة بصيغة RM "_s);
    addSeparator(m_tray, u"sep3"_s);
    add(m_tray, u"mnuPlayNextTray"_s, u"الاستماع إلى الشريط التالي"_s);
    addSeparator(m_tray, u"sep2"_s);
    add(m_tray, u"mnuShow"_s, u"النافذة الرئيسية"_s);
    addSeparator(m_tray, u"sep1"_s);
    add(m_tray, u"mnuExit"_s, u"خروج"_s);

    add(m_popup, u"mnulisten"_s, u"الاستماع إلى الشريط بصيغة MP3"_s);
    add(m_popup, u"mnulistenrm"_s, u"الاستماع إلى الشريط بصيغة RM"_s);
    addSeparator(m_popup, u"seprm"_s);
    add(m_popup, u"mnuAdd2Fav"_s, u"إضافة الشريط إلى المفضلة"_s);
    add(m_popup, u"mnuAdd2Playlist"_s, u"إضافة الشريط إلى قائمة الانتظار"_s);
    addSeparator(m_popup, u"ssss4"_s);
    add(m_popup, u"mnuPlayNext"_s, kPlayNext);
    addSeparator(m_popup, u"sepp"_s);
    add(m_popup, u"mnuDMP3"_s, u"حفظ المادة بصيغة MP3 "_s);
    add(m_popup, u"mnuDRM"_s, u"حفظ المادة بصيغة RM "_s);
    addSeparator(m_popup, u"sssp"_s);
    add(m_popup, u"mnuSaveMP3"_s, u" نسخ رابط الملف بصيغة MP3"_s);
    add(m_popup, u"mnuSaveRM"_s, u"نسخ رابط الملف بصيغة RM "_s);
    addSeparator(m_popup, u"mnusep"_s);
    add(m_popup, u"mnumodify"_s, u"تعديل بيانات هذا الشريط"_s);
    add(m_popup, u"mnudelete"_s, u"حذف هذا الشريط"_s);
    add(m_popup, u"mnuAddNew2Dir"_s, u"إضافة شريط جديد"_s);
    addSeparator(m_popup, u"ssss"_s);
    add(m_popup, u"mnusearch2"_s, u"البحث عن شريط"_s);
    add(m_popup, u"mnuDelDir"_s, u"حذف الدليل الحالي"_s);
    addSeparator(m_popup, u"sep4"_s);
    add(m_popup, u"mnuCollapseall"_s, u"طي الكل"_s);
    add(m_popup, u"mnucollapsenode"_s, u"طي الدليل الحالي"_s);
    addSeparator(m_popup, u"sepl"_s);
    add(m_popup, u"mnuMoveup"_s, u"نقل إلى الأعلى"_s);
    add(m_popup, u"mnuMoveDown"_s, u"نقل إلى الإسفل"_s);
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
    m_items.insert(name, action);
    return action;
}

QAction *MenuForm::addSeparator(QMenu *menu, const QString &name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(name);
    m_items.insert(name, action);
    return action;
}

void MenuForm::show(const QString &name, bool visible)
{
    if (QAction *a = m_items.value(name))
        a->setVisible(visible);
}

void MenuForm::enable(const QString &name, bool enabled)
{
    if (QAction *a = m_items.value(name))
        a->setEnabled(enabled && !m_unavailable.contains(name));
}

void MenuForm::setAvailable(const QString &name, bool available)
{
    if (available)
        m_unavailable.remove(name);
    else
        m_unavailable.insert(name);
    enable(name, available);
}

bool MenuForm::isQueueEntry(KeyedTree::Node node)
{
    return CatalogueTree::NodeKind(node) == 2 && KeyedTree::key(node).contains(kQueue);
}

bool MenuForm::isFavourite(KeyedTree::Node node)
{
    return KeyedTree::key(node).contains(kFavourites);
}

bool MenuForm::playNextRule(const State &state, QString *caption) const
{
    if (!state.queueNode)
        return false;
    const int entries = KeyedTree::children(state.queueNode);
    if (state.playState == 0) {
        *caption = kPlayQueue;
        return entries >= 1;
    }
    if (!state.playedNode.contains(kQueue)) {
        *caption = kPlayQueue;
        return entries >= 1;
    }
    *caption = kPlayNext;
    return entries >= 2;
}

void MenuForm::enableForLinks(const LinkPair &links)
{
    for (const QString &name : {u"mnulisten"_s, u"mnuDMP3"_s, u"mnuSaveMP3"_s})
        enable(name, !links.mp3.isEmpty());
    for (const QString &name : {u"mnulistenrm"_s, u"mnuDRM"_s, u"mnuSaveRM"_s})
        enable(name, !links.rm.isEmpty());
}

void MenuForm::prepareTreePopup(const State &state)
{
    show(u"mnuCollapseall"_s, true);

    QString caption;
    const bool playNext = playNextRule(state, &caption);
    show(u"mnuPlayNext"_s, playNext);
    show(u"sepp"_s, playNext);
    if (playNext)
        m_items[u"mnuPlayNext"_s]->setText(caption);

    const int kind = CatalogueTree::NodeKind(state.source);
    const bool tape = kind == 2;
    const bool folder = kind == 1;
    const bool queued = isQueueEntry(state.source);
    for (const QString &name :
         {u"mnulisten"_s, u"mnulistenrm"_s, u"seprm"_s, u"ssss4"_s, u"mnuDMP3"_s, u"mnuDRM"_s,
          u"sssp"_s, u"mnuSaveMP3"_s, u"mnuSaveRM"_s, u"mnusep"_s, u"mnudelete"_s, u"ssss"_s})
        show(name, tape);
    show(u"mnuAdd2Fav"_s, tape && !isFavourite(state.source) && !queued);
    show(u"mnuAdd2Playlist"_s,
         (tape && !queued) || (folder && !CatalogueTree::IsRootNode(state.source)));
    show(u"mnumodify"_s, tape && !queued);
    show(u"mnuAddNew2Dir"_s, true);
    show(u"sep4"_s, true);
    show(u"mnuDelDir"_s, folder);
    show(u"mnucollapsenode"_s, folder);

    show(u"sepl"_s, false);
    show(u"mnuMoveup"_s, false);
    show(u"mnuMoveDown"_s, false);
    if (queued)
        moveRules(state);
}

void MenuForm::moveRules(const State &state)
{
    KeyedTree::Node entry = state.source;
    KeyedTree::Node queue = KeyedTree::parent(entry);
    const int count = KeyedTree::children(queue);
    const QString text = KeyedTree::text(entry);
    const auto textAt = [queue](int i) {
        return KeyedTree::text(KeyedTree::childAt(queue, i));
    };
    const bool isFirst = count > 0 && text == textAt(0);
    const bool isSecond = count > 1 && text == textAt(1);
    const bool isLast = count > 0 && text == textAt(count - 1);

    bool down = !isLast;
    bool up = false;
    if (isFirst) {
        if (state.playState != 0)
            down = KeyedTree::key(entry) != state.playedNode;
        else
            down = true;
    } else if (count > 1) {
        const bool firstPlaying = state.playState != 0 &&
                                  KeyedTree::key(KeyedTree::childAt(queue, 0)) == state.playedNode;
        up = !(isSecond && firstPlaying);
    }
    show(u"mnuMoveDown"_s, down);
    show(u"mnuMoveup"_s, up);
    show(u"sepl"_s, up || down);
}

void MenuForm::PrepareTrayMenu(const State &state, const LinkPair &playedLinks)
{
    const bool playing = state.playState != 0 && !state.playedNode.isEmpty();
    const bool mp3 = playing && !playedLinks.mp3.isEmpty();
    const bool rm = playing && !playedLinks.rm.isEmpty();
    for (const QString &name : {u"mnuSaveMP3Tray"_s, u"mnuCopyLinkMP3Tray"_s}) {
        show(name, mp3);
        enable(name, mp3);
    }
    for (const QString &name : {u"mnuSaveRMTray"_s, u"mnuCopyLinkRMTray"_s}) {
        show(name, rm);
        enable(name, rm);
    }

    const bool loaded = !state.clipText.isEmpty();
    show(u"mnuPause"_s, loaded);
    show(u"mnuStop"_s, loaded);
    show(u"sep6"_s, loaded);
    show(u"sep5"_s, mp3 || rm);
    show(u"sep3"_s, mp3 || rm);

    QString caption;
    const bool playNext = playNextRule(state, &caption);
    show(u"mnuPlayNextTray"_s, playNext);
    show(u"sep2"_s, playNext);
    if (playNext)
        m_items[u"mnuPlayNextTray"_s]->setText(caption);

    show(u"mnuShow"_s, true);
    show(u"sep1"_s, true);
    show(u"mnuExit"_s, true);
}
