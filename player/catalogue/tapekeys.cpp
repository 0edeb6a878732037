#include "tapekeys.h"

#include "recordkinds.h"
#include "taperecord.h"

#include <QStringList>

using namespace Qt::Literals::StringLiterals;

namespace TapeKeys {

namespace {

const QString kLeaf = u"Leaf-"_s;

// The one title rule; a search result's queue entry drops the parts after the surah.
QString titleOf(QStringView tapeKey, bool keepLaterParts)
{
    const bool quran = RecordKinds::titledAsQuran(categoryOf(tapeKey));
    const QStringList parts = RecordField(tapeKey, 1).toString().split(u'/');
    if (parts.size() < 2)
        return parts.join(u" - "_s);
    QString title = parts[0] + u" - "_s + (quran ? parts[1].mid(4) : parts[1]);
    if (quran && !keepLaterParts)
        return title;
    for (qsizetype i = 2; i < parts.size(); ++i)
        title += u" - "_s + parts[i];
    return title;
}

} // namespace

const QString &queueCategory()
{
    static const QString text = u"قائمة الانتظار"_s;
    return text;
}

const QString &favouritesCategory()
{
    static const QString text = u"أشرطتي المفضلة"_s;
    return text;
}

const QString &searchMark()
{
    static const QString text = u"@@@###"_s;
    return text;
}

QString tapeKey(QStringView record)
{
    return kLeaf + record.toString();
}

QString searchResultKey(QStringView searchText, QStringView record)
{
    return kLeaf + searchText.toString() + searchMark() + record.toString();
}

bool isTapeKey(QStringView key)
{
    return key.startsWith(kLeaf);
}

QString recordOf(QStringView key)
{
    return (isTapeKey(key) ? key.mid(kLeaf.size()) : key).toString();
}

QString placeholderKey(QStringView folderKey)
{
    return folderKey.toString() + u"-tmp"_s;
}

// A search result is made with the search mark, which no record holds: whatever its search text
// says, it is neither a queue entry nor a favourite.
bool isQueueEntryKey(QStringView key)
{
    return isTapeKey(key) && !isSearchResultKey(key) && key.contains(queueCategory());
}

bool isFavouriteKey(QStringView key)
{
    return !isSearchResultKey(key) && key.contains(favouritesCategory());
}

bool isSearchResultKey(QStringView key)
{
    return key.contains(searchMark());
}

QString categoryOf(QStringView tapeKey)
{
    const QStringView first = RecordField(tapeKey, 0);
    const qsizetype mark = first.lastIndexOf(searchMark());
    if (mark >= 0)
        return first.mid(mark + searchMark().size()).toString();
    return (first.startsWith(kLeaf) ? first.mid(kLeaf.size()) : first).toString();
}

QString DisplayTitle(QStringView tapeKey)
{
    return titleOf(tapeKey, true);
}

QString queueEntryTitle(QStringView tapeKey)
{
    return titleOf(tapeKey, !isSearchResultKey(tapeKey));
}

QString queueRecord(QStringView tapeKey)
{
    return queueCategory() + u'!' + queueEntryTitle(tapeKey) + u"!NONE!"_s + LinkFields(tapeKey);
}

QString FavouriteRecord(QStringView tapeKey)
{
    return favouritesCategory() + u'!' + categoryOf(tapeKey) + u'/' + queueEntryTitle(tapeKey) +
           u"!NONE!"_s + LinkFields(tapeKey);
}

} // namespace TapeKeys
