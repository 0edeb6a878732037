#include "playqueue.h"

#include "audioplayer.h"
#include "catalogue.h"
#include "cataloguetree.h"
#include "playback.h"
#include "taperecord.h"

#include <QTreeWidget>

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kLeaf = u"Leaf"_s;
const QString kWait = u"wait"_s;
} // namespace

const QString &PlayQueue::QueueKey()
{
    static const QString key = u"قائمة الانتظار"_s;
    return key;
}

PlayQueue::PlayQueue(Playback &playback, CatalogueTree &tree, QObject *parent)
    : QObject(parent)
    , m_playback(playback)
    , m_tree(tree)
{}

KeyedTree::Node PlayQueue::QueueNode() const
{
    return m_tree.tree().item(QueueKey());
}

int PlayQueue::entryCount() const
{
    return KeyedTree::children(QueueNode());
}

bool PlayQueue::isQueueEntry(KeyedTree::Node node) const
{
    return node && KeyedTree::parent(node) == QueueNode() && QueueNode();
}

bool PlayQueue::canGoNext() const
{
    const int entries = entryCount();
    if (entries == 0)
        return false;
    const bool playingEntry =
        m_playback.player().PlayState() != 0 && m_playback.PlayedNode.contains(QueueKey());
    return playingEntry ? entries >= 2 : true;
}

QString PlayQueue::entryTitle(const QString &tapeKey)
{
    const QString category = RecordField(tapeKey, 0).toString();
    const QStringList parts = RecordField(tapeKey, 1).toString().split(u'/');
    if (!category.contains(u"كريم"_s) || parts.size() < 2)
        return parts.join(u" - "_s);
    QString title = parts[0] + u" - "_s + parts[1].mid(4);
    // Search results keep only reciter and surah.
    if (!tapeKey.contains(u"@@@###"_s))
        for (qsizetype i = 2; i < parts.size(); ++i)
            title += u" - "_s + parts[i];
    return title;
}

QString PlayQueue::queueRecord(const QString &tapeKey)
{
    return QueueKey() + u'!' + entryTitle(tapeKey) + u"!NONE!"_s + LinkFields(tapeKey);
}

KeyedTree::Node PlayQueue::ensureQueueNode()
{
    if (KeyedTree::Node node = QueueNode())
        return node;
    return m_tree.tree().add(nullptr, QueueKey(), QueueKey(), u"Closed"_s);
}

bool PlayQueue::addEntry(const QString &tapeKey)
{
    const QString key = u"Leaf-"_s + queueRecord(tapeKey);
    KeyedTree &tree = m_tree.tree();
    if (tree.contains(key))
        return false; // a tape is queued once
    return tree.add(ensureQueueNode(), key, entryTitle(tapeKey), kLeaf) != nullptr;
}

void PlayQueue::startFirstIfStopped(bool created)
{
    if (!created || m_playback.player().PlayState() != 0 || entryCount() == 0)
        return;
    KeyedTree &tree = m_tree.tree();
    if (KeyedTree::Node played = tree.item(m_playback.PlayedNode))
        tree.setImage(played, kLeaf);
    KeyedTree::Node first = KeyedTree::child(QueueNode());
    m_playback.PlayTape(KeyedTree::key(first), Playback::Preferred);
    m_playback.PlayedNode = KeyedTree::key(first);
    tree.setImage(first, kWait);
}

QStringList PlayQueue::tapesBelow(KeyedTree::Node folder) const
{
    // The tapes the tree shows below the folder (riwaya filter applied), in the order the
    // expanded tree lists them: at every level by the text shown, folders (" name") before
    // tapes, ties in index order.
    const CatalogueIndex &index = m_tree.catalogue().index();
    const QString key = KeyedTree::key(folder);
    const int depth = int(key.count(u'/'));
    struct Tape
    {
        QStringList shown;
        qsizetype entry;
    };
    QList<Tape> tapes;
    for (qsizetype i : m_tree.FilterRiwaya(m_tree.FindEntries(key))) {
        Tape tape{{}, i};
        const int count = index.componentCount(i);
        for (int k = depth; k < count; ++k) {
            QString name = index.componentText(index.componentId(i, k));
            if (name.isEmpty())
                name = CatalogueTree::unnamedText();
            tape.shown.append(k + 1 < count ? u' ' + name : name);
        }
        tapes.append(tape);
    }
    std::stable_sort(tapes.begin(), tapes.end(), [](const Tape &a, const Tape &b) {
        return std::lexicographical_compare(
            a.shown.begin(), a.shown.end(), b.shown.begin(), b.shown.end(),
            [](const QString &x, const QString &y) { return QString::compare(x, y) < 0; });
    });
    QStringList keys;
    for (const Tape &tape : tapes) {
        const QString tapeKey = u"Leaf-"_s + index.record(tape.entry);
        if (!keys.contains(tapeKey))
            keys.append(tapeKey);
    }
    return keys;
}

void PlayQueue::Add2Playlist(KeyedTree::Node node)
{
    const int kind = CatalogueTree::NodeKind(node);
    QStringList tapeKeys;
    if (kind == 2)
        tapeKeys.append(KeyedTree::key(node));
    else if (kind == 1 && !CatalogueTree::IsRootNode(node))
        tapeKeys = tapesBelow(node);
    if (tapeKeys.isEmpty())
        return;

    const bool created = !QueueNode();
    bool added = false;
    for (const QString &tapeKey : std::as_const(tapeKeys))
        added = addEntry(tapeKey) || added;
    if (!added)
        return;
    startFirstIfStopped(created);
    Q_EMIT changed();
}

void PlayQueue::positionChanged(qint64 position, qint64 length)
{
    KeyedTree::Node queue = QueueNode();
    if (!queue || entryCount() < 1 || m_playback.player().PlayState() != AudioPlayer::Playing)
        return;
    KeyedTree &tree = m_tree.tree();
    const QString &played = m_playback.PlayedNode;
    KeyedTree::Node playedNode = tree.item(played);
    if (played.isEmpty())
        NextQueueKey = KeyedTree::key(KeyedTree::child(queue));
    else if (playedNode && isQueueEntry(playedNode))
        NextQueueKey = entryCount() > 1 ? KeyedTree::key(KeyedTree::childAt(queue, 1)) : QString();
    else if (playedNode)
        NextQueueKey = KeyedTree::key(KeyedTree::child(queue));
    PreviousPlayedKey = played;

    // A clip whose length is not known yet is not near its end.
    if (length <= 0 || position < length - 100)
        return;
    if (!NextQueueKey.isEmpty()) {
        const QString next = NextQueueKey;
        m_playback.PlayTape(next, Playback::Preferred);
        m_playback.PlayedNode = next;
        if (KeyedTree::Node n = tree.item(next))
            tree.setImage(n, kWait);
    }
    if (KeyedTree::Node previous = tree.item(PreviousPlayedKey)) {
        if (isQueueEntry(previous)) {
            tree.remove(previous);
            if (entryCount() == 0)
                tree.remove(QueueKey());
        } else {
            tree.setImage(previous, kLeaf);
        }
    }
    Q_EMIT changed();
}

void PlayQueue::PlayNextInPlayList()
{
    KeyedTree::Node queue = QueueNode();
    if (!queue)
        return;
    KeyedTree &tree = m_tree.tree();
    KeyedTree::Node played = tree.item(m_playback.PlayedNode);
    if (played)
        tree.setImage(played, kLeaf);
    if (m_playback.player().PlayState() != 0 && played && isQueueEntry(played))
        tree.remove(KeyedTree::child(queue));
    if (entryCount() == 0) {
        tree.remove(QueueKey());
    } else {
        KeyedTree::Node first = KeyedTree::child(queue);
        m_playback.PlayTape(KeyedTree::key(first), Playback::Preferred);
        m_playback.PlayedNode = KeyedTree::key(first);
        tree.setImage(first, kWait);
    }
    Q_EMIT changed();
}

QList<int> PlayQueue::QueueOrder(int n, int k, int mode)
{
    QList<int> order(n + 1);
    for (int i = 1; i <= n; ++i)
        order[i] = i;
    if (mode == 0 && k > 1) {
        order[1] = k;
        for (int i = 2; i <= k; ++i)
            order[i] = i - 1;
    } else if (mode == 1 && k > 1 && k <= n) {
        std::swap(order[k - 1], order[k]);
    } else if (mode == 2 && k >= 1 && k < n) {
        std::swap(order[k], order[k + 1]);
    }
    return order;
}

void PlayQueue::MoveNodeUp(KeyedTree::Node node, int laDir)
{
    KeyedTree::Node queue = QueueNode();
    const int n = entryCount();
    if (!queue || n == 0 || !isQueueEntry(node))
        return;
    KeyedTree &tree = m_tree.tree();
    const QString key = KeyedTree::key(node);
    const QString played = m_playback.PlayedNode;
    // The played entry's mark moves with it; with no such node, "wait" is what a start gives.
    KeyedTree::Node playedNode = tree.item(played);
    const QString playedImage = playedNode ? KeyedTree::image(playedNode) : kWait;

    struct Entry
    {
        QString key, text;
    };
    QList<Entry> entries;
    int k = 0;
    for (int i = 0; i < n; ++i) {
        KeyedTree::Node e = KeyedTree::childAt(queue, i);
        entries.append({KeyedTree::key(e), KeyedTree::text(e)});
        if (entries.last().key == key)
            k = i + 1;
    }
    m_tree.RemoveChildNodes(QueueKey());
    const QList<int> order = QueueOrder(n, k, laDir);
    for (int i = 1; i <= n; ++i)
        tree.add(queue, entries[order[i] - 1].key, entries[order[i] - 1].text, kLeaf);

    KeyedTree::Node moved = tree.item(key);
    tree.widget()->setCurrentItem(moved);
    Q_EMIT entrySelected(moved);

    if (played.contains(QueueKey())) {
        if (m_playback.player().PlayState() != 0) {
            if (KeyedTree::Node p = tree.item(played))
                tree.setImage(p, u"sound"_s);
        } else {
            KeyedTree::Node first = KeyedTree::child(queue);
            tree.setImage(first, playedImage);
            m_playback.PlayTape(KeyedTree::key(first), Playback::Preferred);
            m_playback.PlayedNode = KeyedTree::key(first);
        }
    }
    Q_EMIT changed();
}

KeyedTree::Node PlayQueue::playClicked(KeyedTree::Node node)
{
    if (!node)
        return nullptr;
    if (entryCount() >= 1) {
        NextQueueKey.clear();
        PreviousPlayedKey.clear();
    }
    m_playback.playClickedTape(node);
    if (!m_playback.PlayedNode.contains(QueueKey()))
        return node;
    MoveNodeUp(node, 0);
    KeyedTree::Node moved = m_tree.tree().item(m_playback.PlayedNode);
    if (moved)
        m_tree.tree().setImage(moved, kWait);
    return moved;
}
