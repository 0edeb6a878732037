#pragma once

#include "catalogue.h"
#include "keyedtree.h"
#include "mediacontrol.h"
#include "menuform.h"
#include "recentlist.h"
#include "taperecord.h"

#include <QList>
#include <QMainWindow>
#include <QString>

#include <memory>
#include <optional>

class AudioControl;
class AudioPlayer;
class CatalogueTree;
class Favourites;
class MenuForm;
class MprisService;
class Playback;
class PlayQueue;
class QAction;
class QSystemTrayIcon;
class QFrame;
class QMenu;
class QMouseEvent;
class QPushButton;
class QRadioButton;
class QLineEdit;
class QTextEdit;
class QTreeWidget;

// The player's main window. Control arrays of the menus and the search bar are named
// name_index (QSort_0 .. QSort_3, Riwaya_0 .., OptionS_0, OptionS_1, ...).
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

    // Paths.
    QString appFolder;
    QString linkFolder;
    QString cfile;
    QString lastFile;
    QString FavoritesFile;
    QString MesCasettes;

    // Settings kept in memory while the program runs.
    int SoundFormat = 0;
    int MaxLignes = 25;
    int MaxTitleLen = 100;
    int TitleLineCount = 0;
    int LastWindowState = 0;

    // The node under the mouse at the last press in the tree, its kind, and the links of the tape
    // the popup was last opened on.
    KeyedTree::Node SourceNode = nullptr;
    int SourceType = 0;
    LinkPair PopupLinks;
    // The tray icon's tooltip.
    QString TrayTip;

    int QuranSort() const;
    int DourousSort() const;
    QString RiwayaFilter() const;

    QString PlayedNode() const;
    QString CurrentTitle() const;

    Catalogue &catalogue() { return m_catalogue; }
    AudioPlayer &player() { return *m_player; }
    Playback &playback() { return *m_playback; }
    PlayQueue &queue() { return *m_queue; }
    MenuForm &menuForm() { return *m_menus; }
    RecentList &recentList() { return m_recent; }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon; }
    CatalogueTree &catalogueTree() { return *m_catalogueTree; }
    KeyedTree &tree() { return *m_keyedTree; }

    // Menu handlers.
    void QSort_Click(int index);
    void DSort_Click(int index);
    void Foption_Click(int index);
    void Riwaya_Click(int index);
    void mnuMintoTray_Click(int index);
    void Exit_Click();
    void LastItems_Click(int index);
    void mnudeletelasts_Click();
    void mnulisten_Click();
    void mnulisten_RM();
    void mnuCollapseall_Click();
    void mnucollapsenode_Click();
    void mnuAdd2Fav_Click();

    void FillRecentMenu();
    void ClearRecentMenu();

    // Tray.
    void ShowinTray();
    void DeleteFromTray();
    void mnuShow_Click();
    void mnuExit_Click();
    // Whether a tray exists to minimise into right now.
    static bool trayAvailable();

    // What the desktop's media controls ask of the window.
    void quitFromDesktop() override;
    void raiseFromDesktop() override;
    void playNextFromDesktop() override;
    bool canGoNext() const override;
    QString currentTitle() const override;
    QString currentLink() const override;
    MprisService *mprisService() const { return m_mpris; }

    void AdjustTitleLines();
    QString titleText() const;

protected:
    void closeEvent(QCloseEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void createControls();
    void createMenus();
    QAction *addItem(QMenu *menu, const QString &name, const QString &text, bool enabled = true);
    QAction *addSeparator(QMenu *menu, const QString &name);
    QAction *addArrayItem(QMenu *menu, QList<QAction *> &array, const QString &name,
                          const QString &text, void (MainFrame::*handler)(int));

    void Form_Load();
    void LoadSettings();
    bool applySetting(int line, const QString &text);
    void applyDefaultSettings();
    void SaveSettings();
    void SetMenuColor(const QColor &colour, bool all);
    void BuildTree();
    void CheckRiwayaMenu();
    void addRiwayaItem(qsizetype n, const QString &riwaya);
    void Form_Resize();
    void markPlayedNode();
    void treeMousePressed(QMouseEvent *event);
    void ShowTreePopup();
    MenuForm::State menuState() const;
    void trayActivated(int reason);
    void updateTrayTip();
    void syncSaveItems();
    void updateTrayChoice();
    void setTitleText(const QString &text);

    static void checkOnly(const QList<QAction *> &items, int index);

    Catalogue m_catalogue;
    AudioPlayer *m_player = nullptr;
    RecentList m_recent;
    Playback *m_playback = nullptr;
    PlayQueue *m_queue = nullptr;
    std::unique_ptr<Favourites> m_favourites;
    MprisService *m_mpris = nullptr;
    MenuForm *m_menus = nullptr;
    QSystemTrayIcon *m_trayIcon = nullptr;
    QMenu *m_lastMenu = nullptr;
    QAction *m_separ = nullptr;
    QAction *m_mnudeletelasts = nullptr;
    QList<QAction *> m_LastItems;
    KeyedTree *m_keyedTree = nullptr;
    CatalogueTree *m_catalogueTree = nullptr;

    QWidget *m_inner = nullptr;
    QTextEdit *LTitle = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    AudioControl *RealAudio = nullptr;
    QFrame *Line1 = nullptr;
    QPushButton *CHide = nullptr;
    QPushButton *CSearch = nullptr;
    QPushButton *CStop = nullptr;
    QLineEdit *TSearch = nullptr;
    QList<QRadioButton *> OptionS;

    QAction *SaveMP3 = nullptr;
    QAction *SaveRM = nullptr;
    QMenu *m_riwayaMenu = nullptr;
    QList<QAction *> m_QSort;
    QList<QAction *> m_DSort;
    QList<QAction *> m_Foption;
    QList<QAction *> m_Riwaya;
    QList<QAction *> m_mnuMintoTray;

    // The window measures as read from the settings file, written back unchanged when the window
    // still has the size and place they gave (twips are finer than pixels).
    enum Measure
    {
        Top,
        Left,
        Width,
        Height
    };
    std::optional<int> m_readTwips[4];
    int twipsToWrite(Measure m, int pixels) const;
    bool m_unloaded = false;
};
