#pragma once

#include "keyedtree.h"
#include "listeningwidgets.h"
#include "mediacontrol.h"
#include "menuform.h"
#include "playersession.h"
#include "settingsstore.h"
#include "taperecord.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class AudioSaving;
class CatalogueTree;
class EditingActions;
class ListeningMenus;
class ListeningWidgets;
class MainMenus;
class MprisService;
class PlayedMarker;
class QTreeWidget;
class QueueBranch;
class RecentMenu;
class TitleBox;
class ToolCommands;
class TrayController;
class TreePopup;
class SearchController;
class MainLayout;
class WindowPlacement;

// The player's main window: it shows the player session and hands it the user's commands. It
// creates the widgets (tree, title, player control, menus, tray), connects them to the session's
// parts, and forwards the menus' and the tree's events to them.
class MainFrame : public QMainWindow, public MediaControlHost
{
    Q_OBJECT

public:
    // The window loads the session's catalogue and builds the tree from it.
    explicit MainFrame(PlayerSession &session, QWidget *parent = nullptr);
    ~MainFrame() override;

    static const QString &caption();

    PlayerSession &session() { return m_session; }
    QueueBranch &queueBranch() { return *m_queueBranch; }
    MenuForm &menuForm() { return *m_menus; }
    MainMenus &mainMenus() { return *m_mainMenus; }
    RecentMenu &recentMenu() { return *m_recentMenu; }
    TrayController &tray() { return *m_tray; }
    CatalogueTree &catalogueTree() { return *m_catalogueTree; }
    KeyedTree &tree() { return *m_keyedTree; }
    TitleBox &titleBox() { return *LTitle; }
    SearchController &search() { return *m_search; }
    EditingActions &editing() { return *m_editing; }
    AudioSaving &saving() { return *m_saving; }
    ToolCommands &tools() { return *m_tools; }
    ListeningMenus &listeningMenus() { return m_listening->menus(); }
    MprisService *mprisService() const { return m_mpris; }

    // The mouse on the tree: the node pressed last, its kind, the links of the popup's tape.
    TreePopup &treePopup() { return *m_popup; }

    // Menu handlers.
    void QSort_Click(int index);
    void DSort_Click(int index);
    void Foption_Click(int index);
    void Riwaya_Click(int index);
    void mnuMintoTray_Click(int index);
    void Exit_Click();
    void mnusearch_Click();
    void mnusearch2_Click();

    // What the desktop's media controls ask of the window.
    void quitFromDesktop() override;
    void raiseFromDesktop() override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createListeningMenus();
    void connectParts();
    void connectMenus();
    void Form_Load();
    void LoadSettings();
    PlayerSession::WindowSettings windowSettings(Settings::WindowState state) const;
    void BuildTree();
    void Form_Resize();
    void showTitle(const QString &title);
    void syncSaveItems();
    void updateTrayChoice();

    PlayerSession &m_session;
    MprisService *m_mpris = nullptr;
    MenuForm *m_menus = nullptr;
    MainMenus *m_mainMenus = nullptr;
    RecentMenu *m_recentMenu = nullptr;
    TrayController *m_tray = nullptr;
    WindowPlacement *m_placement = nullptr;
    KeyedTree *m_keyedTree = nullptr;
    CatalogueTree *m_catalogueTree = nullptr;
    PlayedMarker *m_marker = nullptr;
    QueueBranch *m_queueBranch = nullptr;

    TreePopup *m_popup = nullptr;
    SearchController *m_search = nullptr;
    EditingActions *m_editing = nullptr;
    AudioSaving *m_saving = nullptr;
    ToolCommands *m_tools = nullptr;
    ListeningWidgets *m_listening = nullptr;

    QWidget *m_inner = nullptr;
    MainLayout *m_layout = nullptr;
    TitleBox *LTitle = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    bool m_unloaded = false;
};
