#include "fileguards.h"
#include "listeningsettings.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray bytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool put(const QString &path, const QByteArray &content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(content) == content.size();
}

} // namespace

// The listening settings file: read leniently, rewritten whole and in place, keeping what it does
// not know.
class TestListeningSettings : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString path() const { return m_dir.filePath(u"listening.ini"_s); }

private Q_SLOTS:
    void cleanup()
    {
        QDir dir(m_dir.path());
        dir.removeRecursively();
        QVERIFY(QDir().mkpath(m_dir.path()));
    }

    void missingFileReadsAsDefaultsAndIsNotCreated()
    {
        ListeningSettings settings(path());
        QCOMPARE(settings.speed(), 1.0);
        QCOMPARE(settings.repeat(), RepeatMode::off());
        QCOMPARE(settings.value(u"sleep"_s), QString());
        QVERIFY(!QFile::exists(path()));
    }

    void valuesReadAsWritten_data()
    {
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<double>("speed");
        QTest::addColumn<QString>("repeat");
        QTest::newRow("plain") << QByteArray("speed=1.5\nrepeat=tape:3\n") << 1.5 << u"tape:3"_s;
        QTest::newRow("CR LF, spaces")
            << QByteArray("speed = 0.7\r\n  repeat =queue  \r\n") << 0.7 << u"queue"_s;
        QTest::newRow("byte order mark, no final line break")
            << QByteArray("\xEF\xBB\xBFspeed=2\nrepeat=tape") << 2.0 << u"tape"_s;
        QTest::newRow("last line counts")
            << QByteArray("speed=1.2\nspeed=1.3\nrepeat=off\n") << 1.3 << u"off"_s;
        QTest::newRow("to a tenth") << QByteArray("speed=1.26\n") << 1.3 << u"off"_s;
        // Damaged or out of range: the default, never a failure.
        QTest::newRow("too slow") << QByteArray("speed=0.4\n") << 1.0 << u"off"_s;
        QTest::newRow("too fast") << QByteArray("speed=2.01\n") << 1.0 << u"off"_s;
        QTest::newRow("not a number")
            << QByteArray("speed=fast\nrepeat=always\n") << 1.0 << u"off"_s;
        QTest::newRow("comma") << QByteArray("speed=1,5\n") << 1.0 << u"off"_s;
        QTest::newRow("not a finite number") << QByteArray("speed=nan\n") << 1.0 << u"off"_s;
        QTest::newRow("once is no repeat") << QByteArray("repeat=tape:1\n") << 1.0 << u"off"_s;
        QTest::newRow("no equals sign") << QByteArray("speed 1.5\n") << 1.0 << u"off"_s;
        QTest::newRow("binary") << QByteArray("speed=1.5\0\xff\xfe\n", 13) << 1.0 << u"off"_s;
        QTest::newRow("invalid UTF-8 elsewhere")
            << QByteArray("\xff\xfe=\xc3\nspeed=0.9\n") << 0.9 << u"off"_s;
        QTest::newRow("empty") << QByteArray() << 1.0 << u"off"_s;
    }
    void valuesReadAsWritten()
    {
        QFETCH(QByteArray, content);
        QFETCH(double, speed);
        QFETCH(QString, repeat);
        QVERIFY(put(path(), content));
        const ListeningSettings settings(path());
        QCOMPARE(settings.speed(), speed);
        QCOMPARE(settings.repeat().toText(), repeat);
    }

    void aFileTooLargeIsNotRead()
    {
        QByteArray content = "speed=1.5\n";
        content += QByteArray(ListeningSettings::kLargestFile, '#');
        QVERIFY(put(path(), content));
        QCOMPARE(ListeningSettings(path()).speed(), 1.0);
    }

    void rewritingKeepsUnknownLinesAndTheLineEnding()
    {
        const QByteArray before = "# listening\r\nsleep=30\r\nspeed=1.5\r\n\r\nno value here\r\n"
                                  "repeat=queue\r\n";
        QVERIFY(put(path(), before));
        ListeningSettings settings(path());
        QVERIFY(settings.setSpeed(0.8));
        QVERIFY(settings.setRepeat(RepeatMode::tape(5)));
        QVERIFY(settings.setValue(u"resume"_s, u"http://h/1.mp3 1200"_s));
        QCOMPARE(bytes(path()), QByteArray("# listening\r\nsleep=30\r\nspeed=0.8\r\n\r\nno value "
                                           "here\r\nrepeat=tape:5\r\nresume=http://h/1.mp3 "
                                           "1200\r\n"));
        // Nothing else is left in the folder (no temporaries).
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
                 QStringList{u"listening.ini"_s});

        const ListeningSettings again(path());
        QCOMPARE(again.speed(), 0.8);
        QCOMPARE(again.repeat(), RepeatMode::tape(5));
        QCOMPARE(again.value(u"sleep"_s), u"30"_s);
        QCOMPARE(again.value(u"resume"_s), u"http://h/1.mp3 1200"_s);
    }

    void aNewFileHasPlainLines()
    {
        ListeningSettings settings(path());
        QVERIFY(settings.setRepeat(RepeatMode::queue()));
        QVERIFY(settings.setSpeed(1.25));
        QCOMPARE(bytes(path()), QByteArray("repeat=queue\nspeed=1.3\n"));
    }

    void onlyAChangeIsWritten()
    {
        QVERIFY(put(path(), "speed = 1.50\nrepeat = tape\n"));
        ListeningSettings settings(path());
        // The same values, written otherwise, are left alone.
        QVERIFY(settings.setSpeed(1.5));
        QVERIFY(settings.setRepeat(RepeatMode::tape()));
        QVERIFY(settings.setValue(u"repeat"_s, u" tape "_s));
        QCOMPARE(bytes(path()), QByteArray("speed = 1.50\nrepeat = tape\n"));
    }

    void badKeysAndValuesAreRefused()
    {
        ListeningSettings settings(path());
        QVERIFY(!settings.setValue(QString(), u"1"_s));
        QVERIFY(!settings.setValue(u"a=b"_s, u"1"_s));
        QVERIFY(!settings.setValue(u"key"_s, u"two\nlines"_s));
        QVERIFY(!settings.setValue(u"key"_s, u"a\rb"_s));
        QVERIFY(!QFile::exists(path()));
    }

    void aFailedWriteLeavesTheFileAsItWas()
    {
        const QByteArray before = "speed=1.5\n" + QByteArray(2000, '#') + '\n';
        QVERIFY(put(path(), before));
        ListeningSettings settings(path());
        bool limited = false;
        bool written = true;
        {
            const FileSizeLimit limit(1024); // the disk is full
            limited = limit.active();
            written = settings.setSpeed(0.6);
        }
        QVERIFY(limited);
        QVERIFY(!written);
        QCOMPARE(bytes(path()), before);
        QCOMPARE(settings.speed(), 0.6); // the choice holds for this run
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);

        // A folder where the file should be is never replaced.
        QVERIFY(QFile::remove(path()));
        QVERIFY(QDir().mkpath(path()));
        ListeningSettings folder(path());
        QCOMPARE(folder.speed(), 1.0);
        QVERIFY(!folder.setSpeed(1.1));
        QVERIFY(QFileInfo(path()).isDir());
    }
};

QTEST_GUILESS_MAIN(TestListeningSettings)
#include "tst_listeningsettings.moc"
