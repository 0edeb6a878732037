#include "appfolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTest>

#include <sys/mount.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

} // namespace

// Which folder the programs keep their files in, and how an installed copy's folder is made and
// filled from the installed sample without ever losing what the user changed.
class TestAppFolder : public QObject
{
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> m_root;

    QString at(const QString &name) const { return m_root->filePath(name); }
    // An executable folder (bin/), a data home not made yet, and a sample like the installed one.
    AppFolderPlaces places() const
    {
        return {at(u"bin"_s), at(u"home/.local/share"_s), at(u"share/marvoli"_s), {}};
    }
    QString data(const QString &name) const { return at(u"home/.local/share/marvoli/"_s + name); }

private Q_SLOTS:
    void init()
    {
        m_root = std::make_unique<QTemporaryDir>();
        QVERIFY(QDir().mkpath(at(u"bin"_s)));
        QVERIFY(writeFile(at(u"share/marvoli/DB/01-quran.txt"_s), "sample quran\r\n"));
        QVERIFY(writeFile(at(u"share/marvoli/DB/02-lessons.txt"_s), "sample lessons\r\n"));
        QVERIFY(writeFile(at(u"share/marvoli/updtinfos"_s), "[update]\r\n0\r\n"));
        QVERIFY(QDir().mkpath(at(u"share/marvoli/empty"_s)));
    }

    void portableBesideTheExecutable()
    {
        QVERIFY(QDir().mkpath(at(u"bin/DB"_s)));
        const AppFolder folder = chooseAppFolder(places());
        QVERIFY(folder.ready());
        QVERIFY(!folder.installed());
        QCOMPARE(folder.path, at(u"bin"_s));
        // A portable copy leaves the user's data folder alone.
        QVERIFY(!QFileInfo::exists(at(u"home"_s)));
    }

    void installedWhenThePortableFolderWillNotDo_data()
    {
        QTest::addColumn<bool>("hasDb");
        QTest::addColumn<QString>("readOnly"); // the folder the injected check calls unwritable
        QTest::newRow("no DB folder") << false << QString();
        QTest::newRow("executable folder not writable") << true << u"bin"_s;
        QTest::newRow("DB folder not writable") << true << u"bin/DB"_s;
    }
    void installedWhenThePortableFolderWillNotDo()
    {
        QFETCH(bool, hasDb);
        QFETCH(QString, readOnly);
        if (hasDb)
            QVERIFY(QDir().mkpath(at(u"bin/DB"_s)));
        AppFolderPlaces where = places();
        const QString unwritable = readOnly.isEmpty() ? QString() : at(readOnly);
        where.writable = [&](const QString &folder) {
            return folder != unwritable;
        };

        const AppFolder folder = chooseAppFolder(where);
        QVERIFY2(folder.ready(), qPrintable(folder.error));
        QVERIFY(folder.installed());
        QCOMPARE(folder.path, at(u"home/.local/share/marvoli"_s));
        // Seeded from the sample: every file and folder, bytes unchanged.
        QCOMPARE(readFile(data(u"DB/01-quran.txt"_s)), "sample quran\r\n");
        QCOMPARE(readFile(data(u"DB/02-lessons.txt"_s)), "sample lessons\r\n");
        QCOMPARE(readFile(data(u"updtinfos"_s)), "[update]\r\n0\r\n");
        QVERIFY(QFileInfo(data(u"empty"_s)).isDir());
        QVERIFY(!QFileInfo::exists(at(u"bin/config.ini"_s)));
    }

    void aReadOnlyFolderOnDisk()
    {
        // The file system's own answer. Root may write anywhere but on a read-only mount: where
        // the test has a mount namespace of its own, the folder is bound onto itself read-only.
        QVERIFY(QDir().mkpath(at(u"bin/DB"_s)));
        const QByteArray bin = at(u"bin"_s).toUtf8();
        const bool privateMounts = qEnvironmentVariable("MARVOLI_PRIVATE_MOUNTS") == u"1"_s;
        if (geteuid() == 0) {
            if (!privateMounts)
                QSKIP("running as root without a mount namespace of its own: every folder is "
                      "writable (tst_appfolder_readonly runs it with one)");
            QVERIFY(::mount(bin.constData(), bin.constData(), nullptr, MS_BIND, nullptr) == 0);
            QVERIFY(::mount(nullptr, bin.constData(), nullptr, MS_BIND | MS_REMOUNT | MS_RDONLY,
                            nullptr) == 0);
        } else {
            QVERIFY(QFile::setPermissions(at(u"bin"_s), QFile::ReadOwner | QFile::ExeOwner));
        }
        const AppFolder folder = chooseAppFolder(places());
        if (geteuid() == 0)
            QVERIFY(::umount2(bin.constData(), MNT_DETACH) == 0);
        else
            QFile::setPermissions(at(u"bin"_s),
                                  QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(folder.ready());
        QVERIFY(folder.installed());
    }

    void laterStartsKeepTheUsersFiles()
    {
        QVERIFY(chooseAppFolder(places()).ready());
        // The user edits a catalogue file, deletes another, saves settings; a package update
        // brings a new sample file and changes an old one.
        QVERIFY(writeFile(data(u"DB/01-quran.txt"_s), "my edits\r\n"));
        QVERIFY(QFile::remove(data(u"DB/02-lessons.txt"_s)));
        QVERIFY(writeFile(data(u"config.ini"_s), "mine"));
        QVERIFY(writeFile(data(u"updtinfos"_s), "[update]\r\n7\r\n"));
        QVERIFY(writeFile(at(u"share/marvoli/DB/01-quran.txt"_s), "newer sample\r\n"));
        QVERIFY(writeFile(at(u"share/marvoli/DB/03-other.txt"_s), "new sample file\r\n"));

        const AppFolder again = chooseAppFolder(places());
        QVERIFY(again.ready());
        QCOMPARE(readFile(data(u"DB/01-quran.txt"_s)), "my edits\r\n");
        QCOMPARE(readFile(data(u"config.ini"_s)), "mine");
        QCOMPARE(readFile(data(u"updtinfos"_s)), "[update]\r\n7\r\n");
        QCOMPARE(readFile(data(u"DB/03-other.txt"_s)), "new sample file\r\n");
        // What is missing comes back from the sample.
        QCOMPARE(readFile(data(u"DB/02-lessons.txt"_s)), "sample lessons\r\n");
        // No temporary of the copies stayed behind.
        QCOMPARE(QDir(data(u"DB"_s)).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"01-quran.txt"_s, u"02-lessons.txt"_s, u"03-other.txt"_s}));

        // A folder of the user's in a sample file's place stays too.
        QVERIFY(QFile::remove(data(u"updtinfos"_s)));
        QVERIFY(QDir().mkpath(data(u"updtinfos"_s)));
        QVERIFY(chooseAppFolder(places()).ready());
        QVERIFY(QFileInfo(data(u"updtinfos"_s)).isDir());
    }

    void failuresAreReported_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("named"); // the path the message must name
        QTest::newRow("a file in the data folder's place") << u"file"_s << u"marvoli"_s;
        QTest::newRow("a file in DB's place") << u"db"_s << u"DB"_s;
        QTest::newRow("no sample and no folder yet") << u"nosample"_s << u"share/marvoli"_s;
    }
    void failuresAreReported()
    {
        QFETCH(QString, damage);
        QFETCH(QString, named);
        if (damage == u"file"_s) {
            QVERIFY(writeFile(at(u"home/.local/share/marvoli"_s), "not a folder"));
        } else if (damage == u"db"_s) {
            QVERIFY(writeFile(data(u"DB"_s), "not a folder"));
        } else {
            QVERIFY(QDir(at(u"share"_s)).removeRecursively());
        }
        const AppFolder folder = chooseAppFolder(places());
        QVERIFY(!folder.ready());
        QVERIFY(folder.installed());
        QVERIFY2(folder.error.contains(named), qPrintable(folder.error));
        QVERIFY(folder.error.contains(u"تعذر"_s));
    }

    void aMadeFolderServesWithoutTheSample()
    {
        QVERIFY(chooseAppFolder(places()).ready());
        QVERIFY(QDir(at(u"share"_s)).removeRecursively());
        const AppFolder folder = chooseAppFolder(places());
        QVERIFY(folder.ready());
        QCOMPARE(readFile(data(u"DB/01-quran.txt"_s)), "sample quran\r\n");
    }

    void theRunningProgramsPlaces()
    {
        // bin/ and share/marvoli are siblings below the prefix; the data home is the XDG one.
        qputenv("XDG_DATA_HOME", at(u"xdg"_s).toUtf8());
        const AppFolderPlaces where = systemAppFolderPlaces();
        qunsetenv("XDG_DATA_HOME");
        QCOMPARE(where.dataHome, at(u"xdg"_s));
        const QDir bin(where.executableFolder);
        QCOMPARE(where.sampleFolder, QDir::cleanPath(bin.filePath(u"../share/marvoli"_s)));
        QVERIFY(where.writable);
    }
};

QTEST_MAIN(TestAppFolder)
#include "tst_appfolder.moc"
