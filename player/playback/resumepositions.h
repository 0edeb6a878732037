#pragma once

#include <QList>
#include <QString>

// Where long tapes stopped, so that starting one again continues there. One entry per link,
// newest first, at most kLimit of them, kept in a file of its own in the application folder
// ("positions.txt": one line per tape, the position in whole seconds, a tab, the link).
//
// The rules: only tapes longer than kMinLength are remembered; a position within kMargin of
// either end is not kept (and forgets what was kept before); a tape played to its end forgets its
// position. A tape starts again kRewind before where it stopped, so the listener hears the last
// words again.
class ResumePositions
{
public:
    struct Entry
    {
        qint64 seconds = 0;
        QString link;
        bool operator==(const Entry &) const = default;
    };

    static constexpr int kLimit = 200;
    static constexpr qint64 kMinLength = 10 * 60 * 1000;
    static constexpr qint64 kMargin = 30 * 1000;
    static constexpr qint64 kRewind = 5 * 1000;

    explicit ResumePositions(QString path);

    const QString &path() const { return m_path; }
    const QList<Entry> &entries() const { return m_entries; }
    // Whether the list changed since it was last read or written.
    bool isDirty() const { return m_dirty; }

    // Reads the file leniently: damaged lines, links the program would never open and repeated
    // links are skipped; a missing file is an empty list.
    void load();
    // Writes the list atomically; false when it could not be written (the old file stays).
    bool save();

    // Where to start link, in milliseconds: kRewind before the remembered position; 0 when none.
    qint64 startFor(const QString &link) const;
    // The clip at link stands at position of length (milliseconds): its position is remembered
    // at the front of the list, or forgotten, as the rules say. An unknown length changes nothing.
    void note(const QString &link, qint64 position, qint64 length);
    void forget(const QString &link);

private:
    int indexOf(const QString &link) const;

    QString m_path;
    QList<Entry> m_entries;
    bool m_dirty = false;
};
