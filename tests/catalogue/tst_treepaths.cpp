#include "knownlist.h"
#include "treepaths.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;
const QString kWarsh = u"رواية ورش عن نافع"_s;
const QString kSurah = u"036 سورة يس"_s;
} // namespace

class TestTreePaths : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void buildPath_data()
    {
        QTest::addColumn<QString>("record");
        QTest::addColumn<int>("quranSort");
        QTest::addColumn<int>("dourousSort");
        QTest::addColumn<QString>("path");

        const QString quran = kQuran + u"!R/"_s + kSurah + u'!' + kWarsh + u"!L.mp3"_s;
        QTest::addRow("quran order 0")
            << quran << 0 << 0 << kQuran + u'/' + kWarsh + u"/R/"_s + kSurah;
        QTest::addRow("quran order 1")
            << quran << 1 << 0 << kQuran + u'/' + kWarsh + u'/' + kSurah + u"/R"_s;
        QTest::addRow("quran order 2") << quran << 2 << 0 << kQuran + u"/R/"_s + kSurah;
        QTest::addRow("quran order 3") << quran << 3 << 0 << kQuran + u'/' + kSurah + u"/R"_s;
        QTest::addRow("quran deeper name, order 0 keeps two parts")
            << kQuran + u"!R/S/extra!W!L"_s << 0 << 0 << kQuran + u"/W/R/S"_s;
        QTest::addRow("quran deeper name, order 2 keeps all")
            << kQuran + u"!R/S/extra!W!L"_s << 2 << 0 << kQuran + u"/R/S/extra"_s;

        // A name without "reciter/surah" must not lose the tape's name.
        const QString bare = kQuran + u"!N!W!L"_s;
        QTest::addRow("quran no slash, order 0") << bare << 0 << 0 << kQuran + u"/W/N"_s;
        QTest::addRow("quran no slash, order 1") << bare << 1 << 0 << kQuran + u"/W/N"_s;
        QTest::addRow("quran no slash, order 2") << bare << 2 << 0 << kQuran + u"/N"_s;
        QTest::addRow("quran no slash, order 3") << bare << 3 << 0 << kQuran + u"/N"_s;
        QTest::addRow("quran empty surah keeps its empty name")
            << kQuran + u"!R/!W!L"_s << 0 << 0 << kQuran + u"/W/R/"_s;
        QTest::addRow("karim alone counts as quran")
            << u"الذكر الكريم!R/S!W!L"_s << 3 << 0 << u"الذكر الكريم/S/R"_s;

        const QString lesson = kLessons + u"!S/T!فقه/الصلاة!L"_s;
        QTest::addRow("lesson by scholar") << lesson << 0 << 0 << kLessons + u"/S/T"_s;
        QTest::addRow("lesson by subject") << lesson << 0 << 1 << kLessons + u"/فقه/الصلاة/T - S"_s;
        QTest::addRow("lesson series by subject")
            << kLessons + u"!S/X/T!فقه!L"_s << 0 << 1 << kLessons + u"/فقه/ X - S/T"_s;
        QTest::addRow("lesson two series by subject")
            << kLessons + u"!S/X/Y/T!فقه!L"_s << 0 << 1 << kLessons + u"/فقه/ Y - X - S/T"_s;
        QTest::addRow("lesson NONE section by subject")
            << kLessons + u"!S/T!NONE!L"_s << 0 << 1 << kLessons + u"/S/T"_s;
        QTest::addRow("lesson empty section by subject")
            << kLessons + u"!S/T!!L"_s << 0 << 1 << kLessons + u"/S/T"_s;
        QTest::addRow("lesson lone title by subject")
            << kLessons + u"!T!فقه!L"_s << 0 << 1 << kLessons + u"/فقه/T"_s;
        QTest::addRow("lesson quran order does not matter")
            << lesson << 3 << 0 << kLessons + u"/S/T"_s;

        QTest::addRow("other, none") << u"أدعية!T!NONE!L"_s << 0 << 1 << u"أدعية/T"_s;
        QTest::addRow("other, group") << u"أدعية!S/T!G!L"_s << 2 << 0 << u"أدعية/S/T/G"_s;
        QTest::addRow("other, empty group") << u"أدعية!S/T!!L"_s << 0 << 0 << u"أدعية/S/T"_s;
        QTest::addRow("other, sub-groups") << u"أدعية!T!G/H!L"_s << 0 << 0 << u"أدعية/T/G/H"_s;
    }

    void buildPath()
    {
        QFETCH(QString, record);
        QFETCH(int, quranSort);
        QFETCH(int, dourousSort);
        QFETCH(QString, path);
        TreePaths paths;
        paths.QuranSort = quranSort;
        paths.DourousSort = dourousSort;
        QCOMPARE(paths.BuildPath(record), path);
    }

    void collectsKnownValues()
    {
        TreePaths paths;
        paths.DourousSort = 1;
        QList<std::pair<qsizetype, QString>> riwayat;
        paths.setRiwayaListener([&](qsizetype n, const QString &r) { riwayat.append({n, r}); });

        paths.BuildPath(kQuran + u"!R1/001!W1!L"_s);
        paths.BuildPath(kQuran + u"!R2/001!W2!L"_s);
        paths.BuildPath(kQuran + u"!R1/002!W1!L"_s); // known riwaya: no second menu item
        paths.BuildPath(kLessons + u"!S1/X/T!فقه/الصلاة!L"_s);
        paths.BuildPath(kLessons + u"!S1/T2!none!L"_s);
        paths.BuildPath(kLessons + u"!S2/T!NONE!L"_s);
        paths.BuildPath(u"أدعية!S3/T!G!L"_s);

        QCOMPARE(paths.CategoryList.items(),
                 (QStringList{QString(), kQuran, kLessons, u"أدعية"_s}));
        QCOMPARE(paths.ReciterList.items(), (QStringList{QString(), u"R1"_s, u"R2"_s}));
        QCOMPARE(paths.RiwayaList.items(), (QStringList{QString(), u"W1"_s, u"W2"_s}));
        QCOMPARE(paths.OwnerList.items(), (QStringList{QString(), u"S1"_s, u"S2"_s}));
        QCOMPARE(paths.SectionList.items(), (QStringList{QString(), u"فقه/الصلاة"_s}));
        QCOMPARE(riwayat.size(), 2);
        QCOMPARE(riwayat[1].first, 2);
        QCOMPARE(riwayat[1].second, u"W2"_s);

        // An empty value is always known (entry 0) and never appended.
        paths.BuildPath(kQuran + u"!/001!!L"_s);
        QCOMPARE(paths.RiwayaList.size(), 3);
        QCOMPARE(paths.ReciterList.size(), 3);

        paths.resetLists();
        QCOMPARE(paths.CategoryList.items(), QStringList{QString()});
    }

    void knownListMembership_data()
    {
        QTest::addColumn<QStringList>("values");
        QTest::addColumn<QString>("probe");
        QTest::addColumn<bool>("known");
        QTest::addRow("known") << QStringList{u"a"_s, u"b"_s} << u"b"_s << true;
        QTest::addRow("unknown") << QStringList{u"a"_s, u"b"_s} << u"c"_s << false;
        QTest::addRow("part of a value") << QStringList{u"ab"_s} << u"a"_s << false;
        QTest::addRow("empty") << QStringList{u"a"_s} << QString() << true;
        // Values read from a file may hold NUL; membership stays plain equality.
        QTest::addRow("probe with NUL across two values")
            << QStringList{u"a"_s, u"b"_s} << u"a\0b"_s << false;
        QTest::addRow("probe with NUL after the empty entry")
            << QStringList{u"a"_s} << u"\0a"_s << false;
        QTest::addRow("part of a value holding NUL") << QStringList{u"x\0y"_s} << u"y"_s << false;
        QTest::addRow("value holding NUL") << QStringList{u"x\0y"_s} << u"x\0y"_s << true;
        QTest::addRow("other value after one holding NUL")
            << QStringList{u"x\0y"_s, u"z"_s} << u"z"_s << true;
        QTest::addRow("unknown after one holding NUL") << QStringList{u"x\0y"_s} << u"z"_s << false;
    }

    void knownListMembership()
    {
        QFETCH(QStringList, values);
        QFETCH(QString, probe);
        QFETCH(bool, known);
        KnownList list;
        for (const QString &v : values)
            list.addIfNew(v);
        QCOMPARE(list.contains(probe), known);
        QCOMPARE(IsInArray(probe, list.items()), known);
        // Appending follows the same answer.
        const qsizetype before = list.size();
        QCOMPARE(list.addIfNew(probe), known ? 0 : before);
        QCOMPARE(list.size(), known ? before : before + 1);
        QVERIFY(list.contains(probe));
    }

    void manyValuesAfterOneHoldingNul()
    {
        // Forty thousand owners, the first holding NUL: each one found by hashing, not by searching
        // the whole list (which took half a minute here).
        TreePaths paths;
        paths.BuildPath(kLessons + u"!S\0/T!NONE!L"_s);
        const int count = 40000;
        for (int i = 0; i < count; ++i)
            paths.BuildPath(kLessons + u"!S"_s + QString::number(i) + u"/T!NONE!L"_s);
        const KnownList &owners = paths.OwnerList;
        QCOMPARE(owners.size(), count + 2);
        QCOMPARE(owners.at(1), u"S\0"_s);
        QCOMPARE(owners.at(count + 1), u"S"_s + QString::number(count - 1));
        // Met again, none is added twice.
        for (int i = 0; i < count; i += 7)
            paths.BuildPath(kLessons + u"!S"_s + QString::number(i) + u"/T2!NONE!L"_s);
        QCOMPARE(owners.size(), count + 2);
    }
};

QTEST_GUILESS_MAIN(TestTreePaths)
#include "tst_treepaths.moc"
