#include "recordkinds.h"

namespace RecordKinds {

bool groupedAsQuran(QStringView category)
{
    return category.contains(u"كريم");
}

bool groupedAsLessons(QStringView category)
{
    return category.contains(u"الدروس والخطب");
}

bool titledAsQuran(QStringView category)
{
    return category.contains(u"كريم");
}

bool filteredByRiwaya(QStringView category)
{
    return category.contains(u"قرآن") && category.contains(u"كريم");
}

bool editedAsQuran(QStringView category)
{
    return category.contains(u"القرآن الكريم");
}

bool editedAsLessons(QStringView category)
{
    return category.contains(u"دروس") && category.contains(u"خطب");
}

} // namespace RecordKinds
