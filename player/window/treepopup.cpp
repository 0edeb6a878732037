#include "treepopup.h"

#include "audioplayer.h"
#include "cataloguetree.h"
#include "playback.h"
#include "playqueue.h"

#include <QCursor>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QTreeWidget>

TreePopup::TreePopup(KeyedTree &tree, MenuForm &menus, Playback &playback, PlayQueue &queue,
                     QObject *parent)
    : QObject(parent)
    , m_tree(tree)
    , m_view(tree.widget())
    , m_viewport(m_view->viewport())
    , m_menus(menus)
    , m_playback(playback)
    , m_queue(queue)
{
    m_view->setContextMenuPolicy(Qt::NoContextMenu);
    m_viewport->installEventFilter(this);
    m_view->installEventFilter(this);
    connect(&m_queue, &PlayQueue::entryMoved, this, &TreePopup::setSource);
}

KeyedTree::Node TreePopup::SourceNode() const
{
    return m_tree.item(m_sourceKey);
}

void TreePopup::setSource(const QString &key)
{
    m_sourceKey = key;
    KeyedTree::Node node = m_tree.item(key);
    m_sourceType = KeyedTree::kind(node);
    if (node)
        m_view->setCurrentItem(node);
}

bool TreePopup::eventFilter(QObject *watched, QEvent *event)
{
    // Compared by address only: events also come while the view is being destroyed.
    if (watched == m_viewport) {
        if (event->type() == QEvent::MouseButtonPress)
            mousePressed(static_cast<QMouseEvent *>(event));
        else if (event->type() == QEvent::MouseButtonRelease && SourceNode())
            m_view->setCurrentItem(SourceNode());
    }
    if (watched == m_view && event->type() == QEvent::KeyPress) {
        // Keyboard users play the selected tape with Return or Enter, as a left click does.
        const int key = static_cast<QKeyEvent *>(event)->key();
        KeyedTree::Node node = m_view->currentItem();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            KeyedTree::kind(node) == KeyedTree::Kind::Tape) {
            setSource(KeyedTree::key(node));
            m_queue.playClicked(m_sourceKey);
            return true;
        }
        // The menu key and Shift+F10 open the popup of the selected node, as a right click on
        // it does: without them a keyboard user could never reach its commands.
        const auto modifiers = static_cast<QKeyEvent *>(event)->modifiers();
        if (key == Qt::Key_Menu || (key == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
            keyboardPopup(node);
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TreePopup::mousePressed(QMouseEvent *event)
{
    KeyedTree::Node node = m_view->itemAt(event->position().toPoint());
    m_sourceKey = KeyedTree::key(node);
    m_sourceType = KeyedTree::kind(node);
    if (node)
        m_view->setCurrentItem(node);

    if (event->button() == Qt::RightButton) {
        if (m_sourceType == KeyedTree::Kind::Tape) {
            m_popupLinks = ExtractLinks(m_sourceKey);
            m_menus.enableForLinks(m_popupLinks);
        }
        ShowTreePopup();
    } else if (event->button() == Qt::LeftButton && m_sourceType == KeyedTree::Kind::Tape) {
        // Clicks on the expander of a folder are the view's; a tape has none.
        m_queue.playClicked(m_sourceKey);
    }
}

MenuForm::State TreePopup::menuState() const
{
    MenuForm::State state;
    KeyedTree::Node source = SourceNode();
    state.sourceKind = KeyedTree::kind(source);
    state.sourceKey = KeyedTree::key(source);
    state.sourceIsRoot = CatalogueTree::IsRootNode(source);
    state.playState = m_playback.player().PlayState();
    state.playedNode = m_playback.PlayedNode();
    state.clipText = m_playback.player().ClipText();
    for (const PlayQueue::Entry &entry : m_queue.entries())
        state.queueKeys.append(entry.key);
    return state;
}

void TreePopup::ShowTreePopup(std::optional<QPoint> at)
{
    m_menus.prepareTreePopup(menuState());
    m_menus.mnupopup()->popup(at.value_or(QCursor::pos()));
}

void TreePopup::keyboardPopup(KeyedTree::Node node)
{
    m_sourceKey = KeyedTree::key(node);
    m_sourceType = KeyedTree::kind(node);
    if (m_sourceType == KeyedTree::Kind::Tape) {
        m_popupLinks = ExtractLinks(m_sourceKey);
        m_menus.enableForLinks(m_popupLinks);
    }
    // Under the node's text, or at the top of the view when nothing is selected.
    const QRect row = node ? m_view->visualItemRect(node) : QRect();
    const QPoint corner =
        m_view->layoutDirection() == Qt::RightToLeft ? row.bottomRight() : row.bottomLeft();
    ShowTreePopup(m_viewport->mapToGlobal(node ? corner : QPoint()));
}
