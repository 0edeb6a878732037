#include "catalogue.h"
#include "playback.h"
#include "playersession.h"
#include "playqueue.h"
#include "repeatcontrol.h"
#include "scriptedplayer.h"
#include "settingsstore.h"
#include "sleeptimer.h"
#include "tapekeys.h"
#include "testtapes.h"

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::Literals::StringLiterals;
using namespace TestTapes;

Q_DECLARE_METATYPE(RepeatMode)
Q_DECLARE_METATYPE(SleepTimer::Mode)

// The player without its window, as the program makes it: the choices it starts with and writes
// back, and the order in which repeat, the queue and the sleep timer act when a tape ends.
class TestPlayerSession : public QObject
{
    Q_OBJECT

    QTemporaryDir m_app;
    ScriptedPlayer *m_player = nullptr;
    std::unique_ptr<PlayerSession> m_session;

    PlayerSession &open()
    {
        m_session.reset();
        m_player = new ScriptedPlayer;
        m_session = std::make_unique<PlayerSession>(m_app.path(), m_player);
        return *m_session;
    }
    // The clip playing plays to its end.
    void playToEnd(qint64 length = 1000)
    {
        m_player->play(length);
        m_player->reach(length / 2);
        m_player->finish();
    }

private Q_SLOTS:
    void init() { QVERIFY(QDir(m_app.path()).mkpath(u"DB"_s)); }
    void cleanup()
    {
        m_session.reset();
        for (const QString &name : QDir(m_app.path()).entryList(QDir::Files))
            QFile::remove(m_app.filePath(name));
    }

    void startsWithTheKeptChoicesAndWritesThemBack()
    {
        Settings kept;
        kept.QuranSort = 2;
        kept.DourousSort = 1;
        kept.SoundFormat = 7; // no menu item: kept all the same
        kept.MaxLignes = 9;
        kept.RiwayaFilter = u"@ورش"_s;
        kept.minimiseTarget = Settings::ToTaskbar;
        QVERIFY(SettingsStore::save(m_app.filePath(u"config.ini"_s), kept));

        PlayerSession &session = open();
        QCOMPARE(session.catalogue().paths().QuranSort, 2);
        QCOMPARE(session.catalogue().paths().DourousSort, 1);
        QCOMPARE(session.playback().SoundFormat(), 7);
        QCOMPARE(session.recentList().MaxLignes(), 9);
        QCOMPARE(session.riwayaFilter().stored(), u"@ورش"_s);
        QCOMPARE(session.minimiseTarget(), Settings::ToTaskbar);

        // The session's own choices and the window's part go into one file when it closes.
        QSignalSpy filterChanged(&session, &PlayerSession::riwayaFilterChanged);
        session.setRiwayaFilter(RiwayaFilter());
        QCOMPARE(filterChanged.count(), 1);
        session.setMinimiseTarget(Settings::ToTray);
        session.playback().playTapeKey(tape(1));
        m_player->play(5000);
        QVERIFY(session.close({150, 300, 6000, 9000, Settings::Maximised, 1}));
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);

        const Settings written = SettingsStore::load(m_app.filePath(u"config.ini"_s));
        Settings expected = kept;
        expected.RiwayaFilter = RiwayaFilter().stored();
        expected.minimiseTarget = Settings::ToTray;
        expected.top = 150;
        expected.left = 300;
        expected.width = 6000;
        expected.height = 9000;
        expected.windowState = Settings::Maximised;
        expected.searchMode = 1;
        QCOMPARE(written, expected);
    }

    void aConfigThatCannotBeWrittenIsReported()
    {
        QVERIFY(QDir().mkpath(m_app.filePath(u"config.ini"_s))); // a folder in its place
        PlayerSession &session = open();
        QVERIFY(!session.close({}));
        QVERIFY(QFileInfo(m_app.filePath(u"config.ini"_s)).isDir());
        QVERIFY(QDir().rmdir(m_app.filePath(u"config.ini"_s)));
    }

    void speedAndRepeatAreKeptInTheirOwnFile()
    {
        {
            PlayerSession &session = open();
            session.player().setSpeed(1.2);
            session.repeat().setMode(RepeatMode::queue());
        }
        PlayerSession &again = open();
        QCOMPARE(again.player().speed(), 1.2);
        QCOMPARE(again.repeat().mode(), RepeatMode::queue());
        QVERIFY(again.queue().keepsPlayed()); // the queue follows the repeat it starts with

        // A file that cannot be written: the choice holds, and the session says so.
        QFile::remove(m_app.filePath(u"listening.ini"_s));
        QVERIFY(QDir().mkpath(m_app.filePath(u"listening.ini"_s)));
        PlayerSession &blocked = open();
        QSignalSpy notSaved(&blocked, &PlayerSession::listeningNotSaved);
        blocked.player().setSpeed(0.9);
        QCOMPARE(notSaved.count(), 1);
        QCOMPARE(blocked.player().speed(), 0.9);
        QVERIFY(QDir().rmdir(m_app.filePath(u"listening.ini"_s)));
    }

    // At the end of a tape: repeat first, then the queue, then the sleep timer.
    void theEndOfATapeInItsOrder()
    {
        PlayerSession &session = open();
        session.repeat().setMode(RepeatMode::tape(2));
        session.sleepTimer().stopAtEndOfQueue();
        session.queue().Add2Playlist({tape(1), tape(2)});
        QCOMPARE(m_player->started, QStringList{link(1)});

        // The first end plays the tape again: the queue is not told and the timer waits.
        playToEnd();
        QCOMPARE(m_player->started, (QStringList{link(1), link(1)}));
        QCOMPARE(session.queue().entryCount(), 2);
        QCOMPARE(session.sleepTimer().mode(), SleepTimer::Mode::EndOfQueue);

        // Played twice: the queue moves on, and the timer lets the next entry play.
        playToEnd();
        QCOMPARE(m_player->started.last(), link(2));
        QCOMPARE(session.queue().entryCount(), 1);
        QCOMPARE(session.sleepTimer().mode(), SleepTimer::Mode::EndOfQueue);
        QVERIFY(!session.canGoNext());

        // The last entry twice, then nothing follows: the timer stops playing.
        playToEnd();
        QCOMPARE(m_player->started.last(), link(2));
        playToEnd();
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(session.sleepTimer().mode(), SleepTimer::Mode::Off);
        QCOMPARE(m_player->started.size(), 4);
    }

    // Every combination of repeat, where the tape came from and the sleep timer: which clips
    // start as tapes end, and whether playing stops by itself (at most six ends are played).
    void everyCombinationAtTheEnd_data()
    {
        QTest::addColumn<RepeatMode>("repeat");
        QTest::addColumn<bool>("fromQueue");
        QTest::addColumn<SleepTimer::Mode>("sleep");
        QTest::addColumn<QList<int>>("started");
        QTest::addColumn<bool>("stops");
        using M = SleepTimer::Mode;
        const RepeatMode off = RepeatMode::off();
        const RepeatMode twice = RepeatMode::tape(2);
        const RepeatMode round = RepeatMode::queue();
        const QList<int> once{9};
        const QList<int> again{9, 9};
        QTest::addRow("tape") << off << false << M::Off << once << true;
        QTest::addRow("tape, sleep at its end") << off << false << M::EndOfTape << once << true;
        QTest::addRow("tape, sleep at queue end") << off << false << M::EndOfQueue << once << true;
        QTest::addRow("tape twice") << twice << false << M::Off << again << true;
        // The end of the tape is the end of this play, even when it would be played again.
        QTest::addRow("tape twice, sleep at its end")
            << twice << false << M::EndOfTape << again << true;
        QTest::addRow("tape twice, sleep at queue end")
            << twice << false << M::EndOfQueue << again << true;
        QTest::addRow("tape, queue repeats") << round << false << M::Off << once << true;
        QTest::addRow("tape, queue repeats, sleep at its end")
            << round << false << M::EndOfTape << once << true;
        QTest::addRow("tape, queue repeats, sleep at queue end")
            << round << false << M::EndOfQueue << once << true;
        QTest::addRow("queue") << off << true << M::Off << QList<int>{1, 2} << true;
        // The queue has started the next entry; the sleep timer stops that one too.
        QTest::addRow("queue, sleep at tape end")
            << off << true << M::EndOfTape << QList<int>{1, 2} << true;
        QTest::addRow("queue, sleep at its end")
            << off << true << M::EndOfQueue << QList<int>{1, 2} << true;
        QTest::addRow("queue, each twice")
            << twice << true << M::Off << QList<int>{1, 1, 2, 2} << true;
        QTest::addRow("queue, each twice, sleep at tape end")
            << twice << true << M::EndOfTape << QList<int>{1, 1} << true;
        QTest::addRow("queue, each twice, sleep at its end")
            << twice << true << M::EndOfQueue << QList<int>{1, 1, 2, 2} << true;
        QTest::addRow("queue round")
            << round << true << M::Off << QList<int>{1, 2, 1, 2, 1, 2, 1} << false;
        QTest::addRow("queue round, sleep at tape end")
            << round << true << M::EndOfTape << QList<int>{1, 2} << true;
        // A queue played round has no end.
        QTest::addRow("queue round, sleep at its end")
            << round << true << M::EndOfQueue << QList<int>{1, 2, 1, 2, 1, 2, 1} << false;
    }

    void everyCombinationAtTheEnd()
    {
        QFETCH(RepeatMode, repeat);
        QFETCH(bool, fromQueue);
        QFETCH(SleepTimer::Mode, sleep);
        QFETCH(QList<int>, started);
        QFETCH(bool, stops);
        PlayerSession &session = open();
        session.repeat().setMode(repeat);
        if (fromQueue)
            session.queue().Add2Playlist({tape(1), tape(2)});
        else
            session.playback().playTapeKey(tape(9));
        if (sleep == SleepTimer::Mode::EndOfTape)
            session.sleepTimer().stopAtEndOfTape();
        else if (sleep == SleepTimer::Mode::EndOfQueue)
            session.sleepTimer().stopAtEndOfQueue();

        for (int ends = 0; ends < 6 && m_player->PlayState() != AudioPlayer::Stopped; ++ends)
            playToEnd();
        QStringList expected;
        for (int n : std::as_const(started))
            expected.append(link(n));
        QCOMPARE(m_player->started, expected);
        QCOMPARE(m_player->PlayState() == AudioPlayer::Stopped, stops);
        if (stops && sleep != SleepTimer::Mode::Off)
            QCOMPARE(session.sleepTimer().mode(), SleepTimer::Mode::Off); // it ran out
    }

    void theSleepTimerEndsARepeatedTape()
    {
        PlayerSession &session = open();
        session.repeat().setMode(RepeatMode::tape());
        session.playback().playTapeKey(tape(1));
        session.sleepTimer().stopAtEndOfTape();
        playToEnd();
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QCOMPARE(session.sleepTimer().mode(), SleepTimer::Mode::Off);
    }

    void whatTheDesktopReads()
    {
        PlayerSession &session = open();
        QCOMPARE(session.currentTitle(), QString());
        QCOMPARE(session.currentLink(), QString());
        QVERIFY(!session.canGoNext());
        session.queue().Add2Playlist({tape(1), tape(2)});
        m_player->play(1000);
        QCOMPARE(session.currentLink(), link(1));
        QVERIFY(session.currentTitle().contains(u"سورة س001"_s));
        QVERIFY(session.canGoNext());
        session.playNextFromDesktop();
        QCOMPARE(m_player->started.last(), link(2));
        QVERIFY(!session.canGoNext());
    }
};

QTEST_GUILESS_MAIN(TestPlayerSession)
#include "tst_playersession.moc"
