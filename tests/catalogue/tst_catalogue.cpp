#include "catalogue.h"
#include "cataloguegenerator.h"
#include "codepage.h"
#include "fileguards.h"
#include "general.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kQuran = u"القرآن الكريم"_s;
const QString kLessons = u"الدروس والخطب"_s;

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

void writeLines(const QString &path, const QStringList &lines)
{
    QVERIFY(writeCodePageLines(path, lines));
}

QStringList entries(const Catalogue &c)
{
    QStringList out;
    for (qsizetype i = 0; i < c.index().size(); ++i)
        out.append(c.index().entry(i));
    return out;
}

// A catalogue of several files of made-up records: the three kinds of record, riwayat and owners
// first met in later files, lines that are no records, a file of almost nothing but such lines,
// an empty file, and the same seed always gives the same bytes.
void writeMixedCatalogue(const QString &folder, quint32 seed)
{
    QRandomGenerator random(seed);
    const QStringList categories{kQuran, kLessons, u"أدعية"_s, u"أناشيد"_s};
    for (int f = 0; f < 9; ++f) {
        QStringList lines;
        const int count = f == 4 ? 0 : 40 + int(random.bounded(200));
        for (int i = 0; i < count; ++i) {
            const QString category = categories.at(int(random.bounded(categories.size())));
            const QString riwaya = u"رواية "_s + QString::number(random.bounded(3 + f));
            const QString owner = u"الشيخ "_s + QString::number(random.bounded(4 + 2 * f));
            QString names =
                owner + u'/' + QString::number(random.bounded(1, 115)).rightJustified(3, u'0');
            if (random.bounded(4) == 0)
                names += u"/حلقة "_s + QString::number(random.bounded(9));
            const QString third = category == kQuran ? riwaya
                                  : random.bounded(3) == 0
                                      ? u"none"_s
                                      : u"قسم/"_s + QString::number(random.bounded(5));
            lines.append(category + u'!' + names + u'!' + third + u"!http://h/"_s +
                         QString::number(i) + u".mp3"_s);
            if (random.bounded(10) == 0 || f == 7)
                lines.append(u"سطر بلا حقول "_s + QString::number(i));
        }
        if (f == 7) // mostly lines that are no records
            for (int i = 0; i < 300; ++i)
                lines.append(u"ملاحظة "_s + QString::number(i));
        writeLines(folder + u"/f"_s + QString::number(f) + u".txt"_s, lines);
    }
}

// Everything a load leaves behind that the rest of the program can see.
QStringList observed(const Catalogue &c, const QList<QVariantList> &riwayat)
{
    QStringList out = c.CatalogueFiles;
    const CatalogueIndex &index = c.index();
    for (qsizetype i = 0; i < index.size(); ++i) {
        QString line = index.entry(i);
        if (!index.isEmptyEntry(i)) {
            line += u" ["_s + QString::number(index.categoryId(i)) + u' ' +
                    QString::number(index.thirdFieldId(i));
            for (int k = 0; k < index.componentCount(i); ++k)
                line += u' ' + QString::number(index.componentId(i, k));
            line += u']';
        }
        out.append(line);
    }
    const TreePaths &p = c.paths();
    for (const KnownList *list :
         {&p.CategoryList, &p.ReciterList, &p.OwnerList, &p.SectionList, &p.RiwayaList})
        out.append(list->items().join(u'|'));
    for (const QVariantList &r : riwayat)
        out.append(r.at(0).toString() + u'=' + r.at(1).toString());
    return out;
}

} // namespace

class TestCatalogue : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void loadsFilesInOrderWithTheirNumbers()
    {
        QTemporaryDir dir;
        const QString a1 = kLessons + u"!S/T!فقه!a1.mp3"_s;
        const QString a2 = u"أدعية!T!none!a2.mp3"_s;
        const QString f1 = u"أشرطتي المفضلة!x/y!none!f.mp3"_s;
        writeLines(dir.filePath(u"a.txt"_s), {a1, u"a!b"_s, a2});
        writeLines(dir.filePath(u"favorites.txt"_s), {f1});

        Catalogue c(dir.path());
        QSignalSpy cleared(&c, &Catalogue::treeClearRequested);
        c.BuildTree();

        QCOMPARE(c.CatalogueFiles, (QStringList{u"a.txt"_s, u"favorites.txt"_s}));
        QCOMPARE(entries(c), (QStringList{QString(), kLessons + u"/S/T***"_s + a1 + u"***0"_s,
                                          u"أدعية/T***"_s + a2 + u"***0"_s,
                                          u"أشرطتي المفضلة/x/y***"_s + f1 + u"***1"_s}));
        QCOMPARE(cleared.count(), 1);
        QCOMPARE(c.IndexOfFile(dir.filePath(u"favorites.txt"_s)), 1);
        QCOMPARE(c.IndexOfFile(dir.filePath(u"additions.txt"_s)), -1);
        QCOMPARE(c.IndexOfFile(dir.filePath(u"Favorites.txt"_s)), -1); // case-sensitive
    }

    void emptyOrMissingFolder()
    {
        QTemporaryDir dir;
        for (const QString &folder : {dir.path(), dir.filePath(u"missing"_s)}) {
            Catalogue c(folder);
            c.BuildTree();
            QCOMPARE(c.CatalogueFiles, QStringList{QString()});
            QCOMPARE(c.index().size(), 1);
            QCOMPARE(c.paths().CategoryList.size(), 1);
        }
    }

    void loadsFilesWhoseNamesAreNotUtf8()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        // Names in windows-1256, as an extractor leaves them: "ال.txt" and "ب.txt".
        QVERIFY(writeRawName(folder + "/\xC7\xE1.txt", "A!x!none!1.mp3\r\nA!y!none!2.mp3\r\n"));
        QVERIFY(writeRawName(folder + "/\xC8.txt", "B!z!none!3.mp3\r\n"));
        writeLines(dir.filePath(u"a.txt"_s), {u"C!w!none!4.mp3"_s});

        Catalogue c(dir.path());
        c.BuildTree();
        QCOMPARE(c.CatalogueFiles,
                 (QStringList{u"a.txt"_s, u"\xDCC7\xDCE1.txt"_s, u"\xDCC8.txt"_s}));
        QCOMPARE(
            entries(c),
            (QStringList{QString(), u"C/w***C!w!none!4.mp3***0"_s, u"A/x***A!x!none!1.mp3***1"_s,
                         u"A/y***A!y!none!2.mp3***1"_s, u"B/z***B!z!none!3.mp3***2"_s}));
        QCOMPARE(nativeFileName(c.catalogueFilePath(2)), folder + "/\xC8.txt");
        QCOMPARE(c.IndexOfFile(c.catalogueFilePath(1)), 1);
    }

    void specialFilesDoNotStopLoading()
    {
        QTemporaryDir dir;
        QTemporaryDir elsewhere;
        writeLines(dir.filePath(u"a.txt"_s), {u"A!x!none!1.mp3"_s});
        QVERIFY(makeFifo(elsewhere.filePath(u"pipe"_s)));
        QVERIFY(makeFifo(dir.filePath(u"b.txt"_s)));
        QVERIFY(makeLink(elsewhere.filePath(u"pipe"_s), dir.filePath(u"c.txt"_s)));
        QVERIFY(makeLink(u"/dev/zero"_s, dir.filePath(u"d.txt"_s)));

        // In a child process with a time limit: a loader waiting on a FIFO or reading an endless
        // device fails the test instead of hanging it.
        const int result = runInChild([&dir] {
            Catalogue c(dir.path());
            c.BuildTree();
            if (c.CatalogueFiles != QStringList{u"a.txt"_s} || c.index().size() != 2)
                return 1;
            // Listed anyway (one swapped in after the listing, say): read as nothing.
            c.CatalogueFiles = {u"a.txt"_s, u"b.txt"_s, u"c.txt"_s, u"d.txt"_s};
            for (int n = 1; n < 4; ++n)
                c.LireLinks(n, false);
            return c.index().size() == 2 ? 0 : 2;
        });
        QCOMPARE(result, 0);
    }

    void lineEndsAndHighBytes()
    {
        QTemporaryDir dir;
        // LF-only and CR-only files, a record without a final line end, and every byte from
        // 0x80 to 0xFF inside a name (they must come back as the same characters, unchanged).
        QByteArray high;
        for (int b = 0x80; b <= 0xFF; ++b)
            if (b != '!' && b != '/')
                high.append(char(b));
        writeBytes(dir.filePath(u"1-lf.txt"_s), "A!x/y!none!1.mp3\nA!x/z!none!2.mp3\n");
        writeBytes(dir.filePath(u"2-cr.txt"_s), "B!p!none!3.mp3\rB!q!none!4.mp3");
        writeBytes(dir.filePath(u"3-high.txt"_s), "C!" + high + "!none!5.mp3\r\n");

        Catalogue c(dir.path());
        c.BuildTree();
        QCOMPARE(c.index().size(), 6);
        QCOMPARE(c.index().path(2), u"A/x/z"_s);
        QCOMPARE(c.index().record(4), u"B!q!none!4.mp3"_s);
        QCOMPARE(c.index().fileNumber(4), 1);
        const QString name = CodePage::decode(high);
        QCOMPARE(c.index().path(5), u"C/"_s + name);
        QCOMPARE(name.at(0x47 /* 0xC7 */).unicode(), u'\u0627');
        QCOMPARE(CodePage::encode(c.index().record(5)), "C!" + high + "!none!5.mp3");
    }

    void skipsNonRecordsAndKeepsDuplicates()
    {
        QTemporaryDir dir;
        writeLines(dir.filePath(u"a.txt"_s), {u"A!x!none!u.mp3"_s, u"   "_s, u"one!bang"_s,
                                              QString(), u"A!x!none!u.mp3"_s, u"A!w!none!u.wav"_s});
        Catalogue c(dir.path());
        c.BuildTree();
        QCOMPARE(c.index().size(), 4); // the duplicate line and the unusable link stay
        QCOMPARE(c.index().record(3), u"A!w!none!u.wav"_s);
    }

    void reportsNewRiwayatOnce()
    {
        QTemporaryDir dir;
        writeLines(dir.filePath(u"q.txt"_s),
                   {kQuran + u"!R/001!W1!a.mp3"_s, kQuran + u"!R/002!W1!b.mp3"_s,
                    kQuran + u"!R/003!W2!c.mp3"_s});
        Catalogue c(dir.path());
        QSignalSpy spy(&c, &Catalogue::riwayaAdded);
        c.BuildTree();
        QCOMPARE(spy.count(), 2);
        QCOMPARE(spy.at(1).at(0).value<qsizetype>(), 2);
        QCOMPARE(spy.at(1).at(1).toString(), u"W2"_s);
    }

    void indexChangesInPlace()
    {
        Catalogue c{QString()}; // records added by hand, no folder
        c.Add2Tree(u"A!x/y!none!1.mp3", 0);
        c.Add2Tree(u"B!z!none!2.mp3", -1);
        CatalogueIndex &index = c.index();
        QCOMPARE(index.entry(2), u"B/z***B!z!none!2.mp3***-1"_s);

        index.setEntry(1, u"A/x/w", u"A!x/w!none!1.mp3", 3);
        QCOMPARE(index.entry(1), u"A/x/w***A!x/w!none!1.mp3***3"_s);
        index.clearEntry(2);
        QVERIFY(index.isEmptyEntry(2));
        QCOMPARE(index.entry(2), QString());
        QCOMPARE(index.size(), 3);
        QVERIFY(index.entriesUnder(u"B/").isEmpty());

        // A record typed with characters the code page cannot hold is kept exactly in memory.
        const QString wide = u"A!\u0416/y!none!3.mp3"_s;
        c.Add2Tree(wide, 0);
        QCOMPARE(index.record(3), wide);
        QCOMPARE(index.path(3), u"A/\u0416/y"_s);

        // Found by their exact text, whichever way they are kept; cleared entries are passed.
        c.Add2Tree(u"A!x/w!none!1.mp3", 0);
        QCOMPARE(index.findRecord(u"A!x/w!none!1.mp3"), 1);
        QCOMPARE(index.findRecord(u"A!x/w!none!1.mp3", 2), 4);
        QCOMPARE(index.findRecord(wide), 3);
        QCOMPARE(index.findRecord(u"B!z!none!2.mp3"), -1);
        QCOMPARE(index.findRecord(u"A!x/w!none!1.mp"), -1);
        QCOMPARE(index.findRecord(u"A!x/w!none!1.mp4"), -1);
    }

    void findsEntriesByFolderKey()
    {
        Catalogue c{QString()};
        for (const QString &line :
             {u"A!x/y!none!1.mp3"_s, u"A!x/z!none!2.mp3"_s, u"AB!w!none!3.mp3"_s,
              u"A!w!none!4.mp3"_s, u"ABC!v!none!5.mp3"_s, u"A!!none!6.mp3"_s})
            c.Add2Tree(line, 0);
        const CatalogueIndex &index = c.index();
        QCOMPARE(index.entriesUnder(u"A/"), (QList<qsizetype>{1, 2, 4, 6}));
        QCOMPARE(index.entriesUnder(u"AB/"), QList<qsizetype>{3}); // not ABC's
        QCOMPARE(index.entriesUnder(u"A/x/"), (QList<qsizetype>{1, 2}));
        QCOMPARE(index.entriesUnder(u"A/x/y/"), QList<qsizetype>{});
        QCOMPARE(index.entriesUnder(u"Q/"), QList<qsizetype>{});
        // Keys that do not end a folder compare as plain text.
        QCOMPARE(index.entriesUnder(u"A/x/"), index.entriesUnder(u"A/x"));
        QCOMPARE(index.entriesUnder(u"AB"), (QList<qsizetype>{3, 5}));
        QVERIFY(index.pathStartsWith(6, u"A/"));
        QCOMPARE(index.path(6), u"A/"_s);

        // Re-grouping many times keeps every path right (old component lists are dropped).
        for (int round = 0; round < 300000; ++round)
            c.index().setPath(1 + round % 2, round % 2 ? u"A/x/z" : u"A/x/y");
        QCOMPARE(index.path(1), u"A/x/y"_s);
        QCOMPARE(index.path(2), u"A/x/z"_s);
        QCOMPARE(index.path(4), u"A/w"_s);
    }

    void bundledSampleCatalogue()
    {
        Catalogue c(QString::fromUtf8(MARVOLI_SAMPLE_DB));
        c.BuildTree();
        const TreePaths &p = c.paths();
        QVERIFY(p.RiwayaList.size() - 1 >= 3);
        QVERIFY(p.ReciterList.size() - 1 >= 6);
        QVERIFY(p.OwnerList.size() - 1 >= 3);
        QVERIFY(p.SectionList.items().contains(u"فقه/الصلاة"_s));
        QVERIFY(p.CategoryList.items().contains(u"أدعية"_s));
        int local = 0;
        for (qsizetype i = 1; i < c.index().size(); ++i) {
            const QString path = c.index().path(i);
            QVERIFY2(!path.endsWith(u'/'), qPrintable(path)); // every tape has a name
            if (c.index().record(i).contains(u"!samples/"))
                ++local;
        }
        QVERIFY(local >= 3); // tapes that play without the Internet
    }

    // Mixed files with lines that are no records, and a catalogue shaped like real ones: titles
    // of their own, folders three or four deep, a folder's lines spread over sixty files.
    void loadingOnSeveralThreadsGivesWhatFileAfterFileGives_data()
    {
        QTest::addColumn<bool>("realShaped");
        QTest::addRow("mixed files") << false;
        QTest::addRow("real-shaped") << true;
    }
    void loadingOnSeveralThreadsGivesWhatFileAfterFileGives()
    {
        QFETCH(bool, realShaped);
        QTemporaryDir dir;
        if (realShaped) {
            QString error;
            QVERIFY2(
                generateCatalogue(dir.path(), 6000, nullptr, &error, CatalogueShape::RealShaped),
                qPrintable(error));
        } else {
            writeMixedCatalogue(dir.path(), 1256);
        }
        for (int sort = 0; sort < 4; ++sort) {
            // The reference: each file loaded in turn on this thread.
            Catalogue one(dir.path());
            one.paths().QuranSort = sort;
            one.paths().DourousSort = sort % 2;
            QSignalSpy oneRiwayat(&one, &Catalogue::riwayaAdded);
            one.CatalogueFiles = ListFolderFiles(dir.path());
            for (int n = 0; n < one.CatalogueFiles.size(); ++n)
                one.LireLinks(n, n == 0);
            QVERIFY(one.index().size() > 500);
            const QStringList expected = observed(one, oneRiwayat);

            for (const int threads : {1, 2, 7}) {
                Catalogue many(dir.path());
                many.loadingThreads = threads;
                many.paths().QuranSort = sort;
                many.paths().DourousSort = sort % 2;
                QSignalSpy manyRiwayat(&many, &Catalogue::riwayaAdded);
                many.BuildTree();
                QCOMPARE(observed(many, manyRiwayat), expected);
            }
        }
    }

    void recordsLoadedInPlaceSurviveLaterChanges()
    {
        // Loaded records point into the files' bytes; what is added or changed afterwards is
        // stored elsewhere and must never overwrite them.
        QTemporaryDir dir;
        writeMixedCatalogue(dir.path(), 7);
        Catalogue c(dir.path());
        c.BuildTree();
        QStringList before;
        for (qsizetype i = 0; i < c.index().size(); ++i)
            before.append(c.index().record(i));

        const QString added = kQuran + u"!جديد/001!رواية 0!http://h/new.mp3"_s;
        const QString wide = u"أدعية!名前!none!http://h/w.mp3"_s; // not in the code page
        for (int i = 0; i < 2000; ++i)
            c.Add2Tree(added, 0);
        c.Add2Tree(wide, 0);
        c.index().setEntry(2, c.BuildPath(added), added, 0);

        for (qsizetype i = 1; i < before.size(); ++i)
            if (i != 2)
                QCOMPARE(c.index().record(i), before.at(i));
        QCOMPARE(c.index().record(2), added);
        QCOMPARE(c.index().record(c.index().size() - 1), wide);
        QCOMPARE(c.index().findRecord(before.at(3)), 3);
    }

    void aDamagedLineWithAVeryDeepPathKeepsItsText()
    {
        // 70,000 slashes: more components than an entry records. The path's text must still come
        // back whole, and the entries around it stay as they were.
        QTemporaryDir dir;
        const QString deep = u"أدعية!"_s + QString(u"a/"_s).repeated(70000) + u"b!none!x.mp3"_s;
        const QString plain = u"أدعية!T!none!y.mp3"_s;
        writeLines(dir.filePath(u"a.txt"_s), {plain, deep, plain});
        Catalogue c(dir.path());
        c.BuildTree();
        QCOMPARE(c.index().size(), 4);
        QCOMPARE(c.index().path(2), c.BuildPath(deep));
        QCOMPARE(c.index().componentCount(2), 0xffff);
        QCOMPARE(c.index().entry(3), u"أدعية/T***"_s + plain + u"***0"_s);
        c.index().setEntry(1, c.BuildPath(deep), deep, 0);
        QCOMPARE(c.index().path(1), c.index().path(2));
    }

    void regroupingReproducesTheLoadedPaths()
    {
        Catalogue c{QString()};
        const QString line = kQuran + u"!R/001 سورة الفاتحة!W!a.mp3"_s;
        c.Add2Tree(line, 0);
        c.paths().QuranSort = 3;
        c.index().setPath(1, c.BuildPath(c.index().record(1)));
        QCOMPARE(c.index().entry(1), kQuran + u"/001 سورة الفاتحة/R***"_s + line + u"***0"_s);
    }
};

QTEST_GUILESS_MAIN(TestCatalogue)
#include "tst_catalogue.moc"
