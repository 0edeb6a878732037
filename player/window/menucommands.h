#pragma once

#include <QObject>

class AudioSaving;
class CatalogueTree;
class EditingActions;
class MenuForm;
class PlayerSession;
class TrayController;
class TreePopup;
class QWidget;

// What the items of the tree's popup and of the tray menu do. Each item is connected to the part
// that carries it out: playing and the queue (the session), saving, editing, the tray. The tree's
// own commands on its current node (listening, collapsing, queueing, favourites) are here.
class MenuCommands : public QObject
{
    Q_OBJECT

public:
    struct Parts
    {
        PlayerSession &session;
        CatalogueTree &tree;
        TreePopup &popup;
        MenuForm &menus;
        AudioSaving &saving;
        EditingActions &editing;
        TrayController &tray;
        QWidget *window; // tells the user of a failure; owns this
    };

    explicit MenuCommands(const Parts &parts);

    void mnulisten_Click();
    void mnulisten_RM();
    void mnuCollapseall_Click();
    void mnucollapsenode_Click();
    void mnuAdd2Playlist_Click();
    void mnuAdd2Fav_Click();

private:
    void connectPopup();
    void connectTray();

    Parts m_parts;
};
