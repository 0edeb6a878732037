#include "catalogue.h"
#include "catalogueeditor.h"
#include "codepage.h"
#include "filebytes.h"
#include "tapekeys.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kSymbolsSuffix = u" !  /  \\ :"_s;
const QString kAdded =
    u"تم إضافة الشريط إلى القائمة... يمكنك إضافة شريط آخر أو العودة إلى النافذة الرئيسية"_s;

QByteArray crlf(const QStringList &lines)
{
    QByteArray out;
    for (const QString &line : lines)
        out += CodePage::encode(line) + "\r\n";
    return out;
}

// A loaded catalogue over a temporary DB folder holding the given files.
struct Fixture
{
    QTemporaryDir dir;
    Catalogue catalogue{dir.path()};
    CatalogueEditor editor{catalogue};

    QString path(const QString &name) const { return dir.filePath(name); }
    void load(const QMap<QString, QStringList> &files)
    {
        for (auto it = files.cbegin(); it != files.cend(); ++it)
            writeBytes(path(it.key()), crlf(it.value()));
        catalogue.BuildTree();
    }
    // The index entry of the first record equal to line, or -1.
    qsizetype entryOf(const QString &line) const
    {
        const CatalogueIndex &index = catalogue.index();
        for (qsizetype i = 1; i < index.size(); ++i)
            if (!index.isEmptyEntry(i) && index.record(i) == line)
                return i;
        return -1;
    }
};

NewTape quranTape(const QString &surah)
{
    NewTape t;
    t.category = kQuran;
    t.link = u"http://h/q.mp3"_s;
    t.reciter = u"المنشاوي"_s;
    t.surah = surah;
    t.riwaya = u"رواية ورش عن نافع"_s;
    return t;
}

NewTape lessonTape(const QString &section)
{
    NewTape t;
    t.category = kLessons;
    t.link = u"http://h/d.rm"_s;
    t.sheikh = u"الشيخ"_s;
    t.title = u"الصبر"_s;
    t.section = section;
    return t;
}

NewTape otherTape(const QString &owner, const QString &group)
{
    NewTape t;
    t.category = u"أناشيد"_s;
    t.link = u"http://h/n.MP3"_s;
    t.name = u"الشريط"_s;
    t.owner = owner;
    t.group = group;
    return t;
}

void makeUnreadable(const QString &path, bool fifo)
{
    QVERIFY(QFile::remove(path));
    if (fifo)
        QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
    else
        QVERIFY(QDir().mkdir(path));
}

} // namespace

Q_DECLARE_METATYPE(NewTape)

class TestCatalogueEditor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void surahNames()
    {
        QCOMPARE(SurahNames().size(), 114);
        QCOMPARE(RiwayaNames().size(), 17);
        QCOMPARE(surahEntry(1), u"001 سورة الفاتحة"_s);
        QCOMPARE(surahEntry(36), u"036 سورة يس"_s);
        QCOMPARE(surahEntry(114), u"114 سورة الناس"_s);
        // Written forms that differ in hamza are distinct names.
        QCOMPARE(surahNumber(u"ابراهيم"), 14);
        QCOMPARE(surahNumber(u"إبراهيم"), 0);
        QCOMPARE(surahNumber(u"الإخلاص"), 112);
        QCOMPARE(surahNumber(u"ص"), 38);
        QCOMPARE(surahNumber(u""), 0);
    }

    void addWritesAndIndexes_data()
    {
        QTest::addColumn<NewTape>("tape");
        QTest::addColumn<QString>("line");
        const QString q = u"القرآن الكريم!المنشاوي/"_s;
        const QString warsh = u"!رواية ورش عن نافع!http://h/q.mp3"_s;
        QTest::newRow("quran 002") << quranTape(u"البقرة"_s) << q + u"002 سورة البقرة"_s + warsh;
        QTest::newRow("quran 006 typed with spaces")
            << quranTape(u" الأنعام "_s) << q + u"006 سورة الأنعام"_s + warsh;
        QTest::newRow("quran 114") << quranTape(u"الناس"_s) << q + u"114 سورة الناس"_s + warsh;
        NewTape hafs = quranTape(u"الفاتحة"_s);
        hafs.riwaya = RiwayaNames().constFirst(); // offered with a leading space
        QTest::newRow("offered riwaya stored trimmed")
            << hafs << q + u"001 سورة الفاتحة!رواية حفص عن عاصم!http://h/q.mp3"_s;
        QTest::newRow("lesson, backslash levels")
            << lessonTape(u"عقيدة\\الأسماء والصفات"_s)
            << kLessons + u"!الشيخ/الصبر!عقيدة/الأسماء والصفات!http://h/d.rm"_s;
        QTest::newRow("lesson, blank section")
            << lessonTape(u"  "_s) << kLessons + u"!الشيخ/الصبر!التصنيف العام!http://h/d.rm"_s;
        QTest::newRow("other with owner")
            << otherTape(u"فلان"_s, u"أ\\ب"_s) << u"أناشيد!فلان/الشريط!أ/ب!http://h/n.MP3"_s;
        NewTape spaced = otherTape(u""_s, u""_s);
        spaced.link = u" http://h/n.MP3  "_s;
        QTest::newRow("link with spaces around")
            << spaced << u"أناشيد!الشريط!NONE!http://h/n.MP3"_s;
        QTest::newRow("other, blank owner and group")
            << otherTape(u" "_s, u""_s) << u"أناشيد!الشريط!NONE!http://h/n.MP3"_s;
        // Names are stored trimmed, as the tree keys them: no look-alike folders.
        NewTape spacedQuran = quranTape(u"يس"_s);
        spacedQuran.category = u" "_s + kQuran + u" "_s;
        spacedQuran.reciter = u" المنشاوي  "_s;
        QTest::newRow("quran category and reciter trimmed")
            << spacedQuran << q + u"036 سورة يس"_s + warsh;
        NewTape spacedLesson = lessonTape(u"فقه"_s);
        spacedLesson.sheikh = u" الشيخ "_s;
        spacedLesson.title = u"  الصبر "_s;
        QTest::newRow("lesson sheikh and title trimmed")
            << spacedLesson << kLessons + u"!الشيخ/الصبر!فقه!http://h/d.rm"_s;
        NewTape spacedOther = otherTape(u" فلان "_s, u""_s);
        spacedOther.category = u"أناشيد "_s;
        spacedOther.name = u" الشريط "_s;
        QTest::newRow("other category, owner and name trimmed")
            << spacedOther << u"أناشيد!فلان/الشريط!NONE!http://h/n.MP3"_s;
    }

    // A riwaya is stored in the form the catalogue already files it under, whatever outer spaces
    // either has; trimmed when the catalogue has none of its forms.
    void addStoresTheCataloguesRiwaya_data()
    {
        QTest::addColumn<QString>("known"); // the riwaya of a record already in the catalogue
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("stored");
        const QString hafs = u"رواية حفص عن عاصم"_s;
        QTest::newRow("catalogue keeps the offered leading space")
            << u" "_s + hafs << hafs << u" "_s + hafs;
        QTest::newRow("offered form, catalogue trimmed") << hafs << u" "_s + hafs << hafs;
        QTest::newRow("typed with spaces, catalogue has another riwaya")
            << u"رواية ورش عن نافع"_s << u" "_s + hafs + u" "_s << hafs;
    }
    void addStoresTheCataloguesRiwaya()
    {
        QFETCH(QString, known);
        QFETCH(QString, typed);
        QFETCH(QString, stored);
        Fixture f;
        f.load({{u"a.txt"_s, {kQuran + u"!ق/001 سورة الفاتحة!"_s + known + u"!a.mp3"_s}}});
        NewTape t = quranTape(u"يس"_s);
        t.riwaya = typed;
        QString written;
        QVERIFY(f.editor.add(t, &written).ok);
        QCOMPARE(written, u"القرآن الكريم!المنشاوي/036 سورة يس!"_s + stored + u"!http://h/q.mp3"_s);
    }

    void addWritesAndIndexes()
    {
        QFETCH(NewTape, tape);
        QFETCH(QString, line);
        Fixture f;
        f.load({{u"a.txt"_s, {u"أدعية!T!none!a.mp3"_s}}});
        const qsizetype before = f.catalogue.index().size();

        QString written;
        const EditResult r = f.editor.add(tape, &written);
        QVERIFY(r.ok);
        QCOMPARE(r.message, kAdded);
        QCOMPARE(written, line);
        QCOMPARE(readBytes(f.path(u"additions.txt"_s)), crlf({line}));

        // The file created during the run is registered, so the record can be edited at once.
        const int number = f.catalogue.IndexOfFile(f.path(u"additions.txt"_s));
        QCOMPARE(number, 1);
        const CatalogueIndex &index = f.catalogue.index();
        QCOMPARE(index.size(), before + 1);
        QCOMPARE(index.record(before), line);
        QCOMPARE(index.fileNumber(before), number);
        QCOMPARE(index.path(before), f.catalogue.BuildPath(line));
    }

    void addKeepsNewestFirstWithoutDuplicates()
    {
        Fixture f;
        f.load({});
        QString a;
        QString b;
        QVERIFY(f.editor.add(quranTape(u"البقرة"_s), &a).ok);
        QVERIFY(f.editor.add(quranTape(u"الناس"_s), &b).ok);
        QVERIFY(f.editor.add(quranTape(u"البقرة"_s)).ok);
        QCOMPARE(readBytes(f.path(u"additions.txt"_s)), crlf({a, b}));
        // The empty folder's single empty name was taken over by the new file.
        QCOMPARE(f.catalogue.CatalogueFiles, QStringList{u"additions.txt"_s});
        QCOMPARE(f.catalogue.index().fileNumber(1), 0);
    }

    void addRefuses_data()
    {
        QTest::addColumn<NewTape>("tape");
        QTest::addColumn<QString>("message");
        const QString symbols = u"لا يمكن استخدام الرموز التالية"_s + kSymbolsSuffix;

        QTest::newRow("typed name that is no surah")
            << quranTape(u"البقره"_s) << u"فضلا اختر السورة من القائمة"_s;
        NewTape t = quranTape(u"البقره"_s);
        t.riwaya = u"  "_s;
        QTest::newRow("riwaya checked before surah") << t << u"فضلا أدخل الرواية"_s;
        t = quranTape(u"يس"_s);
        t.reciter = u"أ/ب"_s;
        QTest::newRow("slash in reciter") << t << symbols;
        t = quranTape(u"يس"_s);
        t.link = u"   "_s;
        QTest::newRow("blank link first") << t << u"فضلا أدخل رابط الشريط"_s;
        t.link = u"http://h/q.wav"_s;
        QTest::newRow("bad link") << t << u"رابط الملف الذي كتبته غير صالح"_s;
        t.link = u"http://h/a!b.mp3"_s;
        QTest::newRow("link that would split the record")
            << t << u"رابط الملف الذي كتبته غير صالح"_s;
        t = quranTape(u"يس"_s);
        t.category = u"ق!x"_s;
        QTest::newRow("bang in category") << t << symbols;
        QTest::newRow("bang in section") << lessonTape(u"فقه!صلاة"_s) << symbols;
        t = lessonTape(u"فقه"_s);
        t.title = u" "_s;
        t.sheikh = u""_s;
        QTest::newRow("title before sheikh") << t << u"فضلا أدخل عنوان الدرس أو الخطبة"_s;
        QTest::newRow("bang in group") << otherTape(u""_s, u"أ!ب"_s) << symbols;
        // A pasted text keeps its line break, which would split the record in its file.
        t = quranTape(u"يس"_s);
        t.reciter = u"المنشاوي\nمحمد"_s;
        QTest::newRow("line break in reciter") << t << symbols;
        t = quranTape(u"يس"_s);
        t.link = u"http://h/\r\nq.mp3"_s;
        QTest::newRow("line break in link") << t << symbols;
        QTest::newRow("line break in section") << lessonTape(u"فقه\r\nصلاة"_s) << symbols;
        QTest::newRow("line break in title") << [] {
            NewTape l = lessonTape(u"فقه"_s);
            l.title = u"الصبر\n"_s;
            return l;
        }() << symbols;
        QTest::newRow("line break in name") << [] {
            NewTape o = otherTape(u""_s, u""_s);
            o.name = u"أ\rب"_s;
            return o;
        }() << symbols;
        QTest::newRow("line break in group") << otherTape(u""_s, u"أ\nب"_s) << symbols;
        // The queue's and the favourites' branches are no categories.
        for (const QString &reserved : {u"قائمة الانتظار"_s, u" أشرطتي المفضلة "_s}) {
            NewTape o = otherTape(u""_s, u""_s);
            o.category = reserved;
            QTest::addRow("reserved category %s", qPrintable(reserved.trimmed()))
                << o
                << u"لا يمكن استخدام «"_s + reserved.trimmed() +
                       u"» اسما للتصنيف، فهو اسم محجوز لفرع من فروع البرنامج"_s;
        }
        QTest::newRow("slash in owner")
            << otherTape(u"أ/ب"_s, u""_s)
            << u"لا يمكن استخدام الرموز التالية في كتابة اسم صاحب الشريط"_s + kSymbolsSuffix;
    }

    void addRefuses()
    {
        QFETCH(NewTape, tape);
        QFETCH(QString, message);
        Fixture f;
        f.load({{u"a.txt"_s, {u"أدعية!T!none!a.mp3"_s}}});
        const qsizetype before = f.catalogue.index().size();
        const EditResult r = f.editor.add(tape);
        QVERIFY(!r.ok);
        QCOMPARE(r.message, message);
        QVERIFY(!QFile::exists(f.path(u"additions.txt"_s)));
        QCOMPARE(f.catalogue.index().size(), before);
    }

    void addFailedWriteIndexesNothing()
    {
        Fixture f;
        f.load({{u"a.txt"_s, {u"أدعية!T!none!a.mp3"_s}}});
        QVERIFY(QDir().mkdir(f.path(u"additions.txt"_s)));
        const qsizetype before = f.catalogue.index().size();
        const EditResult r = f.editor.add(quranTape(u"يس"_s));
        QVERIFY(!r.ok);
        QVERIFY(!r.message.isEmpty());
        QCOMPARE(f.catalogue.index().size(), before);
        QCOMPARE(f.catalogue.CatalogueFiles, QStringList{u"a.txt"_s});
    }

    void modifyReplacesExactLines_data()
    {
        QTest::addColumn<bool>("searchResult");
        QTest::newRow("tape key") << false;
        QTest::newRow("search-result key") << true;
    }

    void modifyReplacesExactLines()
    {
        QFETCH(bool, searchResult);
        const QString target = u"أناشيد!فلان/الشريط!NONE!x.mp3"_s;
        const QString part = u"أناشيد!فلان/الشريط!NONE!x"_s; // lies within target
        const QString other = u"أدعية!T!none!a.mp3"_s;
        const QString edited = u"أناشيد!فلان/الشريط الجديد!NONE!y.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {other}}, {u"b.txt"_s, {u""_s, part, target, other}}});
        const qsizetype entry = f.entryOf(target);
        const qsizetype partEntry = f.entryOf(part);
        QVERIFY(entry > 0 && partEntry > 0);

        const QString key =
            searchResult ? TapeKeys::searchResultKey(u"الشريط", target) : TapeKeys::tapeKey(target);
        QCOMPARE(f.editor.findRecord(key), entry);
        const EditResult r = f.editor.modify(key, edited);
        QVERIFY(r.ok);
        QCOMPARE(r.message, u"تم تعديل بيانات الشريط"_s);
        QCOMPARE(readBytes(f.path(u"b.txt"_s)), crlf({u""_s, part, edited, other}));
        QCOMPARE(readBytes(f.path(u"a.txt"_s)), crlf({other}));

        const CatalogueIndex &index = f.catalogue.index();
        QCOMPARE(index.record(entry), edited);
        QCOMPARE(index.path(entry), f.catalogue.BuildPath(edited));
        QCOMPARE(index.fileNumber(entry), 1);
        QCOMPARE(index.record(partEntry), part);
        QVERIFY(std::find(index.changedEntries().begin(), index.changedEntries().end(), entry) !=
                index.changedEntries().end());
    }

    void modifyFails_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<int>("spoil"); // 0 none, 1 folder in place of the file, 2 FIFO
        QTest::addColumn<QString>("message");
        const QString target = u"أناشيد!ن!NONE!x.mp3"_s;
        QTest::newRow("unknown record") << TapeKeys::tapeKey(u"أناشيد!ن!NONE!x") << 0
                                        << u"لم يعثر على هذا الشريط في الفهرس، فلم يعدل شيء"_s;
        QTest::newRow("folder in place of the file")
            << TapeKeys::tapeKey(target) << 1
            << u"حدث خطأ عند محاولة تعديل بيانات الشريط: تعذر قراءة الملف b.txt، فلم يغير منه شيء"_s;
        QTest::newRow("fifo in place of the file")
            << TapeKeys::tapeKey(target) << 2
            << u"حدث خطأ عند محاولة تعديل بيانات الشريط: تعذر قراءة الملف b.txt، فلم يغير منه شيء"_s;
    }

    void modifyFails()
    {
        QFETCH(QString, key);
        QFETCH(int, spoil);
        QFETCH(QString, message);
        const QString target = u"أناشيد!ن!NONE!x.mp3"_s;
        Fixture f;
        f.load({{u"b.txt"_s, {target}}});
        if (spoil)
            makeUnreadable(f.path(u"b.txt"_s), spoil == 2);
        const EditResult r = f.editor.modify(key, u"أناشيد!م!NONE!y.mp3"_s);
        QVERIFY(!r.ok);
        QCOMPARE(r.message, message);
        if (!spoil)
            QCOMPARE(readBytes(f.path(u"b.txt"_s)), crlf({target}));
        else
            QCOMPARE(QFileInfo(f.path(u"b.txt"_s)).isFile(), false);
        QCOMPARE(f.catalogue.index().record(1), target);
        QVERIFY(f.catalogue.index().changedEntries().empty());
    }

    void deleteTapeRemovesEveryCopy()
    {
        const QString a = u"أناشيد!ن!NONE!a.mp3"_s;
        const QString b = u"أناشيد!م!NONE!b.mp3"_s;
        const QString aPart = u"أناشيد!ن!NONE!a"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {a, u""_s, b, a, aPart}}, {u"c.txt"_s, {a}}});
        // Entries: 1 a, 2 b, 3 a, 4 aPart (file 0), 5 a (file 1).
        QCOMPARE(f.catalogue.index().size(), 6);

        const EditResult r = f.editor.deleteTape(TapeKeys::tapeKey(a));
        QVERIFY(r.ok);
        QVERIFY(r.message.isEmpty());
        QCOMPARE(readBytes(f.path(u"a.txt"_s)), crlf({u""_s, b, aPart}));
        // The same line in another file is another record and stays.
        QCOMPARE(readBytes(f.path(u"c.txt"_s)), crlf({a}));
        const CatalogueIndex &index = f.catalogue.index();
        QVERIFY(index.isEmptyEntry(1));
        QVERIFY(index.isEmptyEntry(3));
        QCOMPARE(index.record(2), b);
        QCOMPARE(index.record(4), aPart);
        QCOMPARE(index.record(5), a);
    }

    void deleteSkipsQueueAndSearchKeys_data()
    {
        QTest::addColumn<QString>("key");
        const QString a = u"أناشيد!ن!NONE!a.mp3"_s;
        QTest::newRow("search result") << TapeKeys::searchResultKey(u"ن", a);
        QTest::newRow("queue entry")
            << TapeKeys::tapeKey(TapeKeys::queueRecord(TapeKeys::tapeKey(a)));
    }

    void deleteSkipsQueueAndSearchKeys()
    {
        QFETCH(QString, key);
        const QString a = u"أناشيد!ن!NONE!a.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {a}}});
        QVERIFY(f.editor.deleteTape(key).ok);
        QCOMPARE(readBytes(f.path(u"a.txt"_s)), crlf({a}));
        QCOMPARE(f.catalogue.index().record(1), a);
    }

    void deleteFolderAcrossFiles()
    {
        const QString x1 = u"أناشيد!فلان/أ!NONE!1.mp3"_s;
        const QString x2 = u"أناشيد!فلان/ب!NONE!2.mp3"_s;
        const QString y = u"أناشيد!علان/ج!NONE!3.mp3"_s;
        const QString z = u"أدعية!فلان/د!NONE!4.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {x1, y, z}}, {u"b.txt"_s, {z, x2, x1}}});
        const QString folder = f.catalogue.BuildPath(x1).section(u'/', 0, 1) + u'/';
        QCOMPARE(folder, u"أناشيد/فلان/"_s);

        const LinesByFile lines = f.editor.CollectFolderLines(folder);
        QCOMPARE(lines, (LinesByFile{{0, {x1}}, {1, {x2, x1}}}));
        const EditResult r = f.editor.deleteFolder(folder);
        QVERIFY(r.ok);
        QCOMPARE(readBytes(f.path(u"a.txt"_s)), crlf({y, z}));
        QCOMPARE(readBytes(f.path(u"b.txt"_s)), crlf({z}));
        const CatalogueIndex &index = f.catalogue.index();
        QCOMPARE(index.entriesUnder(folder), QList<qsizetype>());
        for (qsizetype i : {1, 5, 6})
            QVERIFY(index.isEmptyEntry(i));
        QCOMPARE(index.record(2), y);
        QCOMPARE(index.record(3), z);
        QCOMPARE(index.record(4), z);
    }

    void deleteLeavesUnreadableFileAlone_data()
    {
        QTest::addColumn<bool>("fifo");
        QTest::newRow("folder") << false;
        QTest::newRow("fifo") << true;
    }

    void deleteLeavesUnreadableFileAlone()
    {
        QFETCH(bool, fifo);
        const QString x = u"أناشيد!فلان/أ!NONE!1.mp3"_s;
        const QString y = u"أناشيد!فلان/ب!NONE!2.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {x}}, {u"b.txt"_s, {y}}});
        makeUnreadable(f.path(u"a.txt"_s), fifo);

        const EditResult r = f.editor.deleteFolder(u"أناشيد/"_s);
        QVERIFY(!r.ok);
        QCOMPARE(r.message, u"تعذر قراءة الملف a.txt، فلم يغير منه شيء"_s);
        QCOMPARE(QFileInfo(f.path(u"a.txt"_s)).isDir(), !fifo);
        // The readable file is still handled.
        QCOMPARE(readBytes(f.path(u"b.txt"_s)), crlf({}));
        QCOMPARE(f.catalogue.index().record(1), x);
        QVERIFY(f.catalogue.index().isEmptyEntry(2));
    }

    void deleteIgnoresEmptyLines()
    {
        const QString x = u"أناشيد!فلان/أ!NONE!1.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {u""_s, x}}});
        QVERIFY(f.editor.DeleteRecords({{0, {u""_s, u"أناشيد"_s}}}).ok);
        QCOMPARE(readBytes(f.path(u"a.txt"_s)), crlf({u""_s, x}));
        QCOMPARE(f.catalogue.index().record(1), x);
    }

    // A file rewritten whole (the file window's save) is indexed anew: its old entries go, its
    // lines come back under the same number, and the other files' entries stay as they were.
    void reloadReplacesTheFilesEntries()
    {
        const QString x = u"أناشيد!فلان/أ!NONE!1.mp3"_s;
        const QString y = u"أناشيد!فلان/ب!NONE!2.mp3"_s;
        const QString z = kLessons + u"!الشيخ/الصبر!فقه!3.mp3"_s;
        Fixture f;
        // The same line in both files: only b.txt's copy is its to clear.
        f.load({{u"a.txt"_s, {x, y}}, {u"b.txt"_s, {y, x}}});
        const CatalogueIndex &index = f.catalogue.index();
        QCOMPARE(index.size(), 5);
        const int b = f.catalogue.IndexOfFile(f.path(u"b.txt"_s));
        QCOMPARE(b, 1);

        writeBytes(f.path(u"b.txt"_s), crlf({z, u"no record"_s, u""_s, x}));
        QCOMPARE(f.editor.reloadFile(f.path(u"b.txt"_s)), b);

        // a.txt's entries untouched, in place.
        QCOMPARE(index.record(1), x);
        QCOMPARE(index.fileNumber(1), 0);
        QCOMPARE(index.record(2), y);
        QCOMPARE(index.fileNumber(2), 0);
        // b.txt's old entries cleared, its records appended with its number.
        QVERIFY(index.isEmptyEntry(3));
        QVERIFY(index.isEmptyEntry(4));
        QCOMPARE(index.size(), 7);
        QCOMPARE(index.record(5), z);
        QCOMPARE(index.record(6), x);
        QCOMPARE(index.fileNumber(5), b);
        QCOMPARE(index.fileNumber(6), b);
        QCOMPARE(index.path(5), f.catalogue.BuildPath(z));
        // The new record's category and section are known values now, as after a load.
        QVERIFY(f.catalogue.paths().SectionList.contains(u"فقه"_s));
        QCOMPARE(f.catalogue.CatalogueFiles, (QStringList{u"a.txt"_s, u"b.txt"_s}));
        // An edit after the reload finds the record in its file.
        QVERIFY(f.editor.modify(TapeKeys::tapeKey(z), z + u"!http://h/z.rm"_s).ok);
        QCOMPARE(readBytes(f.path(u"b.txt"_s)),
                 crlf({z + u"!http://h/z.rm"_s, u"no record"_s, u""_s, x}));
    }

    void reloadRegistersANewAdditionsFile()
    {
        const QString x = u"أناشيد!فلان/أ!NONE!1.mp3"_s;
        const QString y = u"أناشيد!فلان/ب!NONE!2.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {x}}});
        QVERIFY(!QFile::exists(f.editor.additionsFile()));
        writeBytes(f.editor.additionsFile(), crlf({y}));

        const int number = f.editor.reloadFile(f.editor.additionsFile());
        QCOMPARE(number, 1);
        QCOMPARE(f.catalogue.IndexOfFile(f.editor.additionsFile()), number);
        const qsizetype entry = f.entryOf(y);
        QVERIFY(entry > 0);
        QCOMPARE(f.catalogue.index().fileNumber(entry), number);
        // Deleting it now reaches the file, which it would not under file number -1.
        QVERIFY(f.editor.deleteTape(TapeKeys::tapeKey(y)).ok);
        QCOMPARE(readBytes(f.editor.additionsFile()), crlf({}));
        QVERIFY(f.catalogue.index().isEmptyEntry(entry));
    }

    void reloadLeavesOtherPathsAlone_data()
    {
        QTest::addColumn<QString>("where");
        QTest::addRow("outside the DB folder") << u"elsewhere"_s;
        QTest::addRow("in a subfolder") << u"sub"_s;
        QTest::addRow("absent") << u"absent"_s;
    }
    void reloadLeavesOtherPathsAlone()
    {
        QFETCH(QString, where);
        const QString x = u"أناشيد!فلان/أ!NONE!1.mp3"_s;
        Fixture f;
        f.load({{u"a.txt"_s, {x}}});
        QTemporaryDir elsewhere;
        QVERIFY(QDir(f.dir.path()).mkdir(u"sub"_s));
        const QString path = where == u"elsewhere"_s ? elsewhere.filePath(u"c.txt"_s)
                             : where == u"sub"_s     ? f.path(u"sub/c.txt"_s)
                                                     : f.path(u"c.txt"_s);
        if (where != u"absent"_s)
            writeBytes(path, crlf({x}));
        QCOMPARE(f.editor.reloadFile(path), -1);
        QCOMPARE(f.catalogue.CatalogueFiles, QStringList{u"a.txt"_s});
        QCOMPARE(f.catalogue.index().size(), 2);
        QCOMPARE(f.catalogue.index().record(1), x);
    }
};

QTEST_GUILESS_MAIN(TestCatalogueEditor)
#include "tst_catalogueeditor.moc"
