#pragma once

#include <QString>
#include <QStringList>
#include <QStringView>

#include <functional>
#include <unordered_map>

// True when value equals one element of list (a plain linear search, for short lists).
bool IsInArray(QStringView value, const QStringList &list);

// A list of known values (categories, reciters, owners, sections, riwayat). Entry 0 is always
// empty and real values follow in the order they were first met. A hash set beside the list
// answers membership in constant time, with the same answers as IsInArray over the list, whatever
// the values hold (NUL characters read from a file included).
class KnownList
{
public:
    KnownList();

    void reset();
    bool contains(QStringView value) const;
    // Appends value when it is not known yet; returns its new entry number, or 0 when it was known.
    qsizetype addIfNew(QStringView value);

    qsizetype size() const { return m_items.size(); }
    const QString &at(qsizetype i) const { return m_items.at(i); }
    const QStringList &items() const { return m_items; }

private:
    struct Hash
    {
        using is_transparent = void;
        size_t operator()(QStringView v) const noexcept { return qHash(v); }
    };

    // Entry number of a value, or -1 when it is not known.
    qsizetype find(QStringView value) const;

    QStringList m_items;
    std::unordered_map<QString, qsizetype, Hash, std::equal_to<>> m_numbers;
    qsizetype m_last = -1; // entry met last: records mostly repeat the value just seen
};
