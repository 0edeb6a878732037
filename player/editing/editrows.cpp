#include "editrows.h"

#include "editingmessages.h"
#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;
using namespace EditingMessages;

namespace {

const QString kMsgNoCategory = u"لا يمكن إضافة أي شريط دون تحديد الصنف"_s;
const QString kMsgNoLinks = u"فضلا أدخل رابطا للشريط بإحدى الصيغتين"_s;
const QString kDefaultSection = u"التصنيف العام"_s;
const QString kDefaultGroup = u"NONE"_s;

// The rows holding the MP3 and the RM link when rows are saved as the given kind.
struct LinkRows
{
    int mp3;
    int rm;
};

LinkRows linkRows(RecordKind kind)
{
    return kind == RecordKind::Lessons ? LinkRows{5, 6} : LinkRows{4, 5};
}

// The parts of a name path between its first and its last, as one "/"-separated text. Taken
// by position, so a series whose text contains the sheikh's name or the title survives whole.
QString middleParts(const QList<QStringView> &parts)
{
    QString middle;
    for (qsizetype i = 1; i + 1 < parts.size(); ++i) {
        if (i > 1)
            middle += u'/';
        middle += parts.at(i);
    }
    return middle;
}

// Whether the text is one of the 114 surah entries of the list ("001 سورة الفاتحة" ...).
bool isSurahEntry(QStringView text)
{
    const QStringView entry = text.trimmed();
    bool ok = false;
    const int n = entry.left(3).toInt(&ok);
    return ok && !entry.isEmpty() && entry == surahEntry(n);
}

// The rows as the save reads them under its kind. In the Quran layout row 3 is the riwaya list;
// the other kinds read the text box that list covers, which the window leaves empty, so a
// record opened as Quran but saved by other rules gets the default group.
EditRows asSaved(const EditRows &rows, RecordKind kind)
{
    EditRows saved = rows;
    if (rows.layout == RecordKind::Quran && kind != RecordKind::Quran)
        saved.text[3].clear();
    return saved;
}

} // namespace

EditRows EditRows::fromRecord(const QString &recordLine)
{
    const FirstFields fields = SplitFirstFields(recordLine);
    const QList<QStringView> parts = fields.names.split(u'/');
    const LinkPair links = ExtractLinks(recordLine);

    EditRows rows;
    // Opened by the rule the save applies, so that a record saved unchanged is the same record.
    rows.layout = kindOfCategory(fields.category);
    rows.opened = recordLine;
    auto &t = rows.text;
    t[0] = fields.category.toString();
    t[1] = parts.last().toString();
    if (parts.size() > 1)
        t[2] = parts.first().toString();

    switch (rows.layout) {
    case RecordKind::Quran:
    case RecordKind::Other:
        t[3] = fields.third.toString();
        t[4] = links.mp3;
        t[5] = links.rm;
        break;
    case RecordKind::Lessons:
        t[3] = middleParts(parts);
        t[4] = fields.third.toString();
        t[5] = links.mp3;
        t[6] = links.rm;
        break;
    }
    return rows;
}

QString checkEditRows(const EditRows &rows)
{
    const auto &t = rows.text;
    if (isBlank(t[0]))
        return kMsgNoCategory;
    if (!IsValidFieldText(t[0]))
        return cannotUse(kMsgSymbols);
    if (isReservedCategory(t[0]))
        return reservedCategoryMessage(t[0]);
    // A line break would split the record in its file: no row may hold one, link rows included.
    for (const QString &row : t)
        if (holdsLineBreak(row))
            return cannotUse(kMsgSymbols);

    const RecordKind kind = kindOfCategory(t[0]);
    const EditRows saved = asSaved(rows, kind);
    const auto &s = saved.text;
    switch (kind) {
    case RecordKind::Quran:
        if (isBlank(t[3]))
            return kMsgNoRiwaya;
        if (!isSurahEntry(t[1]))
            return kMsgNoSurah;
        if (isBlank(t[2]))
            return kMsgNoReciter;
        if (!IsValidFieldText(t[1]) || !IsValidFieldText(t[2]) || !IsValidFieldText(t[3]))
            return cannotUse(kMsgSymbols);
        break;
    case RecordKind::Lessons:
        if (isBlank(t[1]))
            return kMsgNoTitle;
        if (isBlank(t[2]))
            return kMsgNoSheikh;
        if (!IsValidFieldText(t[1]))
            return cannotUse(kMsgTitleSymbols);
        if (!IsValidFieldText(t[2]))
            return cannotUse(kMsgOwnerSymbols);
        // Series and section may hold "/" (sub-levels) but a "!" would add a field to the line.
        if (s[3].contains(u'!') || t[4].contains(u'!'))
            return cannotUse(kMsgSymbols);
        break;
    case RecordKind::Other:
        if (isBlank(t[1]))
            return kMsgNoName;
        if (!IsValidFieldText(t[1]))
            return cannotUse(kMsgNameSymbols);
        // The owner may be blank.
        if (!IsValidFieldText(t[2]))
            return cannotUse(kMsgOwnerSymbols);
        if (s[3].contains(u'!'))
            return cannotUse(kMsgSymbols);
        break;
    }

    const LinkRows links = linkRows(kind);
    const QString &mp3 = t[links.mp3];
    const QString &rm = t[links.rm];
    if (isBlank(mp3) && isBlank(rm))
        return kMsgNoLinks;
    if ((!isBlank(mp3) && !isStorableLink(mp3)) || (!isBlank(rm) && !isStorableLink(rm)))
        return kMsgBadLink;
    return {};
}

QString composeEditedRecord(const EditRows &rows, QStringView riwaya)
{
    const RecordKind kind = kindOfCategory(rows.text[0]);
    const EditRows saved = asSaved(rows, kind);
    const auto &t = saved.text;
    const auto trimmed = [&t](int n) {
        return t[n].trimmed();
    };
    const QChar bang = u'!';
    const LinkRows linkRow = linkRows(kind);
    const QString links = trimmed(linkRow.mp3) + bang + trimmed(linkRow.rm);

    QString line;
    switch (kind) {
    case RecordKind::Quran:
        // The surah is a list entry and stays as listed. The riwaya is written in the form given
        // (the catalogue's own, CatalogueEditor::storedRiwaya()), else trimmed: two offered texts
        // carry an outer space, which would file the same riwaya under two folders.
        line = trimmed(0) + bang + trimmed(2) + u'/' + t[1] + bang +
               (riwaya.isNull() ? trimmed(3) : riwaya.toString()) + bang + links;
        break;
    case RecordKind::Lessons: {
        QString series = trimmed(3);
        series.replace(u'\\', u'/');
        QString section = t[4];
        section.replace(u'\\', u'/');
        section = section.trimmed();
        if (section.isEmpty())
            section = kDefaultSection;
        // An empty series leaves no empty level ("sheikh/title").
        line = trimmed(0) + bang + trimmed(2) + u'/' + series + u'/' + trimmed(1) + bang + section +
               bang;
        line.replace(u"//"_s, u"/"_s);
        line += links;
        break;
    }
    case RecordKind::Other:
        // A blank owner leaves no "/" before the name. Only the fields before the links are
        // compacted: a link keeps its "//" (as in "http://").
        line = trimmed(0) + bang + trimmed(2) + u'/' + trimmed(1) + bang +
               levelsOrDefault(t[3], kDefaultGroup) + bang;
        line.replace(u"!!"_s, u"!"_s).replace(u"//"_s, u"/"_s).replace(u"!/"_s, u"!"_s);
        line += links;
        break;
    }
    // A blank MP3 link lets the RM link take its field; a blank RM link leaves a final "!".
    line.replace(u"!!"_s, u"!"_s);
    // Unless the record read without one: rows saved unchanged write their line back as it was.
    if (!rows.opened.endsWith(bang) && line.size() == rows.opened.size() + 1 &&
        line.endsWith(bang) && line.startsWith(rows.opened))
        line.chop(1);
    return line;
}
