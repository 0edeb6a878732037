#include "cataloguesearch.h"

#include "arabictext.h"
#include "catalogueindex.h"
#include "codepage.h"
#include "tapekeys.h"
#include "taperecord.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <iterator>
#include <thread>

namespace {
constexpr qsizetype kCheckEvery = 512; // entries between looks at the clock
// From this many entries a search runs on two threads.
constexpr qsizetype kTwoThreadsFrom = 100000;
} // namespace

CatalogueSearch::CatalogueSearch(const CatalogueIndex &index)
    : m_index(index)
{}

std::optional<CatalogueSearch::Query> CatalogueSearch::prepare(const QString &text, Mode mode)
{
    // A text of spaces would match every record.
    if (text.trimmed().isEmpty())
        return std::nullopt;
    Query query;
    query.needles = mode == Phrase ? QStringList{ArabicText::phraseNeedle(text)}
                                   : ArabicText::wordNeedles(text);
    for (const QString &needle : std::as_const(query.needles)) {
        QByteArray bytes;
        CodePage::tryEncode(needle, bytes);
        query.encoded.append(bytes);
    }
    return query;
}

bool CatalogueSearch::pause(const KeepGoing &keepGoing)
{
    if (!keepGoing || m_sincePause.elapsed() < m_pauseEveryMs)
        return true;
    const bool goOn = keepGoing();
    m_sincePause.restart();
    return goOn;
}

void CatalogueSearch::textOf(qsizetype entry, QString &record, QString &text) const
{
    text.truncate(0);
    m_index.recordInto(entry, record);
    if (record.isEmpty() || record.contains(TapeKeys::favouritesCategory()))
        return; // nothing to find in it
    const FirstFields fields = SplitFirstFields(record);
    ArabicText::appendHaystack(fields.names, fields.third, text);
}

void CatalogueSearch::normalise(qsizetype entry, QString &record, QString &text)
{
    textOf(entry, record, text);
    const std::size_t at = m_bytes.size();
    m_bytes.resize(at + std::size_t(text.size()));
    if (CodePage::tryEncodeInto(text, m_bytes.data() + at)) {
        m_isWide.push_back(0);
    } else {
        // A record typed with characters the code page cannot hold keeps its text as it is.
        m_bytes.resize(at);
        m_wide[entry] = text;
        m_isWide.push_back(1);
    }
    m_offsets.push_back(std::uint32_t(m_bytes.size()));
}

bool CatalogueSearch::update(const KeepGoing &keepGoing)
{
    if (m_generation != m_index.generation() || m_offsets.empty()) {
        m_generation = m_index.generation();
        m_changesSeen = 0;
        m_offsets.assign(1, 0);
        m_bytes.clear();
        m_isWide.clear();
        m_wide.clear();
    }
    QString record;
    QString text;
    // Entries changed in place: their new text stands apart from the packed ones.
    const std::vector<qsizetype> &changed = m_index.changedEntries();
    for (; m_changesSeen < changed.size(); ++m_changesSeen) {
        const qsizetype i = changed[m_changesSeen];
        if (i + 1 >= qsizetype(m_offsets.size()))
            continue; // not kept yet: done below
        textOf(i, record, text);
        m_wide[i] = text;
        m_isWide[std::size_t(i)] = 1;
    }
    m_sincePause.start();
    const qsizetype total = m_index.size();
    m_offsets.reserve(std::size_t(total) + 1);
    m_isWide.reserve(std::size_t(total));
    // Room for the texts still to come, at the average length of those kept so far (a record's
    // two fields take some fifty characters).
    const std::size_t kept = m_offsets.size();
    const std::size_t average = kept > 1000 ? m_bytes.size() / kept + 1 : 64;
    m_bytes.reserve(m_bytes.size() + average * std::size_t(total - qsizetype(kept) + 1));
    for (qsizetype i = qsizetype(m_offsets.size()) - 1; i < total; ++i) {
        if (i % kCheckEvery == 0 && !pause(keepGoing))
            return false;
        normalise(i, record, text);
    }
    return true;
}

bool CatalogueSearch::matches(qsizetype entry, const Query &query) const
{
    if (m_isWide[std::size_t(entry)]) {
        const auto found = m_wide.find(entry);
        if (found == m_wide.end())
            return false;
        for (const QString &needle : query.needles)
            if (!found->second.contains(needle))
                return false;
        return true;
    }
    const char *begin = m_bytes.data() + m_offsets[std::size_t(entry)];
    const std::size_t length = m_offsets[std::size_t(entry) + 1] - m_offsets[std::size_t(entry)];
    if (length == 0)
        return false;
    for (const QByteArray &needle : query.encoded) {
        if (needle.isEmpty() || !memmem(begin, length, needle.constData(), needle.size()))
            return false;
    }
    return true;
}

void CatalogueSearch::scanPacked(const Query &query, qsizetype from, qsizetype to,
                                 QList<qsizetype> &found) const
{
    // The longest needle is looked for through the packed texts of many entries at once (one
    // call, not one an entry); each place found is then checked against its entry alone.
    const QByteArray *lead = &query.encoded.constFirst();
    for (const QByteArray &needle : query.encoded)
        if (needle.size() > lead->size())
            lead = &needle;
    const char *base = m_bytes.data();
    std::size_t pos = m_offsets[std::size_t(from)];
    const std::size_t end = m_offsets[std::size_t(to)];
    auto entryEnds = m_offsets.begin() + from + 1;
    const auto lastEnd = m_offsets.begin() + to + 1;
    while (pos < end) {
        const void *hit = memmem(base + pos, end - pos, lead->constData(), lead->size());
        if (!hit)
            return;
        const auto at = std::uint32_t(static_cast<const char *>(hit) - base);
        // The entry holding the place: the first whose text ends after it.
        entryEnds = std::upper_bound(entryEnds, lastEnd, at);
        const auto entry = qsizetype(entryEnds - m_offsets.begin()) - 1;
        const std::size_t entryEnd = *entryEnds;
        // A place running into the next entry's text is no match (nor is any later one
        // beginning in this entry); an entry changed since it was packed is searched apart.
        if (at + std::size_t(lead->size()) <= entryEnd && !m_isWide[std::size_t(entry)] &&
            matches(entry, query))
            found.append(entry);
        pos = entryEnd;
    }
}

QList<qsizetype> CatalogueSearch::run(const Query &query, const KeepGoing &keepGoing)
{
    m_stopped = false;
    QList<qsizetype> found;
    m_sincePause.start();
    if (!update(keepGoing)) {
        m_stopped = true;
        return found;
    }
    const qsizetype total = qsizetype(m_offsets.size()) - 1;
    // A needle the code page cannot hold is in no packed text: only texts kept apart may hold it.
    const bool inPacked = std::none_of(query.encoded.cbegin(), query.encoded.cend(),
                                       [](const QByteArray &n) { return n.isEmpty(); });
    // A large catalogue is searched on two threads: the second half on a helper thread that
    // this one waits for; a stop (keepGoing, asked here only) keeps what the first half found.
    qsizetype searched = 1; // entries before this one are searched
    qsizetype split = total;
    QList<qsizetype> secondHalf;
    std::atomic<bool> abandon = false;
    std::thread helper;
    if (inPacked && total >= kTwoThreadsFrom) {
        split = total / 2;
        helper = std::thread([&] {
            for (qsizetype from = split; from < total && !abandon; from += kCheckEvery)
                scanPacked(query, from, std::min(total, from + kCheckEvery), secondHalf);
        });
    }
    while (searched < split) {
        const qsizetype next = std::min(split, searched + kCheckEvery);
        if (inPacked)
            scanPacked(query, searched, next, found);
        searched = next;
        if (searched < total && !pause(keepGoing)) {
            m_stopped = true;
            break;
        }
    }
    if (helper.joinable()) {
        abandon = m_stopped;
        helper.join();
        if (!m_stopped) {
            found.append(secondHalf);
            searched = total;
        }
    }
    // Entries kept apart (typed with characters outside the code page, or changed in place),
    // merged into index order; after a stop only those before where it stopped.
    std::vector<qsizetype> apart;
    for (const auto &[entry, text] : m_wide)
        if (entry >= 1 && entry < searched && m_isWide[std::size_t(entry)] && matches(entry, query))
            apart.push_back(entry);
    if (!apart.empty()) {
        std::sort(apart.begin(), apart.end());
        QList<qsizetype> merged;
        merged.reserve(found.size() + qsizetype(apart.size()));
        std::merge(found.cbegin(), found.cend(), apart.cbegin(), apart.cend(),
                   std::back_inserter(merged));
        found = std::move(merged);
    }
    return found;
}
