#include "taperecord.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestTapeRecord : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void extractLinks_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("mp3");
        QTest::addColumn<QString>("rm");
        QTest::addRow("mp3 in upper case") << u"a!b!c!x.MP3"_s << u"x.MP3"_s << QString();
        QTest::addRow("rm then mp3") << u"a!b!c!u.rm!v.mp3"_s << u"v.mp3"_s << u"u.rm"_s;
        QTest::addRow("mp3 then rm") << u"a!b!c!u.mp3!v.Rm"_s << u"u.mp3"_s << u"v.Rm"_s;
        QTest::addRow("fifth field wins") << u"a!b!c!u.mp3!v.mp3"_s << u"v.mp3"_s << QString();
        QTest::addRow("blank fifth field") << u"a!b!c!u.rm!   "_s << QString() << u"u.rm"_s;
        QTest::addRow("empty fifth field") << u"a!b!c!u.mp3!"_s << u"u.mp3"_s << QString();
        QTest::addRow("unusable ending") << u"a!b!c!u.wav"_s << QString() << QString();
        QTest::addRow("mp3 without dot")
            << u"a!b!c!http://h/getmp3"_s << u"http://h/getmp3"_s << QString();
        QTest::addRow("spaces kept") << u"a!b!c! u.mp3!x.rm "_s << u" u.mp3"_s << QString();
        QTest::addRow("sixth field ignored") << u"a!b!c!u.mp3!!v.rm"_s << u"u.mp3"_s << QString();
        QTest::addRow("four empty fields") << u"!!!"_s << QString() << QString();
    }

    void extractLinks()
    {
        QFETCH(QString, line);
        QFETCH(QString, mp3);
        QFETCH(QString, rm);
        const LinkPair pair = ExtractLinks(line);
        QCOMPARE(pair[0], mp3);
        QCOMPARE(pair[1], rm);
    }

    void instrCount_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("find");
        QTest::addColumn<int>("count");
        QTest::addRow("empty text") << QString() << u"!"_s << -1;
        QTest::addRow("adjacent") << u"a!!b"_s << u"!"_s << 2;
        QTest::addRow("empty needle") << u"abc"_s << QString() << 0;
        QTest::addRow("both empty") << QString() << QString() << 0;
        QTest::addRow("none") << u"abc"_s << u"!"_s << 0;
        QTest::addRow("non-overlapping") << u"aaaa"_s << u"aaa"_s << 1;
        QTest::addRow("case-sensitive") << u"aAa"_s << u"a"_s << 2;
        QTest::addRow("separator") << u"x***y***3"_s << u"***"_s << 2;
    }

    void instrCount()
    {
        QFETCH(QString, text);
        QFETCH(QString, find);
        QFETCH(int, count);
        QCOMPARE(InstrCount(text, find), count);
    }

    void isValidLine_data()
    {
        QTest::addColumn<QString>("line");
        QTest::addColumn<bool>("valid");
        QTest::addRow("two bangs") << u"a!b!c"_s << false;
        QTest::addRow("spaces") << u"    "_s << false;
        QTest::addRow("empty") << QString() << false;
        QTest::addRow("three bangs alone") << u"!!!"_s << true;
        QTest::addRow("record") << u"a!b!c!u.mp3"_s << true;
        QTest::addRow("unusable link still a record") << u"a!b!c!u.wav"_s << true;
        QTest::addRow("tab is not a space") << u"\t"_s << false;
        QTest::addRow("spaces around bangs") << u" ! ! ! "_s << true;
    }

    void isValidLine()
    {
        QFETCH(QString, line);
        QFETCH(bool, valid);
        QCOMPARE(IsValidLine(line), valid);
    }

    void fieldAndLinkChecks()
    {
        QVERIFY(IsValidFieldText(u"سورة يس"));
        QVERIFY(IsValidFieldText(QString()));
        for (const QString &bad : {u"a/b"_s, u"a!b"_s, u"a\\b"_s, u"x@@@###y"_s})
            QVERIFY2(!IsValidFieldText(bad), qPrintable(bad));
        QVERIFY(IsValidFieldText(u"@@@##"));

        QVERIFY(IsValidLink(u"http://h/a.mp3"));
        QVERIFY(IsValidLink(u"http://h/a.RM"));
        QVERIFY(IsValidLink(u"amp3"));
        QVERIFY(!IsValidLink(u"http://h/a.Rm "));
        QVERIFY(!IsValidLink(u"   "));
        QVERIFY(!IsValidLink(u"a.wav"));
        QVERIFY(!IsValidLink(u"rm"));
    }

    void recordFields()
    {
        QCOMPARE(RecordField(u"a!b!!d", 0), u"a");
        QCOMPARE(RecordField(u"a!b!!d", 2), u"");
        QCOMPARE(RecordField(u"a!b!!d", 3), u"d");
        QVERIFY(RecordField(u"a!b", 2).isNull());
    }
};

QTEST_GUILESS_MAIN(TestTapeRecord)
#include "tst_taperecord.moc"
