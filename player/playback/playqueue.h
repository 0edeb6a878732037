#pragma once

#include "keyedtree.h"

#include <QList>
#include <QObject>
#include <QString>

class CatalogueTree;
class Playback;

// The play queue: a root branch "قائمة الانتظار" whose children are the tapes waiting to be
// played, in order. It lives only in the tree (empty at every start). The branch exists exactly
// while it has entries; while an entry plays, it is the first one.
class PlayQueue : public QObject
{
    Q_OBJECT

public:
    PlayQueue(Playback &playback, CatalogueTree &tree, QObject *parent = nullptr);

    static const QString &QueueKey();

    // The entry to play when the current clip ends, and the played node at the last position
    // event.
    QString NextQueueKey;
    QString PreviousPlayedKey;

    KeyedTree::Node QueueNode() const;
    int entryCount() const;
    // Whether "next" has an entry to play.
    bool canGoNext() const;

    // The queue record line of a tape key, and the title its entry shows.
    static QString queueRecord(const QString &tapeKey);
    static QString entryTitle(const QString &tapeKey);

    // Queues a tape, or every tape the tree would show below a folder, in the tree's order.
    void Add2Playlist(KeyedTree::Node node);
    // Plays the first entry (dropping the one playing).
    void PlayNextInPlayList();
    // Moves an entry: laDir 0 to the top, 1 one up, 2 one down.
    void MoveNodeUp(KeyedTree::Node node, int laDir);
    // Positions 1..n after moving the entry at k (1-based) by mode; entry 0 unused.
    static QList<int> QueueOrder(int n, int k, int mode);

    // A left click (or Return) on a tape node: plays it; a queue entry moves to the top first.
    // Returns the node now playing (a queue entry is re-created by the move).
    KeyedTree::Node playClicked(KeyedTree::Node node);

    // The queue's part of the player's position event: the next entry starts in the last 100 ms
    // of a clip.
    void positionChanged(qint64 position, qint64 length);

Q_SIGNALS:
    // Entries were added, removed or moved.
    void changed();
    // A moved entry was re-created: it becomes the node the user works on.
    void entrySelected(KeyedTree::Node node);

private:
    KeyedTree::Node ensureQueueNode();
    bool addEntry(const QString &tapeKey);
    void startFirstIfStopped(bool created);
    QStringList tapesBelow(KeyedTree::Node folder) const;
    bool isQueueEntry(KeyedTree::Node node) const;

    Playback &m_playback;
    CatalogueTree &m_tree;
};
