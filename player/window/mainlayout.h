#pragma once

#include <QObject>

class AudioControl;
class AudioPlayer;
class QFrame;
class QTreeWidget;
class QWidget;
class SearchBar;
class TitleBox;

// The controls inside the main window and how they follow its size: the title (LTitle) on top,
// the search row, the tree (TreeView1) taking what is left, and the player control (RealAudio)
// under it, all as wide as the tree.
class MainLayout : public QObject
{
    Q_OBJECT

public:
    MainLayout(QWidget *inner, AudioPlayer *player);

    TitleBox *title() const { return LTitle; }
    QTreeWidget *tree() const { return TreeView1; }
    AudioControl *audio() const { return RealAudio; }
    SearchBar *searchBar() const { return m_searchBar; }

    // Puts the closed search bar and the tree right under the title.
    void placeSearchBar();
    // Moves the tree below the search row, or back over it.
    void setSearchBarOpen(bool open);
    // Lays the controls out for the inner area's size.
    void Form_Resize();

private:
    QWidget *m_inner;
    TitleBox *LTitle = nullptr;
    QTreeWidget *TreeView1 = nullptr;
    AudioControl *RealAudio = nullptr;
    QFrame *Line1 = nullptr;
    SearchBar *m_searchBar = nullptr;
};
