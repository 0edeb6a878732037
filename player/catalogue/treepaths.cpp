#include "treepaths.h"

#include "recordkinds.h"
#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;

namespace {

// Writes the parts joined by "/" into the shape's path, reusing its buffer (a load builds a path
// a line), and keeps the parts.
void joinPath(TreePaths::Shape &shape, std::initializer_list<QStringView> parts)
{
    QString &path = shape.path;
    qsizetype size = 0;
    shape.partCount = 0;
    for (QStringView p : parts) {
        size += p.size() + 1;
        shape.parts[shape.partCount++] = p;
    }
    path.truncate(0);
    path.reserve(size);
    bool first = true;
    for (QStringView p : parts) {
        if (!first)
            path.append(u'/');
        path.append(p);
        first = false;
    }
}

QStringView firstComponent(QStringView names)
{
    const qsizetype slash = names.indexOf(u'/');
    return slash < 0 ? names : names.left(slash);
}

} // namespace

bool TreePaths::hasSection(QStringView field)
{
    return !field.isEmpty() && field.compare(u"none", Qt::CaseInsensitive) != 0;
}

void TreePaths::resetLists()
{
    CategoryList.reset();
    ReciterList.reset();
    OwnerList.reset();
    SectionList.reset();
    RiwayaList.reset();
}

QString TreePaths::BuildPath(QStringView recordLine)
{
    Shape shape;
    shapeOf(recordLine, m_kindCache, shape);
    for (int i = 0; i < shape.valueCount; ++i)
        addKnownValue(shape.values[i].list, shape.values[i].value);
    return std::move(shape.path);
}

KnownList &TreePaths::list(ListId id)
{
    switch (id) {
    case ListId::Reciter:
        return ReciterList;
    case ListId::Owner:
        return OwnerList;
    case ListId::Section:
        return SectionList;
    case ListId::Riwaya:
        return RiwayaList;
    case ListId::Category:
        break;
    }
    return CategoryList;
}

void TreePaths::addKnownValue(ListId id, QStringView value)
{
    const qsizetype n = list(id).addIfNew(value);
    if (id == ListId::Riwaya && n > 0 && m_onNewRiwaya)
        m_onNewRiwaya(n, RiwayaList.at(n));
}

void TreePaths::shapeOf(QStringView recordLine, KindCache &cache, Shape &shape) const
{
    const auto [category, names, third] = SplitFirstFields(recordLine);
    shape.valueCount = 0;
    shape.category = category;
    shape.third = third;
    shape.values[shape.valueCount++] = {ListId::Category, category};

    // Records come in runs of one category: its kind is worked out once per run.
    if (cache.kind < 0 || category != cache.category) {
        cache.category = category.toString();
        cache.kind = int(RecordKinds::groupedAsQuran(category)     ? Kind::Quran
                         : RecordKinds::groupedAsLessons(category) ? Kind::Lesson
                                                                   : Kind::Other);
    }

    switch (Kind(cache.kind)) {
    case Kind::Quran:
        quranPath(shape, category, names, third);
        shape.values[shape.valueCount++] = {ListId::Riwaya, third};
        shape.values[shape.valueCount++] = {ListId::Reciter, firstComponent(names)};
        break;
    case Kind::Lesson:
        lessonPath(shape, category, names, third);
        shape.values[shape.valueCount++] = {ListId::Owner, firstComponent(names)};
        if (hasSection(third))
            shape.values[shape.valueCount++] = {ListId::Section, third};
        break;
    case Kind::Other:
        // A group of "none" (or an empty one, which would leave the tape without a name) puts
        // the tape directly under its name path.
        if (hasSection(third))
            joinPath(shape, {category, names, third});
        else
            joinPath(shape, {category, names});
        break;
    }
}

void TreePaths::quranPath(Shape &shape, QStringView category, QStringView names,
                          QStringView riwaya) const
{
    const qsizetype slash = names.indexOf(u'/');
    if (QuranSort == 2)
        return joinPath(shape, {category, names});
    if (slash < 0) {
        // No "reciter/surah" split: the whole name stands for the tape, so it is never lost.
        if (QuranSort == 3)
            return joinPath(shape, {category, names});
        return joinPath(shape, {category, riwaya, names});
    }
    const QStringView reciter = names.left(slash);
    QStringView surah = names.mid(slash + 1);
    if (const qsizetype next = surah.indexOf(u'/'); next >= 0)
        surah = surah.left(next);
    switch (QuranSort) {
    case 1:
        return joinPath(shape, {category, riwaya, surah, reciter});
    case 3:
        return joinPath(shape, {category, surah, reciter});
    default:
        return joinPath(shape, {category, riwaya, reciter, surah});
    }
}

void TreePaths::lessonPath(Shape &shape, QStringView category, QStringView names,
                           QStringView section) const
{
    if (DourousSort != 1 || !hasSection(section))
        return joinPath(shape, {category, names});

    const QList<QStringView> s = names.split(u'/');
    const qsizetype u = s.size() - 1;
    if (u == 0) // a lone title: shown under its section as it stands
        return joinPath(shape, {category, section, names});
    QString &t = shape.joined;
    if (u == 1) {
        t = s[1].toString() + u" - "_s + s[0].toString();
        return joinPath(shape, {category, section, t});
    }
    // Series and owner form one folder, deepest first; the title is the leaf.
    t.truncate(0);
    for (qsizetype i = u - 1; i >= 0; --i) {
        t += u" - "_s;
        t += s[i];
    }
    t.remove(0, 2);
    return joinPath(shape, {category, section, t, s[u]});
}
