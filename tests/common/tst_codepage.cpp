#include "atomicfile.h"
#include "codepage.h"
#include "fileguards.h"
#include "general.h"

#include <QDateTime>
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

    void fullDiskKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"config.ini"_s);
        writeRaw(path, "old\r\n");
        // A few kilobytes: small enough to sit in a write buffer until the end, so that a failure
        // only shows when the last of it goes out.
        const QStringList big(100, QString(60, u'x'));
        bool limited = false;
        bool bigWritten = true;
        QByteArray afterBig;
        bool shortWritten = false;
        {
            // Only the calls under test run under the limit: the test log may be a file too.
            const FileSizeLimit limit(1024);
            limited = limit.active();
            bigWritten = writeCodePageLines(path, big);
            afterBig = readAll(path);
            shortWritten = writeCodePageLines(path, {u"short"_s}); // under the limit all goes well
        }
        QVERIFY(limited);
        QVERIFY(!bigWritten);
        QCOMPARE(afterBig, QByteArray("old\r\n"));
        QVERIFY(shortWritten);
        QCOMPARE(readAll(path), QByteArray("short\r\n"));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"config.ini"_s});
        QVERIFY(writeCodePageLines(path, big));
        QCOMPARE(readCodePageLines(path), big);
    }

    void rewriteKeepsPermissionsAndFollowsLinks()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"last.txt"_s);
        writeRaw(path, "old\r\n");
        QVERIFY(
            QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
        const QString link = dir.filePath(u"link.txt"_s);
        QVERIFY(makeLink(path, link));
        QVERIFY(writeCodePageLines(link, {u"new"_s}));
        QVERIFY(QFileInfo(link).isSymLink());
        QCOMPARE(readAll(path), QByteArray("new\r\n"));
        const QFile::Permissions user = QFile::ReadUser | QFile::WriteUser | QFile::ExeUser;
        QCOMPARE(QFile::permissions(path) & ~user,
                 QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup);
    }

    void temporariesLeftByACrashGoAway()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"favorites.txt"_s);
        const auto plant = [&](const QString &name, int minutesAgo) {
            writeRaw(dir.filePath(name), "partial");
            QFile f(dir.filePath(name));
            QVERIFY(f.open(QIODevice::ReadWrite));
            QVERIFY(f.setFileTime(QDateTime::currentDateTime().addSecs(-60 * minutesAgo),
                                  QFileDevice::FileModificationTime));
        };
        plant(u".favorites.txt.1x9z"_s, 30);    // cut short by a crash long ago
        plant(u".favorites.txt.2abc"_s, 1);     // perhaps another writer's, still going
        plant(u".favorites.txt.old.bak"_s, 30); // not one of ours
        plant(u".last.txt.1x9z"_s, 30);         // another file's
        QVERIFY(writeCodePageLines(path, {u"new"_s}));
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name),
                 (QStringList{u".favorites.txt.2abc"_s, u".favorites.txt.old.bak"_s,
                              u".last.txt.1x9z"_s, u"favorites.txt"_s}));
    }

    void onlyRegularFilesAreRead_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::newRow("FIFO") << u"fifo"_s;
        QTest::newRow("link to a FIFO") << u"link to fifo"_s;
        QTest::newRow("link to an endless device") << u"/dev/zero"_s;
        QTest::newRow("folder") << u"folder"_s;
        QTest::newRow("missing") << u"missing"_s;
    }

    void onlyRegularFilesAreRead()
    {
        QFETCH(QString, kind);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"config.ini"_s);
        const QString fifo = dir.filePath(u"pipe"_s);
        QVERIFY(makeFifo(fifo));
        if (kind == u"fifo")
            QVERIFY(QFile::rename(fifo, path));
        else if (kind == u"link to fifo")
            QVERIFY(makeLink(fifo, path));
        else if (kind == u"/dev/zero")
            QVERIFY(makeLink(kind, path));
        else if (kind == u"folder")
            QVERIFY(QDir(dir.path()).mkdir(u"config.ini"_s));

        // Run apart, so that a read waiting for a writer or filling memory fails the test instead
        // of hanging it.
        const int result = runInChild([&path] {
            bool ok = true;
            const QStringList lines = readCodePageLines(path, &ok);
            QByteArray bytes("untouched");
            const bool read = readRegularFile(path, bytes);
            return !ok && lines.isEmpty() && !read && bytes == "untouched" ? 0 : 1;
        });
        QCOMPARE(result, 0);
        // Nothing that is not a regular file is ever replaced either.
        QVERIFY(!writeCodePageLines(path, {u"x"_s}) || kind == u"missing");
        QCOMPARE(QFileInfo(path).isSymLink(), kind.startsWith(u"link") || kind.startsWith(u'/'));
    }

    void namesThatAreNotUtf8()
    {
        QTemporaryDir dir;
        // A windows-1256 name (ال.txt) as an extractor leaves it.
        const QByteArray native = QFile::encodeName(dir.path()) + "/\xC7\xE1.txt";
        QVERIFY(writeRawName(native, "a\r\n"));
        const QString path = fileNameFromNative(native);
        QCOMPARE(nativeFileName(path), native);

        bool ok = false;
        QCOMPARE(readCodePageLines(path, &ok), QStringList{u"a"_s});
        QVERIFY(ok);
        QVERIFY(AppendToFile(path, u"b"_s, 25));
        QByteArray bytes;
        QVERIFY(readRegularFile(path, bytes));
        QCOMPARE(bytes, QByteArray("b\r\na\r\n"));
        // The same file was rewritten, not a new one made under a mangled name.
        QCOMPARE(ListFolderFiles(dir.path()), QStringList{u"\xDCC7\xDCE1.txt"_s});
    }
};

QTEST_GUILESS_MAIN(TestCodePage)
#include "tst_codepage.moc"
