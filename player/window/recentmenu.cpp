#include "recentmenu.h"

#include "recentlist.h"

#include <QAction>
#include <QMenu>

using namespace Qt::Literals::StringLiterals;

RecentMenu::RecentMenu(QMenu *menu, RecentList &recent, QObject *parent)
    : QObject(parent)
    , m_menu(menu)
    , m_recent(recent)
{
    m_deleteAll = m_menu->addAction(u"حذف جميع المحفوظات"_s);
    m_deleteAll->setObjectName(u"mnudeletelasts"_s);
    connect(m_deleteAll, &QAction::triggered, this, &RecentMenu::mnudeletelasts_Click);
    m_separator = m_menu->addSeparator();
    m_separator->setObjectName(u"separ"_s);
    QAction *model = m_menu->addAction(u"....."_s);
    model->setObjectName(u"LastItems_0"_s);
    m_items.append(model);
}

void RecentMenu::ClearRecentMenu()
{
    m_items[0]->setVisible(true);
    while (m_items.size() > 1)
        delete m_items.takeLast();
}

void RecentMenu::showEmpty()
{
    m_items[0]->setVisible(false);
    m_separator->setVisible(false);
    m_deleteAll->setEnabled(false);
}

void RecentMenu::FillRecentMenu()
{
    ClearRecentMenu();
    if (!m_recent.exists()) {
        showEmpty();
        return;
    }
    m_recent.reload();
    const QStringList &lines = m_recent.RecentLines();
    for (int n = 1; n <= lines.size(); ++n) {
        QAction *item = m_menu->addAction(m_recent.caption(lines[n - 1]));
        item->setObjectName(u"LastItems_%1"_s.arg(n));
        connect(item, &QAction::triggered, this, [this, n] { LastItems_Click(n); });
        m_items.append(item);
    }
    const bool any = !lines.isEmpty();
    m_items[0]->setVisible(false);
    m_separator->setVisible(any);
    m_deleteAll->setEnabled(any);
}

void RecentMenu::LastItems_Click(int index)
{
    const QStringList &lines = m_recent.RecentLines();
    if (index < 1 || index > lines.size())
        return;
    const QString line = lines[index - 1]; // the list is re-read while the line plays
    Q_EMIT lineChosen(line);
}

void RecentMenu::mnudeletelasts_Click()
{
    m_recent.clear();
    ClearRecentMenu();
    showEmpty();
}
