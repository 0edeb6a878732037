#include "treepaths.h"

#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;

namespace {

QString joinPath(std::initializer_list<QStringView> parts)
{
    qsizetype size = 0;
    for (QStringView p : parts)
        size += p.size() + 1;
    QString path;
    path.reserve(size);
    bool first = true;
    for (QStringView p : parts) {
        if (!first)
            path.append(u'/');
        path.append(p);
        first = false;
    }
    return path;
}

QStringView firstComponent(QStringView names)
{
    const qsizetype slash = names.indexOf(u'/');
    return slash < 0 ? names : names.left(slash);
}

} // namespace

bool TreePaths::isQuranRecord(QStringView category)
{
    return category.contains(u"كريم");
}

bool TreePaths::isLessonRecord(QStringView category)
{
    return category.contains(u"الدروس والخطب");
}

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
    const auto [category, names, third] = SplitFirstFields(recordLine);

    CategoryList.addIfNew(category);

    // Records come in runs of one category: its kind is worked out once per run.
    if (category != m_kindOf) {
        m_kindOf = category.toString();
        m_kind = isQuranRecord(category)    ? Kind::Quran
                 : isLessonRecord(category) ? Kind::Lesson
                                            : Kind::Other;
    }

    if (m_kind == Kind::Quran) {
        QString path = quranPath(category, names, third);
        if (const qsizetype n = RiwayaList.addIfNew(third); n > 0 && onNewRiwaya)
            onNewRiwaya(n, RiwayaList.at(n));
        ReciterList.addIfNew(firstComponent(names));
        return path;
    }

    if (m_kind == Kind::Lesson) {
        QString path = lessonPath(category, names, third);
        OwnerList.addIfNew(firstComponent(names));
        if (hasSection(third))
            SectionList.addIfNew(third);
        return path;
    }

    // Any other category: a group of "none" (or an empty one, which would leave the tape without
    // a name) puts the tape directly under its name path.
    if (!hasSection(third))
        return joinPath({category, names});
    return joinPath({category, names, third});
}

QString TreePaths::quranPath(QStringView category, QStringView names, QStringView riwaya) const
{
    const qsizetype slash = names.indexOf(u'/');
    if (QuranSort == 2)
        return joinPath({category, names});
    if (slash < 0) {
        // No "reciter/surah" split: the whole name stands for the tape, so it is never lost.
        if (QuranSort == 3)
            return joinPath({category, names});
        return joinPath({category, riwaya, names});
    }
    const QStringView reciter = names.left(slash);
    QStringView surah = names.mid(slash + 1);
    if (const qsizetype next = surah.indexOf(u'/'); next >= 0)
        surah = surah.left(next);
    switch (QuranSort) {
    case 1:
        return joinPath({category, riwaya, surah, reciter});
    case 3:
        return joinPath({category, surah, reciter});
    default:
        return joinPath({category, riwaya, reciter, surah});
    }
}

QString TreePaths::lessonPath(QStringView category, QStringView names, QStringView section) const
{
    if (DourousSort != 1 || !hasSection(section))
        return joinPath({category, names});

    const QList<QStringView> s = names.split(u'/');
    const qsizetype u = s.size() - 1;
    if (u == 0) // a lone title: shown under its section as it stands
        return joinPath({category, section, names});
    if (u == 1) {
        const QString leaf = s[1].toString() + u" - "_s + s[0].toString();
        return joinPath({category, section, leaf});
    }
    // Series and owner form one folder, deepest first; the title is the leaf.
    QString t;
    for (qsizetype i = u - 1; i >= 0; --i) {
        t += u" - "_s;
        t += s[i];
    }
    t.remove(0, 2);
    return joinPath({category, section, t, s[u]});
}
