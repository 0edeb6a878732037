#include "editrows.h"

#include "editingmessages.h"
#include "taperecord.h"

using namespace Qt::Literals::StringLiterals;
using namespace EditingMessages;

namespace {

const QString kMsgNoCategory = u"لا يمكن إضافة أي شريط دون تحديد الصنف"_s;
const QString kMsgNoLinks = u"فضلا أدخل رابطا للشريط بإحدى الصيغتين"_s;

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

TapeFields EditRows::fields() const
{
    const RecordKind kind = kindOfCategory(text[0]);
    const auto &t = asSaved(*this, kind).text;
    TapeFields f;
    f.category = t[0];
    switch (kind) {
    case RecordKind::Quran:
        f.surah = t[1];
        f.surahListed = isSurahEntry(t[1]);
        f.reciter = t[2];
        f.riwaya = t[3];
        break;
    case RecordKind::Lessons:
        f.title = t[1];
        f.sheikh = t[2];
        f.series = t[3];
        f.section = t[4];
        break;
    case RecordKind::Other:
        f.name = t[1];
        f.owner = t[2];
        f.group = t[3];
        break;
    }
    const LinkRows links = linkRows(kind);
    f.links = {t[links.mp3], t[links.rm]};
    return f;
}

QString checkEditRows(const EditRows &rows)
{
    if (isBlank(rows.text[0]))
        return kMsgNoCategory;
    const TapeFields f = rows.fields();
    if (QString problem = checkTapeFields(f); !problem.isEmpty())
        return problem;
    const QString &mp3 = f.links.at(0);
    const QString &rm = f.links.at(1);
    if (isBlank(mp3) && isBlank(rm))
        return kMsgNoLinks;
    if ((!isBlank(mp3) && !isStorableLink(mp3)) || (!isBlank(rm) && !isStorableLink(rm)))
        return kMsgBadLink;
    return {};
}

QString composeEditedRecord(const EditRows &rows, QStringView riwaya)
{
    const TapeFields f = rows.fields();
    const QChar bang = u'!';
    QString line =
        composeTapeFields(f, riwaya) + f.links.at(0).trimmed() + bang + f.links.at(1).trimmed();
    // A blank MP3 link lets the RM link take its field; a blank RM link leaves a final "!".
    line.replace(u"!!"_s, u"!"_s);
    // Unless the record read without one: rows saved unchanged write their line back as it was.
    if (!rows.opened.endsWith(bang) && line.size() == rows.opened.size() + 1 &&
        line.endsWith(bang) && line.startsWith(rows.opened))
        line.chop(1);
    return line;
}
