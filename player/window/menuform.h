#pragma once

#include "keyedtree.h"
#include "taperecord.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

class QAction;
class QMenu;

// The two popup menus of the main window: the tree's menu "الأشرطة" (mnupopup) and the tray
// icon's menu "علبة النظام" (mnuTray), with the rules that decide which items show.
class MenuForm : public QObject
{
    Q_OBJECT

public:
    explicit MenuForm(QObject *parent = nullptr);
    ~MenuForm() override;

    QMenu *mnupopup() const { return m_popup; }
    QMenu *mnuTray() const { return m_tray; }
    // An item by its name (mnulisten, sep6, ...); null for an unknown name.
    QAction *item(const QString &name) const { return m_items.value(name); }

    // What the rules look at.
    struct State
    {
        KeyedTree::Node source = nullptr; // node the popup is opened on, or none
        int playState = 0;
        QString playedNode;
        QString clipText;
        KeyedTree::Node queueNode = nullptr; // the queue branch, when it exists
    };

    // Shows and hides the tree popup's items for this state.
    void prepareTreePopup(const State &state);
    // Enables the listen, download and copy items by the links of the tape under the mouse.
    void enableForLinks(const LinkPair &links);
    // Shows and hides the tray menu's items; playedLinks are the links of the node being played.
    void PrepareTrayMenu(const State &state, const LinkPair &playedLinks);

    // Items whose feature is not there yet stay disabled whatever the rules say.
    void setAvailable(const QString &name, bool available);

    static bool isQueueEntry(KeyedTree::Node node);
    static bool isFavourite(KeyedTree::Node node);

private:
    QAction *add(QMenu *menu, const QString &name, const QString &text);
    QAction *addSeparator(QMenu *menu, const QString &name);
    void show(const QString &name, bool visible);
    void enable(const QString &name, bool enabled);
    // Whether the "next in the queue" item shows, and its caption when it does.
    bool playNextRule(const State &state, QString *caption) const;
    void moveRules(const State &state);

    QMenu *m_popup;
    QMenu *m_tray;
    QHash<QString, QAction *> m_items;
    QSet<QString> m_unavailable;
};
