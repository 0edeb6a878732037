#include "codepage.h"
#include "mainframe.h"
#include "mainmenus.h"
#include "playback.h"
#include "playersession.h"
#include "sleeptimer.h"
#include "tapekeys.h"
#include "volumeplayer.h"
#include "widgets.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>

using namespace Qt::Literals::StringLiterals;

namespace {

const QString kRecord = u"الدروس والخطب!S/X/درس طويل!فقه!http://h/d1.mp3"_s;
constexpr qint64 kMinute = 60 * 1000;

QStringList names(const QList<QAction *> &actions)
{
    QStringList out;
    for (QAction *a : actions)
        out.append(a->menu() ? a->menu()->objectName() : a->objectName());
    return out;
}

} // namespace

// The sleep timer and resume in the main window: where the menus go, that both copies follow the
// timer, the player control's part, and the positions file written when the window closes.
class TestSleepMenu : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void menusFollowTheTimer()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"DB"_s));
        PlayerSession session(dir.path(), new VolumePlayer);
        MainFrame w(session);

        // At the end of Tools, after a separator; the items before it stay as they were.
        const QStringList tools = names(w.mainMenus().items().Tools->actions());
        QCOMPARE(tools.mid(tools.size() - 3),
                 (QStringList{u"mnumin"_s, u"sepSleep"_s, u"mnuSleep"_s}));
        // In the tray menu, with its separator, before the main window item.
        const QStringList tray = names(w.menuForm().mnuTray()->actions());
        const qsizetype at = tray.indexOf(u"mnuSleepTray"_s);
        QVERIFY(at > 0);
        QCOMPARE(tray.mid(at, 2), (QStringList{u"mnuSleepTray"_s, u"sepSleepTray"_s}));
        QVERIFY(tray.indexOf(u"mnuShow"_s) > at);

        auto item = [&w](const QString &name) {
            // The tray menu has no parent: it is searched on its own.
            auto *a = w.findChild<QAction *>(name);
            if (!a)
                a = w.menuForm().mnuTray()->findChild<QAction *>(name);
            if (!a)
                qWarning("no action %s", qPrintable(name));
            return a;
        };
        const QStringList choices{u"15"_s, u"30"_s,        u"45"_s,        u"60"_s,
                                  u"90"_s, u"EndOfTape"_s, u"EndOfQueue"_s};
        auto checked = [&](const QString &prefix) {
            QStringList on;
            for (const QString &c : choices)
                if (item(prefix + c)->isChecked())
                    on.append(c);
            return on;
        };
        QCOMPARE(w.findChild<QMenu *>(u"mnuSleep"_s)->title(), u"مؤقت الإيقاف"_s);
        QVERIFY(!item(u"mnuSleepCancel"_s)->isEnabled());
        auto *timeLeft = w.findChild<QLabel *>(u"SleepTimeLeft"_s);
        QVERIFY(timeLeft);
        QVERIFY(!timeLeft->accessibleName().isEmpty());
        QVERIFY(timeLeft->isHidden());

        item(u"mnuSleepTray30"_s)->trigger();
        QCOMPARE(checked(u"mnuSleep"_s), QStringList{u"30"_s});
        QCOMPARE(checked(u"mnuSleepTray"_s), QStringList{u"30"_s});
        QVERIFY(item(u"mnuSleepCancel"_s)->isEnabled());
        QVERIFY(!timeLeft->isHidden());
        QCOMPARE(timeLeft->text(), u"⏾ 30:00"_s);

        item(u"mnuSleepEndOfQueue"_s)->trigger();
        QCOMPARE(checked(u"mnuSleepTray"_s), QStringList{u"EndOfQueue"_s});
        QCOMPARE(w.session().sleepTimer().mode(), SleepTimer::Mode::EndOfQueue);

        item(u"mnuSleepTrayCancel"_s)->trigger();
        QVERIFY(checked(u"mnuSleep"_s).isEmpty());
        QVERIFY(checked(u"mnuSleepTray"_s).isEmpty());
        QVERIFY(!item(u"mnuSleepCancel"_s)->isEnabled());
        QVERIFY(timeLeft->isHidden());
    }

    // The sleep timer stops at the end of the tape while the player reports that end: the
    // player control is back at its start, not left at the tape's length.
    void theControlShowsTheStopAtATapesEnd()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"DB"_s));
        QVERIFY(writeCodePageLines(dir.filePath(u"DB/l.txt"_s), {kRecord}));
        auto *player = new VolumePlayer;
        PlayerSession session(dir.path(), player);
        MainFrame w(session);
        auto *sleepEnd = w.findChild<QAction *>(u"mnuSleepEndOfTape"_s);
        QVERIFY(sleepEnd);
        sleepEnd->trigger();
        w.session().playback().playTapeKey(TapeKeys::tapeKey(kRecord));
        player->play(3 * kMinute);
        player->reach(kMinute);
        auto *elapsed = w.findChild<QLabel *>(u"ElapsedLabel"_s);
        QVERIFY(elapsed);
        QCOMPARE(elapsed->text(), u"1:00"_s);
        player->finish();
        QCOMPARE(player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(elapsed->text(), u"0:00"_s);
    }

    void resumeThroughTheWindow()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"DB"_s));
        QVERIFY(writeCodePageLines(dir.filePath(u"DB/l.txt"_s), {kRecord}));
        QFile positions(dir.filePath(u"positions.txt"_s));
        QVERIFY(positions.open(QIODevice::WriteOnly));
        positions.write("300\thttp://h/d1.mp3\n");
        positions.close();

        auto *player = new VolumePlayer;
        {
            PlayerSession session(dir.path(), player);
            MainFrame w(session);
            w.session().playback().playTapeKey(TapeKeys::tapeKey(kRecord));
            player->play(40 * kMinute);
            QCOMPARE(player->position(), 295 * 1000);
            auto *notice = w.findChild<QLabel *>(u"ResumeNotice"_s);
            auto *fromStart = w.findChild<QToolButton *>(u"FromStartButton"_s);
            QVERIFY(notice && fromStart);
            QVERIFY(!notice->isHidden());
            QVERIFY(!fromStart->isHidden());
            QVERIFY(!fromStart->accessibleName().isEmpty());
            player->reach(400 * 1000);
            w.close();
            QCOMPARE(player->PlayState(), AudioPlayer::Stopped);
        }
        QVERIFY(positions.open(QIODevice::ReadOnly));
        QCOMPARE(positions.readAll(), "400\thttp://h/d1.mp3\n");
    }

    // Logout ends the program with force: positions.txt that cannot be written must not hold it
    // up with a box nobody will answer. config.ini is still written.
    void aForcedCloseAsksNothingAboutPositions()
    {
        QTemporaryDir dir;
        QVERIFY(QDir(dir.path()).mkdir(u"DB"_s));
        QVERIFY(writeCodePageLines(dir.filePath(u"DB/l.txt"_s), {kRecord}));
        QVERIFY(QDir(dir.path()).mkdir(u"positions.txt"_s)); // a folder in its place

        auto *player = new VolumePlayer;
        PlayerSession session(dir.path(), player);
        MainFrame w(session);
        w.show();
        w.session().playback().playTapeKey(TapeKeys::tapeKey(kRecord));
        player->play(40 * kMinute);
        player->reach(400 * 1000);

        QStringList asked;
        QTimer boxes;
        boxes.setInterval(10);
        connect(&boxes, &QTimer::timeout, this, [&asked] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                asked.append(box->objectName());
                box->close();
            }
        });
        boxes.start();
        QTimer::singleShot(0, this, [] { UnloadAllWindows(true); });
        QCOMPARE(QCoreApplication::exec(), 0);
        boxes.stop();

        QCOMPARE(asked, QStringList());
        QCOMPARE(player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(readCodePageLines(dir.filePath(u"config.ini"_s)).size(), 13);
    }
};

QTEST_MAIN(TestSleepMenu)
#include "tst_sleepmenu.moc"
