#include "tapefields.h"

#include "catalogueeditor.h"
#include "editingmessages.h"
#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;
using namespace EditingMessages;

namespace {

const QString kDefaultSection = u"التصنيف العام"_s;
const QString kDefaultGroup = u"NONE"_s;

// No empty level: runs of "/" become one.
QString withoutEmptyLevels(QString text)
{
    while (text.contains(u"//"_s))
        text.replace(u"//"_s, u"/"_s);
    return text;
}

// A section: "\" between levels becomes "/", spaces around go, and a blank text the default.
QString sectionLevels(const QString &text)
{
    QString out = text;
    out.replace(u'\\', u'/');
    out = withoutEmptyLevels(out.trimmed());
    return out.isEmpty() ? kDefaultSection : out;
}

// A group: as typed, spaces and all, but "\" between levels becomes "/", no empty level, and no
// "/" before the first; a blank text the default.
QString groupLevels(const QString &text)
{
    QString out = withoutEmptyLevels(levelsOrDefault(text, kDefaultGroup));
    if (out.startsWith(u'/'))
        out.remove(0, 1);
    return out.isEmpty() ? kDefaultGroup : out;
}

} // namespace

QString checkTapeFields(const TapeFields &f)
{
    if (!IsValidFieldText(f.category))
        return cannotUse(kMsgSymbols);
    if (isReservedCategory(f.category))
        return reservedCategoryMessage(f.category);
    // A line break (a pasted text keeps it) would split the record in two lines of its file.
    for (const QString *field : {&f.category, &f.reciter, &f.surah, &f.riwaya, &f.sheikh, &f.series,
                                 &f.title, &f.section, &f.owner, &f.name, &f.group})
        if (holdsLineBreak(*field))
            return cannotUse(kMsgSymbols);
    for (const QString &link : f.links)
        if (holdsLineBreak(link))
            return cannotUse(kMsgSymbols);

    switch (kindOfCategory(f.category)) {
    case RecordKind::Quran:
        if (isBlank(f.riwaya))
            return kMsgNoRiwaya;
        if (!f.surahListed)
            return kMsgNoSurah;
        if (isBlank(f.reciter))
            return kMsgNoReciter;
        if (!IsValidFieldText(f.riwaya) || !IsValidFieldText(f.surah) ||
            !IsValidFieldText(f.reciter))
            return cannotUse(kMsgSymbols);
        break;
    case RecordKind::Lessons:
        if (isBlank(f.title))
            return kMsgNoTitle;
        if (isBlank(f.sheikh))
            return kMsgNoSheikh;
        if (!IsValidFieldText(f.title))
            return cannotUse(kMsgTitleSymbols);
        if (!IsValidFieldText(f.sheikh))
            return cannotUse(kMsgOwnerSymbols);
        // Series and section may hold "/" (sub-levels), but a "!" would add a field to the line.
        if (f.series.contains(u'!') || f.section.contains(u'!'))
            return cannotUse(kMsgSymbols);
        break;
    case RecordKind::Other:
        if (isBlank(f.name))
            return kMsgNoName;
        if (!IsValidFieldText(f.name))
            return cannotUse(kMsgNameSymbols);
        // The owner may be blank.
        if (!IsValidFieldText(f.owner))
            return cannotUse(kMsgOwnerSymbols);
        if (f.group.contains(u'!'))
            return cannotUse(kMsgSymbols);
        break;
    }
    return {};
}

QString composeTapeFields(const TapeFields &f, QStringView riwaya)
{
    const QChar bang = u'!';
    // Names are stored trimmed, as the tree keys them: a category typed with an outer space
    // would otherwise make a second root that looks the same as the first.
    const QString category = f.category.trimmed();
    QString names;
    QString third;
    switch (kindOfCategory(category)) {
    case RecordKind::Quran:
        // The surah stays as listed.
        names = f.reciter.trimmed() + u'/' + f.surah;
        third = riwaya.isNull() ? f.riwaya.trimmed() : riwaya.toString();
        break;
    case RecordKind::Lessons: {
        QString series = f.series.trimmed();
        series.replace(u'\\', u'/');
        names = f.sheikh.trimmed() + u'/' + series + u'/' + f.title.trimmed();
        third = sectionLevels(f.section);
        break;
    }
    case RecordKind::Other:
        names = f.owner.trimmed() + u'/' + f.name.trimmed();
        third = groupLevels(f.group);
        break;
    }
    // A blank level leaves no empty folder: no "//", and no "/" at either end.
    names = withoutEmptyLevels(names);
    if (names.startsWith(u'/'))
        names.remove(0, 1);
    if (names.endsWith(u'/'))
        names.chop(1);
    return category + bang + names + bang + third + bang;
}
