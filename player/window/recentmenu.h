#pragma once

#include <QList>
#include <QObject>

class QAction;
class QMenu;
class RecentList;

// The menu "المحفوظات": "حذف جميع المحفوظات", a separator, then one item per line of the recently
// played list (LastItems_1, LastItems_2, ...) after the hidden template LastItems_0.
class RecentMenu : public QObject
{
    Q_OBJECT

public:
    RecentMenu(QMenu *menu, RecentList &recent, QObject *parent = nullptr);

    // Rebuilds the items from the file.
    void FillRecentMenu();
    void ClearRecentMenu();
    // "حذف جميع المحفوظات": the file goes, and the items with it.
    void mnudeletelasts_Click();
    void LastItems_Click(int index);

Q_SIGNALS:
    // A line was chosen: play it again.
    void lineChosen(const QString &line);

private:
    void showEmpty();

    QMenu *m_menu;
    RecentList &m_recent;
    QAction *m_deleteAll;
    QAction *m_separator;
    QList<QAction *> m_items;
};
