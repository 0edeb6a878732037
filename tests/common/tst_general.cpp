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

    void missingOrEmptyFolderGivesOneEmptyName()
    {
        QTemporaryDir dir;
        QCOMPARE(ListFolderFiles(dir.path()), QStringList{QString()});
        QCOMPARE(ListFolderFiles(dir.filePath(u"none"_s)), QStringList{QString()});
    }
};

QTEST_GUILESS_MAIN(TestGeneral)
#include "tst_general.moc"
