#include "listeningmenus.h"
#include "playback.h"
#include "playbackworld.h"
#include "playqueue.h"
#include "recentlist.h"
#include "repeatcontrol.h"
#include "scriptedplayer.h"
#include "tapeend.h"
#include "tapekeys.h"
#include "testtapes.h"

#include <QAction>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <cmath>
#include <limits>

using namespace Qt::Literals::StringLiterals;
using namespace TestTapes;

// The repeat rules and the speed steps, on a scripted player: what plays again, how often, and
// where playback goes afterwards.
class TestRepeat : public QObject
{
    Q_OBJECT

    std::unique_ptr<PlaybackWorld<ScriptedPlayer>> m_world;
    ScriptedPlayer *m_player = nullptr;
    Playback *m_playback = nullptr;
    PlayQueue *m_queue = nullptr;
    RepeatControl *m_repeat = nullptr;

    QStringList keys() const
    {
        QStringList out;
        for (const PlayQueue::Entry &e : m_queue->entries())
            out.append(e.key);
        return out;
    }
    // The clip playing plays to its end.
    void playToEnd(qint64 length = 1000)
    {
        m_player->play(length);
        m_player->reach(length / 2);
        m_player->finish();
    }

private Q_SLOTS:
    void init()
    {
        m_world = std::make_unique<PlaybackWorld<ScriptedPlayer>>();
        m_player = m_world->player.get();
        m_playback = &m_world->playback;
        m_queue = &m_world->queue;
        m_repeat = &m_world->repeat;
    }
    void cleanup() { m_world.reset(); }

    void offPlaysAsWithoutRepeat()
    {
        QCOMPARE(m_repeat->mode(), RepeatMode::off());
        m_queue->Add2Playlist({tape(1), tape(2), tape(3)});
        for (int n = 1; n <= 3; ++n)
            playToEnd();
        QCOMPARE(m_player->started, links({1, 2, 3}));
        QVERIFY(m_queue->entries().isEmpty()); // played entries left the queue
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);

        // A tape from the tree plays once and stops.
        m_playback->playTapeKey(tape(9));
        playToEnd();
        QCOMPARE(m_player->started.last(), link(9));
        QCOMPARE(m_player->started.size(), 4);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
    }

    void tapeEndlesslyStaysOnTheTape()
    {
        m_repeat->setMode(RepeatMode::tape());
        m_playback->playTapeKey(tape(9));
        m_queue->Add2Playlist({tape(1)});
        QSignalSpy titles(m_playback, &Playback::titleChanged);
        QSignalSpy recent(m_playback, &Playback::recentChanged);
        for (int i = 0; i < 4; ++i)
            playToEnd();
        QCOMPARE(m_player->started, links({9, 9, 9, 9, 9}));
        QCOMPARE(m_playback->PlayedNode(), tape(9));
        QCOMPARE(keys(), QStringList{entry(1)}); // the queue waits
        // Starting again is not choosing a tape: no new title, no new line in the recent list.
        QCOMPARE(titles.count(), 0);
        QCOMPARE(recent.count(), 0);

        // Far from the end nothing happens; a clip of unknown length is never at its end.
        m_player->play(0);
        m_player->reach(0);
        QCOMPARE(m_player->started.size(), 5);
    }

    void tapeSomeTimesThenMovesOn_data()
    {
        QTest::addColumn<int>("times");
        for (int times : RepeatMode::offeredTimes())
            QTest::addRow("%d times", times) << times;
    }
    void tapeSomeTimesThenMovesOn()
    {
        QFETCH(int, times);
        m_repeat->setMode(RepeatMode::tape(times));
        m_playback->playTapeKey(tape(9));
        m_queue->Add2Playlist({tape(1)});
        for (int i = 0; i < times; ++i)
            playToEnd();
        QCOMPARE(m_player->started.count(link(9)), times);
        QCOMPARE(m_player->started.last(), link(1)); // then the queue moves on as usual
        QCOMPARE(m_playback->PlayedNode(), entry(1));

        // The queued tape counts anew and is played as often; with nothing queued after it,
        // playing stops.
        for (int i = 0; i < times; ++i)
            playToEnd();
        QCOMPARE(m_player->started.count(link(1)), times);
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);
        QVERIFY(m_queue->entries().isEmpty());
    }

    void countStartsAgainWithATapeStartedAgain()
    {
        m_repeat->setMode(RepeatMode::tape(3));
        m_playback->playTapeKey(tape(9));
        playToEnd();
        QCOMPARE(m_repeat->playsDone(), 1);
        m_player->StopPlay(); // the listener stops and starts it again: three plays from now
        QCOMPARE(m_repeat->playsDone(), 0);
        m_player->StartPlay();
        for (int i = 0; i < 3; ++i)
            playToEnd();
        QCOMPARE(m_player->started, links({9, 9, 9, 9, 9}));
        QCOMPARE(m_player->PlayState(), AudioPlayer::Stopped);

        // Choosing another tape in the middle counts for that tape alone.
        m_playback->playTapeKey(tape(8));
        playToEnd();
        m_playback->playTapeKey(tape(7));
        playToEnd();
        playToEnd();
        QCOMPARE(m_player->started.mid(5), links({8, 8, 7, 7, 7}));
    }

    void queueRoundAndRoundKeepsItsEntries()
    {
        m_repeat->setMode(RepeatMode::queue());
        QVERIFY(m_queue->keepsPlayed());
        m_queue->Add2Playlist({tape(1), tape(2), tape(3)});
        for (int i = 0; i < 7; ++i)
            playToEnd();
        QCOMPARE(m_player->started, links({1, 2, 3, 1, 2, 3, 1, 2}));
        // The entry playing is first; the others follow in the order they come round.
        QCOMPARE(keys(), (QStringList{entry(2), entry(3), entry(1)}));

        // "Next" goes round too.
        m_queue->PlayNextInPlayList();
        m_queue->PlayNextInPlayList();
        QCOMPARE(m_player->started.mid(8), links({3, 1}));
        QCOMPARE(m_queue->entryCount(), 3);

        // Back to no repeat: played entries leave again.
        m_repeat->setMode(RepeatMode::off());
        QVERIFY(!m_queue->keepsPlayed());
        playToEnd();
        QCOMPARE(m_player->started.last(), link(2));
        QCOMPARE(keys(), (QStringList{entry(2), entry(3)}));
    }

    void aQueueOfOneRepeatsItsEntry()
    {
        m_repeat->setMode(RepeatMode::queue());
        m_queue->Add2Playlist({tape(4)});
        playToEnd();
        playToEnd();
        QCOMPARE(m_player->started, links({4, 4, 4}));
        QCOMPARE(keys(), QStringList{entry(4)});
        QCOMPARE(m_playback->PlayedNode(), entry(4));
    }

    void modesAsTextAndForTheDesktop_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("valid");
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("times");
        QTest::addColumn<QString>("loop");
        const auto off = int(RepeatMode::Kind::Off);
        const auto tapeKind = int(RepeatMode::Kind::Tape);
        const auto queue = int(RepeatMode::Kind::Queue);
        QTest::newRow("off") << u"off"_s << true << off << 0 << u"None"_s;
        QTest::newRow("tape") << u"tape"_s << true << tapeKind << 0 << u"Track"_s;
        QTest::newRow("tape 7") << u"tape:7"_s << true << tapeKind << 7 << u"Track"_s;
        QTest::newRow("spaces, case") << u" Tape: 3 "_s << true << tapeKind << 3 << u"Track"_s;
        QTest::newRow("queue") << u"queue"_s << true << queue << 0 << u"Playlist"_s;
        QTest::newRow("once is no repeat") << u"tape:1"_s << false << off << 0 << u"None"_s;
        QTest::newRow("too many") << u"tape:100"_s << false << off << 0 << u"None"_s;
        QTest::newRow("negative") << u"tape:-2"_s << false << off << 0 << u"None"_s;
        QTest::newRow("no number") << u"tape:x"_s << false << off << 0 << u"None"_s;
        QTest::newRow("unknown") << u"forever"_s << false << off << 0 << u"None"_s;
        QTest::newRow("empty") << QString() << false << off << 0 << u"None"_s;
    }
    void modesAsTextAndForTheDesktop()
    {
        QFETCH(QString, text);
        QFETCH(bool, valid);
        QFETCH(int, kind);
        QFETCH(int, times);
        QFETCH(QString, loop);
        const std::optional<RepeatMode> mode = RepeatMode::fromText(text);
        QCOMPARE(mode.has_value(), valid);
        const RepeatMode read = mode.value_or(RepeatMode::off());
        QCOMPARE(int(read.kind), kind);
        QCOMPARE(read.times, times);
        QCOMPARE(read.loopStatus(), loop);
        if (valid) // what is written reads back the same
            QCOMPARE(RepeatMode::fromText(read.toText()), read);
    }

    void aModeThatIsNoRepeatIsRefused()
    {
        QSignalSpy changed(m_repeat, &RepeatControl::modeChanged);
        m_repeat->setMode(RepeatMode::tape(1));
        m_repeat->setMode(RepeatMode::tape(-1));
        m_repeat->setMode(RepeatMode::off());
        QCOMPARE(changed.count(), 0);
        m_repeat->setMode({RepeatMode::Kind::Queue, 5}); // a count means nothing for the queue
        QCOMPARE(m_repeat->mode(), RepeatMode::queue());
        QCOMPARE(changed.count(), 1);
    }

    void speedIsBoundedToTenths_data()
    {
        QTest::addColumn<double>("asked");
        QTest::addColumn<double>("speed");
        QTest::newRow("normal") << 1.0 << 1.0;
        QTest::newRow("slowest") << 0.5 << 0.5;
        QTest::newRow("fastest") << 2.0 << 2.0;
        QTest::newRow("below") << 0.2 << 0.5;
        QTest::newRow("zero") << 0.0 << 0.5;
        QTest::newRow("negative") << -3.0 << 0.5;
        QTest::newRow("above") << 7.5 << 2.0;
        QTest::newRow("to a tenth") << 1.24 << 1.2;
        QTest::newRow("half a tenth up") << 1.25 << 1.3;
        QTest::newRow("not a number") << std::nan("") << 1.0;
        QTest::newRow("infinite") << std::numeric_limits<double>::infinity() << 1.0;
    }
    void speedIsBoundedToTenths()
    {
        QFETCH(double, asked);
        QFETCH(double, speed);
        QCOMPARE(AudioPlayer::boundedSpeed(asked), speed);
        m_player->setSpeed(asked);
        QCOMPARE(m_player->speed(), speed);
    }

    void speedStepsByATenth()
    {
        ListeningMenus menus(*m_player, *m_repeat);
        QSignalSpy changed(m_player, &AudioPlayer::speedChanged);
        for (int i = 0; i < 7; ++i)
            menus.fasterAction()->trigger();
        // Seven steps land on 1.7 exactly, as the item for 1.7 knows it.
        QCOMPARE(m_player->speed(), 1.7);
        QVERIFY(menus.speedChoices().at(12)->isChecked());
        QCOMPARE(menus.speedChoices().at(12)->text(), u"1.7×"_s);
        for (int i = 0; i < 5; ++i)
            menus.fasterAction()->trigger();
        QCOMPARE(m_player->speed(), 2.0);
        QVERIFY(!menus.fasterAction()->isEnabled());
        QCOMPARE(changed.count(), 10); // no signal when the fastest does not get faster

        menus.normalSpeedAction()->trigger();
        QCOMPARE(m_player->speed(), 1.0);
        QVERIFY(!menus.normalSpeedAction()->isEnabled());
        for (int i = 0; i < 9; ++i)
            menus.slowerAction()->trigger();
        QCOMPARE(m_player->speed(), 0.5);
        QVERIFY(!menus.slowerAction()->isEnabled());
        QVERIFY(menus.speedChoices().first()->isChecked());
        menus.speedChoices().at(3)->trigger();
        QCOMPARE(m_player->speed(), 0.8);
    }
};

QTEST_MAIN(TestRepeat)
#include "tst_repeat.moc"
