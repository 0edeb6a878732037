#pragma once

#include "audioplayer.h"
#include "keyedtree.h"
#include "taperecord.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QMenu;

// The two popup menus of the main window: the tree's menu "الأشرطة" (mnupopup) and the tray
// icon's menu "علبة النظام" (mnuTray), with the rules that decide which items show. The rules read
// a plain State, so they can be checked without a window or a tree.
class MenuForm : public QObject
{
    Q_OBJECT

public:
    explicit MenuForm(QObject *parent = nullptr);
    ~MenuForm() override;

    QMenu *mnupopup() const { return m_popup; }
    QMenu *mnuTray() const { return m_tray; }

    // The items, by the names they carry as object names.
    struct TrayItems
    {
        QAction *mnuPause, *mnuStop, *sep6, *mnuCopyLinkMP3Tray, *mnuCopyLinkRMTray, *sep5,
            *mnuSaveMP3Tray, *mnuSaveRMTray, *sep3, *mnuPlayNextTray, *sep2, *mnuShow, *sep1,
            *mnuExit;
    };
    struct TreeItems
    {
        QAction *mnulisten, *mnulistenrm, *seprm, *mnuAdd2Fav, *mnuAdd2Playlist, *ssss4,
            *mnuPlayNext, *sepp, *mnuDMP3, *mnuDRM, *sssp, *mnuSaveMP3, *mnuSaveRM, *mnusep,
            *mnumodify, *mnudelete, *mnuAddNew2Dir, *ssss, *mnusearch2, *mnuDelDir, *sep4,
            *mnuCollapseall, *mnucollapsenode, *sepl, *mnuMoveup, *mnuMoveDown;
    };
    const TrayItems &tray() const { return m_trayItems; }
    const TreeItems &popup() const { return m_treeItems; }

    // What the rules look at.
    struct State
    {
        KeyedTree::Kind sourceKind = KeyedTree::Kind::None; // node the popup is opened on
        QString sourceKey;
        bool sourceIsRoot = false;
        AudioPlayer::State playState = AudioPlayer::Stopped;
        QString playedNode;
        QString clipText;
        QStringList queueKeys; // the queue's entries, in order
    };

    // Shows and hides the tree popup's items for this state.
    void prepareTreePopup(const State &state);
    // Enables the listen, download and copy items by the links of the tape under the mouse.
    void enableForLinks(const LinkPair &links);
    // Shows and hides the tray menu's items; playedLinks are the links of the tape being played.
    void PrepareTrayMenu(const State &state, const LinkPair &playedLinks);

private:
    QAction *add(QMenu *menu, const QString &name, const QString &text);
    QAction *addSeparator(QMenu *menu, const QString &name);
    // Whether the "next in the queue" item shows, and its caption when it does.
    static bool playNextRule(const State &state, QString *caption);
    void moveRules(const State &state);

    QMenu *m_popup;
    QMenu *m_tray;
    TrayItems m_trayItems{};
    TreeItems m_treeItems{};
};
