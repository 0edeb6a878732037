#include "cabfile.h"
#include "fileguards.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <utility>

using namespace Qt::Literals::StringLiterals;

namespace {

using Files = QList<std::pair<QString, QByteArray>>;

// Bytes that differ from file to file and do not repeat within 64 KB, so that a block of a big
// file is never mistaken for another.
QByteArray content(int seed, int size)
{
    QByteArray bytes(size, Qt::Uninitialized);
    quint32 x = quint32(seed) * 2654435761u + 1;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        bytes[i] = char('a' + (x >> 16) % 26);
    }
    return bytes;
}

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

// Every file below root (hidden ones included), as sorted relative paths.
QStringList filesBelow(const QString &root)
{
    QStringList found;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        found.append(QDir(root).relativeFilePath(it.next()));
    found.sort();
    return found;
}

// Writes the files below dir/src and packs them with gcab, run from there so that "sub/a.txt" is
// stored as "sub\a.txt", their times set to stamp when given. Returns the cabinet's path, or
// nothing when gcab failed.
QString makeCab(const QTemporaryDir &dir, const Files &files, bool compress,
                const QDateTime &stamp = {})
{
    const QString src = dir.filePath(u"src"_s);
    QStringList args{compress ? u"-cz"_s : u"-c"_s, dir.filePath(u"t.cab"_s)};
    for (const auto &[path, bytes] : files) {
        if (!writeFile(src + u'/' + path, bytes))
            return {};
        QFile file(src + u'/' + path);
        if (stamp.isValid() && (!file.open(QIODevice::ReadWrite) ||
                                !file.setFileTime(stamp, QFileDevice::FileModificationTime)))
            return {};
        args.append(path);
    }
    QProcess gcab;
    gcab.setWorkingDirectory(src);
    gcab.start(u"gcab"_s, args);
    if (!gcab.waitForFinished() || gcab.exitCode() != 0)
        return {};
    return dir.filePath(u"t.cab"_s);
}

// Replaces the first occurrence of from (a stored name, or part of one) by to, of the same length.
bool patch(const QString &cab, const QByteArray &from, const QByteArray &to)
{
    QByteArray bytes = readFile(cab);
    const qsizetype at = bytes.indexOf(from);
    if (at < 0 || from.size() != to.size())
        return false;
    bytes.replace(at, to.size(), to);
    return writeFile(cab, bytes);
}

} // namespace

#define REQUIRE_GCAB()                                                                             \
    if (QStandardPaths::findExecutable(u"gcab"_s).isEmpty())                                       \
    QSKIP("gcab is not installed")

class TestCabFile : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pathHelpers()
    {
        QCOMPARE(CabPath::AddBackslash(QString()), u"\\"_s);
        QCOMPARE(CabPath::SplitPath(u"a.txt").folder, QString());

        QTemporaryDir dir;
        QVERIFY(CabPath::MakePath(dir.filePath(u"x/y/z/"_s)));
        QVERIFY(QFileInfo(dir.filePath(u"x/y/z"_s)).isDir());
        QVERIFY(CabPath::MakePath(dir.filePath(u"x/y"_s))); // already there
        QVERIFY(!CabPath::MakePath(QString()));
        QVERIFY(writeFile(dir.filePath(u"file"_s), "x"));
        QVERIFY(!CabPath::MakePath(dir.filePath(u"file/below"_s)));
    }

    void noCabName()
    {
        CabFile cab;
        QSignalSpy failed(&cab, &CabFile::ExtractFailed);
        QVERIFY(!cab.Extract());
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][0].toInt(), CabFile::CabNameNotSet);
        QCOMPARE(cab.lastError(), qint32(-2147219548));
        QCOMPARE(cab.lastErrorText(), u"You must set the CabName property before taking any action "
                                      u"on the CabFile object."_s);
        QCOMPARE(cab.FileCount(), -1);
        QCOMPARE(cab.lastErrorSource(), u"CabFile"_s);
        QVERIFY(!cab.GetInfo());
        QCOMPARE(cab.lastErrorSource(), u"CabFile.GetInfo"_s);
        QVERIFY(cab.GetXML().isEmpty());
        QCOMPARE(cab.lastErrorSource(), u"CabFile.GetXML"_s);
    }

    void extractAll_data()
    {
        QTest::addColumn<bool>("compress");
        QTest::addRow("stored") << false;
        QTest::addRow("compressed") << true;
    }

    void extractAll()
    {
        REQUIRE_GCAB();
        QFETCH(bool, compress);
        QTemporaryDir dir;
        const Files files{{u"top.txt"_s, "top"},
                          {u"sub/a.txt"_s, content(1, 100)},
                          {u"sub/deeper/big.bin"_s, content(2, 100000)},
                          {u"سورة الفاتحة.txt"_s, "\xD8\xA7"}};
        CabFile cab;
        cab.setCabName(makeCab(dir, files, compress));
        QVERIFY(!cab.CabName().isEmpty());
        QCOMPARE(cab.FileCount(), 4);
        QCOMPARE(cab.FileCount(), 4); // counted afresh, not added up

        QStringList events;
        connect(&cab, &CabFile::BeforeExtract, this,
                [&](const QString &name, bool *) { events << u"before "_s + name; });
        connect(&cab, &CabFile::AfterExtract, this,
                [&](const QString &path) { events << u"after "_s + path; });
        const QString out = dir.filePath(u"out/new"_s);
        QVERIFY(cab.Extract({}, out, {}));

        QStringList expectedEvents, expectedFiles;
        for (const auto &[path, bytes] : files) {
            QCOMPARE(readFile(out + u'/' + path), bytes);
            expectedEvents << u"before "_s + QString(path).replace(u'/', u'\\')
                           << u"after "_s + out + u'/' + path;
            expectedFiles << path;
        }
        QCOMPARE(events, expectedEvents);
        expectedFiles.sort();
        QCOMPARE(filesBelow(out), expectedFiles); // no temporary file left behind
    }

    void extractSelected()
    {
        REQUIRE_GCAB();
        QTemporaryDir dir;
        CabFile cab;
        cab.setCabName(makeCab(dir, {{u"top.txt"_s, "top"}, {u"sub/a.txt"_s, "a"}}, true));
        QVERIFY(!cab.CabName().isEmpty());
        QSignalSpy after(&cab, &CabFile::AfterExtract);

        // The full name is compared, without regard to case; the name alone selects nothing.
        QVERIFY(cab.Extract(u"SUB\\A.TXT"_s, dir.filePath(u"one"_s), {}));
        QCOMPARE(filesBelow(dir.filePath(u"one"_s)), QStringList{u"sub/a.txt"_s});
        QVERIFY(cab.Extract(u"a.txt"_s, dir.filePath(u"none"_s), {}));
        QVERIFY(!QFileInfo::exists(dir.filePath(u"none"_s)));

        // A given output name replaces the stored name and its folders.
        QVERIFY(cab.Extract(u"sub\\a.txt"_s, dir.filePath(u"renamed"_s), u"b.txt"_s));
        QCOMPARE(filesBelow(dir.filePath(u"renamed"_s)), QStringList{u"b.txt"_s});
        QCOMPARE(after.last()[0].toString(), dir.filePath(u"renamed/b.txt"_s));

        // Without an output folder the files go next to the cabinet, replacing older ones.
        QVERIFY(writeFile(dir.filePath(u"top.txt"_s), "older content"));
        after.clear();
        QVERIFY(cab.Extract());
        QCOMPARE(readFile(dir.filePath(u"top.txt"_s)), "top");
        QCOMPARE(readFile(dir.filePath(u"sub/a.txt"_s)), "a");
        QCOMPARE(after.size(), 2);

        // A cancelled entry is left alone and not reported as written.
        connect(&cab, &CabFile::BeforeExtract, this,
                [](const QString &name, bool *cancel) { *cancel = name == u"top.txt"_s; });
        after.clear();
        QVERIFY(cab.Extract({}, dir.filePath(u"cancel"_s), {}));
        QCOMPARE(filesBelow(dir.filePath(u"cancel"_s)), QStringList{u"sub/a.txt"_s});
        QCOMPARE(after.size(), 1);
    }

    void manyFiles()
    {
        REQUIRE_GCAB();
        QTemporaryDir dir;
        Files files;
        for (int i = 0; i < 200; ++i)
            files.append({u"d%1/f%2.txt"_s.arg(i % 7).arg(i), content(i, 50 + i * 13)});
        CabFile cab;
        cab.setCabName(makeCab(dir, files, true));
        QVERIFY(!cab.CabName().isEmpty());
        QCOMPARE(cab.FileCount(), 200);
        QVERIFY(cab.Extract({}, dir.filePath(u"out"_s), {}));
        QCOMPARE(filesBelow(dir.filePath(u"out"_s)).size(), 200);
        for (const auto &[path, bytes] : files)
            QCOMPARE(readFile(dir.filePath(u"out/"_s + path)), bytes);
    }

    void infoAndXml()
    {
        REQUIRE_GCAB();
        QTemporaryDir dir;
        const QDateTime stamp(QDate(2021, 3, 4), QTime(5, 6, 8));
        CabFile cab;
        cab.setCabName(makeCab(dir, {{u"sub/a.txt"_s, "hello world!"}, {u"it's&<x>.txt"_s, "q"}},
                               false, stamp));
        QVERIFY(!cab.CabName().isEmpty());

        QSignalSpy found(&cab, &CabFile::FileFound);
        QVERIFY(cab.GetInfo());
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[0][0].toString(), u"a.txt"_s);
        QCOMPARE(found[0][2].toInt(), 12);
        QCOMPARE(found[0][3].toString(), u"sub\\"_s);
        QCOMPARE(found[0][1].toDateTime(), stamp); // as stored, no time zone applied
        QCOMPARE(found[1][0].toString(), u"it's&<x>.txt"_s);
        QCOMPARE(found[1][3].toString(), QString());
        found.clear();
        QVERIFY(cab.GetInfo(u"SUB\\a.txt"_s));
        QCOMPARE(found.size(), 1);
        QVERIFY(cab.GetInfo(u"a.txt"_s)); // the name alone is not the full name
        QCOMPARE(found.size(), 1);

        const QString subA = u"<FILE><FULLNAME>sub\\a.txt</FULLNAME><NAME>a.txt</NAME>"
                             u"<DATE>2021-03-04 05:06:08</DATE><SIZE>12</SIZE><PATH>sub\\</PATH>"
                             u"</FILE>\r\n"_s;
        const QString head =
            u"<?xml version=\"1.0\"?><CABFILE CABFILENAME = '"_s + cab.CabName() + u"'><FILES>"_s;
        QCOMPARE(cab.GetXML(u"A.TXT"_s), head + subA + u"</FILES></CABFILE>"_s);
        QVERIFY(cab.GetXML().contains(u"<NAME>it's&<x>.txt</NAME>"_s)); // not escaped
    }

    void codePageName()
    {
        REQUIRE_GCAB();
        QTemporaryDir dir;
        CabFile cab;
        cab.setCabName(makeCab(dir, {{u"xy.txt"_s, "z"}}, false));
        // A name without the UTF-8 mark is in windows-1256: 0xC7 0xE1 is alef lam.
        QVERIFY(patch(cab.CabName(), "xy.txt", "\xC7\xE1.txt"));
        QSignalSpy found(&cab, &CabFile::FileFound);
        QVERIFY(cab.GetInfo());
        QCOMPARE(found[0][0].toString(), u"\u0627\u0644.txt"_s);
        QVERIFY(cab.Extract({}, dir.filePath(u"out"_s), {}));
        QCOMPARE(readFile(dir.filePath(u"out/\u0627\u0644.txt"_s)), "z");
    }

    void unreadableCabinet()
    {
        QTemporaryDir dir;
        QVERIFY(writeFile(dir.filePath(u"text.cab"_s), content(3, 5000)));
        const std::pair<QString, qint32> cases[] = {{dir.filePath(u"missing.cab"_s), 2},
                                                    {dir.filePath(u"no/such.cab"_s), 3},
                                                    {dir.filePath(u"text.cab"_s), 13},
                                                    {dir.path(), 5}};
        for (const auto &[path, number] : cases) {
            CabFile cab;
            cab.setCabName(path);
            QCOMPARE(cab.FileCount(), -1);
            QCOMPARE(cab.lastError(), number);
            QVERIFY(!cab.GetInfo());
            QCOMPARE(cab.lastErrorSource(), u"CabFile.GetInfo"_s);
            QVERIFY(!cab.Extract({}, dir.filePath(u"out"_s), {}));
            QVERIFY(!QFileInfo::exists(dir.filePath(u"out"_s)));
        }
    }

    void damagedCabinet_data()
    {
        QTest::addColumn<bool>("compress");
        QTest::addColumn<bool>("truncate");
        QTest::addRow("stored, truncated") << false << true;
        QTest::addRow("stored, corrupt") << false << false;
        QTest::addRow("compressed, truncated") << true << true;
        QTest::addRow("compressed, corrupt") << true << false;
    }

    void damagedCabinet()
    {
        REQUIRE_GCAB();
        QFETCH(bool, compress);
        QFETCH(bool, truncate);
        QTemporaryDir dir;
        CabFile cab;
        cab.setCabName(
            makeCab(dir, {{u"first.txt"_s, "1"}, {u"big.bin"_s, content(4, 200000)}}, compress));
        QVERIFY(!cab.CabName().isEmpty());
        // The damage lies in the last data block: earlier blocks are already written by then.
        QByteArray bytes = readFile(cab.CabName());
        if (truncate) {
            bytes.chop(1000);
        } else {
            for (qsizetype i = bytes.size() - 1000; i < bytes.size() - 990; ++i)
                bytes[i] = char(~bytes[i]);
        }
        QVERIFY(writeFile(cab.CabName(), bytes));
        const QString out = dir.filePath(u"out"_s);
        QVERIFY(writeFile(out + u"/big.bin"_s, "previous version"));

        QSignalSpy failed(&cab, &CabFile::ExtractFailed);
        QVERIFY(!cab.Extract({}, out, {}));
        QVERIFY2(cab.lastError() == 13 || cab.lastError() == 23, qPrintable(cab.lastErrorText()));
        QCOMPARE(failed.size(), 1);
        QCOMPARE(failed[0][1].toString(), cab.lastErrorText());
        QCOMPARE(filesBelow(out), (QStringList{u"big.bin"_s, u"first.txt"_s}));
        QCOMPARE(readFile(out + u"/big.bin"_s), "previous version");
    }

    void hostileNames_data()
    {
        QTest::addColumn<QByteArray>("stored");
        QTest::addColumn<QByteArray>("patched");
        QTest::addRow("parent") << QByteArray("aa\\b.txt") << QByteArray("..\\b.txt");
        QTest::addRow("parent further in")
            << QByteArray("sub\\aa\\aa\\e.txt") << QByteArray("sub\\..\\..\\e.txt");
        QTest::addRow("root") << QByteArray("xmarvoli-cab\\c.txt")
                              << QByteArray("\\marvoli-cab\\c.txt");
        QTest::addRow("slash root")
            << QByteArray("xmarvoli-cab\\c.txt") << QByteArray("/marvoli-cab\\c.txt");
        QTest::addRow("drive") << QByteArray("zz\\d.txt") << QByteArray("C:\\d.txt");
    }

    void hostileNames()
    {
        REQUIRE_GCAB();
        QFETCH(QByteArray, stored);
        QFETCH(QByteArray, patched);
        QTemporaryDir dir;
        CabFile cab;
        const QString storedPath = QString::fromLatin1(stored).replace(u'\\', u'/');
        cab.setCabName(makeCab(dir, {{u"first.txt"_s, "1"}, {storedPath, "evil"}}, false));
        QVERIFY(patch(cab.CabName(), stored, patched));
        const QStringList before = filesBelow(dir.path());

        QVERIFY(!cab.Extract({}, dir.filePath(u"a/b/out"_s), {}));
        QCOMPARE(cab.lastError(), 123);
        QCOMPARE(cab.lastErrorText(),
                 u"The filename, directory name, or volume label syntax is incorrect."_s);
        // Refused before anything was written, inside the output folder or out of it.
        QCOMPARE(filesBelow(dir.path()), before);
        QVERIFY(!QFileInfo::exists(u"/marvoli-cab"_s));

        // An entry not selected does not matter.
        QVERIFY(cab.Extract(u"first.txt"_s, dir.filePath(u"a/b/out"_s), {}));
        QCOMPARE(filesBelow(dir.filePath(u"a/b/out"_s)), QStringList{u"first.txt"_s});
    }

    void writeFailures()
    {
        REQUIRE_GCAB();
        QTemporaryDir dir;
        CabFile cab;
        cab.setCabName(makeCab(dir,
                               {{u"top.txt"_s, "top"},
                                {u"sub/a.txt"_s, "a"},
                                {u"big.bin"_s, content(5, 90000)},
                                {u"small.bin"_s, content(6, 3000)}},
                               true));
        QVERIFY(!cab.CabName().isEmpty());

        // A full disk: the entry being written is removed.
        {
            const QString out = dir.filePath(u"full"_s);
            FileSizeLimit limit(40000);
            QVERIFY(limit.active());
            QVERIFY(!cab.Extract({}, out, {}));
            QCOMPARE(cab.lastError(), 112);
            QCOMPARE(filesBelow(out), (QStringList{u"sub/a.txt"_s, u"top.txt"_s}));
        }
        // The same when the file is short enough to be written out only as it is closed.
        {
            const QString out = dir.filePath(u"full2"_s);
            FileSizeLimit limit(1000);
            QVERIFY(!cab.Extract(u"small.bin"_s, out, {}));
            QCOMPARE(cab.lastError(), 112);
            QCOMPARE(filesBelow(out), QStringList());
        }
        // A folder where the file should go.
        const QString blocked = dir.filePath(u"blocked"_s);
        QVERIFY(QDir().mkpath(blocked + u"/big.bin"_s));
        QVERIFY(!cab.Extract({}, blocked, {}));
        QCOMPARE(cab.lastError(), 5);
        QCOMPARE(filesBelow(blocked), (QStringList{u"sub/a.txt"_s, u"top.txt"_s}));

        // A file where a folder should go: that entry is passed over.
        const QString noFolder = dir.filePath(u"nofolder"_s);
        QVERIFY(writeFile(noFolder + u"/sub"_s, "in the way"));
        QVERIFY(cab.Extract({}, noFolder, {}));
        QCOMPARE(filesBelow(noFolder),
                 (QStringList{u"big.bin"_s, u"small.bin"_s, u"sub"_s, u"top.txt"_s}));
    }
};

QTEST_GUILESS_MAIN(TestCabFile)
#include "tst_cabfile.moc"
