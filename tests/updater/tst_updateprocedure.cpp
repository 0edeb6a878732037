#include "fileplacement.h"
#include "playerwindows.h"
#include "updatefixture.h"
#include "updateform.h"
#include "updateprocedure.h"

#include <QCheckBox>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDir>
#include <QFile>
#include <QFocusEvent>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QScopeGuard>
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace Qt::Literals::StringLiterals;
using End = UpdateProcedure::End;

using namespace UpdateFixture;

// The whole update against a server on 127.0.0.1: what it fetches, where files land, what the
// installed number says after each step, and that a failure leaves the installation as it was.
class TestUpdateProcedure : public QObject
{
    Q_OBJECT

    Site m_site;
    QStringList m_statuses;
    QStringList m_closed;
    QStringList m_started;
    QStringList m_numbersSeen; // line 2 of updtinfos at each progress text

    QString app(const QString &name) const { return m_site.app(name); }
    QByteArray line2() const { return m_site.infoLine2().toUtf8(); }
    void prepare(int installed, int newest, int complete = -1)
    {
        QVERIFY(m_site.prepare(installed, newest, complete));
        m_statuses.clear();
        m_closed.clear();
        m_started.clear();
        m_numbersSeen.clear();
    }
    QByteArray offer(int number, const Files &files) { return m_site.offer(number, files); }
    // A procedure on the application folder whose players and programs are only noted.
    void watch(UpdateProcedure &update)
    {
        update.setStallTimeout(std::chrono::seconds(5));
        // A trickle is given up within seconds; any real transfer here is far faster.
        update.setMinimumRate(1000, std::chrono::milliseconds(1500));
        update.closePlayers = [this](const QString &title) {
            m_closed.append(title);
        };
        update.startProgram = [this](const QString &program) {
            m_started.append(program);
            return true;
        };
        connect(&update, &UpdateProcedure::status, this, [this](const QString &text) {
            m_statuses.append(text);
            if (text.startsWith(u"يتم الآن تحميل"_s))
                m_numbersSeen.append(QString::fromUtf8(line2()));
        });
    }
    End run(bool restart = false, bool installed = false)
    {
        UpdateProcedure update(m_site.app());
        if (installed) {
            update.setInstalled(true);
            update.setProgramFolder(app(u"bin"_s));
        }
        watch(update);
        return update.run(restart);
    }
    QStringList cabinetsFetched() { return m_site.server().requests().filter(u".cab"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        if (!haveGcab())
            QSKIP("gcab is not installed");
    }

    void nothingNew()
    {
        prepare(5, 5);
        QCOMPARE(run(), End::NoUpdates);
        QCOMPARE(m_statuses.last(), u"لا توجد تحديثات جديدة"_s);
        QCOMPARE(line2(), "5");
    }

    void incrementalUpdates()
    {
        prepare(5, 8);
        for (int n : {6, 7, 8})
            offer(n, {{u"links%1.txt"_s.arg(n), "new " + QByteArray::number(n)}});
        QCOMPARE(run(true), End::Done);
        QVERIFY(m_statuses.contains(u"يحتاج البرنامج إلى3تحديثات"_s));
        QVERIFY(m_statuses.contains(u"يتم الآن تحميل التحديث رقم 1 من 3 الرجاء الانتظار ... "_s));
        QVERIFY(m_statuses.contains(u"يتم الآن تحميل آخر تحديث للبرنامج"_s));
        QCOMPARE(m_statuses.last(), u"تم تحميل جميع التحديثات بنجاح"_s);
        // Line 2 moves as each update is in place.
        QCOMPARE(m_numbersSeen, (QStringList{u"5"_s, u"6"_s, u"7"_s}));
        QCOMPARE(line2(), "8");
        for (int n : {6, 7, 8})
            QCOMPARE(readFile(app(u"DB/links%1.txt"_s.arg(n))), "new " + QByteArray::number(n));
        QVERIFY(QFile::exists(app(u"updtinfos.bak"_s)));
        QVERIFY(!QFile::exists(app(u"MVupdates.cab"_s)));
        QVERIFY(!QFile::exists(app(u"Updates"_s)));
        // The player is closed and started again.
        QCOMPARE(m_closed, QStringList{u"Marvoli"_s});
        QCOMPARE(m_started, QStringList{app(u"Marvoli"_s)});
    }

    void aCompleteUpdateAlone()
    {
        prepare(5, 8, 8);
        offer(8, {{u"links.txt"_s, "all"}, {u"Marvoli"_s, "not over the running player"}});
        QCOMPARE(run(), End::Done);
        QCOMPARE(cabinetsFetched(), QStringList{u"GET /up8.cab"_s});
        QVERIFY(m_statuses.contains(u"يحتاج البرنامج إلى تحديث واحد شامل"_s));
        QCOMPARE(readFile(app(u"DB/links.txt"_s)), "all");
        QVERIFY(!QFile::exists(app(u"Marvoli"_s)));
        QVERIFY(m_started.isEmpty());
    }

    void failuresLeaveTheInstallationAsItWas_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QString>("status");
        QTest::newRow("missing cabinet")
            << u"404"_s << u"حدث خطأ أثناء عملية تحميل التحديث رقم 2"_s;
        QTest::newRow("truncated cabinet")
            << u"truncated"_s << u"حدث خطأ أثناء استخراج ملفات التحديث"_s;
        QTest::newRow("folder in a file's place")
            << u"folder"_s << u"حدث خطأ أثناء استخراج ملفات التحديث"_s;
        QTest::newRow("name climbing out")
            << u"climb"_s << u"حدث خطأ أثناء استخراج ملفات التحديث"_s;
    }
    void failuresLeaveTheInstallationAsItWas()
    {
        QFETCH(QString, damage);
        QFETCH(QString, status);
        prepare(5, 7);
        offer(6, {{u"links6.txt"_s, "six"}});
        if (damage == u"truncated"_s) {
            const QByteArray cab =
                makeCab({{u"links7.txt"_s, QByteArray(50000, 'x')}, {u"b.txt"_s, "b"}});
            m_site.server().addFile(u"/up7.cab"_s, cab.left(cab.size() - 200));
        } else if (damage == u"folder"_s) {
            // links7.txt would go in first; the folder named like the second file stops both.
            m_site.server().addFile(u"/up7.cab"_s,
                                    makeCab({{u"links7.txt"_s, "seven"}, {u"linksz.txt"_s, "z"}}));
            QVERIFY(QDir().mkpath(app(u"DB/linksz.txt"_s)));
        } else if (damage == u"climb"_s) {
            QByteArray cab = makeCab({{u"links7.txt"_s, "seven"}, {u"aa/evil.txt"_s, "evil"}});
            cab.replace("aa\\evil", "..\\evil");
            m_site.server().addFile(u"/up7.cab"_s, cab);
        }
        QCOMPARE(run(), End::ErrorStop);
        QCOMPARE(m_statuses.last(), status);
        // Update 6 stays installed; nothing of 7 is anywhere.
        QCOMPARE(line2(), "6");
        QCOMPARE(readFile(app(u"DB/links6.txt"_s)), "six");
        QVERIFY(!QFile::exists(app(u"DB/links7.txt"_s)));
        QCOMPARE(QDir(app(u"DB"_s)).entryList(QDir::Files),
                 (QStringList{u"a.txt"_s, u"links6.txt"_s})); // no staged copy stayed
        QVERIFY(!QFile::exists(QFileInfo(m_site.app()).absolutePath() + u"/evil.txt"_s));
        QVERIFY(!QFile::exists(app(u"Updates"_s)));
        QCOMPARE(readFile(app(u"DB/a.txt"_s)), "old\r\n");
    }

    void hostileServers_data()
    {
        QTest::addColumn<bool>("info"); // the update information, or else the cabinet
        QTest::addColumn<QString>("serving");
        for (const bool info : {true, false}) {
            const char *file = info ? "updtinfos" : "cabinet";
            QTest::addRow("%s announced as 2 GiB", file) << info << u"endless announced"_s;
            QTest::addRow("%s trickled", file) << info << u"trickled"_s;
            QTest::addRow("%s server error", file) << info << u"500"_s;
        }
        // Without a length an endless cabinet runs to its 1 GiB limit; the same rule stops the
        // information file at 1 MiB. (A body longer than announced is cut at the announced
        // length by the network layer itself.)
        QTest::addRow("updtinfos endless") << true << u"endless"_s;
    }
    void hostileServers()
    {
        QFETCH(bool, info);
        QFETCH(QString, serving);
        prepare(5, 6);
        offer(6, {{u"links6.txt"_s, "six"}});
        const QString path = info ? u"/updtinfos"_s : m_site.cabinetPath(6);
        const QByteArray localBefore = readFile(app(u"updtinfos"_s));
        TestHttpServer &server = m_site.server();
        if (serving == u"endless"_s)
            server.addEndlessFile(path);
        else if (serving == u"endless announced"_s)
            server.addEndlessFile(path, qint64(2) << 30);
        else if (serving == u"trickled"_s)
            server.addTrickledFile(path, QByteArray(100000, 'x'), 100);
        else
            server.addStatus(path, "500 Internal Server Error");
        if (info) {
            QCOMPARE(run(), End::CheckFailed);
            QCOMPARE(m_statuses.last(), u"فشلت عملية التحميل، الرجاء المحاولة مرة أخرى"_s);
            QCOMPARE(readFile(app(u"updtinfos"_s)), localBefore);
        } else {
            QCOMPARE(run(), End::ErrorStop);
            QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء عملية تحميل التحديث رقم 1"_s);
            QCOMPARE(line2(), "5");
            QVERIFY(!QFile::exists(app(u"DB/links6.txt"_s)));
            QVERIFY(!QFile::exists(app(u"MVupdates.cab"_s)));
        }
        QVERIFY(!QFile::exists(app(u"Updates/updtinfos"_s)));
    }

    void checksThatFailSayWhy_data()
    {
        QTest::addColumn<QByteArray>("local");
        QTest::addColumn<QByteArray>("offered");
        QTest::addColumn<int>("end");
        QTest::addColumn<QString>("status");
        const QByteArray good =
            "[update]\r\n6\r\nhttp://127.0.0.1:1/u\r\nhttp://127.0.0.1:1/#.cab\r\n";
        const QString damaged = u"الملف updtinfos غير صالح"_s;
        QTest::newRow("local line 2 damaged")
            << QByteArray("[update]\r\nfive\r\nhttp://x/u\r\n") << good << int(End::ErrorStop)
            << u"أحد الملفات اللازمة للتحديث ناقص"_s;
        QTest::newRow("offered header without ]")
            << QByteArray() << QByteArray("update\r\n6\r\nhttp://h/u\r\nhttp://h/#.cab\r\n")
            << int(End::ErrorStop) << damaged;
        QTest::newRow("offered without a cabinet line")
            << QByteArray() << QByteArray("[update]\r\n6\r\nhttp://h/u\r\n") << int(End::ErrorStop)
            << damaged;
        QTest::newRow("offered number negative")
            << QByteArray() << QByteArray("[update]\r\n-3\r\nhttp://h/u\r\nhttp://h/#.cab\r\n")
            << int(End::CheckFailed) << damaged;
        QTest::newRow("offered number not a number")
            << QByteArray() << QByteArray("[update]\r\nsix\r\nhttp://h/u\r\nhttp://h/#.cab\r\n")
            << int(End::ErrorStop) << damaged;
    }
    void checksThatFailSayWhy()
    {
        // No run ends with a "جاري ..." text still on screen.
        QFETCH(QByteArray, local);
        QFETCH(QByteArray, offered);
        QFETCH(int, end);
        QFETCH(QString, status);
        prepare(5, 6);
        if (!local.isEmpty())
            QVERIFY(writeFile(app(u"updtinfos"_s), local));
        m_site.server().addFile(u"/updtinfos"_s, offered, "text/plain");
        QCOMPARE(int(run()), end);
        QCOMPARE(m_statuses.last(), status);
    }

    void aFailedRestartIsReported()
    {
        prepare(5, 6);
        offer(6, {{u"links6.txt"_s, "six"}});
        UpdateProcedure update(m_site.app());
        watch(update);
        update.startProgram = [](const QString &) {
            return false;
        };
        QCOMPARE(update.run(true), End::Done);
        QCOMPARE(m_closed, QStringList{u"Marvoli"_s});
        QVERIFY(m_statuses.last().startsWith(u"تم تحميل جميع التحديثات بنجاح"_s));
        QVERIFY(m_statuses.last().contains(u"تعذر تشغيل البرنامج"_s));
    }

    void theLocalFileNeverClaimsAnUpdateNotInPlace()
    {
        // The server's copy becomes the local file in one write, its number already the
        // installed one: an update that then fails was never counted.
        prepare(5, 8);
        m_site.server().addStatus(u"/up6.cab"_s, "500 Internal Server Error");
        QCOMPARE(run(), End::ErrorStop);
        QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء عملية تحميل التحديث رقم 1"_s);
        QCOMPARE(line2(), "5");
        QCOMPARE(readFile(app(u"updtinfos.bak"_s)).split('\n').value(1).trimmed(), "5");
    }

    void aLeftoverCabinetIsNoUpdate()
    {
        // A captive portal's page kept from an earlier run, then a passing server error.
        prepare(5, 6);
        QVERIFY(writeFile(app(u"MVupdates.cab"_s), "<html>log in first</html>"));
        m_site.server().addStatus(u"/up6.cab"_s, "500 Internal Server Error");
        QCOMPARE(run(), End::ErrorStop);
        QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء عملية تحميل التحديث رقم 1"_s);
        QCOMPARE(line2(), "5");
        QVERIFY(!QFile::exists(app(u"MVupdates.cab"_s)));
        // Once the server answers again, the update is installed after all.
        m_site.server().removeStatus(u"/up6.cab"_s);
        offer(6, {{u"links6.txt"_s, "six"}});
        QCOMPARE(run(), End::Done);
        QCOMPARE(line2(), "6");
        QCOMPARE(readFile(app(u"DB/links6.txt"_s)), "six");
    }

    void aCabinetOfOnlyThePlayerIsInstalled()
    {
        // The running player is discarded on purpose: that handles the update.
        prepare(5, 7);
        offer(6, {{u"Marvoli"_s, "player"}});
        offer(7, {{u"MARVOLI.EXE"_s, "player"}});
        QCOMPARE(run(), End::Done);
        QCOMPARE(m_statuses.last(), u"تم تحميل جميع التحديثات بنجاح"_s);
        QCOMPARE(line2(), "7");
        QVERIFY(!QFile::exists(app(u"Marvoli"_s)));
        QVERIFY(!QFile::exists(app(u"MARVOLI.EXE"_s)));
    }

    void aFailedRenameHalfWayPutsEverythingBack()
    {
        // The second file's target cannot be replaced when its turn comes (an immutable file):
        // the first, already in place, goes back to what it was.
        prepare(5, 6);
        QVERIFY(writeFile(app(u"DB/links-a.txt"_s), "old a"));
        QVERIFY(writeFile(app(u"DB/links-b.txt"_s), "old b"));
        offer(6,
              {{u"links-a.txt"_s, "new a"}, {u"links-b.txt"_s, "new b"}, {u"links-c.txt"_s, "c"}});
        const QString pinned = app(u"DB/links-b.txt"_s);
        if (QProcess::execute(u"chattr"_s, {u"+i"_s, pinned}) != 0)
            QSKIP("chattr +i is not available here");
        const End end = run();
        QProcess::execute(u"chattr"_s, {u"-i"_s, pinned});
        QCOMPARE(end, End::ErrorStop);
        QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء استخراج ملفات التحديث"_s);
        QCOMPARE(line2(), "5");
        QCOMPARE(readFile(app(u"DB/links-a.txt"_s)), "old a");
        QCOMPARE(readFile(app(u"DB/links-b.txt"_s)), "old b");
        QCOMPARE(QDir(app(u"DB"_s)).entryList(QDir::Files | QDir::Hidden),
                 (QStringList{u"a.txt"_s, u"links-a.txt"_s, u"links-b.txt"_s}));
        QVERIFY(!QFile::exists(app(FilePlacement::journalName())));
    }

    void programFilesNeedTheirPublishersSignature_data()
    {
        QTest::addColumn<QString>("signing");
        QTest::addColumn<bool>("programsPlaced");
        QTest::addColumn<bool>("cataloguePlaced");
        QTest::newRow("signed") << u"signed"_s << true << true;
        QTest::newRow("signed, legacy") << u"legacy"_s << true << true;
        QTest::newRow("signed by another key") << u"other key"_s << false << false;
        QTest::newRow("changed after signing") << u"changed"_s << false << false;
        QTest::newRow("unsigned") << u"unsigned"_s << false << true;
        QTest::newRow("no key file") << u"no key file"_s << false << true;
    }
    void programFilesNeedTheirPublishersSignature()
    {
        QFETCH(QString, signing);
        QFETCH(bool, programsPlaced);
        QFETCH(bool, cataloguePlaced);
        const Publisher publisher;
        const Publisher stranger;
        if (!publisher.ready() || !stranger.ready())
            QSKIP("minisign is not installed");
        prepare(5, 6);
        const Files files{
            {u"app.dat"_s, "program data"}, {u"links6.txt"_s, "six"}, {u"mvnew"_s, "#!/bin/sh\n"}};
        const QByteArray cab = offer(6, files);
        if (signing != u"no key file"_s)
            m_site.trust(publisher);
        const QString signature = m_site.cabinetPath(6) + u".minisig"_s;
        if (signing == u"signed"_s || signing == u"no key file"_s || signing == u"changed"_s)
            m_site.sign(6, cab, publisher);
        if (signing == u"legacy"_s)
            m_site.server().addFile(signature, publisher.sign(cab, true), "text/plain");
        if (signing == u"other key"_s)
            m_site.sign(6, cab, stranger);
        if (signing == u"changed"_s) {
            Files changed = files;
            changed[u"mvnew"_s] = "#!/bin/sh\nrm -rf ~\n";
            offer(6, changed);
        }
        const End end = run();
        QCOMPARE(QFile::exists(app(u"mvnew"_s)), programsPlaced);
        QCOMPARE(QFile::exists(app(u"app.dat"_s)), programsPlaced);
        QCOMPARE(QFile::exists(app(u"DB/links6.txt"_s)), cataloguePlaced);
        if (programsPlaced) {
            QCOMPARE(end, End::PlayerReplaced);
            QCOMPARE(m_started, QStringList{app(u"mvnew"_s)});
        } else if (cataloguePlaced) {
            QCOMPARE(end, End::Done);
            QCOMPARE(m_statuses.filter(u"غير موقَّعة"_s).size(), 1);
            QVERIFY(m_started.isEmpty());
        } else {
            QCOMPARE(end, End::ErrorStop);
            QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء استخراج ملفات التحديث"_s);
        }
        QCOMPARE(line2(), cataloguePlaced ? "6" : "5");
    }

    void oneUpdaterAtATime()
    {
        prepare(5, 6);
        offer(6, {{u"links6.txt"_s, "six"}});
        {
            UpdateProcedure first(m_site.app());
            QVERIFY(first.lockFolder());
            QCOMPARE(run(), End::AlreadyRunning);
            QVERIFY(m_statuses.last().contains(u"نافذة أخرى"_s));
            QCOMPARE(line2(), "5");
            // A window opened meanwhile only says so, and closes itself.
            UpdateForm form(m_site.app());
            QVERIFY(form.findChild<QLabel *>(u"Label1"_s)->text().contains(u"نافذة أخرى"_s));
            QVERIFY(!form.findChild<QPushButton *>(u"Command1"_s)->isEnabled());
            QCOMPARE(form.findChild<QPushButton *>(u"Command2"_s)->text(), u"خروج  10"_s);
        }
        QCOMPARE(run(), End::Done);
        QCOMPARE(line2(), "6");
    }

    void aFullDiskPlacesNothing()
    {
        if (qEnvironmentVariable("MARVOLI_PRIVATE_MOUNTS") != u"1"_s)
            QSKIP("needs a mount namespace of its own");
        prepare(5, 6);
        // The application folder on a 2 MiB file system; the update unpacks to 3 MiB.
        const QByteArray info = readFile(app(u"updtinfos"_s));
        QCOMPARE(QProcess::execute(u"mount"_s, {u"-t"_s, u"tmpfs"_s, u"-o"_s, u"size=2m"_s,
                                                u"tmpfs"_s, m_site.app()}),
                 0);
        const auto unmount = qScopeGuard([this] {
            QProcess::execute(u"umount"_s, {u"-l"_s, m_site.app()});
        });
        QVERIFY(writeFile(app(u"updtinfos"_s), info));
        QVERIFY(writeFile(app(u"DB/a.txt"_s), "old\r\n"));
        offer(6, {{u"links6.txt"_s, QByteArray(3 << 20, 'x')}, {u"links6b.txt"_s, "b"}});
        QCOMPARE(run(), End::ErrorStop);
        QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء استخراج ملفات التحديث"_s);
        QCOMPARE(line2(), "5");
        QCOMPARE(QDir(app(u"DB"_s)).entryList(QDir::Files | QDir::Hidden), QStringList{u"a.txt"_s});
        QVERIFY(!QFile::exists(app(u"Updates"_s)));
        QVERIFY(!QFile::exists(app(u"MVupdates.cab"_s)));
    }

    void readmeAndReplacementPlayer()
    {
        prepare(1, 3);
        const Publisher publisher;
        if (!publisher.ready())
            QSKIP("minisign is not installed");
        m_site.trust(publisher);
        offer(2, {{u"readme.txt"_s, "line one\r\nline two"}});
        m_site.sign(
            3,
            offer(3, {{u"links.txt"_s, "db"}, {u"mvnew"_s, "#!/bin/sh\n"}, {u"zlater.txt"_s, "z"}}),
            publisher);
        UpdateProcedure update(m_site.app());
        QStringList readmes;
        connect(&update, &UpdateProcedure::readme, this,
                [&](const QString &text) { readmes.append(text); });
        watch(update);
        const End end = update.run(false);
        QVERIFY2(end == End::PlayerReplaced, qPrintable(m_statuses.join(u"|"_s)));
        QCOMPARE(readmes, QStringList{u"\r\nline one\r\nline two"_s});
        QVERIFY(QFile::exists(app(u"readme.txt"_s)));
        // The new player counts as installed, is executable and started; later files wait.
        QCOMPARE(line2(), "3");
        QCOMPARE(readFile(app(u"DB/links.txt"_s)), "db");
        QVERIFY(QFileInfo(app(u"mvnew"_s)).isExecutable());
        QCOMPARE(m_closed, QStringList{u"Marvoli"_s});
        QCOMPARE(m_started, QStringList{app(u"mvnew"_s)});
        QVERIFY(!QFile::exists(app(u"zlater.txt"_s)));
    }

    void installedCopyGetsCatalogueOnly()
    {
        prepare(5, 7);
        // Program files beside a catalogue file, then an update of program files only.
        offer(6, {{u"links6.txt"_s, "six"},
                  {u"Marvoli"_s, "player"},
                  {u"mvnew"_s, "#!/bin/sh\n"},
                  {u"tool.dll"_s, "tool"},
                  {u"readme.txt"_s, "note"}});
        offer(7, {{u"mvnew"_s, "#!/bin/sh\n"}});
        QCOMPARE(run(true, true), End::Done);
        QCOMPARE(line2(), "7");
        QCOMPARE(readFile(app(u"DB/links6.txt"_s)), "six");
        QCOMPARE(readFile(app(u"readme.txt"_s)), "note");
        for (const QString &name : {u"Marvoli"_s, u"mvnew"_s, u"tool.dll"_s})
            QVERIFY2(!QFile::exists(app(name)), qPrintable(name));
        QVERIFY(m_statuses.filter(u"مدير الحزم"_s).size() == 2);
        QCOMPARE(m_statuses.last(), u"تم تحميل جميع التحديثات بنجاح"_s);
        QVERIFY(!QFile::exists(app(u"Updates"_s)));
        // The installed player is the one started again, not one in the data folder.
        QCOMPARE(m_started, QStringList{app(u"bin/Marvoli"_s)});
    }

    void installedCopyMovesOnlyWithTheCatalogueInPlace()
    {
        prepare(5, 6);
        // The catalogue file cannot be placed (a folder holds its name): program files or not,
        // the update is not installed.
        offer(6, {{u"links6.txt"_s, "six"}, {u"mvnew"_s, "#!/bin/sh\n"}});
        QVERIFY(QDir().mkpath(app(u"DB/links6.txt"_s)));
        QCOMPARE(run(true, true), End::ErrorStop);
        QCOMPARE(line2(), "5");
        QCOMPARE(m_statuses.last(), u"حدث خطأ أثناء استخراج ملفات التحديث"_s);
        QVERIFY(QFileInfo(app(u"DB/links6.txt"_s)).isDir());
        QVERIFY(!QFile::exists(app(u"mvnew"_s)));
        QVERIFY(m_started.isEmpty());
    }

    void theWindowOfAnInstalledCopy()
    {
        prepare(5, 5);
        UpdateForm form(m_site.app());
        auto *note = form.findChild<QLabel *>(u"installedNote"_s);
        QVERIFY(note);
        QVERIFY(note->isHidden());
        form.setInstalled(true);
        form.show();
        QVERIFY(note->isVisible());
        QVERIFY(note->text().contains(u"مدير الحزم"_s));
        QVERIFY(form.procedure().installed());
    }

    void theWindow()
    {
        prepare(5, 5);
        UpdateForm form(m_site.app());
        form.show();
        auto *exit = form.findChild<QPushButton *>(u"Command2"_s);
        QCOMPARE(exit->text(), u"إلغاء"_s);
        form.findChild<QCheckBox *>(u"Check1"_s)->setChecked(false);
        form.Command1_Click();
        QCOMPARE(form.findChild<QLabel *>(u"Label1"_s)->text(), u"لا توجد تحديثات جديدة"_s);
        QCOMPARE(exit->text(), u"خروج  10"_s);
        QTRY_COMPARE_WITH_TIMEOUT(exit->text(), u"خروج  9"_s, 3000);
        // Reaching the text changes nothing; Return on it keeps the window.
        auto *label = form.findChild<QLabel *>(u"Label1"_s);
        QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(label, &tabbedIn);
        QTRY_COMPARE_WITH_TIMEOUT(exit->text(), u"خروج  8"_s, 3000);
        QTest::keyClick(label, Qt::Key_Return);
        const int left = form.countdown();
        QTest::qWait(1200);
        QCOMPARE(form.countdown(), left);
        exit->click();
        QVERIFY(!form.isVisible());
        QVERIFY(!QFile::exists(app(u"Updates"_s)));
        QCOMPARE(readFile(app(u"update.ini"_s)), " 0 \r\n");
    }

    void closingRunningPlayers()
    {
        // A stand-in player on the session bus, answering as the real one does.
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected())
            QSKIP("no session bus");
        QProcess player;
        player.start(QStringLiteral(MPRIS_INSTANCE), {});
        QVERIFY(player.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(bus.interface()
                                         ->registeredServiceNames()
                                         .value()
                                         .filter(u"org.mpris.MediaPlayer2.marvoli"_s)
                                         .size() == 1,
                                 5000);
        QCOMPARE(ClosePlayerWindows(u"Nobody"_s), 0);
        QCOMPARE(ClosePlayerWindows(u"Marvoli"_s), 1);
        // The test's own events run while it waits: a reply the quit may wait on gets through.
        QTRY_VERIFY_WITH_TIMEOUT(player.state() == QProcess::NotRunning, 10000);
        QVERIFY(bus.interface()
                    ->registeredServiceNames()
                    .value()
                    .filter(u"org.mpris.MediaPlayer2.marvoli"_s)
                    .isEmpty());
    }
};

QTEST_MAIN(TestUpdateProcedure)
#include "tst_updateprocedure.moc"
