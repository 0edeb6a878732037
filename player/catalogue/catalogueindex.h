#pragma once

#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>
#include <QStringView>

#include <cstdint>
#include <memory>
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
    // Makes room for this many entries (loading a catalogue of known size).
    void reserve(qsizetype entries);

    // Number of entries, entry 0 included.
    qsizetype size() const { return qsizetype(m_entries.size()); }

    bool isEmptyEntry(qsizetype i) const;
    // The entry as text: path + "***" + record + "***" + file number; empty for an empty entry.
    QString entry(qsizetype i) const;
    QString path(qsizetype i) const;
    QString record(qsizetype i) const;
    // The same into a buffer the caller reuses (a pass over every record allocates nothing).
    void recordInto(qsizetype i, QString &out) const;
    int fileNumber(qsizetype i) const;
    // The first non-empty entry from `from` on whose record is exactly text, or -1. The stored
    // bytes are compared as they are, and a record of another length is passed over without
    // being read, so a walk over a million entries costs little more than reading their sizes.
    qsizetype findRecord(QStringView text, qsizetype from = 1) const;

    // Appends an entry; returns its number.
    qsizetype append(QStringView path, QStringView record, int file);
    // Appends an entry read from a file: record is the decoded line, recordBytes its bytes as read.
    qsizetype appendRead(QStringView path, QStringView record, QByteArrayView recordBytes,
                         int file);
    // Records worked out away from the index (on a loading thread) for appendBatch: each with
    // its path and fields as component numbers of the batch's own, and its place in the bytes
    // they were read from.
    class Batch
    {
    public:
        // The path and fields in the code page's bytes (every line read from a file has them).
        void add(QByteArrayView path, QByteArrayView category, QByteArrayView third,
                 std::uint32_t offset, std::uint32_t length);
        bool isEmpty() const { return m_entries.empty(); }
        // Room for about this many records, so that the batch grows in few steps.
        void reserve(std::size_t records);

    private:
        friend class CatalogueIndex;
        struct Record
        {
            std::uint32_t offset;
            std::uint32_t length;
            std::uint32_t pathOffset;
            std::uint16_t pathLength;
            bool categoryFirst;
            bool thirdSecond;
            std::uint32_t category;
            std::uint32_t thirdField;
        };
        std::uint32_t internAt(std::size_t slot, QByteArrayView component);

        std::vector<Record> m_entries;
        std::vector<std::uint32_t> m_hashes; // of each component, for the index's own table
        std::vector<std::uint32_t> m_pathIds;
        QByteArrayView component(std::uint32_t id) const
        {
            return QByteArrayView(m_texts).sliced(m_starts[id], m_starts[id + 1] - m_starts[id]);
        }
        std::uint32_t componentCount() const { return std::uint32_t(m_starts.size() - 1); }
        void grow();

        // The batch's components in the order first used, one after another in one text, with
        // an open-addressing table of their numbers (number + 1; 0 is a free slot). A loading
        // thread so makes a few large blocks instead of one small block a component, which
        // would stay behind in that thread's memory pool once the batch is appended.
        QByteArray m_texts;
        std::vector<std::uint32_t> m_starts{0};
        std::vector<std::uint32_t> m_table;
        std::vector<std::uint32_t> m_recent;
    };
    // Appends a batch's records, in order, for file number `file`. With adopt, bytes (those the
    // batch's records were read from) are kept as they are and the records point into them;
    // otherwise the records are copied. Components are numbered as appending the records one by
    // one would number them.
    void appendBatch(Batch &batch, const QByteArray &bytes, bool adopt, int file);

    // Changes an entry in place (editing, re-grouping).
    void setEntry(qsizetype i, QStringView path, QStringView record, int file);
    void setPath(qsizetype i, QStringView path);
    // Empties an entry (a deleted record); the numbers of the others do not change.
    void clearEntry(qsizetype i);

    // The path of entry i as components: their number, and the interned number of component k.
    // Interned numbers are stable while the index lives; componentText() gives the text back.
    int componentCount(qsizetype i) const;
    std::uint32_t componentId(qsizetype i, int k) const;
    QString componentText(std::uint32_t id) const;
    // The interned numbers of the record's first and third fields (category; riwaya, section or
    // group), for filters that look at many entries at once.
    std::uint32_t categoryId(qsizetype i) const;
    std::uint32_t thirdFieldId(qsizetype i) const;

    // Changes of records in place, for those who keep something derived from them: reset() gives
    // a new generation; within one, changedEntries() lists the entries whose record was changed
    // or cleared, in order (appended entries are not listed: they are new).
    quint64 generation() const { return m_generation; }
    const std::vector<qsizetype> &changedEntries() const { return m_changed; }

    // Whether the path of entry i begins with key (exact, character by character).
    bool pathStartsWith(qsizetype i, QStringView key) const;
    // The numbers of the non-empty entries whose path begins with key, in index order.
    QList<qsizetype> entriesUnder(QStringView key) const;

private:
    static constexpr std::uint32_t kWide = 0xffffffffu; // record kept as text, see m_wide
    static constexpr std::uint32_t kNoId = 0xffffffffu;
    static constexpr std::size_t kCategorySlot = 0;
    static constexpr std::size_t kThirdFieldSlot = 1;
    static constexpr std::size_t kPathSlots = 2; // path depth d uses slot kPathSlots + d

    struct Entry
    {
        std::uint32_t chunk = 0;
        std::uint32_t recordOffset = 0;
        std::uint32_t recordLength = 0;
        std::uint32_t pathOffset = 0;
        std::uint32_t category = 0;
        std::uint32_t thirdField = 0;
        std::int32_t file = 0;
        std::uint16_t pathLength = 0; // components, see kMaxDepth
        bool used : 1 = false;
        // The path's first component is the category (as it nearly always is), or its second
        // the third field (a Quran record's riwaya): their numbers are not stored again among
        // the path's.
        bool categoryFirst : 1 = false;
        bool thirdSecond : 1 = false;
    };
    // A path has at most this many components: the rest of a deeper one (only a damaged line
    // can give one) stays, slashes and all, in its last component, so its text comes back whole.
    static constexpr std::size_t kMaxDepth = 0xffff;

    template<typename View, typename Visit>
    static void forEachComponent(View path, Visit &&visit);
    void storeRecordBytes(Entry &e, QByteArrayView bytes);
    void storeRecord(Entry &e, QStringView record);
    void storePath(Entry &e, QStringView path);
    void storeFields(Entry &e, QStringView record);
    static std::uint32_t hashOf(QByteArrayView component)
    {
        return std::uint32_t(qHash(component));
    }
    // Components in the code page go by their bytes; one it cannot hold is kept as text.
    std::uint32_t intern(QStringView component);
    std::uint32_t internBytes(QByteArrayView component, std::uint32_t hash);
    std::uint32_t internWide(QStringView component);
    // The number of a component met before, or kNoId.
    std::uint32_t findComponent(QStringView component) const;
    void growComponentTable();
    bool componentEquals(std::uint32_t id, QStringView text) const;
    std::uint32_t internAt(std::size_t slot, QStringView component);
    std::uint32_t internBytesAt(std::size_t slot, QByteArrayView component);
    // The component numbers of a folder key ("A/B/"), or false when a component was never seen.
    bool keyComponents(QStringView key, std::vector<std::uint32_t> &ids) const;
    bool idsStartWith(const Entry &e, const std::vector<std::uint32_t> &ids) const;
    // Component k of an entry's path, and the number of component numbers it stores.
    std::uint32_t componentOf(const Entry &e, std::size_t k) const;
    static std::uint32_t storedIds(const Entry &e)
    {
        return e.pathLength - e.categoryFirst - e.thirdSecond;
    }
    // Puts the numbers of a path's components after those in ids, as componentOf reads them.
    template<typename View, typename Shape, typename Intern>
    static void storeComponents(View path, Shape &shape, std::vector<std::uint32_t> &ids,
                                Intern &&intern);
    QByteArrayView recordBytes(const Entry &e) const;
    void compactPaths();

    std::vector<Entry> m_entries;
    quint64 m_generation = 0;
    std::vector<qsizetype> m_changed;

    // Record bytes, in chunks that never move once written: chunks the index fills itself, and
    // files' bytes adopted whole.
    std::vector<QByteArray> m_chunks;
    std::uint32_t m_ownChunk = kNoId; // the chunk being filled, if any
    std::size_t m_chunkUsed = 0;
    std::size_t m_chunkSize = 0;
    std::size_t m_chunkHint = 0;
    // Records holding characters the code page cannot represent (typed by the user), as text.
    QStringList m_wide;

    // Paths: component numbers, side by side.
    std::vector<std::uint32_t> m_pathIds;
    std::size_t m_livePathIds = 0;
    // Components: their windows-1256 bytes (one a character) side by side in pages that never
    // move, each with its hash, and an open-addressing table of numbers + 1 (0: free slot). A
    // million records hold hundreds of thousands of distinct names: one block and one table node
    // for each, in UTF-16, would cost more than the names themselves. A component the code page
    // cannot hold (typed by the user) keeps its text among the wide ones.
    struct Component
    {
        const char *bytes = nullptr;
        std::uint32_t length = 0;
        std::uint32_t wide = 0; // number + 1 in m_wideComponents; 0: bytes
    };
    std::vector<std::unique_ptr<char[]>> m_componentPages;
    std::size_t m_pageUsed = 0;
    std::size_t m_pageSize = 0;
    std::vector<Component> m_components;
    std::vector<std::uint32_t> m_componentHashes;
    std::vector<std::uint32_t> m_componentTable;
    std::vector<QString> m_wideComponents;
    QByteArray m_encoded;                // a component being looked up, in the code page
    QByteArray m_pathBytes;              // a path being stored, in the code page
    std::vector<std::uint32_t> m_recent; // last component interned, by slot
};
