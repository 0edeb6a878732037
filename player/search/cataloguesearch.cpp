#include "cataloguesearch.h"

#include "arabictext.h"
#include "catalogueindex.h"
#include "codepage.h"
#include "tapekeys.h"
#include "taperecord.h"

#include <cstring>

namespace {
constexpr qsizetype kCheckEvery = 512; // entries between looks at the clock
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
    for (qsizetype i = 1; i < total; ++i) {
        if (i % kCheckEvery == 0 && !pause(keepGoing)) {
            m_stopped = true;
            break;
        }
        if (matches(i, query))
            found.append(i);
    }
    return found;
}
