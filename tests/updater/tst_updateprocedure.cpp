#include "playerwindows.h"
#include "testhttpserver.h"
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
#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <map>

using namespace Qt::Literals::StringLiterals;
using End = UpdateProcedure::End;

namespace {

using Files = std::map<QString, QByteArray>;

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

// A cabinet of the files, made with gcab in a folder of its own.
QByteArray makeCab(const Files &files)
{
    QTemporaryDir dir;
    QStringList args{u"-cz"_s, dir.filePath(u"t.cab"_s)};
    for (const auto &[name, bytes] : files) {
        writeFile(dir.filePath(u"src/"_s + name), bytes);
        args.append(name);
    }
    QProcess gcab;
    gcab.setWorkingDirectory(dir.filePath(u"src"_s));
    gcab.start(u"gcab"_s, args);
    gcab.waitForFinished();
    return readFile(dir.filePath(u"t.cab"_s));
}

} // namespace

// The whole update against a server on 127.0.0.1: what it fetches, where files land, what the
// installed number says after each step, and that a failure leaves the installation as it was.
class TestUpdateProcedure : public QObject
{
    Q_OBJECT

    std::unique_ptr<TestHttpServer> m_server;
    std::unique_ptr<QTemporaryDir> m_app;
    QStringList m_statuses;
    QStringList m_closed;
    QStringList m_started;
    QStringList m_numbersSeen; // line 2 of updtinfos at each progress text

    QString app(const QString &name) const { return m_app->filePath(name); }
    QByteArray line2() const
    {
        return readFile(app(u"updtinfos"_s)).split('\n').value(1).trimmed();
    }
    // The local file says installed; the server offers newest (complete: the last complete one).
    void prepare(int installed, int newest, int complete = -1)
    {
        m_server = std::make_unique<TestHttpServer>();
        QVERIFY(m_server->start());
        m_app = std::make_unique<QTemporaryDir>();
        QVERIFY(writeFile(app(u"DB/a.txt"_s), "old\r\n"));
        const QByteArray info = m_server->url(u"/updtinfos"_s).toUtf8() + "\r\n" +
                                m_server->url(u"/up#.cab"_s).toUtf8() + "\r\n";
        QVERIFY(writeFile(app(u"updtinfos"_s),
                          "[update]\r\n" + QByteArray::number(installed) + "\r\n" + info));
        m_server->addFile(u"/updtinfos"_s,
                          "[update]" + (complete >= 0 ? QByteArray::number(complete) : "") +
                              "\r\n" + QByteArray::number(newest) + "\r\n" + info,
                          "text/plain");
        m_statuses.clear();
        m_closed.clear();
        m_started.clear();
        m_numbersSeen.clear();
    }
    void offer(int number, const Files &files)
    {
        m_server->addFile(u"/up%1.cab"_s.arg(number), makeCab(files), "application/vnd.ms-cab");
    }
    End run(bool restart = false, bool installed = false)
    {
        UpdateProcedure update(m_app->path());
        if (installed) {
            update.setInstalled(true);
            update.setProgramFolder(app(u"bin"_s));
        }
        update.setStallTimeout(std::chrono::seconds(5));
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
        return update.run(restart);
    }
    QStringList cabinetsFetched() const { return m_server->requests().filter(u".cab"_s); }

private Q_SLOTS:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(u"gcab"_s).isEmpty())
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
            m_server->addFile(u"/up7.cab"_s, cab.left(cab.size() - 200));
        } else if (damage == u"folder"_s) {
            // links7.txt would go in first; the folder named like the second file stops both.
            m_server->addFile(u"/up7.cab"_s,
                              makeCab({{u"links7.txt"_s, "seven"}, {u"zblocked.txt"_s, "z"}}));
            QVERIFY(QDir().mkpath(app(u"zblocked.txt"_s)));
        } else if (damage == u"climb"_s) {
            QByteArray cab = makeCab({{u"links7.txt"_s, "seven"}, {u"aa/evil.txt"_s, "evil"}});
            cab.replace("aa\\evil", "..\\evil");
            m_server->addFile(u"/up7.cab"_s, cab);
        }
        QCOMPARE(run(), End::ErrorStop);
        QCOMPARE(m_statuses.last(), status);
        // Update 6 stays installed; nothing of 7 is anywhere.
        QCOMPARE(line2(), "6");
        QCOMPARE(readFile(app(u"DB/links6.txt"_s)), "six");
        QVERIFY(!QFile::exists(app(u"DB/links7.txt"_s)));
        QCOMPARE(QDir(app(u"DB"_s)).entryList(QDir::Files),
                 (QStringList{u"a.txt"_s, u"links6.txt"_s})); // no staged copy stayed
        QVERIFY(!QFile::exists(QFileInfo(m_app->path()).absolutePath() + u"/evil.txt"_s));
        QVERIFY(!QFile::exists(app(u"Updates"_s)));
        QCOMPARE(readFile(app(u"DB/a.txt"_s)), "old\r\n");
    }

    void readmeAndReplacementPlayer()
    {
        prepare(1, 3);
        offer(2, {{u"readme.txt"_s, "line one\r\nline two"}});
        offer(3, {{u"links.txt"_s, "db"}, {u"mvnew"_s, "#!/bin/sh\n"}, {u"zlater.txt"_s, "z"}});
        UpdateProcedure update(m_app->path());
        QStringList readmes;
        connect(&update, &UpdateProcedure::readme, this,
                [&](const QString &text) { readmes.append(text); });
        update.closePlayers = [this](const QString &title) {
            m_closed.append(title);
        };
        update.startProgram = [this](const QString &program) {
            m_started.append(program);
            return true;
        };
        QCOMPARE(update.run(false), End::PlayerReplaced);
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
        UpdateForm form(m_app->path());
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
        UpdateForm form(m_app->path());
        form.show();
        auto *exit = form.findChild<QPushButton *>(u"Command2"_s);
        QCOMPARE(exit->text(), u"إلغاء"_s);
        form.findChild<QCheckBox *>(u"Check1"_s)->setChecked(false);
        form.Command1_Click();
        QCOMPARE(form.findChild<QLabel *>(u"Label1"_s)->text(), u"لا توجد تحديثات جديدة"_s);
        QCOMPARE(exit->text(), u"خروج  10"_s);
        QTRY_COMPARE_WITH_TIMEOUT(exit->text(), u"خروج  9"_s, 3000);
        // Reaching the text (a click, or Tab for a screen reader's user) keeps the window.
        QFocusEvent tabbedIn(QEvent::FocusIn, Qt::TabFocusReason);
        QCoreApplication::sendEvent(form.findChild<QLabel *>(u"Label1"_s), &tabbedIn);
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
        QVERIFY(player.waitForFinished(5000));
        QVERIFY(bus.interface()
                    ->registeredServiceNames()
                    .value()
                    .filter(u"org.mpris.MediaPlayer2.marvoli"_s)
                    .isEmpty());
    }
};

QTEST_MAIN(TestUpdateProcedure)
#include "tst_updateprocedure.moc"
