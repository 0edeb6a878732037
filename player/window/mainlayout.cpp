#include "mainlayout.h"

#include "audiocontrol.h"
#include "searchbar.h"
#include "titlebox.h"

#include <QFrame>
#include <QHeaderView>
#include <QTreeWidget>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
// Places of the controls before the first resize, in pixels.
constexpr QRect kLTitle(8, 8, 321, 49);
constexpr QRect kTree(8, 96, 321, 265);
constexpr QRect kRealAudio(8, 368, 321, 57);
} // namespace

MainLayout::MainLayout(QWidget *inner, AudioPlayer *player)
    : QObject(inner)
    , m_inner(inner)
{
    Line1 = new QFrame(inner);
    Line1->setObjectName(u"Line1"_s);
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(0, 0, kTree.right(), 2);

    LTitle = new TitleBox(inner);
    LTitle->setGeometry(kLTitle);
    // Two lines of the title must fit whatever the font.
    const int twoLines = 2 * LTitle->fontMetrics().lineSpacing() + 2 * LTitle->frameWidth() + 4;
    LTitle->resize(LTitle->width(), std::max(kLTitle.height(), twoLines));

    m_searchBar = new SearchBar(inner);

    TreeView1 = new QTreeWidget(inner);
    TreeView1->setObjectName(u"TreeView1"_s);
    TreeView1->setHeaderHidden(true);
    TreeView1->setColumnCount(1);
    // Hidden, the header still reaches a screen reader, with a bare column number for a caption.
    TreeView1->setHeaderLabel(u"الأشرطة"_s);
    TreeView1->setAccessibleName(u"الأشرطة"_s);
    TreeView1->setAccessibleDescription(u"Enter للاستماع، ومفتاح القائمة لبقية الأوامر"_s);
    TreeView1->setGeometry(kTree);
    TreeView1->setUniformRowHeights(true);
    TreeView1->header()->setStretchLastSection(true);

    RealAudio = new AudioControl(player, inner);
    RealAudio->setObjectName(u"RealAudio"_s);
    RealAudio->setGeometry(kRealAudio);

    // While the search bar is closed it rests under the tree.
    m_searchBar->stackUnder(TreeView1);
    connect(m_searchBar, &SearchBar::opened, this, [this] { setSearchBarOpen(true); });
    connect(m_searchBar, &SearchBar::closed, this, [this] { setSearchBarOpen(false); });
}

void MainLayout::placeSearchBar()
{
    const int top = LTitle->y() + LTitle->height() + 5;
    TreeView1->move(TreeView1->x(), top);
    m_searchBar->setGeometry(TreeView1->x(), top, TreeView1->width(), m_searchBar->height());
}

void MainLayout::setSearchBarOpen(bool open)
{
    // Open, the tree moves down to make room for the row; closed, it covers the row again.
    TreeView1->move(TreeView1->x(), LTitle->y() + LTitle->height() + (open ? 35 : 5));
    if (open)
        m_searchBar->raise();
    else
        m_searchBar->stackUnder(TreeView1);
    Form_Resize();
}

void MainLayout::Form_Resize()
{
    const int innerWidth = m_inner->width();
    const int treeWidth = innerWidth - 2 * TreeView1->x();
    const int treeHeight = m_inner->height() - TreeView1->y() - RealAudio->height() - 20;
    if (treeWidth >= 0)
        TreeView1->resize(treeWidth, TreeView1->height());
    if (treeHeight >= 0)
        TreeView1->resize(TreeView1->width(), treeHeight);

    RealAudio->setGeometry(TreeView1->x(), TreeView1->y() + TreeView1->height() + 10,
                           TreeView1->width(), RealAudio->height());
    LTitle->setGeometry(TreeView1->x(), LTitle->y(), TreeView1->width(), LTitle->height());
    Line1->setGeometry(0, Line1->y(), innerWidth, Line1->height());
    m_searchBar->setGeometry(TreeView1->x(), m_searchBar->y(), TreeView1->width(),
                             m_searchBar->height());
}
