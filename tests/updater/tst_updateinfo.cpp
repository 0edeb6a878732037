#include "placement.h"
#include "updateinfo.h"
#include "updateplan.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;

class TestUpdateInfo : public QObject
{
    Q_OBJECT

    static bool writeBytes(const QString &path, const QByteArray &bytes)
    {
        QFile f(path);
        return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
    }
    static QByteArray bytes(const QString &path)
    {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    static QStringList folderEntries(const QTemporaryDir &dir)
    {
        return QDir(dir.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void readsTheFileOrNamesTheFailure_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<UpdateInfoUse>("use");
        QTest::addColumn<UpdateInfoStatus>("status");
        QTest::addColumn<int>("number");
        QTest::addColumn<int>("complete");
        QTest::addColumn<QStringList>("addresses");
        QTest::addColumn<QStringList>("templates");
        const auto Offered = UpdateInfoUse::Offered;
        const QByteArray body = "http://a/i\r\nhttps://b/i\r\nhttp://c/u#.CAB\r\nhttp://d/x\r\n";
        const QStringList ab{u"http://a/i"_s, u"https://b/i"_s};
        const QStringList cd{u"http://c/u#.CAB"_s, u"http://d/x"_s};
        QTest::addRow("crlf") << "[Update]7\r\n12\r\n" + body << Offered << UpdateInfoStatus::Valid
                              << 12 << 7 << ab << cd;
        QByteArray lf = "[UPDATE]\n-3\n" + body;
        lf.replace("\r\n", "\n");
        QTest::addRow("lf, no complete")
            << lf << Offered << UpdateInfoStatus::Valid << -3 << -1 << ab << cd;
        QTest::addRow("complete field ends at the next ]")
            << "update] 9 ]x]\r\n1\r\n" + body << Offered << UpdateInfoStatus::Valid << 1 << 9 << ab
            << cd;
        QTest::addRow("non-numeric complete") << "update]nine\r\n1\r\n" + body << Offered
                                              << UpdateInfoStatus::Valid << 1 << -1 << ab << cd;
        QTest::addRow("line 3 is an address and the first template")
            << QByteArray("update]\r\n1\r\nhttp://a/1.cab\r\nhttp://b/i\r\nhttp://c/#.cab\r\n")
            << Offered << UpdateInfoStatus::Valid << 1 << -1
            << QStringList{u"http://a/1.cab"_s, u"http://b/i"_s}
            << QStringList{u"http://a/1.cab"_s, u"http://b/i"_s, u"http://c/#.cab"_s};
        QTest::addRow("non-web lines dropped")
            << QByteArray("update]\r\n1\r\nfile:///etc/i\r\n\r\nhttp://a/i\r\n/tmp/x.cab\r\n"
                          "ftp://b/#.cab\r\nhttp://#.c/u.cab\r\nHTTPS://d/#.cab\r\n")
            << Offered << UpdateInfoStatus::Valid << 1 << -1 << QStringList{u"http://a/i"_s}
            << QStringList{u"http://#.c/u.cab"_s, u"HTTPS://d/#.cab"_s};
        QTest::addRow("local header not examined")
            << "anything\r\n5\r\n" + body << UpdateInfoUse::Installed << UpdateInfoStatus::Valid
            << 5 << -1 << ab << QStringList();
        QTest::addRow("local without addresses")
            << QByteArray("x\r\n5\r\n") << UpdateInfoUse::Installed << UpdateInfoStatus::Valid << 5
            << -1 << QStringList() << QStringList();
        QTest::addRow("no update in header")
            << "[upd]7\r\n12\r\n" + body << Offered << UpdateInfoStatus::NotUpdateInfo << 0 << -1
            << QStringList() << QStringList();
        QTest::addRow("empty file") << QByteArray() << Offered << UpdateInfoStatus::NotUpdateInfo
                                    << 0 << -1 << QStringList() << QStringList();
        QTest::addRow("number beyond 16 bits")
            << "update]\r\n40000\r\n" + body << Offered << UpdateInfoStatus::BadNumber << 0 << -1
            << QStringList() << QStringList();
        QTest::addRow("no line 2")
            << QByteArray("x\r\n") << UpdateInfoUse::Installed << UpdateInfoStatus::BadNumber << 0
            << -1 << QStringList() << QStringList();
        // The number is still given, so that "nothing new" can be told before the rest matters.
        QTest::addRow("no ]") << "update 7\r\n12\r\n" + body << Offered
                              << UpdateInfoStatus::NoBracket << 12 << -1 << ab << QStringList();
        QTest::addRow("no .cab line")
            << QByteArray("update]\r\n12\r\nhttp://a/i\r\nhttp://a/cab\r\n") << Offered
            << UpdateInfoStatus::NoCabinetLine << 12 << -1
            << QStringList{u"http://a/i"_s, u"http://a/cab"_s} << QStringList();
    }

    void readsTheFileOrNamesTheFailure()
    {
        QFETCH(QByteArray, file);
        QFETCH(UpdateInfoUse, use);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"updtinfos"_s);
        QVERIFY(writeBytes(path, file));
        const UpdateInfo info = readUpdateInfo(path, use);
        QTEST(info.status, "status");
        QTEST(int(info.number), "number");
        QTEST(int(info.completeNumber), "complete");
        QTEST(info.infoAddresses, "addresses");
        QTEST(info.cabinetTemplates, "templates");
    }

    void missingFileAndTemplates()
    {
        QTemporaryDir dir;
        const UpdateInfo info = readUpdateInfo(dir.filePath(u"none"_s), UpdateInfoUse::Installed);
        QCOMPARE(info.status, UpdateInfoStatus::Missing);
        QCOMPARE(readUpdateInfo(dir.path(), UpdateInfoUse::Installed).status,
                 UpdateInfoStatus::Missing);
        QCOMPARE(cabinetAddress(u"http://h/#/upd#.cab"_s, 12), u"http://h/12/upd12.cab"_s);
        QCOMPARE(cabinetAddress(u"http://h/all.cab"_s, 3), u"http://h/all.cab"_s);
    }

    void choosesTheUpdates_data()
    {
        QTest::addColumn<int>("installed");
        QTest::addColumn<int>("newest");
        QTest::addColumn<int>("complete");
        QTest::addColumn<int>("first");
        QTest::addColumn<int>("last");
        QTest::addColumn<QString>("countText");
        QTest::addRow("one") << 5 << 6 << -1 << 6 << 6 << u"يحتاج البرنامج إلى تحديث واحد"_s;
        QTest::addRow("two") << 5 << 7 << -1 << 6 << 7 << u"يحتاج البرنامج إلى تحديثين"_s;
        QTest::addRow("three") << 5 << 8 << -1 << 6 << 8 << u"يحتاج البرنامج إلى3تحديثات"_s;
        QTest::addRow("ten") << 0 << 10 << -1 << 1 << 10 << u"يحتاج البرنامج إلى10تحديثات"_s;
        QTest::addRow("fifteen") << 5 << 20 << -1 << 6 << 20 << u"يحتاج البرنامج إلى15تحديثا"_s;
        QTest::addRow("complete is newest")
            << 5 << 8 << 8 << 8 << 8 << u"يحتاج البرنامج إلى تحديث واحد شامل"_s;
        QTest::addRow("complete before newest") << 5 << 12 << 7 << 7 << 7 << QString();
        QTest::addRow("complete already installed")
            << 5 << 7 << 4 << 6 << 7 << u"يحتاج البرنامج إلى تحديثين"_s;
        QTest::addRow("up to the 16-bit end")
            << 32765 << 32767 << -1 << 32766 << 32767 << u"يحتاج البرنامج إلى تحديثين"_s;
        QTest::addRow("newest is installed") << 8 << 8 << 8 << 1 << 0 << QString();
        QTest::addRow("newest older") << 8 << 3 << -1 << 1 << 0 << QString();
        QTest::addRow("newest negative") << -5 << -1 << -1 << 1 << 0 << QString();
    }

    void choosesTheUpdates()
    {
        QFETCH(int, installed);
        QFETCH(int, newest);
        QFETCH(int, complete);
        const UpdatePlan plan = planUpdates(qint16(installed), qint16(newest), qint16(complete));
        QTEST(plan.first, "first");
        QTEST(plan.last, "last");
        QTEST(plan.countText, "countText");
    }

    void progressTexts()
    {
        const UpdatePlan plan = planUpdates(5, 8, -1);
        QCOMPARE(plan.total(), 3);
        QCOMPARE(plan.progressText(6), u"يتم الآن تحميل التحديث رقم 1 من 3 الرجاء الانتظار ... "_s);
        QCOMPARE(plan.progressText(7), u"يتم الآن تحميل التحديث رقم 2 من 3 الرجاء الانتظار ... "_s);
        QCOMPARE(plan.progressText(8), u"يتم الآن تحميل آخر تحديث للبرنامج"_s);
        // A single complete update is the last of its run; failures count it from C as written.
        const UpdatePlan complete = planUpdates(5, 12, 7);
        QCOMPARE(complete.total(), 1);
        QCOMPARE(complete.progressText(7), u"يتم الآن تحميل آخر تحديث للبرنامج"_s);
        QCOMPARE(complete.downloadFailedText(7), u"حدث خطأ أثناء عملية تحميل التحديث رقم 2"_s);
    }

    void installedNumberRewritesLineTwoOnly_data()
    {
        QTest::addColumn<QByteArray>("before");
        QTest::addColumn<int>("number");
        QTest::addColumn<QByteArray>("after");
        QTest::addRow("crlf") << QByteArray("[update]8\r\n 12 \r\nhttp://a/i\r\n\xC7#.cab\r\n") << 6
                              << QByteArray("[update]8\r\n6\r\nhttp://a/i\r\n\xC7#.cab\r\n");
        QTest::addRow("mixed ends kept")
            << QByteArray("h\n12\r\nx\ry") << -1 << QByteArray("h\n-1\r\nx\ry");
        QTest::addRow("last line") << QByteArray("h\r\n12") << 32767 << QByteArray("h\r\n32767");
        QTest::addRow("empty line 2")
            << QByteArray("h\r\n\r\nx\r\n") << 3 << QByteArray("h\r\n3\r\nx\r\n");
    }

    void installedNumberRewritesLineTwoOnly()
    {
        QFETCH(QByteArray, before);
        QFETCH(int, number);
        QTemporaryDir dir;
        const QString path = dir.filePath(u"updtinfos"_s);
        QVERIFY(writeBytes(path, before));
        QVERIFY(SetInstalledNumber(path, qint16(number)));
        QTEST(bytes(path), "after");
        QCOMPARE(folderEntries(dir), QStringList{u"updtinfos"_s});
    }

    void installedNumberChangesNothingOnFailure()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"updtinfos"_s);
        QVERIFY(!SetInstalledNumber(path, 3));
        QVERIFY(folderEntries(dir).isEmpty());
        // A header alone has no line 2 to rewrite.
        QVERIFY(writeBytes(path, "[update]\r\n"));
        QVERIFY(!SetInstalledNumber(path, 3));
        QCOMPARE(bytes(path), QByteArray("[update]\r\n"));
        QCOMPARE(folderEntries(dir), QStringList{u"updtinfos"_s});
    }

    void placesUnpackedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<Placement>("placement");
        QTest::addRow("links") << u"Links3.txt"_s << Placement::Catalogue;
        QTest::addRow("LINKS") << u"NEWLINKS"_s << Placement::Catalogue;
        QTest::addRow("links wins over the player")
            << u"marvoli.exe.links"_s << Placement::Catalogue;
        QTest::addRow("player") << u"MarVoli.EXE"_s << Placement::RunningPlayer;
        QTest::addRow("player named exactly") << u"Marvoli"_s << Placement::RunningPlayer;
        QTest::addRow("player name inside another")
            << u"marvoli-help.txt"_s << Placement::Application;
        QTest::addRow("new player") << u"MVNEW.exe"_s << Placement::ReplacementPlayer;
        QTest::addRow("new player without extension") << u"mvnew"_s << Placement::ReplacementPlayer;
        QTest::addRow("new player wins over readme")
            << u"readme-mvnew.txt"_s << Placement::ReplacementPlayer;
        QTest::addRow("readme") << u"ReadMe.txt"_s << Placement::ReadMe;
        QTest::addRow("other") << u"help.chm"_s << Placement::Application;
    }

    void placesUnpackedFiles()
    {
        QFETCH(QString, name);
        QTEST(placementOf(name), "placement");
    }

    void restartSetting()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(u"update.ini"_s);
        QCOMPARE(readUpdateIni(path), std::nullopt);
        QVERIFY(writeUpdateIni(path, true));
        QCOMPARE(bytes(path), QByteArray(" 1 \r\n"));
        QCOMPARE(readUpdateIni(path), std::optional<bool>(true));
        QVERIFY(writeUpdateIni(path, false));
        QCOMPARE(bytes(path), QByteArray(" 0 \r\n"));
        QCOMPARE(readUpdateIni(path), std::optional<bool>(false));
        QCOMPARE(folderEntries(dir), QStringList{u"update.ini"_s});
        QVERIFY(writeBytes(path, "\t-1\nx\n"));
        QCOMPARE(readUpdateIni(path), std::optional<bool>(true));
        QVERIFY(writeBytes(path, "yes\r\n1\r\n"));
        QCOMPARE(readUpdateIni(path), std::nullopt);
        QVERIFY(writeBytes(path, ""));
        QCOMPARE(readUpdateIni(path), std::nullopt);
    }
};

QTEST_GUILESS_MAIN(TestUpdateInfo)
#include "tst_updateinfo.moc"
