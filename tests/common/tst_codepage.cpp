#include "atomicfile.h"
#include "codepage.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray readAll(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void writeRaw(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

} // namespace

class TestCodePage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesArabicLetters()
    {
        // Real code points, not only a round trip: a silent Latin-1 fallback would round-trip too.
        const QString text = CodePage::decode("\xC7\xE1\xDE\xD1\xC2\xE4 \xC7\xE1\xDF\xD1\xED\xE3");
        QCOMPARE(text, u"القرآن الكريم"_s);
        QCOMPARE(CodePage::decode("\xC7").at(0).unicode(), u'\u0627');
        QCOMPARE(CodePage::decode("\x80").at(0).unicode(), u'\u20AC');
        QCOMPARE(CodePage::encode(u"يس"), QByteArray("\xED\xD3"));
    }

    void everyByteSurvivesARoundTrip()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all.append(char(i));
        const QString text = CodePage::decode(all);
        QCOMPARE(text.size(), 256);
        QCOMPARE(QSet<QChar>(text.begin(), text.end()).size(), 256);
        QCOMPARE(CodePage::encode(text), all);
    }

    void unrepresentableCharacters()
    {
        QCOMPARE(CodePage::encode(u"a\u0416b"), QByteArray("a?b"));
        QByteArray out("unchanged");
        QVERIFY(!CodePage::tryEncode(u"a\u0416b", out));
        QCOMPARE(out, QByteArray("unchanged"));
        QVERIFY(CodePage::tryEncode(u"كريم", out));
        QCOMPARE(CodePage::decode(out), u"كريم"_s);
    }

    void splitsLines_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QStringList>("lines");
        QTest::addRow("empty file") << QByteArray() << QStringList();
        QTest::addRow("CR LF") << QByteArray("a\r\nb\r\n") << QStringList{u"a"_s, u"b"_s};
        QTest::addRow("LF only") << QByteArray("a\nb\n") << QStringList{u"a"_s, u"b"_s};
        QTest::addRow("CR only") << QByteArray("a\rb\r") << QStringList{u"a"_s, u"b"_s};
        QTest::addRow("last line unended") << QByteArray("a\r\nb") << QStringList{u"a"_s, u"b"_s};
        QTest::addRow("blank lines kept")
            << QByteArray("\r\n\n\ra") << QStringList{QString(), QString(), QString(), u"a"_s};
        QTest::addRow("CR then CR LF")
            << QByteArray("a\r\r\nb") << QStringList{u"a"_s, QString(), u"b"_s};
        QTest::addRow("mixed") << QByteArray("a\nb\r\nc\rd")
                               << QStringList{u"a"_s, u"b"_s, u"c"_s, u"d"_s};
    }

    void splitsLines()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QStringList, lines);
        QCOMPARE(CodePage::decodeLines(bytes), lines);
    }

    void fileRewrittenUnchangedIsIdentical()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"cat.txt"_s);
        QByteArray original("\xC7\xE1\xDE\xD1\xC2\xE4!R/001!x!u.mp3\r\n\r\n\x80\xFF\xFE!b\r\n");
        writeRaw(path, original);
        bool ok = false;
        const QStringList lines = readCodePageLines(path, &ok);
        QVERIFY(ok);
        QCOMPARE(lines.size(), 3);
        QVERIFY(writeCodePageLines(path, lines));
        QCOMPARE(readAll(path), original);

        // Lone LF and CR ends come back as CR LF; nothing else changes.
        writeRaw(path, "a\nb\rc");
        QVERIFY(writeCodePageLines(path, readCodePageLines(path)));
        QCOMPARE(readAll(path), QByteArray("a\r\nb\r\nc\r\n"));
    }

    void missingFileReportsFailure()
    {
        bool ok = true;
        QVERIFY(readCodePageLines(u"/nonexistent/folder/x.txt"_s, &ok).isEmpty());
        QVERIFY(!ok);
    }

    void failedRewriteKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"last.txt"_s);
        writeRaw(path, "old\r\n");
        // A folder standing where the temporary file's rename must land makes the write fail;
        // the original must survive whole and no stray file may stay behind.
        QVERIFY(!writeFileAtomically(dir.path(), "x"));
        QVERIFY(!writeCodePageLines(dir.filePath(u"missing-folder/last.txt"_s), {u"new"_s}));
        QCOMPARE(readAll(path), QByteArray("old\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{u"last.txt"_s});

        QVERIFY(writeCodePageLines(path, {u"new"_s}));
        QCOMPARE(readAll(path), QByteArray("new\r\n"));
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
