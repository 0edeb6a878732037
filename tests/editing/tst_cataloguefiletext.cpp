#include "catalogue.h"
#include "cataloguefiletext.h"
#include "codepage.h"
#include "filebytes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;
using CatalogueFileText::Opened;

namespace {

// Every byte a line of a catalogue file can hold: all but CR and LF, which end lines.
QByteArray everyLineByte()
{
    QByteArray bytes;
    for (int b = 0; b < 256; ++b)
        if (b != '\r' && b != '\n')
            bytes.append(char(b));
    return bytes;
}

} // namespace

Q_DECLARE_METATYPE(Opened::Status)

// The text of a catalogue file as the file window reads, checks, searches and saves it.
class TestCatalogueFileText : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Read, shown as one text, taken back from it and saved, a file comes back byte for byte,
    // whatever bytes its lines hold.
    void everyByteSurvivesOpenAndSave_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addRow("every byte on one line") << everyLineByte() + "\r\n";
        QTest::addRow("every byte, one a line, empty lines between") << [] {
            QByteArray out;
            for (const char b : everyLineByte())
                out += QByteArray(1, b) + "\r\n\r\n";
            return out;
        }();
        QTest::addRow("empty file") << QByteArray();
    }
    void everyByteSurvivesOpenAndSave()
    {
        QFETCH(QByteArray, bytes);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.txt"_s);
        writeBytes(path, bytes);
        const Opened opened = CatalogueFileText::open(path);
        QCOMPARE(opened.status, Opened::Status::Read);
        QCOMPARE(opened.bytes, bytes);

        const QString text = CatalogueFileText::textOfLines(opened.lines);
        const QStringList lines = CatalogueFileText::linesOfText(text);
        QCOMPARE(lines, opened.lines);
        QVERIFY(!CatalogueFileText::firstUnencodable(lines).found());
        QVERIFY(CatalogueFileText::save(path, lines));
        QCOMPARE(readBytes(path), bytes);
    }

    // Lines of another program's file are written back with CR LF, one line each.
    void savedLinesEndInCrLf()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.txt"_s);
        writeBytes(path, "a\nb\rc\r\nd");
        const Opened opened = CatalogueFileText::open(path);
        QCOMPARE(opened.lines, (QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s}));
        QVERIFY(CatalogueFileText::save(path, opened.lines));
        QCOMPARE(readBytes(path), QByteArray("a\r\nb\r\nc\r\nd\r\n"));
        // A text ending in a line break keeps the empty last line it made.
        QCOMPARE(CatalogueFileText::linesOfText(u"a\n"), (QStringList{u"a"_s, u""_s}));
        QCOMPARE(CatalogueFileText::linesOfText(u""), QStringList());
    }

    void openTellsAbsentFromUnreadable_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Opened::Status>("status");
        QTest::addRow("absent") << u"absent"_s << Opened::Status::Absent;
        QTest::addRow("folder") << u"folder"_s << Opened::Status::Unreadable;
        QTest::addRow("fifo") << u"fifo"_s << Opened::Status::Unreadable;
        QTest::addRow("dangling link") << u"link"_s << Opened::Status::Unreadable;
        QTest::addRow("no read permission") << u"mode"_s << Opened::Status::Unreadable;
    }
    void openTellsAbsentFromUnreadable()
    {
        QFETCH(QString, kind);
        QFETCH(Opened::Status, status);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"additions.txt"_s);
        const QByteArray native = QFile::encodeName(path);
        if (kind == u"folder"_s)
            QVERIFY(QDir().mkdir(path));
        else if (kind == u"fifo"_s)
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        else if (kind == u"link"_s)
            QCOMPARE(::symlink("nowhere.txt", native.constData()), 0);
        else if (kind == u"mode"_s) {
            if (::geteuid() == 0)
                QSKIP("permission bits do not stop root");
            writeBytes(path, "x!y!z!w\r\n");
            QVERIFY(QFile::setPermissions(path, QFile::WriteOwner));
        }
        const Opened opened = CatalogueFileText::open(path);
        QCOMPARE(opened.status, status);
        QVERIFY(opened.lines.isEmpty());
        QVERIFY(opened.bytes.isEmpty());
    }

    // The first character the code page cannot hold, where it is and what the user is told.
    void unencodableCharacterIsFound_data()
    {
        QTest::addColumn<QStringList>("lines");
        QTest::addColumn<qsizetype>("line");
        QTest::addColumn<qsizetype>("column");
        QTest::addColumn<qsizetype>("length");
        QTest::addColumn<QString>("shown");
        const QString ok = u"القرآن الكريم!ف/001 سورة الفاتحة!رواية ورش عن نافع!1.mp3"_s;
        // Alif wasla: an Arabic letter windows-1256 has no byte for.
        QTest::addRow("Arabic letter outside the code page")
            << QStringList{ok, ok, u"أناشيد!ٱلنشيد!NONE!2.mp3"_s} << qsizetype(2) << qsizetype(7)
            << qsizetype(1) << u"«ٱ» (U+0671) في السطر 3"_s;
        QTest::addRow("character outside the BMP")
            << QStringList{u"ab😀c"_s} << qsizetype(0) << qsizetype(2) << qsizetype(2)
            << u"«😀» (U+1F600) في السطر 1"_s;
        // Invisible: named by its code only.
        QTest::addRow("line separator")
            << QStringList{ok, u"x\u2028y"_s} << qsizetype(1) << qsizetype(1) << qsizetype(1)
            << u"الحرف U+2028 في السطر 2"_s;
    }
    void unencodableCharacterIsFound()
    {
        QFETCH(QStringList, lines);
        QFETCH(qsizetype, line);
        QFETCH(qsizetype, column);
        QFETCH(qsizetype, length);
        QFETCH(QString, shown);
        const auto bad = CatalogueFileText::firstUnencodable(lines);
        QVERIFY(bad.found());
        QCOMPARE(bad.line, line);
        QCOMPARE(bad.column, column);
        QCOMPARE(bad.length, length);
        const QString message = CatalogueFileText::unencodableMessage(bad);
        QVERIFY2(message.contains(shown), qPrintable(message));
    }

    // What is reported as no record is exactly what the loader leaves out: a file of such lines
    // and records, loaded, indexes every other non-blank line and none of those.
    void nonRecordLinesAreThoseTheLoaderSkips()
    {
        const QStringList lines{
            u"أناشيد!فلان/أ!NONE!1.mp3"_s, // a record
            u""_s,
            u"   "_s,                // blank: kept without a word
            u"أناشيد!فلان/ب!NONE"_s, // two "!" only
            u"just a note"_s,
            u"!!!"_s, // empty fields, but a record to the loader
            u"\t"_s,  // blank too, and no record
        };
        const QList<qsizetype> strays = CatalogueFileText::nonRecordLines(lines);
        QCOMPARE(strays, (QList<qsizetype>{3, 4}));

        QTemporaryDir dir;
        QVERIFY(CatalogueFileText::save(dir.filePath(u"a.txt"_s), lines));
        Catalogue catalogue(dir.path());
        catalogue.BuildTree();
        QStringList indexed;
        for (qsizetype i = 1; i < catalogue.index().size(); ++i)
            indexed.append(catalogue.index().record(i));
        QStringList expected;
        for (qsizetype n = 0; n < lines.size(); ++n)
            if (!strays.contains(n) && !lines.at(n).trimmed().isEmpty())
                expected.append(lines.at(n));
        QCOMPARE(indexed, expected);
    }

    // The find compares as the catalogue search does, and selects the original characters.
    void finderMatchesNormalisedArabic_data()
    {
        QTest::addColumn<QString>("needle");
        QTest::addColumn<QString>("line");
        QTest::addColumn<qsizetype>("from");
        QTest::addColumn<QString>("found"); // the original text selected; null for none
        QTest::addRow("hamza forms are alif")
            << u"احمد"_s << u"درس!أحمد/الصبر"_s << qsizetype(0) << u"أحمد"_s;
        QTest::addRow("alif in the line, hamza in the needle")
            << u"إسلام"_s << u"فضل الاسلام"_s << qsizetype(0) << u"اسلام"_s;
        QTest::addRow("vowel marks and tatweel skipped, the last letter's marks kept")
            << u"محمد"_s << u"النبي مُحَمَّـدٌ!x"_s << qsizetype(0) << u"مُحَمَّـدٌ"_s;
        QTest::addRow("marks in the needle ignored")
            << u"الصَّبْر"_s << u"x/الصبر!y"_s << qsizetype(0) << u"الصبر"_s;
        QTest::addRow("a run of spaces is one") << u"سورة الفاتحة"_s << u"001 سورة    الفاتحة"_s
                                                << qsizetype(0) << u"سورة    الفاتحة"_s;
        QTest::addRow("leading spaces of the line")
            << u"نشيد"_s << u"   نشيد"_s << qsizetype(0) << u"نشيد"_s;
        QTest::addRow("Latin case") << u"MP3"_s << u"http://h/a.mp3"_s << qsizetype(0) << u"mp3"_s;
        QTest::addRow("from a column on") << u"درس"_s << u"درس!درس!x"_s << qsizetype(1) << u"درس"_s;
        QTest::addRow("none after the column")
            << u"درس"_s << u"درس!x"_s << qsizetype(1) << QString();
        QTest::addRow("not there") << u"فقه"_s << u"درس!x"_s << qsizetype(0) << QString();
    }
    void finderMatchesNormalisedArabic()
    {
        QFETCH(QString, needle);
        QFETCH(QString, line);
        QFETCH(qsizetype, from);
        QFETCH(QString, found);
        const CatalogueFileText::Finder finder(needle);
        const CatalogueFileText::Match match = finder.in(line, from);
        if (found.isNull()) {
            QVERIFY(!match.found());
            return;
        }
        QVERIFY(match.found());
        QVERIFY(match.start >= from);
        QCOMPARE(line.mid(match.start, match.length), found);
    }

    void finderOfMarksOnlyIsEmpty()
    {
        QVERIFY(CatalogueFileText::Finder(u"  َ ـ  "_s).isEmpty());
        QVERIFY(!CatalogueFileText::Finder(u"x"_s).in(u"َ ـ", 0).found());
    }
};

QTEST_GUILESS_MAIN(TestCatalogueFileText)
#include "tst_cataloguefiletext.moc"
