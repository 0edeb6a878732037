#include "mainframe.h"

#include "audiocontrol.h"
#include "audioplayer.h"
#include "audiosaving.h"
#include "catalogue.h"
#include "cataloguetree.h"
#include "editingactions.h"
#include "listeningwidgets.h"
#include "mainlayout.h"
#include "mainmenus.h"
#include "menucommands.h"
#include "mprisservice.h"
#include "playback.h"
#include "playedmarker.h"
#include "playersession.h"
#include "playqueue.h"
#include "queuebranch.h"
#include "recentmenu.h"
#include "searchbar.h"
#include "searchcontroller.h"
#include "sessionnotices.h"
#include "startupreport.h"
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

MainFrame::MainFrame(PlayerSession &session, QWidget *parent)
    : QMainWindow(parent)
    , m_session(session)
{
    const QString &folder = session.paths().folder();
    Playback &playback = session.playback();
    PlayQueue &queue = session.queue();
    setObjectName(u"mainframe"_s);
    setWindowTitle(caption());
    createControls();
    m_mainMenus = new MainMenus(menuBar(), this);
    m_recentMenu = new RecentMenu(m_mainMenus->items().Last, session.recentList(), this);
    m_menus = new MenuForm(this);
    m_keyedTree = new KeyedTree(TreeView1, this);
    m_catalogueTree = new CatalogueTree(session.catalogue(), *m_keyedTree, this);
    m_marker = new PlayedMarker(playback, *m_keyedTree, this);
    m_queueBranch = new QueueBranch(queue, *m_keyedTree, *m_marker, this);
    m_tray = new TrayController(this, m_menus->mnuTray(), this);
    m_popup = new TreePopup(*m_keyedTree, *m_menus, playback, queue, this);
    m_search = new SearchController(*m_layout->searchBar(), session.catalogue().index(),
                                    *m_keyedTree, this);
    m_placement = new WindowPlacement(this);
    m_editing = new EditingActions(session.catalogue(), *m_catalogueTree, queue, this,
                                   [this] { return m_popup->sourceKey(); });
    m_saving = new AudioSaving(playback, folder, this, [this] { return m_popup->sourceKey(); });
    m_tools = new ToolCommands(folder, this);
    createListeningMenus();
    connectParts();
    connectMenus();

    Form_Load();

    // Media keys and the desktop's media widget; without a session bus the program runs alone.
    m_mpris = new MprisService(session.player(), session, *this, folder, this);
    if (m_mpris->registerOnSessionBus())
        m_mpris->follow(playback, queue, session.player());
    m_mpris->setRepeat(&session.repeat());
}

MainFrame::~MainFrame() = default;

void MainFrame::createControls()
{
    m_inner = new QWidget(this);
    m_inner->setObjectName(u"inner"_s);
    setCentralWidget(m_inner);
    m_inner->installEventFilter(this);
    m_layout = new MainLayout(m_inner, &m_session.player());
    LTitle = m_layout->title();
    TreeView1 = m_layout->tree();
}

void MainFrame::createListeningMenus()
{
    m_listening = new ListeningWidgets(m_session.player(), m_session.playback(), m_session.repeat(),
                                       m_session.sleepTimer(),
                                       {m_layout->audio(), m_mainMenus->items().Tools,
                                        m_menus->mnuTray(), m_menus->tray().mnuShow, this});
}

void MainFrame::connectParts()
{
    Playback *playback = &m_session.playback();
    connect(&m_session.catalogue(), &Catalogue::riwayaAdded, m_mainMenus, &MainMenus::addRiwaya);
    connect(m_catalogueTree, &CatalogueTree::expanded, m_marker, &PlayedMarker::refresh);
    connect(m_catalogueTree, &CatalogueTree::rebuilt, m_queueBranch, &QueueBranch::sync);

    connect(playback, &Playback::titleChanged, this, &MainFrame::showTitle);
    connect(playback, &Playback::linkChanged, m_layout->audio(), &QWidget::setToolTip);
    connect(playback, &Playback::saveItemsChanged, this, &MainFrame::syncSaveItems);
    connect(playback, &Playback::recentChanged, m_recentMenu, &RecentMenu::FillRecentMenu);
    connect(m_recentMenu, &RecentMenu::lineChosen, playback, &Playback::replayRecent);
    connect(&m_session, &PlayerSession::riwayaFilterChanged, this, [this] {
        m_catalogueTree->setRiwayaFilter(m_session.riwayaFilter());
        m_mainMenus->CheckRiwayaMenu(m_session.riwayaFilter());
        m_catalogueTree->rebuild();
    });
    new SessionNotices(m_session, m_listening->status(), this);
}

void MainFrame::connectMenus()
{
    const MainMenus::Items &m = m_mainMenus->items();
    connect(m.Exit, &QAction::triggered, this, &MainFrame::Exit_Click);
    m.mnusearch->setEnabled(true);
    connect(m.mnusearch, &QAction::triggered, this, &MainFrame::mnusearch_Click);
    connect(m_menus->popup().mnusearch2, &QAction::triggered, this, &MainFrame::mnusearch2_Click);
    connect(m.Tools, &QMenu::aboutToShow, this, &MainFrame::updateTrayChoice);
    connect(m_mainMenus, &MainMenus::formatChosen, this, &MainFrame::Foption_Click);
    connect(m_mainMenus, &MainMenus::quranSortChosen, this, &MainFrame::QSort_Click);
    connect(m_mainMenus, &MainMenus::dourousSortChosen, this, &MainFrame::DSort_Click);
    connect(m_mainMenus, &MainMenus::riwayaChosen, this, &MainFrame::Riwaya_Click);
    connect(m_mainMenus, &MainMenus::minimiseTargetChosen, this, &MainFrame::mnuMintoTray_Click);
    m_tools->attach(m);
    connect(m.SaveMP3, &QAction::triggered, m_saving, &AudioSaving::SaveMP3_Click);
    connect(m.SaveRM, &QAction::triggered, m_saving, &AudioSaving::SaveRM_Click);
    m.AddNewFile->setEnabled(true);
    connect(m.AddNewFile, &QAction::triggered, m_editing, &EditingActions::ShowAddForm);
    new MenuCommands(
        {m_session, *m_catalogueTree, *m_popup, *m_menus, *m_saving, *m_editing, *m_tray, this});
}

void MainFrame::Form_Load()
{
    m_mainMenus->SetMenuColor(Qt::white, true);
    m_mainMenus->items().SaveMP3->setEnabled(false);
    m_mainMenus->items().SaveRM->setEnabled(false);
    m_session.playback().setCurrentTitle(kBasmala);
    LTitle->setTitleText(kBasmala + u'\n');
    m_tray->setTitle(LTitle->titleText());

    LoadSettings();
    SetRightToLeftLayout(TreeView1);
    BuildTree();
    m_recentMenu->FillRecentMenu();
    m_mainMenus->CheckRiwayaMenu(m_session.riwayaFilter());
    updateTrayChoice();

    m_layout->placeSearchBar();
}

void MainFrame::BuildTree()
{
    m_session.loadCatalogue();
    m_catalogueTree->BuildRootNodes();
    for (KeyedTree::Node root : m_keyedTree->roots())
        m_keyedTree->setSorted(root, true);
    StartupReport::rootsFilled();
}

// ---- settings -------------------------------------------------------------------------------

void MainFrame::LoadSettings()
{
    // The session has taken its own choices from config.ini; the menus show them.
    const Settings &s = m_session.startSettings();
    const MainMenus::Items &m = m_mainMenus->items();
    MainMenus::checkOnly(m.QSort, s.QuranSort);
    MainMenus::checkOnly(m.DSort, s.DourousSort);
    MainMenus::checkOnly(m.Foption, s.SoundFormat); // only 0 and 1 have an item to tick
    MainMenus::checkOnly(m.mnuMintoTray, m_session.minimiseTarget());
    m_catalogueTree->setRiwayaFilter(m_session.riwayaFilter());
    m_placement->apply(s.top, s.left, s.width, s.height);
    if (s.windowState)
        setWindowState(*s.windowState == Settings::Maximised   ? Qt::WindowMaximized
                       : *s.windowState == Settings::Minimised ? Qt::WindowMinimized
                                                               : Qt::WindowNoState);
    m_layout->searchBar()->setSearchMode(s.searchMode);
}

PlayerSession::WindowSettings MainFrame::windowSettings(Settings::WindowState state) const
{
    const WindowPlacement::Twips frame = m_placement->normalFrame();
    return {frame.top,    frame.left, frame.width,
            frame.height, state,      m_layout->searchBar()->searchMode()};
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
    m_session.playback().setSoundFormat(index);
}

void MainFrame::Riwaya_Click(int index)
{
    // The filter decides; the menu and the tree show it.
    m_session.setRiwayaFilter(
        m_session.riwayaFilter().afterChoosing(index, m_mainMenus->riwayaItems()));
}

void MainFrame::mnuMintoTray_Click(int index)
{
    m_session.setMinimiseTarget(index == Settings::ToTray ? Settings::ToTray : Settings::ToTaskbar);
    MainMenus::checkOnly(m_mainMenus->items().mnuMintoTray, m_session.minimiseTarget());
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
    m_mainMenus->items().SaveMP3->setEnabled(m_session.playback().saveMp3Enabled());
    m_mainMenus->items().SaveRM->setEnabled(m_session.playback().saveRmEnabled());
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
        if (m_session.minimiseTarget() == Settings::ToTray && TrayController::available() &&
            !m_tray->inTray())
            QMetaObject::invokeMethod(m_tray, &TrayController::ShowinTray, Qt::QueuedConnection);
        return;
    }
    m_layout->Form_Resize();
    showTitle(m_session.playback().CurrentTitle());
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
        const Settings::WindowState state = m_tray->inTray() || states & Qt::WindowMinimized
                                                ? Settings::Minimised
                                            : states & Qt::WindowMaximized ? Settings::Maximised
                                                                           : Settings::Normal;
        m_search->stop();
        if (isHidden() && m_tray->inTray())
            m_tray->mnuShow_Click();
        // Playing stops and config.ini is written. Modal: the program is about to end. A forced
        // close has nobody to answer a box.
        if (!m_session.close(windowSettings(state))) {
            if (ClosingWithForce())
                qWarning("the settings could not be written to %s",
                         qPrintable(m_session.paths().config()));
            else
                QMessageBox::warning(this, caption().trimmed(),
                                     u"تعذر حفظ الإعدادات في الملف config.ini."_s);
        }
        m_tray->DeleteFromTray();
        m_unloaded = true;
    }
    event->accept();
}

// ---- resizing -------------------------------------------------------------------------------

bool MainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_inner && event->type() == QEvent::Resize)
        Form_Resize();
    return QMainWindow::eventFilter(watched, event);
}

// ---- tray -----------------------------------------------------------------------------------

void MainFrame::updateTrayChoice()
{
    // Without a tray the choice cannot be honoured: grey it out (minimising then goes to the
    // taskbar).
    m_mainMenus->items().mnuMintoTray[0]->setEnabled(TrayController::available());
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
