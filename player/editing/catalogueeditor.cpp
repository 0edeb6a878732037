#include "catalogueeditor.h"

#include "apppaths.h"
#include "catalogue.h"
#include "codepage.h"
#include "editingmessages.h"
#include "recordkinds.h"
#include "tapefields.h"
#include "tapekeys.h"
#include "taperecord.h"

#include <QFileInfo>
#include <QSet>

using namespace Qt::Literals::StringLiterals;
using namespace EditingMessages;

namespace {

const QString kAdditionsName = QString::fromLatin1(AppPaths::kAdditionsFile);
const QString kMsgNoLink = u"فضلا أدخل رابط الشريط"_s;
const QString kMsgNoCategory = u"رجاء اختر صنفا من القائمة أو اكتب في حقل التصنيف اسما جديدا"_s;
const QString kMsgAdded =
    u"تم إضافة الشريط إلى القائمة... يمكنك إضافة شريط آخر أو العودة إلى النافذة الرئيسية"_s;
const QString kMsgAddFailed = u"تعذر حفظ الشريط في ملف الإضافات، فلم يضف إلى القائمة"_s;
const QString kMsgModified = u"تم تعديل بيانات الشريط"_s;
const QString kMsgModifyFailed = u"حدث خطأ عند محاولة تعديل بيانات الشريط"_s;
const QString kMsgNotFound = u"لم يعثر على هذا الشريط في الفهرس، فلم يعدل شيء"_s;
const QString kMsgBadLine = u"بيانات الشريط الجديدة لا تكون سطرا صالحا"_s;

QString fileName(const Catalogue &catalogue, int file)
{
    return QFileInfo(catalogue.catalogueFilePath(file)).fileName();
}

QString unreadableMessage(const QString &name)
{
    return u"تعذر قراءة الملف "_s + name + u"، فلم يغير منه شيء"_s;
}

QString unwritableMessage(const QString &name)
{
    return u"تعذر حفظ الملف "_s + name + u"، فلم يغير منه شيء"_s;
}

} // namespace

bool EditingMessages::isStorableLink(QStringView text)
{
    const QStringView link = text.trimmed();
    return IsValidLink(link) && !link.contains(u'!');
}

bool EditingMessages::isReservedCategory(QStringView category)
{
    const QStringView name = category.trimmed();
    return name == TapeKeys::queueCategory() || name == TapeKeys::favouritesCategory();
}

RecordKind kindOfCategory(QStringView category)
{
    if (RecordKinds::editedAsQuran(category))
        return RecordKind::Quran;
    if (RecordKinds::editedAsLessons(category))
        return RecordKind::Lessons;
    return RecordKind::Other;
}

const QStringList &SurahNames()
{
    static const QStringList names{
        u"الفاتحة"_s,  u"البقرة"_s,  u"آل عمران"_s,  u"النساء"_s,   u"المائدة"_s,  u"الأنعام"_s,
        u"الأعراف"_s,  u"الأنفال"_s, u"التوبة"_s,    u"يونس"_s,     u"هود"_s,      u"يوسف"_s,
        u"الرعد"_s,    u"ابراهيم"_s, u"الحجر"_s,     u"النحل"_s,    u"الإسراء"_s,  u"الكهف"_s,
        u"مريم"_s,     u"طه"_s,      u"الأنبياء"_s,  u"الحج"_s,     u"المؤمنون"_s, u"النور"_s,
        u"الفرقان"_s,  u"الشعراء"_s, u"النمل"_s,     u"القصص"_s,    u"العنكبوت"_s, u"الروم"_s,
        u"لقمان"_s,    u"السجدة"_s,  u"الأحزاب"_s,   u"سبأ"_s,      u"فاطر"_s,     u"يس"_s,
        u"الصافات"_s,  u"ص"_s,       u"الزمر"_s,     u"غافر"_s,     u"فصلت"_s,     u"الشورى"_s,
        u"الزخرف"_s,   u"الدخان"_s,  u"الجاثية"_s,   u"الأحقاف"_s,  u"محمد"_s,     u"الفتح"_s,
        u"الحجرات"_s,  u"ق"_s,       u"الذاريات"_s,  u"الطور"_s,    u"النجم"_s,    u"القمر"_s,
        u"الرحمن"_s,   u"الواقعة"_s, u"الحديد"_s,    u"المجادلة"_s, u"الحشر"_s,    u"الممتحنة"_s,
        u"الصف"_s,     u"الجمعة"_s,  u"المنافقون"_s, u"التغابن"_s,  u"الطلاق"_s,   u"التحريم"_s,
        u"الملك"_s,    u"القلم"_s,   u"الحاقة"_s,    u"المعارج"_s,  u"نوح"_s,      u"الجن"_s,
        u"المزمل"_s,   u"المدثر"_s,  u"القيامة"_s,   u"الانسان"_s,  u"المرسلات"_s, u"النبأ"_s,
        u"النازعات"_s, u"عبس"_s,     u"التكوير"_s,   u"الانفطار"_s, u"المطففين"_s, u"الانشقاق"_s,
        u"البروج"_s,   u"الطارق"_s,  u"الأعلى"_s,    u"الغاشية"_s,  u"الفجر"_s,    u"البلد"_s,
        u"الشمس"_s,    u"الليل"_s,   u"الضحى"_s,     u"الشرح"_s,    u"التين"_s,    u"العلق"_s,
        u"القدر"_s,    u"البينة"_s,  u"الزلزلة"_s,   u"العاديات"_s, u"القارعة"_s,  u"التكاثر"_s,
        u"العصر"_s,    u"الهمزة"_s,  u"الفيل"_s,     u"قريش"_s,     u"الماعون"_s,  u"الكوثر"_s,
        u"الكافرون"_s, u"النصر"_s,   u"المسد"_s,     u"الإخلاص"_s,  u"الفلق"_s,    u"الناس"_s,
    };
    return names;
}

int surahNumber(QStringView name)
{
    const QStringView wanted = name.trimmed();
    const QStringList &names = SurahNames();
    for (qsizetype i = 0; i < names.size(); ++i)
        if (names.at(i) == wanted)
            return int(i + 1);
    return 0;
}

QString surahEntry(int n)
{
    if (n < 1 || n > SurahNames().size())
        return {};
    return u"%1 سورة "_s.arg(n, 3, 10, QLatin1Char('0')) + SurahNames().at(n - 1);
}

const QStringList &RiwayaNames()
{
    static const QStringList names{
        u" رواية حفص عن عاصم"_s,
        u"رواية شعبة عن عاصم"_s,
        u"رواية ورش عن نافع"_s,
        u"رواية قالون عن نافع"_s,
        u"رواية البزي عن ابن كثير"_s,
        u"رواية الدوري عن أبي عمرو"_s,
        u"رواية السوسي عن أبي عمرو "_s,
        u"رواية خلف عن حمزة"_s,
        u"رواية ابن ذكوان عن ابن عامر"_s,
        u"رواية أبي الحارث عن الكسائي"_s,
        u"رواية ابن جماز عن أبي جعفر"_s,
        u"رواية ابن وردان عن أبي جعفر"_s,
        u"رواية إسحاق الوراق عن خلف البزار"_s,
        u"روايتا رويس و روح عن يعقوب الحضرمي"_s,
        u"رواية خلاد عن حمزة"_s,
        u"رواية هشام عن ابن عامر"_s,
        u"رواية إدريس الحداد عن خلف البزار"_s,
    };
    return names;
}

CatalogueEditor::CatalogueEditor(Catalogue &catalogue)
    : m_catalogue(catalogue)
{}

QString CatalogueEditor::additionsFile() const
{
    return m_catalogue.linkFolder() + u'/' + kAdditionsName;
}

TapeFields NewTape::fields() const
{
    TapeFields f;
    f.category = category;
    f.reciter = reciter;
    // The surah is written as its list entry: a typed name takes the number of the entry it
    // equals, not that of whatever entry happened to be selected.
    f.surah = surahEntry(surahNumber(surah));
    f.surahListed = surahNumber(surah) != 0;
    f.riwaya = riwaya;
    f.sheikh = sheikh;
    f.title = title;
    f.section = section;
    f.owner = owner;
    f.name = name;
    f.group = group;
    f.links = {link};
    return f;
}

QString CatalogueEditor::checkNewTape(const NewTape &t)
{
    if (isBlank(t.link))
        return kMsgNoLink;
    if (!isStorableLink(t.link))
        return kMsgBadLink;
    if (isBlank(t.category))
        return kMsgNoCategory;
    return checkTapeFields(t.fields());
}

QString CatalogueEditor::composeRecord(const NewTape &t, QStringView riwaya)
{
    return composeTapeFields(t.fields(), riwaya) + t.link.trimmed();
}

QString CatalogueEditor::storedRiwaya(QStringView typed) const
{
    // The riwaya folders and the filter's items are keyed by the exact text: a riwaya is written
    // as the catalogue already writes it (the offered list carries outer spaces that catalogues
    // made with it kept), and trimmed only when the catalogue has no form of it.
    const QStringView wanted = typed.trimmed();
    const QStringList &known = m_catalogue.paths().RiwayaList.items();
    if (known.contains(typed))
        return typed.toString();
    for (const QString &riwaya : known)
        if (!riwaya.isEmpty() && QStringView(riwaya).trimmed() == wanted)
            return riwaya;
    return wanted.toString();
}

EditResult CatalogueEditor::add(const NewTape &tape, QString *line)
{
    if (const QString problem = checkNewTape(tape); !problem.isEmpty())
        return {false, problem};
    const QString record = composeRecord(tape, storedRiwaya(tape.riwaya));
    const QString file = additionsFile();
    // The file first: a tape that could not be saved must not show as added.
    if (!AppendToFile(file, record, 0))
        return {false, kMsgAddFailed};
    int number = m_catalogue.IndexOfFile(file);
    if (number < 0) // created just now: give it its number, so editing reaches it this run
        number = m_catalogue.registerFile(kAdditionsName);
    m_catalogue.Add2Tree(record, number);
    if (line)
        *line = record;
    return {true, kMsgAdded};
}

qsizetype CatalogueEditor::findRecord(QStringView tapeKey) const
{
    QStringView wanted = tapeKey;
    const qsizetype mark = tapeKey.lastIndexOf(TapeKeys::searchMark());
    if (mark >= 0)
        wanted = tapeKey.mid(mark + TapeKeys::searchMark().size());
    else if (TapeKeys::isTapeKey(tapeKey))
        wanted = tapeKey.mid(5); // "Leaf-"
    if (wanted.isEmpty())
        return -1;

    return m_catalogue.index().findRecord(wanted);
}

EditResult CatalogueEditor::ModifyInFile(int file, const QString &oldLine, const QString &newLine)
{
    const QString path = m_catalogue.catalogueFilePath(file);
    if (path.isEmpty() || oldLine.isEmpty())
        return {false, kMsgModifyFailed};
    bool read = false;
    QStringList lines = readCodePageLines(path, &read);
    if (!read)
        return {false, kMsgModifyFailed + u": "_s + unreadableMessage(fileName(m_catalogue, file))};

    bool replaced = false;
    for (QString &line : lines) {
        if (line == oldLine) {
            line = newLine;
            replaced = true;
        }
    }
    if (!replaced)
        return {false, kMsgModifyFailed};
    if (!writeCodePageLines(path, lines))
        return {false, kMsgModifyFailed + u": "_s + unwritableMessage(fileName(m_catalogue, file))};
    return {true, kMsgModified};
}

EditResult CatalogueEditor::modify(QStringView tapeKey, const QString &newLine)
{
    // A line break would split the record in its file, and a line that is no record would not be
    // read back at the next start.
    if (holdsLineBreak(newLine) || !IsValidLine(newLine))
        return {false, kMsgBadLine};
    const qsizetype entry = findRecord(tapeKey);
    if (entry < 0)
        return {false, kMsgNotFound};

    CatalogueIndex &index = m_catalogue.index();
    const QString oldLine = index.record(entry);
    const int file = index.fileNumber(entry);
    EditResult result{true, kMsgModified};
    if (file >= 0) {
        result = ModifyInFile(file, oldLine, newLine);
        if (!result.ok)
            return result; // the file still holds the old line: so does the index
    }

    // The file had every copy of the line replaced; its entries follow, in place, so that the
    // search (which follows changedEntries()) sees the new text.
    const QString path = m_catalogue.BuildPath(newLine);
    index.setEntry(entry, path, newLine, file);
    if (file >= 0) { // without a file only the edited entry changes
        for (qsizetype i = index.findRecord(oldLine, entry + 1); i >= 0;
             i = index.findRecord(oldLine, i + 1))
            if (index.fileNumber(i) == file)
                index.setEntry(i, path, newLine, file);
    }
    return result;
}

LinesByFile CatalogueEditor::CollectFolderLines(QStringView folderKey) const
{
    LinesByFile out;
    if (folderKey.isEmpty())
        return out;
    const CatalogueIndex &index = m_catalogue.index();
    for (const qsizetype i : index.entriesUnder(folderKey))
        out[index.fileNumber(i)].append(index.record(i));
    return out;
}

EditResult CatalogueEditor::DeleteRecords(const LinesByFile &lines)
{
    // Per file, the lines that are gone from it (or, without a file, from the index only).
    QMap<int, QSet<QString>> removed;
    QStringList failures;
    for (auto it = lines.cbegin(); it != lines.cend(); ++it) {
        QSet<QString> wanted;
        for (const QString &line : it.value())
            if (!line.isEmpty()) // an empty line is no record, and must not match one
                wanted.insert(line);
        if (wanted.isEmpty())
            continue;
        const int file = it.key();
        if (file >= 0) {
            const QString path = m_catalogue.catalogueFilePath(file);
            bool read = false;
            const QStringList old = path.isEmpty() ? QStringList() : readCodePageLines(path, &read);
            if (!read) {
                failures.append(unreadableMessage(fileName(m_catalogue, file)));
                continue;
            }
            QStringList kept;
            kept.reserve(old.size());
            for (const QString &line : old)
                if (!wanted.contains(line))
                    kept.append(line);
            if (kept.size() != old.size() && !writeCodePageLines(path, kept)) {
                failures.append(unwritableMessage(fileName(m_catalogue, file)));
                continue;
            }
        }
        removed.insert(file, wanted);
    }

    // One pass over the index clears every entry of a line that left its file.
    if (!removed.isEmpty()) {
        CatalogueIndex &index = m_catalogue.index();
        QString record;
        for (qsizetype i = 1; i < index.size(); ++i) {
            if (index.isEmptyEntry(i))
                continue;
            const auto it = removed.constFind(index.fileNumber(i));
            if (it == removed.cend())
                continue;
            index.recordInto(i, record);
            if (it->contains(record))
                index.clearEntry(i);
        }
    }
    return {failures.isEmpty(), failures.join(u'\n')};
}

EditResult CatalogueEditor::deleteTape(QStringView tapeKey)
{
    // A queue entry or a search result only leaves the tree.
    if (!TapeKeys::isTapeKey(tapeKey) || TapeKeys::isQueueEntryKey(tapeKey) ||
        TapeKeys::isSearchResultKey(tapeKey))
        return {true, {}};
    const qsizetype entry = findRecord(tapeKey);
    if (entry < 0)
        return {true, {}}; // nothing indexed by that line: nothing to remove
    const CatalogueIndex &index = m_catalogue.index();
    return DeleteRecords({{index.fileNumber(entry), {index.record(entry)}}});
}

EditResult CatalogueEditor::deleteFolder(QStringView folderKey)
{
    if (folderKey.contains(TapeKeys::queueCategory()))
        return {true, {}};
    return DeleteRecords(CollectFolderLines(folderKey));
}

int CatalogueEditor::reloadFile(const QString &path)
{
    int number = m_catalogue.IndexOfFile(path);
    if (number < 0) {
        const QString folder = m_catalogue.linkFolder() + u'/';
        const QString name = path.startsWith(folder) ? path.mid(folder.size()) : QString();
        if (name.isEmpty() || name.contains(u'/') || !QFileInfo(path).isFile())
            return -1;
        number = m_catalogue.registerFile(name);
    }
    CatalogueIndex &index = m_catalogue.index();
    for (qsizetype i = 1; i < index.size(); ++i)
        if (!index.isEmptyEntry(i) && index.fileNumber(i) == number)
            index.clearEntry(i);
    // The loader's own reading: the same lines are records as at start-up.
    m_catalogue.LireLinks(number, false);
    return number;
}
