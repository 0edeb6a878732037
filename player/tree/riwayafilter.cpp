#include "riwayafilter.h"

#include <QList>

using namespace Qt::Literals::StringLiterals;

const QString &RiwayaFilter::allRiwayat()
{
    static const QString all = u"كل الروايات"_s;
    return all;
}

RiwayaFilter::RiwayaFilter()
    : m_text(u'@' + allRiwayat())
{}

RiwayaFilter RiwayaFilter::fromStored(const QString &text)
{
    return RiwayaFilter(text);
}

bool RiwayaFilter::showsAll() const
{
    return isChosen(allRiwayat());
}

bool RiwayaFilter::isChosen(QStringView item) const
{
    // "@a@b": the items lie between the marks.
    for (QStringView chosen : QStringView(m_text).split(u'@', Qt::SkipEmptyParts))
        if (chosen == item)
            return true;
    return false;
}

RiwayaFilter RiwayaFilter::afterChoosing(int index, const QStringList &items) const
{
    if (index <= 0 || index >= items.size())
        return RiwayaFilter();
    QList<bool> chosen;
    chosen.reserve(items.size());
    for (const QString &item : items)
        chosen.append(isChosen(item));
    chosen[index] = !chosen[index];
    if (chosen[index])
        chosen[0] = false; // a riwaya picked on its own
    bool every = items.size() > 1;
    for (qsizetype k = 1; k < items.size(); ++k)
        every = every && chosen[k];
    if (every)
        return RiwayaFilter();
    QString text;
    for (qsizetype k = 0; k < items.size(); ++k)
        if (chosen[k])
            text += u'@' + items[k];
    return RiwayaFilter(text);
}
