#include "queuebranch.h"

#include "playedmarker.h"
#include "playqueue.h"
#include "tapekeys.h"

using namespace Qt::Literals::StringLiterals;

QueueBranch::QueueBranch(PlayQueue &queue, KeyedTree &tree, PlayedMarker &marker, QObject *parent)
    : QObject(parent)
    , m_queue(queue)
    , m_tree(tree)
    , m_marker(marker)
{
    connect(&m_queue, &PlayQueue::changed, this, &QueueBranch::sync);
}

const QString &QueueBranch::branchKey()
{
    return TapeKeys::queueCategory();
}

KeyedTree::Node QueueBranch::node() const
{
    return m_tree.item(branchKey());
}

void QueueBranch::sync()
{
    const QList<PlayQueue::Entry> &entries = m_queue.entries();
    KeyedTree::Node branch = node();
    if (entries.isEmpty()) {
        m_tree.remove(branch);
        return;
    }
    if (!branch)
        branch = m_tree.add(nullptr, branchKey(), branchKey(), u"Closed"_s);

    // Entries already shown in order stay; from the first difference on, nodes are made anew.
    int same = 0;
    const int shown = KeyedTree::children(branch);
    while (same < shown && same < entries.size() &&
           KeyedTree::key(KeyedTree::childAt(branch, same)) == entries[same].key)
        ++same;
    for (int i = shown - 1; i >= same; --i)
        m_tree.remove(KeyedTree::childAt(branch, i));
    for (qsizetype i = same; i < entries.size(); ++i)
        m_tree.add(branch, entries[i].key, entries[i].title, u"Leaf"_s, KeyedTree::Kind::Tape);
    m_marker.refresh();
}
