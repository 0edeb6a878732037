#pragma once

#include "keyedtree.h"
#include "menuform.h"
#include "taperecord.h"

#include <QObject>
#include <QPoint>
#include <QString>

#include <optional>

class AudioPlayer;
class Playback;
class PlayQueue;
class QMouseEvent;
class QTreeWidget;

// The mouse and the keyboard on the catalogue tree: a left click (or Return) on a tape plays it,
// a right click opens the popup menu for the node under the mouse, the menu key or Shift+F10 the
// one for the selected node. The node pressed is kept by its key, so that a command chosen later
// finds the node again, or finds it gone (a queue entry that finished playing while the menu was
// open).
class TreePopup : public QObject
{
    Q_OBJECT

public:
    TreePopup(KeyedTree &tree, MenuForm &menus, Playback &playback, PlayQueue &queue,
              QObject *parent = nullptr);

    // The node pressed last, if it still exists; its key and kind; the links of the tape the
    // popup was last opened on.
    KeyedTree::Node SourceNode() const;
    const QString &sourceKey() const { return m_sourceKey; }
    KeyedTree::Kind SourceType() const { return m_sourceType; }
    const LinkPair &PopupLinks() const { return m_popupLinks; }
    // Makes a node (by key) the one the user works on, and selects it.
    void setSource(const QString &key);

    // What the menu rules look at now.
    MenuForm::State menuState() const;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void mousePressed(QMouseEvent *event);
    void ShowTreePopup(std::optional<QPoint> at = std::nullopt);
    void keyboardPopup(KeyedTree::Node node);

    KeyedTree &m_tree;
    QTreeWidget *m_view;
    QWidget *m_viewport;
    MenuForm &m_menus;
    Playback &m_playback;
    PlayQueue &m_queue;
    QString m_sourceKey;
    KeyedTree::Kind m_sourceType = KeyedTree::Kind::None;
    LinkPair m_popupLinks;
};
