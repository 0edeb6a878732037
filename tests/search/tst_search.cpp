#include "arabictext.h"
#include "catalogue.h"
#include "cataloguesearch.h"
#include "codepage.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {
const QString kQuran = u"القرآن الكريم"_s;
const QChar kNul(u'\0');
} // namespace

// Normalising Arabic text, and searching a catalogue with it.
class TestSearch : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::unique_ptr<Catalogue> m_catalogue;

    // A catalogue of these records (favorites.txt gets the favourites).
    void load(const QStringList &records, const QStringList &favourites = {})
    {
        QDir(m_dir.path()).removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.filePath(u"DB"_s)));
        QVERIFY(writeCodePageLines(m_dir.filePath(u"DB/a.txt"_s), records));
        if (!favourites.isEmpty())
            QVERIFY(writeCodePageLines(m_dir.filePath(u"DB/favorites.txt"_s), favourites));
        m_catalogue = std::make_unique<Catalogue>(m_dir.filePath(u"DB"_s));
        m_catalogue->BuildTree();
    }
    QStringList find(CatalogueSearch &search, const QString &text, int mode)
    {
        QStringList names;
        const auto query = CatalogueSearch::prepare(text, CatalogueSearch::Mode(mode));
        if (!query)
            return {u"(refused)"_s};
        for (qsizetype i : search.run(*query))
            names.append(m_catalogue->index().record(i).section(u'!', 1, 1));
        return names;
    }

private Q_SLOTS:
    void normalise_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("normal");
        QTest::addRow("vowel marks") << u"قُرْآن"_s << u"قران"_s;
        QTest::addRow("shadda") << u"محمّد"_s << u"محمد"_s;
        QTest::addRow("hamza forms") << u"أإآءؤئ"_s << u"اااااا"_s;
        QTest::addRow("tatweel") << u"كتـــاب"_s << u"كتاب"_s;
        QTest::addRow("tanween, all three") << u"كتابٌ كتابٍ كتاباً"_s << u"كتاب كتاب كتابا"_s;
        QTest::addRow("runs of spaces, trimmed") << u"  سورة    يس  "_s << u"سورة يس"_s;
        QTest::addRow("teh marbuta stays") << u"سورة"_s << u"سورة"_s;
    }

    void normalise()
    {
        QFETCH(QString, text);
        QFETCH(QString, normal);
        QCOMPARE(ArabicText::NormalizeArabic(text), normal);
    }

    void haystacksAndNeedles()
    {
        QCOMPARE(ArabicText::haystack(u"R/036 سورة يس"_s, u"حفص"_s),
                 u"R"_s + kNul + u"036"_s + kNul + u"سورة"_s + kNul + u"يس"_s + kNul + u"حفص"_s +
                     kNul);
        QCOMPARE(ArabicText::wordNeedles(u" سورة  يس "_s),
                 (QStringList{u"سورة"_s + kNul, u"يس"_s + kNul}));
        QCOMPARE(ArabicText::phraseNeedle(u"سورة  يَس"_s), u"سورة"_s + kNul + u"يس"_s + kNul);
        QVERIFY(!CatalogueSearch::prepare(u"   "_s, CatalogueSearch::Words));
        QVERIFY(!CatalogueSearch::prepare(QString(), CatalogueSearch::Phrase));
    }

    void wordsAndPhrases_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("found");
        const QStringList yaseen{u"R/036 سورة يس"_s};
        QTest::addRow("teh marbuta is not heh") << u"سوره يس"_s << 0 << QStringList();
        QTest::addRow("hamza form, word end")
            << u"اسراء"_s << 0 << QStringList{u"R/017 سورة الإسراء"_s};
        QTest::addRow("vowel marks in the record")
            << u"قران"_s << 0 << QStringList{u"S/فضل القُرْآن"_s};
        QTest::addRow("tanween in the record")
            << u"كتاب"_s << 0 << QStringList{u"S/الكتابٌ"_s, u"T/كتاب/درس"_s};
        QTest::addRow("a word of the third field")
            << u"ورش"_s << 0 << QStringList{u"W/001 سورة الفاتحة"_s};
        QTest::addRow("words in any order") << u"يس سورة"_s << 0 << yaseen;
        QTest::addRow("phrase") << u"سورة يس"_s << 1 << yaseen;
        QTest::addRow("phrase in the wrong order") << u"يس سورة"_s << 1 << QStringList();
        QTest::addRow("phrase across the fields") << u"يس حفص"_s << 1 << yaseen;
        // The kept texts lie one after another: a phrase is never found across two records.
        QTest::addRow("phrase across two records") << u"حفص W"_s << 1 << QStringList();
        QTest::addRow("favourites never listed")
            << u"الملك"_s << 0 << QStringList{u"R/067 سورة الملك"_s};
    }

    void wordsAndPhrases()
    {
        QFETCH(QString, text);
        QFETCH(int, mode);
        QFETCH(QStringList, found);
        load({kQuran + u"!R/036 سورة يس!حفص!a.mp3"_s, kQuran + u"!R/017 سورة الإسراء!حفص!b.mp3"_s,
              kQuran + u"!W/001 سورة الفاتحة!ورش!c.mp3"_s,
              kQuran + u"!R/067 سورة الملك!حفص!d.mp3"_s, u"دروس!S/فضل القُرْآن!فقه!e.mp3"_s,
              u"دروس!S/الكتابٌ!فقه!f.mp3"_s, u"دروس!T/كتاب/درس!فقه!g.mp3"_s},
             {u"أشرطتي المفضلة!القرآن الكريم/R - سورة الملك!NONE!d.mp3"_s});
        CatalogueSearch search(m_catalogue->index());
        QCOMPARE(find(search, text, mode), found);
        QCOMPARE(find(search, text, mode), found); // again: the same, kept texts reused
    }

    void followsTheIndex()
    {
        load({u"دروس!S/درس أول!فقه!a.mp3"_s, u"دروس!S/درس ثان!فقه!b.mp3"_s});
        CatalogueSearch search(m_catalogue->index());
        QCOMPARE(find(search, u"ثالث"_s, 0), QStringList());
        // An entry changed in place, one appended, one cleared: the next search sees them.
        CatalogueIndex &index = m_catalogue->index();
        index.setEntry(1, index.path(1), u"دروس!S/درس ثالث!فقه!a.mp3"_s, 0);
        m_catalogue->Add2Tree(u"دروس!S/درس ثالث ب!فقه!c.mp3"_s, 0);
        index.clearEntry(2);
        QCOMPARE(find(search, u"ثالث"_s, 0), (QStringList{u"S/درس ثالث"_s, u"S/درس ثالث ب"_s}));
        QCOMPARE(find(search, u"ثان"_s, 0), QStringList());
        // A record typed with a character outside the code page is found too.
        m_catalogue->Add2Tree(u"دروس!S/درس ✓!فقه!d.mp3"_s, 0);
        QCOMPARE(find(search, u"✓"_s, 0), QStringList{u"S/درس ✓"_s});
        // A reloaded catalogue starts the kept texts anew.
        load({u"دروس!S/جديد!فقه!a.mp3"_s});
        CatalogueSearch fresh(m_catalogue->index());
        QCOMPARE(find(fresh, u"جديد"_s, 0), QStringList{u"S/جديد"_s});
    }

    void stoppingKeepsWhatWasFound()
    {
        QStringList records;
        for (int i = 0; i < 3000; ++i)
            records.append(u"دروس!S/درس %1!فقه!a.mp3"_s.arg(i));
        load(records);
        CatalogueSearch search(m_catalogue->index());
        QVERIFY(search.update());
        search.setPauseInterval(0);
        int calls = 0;
        const auto query = CatalogueSearch::prepare(u"درس"_s, CatalogueSearch::Words);
        const QList<qsizetype> found = search.run(*query, [&calls] { return ++calls < 3; });
        QVERIFY(search.stopped());
        QVERIFY(found.size() > 0 && found.size() < 3000);
        QCOMPARE(found.first(), 1);
        QCOMPARE(found.last(), found.size()); // the first ones, in order
        QCOMPARE(search.run(*query).size(), 3000);
        QVERIFY(!search.stopped());
    }

    // A large catalogue is searched in two halves at once: the matches are those of a search
    // record by record, in index order, and a stop keeps the first ones. One changed record and
    // one outside the code page are found in their places.
    void aLargeCatalogueGivesTheSameMatches()
    {
        QStringList records;
        QList<qsizetype> expected;
        for (int i = 0; i < 150000; ++i) {
            const bool hit = i % 7 == 3;
            records.append(
                u"دروس!S/درس %1 %2!فقه!a.mp3"_s.arg(hit ? u"الحكمة"_s : u"البيان"_s).arg(i));
            if (hit)
                expected.append(i + 1);
        }
        load(records);
        m_catalogue->index().setEntry(2, u"دروس/S/x"_s, u"دروس!S/الحكمة مكررة!فقه!b.mp3"_s, 0);
        m_catalogue->Add2Tree(u"دروس!S/الحكمة ✓!فقه!c.mp3"_s, 0);
        expected.insert(0, 2);
        expected.append(m_catalogue->index().size() - 1);
        CatalogueSearch search(m_catalogue->index());
        const auto query = CatalogueSearch::prepare(u"حكمة"_s, CatalogueSearch::Words);
        QCOMPARE(search.run(*query), expected);
        QVERIFY(!search.stopped());

        search.setPauseInterval(0);
        const QList<qsizetype> first = search.run(*query, [] { return false; });
        QVERIFY(search.stopped());
        QVERIFY(!first.isEmpty() && first.size() < expected.size());
        QCOMPARE(first, expected.mid(0, first.size()));
    }
};

QTEST_GUILESS_MAIN(TestSearch)
#include "tst_search.moc"
