#include "codepage.h"
#include "fileguards.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestAppendToFile : public QObject
{
    Q_OBJECT

    static QByteArray bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

private Q_SLOTS:
    void newLineFirstEqualLinesDroppedBoundKept_data()
    {
        QTest::addColumn<QByteArray>("before"); // empty: no file
        QTest::addColumn<QString>("line");
        QTest::addColumn<int>("bound");
        QTest::addColumn<QByteArray>("after");
        QTest::addRow("created") << QByteArray() << u"a"_s << 25 << QByteArray("a\r\n");
        QTest::addRow("on top") << QByteArray("b\r\nc\r\n") << u"a"_s << 25
                                << QByteArray("a\r\nb\r\nc\r\n");
        QTest::addRow("moved to the top")
            << QByteArray("b\r\na\r\nc\r\n") << u"a"_s << 25 << QByteArray("a\r\nb\r\nc\r\n");
        QTest::addRow("bound") << QByteArray("b\r\nc\r\nd\r\n") << u"a"_s << 2
                               << QByteArray("a\r\nb\r\nc\r\n");
        QTest::addRow("bound counts kept lines only")
            << QByteArray("a\r\nb\r\nc\r\n") << u"a"_s << 2 << QByteArray("a\r\nb\r\nc\r\n");
        QTest::addRow("no bound still drops equals")
            << QByteArray("a\r\nb\r\na\r\n") << u"a"_s << 0 << QByteArray("a\r\nb\r\n");
        QTest::addRow("compared exactly")
            << QByteArray("a \r\nA\r\n") << u"a"_s << -1 << QByteArray("a\r\na \r\nA\r\n");
        QTest::addRow("blank lines kept")
            << QByteArray("\r\nb\r\n") << u"a"_s << 25 << QByteArray("a\r\n\r\nb\r\n");
        QTest::addRow("arabic, lone LF ends")
            << QByteArray("\xC7\n\xE1\n") << u"ب"_s << 25 << QByteArray("\xC8\r\n\xC7\r\n\xE1\r\n");
    }

    void newLineFirstEqualLinesDroppedBoundKept()
    {
        QFETCH(QByteArray, before);
        QFETCH(QString, line);
        QFETCH(int, bound);
        QFETCH(QByteArray, after);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"last.txt"_s);
        if (!before.isEmpty()) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(before);
        }
        QVERIFY(AppendToFile(path, line, bound));
        QCOMPARE(bytes(path), after);
        // Only the file itself is left in its folder: no temporary copy anywhere near it.
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"last.txt"_s});
    }

    void failedWriteLosesNothing()
    {
        QTemporaryDir dir;
        // A folder where the file should be: unreadable as a file, so nothing may be replaced.
        const QString path = dir.filePath(u"last.txt"_s);
        QVERIFY(QDir(dir.path()).mkdir(u"last.txt"_s));
        QVERIFY(!AppendToFile(path, u"a"_s, 25));
        QVERIFY(QFileInfo(path).isDir());
        // A file in a folder that does not exist cannot be created, and says so.
        QVERIFY(!AppendToFile(dir.filePath(u"none/last.txt"_s), u"a"_s, 25));
    }

    void lineBreaksNeverReachTheFile()
    {
        // A pasted text that kept its line break would come back as two dead lines.
        QTemporaryDir dir;
        const QString path = dir.filePath(u"last.txt"_s);
        QVERIFY(AppendToFile(path, u"a"_s, 25));
        for (const QString &broken : {u"b\nc"_s, u"b\r\nc"_s, u"b\r"_s})
            QVERIFY(!AppendToFile(path, broken, 25));
        QVERIFY(!writeCodePageLines(path, {u"x"_s, u"y\nz"_s}));
        QCOMPARE(bytes(path), QByteArray("a\r\n"));
    }

    void fullDiskKeepsTheOldLines()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"last.txt"_s);
        const QByteArray old("b\r\nc\r\n");
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write(old);
        }
        bool limited = false;
        bool appended = true;
        {
            // Only the call under test runs under the limit: the test log may be a file too.
            const FileSizeLimit limit(1024);
            limited = limit.active();
            appended = AppendToFile(path, QString(3000, u'a'), 25);
        }
        QVERIFY(limited);
        QVERIFY(!appended);
        QCOMPARE(bytes(path), old);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"last.txt"_s});
    }

    void specialFileNeverReplaced_data()
    {
        QTest::addColumn<QString>("target"); // what last.txt links to; empty: it is a FIFO
        QTest::newRow("FIFO") << QString();
        QTest::newRow("link to an endless device") << u"/dev/zero"_s;
        QTest::newRow("dangling link") << u"gone.txt"_s;
    }

    void specialFileNeverReplaced()
    {
        QFETCH(QString, target);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"last.txt"_s);
        QVERIFY(target.isEmpty() ? makeFifo(path) : makeLink(target, path));
        const int result = runInChild([&path] { return AppendToFile(path, u"a"_s, 25) ? 1 : 0; });
        QCOMPARE(result, 0);
        const QFileInfo info(path);
        QCOMPARE(info.isSymLink(), !target.isEmpty());
        if (!target.isEmpty())
            QCOMPARE(info.symLinkTarget(), QFileInfo(QDir(dir.path()), target).absoluteFilePath());
        QVERIFY(!QFileInfo::exists(dir.filePath(u"gone.txt"_s)));
    }
};

QTEST_GUILESS_MAIN(TestAppendToFile)
#include "tst_appendtofile.moc"
