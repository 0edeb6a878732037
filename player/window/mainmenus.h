#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class QAction;
class QColor;
class QMenu;
class QMenuBar;
class RiwayaFilter;

// The main window's menu bar: "الرئيسية", "المحفوظات", "أدوات" and "حول البرنامج". Item arrays are
// named name_index (QSort_0 .. QSort_3, Riwaya_0 ..); in each array of choices exactly one item is
// ticked, except the riwayat, where several may be.
class MainMenus : public QObject
{
    Q_OBJECT

public:
    struct Items
    {
        QAction *AddNewFile, *mnusearch, *SaveMP3, *SaveRM, *Exit, *mUpdate, *IntOptions, *about;
        QMenu *Last, *Tools, *ARiwaya;
        QList<QAction *> Foption, QSort, DSort, Riwaya, mnuMintoTray;
    };

    explicit MainMenus(QMenuBar *bar, QObject *parent = nullptr);

    const Items &items() const { return m_items; }

    // Ticks item index of an array and unticks the others.
    static void checkOnly(const QList<QAction *> &array, int index);
    static int checkedIndex(const QList<QAction *> &array);

    // The captions of the riwaya items, in order (item 0 stands for every riwaya).
    QStringList riwayaItems() const;
    // Adds the item of riwaya number n.
    void addRiwaya(qsizetype n, const QString &riwaya);
    // Ticks the items the filter chooses, and only those.
    void CheckRiwayaMenu(const RiwayaFilter &filter);
    // Paints the menu bar, and with all its menus too, in a colour.
    void SetMenuColor(const QColor &colour, bool all);

Q_SIGNALS:
    void formatChosen(int index);
    void quranSortChosen(int index);
    void dourousSortChosen(int index);
    void riwayaChosen(int index);
    void minimiseTargetChosen(int index);

private:
    QAction *addArrayItem(QMenu *menu, QList<QAction *> &array, const QString &name,
                          const QString &text, void (MainMenus::*signal)(int));

    QMenuBar *m_bar;
    Items m_items{};
};
