#include "catalogueindex.h"

#include "codepage.h"
#include "general.h"
#include "taperecord.h"

#include <algorithm>
#include <cstring>
#include <type_traits>

using namespace Qt::Literals::StringLiterals;

namespace {
constexpr std::size_t kChunkBytes = std::size_t(8) << 20;
} // namespace

// Calls visit(depth, component) for each component of path (text or code-page bytes), down to
// kMaxDepth.
template<typename View, typename Visit>
void CatalogueIndex::forEachComponent(View path, Visit &&visit)
{
    using Unit = std::conditional_t<std::is_same_v<View, QStringView>, char16_t, char>;
    qsizetype start = 0;
    for (std::size_t depth = 0;; ++depth) {
        const qsizetype slash = depth + 1 < kMaxDepth ? path.indexOf(Unit('/'), start) : -1;
        visit(depth, slash < 0 ? path.sliced(start) : path.sliced(start, slash - start));
        if (slash < 0)
            return;
        start = slash + 1;
    }
}

template<typename View, typename Shape, typename Intern>
void CatalogueIndex::storeComponents(View path, Shape &shape, std::vector<std::uint32_t> &ids,
                                     Intern &&intern)
{
    shape.pathLength = 0;
    shape.categoryFirst = false;
    shape.thirdSecond = false;
    forEachComponent(path, [&](std::size_t depth, View part) {
        const std::uint32_t id = intern(kPathSlots + depth, part);
        ++shape.pathLength;
        if (depth == 0 && id == shape.category)
            shape.categoryFirst = true;
        else if (depth == 1 && id == shape.thirdField)
            shape.thirdSecond = true;
        else
            ids.push_back(id);
    });
}

CatalogueIndex::CatalogueIndex()
{
    reset();
}

CatalogueIndex::~CatalogueIndex() = default;

void CatalogueIndex::reset()
{
    ++m_generation;
    m_changed.clear();
    m_entries.assign(1, Entry{});
    m_chunks.clear();
    m_ownChunk = kNoId;
    m_chunkUsed = 0;
    m_chunkSize = 0;
    m_chunkHint = kChunkBytes;
    m_wide.clear();
    m_pathIds.clear();
    m_livePathIds = 0;
    m_componentPages.clear();
    m_pageUsed = 0;
    m_pageSize = 0;
    m_components.clear();
    m_componentHashes.clear();
    m_componentTable.clear();
    m_wideComponents.clear();
    m_recent.clear();
}

void CatalogueIndex::reserve(qsizetype entries)
{
    if (entries <= 0)
        return;
    // Record chunks sized to the catalogue: a small one does not pay for a large chunk.
    m_chunkHint = std::clamp(std::size_t(entries) * 128, std::size_t(64) << 10, kChunkBytes);
    m_entries.reserve(std::size_t(entries) + 1);
    m_pathIds.reserve(std::size_t(entries) * 4);
    adviseHugePages(m_entries.data(), m_entries.capacity() * sizeof(Entry));
    adviseHugePages(m_pathIds.data(), m_pathIds.capacity() * sizeof(std::uint32_t));
}

bool CatalogueIndex::isEmptyEntry(qsizetype i) const
{
    return i < 0 || i >= size() || !m_entries[std::size_t(i)].used;
}

QByteArrayView CatalogueIndex::recordBytes(const Entry &e) const
{
    return QByteArrayView(m_chunks[e.chunk].constData() + e.recordOffset, e.recordLength);
}

QString CatalogueIndex::record(qsizetype i) const
{
    if (isEmptyEntry(i))
        return {};
    const Entry &e = m_entries[std::size_t(i)];
    if (e.chunk == kWide)
        return m_wide.at(e.recordOffset);
    return CodePage::decode(recordBytes(e));
}

void CatalogueIndex::recordInto(qsizetype i, QString &out) const
{
    if (isEmptyEntry(i)) {
        out.truncate(0);
        return;
    }
    const Entry &e = m_entries[std::size_t(i)];
    if (e.chunk == kWide)
        out = m_wide.at(e.recordOffset);
    else
        CodePage::decodeInto(recordBytes(e), out);
}

QString CatalogueIndex::path(qsizetype i) const
{
    if (isEmptyEntry(i))
        return {};
    const Entry &e = m_entries[std::size_t(i)];
    QString text;
    for (std::size_t k = 0; k < e.pathLength; ++k) {
        if (k)
            text.append(u'/');
        text.append(componentText(componentOf(e, k)));
    }
    return text;
}

qsizetype CatalogueIndex::findRecord(QStringView text, qsizetype from) const
{
    // A record is kept as text exactly when the code page cannot hold it, so a text that encodes
    // can only equal a record kept as bytes, and one that does not only a record kept as text.
    QByteArray bytes;
    const bool encoded = CodePage::tryEncode(text, bytes);
    const auto length = std::uint32_t(text.size()); // one byte a character either way
    for (std::size_t i = std::size_t(std::max<qsizetype>(from, 1)); i < m_entries.size(); ++i) {
        const Entry &e = m_entries[i];
        if (!e.used || e.recordLength != length || (e.chunk == kWide) == encoded)
            continue;
        if (encoded ? recordBytes(e) == QByteArrayView(bytes)
                    : QStringView(m_wide.at(e.recordOffset)) == text)
            return qsizetype(i);
    }
    return -1;
}

int CatalogueIndex::fileNumber(qsizetype i) const
{
    return isEmptyEntry(i) ? 0 : m_entries[std::size_t(i)].file;
}

QString CatalogueIndex::entry(qsizetype i) const
{
    if (isEmptyEntry(i))
        return {};
    return path(i) + u"***"_s + record(i) + u"***"_s + QString::number(fileNumber(i));
}

qsizetype CatalogueIndex::append(QStringView path, QStringView record, int file)
{
    Entry e;
    e.used = true;
    e.file = file;
    storeRecord(e, record);
    storeFields(e, record);
    storePath(e, path);
    m_entries.push_back(e);
    return size() - 1;
}

qsizetype CatalogueIndex::appendRead(QStringView path, QStringView record,
                                     QByteArrayView recordBytes, int file)
{
    Entry e;
    e.used = true;
    e.file = file;
    storeRecordBytes(e, recordBytes);
    storeFields(e, record);
    storePath(e, path);
    m_entries.push_back(e);
    return size() - 1;
}

void CatalogueIndex::Batch::add(QByteArrayView path, QByteArrayView category, QByteArrayView third,
                                std::uint32_t offset, std::uint32_t length)
{
    // Numbered in the order appending one by one interns them: fields first, then the path.
    Record r{offset, length, 0, 0, false, false, 0, 0};
    r.category = internAt(kCategorySlot, category);
    r.thirdField = internAt(kThirdFieldSlot, third);
    r.pathOffset = std::uint32_t(m_pathIds.size());
    storeComponents(path, r, m_pathIds,
                    [this](std::size_t slot, QByteArrayView part) { return internAt(slot, part); });
    m_entries.push_back(r);
}

void CatalogueIndex::Batch::reserve(std::size_t records)
{
    m_entries.reserve(records);
    m_pathIds.reserve(records * 3);
}

std::uint32_t CatalogueIndex::Batch::internAt(std::size_t slot, QByteArrayView component)
{
    if (slot >= m_recent.size())
        m_recent.resize(slot + 1, kNoId);
    std::uint32_t &recent = m_recent[slot];
    if (recent != kNoId && this->component(recent) == component)
        return recent;
    if (2 * (std::size_t(componentCount()) + 1) > m_table.size())
        grow();
    const std::size_t mask = m_table.size() - 1;
    const std::uint32_t hash = hashOf(component);
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        if (m_table[at] == 0) {
            recent = componentCount();
            m_texts.append(component);
            m_starts.push_back(std::uint32_t(m_texts.size()));
            m_hashes.push_back(hash);
            m_table[at] = recent + 1;
            return recent;
        }
        if (m_hashes[m_table[at] - 1] == hash && this->component(m_table[at] - 1) == component) {
            recent = m_table[at] - 1;
            return recent;
        }
    }
}

void CatalogueIndex::Batch::grow()
{
    m_table.assign(std::max<std::size_t>(1024, 2 * m_table.size()), 0);
    const std::size_t mask = m_table.size() - 1;
    for (std::uint32_t id = 0; id < componentCount(); ++id) {
        std::size_t at = m_hashes[id] & mask;
        while (m_table[at] != 0)
            at = (at + 1) & mask;
        m_table[at] = id + 1;
    }
}

void CatalogueIndex::appendBatch(Batch &batch, const QByteArray &bytes, bool adopt, int file)
{
    if (batch.m_entries.empty())
        return;
    // The batch's numbers, in the order it first used them, become the index's: interning them
    // in that order numbers new components exactly as appending record after record does.
    std::vector<std::uint32_t> ids(batch.componentCount());
    for (std::uint32_t i = 0; i < ids.size(); ++i)
        ids[i] = internBytes(batch.component(i), batch.m_hashes[i]);
    std::uint32_t chunk = kNoId;
    if (adopt) {
        m_chunks.push_back(bytes);
        chunk = std::uint32_t(m_chunks.size() - 1);
    }
    for (const Batch::Record &r : batch.m_entries) {
        Entry e;
        e.used = true;
        e.file = file;
        if (adopt) {
            e.chunk = chunk;
            e.recordOffset = r.offset;
            e.recordLength = r.length;
        } else {
            storeRecordBytes(e, QByteArrayView(bytes).sliced(r.offset, r.length));
        }
        e.category = ids[r.category];
        e.thirdField = ids[r.thirdField];
        e.pathOffset = std::uint32_t(m_pathIds.size());
        e.pathLength = r.pathLength;
        e.categoryFirst = r.categoryFirst;
        e.thirdSecond = r.thirdSecond;
        for (std::uint32_t k = 0; k < storedIds(e); ++k)
            m_pathIds.push_back(ids[batch.m_pathIds[r.pathOffset + k]]);
        m_livePathIds += storedIds(e);
        m_entries.push_back(e);
    }
}

void CatalogueIndex::setEntry(qsizetype i, QStringView path, QStringView record, int file)
{
    if (i <= 0 || i >= size())
        return;
    Entry &e = m_entries[std::size_t(i)];
    if (e.used)
        m_livePathIds -= storedIds(e);
    m_changed.push_back(i);
    e.used = true;
    e.file = file;
    storeRecord(e, record);
    storeFields(e, record);
    storePath(e, path);
    compactPaths();
}

void CatalogueIndex::setPath(qsizetype i, QStringView path)
{
    if (isEmptyEntry(i))
        return;
    Entry &e = m_entries[std::size_t(i)];
    m_livePathIds -= storedIds(e);
    storePath(e, path);
    compactPaths();
}

void CatalogueIndex::clearEntry(qsizetype i)
{
    if (isEmptyEntry(i))
        return;
    Entry &e = m_entries[std::size_t(i)];
    m_livePathIds -= storedIds(e);
    m_changed.push_back(i);
    e = Entry{};
}

void CatalogueIndex::storeRecordBytes(Entry &e, QByteArrayView bytes)
{
    const auto n = std::size_t(bytes.size());
    if (m_ownChunk == kNoId || m_chunkUsed + n > m_chunkSize) {
        m_chunkSize = std::max(m_chunkHint, n);
        m_chunks.emplace_back(qsizetype(m_chunkSize), Qt::Uninitialized);
        adviseHugePages(m_chunks.back().constData(), m_chunkSize);
        m_ownChunk = std::uint32_t(m_chunks.size() - 1);
        m_chunkUsed = 0;
    }
    if (n)
        std::memcpy(m_chunks[m_ownChunk].data() + m_chunkUsed, bytes.data(), n);
    e.chunk = m_ownChunk;
    e.recordOffset = std::uint32_t(m_chunkUsed);
    e.recordLength = std::uint32_t(n);
    m_chunkUsed += n;
}

void CatalogueIndex::storeRecord(Entry &e, QStringView record)
{
    QByteArray bytes;
    if (CodePage::tryEncode(record, bytes)) {
        storeRecordBytes(e, bytes);
        return;
    }
    e.chunk = kWide;
    e.recordOffset = std::uint32_t(m_wide.size());
    e.recordLength = std::uint32_t(record.size());
    m_wide.append(record.toString());
}

QString CatalogueIndex::componentText(std::uint32_t id) const
{
    const Component &c = m_components[id];
    if (c.wide)
        return m_wideComponents[c.wide - 1];
    return CodePage::decode(QByteArrayView(c.bytes, c.length));
}

std::uint32_t CatalogueIndex::intern(QStringView component)
{
    m_encoded.resize(component.size());
    if (!CodePage::tryEncodeInto(component, m_encoded.data()))
        return internWide(component);
    return internBytes(m_encoded, hashOf(m_encoded));
}

std::uint32_t CatalogueIndex::internBytes(QByteArrayView component, std::uint32_t hash)
{
    if (2 * (m_components.size() + 1) > m_componentTable.size())
        growComponentTable();
    const std::size_t mask = m_componentTable.size() - 1;
    const auto n = std::size_t(component.size());
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = m_componentTable[at];
        if (slot == 0) {
            const auto id = std::uint32_t(m_components.size());
            if (m_componentPages.empty() || m_pageUsed + n > m_pageSize) {
                constexpr std::size_t kPageBytes = std::size_t(1) << 19;
                m_pageSize = std::max(kPageBytes, n);
                m_componentPages.push_back(std::make_unique_for_overwrite<char[]>(m_pageSize));
                m_pageUsed = 0;
            }
            char *bytes = m_componentPages.back().get() + m_pageUsed;
            if (n)
                std::memcpy(bytes, component.data(), n);
            m_pageUsed += n;
            m_components.push_back({bytes, std::uint32_t(n), 0});
            m_componentHashes.push_back(hash);
            m_componentTable[at] = id + 1;
            return id;
        }
        const Component &c = m_components[slot - 1];
        if (m_componentHashes[slot - 1] == hash && !c.wide && c.length == n &&
            (n == 0 || std::memcmp(c.bytes, component.data(), n) == 0))
            return slot - 1;
    }
}

std::uint32_t CatalogueIndex::internWide(QStringView component)
{
    if (const std::uint32_t known = findComponent(component); known != kNoId)
        return known;
    if (2 * (m_components.size() + 1) > m_componentTable.size())
        growComponentTable();
    const std::size_t mask = m_componentTable.size() - 1;
    const auto hash = std::uint32_t(qHash(component));
    std::size_t at = hash & mask;
    while (m_componentTable[at] != 0)
        at = (at + 1) & mask;
    const auto id = std::uint32_t(m_components.size());
    m_wideComponents.push_back(component.toString());
    m_components.push_back(
        {nullptr, std::uint32_t(component.size()), std::uint32_t(m_wideComponents.size())});
    m_componentHashes.push_back(hash);
    m_componentTable[at] = id + 1;
    return id;
}

std::uint32_t CatalogueIndex::findComponent(QStringView component) const
{
    if (m_componentTable.empty())
        return kNoId;
    QByteArray bytes;
    const bool encoded = CodePage::tryEncode(component, bytes);
    const std::uint32_t hash = encoded ? hashOf(bytes) : std::uint32_t(qHash(component));
    const std::size_t mask = m_componentTable.size() - 1;
    for (std::size_t at = hash & mask;; at = (at + 1) & mask) {
        const std::uint32_t slot = m_componentTable[at];
        if (slot == 0)
            return kNoId;
        if (m_componentHashes[slot - 1] != hash)
            continue;
        const Component &c = m_components[slot - 1];
        if (encoded ? !c.wide && QByteArrayView(c.bytes, c.length) == QByteArrayView(bytes)
                    : c.wide && m_wideComponents[c.wide - 1] == component)
            return slot - 1;
    }
}

bool CatalogueIndex::componentEquals(std::uint32_t id, QStringView text) const
{
    const Component &c = m_components[id];
    if (c.wide)
        return m_wideComponents[c.wide - 1] == text;
    if (c.length != std::uint32_t(text.size()))
        return false;
    for (std::uint32_t k = 0; k < c.length; ++k)
        if (CodePage::decodeByte(c.bytes[k]) != text[k])
            return false;
    return true;
}

void CatalogueIndex::growComponentTable()
{
    m_componentTable.assign(std::max<std::size_t>(4096, 2 * m_componentTable.size()), 0);
    const std::size_t mask = m_componentTable.size() - 1;
    for (std::uint32_t id = 0; id < m_components.size(); ++id) {
        std::size_t at = m_componentHashes[id] & mask;
        while (m_componentTable[at] != 0)
            at = (at + 1) & mask;
        m_componentTable[at] = id + 1;
    }
}

std::uint32_t CatalogueIndex::internAt(std::size_t slot, QStringView component)
{
    // Records come in runs that share their folders: the component met last at the same place
    // is usually the one met now, and comparing it is cheaper than hashing.
    if (slot >= m_recent.size())
        m_recent.resize(slot + 1, kNoId);
    std::uint32_t &recent = m_recent[slot];
    if (recent != kNoId && componentEquals(recent, component))
        return recent;
    recent = intern(component);
    return recent;
}

std::uint32_t CatalogueIndex::internBytesAt(std::size_t slot, QByteArrayView component)
{
    if (slot >= m_recent.size())
        m_recent.resize(slot + 1, kNoId);
    std::uint32_t &recent = m_recent[slot];
    if (recent != kNoId) {
        const Component &c = m_components[recent];
        if (!c.wide && QByteArrayView(c.bytes, c.length) == component)
            return recent;
    }
    recent = internBytes(component, hashOf(component));
    return recent;
}

void CatalogueIndex::storePath(Entry &e, QStringView path)
{
    e.pathOffset = std::uint32_t(m_pathIds.size());
    // A path in the code page (nearly all) is split and interned on its bytes.
    m_pathBytes.resize(path.size());
    if (CodePage::tryEncodeInto(path, m_pathBytes.data()))
        storeComponents(
            QByteArrayView(m_pathBytes), e, m_pathIds,
            [this](std::size_t slot, QByteArrayView part) { return internBytesAt(slot, part); });
    else
        storeComponents(path, e, m_pathIds, [this](std::size_t slot, QStringView part) {
            return internAt(slot, part);
        });
    m_livePathIds += storedIds(e);
}

void CatalogueIndex::storeFields(Entry &e, QStringView record)
{
    const FirstFields fields = SplitFirstFields(record);
    e.category = internAt(kCategorySlot, fields.category);
    e.thirdField = internAt(kThirdFieldSlot, fields.third);
}

int CatalogueIndex::componentCount(qsizetype i) const
{
    return isEmptyEntry(i) ? 0 : int(m_entries[std::size_t(i)].pathLength);
}

std::uint32_t CatalogueIndex::componentId(qsizetype i, int k) const
{
    const Entry &e = m_entries[std::size_t(i)];
    return componentOf(e, std::size_t(k));
}

std::uint32_t CatalogueIndex::componentOf(const Entry &e, std::size_t k) const
{
    if (k == 0 && e.categoryFirst)
        return e.category;
    if (k == 1 && e.thirdSecond)
        return e.thirdField;
    const std::size_t skipped = (e.categoryFirst && k > 0) + (e.thirdSecond && k > 1);
    return m_pathIds[e.pathOffset + k - skipped];
}

std::uint32_t CatalogueIndex::categoryId(qsizetype i) const
{
    return m_entries[std::size_t(i)].category;
}

std::uint32_t CatalogueIndex::thirdFieldId(qsizetype i) const
{
    return m_entries[std::size_t(i)].thirdField;
}

void CatalogueIndex::compactPaths()
{
    // Re-grouping replaces most paths; drop the old component lists once they outweigh the live.
    if (m_pathIds.size() < 2 * m_livePathIds + (std::size_t(1) << 20))
        return;
    std::vector<std::uint32_t> compact;
    compact.reserve(m_livePathIds);
    for (Entry &e : m_entries) {
        if (!e.used)
            continue;
        const auto offset = std::uint32_t(compact.size());
        compact.insert(compact.end(), m_pathIds.begin() + e.pathOffset,
                       m_pathIds.begin() + e.pathOffset + storedIds(e));
        e.pathOffset = offset;
    }
    m_pathIds = std::move(compact);
}

bool CatalogueIndex::keyComponents(QStringView key, std::vector<std::uint32_t> &ids) const
{
    ids.clear();
    qsizetype start = 0;
    for (qsizetype slash = key.indexOf(u'/'); slash >= 0; slash = key.indexOf(u'/', start)) {
        const std::uint32_t id = findComponent(key.mid(start, slash - start));
        if (id == kNoId)
            return false;
        ids.push_back(id);
        start = slash + 1;
    }
    return true;
}

bool CatalogueIndex::idsStartWith(const Entry &e, const std::vector<std::uint32_t> &ids) const
{
    // A folder key "A/B/" begins a path exactly when the path has more components than the key
    // and its first ones are the key's.
    if (e.pathLength <= ids.size())
        return false;
    for (std::size_t k = 0; k < ids.size(); ++k)
        if (componentOf(e, k) != ids[k])
            return false;
    return true;
}

bool CatalogueIndex::pathStartsWith(qsizetype i, QStringView key) const
{
    if (isEmptyEntry(i))
        return false;
    if (key.endsWith(u'/')) {
        std::vector<std::uint32_t> ids;
        return keyComponents(key, ids) && idsStartWith(m_entries[std::size_t(i)], ids);
    }
    return path(i).startsWith(key);
}

QList<qsizetype> CatalogueIndex::entriesUnder(QStringView key) const
{
    QList<qsizetype> found;
    if (key.endsWith(u'/')) {
        std::vector<std::uint32_t> ids;
        if (!keyComponents(key, ids))
            return found;
        for (std::size_t i = 1; i < m_entries.size(); ++i) {
            const Entry &e = m_entries[i];
            if (e.used && idsStartWith(e, ids))
                found.append(qsizetype(i));
        }
        return found;
    }
    for (qsizetype i = 1; i < size(); ++i)
        if (pathStartsWith(i, key))
            found.append(i);
    return found;
}
