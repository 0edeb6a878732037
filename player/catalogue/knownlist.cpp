#include "knownlist.h"

bool IsInArray(QStringView value, const QStringList &list)
{
    for (const QString &element : list)
        if (element == value)
            return true;
    return false;
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
    m_last = -1;
}

qsizetype KnownList::find(QStringView value) const
{
    const auto it = m_numbers.find(value);
    return it == m_numbers.end() ? -1 : it->second;
}

bool KnownList::contains(QStringView value) const
{
    return find(value) >= 0;
}

qsizetype KnownList::addIfNew(QStringView value)
{
    if (m_last >= 0 && m_items.at(m_last) == value)
        return 0;
    if (const qsizetype known = find(value); known >= 0) {
        m_last = known;
        return 0;
    }
    QString text = value.toString();
    m_numbers.emplace(text, m_items.size());
    m_items.append(std::move(text));
    m_last = m_items.size() - 1;
    return m_last;
}
