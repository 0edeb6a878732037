#pragma once

#include "keyedtree.h"
#include "mediacontrol.h"
#include "menuform.h"
#include "recentlist.h"
#include "sleepandresume.h"
#include "taperecord.h"

#include <QMainWindow>
#include <QString>

#include <memory>

class AudioPlayer;
class AudioSaving;
class Catalogue;
class CatalogueTree;
class EditingActions;
class ListeningControls;
class Favourites;
class MainMenus;
class MprisService;
class Playback;
class PlayedMarker;
class PlayQueue;
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

// The player's main window. It creates the parts (catalogue, tree, playback, queue, menus, tray,
// settings), connects them, and forwards the menus' and the tree's events to them.
class MainFrame : public QMainWindow, public MediaControlHost
{
    Q_OBJECT

public:
    // appFolder holds DB/, config.ini and last.txt. player is the audio player to use (the
    // window takes it over); without one the window makes the real one.
    explicit MainFrame(const QString &appFolder, AudioPlayer *player = nullptr,
                       QWidget *parent = nullptr);
    ~MainFrame() override;

    static const QString &caption();

    Catalogue &catalogue() { return *m_catalogue; }
    AudioPlayer &player() { return *m_player; }
    Playback &playback() { return *m_playback; }
    PlayQueue &queue() { return *m_queue; }
    QueueBranch &queueBranch() { return *m_queueBranch; }
    MenuForm &menuForm() { return *m_menus; }
    MainMenus &mainMenus() { return *m_mainMenus; }
    RecentList &recentList() { return m_recent; }
    RecentMenu &recentMenu() { return *m_recentMenu; }
    TrayController &tray() { return *m_tray; }
    CatalogueTree &catalogueTree() { return *m_catalogueTree; }
    KeyedTree &tree() { return *m_keyedTree; }
    TitleBox &titleBox() { return *LTitle; }
    SearchController &search() { return *m_search; }
    EditingActions &editing() { return *m_editing; }
    AudioSaving &saving() { return *m_saving; }
    ToolCommands &tools() { return *m_tools; }
    ListeningControls &listening() { return *m_listening; }
    const QString &appFolder() const { return m_appFolder; }
    MprisService *mprisService() const { return m_mpris; }
    SleepAndResume &sleepAndResume() { return *m_sleep; }

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
    void mnulisten_Click();
    void mnulisten_RM();
    void mnuCollapseall_Click();
    void mnucollapsenode_Click();
    void mnuAdd2Fav_Click();
    void mnuAdd2Playlist_Click();
    void ShowinTray();
    void DeleteFromTray();
    void mnuShow_Click();
    void mnuExit_Click();

    // What the desktop's media controls ask of the window.
    void quitFromDesktop() override;
    void raiseFromDesktop() override;
    void playNextFromDesktop() override;
    bool canGoNext() const override;
    QString currentTitle() const override;
    QString currentLink() const override;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void connectParts();
    void connectMenus();
    void Form_Load();
    void LoadSettings();
    bool SaveSettings(int windowState);
    void BuildTree();
    void Form_Resize();
    void showTitle(const QString &title);
    void syncSaveItems();
    void updateTrayChoice();
    void warn(const QString &title, const QString &text);

    QString m_appFolder;
    std::unique_ptr<Catalogue> m_catalogue;
    AudioPlayer *m_player = nullptr;
    RecentList m_recent;
    Playback *m_playback = nullptr;
    PlayQueue *m_queue = nullptr;
    std::unique_ptr<Favourites> m_favourites;
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
    SleepAndResume *m_sleep = nullptr;
    ListeningControls *m_listening = nullptr;

    QWidget *m_inner = nullptr;
    MainLayout *m_layout = nullptr;
    TitleBox *LTitle = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    bool m_recentWarned = false;
    bool m_unloaded = false;
};
