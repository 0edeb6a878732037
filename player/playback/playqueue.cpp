#include "playqueue.h"

#include "audioplayer.h"
#include "playback.h"
#include "tapeend.h"
#include "tapekeys.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

PlayQueue::PlayQueue(Playback &playback, QObject *parent)
    : QObject(parent)
    , m_playback(playback)
{}

int PlayQueue::indexOf(const QString &entryKey) const
{
    for (int i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].key == entryKey)
            return i;
    return -1;
}

bool PlayQueue::entryPlaying() const
{
    return m_playback.player().PlayState() != AudioPlayer::Stopped &&
           TapeKeys::isQueueEntryKey(m_playback.PlayedNode());
}

bool PlayQueue::canGoNext() const
{
    return entryCount() >= (entryPlaying() ? 2 : 1);
}

QString PlayQueue::entryKey(const QString &tapeKey)
{
    return TapeKeys::tapeKey(TapeKeys::queueRecord(tapeKey));
}

void PlayQueue::playFirst()
{
    const QString first = m_entries.first().key;
    m_playback.PlayTape(first, Playback::PlayMode::Preferred);
    m_playback.setPlayedNode(first);
}

void PlayQueue::removeEntry(const QString &key)
{
    const int at = indexOf(key);
    if (at >= 0)
        m_entries.removeAt(at);
}

void PlayQueue::retireEntry(const QString &key)
{
    const int at = indexOf(key);
    if (at < 0)
        return;
    if (m_keepPlayed)
        m_entries.append(m_entries.takeAt(at));
    else
        m_entries.removeAt(at);
}

void PlayQueue::Add2Playlist(const QStringList &tapeKeys)
{
    const bool wasEmpty = m_entries.isEmpty();
    bool added = false;
    for (const QString &tapeKey : tapeKeys) {
        if (!TapeKeys::isTapeKey(tapeKey))
            continue;
        const QString key = entryKey(tapeKey);
        if (contains(key))
            continue; // a tape is queued once
        m_entries.append({key, TapeKeys::queueEntryTitle(tapeKey)});
        added = true;
    }
    if (!added)
        return;
    if (wasEmpty && m_playback.player().PlayState() == AudioPlayer::Stopped)
        playFirst();
    Q_EMIT changed();
}

void PlayQueue::positionChanged(qint64 position, qint64 length)
{
    if (m_entries.isEmpty() || m_playback.player().PlayState() != AudioPlayer::Playing)
        return;
    const QString played = m_playback.PlayedNode();
    if (!played.isEmpty() && contains(played)) {
        // An entry plays: the one after it, round to the first while played entries are kept.
        if (m_keepPlayed)
            m_nextKey = m_entries.at((indexOf(played) + 1) % m_entries.size()).key;
        else
            m_nextKey = m_entries.size() > 1 ? m_entries.at(1).key : QString();
    } else if (played.isEmpty() || !TapeKeys::isQueueEntryKey(played)) {
        // Nothing, or a tape from outside the queue: the queue starts from its first entry.
        m_nextKey = m_entries.first().key;
    }
    m_previousPlayedKey = played;

    if (!isAtEnd(position, length))
        return;
    if (!m_nextKey.isEmpty()) {
        const QString next = m_nextKey;
        m_playback.PlayTape(next, Playback::PlayMode::Preferred);
        m_playback.setPlayedNode(next);
    }
    retireEntry(m_previousPlayedKey);
    Q_EMIT changed();
}

void PlayQueue::remove(const QString &entryKey)
{
    if (!contains(entryKey))
        return;
    removeEntry(entryKey);
    if (m_nextKey == entryKey) // decided before the removal: must not start now
        m_nextKey.clear();
    Q_EMIT changed();
}

void PlayQueue::clear()
{
    if (m_entries.isEmpty())
        return;
    m_entries.clear();
    m_nextKey.clear();
    Q_EMIT changed();
}

void PlayQueue::PlayNextInPlayList()
{
    if (m_entries.isEmpty())
        return;
    // The entry playing leaves the queue (or goes to its end while the queue repeats); when it
    // was the last one it simply plays on.
    if (entryPlaying())
        retireEntry(m_playback.PlayedNode());
    if (!m_entries.isEmpty())
        playFirst();
    Q_EMIT changed();
}

QList<int> PlayQueue::QueueOrder(int n, int k, MoveDirection direction)
{
    QList<int> order(std::max(n, 0) + 1);
    for (int i = 1; i <= n; ++i)
        order[i] = i;
    if (k < 1 || k > n)
        return order;
    switch (direction) {
    case MoveDirection::ToTop:
        std::rotate(order.begin() + 1, order.begin() + k, order.begin() + k + 1);
        break;
    case MoveDirection::Up:
        if (k > 1)
            std::swap(order[k - 1], order[k]);
        break;
    case MoveDirection::Down:
        if (k < n)
            std::swap(order[k], order[k + 1]);
        break;
    }
    return order;
}

bool PlayQueue::reorder(const QString &key, MoveDirection direction)
{
    const int n = entryCount();
    const int k = indexOf(key) + 1;
    if (k < 1)
        return false;
    const QList<int> order = QueueOrder(n, k, direction);
    QList<Entry> moved;
    moved.reserve(n);
    for (int i = 1; i <= n; ++i)
        moved.append(m_entries.at(order[i] - 1));
    m_entries = moved;
    Q_EMIT changed();
    Q_EMIT entryMoved(key);
    return true;
}

void PlayQueue::MoveNodeUp(const QString &key, MoveDirection direction)
{
    if (!reorder(key, direction))
        return;

    const QString played = m_playback.PlayedNode();
    if (TapeKeys::isQueueEntryKey(played)) {
        if (m_playback.player().PlayState() != AudioPlayer::Stopped) {
            m_playback.setPlayedMark(Playback::Mark::Sound);
        } else {
            // The queue had stopped on an entry: the new first entry starts, with its mark.
            const Playback::Mark mark = m_playback.playedMark();
            const QString first = m_entries.first().key;
            m_playback.PlayTape(first, Playback::PlayMode::Preferred);
            m_playback.setPlayedNode(first, mark);
        }
    }
}

void PlayQueue::playClicked(const QString &tapeKey)
{
    if (tapeKey.isEmpty())
        return;
    if (!m_entries.isEmpty()) {
        m_nextKey.clear();
        m_previousPlayedKey.clear();
    }
    m_playback.playTapeKey(tapeKey);
    // A queue entry goes to the top, where the entry playing belongs; it has just been started,
    // so the restart a move may do is not wanted here.
    reorder(tapeKey, MoveDirection::ToTop);
}
