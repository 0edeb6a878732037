#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <unordered_map>
#include <vector>

class CatalogueIndex;

// Searches the catalogue index for records whose name path and third field hold the words, or
// the phrase, searched for, after both sides are normalised (ArabicText). Matches come in index
// order; the favourites' own records are never listed.
//
// The normalised text of every record is kept between searches (one byte a character, in the
// code page the records are read in; about half the size of the records). It follows the index:
// appended entries are added at the next search, entries changed or cleared in place are
// normalised again, and a reloaded index starts it anew.
//
// The search runs in the caller's thread (a large catalogue's second half on a helper thread it
// waits for) and calls keepGoing at least every 20 ms, so that the window can process its events;
// when keepGoing returns false the search stops and returns the matches found so far, the first
// ones in index order.
class CatalogueSearch
{
public:
    enum Mode
    {
        Words = 0,
        Phrase = 1,
    };
    struct Query
    {
        QStringList needles;       // every one must be found
        QList<QByteArray> encoded; // the same in the code page; empty element: cannot be encoded
    };
    using KeepGoing = std::function<bool()>;

    explicit CatalogueSearch(const CatalogueIndex &index);

    // The query for a search text, or nothing for a text that is empty or only spaces.
    static std::optional<Query> prepare(const QString &text, Mode mode);

    QList<qsizetype> run(const Query &query, const KeepGoing &keepGoing = {});
    // Whether the last run was stopped before its end.
    bool stopped() const { return m_stopped; }

    // Brings the kept texts up to date with the index (run() does it first).
    bool update(const KeepGoing &keepGoing = {});
    // How long the search may go without calling keepGoing (20 ms).
    void setPauseInterval(qint64 ms) { m_pauseEveryMs = ms; }

private:
    bool pause(const KeepGoing &keepGoing);
    // The normalised text of an entry (empty for an empty entry or a favourite).
    void textOf(qsizetype entry, QString &record, QString &text) const;
    void normalise(qsizetype entry, QString &record, QString &text);
    bool matches(qsizetype entry, const Query &query) const;
    // Appends the entries from..to-1 whose packed text holds every needle, in order.
    void scanPacked(const Query &query, qsizetype from, qsizetype to,
                    QList<qsizetype> &found) const;

    const CatalogueIndex &m_index;
    quint64 m_generation = 0;
    std::size_t m_changesSeen = 0;
    // Entry i's text is m_bytes[m_offsets[i] .. m_offsets[i + 1]), or m_wide[i] when flagged.
    std::vector<std::uint32_t> m_offsets;
    std::vector<char> m_bytes;
    std::vector<std::uint8_t> m_isWide;
    std::unordered_map<qsizetype, QString> m_wide;
    QElapsedTimer m_sincePause;
    qint64 m_pauseEveryMs = 20;
    bool m_stopped = false;
};
