#include "catalogueworld.h"
#include "riwayafilter.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kHafs = u"رواية حفص عن عاصم"_s;
const QString kWarsh = u"رواية ورش عن نافع"_s;

// Two reciters in two riwayat, a series of lessons in two sections, other tapes with and
// without an owner; the lines of one folder spread over two files, as additions leave them.
QMap<QString, QStringList> catalogueFiles()
{
    return {
        {u"a.txt"_s,
         {kQuran + u"!المنشاوي/002 سورة البقرة!"_s + kHafs + u"!q1.mp3"_s,
          kQuran + u"!المنشاوي/001 سورة الفاتحة!"_s + kHafs + u"!q2.mp3"_s,
          kQuran + u"!الحصري/001 سورة الفاتحة!"_s + kWarsh + u"!q3.mp3"_s,
          kLessons + u"!الشيخ س/شرح الأربعين/الدرس 1!حديث!l1.mp3"_s,
          u"أدعية!دعاء السفر!NONE!d1.mp3"_s}},
        {u"b.txt"_s,
         {kLessons + u"!الشيخ س/شرح الأربعين/الدرس 2!حديث!l2.mp3"_s,
          kLessons + u"!الشيخ ص/خطبة الجمعة!خطب/منبرية!l3.mp3"_s,
          u"أدعية!المؤلف/دعاء الصباح!أذكار اليوم!d2.mp3"_s,
          kQuran + u"!الحصري/002 سورة البقرة!"_s + kHafs + u"!q4.mp3"_s}},
    };
}

} // namespace

// The catalogue as the tree shows it, without a window: which folders and tapes each grouping
// order and riwaya filter gives, every folder opened in turn.
class TestCatalogueTree : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void shapes_data()
    {
        QTest::addColumn<int>("quranSort");
        QTest::addColumn<int>("dourousSort");
        QTest::addColumn<QString>("filter"); // as config.ini keeps it
        QTest::addColumn<QString>("category");
        QTest::addColumn<QStringList>("shape");
        const QString all = RiwayaFilter().stored();
        const QString fatiha = u"001 سورة الفاتحة"_s;
        const QString baqara = u"002 سورة البقرة"_s;
        const QString husary = u"الحصري"_s;
        const QString minshawi = u"المنشاوي"_s;
        const auto tape = [](const QString &text, int depth) {
            return QString(2 * depth, u' ') + text + u" ♪"_s;
        };
        const auto folder = [](const QString &text, int depth) {
            return QString(2 * depth, u' ') + text;
        };

        QTest::addRow("riwaya, reciter, surah")
            << 0 << 0 << all << kQuran
            << QStringList{folder(kHafs, 0),    folder(husary, 1), tape(baqara, 2),
                           folder(minshawi, 1), tape(fatiha, 2),   tape(baqara, 2),
                           folder(kWarsh, 0),   folder(husary, 1), tape(fatiha, 2)};
        QTest::addRow("riwaya, surah, reciter")
            << 1 << 0 << all << kQuran
            << QStringList{folder(kHafs, 0),  folder(fatiha, 1), tape(minshawi, 2),
                           folder(baqara, 1), tape(husary, 2),   tape(minshawi, 2),
                           folder(kWarsh, 0), folder(fatiha, 1), tape(husary, 2)};
        // Without the riwaya level, a reciter's two riwayat share his folder.
        QTest::addRow("reciter, surah")
            << 2 << 0 << all << kQuran
            << QStringList{folder(husary, 0),   tape(fatiha, 1), tape(baqara, 1),
                           folder(minshawi, 0), tape(fatiha, 1), tape(baqara, 1)};
        QTest::addRow("surah, reciter")
            << 3 << 0 << all << kQuran
            << QStringList{folder(fatiha, 0), tape(husary, 1), tape(minshawi, 1),
                           folder(baqara, 0), tape(husary, 1), tape(minshawi, 1)};
        QTest::addRow("only warsh")
            << 0 << 0 << u'@' + kWarsh << kQuran
            << QStringList{folder(kWarsh, 0), folder(husary, 1), tape(fatiha, 2)};
        QTest::addRow("only hafs, by surah")
            << 3 << 0 << u'@' + kHafs << kQuran
            << QStringList{folder(fatiha, 0), tape(minshawi, 1), folder(baqara, 0), tape(husary, 1),
                           tape(minshawi, 1)};
        QTest::addRow("no riwaya chosen") << 0 << 0 << QString() << kQuran << QStringList{};

        QTest::addRow("sheikh, series, title")
            << 0 << 0 << all << kLessons
            << QStringList{folder(u"الشيخ س"_s, 0), folder(u"شرح الأربعين"_s, 1),
                           tape(u"الدرس 1"_s, 2),   tape(u"الدرس 2"_s, 2),
                           folder(u"الشيخ ص"_s, 0), tape(u"خطبة الجمعة"_s, 1)};
        // Sections with their sub-sections, then the series named with its sheikh.
        const QStringList bySection{folder(u"حديث"_s, 0),
                                    folder(u"شرح الأربعين - الشيخ س"_s, 1),
                                    tape(u"الدرس 1"_s, 2),
                                    tape(u"الدرس 2"_s, 2),
                                    folder(u"خطب"_s, 0),
                                    folder(u"منبرية"_s, 1),
                                    tape(u"خطبة الجمعة - الشيخ ص"_s, 2)};
        QTest::addRow("section, series") << 0 << 1 << all << kLessons << bySection;
        // The filter is the Quran's alone.
        QTest::addRow("lessons whatever the riwaya")
            << 0 << 1 << QString() << kLessons << bySection;
        // A group is the tape's own name under its name path; "NONE" is no group.
        QTest::addRow("owner, name, group")
            << 3 << 1 << QString() << u"أدعية"_s
            << QStringList{folder(u"المؤلف"_s, 0), folder(u"دعاء الصباح"_s, 1),
                           tape(u"أذكار اليوم"_s, 2), tape(u"دعاء السفر"_s, 0)};
    }

    // Loaded under the orders, and loaded under the first ones and then regrouped: the same tree.
    void shapes()
    {
        QFETCH(int, quranSort);
        QFETCH(int, dourousSort);
        QFETCH(QString, filter);
        QFETCH(QString, category);
        QFETCH(QStringList, shape);

        CatalogueWorld loaded(catalogueFiles());
        loaded.catalogue.paths().QuranSort = quranSort;
        loaded.catalogue.paths().DourousSort = dourousSort;
        loaded.catalogueTree.setRiwayaFilter(RiwayaFilter::fromStored(filter));
        loaded.load();
        QCOMPARE(loaded.shapeOf(category), shape);

        CatalogueWorld regrouped(catalogueFiles());
        regrouped.catalogueTree.setRiwayaFilter(RiwayaFilter::fromStored(filter));
        regrouped.load();
        regrouped.shapeOf(category); // every folder filled under the first orders
        regrouped.catalogueTree.setQuranSort(quranSort);
        regrouped.catalogueTree.setDourousSort(dourousSort);
        QCOMPARE(regrouped.shapeOf(category), shape);
    }

    // Tapes below a folder, as "add to the queue" takes them: in the order the tree shows them,
    // the filter applied, also where the folder was never opened.
    void tapesBelowAFolder()
    {
        CatalogueWorld world(catalogueFiles());
        world.catalogueTree.setRiwayaFilter(RiwayaFilter::fromStored(u'@' + kHafs));
        world.load();
        QStringList names;
        for (const QString &key : world.catalogueTree.tapesBelow(kQuran + u'/'))
            names.append(key.section(u'!', 1, 1));
        QCOMPARE(names, (QStringList{u"الحصري/002 سورة البقرة"_s, u"المنشاوي/001 سورة الفاتحة"_s,
                                     u"المنشاوي/002 سورة البقرة"_s}));
    }
};

QTEST_MAIN(TestCatalogueTree)
#include "tst_cataloguetree.moc"
