#include "mainframe.h"

#include "audiocontrol.h"
#include "audioplayer.h"
#include "cataloguetree.h"
#include "codepage.h"
#include "favourites.h"
#include "general.h"
#include "keyedtree.h"
#include "mprisservice.h"
#include "mpvplayer.h"
#include "playback.h"
#include "playqueue.h"
#include "settingsfile.h"
#include "widgets.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QFrame>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextEdit>
#include <QTreeWidget>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;
using namespace SettingsFile;

namespace {

const QString kAllRiwayat = u"كل الروايات"_s;
const QString kBasmala = u"بسم الله الرحمن الرحيم"_s;

// Design places of the controls, in pixels (left, top, width, height).
constexpr QRect kCHide(8, 64, 41, 25);
constexpr QRect kCSearch(56, 64, 41, 25);
constexpr QRect kOption0(104, 72, 49, 13);
constexpr QRect kOption1(152, 72, 39, 13);
constexpr QRect kTSearch(200, 64, 128, 25);
constexpr QRect kLTitle(8, 8, 321, 49);
constexpr QRect kTree(8, 96, 321, 265);
constexpr QRect kRealAudio(8, 368, 321, 57);

} // namespace

const QString &MainFrame::caption()
{
    static const QString text = u" Marvoli"_s;
    return text;
}

MainFrame::MainFrame(const QString &folder, AudioPlayer *player, QWidget *parent)
    : QMainWindow(parent)
    , appFolder(folder)
    , m_player(player ? player : new MpvPlayer(folder))
    , m_recent(folder + u"/last.txt"_s)
{
    m_player->setParent(this);
    setObjectName(u"mainframe"_s);
    setWindowTitle(caption());
    createControls();
    createMenus();

    m_keyedTree = new KeyedTree(TreeView1, this);
    m_catalogueTree = new CatalogueTree(m_catalogue, *m_keyedTree, this);
    m_catalogueTree->afterExpand = [this](KeyedTree::Node) {
        markPlayedNode();
    };
    connect(&m_catalogue, &Catalogue::riwayaAdded, this, &MainFrame::addRiwayaItem);

    m_menus = new MenuForm(this);
    // Popup items whose features come later stay disabled until then.
    for (const QString &name :
         {u"mnuDMP3"_s, u"mnuDRM"_s, u"mnuSaveMP3"_s, u"mnuSaveRM"_s, u"mnumodify"_s,
          u"mnudelete"_s, u"mnuAddNew2Dir"_s, u"mnusearch2"_s, u"mnuDelDir"_s,
          u"mnuCopyLinkMP3Tray"_s, u"mnuCopyLinkRMTray"_s, u"mnuSaveMP3Tray"_s, u"mnuSaveRMTray"_s})
        m_menus->setAvailable(name, false);

    m_playback = new Playback(*m_player, *m_keyedTree, m_recent, this);
    connect(m_playback, &Playback::titleChanged, this, [this](const QString &title) {
        setTitleText(title);
        AdjustTitleLines();
        updateTrayTip();
    });
    connect(m_playback, &Playback::linkChanged, RealAudio, &QWidget::setToolTip);
    connect(m_playback, &Playback::saveItemsChanged, this, &MainFrame::syncSaveItems);
    connect(m_playback, &Playback::recentChanged, this, &MainFrame::FillRecentMenu);
    connect(m_playback, &Playback::pauseCaptionChanged, this,
            [this](const QString &text) { m_menus->item(u"mnuPause"_s)->setText(text); });

    m_queue = new PlayQueue(*m_playback, *m_catalogueTree, this);
    m_playback->queueStep = [this](qint64 position, qint64 length) {
        m_queue->positionChanged(position, length);
    };
    connect(m_queue, &PlayQueue::entrySelected, this,
            [this](KeyedTree::Node node) { SourceNode = node; });
    m_favourites = std::make_unique<Favourites>(*m_catalogueTree, folder + u"/DB/favorites.txt"_s);

    const auto onItem = [this](const QString &name, auto handler) {
        connect(m_menus->item(name), &QAction::triggered, this, handler);
    };
    onItem(u"mnulisten"_s, &MainFrame::mnulisten_Click);
    onItem(u"mnulistenrm"_s, &MainFrame::mnulisten_RM);
    onItem(u"mnuCollapseall"_s, &MainFrame::mnuCollapseall_Click);
    onItem(u"mnucollapsenode"_s, &MainFrame::mnucollapsenode_Click);
    onItem(u"mnuShow"_s, &MainFrame::mnuShow_Click);
    onItem(u"mnuAdd2Fav"_s, &MainFrame::mnuAdd2Fav_Click);
    onItem(u"mnuAdd2Playlist"_s, [this] { m_queue->Add2Playlist(TreeView1->currentItem()); });
    onItem(u"mnuPlayNext"_s, [this] { m_queue->PlayNextInPlayList(); });
    onItem(u"mnuPlayNextTray"_s, [this] { m_queue->PlayNextInPlayList(); });
    onItem(u"mnuMoveup"_s, [this] { m_queue->MoveNodeUp(SourceNode, 1); });
    onItem(u"mnuMoveDown"_s, [this] { m_queue->MoveNodeUp(SourceNode, 2); });
    onItem(u"mnuExit"_s, &MainFrame::mnuExit_Click);
    connect(m_menus->item(u"mnuPause"_s), &QAction::triggered, m_playback, &Playback::pauseToggle);
    connect(m_menus->item(u"mnuStop"_s), &QAction::triggered, m_playback, &Playback::stop);
    connect(m_menus->mnuTray(), &QMenu::aboutToShow, this, [this] {
        const LinkPair played = PlayedNode().isEmpty() ? LinkPair() : ExtractLinks(PlayedNode());
        m_menus->PrepareTrayMenu(menuState(), played);
    });

    Form_Load();

    // Media keys and the desktop's media widget; without a session bus the program runs alone.
    m_mpris = new MprisService(*m_player, *this, this);
    if (m_mpris->registerOnSessionBus()) {
        connect(m_playback, &Playback::titleChanged, m_mpris, &MprisService::metadataChanged);
        connect(m_queue, &PlayQueue::changed, m_mpris, &MprisService::canGoNextChanged);
        connect(m_player, &AudioPlayer::StateChanged, m_mpris, &MprisService::canGoNextChanged);
    }
}

MainFrame::~MainFrame()
{
    delete m_trayIcon;
}

QString MainFrame::PlayedNode() const
{
    return m_playback->PlayedNode;
}

QString MainFrame::CurrentTitle() const
{
    return m_playback->CurrentTitle;
}

int MainFrame::QuranSort() const
{
    return m_catalogue.paths().QuranSort;
}

int MainFrame::DourousSort() const
{
    return m_catalogue.paths().DourousSort;
}

QString MainFrame::RiwayaFilter() const
{
    return m_catalogueTree->RiwayaFilter;
}

void MainFrame::createControls()
{
    m_inner = new QWidget(this);
    m_inner->setObjectName(u"inner"_s);
    setCentralWidget(m_inner);
    m_inner->installEventFilter(this);

    Line1 = new QFrame(m_inner);
    Line1->setObjectName(u"Line1"_s);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(0, 0, kTree.right(), 2);

    LTitle = new QTextEdit(m_inner);
    LTitle->setObjectName(u"LTitle"_s);
    LTitle->setReadOnly(true);
    LTitle->setAlignment(Qt::AlignCenter);
    LTitle->setGeometry(kLTitle);
    LTitle->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LTitle->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    LTitle->document()->setDocumentMargin(1);
    // Two lines of the title must fit whatever the font: the box is at least as tall as that.
    const int twoLines = 2 * LTitle->fontMetrics().lineSpacing() + 2 * LTitle->frameWidth() + 4;
    LTitle->resize(LTitle->width(), std::max(kLTitle.height(), twoLines));

    const auto button = [this](const QString &name, const QString &text, const QRect &place) {
        auto *b = new QPushButton(text, m_inner);
        b->setObjectName(name);
        b->setGeometry(place);
        return b;
    };
    CHide = button(u"CHide"_s, u"إخفاء"_s, kCHide);
    CSearch = button(u"CSearch"_s, u"بحث"_s, kCSearch);
    CStop = button(u"CStop"_s, u"إيقاف"_s, kCSearch);
    // Searching arrives with its own milestone; until then its controls do nothing.
    for (QPushButton *b : {CHide, CSearch, CStop})
        b->setEnabled(false);

    const QStringList options{u"كلمات"_s, u"نص"_s};
    const QRect optionPlaces[2] = {kOption0, kOption1};
    for (int i = 0; i < 2; ++i) {
        auto *option = new QRadioButton(options[i], m_inner);
        option->setObjectName(u"OptionS_%1"_s.arg(i));
        option->setGeometry(optionPlaces[i]);
        OptionS.append(option);
    }

    TSearch = new QLineEdit(m_inner);
    TSearch->setObjectName(u"TSearch"_s);
    TSearch->setGeometry(kTSearch);
    TSearch->setEnabled(false);

    TreeView1 = new QTreeWidget(m_inner);
    TreeView1->setObjectName(u"TreeView1"_s);
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    TreeView1->setGeometry(kTree);
    TreeView1->setUniformRowHeights(true);
    TreeView1->header()->setStretchLastSection(true);
    TreeView1->setContextMenuPolicy(Qt::NoContextMenu);
    TreeView1->viewport()->installEventFilter(this);
    TreeView1->installEventFilter(this);

    RealAudio = new AudioControl(m_player, m_inner);
    RealAudio->setObjectName(u"RealAudio"_s);
    RealAudio->setGeometry(kRealAudio);

    // The search button rests under the tree while the search bar is closed.
    CSearch->stackUnder(TreeView1);
}

QAction *MainFrame::addItem(QMenu *menu, const QString &name, const QString &text, bool enabled)
{
    QAction *action = menu->addAction(text);
    action->setObjectName(name);
    action->setEnabled(enabled);
    return action;
}

QAction *MainFrame::addSeparator(QMenu *menu, const QString &name)
{
    QAction *action = menu->addSeparator();
    action->setObjectName(name);
    return action;
}

QAction *MainFrame::addArrayItem(QMenu *menu, QList<QAction *> &array, const QString &name,
                                 const QString &text, void (MainFrame::*handler)(int))
{
    const int index = int(array.size());
    QAction *action = addItem(menu, u"%1_%2"_s.arg(name).arg(index), text);
    action->setCheckable(true);
    connect(action, &QAction::triggered, this, [this, handler, index] { (this->*handler)(index); });
    array.append(action);
    return action;
}

void MainFrame::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(u"MenuBar"_s);

    // Items whose work belongs to features still to come are shown disabled.
    QMenu *file = bar->addMenu(u"الرئيسية"_s);
    file->setObjectName(u"File"_s);
    addItem(file, u"AddNewFile"_s, u"إضافة شريط جديد"_s, false);
    addSeparator(file, u"sep"_s);
    addItem(file, u"mnusearch"_s, u"البحث عن شريط"_s, false);
    addSeparator(file, u"mline"_s);
    SaveMP3 = addItem(file, u"SaveMP3"_s, u"نسخ رابط الملف بصيغة MP3"_s);
    SaveRM = addItem(file, u"SaveRM"_s, u"نسخ رابط الملف بصيغة RM "_s);
    addSeparator(file, u"sspp"_s);
    connect(addItem(file, u"Exit"_s, u"خروج"_s), &QAction::triggered, this, &MainFrame::Exit_Click);

    m_lastMenu = bar->addMenu(u"المحفوظات"_s);
    m_lastMenu->setObjectName(u"Last"_s);
    m_mnudeletelasts = addItem(m_lastMenu, u"mnudeletelasts"_s, u"حذف جميع المحفوظات"_s);
    connect(m_mnudeletelasts, &QAction::triggered, this, &MainFrame::mnudeletelasts_Click);
    m_separ = addSeparator(m_lastMenu, u"separ"_s);
    m_LastItems.append(addItem(m_lastMenu, u"LastItems_0"_s, u"....."_s));

    QMenu *tools = bar->addMenu(u"أدوات"_s);
    tools->setObjectName(u"Tools"_s);
    QMenu *format = tools->addMenu(u"الصيغة المفضلة"_s);
    format->setObjectName(u"PFormat"_s);
    addArrayItem(format, m_Foption, u"Foption"_s, u"MP3"_s, &MainFrame::Foption_Click);
    addArrayItem(format, m_Foption, u"Foption"_s, u"RM"_s, &MainFrame::Foption_Click);
    addSeparator(tools, u"s112"_s);
    QMenu *surat = tools->addMenu(u"ترتيب السور القرآنية"_s);
    surat->setObjectName(u"SuratSort"_s);
    for (const QString &text : {u"الرواية - القارئ - السورة"_s, u"الرواية - السورة - القارئ"_s,
                                u"القارئ - السورة"_s, u"السورة - القارئ"_s})
        addArrayItem(surat, m_QSort, u"QSort"_s, text, &MainFrame::QSort_Click);
    QMenu *khotab = tools->addMenu(u"ترتيب الدروس والخطب"_s);
    khotab->setObjectName(u"KhotabSort"_s);
    addArrayItem(khotab, m_DSort, u"DSort"_s, u"حسب أسماء العلماء والدعاة"_s,
                 &MainFrame::DSort_Click);
    addArrayItem(khotab, m_DSort, u"DSort"_s, u"حسب الموضوع"_s, &MainFrame::DSort_Click);
    addSeparator(tools, u"spp"_s);
    m_riwayaMenu = tools->addMenu(u"عرض الروايات"_s);
    m_riwayaMenu->setObjectName(u"ARiwaya"_s);
    addArrayItem(m_riwayaMenu, m_Riwaya, u"Riwaya"_s, kAllRiwayat, &MainFrame::Riwaya_Click);
    addSeparator(tools, u"spa"_s);
    addItem(tools, u"mUpdate"_s, u"تحديث البرنامج"_s, false);
    addItem(tools, u"IntOptions"_s, u"إعدادات الإنترنت"_s, false);
    addSeparator(tools, u"seo5"_s);
    connect(tools, &QMenu::aboutToShow, this, &MainFrame::updateTrayChoice);
    QMenu *minimise = tools->addMenu(u"تصغير النافذة"_s);
    minimise->setObjectName(u"mnumin"_s);
    addArrayItem(minimise, m_mnuMintoTray, u"mnuMintoTray"_s, u"إلى علبة النظام"_s,
                 &MainFrame::mnuMintoTray_Click);
    addArrayItem(minimise, m_mnuMintoTray, u"mnuMintoTray"_s, u"إلى شريط المهام"_s,
                 &MainFrame::mnuMintoTray_Click);

    QAction *about = bar->addAction(u"حول البرنامج"_s);
    about->setObjectName(u"about"_s);
    about->setEnabled(false);
}

void MainFrame::Form_Load()
{
    SetMenuColor(Qt::white, true);
    SaveMP3->setEnabled(false);
    SaveRM->setEnabled(false);
    m_playback->CurrentTitle = kBasmala;
    setTitleText(kBasmala + u'\n');

    m_catalogue.paths().resetLists();

    linkFolder = appFolder + u"/DB"_s;
    cfile = appFolder + u"/config.ini"_s;
    lastFile = appFolder + u"/last.txt"_s;
    FavoritesFile = linkFolder + u"/favorites.txt"_s;
    MesCasettes = linkFolder + u"/additions.txt"_s;
    m_catalogue.linkFolder = linkFolder;

    LoadSettings();
    SetRightToLeftLayout(TreeView1);
    BuildTree();
    FillRecentMenu();
    CheckRiwayaMenu();
    updateTrayChoice();

    // The search bar starts closed: only the search button, under the tree.
    const int top = LTitle->y() + LTitle->height() + 5;
    TreeView1->move(TreeView1->x(), top);
    for (QWidget *w : std::initializer_list<QWidget *>{CHide, CSearch, TSearch, CStop})
        w->move(w->x(), top);
    CStop->move(CSearch->x(), CStop->y());
    for (QWidget *w :
         std::initializer_list<QWidget *>{CHide, TSearch, OptionS[0], OptionS[1], CStop})
        w->hide();
    CSearch->show();
}

void MainFrame::BuildTree()
{
    m_catalogue.BuildTree();
    m_catalogueTree->BuildRootNodes();
    for (KeyedTree::Node root : m_keyedTree->roots())
        m_keyedTree->setSorted(root, true);
}

void MainFrame::SetMenuColor(const QColor &colour, bool all)
{
    const auto paint = [&colour](QWidget *w) {
        QPalette p = w->palette();
        p.setColor(QPalette::Window, colour);
        p.setColor(QPalette::Base, colour);
        w->setPalette(p);
        w->setAutoFillBackground(true);
    };
    paint(menuBar());
    if (all)
        for (QMenu *menu : menuBar()->findChildren<QMenu *>())
            paint(menu);
    menuBar()->update();
}

// ---- settings -------------------------------------------------------------------------------

void MainFrame::LoadSettings()
{
    if (FileExists(cfile)) {
        bool ok = false;
        const QStringList lines = readCodePageLines(cfile, &ok);
        bool complete = ok && lines.size() >= LineCount;
        for (int line = 1; complete && line <= LineCount; ++line)
            complete = applySetting(line, lines.at(line - 1));
        if (complete)
            return;
    }
    applyDefaultSettings();
}

bool MainFrame::applySetting(int line, const QString &text)
{
    if (line == RiwayaFilterLine) {
        m_catalogueTree->RiwayaFilter = text;
        return true;
    }
    const std::optional<int> value = parseNumber(line, text);
    if (!value)
        return false;
    const int v = *value;
    switch (line) {
    case QuranSortLine:
        m_catalogue.paths().QuranSort = v;
        checkOnly(m_QSort, v);
        break;
    case DourousSortLine:
        m_catalogue.paths().DourousSort = v;
        checkOnly(m_DSort, v);
        break;
    case SoundFormatLine:
        // Any number is kept (and written back); only 0 and 1 have a menu item to tick.
        SoundFormat = v;
        m_playback->SoundFormat = v;
        checkOnly(m_Foption, v);
        break;
    case MaxLignesLine:
        MaxLignes = v;
        m_recent.MaxLignes = v;
        break;
    case MaxTitleLenLine:
        MaxTitleLen = v;
        m_recent.MaxTitleLen = v;
        break;
    case TopLine:
        m_readTwips[Top] = v;
        move(x(), toPixels(v));
        break;
    case LeftLine:
        m_readTwips[Left] = v;
        move(toPixels(v), y());
        break;
    case WidthLine:
        m_readTwips[Width] = v;
        resize(toPixels(v), height());
        break;
    case HeightLine:
        m_readTwips[Height] = v;
        resize(width(), toPixels(v));
        break;
    case WindowStateLine:
        setWindowState(v == 2   ? Qt::WindowMaximized
                       : v == 1 ? Qt::WindowMinimized
                                : Qt::WindowNoState);
        break;
    case SearchModeLine:
        OptionS[v]->setChecked(true);
        break;
    case MinimiseTargetLine:
        mnuMintoTray_Click(v);
        break;
    }
    return true;
}

void MainFrame::applyDefaultSettings()
{
    m_catalogue.paths().QuranSort = 0;
    checkOnly(m_QSort, 0);
    m_catalogue.paths().DourousSort = 0;
    checkOnly(m_DSort, 0);
    SoundFormat = 0;
    m_playback->SoundFormat = 0;
    checkOnly(m_Foption, 0);
    MaxLignes = 25;
    m_recent.MaxLignes = 25;
    MaxTitleLen = 100;
    m_recent.MaxTitleLen = 100;
    // Centred with the size the window has now, then given the default size.
    const QRect screenArea = screen() ? screen()->geometry() : QRect(0, 0, 1024, 768);
    move((screenArea.width() - width()) / 2, (screenArea.height() - height()) / 2);
    resize(toPixels(kDefaultWidth), toPixels(kDefaultHeight));
    for (std::optional<int> &m : m_readTwips)
        m.reset();
    m_catalogueTree->RiwayaFilter = u'@' + kAllRiwayat;
    OptionS[0]->setChecked(true);
    mnuMintoTray_Click(0);
}

int MainFrame::twipsToWrite(Measure m, int pixels) const
{
    const std::optional<int> &read = m_readTwips[m];
    if (read && toPixels(*read) == pixels)
        return *read;
    return toTwips(pixels);
}

void MainFrame::SaveSettings()
{
    const Qt::WindowStates states = windowState();
    const int s = states & Qt::WindowMinimized ? 1 : states & Qt::WindowMaximized ? 2 : 0;
    // The measures of the normal window, whatever state it is in now.
    const QRect normal = (states & (Qt::WindowMinimized | Qt::WindowMaximized))
                             ? normalGeometry()
                             : QRect(pos(), size());
    int widthPx = normal.width();
    int heightPx = normal.height();
    int widthTw = twipsToWrite(Width, widthPx);
    int heightTw = twipsToWrite(Height, heightPx);
    if (widthTw < kMinWidth) {
        widthTw = kMinWidth;
        resize(toPixels(kMinWidth), height());
    }
    if (heightTw < kMinHeight) {
        heightTw = kMinHeight;
        resize(width(), toPixels(kMinHeight));
    }
    const int topTw = twipsToWrite(Top, normal.y());
    const int leftTw = twipsToWrite(Left, normal.x());

    const QStringList lines{
        QString::number(QuranSort()),
        QString::number(DourousSort()),
        QString::number(SoundFormat),
        QString::number(MaxLignes),
        QString::number(MaxTitleLen),
        QString::number(topTw > 0 ? topTw : 0),
        QString::number(leftTw > 0 ? leftTw : 0),
        QString::number(widthTw),
        QString::number(heightTw),
        QString::number(s),
        m_catalogueTree->RiwayaFilter,
        QString::number(OptionS[1]->isChecked() ? 1 : 0),
        QString::number(m_mnuMintoTray[0]->isChecked() ? 0 : 1),
    };
    writeCodePageLines(cfile, lines);
}

// ---- menus ----------------------------------------------------------------------------------

void MainFrame::checkOnly(const QList<QAction *> &items, int index)
{
    for (int i = 0; i < items.size(); ++i)
        items[i]->setChecked(i == index);
}

void MainFrame::QSort_Click(int index)
{
    checkOnly(m_QSort, index);
    m_catalogueTree->setQuranSort(index);
}

void MainFrame::DSort_Click(int index)
{
    checkOnly(m_DSort, index);
    m_catalogueTree->setDourousSort(index);
}

void MainFrame::Foption_Click(int index)
{
    checkOnly(m_Foption, index);
    SoundFormat = index;
    m_playback->SoundFormat = index;
}

void MainFrame::Riwaya_Click(int index)
{
    if (index == 0) {
        checkOnly(m_Riwaya, 0);
    } else {
        // The action has already toggled itself; the rule looks at the state before the click.
        const bool wasChecked = !m_Riwaya[index]->isChecked();
        m_Riwaya[index]->setChecked(!wasChecked);
        if (!wasChecked)
            m_Riwaya[0]->setChecked(false);
        bool every = m_Riwaya.size() > 1;
        for (int k = 1; k < m_Riwaya.size(); ++k)
            every = every && m_Riwaya[k]->isChecked();
        if (every)
            checkOnly(m_Riwaya, 0);
    }
    QString filter;
    for (QAction *item : std::as_const(m_Riwaya))
        if (item->isChecked())
            filter += u'@' + item->text();
    m_catalogueTree->RiwayaFilter = filter;
    m_catalogueTree->rebuild();
}

void MainFrame::addRiwayaItem(qsizetype n, const QString &riwaya)
{
    // Items are numbered like the riwaya list; a gap cannot happen, but never misnumber one.
    while (m_Riwaya.size() < n)
        addArrayItem(m_riwayaMenu, m_Riwaya, u"Riwaya"_s, QString(), &MainFrame::Riwaya_Click);
    addArrayItem(m_riwayaMenu, m_Riwaya, u"Riwaya"_s, riwaya, &MainFrame::Riwaya_Click);
}

void MainFrame::CheckRiwayaMenu()
{
    const QString &filter = m_catalogueTree->RiwayaFilter;
    if (filter.isEmpty())
        return;
    for (QAction *item : std::as_const(m_Riwaya))
        item->setChecked(filter.contains(u'@' + item->text()));
}

void MainFrame::mnuMintoTray_Click(int index)
{
    checkOnly(m_mnuMintoTray, index);
}

void MainFrame::Exit_Click()
{
    UnloadAllWindows(false);
}

// ---- tree -----------------------------------------------------------------------------------

void MainFrame::markPlayedNode()
{
    // Expansion may just have created the playing tape's node: mark it at once.
    if (PlayedNode().isEmpty() || m_player->PlayState() == 0)
        return;
    if (KeyedTree::Node node = m_keyedTree->item(PlayedNode()))
        m_keyedTree->setImage(node, u"sound"_s);
}

// ---- layout ---------------------------------------------------------------------------------

void MainFrame::AdjustTitleLines()
{
    LTitle->document()->setTextWidth(LTitle->viewport()->width());
    int lines = 0;
    for (QTextBlock b = LTitle->document()->begin(); b.isValid(); b = b.next())
        lines += b.layout() ? b.layout()->lineCount() : 0;
    TitleLineCount = lines;
    if (lines == 1)
        setTitleText(u'\n' + LTitle->toPlainText());
}

QString MainFrame::titleText() const
{
    return LTitle->toPlainText();
}

void MainFrame::setTitleText(const QString &text)
{
    LTitle->setPlainText(text);
    QTextCursor all(LTitle->document());
    all.select(QTextCursor::Document);
    QTextBlockFormat centred;
    centred.setAlignment(Qt::AlignCenter);
    all.mergeBlockFormat(centred);
}

bool MainFrame::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_inner && event->type() == QEvent::Resize)
        Form_Resize();
    if (!TreeView1)
        return QMainWindow::eventFilter(watched, event); // still being built
    if (watched == TreeView1->viewport()) {
        if (event->type() == QEvent::MouseButtonPress)
            treeMousePressed(static_cast<QMouseEvent *>(event));
        else if (event->type() == QEvent::MouseButtonRelease && SourceNode)
            TreeView1->setCurrentItem(SourceNode);
    }
    if (watched == TreeView1 && event->type() == QEvent::KeyPress) {
        // Keyboard users play the selected tape with Return or Enter, as a left click does.
        const int key = static_cast<QKeyEvent *>(event)->key();
        KeyedTree::Node node = TreeView1->currentItem();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) && CatalogueTree::NodeKind(node) == 2) {
            SourceNode = m_queue->playClicked(node);
            SourceType = 2;
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
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
        if (m_mnuMintoTray[0]->isChecked() && trayAvailable() && !m_trayIcon)
            QMetaObject::invokeMethod(this, &MainFrame::ShowinTray, Qt::QueuedConnection);
        return;
    }

    const int innerWidth = m_inner->width();
    const int innerHeight = m_inner->height();

    const int treeWidth = innerWidth - 2 * TreeView1->x();
    const int treeHeight = innerHeight - TreeView1->y() - RealAudio->height() - 20;
    if (treeWidth >= 0)
        TreeView1->resize(treeWidth, TreeView1->height());
    if (treeHeight >= 0)
        TreeView1->resize(TreeView1->width(), treeHeight);

    RealAudio->setGeometry(TreeView1->x(), TreeView1->y() + TreeView1->height() + 10,
                           TreeView1->width(), RealAudio->height());

    LTitle->setGeometry(TreeView1->x(), LTitle->y(), TreeView1->width(), LTitle->height());
    setTitleText(CurrentTitle());
    AdjustTitleLines();

    Line1->setGeometry(0, Line1->y(), innerWidth, Line1->height());

    const int buttons =
        CHide->width() + CSearch->width() + OptionS[0]->width() + OptionS[1]->width();
    const int free = TreeView1->width() - buttons - 15;
    const int searchWidth = free - 170 < 0 ? free : 170;
    if (searchWidth >= 0)
        TSearch->resize(searchWidth, TSearch->height());

    const int rowLeft =
        (TreeView1->width() - (buttons + TSearch->width()) - 15) / 2 + TreeView1->x();
    CHide->move(rowLeft, CHide->y());
    CSearch->move(CHide->x() + CHide->width() + 5, CSearch->y());
    CStop->move(CSearch->x(), CStop->y());
    const int optionTop = (TSearch->height() - OptionS[0]->height()) / 2 + TSearch->y();
    OptionS[0]->move(CSearch->x() + CSearch->width(), optionTop);
    OptionS[1]->move(OptionS[0]->x() + OptionS[0]->width(), optionTop);
    TSearch->move(OptionS[1]->x() + OptionS[1]->width() + 7, TSearch->y());

    LastWindowState = windowState() & Qt::WindowMaximized ? 2 : 0;
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
        m_player->StopPlay();
        if (isHidden() && m_trayIcon)
            mnuShow_Click();
        SaveSettings();
        DeleteFromTray();
        m_unloaded = true;
    }
    event->accept();
}

// ---- tree mouse and popup -------------------------------------------------------------------

void MainFrame::treeMousePressed(QMouseEvent *event)
{
    SourceNode = TreeView1->itemAt(event->position().toPoint());
    SourceType = CatalogueTree::NodeKind(SourceNode);
    if (SourceNode)
        TreeView1->setCurrentItem(SourceNode);

    if (event->button() == Qt::RightButton) {
        if (SourceType == 2) {
            PopupLinks = ExtractLinks(KeyedTree::key(SourceNode));
            m_menus->enableForLinks(PopupLinks);
        }
        ShowTreePopup();
    } else if (event->button() == Qt::LeftButton && SourceType == 2) {
        // Clicks on the expander of a folder are the view's; a tape has none.
        SourceNode = m_queue->playClicked(SourceNode);
    }
}

MenuForm::State MainFrame::menuState() const
{
    MenuForm::State state;
    state.source = SourceNode;
    state.playState = m_player->PlayState();
    state.playedNode = PlayedNode();
    state.clipText = m_player->ClipText();
    state.queueNode = m_queue->QueueNode();
    return state;
}

void MainFrame::ShowTreePopup()
{
    m_menus->prepareTreePopup(menuState());
    m_menus->mnupopup()->popup(QCursor::pos());
}

void MainFrame::mnulisten_Click()
{
    m_playback->listen(SourceNode, Playback::Mp3);
}

void MainFrame::mnulisten_RM()
{
    m_playback->listen(SourceNode, Playback::Rm);
}

void MainFrame::mnuCollapseall_Click()
{
    m_catalogueTree->CollapseAll();
}

void MainFrame::mnucollapsenode_Click()
{
    m_catalogueTree->CollapseSubtree(TreeView1->currentItem());
}

void MainFrame::mnuAdd2Fav_Click()
{
    if (!m_favourites->mnuAdd2Fav_Click(TreeView1->currentItem()))
        QMessageBox::warning(
            this, u"أشرطتي المفضلة"_s,
            u"تعذر حفظ الشريط في ملف المفضلة. تأكد من إمكان الكتابة في مجلد DB."_s);
}

void MainFrame::syncSaveItems()
{
    SaveMP3->setEnabled(m_playback->SaveMP3Enabled);
    SaveRM->setEnabled(m_playback->SaveRMEnabled);
}

// ---- recently played ------------------------------------------------------------------------

void MainFrame::ClearRecentMenu()
{
    m_LastItems[0]->setVisible(true);
    while (m_LastItems.size() > 1)
        delete m_LastItems.takeLast();
}

void MainFrame::FillRecentMenu()
{
    if (!m_recent.exists()) {
        ClearRecentMenu();
        m_LastItems[0]->setVisible(false);
        m_separ->setVisible(false);
        m_mnudeletelasts->setEnabled(false);
        return;
    }
    ClearRecentMenu();
    m_recent.reload();
    const QStringList &lines = m_recent.RecentLines();
    for (int n = 1; n <= lines.size(); ++n) {
        QAction *item =
            addItem(m_lastMenu, u"LastItems_%1"_s.arg(n), m_recent.caption(lines[n - 1]));
        connect(item, &QAction::triggered, this, [this, n] { LastItems_Click(n); });
        m_LastItems.append(item);
    }
    const bool any = !lines.isEmpty();
    m_LastItems[0]->setVisible(false);
    m_separ->setVisible(any);
    m_mnudeletelasts->setEnabled(any);
}

void MainFrame::LastItems_Click(int index)
{
    const QStringList &lines = m_recent.RecentLines();
    if (index < 1 || index > lines.size())
        return;
    const QString line = lines[index - 1];
    m_playback->replayRecent(line);
}

void MainFrame::mnudeletelasts_Click()
{
    m_recent.clear();
    ClearRecentMenu();
    m_LastItems[0]->setVisible(false);
    m_separ->setVisible(false);
    m_mnudeletelasts->setEnabled(false);
}

// ---- tray -----------------------------------------------------------------------------------

bool MainFrame::trayAvailable()
{
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void MainFrame::updateTrayChoice()
{
    // Without a tray the choice cannot be honoured: grey it out (minimising then goes to the
    // taskbar).
    m_mnuMintoTray[0]->setEnabled(trayAvailable());
}

void MainFrame::ShowinTray()
{
    if (!trayAvailable())
        return; // never hide a window that could not be found again
    TrayTip = u"Marvoli"_s;
    if (!m_trayIcon) {
        m_trayIcon =
            new QSystemTrayIcon(windowIcon().isNull() ? KeyedTree::icon(u"sound"_s) : windowIcon());
        m_trayIcon->setObjectName(u"TrayIcon"_s);
        m_trayIcon->setContextMenu(m_menus->mnuTray());
        connect(m_trayIcon, &QSystemTrayIcon::activated, this,
                [this](QSystemTrayIcon::ActivationReason reason) { trayActivated(reason); });
    }
    m_trayIcon->setToolTip(TrayTip);
    m_trayIcon->show();
    updateTrayTip();
    if (!(windowState() & Qt::WindowMinimized))
        setWindowState(windowState() | Qt::WindowMinimized);
    hide();
}

void MainFrame::DeleteFromTray()
{
    if (!m_trayIcon)
        return;
    m_trayIcon->hide();
    m_trayIcon->deleteLater();
    m_trayIcon = nullptr;
}

void MainFrame::updateTrayTip()
{
    if (!m_trayIcon)
        return;
    // The playing title on one line. The tip held 64 characters with its closing zero.
    QString tip = LTitle->toPlainText();
    tip.replace(u"\r\n"_s, u" "_s).replace(u'\n', u' ');
    TrayTip = tip.left(63);
    m_trayIcon->setToolTip(TrayTip);
}

void MainFrame::trayActivated(int reason)
{
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger) {
        // The state from before the minimise (showing the window updates LastWindowState).
        const int state = LastWindowState;
        if (state == 2)
            showMaximized();
        else
            showNormal();
        raise();
        activateWindow();
        DeleteFromTray();
    }
}

void MainFrame::mnuShow_Click()
{
    showNormal();
    raise();
    activateWindow();
    DeleteFromTray();
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
    mnuShow_Click();
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
    return m_player->ClipSource().isEmpty() ? QString() : CurrentTitle();
}

QString MainFrame::currentLink() const
{
    return m_player->ClipSource();
}
