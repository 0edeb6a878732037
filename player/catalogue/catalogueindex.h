#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

// Every loaded record with its tree path and the number of the file it came from. Entry 0 is
// always empty; entries 1.. follow in load order. An entry reads as
//     path + "***" + record line + "***" + file number
// and a deleted entry stays in place, empty.
//
// A catalogue may hold a million records, so an entry is not kept as one text: the record keeps
// its windows-1256 bytes as read (one byte a character, the code page maps bytes to characters one
// to one) and the path is a list of numbers of interned components, so that the folders shared by
// many records are stored once and a prefix test compares numbers.
class CatalogueIndex
{
public:
    CatalogueIndex();
    ~CatalogueIndex();
    CatalogueIndex(const CatalogueIndex &) = delete;
    CatalogueIndex &operator=(const CatalogueIndex &) = delete;

    // Back to the single empty entry 0.
    void reset();

    // Number of entries, entry 0 included.
    qsizetype size() const { return qsizetype(m_entries.size()); }

    bool isEmptyEntry(qsizetype i) const;
    // The entry as text: path + "***" + record + "***" + file number; empty for an empty entry.
    QString entry(qsizetype i) const;
    QString path(qsizetype i) const;
    QString record(qsizetype i) const;
    int fileNumber(qsizetype i) const;

    // Appends an entry; returns its number.
    qsizetype append(QStringView path, QStringView record, int file);
    // Appends an entry whose record is given as the windows-1256 bytes read from its file.
    qsizetype appendRead(QStringView path, QByteArrayView recordBytes, int file);

    // Changes an entry in place (editing, re-grouping).
    void setEntry(qsizetype i, QStringView path, QStringView record, int file);
    void setPath(qsizetype i, QStringView path);
    // Empties an entry (a deleted record); the numbers of the others do not change.
    void clearEntry(qsizetype i);

    // Whether the path of entry i begins with key (exact, character by character).
    bool pathStartsWith(qsizetype i, QStringView key) const;
    // The numbers of the non-empty entries whose path begins with key, in index order.
    QList<qsizetype> entriesUnder(QStringView key) const;

private:
    static constexpr std::uint32_t kWide = 0xffffffffu; // record kept as text, see m_wide

    struct Entry
    {
        std::uint32_t chunk = 0;
        std::uint32_t recordOffset = 0;
        std::uint32_t recordLength = 0;
        std::uint32_t pathOffset = 0;
        std::uint32_t pathLength = 0;
        std::int32_t file = 0;
        bool used = false;
    };

    struct Hash
    {
        using is_transparent = void;
        size_t operator()(QStringView v) const noexcept { return qHash(v); }
    };

    void storeRecordBytes(Entry &e, QByteArrayView bytes);
    void storeRecord(Entry &e, QStringView record);
    void storePath(Entry &e, QStringView path);
    std::uint32_t intern(QStringView component);
    // The component numbers of a folder key ("A/B/"), or false when a component was never seen.
    bool keyComponents(QStringView key, std::vector<std::uint32_t> &ids) const;
    bool idsStartWith(const Entry &e, const std::vector<std::uint32_t> &ids) const;
    QByteArrayView recordBytes(const Entry &e) const;
    void compactPaths();

    std::vector<Entry> m_entries;

    // Record bytes, in chunks that never move once written.
    std::vector<std::unique_ptr<char[]>> m_chunks;
    std::size_t m_chunkUsed = 0;
    std::size_t m_chunkSize = 0;
    // Records holding characters the code page cannot represent (typed by the user), as text.
    QStringList m_wide;

    // Paths: component numbers, side by side.
    std::vector<std::uint32_t> m_pathIds;
    std::size_t m_livePathIds = 0;
    std::vector<QString> m_components;
    std::unordered_map<QString, std::uint32_t, Hash, std::equal_to<>> m_componentIds;
};
