#include "fileguards.h"
#include "general.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestGeneral : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fileExists()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"a.txt"_s);
        QVERIFY(!FileExists(path));
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.close();
        QVERIFY(FileExists(path));
        QVERIFY(!FileExists(dir.path())); // a folder is not a file
        QVERIFY(!FileExists(QString()));
        QVERIFY(makeLink(dir.path(), dir.filePath(u"to-folder"_s)));
        QVERIFY(!FileExists(dir.filePath(u"to-folder"_s)));
        QVERIFY(makeLink(u"gone"_s, dir.filePath(u"dangling"_s)));
        QVERIFY(!FileExists(dir.filePath(u"dangling"_s)));
        QVERIFY(makeFifo(dir.filePath(u"pipe"_s)));
        QVERIFY(FileExists(dir.filePath(u"pipe"_s))); // there, though it will not be read
        QVERIFY(writeRawName(QFile::encodeName(dir.path()) + "/\xC7\xE1", {}));
        QVERIFY(FileExists(dir.path() + u"/\xDCC7\xDCE1"_s));
    }

    void fileNamesRoundTrip_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("utf8");
        QTest::addRow("arabic") << QByteArray("\xD9\x82\xD8\xB1\xD8\xA2\xD9\x86") << u"قرآن"_s
                                << true;
        // Its second UTF-16 unit is U+DC80, the unit an escaped 0x80 byte would give.
        QTest::addRow("pair ending like an escape")
            << QByteArray("\xF0\x90\x82\x80") << u"\U00010080"_s << true;
        QTest::addRow("windows-1256")
            << QByteArray("\xC7\xE1.txt") << u"\xDCC7\xDCE1.txt"_s << false;
        QTest::addRow("stray continuation") << QByteArray("\x80z") << u"\xDC80z"_s << false;
        QTest::addRow("cut sequence") << QByteArray("a\xE3\x81") << u"a\xDCE3\xDC81"_s << false;
        QTest::addRow("cut before a valid one")
            << QByteArray("\xD9\xD9\x82") << u"\xDCD9\u0642"_s << false;
        QTest::addRow("overlong slash") << QByteArray("\xC0\xAF") << u"\xDCC0\xDCAF"_s << false;
        QTest::addRow("encoded surrogate")
            << QByteArray("\xED\xB2\x80") << u"\xDCED\xDCB2\xDC80"_s << false;
        QTest::addRow("past U+10FFFF")
            << QByteArray("\xF4\x90\x80\x80") << u"\xDCF4\xDC90\xDC80\xDC80"_s << false;
    }

    void fileNamesRoundTrip()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, text);
        QFETCH(bool, utf8);
        QCOMPARE(fileNameFromNative(bytes), text);
        QCOMPARE(nativeFileName(text), bytes);
        QCOMPARE(nativeFileName(u"/folder/"_s + text), "/folder/" + bytes);
        // Names that are UTF-8 read and write as everywhere else in Qt.
        if (utf8) {
            QCOMPARE(QFile::decodeName(bytes), text);
            QCOMPARE(QFile::encodeName(text), bytes);
        }
    }

    void listsFilesInByteOrder()
    {
        QTemporaryDir dir;
        // Arabic names sort after Latin ones in UTF-8 byte order; upper case before lower case.
        const QStringList created{u"favorites.txt"_s, u"B.txt"_s,         u"a.txt"_s,
                                  u"قرآن.txt"_s,      u"additions.txt"_s, u".hidden"_s};
        for (const QString &name : created) {
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
        const QStringList expected{u"B.txt"_s, u"a.txt"_s, u"additions.txt"_s, u"favorites.txt"_s,
                                   u"قرآن.txt"_s};
        QCOMPARE(ListFolderFiles(dir.path()), expected);
    }

    void listsRegularFilesByTheirBytes()
    {
        QTemporaryDir dir;
        const QByteArray folder = QFile::encodeName(dir.path());
        for (const QByteArray &name : {QByteArray("z.txt"), QByteArray("\xC7\xE1.txt"),
                                       QByteArray("\xD9\x82.txt"), QByteArray("\xC7\xE1.bak")})
            QVERIFY(writeRawName(folder + '/' + name, name));
        QVERIFY(makeLink(u"z.txt"_s, dir.filePath(u"l.txt"_s)));
        QVERIFY(makeFifo(dir.filePath(u"pipe.txt"_s)));
        QVERIFY(makeLink(u"pipe.txt"_s, dir.filePath(u"to-pipe.txt"_s)));
        QVERIFY(makeLink(u"/dev/zero"_s, dir.filePath(u"zero.txt"_s)));
        QVERIFY(makeLink(u"gone.txt"_s, dir.filePath(u"dangling.txt"_s)));
        QVERIFY(QDir(dir.path()).mkdir(u"sub"_s));
        QVERIFY(makeLink(u"sub"_s, dir.filePath(u"to-sub"_s)));

        const QStringList names = ListFolderFiles(dir.path());
        QCOMPARE(names, (QStringList{u"l.txt"_s, u"z.txt"_s, u"\xDCC7\xDCE1.bak"_s,
                                     u"\xDCC7\xDCE1.txt"_s, u"\u0642.txt"_s}));
        // Each listed name leads back to its file.
        for (const QString &name : names) {
            QByteArray content;
            QVERIFY(readRegularFile(dir.path() + u'/' + name, content));
            QCOMPARE(content, name == u"l.txt" ? QByteArray("z.txt") : nativeFileName(name));
        }
    }

    void missingOrEmptyFolderGivesOneEmptyName()
    {
        QTemporaryDir dir;
        QCOMPARE(ListFolderFiles(dir.path()), QStringList{QString()});
        QCOMPARE(ListFolderFiles(dir.filePath(u"none"_s)), QStringList{QString()});
        QCOMPARE(ListFolderFiles(QString()), QStringList{QString()});
    }
};

QTEST_GUILESS_MAIN(TestGeneral)
#include "tst_general.moc"
