#include "knownlist.h"

bool IsInArray(QStringView value, const QStringList &list)
{
    const QChar nul(u'\0');
    QString joined = nul + list.join(nul) + nul;
    QString needle = nul + value.toString() + nul;
    return joined.contains(needle);
}

KnownList::KnownList()
{
    reset();
}

void KnownList::reset()
{
    m_items = QStringList{QString()};
    m_numbers.clear();
    m_numbers.emplace(QString(), 0);
    m_hasNul = false;
    m_last = -1;
}

qsizetype KnownList::find(QStringView value) const
{
    const auto it = m_numbers.find(value);
    return it == m_numbers.end() ? -1 : it->second;
}

bool KnownList::contains(QStringView value) const
{
    // Values read from files could hold NUL characters; only then can the joined-text test give
    // another answer than plain equality, so only then is it used.
    if (m_hasNul || value.contains(u'\0'))
        return IsInArray(value, m_items);
    return find(value) >= 0;
}

qsizetype KnownList::addIfNew(QStringView value)
{
    if (!m_hasNul && m_last >= 0 && m_items.at(m_last) == value)
        return 0;
    if (contains(value)) {
        m_last = m_hasNul ? -1 : find(value);
        return 0;
    }
    QString text = value.toString();
    if (text.contains(u'\0'))
        m_hasNul = true;
    m_numbers.emplace(text, m_items.size());
    m_items.append(std::move(text));
    m_last = m_hasNul ? -1 : m_items.size() - 1;
    return m_items.size() - 1;
}
