#pragma once

#include "keyedtree.h"

#include <QObject>

class PlayQueue;
class PlayedMarker;

// Shows the play queue as the root branch "قائمة الانتظار": one tape node per entry, in order.
// The branch exists exactly while the queue has entries; it is added after the other roots, and
// again after the tree was rebuilt.
class QueueBranch : public QObject
{
    Q_OBJECT

public:
    QueueBranch(PlayQueue &queue, KeyedTree &tree, PlayedMarker &marker, QObject *parent = nullptr);

    static const QString &branchKey();
    KeyedTree::Node node() const;

    // Makes the branch match the queue.
    void sync();

private:
    PlayQueue &m_queue;
    KeyedTree &m_tree;
    PlayedMarker &m_marker;
};
