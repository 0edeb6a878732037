#include "fileplacement.h"
#include "updatefixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

using UpdateFixture::readFile;
using UpdateFixture::writeFile;

// Placing an update's files all together or not at all: after a failure, a roll-back or a crash
// at any step, the folder holds either every old file or every new one, and nothing else.
class TestFilePlacement : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_dir;

    QString app(const QString &name) const { return m_dir->filePath(name); }
    // Two files replace old ones (one in DB/), one is new; their unpacked copies are in Updates/.
    QList<FilePlacement::File> prepare()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        writeFile(app(u"updtinfos"_s), "[update]\r\n5\r\nhttp://h/u\r\nhttp://h/#.cab\r\n");
        writeFile(app(u"DB/links-a.txt"_s), "old a");
        writeFile(app(u"readme.txt"_s), "old readme");
        QList<FilePlacement::File> files;
        for (const auto &[name, target] : {std::pair{u"links-a.txt"_s, u"DB/links-a.txt"_s},
                                           {u"readme.txt"_s, u"readme.txt"_s},
                                           {u"links-new.txt"_s, u"DB/links-new.txt"_s}}) {
            writeFile(app(u"Updates/"_s + name), "new " + name.toUtf8());
            files.append({app(u"Updates/"_s + name), app(target)});
        }
        return files;
    }
    void verifyOld()
    {
        QCOMPARE(readFile(app(u"DB/links-a.txt"_s)), "old a");
        QCOMPARE(readFile(app(u"readme.txt"_s)), "old readme");
        QVERIFY(!QFile::exists(app(u"DB/links-new.txt"_s)));
        verifyNoLeftovers();
    }
    void verifyNew()
    {
        QCOMPARE(readFile(app(u"DB/links-a.txt"_s)), "new links-a.txt");
        QCOMPARE(readFile(app(u"readme.txt"_s)), "new readme.txt");
        QCOMPARE(readFile(app(u"DB/links-new.txt"_s)), "new links-new.txt");
        verifyNoLeftovers();
    }
    void verifyNoLeftovers()
    {
        const auto hidden = QDir::Files | QDir::Hidden;
        QCOMPARE(QDir(app(u"DB"_s)).entryList(hidden).filter(u"renfold"_s), QStringList());
        QCOMPARE(QDir(m_dir->path()).entryList(hidden).filter(u"renfold"_s), QStringList());
    }
    QByteArray line2() const
    {
        return readFile(app(u"updtinfos"_s)).split('\n').value(1).trimmed();
    }

private Q_SLOTS:
    void placedAndFinished()
    {
        const QList<FilePlacement::File> files = prepare();
        FilePlacement placement(m_dir->path());
        QVERIFY(placement.stage(files));
        // Staged copies are hidden until they take their places: the player reads no dot-file.
        QVERIFY(QFile::exists(app(u"DB/.links-new.txt.renfold-new"_s)));
        QVERIFY(placement.place(6));
        placement.finish();
        verifyNew();
    }

    void aFailureHalfWayPutsEverythingBack()
    {
        const QList<FilePlacement::File> files = prepare();
        // The second file's old copy cannot be kept aside: the first is already in place then.
        QVERIFY(QDir().mkpath(app(u".readme.txt.renfold-old/full"_s)));
        FilePlacement placement(m_dir->path());
        QVERIFY(placement.stage(files));
        QVERIFY(!placement.place(6));
        QVERIFY(QDir().rmdir(app(u".readme.txt.renfold-old/full"_s)));
        QVERIFY(QDir().rmdir(app(u".readme.txt.renfold-old"_s)));
        verifyOld();
    }

    void somethingElseInATargetsPlace()
    {
        QList<FilePlacement::File> files = prepare();
        QVERIFY(QDir().mkpath(app(u"DB/links-new.txt"_s)));
        FilePlacement placement(m_dir->path());
        QVERIFY(!placement.stage(files));
        QVERIFY(QFileInfo(app(u"DB/links-new.txt"_s)).isDir());
        QVERIFY(QDir().rmdir(app(u"DB/links-new.txt"_s)));
        verifyOld();
    }

    void rolledBackWhenTheNumberCannotBeRecorded()
    {
        const QList<FilePlacement::File> files = prepare();
        FilePlacement placement(m_dir->path());
        QVERIFY(placement.stage(files) && placement.place(6));
        placement.rollBack();
        verifyOld();
    }

    // What a kill at each step leaves, and what the next start makes of it.
    void recoveryAfterACrash_data()
    {
        QTest::addColumn<QString>("crash");
        QTest::addColumn<bool>("installed");
        QTest::newRow("all staged, none placed") << u"staged"_s << false;
        QTest::newRow("half placed") << u"half"_s << false;
        QTest::newRow("placed, number not recorded") << u"placed"_s << true;
        QTest::newRow("placed and recorded, kept files not removed") << u"recorded"_s << true;
        QTest::newRow("rolling back") << u"rolling back"_s << false;
    }
    void recoveryAfterACrash()
    {
        QFETCH(QString, crash);
        QFETCH(bool, installed);
        const QList<FilePlacement::File> files = prepare();
        FilePlacement placement(m_dir->path());
        QVERIFY(placement.stage(files));
        const QString journal = app(FilePlacement::journalName());
        if (crash != u"staged"_s) {
            QVERIFY(placement.place(6));
            if (crash == u"recorded"_s)
                QVERIFY(writeFile(app(u"updtinfos"_s), "[update]\r\n6\r\nhttp://h/u\r\n"));
            if (crash == u"half"_s || crash == u"rolling back"_s) {
                // The journal said "placing" while the last file had not yet moved.
                const QByteArray text = readFile(journal);
                QVERIFY(writeFile(journal, "placing" + text.mid(text.indexOf(' '))));
                QVERIFY(QFile::rename(app(u"DB/links-new.txt"_s),
                                      app(u"DB/.links-new.txt.renfold-new"_s)));
            }
            if (crash == u"rolling back"_s) // the readme already went back
                QVERIFY(QFile::rename(app(u".readme.txt.renfold-old"_s), app(u"readme.txt"_s)) ||
                        (QFile::remove(app(u"readme.txt"_s)) &&
                         QFile::rename(app(u".readme.txt.renfold-old"_s), app(u"readme.txt"_s))));
        }
        QVERIFY(FilePlacement::recover(m_dir->path(), app(u"updtinfos"_s)));
        QVERIFY(!QFile::exists(journal));
        if (installed)
            verifyNew();
        else
            verifyOld();
        QCOMPARE(line2(), installed ? "6" : "5");
    }

    void leftoversOfEarlierVersionsAreRemoved()
    {
        prepare();
        // Earlier updaters staged visible copies the player read as catalogue files.
        QVERIFY(writeFile(app(u"DB/links-b.txt.renfold-new"_s), "half"));
        QVERIFY(writeFile(app(u".readme.txt.renfold-new"_s), "half"));
        QVERIFY(FilePlacement::recover(m_dir->path(), app(u"updtinfos"_s)));
        verifyOld();
        QCOMPARE(QDir(app(u"DB"_s)).entryList(QDir::Files), (QStringList{u"links-a.txt"_s}));
    }
};

QTEST_GUILESS_MAIN(TestFilePlacement)
#include "tst_fileplacement.moc"
