#pragma once

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

class Playback;

// The play queue: the tapes waiting to be played, in order, each as an entry key ("Leaf-" + a
// queue record) and the title it shows. It is empty at every start. While an entry plays, it is the
// first one; entries that have played leave the queue. The tree shows the queue as a branch
// (QueueBranch) but does not hold it.
class PlayQueue : public QObject
{
    Q_OBJECT

public:
    struct Entry
    {
        QString key;
        QString title;
        bool operator==(const Entry &) const = default;
    };
    enum class MoveDirection
    {
        ToTop = 0,
        Up = 1,
        Down = 2,
    };

    explicit PlayQueue(Playback &playback, QObject *parent = nullptr);

    const QList<Entry> &entries() const { return m_entries; }
    int entryCount() const { return int(m_entries.size()); }
    bool contains(const QString &entryKey) const { return indexOf(entryKey) >= 0; }
    int indexOf(const QString &entryKey) const;
    // Whether "next" has an entry to play: one besides the entry playing, if an entry plays.
    bool canGoNext() const;
    // Whether a queue entry is the tape being played while the player is not stopped.
    bool entryPlaying() const;

    // The entry to play when the current clip ends, and the played tape at the last position
    // event.
    const QString &nextQueueKey() const { return m_nextKey; }
    const QString &previousPlayedKey() const { return m_previousPlayedKey; }

    // The key a tape gets as a queue entry.
    static QString entryKey(const QString &tapeKey);

    // Queues tapes (tape keys) that are not queued yet. When the queue was empty and the player is
    // stopped, the first entry starts.
    void Add2Playlist(const QStringList &tapeKeys);
    // Plays the first entry, dropping the one playing.
    void PlayNextInPlayList();
    // Takes one entry, or every entry, out of the queue; a tape playing plays on.
    void remove(const QString &entryKey);
    void clear();
    // Moves an entry to the top, one up or one down. Entries unknown are left alone.
    void MoveNodeUp(const QString &entryKey, MoveDirection direction);
    // Positions 1..n after moving the entry at k (1-based); element 0 is unused. Positions outside
    // 1..n change nothing.
    static QList<int> QueueOrder(int n, int k, MoveDirection direction);

    // While the queue repeats, entries that have played go to its end instead of leaving it, so
    // that after the last entry the first plays again.
    void setKeepPlayed(bool keep) { m_keepPlayed = keep; }
    bool keepsPlayed() const { return m_keepPlayed; }

    // A click (or Return) on a tape: plays it; a queue entry moves to the top first.
    void playClicked(const QString &tapeKey);

    // The queue's part of the player's position event (TapeEndStep): the next entry starts at the
    // end of a clip whose length is known.
    void positionChanged(qint64 position, qint64 length);

Q_SIGNALS:
    // Entries were added, removed or moved.
    void changed();
    // An entry was moved: the user goes on working on it.
    void entryMoved(const QString &entryKey);

private:
    void playFirst();
    // Moves an entry without anything else; false when the key is not queued.
    bool reorder(const QString &entryKey, MoveDirection direction);
    void removeEntry(const QString &entryKey);
    // Removes a played entry, or moves it to the end while played entries are kept.
    void retireEntry(const QString &entryKey);

    Playback &m_playback;
    QList<Entry> m_entries;
    QString m_nextKey;
    QString m_previousPlayedKey;
    bool m_keepPlayed = false;
};
