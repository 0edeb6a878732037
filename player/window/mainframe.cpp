#include "mainframe.h"

#include "audiocontrol.h"
#include "audioplayer.h"
#include "audiosaving.h"
#include "catalogue.h"
#include "cataloguetree.h"
#include "editingactions.h"
#include "favourites.h"
#include "general.h"
#include "listeningcontrols.h"
#include "mainlayout.h"
#include "mainmenus.h"
#include "mprisservice.h"
#include "mpvplayer.h"
#include "playback.h"
#include "playedmarker.h"
#include "playqueue.h"
#include "queuebranch.h"
#include "recentmenu.h"
#include "searchbar.h"
#include "searchcontroller.h"
#include "settingsstore.h"
#include "startupreport.h"
#include "tapekeys.h"
#include "titlebox.h"
#include "toolcommands.h"
#include "traycontroller.h"
#include "treepopup.h"
#include "widgets.h"
#include "windowplacement.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTreeWidget>

using namespace Qt::Literals::StringLiterals;

const QString kBasmala = u"بسم الله الرحمن الرحيم"_s; // const: local to this file

const QString &MainFrame::caption()
{
    static const QString text = u" Marvoli"_s;
    return text;
}

MainFrame::MainFrame(const QString &folder, AudioPlayer *player, QWidget *parent)
    : QMainWindow(parent)
    , m_appFolder(folder)
    , m_catalogue(std::make_unique<Catalogue>())
    , m_player(player ? player : new MpvPlayer(folder))
    , m_recent(folder + u"/last.txt"_s)
{
    m_player->setParent(this);
    setObjectName(u"mainframe"_s);
    setWindowTitle(caption());
    createControls();
    m_mainMenus = new MainMenus(menuBar(), this);
    m_recentMenu = new RecentMenu(m_mainMenus->items().Last, m_recent, this);
    m_menus = new MenuForm(this);
    m_keyedTree = new KeyedTree(TreeView1, this);
    m_catalogueTree = new CatalogueTree(*m_catalogue, *m_keyedTree, this);
    m_playback = new Playback(*m_player, m_recent, this);
    m_queue = new PlayQueue(*m_playback, this);
    m_marker = new PlayedMarker(*m_playback, *m_keyedTree, this);
    m_queueBranch = new QueueBranch(*m_queue, *m_keyedTree, *m_marker, this);
    m_favourites = std::make_unique<Favourites>(*m_catalogue, folder + u"/DB/favorites.txt"_s);
    m_tray = new TrayController(this, m_menus->mnuTray(), this);
    m_popup = new TreePopup(*m_keyedTree, *m_menus, *m_playback, *m_queue, this);
    m_search =
        new SearchController(*m_layout->searchBar(), m_catalogue->index(), *m_keyedTree, this);
    m_placement = new WindowPlacement(this);
    m_editing = new EditingActions(*m_catalogue, *m_catalogueTree, *m_queue, this,
                                   [this] { return m_popup->sourceKey(); });
    m_saving = new AudioSaving(*m_playback, folder, this, [this] { return m_popup->sourceKey(); });
    m_tools = new ToolCommands(m_appFolder, this);
    m_sleep = new SleepAndResume(folder, *m_playback, *m_queue, *m_mainMenus, *m_menus, this);
    connectParts();
    connectMenus();

    Form_Load();

    // Media keys and the desktop's media widget; without a session bus the program runs alone.
    m_mpris = new MprisService(*m_player, *this, m_appFolder, this);
    if (m_mpris->registerOnSessionBus())
        m_mpris->follow(*m_playback, *m_queue, *m_player);
    m_listening = new ListeningControls(*this); // speed and repeat, kept between runs
}

MainFrame::~MainFrame() = default;

void MainFrame::createControls()
{
    m_inner = new QWidget(this);
    m_inner->setObjectName(u"inner"_s);
    setCentralWidget(m_inner);
    m_inner->installEventFilter(this);
    m_layout = new MainLayout(m_inner, m_player);
    LTitle = m_layout->title();
    TreeView1 = m_layout->tree();
}

void MainFrame::connectParts()
{
    connect(m_catalogue.get(), &Catalogue::riwayaAdded, m_mainMenus, &MainMenus::addRiwaya);
    m_catalogueTree->afterExpand = [this](KeyedTree::Node) {
        m_marker->refresh();
    };
    connect(m_catalogueTree, &CatalogueTree::rebuilt, m_queueBranch, &QueueBranch::sync);

    connect(m_playback, &Playback::titleChanged, this, &MainFrame::showTitle);
    connect(m_playback, &Playback::linkChanged, m_layout->audio(), &QWidget::setToolTip);
    connect(m_playback, &Playback::saveItemsChanged, this, &MainFrame::syncSaveItems);
    connect(m_playback, &Playback::recentChanged, this, [this](bool saved) {
        m_recentMenu->FillRecentMenu();
        if (!saved && !std::exchange(m_recentWarned, true))
            warn(u"المحفوظات"_s, u"تعذر حفظ قائمة المحفوظات في الملف last.txt."_s);
    });
    connect(m_playback, &Playback::pauseCaptionChanged, m_menus->tray().mnuPause,
            &QAction::setText);
    connect(m_recentMenu, &RecentMenu::lineChosen, m_playback, &Playback::replayRecent);
    SearchBar *bar = m_layout->searchBar();
    connect(bar, &SearchBar::opened, this, [this] { m_layout->setSearchBarOpen(true); });
    connect(bar, &SearchBar::closed, this, [this] { m_layout->setSearchBarOpen(false); });
}

void MainFrame::connectMenus()
{
    const MainMenus::Items &m = m_mainMenus->items();
    connect(m.Exit, &QAction::triggered, this, &MainFrame::Exit_Click);
    m.mnusearch->setEnabled(true);
    connect(m.mnusearch, &QAction::triggered, this, &MainFrame::mnusearch_Click);
    connect(m.Tools, &QMenu::aboutToShow, this, &MainFrame::updateTrayChoice);
    connect(m_mainMenus, &MainMenus::formatChosen, this, &MainFrame::Foption_Click);
    connect(m_mainMenus, &MainMenus::quranSortChosen, this, &MainFrame::QSort_Click);
    connect(m_mainMenus, &MainMenus::dourousSortChosen, this, &MainFrame::DSort_Click);
    connect(m_mainMenus, &MainMenus::riwayaChosen, this, &MainFrame::Riwaya_Click);
    connect(m_mainMenus, &MainMenus::minimiseTargetChosen, this, &MainFrame::mnuMintoTray_Click);

    const MenuForm::TreeItems &p = m_menus->popup();
    const MenuForm::TrayItems &t = m_menus->tray();
    connect(p.mnulisten, &QAction::triggered, this, &MainFrame::mnulisten_Click);
    connect(p.mnusearch2, &QAction::triggered, this, &MainFrame::mnusearch2_Click);
    connect(p.mnulistenrm, &QAction::triggered, this, &MainFrame::mnulisten_RM);
    connect(p.mnuCollapseall, &QAction::triggered, this, &MainFrame::mnuCollapseall_Click);
    connect(p.mnucollapsenode, &QAction::triggered, this, &MainFrame::mnucollapsenode_Click);
    connect(p.mnuAdd2Fav, &QAction::triggered, this, &MainFrame::mnuAdd2Fav_Click);
    m_tools->attach(m);
    connect(m.SaveMP3, &QAction::triggered, m_saving, &AudioSaving::SaveMP3_Click);
    connect(m.SaveRM, &QAction::triggered, m_saving, &AudioSaving::SaveRM_Click);
    connect(p.mnuSaveMP3, &QAction::triggered, m_saving, &AudioSaving::mnuSaveMP3_Click);
    connect(p.mnuSaveRM, &QAction::triggered, m_saving, &AudioSaving::mnuSaveRM_Click);
    connect(p.mnuDMP3, &QAction::triggered, m_saving, &AudioSaving::mnuDMP3_Click);
    connect(p.mnuDRM, &QAction::triggered, m_saving, &AudioSaving::mnuDRM_Click);
    connect(t.mnuSaveMP3Tray, &QAction::triggered, m_saving, &AudioSaving::SaveMP3Now);
    connect(t.mnuSaveRMTray, &QAction::triggered, m_saving, &AudioSaving::savermNow);
    connect(t.mnuCopyLinkMP3Tray, &QAction::triggered, m_saving,
            [this] { m_saving->copyPlayingLink(AudioSaving::Format::Mp3); });
    connect(t.mnuCopyLinkRMTray, &QAction::triggered, m_saving,
            [this] { m_saving->copyPlayingLink(AudioSaving::Format::Rm); });
    m.AddNewFile->setEnabled(true);
    connect(m.AddNewFile, &QAction::triggered, m_editing, &EditingActions::ShowAddForm);
    connect(p.mnuAddNew2Dir, &QAction::triggered, m_editing, &EditingActions::mnuAddNew2Dir_Click);
    connect(p.mnumodify, &QAction::triggered, m_editing, &EditingActions::ShowModifForm);
    connect(p.mnudelete, &QAction::triggered, m_editing, &EditingActions::mnudelete_Click);
    connect(p.mnuDelDir, &QAction::triggered, m_editing, &EditingActions::mnuDelDir_Click);
    connect(p.mnuAdd2Playlist, &QAction::triggered, this, &MainFrame::mnuAdd2Playlist_Click);
    connect(p.mnuPlayNext, &QAction::triggered, m_queue, &PlayQueue::PlayNextInPlayList);
    connect(p.mnuMoveup, &QAction::triggered, this,
            [this] { m_queue->MoveNodeUp(m_popup->sourceKey(), PlayQueue::MoveDirection::Up); });
    connect(p.mnuMoveDown, &QAction::triggered, this,
            [this] { m_queue->MoveNodeUp(m_popup->sourceKey(), PlayQueue::MoveDirection::Down); });
    connect(t.mnuPlayNextTray, &QAction::triggered, m_queue, &PlayQueue::PlayNextInPlayList);
    connect(t.mnuPause, &QAction::triggered, m_playback, &Playback::pauseToggle);
    connect(t.mnuStop, &QAction::triggered, m_playback, &Playback::stop);
    connect(t.mnuShow, &QAction::triggered, this, &MainFrame::mnuShow_Click);
    connect(t.mnuExit, &QAction::triggered, this, &MainFrame::mnuExit_Click);
    connect(m_menus->mnuTray(), &QMenu::aboutToShow, this, [this] {
        const QString &played = m_playback->PlayedNode();
        m_menus->PrepareTrayMenu(m_popup->menuState(),
                                 played.isEmpty() ? LinkPair() : ExtractLinks(played));
    });
}

void MainFrame::Form_Load()
{
    m_mainMenus->SetMenuColor(Qt::white, true);
    m_mainMenus->items().SaveMP3->setEnabled(false);
    m_mainMenus->items().SaveRM->setEnabled(false);
    m_playback->setCurrentTitle(kBasmala);
    LTitle->setTitleText(kBasmala + u'\n');
    m_tray->setTitle(LTitle->titleText());

    m_catalogue->paths().resetLists();
    m_catalogue->linkFolder = m_appFolder + u"/DB"_s;

    LoadSettings();
    SetRightToLeftLayout(TreeView1);
    BuildTree();
    m_recentMenu->FillRecentMenu();
    m_mainMenus->CheckRiwayaMenu(m_catalogueTree->RiwayaFilter());
    updateTrayChoice();

    m_layout->placeSearchBar();
}

void MainFrame::BuildTree()
{
    m_catalogue->BuildTree();
    m_catalogueTree->BuildRootNodes();
    for (KeyedTree::Node root : m_keyedTree->roots())
        m_keyedTree->setSorted(root, true);
    StartupReport::rootsFilled();
}

// ---- settings -------------------------------------------------------------------------------

void MainFrame::LoadSettings()
{
    const Settings s = SettingsStore::load(m_appFolder + u"/config.ini"_s);
    const MainMenus::Items &m = m_mainMenus->items();
    m_catalogue->paths().QuranSort = s.QuranSort;
    MainMenus::checkOnly(m.QSort, s.QuranSort);
    m_catalogue->paths().DourousSort = s.DourousSort;
    MainMenus::checkOnly(m.DSort, s.DourousSort);
    // Any format number is kept (and written back); only 0 and 1 have an item to tick.
    m_playback->setSoundFormat(s.SoundFormat);
    MainMenus::checkOnly(m.Foption, s.SoundFormat);
    m_recent.setMaxLignes(s.MaxLignes);
    m_recent.setMaxTitleLen(s.MaxTitleLen);
    m_placement->apply(s.top, s.left, s.width, s.height);
    if (s.windowState)
        setWindowState(*s.windowState == Settings::Maximised   ? Qt::WindowMaximized
                       : *s.windowState == Settings::Minimised ? Qt::WindowMinimized
                                                               : Qt::WindowNoState);
    m_catalogueTree->setRiwayaFilter(RiwayaFilter::fromStored(s.RiwayaFilter));
    m_layout->searchBar()->setSearchMode(s.searchMode);
    mnuMintoTray_Click(s.minimiseTarget);
}

bool MainFrame::SaveSettings(int windowState)
{
    const WindowPlacement::Twips frame = m_placement->normalFrame();
    Settings s;
    s.QuranSort = m_catalogue->paths().QuranSort;
    s.DourousSort = m_catalogue->paths().DourousSort;
    s.SoundFormat = m_playback->SoundFormat();
    s.MaxLignes = m_recent.MaxLignes();
    s.MaxTitleLen = m_recent.MaxTitleLen();
    s.top = frame.top;
    s.left = frame.left;
    s.width = frame.width;
    s.height = frame.height;
    s.windowState = windowState;
    s.RiwayaFilter = m_catalogueTree->RiwayaFilter().stored();
    s.searchMode = m_layout->searchBar()->searchMode();
    s.minimiseTarget = MainMenus::checkedIndex(m_mainMenus->items().mnuMintoTray) == 0
                           ? Settings::ToTray
                           : Settings::ToTaskbar;
    return SettingsStore::save(m_appFolder + u"/config.ini"_s, s);
}

// ---- menus ----------------------------------------------------------------------------------

void MainFrame::QSort_Click(int index)
{
    MainMenus::checkOnly(m_mainMenus->items().QSort, index);
    m_catalogueTree->setQuranSort(index);
}

void MainFrame::DSort_Click(int index)
{
    MainMenus::checkOnly(m_mainMenus->items().DSort, index);
    m_catalogueTree->setDourousSort(index);
}

void MainFrame::Foption_Click(int index)
{
    MainMenus::checkOnly(m_mainMenus->items().Foption, index);
    m_playback->setSoundFormat(index);
}

void MainFrame::Riwaya_Click(int index)
{
    // The filter decides; the menu shows it.
    m_catalogueTree->setRiwayaFilter(
        m_catalogueTree->RiwayaFilter().afterChoosing(index, m_mainMenus->riwayaItems()));
    m_mainMenus->CheckRiwayaMenu(m_catalogueTree->RiwayaFilter());
    m_catalogueTree->rebuild();
}

void MainFrame::mnuMintoTray_Click(int index)
{
    MainMenus::checkOnly(m_mainMenus->items().mnuMintoTray, index);
}

void MainFrame::mnusearch_Click()
{
    m_layout->searchBar()->open();
}

void MainFrame::mnusearch2_Click()
{
    mnusearch_Click();
}

void MainFrame::Exit_Click()
{
    UnloadAllWindows(false);
}

void MainFrame::syncSaveItems()
{
    m_mainMenus->items().SaveMP3->setEnabled(m_playback->saveMp3Enabled());
    m_mainMenus->items().SaveRM->setEnabled(m_playback->saveRmEnabled());
}

void MainFrame::warn(const QString &title, const QString &text)
{
    ShowNotice(this, QMessageBox::Warning, title, text, u"warning"_s);
}

// ---- layout ---------------------------------------------------------------------------------

void MainFrame::showTitle(const QString &title)
{
    LTitle->setTitleText(title);
    LTitle->AdjustTitleLines();
    m_tray->setTitle(LTitle->titleText());
}

void MainFrame::changeEvent(QEvent *event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::WindowStateChange)
        Form_Resize();
}

void MainFrame::Form_Resize()
{
    if (windowState() & Qt::WindowMinimized) {
        // To the tray when the user chose so and a tray exists; otherwise to the taskbar, so the
        // window can always be found again. The layout and the remembered state stay.
        if (m_mainMenus->items().mnuMintoTray[0]->isChecked() && TrayController::available() &&
            !m_tray->inTray())
            QMetaObject::invokeMethod(this, &MainFrame::ShowinTray, Qt::QueuedConnection);
        return;
    }
    m_layout->Form_Resize();
    showTitle(m_playback->CurrentTitle());
    m_tray->setLastWindowState(windowState() & Qt::WindowMaximized ? 2 : 0);
}

// ---- closing --------------------------------------------------------------------------------

void MainFrame::closeEvent(QCloseEvent *event)
{
    if (!m_unloaded) {
        // Other windows of the program close first; one that refuses keeps the program open.
        if (!UnloadAllWindows(false, this)) {
            event->ignore();
            return;
        }
        // The state from before any restoring: a window in the tray was minimised.
        const Qt::WindowStates states = windowState();
        const int state = m_tray->inTray() || states & Qt::WindowMinimized ? Settings::Minimised
                          : states & Qt::WindowMaximized                   ? Settings::Maximised
                                                                           : Settings::Normal;
        m_search->stop();
        m_player->StopPlay();
        if (isHidden() && m_tray->inTray())
            m_tray->mnuShow_Click();
        // Modal: the program is about to end. A forced close has nobody to answer a box.
        if (!SaveSettings(state)) {
            if (ClosingWithForce())
                qWarning("the settings could not be written to %s",
                         qPrintable(m_appFolder + u"/config.ini"_s));
            else
                QMessageBox::warning(this, caption().trimmed(),
                                     u"تعذر حفظ الإعدادات في الملف config.ini."_s);
        }
        DeleteFromTray();
        m_unloaded = true;
    }
    event->accept();
}

// ---- tree mouse and popup -------------------------------------------------------------------

bool MainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_inner && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

void MainFrame::mnulisten_Click()
{
    m_playback->playTapeKey(m_popup->sourceKey(), Playback::PlayMode::Mp3);
}

void MainFrame::mnulisten_RM()
{
    m_playback->playTapeKey(m_popup->sourceKey(), Playback::PlayMode::Rm);
}

void MainFrame::mnuCollapseall_Click()
{
    m_catalogueTree->CollapseAll();
}

void MainFrame::mnucollapsenode_Click()
{
    m_catalogueTree->CollapseSubtree(TreeView1->currentItem());
}

void MainFrame::mnuAdd2Playlist_Click()
{
    KeyedTree::Node node = TreeView1->currentItem();
    const QString key = KeyedTree::key(node);
    if (KeyedTree::kind(node) == KeyedTree::Kind::Tape)
        m_queue->Add2Playlist({key});
    else if (KeyedTree::kind(node) == KeyedTree::Kind::Folder && !CatalogueTree::IsRootNode(node))
        m_queue->Add2Playlist(m_catalogueTree->tapesBelow(key));
}

void MainFrame::mnuAdd2Fav_Click()
{
    KeyedTree::Node node = TreeView1->currentItem();
    if (KeyedTree::kind(node) != KeyedTree::Kind::Tape)
        return;
    if (!m_favourites->add(KeyedTree::key(node))) {
        warn(TapeKeys::favouritesCategory(),
             u"تعذر حفظ الشريط في ملف المفضلة. تأكد من إمكان الكتابة في مجلد DB."_s);
        return;
    }
    m_catalogueTree->resetFolder(Favourites::branchKey(), TapeKeys::favouritesCategory());
}

// ---- tray -----------------------------------------------------------------------------------

void MainFrame::updateTrayChoice()
{
    // Without a tray the choice cannot be honoured: grey it out (minimising then goes to the
    // taskbar).
    m_mainMenus->items().mnuMintoTray[0]->setEnabled(TrayController::available());
}

void MainFrame::ShowinTray()
{
    m_tray->ShowinTray();
}

void MainFrame::DeleteFromTray()
{
    m_tray->DeleteFromTray();
}

void MainFrame::mnuShow_Click()
{
    m_tray->mnuShow_Click();
}

void MainFrame::mnuExit_Click()
{
    UnloadAllWindows(false);
}

// ---- desktop media controls -----------------------------------------------------------------

void MainFrame::quitFromDesktop()
{
    close();
}

void MainFrame::raiseFromDesktop()
{
    m_tray->mnuShow_Click();
}

void MainFrame::playNextFromDesktop()
{
    m_queue->PlayNextInPlayList();
}

bool MainFrame::canGoNext() const
{
    return m_queue->canGoNext();
}

QString MainFrame::currentTitle() const
{
    return m_player->ClipSource().isEmpty() ? QString() : m_playback->CurrentTitle();
}

QString MainFrame::currentLink() const
{
    return m_player->ClipSource();
}
