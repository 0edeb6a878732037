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
    m_set.clear();
    m_set.insert(QString());
    m_hasNul = false;
}

bool KnownList::contains(QStringView value) const
{
    // Values read from files could hold NUL characters; only then can the joined-text test give
    // another answer than plain equality, so only then is it used.
    if (m_hasNul || value.contains(u'\0'))
        return IsInArray(value, m_items);
    return m_set.find(value) != m_set.end();
}

qsizetype KnownList::addIfNew(QStringView value)
{
    if (contains(value))
        return 0;
    QString text = value.toString();
    if (text.contains(u'\0'))
        m_hasNul = true;
    m_set.insert(text);
    m_items.append(std::move(text));
    return m_items.size() - 1;
}
