#include "editrows.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kSurah36 = u"036 سورة يس"_s;
const QString kRiwaya = u"رواية حفص عن عاصم"_s;
const QString kSymbols = u"لا يمكن استخدام الرموز التالية !  /  \\ :"_s;
const QString kBadLink = u"رابط الملف الذي كتبته غير صالح"_s;

// Rows 0..n of the window, the rest empty.
EditRows makeRows(const QStringList &texts, RecordKind layout = RecordKind::Other)
{
    EditRows rows;
    rows.layout = layout;
    for (qsizetype i = 0; i < texts.size(); ++i)
        rows.text[size_t(i)] = texts.at(i);
    return rows;
}

QStringList rowTexts(const EditRows &rows)
{
    return QStringList(rows.text.cbegin(), rows.text.cend());
}

} // namespace

Q_DECLARE_METATYPE(NewTape)

class TestEditRows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void opensRows_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<RecordKind>("layout");
        QTest::addColumn<QStringList>("rows");

        QTest::addRow("quran") << kQuran + u"!R/"_s + kSurah36 + u"!"_s + kRiwaya + u"!a.mp3!b.rm"_s
                               << RecordKind::Quran
                               << QStringList{kQuran,     kSurah36,  u"R"_s, kRiwaya,
                                              u"a.mp3"_s, u"b.rm"_s, {}};
        QTest::addRow("quran links in either order")
            << kQuran + u"!R/"_s + kSurah36 + u"!ر!b.rm!a.mp3"_s << RecordKind::Quran
            << QStringList{kQuran, kSurah36, u"R"_s, u"ر"_s, u"a.mp3"_s, u"b.rm"_s, {}};
        QTest::addRow("lesson") << kLessons + u"!S/شرح/درس 1!فقه!a.mp3!b.rm"_s
                                << RecordKind::Lessons
                                << QStringList{kLessons, u"درس 1"_s, u"S"_s,   u"شرح"_s,
                                               u"فقه"_s, u"a.mp3"_s, u"b.rm"_s};
        QTest::addRow("lesson series of two levels")
            << kLessons + u"!S/أ/ب/ت!فقه!a.mp3"_s << RecordKind::Lessons
            << QStringList{kLessons, u"ت"_s, u"S"_s, u"أ/ب"_s, u"فقه"_s, u"a.mp3"_s, {}};
        // Title and sheikh are also parts of the series' text: it must come back whole.
        QTest::addRow("series containing title and sheikh")
            << kLessons + u"!1/سلسلة 1431 لـ 1/1!فقه!a.mp3"_s << RecordKind::Lessons
            << QStringList{kLessons, u"1"_s,     u"1"_s, u"سلسلة 1431 لـ 1"_s,
                           u"فقه"_s, u"a.mp3"_s, {}};
        QTest::addRow("lesson without series")
            << kLessons + u"!S/ت!فقه!a.mp3"_s << RecordKind::Lessons
            << QStringList{kLessons, u"ت"_s, u"S"_s, {}, u"فقه"_s, u"a.mp3"_s, {}};
        QTest::addRow("other, one-part path")
            << u"أناشيد!ن!NONE!a.mp3"_s << RecordKind::Other
            << QStringList{u"أناشيد"_s, u"ن"_s, {}, u"NONE"_s, u"a.mp3"_s, {}, {}};
        // The layout is the kind the save reads: only "القرآن الكريم" makes a Quran tape, and
        // "دروس" makes a lesson only beside "خطب".
        QTest::addRow("كريم without القرآن الكريم opens as other")
            << u"تلاوات كريمة!R/"_s + kSurah36 + u"!ر!a.mp3"_s << RecordKind::Other
            << QStringList{u"تلاوات كريمة"_s, kSurah36, u"R"_s, u"ر"_s, u"a.mp3"_s, {}, {}};
        QTest::addRow("دروس without خطب opens as other")
            << u"دروس!S/شرح/درس!فقه!a.mp3"_s << RecordKind::Other
            << QStringList{u"دروس"_s, u"درس"_s, u"S"_s, u"فقه"_s, u"a.mp3"_s, {}, {}};
        QTest::addRow("خطب alone opens as other")
            << u"خطب الجمعة!S/خطبة!NONE!a.mp3"_s << RecordKind::Other
            << QStringList{u"خطب الجمعة"_s, u"خطبة"_s, u"S"_s, u"NONE"_s, u"a.mp3"_s, {}, {}};
    }
    void opensRows()
    {
        QFETCH(QString, record);
        QFETCH(RecordKind, layout);
        QFETCH(QStringList, rows);
        const EditRows opened = EditRows::fromRecord(record);
        QCOMPARE(opened.layout, layout);
        QCOMPARE(rowTexts(opened), rows);
    }

    // Each record is opened, row `row` set to `text` (none when -1), checked and saved.
    void savesEdits_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("row");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("saved");

        const QString quran = kQuran + u"!R/"_s + kSurah36 + u"!"_s + kRiwaya + u"!"_s;
        QTest::addRow("quran unchanged")
            << quran + u"a.mp3!b.rm"_s << -1 << QString() << quran + u"a.mp3!b.rm"_s;
        QTest::addRow("quran links reordered")
            << quran + u"b.rm!a.mp3"_s << -1 << QString() << quran + u"a.mp3!b.rm"_s;
        QTest::addRow("quran new RM link")
            << quran + u"a.mp3"_s << 5 << u"  http://h/n.rm"_s << quran + u"a.mp3!http://h/n.rm"_s;
        QTest::addRow("quran MP3 emptied")
            << quran + u"a.mp3!b.rm"_s << 4 << QString() << quran + u"b.rm"_s;
        QTest::addRow("quran RM emptied")
            << quran + u"a.mp3!b.rm"_s << 5 << u"  "_s << quran + u"a.mp3!"_s;
        QTest::addRow("offered riwaya stored trimmed")
            << quran + u"a.mp3"_s << 3 << RiwayaNames().at(6)
            << kQuran + u"!R/"_s + kSurah36 + u"!رواية السوسي عن أبي عمرو!a.mp3!"_s;
        QTest::addRow("quran reciter trimmed")
            << quran + u"a.mp3"_s << 2 << u"  ق  "_s
            << kQuran + u"!ق/"_s + kSurah36 + u"!"_s + kRiwaya + u"!a.mp3!"_s;

        const QString lesson = kLessons + u"!S/شرح/درس!فقه!"_s;
        QTest::addRow("lesson unchanged")
            << lesson + u"a.mp3!b.rm"_s << -1 << QString() << lesson + u"a.mp3!b.rm"_s;
        QTest::addRow("lesson series emptied")
            << lesson + u"a.mp3"_s << 3 << u" "_s << kLessons + u"!S/درس!فقه!a.mp3!"_s;
        QTest::addRow("lesson series levels")
            << lesson + u"a.mp3"_s << 3 << u" أ\\ب "_s << kLessons + u"!S/أ/ب/درس!فقه!a.mp3!"_s;
        QTest::addRow("lesson section levels") << lesson + u"a.mp3"_s << 4 << u" فقه\\صلاة "_s
                                               << kLessons + u"!S/شرح/درس!فقه/صلاة!a.mp3!"_s;
        QTest::addRow("lesson section blank") << lesson + u"a.mp3"_s << 4 << u"  "_s
                                              << kLessons + u"!S/شرح/درس!التصنيف العام!a.mp3!"_s;
        QTest::addRow("lesson MP3 emptied")
            << lesson + u"a.mp3!b.rm"_s << 5 << QString() << lesson + u"b.rm"_s;

        const QString other = u"أناشيد!فلان/ن!مجموعة!"_s;
        QTest::addRow("other unchanged, links keep //")
            << other + u"http://h/a.mp3!http://h/b.rm"_s << -1 << QString()
            << other + u"http://h/a.mp3!http://h/b.rm"_s;
        QTest::addRow("other owner blank")
            << other + u"a.mp3"_s << 2 << u"  "_s << u"أناشيد!ن!مجموعة!a.mp3!"_s;
        // Saved unchanged, a line without an RM link is written back as it was.
        QTest::addRow("other one-part path")
            << u"أناشيد!ن!NONE!a.mp3"_s << -1 << QString() << u"أناشيد!ن!NONE!a.mp3"_s;
        QTest::addRow("other, unchanged line ending in !")
            << u"أناشيد!ن!NONE!a.mp3!"_s << -1 << QString() << u"أناشيد!ن!NONE!a.mp3!"_s;
        QTest::addRow("other group blank")
            << other + u"a.mp3"_s << 3 << u" "_s << u"أناشيد!فلان/ن!NONE!a.mp3!"_s;
        QTest::addRow("other group levels")
            << other + u"a.mp3"_s << 3 << u"أ\\ب"_s << u"أناشيد!فلان/ن!أ/ب!a.mp3!"_s;
        // Opened and saved by the same rules, the third field stays the group it is.
        QTest::addRow("كريم without القرآن الكريم")
            << u"تلاوات كريمة!R/"_s + kSurah36 + u"!ر!a.mp3"_s << -1 << QString()
            << u"تلاوات كريمة!R/"_s + kSurah36 + u"!ر!a.mp3"_s;
        QTest::addRow("دروس without خطب, new RM link")
            << u"دروس!S/درس!فقه!a.mp3"_s << 5 << u"b.rm"_s << u"دروس!S/درس!فقه!a.mp3!b.rm"_s;
    }
    void savesEdits()
    {
        QFETCH(QString, record);
        QFETCH(int, row);
        QFETCH(QString, text);
        QFETCH(QString, saved);
        EditRows rows = EditRows::fromRecord(record);
        if (row >= 0)
            rows.text[size_t(row)] = text;
        QCOMPARE(checkEditRows(rows), QString());
        QCOMPARE(composeEditedRecord(rows), saved);
    }

    // Rows 0..6; the first failing check names the message.
    void refuses_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QString>("message");

        const QString a = u"a.mp3"_s;
        QTest::addRow("category blank before anything")
            << QStringList{u"  "_s, {}, {}, {}, u"bad"_s}
            << u"لا يمكن إضافة أي شريط دون تحديد الصنف"_s;
        QTest::addRow("category symbols") << QStringList{u"أ/ب"_s, u"ن"_s, {}, {}, a} << kSymbols;
        QTest::addRow("line break before kind checks")
            << QStringList{kQuran, {}, {}, {}, a, u"b.rm\nc.rm"_s} << kSymbols;
        QTest::addRow("queue's name as category")
            << QStringList{u"قائمة الانتظار"_s, u"ن"_s, {}, {}, a}
            << u"لا يمكن استخدام «قائمة الانتظار» اسما للتصنيف، فهو اسم محجوز لفرع من فروع البرنامج"_s;
        QTest::addRow("line break in category")
            << QStringList{u"أ\r"_s, u"ن"_s, {}, {}, a} << kSymbols;

        QTest::addRow("riwaya before surah")
            << QStringList{kQuran, u"يس"_s, {}, u" "_s, a} << u"فضلا أدخل الرواية"_s;
        QTest::addRow("surah by name only")
            << QStringList{kQuran, u"يس"_s, u"R"_s, kRiwaya, a} << u"فضلا اختر السورة من القائمة"_s;
        QTest::addRow("surah with a wrong number")
            << QStringList{kQuran, u"037 سورة يس"_s, u"R"_s, kRiwaya, a}
            << u"فضلا اختر السورة من القائمة"_s;
        QTest::addRow("surah past 114") << QStringList{kQuran, u"115 سورة يس"_s, u"R"_s, kRiwaya, a}
                                        << u"فضلا اختر السورة من القائمة"_s;
        QTest::addRow("reciter blank")
            << QStringList{kQuran, u" "_s + kSurah36 + u" "_s, u" "_s, kRiwaya, a}
            << u"فضلا أدخل اسم المقرئ"_s;
        QTest::addRow("reciter symbols")
            << QStringList{kQuran, kSurah36, u"R\\Q"_s, kRiwaya, a} << kSymbols;

        QTest::addRow("title before sheikh") << QStringList{kLessons, u"  "_s, {}, {}, {}, a}
                                             << u"فضلا أدخل عنوان الدرس أو الخطبة"_s;
        QTest::addRow("sheikh blank")
            << QStringList{kLessons, u"t/x"_s, u" "_s, {}, {}, a} << u"فضلا أدخل اسم صاحب الشريط"_s;
        QTest::addRow("title symbols before sheikh symbols")
            << QStringList{kLessons, u"t/x"_s, u"S!"_s, {}, {}, a}
            << u"لا يمكن استخدام الرموز التالية في عنوان الدرس !  /  \\ :"_s;
        QTest::addRow("sheikh symbols")
            << QStringList{kLessons, u"t"_s, u"S!"_s, {}, {}, a}
            << u"لا يمكن استخدام الرموز التالية في كتابة اسم صاحب الشريط !  /  \\ :"_s;
        QTest::addRow("series would add a field")
            << QStringList{kLessons, u"t"_s, u"S"_s, u"أ!ب"_s, {}, a} << kSymbols;

        QTest::addRow("name blank")
            << QStringList{u"أناشيد"_s, u" "_s, u"x/y"_s, {}, {}} << u"فضلا أدخل اسم الشريط"_s;
        QTest::addRow("name symbols before owner symbols")
            << QStringList{u"أناشيد"_s, u"ن/"_s, u"x/y"_s, {}, a}
            << u"لا يمكن استخدام الرموز التالية في كتابة اسم الشريط !  /  \\ :"_s;
        QTest::addRow("owner symbols")
            << QStringList{u"أناشيد"_s, u"ن"_s, u"x/y"_s, {}, a}
            << u"لا يمكن استخدام الرموز التالية في كتابة اسم صاحب الشريط !  /  \\ :"_s;
        QTest::addRow("group would add a field")
            << QStringList{u"أناشيد"_s, u"ن"_s, {}, u"g!"_s, a} << kSymbols;

        QTest::addRow("no link before bad link")
            << QStringList{u"أناشيد"_s, u"ن"_s, {}, {}, u" "_s, u" "_s, u"bad"_s}
            << u"فضلا أدخل رابطا للشريط بإحدى الصيغتين"_s;
        QTest::addRow("bad RM link")
            << QStringList{u"أناشيد"_s, u"ن"_s, {}, {}, a, u"b.wav"_s} << kBadLink;
        QTest::addRow("link that would split the record")
            << QStringList{u"أناشيد"_s, u"ن"_s, {}, {}, u"http://h/a!b.mp3"_s} << kBadLink;
        QTest::addRow("lesson links are rows 5 and 6")
            << QStringList{kLessons, u"t"_s, u"S"_s, {}, a, {}, {}}
            << u"فضلا أدخل رابطا للشريط بإحدى الصيغتين"_s;
    }
    void refuses()
    {
        QFETCH(QStringList, rows);
        QFETCH(QString, message);
        QCOMPARE(checkEditRows(makeRows(rows)), message);
    }

    void savesByItsOwnRowsWhateverTheLayout()
    {
        // Rows laid out as lessons but saved by other rules (row 0 changed): the section row is
        // read as the MP3 link.
        EditRows lesson =
            makeRows({u"دروس"_s, u"درس"_s, u"S"_s, {}, u"فقه"_s, u"a.mp3"_s}, RecordKind::Lessons);
        QCOMPARE(checkEditRows(lesson), kBadLink);

        // A Quran surah row is checked by the list, trimmed; the riwaya is stored as listed.
        EditRows quran =
            makeRows({kQuran, u" "_s + kSurah36, u"R"_s, kRiwaya, u"a.mp3"_s}, RecordKind::Other);
        QCOMPARE(checkEditRows(quran), QString());
        QCOMPARE(composeEditedRecord(quran),
                 kQuran + u"!R/ "_s + kSurah36 + u"!"_s + kRiwaya + u"!a.mp3!"_s);
    }

    // Adding and editing compose records by the same rules: a tape just added, opened and saved
    // unchanged, is the line that was added. The section and names are stored trimmed.
    void anAddedTapeSavesUnchanged_data()
    {
        QTest::addColumn<QString>("expected");
        QTest::addColumn<NewTape>("tape");
        NewTape quran;
        quran.category = kQuran;
        quran.reciter = u" R "_s;
        quran.surah = u"يس"_s;
        quran.riwaya = kRiwaya;
        quran.link = u"http://h/a.mp3"_s;
        QTest::addRow("quran") << kQuran + u"!R/"_s + kSurah36 + u"!"_s + kRiwaya +
                                      u"!http://h/a.mp3"_s
                               << quran;
        NewTape lesson;
        lesson.category = kLessons;
        lesson.sheikh = u"S"_s;
        lesson.title = u"درس 1"_s;
        lesson.section = u" فقه\\طهارة "_s;
        lesson.link = u"http://h/b.mp3"_s;
        QTest::addRow("lesson, section in levels")
            << kLessons + u"!S/درس 1!فقه/طهارة!http://h/b.mp3"_s << lesson;
        NewTape other;
        other.category = u"أدعية"_s;
        other.name = u"دعاء"_s;
        other.link = u"http://h/c.mp3"_s;
        QTest::addRow("other, no owner, no group") << u"أدعية!دعاء!NONE!http://h/c.mp3"_s << other;
        // Levels typed with a stray separator make no empty folder.
        lesson.section = u"فقه//طهارة"_s;
        QTest::addRow("lesson, empty level")
            << kLessons + u"!S/درس 1!فقه/طهارة!http://h/b.mp3"_s << lesson;
        other.owner = u"المؤلف"_s;
        other.group = u"\\أذكار\\\\الصباح"_s;
        QTest::addRow("other, group from the first level")
            << u"أدعية!المؤلف/دعاء!أذكار/الصباح!http://h/c.mp3"_s << other;
    }

    void anAddedTapeSavesUnchanged()
    {
        QFETCH(QString, expected);
        QFETCH(NewTape, tape);
        QCOMPARE(CatalogueEditor::checkNewTape(tape), QString());
        const QString added = CatalogueEditor::composeRecord(tape);
        QCOMPARE(added, expected);
        const EditRows rows = EditRows::fromRecord(added);
        QCOMPARE(checkEditRows(rows), QString());
        QCOMPARE(composeEditedRecord(rows), added);
    }
};

QTEST_GUILESS_MAIN(TestEditRows)
#include "tst_editrows.moc"
